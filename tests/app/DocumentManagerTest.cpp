// The document manager: opening, saving, the question about unsaved
// changes, and the recent-file list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <filesystem>

#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CPennetDoc.h"
#include "app/CSChildFrame.h"
#include "app/CSMainFrame.h"
#include "page/PageFile.h"
#include "page/SFigOval.h"
#include "page/StringTable.h"

namespace {

using shelltest::CountObjectsInFile;
using shelltest::MakePageFile;
using shelltest::ShellFixture;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void AddOval(app::CPennetDoc& doc) {
  auto object = std::make_unique<page::SObj>();
  object->SetFig(std::make_unique<page::SFigOval>(), false);
  doc.GetSDoc().AddObject(std::move(object), -1, -1);
  doc.SetModifiedFlag();
}

// Page windows that still exist once closed ones had their chance to go.
int OpenWindows(ShellFixture& shell) {
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return static_cast<int>(shell.Frame().GetMdiArea()->subWindowList().size());
}

TEST(DocumentManager, OpensModifiesSavesAndSavesAsAPageFile) {
  ShellFixture shell;
  const std::string path = MakePageFile(shell.dir / "two.z4g", 2);
  app::CPennetDoc* doc = shell.pennet->OpenDocumentFile(path);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetSDoc().GetObjectCount(), 2);
  EXPECT_EQ(doc->GetTitle(), QStringLiteral("two.z4g"));
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(OpenWindows(shell), 1);

  AddOval(*doc);
  EXPECT_TRUE(shell.Frame().GetActiveChildFrame()->isWindowModified());
  ASSERT_TRUE(shell.pennet->DoFileSave(*doc));
  EXPECT_EQ(shell.ui.dialogsShown, 0);  // it has a file already
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(CountObjectsInFile(path), 3);

  // Save as: the dialog's name without an extension gets ".z4g"; the page
  // now belongs to the new file, the old one stays as it was.
  AddOval(*doc);
  shell.ui.dialogPaths.push_back(shell.dir / "copy");
  ASSERT_TRUE(shell.pennet->DoSaveAs(*doc));
  EXPECT_EQ(doc->GetPathName(), shell.dir / "copy.z4g");
  EXPECT_EQ(doc->GetTitle(), QStringLiteral("copy.z4g"));
  EXPECT_EQ(CountObjectsInFile(shell.dir / "copy.z4g"), 4);
  EXPECT_EQ(CountObjectsInFile(path), 3);

  // A cancelled dialog saves nothing.
  AddOval(*doc);
  EXPECT_FALSE(shell.pennet->DoSaveAs(*doc));
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(CountObjectsInFile(shell.dir / "copy.z4g"), 4);
  EXPECT_TRUE(shell.ui.messages.empty());
}

TEST(DocumentManager, NewPagesAreNumberedAndSavedThroughTheDialog) {
  ShellFixture shell;
  app::CPennetDoc* first = shell.pennet->OnFileNew();
  app::CPennetDoc* second = shell.pennet->OnFileNew();
  EXPECT_EQ(first->GetTitle(), QStringLiteral("Pennet1"));
  EXPECT_EQ(second->GetTitle(), QStringLiteral("Pennet2"));
  EXPECT_EQ(shell.pennet->GetActiveDocument(), second);
  EXPECT_EQ(shell.Frame().windowTitle(), QStringLiteral("Pennet - Pennet2[*]"));
  EXPECT_FALSE(shell.Frame().isWindowModified());
  second->SetModifiedFlag();
  EXPECT_TRUE(shell.Frame().isWindowModified()) << "the title marks unsaved changes";
  second->SetModifiedFlag(false);

  AddOval(*first);
  shell.ui.dialogPaths.push_back(shell.dir / "new.z4g");
  ASSERT_TRUE(shell.pennet->DoFileSave(*first));
  EXPECT_EQ(shell.ui.dialogsShown, 1);
  EXPECT_EQ(CountObjectsInFile(shell.dir / "new.z4g"), 1);
  // The saved file opens as the same document.
  EXPECT_EQ(shell.pennet->OpenDocumentFile(shell.dir / "new.z4g"), first);
  EXPECT_EQ(shell.pennet->GetActiveDocument(), first);
}

