// Materials of faces, texture projection and the texture-coordinate
// editor's operations.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_texture_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshTexture : public meshkit::MeshTest {};

MatrixRecord Identity() {
  MatrixRecord m;
  MUtilIdentity(m);
  return m;
}

// The face's corner coordinates of the vertex.
MFaceUV::Pair UVAt(const MFace* face, const MVertex* v) { return face->uv->corner[face->CornerIndex(v)]; }

void ExpectAllFinite(const MMeshObj& m, double lo, double hi) {
  for (const MFace* face : m.faces) {
    ASSERT_NE(face->uv, nullptr);
    for (const MFaceUV::Pair& c : face->uv->corner) {
      EXPECT_TRUE(std::isfinite(c.u) && std::isfinite(c.v));
      EXPECT_GE(c.u, lo);
      EXPECT_LE(c.u, hi);
      EXPECT_GE(c.v, lo);
      EXPECT_LE(c.v, hi);
    }
  }
}

TEST_F(MeshTexture, APlanarProjectionMapsTheSmallestCornerToOneZeroAndTheLargestToZeroOne) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  f->Checkpoint(true);
  f->ProjectUVsSimple(nullptr, nullptr, Identity(), 1, 0, 1, 1);
  ASSERT_EQ(FailState(), kEngFailNone);
  for (const MFace* face : f->faces) {
    if (face->CornerIndex(f.v[0]) >= 0) {
      EXPECT_EQ(UVAt(face, f.v[0]).u, 1);
      EXPECT_EQ(UVAt(face, f.v[0]).v, 0);
    }
    if (face->CornerIndex(f.v[2]) >= 0) {
      EXPECT_EQ(UVAt(face, f.v[2]).u, 0);
      EXPECT_EQ(UVAt(face, f.v[2]).v, 1);
    }
  }
  // Repeats scale both: kind 1 with a = 3 (up) and b = 2 (across).
  f->ProjectUVsSimple(nullptr, nullptr, Identity(), 1, 1, 3, 2);
  for (const MFace* face : f->faces) {
    if (face->CornerIndex(f.v[0]) < 0) continue;
    EXPECT_EQ(UVAt(face, f.v[0]).u, 2);
  }
}

TEST_F(MeshTexture, ProjectionsOfACubeAndACylinderGiveNoNaNAndStayInRange) {
  for (int type : {1, 2}) {
    SCOPED_TRACE(type);
    auto cube = NewMesh();
    cube->MakeBox({-1, -1, 1}, {1, 1, -1}, 0);
    MShader* shader = cube->shaders.First();
    shader->texture.width = shader->texture.height = 2;
    shader->texture.pixels = static_cast<unsigned char*>(EngAlloc(16));
    cube->Checkpoint(true);
    cube->ProjectUVsSimple(nullptr, shader, Identity(), type, 0, 1, 1);
    ASSERT_EQ(FailState(), kEngFailNone);
    // Faces across a cylinder's back seam take angles past it (u up to 1.5).
    const double high = type == 1 ? 1 : 1.5;
    ExpectAllFinite(*cube, 0, high);

    // Only the faces of the side x = 1, seen edge-on along x: no extent.
    PtrArray side;
    for (MFace* face : cube->faces) {
      MVertex* c[3];
      face->GetVertices(c);
      if (c[0]->position.x == 1 && c[1]->position.x == 1 && c[2]->position.x == 1) side.Add(face);
    }
    ASSERT_EQ(side.count, 2);
    MatrixRecord edgeOn = Identity();
    MUtilRotateY(edgeOn, std::numbers::pi / 2, edgeOn);
    cube->ProjectUVsSimple(&side, shader, edgeOn, type, 0, 1, 1);
    ExpectAllFinite(*cube, 0, high);
  }
  auto cylinder = NewMesh();
  cylinder->MakeCylinder({-1, 0, -1}, {1, 3, 1}, 0, 12);
  MShader* shader = cylinder->shaders.First();
  shader->texture.width = shader->texture.height = 2;
  shader->texture.pixels = static_cast<unsigned char*>(EngAlloc(16));
  cylinder->ProjectUVsSimple(nullptr, shader, Identity(), 2, 0, 1, 1);
  ExpectAllFinite(*cylinder, 0, 1.0 + 1.0 / 12 + 1e-12);
}

TEST_F(MeshTexture, ACylindricalFaceAcrossTheBackSeamTakesAnglesOnOneSide) {
  // One triangle across the back seam (x = 0 on the side z > 0) of a box
  // from z = -1 to 1 centred on the y axis.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0.1, 0, 1}, {-0.1, 0, 1}, {0, 1, 1}});
  f.Face(0, 1, 2);
  meshkit::GiveTexture(f);
  PointArray box;
  box.Add({-1, 0, -1});
  box.Add({1, 1, 1});
  PtrArray one;
  one.Add(f->faces.First());
  f->ProjectUVs(&one, nullptr, Identity(), 2, 0, 1, 1, &box, nullptr, nullptr);
  const MFaceUV& uv = *f->faces.First()->uv;
  const double lo = std::fmin(uv.corner[0].u, std::fmin(uv.corner[1].u, uv.corner[2].u));
  const double hi = std::fmax(uv.corner[0].u, std::fmax(uv.corner[1].u, uv.corner[2].u));
  EXPECT_LT(hi - lo, 0.1) << "not stretched over the whole texture";
}

