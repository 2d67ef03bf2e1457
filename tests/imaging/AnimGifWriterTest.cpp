#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ImagingTestSupport.h"
#include "imaging/detail/SafeSave.h"
#include "imaging/gif/AnimGifWriter.h"
#include "imaging/gif/GifWriter.h"
#include "platform/ImageCodec.h"
#include "platform/InputState.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

using imaging::AnimGifWriter;
using imaging_test::Quoted;
using imaging_test::ReadBytes;
using imaging_test::RunTool;
using platform::Bgra;
using platform::Image;

constexpr Bgra kRed{0, 0, 255, 255};
constexpr Bgra kBlue{255, 0, 0, 255};
constexpr const char* kComment = "Created using Corvandel Velto5";

Image Filled(int width, int height, int bpp, Bgra colour) {
  Image image(width, height, bpp, bpp == 32);
  image.Fill(colour);
  return image;
}

// Three frames of two colours in all: a 24-bit red 6 x 4, a 32-bit blue
// 4 x 3 whose right half is transparent, and a 24-bit blue 5 x 6.
std::vector<Image> TwoColourFrames() {
  Image middle = Filled(4, 3, 32, kBlue);
  for (int y = 0; y < 3; ++y)
    for (int x = 2; x < 4; ++x) middle.SetBgra(x, y, Bgra{255, 0, 0, 0});
  return {Filled(6, 4, 24, kRed), middle, Filled(5, 6, 24, kBlue)};
}

// Frames kept in memory under the paths the writer asks for; `onLoad`
// (optional) sees every request in order.
class MemoryFrames {
 public:
  MemoryFrames(const std::string& folder, const std::vector<Image>& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i)
      frames_[imaging::AnimGifFramePath(folder, static_cast<int>(i))] = frames[i];
  }
  AnimGifWriter::FrameLoader Loader(std::function<void(int call)> onLoad = {}) {
    return [this, onLoad](const std::string& path, Image& out) {
      if (onLoad) onLoad(calls_++);
      auto it = frames_.find(path);
      if (it == frames_.end()) return false;
      out = it->second;
      return true;
    };
  }

 private:
  std::map<std::string, Image> frames_;
  std::atomic<int> calls_{0};
};

int Write(AnimGifWriter& job, const std::string& path, int frames, bool looping, int delay = 7) {
  return imaging::WriteAnimatedGif(job, path, "/frames/", frames, kComment, looping, delay);
}

bool Contains(const std::vector<std::uint8_t>& bytes, const std::string& text) {
  const std::vector<std::uint8_t> wanted(text.begin(), text.end());
  return std::search(bytes.begin(), bytes.end(), wanted.begin(), wanted.end()) != bytes.end();
}

// The values giftext prints after `label` for each block, in file order.
std::vector<std::string> GiftextValues(const std::string& text, const std::string& label) {
  std::vector<std::string> values;
  for (std::size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
    const std::size_t start = at + label.size();
    values.push_back(text.substr(start, text.find('\n', start) - start));
  }
  return values;
}

const std::string kLoopBlock = std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);

TEST(AnimGifWriter, FramePathsAreNumberedFromOneThousand) {
  EXPECT_EQ(imaging::AnimGifFramePath("/tmp/f//", 0), "/tmp/f/1000.png");
  EXPECT_EQ(imaging::AnimGifFramePath("/tmp/f", 12), "/tmp/f/1012.png");
}

