#pragma once
// The base of the property bars: the contents of one of the main frame's
// docking bars. It shows and hides its dock at once, applies property
// values to the active page, and gives the bars their label colour and
// tooltips.
#include <QWidget>
#include <span>
#include <vector>

namespace page {
class PropVal;
}

class QLabel;

namespace app {

class CMySliderCtrl;

class CHideDlgBar : public QWidget {
  Q_OBJECT
 public:
  explicit CHideDlgBar(QWidget* parent = nullptr);

  // Shows or hides the docking bar that holds this one (or this widget
  // while it is not docked).
  void ShowBar(bool show);

  // Redraw modes handed with a value: normal, and fast while a 3D control
  // is being dragged.
  static constexpr int kRedrawNormal = 0;
  static constexpr int kRedrawDragging = 2;

 protected:
  // Hands values to the active page view: `newCommand` 1 makes a new undoable
  // command, 0 lets the view fold the change into its last bar command.
  static void ApplyValue(page::PropVal& value, int newCommand, int mode);
  static void ApplyValues(std::span<page::PropVal* const> values, int newCommand, int mode);

  // A label in the bars' label colour.
  QLabel* MakeLabel(const QString& text);
  static void SetLabelColor(QWidget* label);
  // A slider of the bars: range, ticks, no focus frame.
  CMySliderCtrl* MakeSlider(int minimum, int maximum, std::vector<int> ticks);
  // The tooltip of string `stringId`.
  static void SetTip(QWidget* control, int stringId);
  // Whether the left mouse button is held (the bars' timers wait for it to
  // be released before they change what is shown).
  static bool LeftButtonDown();
};

}  // namespace app
