// The modelling edits that rebuild topology: collapses, zipping border
// lines, drawing lines on a mesh, faces in loops of lines, the mirrored half
// made real, part copies and vertex splits.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using namespace modelingtest;

class MeshModelingEdit : public meshkit::MeshTest {};


// ---- collapses ---------------------------------------------------------------------------

//        A            R at the origin inside the fan K, A, X, B; the face
//      / | \          A-K-X joins X to K, so collapsing R into K would fold
//    X - R - K        the surface over it.
//      \ | /
//        B
MeshFixture FoldingFan() {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}},
        {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}, {2, 1, 3}});
  return f;
}

TEST_F(MeshModelingEdit, ACollapseThatWouldFoldOrFlattenATetrahedronIsRefusedUnchanged) {
  for (auto make : {&FoldingFan, &meshkit::MakeTetra}) {
    MeshFixture f = make();
    f->Checkpoint(true);
    const std::string before = meshkit::DumpMesh(*f);
    MLine* line = f.Line(0, 1);
    EXPECT_FALSE(f->CanCollapseSingleLine(line));
    EXPECT_FALSE(f->CollapseLine(line, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(meshkit::DumpMesh(*f), before);
  }
}

TEST_F(MeshModelingEdit, ACollapseMovesTheSurvivorToTheMidpointOrToTheOtherEnd) {
  struct Case {
    int givenUp;  // -1 none, else 0 or 1 for the line's end0 or end1
  } cases[] = {{-1}, {0}, {1}};
  for (const Case& c : cases) {
    MeshFixture f = meshkit::MakeGrid(3, 3);
    MLine* line = f.Line(5, 6);
    MVertex* ends[2] = {line->end0, line->end1};
    const PointRecord p0 = ends[0]->position, p1 = ends[1]->position;
    MVertex* survivor = nullptr;
    f->SaveEditState();
    ASSERT_TRUE(f->CollapseLine(line, c.givenUp < 0 ? nullptr : ends[c.givenUp], &survivor, nullptr, nullptr));
    ASSERT_NE(survivor, nullptr);
    const PointRecord expected = c.givenUp < 0  ? PointRecord{(p0.x + p1.x) / 2, (p0.y + p1.y) / 2, 0}
                                 : c.givenUp == 0 ? p1
                                                  : p0;
    EXPECT_EQ(survivor->position.x, expected.x);
    EXPECT_EQ(survivor->position.y, expected.y);
    EXPECT_EQ(f->faces.Length(), 16);
    EXPECT_EQ(f->vertices.Length(), 15);
    EXPECT_TRUE(MeshIsValid(*f));
  }
}


// ---- zipping coincident border lines ---------------------------------------------------


TEST_F(MeshModelingEdit, CoincidentBorderLinesAreZippedIntoOneTurningAPartWhenNeeded) {
  for (bool turned : {false, true}) {
    SCOPED_TRACE(turned);
    MeshFixture f = meshkit::MakeSeamTrianglePair(turned);
    f->Checkpoint(true);
    MLine* survivor = f->MergeCoincidentLines(f.Line(0, 1));
    ASSERT_EQ(FailState(), kEngFailNone);
    ASSERT_NE(survivor, nullptr);
    EXPECT_TRUE(survivor->forwardFace != nullptr && survivor->backwardFace != nullptr);
    EXPECT_EQ(f->vertices.Length(), 4);
    EXPECT_EQ(f->lines.Length(), 5);
    EXPECT_TRUE(MeshIsValid(*f));
  }
}

TEST_F(MeshModelingEdit, AStripClosedWithAHalfTwistIsLeftUnzippedInsteadOfTurningForever) {
  // A strip of three cells whose end lines 0-4 and 3-7 are coincident.
  MeshFixture f = meshkit::MakeGrid(3, 1);
  f.v[0]->JoinRing(f.v[7]);
  f.v[4]->JoinRing(f.v[3]);
  f->Checkpoint(true);
  const std::string before = meshkit::DumpMesh(*f);
  f->MergeCoincidentLines(f.Line(0, 4));
  EXPECT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
  // Closed without the twist, the same strip zips into a tube.
  MeshFixture tube = meshkit::MakeGrid(3, 1);
  tube.v[0]->JoinRing(tube.v[3]);
  tube.v[4]->JoinRing(tube.v[7]);
  tube->Checkpoint(true);
  MLine* seam = tube->MergeCoincidentLines(tube.Line(0, 4));
  EXPECT_EQ(FailState(), kEngFailNone);
  ASSERT_NE(seam, nullptr);
  EXPECT_TRUE(seam->forwardFace != nullptr && seam->backwardFace != nullptr);
  EXPECT_EQ(tube->vertices.Length(), 6);
  EXPECT_TRUE(MeshIsValid(*tube));
}


// ---- drawing lines on a mesh ------------------------------------------------------------

ElementRef Point(PointRecord at, int kind, MItem* element = nullptr) { return {at, element, kind, nullptr, 0}; }

TEST_F(MeshModelingEdit, APolylineEndingOnItsFirstPointClosesALoopOfFreeLines) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  ElementRefArray points;
  for (ElementRef p : {Point({0, 0, 0}, -1), Point({1, 0, 0}, -1), Point({0, 1, 0}, -1), Point({0, 0, 0}, 0)})
    points.Add(p);
  f->DrawLines(points);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->vertices.Length(), 3);
  EXPECT_EQ(f->lines.Length(), 3);
  EXPECT_EQ(points[3].element, points[0].element);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, DrawingCornerToOppositeCornerOfAQuadTurnsItsDiagonal) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  ElementRefArray points;
  points.Add(Point(f.v[1]->position, -3, f.v[1]));
  points.Add(Point(f.v[3]->position, -3, f.v[3]));
  f->SaveUndoAroundPoints(points);
  f->DrawLines(points);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->vertices.Length(), 4);  // the ring copies without lines went again
  EXPECT_EQ(f.Line(0, 2), nullptr);
  ASSERT_NE(f.Line(1, 3), nullptr);
  EXPECT_EQ(f->faces.Length(), 2);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, PointsOnAFaceTakeItAwayAndOnTheMirrorPlaneBecomePlaneVertices) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}});
  for (MVertex* v : f.v) v->flags |= kVertexOnMirror;
  ElementRefArray points;
  points.Add(Point({0, 0.2, 0.2}, -5, f->faces.First()));
  points.Add(Point({-1, 0.2, 0.2}, -1));
  f->SaveUndoAroundPoints(points);
  f->DrawLines(points);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_TRUE(f->faces.IsEmpty());
  auto* drawn = static_cast<MVertex*>(points[0].element);
  EXPECT_TRUE(drawn->flags & kVertexOnMirror);
  EXPECT_EQ(drawn->position.x, 0);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, APointOnALineSplitsItAndAPointAtItsEndIsThatEnd) {
  MeshFixture f = meshkit::MakeCubeCorners();
  MLine* line = f->AddLine(f.v[0], f.v[1], nullptr, nullptr, nullptr, nullptr);
  ElementRefArray points;
  points.Add(Point({0.5, 0, 0}, -4, line));
  points.Add(Point({0.5, 1, 0}, -1));
  points.Add(Point({0, 0, 0}, -4, line));
  f->SaveUndoAroundPoints(points);
  f->DrawLines(points);
  ASSERT_EQ(FailState(), kEngFailNone);
  auto* middle = static_cast<MVertex*>(points[0].element);
  EXPECT_EQ(middle->position.x, 0.5);
  EXPECT_EQ(middle->lineCount, 3);
  EXPECT_TRUE(f.v[0]->FindLineBetweenRings(static_cast<MVertex*>(points[1].element)) != nullptr);
  EXPECT_TRUE(MeshIsValid(*f, 0));
}


