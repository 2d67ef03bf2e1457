// Quads: two triangles across a hidden diagonal read as one four-sided face;
// joining triangles into quads, finding partners and candidates, exposing a
// diagonal (by clearing the flag or turning a line), and the line turn.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;

class MeshQuad : public meshkit::MeshTest {
 protected:
  void TearDown() override {
    EngContext().textureMode = 1;
    MeshTest::TearDown();
  }
};

// The quad pair's faces: A = 0-1-2 and B = 0-2-3.
MFace* FaceA(const MeshFixture& f) { return f.Line(0, 1)->LeavingFace(f.v[0]); }
MFace* FaceB(const MeshFixture& f) { return f.Line(0, 3)->ArrivingFace(f.v[0]); }

struct QuadView {
  int kind;
  MFace* partner;
  MLine* lines[5];
  MVertex* corners[4];
  MFaceUV::Pair uvs[4];
  unsigned char modes[4];
  PointRecord normals[4];
};

QuadView ViewOf(MFace* face) {
  QuadView q{};
  q.kind = GetQuadCorners(face, &q.partner, q.lines, q.corners, q.uvs, q.modes, q.normals);
  return q;
}

// The corners of a quad view as vertex numbers of the fixture, rotated to
// start at the smallest.
std::string CycleOf(const MeshFixture& f, const QuadView& q) {
  int numbers[4];
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < static_cast<int>(f.v.size()); ++i)
      if (f.v[i] == q.corners[k]) numbers[k] = i;
  int start = 0;
  for (int k = 1; k < 4; ++k)
    if (numbers[k] < numbers[start]) start = k;
  std::string text;
  for (int k = 0; k < 4; ++k) text += std::to_string(numbers[(start + k) % 4]);
  return text;
}

TEST_F(MeshQuad, ALoneTriangleIsThreeCornersWithDefaults) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  const QuadView q = ViewOf(FaceA(f));
  EXPECT_EQ(q.kind, 3);
  EXPECT_EQ(q.partner, nullptr);
  EXPECT_EQ(q.lines[3], nullptr);
  EXPECT_EQ(q.lines[4], nullptr);
  EXPECT_EQ(q.corners[3], nullptr);
  MVertex* corners[3];
  FaceA(f)->GetVertices(corners);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(q.corners[k], corners[k]);
    EXPECT_EQ(q.uvs[k].u, 0);
    EXPECT_EQ(q.normals[k].y, 1);  // no stored normals: (0, 1, 0)
  }
}

TEST_F(MeshQuad, EitherHalfGivesTheSameQuadWithItsCornerValues) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  FaceB(f)->normals = MFace::NewNormalsBlock();
  *FaceB(f)->normals = MFaceNormals{};
  FaceB(f)->SetCornerNormal(f.v[3], kCornerStored, {0, 0, 1});
  const QuadView a = ViewOf(FaceA(f));
  const QuadView b = ViewOf(FaceB(f));
  ASSERT_EQ(a.kind, 4);
  ASSERT_EQ(b.kind, 4);
  EXPECT_EQ(a.partner, FaceB(f));
  EXPECT_EQ(b.partner, FaceA(f));
  // The same corners in the same turning order, whichever half is asked.
  EXPECT_EQ(CycleOf(f, a), "0123");
  EXPECT_EQ(CycleOf(f, b), "0123");
  for (const QuadView* q : {&a, &b}) {
    EXPECT_EQ(q->lines[4], f.Line(0, 2));
    for (int k = 0; k < 4; ++k) {
      // Outer line k runs from corner k to corner k + 1.
      EXPECT_TRUE(q->lines[k]->HasEnd(q->corners[k]) && q->lines[k]->HasEnd(q->corners[(k + 1) % 4]));
      // Each corner's coordinates are its position (u = x, v = y), from
      // whichever half has the corner.
      EXPECT_EQ(q->uvs[k].u, q->corners[k]->position.x);
      EXPECT_EQ(q->uvs[k].v, q->corners[k]->position.y);
      const bool stored = q->corners[k] == f.v[3];
      EXPECT_EQ(q->modes[k], stored ? kCornerStored : kCornerFlat);
      EXPECT_EQ(q->normals[k].z, stored ? 1 : 0);
    }
  }
  // With texturing off the coordinates are zeros.
  EngContext().textureMode = 0;
  const QuadView off = ViewOf(FaceA(f));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(off.uvs[k].u + off.uvs[k].v, 0);
}

