// The modelling operations that walk a whole mesh, on spheres of about
// 40 000 to 2 000 000 triangles made by MakeSphere: gathering the connected
// part, growing a face list by its corners, turning a part over and
// orienting it towards a viewpoint. Each walks with its own heap stack;
// reported per face.
#include <benchmark/benchmark.h>

#include <chrono>

#include "engine/mesh/MMeshObj.h"

namespace {

using namespace engine;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

void BM_WholeMeshWalks(benchmark::State& state) {
  MMeshObj mesh;
  mesh.MakeSphere({-1, -1, 1}, {1, 1, -1}, 0, static_cast<int>(state.range(0)));
  const double faces = mesh.faces.Length();
  double gather = 0, grow = 0, flip = 0, orient = 0;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    PtrArray vertexList, lineList, faceList;
    mesh.GatherPartAt(mesh.vertices.First(), &vertexList, &lineList, &faceList);
    mesh.NextVisitStamp();
    Clock::time_point t1 = Clock::now();
    PtrArray grown;
    mesh.GrowFaceList(faceList, grown);
    Clock::time_point t2 = Clock::now();
    mesh.SaveEditState();
    mesh.FlipPartAt(mesh.vertices.First());
    Clock::time_point t3 = Clock::now();
    mesh.OrientParts(false, {0, 5, 0});
    Clock::time_point t4 = Clock::now();
    mesh.Checkpoint(false);
    gather += Seconds(t0, t1);
    grow += Seconds(t1, t2);
    flip += Seconds(t2, t3);
    orient += Seconds(t3, t4);
    if (grown.count != faceList.count) state.SkipWithError("the walks disagree");
  }
  const double rounds = static_cast<double>(state.iterations());
  state.counters["faces"] = faces;
  state.counters["gather_ns_per_face"] = gather / rounds / faces * 1e9;
  state.counters["grow_ns_per_face"] = grow / rounds / faces * 1e9;
  state.counters["flip_ns_per_face"] = flip / rounds / faces * 1e9;
  state.counters["orient_ns_per_face"] = orient / rounds / faces * 1e9;
}
// n segments make about n² triangles: 200 → 40 000, 448 → 200 000, 1000 → 1 000 000.
BENCHMARK(BM_WholeMeshWalks)->Arg(200)->Arg(448)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