// ---- faces in loops of lines -------------------------------------------------------------


int HiddenDiagonals(const MMeshObj& m) { return CountLinesWith(m, kLineHiddenDiagonal); }

TEST_F(MeshModelingEdit, FourLinesInALoopBecomeOneQuadOrTwoTrianglesAcrossAnExistingDiagonal) {
  MeshFixture quad = FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  quad->MakeFacesInLoopsAll();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(quad->faces.Length(), 2);
  EXPECT_EQ(quad->vertices.Length(), 4);
  EXPECT_EQ(quad->lines.Length(), 5);
  EXPECT_EQ(HiddenDiagonals(*quad), 1);
  EXPECT_TRUE(MeshIsValid(*quad));

  MeshFixture split = FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  split->AddLineBetween(split.v[0], split.v[2]);
  split->Checkpoint(true);
  split->MakeFacesInLoopsAll();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(split->faces.Length(), 2);
  EXPECT_EQ(split->vertices.Length(), 4);
  EXPECT_EQ(split->lines.Length(), 5);
  EXPECT_EQ(HiddenDiagonals(*split), 0);
  EXPECT_TRUE(MeshIsValid(*split));
}

TEST_F(MeshModelingEdit, ALoopAlreadySpannedByAFaceIsNotFilledTwice) {
  MeshFixture f = meshkit::MakeTetra();
  f->MakeFacesInLoopsAll();
  EXPECT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->faces.Length(), 4);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, ANewFaceOnASurfaceBorderTakesItsOrientationAndJoinsIt) {
  for (bool turned : {false, true}) {
    SCOPED_TRACE(turned);
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5, -1, 0}}, {{0, 1, 2}});
    if (turned) f->ReverseAllFaces();
    f->AddLineBetween(f.v[1], f.v[3]);
    f->AddLineBetween(f.v[3], f.v[0]);
    f->Checkpoint(true);
    f->MakeFacesInLoopsAll();
    ASSERT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(f->faces.Length(), 2);
    EXPECT_EQ(f->vertices.Length(), 4);
    EXPECT_EQ(f->lines.Length(), 5);
    int shared = 0;
    for (const MLine* line : f->lines) shared += line->forwardFace != nullptr && line->backwardFace != nullptr;
    EXPECT_EQ(shared, 1);
    EXPECT_TRUE(MeshIsValid(*f));
    // The original triangle kept the way it faced, and the new one follows.
    for (MFace* face : f->faces) EXPECT_EQ(face->GetNormal().z > 0, !turned);
  }
}


