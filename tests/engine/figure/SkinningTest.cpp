// Skin weights, bone matrices, deformation of the bound meshes, rigid
// binding and the return to rest, on a two-bone chain.
#include <cmath>

#include "FigureTestSupport.h"
#include "engine/core/EngMath.h"
#include "meshkit/MeshUndoCheck.h"

namespace figuretest {
namespace {

using namespace engine;

// Turns the upper bone about B by `degrees` about z.
void BendElbow(Chain& chain, double degrees) {
  const double a = degrees * M_PI / 180.0;
  chain.figure->SaveEditState();
  chain.c->SaveUndo();
  chain.c->SetPosition({-std::sin(a), 1 + std::cos(a), 0});
  chain.figure->UpdateBoneMatrices(1);
  chain.figure->DeformBoundObjects(nullptr);
}

bool AllFinite(MMeshObj& mesh) {
  for (MVertex* v : mesh.GetVertexList())
    if (!std::isfinite(v->position.x) || !std::isfinite(v->position.y) || !std::isfinite(v->position.z))
      return false;
  return true;
}

using SkinningTest = FigureTest;

TEST_F(SkinningTest, PointsNearOneBoneBindToItAndTheJointIsShared) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  struct Case {
    PointRecord point;
    int bone;       // the first influence
    int count;      // number of influences
  };
  const Case cases[] = {
      {{0.2, 0.3, 0}, 0, 1},   // inside the lower bone's reach
      {{0.2, 1.7, 0}, 1, 1},   // inside the upper bone's reach
      {{0.2, -0.1, 0}, 0, 1},  // below the root
  };
  for (const Case& c : cases) {
    SkinRecord r{};
    f.ComputeSkinWeights(c.point, r, 0);
    EXPECT_EQ(r.count, c.count) << c.point.y;
    EXPECT_EQ(r.bones[0], c.bone) << c.point.y;
    double sum = 0;
    for (int k = 0; k < r.count; ++k) sum += r.weights[k];
    EXPECT_NEAR(sum, 1.0, 1e-12);
  }
  // The two bones of a simple chain are adjacent: a point at the joint
  // keeps only the nearer one, with the whole weight.
  SkinRecord r{};
  f.ComputeSkinWeights({0.2, 1.0, 0}, r, 0);
  EXPECT_EQ(r.count, 1);
  EXPECT_DOUBLE_EQ(r.weights[0], 1.0);
}

TEST_F(SkinningTest, APointOnABoneGetsFiniteWeights) {
  Chain chain = MakeChain();
  SkinRecord r{};
  // On the lower bone's inner segment: the distance is 0.
  chain.figure->ComputeSkinWeights({0, 0.5, 0}, r, 0);
  ASSERT_EQ(r.count, 1);
  EXPECT_EQ(r.bones[0], 0);
  EXPECT_DOUBLE_EQ(r.weights[0], 1.0);
  EXPECT_NEAR(r.params[0], 0.5, 1e-12);
}

TEST_F(SkinningTest, EveryVertexIsBoundAndRestsWhereItIs) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  ASSERT_EQ(f.skinRecords->count, chain.body->GetVertexList().Length());
  int k = 0;
  for (MVertex* v : chain.body->GetVertexList()) {
    EXPECT_GE((*f.skinRecords)[k].count, 1);
    EXPECT_LT(MUtilDistance((*f.restPositions)[k], v->position), 1e-12);
    ++k;
  }
  // At rest the deformation leaves every vertex in place.
  for (int i = 0; i < f.skinRecords->count; ++i) {
    PointRecord p = (*f.restPositions)[i];
    f.DeformPoint((*f.skinRecords)[i], p);
    EXPECT_LT(MUtilDistance(p, (*f.restPositions)[i]), 1e-9) << i;
  }
}

TEST_F(SkinningTest, TheUpperPartTurnsWithTheBoneAndTheElbowStaysContinuous) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  // Bound vertex positions, by rest height, after each bend of the sweep:
  // a vertex near the tip turns with the bone; nearby vertices never jump
  // apart as the angle grows in small steps.
  std::vector<PointRecord> previous;
  for (int degrees = 0; degrees <= 120; degrees += 5) {
    BendElbow(chain, degrees);
    ASSERT_EQ(FailState(), 0);
    ASSERT_TRUE(AllFinite(*chain.body));
    std::vector<PointRecord> now;
    for (MVertex* v : chain.body->GetVertexList()) now.push_back(v->position);
    if (!previous.empty()) {
      for (size_t i = 0; i < now.size(); ++i)
        EXPECT_LT(MUtilDistance(now[i], previous[i]), 0.2) << "vertex " << i << " at " << degrees << " degrees";
    }
    previous = now;
    // Neighbouring rings stay close: the skin does not tear at the joint.
    for (MLine* line : chain.body->lines)
      EXPECT_LT(MUtilDistance(line->end0->position, line->end1->position), 0.45) << degrees;
  }
  // At 90 degrees the tip's cap points along -x, one unit from B.
  BendElbow(chain, 90);
  int k = 0;
  for (MVertex* v : chain.body->GetVertexList()) {
    const PointRecord rest = (*f.restPositions)[k++];
    if (rest.y > 1.95 && std::fabs(rest.x) < 1e-9 && std::fabs(rest.z) < 1e-9) {
      EXPECT_NEAR(v->position.x, -(rest.y - 1.0), 1e-6);
      EXPECT_NEAR(v->position.y, 1.0, 1e-6);
    }
    if (rest.y < 0.5) {
      EXPECT_LT(MUtilDistance(v->position, rest), 1e-9) << "the lower part stays";
    }
  }
}

