#pragma once
// A horizontal slider whose thumb jumps to a click on its channel and goes
// on dragging from there, with tick marks at any positions.
//
// Notifications, all delivered at once, in the order of one gesture:
//   sigPressed        left press on the slider, before the thumb jumps
//   sigScroll         the user moved the slider (drag, keys, wheel, page
//                     clicks), and once more as the slider's own release
//                     handling ends the drag
//   sigBeforeRelease  left release, before the slider's own handling
//   sigAfterRelease   left release, after it
// A value set by the program (setValue) notifies nothing of these.
#include <QSlider>
#include <functional>
#include <vector>

#include "app/ControlLogic.h"

namespace app {

class CMySliderCtrl : public QSlider {
  Q_OBJECT
 public:
  explicit CMySliderCtrl(QWidget* parent = nullptr);

  // Tick marks at these values, besides the two ends; empty for none.
  void SetTicks(std::vector<int> values);
  const std::vector<int>& Ticks() const { return ticks_; }

  // The channel and thumb as the style lays them out, in widget pixels.
  RECT ChannelRect() const;
  RECT ThumbRect() const;
  // Where the tick of a value is drawn (x), on the channel shrunk by half
  // the thumb at both ends.
  int TickPixel(int value) const;

 signals:
  void sigPressed();
  void sigScroll();
  void sigBeforeRelease();
  void sigAfterRelease();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  RECT UsableChannel() const;
  // Runs the slider's own handling of an event and notifies sigScroll when
  // it moved the slider and the move is the user's.
  void NotifyIfScrolled(const std::function<void()>& handling, bool userMoves);

  std::vector<int> ticks_;
  bool tracking_ = false;  // between a handled left press and its release
};

}  // namespace app
