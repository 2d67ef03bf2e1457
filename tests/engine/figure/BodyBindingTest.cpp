// Body binding and inflation: the bone centre curve, skeleton points, the
// fit samples and their look-ups, the radial binding of a widened body and
// inflation about the bones.
#include <cmath>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MeshWalk.h"
#include "support/FakeQView.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace body_binding_test {

using namespace engine;

using BodyBindingTest = FigureTest;

double RadiusOf(const MVertex* v) { return std::hypot(v->position.x, v->position.z); }

// Every body vertex pushed out from the y axis by the factor, as a user
// widening the body would.
void Widen(MMeshObj& body, double factor) {
  for (MVertex* v : body.GetVertexList()) v->position = {v->position.x * factor, v->position.y, v->position.z * factor};
}

TEST_F(BodyBindingTest, BonePointsFollowTheLineAndCurveIntoTheNeighbourWithinTheBlend) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  BoneRecord& lower = (*f.bones)[0];
  BoneRecord& upper = (*f.bones)[1];
  ASSERT_EQ(lower.startBlend, 0.0);  // A ends the chain: no blend there
  ASSERT_LT(lower.endBlend, 1.0);
  PointRecord p;
  f.GetBonePointAt(lower, 0.25, p);
  EXPECT_NEAR(p.y, 0.25, 1e-12);
  EXPECT_NEAR(p.x, 0, 1e-12);
  // Bent at B: the curve starts where the straight part ends and meets
  // the neighbour's curve at the joint, off the corner.
  chain.c->position = {1, 1, 0};
  PointRecord straight, curveStart, fromLower, fromUpper;
  f.GetBonePointAt(lower, lower.endBlend - 1e-12, straight);
  f.GetBonePointAt(lower, lower.endBlend + 1e-12, curveStart);
  EXPECT_NEAR(MUtilDistance(straight, curveStart), 0, 1e-9);
  f.GetBonePointAt(lower, 1, fromLower);
  f.GetBonePointAt(upper, 0, fromUpper);
  EXPECT_NEAR(MUtilDistance(fromLower, fromUpper), 0, 1e-12);
  EXPECT_GT(MUtilDistance(fromLower, {0, 1, 0}), 1e-3);
  // A blend range at a joint of one line (ranges not yet updated after an
  // edit) keeps the straight line.
  lower.startBlend = 0.3;
  f.GetBonePointAt(lower, 0.1, p);
  EXPECT_NEAR(p.y, 0.1, 1e-12);
}

TEST_F(BodyBindingTest, SkeletonPointsWeighTheBonePointsAndRemapOnRedBones) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  SkinRecord none{};
  PointRecord s{9, 9, 9};
  EXPECT_EQ(f.GetSkeletonPoint(none, 0, s), 0.5);
  EXPECT_EQ(s.y, 0.0);
  SkinRecord two{};
  two.count = 2;
  two.bones[0] = 0;
  two.weights[0] = 0.25;
  two.params[0] = 0.4;
  two.bones[1] = 1;
  two.weights[1] = 0.75;
  two.params[1] = 0.4;
  EXPECT_EQ(f.GetSkeletonPoint(two, 0, s), 0.4);
  EXPECT_NEAR(s.y, 0.25 * 0.4 + 0.75 * 1.4, 1e-12);
  // On a red bone the parameter is stretched about its third.
  ColourLine(chain.lower, kRed);
  const double sb = (*f.bones)[0].startBlend;
  const double t = ((0.4 - sb) / (1 - sb) - 1.0 / 3) * 1.5;
  EXPECT_NEAR(f.GetSkeletonPoint(two, 0, s), t, 1e-12);
}

