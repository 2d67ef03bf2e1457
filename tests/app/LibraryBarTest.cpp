// The library bar over the sample library the build makes: its trees and
// thumbnail lists (pictures of the person and pose pages left in the
// test's folder for looking at), a double click turned into the page's request, and a
// drag of a speech balloon dropped onto a page view, which places it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <memory>

#include "app/CLibBar.h"
#include "app/CPennetDoc.h"
#include "app/CPennetView.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/WebMaterialStore.h"
#include "platform/Paths.h"

namespace {

QStringList Texts(const QTreeWidget& tree) {
  QStringList texts;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) texts << tree.topLevelItem(i)->text(0);
  return texts;
}

class LibraryBar : public ::testing::Test {
 protected:
  LibraryBar() {
    oldFolder_ = global.GetModuleFolder();
    global.SetInstallRecord(PENNET_BUILD_DIR, "sample");
    bar = std::make_unique<app::CLibBar>(store);
    view.resize(500, 500);
    view.OnInitialUpdate();
  }
  ~LibraryBar() override {
    global.activeView = nullptr;
    global.pendingLibRequest = 0;
    global.pendingLibApply = 0;
    global.SetInstallRecord(oldFolder_, "");
  }
  // Shows the balloons of page 0 and answers their list.
  app::CLibList* ShowBalloons() {
    QTreeWidget* tree = bar->Tree(0);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
      if (tree->topLevelItem(i)->text(0) == QStringLiteral("吹き出し")) tree->setCurrentItem(tree->topLevelItem(i));
    return bar->List(0);
  }

  page::PnGlobal& global = page::PnGlobal::Get();
  page::WebMaterialStore store;
  std::unique_ptr<app::CLibBar> bar;
  app::CPennetDoc doc;
  app::CPennetView view{doc};

 private:
  std::string oldFolder_;
};

TEST_F(LibraryBar, ShowsTheSampleLibraryWithThumbnails) {
  EXPECT_EQ(Texts(*bar->Tree(0)), (QStringList{"イラスト", "コマ割り", "吹き出し", "小物", "情景"}));
  app::CLibList* list = ShowBalloons();
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("丸い吹き出し"));
  const QPixmap icon = list->item(0)->icon().pixmap(70, 70);
  EXPECT_EQ(icon.size(), QSize(70, 70));
  // The page remembers the folder for the next start.
  EXPECT_EQ(global.prefs->mLastPath[0], global.GetDataFolder() + "/Object/吹き出し");
}

TEST_F(LibraryBar, ThePersonAndPosePagesShowTheStandardFigureInTheChosenStyleAndItsPoses) {
  const int savedStyle = global.prefs->mHumanAtm;
  global.prefs->mHumanAtm = 0;
  bar->resize(260, 600);
  bar->OpenPath(global.GetDataFolder() + "/Human/基本人物", false);
  ASSERT_EQ(bar->List(1)->count(), 1);
  EXPECT_EQ(bar->List(1)->item(0)->text(), QStringLiteral("標準人物r"));
  bar->grab().save(QStringLiteral("library_bar_persons.png"));
  bar->OpenPath(global.GetDataFolder() + "/Pose/基本ポーズ", false);
  ASSERT_EQ(bar->List(2)->count(), 4);
  bar->grab().save(QStringLiteral("library_bar_poses.png"));
  global.prefs->mHumanAtm = savedStyle;
}

TEST_F(LibraryBar, ADoubleClickAsksTheActivePageToOpenTheItem) {
  app::CLibList* list = ShowBalloons();
  ASSERT_GT(list->count(), 0);
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(global.pendingLibRequest, 0);  // no page to open it in
  global.activeView = &view;
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(global.pendingLibRequest, page::PnGlobal::kLibInsert);
  EXPECT_EQ(global.pendingLibApply, 1);
  EXPECT_EQ(platform::FileNameOf(global.pendingLibPath), "丸い吹き出し.z4g");
}

TEST_F(LibraryBar, ADraggedBalloonIsPlacedWhereItDrops) {
  app::CLibList* list = ShowBalloons();
  ASSERT_GT(list->count(), 0);
  std::unique_ptr<QMimeData> data(list->mimeData({list->item(0)}));
  ASSERT_TRUE(data->hasFormat(app::kLibraryItemMime));
  const int before = doc.GetSDoc().GetObjectCount();
  const QPoint at(250, 250);
  QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent move(at + QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &move);
  QDropEvent drop(QPointF(at + QPoint(5, 5)), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &drop);
  EXPECT_EQ(doc.GetSDoc().GetObjectCount(), before + 3);  // tail, balloon, text
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(false);
  // A drag that leaves the page places nothing.
  QDragEnterEvent again(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &again);
  QDragLeaveEvent leave;
  QCoreApplication::sendEvent(&view, &leave);
  EXPECT_EQ(doc.GetSDoc().GetObjectCount(), before + 3);
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(global.toolNumber, 0);
  // Other drags (files) are not the page's.
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/x.png")});
  QDragEnterEvent file(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&view, &file);
  EXPECT_FALSE(file.isAccepted());
}

}  // namespace
