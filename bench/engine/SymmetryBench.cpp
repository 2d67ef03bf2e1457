// The automatic mirror pairing of a flat drawing: a symmetric outline of
// `outline` vertex pairs closed through two points on the axis, and
// `features` separate triangles on each side (one pair of them per
// height), every point moved a little at random. The search tries 21 axis
// directions; its work grows with the outline (candidate pairs) and, much
// faster, with the number of separate strokes that could pair up: here
// the strokes are alike and evenly stacked, so that many pairings of them
// score nearly alike and few branches of the search can be left out.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "engine/mesh/MMeshObj.h"

namespace {

using namespace engine;

std::unique_ptr<MMeshObj> MakeDrawing(int outline, int features) {
  std::mt19937 random(20261211);
  std::uniform_real_distribution<double> wobble(-0.01, 0.01);
  auto mesh = std::make_unique<MMeshObj>();
  mesh->AddShader();
  auto point = [&](double x, double y) { return mesh->AddVertex({x + wobble(random), y + wobble(random), 0}); };
  // The outline: top and bottom on the axis, the pairs on a bulging curve.
  MVertex* top = point(0, 1.2);
  MVertex* bottom = point(0, -1.2);
  MVertex* lastRight = top;
  MVertex* lastLeft = top;
  for (int k = 0; k < outline; ++k) {
    const double a = std::numbers::pi * (k + 1) / (outline + 1);
    const double x = std::sin(a) * (1 + 0.2 * std::sin(3 * a)), y = std::cos(a);
    MVertex* right = point(x, y);
    MVertex* left = point(-x, y);
    mesh->AddLineBetween(lastRight, right);
    mesh->AddLineBetween(lastLeft, left);
    lastRight = right;
    lastLeft = left;
  }
  mesh->AddLineBetween(lastRight, bottom);
  mesh->AddLineBetween(lastLeft, bottom);
  // The features: a small triangle on each side at its own height.
  for (int k = 0; k < features; ++k) {
    const double y = -0.8 + 1.6 * (k + 0.5) / features;
    for (double side : {1.0, -1.0}) {
      MVertex* a = point(side * 0.3, y);
      MVertex* b = point(side * 0.5, y + 0.03);
      MVertex* c = point(side * 0.45, y - 0.03);
      mesh->AddLineBetween(a, b);
      mesh->AddLineBetween(b, c);
      mesh->AddLineBetween(c, a);
    }
  }
  return mesh;
}

void BM_AutoPairMirror(benchmark::State& state) {
  const int outline = static_cast<int>(state.range(0));
  const int features = static_cast<int>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<MMeshObj> mesh = MakeDrawing(outline, features);
    state.ResumeTiming();
    mesh->AutoPairMirror();
    benchmark::DoNotOptimize(mesh->AllVerticesPaired());
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  state.counters["vertices"] = 2 + 2 * outline + 6 * features;
}
BENCHMARK(BM_AutoPairMirror)
    ->Args({8, 2})
    ->Args({32, 2})
    ->Args({128, 2})
    ->Args({32, 6})
    ->Args({32, 10})
    ->Args({32, 14})
    ->Args({32, 20})
    ->Unit(benchmark::kMillisecond);

}  // namespace
