// Extrusion of faces and border lines, moving and flattening, smoothing,
// polygon reduction and support loops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_extrude_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshExtrude : public meshkit::MeshTest {};

int Faces(const MMeshObj& m) { return m.faces.Length(); }

// One quad 0-1-3-2 (a 1 × 1 grid) with its diagonal hidden.
MeshFixture OneQuad() {
  MeshFixture f = meshkit::MakeGrid(1, 1);
  f.Line(0, 3)->flags |= kLineHiddenDiagonal;
  f->Checkpoint(true);
  return f;
}

TEST_F(MeshExtrude, OneQuadExtrudedGrowsFourSideQuadsAndRisesByTheDistance) {
  // The middle cell of a 3 × 3 grid: corners 5, 6, 9, 10, diagonal 5-10.
  MeshFixture f = meshkit::MakeGrid(3, 3);
  f.Line(5, 10)->flags |= kLineHiddenDiagonal;
  f->Checkpoint(true);
  PtrArray quad = modelingtest::MiddleQuad(f);
  ASSERT_EQ(quad.count, 2);
  f->ExtrudeFaces(quad, 1, 1);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Faces(*f), 18 + 8) << "two triangles for each of the four side walls";
  // The lifted corners moved by exactly (0, 0, 1); the old surface keeps
  // its vertices where they were.
  std::vector<const MVertex*> lifted;
  int low = 0;
  for (const MVertex* v : f->vertices) {
    low += v->position.z == 0;
    if (v->position.z == 1) lifted.push_back(v);
  }
  EXPECT_EQ(low, 16);
  ASSERT_EQ(lifted.size(), 4u);
  for (int k : {5, 6, 9, 10}) {
    int above = 0;
    for (const MVertex* v : lifted) above += v->position.x == f.v[k]->position.x && v->position.y == f.v[k]->position.y;
    EXPECT_EQ(above, 1) << "one lifted corner above vertex " << k;
  }
  // Side walls are quads; the lines where they meet the lifted faces and
  // the old surface are sharp, and so are the vertical edges.
  EXPECT_EQ(CountLinesWith(*f, kLineHiddenDiagonal), 5);
  EXPECT_EQ(CountLinesWith(*f, kLineSharp), 4 + 4 + 4) << "the top ring, the vertical edges and the bottom ring";
  MGroup* group = lifted[0]->group;
  ASSERT_NE(group, nullptr);
  for (const MVertex* v : lifted) EXPECT_EQ(v->group, group) << "the lifted faces' corners share a new group";
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  f->ExtrudeFaces(quad, 3, 1);
  EXPECT_EQ(FailState(), kEngFailDeclined);
}

TEST_F(MeshExtrude, AWholeOpenSheetHasNoWallToGrowAndOnlyMoves) {
  // Every corner's run of faces ends at the open border: nothing is split.
  MeshFixture f = meshkit::MakeGrid(1, 1);
  f->Checkpoint(true);
  f->ExtrudeFaces(AllFaces(*f), 1, 1);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Faces(*f), 2);
  for (const MVertex* v : f->vertices) EXPECT_EQ(v->position.z, 1);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshExtrude, AClosedSetOnlyMoves) {
  MeshFixture cube = meshkit::MakeCube(true);
  cube->Checkpoint(true);
  PtrArray all = AllFaces(*cube);
  cube->ExtrudeFaces(all, 1, 2);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Faces(*cube), 12);
  EXPECT_TRUE(meshkit::MeshIsValid(*cube));
}

TEST_F(MeshExtrude, ABorderLineGrowsAStripAndTheNextExtrusionGoesOnFromItsOuterLine) {
  MeshFixture f = OneQuad();
  PtrArray border;
  border.Add(f.Line(0, 1));
  // Marked as the cuts leave their border lines: the run of faces at each
  // end may be split along the line.
  f.Line(0, 1)->flags |= 0x08 | 0x04;
  f->ExtrudeLines(border, 0, 0);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Faces(*f), 4);
  EXPECT_FALSE(f.Line(0, 1)->flags & 0x08);
  EXPECT_EQ(CountLinesWith(*f, 0x08), 1) << "the new outer line";
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  f->ExtrudeStoredOrFlagged(0, 0);
  EXPECT_EQ(Faces(*f), 6);
  // A line with faces on both sides does nothing.
  MeshFixture g = meshkit::MakeQuadPair(false);
  PtrArray inner;
  inner.Add(g.Line(0, 2));
  g->ExtrudeLines(inner, 0, 0);
  EXPECT_EQ(Faces(*g), 2);
}