TEST_F(BodyBindingTest, FitRatioLookUps) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  BoneRecord& lower = (*f.bones)[0];
  BoneRecord& upper = (*f.bones)[1];
  ASSERT_TRUE(f.AllocateFitSamples());
  double ratio, edge;
  f.LookupFitRatio(lower, 0, 2, 0.5, ratio, &edge);
  EXPECT_EQ(ratio, 1.0);  // no samples: the shape is kept
  EXPECT_EQ(edge, 0.5);
  f.AddFitSample(lower, 0, 2, 0.6, 4.0);
  f.AddFitSample(lower, 0, 2, 0.2, 2.0);
  struct Case {
    double x;
    double ratio;
  };
  // Between samples linear; before the first the bone across A (an end
  // joint) lends nothing.
  for (const Case& c : {Case{0.4, 3.0}, Case{0.2, 2.0}, Case{0.1, 2.0}}) {
    f.LookupFitRatio(lower, 0, 2, c.x, ratio, nullptr);
    EXPECT_NEAR(ratio, c.ratio, 1e-12) << c.x;
  }
  // Beyond the last sample the upper bone lends its first one (0.3, ratio
  // 6), counted at 1.3 on this bone.
  f.AddFitSample(upper, 0, 2, 0.3, 6.0);
  f.LookupFitRatio(lower, 0, 2, 0.8, ratio, nullptr);
  EXPECT_NEAR(ratio, (0.5 * 4 + 0.2 * 6) / 0.7, 1e-12);
  f.LookupFitRatio(lower, 0, 2, 0.8, ratio, &edge);  // asked for the edge: no lending
  EXPECT_EQ(ratio, 4.0);
  EXPECT_EQ(edge, 0.6);
  // Before its first sample the upper bone borrows the lower's last one.
  f.LookupFitRatio(upper, 0, 2, 0.1, ratio, nullptr);
  EXPECT_NEAR(ratio, (0.5 * 6 + 0.2 * 4) / 0.7, 1e-12);

  // Samples closer than 1e-8 give their mean; at equal places the newest
  // comes first.
  f.AddFitSample(lower, 1, 1, 0.5, 2.0);
  f.AddFitSample(lower, 1, 1, 0.5 + 5e-9, 4.0);
  f.LookupFitRatio(lower, 1, 1, 0.5 + 2e-9, ratio, nullptr);
  EXPECT_NEAR(ratio, 3.0, 1e-12);
  f.AddFitSample(lower, 2, 1, 0.5, 2.0);
  f.AddFitSample(lower, 2, 1, 0.5, 4.0);
  f.LookupFitRatio(lower, 2, 1, 0.5, ratio, nullptr);
  EXPECT_EQ(ratio, 4.0);
  f.LookupFitRatio(lower, 2, 1, 0.7, ratio, nullptr);
  EXPECT_EQ(ratio, 2.0);

  // Depth: the mean of both sides; a red bone keeps its depth.
  double side, depth;
  f.AddFitSample(lower, 0, 3, 0.4, 5.0);
  f.GetFitRatios(lower, 0, 2, 0.4, side, depth);
  EXPECT_NEAR(side, 3.0, 1e-12);
  EXPECT_NEAR(depth, 4.0, 1e-12);
  ColourLine(chain.lower, kRed);
  f.GetFitRatios(lower, 0, 2, 0.4, side, depth);
  EXPECT_EQ(depth, 1.0);
  f.ReleaseFitSamples();
  for (void* work : lower.bindWork) EXPECT_EQ(work, nullptr);
}

TEST_F(BodyBindingTest, BindingAnUnchangedBodyKeepsItAndAWidenedBodyBecomesTheRestShape) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  testsupport::FakeQView view;  // looking along z
  const std::string before = DumpFigureData(f);
  EXPECT_EQ(f.BindBody(&view, nullptr), 0);
  for (MVertex* v : chain.body->GetVertexList())
    if (v->position.y > 0.05 && v->position.y < 1.95) {
      EXPECT_NEAR(RadiusOf(v), 0.2, 1e-9) << v->position.y;
    }

  Widen(*chain.body, 1.5);
  EXPECT_EQ(f.BindBody(&view, nullptr), 0);
  ASSERT_EQ(FailState(), 0);
  for (MVertex* v : chain.body->GetVertexList()) {
    const double y = v->position.y;
    if ((y > 0.15 && y < 0.85) || (y > 1.15 && y < 1.85)) {
      EXPECT_NEAR(RadiusOf(v), 0.3, 1e-9) << y;
    }
  }
  EXPECT_TRUE(AllFinite(*chain.group));
  // The widened shape is the rest state now: the rest positions are where
  // the vertices are, and bending follows from there.
  f.NumberBodyVertices(nullptr);
  for (MVertex* v : chain.body->GetVertexList()) {
    PointRecord rest;
    f.GetRestPosition(rest, v);
    EXPECT_NEAR(MUtilDistance(rest, v->position), 0, 1e-12);
  }
  chain.c->position = {-1, 1, 0};
  f.UpdateBoneMatrices(1);
  f.DeformBoundObjects(nullptr);
  EXPECT_TRUE(AllFinite(*chain.group));
}

