// The modelling operations' behaviour: primitives, selection and groups,
// line splits and loop fills, orientation and parts, line attributes, fans,
// diagonals and rings, counts and attaching; and the flood and walk
// operations over a large mesh.
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

class MeshModeling : public meshkit::MeshTest {};


// ---- primitives ----------------------------------------------------------------------

TEST_F(MeshModeling, AWholeBoxIsClosedOrientedOutwardsWithItsEdgesAndDiagonals) {
  auto m = NewMesh();
  m->MakeBox({-1, -1, 1}, {1, 1, -1}, 0);
  ASSERT_EQ(FailState(), kEngFailNone);
  int v, l, f, drawn;
  m->CountElements(v, l, f, drawn);
  EXPECT_EQ(v, 8);
  EXPECT_EQ(f, 12);
  EXPECT_EQ(l, 18);
  EXPECT_EQ(CountLinesWith(*m, kLineSharp), 12);
  EXPECT_EQ(CountLinesWith(*m, kLineHiddenDiagonal), 6);
  for (const MLine* line : m->lines) EXPECT_TRUE(line->forwardFace != nullptr && line->backwardFace != nullptr);
  EXPECT_TRUE(MeshIsValid(*m));
  PtrArray faces = AllFaces(*m);
  EXPECT_FALSE(m->IsFaceSetInverted(faces, {5, 4, 3}));
  EXPECT_EQ(m->IsMirrorMode(), 0);
}

TEST_F(MeshModeling, AHalfBoxLeavesThePlaneSideOpenAndMarksItsVertices) {
  auto m = NewMesh();
  m->MakeBox({-1, -1, 1}, {0, 1, -1}, 1);
  int v, l, f, drawn;
  m->CountElements(v, l, f, drawn);
  EXPECT_EQ(f, 10);
  EXPECT_EQ(m->IsMirrorMode(), 1);
  int onPlane = 0;
  for (const MVertex* vertex : m->vertices)
    if (vertex->flags & kVertexOnMirror) {
      ++onPlane;
      EXPECT_EQ(vertex->position.x, 0);
    }
  EXPECT_EQ(onPlane, 4);
  EXPECT_TRUE(MeshIsValid(*m));
}

