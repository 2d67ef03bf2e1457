#pragma once
// The main window's place as the preferences keep it: the whole window,
// title bar and borders included. Qt places a window's client area, and the
// window manager tells the frame's size only once the window is shown.
#include <QRect>

class QWidget;

namespace app {

// Puts the window's frame on `frame`: the frame's corner at once, and the
// client area made smaller by the frame's borders as soon as the window
// manager has told them (at the first show, move or resize that knows
// them; once). Call before showing the window.
void PlaceWindowFrame(QWidget& window, const QRect& frame);

// The frame of the window's normal (not maximised) state.
QRect NormalFrameGeometry(const QWidget& window);

}  // namespace app
