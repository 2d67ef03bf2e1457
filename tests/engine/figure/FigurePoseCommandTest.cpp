// Poses through the scene's commands: one figure's pose copied and pasted
// onto another, a figure of another skeleton passed over, the lowest point
// kept, and a pose stream applied; the pose keys of animations use the same
// path.
#include <cmath>

#include "FigureTestSupport.h"
#include "engine/core/CRGlobalM.h"
#include "engine/core/QFile.h"
#include "engine/scene/MDocObj.h"
#include "support/TempDir.h"

namespace figuretest {
namespace {

using namespace engine;

class FigurePoseCommandTest : public FigureTest {
 protected:
  MGroupObj* AddStandard(double x) {
    std::unique_ptr<MGroupObj> built = standardfigure::BuildStandardFigure();
    MGroupObj* group = built.get();
    MatrixRecord m;
    MUtilIdentity(m);
    m.m[3][0] = x;
    group->SetMatrix(m);
    scene_.AddChild(built.release());
    return group;
  }
  static double Lowest(MDocObj& scene, MObject* group) {
    BoundsRecord box;
    scene.GetWorldBounds(group, box);
    return box.minY;
  }
  static double Largest(MBoneObj& a, MBoneObj& b) {
    MPose pa, pb;
    a.GetPose(pa);
    b.GetPose(pb);
    double d = pa.BoneCount() == pb.BoneCount() ? 0 : 1e9;
    for (int i = 0; i < pa.BoneCount() && i < pb.BoneCount(); ++i)
      for (int k = 0; k < 3; ++k) d = std::max(d, std::fabs(pa.bones[i].angles[k] - pb.bones[i].angles[k]));
    return d;
  }
  void TearDown() override {
    EngGlobalM().Clear();
    FigureTest::TearDown();
  }
  MDocObj scene_;
};

TEST_F(FigurePoseCommandTest, APoseCopiedFromOneFigurePastesOntoAnother) {
  MGroupObj* giver = AddStandard(0);
  MGroupObj* taker = AddStandard(2);
  MPose walking;
  ASSERT_TRUE(standardfigure::MakeStandardPose(*standardfigure::FigureOf(*giver), "walking", walking));
  scene_.SelectAll(false);
  giver->Select(true);
  scene_.CopyPose();
  ASSERT_NE(GetClipboardPose(), nullptr);
  EXPECT_EQ(GetClipboardPose()->GetAddPose().GetExtraIndex(), scene_.GetUnitCode());
  scene_.SelectAll(false);
  taker->Select(true);
  EXPECT_EQ(scene_.PastePose(), 0);
  ASSERT_EQ(FailState(), 0);
  EXPECT_LT(Largest(*standardfigure::FigureOf(*giver), *standardfigure::FigureOf(*taker)), 1e-9);

  // With two figures selected the copy takes none.
  giver->Select(true);
  scene_.CopyPose();
  EXPECT_EQ(GetClipboardPose(), nullptr);
}

TEST_F(FigurePoseCommandTest, AFigureOfAnotherSkeletonIsPassedOver) {
  MGroupObj* standard = AddStandard(0);
  Chain chain = MakeChain();
  MGroupObj* small = chain.group.get();
  scene_.AddChild(chain.group.release());
  MPose sitting;
  ASSERT_TRUE(standardfigure::MakeStandardPose(*standardfigure::FigureOf(*standard), "sitting", sitting));
  standardfigure::FigureOf(*standard)->ResetPose(&scene_);
  scene_.SelectAll(false);
  standard->Select(true);
  small->Select(true);
  EXPECT_EQ(scene_.ApplyPoseToSelection(sitting, nullptr, 0), MDocObj::kPoseFitSome);
  EXPECT_FALSE(standardfigure::FigureOf(*standard)->IsAtRestPose());
  scene_.SelectAll(false);
  small->Select(true);
  EXPECT_EQ(scene_.ApplyPoseToSelection(sitting, nullptr, 0), MDocObj::kPoseFitNone);
}

TEST_F(FigurePoseCommandTest, KeepingTheFloorLeavesTheLowestPointInPlace) {
  MGroupObj* group = AddStandard(0);
  MBoneObj* figure = standardfigure::FigureOf(*group);
  const double before = Lowest(scene_, group);
  // Both legs raised straight forward: the feet leave the floor.
  for (auto [hip, knee] : {std::pair{standardfigure::kHipR, standardfigure::kKneeR},
                           std::pair{standardfigure::kHipL, standardfigure::kKneeL}})
    standardfigure::TurnBone(*figure, hip, knee, {1, 0, 0}, -85);
  figure->UpdateBoneMatrices(1);
  figure->DeformBoundObjects(&scene_);
  MPose lifted;
  figure->GetPose(lifted);
  figure->ResetPose(&scene_);
  EXPECT_EQ(scene_.ApplyPoseToSelection(lifted, group, 0), 0);
  EXPECT_GT(Lowest(scene_, group) - before, 0.2);
  figure->ResetPose(&scene_);
  EXPECT_EQ(scene_.ApplyPoseToSelection(lifted, group, 1), 0);
  EXPECT_NEAR(Lowest(scene_, group), before, 1e-6);
}

TEST_F(FigurePoseCommandTest, APoseStreamAppliesAndADamagedOneThrows) {
  MGroupObj* group = AddStandard(0);
  MPose walking;
  ASSERT_TRUE(standardfigure::MakeStandardPose(*standardfigure::FigureOf(*group), "walking", walking));
  standardfigure::FigureOf(*group)->ResetPose(&scene_);
  testsupport::TempDir dir;
  int size = 0;
  walking.WriteTo(nullptr, &size, 0, nullptr);
  {
    QFile out(dir.File("walk.pos"), platform::File::Mode::kCreateWrite);
    walking.WriteTo(&out, nullptr, size, nullptr);
    out.FlushAndClose();
  }
  QFile in(dir.File("walk.pos"), platform::File::Mode::kRead);
  EXPECT_EQ(scene_.ApplyPoseFromFile(in, group, 0), 0);
  EXPECT_FALSE(standardfigure::FigureOf(*group)->IsAtRestPose());
  testsupport::WriteText(dir.File("bad.pos"), "not a pose");
  QFile bad(dir.File("bad.pos"), platform::File::Mode::kRead);
  EXPECT_THROW(scene_.ApplyPoseFromFile(bad, group, 0), int);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(FigurePoseCommandTest, PoseValuesBlendTwoPosesOntoTheOneSelectedFigure) {
  MGroupObj* group = AddStandard(0);
  MGroupObj* other = AddStandard(2);
  MBoneObj* figure = standardfigure::FigureOf(*group);
  MPose sitting, walking;
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure, "sitting", sitting));
  ASSERT_TRUE(standardfigure::MakeStandardPose(*figure, "walking", walking));
  // The poses as the figure takes them, to compare with.
  auto posedBy = [&](MPose& pose) {
    MBoneObj* copy = standardfigure::FigureOf(*other);
    copy->ResetPose(&scene_);
    copy->SetPose(&scene_, pose);
    return copy;
  };
  scene_.SelectAll(false);
  group->Select(true);
  EXPECT_EQ(scene_.ApplyPoseValues(sitting, walking, 0), 0);
  EXPECT_LT(Largest(*figure, *posedBy(sitting)), 1e-9) << "t = 0 is the first pose";
  EXPECT_EQ(scene_.ApplyPoseValues(sitting, walking, 1), 0);
  EXPECT_LT(Largest(*figure, *posedBy(walking)), 1e-9) << "t = 1 is the second";
  // Halfway lies apart from both, and is the same whichever pose comes first.
  EXPECT_EQ(scene_.ApplyPoseValues(sitting, walking, 0.5), 0);
  MPose half;
  figure->GetPose(half);
  EXPECT_GT(Largest(*figure, *posedBy(sitting)), 0.05);
  EXPECT_GT(Largest(*figure, *posedBy(walking)), 0.05);
  EXPECT_EQ(scene_.ApplyPoseValues(walking, sitting, 0.5), 0);
  EXPECT_LT(Largest(*figure, *posedBy(half)), 1e-9);
  ASSERT_EQ(FailState(), 0) << FailReason();

  // Two figures selected: refused, neither changes.
  other->Select(true);
  MPose before;
  figure->GetPose(before);
  EXPECT_EQ(scene_.ApplyPoseValues(sitting, walking, 0), -1);
  EXPECT_LT(Largest(*figure, *posedBy(before)), 1e-9);
  // A figure of another skeleton does not take the poses.
  Chain chain = MakeChain();
  MGroupObj* small = chain.group.get();
  scene_.AddChild(chain.group.release());
  scene_.SelectAll(false);
  small->Select(true);
  EXPECT_EQ(scene_.ApplyPoseValues(sitting, walking, 0.5), MDocObj::kPoseFitNone);
}

}  // namespace
}  // namespace figuretest
