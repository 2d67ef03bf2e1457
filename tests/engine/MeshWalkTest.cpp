// Selection walks and line nets: edge loops and quad rings, widths and
// silhouettes, closed loops, line trees oriented from a root, and tidying
// hidden quad diagonals.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_walk_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshWalk : public meshkit::MeshTest {};

int SelectedLines(const MMeshObj& m) { return CountLinesWith(m, kLineSelected); }

// Free lines between the listed pairs of new vertices at the points.
MeshFixture LineNet(std::initializer_list<PointRecord> points, std::initializer_list<std::pair<int, int>> pairs) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add(points);
  for (auto [a, b] : pairs) f->AddLineBetween(f.v[a], f.v[b]);
  return f;
}

TEST_F(MeshWalk, AnEdgeLoopRunsRoundASphereAndStopsAtAPole) {
  MeshFixture f = meshkit::MakeSphere(8, 6);
  // A line of the ring between the first two latitudes.
  MLine* start = f.Line(1, 2);
  start->flags |= kLineSelected;
  f->ExtendLineSelection(10);
  ASSERT_EQ(FailState(), kEngFailNone);
  int ringLines = 0;
  for (int i = 0; i < 8; ++i) ringLines += (f.Line(1 + i, 1 + (i + 1) % 8)->flags & kLineSelected) != 0;
  EXPECT_EQ(ringLines, 8) << "the whole latitude ring";

  // A meridian line walks to the poles: at a pole of eight lines no
  // continuation turns by less than a right angle... except the opposite
  // meridian, which is straight on.
  MeshFixture g = meshkit::MakeSphere(8, 6);
  g.Line(1, 9)->flags |= kLineSelected;
  g->ExtendLineSelection(10);
  EXPECT_TRUE(g.Line(0, 1)->flags & kLineSelected);
  EXPECT_TRUE(g.Line(0, 5)->flags & kLineSelected) << "through the pole to the opposite meridian";
  EXPECT_FALSE(g.Line(0, 3)->flags & kLineSelected);
}

TEST_F(MeshWalk, AnEdgeLoopOnAnOpenGridSelectsTheRowToBothBorders) {
  MeshFixture f = meshkit::MakeGrid(4, 3);
  f.Line(6, 7)->flags |= kLineSelected;  // row 1, from x = 1 to x = 2
  f->ExtendLineSelection(10);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(f.Line(5 + i, 6 + i)->flags & kLineSelected) << i;
  EXPECT_EQ(SelectedLines(*f), 4);
  EXPECT_TRUE(f->HasSelectedLine());
}

TEST_F(MeshWalk, AQuadRingCrossesEveryQuadToTheOppositeSide) {
  auto m = NewMesh();
  m->MakeCylinder({-1, 0, -1}, {1, 2, 1}, 0, 8);
  ASSERT_EQ(FailState(), kEngFailNone);
  // A vertical side line of the cylinder.
  MLine* side = nullptr;
  for (MLine* line : m->lines)
    if (!(line->flags & kLineHiddenDiagonal) && std::fabs(line->end0->position.x - line->end1->position.x) < 1e-9 &&
        std::fabs(line->end0->position.z - line->end1->position.z) < 1e-9 &&
        std::fabs(line->end0->position.y - line->end1->position.y) > 1)
      side = line;
  ASSERT_NE(side, nullptr);
  side->flags |= kLineSelected;
  m->ExtendLineSelection(0);
  int vertical = 0;
  for (MLine* line : m->lines)
    if ((line->flags & kLineSelected) && !(line->flags & kLineHiddenDiagonal) &&
        std::fabs(line->end0->position.y - line->end1->position.y) > 1)
      ++vertical;
  EXPECT_EQ(vertical, 8) << "all eight sides of the ring of quads";
}

TEST_F(MeshWalk, WidthsAreComparedByTheirIntegerPartsAndAReversedRangeIsRaised) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->SetLineWidthAll(3);
  f->SetLineWidthSelected(0);
  f.Line(0, 1)->flags = (f.Line(0, 1)->flags & ~kLineWidthMask) | (7u << kLineWidthShift);
  f->Checkpoint(true);
  f->SelectLinesByWidth(7.99, 9);
  EXPECT_EQ(SelectedLines(*f), 1) << "7.99 counts as 7, not 8";
  f->ClearSelection();
  f->SelectLinesByWidth(3.5, 6.99);
  EXPECT_EQ(SelectedLines(*f), 4) << "the four lines of width 3; 6.99 stops below 7";
  f->ClearSelection();
  f->SelectLinesByWidth(7.5, 2);
  EXPECT_EQ(SelectedLines(*f), 1);
  EXPECT_TRUE(f.Line(0, 1)->flags & kLineSelected);
}

