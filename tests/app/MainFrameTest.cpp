// The main frame: its bars and their saved layout, files dropped on it, and
// closing it while pages opened for a launcher are open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CPennetDoc.h"
#include "app/CSChildFrame.h"
#include "app/CBrowsBar.h"
#include "app/CSMainFrame.h"
#include "app/CSizingControlBar.h"
#include "app/LaunchBlock.h"
#include "app/PagePrinter.h"

namespace {

using app::CSMainFrame;
using shelltest::ShellFixture;

TEST(CSMainFrame, ShowsAnEmptyWindowTitledPennet) {
  ShellFixture shell;
  CSMainFrame& frame = shell.Frame();
  frame.show();
  QApplication::processEvents();
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Pennet"));
  EXPECT_TRUE(frame.isVisible());
  // The status bar says it is ready again once a passing message is gone.
  const auto* idle = frame.statusBar()->findChild<QLabel*>(QStringLiteral("IdleMessage"));
  ASSERT_NE(idle, nullptr);
  frame.statusBar()->showMessage(QStringLiteral("tip"));
  EXPECT_FALSE(idle->isVisible());
  frame.statusBar()->clearMessage();
  EXPECT_TRUE(idle->isVisible());
  EXPECT_EQ(idle->text(), QStringLiteral("レディ"));
  frame.close();
  QApplication::processEvents();
  EXPECT_FALSE(frame.isVisible());
}

struct BarPlace {
  CSMainFrame::BarId id;
  Qt::DockWidgetArea area;
  bool shown;
};

void ExpectLayout(CSMainFrame& frame, std::initializer_list<BarPlace> places) {
  for (const BarPlace& place : places) {
    SCOPED_TRACE(place.id);
    QDockWidget* bar = frame.GetBar(place.id);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(frame.dockWidgetArea(bar), place.area);
    EXPECT_EQ(!bar->isHidden(), place.shown);
  }
}

const std::initializer_list<BarPlace> kDefaultLayout = {
    {CSMainFrame::kToolPalette, Qt::TopDockWidgetArea, true},
    {CSMainFrame::kLibraryBar, Qt::LeftDockWidgetArea, true},
    {CSMainFrame::kAtmosphereBar, Qt::RightDockWidgetArea, true},
    {CSMainFrame::k3DFigureBar, Qt::RightDockWidgetArea, true},
    {CSMainFrame::k2DShapeBar, Qt::RightDockWidgetArea, false},
    {CSMainFrame::kLightBar, Qt::RightDockWidgetArea, false},
    {CSMainFrame::kListBar, Qt::RightDockWidgetArea, false},
};

// Moves the library bar to the right and swaps which bars show, then
// closes the window (which saves the layout).
void RearrangeAndClose(ShellFixture& shell) {
  CSMainFrame& frame = shell.Frame();
  frame.show();
  frame.addDockWidget(Qt::RightDockWidgetArea, frame.GetBar(CSMainFrame::kLibraryBar));
  frame.CommandAction(app::ID_VIEW_LIGHT_BAR)->trigger();
  frame.CommandAction(app::ID_VIEW_3D_BAR)->trigger();
  QApplication::processEvents();
  ASSERT_TRUE(frame.SaveStateAndClose());
}

TEST(CSMainFrame, FirstStartShowsTheDefaultLayout) {
  ShellFixture shell;
  shell.Frame().show();
  ExpectLayout(shell.Frame(), kDefaultLayout);
  // The View menu ticks the bars that show.
  EXPECT_TRUE(shell.Frame().CommandAction(app::ID_VIEW_LIBRARY_BAR)->isChecked());
  EXPECT_FALSE(shell.Frame().CommandAction(app::ID_VIEW_2D_BAR)->isChecked());
}

TEST(CSMainFrame, TheListBarShowsItsEmptyTreeWhenToggledOn) {
  ShellFixture shell;
  CSMainFrame& frame = shell.Frame();
  frame.show();
  auto* content = qobject_cast<app::CBrowsBar*>(frame.GetBar(CSMainFrame::kListBar)->widget());
  ASSERT_NE(content, nullptr);
  frame.CommandAction(app::ID_VIEW_LIST_BAR)->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(frame.GetBar(CSMainFrame::kListBar)->isHidden());
  EXPECT_TRUE(content->Tree()->isVisible());
  EXPECT_EQ(content->Tree()->topLevelItemCount(), 0);
  EXPECT_EQ(content->Tree()->geometry(), QRect(10, 100, 190, 250));
}

TEST(CSMainFrame, TheLayoutComesBackAfterARestart) {
  ShellFixture shell;
  RearrangeAndClose(shell);
  shell.Restart();
  ExpectLayout(shell.Frame(), {{CSMainFrame::kLibraryBar, Qt::RightDockWidgetArea, true},
                               {CSMainFrame::kLightBar, Qt::RightDockWidgetArea, true},
                               {CSMainFrame::k3DFigureBar, Qt::RightDockWidgetArea, false},
                               {CSMainFrame::kToolPalette, Qt::TopDockWidgetArea, true}});
}

// A layout saved with a bar this program does not have is not used.
TEST(CSMainFrame, ALayoutNamingAnUnknownBarFallsBackToTheDefault) {
  ShellFixture shell;
  RearrangeAndClose(shell);
  EXPECT_TRUE(shell.Frame().CheckSavedBarIds());
  const std::string ids = shell.settings->GetString(CSMainFrame::kBarStateProfile, "BarIds");
  shell.settings->SetString(CSMainFrame::kBarStateProfile, "BarIds", ids + " 777");
  shell.Restart();
  EXPECT_FALSE(shell.Frame().CheckSavedBarIds());
  ExpectLayout(shell.Frame(), kDefaultLayout);
}

TEST(CSizingControlBar, StoredSizesBelowTheMinimumLoadAsTheMinimum) {
  testsupport::TempDir dir;
  platform::Settings settings(dir / "sizes.ini");
  const std::string section = "BarState-SCBar-10003";
  settings.SetInt(section, "sizeVertCX", 10);
  settings.SetInt(section, "sizeVertCY", 500);
  settings.SetInt(section, "sizeFloatCX", -4);
  settings.SetString(section, "sizeHorzCY", "not a number");
  app::CSizingControlBarG bar(QStringLiteral("ライブラリ"), 10003);
  bar.LoadSizes(settings, "BarState");
  EXPECT_EQ(bar.GetVertSize(), QSize(33, 500));
  EXPECT_EQ(bar.GetFloatSize(), QSize(37, 208));  // missing values keep the defaults
  EXPECT_EQ(bar.GetHorzSize(), QSize(208, 208));

  bar.SaveSizes(settings, "BarState");  // not shown: the loaded sizes are kept
  EXPECT_EQ(settings.GetInt(section, "sizeVertCX", 0), 33);
  EXPECT_EQ(settings.GetInt(section, "sizeFloatCY", 0), 208);
}

TEST(CSizingControlBar, TheLibraryBarKeepsItsWidthAcrossRuns) {
  ShellFixture shell;
  shell.Frame().show();
  QDockWidget* library = shell.Frame().GetBar(CSMainFrame::kLibraryBar);
  shell.Frame().resizeDocks({library}, {321}, Qt::Horizontal);
  QApplication::processEvents();
  const int width = library->width();
  ASSERT_TRUE(shell.Frame().SaveStateAndClose());
  EXPECT_EQ(shell.settings->GetInt("BarState-SCBar-10003", "sizeVertCX", 0), width);
  shell.Restart();
  EXPECT_EQ(shell.Frame().GetLibraryBar()->GetVertSize().width(), width);
}

// The Help menu's manuals: the desktop's program opens them from "manual"
// beside the program; a missing file is named, and the message about a PDF
// reader shows only when nothing opens the PDF.
TEST(CSMainFrame, TheManualsOpenFromBesideTheProgram) {
  ShellFixture shell;
  std::vector<QUrl> opened;
  bool canOpen = true;
  const CSMainFrame::UrlOpener previous = CSMainFrame::SetUrlOpener([&](const QUrl& url) {
    opened.push_back(url);
    return canOpen;
  });
  const auto run = [&](int id) {
    shell.ui.messages.clear();
    opened.clear();
    shell.Frame().CommandAction(id)->trigger();
  };
  const std::string built = PENNET_BUILD_DIR;
  shell.pennet->SetProgramFolder(built);
  run(app::ID_BASIC_MANUAL);
  EXPECT_TRUE(shell.ui.messages.empty());
  EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(built + "/manual/PennetBasMan.pdf"))});
  run(app::ID_APPLIED_MANUAL);
  EXPECT_TRUE(shell.ui.messages.empty());
  EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(built + "/manual/index.html"))});

  canOpen = false;
  run(app::ID_BASIC_MANUAL);
  EXPECT_EQ(shell.ui.messages, std::vector<std::string>{app::LoadAppString(app::kStrNeedPdfReader)});
  run(app::ID_APPLIED_MANUAL);
  ASSERT_EQ(shell.ui.messages.size(), 1u);
  EXPECT_NE(shell.ui.messages[0].find(built + "/manual/index.html"), std::string::npos) << shell.ui.messages[0];

  // Away from the manuals: the missing file is named, nothing is opened.
  canOpen = true;
  shell.pennet->SetProgramFolder(shell.dir.Path());
  for (const auto& [id, file] : {std::pair{app::ID_BASIC_MANUAL, "PennetBasMan.pdf"}, std::pair{app::ID_APPLIED_MANUAL, "index.html"}}) {
    run(id);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(shell.ui.messages.size(), 1u) << file;
    EXPECT_NE(shell.ui.messages[0].find(shell.dir.Path() + "/manual/" + file), std::string::npos) << shell.ui.messages[0];
    EXPECT_NE(shell.ui.messages[0].find("ファイルを開けない"), std::string::npos) << shell.ui.messages[0];
  }
  CSMainFrame::SetUrlOpener(previous);
}

