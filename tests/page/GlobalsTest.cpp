#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "page/AppPrefs.h"
#include "page/PnGlobal.h"
#include "page/PropVal.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/TempDir.h"

namespace {

using page::AppPrefs;
using page::PnGlobal;

TEST(AppPrefs, AFreshUserGetsTheDefaults) {
  testsupport::TempDir dir;
  const platform::Settings empty(dir / "Pennet.ini");
  AppPrefs prefs;
  prefs.mMaxUndo = 7;  // loading starts from what the record holds...
  prefs.SetDefaults();  // ...which start-up sets to the defaults first
  prefs.LoadPrefs(empty);
  EXPECT_EQ(prefs, AppPrefs());
  EXPECT_EQ(prefs.mMaxUndo, 2);
  EXPECT_EQ(prefs.mZ4Compress, 1);
  EXPECT_EQ(prefs.mHumanAtm, 1);
  EXPECT_EQ(prefs.mWebUse, 1);
  EXPECT_EQ(prefs.mListGapH, 4);
  EXPECT_EQ(prefs.mListGapV, 34);
  const page::WindowPlacement placement = prefs.RestoreWindowPlacement(false);
  EXPECT_EQ(placement.rect, (platform::RECT{10, 10, 960, 660}));
  EXPECT_EQ(placement.rect.Width(), 950);
  EXPECT_EQ(placement.rect.Height(), 650);
  EXPECT_FALSE(placement.maximise);
}

TEST(AppPrefs, EveryValueSurvivesASaveAndALoad) {
  testsupport::TempDir dir;
  AppPrefs changed;
  changed.mLibVImp = 0, changed.mCopyPictFlag = 2, changed.mShowTool = 1, changed.mShow3DTool = 1;
  changed.mZ4Compress = 0, changed.mMaxUndo = 17, changed.mHumanAtm = 2, changed.mCopyPictWarn = 1;
  changed.m3DRotWarn = 1, changed.m3DAngWarn = 1, changed.mApplyWarn = 2;
  changed.mLastPath = {"/lib/人物", "/lib/道具", "", "/tmp/x y"};
  changed.mLastBtnInd = 3, changed.mWebUse = 0, changed.mWebUseUnset = 0, changed.mListGapH = 9;
  changed.mListGapV = 44, changed.mMLeft = -20, changed.mMTop = 5, changed.mMRight = 1900, changed.mMBottom = 1000;
  changed.mMMax = 1, changed.mSepaPosX = 321, changed.mSepaPosY = 123, changed.mFileBaseInstDate = "2024-05-01";
  changed.mShowNewFile = 1, changed.mLastWebCheckDate = 739000, changed.mLastNewsVersion = 30102;
  changed.mFindRadioInd = 2, changed.mFindCheckWeb = 1;
  {
    platform::Settings settings(dir / "Pennet.ini");
    changed.SavePrefs(settings);
    ASSERT_TRUE(settings.Sync());
  }
  const platform::Settings settings(dir / "Pennet.ini");
  // Each value lies under its own name in section "Prefs".
  EXPECT_EQ(settings.GetInt("Prefs", "mMaxUndo", 0), 17);
  EXPECT_EQ(settings.GetString("Prefs", "mLastPath1"), "/lib/道具");
  EXPECT_EQ(settings.GetString("Prefs", "mFileBaseInstDate"), "2024-05-01");
  AppPrefs loaded;
  loaded.LoadPrefs(settings);
  EXPECT_EQ(loaded, changed);
}

TEST(AppPrefs, StoredValuesOutsideTheirRangesDoNotTakeEffect) {
  struct Case {
    int stored, undo, gap;
  };
  for (const Case c : {Case{0, 1, 1}, Case{-5, 1, 1}, Case{21, 20, 21}, Case{101, 20, 100}, Case{12, 12, 12}}) {
    testsupport::TempDir dir;
    platform::Settings settings(dir / "Pennet.ini");
    settings.SetInt("Prefs", "mMaxUndo", c.stored);
    settings.SetInt("Prefs", "mListGapH", c.stored);
    settings.SetInt("Prefs", "mListGapV", c.stored);
    AppPrefs prefs;
    prefs.LoadPrefs(settings);
    EXPECT_EQ(prefs.mMaxUndo, c.undo) << c.stored;
    EXPECT_EQ(prefs.mListGapH, c.gap) << c.stored;
    EXPECT_EQ(prefs.mListGapV, c.gap) << c.stored;
  }
}

TEST(AppPrefs, WindowPlacementFallsBackToTheDefaultRectangle) {
  struct Case {
    platform::RECT stored;
    bool maximised, shift;
    platform::RECT rect;
    bool maximise;
  };
  const platform::RECT kDefault{10, 10, 960, 660};
  const platform::RECT kMine{100, 50, 900, 700};
  const Case cases[] = {
      {kMine, false, false, kMine, false},
      {kMine, true, false, kDefault, true},    // closed maximised: maximised over the default
      {kMine, false, true, kDefault, false},   // Shift held: a lost window comes back
      {{0, 0, 0, 0}, false, false, kDefault, false},
      {{-10, -10, 0, -1}, false, false, kDefault, false},
      {{-10, -10, 0, 1}, false, false, {-10, -10, 0, 1}, false},
  };
  for (const Case& c : cases) {
    AppPrefs prefs;
    prefs.StoreWindowPlacement(c.stored, c.maximised);
    EXPECT_EQ(prefs.mMMax, c.maximised ? 1 : 0);
    const page::WindowPlacement placement = prefs.RestoreWindowPlacement(c.shift);
    EXPECT_EQ(placement.rect, c.rect);
    EXPECT_EQ(placement.maximise, c.maximise);
  }
}

TEST(AppPrefs, TheSearchUsesTheWebOnlyWhileWebUseIsOn) {
  AppPrefs prefs;
  prefs.mFindCheckWeb = 1;
  EXPECT_EQ(prefs.GetFindWebOption(1), 1);
  EXPECT_EQ(prefs.GetFindWebOption(0), 0);
  prefs.mFindCheckWeb = 0;
  EXPECT_EQ(prefs.GetFindWebOption(1), 0);
}

TEST(PnGlobal, StartUpTakesTheUndoDepthWithinItsRange) {
  PnGlobal& global = PnGlobal::Get();
  const int keptLimit = global.undoLimit;
  const AppPrefs keptPrefs = *global.prefs;
  for (const auto& [stored, limit] : std::vector<std::pair<int, int>>{{2, 2}, {0, 1}, {99, 20}}) {
    global.prefs->mMaxUndo = stored;
    global.prefs->mWebUse = 0;
    global.TakeStartupPrefs();
    EXPECT_EQ(global.undoLimit, limit);
    EXPECT_EQ(global.webUse, 0);
    EXPECT_EQ(global.prefs->mWebUseUnset, 0);
  }
  *global.prefs = keptPrefs;
  global.undoLimit = keptLimit;
}

TEST(PnGlobal, PersonFilesMatchTheStyleOfThePreferences) {
  struct Case {
    const char* path;
    bool real, manga, heads;
  };
  const Case cases[] = {
      {"/opt/p/Kordex_Lib/Human/基本人物/boyr.Z4H", true, false, false},
      {"/opt/p/Kordex_Lib/Human/基本人物/boys.Z4H", false, true, false},
      {"/opt/p/Kordex_Lib/Human/基本人物/girlt.z4h", false, false, true},
      {"/opt/p/Kordex_Lib/HUMAN/基本人物/girlT.Z4H", false, false, true},  // names differ in case on disk
      {"\\Kordex_Lib\\Human\\基本人物\\boyr.Z4H", true, false, false},     // as stored
      {"/opt/p/Kordex_Lib/Human/基本人物/README", true, true, true},       // no extension
      {"/opt/p/Kordex_Lib/Human/その他/boyr.Z4H", true, true, true},       // outside the folder
      {"/opt/p/Kordex_Lib/Human/基本人物/.Z4H", false, false, false},
  };
  PnGlobal& global = PnGlobal::Get();
  const int kept = global.prefs->mHumanAtm;
  for (const Case& c : cases) {
    global.prefs->mHumanAtm = 0;
    EXPECT_EQ(global.MatchesPersonStyle(c.path), c.real) << c.path;
    global.prefs->mHumanAtm = 1;
    EXPECT_EQ(global.MatchesPersonStyle(c.path), c.manga) << c.path;
    global.prefs->mHumanAtm = 2;
    EXPECT_EQ(global.MatchesPersonStyle(c.path), c.heads) << c.path;
    global.prefs->mHumanAtm = 7;  // any other value reads as manga
    EXPECT_EQ(global.MatchesPersonStyle(c.path), c.manga) << c.path;
  }
  global.prefs->mHumanAtm = kept;
}

TEST(PnGlobal, LibraryFilesOfAFigureResolveIntoTheDataFolderInTheCurrentStyle) {
  PnGlobal& global = PnGlobal::Get();
  const int kept = global.prefs->mHumanAtm;
  global.SetInstallRecord("/opt/pennet", "2024-01-02");
  global.prefs->mHumanAtm = 0;
  // As the side file stores them: the separator after the library's name
  // kept, or not.
  const std::vector<std::string> stored = {"\\Human\\基本人物\\boys.Z4H", "", "Tool\\hat.Z4I", "Human/基本人物/face"};
  EXPECT_EQ(global.ResolveLibraryFiles(stored),
            (std::vector<std::string>{"/opt/pennet/Kordex_Lib/Human/基本人物/boyr.Z4H", "",
                                      "/opt/pennet/Kordex_Lib/Tool/hat.Z4I", "/opt/pennet/Kordex_Lib/Human/基本人物/face"}))
      << "entry i belongs to object i";
  EXPECT_EQ(global.GetDataFolder(), "/opt/pennet/Kordex_Lib");
  EXPECT_EQ(global.GetInstallDate(), "2024-01-02");
  global.prefs->mHumanAtm = kept;
  global.SetInstallRecord("", "");
  // Without a record: the folder of the running program.
  EXPECT_TRUE(platform::IsDirectory(global.GetModuleFolder()));
  EXPECT_FALSE(global.GetModuleFolder().empty());
}

TEST(PnGlobal, FoldersOfSkinsAndUserData) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv data("XDG_DATA_HOME", dir.Path());
  const std::string folder = PnGlobal::GetUserDataFolder();
  EXPECT_EQ(folder, dir / "Tamarik/PennetFindFolder020");
  EXPECT_TRUE(platform::IsDirectory(folder));
  // No skins beside a made-up installation: the source tree's.
  PnGlobal& global = PnGlobal::Get();
  global.SetInstallRecord(dir.Path(), "");
  EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(global.GetSkinFolder(), "button.png")));
  global.SetInstallRecord("", "");
}

