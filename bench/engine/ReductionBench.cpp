// Polygon reduction of a 200 000-face sphere to a tenth, against
// meshoptimizer's simplifier to the same face count in the same run: the
// time ratio and both surfaces' distances from the true sphere.
#include <benchmark/benchmark.h>

#include <chrono>

#include "engine/mesh/MMeshObj.h"
#include "meshopt/MeshoptReference.h"

namespace {

using namespace engine;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

void BM_ReduceToATenth(benchmark::State& state) {
  double ours = 0, theirs = 0, ourWorst = 0, theirWorst = 0, ourMean = 0, theirMean = 0, faces = 0, kept = 0;
  for (auto _ : state) {
    MMeshObj mesh;
    // The box's half-diagonal is the radius: a unit sphere.
    mesh.MakeSphere({-1, -1, 1}, {1, 1, -1}, 0, static_cast<int>(state.range(0)));
    const meshopttest::TriangleSoup before = meshopttest::SoupOf(mesh);
    faces = static_cast<double>(before.Faces());
    mesh.Checkpoint(true);
    const Clock::time_point t0 = Clock::now();
    mesh.ReduceAll(0.1);
    const Clock::time_point t1 = Clock::now();
    if (EngContext().failState != kEngFailNone) state.SkipWithError("the reduction failed");
    const meshopttest::TriangleSoup reduced = meshopttest::SoupOf(mesh);
    kept = static_cast<double>(reduced.Faces());
    const Clock::time_point t2 = Clock::now();
    const meshopttest::TriangleSoup reference = meshopttest::Simplified(before, reduced.Faces());
    const Clock::time_point t3 = Clock::now();
    ours += Seconds(t0, t1);
    theirs += Seconds(t2, t3);
    const meshopttest::SphereError a = meshopttest::DistanceFromSphere(reduced, 1);
    const meshopttest::SphereError b = meshopttest::DistanceFromSphere(reference, 1);
    ourWorst = a.worst;
    theirWorst = b.worst;
    ourMean = a.mean;
    theirMean = b.mean;
  }
  const double rounds = static_cast<double>(state.iterations());
  state.counters["faces"] = faces;
  state.counters["faces_kept"] = kept;
  state.counters["ours_s"] = ours / rounds;
  state.counters["meshopt_s"] = theirs / rounds;
  state.counters["time_ratio"] = ours / theirs;
  state.counters["worst_error_ratio"] = ourWorst / theirWorst;
  state.counters["mean_error_ratio"] = ourMean / theirMean;
}
// 448 segments make about 200 000 triangles.
BENCHMARK(BM_ReduceToATenth)->Arg(448)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
