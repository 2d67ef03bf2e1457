// The winged-edge mesh at scale: a sphere-like grid of up to a million
// triangles built face by face through AddFace, every vertex's ring of lines
// walked, and the mesh freed. Reported per face: the time of each phase, the
// bytes the element pools hold, and the growth of the process's resident
// size while the mesh is built (the most of any round). Compare with mesh_openmesh_bench, which does the same with
// OpenMesh where it is installed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/SphereGrid.h"
#include "engine/mesh/ElementPool.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"

namespace {

using namespace engine;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

// Cold: every round starts from empty pools, as a fresh process would, so
// the first touch of the pools' memory counts. Warm: the pools keep their
// blocks from one round to the next, as in a session that built meshes
// before; what remains is the work of the mesh itself.
void SphereRounds(benchmark::State& state, bool cold) {
  const bench::SphereGrid grid(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const double faces = static_cast<double>(grid.triangles.size());
  double build = 0, walk = 0, release = 0, poolBytes = 0, residentGrowth = 0;
  std::vector<MVertex*> v(grid.points.size());
  auto buildMesh = [&] {
    MMeshObj* mesh = new MMeshObj();
    MShader* shader = mesh->AddShader();
    for (size_t i = 0; i < grid.points.size(); ++i)
      v[i] = mesh->AddVertex({grid.points[i].x, grid.points[i].y, grid.points[i].z});
    for (const auto& t : grid.triangles)
      if (mesh->AddFace(v[t[0]], v[t[1]], v[t[2]], shader) == nullptr) state.SkipWithError("AddFace failed");
    return mesh;
  };
  if (!cold) delete buildMesh();  // the pools take their blocks before timing
  for (auto _ : state) {
    const double residentBefore = bench::ResidentBytes();
    const Clock::time_point start = Clock::now();
    MMeshObj* mesh = buildMesh();
    const Clock::time_point built = Clock::now();
    residentGrowth = std::max(residentGrowth, bench::ResidentBytes() - residentBefore);
    double sum = 0;
    for (MVertex* vertex : mesh->vertices)
      ForEachLineAround(vertex, [&](MLine* line) { sum += line->OtherEnd(vertex)->position.x; });
    benchmark::DoNotOptimize(sum);
    const Clock::time_point walked = Clock::now();
    poolBytes = static_cast<double>(VertexPool().BytesHeld() + LinePool().BytesHeld() + FacePool().BytesHeld());
    delete mesh;
    const Clock::time_point freed = Clock::now();
    build += Seconds(start, built);
    walk += Seconds(built, walked);
    release += Seconds(walked, freed);
    if (cold) {
      state.PauseTiming();
      EngCompactElementPools();
      state.ResumeTiming();
    }
  }
  const double rounds = static_cast<double>(state.iterations());
  state.counters["faces"] = faces;
  state.counters["build_ns_per_face"] = build / rounds / faces * 1e9;
  state.counters["walk_ns_per_face"] = walk / rounds / faces * 1e9;
  state.counters["free_ns_per_face"] = release / rounds / faces * 1e9;
  state.counters["pool_bytes_per_face"] = poolBytes / faces;
  // Measured in every round, so a calibration run before this one (which
  // would have raised the process's peak already) changes nothing.
  state.counters["rss_growth_bytes_per_face"] = residentGrowth / faces;
  EngCompactElementPools();
}
void BM_WingedEdgeSphereCold(benchmark::State& state) { SphereRounds(state, true); }
void BM_WingedEdgeSphereWarm(benchmark::State& state) { SphereRounds(state, false); }
// 20 000 and 1 000 000 triangles.
BENCHMARK(BM_WingedEdgeSphereCold)->Args({100, 100})->Args({1000, 500})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WingedEdgeSphereWarm)->Args({100, 100})->Args({1000, 500})->Unit(benchmark::kMillisecond);

}  // namespace
