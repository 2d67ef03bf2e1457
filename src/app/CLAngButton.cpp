#include "app/CLAngButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/AppResources.h"

namespace app {
namespace {

std::function<void()>& HintHook() {
  static std::function<void()> hook;
  return hook;
}

POINT ToPoint(const QPoint& p) { return POINT{p.x(), p.y()}; }

// The icon of a pad that is off: grey, as a disabled picture button's.
QImage GreyIcon(QImage icon) {
  icon = icon.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < icon.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(icon.scanLine(y));
    for (int x = 0; x < icon.width(); ++x) {
      const platform::Bgra grey = DisabledPixel(platform::Bgra{static_cast<std::uint8_t>(qBlue(row[x])),
                                                               static_cast<std::uint8_t>(qGreen(row[x])),
                                                               static_cast<std::uint8_t>(qRed(row[x])),
                                                               static_cast<std::uint8_t>(qAlpha(row[x]))});
      row[x] = qRgba(grey.r, grey.g, grey.b, grey.a);
    }
  }
  return icon;
}

}  // namespace

CLAngButton::CLAngButton(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);  // the cursor follows Ctrl over the pad
}

std::function<void()> CLAngButton::SetReleaseHintHook(std::function<void()> hook) {
  std::function<void()> previous = std::move(HintHook());
  HintHook() = std::move(hook);
  return previous;
}

void CLAngButton::SetAngles(int horizontal, int vertical) {
  angles_ = PadAngles{horizontal, vertical};
  update();
}

bool CLAngButton::SnapAngles() { return app::SnapAngles(angles_.horizontal, angles_.vertical); }

POINT CLAngButton::TakeMoveOffset() {
  const POINT offset = offset_;
  offset_ = POINT{};
  return offset;
}

void CLAngButton::SetSnap(bool on) {
  snap_ = on;
  update();
}

void CLAngButton::SetIconId(int id) {
  iconId_ = id;
  update();
}

// Press and drag notices wait for the event loop, as the owner's handling
// (a command and a page redraw) should not run inside the pad's own.
void CLAngButton::Post(Notice notice) {
  posted_.push_back(notice);
  if (deliveryQueued_) return;
  deliveryQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        deliveryQueued_ = false;
        DeliverPosted();
      },
      Qt::QueuedConnection);
}

void CLAngButton::DeliverPosted() {
  const std::vector<Notice> notices = std::move(posted_);
  posted_.clear();
  for (Notice notice : notices) {
    if (notice == Notice::kPressed)
      emit sigPressed();
    else
      emit sigDragged();
  }
}

void CLAngButton::UpdateCursor(Qt::KeyboardModifiers modifiers) {
  const bool moveLook = moving_ || (moveAllowed_ && (modifiers & Qt::ControlModifier));
  setCursor(moveLook ? Qt::SizeAllCursor : Qt::ArrowCursor);
}

void CLAngButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const QPoint point = event->position().toPoint();
  if (moveAllowed_ && (event->modifiers() & Qt::ControlModifier)) {
    moving_ = true;
    last_ = point;
    offset_ = POINT{};
  } else {
    angles_ = PadAnglesAtPoint(ToPoint(point), width(), height());
    update();
  }
  pressed_ = true;
  moved_ = false;
  UpdateCursor(event->modifiers());
  Post(Notice::kPressed);
}

void CLAngButton::mouseMoveEvent(QMouseEvent* event) {
  UpdateCursor(event->modifiers());
  if (!pressed_) return;
  const QPoint point = event->position().toPoint();
  if (moving_) {
    const QPoint step = point - last_;
    last_ = point;
    if (step.isNull()) return;
    offset_.x += step.x();
    offset_.y += step.y();
  } else {
    const POINT inside{std::clamp(point.x(), 0, std::max(0, width() - 1)),
                       std::clamp(point.y(), 0, std::max(0, height() - 1))};
    const PadAngles angles = PadAnglesAtPoint(inside, width(), height());
    if (angles == angles_) return;
    angles_ = angles;
    update();
  }
  moved_ = true;
  Post(Notice::kDragged);
}

void CLAngButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
  pressed_ = false;
  DeliverPosted();
  if (!moved_ && snap_ && SnapAngles())
    emit sigSnapped();
  else
    emit sigReleased();
  update();
  if (HintHook()) HintHook()();
  moved_ = false;
  moving_ = false;
  UpdateCursor(event->modifiers());
}

void CLAngButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int w = width(), h = height();
  painter.fillRect(rect(), QColor(220, 220, 220));
  if (snap_) {
    painter.setPen(QColor(200, 200, 200));
    for (const POINT& p : PadSnapPoints(w, h)) painter.drawRect(p.x - 6, p.y - 6, 11, 11);
  }
  painter.setPen(QColor(150, 150, 150));
  painter.drawRect(0, 0, w - 1, h - 1);
  painter.drawLine(0, h / 2, w - 1, h / 2);
  for (int quarter = 1; quarter <= 3; ++quarter) painter.drawLine(w * quarter / 4, 0, w * quarter / 4, h - 1);
  painter.drawEllipse(QRect(w / 4, 0, w / 2, h - 1));

  const POINT at = PadPointOfAngles(angles_, w, h);
  const QImage icon = isEnabled() ? LoadAppIcon(iconId_) : GreyIcon(LoadAppIcon(iconId_));
  if (!icon.isNull()) {
    painter.drawImage(QPoint(at.x, at.y) - icon.rect().center(), icon);
  } else {
    painter.setPen(isEnabled() ? Qt::black : QColor(150, 150, 150));
    painter.drawEllipse(QPoint(at.x, at.y), 3, 3);
  }
}

}  // namespace app
