// The material library's files: a generated library with categories,
// basic persons in three styles, link and short-cut files, keyword files
// with Japanese words, the data-file list and the search result file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "page/AppPrefs.h"
#include "page/LibraryFiles.h"
#include "page/LibrarySearch.h"
#include "page/PnGlobal.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

using namespace page::library;

std::string Sjis(const std::string& utf8) { return *platform::Utf8ToCp932(utf8); }

void Put(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(platform::FolderOf(path));
  testsupport::WriteText(path, bytes);
}

std::vector<std::string> Titles(const std::vector<ListItem>& items) {
  std::vector<std::string> titles;
  for (const ListItem& item : items) titles.push_back(item.title + (item.link ? "*" : ""));
  return titles;
}

class LibraryFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    global.SetInstallRecord(dir.Path(), "2026-12-01");
    if (!global.prefs) global.prefs = std::make_unique<page::AppPrefs>();
    savedStyle = global.prefs->mHumanAtm;
    global.prefs->mHumanAtm = 1;
    data = global.GetDataFolder();
    context.dataFolder = data;
    const std::string balloons = data + "/Object/吹き出し";
    Put(balloons + "/丸い吹き出し.z4g", "page");
    Put(balloons + "/ギザギザ.Z4G", "page");
    Put(balloons + "/雲.png", "png");
    Put(balloons + "/readme.txt", "not material");
    Put(data + "/Object/コマ割り.layout/四コマ.z4g", "page");
    const std::string persons = data + "/Human/基本人物";
    for (const char* name : {"男性r.z4h", "男性s.z4h", "男性t.z4h"}) Put(persons + "/" + name, "figure");
    // Links: one to a folder of the library, an empty one, "WebObj", one to nothing.
    Put(data + "/Object/人物へ.z4j", Sjis("Human\\基本人物"));
    Put(data + "/Object/空.z4j", "");
    Put(data + "/Object/ウェブ.z4j", "WebObj");
    Put(data + "/Object/無い.z4j", Sjis("Human\\無い"));
    // A short-cut file naming a picture elsewhere and a missing one.
    Put(balloons + "/PennetShortCut.txt", Sjis("Object\\コマ割り.layout\\四コマ.z4g\r\nObject\\無い.png\r\n\r\n"));
  }
  void TearDown() override { global.prefs->mHumanAtm = savedStyle; }

  page::PnGlobal& global = page::PnGlobal::Get();
  testsupport::TempDir dir;
  std::string data;
  LibraryContext context;
  int savedStyle = 1;
};

TEST_F(LibraryFixture, TreeShowsFolderTitlesAndLinksThatLeadSomewhere) {
  std::vector<TreeEntry> entries;
  int rc = 1;
  ASSERT_TRUE(ListTreeChildren(context, data + "/Object", entries, rc));
  EXPECT_EQ(rc, 0);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].title, "コマ割り");  // the part after the last dot is left out
  EXPECT_EQ(entries[0].image, kImageFolder);
  EXPECT_EQ(entries[1].title, "吹き出し");
  EXPECT_EQ(entries[2].title, "人物へ");
  EXPECT_EQ(entries[2].path, data + "/Human/基本人物");
  EXPECT_EQ(entries[2].image, kImageLink);
}

TEST_F(LibraryFixture, ListsMaterialsKindByKindThenShortCutsAsLinks) {
  const std::vector<ListItem> items = ListFolderItems(context, global, data + "/Object/吹き出し");
  EXPECT_EQ(Titles(items), (std::vector<std::string>{"ギザギザ", "丸い吹き出し", "雲", "四コマ*"}));
  EXPECT_EQ(items[3].path, data + "/Object/コマ割り.layout/四コマ.z4g");
}

TEST_F(LibraryFixture, BasicPersonsFollowThePersonStyle) {
  const std::string persons = data + "/Human/基本人物";
  const struct {
    int style;
    const char* title;
  } cases[] = {{0, "男性r"}, {1, "男性s"}, {2, "男性t"}};
  for (const auto& c : cases) {
    global.prefs->mHumanAtm = c.style;
    EXPECT_EQ(Titles(ListFolderItems(context, global, persons)), std::vector<std::string>{c.title}) << c.style;
  }
}

TEST_F(LibraryFixture, PageOfAPathNeedsTheDataFolderAsAWholePrefix) {
  std::string root;
  EXPECT_EQ(FindPageOfPath(data, data + "/Human/基本人物", root), 1);
  EXPECT_EQ(root, data + "/Human");
  EXPECT_EQ(FindPageOfPath(data, data + "/NewWebObj/x", root), 3);
  EXPECT_EQ(FindPageOfPath(data, data + "/Pose", root), 2);
  // The data folder inside another path, or as the start of a longer name.
  EXPECT_EQ(FindPageOfPath(data, "/elsewhere" + data + "/Object/x", root), -1);
  EXPECT_EQ(FindPageOfPath(data, data + "2/Object/x", root), -1);
  EXPECT_EQ(FindPageOfPath(data, data + "/Other/x", root), -1);
  EXPECT_EQ(FindPageOfPath(data, data, root), -1);
}