TEST_F(MeshModeling, SolidsOfRevolutionAreSoundAndFaceOutwards) {
  struct Case {
    const char* name;
    void (MMeshObj::*make)(const PointRecord&, const PointRecord&, unsigned char, int);
    int n;
    int faces;
  } cases[] = {
      {"cone", &MMeshObj::MakeCone, 8, 16},
      {"cylinder", &MMeshObj::MakeCylinder, 8, 32},
      {"sphere", &MMeshObj::MakeSphere, 8, 48},
      {"sphere of three segments: one equator", &MMeshObj::MakeSphere, 3, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto m = NewMesh();
    ((*m).*c.make)({-1, -1, 1}, {1, 1, -1}, 0, c.n);
    ASSERT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(m->faces.Length(), c.faces);
    EXPECT_TRUE(MeshIsValid(*m));
    PtrArray faces = AllFaces(*m);
    EXPECT_FALSE(m->IsFaceSetInverted(faces, {0, 6, 0.5}));
    for (const MLine* line : m->lines) EXPECT_TRUE(line->forwardFace != nullptr && line->backwardFace != nullptr);
  }
}

TEST_F(MeshModeling, AHalfDiscWithAnOddCountEndsAtTheChordMidpointOnThePlane) {
  for (int n : {5, 6}) {
    SCOPED_TRACE(n);
    auto m = NewMesh();
    m->MakeFan({-1, 0, 1}, {0, 0, -1}, 1, n);
    ASSERT_EQ(FailState(), kEngFailNone);
    // Ring points plus the centre.
    const int ring = n % 2 == 0 ? n / 2 + 1 : (n + 1) / 2 + 1;
    EXPECT_EQ(m->vertices.Length(), ring + 1);
    MVertex* last = m->vertices.First();  // made last
    EXPECT_TRUE(last->flags & kVertexOnMirror);
    EXPECT_EQ(last->position.x, 0);
    const double radius = std::hypot(last->position.x, last->position.z);
    if (n % 2 == 1)
      EXPECT_LT(radius, 0.99);  // inside the circle
    else
      EXPECT_NEAR(radius, 1, 1e-12);
    for (const MVertex* v : m->vertices) EXPECT_LE(v->position.x, 0);
    EXPECT_TRUE(MeshIsValid(*m));
  }
}

TEST_F(MeshModeling, SegmentCountsBelowThreeAreRefusedBeforeAnythingIsMade) {
  for (int n : {-4, 0, 2}) {
    auto m = NewMesh();
    m->MakeSphere({-1, -1, 1}, {1, 1, -1}, 0, n);
    EXPECT_EQ(FailState(), kEngFailDeclined);
    EXPECT_EQ(FailReason(), kEngReasonDeclined);
    EXPECT_TRUE(m->vertices.IsEmpty());
    EngContext().ClearFailure();
  }
}

// ---- selection and groups -----------------------------------------------------------------

TEST_F(MeshModeling, SelectingAQuadsOuterEdgesSelectsItsDiagonalAndCountsAsAFace) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  PtrArray lines;
  for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 3}, {3, 0}}) lines.Add(f.Line(a, b));
  f->SelectLists(nullptr, &lines, nullptr);
  EXPECT_TRUE(f.Line(0, 2)->flags & kLineSelected);
  EXPECT_TRUE(f->HasSelectedFace());
  // Taking one edge away deselects the diagonal; its ends stay selected
  // through the edges that remain.
  PtrArray one;
  one.Add(f.Line(0, 1));
  f->DeselectLists(nullptr, &one, nullptr);
  EXPECT_FALSE(f.Line(0, 2)->flags & kLineSelected);
  EXPECT_TRUE(f.v[0]->flags & kVertexSelected);
  EXPECT_TRUE(f.v[1]->flags & kVertexSelected);
}

TEST_F(MeshModeling, ToggleSelectsOnATieAndDeselectsOnAMajority) {
  MeshFixture f = meshkit::MakeTetra();
  PtrArray lines;
  lines.Add(f.Line(0, 1));
  lines.Add(f.Line(1, 2));
  f.Line(0, 1)->flags |= kLineSelected;
  f->ToggleSelectLists(nullptr, &lines, nullptr);
  EXPECT_TRUE(f.Line(1, 2)->flags & kLineSelected);
  f->ToggleSelectLists(nullptr, &lines, nullptr);
  EXPECT_FALSE(f.Line(0, 1)->flags & kLineSelected);
  EXPECT_FALSE(f.Line(1, 2)->flags & kLineSelected);
}

TEST_F(MeshModeling, GrowingOneCubeFaceListsItFirstThenEveryFaceAtItsCornersOnce) {
  MeshFixture f = meshkit::MakeCube();
  PtrArray seed, out;
  MFace* first = f->faces.First();
  seed.Add(first);
  f->GrowFaceList(seed, out);
  ASSERT_GT(out.count, 1);
  EXPECT_EQ(out[0], first);
  MVertex* c[3];
  first->GetVertices(c);
  int expected = 0;
  for (MFace* face : f->faces) {
    MVertex* d[3];
    face->GetVertices(d);
    bool shares = false;
    for (MVertex* a : c)
      for (MVertex* b : d) shares = shares || a == b;
    expected += shares;
  }
  EXPECT_EQ(out.count, expected);
  for (int i = 0; i < out.count; ++i)
    for (int j = i + 1; j < out.count; ++j) EXPECT_NE(out[i], out[j]);
}

