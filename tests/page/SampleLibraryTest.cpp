// The sample material library the build makes: every page file opens with
// the page reader, every material has the thumbnail the library lists
// show, the index files name existing files, and the search finds the
// materials by their Japanese keywords. The thumbnails are written as PNG
// files beside the test for looking at.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/archive/SArchiver.h"
#include "page/LibraryFiles.h"
#include "page/LibrarySearch.h"
#include "page/PageFile.h"
#include "page/SDoc.h"
#include "platform/Image.h"
#include "platform/ImageCodec.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace page::library;

const std::string kLibrary = PENNET_SAMPLE_LIBRARY;

std::vector<fs::path> Materials() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(kLibrary)) {
    if (!entry.is_regular_file()) continue;
    const std::string kind = UpperExtension(entry.path().string());
    for (std::string_view known : kKindList)
      if (kind == known) files.push_back(entry.path());
  }
  return files;
}

TEST(SampleLibrary, EveryMaterialOpensAndHasItsThumbnail) {
  const std::vector<fs::path> files = Materials();
  ASSERT_GE(files.size(), 10u);
  int pages = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    if (UpperExtension(file.string()) == "Z4G") {
      page::SDoc doc;
      EXPECT_EQ(page::LoadSDoc(doc, file.string()), 0);
      EXPECT_GT(doc.GetObjectCount(), 0);
      ++pages;
    }
    platform::Image thumbnail;
    std::string text1, text2;
    ASSERT_EQ(imaging::ArcLoadFileThumbnail(file.string(), platform::ExtensionOf(file.string()), text1, text2,
                                            thumbnail, 70),
              0);
    EXPECT_GT(thumbnail.Width(), 0);
    EXPECT_LE(thumbnail.Width(), 70);
    const std::string look = fs::path(PENNET_TEST_OUTPUT) / ("sample-" + file.stem().string() + ".png");
    platform::SaveImageFile(thumbnail, look);
  }
  EXPECT_GE(pages, 7);
}

TEST(SampleLibrary, IndexFilesNameTheirFolderFiles) {
  int indexes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kLibrary)) {
    if (entry.path().filename() != kIndexFileName) continue;
    ++indexes;
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadTextLines(entry.path().string(), lines));
    ASSERT_EQ(lines.size() % 2, 0u);
    for (std::size_t i = 1; i < lines.size(); i += 2)
      EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(entry.path().parent_path().string(), lines[i])))
          << lines[i];
  }
  EXPECT_EQ(indexes, 3);
}

TEST(SampleLibrary, TheSearchFindsBalloonsByTheirKeywords) {
  testsupport::TempDir user;
  std::string date;
  const std::string list = RebuildDataFileList(kLibrary, user.Path(), "sample", date, false);
  ASSERT_FALSE(list.empty());
  const SearchOutcome outcome = RunLibrarySearch(list, kLibrary, user.Path(), "ふきだし", false, {});
  EXPECT_EQ(outcome.count, 4);
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(outcome.resultFile, lines));
  for (const std::string& line : lines) EXPECT_TRUE(line.starts_with("Object\\吹き出し\\")) << line;
  EXPECT_EQ(RunLibrarySearch(list, kLibrary, user.Path(), "コマ　マンガ", false, {}).count, 4);  // the folder, its layouts
}

}  // namespace