// Pages opened while the program starts come up maximised; later ones as
// the window area places them.
TEST(CSChildFrame, PagesOfTheStartUpComeUpMaximised) {
  ShellFixture shell;
  shell.Frame().show();
  app::gInStartup = true;
  shell.pennet->OnFileNew();
  app::gInStartup = false;
  EXPECT_TRUE(shell.Frame().GetActiveChildFrame()->isMaximized());
  shell.Frame().GetActiveChildFrame()->showNormal();
  shell.pennet->OnFileNew();
  EXPECT_FALSE(shell.Frame().GetActiveChildFrame()->isMaximized());
}

// The Window menu's entries after its own commands: text and tick.
std::vector<std::pair<QString, bool>> WindowList(CSMainFrame& frame) {
  QMenu* menu = frame.GetMenu(CSMainFrame::kWindowMenu);
  emit menu->aboutToShow();
  std::vector<std::pair<QString, bool>> out;
  for (QAction* action : menu->actions())
    if (!action->isSeparator() && action->data().toInt() >= app::ID_WINDOW_FIRST_PAGE)
      out.emplace_back(action->text(), action->isChecked());
  return out;
}

QString ActiveTitle(CSMainFrame& frame) {
  app::CSChildFrame* child = frame.GetActiveChildFrame();
  return child != nullptr ? child->GetDocument().GetTitle() : QString();
}

