// Feature-driven fitting: the piecewise-linear map along an axis, the
// marked face fitted across and along the red head bone to its feature
// points, and the per-bone pass that pushes marked vertices through faces.
#include <cmath>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace feature_fit_test {

using namespace engine;

using FeatureFitTest = FigureTest;

DoubleArray Values(std::initializer_list<double> values) {
  DoubleArray out;
  for (double v : values) out.Add(v);
  return out;
}

TEST_F(FeatureFitTest, MapAlongAxisShiftsOutsideAndStretchesBetweenTheSources) {
  struct Case {
    std::initializer_list<double> sources, targets;
    double s, mapped;
  };
  const Case cases[] = {
      {{0, 1}, {0, 2}, -1, -1},     // before the first source: shifted as it
      {{0, 1}, {0, 2}, 0.5, 1.0},   // between: stretched
      {{0, 1}, {0, 2}, 3, 4},       // beyond the last: shifted as it
      {{0, 1, 1, 2}, {0, 1, 3, 4}, 1.0, 3.0},  // equal sources: a plain shift between them
      {{0, 1, 1, 2}, {0, 1, 3, 4}, 1.5, 3.5},
  };
  for (const Case& c : cases) {
    meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
    MVertex* v = f.Vertex(c.s, 7, 0);
    MatrixRecord identity = IdentityMatrix();
    PtrArray vertices, matrices;
    vertices.Add(v);
    matrices.Add(&identity);
    MBoneObj figure;
    f->SaveEditState();
    ASSERT_TRUE(figure.MapAlongAxis({0, 0, 0}, {1, 0, 0}, Values(c.sources), Values(c.targets), vertices, matrices));
    EXPECT_NEAR(v->position.x, c.mapped, 1e-12) << c.s;
    EXPECT_EQ(v->position.y, 7);
  }
  // Unequal counts or a single source: nothing moves.
  meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
  MVertex* v = f.Vertex(0.5, 0, 0);
  MatrixRecord identity = IdentityMatrix();
  PtrArray vertices, matrices;
  vertices.Add(v);
  matrices.Add(&identity);
  MBoneObj figure;
  EXPECT_FALSE(figure.MapAlongAxis({0, 0, 0}, {1, 0, 0}, Values({0, 1}), Values({0}), vertices, matrices));
  EXPECT_FALSE(figure.MapAlongAxis({0, 0, 0}, {1, 0, 0}, Values({0}), Values({5}), vertices, matrices));
  EXPECT_EQ(v->position.x, 0.5);
}

PointRecord CentreOf(MMeshObj& mesh, MGroup* group) {
  PtrArray list;
  mesh.CollectGroupMembers(group, nullptr, nullptr, &list);
  PointRecord c;
  MBoneObj::GetTransformedBoxCentre(list, IdentityMatrix(), 1, c);
  return c;
}