// Closing a modified page window asks whether to save it first.
TEST(DocumentManager, ClosingAModifiedPageAsksToSaveIt) {
  struct Case {
    int answer;
    bool saved;
    bool closed;
  };
  for (const Case& c : {Case{platform::kIdYes, true, true}, Case{platform::kIdNo, false, true},
                        Case{platform::kIdCancel, false, false}}) {
    SCOPED_TRACE(c.answer);
    ShellFixture shell;
    const std::string path = MakePageFile(shell.dir / "page.z4g", 1);
    app::CPennetDoc* doc = shell.pennet->OpenDocumentFile(path);
    ASSERT_NE(doc, nullptr);
    AddOval(*doc);
    shell.ui.answers.push_back(c.answer);
    shell.Frame().GetActiveChildFrame()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(shell.ui.messages.size(), 1u);
    EXPECT_TRUE(Contains(shell.ui.messages[0], "page.z4g"));
    EXPECT_EQ(CountObjectsInFile(path), c.saved ? 2 : 1);
    EXPECT_EQ(OpenWindows(shell), c.closed ? 0 : 1);
    EXPECT_EQ(shell.pennet->GetDocuments().size(), c.closed ? 0u : 1u);
  }
}

// The main window asks for every modified page; Cancel on any keeps the
// program running with its pages.
TEST(DocumentManager, ClosingTheMainWindowAsksForEveryModifiedPage) {
  ShellFixture shell;
  shell.Frame().show();
  app::CPennetDoc* untouched = shell.pennet->OnFileNew();
  app::CPennetDoc* first = shell.pennet->OnFileNew();
  app::CPennetDoc* second = shell.pennet->OnFileNew();
  ASSERT_NE(untouched, nullptr);
  AddOval(*first);
  AddOval(*second);

  shell.ui.answers = {platform::kIdNo, platform::kIdCancel};
  shell.Frame().close();
  EXPECT_EQ(shell.ui.messages.size(), 2u);
  EXPECT_TRUE(shell.Frame().isVisible());
  EXPECT_EQ(OpenWindows(shell), 3);

  shell.ui.messages.clear();
  shell.ui.answers = {platform::kIdNo, platform::kIdNo};
  shell.Frame().close();
  EXPECT_EQ(shell.ui.messages.size(), 2u);
  EXPECT_FALSE(shell.Frame().isVisible());
  EXPECT_EQ(OpenWindows(shell), 0);
}

// The File menu's commands reach the document manager; those that need a
// page are disabled without one.
TEST(DocumentManager, FileCommandsRunThroughTheirActions) {
  ShellFixture shell;
  app::CSMainFrame& frame = shell.Frame();
  frame.show();
  const auto command = [&](int id) { return frame.CommandAction(id); };
  EXPECT_FALSE(command(app::ID_FILE_SAVE)->isEnabled());
  EXPECT_FALSE(command(app::ID_FILE_CLOSE)->isEnabled());

  const std::string path = MakePageFile(shell.dir / "menu.z4g", 3);
  shell.ui.dialogPaths.push_back(path);
  command(app::ID_FILE_OPEN)->trigger();
  ASSERT_NE(shell.pennet->GetActiveDocument(), nullptr);
  EXPECT_EQ(shell.pennet->GetActiveDocument()->GetSDoc().GetObjectCount(), 3);
  EXPECT_TRUE(command(app::ID_FILE_SAVE)->isEnabled());

  command(app::ID_FILE_NEW)->trigger();
  EXPECT_EQ(shell.pennet->GetDocuments().size(), 2u);
  AddOval(*shell.pennet->GetActiveDocument());
  shell.ui.dialogPaths.push_back(shell.dir / "fromMenu.z4g");
  command(app::ID_FILE_SAVE)->trigger();
  EXPECT_EQ(CountObjectsInFile(shell.dir / "fromMenu.z4g"), 1);

  command(app::ID_FILE_CLOSE)->trigger();
  command(app::ID_FILE_CLOSE)->trigger();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(shell.pennet->GetDocuments().empty());
  EXPECT_FALSE(command(app::ID_FILE_SAVE_AS)->isEnabled());
  EXPECT_TRUE(shell.ui.messages.empty());
}

