// Polygon reduction against an independent simplifier: a sphere reduced by
// the engine and by meshoptimizer to the same number of faces strays from
// the true sphere by errors of the same order.
#include <gtest/gtest.h>

#include <cstdio>

#include "meshkit/MeshTestSupport.h"
#include "meshopt/MeshoptReference.h"

namespace meshopt_compare_test {

using meshkit::MeshFixture;

class MeshoptCompare : public meshkit::MeshTest {};

TEST_F(MeshoptCompare, AReducedSphereStraysFromTheSphereAboutAsFarAsMeshoptimizers) {
  for (double ratio : {0.5, 0.25}) {
    SCOPED_TRACE(ratio);
    MeshFixture f = meshkit::MakeSphere(48, 24);
    const meshopttest::TriangleSoup before = meshopttest::SoupOf(*f);
    f->Checkpoint(true);
    f->ReduceAll(ratio);
    ASSERT_EQ(engine::EngContext().failState, engine::kEngFailNone);
    ASSERT_TRUE(meshkit::MeshIsValid(*f));
    const meshopttest::TriangleSoup ours = meshopttest::SoupOf(*f);
    ASSERT_LT(ours.Faces(), before.Faces());
    const meshopttest::TriangleSoup theirs = meshopttest::Simplified(before, ours.Faces());
    // meshoptimizer stops within a few faces of its target.
    EXPECT_NEAR(static_cast<double>(theirs.Faces()), static_cast<double>(ours.Faces()), 0.05 * ours.Faces());
    const meshopttest::SphereError a = meshopttest::DistanceFromSphere(ours, 1);
    const meshopttest::SphereError b = meshopttest::DistanceFromSphere(theirs, 1);
    std::printf("ratio %.2f: %zu -> %zu faces (meshoptimizer %zu); worst %.5f vs %.5f, mean %.5f vs %.5f\n", ratio,
                before.Faces(), ours.Faces(), theirs.Faces(), a.worst, b.worst, a.mean, b.mean);
    EXPECT_LT(a.worst, 2 * b.worst);
    EXPECT_LT(a.mean, 2 * b.mean);
  }
}

}  // namespace meshopt_compare_test
