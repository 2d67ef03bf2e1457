#pragma once
// The content of the list bar ("一覧表"): one tree control, placed as the
// bar places it, which nothing fills yet.
#include <QWidget>

class QTreeWidget;

namespace app {

class CSMainFrame;

class CBrowsBar : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kTreeId = 124;

  explicit CBrowsBar(QWidget* parent = nullptr);
  QTreeWidget* Tree() const { return tree_; }

 private:
  QTreeWidget* tree_;
};

// Puts the list bar's content into the main frame's list bar.
CBrowsBar* InstallListBar(CSMainFrame& frame);

}  // namespace app
