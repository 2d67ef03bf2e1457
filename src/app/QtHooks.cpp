#include "app/QtHooks.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QString>

#include "platform/Hooks.h"

namespace app {
namespace {

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & 0xF0) {
    case platform::kMbIconError: return QMessageBox::Critical;
    case platform::kMbIconQuestion: return QMessageBox::Question;
    case platform::kMbIconWarning: return QMessageBox::Warning;
    case platform::kMbIconInfo: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ShowQtMessage(const std::string& text, const std::string& caption, unsigned flags) {
  QMessageBox box(IconOf(flags), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::NoButton, QApplication::activeWindow());
  switch (flags & platform::kMbButtonMask) {
    case platform::kMbOkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case platform::kMbYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case platform::kMbYesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return platform::kIdYes;
    case QMessageBox::No: return platform::kIdNo;
    case QMessageBox::Cancel: return platform::kIdCancel;
    default: return platform::kIdOk;
  }
}

void SetQtCursor(int code) {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  if (code == platform::kCursorWait)
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  else if (code == platform::kCursorSizeAll)
    QApplication::setOverrideCursor(QCursor(Qt::SizeAllCursor));
}

}  // namespace

void InstallQtHooks() {
  platform::SetMessageHook(ShowQtMessage);
  platform::SetBeepHook([] { QApplication::beep(); });
  platform::SetCursorHook(SetQtCursor);
  platform::SetFatalHook([](const std::string& text) {
    ShowQtMessage(text, "Pennet", platform::kMbOk | platform::kMbIconError);
  });
}

}  // namespace app
