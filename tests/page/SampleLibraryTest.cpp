// The sample material library the build makes: every page file opens with
// the page reader, every figure, prop and scenery file with the figure
// facade, every pose and animation file applies to the standard figure,
// the basic persons follow the person style, every material has the
// thumbnail the library lists show, the index files name existing files,
// and the search finds the materials by their Japanese keywords. The
// thumbnails and the posed figures are written as PNG files beside the test
// for looking at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibEngine.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "imaging/archive/SArchiver.h"
#include "page/LibraryFiles.h"
#include "page/LibrarySearch.h"
#include "page/PageFile.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "platform/Image.h"
#include "platform/ImageCodec.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace samplelibrarytest {

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

std::vector<fs::path> MaterialsOfKind(std::string_view kind) {
  std::vector<fs::path> files;
  for (const fs::path& file : Materials())
    if (UpperExtension(file.string()) == kind) files.push_back(file);
  return files;
}

// The engine started as the program starts it, for the figure files.
class SampleFigures : public ::testing::Test {
 protected:
  void SetUp() override { facade::KxLibInitEngine(); }
  void TearDown() override { facade::KxLibExitEngine(); }
};

// Every joint of the scene's first figure, in the scene's space.
std::vector<engine::PointRecord> Joints(facade::KxLibR& figure) {
  std::vector<engine::PointRecord> joints;
  engine::MDocObj& scene = *figure.GetScene();
  for (int i = 0; i < scene.GetChildCount(); ++i) {
    engine::MBoneObj* bones = engine::FindBoneObj(scene.ChildAt(i));
    if (bones == nullptr) continue;
    for (int j = 0;; ++j) {
      engine::MVertex* joint = bones->GetVertexByIndex(j);
      if (joint == nullptr) break;
      joints.push_back(joint->position);
    }
    break;
  }
  return joints;
}

double LargestMove(const std::vector<engine::PointRecord>& a, const std::vector<engine::PointRecord>& b) {
  double largest = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    largest = std::max({largest, std::abs(a[i].x - b[i].x), std::abs(a[i].y - b[i].y), std::abs(a[i].z - b[i].z)});
  return largest;
}

void SaveForLooking(const platform::Image* picture, const std::string& name) {
  if (picture != nullptr) platform::SaveImageFile(*picture, fs::path(PENNET_TEST_OUTPUT) / ("sample-" + name + ".png"));
}

const std::string kPersons = kLibrary + "/Human/基本人物";

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
  EXPECT_EQ(indexes, 8);
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

TEST_F(SampleFigures, EveryFigurePropAndSceneryFileOpensWithTheFacade) {
  const std::vector<fs::path> humans = MaterialsOfKind("Z4H");
  // The person composer's parts (BodyMix) are figures too: their own tests
  // read them.
  std::vector<fs::path> objects;
  for (const fs::path& file : MaterialsOfKind("Z4T"))
    if (file.string().find("/BodyMix/") == std::string::npos) objects.push_back(file);
  EXPECT_EQ(humans.size(), 3u);
  EXPECT_GE(objects.size(), 6u);
  for (const auto& [files, figures] : {std::pair{humans, true}, std::pair{objects, false}})
    for (const fs::path& file : files) {
      SCOPED_TRACE(file.string());
      facade::KxLibR figure;
      figure.SetLibraryFolder(kLibrary);
      ASSERT_EQ(figure.Open(file.string()), facade::kFacadeOk);
      // Besides the floor grid: the figure's group, or the prop's.
      EXPECT_EQ(figure.GetScene()->GetChildCount(), 2);
      EXPECT_EQ(figure.IsFigureIndex(1), figures);
      EXPECT_EQ(figure.GetScene()->thumbnailText1.empty(), false);
      const platform::Image* picture = figure.GetView().GetImage(false);
      ASSERT_NE(picture, nullptr);
      SaveForLooking(picture, "open-" + file.stem().string());
    }
}