TEST_F(MeshModeling, MergingTwoGroupedLinesMakesANewRootOverBothTrees) {
  MeshFixture f = meshkit::MakeTetra();
  MGroup* a = f->AddGroup();
  MGroup* b = f->AddGroup();
  MLine* la = f.Line(0, 1);
  MLine* lb = f.Line(2, 3);
  la->group = la->end0->group = la->end1->group = a;
  lb->group = lb->end0->group = lb->end1->group = b;
  la->flags |= kLineSelected;
  lb->flags |= kLineSelected;
  f->Checkpoint(true);
  f->InvalidateSelectionCache();
  f->MergeRootGroups();
  ASSERT_NE(a->parent, nullptr);
  EXPECT_EQ(a->parent, b->parent);
  EXPECT_EQ(a->parent->parent, nullptr);
  // Ungrouping removes that one level again; the emptied root goes.
  unsigned char dissolved = 0;
  f->UngroupSelected(dissolved);
  EXPECT_EQ(dissolved, 1);
  EXPECT_EQ(la->group, a);
  EXPECT_EQ(a->parent, nullptr);
  EXPECT_EQ(f->groups.Length(), 2);
}

TEST_F(MeshModeling, TheSelectionCentreIsTheMiddleOfItsBox) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 2, 0}, {5, 0, 0}});
  for (MVertex* v : f.v) v->flags |= kVertexSelected;
  PointRecord centre;
  f->GetSelectionCentre(centre);
  EXPECT_EQ(centre.x, 2.5);
  EXPECT_EQ(centre.y, 1);
}

// ---- topology edits -----------------------------------------------------------------------

TEST_F(MeshModeling, ASquareLoopIsFilledFromItsFirstCorner) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  MVertex* loop[4] = {f.v[0], f.v[1], f.v[2], f.v[3]};
  f->FillLoop(4, loop, f.shader, false);
  ASSERT_EQ(FailState(), kEngFailNone);
  ASSERT_EQ(f->faces.Length(), 2);
  // Newest first: (fourth, second, third), then (fourth, first, second).
  auto corners = [](MFace* face) {
    MVertex* c[3];
    face->GetVertices(c);
    return std::set<MVertex*>{c[0], c[1], c[2]};
  };
  EXPECT_EQ(corners(f->faces.First()), (std::set<MVertex*>{f.v[3], f.v[1], f.v[2]}));
  EXPECT_EQ(corners(f->faces.First()->Next()), (std::set<MVertex*>{f.v[3], f.v[0], f.v[1]}));
  EXPECT_GT(f->faces.First()->GetNormal().z, 0);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModeling, ALoopWithAChordOrARepeatedVertexIsRefusedNotFatal) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  f->AddLine(f.v[0], f.v[2], nullptr, nullptr, nullptr, nullptr);
  MVertex* chord[4] = {f.v[0], f.v[1], f.v[2], f.v[3]};
  MVertex* twice[4] = {f.v[0], f.v[1], f.v[0], f.v[3]};
  for (MVertex** loop : {chord, twice}) {
    f->FillLoop(4, loop, f.shader, false);
    EXPECT_EQ(FailState(), kEngFailDeclined);
    EXPECT_TRUE(f->faces.IsEmpty());
    EngContext().ClearFailure();
  }
}

TEST_F(MeshModeling, FlippingABorderLineIsRefusedAndKeepsItsFace) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->SaveEditState();
  const std::string before = meshkit::DumpMesh(*f);
  EXPECT_EQ(f->FlipLine(f.Line(0, 1)), nullptr);
  EXPECT_EQ(FailState(), kEngFailDeclined);
  EXPECT_EQ(FailReason(), kEngReasonDeclined);
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
}

TEST_F(MeshModeling, SplittingALineAtAnEndIsRefusedAndInsideMakesFourFaces) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  const std::string before = meshkit::DumpMesh(*f);
  for (PointRecord p : {PointRecord{0, 0, 0}, PointRecord{1, 1, 0}, PointRecord{-1, -1, 0}, PointRecord{2, 2, 0}}) {
    f->SplitLineAtPoint(f.Line(0, 2), p, nullptr, nullptr);
    EXPECT_EQ(FailState(), kEngFailDeclined);
    EngContext().ClearFailure();
  }
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
  MVertex* q = nullptr;
  MLine* half = nullptr;
  f->SplitLineAtPoint(f.Line(0, 2), {0.25, 0.25, 0}, &q, &half);
  ASSERT_NE(q, nullptr);
  EXPECT_NEAR(q->position.x, 0.25, 1e-12);
  EXPECT_NEAR(q->position.y, 0.25, 1e-12);
  EXPECT_EQ(f.Line(0, 2), nullptr);
  EXPECT_EQ(q->lineCount, 4);
  EXPECT_EQ(f->faces.Length(), 4);
  EXPECT_TRUE(half->HasEnd(q) && (half->HasEnd(f.v[0]) || half->HasEnd(f.v[2])));
  EXPECT_TRUE(MeshIsValid(*f));
}

