// The mesh operations behind the last scene mesh commands: turning parts
// outwards, dividing the lines of a drawing evenly or to a length, pulling
// selected lines out into walls, joining texture coordinates at coincident
// corners and bringing the selection's coordinates into 0..1. Each on a
// small fixture, then through the undo round trip and the undo of a run
// out of memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/ModelingTestSupport.h"
#include "engine/ModelingUndoTable.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_command_ops_test {

using namespace engine;
using meshkit::MeshFixture;
using modelingtest::ModelingCase;

class MeshCommandOps : public meshkit::MeshTest {};

double Length(const MLine* line) {
  const PointRecord& a = line->end0->position;
  const PointRecord& b = line->end1->position;
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

// How many faces of the mesh face away from the centre of their connected
// part (the mean of the part's corners), counted per part by the vertices'
// x side: the two boxes of TwoBoxes lie at x < 2 and x > 2.
int InwardFaces(MMeshObj& m) {
  PointRecord centre[2] = {{0, 0, 0}, {0, 0, 0}};
  int count[2] = {0, 0};
  for (MVertex* v : m.vertices) {
    const int side = v->position.x > 2;
    centre[side] = {centre[side].x + v->position.x, centre[side].y + v->position.y, centre[side].z + v->position.z};
    ++count[side];
  }
  for (int s = 0; s < 2; ++s)
    if (count[s] > 0) centre[s] = {centre[s].x / count[s], centre[s].y / count[s], centre[s].z / count[s]};
  int inward = 0;
  for (MFace* face : m.faces) {
    MVertex* c[3];
    face->GetVertices(c);
    const int side = c[0]->position.x > 2;
    const PointRecord mid{(c[0]->position.x + c[1]->position.x + c[2]->position.x) / 3 - centre[side].x,
                          (c[0]->position.y + c[1]->position.y + c[2]->position.y) / 3 - centre[side].y,
                          (c[0]->position.z + c[1]->position.z + c[2]->position.z) / 3 - centre[side].z};
    const PointRecord n = face->GetNormal();
    inward += n.x * mid.x + n.y * mid.y + n.z * mid.z < 0;
  }
  return inward;
}

TEST_F(MeshCommandOps, OrientAllTurnsEachPartOutwardsAndLeavesOutwardPartsAlone) {
  auto m = modelingtest::TwoBoxes();
  m->Checkpoint(true);
  ASSERT_EQ(InwardFaces(*m), 0) << "the boxes are made facing outwards";
  // The second box turned inside out; the first stays as it is.
  MVertex* far = nullptr;
  for (MVertex* v : m->vertices)
    if (v->position.x > 2) far = v;
  m->FlipPartAt(far);
  m->Checkpoint(true);
  ASSERT_EQ(InwardFaces(*m), 12);
  m->OrientAll();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(InwardFaces(*m), 0);
  EXPECT_TRUE(meshkit::MeshIsValid(*m));
  // Everything turned over: both parts come back.
  m->Checkpoint(true);
  m->ReverseAllFaces();
  EXPECT_EQ(InwardFaces(*m), 24);
  m->OrientAll();
  EXPECT_EQ(InwardFaces(*m), 0);
}

TEST_F(MeshCommandOps, DividingTheLinesOfADrawingMakesEqualPieces) {
  MeshFixture f = modelingtest::FreeLoop({{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {0, 3, 0}});
  f->DivideLines(3, false);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->lines.Length(), 12);
  EXPECT_EQ(f->vertices.Length(), 12);
  for (const MLine* line : f->lines) EXPECT_NEAR(Length(line), 1, 1e-12);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshCommandOps, DividingLinesRefusesAMeshWithFacesAndTooFewPieces) {
  struct Case {
    const char* name;
    bool faces;
    int n;
  };
  for (const Case& c : {Case{"faces", true, 3}, Case{"one piece", false, 1}, Case{"no pieces", false, 0}}) {
    SCOPED_TRACE(c.name);
    MeshFixture f = c.faces ? meshkit::MakeQuadPair() : modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    const int lines = f->lines.Length();
    f->DivideLines(c.n, false);
    EXPECT_EQ(FailState(), kEngFailDeclined);
    EXPECT_EQ(EngContext().failReason, kEngReasonDeclined);
    EngContext().ClearFailure();
    EXPECT_EQ(f->lines.Length(), lines);
  }
}

TEST_F(MeshCommandOps, OnAMirrorLayerTheDivisionPointOnThePlaneJoinsIt) {
  for (bool mirror : {false, true}) {
    SCOPED_TRACE(mirror ? "mirror" : "plain");
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Add({{-1, 0, 0}, {1, 2, 0}});
    f->AddLineBetween(f.v[0], f.v[1]);
    f->Checkpoint(true);
    f->DivideLines(2, mirror);
    ASSERT_EQ(FailState(), kEngFailNone);
    int onPlane = 0;
    for (const MVertex* v : f->vertices)
      if (v->position.x == 0) onPlane += (v->flags & kVertexOnMirror) != 0;
    EXPECT_EQ(onPlane, mirror ? 1 : 0);
    EXPECT_EQ(f->vertices.Length(), 3);
  }
}

TEST_F(MeshCommandOps, RefiningToALengthCutsOnlySelectedLongerLinesIntoFewestPieces) {
  // A chain 0-1-2-3 of lengths 1, 2.5 and 3; the first two selected.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {3.5, 0, 0}, {3.5, 3, 0}});
  for (int k = 0; k < 3; ++k) f->AddLineBetween(f.v[k], f.v[k + 1]);
  f->Checkpoint(true);
  meshkit::SelectVertices(f, {0, 1, 2});
  f->RefineSelectionToLength(1);
  ASSERT_EQ(FailState(), kEngFailNone);
  // 1 stays whole, 2.5 becomes three pieces of 5/6, 3 (unselected) stays.
  std::vector<double> lengths;
  for (const MLine* line : f->lines) lengths.push_back(Length(line));
  std::sort(lengths.begin(), lengths.end());
  ASSERT_EQ(lengths.size(), 5u);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(lengths[k], 2.5 / 3, 1e-12);
  EXPECT_NEAR(lengths[3], 1, 1e-12);
  EXPECT_NEAR(lengths[4], 3, 1e-12);
  f->RefineSelectionToLength(0);
  EXPECT_EQ(FailState(), kEngFailDeclined);
}

TEST_F(MeshCommandOps, ExtrudedLinesGrowAQuadWallEachAndTheirMovedCopiesStaySelected) {
  // A free chain of two lines along x: without faces its ends count as
  // facing +z.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  f->AddLineBetween(f.v[0], f.v[1]);
  f->AddLineBetween(f.v[1], f.v[2]);
  f->Checkpoint(true);
  meshkit::SelectVertices(f, {0, 1, 2});
  f->ExtrudeSelectedLines(1, 2);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->faces.Length(), 4) << "two quads";
  EXPECT_EQ(modelingtest::CountLinesWith(*f, kLineHiddenDiagonal), 2);
  int selected = 0;
  for (const MVertex* v : f->vertices)
    if (v->flags & kVertexSelected) {
      ++selected;
      EXPECT_EQ(v->position.z, 2);
    }
  EXPECT_EQ(selected, 3);
  for (int k : {0, 1, 2}) EXPECT_FALSE(f.v[k]->flags & kVertexSelected) << "the originals left the selection";
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  // The two walls are one strip turned one way: the line between them and
  // the two diagonals have faces on both sides.
  int inner = 0;
  for (const MLine* line : f->lines) inner += line->forwardFace != nullptr && line->backwardFace != nullptr;
  EXPECT_EQ(inner, 3);
  f->ExtrudeSelectedLines(3, 1);
  EXPECT_EQ(FailState(), kEngFailDeclined);
}

