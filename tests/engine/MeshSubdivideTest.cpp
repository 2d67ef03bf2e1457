// Bézier patches, the patches through faces and quads, the fills of a
// region from its sides, and subdivision in smooth and support mode.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/ModelingTestSupport.h"
#include "engine/modeling/BezierPatch.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_subdivide_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshSubdivide : public meshkit::MeshTest {
 protected:
  void TearDown() override {
    EngContext().textureMode = 1;
    MeshTest::TearDown();
  }
};

int Faces(const MMeshObj& m) { return m.faces.Length(); }
int Vertices(const MMeshObj& m) { return m.vertices.Length(); }

void ExpectNear(const PointRecord& a, const PointRecord& b, double tolerance = 1e-12) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// ---- the patch record ----------------------------------------------------------------------------

TEST_F(MeshSubdivide, ATriangularPatchPassesThroughItsThreeCornerPoints) {
  BezierPatchRecord patch;
  EXPECT_EQ(patch.degree, 3);
  EXPECT_EQ(patch.edge, -1);
  for (int k = 0; k < 10; ++k) patch.control[k] = {static_cast<double>(k), k * 0.5, -k * 1.0};
  ExpectNear(patch.Evaluate(0, 0), patch.control[0]);
  ExpectNear(patch.Evaluate(1, 0), patch.control[6]);
  ExpectNear(patch.Evaluate(0, 1), patch.control[9]);
  // The centre weighs the points by 1/27 and the middle one by 6/27.
  const PointRecord centre = patch.Evaluate(1.0 / 3, 1.0 / 3);
  double expected = 0;
  const double weights[10] = {1, 3, 3, 3, 6, 3, 1, 3, 3, 1};
  for (int k = 0; k < 10; ++k) expected += weights[k] * k / 27.0;
  EXPECT_NEAR(centre.x, expected, 1e-12);
}

TEST_F(MeshSubdivide, QuadPatchEdgesRunRoundTheBoundaryAndBackwardsWhenNotForward) {
  // A hand-built bilinear patch: control point (i, j) at (i/3, j/3, 0)
  // reproduces (u, v, 0) exactly.
  BezierPatchRecord patch;
  patch.quad = 1;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) patch.control[4 * i + j] = {i / 3.0, j / 3.0, 0};
  ExpectNear(patch.Evaluate(0.3, 0.8), {0.3, 0.8, 0});
  patch.SetEdge(2, true);
  ExpectNear(patch.EdgePoint(0), {1, 1, 0});
  ExpectNear(patch.EdgePoint(1), {0, 1, 0});
  patch.SetEdge(2, false);
  ExpectNear(patch.EdgePoint(0), {0, 1, 0});
  patch.SetEdge(-1, true);
  ExpectNear(patch.TrianglePoint(0.25, 0.5), {0.25, 0.5, 0});
}

TEST_F(MeshSubdivide, TriangleEdgesAndPointsFromAnEdge) {
  BezierPatchRecord patch;
  for (int k = 0; k < 10; ++k) patch.control[k] = {0, 0, 0};
  // Linear control points of the triangle (0,0), (3,0), (0,3).
  const int rowStart[4] = {0, 1, 3, 6};
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k <= r; ++k) patch.control[rowStart[r] + k] = {static_cast<double>(r - k), static_cast<double>(k), 0};
  patch.SetEdge(1, true);
  ExpectNear(patch.EdgePoint(0), {3, 0, 0});
  ExpectNear(patch.EdgePoint(1), {0, 3, 0});
  // From edge 1, (a, b) stands for (1 - a - b, a).
  ExpectNear(patch.TrianglePoint(0.2, 0.3), {1.5, 0.6, 0});
}

TEST_F(MeshSubdivide, TheEdgeCurveLeavesTheCornerAlongTheSurface) {
  PointRecord out;
  MMeshObj::CurveTangentPoint(out, {0, 0, 0}, {0, 0, 1}, {3, 0, 3}, false);
  EXPECT_NEAR(out.z, 0, 1e-12) << "in the tangent plane at the corner";
  EXPECT_NEAR(out.x, 3 * std::sqrt(2.0) * 0.3333333, 1e-9);
  MMeshObj::CurveTangentPoint(out, {0, 0, 0}, {1, 0, 0}, {3, 0, 0}, false);
  ExpectNear(out, {3 * 0.3333333, 0, 0});  // the normal along the chord: straight
  MMeshObj::CurveTangentPoint(out, {1, 2, 3}, {0, 0, 1}, {1, 2, 3}, false);
  ExpectNear(out, {1, 2, 3});
}

