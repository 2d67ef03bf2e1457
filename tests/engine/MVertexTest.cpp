// Vertices: corner normals and fans, rings of coincident vertices, where a
// new line leaves a vertex, and flatness.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using meshkit::MeshTest;

using VertexTest = MeshTest;

bool Same(const PointRecord& a, const PointRecord& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The face of the fan whose loop leaves the centre along spoke k.
MFace* Sector(const MeshFixture& fan, int k) { return fan.Line(0, k)->LeavingFace(fan.v[0]); }

TEST_F(VertexTest, UpdateNormalsSharesOneNormalPerFanBetweenSharpLines) {
  const int spokes = 6;
  for (int sharp : {0, 1, 2}) {
    SCOPED_TRACE(sharp);
    MeshFixture fan = meshkit::MakeFan(spokes, sharp);
    MVertex* centre = fan.v[0];
    centre->UpdateNormals();
    std::set<std::tuple<double, double, double>> normals;
    for (int k = 1; k <= spokes; ++k) {
      MFace* face = Sector(fan, k);
      const int corner = face->CornerIndex(centre);
      ASSERT_GE(corner, 0);
      EXPECT_EQ(face->cornerModes[corner], sharp == 0 ? kCornerSmooth : kCornerStored);
      if (sharp == 0) continue;
      ASSERT_NE(face->normals, nullptr);
      const PointRecord n = face->normals->normal[corner];
      EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-12);
      normals.insert({n.x, n.y, n.z});
    }
    if (sharp == 0) {
      // A smooth vertex keeps its averaged normal: straight up by symmetry.
      EXPECT_NEAR(centre->normal.z, 1.0, 1e-12);
      EXPECT_NEAR(centre->normal.x, 0.0, 1e-12);
    } else {
      EXPECT_EQ(normals.size(), static_cast<size_t>(sharp));
    }
    if (sharp == 2) {
      // Spokes 1 and 4 split the fan into the sectors 1-3 and 4-6.
      const int c1 = Sector(fan, 1)->CornerIndex(centre);
      const int c3 = Sector(fan, 3)->CornerIndex(centre);
      const int c4 = Sector(fan, 4)->CornerIndex(centre);
      EXPECT_TRUE(Same(Sector(fan, 1)->normals->normal[c1], Sector(fan, 3)->normals->normal[c3]));
      EXPECT_FALSE(Same(Sector(fan, 1)->normals->normal[c1], Sector(fan, 4)->normals->normal[c4]));
    }
  }
}

