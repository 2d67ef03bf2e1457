// Speed of the engine's inner loops: the record stream and the matrix maths.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/core/EngMath.h"
#include "engine/core/QFile.h"

namespace {

using namespace engine;

// Reading a mesh-sized run of integers and doubles through the buffer.
void BM_QFileReadRecords(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string path =
      (std::filesystem::temp_directory_path() / ("pennet-bench-" + std::to_string(::getpid()))).string();
  {
    QFile out(path, platform::File::Mode::kCreateWrite);
    for (int i = 0; i < count; ++i) {
      out.WriteInt(i);
      out.WriteDouble(i * 0.5);
    }
    out.FlushAndClose();
  }
  for (auto _ : state) {
    QFile in(path, platform::File::Mode::kRead);
    std::int32_t v = 0;
    double d = 0;
    for (int i = 0; i < count; ++i) {
      in.ReadInt(v);
      in.ReadDouble(d);
    }
    benchmark::DoNotOptimize(v);
    benchmark::DoNotOptimize(d);
  }
  state.SetBytesProcessed(state.iterations() * count * 12);
  std::filesystem::remove(path);
}
BENCHMARK(BM_QFileReadRecords)->Arg(1 << 16)->Arg(1 << 20);

void BM_MUtilInvert(benchmark::State& state) {
  MatrixRecord m, inverse;
  MUtilComposeMatrix(0.7, -0.4, 2.1, {2, 0.5, 3}, {10, -20, 5}, nullptr, m);
  for (auto _ : state) {
    MUtilInvert(m, inverse);
    benchmark::DoNotOptimize(inverse);
  }
}
BENCHMARK(BM_MUtilInvert);

void BM_ComposeDecompose(benchmark::State& state) {
  MatrixRecord m;
  double y = 0.3, x = 0.2, z = 0.1;
  PointRecord scale{1, 1, 1}, translation{1, 2, 3};
  for (auto _ : state) {
    MUtilComposeMatrix(y, x, z, scale, translation, nullptr, m);
    MUtilDecomposeMatrix(m, y, x, z, scale, translation);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_ComposeDecompose);

}  // namespace
