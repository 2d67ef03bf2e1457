// The page view's menu commands run through the main frame's actions on a
// page opened from a file: editing, undo, the clipboard, zoom, saving and
// reopening; dropped files; the states of the menu items; the dialogs'
// values in and out; the image a launcher receives.
#include <gtest/gtest.h>

#include <QAction>
#include <algorithm>
#include <numbers>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <cmath>
#include <functional>
#include <tuple>

#include "app/AppCommands.h"
#include "app/CPennetDoc.h"
#include "app/CPennetView.h"
#include "app/CSChildFrame.h"
#include "app/CSMainFrame.h"
#include "app/LaunchBlock.h"
#include "app/SettingsDialogs.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "ShellTestSupport.h"

namespace {

using shelltest::ShellFixture;

// What the page holds, without the selection: ids, containers, flags and
// places, in list order.
using ObjectSummary = std::vector<std::tuple<int, int, unsigned, int, int>>;

ObjectSummary Summarise(const page::SDoc& doc) {
  ObjectSummary out;
  for (const auto& object : doc.Objects())
    out.emplace_back(object->id, object->parentId, object->flags & ~page::kObjSelected,
                     static_cast<int>(std::lround(object->placement.x)), static_cast<int>(std::lround(object->placement.y)));
  return out;
}

// Answers the settings dialogs by function.
class ScriptedDialogs : public app::ViewDialogs {
 public:
  using ViewDialogs::Run;
  int Run(app::CObjMoveDialog& dialog) override { return objMove ? objMove(dialog) : QDialog::Rejected; }
  int Run(app::CSelectionMag& dialog) override { return selectionMag ? selectionMag(dialog) : QDialog::Rejected; }
  std::function<int(app::CObjMoveDialog&)> objMove;
  std::function<int(app::CSelectionMag&)> selectionMag;
};

class PageViewCommands : public ::testing::Test {
 protected:
  PageViewCommands() {
    shell.pennet->SetViewFactory([](app::CPennetDoc& doc) { return new app::CPennetView(doc); });
    shell.Frame().resize(900, 700);
    shell.Frame().show();
  }
  app::CSMainFrame& Frame() { return shell.Frame(); }
  app::CPennetView& ActiveView() { return *static_cast<app::CPennetView*>(Frame().GetActiveView()); }
  QAction& Action(int id) {
    Frame().UpdateCommandUI();
    return *Frame().CommandAction(id);
  }
  bool Enabled(int id) { return Action(id).isEnabled(); }
  // Runs the command as the menu does: only when its item is enabled.
  void Run(int id) {
    QAction& action = Action(id);
    ASSERT_TRUE(action.isEnabled()) << "command " << id;
    action.trigger();
  }
  app::CPennetDoc& OpenPage(int rectangles) {
    const std::string path = shelltest::MakePageFile(shell.dir / "page.z4g", rectangles);
    app::CPennetDoc* doc = shell.pennet->OpenDocumentFile(path);
    if (doc == nullptr) throw std::runtime_error("the page did not open");
    QApplication::processEvents();
    return *doc;
  }

