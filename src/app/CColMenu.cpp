#include "app/CColMenu.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "app/AppResources.h"

namespace app {
namespace {

constexpr int kBorder = 2;  // around the items

QRect ToQRect(const RECT& r) { return QRect(r.left + kBorder, r.top + kBorder, r.Width(), r.Height()); }

int IconOfCommand(int commandId) {
  switch (commandId) {
    case kPaletteOther: return 140;
    case kPaletteMode1: return 141;
    case kPaletteMode2: return 186;
    default: return 0;
  }
}

QColor ToQColor(COLORREF c) { return QColor(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)); }

}  // namespace

CColMenu::CColMenu(bool shortPalette, QWidget* parent)
    : QWidget(parent, Qt::Popup), shortPalette_(shortPalette), items_(LayOutPalette(shortPalette)) {
  int right = 0, bottom = 0;
  for (const PaletteItem& item : items_) {
    right = std::max(right, item.rect.right);
    bottom = std::max(bottom, item.rect.bottom);
  }
  setFixedSize(right + 2 * kBorder, bottom + 2 * kBorder);
  setMouseTracking(true);
}

void CColMenu::Popup(const QRect& globalAnchor) {
  selected_ = 0;
  QRect place(globalAnchor.bottomLeft() + QPoint(0, 1), size());
  if (const QScreen* screen = QGuiApplication::screenAt(globalAnchor.center())) {
    const QRect room = screen->availableGeometry();
    if (place.bottom() > room.bottom() && globalAnchor.top() - place.height() >= room.top())
      place.moveBottom(globalAnchor.top() - 1);
    if (place.right() > room.right()) place.moveRight(room.right());
    if (place.left() < room.left()) place.moveLeft(room.left());
  }
  // The client rectangle, not the frame's: a popup has no frame, but a
  // hidden window's frame size is only guessed.
  setGeometry(place);
  show();
}

const PaletteItem* CColMenu::ItemAt(const QPoint& point) const {
  const PaletteItem* item = PaletteItemAt(items_, POINT{point.x() - kBorder, point.y() - kBorder});
  return item && item->enabled ? item : nullptr;
}

void CColMenu::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  for (const PaletteItem& item : items_)
    if (item.enabled) DrawItem(painter, item);
}

void CColMenu::DrawItem(QPainter& painter, const PaletteItem& item) {
  const QRect r = ToQRect(item.rect);
  const PaletteChoice choice = ChoosePaletteCommand(item.commandId);
  if (choice.action == PaletteAction::kSetColor) {
    painter.fillRect(r.adjusted(1, 1, -1, -1), ToQColor(choice.color));
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(r.adjusted(1, 1, -2, -2));
  } else {
    const QImage icon = LoadAppIcon(IconOfCommand(item.commandId));
    if (!icon.isNull()) painter.drawImage(r.center() - icon.rect().center(), icon);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(r.adjusted(1, 1, -2, -2));
  }
  if (item.commandId == selected_) {
    painter.setPen(palette().color(QPalette::Highlight));
    painter.drawRect(r.adjusted(2, 2, -3, -3));
  }
}

void CColMenu::mouseMoveEvent(QMouseEvent* event) {
  const PaletteItem* item = ItemAt(event->position().toPoint());
  const int selected = item ? item->commandId : 0;
  if (selected != selected_) {
    selected_ = selected;
    update();
  }
}

void CColMenu::mouseReleaseEvent(QMouseEvent* event) {
  const PaletteItem* item = ItemAt(event->position().toPoint());
  if (!item || event->button() != Qt::LeftButton) return;
  const int command = item->commandId;
  hide();
  emit sigCommand(command);
}

void CColMenu::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CColMenu::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  selected_ = 0;
  update();
}

}  // namespace app
