// Degenerate-geometry repair and clean-up passes, crease weights, and the
// smooth surface built into the mesh and taken back.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/ModelingTestSupport.h"
#include "engine/mesh/MMetaSurf.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_repair_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshRepair : public meshkit::MeshTest {};

int Count(const MItemList<MFace>& list) { return list.Length(); }

double TotalArea(const MMeshObj& m) {
  double area = 0;
  for (const MFace* face : m.faces) {
    MVertex* c[3];
    face->GetVertices(c);
    area += MUtilLength(MFaceTriangleNormal(c[0]->position, c[1]->position, c[2]->position)) / 2;
  }
  return area;
}

TEST_F(MeshRepair, AShortLineCollapsesAndTheRepairStopsWhenNothingIsLeft) {
  MeshFixture f = meshkit::MakeGrid(3, 3);
  // The inner vertex (1,1) moved within 1e-5 of (2,1): shorter than 3000 t.
  f.v[5]->position = {2 - 1e-5, 1, 0};
  f->Checkpoint(true);
  f->RepairDegenerateFaces();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Count(f->faces), 16);
  for (const MLine* line : f->lines) EXPECT_FALSE(f->IsShortLine(line));
  for (const MFace* face : f->faces) EXPECT_EQ(f->IsFaceDegenerate(face), 0);
  EXPECT_NEAR(TotalArea(*f), 9, 1e-9);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshRepair, ASliverIsSplitAtItsLongestEdgeAndCollapsedOntoTheCornerThatHoldsABorder) {
  // A sliver 0-1-2 over the long edge 0-1, with a face below sharing it.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {2, 0, 0}, {1, 1e-6, 0}, {1, -1, 0}}, {{0, 1, 2}, {0, 3, 1}});
  f->Checkpoint(true);
  MFace* sliver = nullptr;
  for (MFace* face : f->faces)
    if (face->CornerIndex(f.v[2]) >= 0) sliver = face;
  ASSERT_EQ(f->IsFaceDegenerate(sliver), 1);
  f->SaveEditState();
  MFace* around[4] = {nullptr, nullptr, nullptr, nullptr};
  EXPECT_TRUE(f->FixThinFace(sliver, around));
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Count(f->faces), 2);
  EXPECT_EQ(f.v[2]->position.y, 1e-6) << "the corner on the border keeps its place";
  for (const MFace* face : f->faces) EXPECT_EQ(f->IsFaceDegenerate(face), 0);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshRepair, StraightVerticesOnAFlatBorderGoWithoutChangingTheSurface) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  f->Checkpoint(true);
  int count = 0;
  EXPECT_TRUE(f->RemoveStraightVertices(count, -1, false));
  EXPECT_EQ(count, 2) << "the middle vertices of the bottom and top rows";
  EXPECT_EQ(Count(f->faces), 2);
  EXPECT_NEAR(TotalArea(*f), 2, 1e-12);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  // Bent, the bottom row keeps its middle vertex.
  MeshFixture bent = meshkit::MakeGrid(2, 1);
  bent.v[1]->position.z = 0.2;
  int none = 0;
  bent->RemoveStraightVertices(none, -1, false);
  EXPECT_EQ(bent.v[1]->state == kItemRemoved, false);
}

TEST_F(MeshRepair, AFlatDiagonalBetweenCutLinesIsHiddenUnlessALineContinuesIt) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f.Line(0, 1)->flags |= 0x04;
  f->Checkpoint(true);
  f->SaveEditState();
  f->HideFlatDiagonalLines();
  EXPECT_TRUE(f.Line(0, 2)->flags & kLineHiddenDiagonal);
  // In a grid the diagonal (0,0)-(1,1) goes on as (1,1)-(2,2).
  MeshFixture g = meshkit::MakeGrid(2, 2);
  g.Line(0, 1)->flags |= 0x04;
  g->Checkpoint(true);
  g->SaveEditState();
  g->HideFlatDiagonalLines();
  EXPECT_FALSE(g.Line(0, 4)->flags & kLineHiddenDiagonal);
}

