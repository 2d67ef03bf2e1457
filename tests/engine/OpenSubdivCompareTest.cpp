// The smooth surface against an independent Catmull-Clark: OpenSubdiv's
// uniform refinement with semi-sharp creases (uniform creasing) and open
// borders interpolated as creases. Every vertex of each level must be found
// among OpenSubdiv's at the same place; the surface's slightly short thirds
// of triangle centroids differ by about 1e-13.
#include <gtest/gtest.h>
#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/mesh/MMetaSurf.h"
#include "meshkit/MeshTestSupport.h"
#include "osd/OsdRefine.h"

namespace {

using engine::PointRecord;
using meshkit::MeshFixture;

class OpenSubdivCompareTest : public meshkit::MeshTest {
 protected:
  // Each of the surface's vertices at `levels` matches an OpenSubdiv vertex
  // within the tolerance, and the counts agree.
  void ExpectSameSurface(MeshFixture& f, int levels) {
    const std::vector<PointRecord> expected = osdtest::RefineWithOpenSubdiv(*f, levels);
    engine::MMetaSurf& s = *f->smoothSurface;
    s.Build(levels, 0);
    ASSERT_EQ(FailState(), 0);
    ASSERT_EQ(static_cast<std::size_t>(s.vertices.Count()), expected.size());
    int unmatched = 0;
    double worst = 0;
    for (const engine::SurfVertex& v : s.vertices) {
      double best = 1e300;
      for (const PointRecord& p : expected)
        best = std::min(best, std::max({std::fabs(p.x - v.position.x), std::fabs(p.y - v.position.y),
                                         std::fabs(p.z - v.position.z)}));
      worst = std::max(worst, best);
      unmatched += best > 1e-9 ? 1 : 0;
    }
    EXPECT_EQ(unmatched, 0) << "largest distance " << worst;
  }
};

TEST_F(OpenSubdivCompareTest, ACube) {
  MeshFixture f = meshkit::MakeCube(true);
  for (int levels = 1; levels <= 3; ++levels) {
    SCOPED_TRACE(levels);
    ExpectSameSurface(f, levels);
  }
}

TEST_F(OpenSubdivCompareTest, ACreasedCube) {
  MeshFixture f = meshkit::MakeCube(true);
  // The loop round the top and one edge down from it: crease vertices
  // with two sharp edges and a corner with three.
  for (auto [a, b] : {std::pair{4, 5}, {5, 6}, {6, 7}, {7, 4}, {1, 5}}) f.Line(a, b)->flags |= engine::kLineSharp;
  for (int levels = 1; levels <= 4; ++levels) {
    SCOPED_TRACE(levels);
    ExpectSameSurface(f, levels);
  }
}

TEST_F(OpenSubdivCompareTest, ABumpyOpenGridOfTriangles) {
  MeshFixture f = meshkit::MakeGrid(4, 3);
  for (engine::MVertex* v : f->vertices) v->position.z = 0.3 * std::sin(v->position.x * 1.3) * std::cos(v->position.y);
  for (int levels = 1; levels <= 3; ++levels) {
    SCOPED_TRACE(levels);
    ExpectSameSurface(f, levels);
  }
}

TEST_F(OpenSubdivCompareTest, ASphereOfTriangles) {
  MeshFixture f = meshkit::MakeSphere(12, 6);
  for (int levels = 1; levels <= 2; ++levels) {
    SCOPED_TRACE(levels);
    ExpectSameSurface(f, levels);
  }
}

}  // namespace
