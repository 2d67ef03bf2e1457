// The same sphere-like grid as MeshBench.cpp built, walked and freed with
// OpenMesh's triangle mesh, as the reference for the winged-edge mesh. Built
// only where Debian's libopenmesh-dev is installed.
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/SphereGrid.h"

namespace {

using Mesh = OpenMesh::TriMesh_ArrayKernelT<>;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

void BM_OpenMeshSphere(benchmark::State& state) {
  const bench::SphereGrid grid(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const double faces = static_cast<double>(grid.triangles.size());
  double build = 0, walk = 0, release = 0, residentGrowth = 0;
  std::vector<Mesh::VertexHandle> v(grid.points.size());
  for (auto _ : state) {
    const double residentBefore = bench::ResidentBytes();
    const Clock::time_point start = Clock::now();
    Mesh* mesh = new Mesh();
    for (size_t i = 0; i < grid.points.size(); ++i)
      v[i] = mesh->add_vertex(Mesh::Point(static_cast<float>(grid.points[i].x), static_cast<float>(grid.points[i].y),
                                          static_cast<float>(grid.points[i].z)));
    for (const auto& t : grid.triangles)
      if (!mesh->add_face(v[t[0]], v[t[1]], v[t[2]]).is_valid()) state.SkipWithError("add_face failed");
    const Clock::time_point built = Clock::now();
    residentGrowth = std::max(residentGrowth, bench::ResidentBytes() - residentBefore);
    double sum = 0;
    for (Mesh::VertexHandle vertex : mesh->vertices())
      for (Mesh::VertexHandle neighbour : mesh->vv_range(vertex)) sum += mesh->point(neighbour)[0];
    benchmark::DoNotOptimize(sum);
    const Clock::time_point walked = Clock::now();
    delete mesh;
    const Clock::time_point freed = Clock::now();
    build += Seconds(start, built);
    walk += Seconds(built, walked);
    release += Seconds(walked, freed);
  }
  const double rounds = static_cast<double>(state.iterations());
  state.counters["faces"] = faces;
  state.counters["build_ns_per_face"] = build / rounds / faces * 1e9;
  state.counters["walk_ns_per_face"] = walk / rounds / faces * 1e9;
  state.counters["free_ns_per_face"] = release / rounds / faces * 1e9;
  state.counters["rss_growth_bytes_per_face"] = residentGrowth / faces;
}
BENCHMARK(BM_OpenMeshSphere)->Args({100, 100})->Args({1000, 500})->Unit(benchmark::kMillisecond);

}  // namespace
