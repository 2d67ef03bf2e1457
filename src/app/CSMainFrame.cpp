#include "app/CSMainFrame.h"

namespace app {

CSMainFrame::CSMainFrame(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Pennet"));
  setObjectName(QStringLiteral("CSMainFrame"));
  move(10, 10);
  resize(1000, 1000);
}

}  // namespace app
