// Splitting a face along lines drawn on it: loops and their classes,
// islands bridged to the boundary, crossings, the modes that keep one class
// or both, and the triangulation of each loop checked against an ear
// clipping written here (triangle count and area).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/ModelingTestSupport.h"
#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_face_split_test {

using namespace engine;
using meshkit::MeshFixture;
using namespace modelingtest;

class MeshFaceSplit : public meshkit::MeshTest {};

struct P2 {
  double x, y;
};

double Cross(P2 o, P2 a, P2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

double Area(const std::vector<P2>& polygon) {
  double twice = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const P2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice / 2;
}

// An independent triangulation of a simple counter-clockwise polygon by
// ear clipping: the triangle count and their area.
void EarClip(std::vector<P2> polygon, int& triangles, double& area) {
  triangles = 0;
  area = 0;
  while (polygon.size() > 3) {
    const std::size_t n = polygon.size();
    bool cut = false;
    for (std::size_t i = 0; i < n && !cut; ++i) {
      const P2 a = polygon[(i + n - 1) % n], b = polygon[i], c = polygon[(i + 1) % n];
      if (Cross(a, b, c) <= 0) continue;
      bool empty = true;
      for (std::size_t j = 0; j < n && empty; ++j) {
        const P2 p = polygon[j];
        if (j == i || j == (i + n - 1) % n || j == (i + 1) % n) continue;
        empty = !(Cross(a, b, p) >= 0 && Cross(b, c, p) >= 0 && Cross(c, a, p) >= 0);
      }
      if (!empty) continue;
      ++triangles;
      area += Cross(a, b, c) / 2;
      polygon.erase(polygon.begin() + static_cast<long>(i));
      cut = true;
    }
    if (!cut) return;
  }
  ++triangles;
  area += Cross(polygon[0], polygon[1], polygon[2]) / 2;
}

// The triangle (0,0,0), (4,0,0), (0,4,0) with texture coordinates x/4,
// y/4, and helpers that draw lines on it as the boolean does: vertices with
// face parameters (or on an edge), each standing for a mesh vertex at its
// place.
struct DrawnFace {
  MeshFixture f = meshkit::MakeEmptyMesh();
  MFace* face = nullptr;

  DrawnFace() {
    f.Add({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}});
    face = f.Face(0, 1, 2);
    meshkit::GiveTexture(f);
    for (MFace* each : f->faces) each->SetUVs(0, 0, 1, 0, 0, 1);
    f->Checkpoint(true);
    f->SaveEditState();
  }
  MVertex* Inner(double x, double y) {
    MVertex* w = f->AddVertex({x, y, 0});
    w->faceS = x / 4;
    w->faceT = y / 4;
    w->mirrorPartner = f->AddVertex({x, y, 0});
    return w;
  }
  MVertex* OnEdge(int a, int b, double x, double y) {
    MLine* edge = f.Line(a, b);
    MVertex* w = Inner(x, y);
    w->lineT = edge->GetParamOfPoint({x, y, 0});
    edge->AddOnLineVertex(w);
    return w;
  }
  // A drawn line whose forward (left) side lies in class `side`.
  MLine* Line(MVertex* a, MVertex* b, int side) {
    MLine *n0 = nullptr, *p0 = nullptr, *n1 = nullptr, *p1 = nullptr;
    a->FindSectorForParams(b, n0, p0);
    b->FindSectorForParams(a, n1, p1);
    MLine* line = f->AddLineOnFace(a, b, n0, p0, p1, n1, face);
    line->pairValue = side;
    return line;
  }
  int Faces() const { return f->faces.Length(); }
  // Faces whose corners no longer run counter-clockwise, as the old one's did.
  int FacesTurnedOver() const {
    int turned = 0;
    for (const MFace* each : f->faces) {
      MVertex* c[3];
      each->GetVertices(c);
      turned += Cross({c[0]->position.x, c[0]->position.y}, {c[1]->position.x, c[1]->position.y},
                      {c[2]->position.x, c[2]->position.y}) > 0
                    ? 0
                    : 1;
    }
    return turned;
  }
  double AreaOfClass(int cls) const {
    double area = 0;
    for (const MFace* each : f->faces) {
      if (cls != 0 && each->workMark != cls) continue;
      MVertex* c[3];
      each->GetVertices(c);
      area += Cross({c[0]->position.x, c[0]->position.y}, {c[1]->position.x, c[1]->position.y},
                    {c[2]->position.x, c[2]->position.y}) /
              2;
    }
    return area;
  }
};

