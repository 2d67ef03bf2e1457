// The two-bone solver and the figure's drag of a bone's start joint.
#include <cmath>
#include <random>

#include "FigureTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/figure/BoneIK.h"

namespace figuretest {
namespace {

using namespace engine;

struct IkCase {
  const char* what;
  double upper, lower;      // L1, L2 along +y from the root, then +x
  PointRecord target;
  double expectedReach;     // |T - root| after the clamp
};

TEST(BoneIK, ReachableTooFarAndTooNearTargets) {
  const IkCase cases[] = {
      {"reachable", 1, 1, {1.2, 0.5, 0}, 1.3},
      {"too far", 1, 1, {0, 3, 0}, 1.998},
      {"too near", 2, 1, {0.5, 0, 0}, 1.001},
  };
  for (const IkCase& c : cases) {
    const PointRecord root{0, 0, 0}, joint{0, c.upper, 0}, end{c.lower, c.upper, 0};
    const TwoBoneChain chain = MakeTwoBoneChain(end, &joint, &root);
    PointRecord target = c.target, newJoint;
    ASSERT_TRUE(SolveTwoBoneDrag(chain, joint, target, newJoint)) << c.what;
    EXPECT_NEAR(MUtilDistance(target, root), c.expectedReach, 1e-9) << c.what;
    // Both bones keep their lengths.
    EXPECT_NEAR(MUtilDistance(newJoint, root), c.upper, 1e-9) << c.what;
    EXPECT_NEAR(MUtilDistance(newJoint, target), c.lower, 1e-9) << c.what;
    // The joint stays in the plane of the chain (z = 0), on its side.
    EXPECT_NEAR(newJoint.z, 0, 1e-12) << c.what;
  }
}

// Random chains in any direction and reachable targets around them: both
// bones keep their lengths, and the joint stays in the plane through the
// root and the target that holds the chain's bend, on the side it bent to.
TEST(BoneIK, RandomReachableTargetsKeepLengthsBendPlaneAndSide) {
  std::mt19937 random(24);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), length(0.3, 2.0), share(0.05, 0.95);
  const auto randomDirection = [&] {
    for (;;) {
      const PointRecord v{unit(random), unit(random), unit(random)};
      const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
      if (l > 0.1 && l <= 1.0) return PointRecord{v.x / l, v.y / l, v.z / l};
    }
  };
  const auto sub = [](const PointRecord& a, const PointRecord& b) { return PointRecord{a.x - b.x, a.y - b.y, a.z - b.z}; };
  const auto dot = [](const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
  const auto cross = [](const PointRecord& a, const PointRecord& b) {
    return PointRecord{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  };
  int checked = 0;
  for (int i = 0; i < 200; ++i) {
    SCOPED_TRACE(i);
    const PointRecord root{unit(random), unit(random), unit(random)};
    const double upper = length(random), lower = length(random);
    const PointRecord a = randomDirection(), b = randomDirection();
    const PointRecord joint{root.x + upper * a.x, root.y + upper * a.y, root.z + upper * a.z};
    const PointRecord end{joint.x + lower * b.x, joint.y + lower * b.y, joint.z + lower * b.z};
    if (MUtilDistance(root, end) < 1e-3 || MUtilDistance(root, end) > upper + lower - 1e-3) continue;
    // The bend: the joint's offset from the root-end axis at the start.
    const PointRecord axis = sub(end, root);
    const double along = dot(sub(joint, root), axis) / dot(axis, axis);
    const PointRecord bend = sub(joint, {root.x + along * axis.x, root.y + along * axis.y, root.z + along * axis.z});
    if (std::sqrt(dot(bend, bend)) < 1e-3) continue;

    const double reachLow = std::fabs(upper - lower), reachHigh = upper + lower;
    const double r = reachLow + share(random) * (reachHigh - reachLow);
    const PointRecord toward = randomDirection();
    PointRecord target{root.x + r * toward.x, root.y + r * toward.y, root.z + r * toward.z};
    const PointRecord asked = target;
    const TwoBoneChain chain = MakeTwoBoneChain(end, &joint, &root);
    PointRecord newJoint;
    ASSERT_TRUE(SolveTwoBoneDrag(chain, joint, target, newJoint));
    EXPECT_NEAR(MUtilDistance(target, asked), 0.0, 1e-12) << "a reachable target is kept";
    EXPECT_NEAR(MUtilDistance(newJoint, root), upper, 1e-9);
    EXPECT_NEAR(MUtilDistance(newJoint, target), lower, 1e-9);
    // In the plane of the root, the target and the bend, on the bend's side.
    const PointRecord n = sub(target, root);
    const PointRecord off = sub(newJoint, root);
    const PointRecord normal = cross(n, bend);
    if (std::sqrt(dot(normal, normal)) < 1e-6) continue;  // the target lies on the bend's own line
    EXPECT_NEAR(dot(off, normal) / std::sqrt(dot(normal, normal)), 0.0, 1e-9);
    const PointRecord perpendicular = cross(cross(n, bend), n);
    EXPECT_GE(dot(off, perpendicular), -1e-9);
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST(BoneIK, ANearTargetNeverFoldsTheBonesOntoEachOther) {
  const PointRecord root{0, 0, 0}, joint{0, 2, 0}, end{1, 2, 0};
  const TwoBoneChain chain = MakeTwoBoneChain(end, &joint, &root);
  PointRecord target{0.5, 0, 0}, newJoint;
  SolveTwoBoneDrag(chain, joint, target, newJoint);
  const PointRecord upper{newJoint.x - root.x, newJoint.y - root.y, 0};
  const PointRecord lower{target.x - newJoint.x, target.y - newJoint.y, 0};
  // Folded flat the two would be exactly opposite.
  EXPECT_GT(MUtilCosAngle(upper, {0, 0, 0}, lower) + 1.0, 1e-4);
}

TEST(BoneIK, OneBoneSwingsTheEndOnItsSphere) {
  const PointRecord joint{0, 0, 0}, end{0, 1, 0};
  const TwoBoneChain chain = MakeTwoBoneChain(end, &joint, nullptr);
  PointRecord target{3, 0, 0}, newJoint;
  EXPECT_FALSE(SolveTwoBoneDrag(chain, joint, target, newJoint));
  EXPECT_NEAR(target.x, 1, 1e-12);
}

using FigureDragTest = FigureTest;

TEST_F(FigureDragTest, DraggingTheTipKeepsTheBoneLengthsAndIsUndoable) {
  Chain chain = MakeChain();
  // A third bone so that the dragged joint has two bones above it.
  MVertex* d = chain.figure->AddVertex({0, 3, 0});
  standardfigure::AddSkeletonLine(*chain.figure, chain.c, d);
  MLine* tip = chain.c->FindLine(d);
  chain.figure->Checkpoint(false);
  EXPECT_TRUE(GroupUndoRoundTrip(*chain.group, [&] {
    chain.figure->SaveEditState();
    EXPECT_TRUE(chain.figure->DragBoneStartTo(nullptr, tip, {0.5, -0.6, 0}));
  }));
  EXPECT_NEAR(MUtilDistance(chain.a->position, chain.b->position), 1, 1e-9);
  EXPECT_NEAR(MUtilDistance(chain.b->position, chain.c->position), 1, 1e-9);
  EXPECT_NEAR(MUtilDistance(chain.c->position, {0.5, 1.4, 0}), 0, 1e-9);
  EXPECT_NEAR(MUtilDistance(chain.c->position, d->position), 1, 1e-9) << "the part below moves along";
}

}  // namespace
}  // namespace figuretest
