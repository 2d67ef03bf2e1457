// Winged-edge lines: splitting, removal, reversal, merging of parallel
// lines, segment crossings in the face-parameter plane, curves and the
// attribute words.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using meshkit::MeshTest;

using LineTest = MeshTest;

// A free line a-b along the parameter plane's s axis, and a vertex q at its
// middle, with `spokes` free lines from q to the given parameter points.
struct SplitScene {
  MeshFixture f = meshkit::MakeEmptyMesh();
  MVertex* a;
  MVertex* b;
  MVertex* q;
  MLine* p;

  explicit SplitScene(std::initializer_list<std::pair<double, double>> spokes) {
    a = Param(0, 0);
    b = Param(1, 0);
    q = Param(0.5, 0);
    p = f->AddLine(a, b, nullptr, nullptr, nullptr, nullptr);
    for (auto [s, t] : spokes) {
      MVertex* end = Param(s, t);
      MLine* next = nullptr;
      MLine* prev = nullptr;
      q->FindSectorForParams(end, next, prev);
      f->AddLine(q, end, next, prev, nullptr, nullptr);
    }
  }
  MVertex* Param(double s, double t) {
    MVertex* v = f.Vertex(s, t, 0);
    v->faceS = s;
    v->faceT = t;
    return v;
  }
};

TEST_F(LineTest, SplittingALineAtAVertexPutsEachHalfInItsOwnSectorThere) {
  const struct {
    const char* name;
    std::initializer_list<std::pair<double, double>> spokes;
  } cases[] = {{"a lone vertex", {}}, {"a vertex with lines up and down", {{0.5, 1}, {0.5, -1}}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SplitScene scene(c.spokes);
    const int linesBefore = scene.f->lines.Length();
    MLine* n = scene.f->SplitLineAtVertex(scene.q, scene.p);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(scene.f->lines.Length(), linesBefore + 1);
    EXPECT_EQ(scene.p->end0, scene.a);
    EXPECT_EQ(scene.p->end1, scene.q);
    EXPECT_EQ(n->end0, scene.q);
    EXPECT_EQ(n->end1, scene.b);
    EXPECT_EQ(scene.b->firstLine, n);
    EXPECT_EQ(scene.q->lineCount, 2 + static_cast<int>(c.spokes.size()));
    EXPECT_EQ(scene.p->GetWidth(), n->GetWidth());
    EXPECT_TRUE(MeshIsValid(*scene.f));
    // Counter-clockwise around q in the parameter plane: east, up, west, down.
    MLine* east = n;
    MLine* west = scene.p;
    if (c.spokes.size() == 2) {
      EXPECT_EQ(east->GetNextAround(scene.q)->OtherEnd(scene.q)->faceT, 1.0);
      EXPECT_EQ(west->GetNextAround(scene.q)->OtherEnd(scene.q)->faceT, -1.0);
    } else {
      EXPECT_EQ(east->GetNextAround(scene.q), west);
    }
  }
}

TEST_F(LineTest, ASplitThatWouldCrossItselfIsATopologyConflictThatChangesNothing) {
  // Both halves would leave q in the one wide sector below its two lines.
  SplitScene scene({{0.4, 1}, {0.6, 1}});
  const std::string before = meshkit::DumpMesh(*scene.f);
  EXPECT_EQ(scene.f->SplitLineAtVertex(scene.q, scene.p), nullptr);
  EXPECT_EQ(FailState(), kEngFailFailed);
  EXPECT_EQ(FailReason(), kEngReasonTopologyConflict);
  EngContext().ClearFailure();
  EXPECT_EQ(meshkit::DumpMesh(*scene.f), before);
  EXPECT_TRUE(MeshIsValid(*scene.f));
}

TEST_F(LineTest, LineIntersect2DAnswersPerMode) {
  // a-b runs from (0,0) to (2,0). Expected per mode 0, 1, 2: 1 crosses,
  // 0 misses, -1 refused (soft failure, reason 7).
  const struct {
    const char* name;
    Point2D p, q;
    int expected[3];
    double s;
  } cases[] = {
      {"crossing in both middles", {1, -1}, {1, 1}, {1, 1, 1}, 0.5},
      {"starting at an end of a-b", {0, 0}, {0, 1}, {1, -1, 1}, 0},
      {"touching the middle of a-b", {1, 0}, {1, 1}, {1, -1, 1}, 0.5},
      {"crossing a-b's line beyond b", {4, -1}, {2, 1}, {0, 0, 0}, 0},
      {"parallel apart", {0, 1}, {2, 1}, {0, 0, 0}, 0},
      {"overlapping on one line", {1, 0}, {3, 0}, {0, -1, -1}, 0},
      {"beside the box", {3, -1}, {3, 1}, {0, 0, 0}, 0},
  };
  for (const auto& c : cases) {
    for (int mode = 0; mode < 3; ++mode) {
      SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(mode));
      EngContext().ClearFailure();
      double s = -7;
      const bool crossed = LineIntersect2D({0, 0}, {2, 0}, c.p, c.q, mode, s);
      const int expected = c.expected[mode];
      EXPECT_EQ(crossed, expected == 1);
      if (expected == 1) {
        EXPECT_DOUBLE_EQ(s, c.s);
      }
      EXPECT_EQ(FailState(), expected == -1 ? kEngFailDeclined : kEngFailNone);
      if (expected == -1) {
        EXPECT_EQ(FailReason(), kEngReasonDegenerateIntersection);
      }
    }
  }
}