TEST_F(VertexTest, UpdateNormalsFlattensFullCreasesAndBreaksAtBorders) {
  MeshFixture fan = meshkit::MakeFan(6, 0);
  fan.v[0]->UpdateNormals();
  fan.v[0]->flags |= kVertexFullCrease;
  fan.v[0]->UpdateNormals();
  for (int k = 1; k <= 6; ++k) {
    MFace* face = Sector(fan, k);
    EXPECT_EQ(face->cornerModes[face->CornerIndex(fan.v[0])], kCornerFlat);
  }

  // A border vertex of a grid: its faces form one fan from border to border.
  MeshFixture grid = meshkit::MakeGrid(2, 1);
  MVertex* border = grid.v[1];
  border->UpdateNormals();
  std::set<std::tuple<double, double, double>> normals;
  for (MFace* face : grid->faces) {
    const int corner = face->CornerIndex(border);
    if (corner < 0) continue;
    EXPECT_EQ(face->cornerModes[corner], kCornerStored);
    const PointRecord& n = face->normals->normal[corner];
    normals.insert({n.x, n.y, n.z});
  }
  ASSERT_EQ(normals.size(), 1u);
  EXPECT_EQ(std::get<2>(*normals.begin()), 1.0);
  // A vertex with lines but no faces keeps (0, 0, 1) as its computed normal.
  MeshFixture free = meshkit::MakeEmptyMesh();
  free.Vertex(0, 0, 0);
  free.Vertex(1, 1, 1);
  free->AddLine(free.v[0], free.v[1], nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(Same(free.v[0]->ComputeNormal(), {0, 0, 1}));
}

TEST_F(VertexTest, RingsMoveTogetherAndKeepMirrorVerticesOnThePlane) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  MVertex* a = f.Vertex(1, 1, 1);
  MVertex* b = f.Vertex(1, 1, 1);
  MVertex* c = f.Vertex(1, 1, 1);
  // A vertex alone is a ring of one, unchanged by leaving or joining itself.
  EXPECT_EQ(a->CountRing(), 1);
  a->LeaveRing();
  a->JoinRing(a);
  EXPECT_EQ(a->ringNext, a);
  a->JoinRing(b);
  b->JoinRing(c);
  a->JoinRing(c);  // already a member: nothing changes
  EXPECT_EQ(c->CountRing(), 3);
  EXPECT_EQ(b->GetRingPrev()->ringNext, b);
  c->flags |= kVertexOnMirror;
  a->SetPosition({2, 3, 4});
  for (MVertex* v : {a, b}) EXPECT_TRUE(Same(v->position, {2, 3, 4}));
  EXPECT_TRUE(Same(c->position, {0, 3, 4}));
  b->position = {4, 0, 0};
  a->AverageRingPosition();
  for (MVertex* v : {a, b, c}) EXPECT_TRUE(Same(v->position, {0, 2, 8.0 / 3.0}));
  // Counting the ring spreads the mirror flag over it.
  EXPECT_EQ(b->CountRing(), 3);
  for (MVertex* v : {a, b, c}) EXPECT_TRUE(v->flags & kVertexOnMirror);
  b->LeaveRing();
  EXPECT_EQ(a->CountRing(), 2);
  EXPECT_EQ(b->CountRing(), 1);
  EXPECT_TRUE(MeshIsValid(*f, 0));
}

// A vertex with a face on its east and one on its west has two gaps, north
// and south.           w1     e2
//                        \   /
//                   (west) v (east)
//                        /   \            (vertices numbered in this order:
//                      w2     e1           v, e1, e2, w1, w2, then n)
TEST_F(VertexTest, NewLinesLeaveAVertexThroughTheGapFacingTheirTarget) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  MVertex* v = f.Vertex(0, 0, 0);
  f.Vertex(1, -0.5, 0);
  f.Vertex(1, 0.5, 0);
  f.Vertex(-1, 0.5, 0);
  f.Vertex(-1, -0.5, 0);
  MVertex* north = f.Vertex(0, 5, 0);
  MVertex* south = f.Vertex(0, -5, 0);
  f.Face(0, 1, 2);
  f.Face(0, 3, 4);
  const struct {
    MVertex* target;
    MLine* prev;
    MLine* next;
  } cases[] = {{north, f.Line(0, 2), f.Line(0, 3)}, {south, f.Line(0, 4), f.Line(0, 1)}};
  for (const auto& c : cases) {
    MLine* next = nullptr;
    MLine* prev = nullptr;
    v->FindInsertionWings(c.target, next, prev);
    EXPECT_EQ(prev, c.prev);
    EXPECT_EQ(next, c.next);
  }
  ASSERT_NE(f.Face(0, 2, 5), nullptr);
  EXPECT_TRUE(MeshIsValid(*f, 0));
  // With a single line, that line is both wings.
  MLine* next = nullptr;
  MLine* prev = nullptr;
  south->FindInsertionWings(v, next, prev);
  EXPECT_EQ(next, nullptr);
  MeshFixture lone = meshkit::MakeEmptyMesh();
  lone.Vertex(0, 0, 0);
  lone.Vertex(1, 0, 0);
  MLine* only = lone->AddLine(lone.v[0], lone.v[1], nullptr, nullptr, nullptr, nullptr);
  lone.v[0]->FindInsertionWings(south, next, prev);
  EXPECT_EQ(next, only);
  EXPECT_EQ(prev, only);
}