// A view that records what the bars hand it.
class RecordingView : public page::PnViewLink {
 public:
  void ApplyBarValues(std::span<page::PropVal* const> values, int newCommand, int mode) override {
    calls.push_back(std::to_string(values.size()) + "/" + std::to_string(newCommand) + "/" + std::to_string(mode));
  }
  void RunOnFirstSelected(page::CalcVal&) override { calls.push_back("calc"); }
  std::vector<std::string> calls;
};

TEST(PnGlobal, BarValuesReachTheActiveViewOrNothing) {
  PnGlobal& global = PnGlobal::Get();
  page::Prop2DVal value;
  page::Calc3DMoveVal move;
  global.activeView = nullptr;
  global.ApplyPropValue(value, 1, 0);  // dropped without error
  global.RunCalcOnSelection(move);
  RecordingView view;
  global.activeView = &view;
  global.ApplyPropValue(value, 0, 2);
  page::PropLTVal light;
  page::PropVal* const both[] = {&value, &light};
  global.ApplyPropValues(both, 1, 0);
  global.RunCalcOnSelection(move);
  global.activeView = nullptr;
  EXPECT_EQ(view.calls, (std::vector<std::string>{"1/0/2", "2/1/0", "calc"}));
}

TEST(PnGlobal, TheCopyBufferOwnsItsObjects) {
  PnGlobal& global = PnGlobal::Get();
  global.ClearCopyBuffer();
  page::SDoc doc;
  global.AddToCopyBuffer(doc.NewGroupObject());
  global.AddToCopyBuffer(nullptr);
  EXPECT_EQ(global.GetCopyBufferCount(), 1);
  EXPECT_TRUE(global.GetCopyBufferObject(0).flags & page::kObjGroup);
  pagetest::FatalThrows fatalThrows;
  EXPECT_THROW(global.GetCopyBufferObject(1), pagetest::FatalThrows::Fatal);
  global.ClearCopyBuffer();
  EXPECT_EQ(global.GetCopyBufferCount(), 0);
}

}  // namespace
