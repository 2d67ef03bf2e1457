#include "app/CColButton.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

#include "app/CColMenu.h"

namespace app {
namespace {

QColor ToQColor(COLORREF c) { return QColor(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)); }

std::optional<COLORREF> AskSystemColor(COLORREF initial, QWidget* parent) {
  const QColor chosen = QColorDialog::getColor(ToQColor(initial), parent);
  if (!chosen.isValid()) return std::nullopt;
  return platform::MakeRgb(chosen.red(), chosen.green(), chosen.blue());
}

ColorDialogHook& DialogHook() {
  static ColorDialogHook hook = AskSystemColor;
  return hook;
}

}  // namespace

CColButton::CColButton(bool shortPalette, QWidget* parent)
    : QAbstractButton(parent), menu_(new CColMenu(shortPalette, this)) {
  connect(menu_, &CColMenu::sigCommand, this, &CColButton::onPaletteCommand);
}

ColorDialogHook CColButton::SetColorDialogHook(ColorDialogHook hook) {
  ColorDialogHook previous = std::move(DialogHook());
  DialogHook() = hook ? std::move(hook) : ColorDialogHook(AskSystemColor);
  return previous;
}

void CColButton::SetColor(COLORREF color) {
  color_ = color;
  mode_ = kColorModeColor;
  update();
}

void CColButton::SetMode(int mode) {
  mode_ = mode == kColorModeColor || mode == kColorMode2 ? mode : kColorMode1;
  update();
}

bool CColButton::OnColorCommand(int commandId) {
  const PaletteChoice choice = ChoosePaletteCommand(commandId);
  switch (choice.action) {
    case PaletteAction::kNotPalette: return false;
    case PaletteAction::kNone: break;
    case PaletteAction::kSetColor: SetColor(choice.color); break;
    case PaletteAction::kAskColor:
      if (const std::optional<COLORREF> chosen = DialogHook()(color_, this)) SetColor(*chosen);
      break;
    case PaletteAction::kMode1: mode_ = kColorMode1; break;
    case PaletteAction::kMode2: mode_ = kColorMode2; break;
  }
  update();
  return true;
}

void CColButton::onPaletteCommand(int commandId) {
  const COLORREF previousColor = color_;
  const int previousMode = mode_;
  if (OnColorCommand(commandId)) emit sigColorCommand(commandId, previousColor, previousMode);
}

void CColButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
    QAbstractButton::mousePressEvent(event);
    return;
  }
  event->accept();
  menu_->Popup(QRect(mapToGlobal(QPoint(0, 0)), size()));
}

void CColButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int w = width(), h = height();
  const COLORREF fill = mode_ == kColorModeColor ? color_ : platform::MakeRgb(255, 255, 255);
  painter.fillRect(rect(), ToQColor(fill));
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, w - 1, h - 1);
  painter.setPen(Qt::white);
  painter.drawRect(1, 1, w - 3, h - 3);
  if (mode_ == kColorMode1) {
    painter.setPen(QColor(255, 0, 0));
    painter.drawLine(w - 3, 2, 2, h - 3);
  } else if (mode_ == kColorMode2) {
    painter.setPen(QColor(0, 160, 0));
    painter.drawLine(w - 3, h - 3, 2, 2);
  }
  // The drop-down mark stands out against what is drawn under it.
  const QPoint mark[] = {{w - 7, h - 5}, {w - 3, h - 5}, {w - 5, h - 3}};
  const QColor markColor = IsLightColor(fill) ? Qt::black : Qt::white;
  painter.setPen(markColor);
  painter.setBrush(markColor);
  painter.drawPolygon(mark, 3);
}

}  // namespace app