TEST_F(LineTest, CrossingsInTheFaceParameterPlaneGiveTheirParametersAndPoint) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  // Parameters (s, t) and positions differ on purpose: the point comes from
  // the positions, the parameters from the parameters.
  const double params[4][2] = {{0, 0.5}, {1, 0.5}, {0.25, 0}, {0.25, 1}};
  for (int i = 0; i < 4; ++i) {
    MVertex* v = f.Vertex(10 * i, 0, 0);
    v->faceS = params[i][0];
    v->faceT = params[i][1];
  }
  MLine* across = f->AddLine(f.v[0], f.v[1], nullptr, nullptr, nullptr, nullptr);
  MLine* up = f->AddLine(f.v[2], f.v[3], nullptr, nullptr, nullptr, nullptr);
  double s = 0, t = 0;
  PointRecord point{};
  ASSERT_TRUE(up->IntersectInFaceParams(across, 0, s, t, point));
  EXPECT_EQ(s, 0.25);
  EXPECT_EQ(t, 0.5);
  EXPECT_EQ(point.x, 2.5);  // a quarter of the way along `across`
  MLine* sharing = f->AddLine(f.v[1], f.v[2], across, across, up, up);
  EXPECT_FALSE(sharing->IntersectInFaceParams(across, 0, s, t, point));
}

