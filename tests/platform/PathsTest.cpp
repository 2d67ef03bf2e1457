#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "platform/Paths.h"

namespace {

using namespace platform;
using testsupport::TempDir;
using testsupport::WriteText;
using Names = std::vector<std::string>;

TEST(Paths, StoredPathsSwapSeparators) {
  EXPECT_EQ(StoredToPath("C:\\Kordex_Lib\\Object\\cup.Z4T"), "C:/Kordex_Lib/Object/cup.Z4T");
  EXPECT_EQ(StoredToPath("..\\pict\\a.png"), "../pict/a.png");
  EXPECT_EQ(PathToStored("pict/sub/a.png"), "pict\\sub\\a.png");
  // Shift-JIS trail bytes can be 0x5C, but paths inside are UTF-8, where no
  // multi-byte character contains that byte.
  EXPECT_EQ(PathToStored(StoredToPath("基本人物\\ポーズ")), "基本人物\\ポーズ");
}

TEST(Paths, SplitsNamesFoldersAndExtensions) {
  struct Case {
    const char* path;
    const char* name;
    const char* folder;
    const char* extension;
  } const cases[] = {
      {"a/b/c.txt", "c.txt", "a/b", "txt"},
      {"/c.PNG", "c.PNG", "/", "png"},
      {"dir.d/README", "README", "dir.d", ""},
      {"file.tar.Z4G", "file.tar.Z4G", "", "z4g"},
      {"a/b/", "", "a/b", ""},
      {"名前.Z4T", "名前.Z4T", "", "z4t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FileNameOf(c.path), c.name);
    EXPECT_EQ(FolderOf(c.path), c.folder);
    EXPECT_EQ(ExtensionOf(c.path), c.extension);
  }
  EXPECT_EQ(JoinPath("a", "b"), "a/b");
  EXPECT_EQ(JoinPath("a/", "b"), "a/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
}

// data/
//   Anim.Z4E      file
//   Human/        folder
//     Face.z4n
//   Mix/
//     A.txt  a.txt
class PathTree : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "data/Human");
    std::filesystem::create_directories(dir_ / "data/Mix");
    WriteText(dir_ / "data/Anim.Z4E", "anim");
    WriteText(dir_ / "data/Human/Face.z4n", "face");
    WriteText(dir_ / "data/Mix/A.txt", "upper");
    WriteText(dir_ / "data/Mix/a.txt", "lower");
  }
  TempDir dir_;
};

TEST_F(PathTree, FindsPathsIgnoringCaseComponentByComponent) {
  const std::string root = dir_.Path();
  struct Case {
    std::string query;
    std::string found;  // "" = not found
  } const cases[] = {
      {root + "/data/Anim.Z4E", root + "/data/Anim.Z4E"},
      {root + "/DATA/anim.z4e", root + "/data/Anim.Z4E"},
      {root + "/data/HUMAN/face.Z4N", root + "/data/Human/Face.z4n"},
      {root + "/data/human/", root + "/data/Human"},
      {root + "/data/Mix/a.txt", root + "/data/Mix/a.txt"},  // exact match wins
      {root + "/data/MIX/A.txt", root + "/data/Mix/A.txt"},
      {root + "/data/mix/A.TXT", root + "/data/Mix/A.txt"},  // else the first in name order
      {root + "/data/Human/../anim.z4e", root + "/data/Human/../Anim.Z4E"},
      {root + "/data/missing.z4e", ""},
      {root + "/data/anim.z4e/inner", ""},  // a file is no folder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    std::optional<std::string> found = FindPathNoCase(c.query);
    if (c.found.empty()) {
      EXPECT_FALSE(found.has_value()) << *found;
    } else {
      ASSERT_TRUE(found.has_value());
      EXPECT_EQ(*found, c.found);
    }
  }
}

TEST_F(PathTree, FindsRelativePathsFromTheWorkingFolder) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Path());
  std::optional<std::string> found = FindPathNoCase("Data/HUMAN/face.z4n");
  std::filesystem::current_path(previous);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, "data/Human/Face.z4n");
}

TEST_F(PathTree, ListsFolderContentSortedByName) {
  // Made in an order unlike the sorted one, so readdir order cannot pass.
  for (const char* name : {"b", "C", "a", "10", "9", "ä"}) WriteText(dir_ / ("data/Mix/" + std::string(name)), "");
  std::filesystem::create_directory(dir_ / "data/Mix/Sub");

  EXPECT_EQ(ListDirectory(dir_ / "data/Mix"), (Names{"10", "9", "A.txt", "C", "Sub", "a", "a.txt", "b", "ä"}));
  EXPECT_EQ(ListDirectory(dir_ / "data/Mix", ListKind::kFolders), (Names{"Sub"}));
  EXPECT_EQ(ListDirectory(dir_ / "data", ListKind::kFiles), (Names{"Anim.Z4E"}));
  EXPECT_EQ(ListDirectory(dir_ / "data", ListKind::kFolders), (Names{"Human", "Mix"}));
  EXPECT_TRUE(ListDirectory(dir_ / "nowhere").empty());
}

TEST_F(PathTree, TellsFilesFromFolders) {
  EXPECT_TRUE(FileExists(dir_ / "data/Anim.Z4E"));
  EXPECT_TRUE(IsRegularFile(dir_ / "data/Anim.Z4E"));
  EXPECT_FALSE(IsDirectory(dir_ / "data/Anim.Z4E"));
  EXPECT_TRUE(FileExists(dir_ / "data/Human"));
  EXPECT_TRUE(IsDirectory(dir_ / "data/Human"));
  EXPECT_FALSE(IsRegularFile(dir_ / "data/Human"));
  EXPECT_FALSE(FileExists(dir_ / "data/anim.z4e"));  // the file system itself is case-sensitive
}

}  // namespace
