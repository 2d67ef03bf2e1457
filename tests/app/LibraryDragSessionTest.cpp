// Library materials dragged from the library bar of the real main window
// onto a page, as a person does it: the standard person onto the empty
// paper (the person layout question answered OK), a chair beside it, the
// sitting pose onto the person; each drop one undo step (the person and the
// chair give the page back byte for byte, the pose draws as before), and
// the page saved, closed and opened again draws the same. A double click on a person places it in the middle of the
// page. Screenshots of the window are left in test-images/ to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>
#include <string>

#include "../page/EditTestSupport.h"
#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/CAnimShowDialog.h"
#include "app/CLibBar.h"
#include "app/CPennetDoc.h"
#include "app/CSMainFrame.h"
#include "app/HintDialogs.h"
#include "page/FigureService.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/SFig3D.h"
#include "page/SObj.h"
#include "page/SView.h"
#include "platform/GlContext.h"
#include "platform/Image.h"
#include "support/ExternalTools.h"

namespace librarydragsessiontest {

using shelltest::ShellFixture;
using shelltest::DrawnPage;
using shelltest::SamePixels;

// Answers OK to the person layout question and the hints the program
// shows once while it lives, and counts the questions and the hints.
class LayoutQuestionAnswerer {
 public:
  LayoutQuestionAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<app::CHintDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      ++(qobject_cast<app::CHumanLayoutDialog*>(dialog) != nullptr ? asked : hints);
      dialog->accept();
    });
    timer_.start(5);
  }
  int asked = 0;
  int hints = 0;

 private:
  QTimer timer_;
};

class LibraryDragSession : public ::testing::Test {
 protected:
  LibraryDragSession() : started_(page::StartFigureService() == 0) {
    oldFolder_ = global.GetModuleFolder();
    global.SetInstallRecord(PENNET_BUILD_DIR, "sample");
    oldLayoutHook_ = page::SetHumanLayoutHook({});
    app::InstallHumanLayoutHook();  // as the program does at start-up
    shell = std::make_unique<ShellFixture>();
    savedStyle_ = global.prefs->mHumanAtm;
    global.prefs->mHumanAtm = 1;  // the second person style: the library shows 標準人物s
  }
  ~LibraryDragSession() override {
    global.prefs->mHumanAtm = savedStyle_;
    shell.reset();
    global.ClearCopyBuffer();
    page::StopFigureService();
    platform::GlContext::ReleaseCurrent();
    global.toolNumber = page::kToolSelectObjects;
    global.pendingLibRequest = 0;
    global.pendingLibApply = 0;
    page::SetHumanLayoutHook(oldLayoutHook_);
    global.SetInstallRecord(oldFolder_, "");
  }

  app::CPennetView* NewPage() {
    app::CSMainFrame& frame = shell->Frame();
    frame.resize(1200, 900);
    frame.show();
    frame.CommandAction(app::ID_FILE_NEW)->trigger();
    auto* view = dynamic_cast<app::CPennetView*>(frame.GetActiveView());
    if (view != nullptr) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(view));
    }
    return view;
  }
  page::SDoc& Doc() { return shell->pennet->GetActiveDocument()->GetSDoc(); }
  // Each session: a new empty page, its view in `view_`.
  ::testing::AssertionResult OpenEmptyPage() {
    if (!started_) return ::testing::AssertionFailure() << "the figure service did not start";
    view_ = NewPage();
    if (view_ == nullptr) return ::testing::AssertionFailure() << "no page view";
    return ::testing::AssertionSuccess();
  }
  // A new page with the person dropped in the middle of its window;
  // `onPerson_` gets the window point of the person's centre.
  ::testing::AssertionResult OpenPageWithPerson() {
    if (::testing::AssertionResult opened = OpenEmptyPage(); !opened) return opened;
    Drag(*view_, Item("Human/基本人物", 1, QStringLiteral("標準人物s")), QPoint(view_->width() / 2, view_->height() / 2));
    if (Doc().GetObjectCount() != 1) return ::testing::AssertionFailure() << "the person was not placed";
    onPerson_ = OnScreen(*view_, Doc().GetObject(0)->placement.x, Doc().GetObject(0)->placement.y);
    return ::testing::AssertionSuccess();
  }
  app::CLibBar& Bar() { return *shell->Frame().findChild<app::CLibBar*>(); }

  // The item with this title in the list of a library folder (the bar's
  // page that holds the folder).
  QListWidgetItem* Item(const std::string& folder, int page, const QString& title) {
    Bar().OpenPath(global.GetDataFolder() + "/" + folder, false);
    app::CLibList* list = Bar().List(page);
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text() == title) return list->item(i);
    ADD_FAILURE() << title.toStdString() << " is not in " << folder;
    return nullptr;
  }
  // Drags the item from its list and drops it at the window point.
  void Drag(app::CPennetView& view, QListWidgetItem* item, QPoint at) {
    ASSERT_NE(item, nullptr);
    std::unique_ptr<QMimeData> data(static_cast<app::CLibList*>(item->listWidget())->mimeData({item}));
    const QPoint from = at - QPoint(40, 30);
    QDragEnterEvent enter(from, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &enter);
    ASSERT_TRUE(enter.isAccepted());
    for (int step = 1; step <= 4; ++step) {
      QDragMoveEvent move(from + (at - from) * step / 4, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&view, &move);
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &drop);
    QApplication::processEvents();
  }
  void Command(int id) { shell->Frame().CommandAction(id)->trigger(); }
  // One undo gives `before` back; the redo after it gives `after` back.
  void ExpectOneUndoStep(const std::string& before, const std::string& after, const char* what) {
    Command(app::ID_EDIT_UNDO);
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(Doc()), before)) << what << ": undo";
    Command(app::ID_EDIT_REDO);
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(Doc()), after)) << what << ": redo";
  }
  QPoint OnScreen(app::CPennetView& view, double x, double y) {
    const platform::POINT p = view.GetPageRenderer()->PageToScreen({x, y});
    return {p.x, p.y};
  }
  void Screenshot(const std::string& name) { EXPECT_TRUE(shelltest::SaveScreenshot(shell->Frame(), name)); }

  page::PnGlobal& global = page::PnGlobal::Get();
  bool started_;
  std::unique_ptr<ShellFixture> shell;
  // Made after the shell, so that it answers the session's questions.
  LayoutQuestionAnswerer answerer;
  app::CPennetView* view_ = nullptr;
  QPoint onPerson_;

 private:
  std::string oldFolder_;
  page::HumanLayoutHook oldLayoutHook_;
  int savedStyle_ = 0;
};