// ---- orientation and parts -----------------------------------------------------------------

TEST_F(MeshModeling, FlippingAPartTwiceIsTheIdentityTextureCoordinatesIncluded) {
  MeshFixture f = meshkit::MakeCube(true);
  meshkit::GiveTexture(f);
  const std::string before = meshkit::DumpMesh(*f);
  f->SaveEditState();
  f->FlipPartAt(f.v[0]);
  EXPECT_NE(meshkit::DumpMesh(*f), before);
  EXPECT_TRUE(MeshIsValid(*f));
  f->FlipPartAt(f.v[0]);
  EXPECT_EQ(meshkit::DumpMesh(*f), before);
}

TEST_F(MeshModeling, AnInwardCubeCountsAsInvertedAndOrientingTurnsItOut) {
  MeshFixture f = meshkit::MakeCube();
  PtrArray faces = AllFaces(*f);
  EXPECT_FALSE(f->IsFaceSetInverted(faces, {3, 3, 3}));
  f->ReverseAllFaces();
  EXPECT_TRUE(f->IsFaceSetInverted(faces, {3, 3, 3}));
  f->OrientParts(false, {3, 3, 3});
  EXPECT_FALSE(f->IsFaceSetInverted(faces, {3, 3, 3}));
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModeling, ASeamSplitsLinkedPartsButNotRingParts) {
  MeshFixture f = meshkit::MakeSeamTube(4, 1);
  PtrArray linked, part;
  f->GatherLinkedAt(f.v[0], &linked, nullptr, nullptr);
  f->NextVisitStamp();
  f->GatherPartAt(f.v[0], &part, nullptr, nullptr);
  f->NextVisitStamp();
  EXPECT_EQ(linked.count, f->vertices.Length());  // the tube is one piece through its lines
  EXPECT_EQ(part.count, f->vertices.Length());
  MeshFixture two = meshkit::MakeEmptyMesh();
  two.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {-1, 0, 0}, {0, -1, 0}}, {{0, 1, 2}, {3, 4, 5}});
  two.v[0]->JoinRing(two.v[3]);
  PtrArray a, b;
  two->GatherLinkedAt(two.v[0], &a, nullptr, nullptr);
  two->NextVisitStamp();
  two->GatherPartAt(two.v[0], &b, nullptr, nullptr);
  EXPECT_EQ(a.count, 3);
  EXPECT_EQ(b.count, 6);
}

TEST_F(MeshModeling, TwoCubesSplitIntoOnePlusOneAndAMeshWithMorphsStaysWhole) {
  auto m = TwoBoxes();
  ASSERT_EQ(m->faces.Length(), 24);
  PtrArray parts;
  m->SplitIntoParts(parts);
  ASSERT_EQ(parts.count, 1);
  std::unique_ptr<MMeshObj> part(static_cast<MMeshObj*>(parts[0]));
  EXPECT_EQ(m->faces.Length(), 12);
  EXPECT_EQ(part->faces.Length(), 12);
  EXPECT_TRUE(MeshIsValid(*m));
  EXPECT_TRUE(MeshIsValid(*part));

  // With a morph nothing is given up: not the parts, the selection or undo.
  auto morphed = TwoBoxes();
  morphed->CreateMorph();
  morphed->lines.First()->flags |= kLineSelected;
  morphed->SaveEditState();
  morphed->lines.First()->SaveUndo();
  morphed->Checkpoint(true);
  PtrArray none;
  morphed->SplitIntoParts(none);
  EXPECT_EQ(none.count, 0);
  EXPECT_TRUE(morphed->lines.First()->flags & kLineSelected);
  EXPECT_TRUE(morphed->CanStep(0));
}