TEST_F(MeshRepair, FlippingABorderLineIsClearedAndAnsweredNull) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->SaveEditState();
  EXPECT_EQ(f->FlipLineIfPossible(f.Line(0, 1)), nullptr);
  EXPECT_EQ(FailState(), kEngFailNone);
  EXPECT_NE(f->FlipLineIfPossible(f.Line(0, 2)), nullptr);
}

TEST_F(MeshRepair, ClosedMeshesLooseVerticesAndSharpLinesByAngle) {
  MeshFixture cube = meshkit::MakeCube(true);
  EXPECT_TRUE(cube->IsClosed());
  MeshFixture grid = meshkit::MakeGrid(1, 1);
  EXPECT_FALSE(grid->IsClosed());
  grid->AddVertex({5, 5, 5});
  grid->AddVertex({6, 5, 5});
  grid->Checkpoint(true);
  EXPECT_EQ(grid->RemoveLooseVertices(), 2);
  EXPECT_TRUE(meshkit::MeshIsValid(*grid));

  MeshFixture plain = meshkit::MakeCube(false);
  plain->MarkSharpLinesByAngle(1.0);
  EXPECT_EQ(CountLinesWith(*plain, kLineSharp), 12) << "the cube's edges, not the flat diagonals";
}

TEST_F(MeshRepair, AMeshOwnsItsLiveElementsOnly) {
  MeshFixture a = meshkit::MakeQuadPair(false);
  MeshFixture b = meshkit::MakeQuadPair(false);
  EXPECT_TRUE(a->OwnsElement(a->faces.First(), nullptr, nullptr));
  EXPECT_TRUE(a->OwnsElement(nullptr, a.Line(0, 1), nullptr));
  EXPECT_TRUE(a->OwnsElement(nullptr, nullptr, a.v[2]));
  EXPECT_FALSE(a->OwnsElement(b->faces.First(), nullptr, nullptr));
  EXPECT_FALSE(a->OwnsElement(nullptr, nullptr, b.v[2]));
  a->Checkpoint(true);
  a->SaveEditState();
  MFace* gone = a->faces.First();
  a->RemoveFaceAndTidy(gone);
  EXPECT_FALSE(a->OwnsElement(gone, nullptr, nullptr));
}

TEST_F(MeshRepair, OffsetVectorsPointAwayAQuarterOfTheBoxDiagonalLong) {
  MeshFixture cube = meshkit::MakeCube(true);
  PtrArray top;
  for (MFace* face : cube->faces)
    if (face->GetNormal().z > 0.5) top.Add(face);
  ASSERT_EQ(top.count, 2);
  PointRecord out;
  cube->FaceSetOffsetVector(top, out);
  EXPECT_NEAR(out.x, 0, 1e-12);
  EXPECT_NEAR(out.z, 0.25 * std::sqrt(2.0), 1e-12);

  MeshFixture quad = meshkit::MakeGrid(1, 1);
  PtrArray bottom;
  bottom.Add(quad.Line(0, 1));
  quad->LineSetOffsetVector(bottom, out);
  EXPECT_NEAR(out.y, -0.25, 1e-12) << "out of the face set, in its plane";
  EXPECT_NEAR(out.z, 0, 1e-12);
}

TEST_F(MeshRepair, VertexSetsOfFacesAndTheRunOfStampedFacesAroundAVertex) {
  MeshFixture f = meshkit::MakeGrid(2, 2);
  PtrArray cell;
  for (MFace* face : f->faces)
    if (face->CornerIndex(f.v[0]) >= 0) cell.Add(face);
  ASSERT_EQ(cell.count, 2);
  f->NextVisitStamp();
  PtrArray corners, boundary;
  f->CollectFaceCorners(cell, corners);
  EXPECT_EQ(corners.count, 4);
  f->NextVisitStamp();
  f->CollectFaceSetBoundaryVertices(cell, boundary);
  EXPECT_EQ(boundary.count, 4);

  // Around the centre (1,1): the faces of the first cell carry the stamp.
  const int stamp = f->TakeVisitStamp();
  for (int i = 0; i < cell.count; ++i) static_cast<MFace*>(cell[i])->id = stamp;
  MLine *first = nullptr, *last = nullptr;
  ASSERT_TRUE(f->FindStampedFaceRun(stamp, f.v[4], &first, &last));
  // Counter-clockwise round (1,1) the stamped faces start after the line to
  // (0,1) and stop at the line to (1,0); they come back swapped.
  EXPECT_EQ(first, f.Line(4, 1));
  EXPECT_EQ(last, f.Line(4, 3));
  MLine *none1 = nullptr, *none2 = nullptr;
  EXPECT_FALSE(f->FindStampedFaceRun(stamp + 1, f.v[4], &none1, &none2));
}

