#pragma once
// The angle pad: a press or drag sets a horizontal angle (across, −180 to
// 180) and a vertical angle (down, −90 to 90), drawn as an icon over a
// sketch of a globe. With snapping on, a click near a front, side or top
// view snaps to it. With moving allowed, a Ctrl-drag gathers a pixel offset
// instead (the owner pans with it).
//
// A pad that is off draws its icon in grey.
//
// Notifications, in the order of one gesture:
//   sigPressed   the press (delivered from the event loop, after the pad
//                has handled the press and repainted)
//   sigDragged   the angles or the move offset changed while dragging
//                (delivered from the event loop, one per change)
//   sigSnapped   released after a press without movement, snapping on, and
//                the angles snapped (delivered at once)
//   sigReleased  released otherwise (delivered at once)
// Notifications still waiting in the event loop are delivered before the
// release's own one, so an owner always sees them in this order.
#include <QWidget>
#include <functional>
#include <vector>

#include "app/ControlLogic.h"

namespace app {

class CLAngButton : public QWidget {
  Q_OBJECT
 public:
  explicit CLAngButton(QWidget* parent = nullptr);

  PadAngles GetAngles() const { return angles_; }
  void SetAngles(int horizontal, int vertical);
  // Both angles to the nearest multiple of 90 when both are within 10
  // degrees of one; false (and no change) otherwise.
  bool SnapAngles();
  // The Ctrl-drag offset gathered so far; reset to 0.
  POINT TakeMoveOffset();

  void SetSnap(bool on);
  bool IsSnap() const { return snap_; }
  void SetMoveAllowed(bool on) { moveAllowed_ = on; }
  bool IsMoving() const { return moving_; }
  // The icon drawn at the angles (184 by default).
  void SetIconId(int id);

  // Called after each release, once the release's notification is out: the
  // shell shows the hint on changing a direction the first time. None by
  // default. Returns the previous hook.
  static std::function<void()> SetReleaseHintHook(std::function<void()> hook);

 signals:
  void sigPressed();
  void sigDragged();
  void sigSnapped();
  void sigReleased();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  enum class Notice { kPressed, kDragged };
  void Post(Notice notice);
  void DeliverPosted();
  void UpdateCursor(Qt::KeyboardModifiers modifiers);

  PadAngles angles_;
  int iconId_ = 184;
  bool snap_ = false;
  bool moved_ = false;
  bool moveAllowed_ = false;
  bool moving_ = false;
  bool pressed_ = false;  // between our left press and its release
  POINT offset_;
  QPoint last_;
  std::vector<Notice> posted_;
  bool deliveryQueued_ = false;
};

}  // namespace app