TEST_F(MeshExtrude, FlatteningClearsTheCreaseOfALineMadeFlat) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f.v[2]->position.z = 0.5;
  f.Line(0, 2)->flags |= kLineSharp;
  f->Checkpoint(true);
  f->FlattenAll(false, {0, 0, 1});
  ASSERT_EQ(FailState(), kEngFailNone);
  for (const MVertex* v : f->vertices) EXPECT_NEAR(v->position.z, 0.125, 1e-12) << "onto the mean plane";
  EXPECT_FALSE(f.Line(0, 2)->flags & kLineSharp);
}

TEST_F(MeshExtrude, AFittedPlaneIsOfUnitLengthWhenFlattening) {
  // Free lines in the plane x + y + z = 3: the fitted normal (1, 1, 1) is
  // made a unit vector, so points already on the plane stay where they are.
  MeshFixture f = FreeLoop({{1, 1, 1}, {3, 0, 0}, {0, 3, 0}, {0, 0, 3}});
  f->FlattenAll(true, {0, 0, 0});
  ASSERT_EQ(FailState(), kEngFailNone);
  const PointRecord before[4] = {{1, 1, 1}, {3, 0, 0}, {0, 3, 0}, {0, 0, 3}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(f.v[k]->position.x, before[k].x, 1e-9);
    EXPECT_NEAR(f.v[k]->position.y, before[k].y, 1e-9);
    EXPECT_NEAR(f.v[k]->position.z, before[k].z, 1e-9);
  }
  // One point pushed off the plane: afterwards all four are in one plane.
  MeshFixture g = FreeLoop({{1, 1, 1}, {3, 0, 0}, {0, 3, 0}, {0, 0, 3.3}});
  g->FlattenAll(true, {0, 0, 0});
  ASSERT_EQ(FailState(), kEngFailNone);
  auto sub = [](const PointRecord& a, const PointRecord& b) { return PointRecord{a.x - b.x, a.y - b.y, a.z - b.z}; };
  const PointRecord a = sub(g.v[1]->position, g.v[0]->position), b = sub(g.v[2]->position, g.v[0]->position),
                    c = sub(g.v[3]->position, g.v[0]->position);
  const double volume = a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x);
  EXPECT_NEAR(volume, 0, 1e-9) << "all in one plane";
}

TEST_F(MeshExtrude, MovingEveryVertexByAVectorOrAlongItsNormal) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->Checkpoint(true);
  f->MoveVertices(0, 0, {1, 2, 3});
  EXPECT_EQ(f.v[0]->position.x, 1);
  f->MoveVertices(2, 0.5, {0, 0, 0});
  EXPECT_NEAR(f.v[0]->position.z, 3.5, 1e-12);
}

// ---- smoothing and reduction -------------------------------------------------------------------

