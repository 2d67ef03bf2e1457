// Mesh picking: projection, the winner rules of point picks, rectangle
// classes and picks, regions, connected parts, the ray cast and the shadow
// frame.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MeshDrawing.h"
#include "meshkit/MeshTestSupport.h"
#include "platform/Image.h"

namespace {

using engine::MatrixRecord;
using engine::PointRecord;
using meshkit::MeshFixture;

// Parallel projection looking down -z: 100 pixels per unit, (0, 0) at pixel
// (200, 200), y up on the model and down on the screen; depth 12 - z.
MatrixRecord Parallel() { return {{{100, 0, 0, 0}, {0, -100, 0, 0}, {0, 0, -1, 0}, {200, 200, 10, 1}}, 1}; }

class MeshPickTest : public meshkit::MeshTest {
 protected:
  // The screen point of model point (x, y) and the ray through it.
  static PointRecord At(double x, double y) { return {200 + 100 * x, 200 - 100 * y, 0}; }
  static PointRecord RayStart(double x, double y) { return {x, y, 10}; }
  static PointRecord RayEnd(double x, double y) { return {x, y, -10}; }

  struct Hit {
    engine::MObject* object = nullptr;
    engine::MVertex* vertex = nullptr;
    engine::MLine* line = nullptr;
    engine::MFace* face = nullptr;
    double depth = -1;
  };
  static Hit PickAt(engine::MMeshObj& mesh, double x, double y, bool wantVertex, bool wantLine, bool wantFace) {
    Hit h;
    h.object = mesh.PickAtPoint(At(x, y), RayStart(x, y), RayEnd(x, y), &h.depth, wantVertex ? &h.vertex : nullptr,
                                wantLine ? &h.line : nullptr, wantFace ? &h.face : nullptr);
    return h;
  }
};

TEST_F(MeshPickTest, ProjectionStoresScreenPointsAndDepths) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->ProjectToScreen(Parallel(), 0);
  EXPECT_DOUBLE_EQ(f.v[2]->screenX, 300);
  EXPECT_DOUBLE_EQ(f.v[2]->screenY, 100);
  EXPECT_DOUBLE_EQ(f.v[2]->screenDepth, 12);
  // Perspective: divided by w; a vertex behind the eye gets depth -1.
  MatrixRecord perspective{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, -1}, {0, 0, 0, 0.5}}, 0};
  f.v[1]->position = {4, 2, -2};
  f.v[3]->position = {0, 1, 1};
  f->ProjectToScreen(perspective, 0);
  EXPECT_DOUBLE_EQ(f.v[1]->screenDepth, 2.5);
  EXPECT_DOUBLE_EQ(f.v[1]->screenX, 4 / 2.5);
  EXPECT_DOUBLE_EQ(f.v[3]->screenDepth, -1);
}