// ---- the mirrored half, part copies ------------------------------------------------------

// A mirror half: a triangle with its edge 0-1 on the plane x = 0 and, when
// asked, a triangle lying in the plane.
MeshFixture HalfWithPlaneEdge(bool withPlaneFace) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {0, 1, 0}, {-1, 0.5, 0}, {0, 0, 1}}, {{0, 2, 1}});
  if (withPlaneFace) f.Face(0, 1, 3);
  for (int k : {0, 1, 3}) f.v[k]->flags |= kVertexOnMirror;
  f->SetMirrorMode(1);
  f->Checkpoint(true);
  return f;
}

TEST_F(MeshModelingEdit, AMirroredTriangleIsWeldedToItsTwinWithTheOppositeLoopOrder) {
  MeshFixture f = HalfWithPlaneEdge(false);
  f->MirrorToFull(nullptr);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->IsMirrorMode(), 0);
  EXPECT_EQ(f->faces.Length(), 2);
  EXPECT_EQ(f->vertices.Length(), 4);
  EXPECT_EQ(f->lines.Length(), 5);
  int twoFaced = 0;
  for (const MLine* line : f->lines) twoFaced += line->forwardFace != nullptr && line->backwardFace != nullptr;
  EXPECT_EQ(twoFaced, 1);  // the welded edge on the plane
  bool twin = false;
  for (const MVertex* v : f->vertices) {
    EXPECT_FALSE(v->flags & kVertexOnMirror);
    twin = twin || (v->position.x == 1 && v->position.y == 0.5);
  }
  EXPECT_TRUE(twin);
  // The validator checks that the two faces run along the shared edge in
  // opposite directions.
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, ATriangleLyingInTheMirrorPlaneIsNotDoubled) {
  MeshFixture f = HalfWithPlaneEdge(true);
  f->MirrorToFull(nullptr);
  ASSERT_EQ(FailState(), kEngFailNone);
  // The edge on the plane already has two faces: the twin stays beside it
  // on vertices of its own, in rings with the first half's.
  EXPECT_EQ(f->faces.Length(), 3);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, RemovingTheMirrorMaterialGivesTheHalfBack) {
  MeshFixture f = HalfWithPlaneEdge(false);
  MShader* marker = f->AddShader();
  f->MirrorToFull(marker);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->faces.Length(), 2);
  f->RemoveFacesOfShader(marker);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->faces.Length(), 1);
  EXPECT_EQ(f->vertices.Length(), 3);
  for (const MVertex* v : f->vertices) {
    EXPECT_FALSE(v->flags & 0x20);
    if (v->position.y != 0.5) {
      EXPECT_TRUE(v->flags & kVertexOnMirror);
      EXPECT_EQ(v->position.x, 0);
    }
  }
  for (const MLine* line : f->lines) EXPECT_FALSE(line->flags & 0x40);
  EXPECT_EQ(f->IsMirrorMode(), 1);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, AMirroredTexturedFaceTakesItsCoordinatesInReversedCornerOrder) {
  MeshFixture f = HalfWithPlaneEdge(false);
  meshkit::GiveTexture(f);
  MFace* source = f->faces.First();
  MVertex* c[3];
  source->GetVertices(c);
  f->MirrorToFull(nullptr);
  ASSERT_EQ(f->faces.Length(), 2);
  MFace* mirrored = f->faces.First() == source ? f->faces.First()->Next() : f->faces.First();
  ASSERT_NE(mirrored->uv, nullptr);
  MVertex* m[3];
  mirrored->GetVertices(m);
  // Each corner keeps the coordinates of the corner it mirrors.
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 3; ++j)
      if (m[k]->position.y == c[j]->position.y && m[k]->position.x == -c[j]->position.x) {
        EXPECT_EQ(mirrored->uv->corner[k].u, source->uv->corner[j].u);
        EXPECT_EQ(mirrored->uv->corner[k].v, source->uv->corner[j].v);
      }
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModelingEdit, ACopiedPartIsSoundKeepsItsRingsAndLeavesTheSourceAlone) {
  // Two triangles touching at one place through two vertices in a ring.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}, {-1, 0, 0}, {-1, -1, 0}}, {{0, 1, 2}, {3, 4, 5}});
  f.v[0]->JoinRing(f.v[3]);
  const std::string before = meshkit::DumpMesh(*f);
  PtrArray faces;
  f->GatherAll(&faces, nullptr, nullptr);
  std::unique_ptr<MMeshObj> copy(f->CopyMarkedToNewMesh(&faces, nullptr));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
  EXPECT_EQ(copy->faces.Length(), 2);
  EXPECT_EQ(copy->vertices.Length(), 6);
  int ringed = 0;
  for (MVertex* v : copy->vertices) ringed += v->ringNext != v;
  EXPECT_EQ(ringed, 2);
  for (MFace* face : copy->faces) EXPECT_NE(face->shader, f.shader);
  EXPECT_TRUE(MeshIsValid(*copy));
  // A seam's coincident border lines are joined in the copy.
  MeshFixture tube = meshkit::MakeSeamTube(4, 2);
  PtrArray tubeFaces;
  tube->GatherAll(&tubeFaces, nullptr, nullptr);
  std::unique_ptr<MMeshObj> tubeCopy(tube->CopyMarkedToNewMesh(&tubeFaces, nullptr));
  ASSERT_NE(tubeCopy, nullptr);
  EXPECT_EQ(tubeCopy->faces.Length(), 16);
  EXPECT_EQ(tubeCopy->vertices.Length(), 12);
  EXPECT_TRUE(MeshIsValid(*tubeCopy));
}