TEST_F(MeshExtrude, ABorderVertexSlidesAFifthOfTheWayAndCreaseCornersStay) {
  MeshFixture f = meshkit::MakeGrid(2, 2);
  f.v[1]->position.y = 0.5;  // the bottom border's middle vertex, raised
  PtrArray one;
  one.Add(f.v[1]);
  f->Checkpoint(true);
  f->SaveEditState();
  f->SmoothVertices(one, 0);
  EXPECT_NEAR(f.v[1]->position.y, 0.4, 1e-12) << "(0 + 4 × 0.5) / 5 towards its border neighbours";
  EXPECT_NEAR(f.v[1]->position.x, 1, 1e-12);

  MeshFixture fan = meshkit::MakeFan(6, 1, 0.5);
  PtrArray centre;
  centre.Add(fan.v[0]);
  fan->SmoothVertices(centre, 2);
  EXPECT_EQ(fan.v[0]->position.z, 0.5) << "one sharp line holds a vertex";
  MeshFixture three = meshkit::MakeFan(6, 2, 0.5);
  three.Line(0, 3)->flags |= kLineSharp;
  PtrArray c3;
  c3.Add(three.v[0]);
  three->SmoothVertices(c3, 2);
  EXPECT_EQ(three.v[0]->position.z, 0.5) << "three sharp lines hold it too";
  MeshFixture plain = meshkit::MakeFan(6, 0, 0.5);
  PtrArray c0;
  c0.Add(plain.v[0]);
  plain->SmoothVertices(c0, 4);
  EXPECT_NEAR(plain.v[0]->position.z, 1.2 * 0.5 / 2.2, 1e-12);
  plain->SmoothVertices(c0, 7);
  EXPECT_EQ(FailState(), kEngFailDeclined);
}

TEST_F(MeshExtrude, ReducingAGridTakesInteriorVerticesBeforeBorderOnes) {
  MeshFixture f = meshkit::MakeGrid(6, 6);
  f->Checkpoint(true);
  f->ReduceAll(0.8);
  ASSERT_EQ(FailState(), kEngFailNone);
  int border = 0, total = 0;
  for (const MVertex* v : f->vertices) {
    ++total;
    const PointRecord& p = v->position;
    border += p.x == 0 || p.x == 6 || p.y == 0 || p.y == 6;
  }
  EXPECT_LT(total, 49);
  EXPECT_EQ(border, 24) << "every border vertex stays";
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshExtrude, RatiosOutsideZeroToOneAreRefusedAndOneKeepsEverything) {
  struct Case {
    double ratio;
    int state;
  };
  for (Case c : {Case{1.0, kEngFailNone}, Case{1.5, kEngFailDeclined}, Case{-0.1, kEngFailDeclined}}) {
    SCOPED_TRACE(c.ratio);
    MeshFixture f = meshkit::MakeGrid(3, 3);
    f->ReduceAll(c.ratio);
    EXPECT_EQ(FailState(), c.state);
    EXPECT_EQ(f->vertices.Length(), 16);
    EngContext().ClearFailure();
  }
}

// ---- support loops -------------------------------------------------------------------------------

TEST_F(MeshExtrude, SupportLoopsRunBesideTheSelectedEdgeAndLeaveNoMarks) {
  auto m = NewMesh();
  m->MakeBox({0, 0, 1}, {1, 1, 0}, 0);
  // The top front edge from (0,0,1) to (1,0,1).
  MLine* edge = nullptr;
  for (MLine* line : m->lines)
    if (line->end0->position.z == 1 && line->end1->position.z == 1 && line->end0->position.y == 0 &&
        line->end1->position.y == 0)
      edge = line;
  ASSERT_NE(edge, nullptr);
  PtrArray lines;
  lines.Add(edge);
  m->SelectLists(nullptr, &lines, nullptr);
  m->Checkpoint(true);
  m->AddSupportLoops(0.1);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_TRUE(meshkit::MeshIsValid(*m));
  EXPECT_TRUE(m->IsClosed());
  EXPECT_EQ(CountLinesWith(*m, 0x200), 0);
  for (const MFace* face : m->faces) EXPECT_EQ(face->flags & kFaceWorkMark, 0);
  EXPECT_EQ(m->supportDistance, -1);
  // New vertices at 0.1 beside the edge, on both faces along it.
  int beside = 0;
  for (const MVertex* v : m->vertices) {
    const PointRecord& p = v->position;
    if ((std::fabs(p.y - 0.1) < 1e-9 && p.z == 1) || (p.y == 0 && std::fabs(p.z - 0.9) < 1e-9)) ++beside;
  }
  EXPECT_GE(beside, 4);
  for (const MLine* line : m->lines)
    if (line->end0->position.y == 0 && line->end1->position.y == 0 && line->end0->position.z == 1 &&
        line->end1->position.z == 1) {
      EXPECT_FALSE(line->IsSharp()) << "the selected edge's crease gave way to the loops";
    }
  // The box keeps its eight corners, and the loops run the whole edge long.
  for (int corner = 0; corner < 8; ++corner) {
    const PointRecord c{double(corner & 1), double((corner >> 1) & 1), double((corner >> 2) & 1)};
    int found = 0;
    for (const MVertex* v : m->vertices) found += v->position.x == c.x && v->position.y == c.y && v->position.z == c.z;
    EXPECT_EQ(found, 1) << c.x << " " << c.y << " " << c.z;
  }
  auto lineBetween = [&](const PointRecord& a, const PointRecord& b) {
    auto near = [](const PointRecord& p, const PointRecord& q) {
      return std::fabs(p.x - q.x) + std::fabs(p.y - q.y) + std::fabs(p.z - q.z) < 1e-9;
    };
    for (const MLine* line : m->lines)
      if ((near(line->end0->position, a) && near(line->end1->position, b)) ||
          (near(line->end0->position, b) && near(line->end1->position, a)))
        return true;
    return false;
  };
  EXPECT_TRUE(lineBetween({0, 0.1, 1}, {1, 0.1, 1})) << "the loop on the top";
  EXPECT_TRUE(lineBetween({0, 0, 0.9}, {1, 0, 0.9})) << "the loop on the front";
  EXPECT_TRUE(lineBetween({0, 0, 1}, {1, 0, 1})) << "the edge itself, whole again";
}