TEST(SampleLibrary, EachPersonStyleListsItsOwnStandardPerson) {
  page::PnGlobal& global = page::PnGlobal::Get();
  const int saved = global.prefs->mHumanAtm;
  const LibraryContext context{kLibrary, {}, {}};
  const struct {
    int style;
    const char* title;
  } cases[] = {{0, "標準人物r"}, {1, "標準人物s"}, {2, "標準人物t"}};
  for (const auto& c : cases) {
    global.prefs->mHumanAtm = c.style;
    const std::vector<ListItem> items = ListFolderItems(context, global, kPersons);
    ASSERT_EQ(items.size(), 1u) << c.style;
    EXPECT_EQ(items[0].title, c.title);
  }
  global.prefs->mHumanAtm = saved;
  // The styles are told apart by their colours.
  platform::Image real, manga;
  std::string text1, text2;
  ASSERT_EQ(imaging::ArcLoadFileThumbnail(kPersons + "/標準人物r.z4h", "z4h", text1, text2, real, 70), 0);
  ASSERT_EQ(imaging::ArcLoadFileThumbnail(kPersons + "/標準人物t.z4h", "z4h", text1, text2, manga, 70), 0);
  int differing = 0;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 70; ++x) differing += real.GetBgra(x, y).r != manga.GetBgra(x, y).r ? 1 : 0;
  EXPECT_GT(differing, 200);
}

TEST_F(SampleFigures, EveryPoseAndAnimationFileReadsAndPosesTheStandardPerson) {
  const std::vector<fs::path> poses = MaterialsOfKind("Z4E");
  ASSERT_EQ(poses.size(), 6u);
  for (const fs::path& file : poses) {
    SCOPED_TRACE(file.string());
    facade::KxLibAnim holder;
    EXPECT_EQ(holder.LoadAnimFile(file.string()), 0);
    facade::KxLibR figure;
    figure.SetLibraryFolder(kLibrary);
    ASSERT_EQ(figure.Open(kPersons + "/標準人物s.z4h"), facade::kFacadeOk);
    const std::vector<engine::PointRecord> rest = Joints(figure);
    ASSERT_EQ(rest.size(), 21u);
    facade::KxLibAnimArray saved;
    ASSERT_EQ(figure.ApplyAnimFile(file.string(), -1, saved, false), 0);
    EXPECT_EQ(saved.size(), 1u);
    ASSERT_EQ(figure.SetFrame(0), 0);
    // The standing pose lowers the arms by a few degrees; the others move
    // limbs by tens of centimetres.
    EXPECT_GT(LargestMove(rest, Joints(figure)), 0.02);
    SaveForLooking(figure.GetView().GetImage(false), "posed-" + file.stem().string());
  }
}

TEST(SampleLibrary, TheSearchFindsFiguresPosesAndPropsByTheirKeywords) {
  testsupport::TempDir user;
  std::string date;
  const std::string list = RebuildDataFileList(kLibrary, user.Path(), "sample", date, false);
  ASSERT_FALSE(list.empty());
  const struct {
    const char* words;
    std::vector<std::string> found;
  } cases[] = {
      // The folder's own name holds the word too.
      {"人物", {"Human\\基本人物", "Human\\基本人物\\標準人物r.z4h", "Human\\基本人物\\標準人物s.z4h", "Human\\基本人物\\標準人物t.z4h"}},
      {"いす", {"Object\\小物\\椅子.z4t"}},
      {"家具", {"Object\\小物\\机.z4t", "Object\\小物\\椅子.z4t"}},
      {"動き　手", {"Pose\\動き\\手を振る.z4e"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words);
    const SearchOutcome outcome = RunLibrarySearch(list, kLibrary, user.Path(), c.words, false, {});
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadTextLines(outcome.resultFile, lines));
    EXPECT_EQ(lines, c.found);
  }
}

}  // namespace samplelibrarytest