// ---- subdivision ----------------------------------------------------------------------------------

TEST_F(MeshSubdivide, AFlatTriangleIsDividedIntoAGridInItsPlane) {
  struct Case {
    int n;
    int faces;
  };
  for (Case c : {Case{2, 4}, Case{3, 9}, Case{4, 16}}) {
    SCOPED_TRACE(c.n);
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    f->Checkpoint(true);
    f->SubdivideAll(c.n);
    ASSERT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(Faces(*f), c.faces);
    for (const MVertex* v : f->vertices) EXPECT_NEAR(v->position.z, 0, 1e-12);
    for (const MFace* face : f->faces) EXPECT_GT(face->GetNormal().z, 0.999) << "the old face's side";
    EXPECT_TRUE(meshkit::MeshIsValid(*f));
  }
}

TEST_F(MeshSubdivide, ACubeSubdividedRoundsOutExceptAlongSharpEdges) {
  // Without creases the new edge points bulge outwards off the straight
  // edges; with sharp edges (a box) they sit on them.
  auto smooth = NewMesh();
  MeshFixture cube = meshkit::MakeCube(true);
  cube->SubdivideAll(2);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Vertices(*cube), 26);
  EXPECT_EQ(Faces(*cube), 48);
  EXPECT_EQ(CountLinesWith(*cube, kLineHiddenDiagonal), 24) << "every new cell is a quad";
  EXPECT_TRUE(cube->IsClosed());
  EXPECT_TRUE(meshkit::MeshIsValid(*cube));
  int bulging = 0;
  for (const MVertex* v : cube->vertices) {
    const PointRecord& p = v->position;
    const bool outside = p.x < -1e-9 || p.x > 1 + 1e-9 || p.y < -1e-9 || p.y > 1 + 1e-9 || p.z < -1e-9 || p.z > 1 + 1e-9;
    bulging += outside;
  }
  EXPECT_EQ(bulging, 18) << "every new edge and face point";

  auto box = NewMesh();
  box->MakeBox({0, 0, 1}, {1, 1, 0}, 0);
  box->SubdivideAll(2);
  ASSERT_EQ(FailState(), kEngFailNone);
  for (const MVertex* v : box->vertices) {
    const PointRecord& p = v->position;
    const int onMiddle = (std::fabs(p.x - 0.5) < 1e-12) + (std::fabs(p.y - 0.5) < 1e-12) + (std::fabs(p.z - 0.5) < 1e-12);
    if (onMiddle == 1) {
      // An edge point: on the straight edge.
      const int onFace = (p.x == 0 || p.x == 1) + (p.y == 0 || p.y == 1) + (p.z == 0 || p.z == 1);
      EXPECT_EQ(onFace, 2);
    }
  }
  EXPECT_TRUE(meshkit::MeshIsValid(*box));
}

TEST_F(MeshSubdivide, OneQuadOfACubeGivesFourQuadsAndItsNeighboursAPointEach) {
  MeshFixture f = meshkit::MakeCube(true);
  meshkit::SelectVertices(f, {4, 5, 6, 7});
  f->Checkpoint(true);
  f->SubdivideSelected(2);
  ASSERT_EQ(FailState(), kEngFailNone);
  // Top: four quads (8 triangles); each side quad: a fan of two and a
  // triangle; the bottom quad unchanged.
  EXPECT_EQ(Faces(*f), 8 + 4 * 3 + 2);
  EXPECT_EQ(Vertices(*f), 8 + 4 + 1);
  EXPECT_TRUE(f->IsClosed());
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  // The selection is the new top faces.
  PtrArray selected;
  f->GatherSelected(0, &selected, nullptr, nullptr);
  EXPECT_EQ(selected.count, 8);
  for (int i = 0; i < selected.count; ++i) EXPECT_GT(static_cast<MFace*>(selected[i])->GetNormal().z, 0.5);
}

