#include "app/CMySliderCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace app {
namespace {

RECT ToRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

constexpr int kTickLength = 4;

}  // namespace

CMySliderCtrl::CMySliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  // Room for the ticks below the thumb; the style's own evenly spaced ticks
  // are never drawn (see paintEvent).
  setTickPosition(QSlider::TicksBelow);
}

void CMySliderCtrl::SetTicks(std::vector<int> values) {
  ticks_ = std::move(values);
  update();
}

RECT CMySliderCtrl::ChannelRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return ToRect(style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this));
}

RECT CMySliderCtrl::ThumbRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return ToRect(style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this));
}

RECT CMySliderCtrl::UsableChannel() const { return SliderUsableChannel(ChannelRect(), ThumbRect().Width()); }

int CMySliderCtrl::TickPixel(int value) const {
  return SliderPixelOfValue(value, minimum(), maximum(), UsableChannel());
}

void CMySliderCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionSlider option;
  initStyleOption(&option);
  option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

  const RECT thumb = ThumbRect();
  const int top = std::min(thumb.bottom + 1, height() - kTickLength);
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  auto drawTick = [&](int value) {
    const int x = TickPixel(value);
    painter.drawLine(x, top, x, top + kTickLength - 1);
  };
  drawTick(minimum());
  drawTick(maximum());
  for (int value : ticks_)
    if (value > minimum() && value < maximum()) drawTick(value);
}

void CMySliderCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QSlider::mousePressEvent(event);
    return;
  }
  const QPoint at = event->position().toPoint();
  const RECT channel = ChannelRect(), thumb = ThumbRect();
  if (!SliderPressHandled(POINT{at.x(), at.y()}, channel, thumb)) {
    event->accept();  // outside the channel's reach: nothing at all
    return;
  }
  tracking_ = true;
  emit sigPressed();
  const RECT usable = SliderUsableChannel(channel, thumb.Width());
  if (const std::optional<int> jump = SliderJumpValue(at.x(), value(), minimum(), maximum(), usable)) {
    setValue(*jump);  // the thumb now lies under the pointer, so the drag starts from here
    repaint();
  }
  NotifyIfScrolled([&] { QSlider::mousePressEvent(event); }, true);
}

void CMySliderCtrl::NotifyIfScrolled(const std::function<void()>& handling, bool userMoves) {
  const int before = value();
  handling();
  if (userMoves && value() != before) emit sigScroll();
}

void CMySliderCtrl::mouseMoveEvent(QMouseEvent* event) {
  NotifyIfScrolled([&] { QSlider::mouseMoveEvent(event); }, tracking_);
}

void CMySliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QSlider::mouseReleaseEvent(event);
    return;
  }
  emit sigBeforeRelease();
  QSlider::mouseReleaseEvent(event);
  if (tracking_) emit sigScroll();  // the drag's end
  tracking_ = false;
  emit sigAfterRelease();
}

void CMySliderCtrl::keyPressEvent(QKeyEvent* event) {
  NotifyIfScrolled([&] { QSlider::keyPressEvent(event); }, true);
}

void CMySliderCtrl::wheelEvent(QWheelEvent* event) {
  NotifyIfScrolled([&] { QSlider::wheelEvent(event); }, true);
}

}  // namespace app
