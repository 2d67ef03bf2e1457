// Poses on the standard figure: capturing and applying, length ratios, the
// bone flag table, blending, pins, undo; and the pose's own interpolation.
#include <cmath>

#include "FigureTestSupport.h"
#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"

namespace figuretest {
namespace {

using namespace engine;
namespace sf = standardfigure;

class PoseTest : public StandardFigureFixture {
 protected:
  void Pose(const std::string& name, MPose& pose) {
    EXPECT_TRUE(sf::MakeStandardPose(*figure_, name, pose));
    figure_->ResetPose(nullptr);
  }
  PointRecord Joint(int i) { return figure_->GetVertexByIndex(i)->position; }
  PointRecord Direction(int bone) {
    const MLine* line = (*figure_->bones)[bone].line;
    PointRecord d{line->end1->position.x - line->end0->position.x, line->end1->position.y - line->end0->position.y,
                  line->end1->position.z - line->end0->position.z};
    OsUtilNormalize(d);
    return d;
  }
  double Length(int bone) {
    const MLine* line = (*figure_->bones)[bone].line;
    return MUtilDistance(line->end0->position, line->end1->position);
  }
  double RestLength(int bone) {
    const BoneRecord& b = (*figure_->bones)[bone];
    return MUtilDistance(b.restStart, b.restEnd);
  }
};

TEST_F(PoseTest, ApplyingAPoseTwiceEqualsApplyingItOnce) {
  MPose pose;
  Pose("walking", pose);
  figure_->SetPose(nullptr, pose);
  std::unique_ptr<MObject> once(figure_->Clone());
  figure_->SetPose(nullptr, pose);
  ASSERT_EQ(FailState(), 0);
  EXPECT_LT(JointDistance(*figure_, *static_cast<MBoneObj*>(once.get())), 1e-9);
  for (int i = 0; i < figure_->bones->count; ++i) EXPECT_NEAR(Length(i), RestLength(i), 1e-9) << i;
}

TEST_F(PoseTest, ALengthRatioOfTwoDoublesTheBoneAndItsChildrenFollow) {
  MPose pose;
  Pose("arms_raised", pose);
  constexpr int kUpperArm = 9;  // shoulder to elbow, +x side
  pose.addPose.ResizeRatioList(20);
  pose.addPose.ratios[kUpperArm] = 2.0;
  pose.addPose.SetEnabled(true);
  MPose plain;
  Pose("arms_raised", plain);
  figure_->SetPose(nullptr, plain);
  const PointRecord direction = Direction(kUpperArm);
  const double forearm = Length(10);
  figure_->SetPose(nullptr, pose);
  ASSERT_EQ(FailState(), 0);
  EXPECT_NEAR(Length(kUpperArm), 2 * RestLength(kUpperArm), 1e-9);
  const PointRecord now = Direction(kUpperArm);
  EXPECT_NEAR(MUtilDistance(now, direction), 0, 1e-9) << "in the pose's direction";
  EXPECT_NEAR(Length(10), forearm, 1e-9) << "the forearm keeps its length and follows";
  EXPECT_NEAR(MUtilDistance((*figure_->bones)[10].line->end0->position, (*figure_->bones)[kUpperArm].line->end1->position),
              0, 1e-12);
}

TEST_F(PoseTest, BonesFlaggedForTheSkeletonKindKeepTheCurrentPose) {
  MPose walking;
  Pose("walking", walking);
  MPose raised;
  Pose("arms_raised", raised);
  raised.addPose.skeletonKind = 0;
  figure_->SetPose(nullptr, walking);
  std::vector<PointRecord> before;
  for (int i = 0; i < 20; ++i) before.push_back(Direction(i));
  figure_->SetPose(nullptr, raised);
  ASSERT_EQ(FailState(), 0);
  int flagged = 0;
  for (int i = 0; i < 20; ++i) {
    if (!EngGlobalM().IsBoneFlagged(0, i)) continue;
    ++flagged;
    EXPECT_LT(MUtilDistance(Direction(i), before[i]), 1e-6) << "flagged bone " << i;
  }
  EXPECT_GT(flagged, 0);
  // An unflagged bone of the arms takes the raised pose: the right upper
  // arm (bone 9) points up.
  ASSERT_FALSE(EngGlobalM().IsBoneFlagged(0, 9));
  EXPECT_GT(Direction(9).y, 0.3);
}

TEST_F(PoseTest, InterpolationGivesTheEndsAtZeroAndOne) {
  PoseBoneRecord a{{0, 0, 0}, {0, 1, 0}, {0.3, -0.2, 0.5}};
  PoseBoneRecord b{{1, 0, 0}, {1, 2, 0}, {-0.7, 0.4, 1.1}};
  auto frame = [](const double angles[3]) {
    MatrixRecord m;
    MUtilComposeMatrix(angles[0], angles[1], angles[2], {1, 1, 1}, {0, 0, 0}, nullptr, m);
    return m;
  };
  auto image = [&](const PoseBoneRecord& r, const PointRecord& v) {
    PointRecord out;
    MUtilTransformVector(frame(r.angles), v, out);
    return out;
  };
  PoseBoneRecord at0 = a, out0 = a;
  MPose::Interpolate(at0, b, 0.0, out0);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(out0.angles[k], a.angles[k], 1e-9);
  EXPECT_EQ(at0.end.y, a.end.y);
  PoseBoneRecord at1 = a, out1 = a;
  MPose::Interpolate(at1, b, 1.0, out1);
  // B's direction of the bone and B's twist about it: the whole frame.
  for (const PointRecord v : {PointRecord{0, 1, 0}, PointRecord{1, 0, 0}, PointRecord{0, 0, 1}})
    EXPECT_LT(MUtilDistance(image(out1, v), image(b, v)), 1e-9);
  EXPECT_EQ(at1.start.x, 1);
  EXPECT_EQ(at1.end.y, 2);
  // Half way turns half the swing: the direction bisects the two.
  PoseBoneRecord half = a, outHalf = a;
  MPose::Interpolate(half, b, 0.5, outHalf);
  const PointRecord da = image(a, {0, 1, 0}), db = image(b, {0, 1, 0}), dh = image(outHalf, {0, 1, 0});
  EXPECT_NEAR(MUtilCosAngle(da, {0, 0, 0}, dh), MUtilCosAngle(db, {0, 0, 0}, dh), 1e-9);
}

TEST_F(PoseTest, InterpolatingBetweenOppositeDirectionsTurnsAcross) {
  // A bone along y, B turned half round about x: the blend half way points
  // across the bone, not along it.
  PoseBoneRecord a{{0, 0, 0}, {0, 0, 1}, {0, 0, 0}};
  PoseBoneRecord b{{0, 0, 0}, {0, 0, 1}, {M_PI, 0, 0}};
  PoseBoneRecord half = a, out = a;
  MPose::Interpolate(half, b, 0.5, out);
  MatrixRecord m;
  MUtilComposeMatrix(out.angles[0], out.angles[1], out.angles[2], {1, 1, 1}, {0, 0, 0}, nullptr, m);
  PointRecord d;
  MUtilTransformVector(m, {0, 0, 1}, d);
  EXPECT_NEAR(d.z, 0, 1e-9) << "a quarter turn of the swing";
  EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y), 1, 1e-9);
}