// The Window menu lists the open pages with a tick on the active one, and
// Ctrl+F6 / Ctrl+Shift+F6 go round them.
TEST(CSMainFrame, TheWindowMenuListsTheOpenPagesAndCtrlF6GoesRoundThem) {
  using List = std::vector<std::pair<QString, bool>>;
  ShellFixture shell;
  CSMainFrame& frame = shell.Frame();
  frame.show();
  EXPECT_EQ(WindowList(frame), List{});
  for (int i = 0; i < 3; ++i) shell.pennet->OnFileNew();
  QApplication::processEvents();
  EXPECT_EQ(WindowList(frame), (List{{"&1 Pennet1", false}, {"&2 Pennet2", false}, {"&3 Pennet3", true}}));

  // Choosing an entry brings its page up.
  QMenu* menu = frame.GetMenu(CSMainFrame::kWindowMenu);
  for (QAction* action : menu->actions())
    if (action->text() == QStringLiteral("&1 Pennet1")) action->trigger();
  EXPECT_EQ(ActiveTitle(frame), QStringLiteral("Pennet1"));
  EXPECT_EQ(WindowList(frame), (List{{"&1 Pennet1", true}, {"&2 Pennet2", false}, {"&3 Pennet3", false}}));

  // The keys, as typed.
  frame.activateWindow();
  ASSERT_TRUE(shelltest::WaitUntil([&] { return QApplication::activeWindow() == &frame; }));
  QTest::keyClick(frame.GetActiveChildFrame()->GetView(), Qt::Key_F6, Qt::ControlModifier);
  EXPECT_EQ(ActiveTitle(frame), QStringLiteral("Pennet2"));
  QTest::keyClick(frame.GetActiveChildFrame()->GetView(), Qt::Key_F6, Qt::ControlModifier);
  EXPECT_EQ(ActiveTitle(frame), QStringLiteral("Pennet3"));
  QTest::keyClick(frame.GetActiveChildFrame()->GetView(), Qt::Key_F6, Qt::ControlModifier);
  EXPECT_EQ(ActiveTitle(frame), QStringLiteral("Pennet1")) << "round to the first";
  QTest::keyClick(frame.GetActiveChildFrame()->GetView(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(ActiveTitle(frame), QStringLiteral("Pennet3"));

  // A closed page leaves the list.
  frame.GetActiveChildFrame()->close();
  QApplication::processEvents();
  const List after = WindowList(frame);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].first, QStringLiteral("&1 Pennet1"));
  EXPECT_EQ(after[1].first, QStringLiteral("&2 Pennet2"));
  EXPECT_EQ(after[0].second + after[1].second, 1) << "one of them is active";
}

