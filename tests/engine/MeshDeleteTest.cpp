// Deleting the selected faces and listed elements, filling loops of
// selected border lines, crease flags and weights, and hiding elements.
#include <gtest/gtest.h>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_delete_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshDelete : public meshkit::MeshTest {};

int Faces(const MMeshObj& m) {
  int v, l, f, d;
  m.CountElements(v, l, f, d);
  return f;
}

bool Border(const MLine* line) { return (line->forwardFace == nullptr) != (line->backwardFace == nullptr); }

TEST_F(MeshDelete, DeletingTheTopQuadOfACubeRemovesItsDiagonalAndLeavesFourBorderEdges) {
  MeshFixture f = meshkit::MakeCube(true);
  meshkit::SelectVertices(f, {4, 5, 6, 7});
  f->Checkpoint(true);
  f->SaveEditState();
  f->RemoveSelectedFaces();
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Faces(*f), 10);
  EXPECT_EQ(f.Line(4, 6), nullptr) << "the diagonal between two deleted faces";
  int border = 0;
  for (const MLine* line : f->lines) border += Border(line);
  EXPECT_EQ(border, 4);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
}

TEST_F(MeshDelete, DeletingAListedQuadEdgeTakesTheQuadBesideItAndItsDiagonal) {
  // Two quads side by side: 0-1-4-3 and 1-2-5-4, diagonals hidden.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
        {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}});
  f.Line(0, 4)->flags |= kLineHiddenDiagonal;
  f.Line(1, 5)->flags |= kLineHiddenDiagonal;
  f->Checkpoint(true);
  PtrArray lines;
  lines.Add(f.Line(0, 3));
  f->DeleteLists(nullptr, &lines, nullptr);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Faces(*f), 2);
  EXPECT_EQ(f.Line(0, 3), nullptr);
  EXPECT_EQ(f.Line(0, 4), nullptr) << "the quad's diagonal";
  ASSERT_NE(f.Line(1, 4), nullptr);
  EXPECT_TRUE(Border(f.Line(1, 4)));
  EXPECT_TRUE(meshkit::MeshIsValid(*f, 0));
}

TEST_F(MeshDelete, AListedHiddenDiagonalGoesWithItsQuadOnce) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  f->Checkpoint(true);
  PtrArray lines;
  lines.Add(f.Line(0, 2));
  f->DeleteLists(nullptr, &lines, nullptr);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_EQ(Faces(*f), 0);
  EXPECT_TRUE(meshkit::MeshIsValid(*f, 0));
}

TEST_F(MeshDelete, AVertexBetweenTwoFreeLinesIsDissolvedIntoOneLine) {
  MeshFixture f = FreeLoop({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}});
  PtrArray vertices;
  vertices.Add(f.v[1]);
  f->DeleteLists(nullptr, nullptr, &vertices);
  ASSERT_EQ(FailState(), kEngFailNone);
  int v, l, faces, d;
  f->CountElements(v, l, faces, d);
  EXPECT_EQ(l, 3);
}