// The face with the vertex v[k] as a corner.
MFace* FaceWith(MeshFixture& f, int k) {
  for (MFace* face : f->faces)
    if (face->CornerIndex(f.v[k]) >= 0) return face;
  return nullptr;
}

// Two triangles on a seam (0 with 4, 1 with 3), textured u = x, v = y, the
// second's coordinates then moved by 0.5 in u; the first triangle's corner
// at vertex 0 is marked.
MeshFixture SeamWithMarkedCorner() {
  MeshFixture f = meshkit::MakeSeamTrianglePair(false);
  meshkit::GiveTexture(f);
  MFace* a = FaceWith(f, 0);
  MFace* b = FaceWith(f, 4);
  for (MFaceUV::Pair& c : b->uv->corner) c.u += 0.5;
  a->SetUVCornerMark(a->CornerIndex(f.v[0]));
  f->Checkpoint(true);
  return f;
}

TEST_F(MeshCommandOps, JoiningGivesTheCornersAtAMarkedCornersRingItsCoordinates) {
  MeshFixture f = SeamWithMarkedCorner();
  MFace* a = FaceWith(f, 0);
  MFace* b = FaceWith(f, 4);
  const MFaceUV::Pair atOne = b->uv->corner[b->CornerIndex(f.v[3])];
  f->JoinCoincidentUVCorners(a->shader);
  ASSERT_EQ(FailState(), kEngFailNone);
  const MFaceUV::Pair joined = b->uv->corner[b->CornerIndex(f.v[4])];
  const MFaceUV::Pair marked = a->uv->corner[a->CornerIndex(f.v[0])];
  EXPECT_EQ(joined.u, marked.u);
  EXPECT_EQ(joined.v, marked.v);
  const MFaceUV::Pair still = b->uv->corner[b->CornerIndex(f.v[3])];
  EXPECT_EQ(still.u, atOne.u) << "the unmarked corner's ring is left";
  // The marked corners are reported as triples.
  TripleArray marks;
  f->CollectMarkedUVCorners(marks);
  ASSERT_EQ(marks.count, 1);
  EXPECT_EQ(marks[0].pointer, a);
  EXPECT_EQ(marks[0].first, 0);
  EXPECT_EQ(marks[0].second, a->CornerIndex(f.v[0]));
}