TEST_F(PoseTest, BlendingCopiesTheFirstPoseAndAdoptsAnotherLayout) {
  MPose walking;
  Pose("walking", walking);
  MPose blend;
  blend.SetZero();
  blend.AddWeighted(walking, 0.3, 0.0);
  ASSERT_EQ(blend.BoneCount(), 20);
  for (int i = 0; i < 20; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(blend.bones[i].angles[k], walking.bones[i].angles[k]);
  MPose raised;
  Pose("arms_raised", raised);
  blend.AddWeighted(raised, 0.7, 0.3);
  EXPECT_NEAR(blend.addPose.accumulatedWeight, 1.0, 1e-12);
  // A pose of another skeleton replaces the layout.
  MPose small;
  small.bones.Add(PoseBoneRecord{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}});
  blend.AddWeighted(small, 1.0, 1.0);
  EXPECT_EQ(blend.BoneCount(), 1);
}

TEST_F(PoseTest, TheClipboardKeepsAPoseThroughItsBackup) {
  auto* pose = new MPose();
  figure_->GetPose(*pose);
  SetClipboardPose(pose);
  EXPECT_EQ(GetClipboardPose(), pose);
  EngGlobalM().MoveToBackup();
  EXPECT_EQ(GetClipboardPose(), nullptr);
  EngGlobalM().RestoreFromBackup();
  ASSERT_EQ(GetClipboardPose(), pose);
  EXPECT_TRUE(figure_->MatchesPoseHeader(GetClipboardPose()->header));
  SetClipboardPose(nullptr);  // deletes it
  EXPECT_EQ(GetClipboardPose(), nullptr);
}