TEST(DocumentManager, OpensOnlyReadablePageFiles) {
  ShellFixture shell;
  const std::string upper = MakePageFile(shell.dir / "UPPER.Z4G", 1);
  EXPECT_NE(shell.pennet->OpenDocumentFile(upper), nullptr);

  // Another kind of file: nothing opens, nothing is said.
  MakePageFile(shell.dir / "picture.png", 1);
  EXPECT_EQ(shell.pennet->OpenDocumentFile(shell.dir / "picture.png"), nullptr);
  EXPECT_TRUE(shell.ui.messages.empty());

  // A missing file: its path and the cannot-open text.
  EXPECT_EQ(shell.pennet->OpenDocumentFile(shell.dir / "missing.z4g"), nullptr);
  ASSERT_EQ(shell.ui.messages.size(), 1u);
  EXPECT_EQ(shell.ui.messages[0], (shell.dir / "missing.z4g") + " " + page::PnLoadString(191));

  // A damaged file is reported as damaged or unreadable, never as a lack of
  // memory, and leaves no window.
  const std::string damaged = shell.dir.Write("damaged.z4g", std::string("PKG\x01garbage that is no page", 27));
  std::string truncated = testsupport::ReadText(upper);
  truncated.resize(truncated.size() / 2);
  const std::string cut = shell.dir.Write("cut.z4g", truncated);
  for (const std::string& bad : {damaged, cut}) {
    shell.ui.messages.clear();
    EXPECT_EQ(shell.pennet->OpenDocumentFile(bad), nullptr);
    ASSERT_EQ(shell.ui.messages.size(), 1u);
    const std::string& message = shell.ui.messages[0];
    EXPECT_TRUE(Contains(message, page::PnLoadString(191)) || Contains(message, page::PnLoadString(194))) << message;
    EXPECT_FALSE(Contains(message, page::PnLoadString(172))) << message;
  }
  EXPECT_EQ(OpenWindows(shell), 1);
  EXPECT_EQ(shell.pennet->GetDocuments().size(), 1u);
}

TEST(RecentFileList, KeepsTheSixNewestFirstAcrossRuns) {
  ShellFixture shell;
  std::vector<std::string> paths;
  for (int i = 0; i < 7; ++i) paths.push_back(MakePageFile(shell.dir / ("p" + std::to_string(i) + ".z4g"), 1));
  for (const std::string& path : paths) ASSERT_NE(shell.pennet->OpenDocumentFile(path), nullptr);
  // Saving lists the file too; a file listed already moves to the top.
  app::CPennetDoc* oldest = shell.pennet->OpenDocumentFile(paths[2]);
  ASSERT_TRUE(shell.pennet->DoFileSave(*oldest));

  const std::vector<std::string> expected = {paths[2], paths[6], paths[5], paths[4], paths[3], paths[1]};
  EXPECT_EQ(shell.pennet->GetRecentFiles().Paths(), expected);
  shell.Restart();
  EXPECT_EQ(shell.pennet->GetRecentFiles().Paths(), expected);

  // The menu shows them in that order.
  QAction* top = shell.Frame().CommandAction(app::ID_FILE_MRU_FILE1);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->isVisible());
  EXPECT_EQ(top->text(), QStringLiteral("&1 ") + QString::fromStdString(paths[2]));
}

// A recent file that cannot be opened may be taken off the list.
TEST(RecentFileList, OffersToRemoveAFileThatCannotBeOpened) {
  ShellFixture shell;
  const std::string kept = MakePageFile(shell.dir / "kept.z4g", 1);
  const std::string gone = MakePageFile(shell.dir / "gone.z4g", 1);
  ASSERT_NE(shell.pennet->OpenDocumentFile(kept), nullptr);
  ASSERT_NE(shell.pennet->OpenDocumentFile(gone), nullptr);
  shell.pennet->CloseAllDocuments();
  std::filesystem::remove(gone);

  shell.ui.answers = {platform::kIdOk, platform::kIdNo};
  shell.Frame().CommandAction(app::ID_FILE_MRU_FILE1)->trigger();
  ASSERT_EQ(shell.ui.messages.size(), 2u);
  EXPECT_EQ(shell.ui.messages[1], page::PnLoadString(app::kStrRemoveRecentFile));
  EXPECT_EQ(shell.pennet->GetRecentFiles().GetCount(), 2);

  shell.ui.answers = {platform::kIdOk, platform::kIdYes};
  shell.Frame().CommandAction(app::ID_FILE_MRU_FILE1)->trigger();
  EXPECT_EQ(shell.pennet->GetRecentFiles().Paths(), std::vector<std::string>{kept});
  EXPECT_FALSE(shell.Frame().CommandAction(app::ID_FILE_MRU_FILE1 + 1)->isVisible());

  // An entry that opens brings its page back.
  shell.Frame().CommandAction(app::ID_FILE_MRU_FILE1)->trigger();
  ASSERT_NE(shell.pennet->GetActiveDocument(), nullptr);
  EXPECT_EQ(shell.pennet->GetActiveDocument()->GetPathName(), kept);
}

}  // namespace