TEST_F(LibraryDragSession, APersonAChairAndASittingPoseDraggedOntoAPageUndoAndReopen) {
  ASSERT_TRUE(OpenEmptyPage());
  page::SDoc& doc = Doc();
  const std::string empty = pagetest::PageBytes(doc);
  const QPoint middle(view_->width() / 2, view_->height() / 2);

  // The person onto the empty paper.
  Drag(*view_, Item("Human/基本人物", 1, QStringLiteral("標準人物s")), middle - QPoint(80, 0));
  EXPECT_EQ(answerer.asked, 1) << "a person alone on the paper is asked about";
  ASSERT_EQ(doc.GetObjectCount(), 1) << (shell->ui.messages.empty() ? "" : shell->ui.messages.front());
  page::SObj& person = *doc.GetObject(0);
  ASSERT_NE(person.fig, nullptr);
  ASSERT_EQ(person.fig->GetTypeId(), page::kFig3D);
  const page::SPoint personAt(person.placement.x, person.placement.y);
  const std::string withPerson = pagetest::PageBytes(doc);
  const platform::Image personDrawn = DrawnPage(doc);
  Screenshot("library-drag-1-person");
  ExpectOneUndoStep(empty, withPerson, "the person");

  // A chair beside it.
  Drag(*view_, Item("Object/小物", 0, QStringLiteral("椅子")), middle + QPoint(150, 40));
  ASSERT_EQ(doc.GetObjectCount(), 2) << (shell->ui.messages.empty() ? "" : shell->ui.messages.front());
  EXPECT_EQ(answerer.asked, 1) << "a prop is not asked about";
  const std::string withChair = pagetest::PageBytes(doc);
  const platform::Image chairDrawn = DrawnPage(doc);
  EXPECT_FALSE(SamePixels(chairDrawn, personDrawn)) << "the chair shows";
  Screenshot("library-drag-2-chair");
  ExpectOneUndoStep(withPerson, withChair, "the chair");

  // The sitting pose onto the person.
  const QPoint onPerson = OnScreen(*view_, personAt.x, personAt.y);
  Drag(*view_, Item("Pose/基本ポーズ", 2, QStringLiteral("座る")), onPerson);
  EXPECT_EQ(doc.GetObjectCount(), 2) << "a pose places nothing";
  const std::string sitting = pagetest::PageBytes(doc);
  EXPECT_NE(sitting, withChair) << "the pose applied";
  const platform::Image sittingDrawn = DrawnPage(doc);
  EXPECT_FALSE(SamePixels(sittingDrawn, chairDrawn)) << "the person sits";
  Screenshot("library-drag-3-sitting");
  Command(app::ID_EDIT_UNDO);
  EXPECT_TRUE(SamePixels(DrawnPage(doc), chairDrawn)) << "the undone pose draws as before";
  Command(app::ID_EDIT_REDO);
  // Once more (its bytes: the next test).
  Command(app::ID_EDIT_UNDO);
  EXPECT_TRUE(SamePixels(DrawnPage(doc), chairDrawn)) << "the undone pose draws as before";
  Command(app::ID_EDIT_REDO);
  EXPECT_TRUE(SamePixels(DrawnPage(doc), sittingDrawn)) << "the redone pose draws as after";

  // Saved, closed, opened again: the same picture.
  const std::string path = shell->dir / "sitting.z4g";
  shell->ui.dialogPaths.push_back(path);
  Command(app::ID_FILE_SAVE);
  Command(app::ID_FILE_CLOSE);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(shell->pennet->GetDocuments().empty());
  ASSERT_NE(shell->pennet->OpenDocumentFile(path), nullptr);
  EXPECT_TRUE(SamePixels(DrawnPage(Doc()), sittingDrawn)) << "the reopened page draws as saved";
  Screenshot("library-drag-4-reopened");
  EXPECT_TRUE(shell->ui.messages.empty()) << shell->ui.messages.front();
}