TEST_F(PoseTest, APoseOfAnotherSkeletonIsDeclined) {
  MPose other;
  other.bones.Add(PoseBoneRecord{{0, 0, 0}, {0, 1, 0}, {0.5, 0, 0}});
  other.header.values[0] = 1;
  const std::string before = DumpFigureData(*figure_);
  figure_->SetPose(nullptr, other);
  EXPECT_EQ(FailState(), kEngFailDeclined);
  EXPECT_EQ(FailReason(), kEngReasonDeclined);
  EngContext().ClearFailure();
  EXPECT_EQ(DumpFigureData(*figure_), before);
  EXPECT_NE(figure_->GetEditState(), kEditMeshStep) << "no step was opened";
}

TEST_F(PoseTest, SettingAPoseIsUndoable) {
  MPose pose;
  Pose("sitting", pose);
  EXPECT_TRUE(GroupUndoRoundTrip(*group_, [&] { figure_->SetPose(nullptr, pose); }));
}

TEST_F(PoseTest, AWorldPinHoldsAHandWhereItWasPut) {
  MPose pose;
  Pose("walking", pose);
  // Pin the right hand to a point a little in front of where the walking
  // pose puts it.
  figure_->SetPose(nullptr, pose);
  const PointRecord hand = Joint(sf::kHandR);
  const PointRecord target{hand.x, hand.y + 0.05, hand.z + 0.08};
  figure_->ClearSelection();
  figure_->GetVertexByIndex(sf::kHandR)->flags |= kVertexSelected;
  ASSERT_EQ(figure_->PinSelectedJointsToWorld(), 0);
  figure_->ClearSelection();
  MPose pinned;
  figure_->GetPose(pinned);
  ASSERT_EQ(pinned.addPose.GetEntryCount(), 1);
  pinned.addPose.entryVectors[0] = target;
  figure_->ResetPose(nullptr);
  figure_->SetPose(nullptr, pinned);
  ASSERT_EQ(FailState(), 0);
  EXPECT_LT(MUtilDistance(Joint(sf::kHandR), target), 1e-6);
  for (int i = 0; i < figure_->bones->count; ++i) EXPECT_NEAR(Length(i), RestLength(i), 1e-6) << i;
}

TEST_F(PoseTest, PinCommandsMakeAndRemovePins) {
  figure_->ClearSelection();
  // A pair pin between the two hands.
  figure_->GetVertexByIndex(sf::kHandR)->flags |= kVertexSelected;
  figure_->GetVertexByIndex(sf::kHandL)->flags |= kVertexSelected;
  EXPECT_EQ(figure_->PinSelection(), 0);
  EXPECT_EQ(figure_->addPose.GetEntryCount(), 1);
  EXPECT_EQ(figure_->PinSelection(), 1) << "the same pair again";
  MatrixRecord world;
  figure_->GetWorldMatrixAndScale(world);
  EXPECT_EQ(figure_->GetJointAddPoseRole(figure_->GetVertexByIndex(sf::kHandL), world, nullptr), 2);
  EXPECT_EQ(figure_->PinSelectedJointsToWorld(), 1) << "a joint with a role is refused";
  EXPECT_EQ(figure_->UnpinSelected(), 1);
  EXPECT_EQ(figure_->addPose.GetEntryCount(), 0);
}

TEST_F(PoseTest, ResetAfterAFailedPoseUndoesToTheMeshesBefore) {
  MPose pose;
  Pose("arms_raised", pose);
  for (int nth = 1; nth < 2000; nth += 7) {
    figure_->ResetPose(nullptr);
    std::vector<MMeshObj*> meshes;
    for (int i = 0; i < group_->GetChildCount(); ++i) {
      meshes.push_back(static_cast<MMeshObj*>(group_->ChildAt(i)));
      meshes.back()->Checkpoint(true);
    }
    const std::string before = DumpFigureData(*figure_);
    std::vector<PointRecord> positions;
    for (MMeshObj* m : meshes)
      for (MVertex* v : m->GetVertexList()) positions.push_back(v->position);
    bool failed;
    {
      EngAllocFailureScope fail(nth);
      figure_->SetPose(nullptr, pose);
      failed = FailState() == kEngFailFailed;
    }
    if (!failed) break;
    EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
    EngContext().ClearFailure();
    for (MMeshObj* m : meshes)
      if (m->GetEditState() == kEditMeshStep) m->ExchangeUndoStep(0);
    size_t k = 0;
    for (MMeshObj* m : meshes)
      for (MVertex* v : m->GetVertexList()) EXPECT_EQ(MUtilDistance(v->position, positions[k++]), 0) << nth;
    EXPECT_EQ(DumpFigureData(*figure_), before) << nth;
  }
}

}  // namespace
}  // namespace figuretest
