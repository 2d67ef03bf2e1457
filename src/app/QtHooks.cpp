#include "app/QtHooks.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include "app/AppResources.h"
#include "platform/FileDialog.h"
#include "platform/Hooks.h"
#include "platform/InputState.h"

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
  else if (code >= 0)
    QApplication::setOverrideCursor(LoadAppCursor(code));
}

// Qt's filter form: "Text (*.a *.b)" entries joined by ";;".
QStringList QtFilters(const std::vector<platform::FileFilter>& filters) {
  QStringList list;
  for (const platform::FileFilter& f : filters) {
    QString patterns = QString::fromStdString(f.patterns);
    patterns.replace(';', ' ');
    list << QString::fromStdString(f.description) + " (" + patterns + ")";
  }
  return list;
}

bool RunQtFileDialog(const platform::FileDialogRequest& request, std::string& outPath) {
  QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!request.promptOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList filters = QtFilters(request.filters);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (!request.defaultName.empty()) dialog.selectFile(QString::fromStdString(request.defaultName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  outPath = dialog.selectedFiles().first().toStdString();
  return true;
}

// Keys and buttons as Qt sees them now. Qt already reports the buttons as
// the user has mapped them, so they are never reported swapped.
bool QtKeyDown(int virtualKey) {
  switch (virtualKey) {
    case platform::VK_LBUTTON: return QGuiApplication::mouseButtons() & Qt::LeftButton;
    case platform::VK_RBUTTON: return QGuiApplication::mouseButtons() & Qt::RightButton;
    case platform::VK_MBUTTON: return QGuiApplication::mouseButtons() & Qt::MiddleButton;
    case platform::VK_SHIFT: return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    case platform::VK_CONTROL: return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    case platform::VK_MENU: return QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier;
    default: return false;
  }
}

}  // namespace

bool IsScreenless() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

void InstallQtHooks() {
  platform::SetBeepHook([] { QApplication::beep(); });
  platform::SetCursorHook(SetQtCursor);
  platform::SetKeyStateHook(QtKeyDown);
  // Without a screen nobody could answer a modal box or dialog: messages
  // keep going to the error output with their default answers.
  if (IsScreenless()) return;
  platform::SetMessageHook(ShowQtMessage);
  platform::SetFileDialogHook(RunQtFileDialog);
  platform::SetFatalHook([](const std::string& text) {
    ShowQtMessage(text, "Pennet", platform::kMbOk | platform::kMbIconError);
  });
}

}  // namespace app