TEST_F(VertexTest, FaceParametersOfAVertexOnAFaceLineMatchItsPlaceOnTheLine) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {4, 0, 0}, {1, 3, 0}}, {{0, 1, 2}});
  MFace* face = f->faces.First();
  MLine* lines[3];
  MVertex* corners[3];
  face->GetLines(lines);
  face->GetVertices(corners);
  for (int i = 0; i < 3; ++i) {
    for (bool reversed : {false, true}) {
      SCOPED_TRACE(std::to_string(i) + (reversed ? " reversed" : ""));
      MLine* line = lines[i];
      if (reversed) line->Reverse();
      MVertex probe;
      probe.onLine = line;
      probe.lineT = 0.25;
      probe.SetFaceParamsFromLine(lines, corners);
      const PointRecord expected = line->PointAt(0.25);
      const PointRecord& c0 = corners[0]->position;
      const PointRecord& c1 = corners[1]->position;
      const PointRecord& c2 = corners[2]->position;
      EXPECT_DOUBLE_EQ(c0.x + probe.faceS * (c1.x - c0.x) + probe.faceT * (c2.x - c0.x), expected.x);
      EXPECT_DOUBLE_EQ(c0.y + probe.faceS * (c1.y - c0.y) + probe.faceT * (c2.y - c0.y), expected.y);
      // Nudging moves it towards the middle of its line.
      probe.NudgeFaceParams(face);
      EXPECT_DOUBLE_EQ(probe.lineT, 0.25 + 5e-8);
      if (reversed) line->Reverse();
    }
  }
  MVertex stranger;
  stranger.onLine = f->AddLine(f->AddVertex({9, 9, 9}), f->AddVertex({8, 8, 8}), nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(EndsInFatalExit([&] { stranger.SetFaceParamsFromLine(lines, corners); }));
}

TEST_F(VertexTest, MirrorPartnersPairBothWaysAndSaveEveryVertexTheyTouch) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{-1, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  for (MVertex* v : f->vertices) v->state = kItemUnchanged;
  f.v[0]->SetMirrorPartner(f.v[1]);
  EXPECT_EQ(f.v[0]->mirrorPartner, f.v[1]);
  EXPECT_EQ(f.v[1]->mirrorPartner, f.v[0]);
  f.v[2]->SetMirrorPartner(f.v[1]);  // takes 1 from 0
  EXPECT_EQ(f.v[0]->mirrorPartner, nullptr);
  EXPECT_EQ(f.v[1]->mirrorPartner, f.v[2]);
  for (MVertex* v : f->vertices) EXPECT_EQ(v->state, kItemSaved);
  EXPECT_EQ(f->removedVertices.Length(), 3);
  f.v[2]->SetMirrorPartner(nullptr);
  EXPECT_EQ(f.v[1]->mirrorPartner, nullptr);
  EXPECT_TRUE(MeshIsValid(*f, 0));
}

TEST_F(VertexTest, FlatnessIsOneInsideAFlatSheetAndLowerAtItsCorners) {
  MeshFixture grid = meshkit::MakeGrid(2, 2);
  EXPECT_DOUBLE_EQ(grid.v[4]->GetFlatness(), 1.0);
  EXPECT_LT(grid.v[0]->GetFlatness(), grid.v[1]->GetFlatness());
  MeshFixture fan = meshkit::MakeFan(6, 0);
  EXPECT_LT(fan.v[0]->GetFlatness(), 1.0);
  EXPECT_EQ(grid.v[4]->GetBoundaryKind(), 0);
  EXPECT_EQ(grid.v[0]->CountLines(), 3);
  bool border = false;
  bool sharp = true;
  grid.v[1]->GetLineKinds(border, sharp);
  EXPECT_TRUE(border);
  EXPECT_FALSE(sharp);
}

}  // namespace