TEST_F(MeshTexture, SquareTexelsCompressOneAxisAtMostTwentyTimes) {
  struct Case {
    double height;
    double u0;  // u of the corner at the smallest x
  };
  // On a square 2 × 2 texture: twice as high as wide halves u's spread;
  // thirty times higher compresses by 1/20 only.
  for (Case c : {Case{2, 0.75}, Case{30, 0.525}}) {
    SCOPED_TRACE(c.height);
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Add({{0, 0, 0}, {1, 0, 0}, {1, c.height, 0}, {0, c.height, 0}}, {{0, 1, 2}, {0, 2, 3}});
    meshkit::GiveTexture(f);
    f->ProjectUVsSimple(nullptr, f.shader, Identity(), 1, 2, 1, 1);
    for (const MFace* face : f->faces) {
      if (face->CornerIndex(f.v[0]) < 0) continue;
      EXPECT_NEAR(UVAt(face, f.v[0]).u, c.u0, 1e-12);
    }
  }
}

TEST_F(MeshTexture, AMaterialFloodStopsAtHiddenFacesAndOtherMaterials) {
  MeshFixture f = meshkit::MakeGrid(3, 1);  // six faces in a strip
  MShader* other = f->AddShader();
  PtrArray faces = AllFaces(*f);
  // Faces come out in reverse order of making: [5] is the first made.
  static_cast<MFace*>(faces[1])->shader = other;
  static_cast<MFace*>(faces[5])->flags |= kFaceHidden;
  PtrArray found;
  f->CollectFacesWithShaderFrom(static_cast<MFace*>(faces[3]), found);
  EXPECT_EQ(found.count, 3) << "the faces between the other material and the hidden face";
}

TEST_F(MeshTexture, EqualMaterialsMergeIntoTheFirstAndUnusedOnesGo) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  MShader* twin = f->AddShader();
  f.shader->CopyTo(twin);
  MShader* unused = f->AddShader();
  unused->diffuseColor = {0.1, 0.2, 0.3};
  f->faces.First()->shader = twin;
  f->Checkpoint(true);
  f->CleanUpShaders(true);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->shaders.Length(), 1);
  for (const MFace* face : f->faces) EXPECT_EQ(face->shader, f->shaders.First());
}

// ---- texture-coordinate editing --------------------------------------------------------------

MeshFixture TexturedQuad() {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  f->Checkpoint(true);
  return f;
}

TEST_F(MeshTexture, PickingPrefersACornerWithinTheRadiusAndReturnsItsTwins) {
  MeshFixture f = TexturedQuad();
  TripleArray picked;
  double distance = -1;
  // (0.1, 0.05) is 0.05 from edge 0-1 and about 0.11 from corner (0, 0).
  ASSERT_TRUE(f->PickUV(0.1, 0.05, 0.2, f.shader, picked, distance));
  ASSERT_GT(picked.count, 0);
  EXPECT_EQ(picked[0].first, 0) << "a corner in the radius wins over a nearer edge";
  EXPECT_EQ(picked.count, 2) << "corner 0 in both faces of the quad";
  EXPECT_NEAR(distance, std::hypot(0.1, 0.05), 1e-12);
  TripleArray edge;
  ASSERT_TRUE(f->PickUV(0.5, 0.02, 0.1, f.shader, edge, distance));
  EXPECT_EQ(edge.count, 4) << "corner 0 in both faces, corner 1, then the edge";
  EXPECT_EQ(edge[3].first, 1);
  TripleArray none;
  EXPECT_FALSE(f->PickUV(5, 5, 0.1, f.shader, none, distance));
}

TEST_F(MeshTexture, TwinCornersMoveTogetherUntilSplit) {
  MeshFixture f = TexturedQuad();
  TripleArray picked;
  double d;
  ASSERT_TRUE(f->PickUV(0, 0, 0.1, f.shader, picked, d));
  f->SetUVCornerMarks(picked, true);
  f->MoveUVOfShader(0.25, 0.5, f.shader);
  for (const MFace* face : f->faces) {
    EXPECT_EQ(UVAt(face, f.v[0]).u, 0.25);
    EXPECT_EQ(UVAt(face, f.v[0]).v, 0.5);
  }
  f->SplitMarkedUVCorners(f.shader);
  TripleArray again;
  ASSERT_TRUE(f->PickUV(0.25, 0.5, 0.1, f.shader, again, d));
  EXPECT_EQ(again.count, 1) << "split apart by 1e-7, they are twins no more";
}

