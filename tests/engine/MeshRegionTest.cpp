// Region growth over a mesh: rings of neighbours, sharp lines as soft
// barriers, interior and frontier of a grown region, the border of a set,
// marking sharp chains, and segments crossing lines drawn on a face.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_region_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshRegion : public meshkit::MeshTest {};

std::set<MVertex*> AsSet(const PtrArray& list) {
  std::set<MVertex*> out;
  for (int i = 0; i < list.count; ++i) out.insert(static_cast<MVertex*>(list[i]));
  return out;
}

// The grid vertex (i, j) of a MakeGrid(columns, rows) fixture.
MVertex* At(const MeshFixture& f, int columns, int i, int j) { return f.v[j * (columns + 1) + i]; }

TEST_F(MeshRegion, OneRingTakesTheDirectNeighboursAndTwoRingsTheirNeighbours) {
  MeshFixture f = meshkit::MakeGrid(6, 6);
  PtrArray seeds;
  seeds.Add(At(f, 6, 3, 3));
  PtrArray region;
  int last = -1;
  f->GrowRegion(1, region, last, nullptr, &seeds);
  ASSERT_EQ(FailState(), kEngFailNone);
  // (3,3) with its six visible neighbours (the grid's diagonals run up-right).
  std::set<MVertex*> expected{At(f, 6, 3, 3), At(f, 6, 2, 3), At(f, 6, 4, 3), At(f, 6, 3, 2),
                              At(f, 6, 3, 4), At(f, 6, 2, 2), At(f, 6, 4, 4)};
  EXPECT_EQ(AsSet(region), expected);
  EXPECT_EQ(region.count, 7);
  EXPECT_EQ(last, 0) << "with one ring the outermost ring starts at the count on entry";

  PtrArray twoRings;
  f->GrowRegion(2, twoRings, last, nullptr, &seeds);
  EXPECT_EQ(twoRings.count, 19);  // the hexagon of radius two around (3,3)
  EXPECT_EQ(last, 7);
  for (int i = 0; i < last; ++i) EXPECT_TRUE(expected.count(static_cast<MVertex*>(twoRings[i])));
  EXPECT_TRUE(AsSet(twoRings).count(At(f, 6, 5, 5)));
  EXPECT_FALSE(AsSet(twoRings).count(At(f, 6, 5, 1)));
  PtrArray none;
  f->GrowRegion(0, none, last, nullptr, &seeds);
  EXPECT_EQ(FailState(), kEngFailDeclined);
  EXPECT_EQ(none.count, 0);
}

TEST_F(MeshRegion, GrowthStopsAtAColumnOfSharpLinesReachedFromTheSmoothSide) {
  MeshFixture f = meshkit::MakeGrid(6, 6);
  for (int j = 0; j < 6; ++j) f.Line(j * 7 + 3, (j + 1) * 7 + 3)->flags |= kLineSharp;
  PtrArray seeds;
  seeds.Add(At(f, 6, 1, 3));
  PtrArray region;
  int last = 0;
  f->GrowRegion(5, region, last, nullptr, &seeds);
  ASSERT_EQ(FailState(), kEngFailNone);
  double maxX = 0;
  for (int i = 0; i < region.count; ++i) maxX = std::max(maxX, static_cast<MVertex*>(region[i])->position.x);
  EXPECT_EQ(maxX, 3) << "the sweep around each vertex of the sharp column keeps to the region's side";
  EXPECT_TRUE(AsSet(region).count(At(f, 6, 3, 3)));

  // Without the sharp lines five rings cross the column.
  MeshFixture plain = meshkit::MakeGrid(6, 6);
  PtrArray plainSeeds, plainRegion;
  plainSeeds.Add(At(plain, 6, 1, 3));
  plain->GrowRegion(5, plainRegion, last, nullptr, &plainSeeds);
  double plainMax = 0;
  for (int i = 0; i < plainRegion.count; ++i)
    plainMax = std::max(plainMax, static_cast<MVertex*>(plainRegion[i])->position.x);
  EXPECT_EQ(plainMax, 6);
}

TEST_F(MeshRegion, AOneSidedSweepTakesNeighboursWhileBelowSevenTenthsOfTheFullAngle) {
  // A flat fan of 8 spokes 45° apart, spoke 0-1 sharp. The region holds
  // v[1] and v[2] already, so the sweep from spoke 0-2 passes onto the sharp
  // spoke at once and turns on the other side only: 90°, 135°, 180°, 225°
  // stay below 0.7 × 360° = 252°, 270° does not.
  MeshFixture f = meshkit::MakeFan(8, 1, 0);
  const int p = f->TakeVisitStamp();
  const int q = f->TakeVisitStamp();
  f.v[0]->id = f.v[1]->id = f.v[2]->id = p;
  PtrArray region;
  f->GrowAtVertex(f.v[0], p, q, region);
  ASSERT_EQ(FailState(), kEngFailNone);
  const std::set<MVertex*> taken = AsSet(region);
  EXPECT_EQ(taken, (std::set<MVertex*>{f.v[3], f.v[4], f.v[5], f.v[6]}));
  EXPECT_EQ(f.v[7]->id, q) << "neighbours left out are closed to later steps";
  EXPECT_EQ(f.v[8]->id, q);
}