// A pose dropped onto a person that had no animation: the drop gives the
// person one, and one undo takes it away again with the joints exactly as
// they stood.
TEST_F(LibraryDragSession, UndoingADroppedPoseGivesThePageBytesBack) {
  ASSERT_TRUE(OpenPageWithPerson());
  page::SDoc& doc = Doc();
  const std::string standing = pagetest::PageBytes(doc);
  Drag(*view_, Item("Pose/基本ポーズ", 2, QStringLiteral("座る")), onPerson_);
  const std::string sitting = pagetest::PageBytes(doc);
  ASSERT_NE(sitting, standing);
  ExpectOneUndoStep(standing, sitting, "the pose");
}

// A walk dropped onto a person, then the page's animated GIF command: the
// frames play in the preview, which saves them as a GIF of as many frames.
TEST_F(LibraryDragSession, AWalkDroppedOnAPersonIsPreviewedAndSavedAsAnAnimatedGif) {
  REQUIRE_TOOL("identify");
  ASSERT_TRUE(OpenPageWithPerson());
  page::SDoc& doc = Doc();
  Drag(*view_, Item("Pose/動き", 2, QStringLiteral("歩く動き")), onPerson_);
  const int frames = doc.GetAnimFrameCount();
  ASSERT_GE(frames, 4) << "the walk has frames";

  const std::string gif = shell->dir / "walk.gif";
  int shownFrames = 0, perSecond = 0;
  bool previewed = false;
  shelltest::WhenModal([&](QWidget* modal) {
    auto* preview = qobject_cast<app::CAnimShowDialog*>(modal);
    if (preview == nullptr) return;
    previewed = true;
    shownFrames = preview->FrameCount();
    perSecond = preview->FramesPerSecond();
    preview->OnNext();
    preview->OnNext();
    EXPECT_TRUE(shelltest::SaveScreenshot(*preview, "library-walk-preview"));
    shell->ui.dialogPaths.push_back(gif);
    QTest::mouseClick(preview->Item<QPushButton>(app::CAnimShowDialog::kIdSave), Qt::LeftButton);
    QTest::mouseClick(preview->Item<QPushButton>(app::CAnimShowDialog::kIdClose), Qt::LeftButton);
  });
  Command(app::ID_ANIMATED_GIF);
  ASSERT_TRUE(previewed);
  EXPECT_EQ(shownFrames, frames);
  EXPECT_EQ(perSecond, 8);
  const auto delays = testsupport::RunTool("identify -format '%T ' " + testsupport::Quoted(gif)).out;
  std::string expected;
  for (int i = 0; i < frames; ++i) expected += "12 ";
  EXPECT_EQ(delays, expected);
  EXPECT_TRUE(shell->ui.messages.empty()) << shell->ui.messages.front();
}

TEST_F(LibraryDragSession, ADoubleClickedPersonIsPlacedInTheMiddleOfThePage) {
  ASSERT_TRUE(OpenEmptyPage());
  page::SDoc& doc = Doc();
  QListWidgetItem* person = Item("Human/基本人物", 1, QStringLiteral("標準人物s"));
  ASSERT_NE(person, nullptr);
  emit person->listWidget()->itemDoubleClicked(person);
  ASSERT_TRUE(shelltest::WaitUntil([&doc] { return doc.GetObjectCount() == 1; }))
      << (shell->ui.messages.empty() ? "" : shell->ui.messages.front());
  const page::SObj& placed = *doc.GetObject(0);
  EXPECT_EQ(placed.fig->GetTypeId(), page::kFig3D);
  EXPECT_NEAR(placed.placement.x, doc.GetPageWidth() / 2.0, 1.0);
  EXPECT_NEAR(placed.placement.y, doc.GetPageHeight() / 2.0, 1.0);
  Screenshot("library-double-click-person");
}

}  // namespace librarydragsessiontest
