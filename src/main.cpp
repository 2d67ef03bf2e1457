#include <QApplication>
#include <QStringList>

#include "app/CPennetApp.h"
#include "app/HintDialogs.h"
#include "app/QtHooks.h"
#include "page/FigureService.h"
#include "page/StringTable.h"
#include "platform/File.h"
#include "platform/Settings.h"

namespace {

QtMessageHandler gQtDefaultHandler = nullptr;

// The screenless platform warns each time a window's size limits change,
// which it cannot pass on to a window system; the program says nothing
// about that.
void FilterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text == QLatin1String("This plugin does not support propagateSizeHints()")) return;
  gQtDefaultHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  platform::IgnoreFileSizeSignal();
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tamarik"));
  QApplication::setApplicationName(QStringLiteral("Pennet"));
  if (app::IsScreenless()) gQtDefaultHandler = qInstallMessageHandler(FilterQtMessages);
  page::InstallProgramStringTable();
  app::InstallQtHooks();
  app::InstallAngleHintHook();
  app::InstallHumanLayoutHook();

  int exitCode = 0;
  {
    platform::Settings settings;
    app::CPennetApp pennet(settings);
    app::CPennetApp::StartupHooks& hooks = pennet.Hooks();
    hooks.initEngine = page::StartFigureService;
    hooks.exitEngine = page::StopFigureService;
    hooks.setRendererMode = page::SetFigureRendererMode;
    hooks.startNewsCheck = [&pennet] { pennet.CheckNews(false); };
    if (pennet.InitInstance(QApplication::arguments().mid(1), exitCode)) {
      exitCode = QApplication::exec();
      pennet.ExitInstance();
    }
  }
  return exitCode;
}