TEST_F(FeatureFitTest, TheMarkedFaceIsFittedToItsFeaturePoints) {
  for (bool bothSides : {true, false}) {
    FaceFigure face = MakeFaceFigure(bothSides);
    MBoneObj& f = *face.figure;
    PointRecord c[4];
    for (int k = 0; k < 4; ++k) c[k] = CentreOf(*face.head, face.features[k]);
    // The eyes further apart, the nose and the mouth lower, the mouth wider.
    const PointRecord p4 = Add(c[0], {0.012, 0, 0});
    const PointRecord p5 = Add(c[1], {-0.012, 0, 0});
    const PointRecord p6 = Add(c[2], {0, -0.006, 0});
    const PointRecord p7 = Add(c[3], {-0.02, -0.008, 0});
    const PointRecord p8 = Add(c[3], {0.02, -0.008, 0});
    SetFeaturePoints(f, {{1, {0, 1.69, 0}}, {4, p4}, {5, p5}, {6, p6}, {7, p7}, {8, p8}, {9, {0, 1.51, 0}}});
    std::string why;
    ASSERT_TRUE(f.FitToSceneObjects(nullptr, &why)) << why;
    ASSERT_EQ(FailState(), 0);
    EXPECT_TRUE(AllFinite(*face.group));
    const PointRecord mouth = Mul(Add(p7, p8), 0.5);
    const PointRecord targets[4] = {p4, p5, p6, mouth};
    for (int k = 0; k < 4; ++k) {
      const PointRecord now = CentreOf(*face.head, face.features[k]);
      // Each feature goes most of the way to its point: the map is exact
      // at the feature's centre, and bends the feature's two halves by the
      // different stretches on either side of it.
      EXPECT_NEAR(now.y, targets[k].y, 2e-3) << bothSides << " feature " << 4 + k;
      EXPECT_LT(std::fabs(now.x - targets[k].x), 0.5 * std::fabs(c[k].x - targets[k].x) + 1e-3)
          << bothSides << " feature " << 4 + k;
      EXPECT_LT(MUtilDistance(now, targets[k]), 0.5 * MUtilDistance(c[k], targets[k]) + 1e-9) << 4 + k;
    }
    // The eyes keep their order across the face and the features theirs
    // down it.
    EXPECT_LT(CentreOf(*face.head, face.features[1]).x, CentreOf(*face.head, face.features[2]).x);
    EXPECT_LT(CentreOf(*face.head, face.features[2]).x, CentreOf(*face.head, face.features[0]).x);
    EXPECT_GT(CentreOf(*face.head, face.features[2]).y, CentreOf(*face.head, face.features[3]).y);
    EXPECT_TRUE(f.RigFitsBody());
  }
}

TEST_F(FeatureFitTest, FittingRefusesWithoutARigOrAFeatureCodeAndChangesNothing) {
  MBoneObj bare;
  std::string why;
  EXPECT_FALSE(bare.FitToSceneObjects(nullptr, &why));
  EXPECT_FALSE(why.empty());
  FaceFigure face = MakeFaceFigure();
  MBoneObj& f = *face.figure;
  SetFeaturePoints(f, {{1, {0, 1.69, 0}}, {4, {0.05, 1.63, 0}}, {5, {-0.05, 1.63, 0}}, {6, {0, 1.6, 0}},
                       {7, {-0.02, 1.55, 0}}, {9, {0, 1.51, 0}}});  // no 8
  std::vector<PointRecord> before;
  for (MVertex* v : face.head->GetVertexList()) before.push_back(v->position);
  EXPECT_FALSE(f.FitToSceneObjects(nullptr, &why));
  EXPECT_NE(why.find("8"), std::string::npos) << why;
  int i = 0;
  for (MVertex* v : face.head->GetVertexList()) EXPECT_EQ(MUtilDistance(v->position, before[i++]), 0.0);
}

TEST_F(FeatureFitTest, MarkedVerticesArePushedThroughMarkedFacesPerBone) {
  // The lower half of the chain's tube has magenta lines; a red-lined
  // plate stands at x = 0.3 across it: the magenta vertices go 0.6 past it.
  Chain chain = MakeLimbPlate();
  MMeshObj* tube = chain.body;
  std::vector<std::pair<MVertex*, PointRecord>> before;
  for (MVertex* v : tube->GetVertexList()) before.push_back({v, v->position});
  chain.figure->RunLimbFitPasses(nullptr);
  ASSERT_EQ(FailState(), 0);
  for (const auto& [v, p] : before) {
    // Only vertices of the lower bone beside the plate cross it; the rest
    // stays.
    if (p.y < 0.95 && p.x > 0.19 && std::fabs(p.z) < 1e-9 && p.y > 0.05) {
      // Along the line from its skeleton point, which runs nearly across.
      EXPECT_NEAR(v->position.x, 0.9, 1e-4) << p.y;
    } else if (p.x < 0) {
      EXPECT_EQ(MUtilDistance(v->position, p), 0.0);
    }
  }
}

}  // namespace feature_fit_test
}  // namespace figuretest
