// Pixel operations on a full A4 page at 600 dpi (4961 × 7016, 32 bits),
// measured against a plain copy of the same bytes. Each benchmark reports
// megapixels per second ("MP/s") and its speed as a fraction of the copy's
// ("x_memcpy": 1 is as fast as copying the page once).
//   build/bench/imaging_bench [--benchmark_filter=Blur]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "imaging/PixelOps.h"
#include "imaging/SoftEdges.h"

namespace {

using imaging::Image;

constexpr int kWidth = 4961;
constexpr int kHeight = 7016;
constexpr double kMegapixels = kWidth * static_cast<double>(kHeight) / 1e6;

const Image& Page() {
  static const Image page = [] {
    Image image(kWidth, kHeight, 32, true);
    std::mt19937 random(1);
    for (int y = 0; y < kHeight; ++y) {
      std::uint8_t* p = image.Row(y);
      for (int x = 0; x < kWidth; ++x, p += 4) {
        const auto alpha = static_cast<std::uint8_t>(random());
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(random() % (alpha + 1u));
        p[3] = alpha;
      }
    }
    return image;
  }();
  return page;
}

// Seconds to copy the page once (the best of a few runs).
double CopySeconds() {
  static const double seconds = [] {
    Image copy(kWidth, kHeight, 32, true);
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
      const auto start = std::chrono::steady_clock::now();
      std::memcpy(copy.Bits(), Page().Bits(), Page().SizeBytes());
      benchmark::DoNotOptimize(copy.Bits());
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
  }();
  return seconds;
}

// Times `run` per iteration and sets the counters from the page's size.
template <class Run>
void Measure(benchmark::State& state, Run run) {
  CopySeconds();  // makes the page and times the copy before the clock runs
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    run();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double perPage = total / static_cast<double>(state.iterations());
  state.counters["MP/s"] = kMegapixels / perPage;
  state.counters["x_memcpy"] = CopySeconds() / perPage;
}

void BM_Memcpy(benchmark::State& state) {
  Image copy(kWidth, kHeight, 32, true);
  Measure(state, [&] {
    std::memcpy(copy.Bits(), Page().Bits(), Page().SizeBytes());
    benchmark::DoNotOptimize(copy.Bits());
  });
}

void BM_BoxBlur(benchmark::State& state) {
  Image out(kWidth, kHeight, 32, true);
  const int radius = static_cast<int>(state.range(0));
  Measure(state, [&] { benchmark::DoNotOptimize(imaging::PnUtilBoxBlur(Page(), out, radius)); });
}

void BM_BoxBlurInPlace(benchmark::State& state) {
  Image page(Page());
  const int radius = static_cast<int>(state.range(0));
  Measure(state, [&] { benchmark::DoNotOptimize(imaging::PnUtilBoxBlur(page, page, radius)); });
}

void BM_Shrink(benchmark::State& state) {
  const int factor = static_cast<int>(state.range(0));
  Image out(kWidth / factor, kHeight / factor, 32, true);
  Measure(state, [&] { benchmark::DoNotOptimize(imaging::PnUtilShrinkImage(Page(), out)); });
}

void BM_Premultiply(benchmark::State& state) {
  Image page(Page());
  Measure(state, [&] {
    imaging::PnUtilPremultiplyAlpha(page);
    benchmark::DoNotOptimize(page.Bits());
  });
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BoxBlur)->Arg(2)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BoxBlurInPlace)->Arg(2)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Shrink)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Premultiply)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