  ShellFixture shell;
};

TEST_F(PageViewCommands, MenuCommandsEditThePageAndTheResultSurvivesSaving) {
  app::CPennetDoc& doc = OpenPage(3);
  page::SDoc& page = doc.GetSDoc();
  EXPECT_FALSE(Enabled(app::ID_SELECT_NONE));
  EXPECT_FALSE(Enabled(app::ID_GROUP));
  EXPECT_FALSE(Enabled(app::ID_EDIT_UNDO));

  Run(app::ID_SELECT_ALL);
  EXPECT_EQ(page.GetSelectedId(false), page.GetObject(0)->id);
  Run(app::ID_GROUP);
  ASSERT_EQ(page.GetObjectCount(), 4);
  EXPECT_TRUE(Enabled(app::ID_UNGROUP));
  Run(app::ID_EDIT_UNDO);
  EXPECT_EQ(page.GetObjectCount(), 3);
  Run(app::ID_EDIT_REDO);
  EXPECT_EQ(page.GetObjectCount(), 4);
  Run(app::ID_UNGROUP);
  EXPECT_EQ(page.GetObjectCount(), 3);

  // The first rectangle to the front, then a copy of it pasted and deleted.
  Run(app::ID_SELECT_NONE);
  page.SelectOnly(page.GetObject(0));
  const int first = page.GetObject(0)->id;
  Run(app::ID_TO_FRONT);
  EXPECT_EQ(page.GetObject(2)->id, first);
  Run(app::ID_EDIT_COPY);
  Run(app::ID_EDIT_PASTE);
  ASSERT_EQ(page.GetObjectCount(), 4);
  EXPECT_GT(page.GetObject(3)->id, first);
  Run(app::ID_EDIT_DELETE);
  EXPECT_EQ(page.GetObjectCount(), 3);
  page.SelectOnly(page.GetObject(2));
  Run(app::ID_HIDE);
  EXPECT_TRUE(page.GetObject(2)->flags & page::kObjHidden);

  Run(app::ID_ZOOM_IN);
  EXPECT_EQ(ActiveView().GetZoom(), 150);
  EXPECT_TRUE(Action(app::ID_ZOOM_150).isChecked());
  EXPECT_FALSE(Action(app::ID_ZOOM_100).isChecked());
  Run(app::ID_ZOOM_400);
  EXPECT_FALSE(Enabled(app::ID_ZOOM_IN));
  EXPECT_EQ(ActiveView().GetScrollTotal(), (platform::SIZE{page.GetPageWidth() * 4 + 16, page.GetPageHeight() * 4 + 16}));

  const ObjectSummary before = Summarise(page);
  EXPECT_TRUE(doc.IsModified());
  Run(app::ID_FILE_SAVE);
  EXPECT_FALSE(doc.IsModified());
  const std::string path = doc.GetPathName();
  shell.pennet->CloseDocument(doc);
  app::CPennetDoc* reopened = shell.pennet->OpenDocumentFile(path);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(Summarise(reopened->GetSDoc()), before);
  EXPECT_TRUE(shell.ui.messages.empty());
}

TEST_F(PageViewCommands, ItemStatesFollowThePage) {
  app::CPennetDoc& doc = OpenPage(2);
  page::SDoc& page = doc.GetSDoc();
  page.SelectOnly(page.GetObject(0));
  Frame().UpdateCommandUI();
  EXPECT_TRUE(Enabled(app::ID_SELECT_NONE));
  EXPECT_FALSE(Enabled(app::ID_GROUP));
  EXPECT_FALSE(Enabled(app::ID_ALIGN_LEFT));
  EXPECT_FALSE(Enabled(app::ID_COMPOSE_PICTURE));
  Run(app::ID_SELECT_ALL);
  EXPECT_TRUE(Enabled(app::ID_GROUP));
  EXPECT_TRUE(Enabled(app::ID_ALIGN_LEFT));
  EXPECT_TRUE(Enabled(app::ID_COMPOSE_PICTURE));
  EXPECT_FALSE(Action(app::ID_GRID_SHOW).isChecked());
  Run(app::ID_GRID_SHOW);
  EXPECT_TRUE(page.grid.showGrid);
  EXPECT_TRUE(Action(app::ID_GRID_SHOW).isChecked());
  // Select all joined the grid's step: one undo takes both back.
  Run(app::ID_EDIT_UNDO);
  EXPECT_FALSE(page.grid.showGrid);
  EXPECT_EQ(page.GetSelectedId(true), page.GetObject(0)->id);
  EXPECT_FALSE(Action(app::ID_GRID_SHOW).isChecked());
  // The copy format is one of four, ticked.
  Run(app::ID_COPY_FORMAT_PNG);
  EXPECT_TRUE(Action(app::ID_COPY_FORMAT_PNG).isChecked());
  EXPECT_FALSE(Action(app::ID_COPY_FORMAT_AUTO).isChecked());
  Run(app::ID_COPY_FORMAT_AUTO);
  // Without a page nothing of the page can run.
  shell.pennet->CloseDocument(doc);
  EXPECT_FALSE(Enabled(app::ID_SELECT_ALL));
  EXPECT_FALSE(Enabled(app::ID_ZOOM_IN));
}

TEST_F(PageViewCommands, AligningTheLeftEdgesHasAShortcutOfItsOwn) {
  OpenPage(1);
  const QKeySequence frames = Action(app::ID_SELECT_FRAMES_OF_SELECTION).shortcut();
  const QKeySequence left = Action(app::ID_ALIGN_LEFT).shortcut();
  EXPECT_EQ(frames, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  EXPECT_EQ(left, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
  std::vector<QKeySequence> keys;
  for (QAction* action : Frame().actions()) {
    if (!action->shortcut().isEmpty()) keys.push_back(action->shortcut());
  }
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
}

// Keys typed on a maximised page reach their commands: no other window of
// the frame (the page window's own menu among them) claims a key of the
// menus, which would leave Qt running neither.
TEST_F(PageViewCommands, ShortcutsTypedOnAMaximisedPageRunTheirCommands) {
  app::CPennetDoc& doc = OpenPage(2);
  page::SDoc& page = doc.GetSDoc();
  app::CSChildFrame* child = Frame().GetActiveChildFrame();
  child->showMaximized();
  Frame().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
  ActiveView().setFocus();

  std::vector<std::pair<QKeySequence, QString>> keys;
  for (const QAction* action : Frame().findChildren<QAction*>()) {
    for (const QKeySequence& key : action->shortcuts()) keys.emplace_back(key, action->text());
  }
  std::sort(keys.begin(), keys.end());
  for (std::size_t i = 1; i < keys.size(); ++i) {
    EXPECT_NE(keys[i - 1].first, keys[i].first)
        << keys[i].first.toString().toStdString() << ": " << keys[i - 1].second.toStdString() << " and "
        << keys[i].second.toStdString();
  }

  const auto selected = [&](int index) { return (page.GetObject(index)->flags & page::kObjSelected) != 0; };
  QTest::keyClick(&ActiveView(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(selected(0) && selected(1)) << "Ctrl+A selects all";
  QTest::keyClick(&ActiveView(), Qt::Key_Delete);
  EXPECT_EQ(page.GetObjectCount(), 0);
  QTest::keyClick(&ActiveView(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(page.GetObjectCount(), 2);
  QTest::keyClick(&ActiveView(), Qt::Key_A, Qt::ControlModifier);
  ASSERT_NE(std::lround(page.GetObject(0)->placement.x), std::lround(page.GetObject(1)->placement.x));
  QTest::keyClick(&ActiveView(), Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(std::lround(page.GetObject(0)->placement.x), std::lround(page.GetObject(1)->placement.x))
      << "the left edges line up";
  // Closing asks about the changes; No closes the page without saving.
  shell.ui.answers.push_back(platform::kIdNo);
  QTest::keyClick(&ActiveView(), Qt::Key_W, Qt::ControlModifier);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(shell.pennet->GetDocuments().empty());
  EXPECT_EQ(shell.ui.messages.size(), 1u);
}

// Dropped files go in whole, whatever the length of their path and the
// case of their extension; a kind that cannot go in is reported.
TEST_F(PageViewCommands, DroppedFilesAreInsertedByTheirKind) {
  app::CPennetDoc& doc = OpenPage(1);
  const std::string deep = shell.dir / (std::string(120, 'd') + "/" + std::string(150, 'e'));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
  const std::string photo = deep + "/photo.JPEG";
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(QString::fromStdString(photo), "JPEG"));
  ASSERT_GT(photo.size(), 260u);
  const std::string other = shell.dir / "letter.doc";
  testsupport::WriteText(other, "text");

  app::CSChildFrame* child = Frame().GetActiveChildFrame();
  Frame().OnDropFiles({QString::fromStdString(photo), QString::fromStdString(other)},
                      child->mapToGlobal(child->rect().center()));
  ASSERT_EQ(doc.GetSDoc().GetObjectCount(), 2);
  EXPECT_EQ(std::lround(doc.GetSDoc().GetObject(1)->placement.width), 40);
  ASSERT_EQ(shell.ui.messages.size(), 1u);
  EXPECT_NE(shell.ui.messages[0].find("-36"), std::string::npos);
  // The view's own answer: 1 for an inserted file, the code of a refused one.
  EXPECT_EQ(ActiveView().InsertFile(photo), 1);
  EXPECT_EQ(ActiveView().InsertFile(other), page::kResultUnsupportedType);
  EXPECT_EQ(doc.GetSDoc().GetObjectCount(), 3);
}

TEST_F(PageViewCommands, SizeAndPositionEditsOneObjectOrScalesSeveralAboutTheirCentre) {
  app::CPennetDoc& doc = OpenPage(2);
  page::SDoc& page = doc.GetSDoc();
  auto dialogs = std::make_unique<ScriptedDialogs>();
  ScriptedDialogs& answers = *dialogs;
  ActiveView().SetDialogs(std::move(dialogs));

  page.SelectOnly(page.GetObject(0));
  answers.objMove = [](app::CObjMoveDialog& dialog) {
    EXPECT_EQ(std::tie(dialog.width, dialog.height, dialog.centreX, dialog.centreY, dialog.angle),
              std::make_tuple(80, 40, 100, 120, 0));
    dialog.width = 90, dialog.centreX = 110, dialog.angle = 90;
    return QDialog::Accepted;
  };
  Run(app::ID_SIZE_AND_POSITION);
  const page::PropSCVal& one = page.GetObject(0)->placement;
  EXPECT_DOUBLE_EQ(one.width, 90);
  EXPECT_DOUBLE_EQ(one.x, 110);
  EXPECT_NEAR(one.angle, std::numbers::pi / 2, 1e-9);

  // Centres 110 and 150 at y 120: the middle is 130.
  page.SelectAll(true);
  answers.selectionMag = [](app::CSelectionMag& dialog) {
    dialog.factor = 2;
    return QDialog::Accepted;
  };
  Run(app::ID_SIZE_AND_POSITION);
  EXPECT_NEAR(page.GetObject(0)->placement.x, 90, 1e-6);
  EXPECT_NEAR(page.GetObject(1)->placement.x, 170, 1e-6);
  EXPECT_NEAR(page.GetObject(1)->placement.width, 160, 1e-6);
  Run(app::ID_EDIT_UNDO);
  EXPECT_NEAR(page.GetObject(1)->placement.x, 150, 1e-6);
}

TEST_F(PageViewCommands, AnAnimatedGifOfAStillPageIsRefused) {
  OpenPage(1);
  Run(app::ID_ANIMATED_GIF);
  ASSERT_EQ(shell.ui.messages.size(), 1u);
  EXPECT_NE(shell.ui.messages[0].find("-22"), std::string::npos);
  EXPECT_EQ(shell.ui.dialogsShown, 0);
}

// The launcher gets the page at most 4000 pixels long, at 144 dpi.
TEST_F(PageViewCommands, TheLauncherImageIsAtMost4000PixelsAt144Dpi) {
  const QString socket = QString::fromStdString(shell.dir / "launcher.sock");
  shelltest::LauncherDouble launcher(socket);
  const std::string out = shell.dir / "out.png";
  app::SetPendingLaunch(app::LaunchBlock{socket.toStdString(), "L", "T", out});
  app::CPennetDoc* doc = shell.pennet->OnFileNew();
  doc->GetSDoc().SetPageSize(5000, 2500);
  EXPECT_EQ(ActiveView().ExportForLauncher(), 0);
  const QImage exported(QString::fromStdString(out));
  EXPECT_EQ(exported.size(), QSize(4000, 2000));
  EXPECT_NEAR(exported.dotsPerMeterX() * 0.0254, 144, 0.5);
  EXPECT_TRUE(doc->IsModified());
  doc->SetModifiedFlag(false);
}

}  // namespace