TEST(WriteAnimatedGif, IndependentDecodersSeeFramesDelaysLoopAndPixels) {
  testsupport::TempDir dir;
  const std::vector<Image> frames = TwoColourFrames();
  MemoryFrames memory("/frames", frames);
  AnimGifWriter job;
  job.loadFrame = memory.Loader();
  const std::string path = dir / "anim.gif";
  ASSERT_EQ(Write(job, path, 3, true), 0);
  EXPECT_EQ(job.progress.load(), 99);

  const auto sizes = RunTool("identify -format '%W %H %w %h %T|' " + Quoted(path));
  ASSERT_EQ(sizes.exitCode, 0) << "ImageMagick identify is needed";
  EXPECT_EQ(sizes.out, "6 6 6 4 7|6 6 4 3 7|6 6 5 6 7|");
  // The loop block makes ImageMagick report endless iterations.
  EXPECT_NE(RunTool("identify -verbose " + Quoted(path)).out.find("Iterations: 0"), std::string::npos);

  // Each frame: its own position and size, the delay, disposal 2.
  const auto fields = RunTool("giftool -f '%n %p %w %h %d %x;' < " + Quoted(path));
  ASSERT_EQ(fields.exitCode, 0) << "giftool (giflib-tools) is needed";
  EXPECT_EQ(fields.out, "1 0,0 6 4 7 2;2 0,0 4 3 7 2;3 0,0 5 6 7 2;");

  // Two colours and the reserved entry need four palette entries; both
  // colours are kept exactly and the code size is 2. Only the 32-bit frame
  // declares the reserved entry transparent.
  const auto text = RunTool("giftext -c -e " + Quoted(path));
  ASSERT_EQ(text.exitCode, 0);
  EXPECT_EQ(GiftextValues(text.out, "Transparency on: "), (std::vector<std::string>{"no", "yes", "no"}));
  EXPECT_EQ(GiftextValues(text.out, "Transparent Index: ")[1], "3");
  EXPECT_NE(text.out.find("GIF89 comment"), std::string::npos);
  EXPECT_NE(text.out.find("BitsPerPixel = 2"), std::string::npos);
  EXPECT_NE(text.out.find("3: ffh 00h ffh"), std::string::npos);
  EXPECT_NE(text.out.find("Code Size = 2"), std::string::npos);
  EXPECT_NE(text.out.find("GIF file terminated normally."), std::string::npos);

  const auto rgba = RunTool("convert " + Quoted(path) + " -depth 8 rgba:-");
  ASSERT_EQ(rgba.out.size(), (6u * 4u + 4u * 3u + 5u * 6u) * 4u);
  const auto* px = reinterpret_cast<const std::uint8_t*>(rgba.out.data());
  for (std::size_t f = 0, at = 0; f < frames.size(); ++f)
    for (int y = 0; y < frames[f].Height(); ++y)
      for (int x = 0; x < frames[f].Width(); ++x, at += 4) {
        const Bgra want = frames[f].GetBgra(x, y);
        if (frames[f].HasAlpha() && want.a == 0) {
          ASSERT_EQ(px[at + 3], 0) << f << " " << x << "," << y;
        } else {
          ASSERT_EQ((Bgra{px[at + 2], px[at + 1], px[at], px[at + 3]}), (Bgra{want.b, want.g, want.r, 255}))
              << f << " " << x << "," << y;
        }
      }
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  EXPECT_TRUE(Contains(bytes, kLoopBlock));
  // The comment and the trailer end the file.
  const std::string tail = std::string("\x21\xFE\x1E", 3) + kComment + std::string("\0\x3B", 2);
  ASSERT_GT(bytes.size(), tail.size());
  EXPECT_EQ(std::string(bytes.end() - static_cast<std::ptrdiff_t>(tail.size()), bytes.end()), tail);
}

TEST(WriteAnimatedGif, LoopBlockOnlyWhenAskedAndOpaqueFramesHaveNoTransparency) {
  testsupport::TempDir dir;
  MemoryFrames memory("/frames", {Filled(3, 3, 24, kRed), Filled(3, 3, 24, kBlue)});
  AnimGifWriter job;
  job.loadFrame = memory.Loader();
  const std::string path = dir / "once.gif";
  ASSERT_EQ(Write(job, path, 2, false, 100), 0);
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  EXPECT_FALSE(Contains(bytes, "NETSCAPE"));
  // Graphic control: disposal 2, no transparency, delay 100, index 3.
  EXPECT_TRUE(Contains(bytes, std::string("\x21\xF9\x04\x08\x64\x00\x03\x00", 8)));
  const auto text = RunTool("giftext " + Quoted(path));
  ASSERT_EQ(text.exitCode, 0);
  EXPECT_EQ(text.out.find("application block"), std::string::npos);
  EXPECT_NE(text.out.find("Transparency on: no"), std::string::npos);
  EXPECT_EQ(text.out.find("Transparency on: yes"), std::string::npos);
  EXPECT_EQ(RunTool("giftool -f '%d %x;' < " + Quoted(path)).out, "100 2;100 2;");
  EXPECT_EQ(RunTool("identify -verbose " + Quoted(path)).out.find("Iterations:"), std::string::npos);
}

