// Pose additions on their own: entries and their keys, scaling, and how
// blending sums offsets, pins and length ratios.
#include <gtest/gtest.h>

#include "engine/core/EngRuntime.h"
#include "engine/figure/MPose.h"

namespace figuretest {
namespace {

using namespace engine;

TEST(PoseAdditions, PinsAreKeyedByKindAndOnlyWorldPinsRepeat) {
  MAddPose a;
  a.Reset(true);
  EXPECT_EQ(a.AddEntry(3, -1, 4), 0);   // pair pin of joint 3 with joint 4
  EXPECT_EQ(a.AddEntry(3, -1, 9), 1) << "the same pair key, whatever the reference";
  EXPECT_EQ(a.AddEntry(-1, 7, 2), 0);   // bone pin of bone 7
  EXPECT_EQ(a.AddEntry(-1, -1, 5), 0);  // world pins of joint 5, twice
  EXPECT_EQ(a.AddEntry(-1, -1, 5), 0);
  EXPECT_EQ(a.GetEntryCount(), 4);
  int first, bone, vertex;
  a.GetEntry(0, &first, &bone, &vertex, nullptr, nullptr);
  EXPECT_EQ(first, 3);
  EXPECT_EQ(bone, -1);
  EXPECT_EQ(vertex, 4);
  a.GetEntry(1, &first, &bone, &vertex, nullptr, nullptr);
  EXPECT_EQ(first, -1);
  EXPECT_EQ(bone, 7);
  a.RemoveEntry(0);
  EXPECT_EQ(a.GetEntryCount(), 3);
  a.GetEntry(0, &first, &bone, nullptr, nullptr, nullptr);
  EXPECT_EQ(bone, 7);
}

TEST(PoseAdditions, ScalingMovesTheOffsetOnlyWithAnOffsetJoint) {
  MAddPose a;
  a.Reset(true);
  a.AddEntry(-1, 1, 0);
  a.SetEntry(0, -1, 1, 0, {1, 2, 3}, 1.0);
  a.SetOffset(0, -1, {2, 0, 0});
  a.ScaleBy(2);
  EXPECT_EQ(a.offsetVector.x, 2) << "a root displacement is not scaled";
  EXPECT_EQ(a.entryVectors[0].z, 6);
  a.SetOffset(0, 4, {2, 0, 0});
  a.ScaleBy(2);
  EXPECT_EQ(a.offsetVector.x, 4);
}

TEST(PoseAdditions, BoneFlagsNeedAKindAndStayInsideTheTable) {
  MAddPose a;
  a.Reset(true);
  EXPECT_FALSE(a.IsBoneFlagged(2));
  a.skeletonKind = 0;
  EXPECT_TRUE(a.IsBoneFlagged(2));
  EXPECT_FALSE(a.IsBoneFlagged(25)) << "outside the table";
  a.skeletonKind = 7;
  EXPECT_FALSE(a.IsBoneFlagged(2)) << "a kind the table lacks";
}

TEST(PoseAdditions, BlendingSumsPinsAndCountsMissingRatiosAsOne) {
  MPose first, second, blend;
  for (MPose* p : {&first, &second}) p->bones.Add(PoseBoneRecord{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}});
  first.addPose.AddEntry(-1, 0, 1);
  first.addPose.SetEntry(0, -1, 0, 1, {1, 0, 0}, 1.0);
  first.addPose.offsetVector = {1, 0, 0};
  second.addPose.AddEntry(-1, 0, 1);
  second.addPose.SetEntry(0, -1, 0, 1, {3, 0, 0}, 1.0);
  second.addPose.offsetVector = {3, 0, 0};
  second.addPose.ResizeRatioList(2);
  second.addPose.ratios[1] = 3.0;
  second.addPose.SetEnabled(true);
  blend.SetZero();
  blend.AddWeighted(first, 0.5, 0.0);
  blend.AddWeighted(second, 0.5, 0.5);
  EXPECT_EQ(blend.addPose.offsetVector.x, 2);
  ASSERT_EQ(blend.addPose.GetEntryCount(), 1);
  EXPECT_EQ(blend.addPose.entryVectors[0].x, 2);
  EXPECT_EQ(blend.addPose.entryWeights[0], 1.0);
  ASSERT_EQ(blend.addPose.ratios.count, 2);
  EXPECT_DOUBLE_EQ(blend.addPose.ratios[1], 0.5 * 3.0 + 0.5) << "the first pose counted as ratio 1";
  // A pose whose additions are disabled adds its weight to every ratio.
  MPose third;
  third.bones.Add(PoseBoneRecord{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}});
  blend.AddWeighted(third, 1.0, 1.0);
  EXPECT_DOUBLE_EQ(blend.addPose.ratios[1], 3.0);
  EXPECT_DOUBLE_EQ(blend.addPose.accumulatedWeight, 2.0);
}

TEST(PoseAdditions, ValuesEqualInBothMiddleKeysStayExact) {
  MPose a, b, blend;
  for (MPose* p : {&a, &b, &blend}) {
    p->addPose.AddEntry(-1, 0, 1);
    p->addPose.SetEntry(0, -1, 0, 1, {0.1, 0.2, 0.3}, 1.0);
  }
  blend.addPose.entryVectors[0] = {0.1 + 1e-12, 0.2, 0.3};
  blend.KeepUnchangedAddValues(a, b);
  EXPECT_EQ(blend.addPose.entryVectors[0].x, 0.1);
}

}  // namespace
}  // namespace figuretest
