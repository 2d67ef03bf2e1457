#include "app/CBrowsBar.h"

#include <QTreeWidget>

#include "app/CSMainFrame.h"

namespace app {

CBrowsBar::CBrowsBar(QWidget* parent) : QWidget(parent), tree_(new QTreeWidget(this)) {
  tree_->setObjectName(QString::number(kTreeId));
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(true);
  // The bar's tree keeps the place and size it is created with.
  tree_->setGeometry(10, 100, 190, 250);
  tree_->show();
}

CBrowsBar* InstallListBar(CSMainFrame& frame) {
  auto* bar = new CBrowsBar(&frame);
  frame.SetBarWidget(CSMainFrame::kListBar, bar);
  return bar;
}

}  // namespace app