TEST_F(SkinningTest, ABoneTurnedRightRoundIsFollowed) {
  Chain chain = MakeChain();
  BendElbow(chain, 180);
  const BoneRecord& upper = (*chain.figure->bones)[1];
  PointRecord direction;
  MUtilTransformVector(upper.posedMatrix, {0, 1, 0}, direction);
  EXPECT_NEAR(direction.y, -1.0, 1e-9);
  int k = 0;
  for (MVertex* v : chain.body->GetVertexList()) {
    const PointRecord rest = (*chain.figure->restPositions)[k++];
    if (rest.y > 1.95 && std::fabs(rest.x) < 1e-9 && std::fabs(rest.z) < 1e-9) {
      EXPECT_NEAR(v->position.y, 1.0 - (rest.y - 1.0), 1e-6) << "the tip folds down";
    }
  }
}

TEST_F(SkinningTest, RigidBindingMovesEachObjectWithOneBone) {
  Chain chain = MakeChain(0);
  MBoneObj& f = *chain.figure;
  const SkinRecord& first = (*f.skinRecords)[0];
  ASSERT_EQ(first.count, 1);
  EXPECT_DOUBLE_EQ(first.weights[0], 1.0);
  for (int i = 0; i < f.skinRecords->count; ++i) {
    EXPECT_EQ((*f.skinRecords)[i].count, 1);
    EXPECT_EQ((*f.skinRecords)[i].bones[0], first.bones[0]);
  }
  // The whole tube follows its bone rigidly: with the chain turned about
  // the root, every distance between vertices is kept.
  std::vector<PointRecord> before;
  for (MVertex* v : chain.body->GetVertexList()) before.push_back(v->position);
  const double angle = 0.5;
  chain.figure->SaveEditState();
  chain.b->SaveUndo();
  chain.c->SaveUndo();
  chain.b->SetPosition({std::sin(angle), std::cos(angle), 0});
  chain.c->SetPosition({2 * std::sin(angle), 2 * std::cos(angle), 0});
  chain.figure->UpdateBoneMatrices(1);
  chain.figure->DeformBoundObjects(nullptr);
  std::vector<PointRecord> after;
  for (MVertex* v : chain.body->GetVertexList()) after.push_back(v->position);
  double moved = 0;
  for (size_t i = 0; i < before.size(); ++i) moved = std::max(moved, MUtilDistance(after[i], before[i]));
  EXPECT_GT(moved, 0.5) << "the tube moved";
  for (size_t i = 1; i < before.size(); ++i)
    EXPECT_NEAR(MUtilDistance(after[i], after[0]), MUtilDistance(before[i], before[0]), 1e-9) << i;
}

TEST_F(SkinningTest, ResetReturnsToRestAndIsUndoable) {
  Chain chain = MakeChain();
  BendElbow(chain, 70);
  const std::string posedFigure = DumpFigureData(*chain.figure);
  EXPECT_TRUE(GroupUndoRoundTrip(*chain.group, [&] { chain.figure->ResetPose(nullptr); }));
  EXPECT_TRUE(chain.figure->IsAtRestPose());
  int k = 0;
  for (MVertex* v : chain.body->GetVertexList())
    EXPECT_LT(MUtilDistance(v->position, (*chain.figure->restPositions)[k++]), 1e-9);
  EXPECT_NE(DumpFigureData(*chain.figure), posedFigure);
}

TEST_F(SkinningTest, DeformingIsUndoable) {
  Chain chain = MakeChain();
  EXPECT_TRUE(GroupUndoRoundTrip(*chain.group, [&] { BendElbow(chain, 45); }));
}

TEST_F(SkinningTest, ChangedMarksSpreadOneRing) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  for (int i = 0; i < f.bones->count; ++i) (*f.bones)[i].changed = 0;
  (*f.bones)[0].changed = 1;
  EXPECT_TRUE(f.SpreadChangedFlags());
  EXPECT_EQ((*f.bones)[1].changed, 1);
}

TEST_F(SkinningTest, EditsThatRunOutOfMemoryUndoToTheMeshBefore) {
  // Resetting and deforming save every vertex they move; a failure part way
  // leaves steps that undo to the meshes as they were.
  for (int nth = 1; nth < 400; ++nth) {
    Chain chain = MakeChain();
    BendElbow(chain, 50);
    chain.figure->Checkpoint(true);
    chain.body->Checkpoint(true);
    const meshkit::MeshSnapshot figureBefore = meshkit::TakeSnapshot(*chain.figure);
    const meshkit::MeshSnapshot bodyBefore = meshkit::TakeSnapshot(*chain.body);
    bool failed;
    {
      EngAllocFailureScope fail(nth);
      chain.figure->ResetPose(nullptr);
      failed = FailState() == kEngFailFailed;
    }
    if (!failed) break;
    EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
    EngContext().ClearFailure();
    for (MMeshObj* m : {static_cast<MMeshObj*>(chain.figure), chain.body})
      if (m->GetEditState() == kEditMeshStep) m->ExchangeUndoStep(0);
    EXPECT_EQ(meshkit::DumpInOrderOf(*chain.figure, figureBefore), figureBefore.dump) << nth;
    EXPECT_EQ(meshkit::DumpInOrderOf(*chain.body, bodyBefore), bodyBefore.dump) << nth;
  }
}

}  // namespace
}  // namespace figuretest