TEST_F(MeshRegion, ASharpLineBetweenTwoRegionNeighboursGrowsPlainly) {
  MeshFixture f = meshkit::MakeFan(8, 1, 0);
  const int p = f->TakeVisitStamp();
  const int q = f->TakeVisitStamp();
  f.v[0]->id = f.v[2]->id = f.v[8]->id = p;
  PtrArray region;
  f->GrowAtVertex(f.v[0], p, q, region);
  EXPECT_EQ(region.count, 6) << "every other neighbour, the sharp spoke's end included";
}

TEST_F(MeshRegion, ClassifyingSplitsInteriorAndFrontierAndFindsTheFrontierLines) {
  MeshFixture f = meshkit::MakeGrid(6, 6);
  PtrArray seeds, region, interior, isolated, frontierLines;
  seeds.Add(At(f, 6, 3, 3));
  int last = 0;
  f->GrowRegion(2, region, last, nullptr, &seeds);
  f->ClassifyGrownRegion(region, last, nullptr, &seeds, &interior, &isolated, &frontierLines);
  ASSERT_EQ(FailState(), kEngFailNone);
  // The first ring is inside; the outer hexagon's twelve vertices are the
  // frontier, joined in a closed chain of twelve lines.
  EXPECT_EQ(interior.count, 6);
  EXPECT_EQ(isolated.count, 0);
  EXPECT_EQ(frontierLines.count, 12);
  for (int i = 0; i < frontierLines.count; ++i) {
    MLine* line = static_cast<MLine*>(frontierLines[i]);
    EXPECT_EQ(std::max(std::abs(line->end0->position.x - 3), std::abs(line->end0->position.y - 3)) >= 1, true);
  }
}

TEST_F(MeshRegion, TheBorderOfASetIsItsOuterLinesAndAClosedSetIsItsOwnBorder) {
  MeshFixture f = meshkit::MakeGrid(3, 3);
  PtrArray vertices, lines;
  for (int j = 0; j <= 2; ++j)
    for (int i = 0; i <= 2; ++i) vertices.Add(At(f, 3, i, j));
  f->CollectLinesWithin(vertices, lines);
  EXPECT_EQ(lines.count, 16);  // 6 row and 6 column lines, 4 diagonals
  PtrArray borderVertices, borderLines;
  f->FindSetBorder(vertices, lines, &borderVertices, &borderLines, true);
  // The lines on x = 2 and y = 2 lead out of the set.
  EXPECT_EQ(borderLines.count, 4);
  EXPECT_EQ(borderVertices.count, 0);

  MeshFixture cube = meshkit::MakeCube(false);
  PtrArray all, allLines, outV, outL;
  cube->GatherAll(nullptr, &allLines, &all);
  cube->FindSetBorder(all, allLines, &outV, &outL, true);
  EXPECT_EQ(outV.count, 8);
  EXPECT_EQ(outL.count, allLines.count);
  PtrArray noV, noL;
  cube->FindSetBorder(all, allLines, &noV, &noL, false);
  EXPECT_EQ(noV.count + noL.count, 0);
}

TEST_F(MeshRegion, SharpChainsAreSuppressedToTheirDepthAndCleared) {
  MeshFixture f = meshkit::MakeGrid(4, 1);
  for (int i = 0; i < 4; ++i) f.Line(i, i + 1)->flags |= kLineSharp;
  PtrArray start;
  start.Add(f.v[0]);
  f->SuppressSharpChainsFrom(1, start);
  EXPECT_FALSE(f.Line(0, 1)->IsSharp());
  EXPECT_FALSE(f.Line(1, 2)->IsSharp());
  EXPECT_TRUE(f.Line(2, 3)->IsSharp()) << "depth 1 stops one line past the first";
  f->ClearLineFlag100();
  EXPECT_TRUE(f.Line(0, 1)->IsSharp());
}

TEST_F(MeshRegion, AnElementsRingsIncludeCoincidentLinesAndAQuadsDiagonal) {
  MeshFixture tube = meshkit::MakeSeamTube(4, 1);
  PtrArray lines, vertices;
  tube->CollectElementRings(nullptr, tube.Line(0, 5), nullptr, &lines, &vertices);
  EXPECT_EQ(lines.count, 2) << "the seam line and its coincident twin";
  EXPECT_EQ(vertices.count, 4);
  MeshFixture quad = meshkit::MakeQuadPair(true);
  PtrArray qLines, qVertices;
  quad->CollectElementRings(nullptr, nullptr, quad->faces.First(), &qLines, &qVertices);
  EXPECT_EQ(qLines.count, 5);
  EXPECT_EQ(qVertices.count, 4);
}

TEST_F(MeshRegion, ASegmentCrossingALineDrawnOnTheFaceIsFound) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}}, {{0, 1, 2}});
  MFace* face = f->faces.First();
  MVertex* a = f->AddVertex({1, 0.5, 0});
  MVertex* b = f->AddVertex({1, 2, 0});
  a->faceS = 0.25;
  a->faceT = 0.125;
  b->faceS = 0.25;
  b->faceT = 0.5;
  f->AddLineOnFace(a, b, nullptr, nullptr, nullptr, nullptr, face);
  EXPECT_TRUE(f->SegmentCrossesAttachedLines(face, {0.5, 1, 0}, {2, 1, 0}, nullptr));
  EXPECT_FALSE(f->SegmentCrossesAttachedLines(face, {1.5, 1, 0}, {2, 1, 0}, nullptr));
  EXPECT_FALSE(f->SegmentCrossesAttachedLines(face, {0.5, 1, 0}, {2, 1, 0}, a)) << "lines at the ignored vertex";
}

}  // namespace mesh_region_test