TEST(LibrarySearchWords, AsciiAndIdeographicSpacesCutAlike) {
  EXPECT_EQ(SplitSearchWords("猫 犬"), SplitSearchWords("猫　犬"));
  EXPECT_EQ(SplitSearchWords("  猫　 　犬 "), (std::vector<std::string>{"猫", "犬"}));
  EXPECT_TRUE(SplitSearchWords(" 　 ").empty());
}

TEST(LibraryKeywordSearch, BlocksMatchAllOrAnyWordAndOpenBlocksNever) {
  const std::vector<std::string> lines = {"*Object\\吹き出し\\雲", "くも", "ふきだし", "",
                                          "*Human\\基本人物\\男性", "おとこ", "ひと", "",
                                          "*Pose\\歩く", "あるく", "ふきだし"};  // never closed
  std::vector<std::string> all, any;
  SearchKeywordLines(lines, {"ふきだし", "くも"}, "", false, all);
  SearchKeywordLines(lines, {"ふきだし", "ひと"}, "http://x/", true, any);
  EXPECT_EQ(all, std::vector<std::string>{"Object\\吹き出し\\雲"});
  EXPECT_EQ(any, (std::vector<std::string>{"http://x/Object\\吹き出し\\雲", "http://x/Human\\基本人物\\男性"}));
}

// "ア" (83 41) followed by "C" reads, byte by byte, as the trail byte "A"
// and "C": a Shift-JIS byte search for "AC" would find it.
TEST_F(LibraryFixture, WordsNeverMatchAcrossAShiftJisCharacterBoundary) {
  Put(GetKeywordFilePath(data, 0), Sjis("*丸い吹き出し\r\nアC\r\n\r\n"));
  Put(GetKeywordFilePath(data, 3), Sjis("*雲\r\nまるい　くも\r\n\r\n"));
  std::string date;
  const std::string list = RebuildDataFileList(data, dir.Path(), "d1", date, false);
  ASSERT_FALSE(list.empty());
  for (const char* word : {"AC", "A"}) {
    const SearchOutcome outcome = RunLibrarySearch(list, data, dir.Path(), word, false, {});
    EXPECT_EQ(outcome.count, 0) << word;
  }
  const SearchOutcome hit = RunLibrarySearch(list, data, dir.Path(), "アC", false, {});
  EXPECT_EQ(hit.count, 1);
  const SearchOutcome cloud = RunLibrarySearch(list, data, dir.Path(), "くも", false, {});
  ASSERT_EQ(cloud.status, SearchOutcome::kDone);
  // The result file is a short-cut file: its folder lists exactly the matches.
  EXPECT_EQ(testsupport::ReadText(cloud.resultFile), Sjis("Object\\吹き出し\\雲.png\r\n"));
  EXPECT_EQ(Titles(ListFolderItems(context, global, dir.Path())), std::vector<std::string>{"雲*"});
}

TEST_F(LibraryFixture, DataFileListGoesByCategoryFoldersFirstThenKinds) {
  std::string date;
  const std::string list = RebuildDataFileList(data, dir.Path(), "d1", date, false);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(date, "d1");
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(list, lines));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Object\\コマ割り.layout", "Object\\吹き出し", "Object\\コマ割り.layout\\四コマ.z4g",
                       "Object\\吹き出し\\ギザギザ.Z4G", "Object\\吹き出し\\丸い吹き出し.z4g",
                       "Object\\吹き出し\\雲.png", "Human\\基本人物", "Human\\基本人物\\男性r.z4h",
                       "Human\\基本人物\\男性s.z4h", "Human\\基本人物\\男性t.z4h"}));
  EXPECT_NE(testsupport::ReadText(list).find("\r\n"), std::string::npos);
  // Kept for the same installation, even with new files; rebuilt when forced.
  Put(data + "/Pose/歩く.z4e", "pose");
  RebuildDataFileList(data, dir.Path(), "d1", date, false);
  ASSERT_TRUE(ReadTextLines(list, lines));
  EXPECT_EQ(lines.size(), 10u);
  RebuildDataFileList(data, dir.Path(), "d1", date, true);
  ASSERT_TRUE(ReadTextLines(list, lines));
  EXPECT_EQ(lines.size(), 11u);
}

TEST_F(LibraryFixture, AFailedListWriteKeepsTheOldDateAndList) {
  std::string date = "old";
  const std::string missing = dir.File("no/such/folder");
  EXPECT_TRUE(RebuildDataFileList(data, missing, "new", date, false).empty());
  EXPECT_EQ(date, "old");  // the next start tries again
}

TEST_F(LibraryFixture, TooManyResultsStopAtTheLimit) {
  for (int i = 0; i < 230; ++i) Put(data + "/Object/多い/item" + std::to_string(i) + ".png", "p");
  std::string date;
  const std::string list = RebuildDataFileList(data, dir.Path(), "d1", date, false);
  const SearchOutcome outcome = RunLibrarySearch(list, data, dir.Path(), "item", false, {});
  EXPECT_EQ(outcome.count, kMaxSearchResults);
  EXPECT_TRUE(outcome.truncated);
  // Only spaces: every line with "all words", none with "any word".
  EXPECT_EQ(RunLibrarySearch(list, data, dir.Path(), " ", true, {}).count, 0);
  EXPECT_EQ(RunLibrarySearch(list, data, dir.Path(), " ", false, {}).count, kMaxSearchResults);
}

}  // namespace
