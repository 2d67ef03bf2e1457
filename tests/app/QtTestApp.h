#pragma once
// The app tests share one QApplication, made before the first test and
// destroyed after the last (QtTestApp.cpp registers it with GoogleTest).
// Tests that need widgets can rely on QApplication::instance().
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QWidget>

namespace apptest {

// The widget drawn into a fresh premultiplied image of its size, over
// transparent black.
inline QImage Render(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  widget.render(&image);
  return image;
}

// The pointer enters or leaves the widget (a widget that is not shown
// gets no such events from moves).
inline void SendEnter(QWidget& widget, QPointF at = QPointF(1, 1)) {
  QEnterEvent enter(at, widget.mapTo(widget.window(), at), widget.mapToGlobal(at));
  QApplication::sendEvent(&widget, &enter);
}
inline void SendLeave(QWidget& widget) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&widget, &leave);
}

}  // namespace apptest