// ---- crease weights and the smooth surface -------------------------------------------------

TEST_F(MeshRepair, CreaseWeightsAreTruncatedClampedAndFullAtOne) {
  struct Case {
    double weight;
    int stored;
    bool full;
  };
  for (Case c : {Case{1.0, 255, true}, Case{0.999, 254, false}, Case{-0.5, 0, false}, Case{3.0, 255, true},
                 Case{0.5, 126, false}}) {
    SCOPED_TRACE(c.weight);
    MeshFixture f = meshkit::MakeQuadPair(true);
    f->SetLineCreaseWeightAll(c.weight);
    f->SetVertexCreaseWeightAll(c.weight);
    for (const MLine* line : f->lines) {
      if (line->flags & kLineHiddenDiagonal) {
        EXPECT_EQ(line->flags & (kLineSharp | kLineCreaseMask), 0u) << "a hidden diagonal takes no weight";
        continue;
      }
      EXPECT_EQ(line->GetCreaseWeight(), c.stored);
      EXPECT_EQ((line->flags & kLineSharp) != 0, c.full);
    }
    for (const MVertex* v : f->vertices) {
      EXPECT_EQ(v->GetCreaseWeight(), c.stored);
      EXPECT_EQ((v->flags & kVertexFullCrease) != 0, c.full);
    }
  }
}

TEST_F(MeshRepair, SelectedWeightsChangeOnlyTheSelection) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  meshkit::SelectVertices(f, {0, 1});
  f->SetLineCreaseWeightSelected(0.5);
  f->SetVertexCreaseWeightSelected(0.5);
  EXPECT_EQ(f.Line(0, 1)->GetCreaseWeight(), 126);
  EXPECT_EQ(f.Line(1, 2)->GetCreaseWeight(), 0);
  EXPECT_EQ(f.v[0]->GetCreaseWeight(), 126);
  EXPECT_EQ(f.v[3]->GetCreaseWeight(), 0);
}

TEST_F(MeshRepair, TheSmoothSurfaceIsRebuiltAsAStepAndRevertedOnlyInSmoothDisplay) {
  MeshFixture f = meshkit::MakeCube(true);
  f->Checkpoint(true);
  f->RefreshSmoothSurface(1);
  EXPECT_EQ(f->vertices.Length(), 8) << "without smooth display nothing happens";
  f->SetSmoothDisplay(1);
  f->Checkpoint(true);
  f->RefreshSmoothSurface(0);
  EXPECT_EQ(f->vertices.Length(), 8);
  f->RefreshSmoothSurface(1);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->vertices.Length(), 26);
  EXPECT_EQ(f->faces.Length(), 48);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  f->RevertSmoothSurfaceStep();
  EXPECT_EQ(f->vertices.Length(), 8);
  EXPECT_EQ(f->faces.Length(), 12);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshRepair, BuildingTheSurfaceDropsFreeLinesAndTheSelectionFirst) {
  MeshFixture f = meshkit::MakeCube(true);
  MVertex* loose = f->AddVertex({3, 3, 3});
  ASSERT_NE(f->AddLineBetween(loose, f->AddVertex({4, 3, 3})), nullptr);
  meshkit::SelectVertices(f, {0, 1});
  f->Checkpoint(true);
  f->SaveEditState();
  f->BuildSmoothSurface(1);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->vertices.Length(), 26);
  EXPECT_FALSE(f->HasSelectedVertex());
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

}  // namespace mesh_repair_test