// Drops a list of files on the frame at a point of its own.
void Drop(CSMainFrame& frame, const QStringList& paths, QPoint at) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  // Qt delivers a drop only to the widget that accepted the drag's entry.
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&frame, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&frame, &drop);
}

TEST(CSMainFrame, FilesDroppedOnThePageGoIntoItWholePathsAndAll) {
  ShellFixture shell;
  CSMainFrame& frame = shell.Frame();
  frame.show();
  app::CPennetDoc* doc = shell.pennet->OnFileNew();
  ASSERT_NE(doc, nullptr);
  app::CSChildFrame* child = frame.GetActiveChildFrame();
  QApplication::processEvents();
  const QString longPath = QString::fromStdString(shell.dir.Path()) + QLatin1Char('/') + QString(300, QLatin1Char('x')) +
                           QStringLiteral(".png");
  const QString shortPath = QString::fromStdString(shell.dir / "a.png");
  Drop(frame, {longPath, shortPath}, frame.mapFromGlobal(child->mapToGlobal(child->rect().center())));
  auto* view = static_cast<shelltest::RecordingView*>(child->GetView());
  EXPECT_EQ(view->inserted, (std::vector<std::string>{longPath.toStdString(), shortPath.toStdString()}));
  EXPECT_EQ(shell.pennet->GetDocuments().size(), 1u);
}

TEST(CSMainFrame, FilesDroppedBesideThePagesOpenAsPages) {
  ShellFixture shell;
  CSMainFrame& frame = shell.Frame();
  frame.show();
  const std::string page = shelltest::MakePageFile(shell.dir / "dropped.z4g", 2);
  shelltest::MakePageFile(shell.dir / "other.png", 1);
  Drop(frame, {QString::fromStdString(page), QString::fromStdString(shell.dir / "other.png")},
       frame.mapFromGlobal(frame.GetMdiArea()->mapToGlobal(QPoint(5, 5))));
  ASSERT_EQ(shell.pennet->GetDocuments().size(), 1u);
  EXPECT_EQ(shell.pennet->GetDocuments()[0]->GetPathName(), page);
  EXPECT_TRUE(shell.ui.messages.empty());
}

// A shell whose first page was opened for a launcher that listens beside
// it, the main window shown.
struct LaunchedShell {
  explicit LaunchedShell(const char* launcherName = "ランチャー")
      : socket(QString::fromStdString(shell.dir / "launcher.sock")), launcher(socket) {
    shell.Frame().show();
    app::SetPendingLaunch(app::LaunchBlock{socket.toStdString(), launcherName, "作品の頁", shell.dir / "out.png"});
    launched = shell.pennet->OnFileNew();
  }
  ShellFixture shell;
  QString socket;
  shelltest::LauncherDouble launcher;
  app::CPennetDoc* launched = nullptr;
};

// Closing the main window asks the launcher's question for a launched page
// even when another page is the active one.
TEST(CSMainFrame, ClosingAsksTheLauncherQuestionForEveryLaunchedPage) {
  LaunchedShell run;
  ShellFixture& shell = run.shell;
  CSMainFrame& frame = shell.Frame();
  shelltest::LauncherDouble& launcher = run.launcher;
  app::CPennetDoc* launched = run.launched;
  EXPECT_EQ(launched->GetTitle(), QStringLiteral("作品の頁"));
  launched->GetSDoc().SetPageSize(5000, 2500);
  ASSERT_TRUE(launcher.WaitForLine(QStringLiteral("32771 %1").arg(frame.GetActiveView()->GetViewNumber())));
  shell.pennet->OnFileNew();  // an ordinary page, now the active one
  ASSERT_FALSE(frame.GetActiveView()->IsLaunchedPage());

  const std::string question = app::LoadAppString(app::kStrLaunchQuestionStart) + "ランチャー" +
                               app::LoadAppString(app::kStrLaunchQuestionEnd);
  shell.ui.answers = {platform::kIdCancel};
  frame.close();
  EXPECT_EQ(shell.ui.messages, std::vector<std::string>{question});
  EXPECT_TRUE(frame.isVisible());
  EXPECT_EQ(shell.pennet->GetDocuments().size(), 2u);

  // Yes writes the page image for the launcher and tells it.
  shell.ui.messages.clear();
  shell.ui.answers = {platform::kIdYes};
  frame.close();
  EXPECT_EQ(shell.ui.messages, std::vector<std::string>{question});
  EXPECT_TRUE(launcher.WaitForLine(QStringLiteral("32769 0")));
  EXPECT_FALSE(frame.isVisible());
  // The launcher gets the page at most 4000 pixels long.
  const QImage exported(QString::fromStdString(shell.dir / "out.png"));
  EXPECT_EQ(exported.size(), QSize(4000, 2000));
}