// ---- lines, fans, diagonals, rings ------------------------------------------------------

TEST_F(MeshModeling, WidthsScaleWithinOneTo255AndBadValuesAreRefused) {
  MeshFixture f = meshkit::MakeTetra();
  struct Case {
    int width;
    double factor;
    int expected;
  } cases[] = {{200, 2, 255}, {1, 0.3, 1}, {0, 5, 0}, {10, 1.5, 15}};
  for (const Case& c : cases) {
    f->SetLineWidthAll(c.width);
    f->ScaleLineWidth(c.factor, true);
    EXPECT_EQ(f.Line(0, 1)->GetWidth(), c.expected) << c.width << " x " << c.factor;
  }
  f->SetLineWidthAll(300);
  EXPECT_EQ(FailState(), kEngFailDeclined);
  EXPECT_EQ(f.Line(0, 1)->GetWidth(), 15);
  EngContext().ClearFailure();
  f->SetLineColourAll({1.5, -0.5, 0.5});
  EXPECT_EQ(f.Line(0, 1)->colourR, 255);
  EXPECT_EQ(f.Line(0, 1)->colourG, 0);
  EXPECT_EQ(f.Line(0, 1)->colourB, 127);
}

TEST_F(MeshModeling, AVertexSharedByTwoFansBecomesARingOfTwo) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 0, 0}, {-1, -1, 0}}, {{0, 1, 2}, {0, 3, 4}});
  f->SplitVertexFans(f.v[0], nullptr);
  EXPECT_EQ(f.v[0]->CountRing(), 2);
  EXPECT_EQ(f.v[0]->lineCount, 2);
  EXPECT_EQ(f.v[0]->ringNext->lineCount, 2);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModeling, CornerToOppositeCornerTurnsOrRevealsAQuadsDiagonal) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  EXPECT_TRUE(f->SwitchQuadDiagonal(f.v[1], f.v[3], true));
  EXPECT_NE(f.Line(0, 2), nullptr);  // a test changes nothing
  EXPECT_TRUE(f->SwitchQuadDiagonal(f.v[1], f.v[3], false));
  EXPECT_EQ(f.Line(0, 2), nullptr);
  ASSERT_NE(f.Line(1, 3), nullptr);
  MeshFixture g = meshkit::MakeQuadPair(true);
  EXPECT_TRUE(g->SwitchQuadDiagonal(g.v[0], g.v[2], false));
  EXPECT_FALSE(g.Line(0, 2)->flags & kLineHiddenDiagonal);
  EXPECT_FALSE(g->SwitchQuadDiagonal(g.v[0], g.v[1], false));
  EXPECT_TRUE(MeshIsValid(*f));
  EXPECT_TRUE(MeshIsValid(*g));
}

TEST_F(MeshModeling, HalfRingsRunFromPlaneToPlane) {
  struct Case {
    int n, vertices;
  } cases[] = {{4, 3}, {5, 4}};
  for (const Case& c : cases) {
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Add({{1, 0, 2}});
    PtrArray vs, ls;
    f->MakeHalfRing(c.n, f.v[0], vs, ls);
    ASSERT_EQ(vs.count, c.vertices);
    EXPECT_EQ(ls.count, c.vertices - 1);
    auto* first = static_cast<MVertex*>(vs[0]);
    auto* last = static_cast<MVertex*>(vs[vs.count - 1]);
    EXPECT_TRUE(first->flags & kVertexOnMirror);
    EXPECT_TRUE(last->flags & kVertexOnMirror);
    EXPECT_EQ(last->position.x, 0);
    EXPECT_NEAR(first->position.y, 1, 1e-12);
    for (int i = 0; i < vs.count; ++i) EXPECT_LE(static_cast<MVertex*>(vs[i])->position.x, 1e-12);
  }
  // A vertex on the axis makes only itself.
  MeshFixture axis = meshkit::MakeEmptyMesh();
  axis.Add({{0, 0, 1}});
  PtrArray vs, ls;
  axis->MakeFullRing(8, axis.v[0], vs, ls);
  EXPECT_EQ(vs.count, 1);
  EXPECT_EQ(ls.count, 0);
}