TEST_F(MeshExtrude, OnAFlatQuadGridTheLoopsFollowTheSelectionAndTheRestKeepsItsLayout) {
  struct Case {
    const char* name;
    std::initializer_list<int> selected;  // grid vertices (i, j) as j * 4 + i
    std::vector<PointRecord> beside;      // new vertices expected, and no others
  };
  const Case cases[] = {
      {"a line across the grid",
       {4, 5, 6, 7},
       {{0, 0.9, 0}, {1, 0.9, 0}, {2, 0.9, 0}, {3, 0.9, 0}, {0, 1.1, 0}, {1, 1.1, 0}, {2, 1.1, 0}, {3, 1.1, 0}}},
      {"a lone inner vertex", {5}, {{0.9, 1, 0}, {1.1, 1, 0}, {1, 0.9, 0}, {1, 1.1, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = GridWithQuads();
    meshkit::SelectVertices(f, c.selected);
    f->Checkpoint(true);
    f->AddSupportLoops(0.1);
    ASSERT_EQ(FailState(), kEngFailNone);
    EXPECT_TRUE(meshkit::MeshIsValid(*f));
    EXPECT_EQ(f->vertices.Length(), 16 + static_cast<int>(c.beside.size()));
    int onGrid = 0, expected = 0;
    for (const MVertex* v : f->vertices) {
      const PointRecord& p = v->position;
      EXPECT_EQ(p.z, 0) << "the grid stays flat";
      if (p.x == std::floor(p.x) && p.y == std::floor(p.y)) {
        ++onGrid;
        continue;
      }
      for (const PointRecord& b : c.beside)
        expected += std::fabs(p.x - b.x) < 1e-9 && std::fabs(p.y - b.y) < 1e-9;
    }
    EXPECT_EQ(onGrid, 16) << "every old vertex stays where it was";
    EXPECT_EQ(expected, static_cast<int>(c.beside.size()));
    for (const MFace* face : f->faces) EXPECT_EQ(face->flags & kFaceWorkMark, 0);
    EXPECT_EQ(CountLinesWith(*f, 0x200), 0);
  }
}

TEST_F(MeshExtrude, ASelectedBorderLineGetsNoSupportLoop) {
  MeshFixture f = OneQuad();
  meshkit::SelectVertices(f, {0, 1});
  f->Checkpoint(true);
  f->AddSupportLoops(0.1);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_FALSE(f.Line(0, 1) != nullptr && (f.Line(0, 1)->flags & kLineSelected));
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

}  // namespace mesh_extrude_test