TEST_F(MeshFaceSplit, AFaceWithoutDrawnLinesIsLeftAlone) {
  DrawnFace d;
  EXPECT_EQ(d.f->SplitFaceByLines(d.face, 1), 0);
  EXPECT_EQ(d.Faces(), 1);
}

TEST_F(MeshFaceSplit, ACurveFromEdgeToEdgeCutsACornerOffAndEachModeKeepsItsClass) {
  struct Case {
    int mode;
    int faces;
    double area;
  };
  // The corner triangle (0,0), (2,0), (0,2) lies left of the line from
  // (2,0) to (0,2): class 1, area 2; the rest is class 2, area 6.
  for (Case c : {Case{1, 3, 8}, Case{0, 2, 6}, Case{2, 1, 2}}) {
    SCOPED_TRACE(c.mode);
    DrawnFace d;
    MVertex* x = d.OnEdge(0, 1, 2, 0);
    MVertex* y = d.OnEdge(2, 0, 0, 2);
    MVertex* xStandsFor = x->mirrorPartner;
    MVertex* yStandsFor = y->mirrorPartner;
    d.Line(x, y, 1);
    EXPECT_EQ(d.f->SplitFaceByLines(d.face, c.mode), 1);
    ASSERT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(d.Faces(), c.faces);
    EXPECT_NEAR(d.AreaOfClass(0), c.area, 1e-12);
    if (c.mode == 1) {
      EXPECT_NEAR(d.AreaOfClass(1), 2, 1e-12);
      EXPECT_NEAR(d.AreaOfClass(2), 6, 1e-12);
    }
    EXPECT_TRUE(meshkit::MeshIsValid(*d.f, 0));
    // The drawn line's attributes went to the edge between the vertices it
    // stood for.
    MLine* cut = xStandsFor->FindLine(yStandsFor);
    ASSERT_NE(cut, nullptr);
    EXPECT_TRUE(cut->flags & 0x08);
  }
}

