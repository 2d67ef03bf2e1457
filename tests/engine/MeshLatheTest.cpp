// Surfaces of revolution: a profile of lines turned about the z axis.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "GlTestView.h"
#include "engine/ModelingTestSupport.h"
#include "engine/ModelingUndoTable.h"
#include "meshkit/MeshTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_lathe_test {

using namespace engine;
using meshkit::MeshFixture;
using modelingtest::ModelingCase;

class MeshLathe : public meshkit::MeshTest {};

// A chain of free lines through the points, drawn in an earlier step.
MeshFixture Profile(std::initializer_list<PointRecord> points) {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add(points);
  for (std::size_t k = 0; k + 1 < f.v.size(); ++k) f->AddLineBetween(f.v[k], f.v[k + 1]);
  f->Checkpoint(true);
  return f;
}

TEST_F(MeshLathe, ProfilesTurnIntoConesHalfConesAndTubes) {
  struct Case {
    const char* name;
    PointRecord a, b;
    int n;
    bool half;
    int vertices, faces, onMirror;
  };
  const Case cases[] = {
      // The axis vertex stays single, the other gets a ring of 8.
      {"a cone", {0, 0, 0}, {1, 0, 1}, 8, false, 1 + 8, 8, 0},
      // From x = 0 over to x = 0: five ring vertices, the outer two on the plane.
      {"half a cone", {0, 0, 0}, {1, 0, 1}, 8, true, 1 + 5, 4, 2},
      // Two rings of four joined by quads of two triangles each.
      {"a square tube", {1, 0, 0}, {1, 0, 1}, 4, false, 8, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = Profile({c.a, c.b});
    f->LatheAll(c.n, c.half);
    ASSERT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(f->vertices.Length(), c.vertices);
    EXPECT_EQ(f->faces.Length(), c.faces);
    int onMirror = 0;
    for (const MVertex* v : f->vertices) {
      const double r = std::hypot(v->position.x, v->position.y);
      EXPECT_NEAR(r, v->position.z == c.a.z ? std::hypot(c.a.x, c.a.y) : std::hypot(c.b.x, c.b.y), 1e-12)
          << "every ring vertex at its profile vertex's radius";
      if (c.half) {
        EXPECT_LE(v->position.x, 1e-12) << "the half stays on the side x <= 0, as mirror mode keeps it";
      }
      onMirror += (v->flags & kVertexOnMirror) != 0 && v->position.x == 0 && r > 0;
    }
    EXPECT_EQ(onMirror, c.onMirror);
    EXPECT_TRUE(meshkit::MeshIsValid(*f));
  }
}

TEST_F(MeshLathe, AProfileFromTheAxisBackToTheAxisGivesAClosedSurface) {
  MeshFixture f = Profile({{0, 0, 0}, {1, 0, 0.5}, {0.5, 0, 1.5}, {0, 0, 2}});
  f->LatheAll(12, false);
  ASSERT_EQ(FailState(), kEngFailNone);
  EXPECT_TRUE(f->IsClosed());
  EXPECT_EQ(f->vertices.Length(), 2 + 2 * 12);
  EXPECT_EQ(f->faces.Length(), 12 + 2 * 12 + 12);
  EXPECT_TRUE(meshkit::MeshIsValid(*f));
  // All faces turn the same way: all out from the axis, or all in.
  int outward = 0, inward = 0;
  for (const MFace* face : f->faces) {
    MVertex* c[3];
    face->GetVertices(c);
    const PointRecord n = face->GetNormal();
    const double x = (c[0]->position.x + c[1]->position.x + c[2]->position.x) / 3;
    const double y = (c[0]->position.y + c[1]->position.y + c[2]->position.y) / 3;
    const double z = (c[0]->position.z + c[1]->position.z + c[2]->position.z) / 3;
    // From a point on the axis inside the solid.
    const double along = n.x * x + n.y * y + n.z * (z - 1);
    (along > 0 ? outward : inward) += 1;
  }
  EXPECT_TRUE(outward == 0 || inward == 0) << outward << " out, " << inward << " in";
}

TEST_F(MeshLathe, AVaseTurnedAboutTheAxisLooksTheSameFromBothSides) {
  // A vase stood up (the axis becomes y for the camera) and seen from the
  // front: the picture is its own mirror image.
  MeshFixture f = Profile({{0, 0, 0}, {0.6, 0, 0.1}, {0.8, 0, 0.7}, {0.35, 0, 1.3}, {0.5, 0, 1.8}, {0, 0, 1.8}});
  f->LatheAll(24, false);
  ASSERT_EQ(FailState(), kEngFailNone);
  ASSERT_TRUE(f->IsClosed());
  for (MVertex* v : f->vertices) v->position = {v->position.x, v->position.z, -v->position.y};
  f->MarkChanged();
  f->UpdateVertexNormals();
  constexpr int kSize = 160;
  enginetest::GlTestView view(kSize, kSize, {0, 0.9, 5.5}, {0, 0.9, 0});
  ASSERT_TRUE(view.IsReady());
  view.drawMode = 2;
  view.Render(*f);
  view.WritePng("lathe_vase");
  const platform::Image& image = view.Pixels();
  auto drawn = [&](int x, int y) {
    const platform::Bgra p = image.GetBgra(x, y);
    return p.r < 250 || p.g < 250 || p.b < 250;
  };
  int rowsDrawn = 0, mismatched = 0;
  for (int y = 0; y < kSize; ++y) {
    int left = 0, right = 0;
    for (int x = 0; x < kSize / 2; ++x) {
      left += drawn(x, y);
      right += drawn(kSize - 1 - x, y);
    }
    rowsDrawn += left + right > 0;
    mismatched += std::abs(left - right) > 2;
  }
  EXPECT_GT(rowsDrawn, 60) << "the vase fills most of the height";
  EXPECT_LE(mismatched, 3);
}

TEST_F(MeshLathe, TooFewStepsAreRefusedAndChangeNothing) {
  for (auto [n, half] : {std::pair{2, false}, std::pair{1, true}}) {
    MeshFixture f = Profile({{0, 0, 0}, {1, 0, 1}});
    f->LatheAll(n, half);
    EXPECT_EQ(FailState(), kEngFailDeclined);
    EXPECT_EQ(f->vertices.Length(), 2);
    EngContext().ClearFailure();
  }
}

std::vector<ModelingCase> Cases() {
  return {
      {"a cone turned", [] { return Profile({{0, 0, 0}, {1, 0, 1}}); },
       [](MeshFixture&, MMeshObj& m) { m.LatheAll(6, false); }},
      {"half a tube turned", [] { return Profile({{1, 0, 0}, {1, 0, 1}}); },
       [](MeshFixture&, MMeshObj& m) { m.LatheAll(4, true); }},
      {"the selected profile turned", [] {
         MeshFixture f = Profile({{0, 0, 0}, {1, 0, 1}, {0, 0, 2}});
         meshkit::SelectVertices(f, {0, 1});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.LatheSelected(5, false); }},
  };
}

TEST_F(MeshLathe, EveryTurnSurvivesUndoAndRedo) { modelingtest::ExpectEachSurvivesUndoAndRedo(Cases()); }

TEST_F(MeshLathe, ATurnThatRunsOutOfMemoryIsUndoneToTheMeshBeforeIt) {
  modelingtest::ExpectEachUndoneAfterRunningOutOfMemory(Cases());
}

}  // namespace mesh_lathe_test