TEST(WriteAnimatedGif, SmallBatchesWriteTheSameFile) {
  testsupport::TempDir dir;
  MemoryFrames memory("/frames", TwoColourFrames());
  AnimGifWriter job;
  job.loadFrame = memory.Loader();
  job.diffuse = true;
  ASSERT_EQ(Write(job, dir / "whole.gif", 3, true), 0);
  job.memoryBudget = 1;  // one frame per batch
  ASSERT_EQ(Write(job, dir / "batched.gif", 3, true), 0);
  EXPECT_EQ(ReadBytes(dir / "batched.gif"), ReadBytes(dir / "whole.gif"));
}

TEST(WriteAnimatedGif, CancelOrUnreadableFramesStopWithoutTouchingTheTarget) {
  struct Case {
    const char* name;
    int cancelAtLoad;  // -1: never
    int frames;        // more than the folder holds makes a frame missing
    int expected;
  };
  const Case cases[] = {
      {"cancel while analysing", 1, 3, imaging::kGifCancelled},
      {"cancel while encoding", 4, 3, imaging::kGifCancelled},
      {"missing frame", -1, 4, imaging::kGifCannotCreate},
  };
  for (const Case& c : cases) {
    testsupport::TempDir dir;
    const std::string path = dir / "kept.gif";
    imaging_test::WriteBytes(path, {1, 2, 3});
    MemoryFrames memory("/frames", TwoColourFrames());
    AnimGifWriter job;
    job.loadFrame = memory.Loader([&](int call) {
      if (call == c.cancelAtLoad) job.cancelFlag.store(1);
    });
    EXPECT_EQ(Write(job, path, c.frames, true), c.expected) << c.name;
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3})) << c.name;
    EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{"kept.gif"}) << c.name;
  }
}

TEST(WriteAnimatedGif, AFullDiskIsReportedAndLeavesThePreviousFile) {
  testsupport::TempDir dir;
  const std::string path = dir / "kept.gif";
  imaging_test::WriteBytes(path, {1, 2, 3});
  Image noise(120, 120, 24);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x)
      noise.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(x * 31 + y * 7), static_cast<std::uint8_t>(x * y),
                               static_cast<std::uint8_t>(y * 13), 255});
  MemoryFrames memory("/frames", {noise, noise});
  AnimGifWriter job;
  job.loadFrame = memory.Loader();
  {
    imaging_test::ScopedFileSizeLimit limit(3000);
    EXPECT_EQ(Write(job, path, 2, true), imaging::kGifDiskFull);
  }
  EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{"kept.gif"});
}

