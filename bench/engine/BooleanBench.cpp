// The union of two overlapping 50 000-face spheres, against CGAL's
// corefinement union of the same two solids in the same run (B moved by
// the transform our boolean used, jitter included): both times, their
// ratio and both volumes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "cgal/CgalReference.h"
#include "engine/core/EngRandom.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/MBoolean.h"

namespace {

using namespace engine;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

// A sphere of radius 1 about `centre` from the mesh's own primitive.
MMeshObj* SphereAt(const PointRecord& centre, int n) {
  auto* mesh = new MMeshObj();
  mesh->MakeSphere({centre.x - 1, centre.y - 1, centre.z + 1}, {centre.x + 1, centre.y + 1, centre.z - 1}, 0, n);
  mesh->Checkpoint(false);
  return mesh;
}

double VolumeOf(const MMeshObj& mesh) {
  double six = 0;
  for (const MFace* face : mesh.faces) {
    MVertex* c[3];
    face->GetVertices(c);
    const PointRecord &a = c[0]->position, &b = c[1]->position, &d = c[2]->position;
    six += a.x * (b.y * d.z - b.z * d.y) - a.y * (b.x * d.z - b.z * d.x) + a.z * (b.x * d.y - b.y * d.x);
  }
  return six / 6;
}

void BM_UnionOfTwoSpheres(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  double ours = 0, theirs = 0, ourVolume = 0, theirVolume = 0, faces = 0;
  for (auto _ : state) {
    EngSeedRandom(1);
    MMeshObj* a = SphereAt({0, 0, 0}, n);
    MMeshObj* b = SphereAt({0.6, 0.35, 0.2}, n);
    faces = static_cast<double>(a->faces.count);
    const cgaltest::SurfaceMesh surfaceA = cgaltest::SurfaceOf(*a, cgaltest::IdentityMatrix());
    const std::unique_ptr<MMeshObj> copyB(static_cast<MMeshObj*>(b->Clone()));
    MatrixRecord identity;
    MUtilIdentity(identity);
    MBoolean boolean;
    const Clock::time_point t0 = Clock::now();
    std::unique_ptr<MMeshObj> r(boolean.Combine(a, b, identity, identity, MBoolean::kUnion));
    const Clock::time_point t1 = Clock::now();
    if (r == nullptr) {
      state.SkipWithError("the union failed");
      EngContext().ClearFailure();
      break;
    }
    const cgaltest::SurfaceMesh surfaceB = cgaltest::SurfaceOf(*copyB, boolean.GetBToATransform());
    const Clock::time_point t2 = Clock::now();
    theirVolume = cgaltest::ReferenceVolume(surfaceA, surfaceB, cgaltest::Operation::kUnion);
    const Clock::time_point t3 = Clock::now();
    ours += Seconds(t0, t1);
    theirs += Seconds(t2, t3);
    ourVolume = VolumeOf(*r);
  }
  state.counters["faces_each"] = faces;
  state.counters["ours_s"] = benchmark::Counter(ours, benchmark::Counter::kAvgIterations);
  state.counters["cgal_s"] = benchmark::Counter(theirs, benchmark::Counter::kAvgIterations);
  state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
  state.counters["our_volume"] = ourVolume;
  state.counters["cgal_volume"] = theirVolume;
}
BENCHMARK(BM_UnionOfTwoSpheres)->Arg(225)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