// ---- splitting a vertex along two lines ----------------------------------------------------

TEST_F(MeshModelingEdit, SplittingAVertexAlongTwoLinesOpensTwoTrianglesBetweenItsHalves) {
  MeshFixture f = meshkit::MakeGrid(3, 3);
  MVertex* n = nullptr;
  MLine* joining = nullptr;
  f->SplitVertexAlongLines(f.v[5], f.Line(5, 6), f.Line(5, 4), &n, &joining);
  ASSERT_EQ(FailState(), kEngFailNone);
  ASSERT_NE(n, nullptr);
  ASSERT_NE(joining, nullptr);
  EXPECT_TRUE(joining->HasEnd(n) && joining->HasEnd(f.v[5]));
  EXPECT_EQ(f->vertices.Length(), 17);
  EXPECT_EQ(f->faces.Length(), 20);
  EXPECT_EQ(n->position.x, 1);
  EXPECT_TRUE(MeshIsValid(*f));
  // Two open borders have nothing to open between them.
  MeshFixture g = meshkit::MakeGrid(2, 1);
  const std::string before = meshkit::DumpMesh(*g);
  g->SplitVertexAlongLines(g.v[1], g.Line(1, 0), g.Line(1, 2), nullptr, nullptr);
  EXPECT_EQ(meshkit::DumpMesh(*g), before);
}


