// The mesh boolean: union, differences and intersection of closed solids
// (offset cubes, a sphere and a box, coincident cubes, disjoint and nested
// solids), the imprint, an open sheet, degenerate contacts, the candidate
// grid, and the undo and out-of-memory behaviour. Volumes are checked
// against the exact values of the solids; CGAL's corefinement is the
// reference in the comparison test of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

#include "GlTestView.h"
#include "engine/BooleanTestSupport.h"
#include "engine/ModelingTestSupport.h"
#include "engine/core/EngRandom.h"
#include "engine/modeling/MBoolean.h"
#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"
#include "support/PixelCensus.h"

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
    ASSERT_NE(r, nullptr) << FailReason();
    EXPECT_EQ(FailState(), kEngFailNone);
    // The jitter moves B by about 1e-6.
    EXPECT_NEAR(Volume(*r), c.volume, 1e-5);
    EXPECT_TRUE(ClosedAndOriented(*r));
    EXPECT_TRUE(meshkit::MeshIsValid(*r));
    int v, l, f, drawn;
    r->CountElements(v, l, f, drawn);
    EXPECT_EQ(drawn, 0) << "no crossing line is left on a face";
  }
}

// Without an oracle the four results must still agree with each other:
// |A ∪ B| + |A ∩ B| = |A| + |B| and |A - B| = |A| - |A ∩ B|.
TEST_F(MeshBoolean, ASphereAndABoxGiveResultsThatAddUp) {
  struct Solids {
    const char* name;
    PointRecord centre;
    PointRecord lo, hi;
  };
  for (const Solids& c : {Solids{"box over one side", {0, 0, 0}, {0.2, -0.5, -0.6}, {1.7, 0.7, 0.5}},
                          Solids{"box through the middle", {0.05, 0.02, 0.01}, {-1.5, -0.3, -0.4}, {1.5, 0.35, 0.3}}}) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<MMeshObj> sphere(Sphere(c.centre, 1, 24, 12));
    const std::unique_ptr<MMeshObj> box(Box(c.lo, c.hi));
    const double vA = Volume(*sphere), vB = Volume(*box);
    double v[8] = {};
    for (int type : {MBoolean::kUnion, MBoolean::kAMinusB, MBoolean::kIntersection, MBoolean::kBMinusA}) {
      EngSeedRandom(11);
      std::unique_ptr<MMeshObj> r(Run(Sphere(c.centre, 1, 24, 12), Box(c.lo, c.hi), type));
      ASSERT_NE(r, nullptr) << "type " << type << " reason " << FailReason();
      EXPECT_TRUE(ClosedAndOriented(*r)) << type;
      EXPECT_TRUE(meshkit::MeshIsValid(*r)) << type;
      v[type] = Volume(*r);
    }
    EXPECT_NEAR(v[MBoolean::kUnion] + v[MBoolean::kIntersection], vA + vB, 1e-5);
    EXPECT_NEAR(v[MBoolean::kAMinusB], vA - v[MBoolean::kIntersection], 1e-5);
    EXPECT_NEAR(v[MBoolean::kBMinusA], vB - v[MBoolean::kIntersection], 1e-5);
    EXPECT_GT(v[MBoolean::kIntersection], 0.05);
  }
}

TEST_F(MeshBoolean, CubesOnTopOfEachOtherStillCombine) {
  struct Case {
    int type;
    double volume;
  };
  // B is moved by 50 to 99 triple tolerances on each axis: the union and
  // the intersection stay unit cubes within that, a difference is a few
  // slabs of about that thickness.
  for (Case c : {Case{MBoolean::kUnion, 1}, Case{MBoolean::kIntersection, 1}, Case{MBoolean::kAMinusB, 0}}) {
    SCOPED_TRACE(c.type);
    for (std::uint32_t seed : {1u, 2u, 3u}) {
      EngSeedRandom(seed);
      std::unique_ptr<MMeshObj> r(Run(Box({0, 0, 0}, {1, 1, 1}), Box({0, 0, 0}, {1, 1, 1}), c.type));
      ASSERT_NE(r, nullptr) << "seed " << seed << " reason " << FailReason();

      EXPECT_NEAR(Volume(*r), c.volume, 2e-5);
      EXPECT_TRUE(meshkit::MeshIsValid(*r));
      if (c.volume > 0) {
        EXPECT_TRUE(ClosedAndOriented(*r));
      }
    }
  }
}