TEST_F(MeshTexture, RotationScaleMirrorAndTypedValuesChangeOnlyMarkedCorners) {
  struct Case {
    const char* name;
    void (*edit)(MMeshObj&, MShader*);
    double u, v;  // corner 1 (1, 0) afterwards
  };
  const Case cases[] = {
      {"turned by a right angle about the middle", [](MMeshObj& m, MShader* s) { m.RotateUV(0.5, 0.5, std::numbers::pi / 2, s); }, 1, 1},
      {"scaled about the middle", [](MMeshObj& m, MShader* s) { m.ScaleUV(0.5, 0.5, 2, 3, s); }, 1.5, -1},
      {"mirrored in u (non-zero axis)", [](MMeshObj& m, MShader* s) { m.MirrorMarkedUV(1, s, 0.25, 0.25); }, -0.5, 0},
      {"mirrored in v (zero axis)", [](MMeshObj& m, MShader* s) { m.MirrorMarkedUV(0, s, 0.25, 0.25); }, 1, 0.5},
      {"u typed", [](MMeshObj& m, MShader* s) { m.SetMarkedUVComponent(1, s, 0.7, 0.9); }, 0.7, 0},
      {"v typed", [](MMeshObj& m, MShader* s) { m.SetMarkedUVComponent(2, s, 0.7, 0.9); }, 1, 0.9},
      {"both set", [](MMeshObj& m, MShader* s) { m.SetSelectedUV(s, 0.3, 0.4); }, 0.3, 0.4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = TexturedQuad();
    TripleArray picked;
    double d;
    ASSERT_TRUE(f->PickUV(1, 0, 0.1, f.shader, picked, d));
    f->SetUVCornerMarks(picked, true);
    c.edit(*f, f.shader);
    for (const MFace* face : f->faces) {
      if (face->CornerIndex(f.v[1]) >= 0) {
        EXPECT_NEAR(UVAt(face, f.v[1]).u, c.u, 1e-12);
        EXPECT_NEAR(UVAt(face, f.v[1]).v, c.v, 1e-12);
      }
      EXPECT_EQ(UVAt(face, f.v[0]).u, 0) << "an unmarked corner stays";
    }
  }
}

TEST_F(MeshTexture, RectanglesAreOpenAndCountWithoutChangingAnything) {
  MeshFixture f = TexturedQuad();
  int counters[4] = {0, 0, 0, 0};
  f->MarkUVInRect(-0.5, -0.5, 1.0, 0.5, f.shader, true, counters);
  // Corner (0, 0) of both faces is inside; (1, 0) lies on the border.
  EXPECT_EQ(counters[3], 2);
  EXPECT_EQ(counters[2], 0);
  for (const MFace* face : f->faces) EXPECT_EQ(face->flags & 0xFC, 0);
  f->MarkUVInRect(-0.5, -0.5, 1.5, 0.5, f.shader, true, nullptr);
  int edges = 0, corners = 0;
  for (const MFace* face : f->faces)
    for (int k = 0; k < 3; ++k) {
      edges += face->HasUVEdgeMark(k);
      corners += face->HasUVCornerMark(k);
    }
  EXPECT_EQ(corners, 3);
  EXPECT_EQ(edges, 1) << "edge 0-1";
  double u = 0, v = 0;
  int count = 0;
  f->GetMarkedUVExtent(f.shader, u, v, count, 3);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(u, 1) << "the largest u";
}

TEST_F(MeshTexture, OutsideTheRangeMeansBeyondMinusAndPlusOneTenth) {
  MeshFixture f = TexturedQuad();
  f->faces.First()->uv->corner[0].u = 1.1;
  EXPECT_FALSE(f->HasUVOutsideRange(f.shader));
  f->faces.First()->uv->corner[0].u = 1.2;
  EXPECT_TRUE(f->HasUVOutsideRange(f.shader));
}

TEST_F(MeshTexture, MarksAndTheSelectionExchange) {
  MeshFixture f = TexturedQuad();
  meshkit::SelectVertices(f, {0, 1});
  f->UVMarksFromSelection(f.shader);
  int corners = 0, edges = 0;
  for (const MFace* face : f->faces)
    for (int k = 0; k < 3; ++k) {
      corners += face->HasUVCornerMark(k);
      edges += face->HasUVEdgeMark(k);
    }
  EXPECT_EQ(corners, 3);  // vertex 0 in two faces, vertex 1 in one
  EXPECT_EQ(edges, 1);
  f->ClearSelection();
  f->SelectionFromUVMarks(f.shader);
  EXPECT_TRUE(f.Line(0, 1)->flags & kLineSelected);
  EXPECT_FALSE(f.v[2]->flags & kVertexSelected);
  f->ClearUVMarks();
  for (const MFace* face : f->faces) EXPECT_EQ(face->flags & 0xFC, 0);
}

TEST_F(MeshTexture, QuadHalvesTakeTheirPartnersCoordinatesAtSharedCorners) {
  MeshFixture f = TexturedQuad();
  MFace* a = f->faces.First();
  MFace* b = f->GetQuadPartner(a);
  ASSERT_NE(b, nullptr);
  b->uv->corner[b->CornerIndex(f.v[0])] = {0.4, 0.4};
  f->SyncQuadUVs();
  EXPECT_EQ(a->uv->corner[a->CornerIndex(f.v[0])].u, b->uv->corner[b->CornerIndex(f.v[0])].u);
}

}  // namespace mesh_texture_test