TEST(AnimGifWriter, RunWithProgressWorksOnAWorkerAndReportsProgress) {
  testsupport::TempDir dir;
  MemoryFrames memory(dir / "frames", TwoColourFrames());
  AnimGifWriter job;
  job.loadFrame = memory.Loader();
  std::vector<int> seen;
  std::thread::id dialogThread, loaderThread;
  job.loadFrame = [&, inner = memory.Loader()](const std::string& path, Image& out) {
    loaderThread = std::this_thread::get_id();
    return inner(path, out);
  };
  job.RunWithProgress(dir / "run.gif", dir / "frames", 3, kComment, true, 5, [&](AnimGifWriter& running) {
    dialogThread = std::this_thread::get_id();
    while (running.doneFlag.load() == 0) {
      seen.push_back(running.progress.load());
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_EQ(job.doneFlag.load(), 1);
  EXPECT_EQ(job.result.load(), 0);
  EXPECT_EQ(job.progress.load(), 99);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_NE(dialogThread, loaderThread);
  EXPECT_EQ(RunTool("identify -format '%n' " + Quoted(dir / "run.gif") + "[0]").exitCode, 0);
}

TEST(AnimGifWriter, CancelFromTheDialogStopsTheWorkerAndWritesNothing) {
  testsupport::TempDir dir;
  MemoryFrames memory(dir / "frames", TwoColourFrames());
  AnimGifWriter job;
  // The second frame is held back until the cancel arrives, so the worker
  // is surely still working when the dialog cancels.
  job.loadFrame = memory.Loader([&](int call) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (call == 1 && job.cancelFlag.load() == 0 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  job.RunWithProgress(dir / "never.gif", dir / "frames", 3, kComment, true, 5, [](AnimGifWriter& running) {
    running.cancelFlag.store(1);
    while (running.doneFlag.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  EXPECT_EQ(job.doneFlag.load(), 1);
  EXPECT_EQ(job.result.load(), imaging::kGifCancelled);
  EXPECT_FALSE(platform::FileExists(dir / "never.gif"));
  EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{});
}

TEST(AnimGifWriter, ReadsPngFramesFromTheFolderAndTakesCtrlForDiffusion) {
  testsupport::TempDir dir;
  const std::string frames = dir / "frames";
  ASSERT_TRUE(std::filesystem::create_directory(frames));
  // Random colours in 24 bits and a 32-bit frame with a transparent
  // corner: far more colours than the palette holds, so diffusion changes
  // the result.
  Image ramp(64, 16, 24);
  std::mt19937 random(4);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 64; ++x)
      ramp.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                              static_cast<std::uint8_t>(random()), 255});
  Image corner = Filled(20, 20, 32, kRed);
  corner.SetBgra(0, 0, Bgra{0, 0, 0, 0});
  ASSERT_TRUE(platform::SaveImageFile(ramp, imaging::AnimGifFramePath(frames, 0)));
  ASSERT_TRUE(platform::SaveImageFile(corner, imaging::AnimGifFramePath(frames, 1)));

  auto run = [&](bool ctrl, const std::string& name) {
    const platform::KeyStateHook previous =
        platform::SetKeyStateHook([ctrl](int key) { return ctrl && key == platform::VK_CONTROL; });
    AnimGifWriter job;
    job.RunWithProgress(dir / name, frames, 2, kComment, true, 10);
    platform::SetKeyStateHook(previous);
    EXPECT_EQ(job.result.load(), 0) << name;
    EXPECT_EQ(job.diffuse, ctrl);
    return ReadBytes(dir / name);
  };
  const std::vector<std::uint8_t> plain = run(false, "plain.gif"), diffused = run(true, "diffused.gif");
  EXPECT_NE(plain, diffused);
  const auto sizes = RunTool("identify -format '%W %H %w %h|' " + Quoted(dir / "plain.gif"));
  EXPECT_EQ(sizes.out, "64 20 64 16|64 20 20 20|");
  const auto text = RunTool("giftext " + Quoted(dir / "diffused.gif"));
  EXPECT_EQ(GiftextValues(text.out, "Transparency on: "), (std::vector<std::string>{"no", "yes"}));
}

TEST(SaveThroughFile, AWriterThatStopsLeavesTheTargetAsItWas) {
  testsupport::TempDir dir;
  const std::string path = dir / "t.bin";
  imaging_test::WriteBytes(path, {9});
  const auto stopped = imaging::detail::SaveThroughFile(path, [](platform::File& file) {
    file.Write("abc", 3);
    return false;
  });
  EXPECT_EQ(stopped.outcome, imaging::detail::SaveOutcome::kStopped);
  EXPECT_EQ(ReadBytes(path), std::vector<std::uint8_t>{9});
  const auto saved = imaging::detail::SaveThroughFile(path, [](platform::File& file) {
    file.Write("abc", 3);
    return true;
  });
  EXPECT_TRUE(saved.Saved());
  EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{"t.bin"});
}

}  // namespace
