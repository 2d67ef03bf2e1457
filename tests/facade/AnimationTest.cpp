// Poses and animations on the standard figure through the facade: files
// applied and what they replaced put back, pose files and blends, frames,
// and files that cannot be read.
#include <cmath>
#include <vector>

#include "FacadeTestSupport.h"
#include "StandardAnimations.h"
#include "StandardFigure.h"
#include "engine/core/QFile.h"
#include "engine/figure/MBoneObj.h"
#include "engine/figure/MPose.h"
#include "engine/mesh/MVertex.h"
#include "engine/scene/AnimList.h"
#include "facade/KxLibAnim.h"

namespace {

using engine::PointRecord;
using facadetest::FacadeTest;

class AnimationTest : public facadetest::StandardFigureTest {
 protected:
  engine::MBoneObj& Bones() {
    return *standardfigure::FigureOf(*static_cast<engine::MGroupObj*>(Scene().ChildAt(1)));
  }
  std::vector<PointRecord> Joints() { return facadetest::JointsOf(Bones()); }
  static double Farthest(const std::vector<PointRecord>& a, const std::vector<PointRecord>& b) {
    return facadetest::Farthest(a, b);
  }
  // The standard animation recorded on a figure of its own and written as
  // an animation file.
  std::string AnimationFile(const std::string& name) {
    return facadetest::WriteStandardAnimation(name, Path("anim_" + name + ".z4e"));
  }
  // A standard pose recorded as a one-key animation file, as the library's
  // pose files are.
  std::string PoseAnimationFile(const std::string& name) {
    return facadetest::WriteStandardAnimation(name, Path("pose_" + name + ".z4e"), true);
  }
  // The scene's record as the scene file holds it.
  std::string SceneBytes() { return facadetest::SceneBytes(Scene(), Path("scene.bin")); }
  // A standard pose as a pose file, and the joints it gives the figure.
  std::string PoseFile(const std::string& name, std::vector<PointRecord>* joints = nullptr) {
    std::unique_ptr<engine::MGroupObj> built = standardfigure::BuildStandardFigure();
    engine::MBoneObj* bones = standardfigure::FigureOf(*built);
    engine::MPose pose;
    EXPECT_TRUE(standardfigure::MakeStandardPose(*bones, name, pose));
    if (joints != nullptr)
      for (engine::MVertex* v : bones->GetVertexList()) joints->push_back(v->position);
    const std::string path = Path("pose_" + name + ".pos");
    int size = 0;
    pose.WriteTo(nullptr, &size, 0, nullptr);
    engine::QFile file(path, platform::File::Mode::kCreateWrite);
    pose.WriteTo(&file, nullptr, size, nullptr);
    file.FlushAndClose();
    return path;
  }
};

// The walk applied to the figure moves it frame by frame; putting back what
// it replaced gives the figure its still pose again.
TEST_F(AnimationTest, AnAnimationFileIsAppliedAndPutBack) {
  const std::string walk = AnimationFile("walk");
  const std::vector<PointRecord> still = Joints();
  facade::KxLibAnimArray saved;
  ASSERT_EQ(figure_->ApplyAnimFile(walk, 1, saved, false), facade::kFacadeOk);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].GetObjectIndex(), 1);
  EXPECT_GT(Scene().GetFrameCount(true), 10);
  EXPECT_FALSE(Scene().HasSelectedObject());
  EXPECT_FALSE(figure_->GetView().IsImageValid());
  const std::vector<PointRecord> first = Joints();
  ASSERT_EQ(figure_->SetFrame(10), facade::kFacadeOk);
  EXPECT_EQ(Scene().GetCurrentFrame(), 10);
  const std::vector<PointRecord> tenth = Joints();
  EXPECT_GT(Farthest(first, tenth), 0.05) << "the figure walks";
  const platform::Image* picture = figure_->GetView().GetImage(false);
  ASSERT_NE(picture, nullptr);
  facadetest::SavePicture(*picture, "walk_frame_10");

  EXPECT_EQ(figure_->RestoreAnims(saved), 1);
  EXPECT_LT(Farthest(still, Joints()), 1e-9);
  EXPECT_EQ(FailState(), 0);
  // The walk again, by every figure of the scene, without an undo copy.
  facade::KxLibAnimArray none;
  ASSERT_EQ(figure_->ApplyAnimFile(walk, -1, none, true), facade::kFacadeOk);
  EXPECT_TRUE(none.empty());
  EXPECT_LT(Farthest(first, Joints()), 1e-9);
}