TEST_F(MeshPickTest, PointPicksFollowTheWinnerRules) {
  MeshFixture f = meshkit::MakeQuadPair(false);  // A = 0-1-2, B = 0-2-3 in z = 0
  f->ProjectToScreen(Parallel(), 0);
  engine::MFace* a = f.v[1]->LeavingFace(f.Line(1, 2));
  struct Case {
    const char* what;
    double x, y;
    bool v, l, fc;
    int vertex;          // index into f.v, -1 none
    int lineA, lineB;    // the line's ends, -1 none
    bool faceA;          // the face output holds A
  };
  const Case cases[] = {
      {"inside A, away from its edges: the face", 0.8, 0.3, true, true, true, -1, -1, -1, true},
      {"by a corner of the face: the vertex", 0.97, 0.02, true, true, true, 1, -1, -1, true},
      {"near an edge of the face: the line", 0.7, 0.02, true, true, true, -1, 0, 1, true},
      {"by the shared diagonal: a line of the face", 0.52, 0.5, true, true, true, -1, 0, 2, true},
      {"lines only: the line", 0.7, 0.02, false, true, false, -1, 0, 1, false},
      {"vertices only, within 6 pixels", 1.03, 0.02, true, false, false, 1, -1, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Hit h = PickAt(*f, c.x, c.y, c.v, c.l, c.fc);
    EXPECT_EQ(h.object, f.mesh.get());
    EXPECT_EQ(h.vertex, c.vertex >= 0 ? f.v[c.vertex] : nullptr);
    EXPECT_EQ(h.line, c.lineA >= 0 ? f.Line(c.lineA, c.lineB) : nullptr);
    if (c.faceA) {
      EXPECT_EQ(h.face, a);
    }
  }
  // The face's depth is where the ray meets its plane: halfway along.
  EXPECT_NEAR(PickAt(*f, 0.8, 0.3, true, true, true).depth, 0.5, 1e-12);
  // Far from the mesh nothing is hit.
  EXPECT_EQ(PickAt(*f, 3, 3, true, true, true).object, nullptr);
}

TEST_F(MeshPickTest, NearestPicksFacesOrLinesAndSelectionDecidesByTheFirstGiven) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->ProjectToScreen(Parallel(), 0);
  double t = -1;
  EXPECT_EQ(f->PickNearest(At(0.8, 0.3), RayStart(0.8, 0.3), RayEnd(0.8, 0.3), &t, false), f.mesh.get());
  EXPECT_NEAR(t, 0.5, 1e-12);
  // Lines only: inside a face but far from every line, nothing.
  EXPECT_EQ(f->PickNearest(At(0.8, 0.3), RayStart(0.8, 0.3), RayEnd(0.8, 0.3), &t, true), nullptr);
  EXPECT_EQ(f->PickNearest(At(0.7, 0.02), RayStart(0.7, 0.02), RayEnd(0.7, 0.02), &t, true), f.mesh.get());
  // The first element given decides.
  engine::MFace* a = f.v[1]->LeavingFace(f.Line(1, 2));
  f.Line(0, 1)->flags |= engine::kLineSelected;
  f.Line(1, 2)->flags |= engine::kLineSelected;
  EXPECT_FALSE(f->IsHitSelected(f.v[1], f.Line(0, 1), a));
  EXPECT_TRUE(f->IsHitSelected(nullptr, f.Line(0, 1), nullptr));
  EXPECT_FALSE(f->IsHitSelected(nullptr, nullptr, a));  // the diagonal is not selected
  f.Line(0, 2)->flags |= engine::kLineSelected;
  EXPECT_TRUE(f->IsHitSelected(nullptr, nullptr, a));
  EXPECT_FALSE(f->IsHitSelected(nullptr, nullptr, nullptr));
}

TEST_F(MeshPickTest, AMeshBehindTheEyeIsNeverPickedByPoint) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  for (engine::MVertex* v : f->vertices) v->screenDepth = -1;
  EXPECT_EQ(PickAt(*f, 0.5, 0.3, true, true, true).object, nullptr);
  EXPECT_TRUE(f->MayTouchRect(At(0, 1), At(1, 0)));
  double depth = 0;
  EXPECT_EQ(f->PickFaceInRect(At(0, 1), At(1, 0), RayStart(0, 0), RayEnd(0, 0), &depth, nullptr), nullptr);
}

TEST_F(MeshPickTest, TrianglesAreClassedAgainstTheRectangle) {
  const PointRecord lo{0, 0, 0}, hi{10, 10, 0};
  struct Case {
    PointRecord a, b, c;
    int expected;
  } cases[] = {
      {{1, 1, 1}, {2, 1, 1}, {1, 2, 1}, 0},      // inside
      {{5, 5, 1}, {20, 5, 1}, {5, 20, 1}, 1},    // partly
      {{11, 1, 1}, {12, 1, 1}, {11, 9, 1}, 2},   // beyond the right side
      {{1, 1, 1}, {2, 1, -1}, {1, 2, 1}, 2},     // a corner behind the eye
      {{-5, 5, 1}, {5, -5, 1}, {20, 20, 1}, 1},  // around the rectangle's corner
      {{0, 5, 1}, {5, 5, 1}, {5, 6, 1}, 1},      // on the edge is not strictly inside
  };
  for (const Case& c : cases) {
    const PointRecord corners[3] = {c.a, c.b, c.c};
    EXPECT_EQ(engine::MMeshObj::ClassifyTriangleInRect(lo, hi, corners), c.expected);
  }
}