TEST_F(BodyBindingTest, AVertexOfAClassWithoutSamplesReturnsToItsRest) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  // Magenta lines that can be picked (in a group) are not measured, so
  // their class has no samples; one of their vertices is pushed away.
  MGroup* group = chain.body->AddGroup();
  MVertex* moved = nullptr;
  for (MVertex* v : chain.body->GetVertexList())
    if (std::fabs(v->position.y - 1.5) < 1e-9 && v->position.x > 0.19) moved = v;
  ASSERT_NE(moved, nullptr);
  const PointRecord rest = moved->position;
  ForEachLineAround(moved, [&](MLine* line) {
    ColourLine(line, kMagenta);
    line->group = group;
  });
  moved->position = {0.6, 1.5, 0};
  Widen(*chain.body, 1.0);
  testsupport::FakeQView view;
  f.BindBody(&view, nullptr);
  EXPECT_NEAR(MUtilDistance(moved->position, rest), 0, 1e-12);
}

TEST_F(BodyBindingTest, VerticesWithoutARestStateStayAndAreCounted) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  testsupport::FakeQView view;
  f.NumberBodyVertices(nullptr);
  // A vertex added after the numbering carries no number.
  MVertex* added = chain.body->AddVertex({0.5, 0.5, 0});
  EXPECT_EQ(f.InflateBody(&view, nullptr, 2.0), 1);
  EXPECT_EQ(added->position.x, 0.5);
  // The binding numbers the vertices again: the rig no longer matches the
  // body, so it changes nothing and every bound vertex counts.
  const std::string before = DumpFigureData(f);
  Widen(*chain.body, 1.5);
  const int bound = chain.body->GetVertexList().Length();
  EXPECT_EQ(f.BindBody(&view, nullptr), bound);
  EXPECT_EQ(DumpFigureData(f), before);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(BodyBindingTest, InflationWeights) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  SkinRecord r{};
  EXPECT_EQ(f.GetInflateWeight(r), 1.0);  // no influences
  // A bone alone at its first joint takes 1 - its weight; the upper bone
  // starts where another line ends and is not red: 1.
  r.count = 1;
  r.bones[0] = 0;
  r.weights[0] = 0.75;
  EXPECT_EQ(f.GetInflateWeight(r), 0.25);
  r.bones[0] = 1;
  EXPECT_EQ(f.GetInflateWeight(r), 1.0);
  ColourLine(chain.upper, kRed);
  EXPECT_EQ(f.GetInflateWeight(r), 0.25);

  // Inflating by 2: the vertices of the upper bone double their distance
  // from its axis, those of the lower (root) bone stay.
  const unsigned char black[3] = {0, 0, 0};
  ColourLine(chain.upper, black);
  testsupport::FakeQView view;
  f.NumberBodyVertices(nullptr);
  f.InflateBody(&view, nullptr, 2.0);
  for (MVertex* v : chain.body->GetVertexList()) {
    const double y = v->position.y;
    if (y > 1.2 && y < 1.8) {
      EXPECT_NEAR(RadiusOf(v), 0.4, 1e-9) << y;
    }
    if (y > 0.2 && y < 0.8) {
      EXPECT_NEAR(RadiusOf(v), 0.2, 1e-9) << y;
    }
  }
}

}  // namespace body_binding_test
}  // namespace figuretest
