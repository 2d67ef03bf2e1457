#include "app/CLWButton.h"

#include <QPainter>

#include "app/CLineWidthDialog.h"

namespace app {
namespace {

std::optional<int> AskLineWidth(int current, QWidget* parent) {
  CLineWidthDialog dialog(parent);
  dialog.width = current;
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.width;
}

LineWidthDialogHook& DialogHook() {
  static LineWidthDialogHook hook = AskLineWidth;
  return hook;
}

}  // namespace

CLWButton::CLWButton(QWidget* parent) : CFCButton(parent) { SetMenu(LineWidthMenu()); }

LineWidthDialogHook CLWButton::SetLineWidthDialogHook(LineWidthDialogHook hook) {
  LineWidthDialogHook previous = std::move(DialogHook());
  DialogHook() = hook ? std::move(hook) : LineWidthDialogHook(AskLineWidth);
  return previous;
}

bool CLWButton::SelectCommand(int commandId) {
  if (const std::optional<int> width = LineWidthOfCommand(commandId)) {
    SetValue(*width);
    return true;
  }
  if (commandId == kLineWidthOther) {
    const std::optional<int> width = DialogHook()(Value(), this);
    if (!width) return false;
    SetValue(*width);
    return true;
  }
  return CFCButton::SelectCommand(commandId);
}

void CLWButton::PaintValue(QPainter& painter) {
  if (Value() == 0) {  // automatic
    painter.setPen(QColor(0, 160, 0));
    painter.drawLine(width() - 3, height() - 3, 2, 2);
    return;
  }
  painter.setPen(isEnabled() ? Qt::black : palette().color(QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("%1 pt").arg(Value()));
}

}  // namespace app
