// Figure files through the facade: save and open, merge, save the
// selection, duplicate; a failed save keeps the old file; failed reads and
// merges change nothing.
#include <cstdio>

#include "FacadeTestSupport.h"
#include "support/FileSizeLimit.h"
#include "view/QView.h"

namespace {

using facadetest::FacadeTest;
using facadetest::FileBytes;
using facadetest::ObjectCount;
using facadetest::PixelsDiffering;
using facadetest::SavePicture;

class SceneFileTest : public FacadeTest {};

// What a figure shows: its picture, copied out.
platform::Image Picture(facade::KxLibR& figure) {
  const platform::Image* picture = figure.GetView().GetImage(false);
  return picture != nullptr ? *picture : platform::Image();
}

TEST_F(SceneFileTest, ASavedFigureOpensAgainAsItWasAndRendersPixelEqual) {
  for (int flags : {0, facade::kSaveCompressed}) {
    SCOPED_TRACE(flags);
    auto figure = facadetest::StandardFigure(150, 200);
    ASSERT_NE(figure, nullptr);
    figure->GetView().SetOutputSize(150, 200, 2, 1.0);
    figure->GetView().SetCameraAngles(0.5, -0.25, 0.1);
    figure->GetScene()->thumbnailText1 = "人物";
    figure->GetScene()->thumbnailText2 = "second";
    const platform::Image before = Picture(*figure);
    ASSERT_FALSE(before.IsNull());
    const std::string path = Path("figure.Z4H");
    ASSERT_EQ(figure->SaveWithOptions(path, flags, nullptr, {}), facade::kFacadeOk);

    facade::KxLibR reopened;
    ASSERT_EQ(reopened.Open(path), facade::kFacadeOk);
    EXPECT_EQ(ObjectCount(reopened), 1);
    EXPECT_TRUE(reopened.IsFigureIndex(1));
    int width = 0, height = 0, factor = 0;
    double lineScale = 0;
    reopened.GetView().GetOutputSize(width, height, factor, lineScale);
    EXPECT_EQ(width, 150);
    EXPECT_EQ(height, 200);
    EXPECT_EQ(factor, 2);
    double x = 0, y = 0, z = 0;
    reopened.GetView().GetCameraAngles(x, y, z);
    EXPECT_EQ(x, 0.5);
    EXPECT_EQ(y, -0.25);
    EXPECT_EQ(z, 0.1);
    EXPECT_EQ(reopened.GetScene()->thumbnailText1, "人物");
    EXPECT_EQ(reopened.GetScene()->thumbnailText2, "second");
    EXPECT_EQ(FailState(), 0);

    const platform::Image after = Picture(reopened);
    SavePicture(after, "reopened_" + std::to_string(flags));
    EXPECT_EQ(PixelsDiffering(before, after), 0);

    // Saved again, the scene member holds the same bytes.
    ASSERT_EQ(reopened.SaveWithOptions(Path("again.Z4H"), 0, nullptr, {}), facade::kFacadeOk);
    ASSERT_EQ(figure->SaveWithOptions(Path("first.Z4H"), 0, nullptr, {}), facade::kFacadeOk);
    EXPECT_EQ(facadetest::FirstDifference(FileBytes(Path("again.Z4H")), FileBytes(Path("first.Z4H"))), -1);
  }
}

TEST_F(SceneFileTest, ABackgroundOverrideGoesIntoTheFileOnly) {
  auto figure = facadetest::StandardFigure();
  figure->GetView().SetBackgroundColor(platform::MakeRgb(10, 20, 30));
  const platform::COLORREF white = platform::MakeRgb(255, 255, 255);
  ASSERT_EQ(figure->SaveWithOptions(Path("white.Z4H"), 0, &white, {}), facade::kFacadeOk);
  EXPECT_EQ(figure->GetView().GetBackgroundColor(), platform::MakeRgb(10, 20, 30));
  facade::KxLibR reopened;
  ASSERT_EQ(reopened.Open(Path("white.Z4H")), facade::kFacadeOk);
  EXPECT_EQ(reopened.GetView().GetBackgroundColor(), white);
  // Rendering does not leave its pass colours behind in the figure.
  ASSERT_NE(figure->GetView().GetImage(false), nullptr);
  EXPECT_EQ(figure->GetView().GetBackgroundColor(), platform::MakeRgb(10, 20, 30));
}

TEST_F(SceneFileTest, AFailedSaveKeepsTheOldFileByteForByte) {
  auto figure = facadetest::StandardFigure();
  const std::string path = Path("kept.Z4H");
  ASSERT_EQ(figure->SaveWithOptions(path, 0, nullptr, {}), facade::kFacadeOk);
  const std::string old = FileBytes(path);
  ASSERT_GT(old.size(), 10000u);
  figure->GetView().SetCameraAngles(1.0, 0.0, 0.0);
  {
    testsupport::ScopedFileSizeLimit limit(4000);
    EXPECT_EQ(figure->SaveWithOptions(path, 0, nullptr, {}), facade::kFacadeCannotWrite);
  }
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(FilesInFolder(), 1) << "no temporary left beside it";
  EXPECT_EQ(FailState(), 0);

  // A folder that does not exist: nothing is made.
  EXPECT_EQ(figure->SaveWithOptions(Path("missing/figure.Z4H"), 0, nullptr, {}), facade::kFacadeCannotWrite);
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}

TEST_F(SceneFileTest, OpenRefusesWhatIsNotAReadableSceneAndLeavesAnEmptyScene) {
  facadetest::WriteBytes(Path("five.Z4T"), std::string("\x00\x00\x00\x05 and more", 13));
  facadetest::WriteBytes(Path("short.Z4T"), std::string("\xff\xff", 2));
  facadetest::WriteBytes(Path("variant.Z4T"), std::string("\xff\xff\xff\xfc", 4) + std::string(400, '\0'));
  facadetest::WriteBytes(Path("package.Z4T"), std::string("\xff\xff\xff\x9b\x00\x00\x00\x05", 8) + "garbage");
  for (const char* name : {"five.Z4T", "short.Z4T", "variant.Z4T", "package.Z4T", "none.Z4T"}) {
    SCOPED_TRACE(name);
    auto figure = facadetest::StandardFigure();
    EXPECT_EQ(figure->Open(Path(name)), facade::kFacadeCannotRead);
    ASSERT_NE(figure->GetScene(), nullptr);
    EXPECT_EQ(ObjectCount(*figure), 0);
    EXPECT_EQ(figure->GetScene()->GetChildCount(), 1) << "the floor grid";
    EXPECT_EQ(FailState(), 0);
  }
}

TEST_F(SceneFileTest, MergingAddsTheFilesObjects) {
  auto standard = facadetest::StandardFigure();
  ASSERT_EQ(standard->SaveWithOptions(Path("standard.Z4H"), facade::kSaveCompressed, nullptr, {}),
            facade::kFacadeOk);
  auto figure = facadetest::CubeShape({0.8, 0.2, 0.2}, 1.0);
  ASSERT_EQ(figure->MergeFile(Path("standard.Z4H")), facade::kFacadeOk);
  EXPECT_EQ(ObjectCount(*figure), 2);
  EXPECT_TRUE(figure->IsFigureIndex(2));
  EXPECT_FALSE(figure->IsFigureIndex(1));
  EXPECT_FALSE(figure->HasTransparentMaterial());
  EXPECT_FALSE(figure->GetView().IsImageValid());
  // Merging a file that cannot be read changes nothing.
  EXPECT_EQ(figure->MergeFile(Path("none.Z4H")), facade::kFacadeCannotRead);
  EXPECT_EQ(ObjectCount(*figure), 2);
  EXPECT_EQ(FailState(), 0);
}

// Allocations of a merge made to fail in turn (every fifth while reading,
// each of the last ones, where the objects are pasted): the merge answers
// -1, the scene keeps its objects and its transparency, and the failure
// state is clear afterwards.
TEST_F(SceneFileTest, AMergeThatRunsOutOfMemoryChangesNothing) {
  auto merged = facadetest::CubeShape({0.2, 0.2, 0.9}, 1.0);
  ASSERT_EQ(merged->SaveWithOptions(Path("cube.Z4T"), 0, nullptr, {}), facade::kFacadeOk);
  long allocations = 0;
  {
    auto probe = facadetest::CubeShape({1, 1, 1}, 0.5);
    const long before = engine::EngAllocationStats().allocations;
    ASSERT_EQ(probe->MergeFile(Path("cube.Z4T")), facade::kFacadeOk);
    allocations = engine::EngAllocationStats().allocations - before;
  }
  auto figure = facadetest::CubeShape({1, 1, 1}, 0.5);
  ASSERT_TRUE(figure->HasTransparentMaterial());
  int failures = 0;
  for (long nth = 1; nth <= allocations; nth += nth < allocations - 20 ? 5 : 1) {
    int result;
    {
      engine::EngAllocFailureScope fail(nth);
      result = figure->MergeFile(Path("cube.Z4T"));
    }
    EXPECT_EQ(FailState(), 0);
    if (result == facade::kFacadeOk) break;
    ++failures;
    ASSERT_EQ(result, facade::kFacadeFailed) << nth;
    ASSERT_EQ(ObjectCount(*figure), 1) << nth;
    ASSERT_TRUE(figure->HasTransparentMaterial()) << nth;
  }
  EXPECT_GT(failures, 20);
  ASSERT_EQ(figure->MergeFile(Path("cube.Z4T")), facade::kFacadeOk);
  EXPECT_EQ(ObjectCount(*figure), 2);
  EXPECT_TRUE(figure->HasTransparentMaterial());
}

TEST_F(SceneFileTest, SavingTheSelectionWritesOnlyTheSelectedObjects) {
  auto figure = facadetest::CubeShape({0.2, 0.8, 0.2}, 1.0);
  auto standard = facadetest::StandardFigure();
  ASSERT_EQ(standard->SaveWithOptions(Path("standard.Z4H"), 0, nullptr, {}), facade::kFacadeOk);
  ASSERT_EQ(figure->MergeFile(Path("standard.Z4H")), facade::kFacadeOk);
  engine::MDocObj& scene = *figure->GetScene();
  scene.SelectAll(false);
  scene.ChildAt(2)->Select(true);
  ASSERT_EQ(figure->SaveSelectionToFile(Path("selection.Z4H"), 0), facade::kFacadeOk);
  EXPECT_EQ(ObjectCount(*figure), 2) << "the scene keeps everything";
  EXPECT_EQ(engine::EngGlobalM().objects.count, 0) << "the engine clipboard is left empty";
  facade::KxLibR selection;
  ASSERT_EQ(selection.Open(Path("selection.Z4H")), facade::kFacadeOk);
  EXPECT_EQ(ObjectCount(selection), 1);
  EXPECT_TRUE(selection.IsFigureIndex(1));
}

TEST_F(SceneFileTest, ADuplicateIsAnIndependentCopyThatRendersTheSame) {
  auto figure = facadetest::StandardFigure();
  figure->SetLibraryFolder("/library");
  const platform::Image original = Picture(*figure);
  std::unique_ptr<facade::KxLibR> copy = figure->Duplicate();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(ObjectCount(*copy), 1);
  EXPECT_TRUE(copy->GetLibraryFolder().empty());
  EXPECT_TRUE(copy->GetMergedLibraryPaths().empty());
  EXPECT_EQ(PixelsDiffering(Picture(*copy), original), 0);
  // Changing the copy leaves the original alone.
  copy->GetView().SetCameraAngles(1.2, 0, 0);
  EXPECT_GT(PixelsDiffering(Picture(*copy), original), 100);
  EXPECT_EQ(PixelsDiffering(Picture(*figure), original), 0);
}

}  // namespace