TEST_F(MeshFaceSplit, EachLoopIsTriangulatedLikeAnIndependentEarClipping) {
  struct Case {
    const char* name;
    std::vector<P2> curve;  // from a point on edge 0-1 to one on edge 2-0
  };
  const Case cases[] = {
      {"a straight cut", {{2, 0}, {0, 2}}},
      {"a convex bend", {{3, 0}, {1.2, 1.2}, {0, 3}}},
      {"a concave bend with a reflex corner", {{3, 0}, {0.6, 0.6}, {1.9, 1.5}, {0, 3}}},
      {"a zig-zag", {{3.5, 0}, {0.5, 0.4}, {2.6, 0.9}, {0.4, 1.5}, {1.5, 2.2}, {0, 3.5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DrawnFace d;
    std::vector<MVertex*> chain;
    chain.push_back(d.OnEdge(0, 1, c.curve.front().x, 0));
    for (std::size_t i = 1; i + 1 < c.curve.size(); ++i) chain.push_back(d.Inner(c.curve[i].x, c.curve[i].y));
    chain.push_back(d.OnEdge(2, 0, 0, c.curve.back().y));
    for (std::size_t i = 0; i + 1 < chain.size(); ++i) d.Line(chain[i], chain[i + 1], 1);
    ASSERT_EQ(d.f->SplitFaceByLines(d.face, 1), 1);
    ASSERT_EQ(FailState(), kEngFailNone);
    // The two loops as polygons, counter-clockwise: the corner piece from
    // the origin, and the rest.
    std::vector<P2> corner{{0, 0}}, rest{{4, 0}, {0, 4}};
    for (const P2& p : c.curve) corner.push_back(p);
    for (auto it = c.curve.rbegin(); it != c.curve.rend(); ++it) rest.push_back(*it);
    int cornerTriangles = 0, restTriangles = 0;
    double cornerArea = 0, restArea = 0;
    EarClip(corner, cornerTriangles, cornerArea);
    EarClip(rest, restTriangles, restArea);
    EXPECT_NEAR(cornerArea, Area(corner), 1e-12) << "the reference itself";
    int classOne = 0, classTwo = 0;
    for (const MFace* face : d.f->faces) (face->workMark == 1 ? classOne : classTwo)++;
    EXPECT_EQ(classOne, cornerTriangles);
    EXPECT_EQ(classTwo, restTriangles);
    EXPECT_NEAR(d.AreaOfClass(1), cornerArea, 1e-9);
    EXPECT_NEAR(d.AreaOfClass(2), restArea, 1e-9);
    EXPECT_EQ(d.FacesTurnedOver(), 0) << "every new face keeps the old face's side";
    EXPECT_TRUE(meshkit::MeshIsValid(*d.f, 0));
  }
}

TEST_F(MeshFaceSplit, AClosedCurveInsideIsBridgedToTheBoundaryAndGivesTwoLoops) {
  DrawnFace d;
  MVertex* a = d.Inner(1, 1);
  MVertex* b = d.Inner(2, 1);
  MVertex* c = d.Inner(1, 2);
  // Counter-clockwise: the inside of the curve lies left, class 1.
  d.Line(a, b, 1);
  d.Line(b, c, 1);
  d.Line(c, a, 1);
  ASSERT_EQ(d.f->SplitFaceByLines(d.face, 1), 1);
  ASSERT_EQ(FailState(), kEngFailNone);
  // The ring is one polygon of 3 + 3 corners and the bridge walked twice:
  // 8 corners, 6 triangles; the inside one triangle.
  int inside = 0, ring = 0;
  for (const MFace* face : d.f->faces) (face->workMark == 1 ? inside : ring)++;
  EXPECT_EQ(inside, 1);
  EXPECT_EQ(ring, 6);
  EXPECT_NEAR(d.AreaOfClass(1), 0.5, 1e-12);
  EXPECT_NEAR(d.AreaOfClass(2), 7.5, 1e-12);
  EXPECT_TRUE(meshkit::MeshIsValid(*d.f, 0));
}

TEST_F(MeshFaceSplit, HolesOfEveryShapeAreTriangulatedLikeTheReference) {
  // A closed curve inside the face, counter-clockwise: the inside is ear
  // clipped by the reference; the ring round it is one polygon with a hole,
  // which any triangulation cuts into n + 2h - 2 triangles (n corners in
  // all, h = 1 hole) covering the face less the hole.
  struct Case {
    const char* name;
    std::vector<P2> hole;
  };
  const Case cases[] = {
      {"a triangle", {{1, 1}, {2, 1}, {1, 2}}},
      {"a square", {{1, 0.5}, {2, 0.5}, {2, 1.5}, {1, 1.5}}},
      {"a concave quadrilateral", {{0.5, 0.5}, {2.5, 0.5}, {1.2, 1.0}, {0.5, 2.5}}},
      {"an L", {{0.5, 0.5}, {2, 0.5}, {2, 1}, {1, 1}, {1, 2}, {0.5, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DrawnFace d;
    std::vector<MVertex*> ring;
    for (const P2& p : c.hole) ring.push_back(d.Inner(p.x, p.y));
    for (std::size_t i = 0; i < ring.size(); ++i) d.Line(ring[i], ring[(i + 1) % ring.size()], 1);
    ASSERT_EQ(d.f->SplitFaceByLines(d.face, 1), 1);
    ASSERT_EQ(FailState(), kEngFailNone);
    int insideTriangles = 0;
    double insideArea = 0;
    EarClip(c.hole, insideTriangles, insideArea);
    ASSERT_NEAR(insideArea, Area(c.hole), 1e-12) << "the reference itself";
    int inside = 0, around = 0;
    for (const MFace* face : d.f->faces) (face->workMark == 1 ? inside : around)++;
    EXPECT_EQ(inside, insideTriangles);
    EXPECT_EQ(around, static_cast<int>(3 + c.hole.size()) + 2 - 2);
    EXPECT_NEAR(d.AreaOfClass(1), insideArea, 1e-9);
    EXPECT_NEAR(d.AreaOfClass(2), 8 - insideArea, 1e-9);
    EXPECT_EQ(d.FacesTurnedOver(), 0) << "every new face keeps the old face's side";
    EXPECT_TRUE(meshkit::MeshIsValid(*d.f, 0));
  }
}

TEST_F(MeshFaceSplit, CrossingCurvesMeetAtANewVertexOnBoth) {
  DrawnFace d;
  MVertex* bottom = d.OnEdge(0, 1, 1, 0);
  MVertex* slope = d.OnEdge(1, 2, 1, 3);
  MVertex* left = d.OnEdge(2, 0, 0, 1);
  MVertex* slope2 = d.OnEdge(1, 2, 3, 1);
  d.Line(bottom, slope, 1);
  d.Line(left, slope2, 2);
  PtrArray crossings;
  ASSERT_FALSE(d.f->IntersectAttachedLines(d.face, false, &crossings)) << "no nudge needed";
  ASSERT_EQ(crossings.count, 1);
  MVertex* q = static_cast<MVertex*>(crossings[0]);
  EXPECT_NEAR(q->position.x, 1, 1e-12);
  EXPECT_NEAR(q->position.y, 1, 1e-12);
  EXPECT_EQ(q->CountLines(), 4);
  ASSERT_NE(q->mirrorPartner, nullptr);
  ASSERT_EQ(d.f->SplitFaceByLines(d.face, 5), 1);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_NEAR(d.AreaOfClass(0), 8, 1e-12);
  EXPECT_TRUE(meshkit::MeshIsValid(*d.f, 0));
}

TEST_F(MeshFaceSplit, NewFacesInterpolateTheOldFacesTextureCoordinates) {
  DrawnFace d;
  MVertex* x = d.OnEdge(0, 1, 3, 0);
  MVertex* m = d.Inner(1, 1);
  MVertex* y = d.OnEdge(2, 0, 0, 3);
  d.Line(x, m, 1);
  d.Line(m, y, 1);
  ASSERT_EQ(d.f->SplitFaceByLines(d.face, 1), 1);
  for (const MFace* face : d.f->faces) {
    ASSERT_NE(face->uv, nullptr);
    MVertex* c[3];
    face->GetVertices(c);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(face->uv->corner[k].u, c[k]->position.x / 4, 1e-12);
      EXPECT_NEAR(face->uv->corner[k].v, c[k]->position.y / 4, 1e-12);
    }
  }
}

TEST_F(MeshFaceSplit, AClassSpreadsToTheNeighbourAcrossAnUncutEdgeAndIntoTheStoredList) {
  // A second face beyond edge 1-2 carries no lines: it takes the class of
  // the loop along that edge.
  DrawnFace d;
  MVertex* far = d.f.Vertex(4, 4, 0);
  d.f->Checkpoint(true);
  MFace* neighbour = d.f->AddFace(d.f.v[2], d.f.v[1], far, d.f.shader);
  ASSERT_NE(neighbour, nullptr);
  d.f->Checkpoint(true);
  d.f->PrepareLineSplit();
  MVertex* x = d.OnEdge(0, 1, 2, 0);
  MVertex* y = d.OnEdge(2, 0, 0, 2);
  d.Line(x, y, 2);  // the corner piece outside, the rest inside
  ASSERT_EQ(d.f->SplitFaceByLines(d.face, 1), 1);
  EXPECT_EQ(neighbour->workMark, 1);
  bool listed = false;
  for (int i = 0; i < d.f->workList->count; ++i) listed = listed || (*d.f->workList)[i] == neighbour;
  EXPECT_TRUE(listed);
  d.f->TidyAfterSplit();
  EXPECT_EQ(d.f->workList, nullptr);
  EXPECT_EQ(CountLinesWith(*d.f, 0x04) + CountLinesWith(*d.f, 0x08), 0);
}

TEST_F(MeshFaceSplit, ALoopOfBothClassesWhereTheModeForbidsItFailsWithReasonSeven) {
  DrawnFace d;
  MVertex* x = d.OnEdge(0, 1, 2, 0);
  MVertex* m = d.Inner(1, 1);
  MVertex* y = d.OnEdge(2, 0, 0, 2);
  d.Line(x, m, 1);
  d.Line(m, y, 2);  // the side codes disagree along one curve
  EXPECT_EQ(d.f->SplitFaceByLines(d.face, 0), -1);
  EXPECT_EQ(FailState(), kEngFailFailed);
  EXPECT_EQ(FailReason(), 7);
}

TEST_F(MeshFaceSplit, TheSplitIsOneUndoableStep) {
  std::unique_ptr<DrawnFace> d;
  auto make = [&]() -> MMeshObj& {
    d = std::make_unique<DrawnFace>();
    MVertex* a = d->Inner(1, 1);
    MVertex* b = d->Inner(2, 1);
    MVertex* c = d->Inner(1, 2);
    d->Line(a, b, 1);
    d->Line(b, c, 1);
    d->Line(c, a, 1);
    return *d->f;
  };
  EXPECT_TRUE(meshkit::UndoRoundTrip(make(), [&](MMeshObj& m) { m.SplitFaceByLines(d->face, 1); }, 0));
  EXPECT_TRUE(meshkit::UndoRestoresAfterAllocationFailures(
      make, [&](MMeshObj& m) { m.SplitFaceByLines(d->face, 1); }, 0));
}

}  // namespace mesh_face_split_test