TEST_F(LineTest, CoincidentLinesJoinTheSameTwoRingsOfCoincidentVertices) {
  // The tube's seam: line 0-5 has its double in line 4-9 (4 and 9 stand
  // where 0 and 5 stand, in their rings).
  MeshFixture tube = meshkit::MakeSeamTube(4, 1);
  MLine* seam = tube.Line(0, 5);
  MLine* twin = tube.Line(4, 9);
  ASSERT_NE(twin, nullptr);
  EXPECT_TRUE(seam->HasCoincidentLine());
  EXPECT_EQ(seam->CountCoincidentLines(), 2);
  EXPECT_EQ(seam->TestCoincidentLines(), 1);
  PtrArray found;
  EXPECT_EQ(seam->CollectCoincidentLines(found), 1);
  ASSERT_EQ(found.count, 2);
  EXPECT_EQ(found[0], seam);
  EXPECT_EQ(found[1], twin);
  EXPECT_TRUE(seam->BordersFace(twin->forwardFace != nullptr ? twin->forwardFace : twin->backwardFace));
  seam->GatherCoincidentLines(nullptr, true, false);
  EXPECT_TRUE(twin->flags & kLineSelected);
  seam->SetIdOnCoincidentLines(77);
  EXPECT_EQ(twin->id, 77);
  PtrArray once;
  twin->CollectCoincidentLinesOnce(77, once);
  EXPECT_EQ(once.count, 0);
  // A line away from the seam has none; a line inside one ring is its own case.
  MLine* plain = tube.Line(1, 6);
  EXPECT_FALSE(plain->HasCoincidentLine());
  EXPECT_EQ(plain->CountCoincidentLines(), 1);
  EXPECT_EQ(plain->TestCoincidentLines(), 0);
  MLine* inRing = tube->AddLine(tube.v[0], tube.v[4], nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(inRing->TestCoincidentLines(), 2);
  EXPECT_FALSE(inRing->HasCoincidentLine());
}

TEST_F(LineTest, ChainsOfFreeLinesAreJoinedAndSplitAtAVertex) {
  // a-b and c-d: joining them at b makes c-d start at b, and c goes.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  MLine* ab = f->AddLine(f.v[0], f.v[1], nullptr, nullptr, nullptr, nullptr);
  MLine* cd = f->AddLine(f.v[2], f.v[3], nullptr, nullptr, nullptr, nullptr);
  ab->ConnectAtVertex(f.v[1], f.v[2], cd);
  EXPECT_EQ(cd->end0, f.v[1]);
  EXPECT_FALSE(MItemIsLive(f.v[2]));
  EXPECT_EQ(f.v[1]->lineCount, 2);
  EXPECT_TRUE(MeshIsValid(*f));
  // Splitting b again gives cd a vertex of its own at b's place.
  MVertex* split = ab->SplitSharedVertex(cd);
  ASSERT_NE(split, nullptr);
  EXPECT_EQ(split->position.x, 1.0);
  EXPECT_EQ(cd->end0, split);
  EXPECT_EQ(f.v[1]->lineCount, 1);
  EXPECT_EQ(ab->GetNextAround(f.v[1]), ab);
  EXPECT_EQ(split->holder, nullptr);  // the caller links it
  split->holder = &f->removedVertices;
  f->vertices.Add(split);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(LineTest, RemovingAFreeLineLetsItsEndsGoByMode) {
  const struct {
    int mode;
    bool loneEndRemoved;
    bool partnerRemoved;
  } cases[] = {{0, true, false}, {1, false, false}, {2, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    MeshFixture f = meshkit::MakeEmptyMesh();
    MVertex* a = f.Vertex(0, 0, 0);
    MVertex* b = f.Vertex(1, 0, 0);
    MVertex* other = f.Vertex(2, 0, 0);
    MVertex* partner = f.Vertex(-1, 0, 0);
    a->mirrorPartner = partner;
    partner->mirrorPartner = a;
    MLine* line = f->AddLine(a, b, nullptr, nullptr, nullptr, nullptr);
    MLine* kept = f->AddLine(b, other, nullptr, nullptr, nullptr, nullptr);
    line->Remove(c.mode);
    EXPECT_EQ(line->state, kItemCreatedRemoved);
    EXPECT_EQ(MItemIsLive(a), !c.loneEndRemoved);
    EXPECT_EQ(MItemIsLive(partner), !c.partnerRemoved);
    EXPECT_EQ(a->lineCount, 0);
    if (!c.loneEndRemoved) {
      EXPECT_EQ(a->firstLine, nullptr);
    }
    // The end with another line keeps it, alone in its cycle.
    EXPECT_TRUE(MItemIsLive(b));
    EXPECT_EQ(b->lineCount, 1);
    EXPECT_EQ(b->firstLine, kept);
    EXPECT_EQ(kept->GetNextAround(b), kept);
    // Removing a vertex leaves its partner's link for the undo to restore.
    if (!MItemIsLive(a) && MItemIsLive(partner)) partner->mirrorPartner = nullptr;
    EXPECT_TRUE(MeshIsValid(*f, 0));
  }
}

TEST_F(LineTest, ReversingKeepsTheTopologyAndTwiceRestoresEveryField) {
  MeshFixture cube = meshkit::MakeCube();
  const std::string before = meshkit::DumpMesh(*cube);
  MLine* line = cube.Line(0, 2);
  MVertex* const formerEnd1 = line->end1;
  line->Reverse();
  EXPECT_EQ(line->end0, formerEnd1);
  EXPECT_TRUE(MeshIsValid(*cube));
  EXPECT_NE(meshkit::DumpMesh(*cube), before);
  line->Reverse();
  EXPECT_EQ(meshkit::DumpMesh(*cube), before);
}

// Face F1 = a-b-c above its line L1 (a to b); a parallel line L2 from a to
// b just below L1, with the sliver between them empty; face F2 = b-a-d
// below L2.         c
//                 /   \         (the sliver is drawn open; a and b are
//                a--L1--b        shared by both lines)
//                 `-L2-'
//                 \   /
//                   d
TEST_F(LineTest, AbsorbParallelTakesTheFaceBeyondTheOtherLineAndRemovesIt) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  MVertex* a = f.Vertex(0, 0, 0);
  MVertex* b = f.Vertex(1, 0, 0);
  f.Vertex(0.5, 1, 0);
  f.Vertex(0.5, -1, 0);
  f.Face(0, 1, 2);
  MLine* l1 = f.Line(0, 1);
  MLine* l2 = f->AddLine(a, b, l1, f.Line(0, 2), l1, f.Line(1, 2));
  MFace* f2 = f.Face(1, 0, 3);
  ASSERT_NE(f2, nullptr);
  ASSERT_EQ(l2->backwardFace, f2);
  ASSERT_TRUE(MeshIsValid(*f, 0));
  EXPECT_FALSE(MeshIsValid(*f, 1));  // the parallel line
  EXPECT_EQ(l1->FindParallel(), l2);

  EXPECT_TRUE(EndsInFatalExit([&] { l1->AbsorbParallel(f.Line(1, 2)); }));
  ASSERT_TRUE(l1->AbsorbParallel(l2));
  EXPECT_FALSE(MItemIsLive(l2));
  EXPECT_EQ(l1->backwardFace, f2);
  EXPECT_EQ(f2->firstLine, l1);
  EXPECT_EQ(l1->FindParallel(), nullptr);
  EXPECT_EQ(f->lines.Length(), 5);
  EXPECT_TRUE(MeshIsValid(*f, 1));
}

TEST_F(LineTest, CurvePointsFollowTheOnlyNeighbourAtEachEnd) {
  // A free chain 0-1-2-3 and a face on 4-5-6.
  MeshFixture f = meshkit::MakeEmptyMesh();
  for (int i = 0; i < 4; ++i) f.Vertex(i, i * i, 0);
  f->AddLine(f.v[0], f.v[1], nullptr, nullptr, nullptr, nullptr);
  f->AddLine(f.v[1], f.v[2], f.Line(0, 1), f.Line(0, 1), nullptr, nullptr);
  f->AddLine(f.v[2], f.v[3], f.Line(1, 2), f.Line(1, 2), nullptr, nullptr);
  bool ok = false;
  PointRecord points[4];
  f.Line(1, 2)->GetCurvePoints(ok, points);
  ASSERT_TRUE(ok);
  const double xs[4] = {0, 1, 2, 3};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(points[i].x, xs[i]);
  // At the chain's end the end itself stands in for the missing neighbour.
  f.Line(0, 1)->GetCurvePoints(ok, points);
  ASSERT_TRUE(ok);
  EXPECT_EQ(points[0].x, 0);
  EXPECT_EQ(points[3].x, 2);
  // Across the mirror plane the curve continues symmetrically.
  f.v[0]->flags |= kVertexOnMirror;
  f.Line(0, 1)->GetCurvePoints(ok, points);
  EXPECT_EQ(points[0].x, -1);
  EXPECT_EQ(points[0].y, 1);
  // A full crease ends the curve there.
  f.v[1]->flags |= kVertexFullCrease;
  f.v[2]->flags |= kVertexFullCrease;
  f.Line(1, 2)->GetCurvePoints(ok, points);
  EXPECT_FALSE(ok);
  f.Vertex(5, 0, 0);
  f.Vertex(6, 0, 0);
  f.Vertex(5, 1, 0);
  f.Face(4, 5, 6);
  f.Line(4, 5)->GetCurvePoints(ok, points);
  EXPECT_FALSE(ok);
}

TEST_F(LineTest, CreaseWeightsKeepEvenValuesAndSharpnessReadsAsFull) {
  const struct {
    int set;
    int read;
  } cases[] = {{0, 0}, {16, 16}, {17, 16}, {100, 100}, {254, 254}, {255, 254}};
  MeshFixture f = meshkit::MakeQuadPair(false);
  MLine* line = f.Line(0, 1);
  MVertex* v = f.v[0];
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    line->SetCreaseWeight(c.set);
    v->SetCreaseWeight(c.set);
    EXPECT_EQ(line->GetCreaseWeight(), c.read);
    EXPECT_EQ(v->GetCreaseWeight(), c.read);
    EXPECT_EQ(line->GetWidth(), 1);  // the width bits are left alone
  }
  line->flags |= kLineSharp;
  EXPECT_EQ(line->GetCreaseWeight(), 255);
  line->flags |= kLineNotSharp;
  EXPECT_EQ(line->GetCreaseWeight(), 254);
  v->flags |= kVertexFullCrease;
  EXPECT_EQ(v->GetCreaseWeight(), 255);
  EXPECT_TRUE(EndsInFatalExit([&] { line->SetCreaseWeight(256); }));
  EXPECT_TRUE(EndsInFatalExit([&] { v->SetCreaseWeight(-1); }));
}

TEST_F(LineTest, GeometryAnswersForShortLongAndFoldedLines) {
  MeshFixture cube = meshkit::MakeCube();
  MLine* edge = cube.Line(0, 1);
  if (edge->end0 != cube.v[0]) edge->Reverse();
  EXPECT_EQ(edge->GetParamOfPoint({0.25, 0, 0}), 0.25);
  EXPECT_EQ(edge->GetParamOfPoint({3, 0, 0}), 1.0);
  PointRecord closest;
  EXPECT_EQ(edge->DistanceToPoint({2, 1, 0}, &closest), std::sqrt(2.0));
  EXPECT_EQ(closest.x, 1.0);
  // A cube edge folds 90 degrees; a side's diagonal lies flat.
  EXPECT_TRUE(edge->IsSharperThan(0, false));
  EXPECT_FALSE(cube.Line(0, 2)->IsSharperThan(0, false));
  EXPECT_TRUE(edge->MarkSharpByAngle(0, false));
  EXPECT_TRUE(edge->IsSharp());
  cube.Line(0, 2)->flags |= kLineHiddenDiagonal;
  EXPECT_FALSE(cube.Line(0, 2)->IsSharperThan(2, true));

  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Vertex(1, 1, 1);
  f.Vertex(1, 1, 1);
  MLine* point = f->AddLine(f.v[0], f.v[1], nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(point->GetParamOfPoint({5, 5, 5}), 0.5);
  double cosine = 0;
  EXPECT_FALSE(point->GetFaceCosine(cosine));
}

}  // namespace