// Parts no crossing curve reaches are classed by where they lie.
TEST_F(MeshBoolean, DisjointAndNestedSolidsKeepOrDropWholeParts) {
  struct Case {
    const char* name;
    PointRecord lo, hi;  // of B; A is the box from (0,0,0) to (2,2,2)
    int type;
    double volume;
    int faces;
  };
  const PointRecord apartLo{3, 0, 0}, apartHi{4, 1, 1}, insideLo{0.5, 0.5, 0.5}, insideHi{1.5, 1.5, 1.5};
  const Case cases[] = {
      {"apart, union keeps both", apartLo, apartHi, MBoolean::kUnion, 9, 24},
      {"apart, intersection is empty", apartLo, apartHi, MBoolean::kIntersection, 0, 0},
      {"apart, A - B is A", apartLo, apartHi, MBoolean::kAMinusB, 8, 12},
      {"apart, B - A is B", apartLo, apartHi, MBoolean::kBMinusA, 1, 12},
      {"inside, union has no inner shell", insideLo, insideHi, MBoolean::kUnion, 8, 12},
      {"inside, intersection is B", insideLo, insideHi, MBoolean::kIntersection, 1, 12},
      {"inside, A - B has a cavity", insideLo, insideHi, MBoolean::kAMinusB, 7, 24},
      {"inside, B - A is empty", insideLo, insideHi, MBoolean::kBMinusA, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<MMeshObj> r(Run(Box({0, 0, 0}, {2, 2, 2}), Box(c.lo, c.hi), c.type));
    ASSERT_NE(r, nullptr) << FailReason();
    int v, l, f, drawn;
    r->CountElements(v, l, f, drawn);
    EXPECT_EQ(f, c.faces);
    EXPECT_NEAR(Volume(*r), c.volume, 1e-5);
    EXPECT_TRUE(meshkit::MeshIsValid(*r, 0));
    if (c.faces > 0) {
      EXPECT_TRUE(ClosedAndOriented(*r));
    }
  }
}

// A sheet's crossing curve ends at its border: the operations that keep
// one side of a closed curve refuse it, the imprint and the trim take it.
TEST_F(MeshBoolean, AnOpenSheetAgainstABoxIsRefusedByTheSolidOperations) {
  auto sheet = [] {
    meshkit::MeshFixture f = meshkit::MakeGrid(2, 2);
    for (MVertex* v : f->GetVertexList()) v->position = {v->position.x * 0.3 - 0.1, v->position.y * 0.3 - 0.1, 0.5};
    f->Checkpoint(true);
    return f.mesh.release();
  };
  for (int type : {MBoolean::kUnion, MBoolean::kAMinusB, MBoolean::kIntersection, MBoolean::kBMinusA}) {
    SCOPED_TRACE(type);
    EngContext().ClearFailure();
    EXPECT_EQ(Run(Box({0, 0, 0}, {1, 1, 1}), sheet(), type), nullptr);
    EXPECT_EQ(FailState(), kEngFailFailed);
    EXPECT_EQ(FailReason(), MBoolean::kReasonOpenCurve);
  }
  EngContext().ClearFailure();
  // The imprint leaves the crossing curve drawn on the box's faces: a
  // polyline around the box at z = 0.5 from the sheet's border, in and out.
  std::unique_ptr<MMeshObj> imprinted(Run(Box({0, 0, 0}, {1, 1, 1}), sheet(), MBoolean::kImprint));
  ASSERT_NE(imprinted, nullptr);
  EXPECT_EQ(FailState(), kEngFailNone);
  int v, l, f, drawn;
  imprinted->CountElements(v, l, f, drawn);
  EXPECT_EQ(f, 12) << "the imprint splits nothing";
  EXPECT_GT(drawn, 0);
  for (MLine* line : imprinted->lines) {
    if (line->fltabEntry == nullptr) continue;
    EXPECT_NEAR(line->end0->position.z, 0.5, 1e-5);
    EXPECT_FALSE(line->flags & kLineSharp) << "imprinted lines are not creases";
  }
  // The trim cuts the box open along a sheet reaching across it and keeps
  // the part on the sheet's front.
  meshkit::MeshFixture across = meshkit::MakeGrid(2, 2);
  for (MVertex* p : across->GetVertexList()) p->position = {p->position.x * 0.6 - 0.1, p->position.y * 0.6 - 0.1, 0.5};
  across->Checkpoint(true);
  std::unique_ptr<MMeshObj> trimmed(Run(Box({0, 0, 0}, {1, 1, 1}), across.mesh.release(), MBoolean::kTrim));
  ASSERT_NE(trimmed, nullptr) << "reason " << FailReason();
  EXPECT_TRUE(meshkit::MeshIsValid(*trimmed, 0));
  EXPECT_TRUE(trimmed->HasFaces());
  EXPECT_FALSE(trimmed->IsClosed());
  for (MVertex* vertex : trimmed->GetVertexList()) EXPECT_GT(vertex->position.z, 0.5 - 1e-5);
  // The open cut at z = 0.5, facing down, would add -0.5/3 to close it.
  EXPECT_NEAR(Volume(*trimmed), 0.5 + 0.5 / 3, 1e-5);
}

TEST_F(MeshBoolean, CrossingLinesArePartnersWithSideCodesAndCreaseFlags) {
  // Two triangles crossing in an X, imprinted: one line on A's face.
  meshkit::MeshFixture a = meshkit::MakeEmptyMesh();
  a.Add({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{0, 1, 2}});
  a->Checkpoint(true);
  meshkit::MeshFixture b = meshkit::MakeEmptyMesh();
  b.Add({{0.5, 0.5, -1}, {0.5, 0.5, 1}, {0.5, -1, 0}}, {{0, 1, 2}});
  b->Checkpoint(true);
  MFace* face = a->GetFaceList().First();
  MMeshObj* r = Run(a.mesh.release(), b.mesh.release(), MBoolean::kImprint);
  std::unique_ptr<MMeshObj> result(r);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(face->CountFltabs(), 1);
  MLine* line = face->fltabList->First()->line;
  EXPECT_NEAR(line->end0->position.x, 0.5, 1e-5);
  EXPECT_NEAR(line->end1->position.x, 0.5, 1e-5);
  EXPECT_NEAR(std::fabs(line->end0->position.y - line->end1->position.y), 0.5, 1e-5);
  EXPECT_TRUE(line->pairValue == 1 || line->pairValue == 2);
  EXPECT_FALSE(line->flags & kLineSharp);
}

TEST_F(MeshBoolean, ParamPointsAreInsideOnAnEdgeOrOutside) {
  MBoolean boolean;
  boolean.SetTolerance({0, 0, 0, 1, 1, 1});  // band 3e-7
  struct Case {
    double s, t;
    int where, edge;
  };
  const Case cases[] = {
      {0.3, 0.3, 1, -1},     {-0.1, 0.3, -1, -1}, {0.3, -0.1, -1, -1}, {0.6, 0.6, -1, -1},
      {0, 0.5, 0, 2},        {0.5, 0, 0, 0},      {0.5, 0.5, 0, 1},    {0, 0, 0, 2},
      {1e-8, 0.5, 0, 2},     {1e-5, 0.5, 1, -1},  {0.5, 1e-8, 0, 0},   {0.5, 0.5 - 1e-8, 0, 1},
  };
  for (const Case& c : cases) {
    int edge = -1;
    EXPECT_EQ(boolean.ClassifyParamPoint(c.s, c.t, 1, 1, edge), c.where) << c.s << ", " << c.t;
    if (c.where == 0) {
      EXPECT_EQ(edge, c.edge) << c.s << ", " << c.t;
    }
  }
  struct Triangle {
    const char* name;
    double s[3], t[3];
    bool meets;
  };
  const Triangle triangles[] = {
      {"a corner inside", {0.2, 2, 2}, {0.2, 2, 3}, true},
      {"across s = 0", {-1, 0.5, -1}, {0.5, 0.5, 0.6}, true},
      {"around the whole triangle", {-1, 3, -1}, {-1, -1, 3}, true},
      {"beyond the long side", {0.8, 2, 2}, {0.8, 0.8, 2}, false},
      {"below", {0, 1, 0.5}, {-1, -1, -2}, false},
  };
  for (const Triangle& c : triangles) EXPECT_EQ(boolean.TriangleMeetsUnitTriangle(c.s, c.t), c.meets) << c.name;
}

// The grid gathers exactly the pairs whose grown boxes meet, each once
// and in list-B order.
class GridProbe : public MBoolean {
 public:
  std::vector<std::vector<int>> Gather(MMeshObj& a, MMeshObj& b) {
    faceListA = new PtrArray();
    faceListB = new PtrArray();
    a.CollectFaces(*faceListA);
    b.CollectFaces(*faceListB);
    operandFaces0 = faceListA;
    operandFaces1 = faceListB;
    candidates = new EngArray<int>[static_cast<std::size_t>(faceListA->count)];
    NumberFaces();
    EXPECT_TRUE(BuildCandidateGrid());
    std::vector<std::vector<int>> out(static_cast<std::size_t>(faceListA->count));
    for (int i = 0; i < faceListA->count; ++i)
      for (int k = 0; k < candidates[i].count; ++k) out[static_cast<std::size_t>(i)].push_back(candidates[i][k]);
    return out;
  }
  double Grown() const { return 18 * tolerance; }
};

TEST_F(MeshBoolean, TheCandidateGridFindsEveryPairOfMeetingBoxesOnce) {
  const std::unique_ptr<MMeshObj> a(Sphere({0, 0, 0}, 1, 24, 12));
  const std::unique_ptr<MMeshObj> b(Sphere({0.7, 0.3, 0.1}, 0.8, 20, 10));
  GridProbe probe;
  const auto lists = probe.Gather(*a, *b);
  PtrArray fa, fb;
  a->CollectFaces(fa);
  b->CollectFaces(fb);
  auto box = [](MFace* face) {
    MVertex* c[3];
    face->GetVertices(c);
    BoundsRecord r{1e9, 1e9, 1e9, -1e9, -1e9, -1e9};
    for (MVertex* v : c) {
      r.minX = std::min(r.minX, v->position.x), r.maxX = std::max(r.maxX, v->position.x);
      r.minY = std::min(r.minY, v->position.y), r.maxY = std::max(r.maxY, v->position.y);
      r.minZ = std::min(r.minZ, v->position.z), r.maxZ = std::max(r.maxZ, v->position.z);
    }
    return r;
  };
  const double g = probe.Grown();
  int pairs = 0;
  for (int i = 0; i < fa.count; ++i) {
    const std::vector<int>& got = lists[static_cast<std::size_t>(i)];
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
    EXPECT_EQ(std::set<int>(got.begin(), got.end()).size(), got.size()) << "no repeats";
    const BoundsRecord p = box(static_cast<MFace*>(fa[i]));
    for (int j = 0; j < fb.count; ++j) {
      const BoundsRecord q = box(static_cast<MFace*>(fb[j]));
      const bool meet = p.minX - g <= q.maxX + g && q.minX - g <= p.maxX + g && p.minY - g <= q.maxY + g &&
                        q.minY - g <= p.maxY + g && p.minZ - g <= q.maxZ + g && q.minZ - g <= p.maxZ + g;
      if (!meet) continue;
      ++pairs;
      EXPECT_TRUE(std::binary_search(got.begin(), got.end(), j)) << "pair " << i << ", " << j << " missing";
    }
  }
  EXPECT_GT(pairs, 100);
}

TEST_F(MeshBoolean, TheSameSeedGivesTheSameResult) {
  auto run = [&](std::uint32_t seed) {
    EngSeedRandom(seed);
    MBoolean boolean;
    std::unique_ptr<MMeshObj> r(
        boolean.Combine(Box({0, 0, 0}, {1, 1, 1}), Box({0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}), Identity(), Identity(), 0));
    const MatrixRecord& m = boolean.GetBToATransform();
    return std::make_pair(std::vector<double>{m.m[3][0], m.m[3][1], m.m[3][2]}, Volume(*r));
  };
  const auto first = run(5), again = run(5), other = run(6);
  EXPECT_EQ(first, again);
  EXPECT_NE(first.first, other.first);
  // 50 to 99 triple tolerances of a unit cube's box.
  for (double shift : first.first) {
    EXPECT_GE(std::fabs(shift), 50 * 9e-9 * 0.999);
    EXPECT_LE(std::fabs(shift), 99 * 9e-9 * 1.001);
  }
}

TEST_F(MeshBoolean, TheOperationIsOneUndoableStep) {
  std::unique_ptr<MMeshObj> a, b;
  auto make = [&]() -> MMeshObj& {
    a.reset(Box({0, 0, 0}, {1, 1, 1}));
    b.reset(Box({0.5, 0.4, 0.3}, {1.5, 1.3, 1.2}));
    return *a;
  };
  auto edit = [&](int type) {
    return [&, type](MMeshObj& m) {
      EngSeedRandom(3);
      MBoolean boolean;
      MMeshObj* r = boolean.Combine(&m, b.release(), Identity(), Identity(), type);
      if (FailState() == kEngFailNone) {
        EXPECT_EQ(r, &m);
      }
    };
  };
  for (int type : {MBoolean::kUnion, MBoolean::kAMinusB, MBoolean::kIntersection, MBoolean::kImprint}) {
    SCOPED_TRACE(type);
    EXPECT_TRUE(meshkit::UndoRoundTrip(make(), edit(type), 0));
  }
  // The imprint keeps its mesh whatever happens: out of memory at any
  // point leaves a step that undoes to the box.
  EXPECT_TRUE(meshkit::UndoRestoresAfterAllocationFailures(make, edit(MBoolean::kImprint), 0));
}

// A failed solid operation has taken over both meshes and leaves nothing
// behind (the sanitizer build checks for leaks): each allocation failing
// in turn gives no answer and reason 1.
TEST_F(MeshBoolean, OutOfMemoryAnywhereGivesNoResultAndReasonOne) {
  int nth = 1;
  for (; nth < 5000; ++nth) {
    EngContext().ClearFailure();
    EngSeedRandom(3);
    MMeshObj* a = Box({0, 0, 0}, {1, 1, 1});
    MMeshObj* b = Box({0.5, 0.4, 0.3}, {1.5, 1.3, 1.2});
    MMeshObj* r = nullptr;
    {
      EngAllocFailureScope fail(nth);
      MBoolean boolean;
      r = boolean.Combine(a, b, Identity(), Identity(), MBoolean::kUnion);
    }
    if (FailState() == kEngFailNone) {
      ASSERT_NE(r, nullptr);
      EXPECT_NEAR(Volume(*r), 1 + 0.81 - 0.5 * 0.6 * 0.7, 1e-5);
      delete r;
      break;
    }
    EXPECT_EQ(r, nullptr) << nth;
    EXPECT_EQ(FailReason(), kEngReasonOutOfMemory) << nth;
  }
  EXPECT_GT(nth, 10) << "allocations were met";
  EXPECT_LT(nth, 5000) << "the operation ends once memory suffices";
}

TEST_F(MeshBoolean, APictureOfABoxWithASphereCutOut) {
  enginetest::GlTestView view(200, 200, {2.6, 2.2, 3.4}, {0.4, 0.4, 0.4});
  ASSERT_TRUE(view.IsReady());
  std::unique_ptr<MMeshObj> r(Run(Box({-0.5, -0.5, -0.5}, {1, 1, 1}), Sphere({1, 1, 1}, 0.7, 32, 16),
                                  MBoolean::kAMinusB));
  ASSERT_NE(r, nullptr) << FailReason();
  for (MShader* shader : r->GetShaderList()) shader->diffuseColor = {0.85, 0.55, 0.35};
  view.Render(*r);
  EXPECT_EQ(FailState(), kEngFailNone);
  view.WritePng("boolean_box_minus_sphere");
  const testsupport::PixelCensus census = testsupport::CountPixels(view.Pixels());
  EXPECT_GT(census.other, 5000);
}

// Cutting along a path drawn in a view looking down -z at the unit cube:
// the path's pick rays run along z, and only the curve nearest the viewer
// (on the top face, z = 1) is cut; the bottom face stays whole.
struct DrawnPath {
  PointArray screen, nearPoints, farPoints;
  explicit DrawnPath(std::initializer_list<PointRecord> points) {
    for (const PointRecord& p : points) {
      screen.Add({p.x * 100, p.y * 100, 0});
      nearPoints.Add({p.x, p.y, 5});
      farPoints.Add({p.x, p.y, -5});
    }
  }
};

int FacesAtHeight(MMeshObj& m, double z) {
  int n = 0;
  for (MFace* face : m.GetFaceList()) {
    MVertex* c[3];
    face->GetVertices(c);
    n += std::fabs(c[0]->position.z - z) < 1e-9 && std::fabs(c[1]->position.z - z) < 1e-9 &&
         std::fabs(c[2]->position.z - z) < 1e-9;
  }
  return n;
}

TEST_F(MeshBoolean, ACutAlongADrawnPathSplitsOnlyTheNearestSurface) {
  struct Case {
    const char* name;
    std::initializer_list<PointRecord> path;
    bool closed;
  };
  const Case cases[] = {
      {"an open path", {{0.2, 0.3, 0}, {0.5, 0.55, 0}, {0.8, 0.6, 0}}, false},
      {"a closed path", {{0.25, 0.25, 0}, {0.75, 0.3, 0}, {0.5, 0.8, 0}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<MMeshObj> cube(Box({0, 0, 0}, {1, 1, 1}));
    DrawnPath path(c.path);
    MBoolean boolean;
    EXPECT_EQ(boolean.Cut(cube.get(), path.screen, path.nearPoints, path.farPoints, {0, 0, -1}, Identity(), c.closed,
                          false, false),
              0);
    ASSERT_EQ(FailState(), kEngFailNone) << FailReason();
    EXPECT_GT(FacesAtHeight(*cube, 1), 2) << "the top face is cut";
    EXPECT_EQ(FacesAtHeight(*cube, 0), 2) << "the bottom face is not";
    EXPECT_NEAR(Volume(*cube), 1, 1e-9);
    EXPECT_TRUE(ClosedAndOriented(*cube));
    EXPECT_TRUE(meshkit::MeshIsValid(*cube, 0));
    int v, l, f, drawn;
    cube->CountElements(v, l, f, drawn);
    EXPECT_EQ(drawn, 0);
    // The cut's new vertices on the top lie on the path's segments.
    for (MVertex* vertex : cube->GetVertexList()) {
      const PointRecord p = vertex->position;
      const bool corner = (p.x == 0 || p.x == 1) && (p.y == 0 || p.y == 1);
      if (corner) continue;
      EXPECT_NEAR(p.z, 1, 1e-9);
      double nearest = 1e9;
      const std::vector<PointRecord> points(c.path);
      const std::size_t segments = c.closed ? points.size() : points.size() - 1;
      for (std::size_t k = 0; k < segments; ++k) {
        const PointRecord a = points[k], b = points[(k + 1) % points.size()];
        const double t = std::clamp(((p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y)) /
                                        ((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y)),
                                    0.0, 1.0);
        nearest = std::min(nearest, std::hypot(p.x - a.x - t * (b.x - a.x), p.y - a.y - t * (b.y - a.y)));
      }
      EXPECT_LT(nearest, 1e-6);
    }
  }
}

TEST_F(MeshBoolean, TheCutIsOneUndoableStep) {
  std::unique_ptr<MMeshObj> cube;
  auto make = [&]() -> MMeshObj& {
    cube.reset(Box({0, 0, 0}, {1, 1, 1}));
    return *cube;
  };
  auto cut = [](MMeshObj& m) {
    DrawnPath path{{0.2, 0.3, 0}, {0.5, 0.55, 0}, {0.8, 0.6, 0}};
    MBoolean boolean;
    boolean.Cut(&m, path.screen, path.nearPoints, path.farPoints, {0, 0, -1}, Identity(), false, false, false);
  };
  EXPECT_TRUE(meshkit::UndoRoundTrip(make(), cut, 0));
  EXPECT_TRUE(meshkit::UndoRestoresAfterAllocationFailures(make, cut, 0));
}

}  // namespace mesh_boolean_test
