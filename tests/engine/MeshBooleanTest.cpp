// The mesh boolean: union, differences and intersection of closed solids
// (offset cubes, a sphere and a box, coincident cubes, disjoint and nested
// solids), the imprint, an open sheet, degenerate contacts, the candidate
// grid, and the undo and out-of-memory behaviour. Volumes are checked
// against the exact values of the solids; CGAL's corefinement is the
// reference in the comparison test of its own.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/BooleanTestSupport.h"
#include "engine/ModelingTestSupport.h"
#include "engine/core/EngRandom.h"
#include "engine/modeling/MBoolean.h"
#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_boolean_test {

using namespace engine;
using namespace booleantest;

class MeshBoolean : public meshkit::MeshTest {
 protected:
  void SetUp() override {
    meshkit::MeshTest::SetUp();
    EngSeedRandom(7);
  }
  static MMeshObj* Run(MMeshObj* a, MMeshObj* b, int type) {
    MBoolean boolean;
    return boolean.Combine(a, b, Identity(), Identity(), type);
  }
};

TEST_F(MeshBoolean, OffsetCubesGiveTheVolumesOfUnionDifferencesAndIntersection) {
  struct Case {
    int type;
    double volume;
  };
  // Unit cubes at the origin and at (0.5, 0.5, 0.5) share an eighth.
  for (Case c : {Case{MBoolean::kUnion, 1.875}, Case{MBoolean::kAMinusB, 0.875}, Case{MBoolean::kIntersection, 0.125},
                 Case{MBoolean::kBMinusA, 0.875}}) {
    SCOPED_TRACE(c.type);
    std::unique_ptr<MMeshObj> r(Run(Box({0, 0, 0}, {1, 1, 1}), Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}), c.type));
    EXPECT_NE(r, nullptr) << FailReason();
    if (r == nullptr) { EngContext().ClearFailure(); continue; }
    EXPECT_EQ(FailState(), kEngFailNone);
    EXPECT_NEAR(Volume(*r), c.volume, 1e-5);
    EXPECT_TRUE(ClosedAndOriented(*r));
    EXPECT_TRUE(meshkit::MeshIsValid(*r));
  }
}

}  // namespace mesh_boolean_test