// Undoing an animation or pose file gives the scene back byte for byte,
// whether the figure had an animation before or not: an animation the file
// made is taken away again, and the joints are those it stood in, not
// recomputed from keys.
TEST_F(AnimationTest, PuttingBackWhatAFileReplacedGivesTheSceneBytesBack) {
  struct Case {
    const char* what;
    bool animatedBefore;
    bool pose;
    const char* name;
  };
  const Case cases[] = {
      {"a pose on a figure without animation", false, true, "sitting"},
      {"a walk on a figure without animation", false, false, "walk"},
      {"a pose on a waving figure", true, true, "arms_raised"},
      {"a walk on a waving figure", true, false, "walk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    figure_ = facadetest::StandardFigure(120, 160);
    ASSERT_NE(figure_, nullptr);
    if (c.animatedBefore) {
      facade::KxLibAnimArray unused;
      ASSERT_EQ(figure_->ApplyAnimFile(AnimationFile("wave"), 1, unused, true), facade::kFacadeOk);
    }
    const int animations = Scene().CurrentAnimations().Count();
    const std::string path = c.pose ? PoseAnimationFile(c.name) : AnimationFile(c.name);
    const std::string before = SceneBytes();
    facade::KxLibAnimArray saved;
    ASSERT_EQ(figure_->ApplyAnimFile(path, 1, saved, false), facade::kFacadeOk);
    ASSERT_NE(SceneBytes(), before);
    EXPECT_EQ(Scene().CurrentAnimations().Count(), 1);
    EXPECT_EQ(figure_->RestoreAnims(saved), 1);
    EXPECT_EQ(FailState(), 0);
    EXPECT_EQ(Scene().CurrentAnimations().Count(), animations);
    const std::string after = SceneBytes();
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(facadetest::FirstDifference(after, before), -1);
  }
}

TEST_F(AnimationTest, SavedAnimationsOfAFigureComeBack) {
  const std::string wave = AnimationFile("wave");
  facade::KxLibAnimArray unused;
  ASSERT_EQ(figure_->ApplyAnimFile(wave, 1, unused, true), facade::kFacadeOk);
  ASSERT_EQ(figure_->SetFrame(12), facade::kFacadeOk);
  const std::vector<PointRecord> waving = Joints();
  facade::KxLibAnimArray saved;
  ASSERT_EQ(figure_->SaveAnims(1, saved), facade::kFacadeOk);
  ASSERT_EQ(saved.size(), 1u);
  ASSERT_EQ(figure_->ApplyAnimFile(AnimationFile("walk"), 1, unused, true), facade::kFacadeOk);
  ASSERT_EQ(figure_->RestoreAnims(saved), 1);
  ASSERT_EQ(figure_->SetFrame(12), facade::kFacadeOk);
  EXPECT_LT(Farthest(waving, Joints()), 1e-9);
  // Nothing saved: only frame 0 is shown.
  EXPECT_EQ(figure_->RestoreAnims(facade::KxLibAnimArray()), 1);
  EXPECT_EQ(Scene().GetCurrentFrame(), 0);
}

// An animation that fits nothing selected is refused, the scene left
// deselected and the undo list untouched; files that cannot be read are
// reported, never thrown.
TEST_F(AnimationTest, AnimationsThatDoNotApply) {
  const std::string walk = AnimationFile("walk");
  facade::KxLibAnimArray saved;
  EXPECT_EQ(figure_->ApplyAnimFile(walk, 7, saved, false), facade::kFacadeFailed);
  EXPECT_TRUE(saved.empty());
  EXPECT_FALSE(Scene().HasSelectedObject());

  facadetest::WriteBytes(Path("damaged.z4e"), facadetest::FileBytes(walk).substr(0, 90));
  facadetest::WriteBytes(Path("empty.z4e"), "");
  for (const char* name : {"missing.z4e", "damaged.z4e", "empty.z4e"}) {
    EXPECT_EQ(figure_->ApplyAnimFile(Path(name), 1, saved, false), facade::kFacadeCannotRead) << name;
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(FailState(), 0);
  }
  // A package without the animation member.
  auto other = facadetest::StandardFigure(40, 40);
  ASSERT_EQ(other->SaveWithOptions(Path("figure.z4e"), 0, nullptr, {}), facade::kFacadeOk);
  EXPECT_EQ(figure_->ApplyAnimFile(Path("figure.z4e"), 1, saved, false), facade::kFacadeCannotRead);
}

// A pose file poses the selected figures as the pose was taken.
TEST_F(AnimationTest, APoseFilePosesTheSelectedFigure) {
  std::vector<PointRecord> sitting;
  const std::string path = PoseFile("sitting", &sitting);
  facade::KxLibAnim holder;
  holder.InitWithNewPose();
  ASSERT_EQ(holder.LoadPoseFile(path), facade::kFacadeOk);
  Scene().SelectOnlyChild(1);
  ASSERT_EQ(figure_->ApplyPose(holder), facade::kFacadeOk);
  EXPECT_LT(Farthest(sitting, Joints()), 1e-6);
  EXPECT_FALSE(figure_->GetView().IsImageValid());
  Scene().SelectAll(false);
  facadetest::SavePicture(*figure_->GetView().GetImage(false), "pose_sitting");

  facadetest::WriteBytes(Path("cut.pos"), facadetest::FileBytes(path).substr(0, 40));
  for (const char* name : {"missing.pos", "cut.pos"}) {
    facade::KxLibAnim bad;
    bad.InitWithNewPose();
    EXPECT_EQ(bad.LoadPoseFile(Path(name)), facade::kFacadeCannotRead) << name;
    EXPECT_EQ(FailState(), 0);
  }
  facade::KxLibAnim empty;
  EXPECT_EQ(empty.LoadPoseFile(path), facade::kFacadeFailed) << "no pose to read into";
}

// A blend at t runs from the first pose (0) to the second (1).
TEST_F(AnimationTest, BlendedPosesRunFromTheFirstToTheSecond) {
  std::vector<PointRecord> standing, raised;
  facade::KxLibAnim first, second;
  first.InitWithNewPose();
  second.InitWithNewPose();
  ASSERT_EQ(first.LoadPoseFile(PoseFile("standing", &standing)), facade::kFacadeOk);
  ASSERT_EQ(second.LoadPoseFile(PoseFile("arms_raised", &raised)), facade::kFacadeOk);
  ASSERT_GT(Farthest(standing, raised), 0.3);
  std::vector<double> fromStanding;
  for (double t : {0.0, 0.25, 1.0}) {
    SCOPED_TRACE(t);
    facade::KxLibAnim blend;
    blend.InitWithNewPose();
    ASSERT_EQ(blend.BlendPoses(first, second, t), facade::kFacadeOk);
    Scene().SelectOnlyChild(1);
    ASSERT_EQ(figure_->ApplyPose(blend), facade::kFacadeOk);
    fromStanding.push_back(Farthest(standing, Joints()));
    if (t == 1.0) {
      EXPECT_LT(Farthest(raised, Joints()), 1e-6);
    }
  }
  EXPECT_LT(fromStanding[0], 1e-6);
  EXPECT_GT(fromStanding[1], 0.05);
  EXPECT_LT(fromStanding[1], fromStanding[2] / 2);
  facade::KxLibAnim blend;
  EXPECT_EQ(blend.BlendPoses(first, second, 0.5), facade::kFacadeFailed) << "no pose to blend into";
}

}  // namespace
