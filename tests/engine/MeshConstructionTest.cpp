// Construction operations, cutting a path across quads, and the texture
// coordinates of the corners at a vertex.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_construction_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshConstruction : public meshkit::MeshTest {};

// The vertices in the order they were made (the list holds them reversed).
std::vector<MVertex*> InOrder(const MMeshObj& m) {
  std::vector<MVertex*> out;
  for (MVertex* v : m.vertices) out.insert(out.begin(), v);
  return out;
}

TEST_F(MeshConstruction, AHelixOfOneTurnAndFourSegmentsRunsFromTheStartRadiusToTheTop) {
  auto m = NewMesh();
  m->MakeCircleVertices({2, 3, 1}, 1, 4);  // height 2, end radius 3, start radius 1
  ASSERT_EQ(FailState(), kEngFailNone);
  const std::vector<MVertex*> v = InOrder(*m);
  ASSERT_EQ(v.size(), 5u);
  EXPECT_NEAR(v[0]->position.x, 0, 1e-12);
  EXPECT_NEAR(v[0]->position.z, 1, 1e-12);
  EXPECT_NEAR(v[4]->position.y, 2, 1e-12);
  EXPECT_NEAR(std::hypot(v[4]->position.x, v[4]->position.z), 3, 1e-12);
  EXPECT_NEAR(std::hypot(v[2]->position.x, v[2]->position.z), 2, 1e-12) << "the radius grows evenly";
  EXPECT_TRUE(m->IsOpenPolyline(true));

  auto two = NewMesh();
  two->MakeCircleVertices({2, 1, 1}, 2, 4);
  EXPECT_EQ(two->vertices.Length(), 9) << "the second turn does not repeat the first's last point";
  auto wave = NewMesh();
  wave->MakeCircleVerticesAlt(4, 2, 1, 4);
  const std::vector<MVertex*> w = InOrder(*wave);
  ASSERT_EQ(w.size(), 5u);
  EXPECT_NEAR(w[1]->position.x, 1, 1e-12);
  EXPECT_NEAR(w[1]->position.y, 1, 1e-12);
  EXPECT_EQ(w[1]->position.z, 0);
  auto none = NewMesh();
  none->MakeCircleVertices({1, 1, 1}, 0, 4);
  EXPECT_EQ(FailState(), kEngFailDeclined);
}

TEST_F(MeshConstruction, APolylinesPointsComeFromTheEndNearerTheReference) {
  auto m = NewMesh();
  m->MakeCircleVerticesAlt(4, 2, 1, 4);
  MatrixRecord shift;
  MUtilIdentity(shift);
  MUtilTranslateAfter(shift, {10, 0, 0}, shift);
  PointArray points;
  m->CollectPolylinePoints(shift, {10, 5, 0}, points);
  ASSERT_EQ(points.count, 5);
  EXPECT_NEAR(points[0].y, 4, 1e-12) << "the top end is nearer";
  EXPECT_NEAR(points[4].y, 0, 1e-12);
  EXPECT_NEAR(points[4].x, 10, 1e-12);
  MeshFixture loop = FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  EXPECT_FALSE(loop->IsOpenPolyline(true));
  EXPECT_TRUE(loop->IsOpenPolyline(false));
  PointArray none;
  loop->CollectPolylinePoints(shift, {0, 0, 0}, none);
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(FailState(), kEngFailDeclined) << "a closed loop has no ends to start from";
}

TEST_F(MeshConstruction, APlaneFitSolvesForTheAxisThePointsVaryLeastAlong) {
  PointArray points;
  for (double x : {0.0, 1.0, 2.0})
    for (double y : {0.0, 1.0, 3.0}) points.Add({x, y, 2 * x + 3 * y + 1});
  PointRecord n;
  auto m = NewMesh();
  // x spreads least, so it is solved for: x = (z - 3y - 1) / 2.
  m->FitPlaneNormal(points, n);
  const double scale = n.x;
  EXPECT_NEAR(n.y / scale, 1.5, 1e-9);
  EXPECT_NEAR(n.z / scale, -0.5, 1e-9);
  PointArray line;
  for (double t : {0.0, 1.0, 2.0, 3.0}) line.Add({t, 2 * t, 3 * t});
  m->FitPlaneNormal(line, n);
  EXPECT_EQ(n.x, 0);
  EXPECT_EQ(n.y, 1);
  PointArray two;
  two.Add({0, 0, 0});
  two.Add({1, 0, 0});
  m->FitPlaneNormal(two, n);
  EXPECT_EQ(n.y, 1);
}

TEST_F(MeshConstruction, ACornersBisectorPointClosesTheParallelogramOfItsSides) {
  PointRecord out;
  MMeshObj::CornerBisectorPoint(out, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {5, 5, 0});
  EXPECT_NEAR(out.x, 1, 1e-12);
  EXPECT_NEAR(out.y, 1, 1e-12);
  // Not further than |d - c| / 1.2 from the corner.
  MMeshObj::CornerBisectorPoint(out, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0.6, 0.6, 0});
  EXPECT_NEAR(std::hypot(out.x, out.y), std::hypot(0.6, 0.6) / 1.2, 1e-12);
}

