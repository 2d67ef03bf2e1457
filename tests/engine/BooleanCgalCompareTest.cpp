// The mesh boolean against CGAL's corefinement booleans on the same input:
// B is moved into A's space by the very transform the boolean used (its
// jitter included), so both work on identical solids. Each result must be
// closed, consistently oriented and enclose CGAL's volume within 1e-6 of
// it.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "cgal/CgalReference.h"
#include "engine/BooleanTestSupport.h"
#include "engine/core/EngRandom.h"
#include "engine/modeling/MBoolean.h"
#include "meshkit/MeshTestSupport.h"

namespace boolean_cgal_compare_test {

using namespace engine;
using namespace booleantest;
using cgaltest::Operation;

class BooleanCgalCompare : public meshkit::MeshTest {};

using Maker = MMeshObj* (*)();

struct Case {
  const char* name;
  Maker a, b;
  // Operands on top of each other: the jitter leaves slivers about 1e-6
  // thick, which CGAL keeps and the repair after the split may flatten, so
  // the result is held to CGAL's and to the unmoved solids' volume within
  // those slivers (the jitter times the surface, 6 * 1e-6).
  bool coincident;
};

MMeshObj* UnitCube() { return Box({0, 0, 0}, {1, 1, 1}); }
MMeshObj* OffsetCube() { return Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}); }
MMeshObj* TurnedBox() {
  MMeshObj* m = Box({-0.3, 0.2, -0.4}, {1.4, 0.7, 0.6});
  // Turned about an axis off every face, so no face is axis-aligned.
  MatrixRecord turn;
  MUtilIdentity(turn);
  MUtilRotateAxis(turn, 0.4, {0.3, 1, 0.2}, turn);
  for (MVertex* v : m->GetVertexList()) {
    PointRecord p;
    MUtilTransformPoint(turn, v->position, p);
    v->position = p;
  }
  return m;
}
MMeshObj* Ball() { return Sphere({0.2, 0.1, 0.05}, 0.9, 32, 16); }
MMeshObj* SmallBall() { return Sphere({0.8, 0.7, 0.6}, 0.5, 20, 10); }
MMeshObj* BigBox() { return Box({0, 0, 0}, {2, 2, 2}); }
MMeshObj* InnerBox() { return Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}); }
MMeshObj* FarBox() { return Box({3, 0, 0}, {4, 1, 1}); }

TEST_F(BooleanCgalCompare, EveryOperationEnclosesCgalsVolume) {
  const Case cases[] = {
      {"offset cubes", UnitCube, OffsetCube, false},
      {"a sphere and a turned box", Ball, TurnedBox, false},
      {"two spheres", Ball, SmallBall, false},
      {"cubes on top of each other", UnitCube, UnitCube, true},
      {"disjoint boxes", UnitCube, FarBox, false},
      {"a box inside a box", BigBox, InnerBox, false},
  };
  const struct {
    int type;
    Operation op;
    double coincidentVolume;
  } operations[] = {{MBoolean::kUnion, Operation::kUnion, 1},
                    {MBoolean::kAMinusB, Operation::kAMinusB, 0},
                    {MBoolean::kIntersection, Operation::kIntersection, 1},
                    {MBoolean::kBMinusA, Operation::kBMinusA, 0}};
  for (const Case& c : cases)
    for (const auto& o : operations) {
      SCOPED_TRACE(std::string(c.name) + ", type " + std::to_string(o.type));
      EngContext().ClearFailure();
      EngSeedRandom(17);
      MMeshObj* a = c.a();
      MMeshObj* b = c.b();
      const cgaltest::SurfaceMesh surfaceA = cgaltest::SurfaceOf(*a, cgaltest::IdentityMatrix());
      const std::unique_ptr<MMeshObj> copyB(static_cast<MMeshObj*>(b->Clone()));
      MBoolean boolean;
      std::unique_ptr<MMeshObj> r(boolean.Combine(a, b, Identity(), Identity(), o.type));
      ASSERT_NE(r, nullptr) << "reason " << FailReason();
      const double expected = cgaltest::ReferenceVolume(
          surfaceA, cgaltest::SurfaceOf(*copyB, boolean.GetBToATransform()), o.op);
      ASSERT_GE(expected, 0) << "CGAL refused";
      const double volume = Volume(*r);
      if (c.coincident) {
        EXPECT_NEAR(volume, o.coincidentVolume, 6e-6);
        EXPECT_NEAR(volume, expected, 6e-6);
      } else {
        EXPECT_NEAR(volume, expected, 1e-6 * std::fabs(expected));
      }
      if (expected > 1e-3) {
        EXPECT_TRUE(ClosedAndOriented(*r));
      } else if (!c.coincident) {
        EXPECT_FALSE(r->HasFaces());
      }
      EXPECT_TRUE(meshkit::MeshIsValid(*r, 0));
    }
}

}  // namespace boolean_cgal_compare_test
