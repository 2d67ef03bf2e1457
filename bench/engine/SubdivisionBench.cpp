// The smooth surface at scale: a closed mesh of 100,352 triangles (a
// sphere-like grid) subdivided two levels, timed against OpenSubdiv's CPU
// refinement of the same control mesh (topology and positions) in the same
// run. The "ratio" counter of the last benchmark is the surface's time over
// OpenSubdiv's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "engine/SphereGrid.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MMetaSurf.h"
#include "osd/OsdRefine.h"

namespace {

using namespace engine;
using Clock = std::chrono::steady_clock;

constexpr int kSide = 224;  // 2 × 224 × 224 triangles
constexpr int kLevels = 2;

std::unique_ptr<MMeshObj> MakeSphereMesh() {
  const bench::SphereGrid grid(kSide, kSide);
  auto mesh = std::make_unique<MMeshObj>();
  MShader* shader = mesh->AddShader();
  std::vector<MVertex*> v(grid.points.size());
  for (size_t i = 0; i < grid.points.size(); ++i) v[i] = mesh->AddVertex({grid.points[i].x, grid.points[i].y, grid.points[i].z});
  for (const auto& t : grid.triangles) mesh->AddFace(v[t[0]], v[t[1]], v[t[2]], shader);
  return mesh;
}

double SurfaceSeconds(MMeshObj& mesh) {
  const auto start = Clock::now();
  mesh.smoothSurface->Build(kLevels, 0);
  const auto end = Clock::now();
  benchmark::DoNotOptimize(mesh.smoothSurface->vertices.Data());
  return std::chrono::duration<double>(end - start).count();
}

double OpenSubdivSeconds(const osdtest::OsdControl& control) {
  const auto start = Clock::now();
  auto refiner = osdtest::MakeRefiner(control);
  std::vector<osdtest::OsdPoint> points = osdtest::Refine(*refiner, control, kLevels);
  const auto end = Clock::now();
  benchmark::DoNotOptimize(points.data());
  return std::chrono::duration<double>(end - start).count();
}

void BM_SmoothSurfaceTwoLevels(benchmark::State& state) {
  auto mesh = MakeSphereMesh();
  for (auto _ : state) state.SetIterationTime(SurfaceSeconds(*mesh));
  state.counters["faces"] = static_cast<double>(mesh->smoothSurface->faces.Count());
}
BENCHMARK(BM_SmoothSurfaceTwoLevels)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OpenSubdivTwoLevels(benchmark::State& state) {
  auto mesh = MakeSphereMesh();
  const osdtest::OsdControl control = osdtest::ControlMeshOf(*mesh);
  for (auto _ : state) state.SetIterationTime(OpenSubdivSeconds(control));
}
BENCHMARK(BM_OpenSubdivTwoLevels)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both in turn on the same mesh; ratio = surface time / OpenSubdiv time.
void BM_SmoothSurfaceOverOpenSubdiv(benchmark::State& state) {
  auto mesh = MakeSphereMesh();
  const osdtest::OsdControl control = osdtest::ControlMeshOf(*mesh);
  double surface = 0, osd = 0;
  for (auto _ : state) {
    surface += SurfaceSeconds(*mesh);
    osd += OpenSubdivSeconds(control);
    state.SetIterationTime(surface + osd);
  }
  state.counters["ratio"] = osd > 0 ? surface / osd : 0;
}
BENCHMARK(BM_SmoothSurfaceOverOpenSubdiv)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
