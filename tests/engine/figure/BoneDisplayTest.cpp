// The skeleton's overlay segments, the rotation rings and their picking, and
// the feature points' drawing.
#include <cmath>
#include <map>
#include <vector>

#include "FigureTestSupport.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "support/FakeQView.h"

namespace figuretest {
namespace {

using namespace engine;

class BoneDisplayTest : public FigureTest {
 protected:
  std::map<int, int> Kinds(MBoneObj& figure) {
    LineSegArray segments;
    MatrixRecord identity;
    MUtilIdentity(identity);
    figure.CollectOverlaySegments(segments, identity, &view_);
    std::map<int, int> kinds;
    for (int i = 0; i < segments.count; ++i) ++kinds[segments[i].kind];
    return kinds;
  }
  testsupport::FakeQView view_;
};

TEST_F(BoneDisplayTest, ABoundFigureShowsTwistAndNoPrisms) {
  Chain chain = MakeChain();
  std::map<int, int> kinds = Kinds(*chain.figure);
  EXPECT_EQ(kinds[17], 2) << "bone lines";
  EXPECT_EQ(kinds[13], 2) << "middle dots";
  EXPECT_EQ(kinds[20], 2) << "twist indicators";
  EXPECT_EQ(kinds[19], 1) << "the root's dot";
  EXPECT_EQ(kinds[18], 2) << "other joints";
  EXPECT_EQ(kinds.count(12), 0u) << "no prisms";
  EXPECT_EQ(chain.figure->handleLine, nullptr);
}

TEST_F(BoneDisplayTest, AnUnboundFigureShowsPrismsAndNoTwist) {
  Chain chain = MakeChain();
  chain.figure->SetSkinBound(false);
  chain.b->flags |= kVertexHidden;
  std::map<int, int> kinds = Kinds(*chain.figure);
  EXPECT_EQ(kinds[12], 36) << "a hexagonal prism of 18 edges per bone";
  EXPECT_EQ(kinds.count(20), 0u);
  EXPECT_EQ(kinds[18], 1) << "the hidden joint has no dot";
}

TEST_F(BoneDisplayTest, OneSelectedBoneGetsRingsThatCanBePicked) {
  Chain chain = MakeChain();
  chain.upper->flags |= kLineSelected;
  std::map<int, int> kinds = Kinds(*chain.figure);
  EXPECT_EQ(kinds[2], 2) << "the selected bone and its twist";
  int rings = 0;
  for (int kind = 34; kind <= 43; ++kind) rings += kinds[kind];
  EXPECT_EQ(rings, 96);
  ASSERT_EQ(chain.figure->handleLine, chain.upper);

  // A parallel projection: 100 pixels per unit, the origin at (200, 300).
  MatrixRecord projection;
  MUtilIdentity(projection);
  projection.m[0][0] = projection.m[1][1] = 100;
  projection.m[3][0] = 200;
  projection.m[3][1] = 300;
  projection.flag = 1;
  chain.figure->ProjectToScreen(projection, 0);
  const PointRecord onRing = chain.figure->handleScreenPoints[32 + 8];  // ring 1
  double depth = 0;
  bool ofFace = true;
  MLine* hit =
      chain.figure->PickLine({onRing.x, onRing.y, 0}, {0, 0, 10}, {0, 0, -10}, nullptr, &depth, &ofFace, nullptr, true);
  EXPECT_EQ(hit, chain.upper);
  EXPECT_GE(chain.figure->handleHitKind, 1);
  EXPECT_FALSE(ofFace);
  // Far from every ring nothing is hit.
  EXPECT_EQ(chain.figure->PickLine({5000, 5000, 0}, {0, 0, 10}, {0, 0, -10}, nullptr, &depth, &ofFace, nullptr, true),
            nullptr);
  EXPECT_EQ(chain.figure->handleHitKind, 0);

  // Two selected bones: no rings.
  chain.lower->flags |= kLineSelected;
  Kinds(*chain.figure);
  EXPECT_EQ(chain.figure->handleLine, nullptr);
}

TEST_F(BoneDisplayTest, TheViewDecidesWhatOverlaysAFigureGives) {
  Chain chain = MakeChain();
  struct Case {
    const char* name;
    bool collecting;
    int quick;
    int boneLines, joints, middles;  // kinds 17 or 4, 18/19 or 14, 13
  };
  const Case cases[] = {{"full drawing", true, 0, 2, 3, 2},
                        {"not collecting outlines", false, 0, 0, 0, 0},
                        {"quick level 2", true, 2, 0, 0, 0},
                        {"quick level 4: lines and joints only", true, 4, 2, 3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view_.collectingOutlines = c.collecting;
    view_.quickDrawLevel = c.quick;
    std::map<int, int> kinds = Kinds(*chain.figure);
    EXPECT_EQ(kinds[17] + kinds[4], c.boneLines);
    EXPECT_EQ(kinds[18] + kinds[19] + kinds[14], c.joints);
    EXPECT_EQ(kinds[13], c.middles);
    if (c.quick > 0) {
      EXPECT_EQ(kinds[17] + kinds[18] + kinds[19], 0);
    }
  }
}

TEST_F(BoneDisplayTest, TheRingsFaceTheViewDirectionNotTheEyeDirection) {
  Chain chain = MakeChain();
  chain.upper->flags |= kLineSelected;
  auto ringKinds = [&] {
    std::map<int, int> kinds = Kinds(*chain.figure);
    std::vector<int> counts;
    for (int kind = 34; kind <= 43; ++kind) counts.push_back(kinds[kind]);
    return counts;
  };
  view_.viewDirection = {0, 0, 1};
  const std::vector<int> alongZ = ringKinds();
  view_.eyeDirection = {1, 0, 0};
  EXPECT_EQ(ringKinds(), alongZ) << "the eye direction of the object drawn plays no part";
  view_.viewDirection = {1, 0, 0};
  EXPECT_NE(ringKinds(), alongZ);
}

TEST_F(BoneDisplayTest, TheSelectedBonesInfluenceIsGivenToTheBoundVertices) {
  Chain chain = MakeChain();
  chain.lower->flags |= kLineSelected;
  ASSERT_TRUE(chain.figure->ComputeSelectedInfluence(nullptr));
  int k = 0;
  for (MVertex* v : chain.body->GetVertexList()) {
    const SkinRecord& r = (*chain.figure->skinRecords)[k++];
    double expected = 0;
    for (int i = 0; i < r.count; ++i)
      if (r.bones[i] == 0) expected += r.weights[i];
    EXPECT_EQ(v->workValue, static_cast<int>(expected * 1000 + 0.5));
  }
}

TEST_F(BoneDisplayTest, TheRotationTrackersServicesTurnBonesAndPutJointsBack) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  PointArray saved;
  f.SaveVertexPositions(saved);
  ASSERT_EQ(saved.count, 3);
  MatrixRecord identity, quarter;
  MUtilIdentity(identity);
  MUtilRotateAxis(identity, M_PI / 2, {0, 0, 1}, quarter);
  PtrArray below;
  f.CollectBonesBelow(false, chain.upper, below, false);
  ASSERT_EQ(below.count, 1);
  f.RotateBonesAbout(chain.b->position, quarter, below);
  EXPECT_NEAR(MUtilDistance(chain.c->position, {-1, 1, 0}), 0, 1e-12);
  PointRecord axis;
  f.GetBoneAxis(axis, chain.upper, 1);
  EXPECT_NEAR(axis.x, -1, 1e-12);
  EXPECT_FALSE(f.IsBoneAtRest(chain.upper));
  f.RestoreVertexPositions(saved);
  EXPECT_EQ(chain.c->position.y, 2);
  EXPECT_EQ(MUtilDistance(chain.c->position, {0, 2, 0}), 0);
}

TEST_F(BoneDisplayTest, InfluenceRadiiComeBackFromTheLinesOnlyWhenMostAreSound) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  (*f.bones)[0].radius = 0.5;
  (*f.bones)[1].radius = 0.25;
  f.StoreInfluenceRatios();
  EXPECT_EQ(chain.lower->pairValue, 1500);
  EXPECT_EQ(chain.upper->pairValue, 750);
  (*f.bones)[0].radius = 9;
  (*f.bones)[1].radius = 9;
  f.RestoreInfluenceRadii();
  EXPECT_NEAR((*f.bones)[0].radius, 0.5, 1e-12);
  EXPECT_NEAR((*f.bones)[1].radius, 0.25, 1e-12);
  // Half the lines outside 300..30000: nothing changes.
  chain.upper->pairValue = 5;
  f.RestoreInfluenceRadii();
  EXPECT_NEAR((*f.bones)[1].radius, 0.25, 1e-12);
}

TEST_F(BoneDisplayTest, FeaturePointsAreDrawnUpToTheCurrentOneDuringAWalk) {
  Chain chain = MakeChain();
  MBoneObj& f = *chain.figure;
  f.ResetFeatureSets();
  f.featureCount[0] = 3;
  for (int i = 0; i < 3; ++i) f.featurePoints[0][i] = {double(i), 0, 0};
  f.featureCurrent[0] = 1;
  prefs_.colours[kColourFeaturePoint] = {255, 0, 51};
  f.DrawFeaturePoints(&view_);
  EXPECT_EQ(view_.markers.size(), 1u);
  // In the feature point colour of the preferences, through the renderer.
  ASSERT_FALSE(view_.recorder.calls.empty());
  const auto& colour = view_.recorder.calls.front();
  EXPECT_EQ(colour.name, "SetMarkerColor");
  ASSERT_EQ(colour.values.size(), 3u);
  EXPECT_FLOAT_EQ(static_cast<float>(colour.values[0]), 1.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(colour.values[2]), 0.2f);
  view_.markers.clear();
  f.featureActive[0] = 0;
  f.DrawFeaturePoints(&view_);
  EXPECT_EQ(view_.markers.size(), 3u);
}

}  // namespace
}  // namespace figuretest