// A textured quad pair (u = x, v = y) with every corner's coordinates moved
// by (du, dv) and scaled by (su, sv) first, all selected.
MeshFixture SelectedTexturedQuad(double su, double sv, double du, double dv) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  for (MFace* face : f->faces)
    for (MFaceUV::Pair& c : face->uv->corner) c = {c.u * su + du, c.v * sv + dv};
  meshkit::SelectVertices(f, {0, 1, 2, 3});
  f->Checkpoint(true);
  return f;
}

TEST_F(MeshCommandOps, NormalisingMovesANarrowRangeByWholeRepeatsAndSqueezesAWideOne) {
  struct Case {
    const char* name;
    double su, sv, du, dv;
    double uLow, uHigh, vLow, vHigh;
  };
  const Case cases[] = {
      {"narrow, far out", 0.5, 0.25, 2.25, -3.5, 0.25, 0.75, 0.5, 0.75},
      {"wide u, narrow v", 3, 1, -1, 0, 0, 1, 0, 1},
      {"exactly one wide", 1, 1, 4, 4, 0, 1, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = SelectedTexturedQuad(c.su, c.sv, c.du, c.dv);
    f->NormalizeSelectedTextureCoords();
    ASSERT_EQ(FailState(), kEngFailNone);
    double low[2] = {9, 9}, high[2] = {-9, -9};
    for (MFace* face : f->faces)
      for (const MFaceUV::Pair& p : face->uv->corner) {
        low[0] = std::fmin(low[0], p.u), high[0] = std::fmax(high[0], p.u);
        low[1] = std::fmin(low[1], p.v), high[1] = std::fmax(high[1], p.v);
      }
    EXPECT_NEAR(low[0], c.uLow, 1e-12);
    EXPECT_NEAR(high[0], c.uHigh, 1e-12);
    EXPECT_NEAR(low[1], c.vLow, 1e-12);
    EXPECT_NEAR(high[1], c.vHigh, 1e-12);
  }
  // Unselected faces keep their coordinates.
  MeshFixture f = SelectedTexturedQuad(1, 1, 5, 5);
  f->ClearSelection();
  f->NormalizeSelectedTextureCoords();
  for (MFace* face : f->faces)
    for (const MFaceUV::Pair& p : face->uv->corner) EXPECT_GE(p.u, 5);
}

std::vector<ModelingCase> Cases() {
  return {
      {"parts turned outwards",
       [] {
         MeshFixture f = meshkit::MakeCube(true);
         f->ReverseAllFaces();
         f->Checkpoint(true);
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.OrientAll(); }},
      {"a drawing divided", [] { return modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}); },
       [](MeshFixture&, MMeshObj& m) { m.DivideLines(4, true); }},
      {"selected lines refined to a length",
       [] {
         MeshFixture f = modelingtest::FreeLoop({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}});
         meshkit::SelectVertices(f, {0, 1});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.RefineSelectionToLength(0.5); }},
      {"border lines extruded along their normals",
       [] {
         MeshFixture f = meshkit::MakeGrid(2, 1);
         meshkit::SelectVertices(f, {0, 1, 2});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.ExtrudeSelectedLines(2, 0.5); }},
      {"a free chain extruded", [] {
         MeshFixture f = modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
         meshkit::SelectVertices(f, {0, 1});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.ExtrudeSelectedLines(1, 1); }},
      {"coincident corners joined", SeamWithMarkedCorner,
       [](MeshFixture&, MMeshObj& m) { m.JoinCoincidentUVCorners(*m.GetShaderList().begin()); }},
      {"selected coordinates normalised", [] { return SelectedTexturedQuad(2, 1, 0.5, 3); },
       [](MeshFixture&, MMeshObj& m) { m.NormalizeSelectedTextureCoords(); }},
  };
}

TEST_F(MeshCommandOps, EveryOperationSurvivesUndoAndRedo) { modelingtest::ExpectEachSurvivesUndoAndRedo(Cases()); }

TEST_F(MeshCommandOps, AnOperationThatRunsOutOfMemoryIsUndoneToTheMeshBeforeIt) {
  modelingtest::ExpectEachUndoneAfterRunningOutOfMemory(Cases());
}

}  // namespace mesh_command_ops_test