TEST_F(MeshModelingEdit, FillingBetweenTwoLineSetsMakesTheQuadsTheirLoopsClose) {
  MeshFixture f = FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  PtrArray a, b, c;
  a.Add(f.Line(0, 1));
  a.Add(f.Line(2, 3));
  b.Add(f.Line(1, 2));
  b.Add(f.Line(3, 0));
  f->FillBetweenLines(a, b, c, false);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->faces.Length(), 2);
  EXPECT_EQ(HiddenDiagonals(*f), 1);
  EXPECT_EQ(f->modelFlagsA, 0);
  for (const MLine* line : f->lines) EXPECT_FALSE(line->flags & 0x200);
  EXPECT_TRUE(MeshIsValid(*f));
  // With only one line of the first set in the loop nothing is filled.
  MeshFixture g = FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  PtrArray one, rest;
  one.Add(g.Line(0, 1));
  for (auto [x, y] : {std::pair{1, 2}, {2, 3}, {3, 0}}) rest.Add(g.Line(x, y));
  g->FillBetweenLines(one, rest, c, false);
  EXPECT_TRUE(g->faces.IsEmpty());
}


TEST_F(MeshModelingEdit, ASeamLineSplitsWithItsCoincidentLineIntoOneRing) {
  MeshFixture f = meshkit::MakeSeamTube(4, 1);
  MLine* seam = f.Line(0, 5);
  ASSERT_NE(seam, nullptr);
  const int faces = f->faces.Length();
  MVertex* q = nullptr;
  f->SplitCoincidentLinesAtPoint(seam, {1, 0, 0.5}, &q, nullptr);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->CountRing(), 2);
  EXPECT_EQ(f->faces.Length(), faces + 2);
  EXPECT_TRUE(MeshIsValid(*f));
}

}  // namespace

namespace {

TEST_F(MeshModelingEdit, AGridOfDrawnLinesBecomesOneSurfaceOfQuadsFacingOneWay) {
  constexpr int kCells = 12;
  MeshFixture f = meshkit::MakeEmptyMesh();
  for (int j = 0; j <= kCells; ++j)
    for (int i = 0; i <= kCells; ++i) f.Vertex(i, j, 0);
  auto at = [&](int i, int j) { return f.v[j * (kCells + 1) + i]; };
  for (int j = 0; j <= kCells; ++j)
    for (int i = 0; i <= kCells; ++i) {
      if (i < kCells) f->AddLineBetween(at(i, j), at(i + 1, j));
      if (j < kCells) f->AddLineBetween(at(i, j), at(i, j + 1));
    }
  f->Checkpoint(true);
  f->MakeFacesInLoopsAll();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(f->faces.Length(), 2 * kCells * kCells);
  EXPECT_EQ(f->vertices.Length(), (kCells + 1) * (kCells + 1));
  EXPECT_EQ(CountLinesWith(*f, kLineHiddenDiagonal), kCells * kCells);
  int border = 0;
  for (const MLine* line : f->lines) border += (line->forwardFace == nullptr) != (line->backwardFace == nullptr);
  EXPECT_EQ(border, 4 * kCells);
  const bool up = f->faces.First()->GetNormal().z > 0;
  for (MFace* face : f->faces) EXPECT_EQ(face->GetNormal().z > 0, up);
  EXPECT_TRUE(MeshIsValid(*f));
}

}  // namespace
