#include <QApplication>
#include <QStringList>

#include "app/CPennetApp.h"
#include "app/QtHooks.h"
#include "page/StringTable.h"
#include "platform/Settings.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tamarik"));
  QApplication::setApplicationName(QStringLiteral("Pennet"));
  page::InstallProgramStringTable();
  app::InstallQtHooks();

  int exitCode = 0;
  {
    platform::Settings settings;
    app::CPennetApp pennet(settings);
    if (pennet.InitInstance(QApplication::arguments().mid(1), exitCode)) {
      exitCode = QApplication::exec();
      pennet.ExitInstance();
    }
  }
  return exitCode;
}
