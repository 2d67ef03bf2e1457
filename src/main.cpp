#include <QApplication>

#include "app/CSMainFrame.h"
#include "app/QtHooks.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tamarik"));
  QApplication::setApplicationName(QStringLiteral("Pennet"));
  app::InstallQtHooks();

  app::CSMainFrame frame;
  frame.show();
  return QApplication::exec();
}