// ---- a large mesh: the floods and walks keep their own stack -------------------------------

TEST_F(MeshModeling, FloodsAndWalksOverTwoHundredThousandFacesKeepTheirOwnStack) {
  auto m = NewMesh();
  m->MakeSphere({-1, -1, 1}, {1, 1, -1}, 0, 634);
  ASSERT_EQ(FailState(), kEngFailNone);
  const int faceCount = m->faces.Length();
  ASSERT_GE(faceCount, 200000);
  PtrArray vs, ls, fs;
  m->GatherPartAt(m->vertices.First(), &vs, &ls, &fs);
  m->NextVisitStamp();
  EXPECT_EQ(fs.count, faceCount);
  PtrArray seed, grown;
  seed.Add(m->faces.First());
  m->GrowFaceList(fs, grown);
  EXPECT_EQ(grown.count, faceCount);
  m->Checkpoint(true);
  m->FlipPartAt(m->vertices.First());
  PtrArray all = AllFaces(*m);
  EXPECT_TRUE(m->IsFaceSetInverted(all, {0, 5, 0}));
  m->OrientParts(false, {0, 5, 0});
  EXPECT_FALSE(m->IsFaceSetInverted(all, {0, 5, 0}));
  EXPECT_EQ(FailState(), kEngFailNone);
}


// ---- counts, attaching, groups of parts, loose items ---------------------------------------

TEST_F(MeshModeling, TheStatisticsOfOneQuadCountItsVisibleLinesAndNoWholeFace) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  f.v[0]->group = f->AddGroup();
  f.v[0]->flags |= kVertexOnMirror;
  MMeshObj::ElementStats stats;
  f->CountElementStats(stats, false);
  EXPECT_EQ(stats.mirrorVertices, 1);
  EXPECT_EQ(stats.vertices, 4);
  EXPECT_EQ(stats.visibleLines, 4);
  EXPECT_EQ(stats.faces, 2);
  EXPECT_EQ(stats.wholeFaces, 0);
  EXPECT_EQ(stats.groups, 1);
  f->CountElementStats(stats, true);
  EXPECT_EQ(stats.vertices, 0);
}

TEST_F(MeshModeling, AttachingMovesTheOtherMeshInAndKeepsThisMeshsMorphOfAName) {
  MeshFixture f = meshkit::MakeTetra();
  MeshFixture other = meshkit::MakeTetra();
  meshkit::MakeMorph(f, {0}, "smile");
  meshkit::MakeMorph(other, {1, 2}, "smile");
  meshkit::MakeMorph(other, {3}, "wink");
  MMorph* own = f->FindMorph("smile");
  MatrixRecord shift;
  MUtilIdentity(shift);
  shift.m[3][0] = 5;
  PtrArray mine, theirs;
  f->AttachMesh(other.mesh.get(), shift, &mine, &theirs);
  EXPECT_EQ(mine.count, 4);
  EXPECT_EQ(theirs.count, 4);
  EXPECT_TRUE(other->vertices.IsEmpty());
  EXPECT_EQ(f->vertices.Length(), 8);
  EXPECT_EQ(f->faces.Length(), 8);
  EXPECT_EQ(other.v[1]->position.x, 6);
  EXPECT_EQ(f->FindMorph("smile"), own);
  EXPECT_NE(f->FindMorph("wink"), nullptr);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModeling, PartsSharingAGroupTreeStayTogetherWhenAMeshIsSplit) {
  auto m = TwoBoxes();
  MGroup* root = m->AddGroup();
  MGroup* child = m->AddGroup();
  child->parent = root;
  // One vertex of each box in the one tree.
  bool first = false, second = false;
  for (MVertex* v : m->vertices) {
    if (v->position.x < 2 && !first) {
      v->group = root;
      first = true;
    } else if (v->position.x > 2 && !second) {
      v->group = child;
      second = true;
    }
  }
  PtrArray parts;
  m->SplitIntoParts(parts);
  EXPECT_EQ(parts.count, 0);
  EXPECT_EQ(m->faces.Length(), 24);
}