TEST_F(MeshPickTest, RectanglePicksTakeTheNearestFaceOrVertex) {
  MeshFixture f = meshkit::MakeCube(true);
  f->ProjectToScreen(Parallel(), 0);
  double t = -1;
  // A small rectangle inside one triangle of the top (z = 1) and bottom faces.
  EXPECT_EQ(f->PickElement(At(0.3, 0.7), At(0.45, 0.6), RayStart(0.375, 0.65), RayEnd(0.375, 0.65), &t, false),
            f.mesh.get());
  EXPECT_NEAR(t, 9.0 / 20.0, 1e-12);  // z = 1 on the ray from z = 10 to -10
  // Whole-object picks need every counted vertex inside.
  EXPECT_EQ(f->PickElement(At(-0.1, 1.1), At(1.1, -0.1), {}, {}, &t, true), f.mesh.get());
  EXPECT_EQ(f->PickElement(At(-0.1, 0.9), At(1.1, -0.1), {}, {}, &t, true), nullptr);
  // Away from the cube.
  EXPECT_EQ(f->PickElement(At(3, 4), At(4, 3), RayStart(3.5, 3.5), RayEnd(3.5, 3.5), &t, false), nullptr);
}

TEST_F(MeshPickTest, ARayAlongTheFacePlaneIsNoHit) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->ProjectToScreen(Parallel(), 0);
  engine::MFace* a = f.v[1]->LeavingFace(f.Line(1, 2));
  PointRecord corners[3];
  engine::MVertex* c[3];
  a->GetVertices(c);
  for (int i = 0; i < 3; ++i) corners[i] = {c[i]->screenX, c[i]->screenY, c[i]->screenDepth};
  double depth = -7;
  EXPECT_FALSE(f->CentreHitInTriangle(At(0.7, 0.35), At(0.9, 0.15), a, corners, {0, 0.2, 0}, {5, 0.2, 0}, &depth));
  EXPECT_EQ(depth, -7);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(MeshPickTest, TheRayCastFindsTheNearestHitAhead) {
  MeshFixture f = meshkit::MakeCube(false);
  MatrixRecord world, inverse;
  engine::MUtilIdentity(world);
  world.m[3][0] = 10;  // the cube at x 10..11
  engine::MUtilInvert(world, inverse);
  PointRecord normal, point;
  ASSERT_TRUE(f->IntersectRay(world, inverse, {10.5, 0.5, 5}, {0, 0, -1}, &normal, &point));
  EXPECT_NEAR(point.x, 10.5, 1e-12);
  EXPECT_NEAR(point.z, 1.0, 1e-12);
  EXPECT_NEAR(normal.z, 1.0, 1e-12);
  // From inside the cube the hit ahead is the bottom, not the top behind.
  ASSERT_TRUE(f->IntersectRay(world, inverse, {10.5, 0.5, 0.5}, {0, 0, -1}, &normal, &point));
  EXPECT_NEAR(point.z, 0.0, 1e-12);
  EXPECT_NEAR(normal.z, -1.0, 1e-12);
  EXPECT_FALSE(f->IntersectRay(world, inverse, {0.5, 0.5, 5}, {0, 0, -1}, &normal, &point));
}

class RectRegion : public engine::QViewRegion {
 public:
  RectRegion(PointRecord lo, PointRecord hi) : lo_(lo), hi_(hi) {}
  bool Contains(double x, double y) const override { return x >= lo_.x && x <= hi_.x && y >= lo_.y && y <= hi_.y; }

 private:
  PointRecord lo_, hi_;
};

TEST_F(MeshPickTest, RegionsTakeVerticesAndTheLinesBetweenThem) {
  MeshFixture f = meshkit::MakeQuadPair(false);
  f->ProjectToScreen(Parallel(), 0);
  engine::PtrArray out;
  const RectRegion bottom(At(-0.1, 0.1), At(1.1, -0.1));
  f->CollectInRegion(&bottom, nullptr, &out);
  ASSERT_EQ(out.count, 1);
  auto* selection = static_cast<engine::ElementSelection*>(out[0]);
  EXPECT_EQ(selection->object, f.mesh.get());
  EXPECT_EQ(selection->vertices.count, 2);
  ASSERT_EQ(selection->lines.count, 1);
  EXPECT_EQ(selection->lines[0], f.Line(0, 1));
  EXPECT_EQ(selection->faces.count, 0);
  delete selection;
  // Nothing inside: no record; another object named: nothing.
  engine::PtrArray none;
  const RectRegion away(At(5, 6), At(6, 5));
  f->CollectInRegion(&away, nullptr, &none);
  engine::MObject other;
  f->CollectInRegion(&bottom, &other, &none);
  EXPECT_EQ(none.count, 0);
}

