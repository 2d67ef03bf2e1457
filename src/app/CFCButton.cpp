#include "app/CFCButton.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace app {

CFCButton::CFCButton(QWidget* parent) : QAbstractButton(parent), menu_(new QMenu(this)) {
  connect(menu_, &QMenu::triggered, this, &CFCButton::onMenuTriggered);
}

void CFCButton::SetMenu(std::vector<MenuEntry> entries) {
  entries_ = std::move(entries);
  menu_->clear();
  for (const MenuEntry& entry : entries_) {
    if (entry.commandId == 0) {
      menu_->addSeparator();
      continue;
    }
    QAction* action = menu_->addAction(QString::fromStdString(entry.text));
    action->setData(entry.commandId);
  }
  update();
}

void CFCButton::SetValue(int value) {
  value_ = value;
  update();
}

bool CFCButton::SelectCommand(int commandId) {
  const std::optional<int> position = MenuPositionOfCommand(entries_, commandId);
  if (!position) return false;
  SetValue(*position);
  return true;
}

void CFCButton::onMenuTriggered(QAction* action) {
  const int commandId = action->data().toInt();
  if (SelectCommand(commandId)) emit sigSelected(commandId);
}

void CFCButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
    QAbstractButton::mousePressEvent(event);
    return;
  }
  event->accept();
  menu_->popup(mapToGlobal(QPoint(0, height())));
}

void CFCButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintFace(painter);
  PaintValue(painter);
}

void CFCButton::PaintFace(QPainter& painter) {
  const int w = width(), h = height();
  painter.fillRect(rect(), Qt::white);
  painter.setPen(QColor(64, 64, 64));
  painter.drawRect(0, 0, w - 1, h - 1);
  const QPoint mark[] = {{w - 7, h - 5}, {w - 3, h - 5}, {w - 5, h - 3}};
  painter.setPen(Qt::black);
  painter.setBrush(Qt::black);
  painter.drawPolygon(mark, 3);
  painter.setBrush(Qt::NoBrush);
}

void CFCButton::PaintValue(QPainter& painter) {
  painter.setPen(isEnabled() ? Qt::black : palette().color(QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(MenuTextAt(entries_, value_)));
}

}  // namespace app
