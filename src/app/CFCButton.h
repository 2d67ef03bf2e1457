#pragma once
// A button that opens a popup menu below itself and shows the chosen item.
// Its value is the chosen item's position counted from 1, separators
// included (the stored property values depend on these positions). A
// command chosen in the popup is offered to SelectCommand; when the button
// takes it, sigSelected follows.
#include <QAbstractButton>
#include <vector>

#include "app/ControlLogic.h"

class QMenu;

namespace app {

class CFCButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit CFCButton(QWidget* parent = nullptr);

  // The popup's items, in order; command 0 is a separator.
  void SetMenu(std::vector<MenuEntry> entries);
  const std::vector<MenuEntry>& MenuEntries() const { return entries_; }
  QMenu* PopupMenu() const { return menu_; }

  int Value() const { return value_; }
  void SetValue(int value);

  // Takes a command of the popup: the value becomes its position. False
  // for a command the popup does not hold.
  virtual bool SelectCommand(int commandId);

 signals:
  void sigSelected(int commandId);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  // The face: white, a dark frame and the drop-down mark; then the value.
  void PaintFace(QPainter& painter);
  virtual void PaintValue(QPainter& painter);

 private slots:
  void onMenuTriggered(QAction* action);

 private:
  std::vector<MenuEntry> entries_;
  QMenu* menu_;
  int value_ = 1;
};

}  // namespace app