TEST_F(MeshPickTest, RegionsRunningOutOfMemoryAppendNothing) {
  MeshFixture f = meshkit::MakeGrid(3, 3);
  f->ProjectToScreen(Parallel(), 0);
  const RectRegion all(At(-1, 4), At(4, -1));
  engine::PtrArray out;
  const int needed = meshkit::ForEachAllocationFailure(
      [&] { f->CollectInRegion(&all, nullptr, &out); },
      [&](int) {
        EXPECT_EQ(FailReason(), engine::kEngReasonOutOfMemory);
        EXPECT_EQ(out.count, 0);
      });
  ASSERT_EQ(out.count, 1);
  EXPECT_GT(needed, 0);
  delete static_cast<engine::ElementSelection*>(out[0]);
}

TEST_F(MeshPickTest, KeepConnectedSelectionKeepsThePickedPart) {
  // Two separate squares side by side, both wholly selected.
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {3, 0, 0}, {4, 0, 0}, {4, 1, 0}, {3, 1, 0}},
        {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}});
  f->ProjectToScreen(Parallel(), 0);
  engine::ElementSelection selection;
  for (engine::MVertex* v : f->vertices) selection.vertices.Add(v);
  for (engine::MLine* l : f->lines) selection.lines.Add(l);
  engine::MFace* picked = f.v[5]->LeavingFace(f.Line(5, 6));
  f->KeepConnectedSelection(At(3.8, 0.2), &selection, nullptr, nullptr, picked);
  EXPECT_EQ(FailState(), 0);
  EXPECT_EQ(selection.vertices.count, 4);
  EXPECT_EQ(selection.lines.count, 5);
  for (int i = 0; i < selection.vertices.count; ++i)
    EXPECT_GE(static_cast<engine::MVertex*>(selection.vertices[i])->position.x, 3.0);
}

TEST_F(MeshPickTest, AFlatMeshStillGetsAShadowFrame) {
  struct Case {
    const char* what;
    MeshFixture mesh;
  };
  Case cases[] = {{"a grid flat along the light's V axis", meshkit::MakeGrid(2, 2)}, {"no vertices", meshkit::MakeEmptyMesh()}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    engine::ShadowInfo& s = c.mesh->shadowInfo;
    s.lightDir = {0, -1, 0};
    s.axisU = {1, 0, 0};
    s.axisV = {0, 0, 1};
    c.mesh->PrepareShadowImage(nullptr);
    EXPECT_GT(engine::VLength(s.axisU), 0.0);
    EXPECT_GT(engine::VLength(s.axisV), 0.0);
    EXPECT_TRUE(std::isfinite(s.centre.x) && std::isfinite(s.centre.y) && std::isfinite(s.centre.z));
    platform::Image image(128, 128, 32);
    c.mesh->PaintShadowSilhouette(nullptr, &image, 0x000000FF);
    EXPECT_EQ(FailState(), 0);
  }
  // A mesh with extent: the axes reach 1.1 times half its size.
  MeshFixture grid = meshkit::MakeGrid(2, 2);
  engine::ShadowInfo& s = grid->shadowInfo;
  s.lightDir = {0, 0, -1};
  s.axisU = {1, 0, 0};
  s.axisV = {0, 1, 0};
  grid->PrepareShadowImage(nullptr);
  EXPECT_NEAR(s.axisU.x, 1.1, 1e-12);
  EXPECT_NEAR(s.axisV.y, 1.1, 1e-12);
  EXPECT_NEAR(s.centre.x, 1.0, 1e-12);
  EXPECT_NEAR(s.centre.y, 1.0, 1e-12);
}

}  // namespace
