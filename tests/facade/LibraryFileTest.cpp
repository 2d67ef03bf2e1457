// Library files on the figures of a shape: a human takes a figure's place,
// pose and animation; composed humans, item files and their hands; saved
// lists applied again; figures put back from the copy saved before.
#include <cmath>
#include <vector>

#include "FacadeTestSupport.h"
#include "StandardAnimations.h"
#include "StandardFigure.h"
#include "engine/core/EngMath.h"
#include "engine/core/MGroupObj.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MVertex.h"

namespace libraryfiletest {

using engine::PointRecord;

class LibraryFileTest : public facadetest::StandardFigureTest {
 protected:
  engine::MBoneObj* BonesAt(int index) {
    auto* group = dynamic_cast<engine::MGroupObj*>(Scene().ChildAt(index));
    return group != nullptr ? standardfigure::FigureOf(*group) : nullptr;
  }
  // No joints when the object is no figure, which no pose equals.
  std::vector<PointRecord> Joints(int index) {
    engine::MBoneObj* bones = BonesAt(index);
    return bones != nullptr ? facadetest::JointsOf(*bones) : std::vector<PointRecord>{};
  }
  static double Farthest(const std::vector<PointRecord>& a, const std::vector<PointRecord>& b) {
    return a.empty() ? 1e9 : facadetest::Farthest(a, b);
  }
  platform::Image Render() {
    const platform::Image* image = figure_->GetView().GetImage(false);
    EXPECT_NE(image, nullptr);
    return image != nullptr ? *image : platform::Image();
  }
  // The standard figure in one colour, saved as a library file.
  std::string HumanFile(const std::string& name, engine::PointRecord colour) {
    auto human = facadetest::StandardFigure(60, 80);
    engine::PtrArray meshes;
    human->GetScene()->CollectMeshes(human->GetScene(), meshes);
    for (int i = 0; i < meshes.count; ++i)
      for (engine::MShader* shader : static_cast<engine::MMeshObj*>(meshes[i])->shaders)
        shader->diffuseColor = colour;
    const std::string path = Path(name);
    EXPECT_EQ(human->SaveWithOptions(path, 0, nullptr, {}), facade::kFacadeOk);
    return path;
  }
  // The standard animation as an animation file (a hands file is one).
  std::string AnimationFile(const std::string& animation, const std::string& name) {
    return facadetest::WriteStandardAnimation(animation, Path(name));
  }
  // A second standard figure beside the first: objects 1 and 2.
  void AddSecondFigure() {
    auto other = facadetest::StandardFigure(60, 80);
    ASSERT_EQ(other->SaveWithOptions(Path("second.z4t"), 0, nullptr, {}), facade::kFacadeOk);
    ASSERT_EQ(figure_->MergeFile(Path("second.z4t")), facade::kFacadeOk);
    Scene().SelectOnlyChild(2);
    figure_->MoveSelection(1.0, 0, 0);
    Scene().SelectAll(false);
    ASSERT_TRUE(figure_->IsFigureIndex(2));
  }
  bool AnythingSelected() { return Scene().HasSelectedObject(); }
};

// A person applied to a walking figure that was moved aside: the new person
// stands in its place, in its pose, with its animation, and the path is
// remembered for the side file. Putting the saved copy back gives the same
// picture and pose as before.
TEST_F(LibraryFileTest, AHumanTakesTheFiguresPlacePoseAndAnimationAndTheCopyPutsItBack) {
  facade::KxLibAnimArray none;
  ASSERT_EQ(figure_->ApplyAnimFile(AnimationFile("walk", "walk.z4e"), 1, none, true), facade::kFacadeOk);
  Scene().SelectOnlyChild(1);
  figure_->MoveSelection(0.1, 0, 0);
  Scene().SelectAll(false);
  ASSERT_EQ(figure_->SetFrame(6), facade::kFacadeOk);
  const std::vector<PointRecord> walking = Joints(1);
  const int frames = Scene().GetFrameCount(true);
  const platform::Image before = Render();
  facadetest::SavePicture(before, "library_human_before");

  const std::string red = HumanFile("red.z4h", {0.86, 0.16, 0.16});
  std::string saved;
  ASSERT_EQ(figure_->ApplyLibraryFile(red, 1, saved, true), facade::kFacadeOk);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(facadetest::ObjectCount(*figure_), 1) << "the old figure went";
  ASSERT_TRUE(figure_->IsFigureIndex(1));
  EXPECT_FALSE(AnythingSelected());
  EXPECT_EQ(Scene().GetFrameCount(true), frames) << "the animation stays";
  ASSERT_EQ(figure_->SetFrame(6), facade::kFacadeOk);
  EXPECT_LT(Farthest(Joints(1), walking), 1e-6) << "same pose at the same frame, in the same place";
  ASSERT_GE(figure_->GetMergedLibraryPaths().size(), 2u);
  EXPECT_EQ(figure_->GetMergedLibraryPaths()[1], red);
  EXPECT_FALSE(figure_->IsTempHumanApplied());
  const platform::Image applied = Render();
  facadetest::SavePicture(applied, "library_human_applied");
  // The same outline, another colour.
  int redPixels = 0, shapeChanged = 0;
  for (int y = 0; y < applied.Height(); ++y)
    for (int x = 0; x < applied.Width(); ++x) {
      const platform::Bgra p = applied.GetBgra(x, y);
      redPixels += p.r > 2 * p.g + 20 && p.r > 2 * p.b + 20 ? 1 : 0;
      shapeChanged += (p.a == 0) != (before.GetBgra(x, y).a == 0) ? 1 : 0;
    }
  EXPECT_GT(redPixels, 300);
  EXPECT_LT(shapeChanged, 5);

  ASSERT_EQ(figure_->ReplaceWithFile(saved, 1), 1);
  EXPECT_EQ(facadetest::ObjectCount(*figure_), 1);
  EXPECT_FALSE(AnythingSelected());
  ASSERT_EQ(figure_->SetFrame(6), facade::kFacadeOk);
  EXPECT_LT(Farthest(Joints(1), walking), 1e-6);
  const platform::Image back = Render();
  facadetest::SavePicture(back, "library_human_put_back");
  EXPECT_EQ(facadetest::PixelsDiffering(back, before), 0);
  std::remove(saved.c_str());
}

// Which path a file takes and what is remembered, by its name.
TEST_F(LibraryFileTest, TheNameDecidesHumanOrItemAndWhatIsRemembered) {
  const std::string blue = HumanFile("blue.z4h", {0.2, 0.3, 0.9});
  struct Case {
    const char* what;
    std::string name;
    bool remembered, temporary;
  };
  const Case cases[] = {
      {"a person", "person.z4h", true, false},
      {"mixed case is no item", "thing.Z4i", true, false},
      {"a composed person", "tamarik_tmp_human_01.z4h", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    figure_ = facadetest::StandardFigure(120, 160);
    const std::string path = Path(c.name);
    facadetest::WriteBytes(path, facadetest::FileBytes(blue));
    std::string saved = "stale";
    ASSERT_EQ(figure_->ApplyLibraryFile(path, 1, saved, false), facade::kFacadeOk);
    EXPECT_TRUE(saved.empty()) << "no copy asked for";
    EXPECT_EQ(facadetest::ObjectCount(*figure_), 1) << "replaced, not added";
    const auto& paths = figure_->GetMergedLibraryPaths();
    EXPECT_EQ(paths.size() >= 2 && paths[1] == path, c.remembered);
    EXPECT_EQ(figure_->IsTempHumanApplied(), c.temporary);
  }
}

// Index -1 reaches every figure; a saved list applies entry i to object i
// only; objects that are not figures, missing files and damaged lists are
// refused, and nothing is left selected.
TEST_F(LibraryFileTest, EveryFigureOrOnlyTheListedOneAndRefusals) {
  AddSecondFigure();
  const std::string green = HumanFile("green.z4h", {0.2, 0.8, 0.2});
  std::string saved;
  ASSERT_EQ(figure_->ApplyLibraryFile(green, -1, saved, false), facade::kFacadeOk);
  EXPECT_EQ(facadetest::ObjectCount(*figure_), 2);
  ASSERT_GE(figure_->GetMergedLibraryPaths().size(), 3u);
  EXPECT_EQ(figure_->GetMergedLibraryPaths()[1], green);
  EXPECT_EQ(figure_->GetMergedLibraryPaths()[2], green);

  figure_ = facadetest::StandardFigure(120, 160);
  AddSecondFigure();
  EXPECT_EQ(figure_->ApplyLibraryFiles({"", "", green}), facade::kFacadeOk);
  ASSERT_EQ(figure_->GetMergedLibraryPaths().size(), 3u);
  EXPECT_TRUE(figure_->GetMergedLibraryPaths()[1].empty()) << "entry 1 was empty";
  EXPECT_EQ(figure_->GetMergedLibraryPaths()[2], green);
  EXPECT_EQ(figure_->ApplyLibraryFiles({"", Path("missing.z4h")}), facade::kFacadeLibraryFileFailed);

  struct Refusal {
    const char* what;
    int index;
    std::string path;
  };
  const Refusal refusals[] = {
      {"the floor grid", 0, green},
      {"no such object", 7, green},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.what);
    const int count = Scene().GetChildCount();
    std::string out = "stale";
    EXPECT_EQ(figure_->ApplyLibraryFile(r.path, r.index, out, true), facade::kFacadeFailed);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(Scene().GetChildCount(), count);
    EXPECT_FALSE(AnythingSelected());
    EXPECT_EQ(figure_->ReplaceWithFile(r.path, r.index), facade::kFacadeFailed);
    EXPECT_EQ(Scene().GetChildCount(), count);
  }
  EXPECT_EQ(FailState(), 0);
}

// An item is attached to the figure it is dropped on (the figure keeps one
// top-level object and gains the item's meshes) and gets the hands beside
// it, else the library's default hands; with neither it is attached all
// the same.
TEST_F(LibraryFileTest, AnItemIsAttachedAndGetsItsOwnOrTheDefaultHands) {
  const std::string item = HumanFile("sword.z4i", {0.7, 0.7, 0.2});
  const std::string hands = AnimationFile("wave", "hands.z4e");
  struct Case {
    const char* what;
    bool ownHands, defaultHands;
  };
  const Case cases[] = {
      {"no hands anywhere", false, false},
      {"hands beside the item", true, false},
      {"the library's default hands", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::remove(Path("sword.z4n").c_str());
    std::remove(Path("DefaultHands.z4n").c_str());
    if (c.ownHands) facadetest::WriteBytes(Path("sword.z4n"), facadetest::FileBytes(hands));
    if (c.defaultHands) facadetest::WriteBytes(Path("DefaultHands.z4n"), facadetest::FileBytes(hands));
    figure_ = facadetest::StandardFigure(120, 160);
    figure_->SetLibraryFolder(folder_);
    engine::PtrArray meshes;
    Scene().CollectMeshes(&Scene(), meshes);
    const int meshesBefore = meshes.count;
    const std::vector<PointRecord> still = Joints(1);
    std::string saved;
    ASSERT_EQ(figure_->ApplyLibraryFile(item, 1, saved, false), facade::kFacadeOk);
    EXPECT_EQ(facadetest::ObjectCount(*figure_), 1);
    ASSERT_TRUE(figure_->IsFigureIndex(1));
    meshes.count = 0;
    Scene().CollectMeshes(&Scene(), meshes);
    EXPECT_GT(meshes.count, meshesBefore) << "the item's meshes came with it";
    EXPECT_EQ(Farthest(Joints(1), still) > 1e-3, c.ownHands || c.defaultHands) << "hands pose the figure";
    EXPECT_TRUE(figure_->GetMergedLibraryPaths().size() < 2 || figure_->GetMergedLibraryPaths()[1].empty())
        << "items are not listed";
    EXPECT_FALSE(AnythingSelected());
    if (c.ownHands) facadetest::SavePicture(Render(), "library_item_with_hands");
  }
}

}  // namespace libraryfiletest
