#pragma once
#include <QMainWindow>

namespace app {

// The program's main window.
class CSMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CSMainFrame(QWidget* parent = nullptr);
};

}  // namespace app