TEST_F(MeshWalk, ClosedLoopsInLineNets) {
  struct Case {
    const char* name;
    MeshFixture (*make)();
    bool cycle;
  };
  const Case cases[] = {
      {"a tree of free lines",
       [] { return LineNet({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, {{0, 1}, {1, 2}, {1, 3}}); }, false},
      {"a triangle of free lines",
       [] { return LineNet({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1}, {1, 2}, {2, 0}}); }, true},
      {"two trees, one with a loop",
       [] {
         return LineNet({{0, 0, 0}, {1, 0, 0}, {5, 0, 0}, {6, 0, 0}, {5, 1, 0}},
                        {{0, 1}, {2, 3}, {3, 4}, {4, 2}});
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = c.make();
    EXPECT_EQ(f->HasLineCycle(), c.cycle);
  }
}

TEST_F(MeshWalk, ALineTreePointsAwayFromItsMarkedRootOrItsMostCentralVertex) {
  // A chain 0-1-2-3-4 with its lines drawn in mixed directions.
  MeshFixture f = LineNet({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}, {{1, 0}, {1, 2}, {3, 2}, {3, 4}});
  f->Checkpoint(true);
  f->OrientLineTrees();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_TRUE(f.v[2]->flags & kVertexRootJoint) << "the middle vertex needs the fewest levels";
  EXPECT_EQ(f.Line(1, 2)->end0, f.v[2]);
  EXPECT_EQ(f.Line(0, 1)->end0, f.v[1]);
  EXPECT_EQ(f.Line(3, 4)->end0, f.v[3]);
  EXPECT_TRUE(meshkit::MeshIsValid(*f, 0));

  MeshFixture g = LineNet({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}, {{1, 0}, {1, 2}, {3, 2}, {3, 4}});
  g.v[0]->flags |= kVertexRootJoint;
  g->OrientLineTrees();
  EXPECT_TRUE(g.v[0]->flags & kVertexRootJoint);
  EXPECT_FALSE(g.v[2]->flags & kVertexRootJoint);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(g.Line(i, i + 1)->end0, g.v[i]) << i;
}

TEST_F(MeshWalk, ABentQuadDiagonalIsShownAndAFlatOneStaysHidden) {
  // Quad 0-1-2-3 with hidden diagonal 0-2; at corner 0 the lines 0-1 and
  // 0-3 are at a right angle: flat enough to keep the quad.
  MeshFixture f = meshkit::MakeQuadPair(true);
  EXPECT_FALSE(f->UnhideBentDiagonal(f.Line(0, 2), f.v[0]));
  EXPECT_TRUE(f.Line(0, 2)->flags & kLineHiddenDiagonal);
  // Moved so that 1, 0 and 3 nearly line up, the quad is bent into a
  // triangle at 0.
  f.v[3]->position = {-1, 0.01, 0};
  f->SaveEditState();
  EXPECT_TRUE(f->UnhideBentDiagonal(f.Line(0, 2), f.v[0]));
  EXPECT_FALSE(f.Line(0, 2)->flags & kLineHiddenDiagonal);
  EXPECT_EQ(FailState(), kEngFailNone);
}

TEST_F(MeshWalk, AShortNeighbourOfADiagonalCountsAlikeOnEitherSide) {
  // Corner 0 of the quad 0-1-2-3 with its neighbours 0-1 and 0-3 at a right
  // angle: a side a hundred-thousandth long is still a side and keeps the
  // quad, on either side of the diagonal; a side of no length bends it.
  struct Case {
    const char* name;
    int moved;          // 1 or 3: the neighbour's far end
    PointRecord place;  // where it goes
    bool shown;
  };
  const Case cases[] = {
      {"short first side", 1, {1e-5, 0, 0}, false},
      {"short second side", 3, {0, 1e-5, 0}, false},
      {"first side of no length", 1, {0, 0, 0}, true},
      {"second side of no length", 3, {0, 0, 0}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = meshkit::MakeQuadPair(true);
    f.v[c.moved]->position = c.place;
    f->Checkpoint(true);
    f->SaveEditState();
    EXPECT_EQ(f->UnhideBentDiagonal(f.Line(0, 2), f.v[0]), c.shown);
    EXPECT_EQ((f.Line(0, 2)->flags & kLineHiddenDiagonal) == 0, c.shown);
    EXPECT_EQ(FailState(), kEngFailNone);
  }
}

TEST_F(MeshWalk, SilhouetteLinesLieBetweenFacesTurnedApartOnTheScreen) {
  MeshFixture f = meshkit::MakeCube(false);
  // Looking down -z from above with x and y on the screen: every vertex's
  // screen point is its x, y.
  for (MVertex* v : f->vertices) {
    v->screenX = v->position.x * 100 + v->position.z * 10;
    v->screenY = v->position.y * 100 + v->position.z * 10;
    v->screenDepth = 1;
  }
  f->SelectSilhouetteLines();
  const int selected = SelectedLines(*f);
  EXPECT_GT(selected, 0);
  for (const MLine* line : f->lines) {
    if (!(line->flags & kLineSelected)) continue;
    EXPECT_NE(line->forwardFace->GetScreenOrientation(), line->backwardFace->GetScreenOrientation());
  }
}

TEST_F(MeshWalk, OpenOrSeamLinesAndRingRepresentatives) {
  MeshFixture cube = meshkit::MakeCube(true);
  EXPECT_FALSE(cube->HasOpenOrSeamLine(true));
  MeshFixture tube = meshkit::MakeSeamTube(4, 1);
  EXPECT_TRUE(tube->HasOpenOrSeamLine(true));
  EXPECT_FALSE(tube->HasOpenOrSeamLine(false)) << "nothing selected";
  PtrArray reps;
  tube->CollectRingRepresentatives(reps);
  EXPECT_EQ(reps.count, 8) << "ten vertices, the seam's two pairs counted once each";
}

}  // namespace mesh_walk_test