TEST_F(MeshModeling, TheMembersOfAGroupAreThoseOfItsWholeTree) {
  MeshFixture f = meshkit::MakeCube();
  MGroup* root = f->AddGroup();
  MGroup* child = f->AddGroup();
  MGroup* sibling = f->AddGroup();
  child->parent = sibling->parent = root;
  f.v[0]->group = child;
  f.v[1]->group = sibling;
  f.Line(0, 1)->group = child;
  MVertex* lone = f->AddVertex({9, 9, 9});
  lone->group = root;
  PtrArray faces, lines, vertices;
  f->CollectGroupMembers(child, &faces, &lines, &vertices);
  EXPECT_EQ(vertices.count, 2);  // the lone vertex has no line
  EXPECT_EQ(lines.count, 1);
  EXPECT_EQ(faces.count, 0);
  for (MGroup* g : f->groups) EXPECT_EQ(g->workMark, 0);
}

TEST_F(MeshModeling, RemovingLooseItemsTakesDrawnLinesAndVerticesWithoutLines) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  MFace* face = f->faces.First();
  f->AddLineOnFace(f->AddVertex({0.6, 0.2, 0}), f->AddVertex({0.7, 0.2, 0}), nullptr, nullptr, nullptr, nullptr,
                   face);
  f->AddVertex({5, 5, 5});
  f->RemoveUnusedItems();
  EXPECT_EQ(f->vertices.Length(), 4);
  EXPECT_EQ(f->lines.Length(), 5);
  EXPECT_EQ(face->CountFltabs(), 0);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshModeling, EachVertexIsJoinedToItsCopyUnlessTheirRingsAreJoined) {
  MeshFixture f = meshkit::MakeCubeCorners();
  f.v[0]->copy = f.v[6];
  f.v[1]->copy = f.v[2];
  f->AddLineBetween(f.v[1], f.v[2]);
  PtrArray made;
  f->ConnectCopies(made);
  ASSERT_EQ(made.count, 1);
  EXPECT_TRUE(static_cast<MLine*>(made[0])->HasEnd(f.v[0]));
  EXPECT_TRUE(static_cast<MLine*>(made[0])->HasEnd(f.v[6]));
}

TEST_F(MeshModeling, TheStampSpreadsAlongAChainOfDrawnLinesAndMarksTheirFace) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  MFace* face = f->faces.First();
  MVertex* a = f->AddVertex({0.6, 0.1, 0});
  MVertex* b = f->AddVertex({0.7, 0.2, 0});
  MVertex* c = f->AddVertex({0.8, 0.3, 0});
  MLine* first = f->AddLineOnFace(a, b, nullptr, nullptr, nullptr, nullptr, face);
  MLine* second = f->AddLineOnFace(b, c, first, first, nullptr, nullptr, face);
  const int stamp = f->TakeVisitStamp();
  f->StampLinesFrom(a, stamp);
  EXPECT_EQ(first->id, stamp);
  EXPECT_EQ(second->id, stamp);
  EXPECT_EQ(face->id, stamp);
  EXPECT_NE(f->faces.First()->Next()->id, stamp);
}

TEST_F(MeshModeling, DiscardingAPartDeletesItAndLeavesTheRestSound) {
  auto m = TwoBoxes();
  m->Checkpoint(false);
  m->DiscardPartAt(m->vertices.First());
  EXPECT_EQ(m->faces.Length(), 12);
  EXPECT_EQ(m->vertices.Length(), 8);
  for (const MVertex* v : m->vertices) EXPECT_GT(v->position.x, 2);
  EXPECT_TRUE(MeshIsValid(*m));
}

}  // namespace