TEST_F(MeshSubdivide, FreeLinesAreDividedStraightAndLeftAloneInSupportMode) {
  MeshFixture f = FreeLoop({{0, 0, 0}, {3, 0, 0}, {3, 3, 0}});
  f->SubdivideAll(3);
  ASSERT_EQ(FailState(), kEngFailNone);
  int v, l, faces, d;
  f->CountElements(v, l, faces, d);
  EXPECT_EQ(l, 9);
  for (const MLine* line : f->lines) {
    const double length = MUtilDistance(line->end0->position, line->end1->position);
    EXPECT_TRUE(std::fabs(length - 1) < 1e-12 || std::fabs(length - std::sqrt(2.0)) < 1e-12);
  }
  MeshFixture g = FreeLoop({{0, 0, 0}, {3, 0, 0}, {3, 3, 0}});
  g->supportDistance = 0.1;
  g->SubdivideAll(3);
  g->supportDistance = -1;
  g->CountElements(v, l, faces, d);
  EXPECT_EQ(l, 3);
}

TEST_F(MeshSubdivide, SupportModePointsSitAtTheDistanceFromTheEndsAndAreLabelled) {
  struct Case {
    double length;
    double offset;
  };
  // Below 2.4 d a line is divided at 0.4 of its length.
  for (Case c : {Case{1, 0.1}, Case{0.2, 0.08}}) {
    SCOPED_TRACE(c.length);
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Add({{0, 0, 0}, {c.length, 0, 0}, {0, c.length, 0}}, {{0, 1, 2}});
    f->Checkpoint(true);
    f->SaveEditState();
    f->supportDistance = 0.1;
    f->creaseLineList = new PtrArray();
    f->loneVertexList = new PtrArray();
    f->SubdivideAll(3);
    delete f->creaseLineList;
    delete f->loneVertexList;
    f->creaseLineList = f->loneVertexList = nullptr;
    f->supportDistance = -1;
    ASSERT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(Faces(*f), 13) << "three corner quads, three side quads and the centre";
    bool near0 = false, nearEnd = false;
    int labels[6] = {0, 0, 0, 0, 0, 0};
    for (const MVertex* v : f->vertices) {
      if (v->position.y == 0 && std::fabs(v->position.x - c.offset) < 1e-12) near0 = true;
      if (v->position.y == 0 && std::fabs(v->position.x - (c.length - c.offset)) < 1e-12) nearEnd = true;
      const int label = static_cast<int>(v->faceS);
      if (label >= 0 && label <= 5) ++labels[label];
    }
    EXPECT_TRUE(near0 && nearEnd);
    EXPECT_EQ(labels[1], 3);
    EXPECT_EQ(labels[3], 6);
    EXPECT_EQ(labels[5], 3);
    EXPECT_TRUE(meshkit::MeshIsValid(*f));
  }
}

TEST_F(MeshSubdivide, ALineOnTheMirrorPlaneKeepsItsNewVerticesOnIt) {
  MeshFixture f = meshkit::MakeMirrorHalf();
  f->SubdivideAll(2);
  ASSERT_EQ(FailState(), kEngFailNone);
  int onPlane = 0;
  for (const MVertex* v : f->vertices)
    if (v->flags & kVertexOnMirror) {
      ++onPlane;
      EXPECT_EQ(v->position.x, 0);
    }
  EXPECT_EQ(onPlane, 5);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshSubdivide, TextureCoordinatesOfNewFacesFollowTheOldFace) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);  // u = x, v = y
  f->Checkpoint(true);
  f->SubdivideAll(3);
  ASSERT_EQ(FailState(), kEngFailNone);
  for (const MFace* face : f->faces) {
    MVertex* c[3];
    face->GetVertices(c);
    for (int k = 0; k < 3; ++k) {
      // The patch's thirds are 0.3333333: points sit within 1e-8 of the grid.
      EXPECT_NEAR(face->uv->corner[k].u, c[k]->position.x, 1e-7);
      EXPECT_NEAR(face->uv->corner[k].v, c[k]->position.y, 1e-7);
    }
  }
}

TEST_F(MeshSubdivide, FewerThanTwoPartsAreRefused) {
  MeshFixture f = meshkit::MakeCube(true);
  f->SubdivideAll(1);
  EXPECT_EQ(FailState(), kEngFailDeclined);
  EXPECT_EQ(Faces(*f), 12);
}

}  // namespace mesh_subdivide_test