TEST_F(MeshConstruction, MirrorFlagsPutVerticesOnThePlaneAndASweepStepMovesAndTurnsTheSelection) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  meshkit::SelectVertices(f, {1, 2});
  f->Checkpoint(true);
  f->SetMirrorPlaneFlagsSelected(true);
  EXPECT_TRUE(f.v[1]->flags & kVertexOnMirror);
  EXPECT_EQ(f.v[1]->position.x, 0);
  EXPECT_FALSE(f.v[0]->flags & kVertexOnMirror);
  f->SetMirrorPlaneFlags(false);
  for (const MVertex* v : f->vertices) EXPECT_FALSE(v->flags & kVertexOnMirror);

  MeshFixture g = meshkit::MakeQuadPair(false);
  meshkit::SelectVertices(g, {0, 1, 2, 3});
  PointArray path;
  path.Add({0, 0, 0});
  path.Add({0, 0, 2});
  g->SweepSelectionStep(false, 1, path);
  for (const MVertex* v : g->vertices) EXPECT_EQ(v->position.z, 2);
  // A right-angle turn of the path at its joint turns the selection by half
  // of it about its centre.
  MeshFixture h = meshkit::MakeQuadPair(false);
  meshkit::SelectVertices(h, {0, 1, 2, 3});
  PointArray bend;
  bend.Add({0, 0, 0});
  bend.Add({0, 0, 1});
  bend.Add({1, 0, 1});
  h->SweepSelectionStep(true, 1, bend);
  const PointRecord a = h.v[0]->position, b = h.v[1]->position;
  EXPECT_NEAR(std::fabs(b.z - a.z), std::sin(std::numbers::pi / 4), 1e-9);
  EXPECT_NEAR(MUtilDistance(a, b), 1, 1e-12) << "a turn keeps lengths";
}

// ---- path cuts ----------------------------------------------------------------------------------

TEST_F(MeshConstruction, APathAcrossAQuadStripSplitsTheCrossedLinesAtItsPointsAndKeepsQuads) {
  // Three quads in a row, 0-1-5-4, 1-2-6-5, 2-3-7-6; the path goes from the
  // middle of the first quad's left side across the two inner rungs.
  MeshFixture f = modelingtest::ThreeQuadStrip();
  f->Checkpoint(true);
  modelingtest::CutPathAcrossStrip(f);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->pathLineList, nullptr);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  // The cut runs through visible lines at the points.
  for (auto [x, y] : {std::pair{0.0, 0.4}, {1.0, 0.5}, {2.0, 0.6}, {3.0, 0.5}}) {
    bool found = false;
    for (const MVertex* v : f->vertices)
      found = found || (std::fabs(v->position.x - x) < 1e-12 && std::fabs(v->position.y - y) < 1e-12);
    EXPECT_TRUE(found) << x;
  }
  EXPECT_EQ(f->faces.Length(), 12) << "each quad cut into two quads";
  for (const MFace* face : f->faces) EXPECT_EQ(face->CountHiddenEdges(), 1) << "every face is half of a quad";
}

TEST_F(MeshConstruction, TheFaceBetweenTwoItemsAndTheCornerThatClosesTheCut) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  MVertex* corner = nullptr;
  // From side 0-1 to the corner 3 on the opposite side: corner 2 closes it.
  MFace* face = f->FindFaceBetween(nullptr, f.Line(0, 1), f.v[3], nullptr, &corner);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(corner, f.v[2]);
  MFace* both = f->FindFaceBetween(f.v[0], nullptr, f.v[2], nullptr, &corner);
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(corner, nullptr) << "two corners close nothing";
  auto boxes = TwoBoxes();
  MVertex *left = nullptr, *right = nullptr;
  for (MVertex* v : boxes->vertices) (v->position.x < 2 ? left : right) = v;
  EXPECT_EQ(boxes->FindFaceBetween(left, nullptr, right, nullptr, nullptr), nullptr);
}

// ---- texture coordinates at a vertex ------------------------------------------------------------

TEST_F(MeshConstruction, OnASeamOnlyTheFacesOfOneSideShareTheCoordinates) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  meshkit::GiveTexture(f);
  // Corner 0 of the second face gets coordinates of its own: a seam at 0.
  MFace* a = f.Line(0, 1)->forwardFace != nullptr ? f.Line(0, 1)->forwardFace : f.Line(0, 1)->backwardFace;
  MFace* b = f.Line(0, 3)->forwardFace != nullptr ? f.Line(0, 3)->forwardFace : f.Line(0, 3)->backwardFace;
  b->uv->corner[b->CornerIndex(f.v[0])] = {0.5, 0.5};
  f->Checkpoint(true);
  PtrArray same;
  f->CollectSameUVFaces(f.v[0], a, same);
  ASSERT_EQ(same.count, 1);
  EXPECT_EQ(same[0], a);
  // Moving subtracts.
  f->MoveVertexUV(f.v[0], &same, 0.25, -0.5);
  EXPECT_EQ(a->uv->corner[a->CornerIndex(f.v[0])].u, -0.25);
  EXPECT_EQ(a->uv->corner[a->CornerIndex(f.v[0])].v, 0.5);
  EXPECT_EQ(b->uv->corner[b->CornerIndex(f.v[0])].u, 0.5);
}

TEST_F(MeshConstruction, TheGradientAtAVertexIsHowFastTheCoordinatesChangeOnTheScreen) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  meshkit::GiveTexture(f);  // u = x, v = y
  for (MVertex* v : f->vertices) {
    v->screenX = 100 * v->position.x;
    v->screenY = 50 * v->position.y;
    v->screenDepth = 1;
  }
  PointRecord u, v;
  f->VertexUVGradient(f.v[0], nullptr, u, v);
  EXPECT_NEAR(u.x, 0.01, 1e-12);
  EXPECT_NEAR(v.y, 0.02, 1e-12);
  EXPECT_EQ(u.z, 0) << "no depth rate from screen positions";
  EngContext().textureMode = 0;
  PointRecord off, offV;
  f->VertexUVGradient(f.v[0], nullptr, off, offV);
  EXPECT_EQ(off.x, 0);
  EngContext().textureMode = 1;
}

}  // namespace mesh_construction_test
