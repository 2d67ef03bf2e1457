#include "app/WindowFrame.h"

#include <QEvent>
#include <QMargins>
#include <QWidget>

namespace app {
namespace {

QMargins FrameMargins(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// Waits for the frame's borders and then fits the client area into the
// wanted frame; goes with its window, or when done.
class FrameFitter : public QObject {
 public:
  FrameFitter(QWidget& window, const QRect& frame) : QObject(&window), window_(window), frame_(frame) {
    window.installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == &window_ && (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)) Fit();
    return false;
  }

 private:
  void Fit() {
    if (done_ || !window_.isVisible() || (window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen |
                                                                     Qt::WindowMinimized)))
      return;
    const QMargins margins = FrameMargins(window_);
    if (margins.isNull()) return;
    done_ = true;
    window_.removeEventFilter(this);
    window_.resize(frame_.size().shrunkBy(margins).expandedTo(QSize(1, 1)));
    window_.move(frame_.topLeft());
    deleteLater();
  }

  QWidget& window_;
  QRect frame_;
  bool done_ = false;
};

}  // namespace

void PlaceWindowFrame(QWidget& window, const QRect& frame) {
  // A top-level window's position is its frame's; its size is the client
  // area's, right once the borders are known.
  window.move(frame.topLeft());
  window.resize(frame.size());
  new FrameFitter(window, frame);
}

QRect NormalFrameGeometry(const QWidget& window) {
  const QMargins margins = FrameMargins(window);
  if (window.isMaximized() || window.isFullScreen()) return window.normalGeometry().marginsAdded(margins);
  return window.frameGeometry();
}

}  // namespace app