TEST_F(MeshQuad, JoiningMakesAHiddenDiagonalOnlyBetweenTwoFreeTriangles) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  MShader* other = f->AddShader();
  // Cell 0: faces 0-1-4 and 0-4-3 across 0-4; cell 1 across 1-5.
  MLine* diagonal = f.Line(0, 4);
  diagonal->flags |= kLineSharp | 0xFF000000u;
  const std::uint32_t width = diagonal->flags & kLineWidthMask;
  diagonal->backwardFace->SetShader(other);
  EXPECT_TRUE(f->CanJoinToQuad(diagonal));
  EXPECT_TRUE(f->IsQuadCandidate(diagonal));
  f->SaveEditState();
  ASSERT_TRUE(f->JoinToQuad(diagonal));
  // No longer sharp; bits 24 to 27 of the crease weight go, the rest stay.
  EXPECT_TRUE(diagonal->flags & kLineHiddenDiagonal);
  EXPECT_FALSE(diagonal->flags & kLineSharp);
  EXPECT_EQ(diagonal->flags & kLineCreaseMask, 0xF0000000u);
  EXPECT_EQ(diagonal->flags & kLineWidthMask, width);
  EXPECT_EQ(diagonal->backwardFace->shader, diagonal->forwardFace->shader);
  EXPECT_EQ(f->GetQuadPartner(diagonal->forwardFace), diagonal->backwardFace);
  // The shared line 1-4 borders a face of the quad: not a candidate, and
  // joining it changes nothing.
  MLine* shared = f.Line(1, 4);
  EXPECT_FALSE(f->CanJoinToQuad(shared));
  EXPECT_FALSE(f->IsQuadCandidate(shared));
  const std::string before = meshkit::DumpMesh(*f);
  EXPECT_FALSE(f->JoinToQuad(shared));
  EXPECT_FALSE(f->JoinToQuad(f.Line(0, 1)));  // a border line
  EXPECT_FALSE(f->IsQuadCandidate(f.Line(0, 1)));
  EXPECT_FALSE(f->IsQuadCandidate(diagonal));  // already a diagonal
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
  EXPECT_TRUE(EndsInFatalExit([&] { f->JoinToQuad(nullptr); }));
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshQuad, LinesWithCoincidentLinesAreNoCandidates) {
  // A second sheet on the first: each vertex has a coincident copy, so the
  // copy's diagonal is coincident with the first one.
  MeshFixture f = meshkit::MakeQuadPair(false);
  for (int i = 0; i < 4; ++i) f.v.push_back(f->AddVertexCopy(f.v[i]));
  f.Face(4, 5, 6);
  f.Face(4, 6, 7);
  ASSERT_TRUE(MeshIsValid(*f, 0));
  EXPECT_FALSE(f->IsQuadCandidate(f.Line(0, 2)));
  EXPECT_TRUE(f->CanJoinToQuad(f.Line(0, 2)));
}

TEST_F(MeshQuad, ExposingADiagonalClearsItTurnsALineOrDoesNothing) {
  MeshFixture f = meshkit::MakeGrid(2, 2);
  f.Line(1, 5)->flags |= kLineHiddenDiagonal;
  f->SaveEditState();
  // A visible line is left alone.
  EXPECT_EQ(f->ExposeDiagonal(f.v[0], f.v[1]), nullptr);
  // A hidden diagonal becomes visible.
  EXPECT_EQ(f->ExposeDiagonal(f.v[5], f.v[1]), f.Line(1, 5));
  EXPECT_FALSE(f.Line(1, 5)->flags & kLineHiddenDiagonal);
  // Corners of no common pair of triangles stay unjoined.
  EXPECT_EQ(f->ExposeDiagonal(f.v[0], f.v[8]), nullptr);
  EXPECT_EQ(f.Line(0, 8), nullptr);
  // Far corners of two triangles: their shared line turns.
  MLine* turned = f->ExposeDiagonal(f.v[3], f.v[1]);
  ASSERT_NE(turned, nullptr);
  EXPECT_EQ(turned, f.Line(1, 3));
  EXPECT_EQ(f.Line(0, 4), nullptr);
  EXPECT_TRUE(MeshIsValid(*f));
  EXPECT_TRUE(EndsInFatalExit([&] { f->ExposeDiagonal(f.v[2], f.v[2]); }));
}

TEST_F(MeshQuad, TurningALineIsRefusedWhenItsFarCornersAreJoined) {
  MeshFixture f = meshkit::MakeTetra();
  f->SaveEditState();
  const std::string before = meshkit::DumpMesh(*f);
  EXPECT_EQ(f->FlipLine(f.Line(0, 1)), nullptr);
  EXPECT_EQ(FailState(), kEngFailDeclined);
  EXPECT_EQ(FailReason(), kEngReasonDeclined);
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
  // A line without faces has nothing to turn.
  EngContext().ClearFailure();
  MeshFixture lone = meshkit::MakeCubeCorners();
  MLine* free = lone->AddLine(lone.v[0], lone.v[1], nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(lone->FlipLine(free), nullptr);
  EXPECT_EQ(FailReason(), kEngReasonFatal);
}

}  // namespace
