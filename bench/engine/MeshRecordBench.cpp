// The mesh record at scale: a sphere-like grid of a million triangles
// written through the engine's stream and read back through the object
// factory, timed per megabyte of record, beside a plain write and read of
// the same bytes (one fwrite or fread of the whole file; the write flushed
// to the disk with fsync, as the engine's stream does). The ratio of the
// two is the figure to watch: what numbering, encoding, the element
// factories and the checks of a load cost over moving the bytes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/SphereGrid.h"
#include "engine/core/ObjectFactory.h"
#include "engine/core/QFile.h"
#include "engine/mesh/ElementPool.h"
#include "engine/mesh/MMeshObj.h"

namespace {

using namespace engine;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

std::string RecordPath() {
  return (std::filesystem::temp_directory_path() / "pennet-mesh-record-bench.bin").string();
}

// The million-triangle mesh, built once for every benchmark here.
MMeshObj& BigMesh() {
  static std::unique_ptr<MMeshObj> mesh = [] {
    EngContext().formatVersion = -101;
    InstallMeshObjectServices();
    const bench::SphereGrid grid(1000, 500);
    auto built = std::make_unique<MMeshObj>();
    MShader* shader = built->AddShader();
    std::vector<MVertex*> v(grid.points.size());
    for (size_t i = 0; i < grid.points.size(); ++i)
      v[i] = built->AddVertex({grid.points[i].x, grid.points[i].y, grid.points[i].z});
    for (const auto& t : grid.triangles) built->AddFace(v[t[0]], v[t[1]], v[t[2]], shader);
    return built;
  }();
  return *mesh;
}

double WriteRecord(MMeshObj& mesh, const std::string& path) {
  const Clock::time_point start = Clock::now();
  int counter = 0;
  mesh.AssignIndex(counter);
  QFile out(path, platform::File::Mode::kCreateWrite);
  mesh.WriteTo(out);
  out.FlushAndClose();
  mesh.SetIndex(0);
  return Seconds(start, Clock::now());
}

std::vector<unsigned char> FileBytes(const std::string& path) {
  std::vector<unsigned char> bytes(std::filesystem::file_size(path));
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return {};
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), in);
  std::fclose(in);
  bytes.resize(got);
  return bytes;
}

void ReportPerMegabyte(benchmark::State& state, double engineSeconds, double rawSeconds, double bytes) {
  const double rounds = static_cast<double>(state.iterations());
  const double megabytes = bytes / 1e6;
  state.counters["record_MB"] = megabytes;
  state.counters["engine_ms_per_MB"] = engineSeconds / rounds / megabytes * 1e3;
  state.counters["raw_ms_per_MB"] = rawSeconds / rounds / megabytes * 1e3;
  state.counters["engine_over_raw"] = rawSeconds > 0 ? engineSeconds / rawSeconds : 0;
}

void BM_MeshRecordWrite(benchmark::State& state) {
  MMeshObj& mesh = BigMesh();
  const std::string path = RecordPath();
  const std::string rawPath = path + ".raw";
  WriteRecord(mesh, path);
  const std::vector<unsigned char> bytes = FileBytes(path);
  double engine = 0, raw = 0;
  for (auto _ : state) {
    engine += WriteRecord(mesh, path);
    const Clock::time_point start = Clock::now();
    std::FILE* out = std::fopen(rawPath.c_str(), "wb");
    // Flushed to the disk as the engine's stream flushes its record.
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fflush(out) != 0 ||
        ::fsync(fileno(out)) != 0) {
      state.SkipWithError("the plain write failed");
    }
    if (out != nullptr) std::fclose(out);
    raw += Seconds(start, Clock::now());
  }
  ReportPerMegabyte(state, engine, raw, static_cast<double>(bytes.size()));
  std::filesystem::remove(rawPath);
}

void BM_MeshRecordRead(benchmark::State& state) {
  MMeshObj& mesh = BigMesh();
  const std::string path = RecordPath();
  WriteRecord(mesh, path);
  const double size = static_cast<double>(std::filesystem::file_size(path));
  double engine = 0, raw = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    {
      QFile in(path, platform::File::Mode::kRead);
      std::unique_ptr<MObject> read(ReadObject(in));
      if (read == nullptr) state.SkipWithError(EngContext().failText.c_str());
      engine += Seconds(start, Clock::now());
      state.PauseTiming();
    }
    EngCompactElementPools();
    state.ResumeTiming();
    start = Clock::now();
    benchmark::DoNotOptimize(FileBytes(path));
    raw += Seconds(start, Clock::now());
  }
  ReportPerMegabyte(state, engine, raw, size);
  std::filesystem::remove(path);
}

BENCHMARK(BM_MeshRecordWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MeshRecordRead)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
