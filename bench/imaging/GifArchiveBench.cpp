// GIF export and package archive against the common tools:
//   build/bench/imaging_gif_archive_bench
// GifEncode: a generated 2000 x 2000 photo-like page through the quantiser
// and the GIF writer, with ImageMagick's `convert` of the same pixels timed
// once for the ratios (skipped when convert is missing).
// Pack / Unpack: a generated 100 MB folder, with `tar czf` of the same
// folder timed once for the ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/archive/SArchiver.h"
#include "imaging/gif/GifWriter.h"
#include "platform/TempFiles.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A folder that lives as long as the program.
const std::string& BenchFolder() {
  static const std::string folder = [] {
    std::string path;
    if (!platform::MakeTempFolder("pennet-bench-", path)) std::abort();
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(BenchFolder(), ignored);
    });
    return path;
  }();
  return folder;
}

// Runs a shell command; answers its wall time in seconds, or a negative
// value when it failed.
double TimeCommand(const std::string& command) {
  const auto start = Clock::now();
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return status == 0 ? seconds : -1.0;
}

bool HaveCommand(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

// Smooth colour fields with fine noise and a few hard edges, like a
// rendered figure over a photograph: hundreds of thousands of colours.
platform::Image PhotoLike(int side) {
  platform::Image image(side, side, 32, true);
  std::mt19937 random(1);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const double u = x / double(side), v = y / double(side);
      const int noise = static_cast<int>(random() % 17) - 8;
      auto channel = [&](double value) {
        return static_cast<std::uint8_t>(std::clamp(static_cast<int>(value) + noise, 0, 255));
      };
      platform::Bgra p{channel(128 + 120 * std::sin(7 * u + 3 * v)), channel(128 + 110 * std::cos(5 * v - 2 * u)),
                       channel(255 * u * v + 40 * std::sin(30 * u)), 255};
      if ((x / 250 + y / 250) % 3 == 0 && std::hypot(u - 0.5, v - 0.5) < 0.3) p = {30, 40, 200, 255};
      image.SetBgra(x, y, p);
    }
  return image;
}

void WriteRawBgra(const platform::Image& image, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  for (int y = 0; y < image.Height(); ++y)
    out.write(reinterpret_cast<const char*>(image.Row(y)), static_cast<std::streamsize>(image.Width()) * 4);
}

void BM_GifEncodePhotoLike2000(benchmark::State& state) {
  const int side = 2000;
  const platform::Image image = PhotoLike(side);
  const std::string ours = BenchFolder() + "/ours.gif";
  for (auto _ : state) benchmark::DoNotOptimize(imaging::SaveImageAsGif(image, ours));
  state.counters["bytes"] = static_cast<double>(fs::file_size(ours));
  if (!HaveCommand("convert")) {
    state.SetLabel("convert missing: no comparison");
    return;
  }
  const std::string raw = BenchFolder() + "/photo.bgra", theirs = BenchFolder() + "/convert.gif";
  WriteRawBgra(image, raw);
  const double convertSeconds = TimeCommand("convert -size " + std::to_string(side) + "x" + std::to_string(side) +
                                            " -depth 8 bgra:" + raw + " " + theirs);
  if (convertSeconds < 0) {
    state.SetLabel("convert failed: no comparison");
    return;
  }
  // One more timed run of our own for the ratio, outside the loop.
  const auto start = Clock::now();
  imaging::SaveImageAsGif(image, ours);
  const double ourRun = std::chrono::duration<double>(Clock::now() - start).count();
  state.counters["convert_s"] = convertSeconds;
  state.counters["time_vs_convert"] = ourRun / convertSeconds;
  state.counters["size_vs_convert"] = static_cast<double>(fs::file_size(ours)) / static_cast<double>(fs::file_size(theirs));
}
BENCHMARK(BM_GifEncodePhotoLike2000)->Unit(benchmark::kMillisecond)->Iterations(3);

// 100 files of 1 MB: text-like, noisy and constant ones.
const std::string& HundredMegabyteFolder() {
  static const std::string folder = [] {
    const std::string path = BenchFolder() + "/folder";
    fs::create_directory(path);
    std::mt19937 random(2);
    std::vector<char> data(1 << 20);
    for (int i = 0; i < 100; ++i) {
      for (std::size_t k = 0; k < data.size(); ++k) {
        switch (i % 3) {
          case 0: data[k] = "scene data of a page "[k % 21] + static_cast<char>(random() % 4 == 0); break;
          case 1: data[k] = static_cast<char>(random()); break;
          default: data[k] = static_cast<char>(k / 4096); break;
        }
      }
      std::ofstream(path + "/member" + std::to_string(i) + ".bin", std::ios::binary).write(data.data(), data.size());
    }
    return path;
  }();
  return folder;
}

// tar's time for the same folder, once: packing (czf) or unpacking (xzf).
double TarSeconds(bool unpack) {
  static const double packSeconds = HaveCommand("tar") ? TimeCommand("tar czf " + BenchFolder() + "/folder.tgz -C " +
                                                                     HundredMegabyteFolder() + " .")
                                                       : -1.0;
  if (!unpack || packSeconds < 0) return packSeconds;
  static const double unpackSeconds = [] {
    const std::string out = BenchFolder() + "/untar";
    fs::create_directory(out);
    return TimeCommand("tar xzf " + BenchFolder() + "/folder.tgz -C " + out);
  }();
  return unpackSeconds;
}

void ReportAgainstTar(benchmark::State& state, double ourSeconds, bool unpack) {
  const double tar = TarSeconds(unpack);
  if (tar > 0) {
    state.counters[unpack ? "tar_xzf_s" : "tar_czf_s"] = tar;
    state.counters[unpack ? "time_vs_tar_xzf" : "time_vs_tar_czf"] = ourSeconds / tar;
  } else {
    state.SetLabel("tar missing: no comparison");
  }
}

constexpr std::array<std::uint8_t, 8> kCallerBytes = {6, 0, 0, 0, 1, 0, 0, 0};

void BM_Pack100MB(benchmark::State& state) {
  const bool store = state.range(0) != 0;
  const std::string& folder = HundredMegabyteFolder();
  const std::string package = BenchFolder() + "/folder.pkg";
  double seconds = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (imaging::ArcPackFolderToFile(folder, package, kCallerBytes, store) != 0) state.SkipWithError("packing failed");
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  state.counters["bytes"] = static_cast<double>(fs::file_size(package));
  state.SetBytesProcessed(state.iterations() * 100 * (1 << 20));
  ReportAgainstTar(state, seconds, false);
  const std::string tarball = BenchFolder() + "/folder.tgz";
  if (fs::exists(tarball))
    state.counters["size_vs_tar_czf"] =
        static_cast<double>(fs::file_size(package)) / static_cast<double>(fs::file_size(tarball));
}
BENCHMARK(BM_Pack100MB)->Arg(0)->Arg(1)->ArgName("store")->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Unpack100MB(benchmark::State& state) {
  const std::string package = BenchFolder() + "/unpack.pkg";
  if (imaging::ArcPackFolderToFile(HundredMegabyteFolder(), package, kCallerBytes, false) != 0) {
    state.SkipWithError("packing failed");
    return;
  }
  double seconds = 0;
  for (auto _ : state) {
    std::string out;
    const auto start = Clock::now();
    if (imaging::ArcUnpackFile(package, out) != 0) state.SkipWithError("unpacking failed");
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.PauseTiming();
    imaging::ArcDeleteFolder(out);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * 100 * (1 << 20));
  ReportAgainstTar(state, seconds, true);
}
BENCHMARK(BM_Unpack100MB)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
