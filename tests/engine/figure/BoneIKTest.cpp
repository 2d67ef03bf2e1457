// The two-bone solver and the figure's drag of a bone's start joint.
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
