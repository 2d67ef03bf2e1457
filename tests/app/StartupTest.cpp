// Start-up in the program's own process: the preferences come from the
// settings and take effect (undo depth, web switch, renderer choice, the
// main window's place), the install record is known to the page editor, and
// what changed during the run is written back when the program ends.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRect>
#include <filesystem>
#include <optional>

#include "ShellTestSupport.h"
#include "app/CPennetApp.h"
#include "app/CPennetDoc.h"
#include "app/CSMainFrame.h"
#include "app/InstallRecord.h"
#include "imaging/archive/SArchiver.h"
#include "page/AppPrefs.h"
#include "page/PnGlobal.h"
#include "page/SComs.h"
#include "page/SDoc.h"
#include "platform/InputState.h"
#include "platform/Settings.h"
#include "support/TempDir.h"

namespace {

// One start of the program on settings of its own; the process-wide state
// that start-up sets is put back afterwards.
class Startup : public ::testing::Test {
 protected:
  Startup() : settings(dir / "settings.ini") {
    EXPECT_TRUE(app::WriteInstallRecord(dir.Path(), {dir.Path(), "2024-05-01T10:00:00"}));
  }
  ~Startup() override {
    pennet.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::SetKeyStateHook(oldKeys);
    page::PnGlobal& global = page::PnGlobal::Get();
    global.prefs->SetDefaults();
    global.undoLimit = 10;
    global.webUse = 0;
    global.SetInstallRecord("", "");
  }
  void SetPrefs(std::initializer_list<std::pair<const char*, int>> values) {
    for (const auto& [name, value] : values) settings.SetInt(platform::kPrefsSection, name, value);
  }
  // Runs start-up without arguments (a new page opens); false when the
  // program would end at once.
  bool Start(const QStringList& arguments = {}) {
    pennet = std::make_unique<app::CPennetApp>(settings);
    pennet->SetProgramFolder(dir.Path());
    pennet->SetInstanceServerName(QString::fromStdString(dir / "instance"));
    pennet->Hooks().setRendererMode = [this](int mode) { rendererMode = mode; };
    int exitCode = -1;
    return pennet->InitInstance(arguments, exitCode);
  }
  // The program ends as the user closes it.
  void End() {
    pennet->GetMainFrame()->SaveStateAndClose();
    pennet->ExitInstance();
    pennet.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  testsupport::TempDir dir;
  shelltest::ScriptedUi ui;
  platform::Settings settings;
  std::unique_ptr<app::CPennetApp> pennet;
  std::optional<int> rendererMode;
  platform::KeyStateHook oldKeys = platform::SetKeyStateHook(nullptr);
};

std::string Text(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

// The first start puts the whole window, title bar included, at (10, 10),
// 950 x 650: on the screen.
TEST_F(Startup, TheFirstStartPlacesTheWholeWindowOnTheScreen) {
  ASSERT_TRUE(Start());
  app::CSMainFrame& frame = *pennet->GetMainFrame();
  EXPECT_TRUE(shelltest::WaitUntil([&] { return frame.frameGeometry() == QRect(10, 10, 950, 650); }))
      << "frame " << Text(frame.frameGeometry());
  EXPECT_GT(frame.geometry().top(), 10) << "the client area lies below the title bar";
  End();
  platform::Settings reread(dir / "settings.ini");
  page::AppPrefs stored;
  stored.LoadPrefs(reread);
  EXPECT_EQ((platform::RECT{stored.mMLeft, stored.mMTop, stored.mMRight, stored.mMBottom}),
            (platform::RECT{10, 10, 960, 660}))
      << "an unmoved window is stored as it came";
}

// The program speaks Japanese in Qt's own dialogs and buttons while it
// runs.
TEST_F(Startup, QtsOwnTextsAreJapaneseWhileTheProgramRuns) {
  const auto cancelText = [] {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pennet"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::Cancel);
    return box.button(QMessageBox::Cancel)->text() + QLatin1Char(' ') + box.button(QMessageBox::Yes)->text();
  };
  ASSERT_TRUE(Start());
  EXPECT_EQ(cancelText(), QStringLiteral("キャンセル はい(&Y)"));
  End();
  EXPECT_EQ(cancelText(), QStringLiteral("Cancel &Yes")) << "the translation goes with the program";
}

// A file of the command line that cannot be opened is named in one
// message, and the usual new page opens in its place.
TEST_F(Startup, AFileThatCannotBeOpenedIsNamedOnceAndANewPageOpens) {
  testsupport::WriteText(dir / "notes.txt", "not a page");
  testsupport::WriteText(dir / "broken.z4g", "not a package");
  struct Case {
    std::string path;
    std::string message;  // a part of the one message
  };
  const Case cases[] = {
      {dir / "missing.z4g", "ファイルを開けない"},
      {dir / "missing.txt", "ファイルを開けない"},
      {dir / "notes.txt", "このタイプのファイルは開くことができません。"},
      {dir / "broken.z4g", "-"},
  };
  for (const Case& c : cases) {
    ui.messages.clear();
    ASSERT_TRUE(Start({QString::fromStdString(c.path)}));
    ASSERT_EQ(ui.messages.size(), 1u) << c.path;
    EXPECT_NE(ui.messages[0].find(c.path), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find(c.message), std::string::npos) << ui.messages[0];
    ASSERT_EQ(pennet->GetDocuments().size(), 1u) << c.path;
    EXPECT_TRUE(pennet->GetDocuments()[0]->GetPathName().empty()) << "a new page";
    EXPECT_NE(pennet->GetMainFrame()->GetActiveChildFrame(), nullptr);
    End();
  }
}

TEST_F(Startup, TheStoredPreferencesTakeEffectAndComeBackChanged) {
  SetPrefs({{"mMaxUndo", 5}, {"mWebUse", 0}, {"mWebUseUnset", 1}, {"mLibVImp", 1}, {"m3DRotWarn", 1},
            {"mMLeft", 50}, {"mMTop", 60}, {"mMRight", 850}, {"mMBottom", 560}, {"mMMax", 0}});
  ASSERT_TRUE(Start());
  page::PnGlobal& global = page::PnGlobal::Get();
  EXPECT_EQ(global.undoLimit, 5);
  EXPECT_EQ(global.webUse, 0);
  EXPECT_EQ(rendererMode, 1);
  EXPECT_EQ(global.prefs->m3DRotWarn, 1);
  EXPECT_EQ(global.GetInstallDate(), "2024-05-01T10:00:00");
  EXPECT_EQ(global.GetModuleFolder(), dir.Path());
  ASSERT_NE(pennet->GetActiveDocument(), nullptr);
  EXPECT_EQ(pennet->GetActiveDocument()->GetSDoc().Commands().GetGroupLimit(), 5);

  // The stored rectangle is the whole window's, frame included.
  app::CSMainFrame& frame = *pennet->GetMainFrame();
  EXPECT_TRUE(frame.isVisible());
  EXPECT_TRUE(shelltest::WaitUntil([&] { return frame.frameGeometry() == QRect(50, 60, 800, 500); }))
      << "frame " << Text(frame.frameGeometry());
  EXPECT_NE(frame.geometry(), frame.frameGeometry()) << "the screenless platform draws frames too";

  // The user moves the window, and the copy hint was shown.
  frame.setGeometry(70, 80, 900, 600);
  const QRect moved = frame.frameGeometry();
  global.prefs->mCopyPictWarn = 1;
  End();

  platform::Settings reread(dir / "settings.ini");
  page::AppPrefs stored;
  stored.LoadPrefs(reread);
  EXPECT_EQ((platform::RECT{stored.mMLeft, stored.mMTop, stored.mMRight, stored.mMBottom}),
            (platform::RECT{moved.left(), moved.top(), moved.left() + moved.width(), moved.top() + moved.height()}));
  EXPECT_LT(stored.mMLeft, 70) << "the frame lies left of the client area";
  EXPECT_EQ(stored.mMMax, 0);
  EXPECT_EQ(stored.mMaxUndo, 5);
  EXPECT_EQ(stored.mCopyPictWarn, 1);
  EXPECT_EQ(stored.m3DRotWarn, 1);
  EXPECT_EQ(stored.mWebUseUnset, 0) << "the first-run mark is cleared";
}

// A window that was maximised, or Shift held while the program starts,
// comes back at the default place; the first maximised again.
TEST_F(Startup, TheWindowComesBackAtTheDefaultPlaceWhenMaximisedOrShiftHeld) {
  struct Case {
    int maximised;
    bool shift;
  };
  for (const Case c : {Case{1, false}, Case{0, true}}) {
    SetPrefs({{"mMLeft", 300}, {"mMTop", 200}, {"mMRight", 700}, {"mMBottom", 500}, {"mMMax", c.maximised}});
    platform::SetKeyStateHook([&](int key) { return c.shift && key == platform::VK_SHIFT; });
    ASSERT_TRUE(Start());
    app::CSMainFrame& frame = *pennet->GetMainFrame();
    if (c.maximised == 0)
      EXPECT_TRUE(shelltest::WaitUntil([&] { return frame.frameGeometry() == QRect(10, 10, 950, 650); }))
          << "frame " << Text(frame.frameGeometry()) << " shift " << c.shift;
    else
      EXPECT_EQ(frame.normalGeometry().topLeft(), QPoint(10, 10)) << "the frame's corner";
    EXPECT_EQ(frame.isMaximized(), c.maximised != 0);
    End();
  }
}

// A program killed with a page open left its temporary folder: the next
// start removes it, and keeps the folders of programs still running.
TEST_F(Startup, RemovesTheTemporaryFoldersOfProgramsThatNoLongerRun) {
  testsupport::TempDir tmp;
  const testsupport::ScopedEnv env("TMPDIR", tmp.Path());
  const std::string left = tmp / "crv01a2b3c4";
  std::filesystem::create_directory(left);
  tmp.Write("crv01a2b3c4/sdoc.Z4G", "page");
  std::string running;
  ASSERT_EQ(imaging::ArcCreateTempFolder(running), 0);
  const timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  for (const std::string& folder : {left, running}) ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), old, 0), 0);
  ASSERT_TRUE(Start());
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_TRUE(std::filesystem::exists(running));
  End();
  EXPECT_EQ(imaging::ArcDeleteFolder(running), 0);
}

}  // namespace