// A launched page goes back to its launcher: while it is the active page
// no other page is made, opened or saved from the File menu, and Close
// says where it goes; an ordinary page beside it has every command.
TEST(CSMainFrame, ALaunchedPageDisablesOnlyItsOwnFileCommands) {
  LaunchedShell run;
  ShellFixture& shell = run.shell;
  CSMainFrame& frame = shell.Frame();
  QMdiSubWindow* launchedWindow = frame.GetActiveChildFrame();
  shell.pennet->OnFileNew();
  QMdiSubWindow* ordinaryWindow = frame.GetActiveChildFrame();

  struct Expected {
    QMdiSubWindow* window;
    bool fileCommands;
    QString closeText;
  };
  const QString toLauncher = QString::fromStdString(app::LoadAppString(app::kStrCloseToLauncherStart) + "ランチャー" +
                                                    app::LoadAppString(app::kStrCloseToLauncherEnd))
                                 .section(QLatin1Char('\t'), 0, 0);
  for (const Expected& e : {Expected{launchedWindow, false, toLauncher},
                            Expected{ordinaryWindow, true, QStringLiteral("閉じる(&C)")},
                            Expected{launchedWindow, false, toLauncher}}) {
    frame.GetMdiArea()->setActiveSubWindow(e.window);
    frame.UpdateCommandUI();
    SCOPED_TRACE(e.fileCommands ? "ordinary page" : "launched page");
    for (const int id : {app::ID_FILE_NEW, app::ID_FILE_OPEN, app::ID_FILE_SAVE})
      EXPECT_EQ(frame.CommandAction(id)->isEnabled(), e.fileCommands) << id;
    EXPECT_TRUE(frame.CommandAction(app::ID_FILE_SAVE_AS)->isEnabled());
    EXPECT_EQ(frame.CommandAction(app::ID_FILE_CLOSE)->text(), e.closeText);
  }
}

TEST(CSMainFrame, ALauncherMayAskItsPageToClose) {
  LaunchedShell run("L");
  ShellFixture& shell = run.shell;
  shelltest::LauncherDouble& launcher = run.launcher;
  run.launched->SetModifiedFlag();
  ASSERT_TRUE(launcher.WaitForLine(QStringLiteral("32771 %1").arg(shell.Frame().GetActiveView()->GetViewNumber())));
  launcher.Send("32868 0");
  EXPECT_TRUE(launcher.WaitForLine(QStringLiteral("32769 0")));
  EXPECT_TRUE(shelltest::WaitUntil([&] { return !shell.Frame().isVisible(); }));
  EXPECT_TRUE(shell.ui.messages.empty());  // no question, no save prompt
}

// The printer chosen in the printer set-up is the one the preview (and
// printing) goes to.
TEST(CSMainFrame, ThePrinterSetUpChoosesThePrinterThatPrints) {
  ShellFixture shell;
  CSMainFrame& frame = shell.Frame();
  frame.show();
  ASSERT_NE(shell.pennet->OnFileNew(), nullptr);
  frame.UpdateCommandUI();
  QPrinter* setUp = nullptr;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QPageSetupDialog*>(QApplication::activeModalWidget())) {
      setUp = dialog->printer();
      dialog->reject();
    }
  });
  frame.CommandAction(app::ID_FILE_PRINT_SETUP)->trigger();
  EXPECT_EQ(setUp, &app::ApplicationPrinter());

  QPrinter* previewed = nullptr;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
      previewed = dialog->printer();
      dialog->reject();
    }
  });
  ASSERT_TRUE(frame.CommandAction(app::ID_FILE_PRINT_PREVIEW)->isEnabled());
  frame.CommandAction(app::ID_FILE_PRINT_PREVIEW)->trigger();
  EXPECT_EQ(previewed, &app::ApplicationPrinter());
}

}  // namespace