TEST_F(MeshDelete, ClosedChainsOfSelectedBorderLinesAreFilledAndOthersAreNot) {
  struct Case {
    const char* name;
    bool close;
    bool onMirror;
    int faces;
  };
  const Case cases[] = {
      {"a closed square", true, false, 2},
      {"an open chain", false, false, 0},
      {"a closed square touching the mirror plane", true, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = meshkit::MakeEmptyMesh();
    f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    for (int k = 0; k < (c.close ? 4 : 3); ++k) f->AddLineBetween(f.v[k], f.v[(k + 1) % 4]);
    if (c.onMirror) f.v[0]->flags |= kVertexOnMirror;
    meshkit::SelectVertices(f, {0, 1, 2, 3});
    f->Checkpoint(true);
    f->FillSelectedLoops();
    EXPECT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(Faces(*f), c.faces);
    EXPECT_TRUE(meshkit::MeshIsValid(*f, 0));
  }
}

TEST_F(MeshDelete, AHoleTheFillCannotTakeIsLeftOpenAndSaysSoInsteadOfEndingTheProgram) {
  // Two triangular holes meeting at one vertex: a border walk round both
  // passes vertex 0 twice.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 0, 0}, {-1, -1, 0}});
  for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 0}, {0, 3}, {3, 4}, {4, 0}}) f->AddLineBetween(f.v[a], f.v[b]);
  // A chord across a square: the square's loop has a line joining two of
  // its vertices.
  meshkit::SelectVertices(f, {0, 1, 2, 3, 4});
  f->Checkpoint(true);
  const bool fatal = EndsInFatalExit([&] { f->FillSelectedLoops(); });
  EXPECT_FALSE(fatal);
  EXPECT_TRUE(meshkit::MeshIsValid(*f, 0));

  // A square of selected free lines with an unselected chord 0-2: walked
  // one way round the chain meets the chord and stops; the other way it
  // closes on a loop that the chord crosses, which the fill cannot take.
  int refused = 0;
  for (bool reversed : {false, true}) {
    MeshFixture chord = meshkit::MakeEmptyMesh();
    chord.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    for (int k = 0; k < 4; ++k)
      reversed ? chord->AddLineBetween(chord.v[(k + 1) % 4], chord.v[k])
               : chord->AddLineBetween(chord.v[k], chord.v[(k + 1) % 4]);
    chord->AddLineBetween(chord.v[0], chord.v[2]);
    for (int k = 0; k < 4; ++k) {
      chord.v[k]->flags |= kVertexSelected;
      chord.Line(k, (k + 1) % 4)->flags |= kLineSelected;
    }
    chord->InvalidateSelectionCache();
    chord->Checkpoint(true);
    EXPECT_FALSE(EndsInFatalExit([&] { chord->FillSelectedLoops(); }));
    if (FailState() == kEngFailDeclined) ++refused;
    EngContext().ClearFailure();
    EXPECT_EQ(Faces(*chord), 0);
    EXPECT_TRUE(meshkit::MeshIsValid(*chord, 0));
  }
  EXPECT_EQ(refused, 1);
}

TEST_F(MeshDelete, CreaseClearingKeepsAnExemptSharpFlagButZeroesEveryWeight) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  MLine* exempt = f.Line(0, 1);
  exempt->flags |= kLineSharp | kLineNotSharp;
  exempt->SetCreaseWeight(100);
  f.v[0]->SetCreaseWeight(80);
  f.v[0]->flags |= kVertexFullCrease;
  MLine* sharp = f.Line(1, 2);
  sharp->flags |= kLineSharp;
  f->Checkpoint(true);
  f->ClearUnpairedCreaseBits();
  EXPECT_TRUE(exempt->flags & kLineSharp);
  EXPECT_EQ(exempt->flags & kLineCreaseMask, 0u);
  EXPECT_FALSE(sharp->flags & kLineSharp);
  EXPECT_EQ(f.v[0]->GetCreaseWeight(), 0);

  f->SetCreaseBitAll();
  for (const MLine* line : f->lines) EXPECT_TRUE(line->flags & kLineSharp);
  MeshFixture q = meshkit::MakeQuadPair(true);
  q->SetCreaseBitAll();
  EXPECT_FALSE(q.Line(0, 2)->flags & kLineSharp) << "a hidden diagonal never becomes a crease";
}

TEST_F(MeshDelete, HidingTheSelectionsLinesKeepsEndsThatVisibleLinesUse) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  meshkit::SelectVertices(f, {0, 1});
  f->InvalidateSelectionCache();
  f->Checkpoint(true);
  f->SetHideFlagSelected(1);
  EXPECT_TRUE(f.Line(0, 1)->flags & kLineHidden);
  EXPECT_FALSE(f.v[0]->flags & kVertexHidden) << "line 0-2 still shows vertex 0";
  for (const MFace* face : f->faces) EXPECT_FALSE(face->flags & kFaceHidden);

  f->SetHideFlagSelected(2);
  EXPECT_TRUE(f.v[2]->flags & kVertexHidden);
  EXPECT_TRUE(f.v[3]->flags & kVertexHidden);
  for (const MFace* face : f->faces) EXPECT_TRUE(face->flags & kFaceHidden);
  f->ClearHideFlagAll();
  for (const MLine* line : f->lines) EXPECT_FALSE(line->flags & kLineHidden);
  for (const MVertex* v : f->vertices) EXPECT_FALSE(v->flags & kVertexHidden);
  f->SetHideFlagAll(true);
  for (const MFace* face : f->faces) EXPECT_FALSE(face->flags & kFaceHidden);
  for (const MVertex* v : f->vertices) EXPECT_TRUE(v->flags & kVertexHidden);
}

}  // namespace mesh_delete_test
