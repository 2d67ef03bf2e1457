#include "imaging/gif/AnimGifWriter.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <new>
#include <vector>

#include "imaging/detail/TrueColour.h"
#include "imaging/gif/CGifFormat.h"
#include "imaging/gif/CLzwCodec.h"
#include "imaging/gif/ColourQuantiser.h"
#include "imaging/gif/GifFile.h"
#include "imaging/Utilities.h"
#include "platform/Cp932.h"
#include "platform/ImageCodec.h"
#include "platform/InputState.h"
#include "platform/Paths.h"

namespace imaging {
namespace {

constexpr int kFirstFrameNumber = 1000;
constexpr std::size_t kMaxCommentBytes = 259;
constexpr int kMaxScreenSide = 0xFFFF;
constexpr std::uint8_t kDisposeToBackground = 0x08;

// The comment as stored: code page 932 bytes, cut to 259 bytes without
// splitting a two-byte character. False when the text has no such form.
bool StoredComment(const std::string& text, std::string& out) {
  std::optional<std::string> bytes = platform::Utf8ToCp932(text);
  if (!bytes) return false;
  std::size_t keep = 0;
  while (keep < bytes->size()) {
    const auto lead = static_cast<unsigned char>((*bytes)[keep]);
    const std::size_t width = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? 2 : 1;
    if (keep + width > kMaxCommentBytes) break;
    keep += width;
  }
  out = bytes->substr(0, keep);
  return true;
}

std::uint64_t AvailableMemory() {
  std::ifstream info("/proc/meminfo");
  std::string key;
  std::uint64_t kib = 0;
  std::string unit;
  while (info >> key >> kib >> unit)
    if (key == "MemAvailable:") return kib * 1024;
  const long pages = ::sysconf(_SC_AVPHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) : 0;
}

// One frame in the form the mapping reads: 32 bits with alpha; the alpha is
// the file's own for frames that carry it, else 255.
struct LoadedFrame {
  platform::Image image;
  bool transparent = false;
};

bool LoadFrame(const AnimGifWriter& job, const std::string& path, LoadedFrame& out) {
  platform::Image file;
  const bool loaded = job.loadFrame ? job.loadFrame(path, file) : platform::LoadImageFile(path, file);
  if (!loaded || file.IsNull()) return false;
  if (file.Width() > kMaxScreenSide || file.Height() > kMaxScreenSide) return false;
  out.transparent = file.Bpp() == 32 && file.HasAlpha();
  return detail::CopyToTrueColour(file, out.image);
}

// Palette size for t distinct colours plus the reserved transparent entry,
// and the matching table size exponent.
void PaletteSizeFor(int distinct, int& size, int& bits) {
  const int needed = distinct + 1;
  bits = 1;
  while (bits < 8 && (1 << bits) < needed) ++bits;
  size = 1 << bits;
}

class AnimationEncoder {
 public:
  AnimationEncoder(AnimGifWriter& job, int frameCount, const std::string& folder)
      : job_(job), frameCount_(frameCount), frames_(static_cast<std::size_t>(frameCount)) {
    for (int i = 0; i < frameCount; ++i) paths_.push_back(AnimGifFramePath(folder, i));
  }

  // Reads every frame once: the screen size, which frames are transparent,
  // and the shared palette.
  bool Analyse() {
    ColourHistogram histogram;
    for (int i = 0; i < frameCount_; ++i) {
      LoadedFrame frame;
      if (Cancelled() || !LoadFrame(job_, paths_[Index(i)], frame)) return false;
      screenWidth_ = std::max(screenWidth_, frame.image.Width());
      screenHeight_ = std::max(screenHeight_, frame.image.Height());
      frames_[Index(i)].transparent = frame.transparent;
      histogram.CountColours(frame.image, false, frame.transparent);
      SetProgress(12.0 / frameCount_ * (i + 1) + 5);
    }
    int bits = 1;
    PaletteSizeFor(histogram.CountDistinct(), paletteSize_, bits);
    codeSize_ = std::max(bits, 2);
    MedianCutPalette(histogram, palette_, paletteSize_, kQuantizeReserveLast);
    return !Cancelled();
  }

  // Maps and compresses the frames, a batch at a time.
  bool Encode() {
    SetProgress(20);
    const std::unique_ptr<ColourGrid> opaqueGrid = BuildColourGrid(palette_, paletteSize_);
    const std::unique_ptr<ColourGrid> transparentGrid = BuildColourGrid(palette_, paletteSize_ - 1);
    const std::uint64_t budget = job_.memoryBudget ? job_.memoryBudget : AvailableMemory() / 4 * 3;
    const std::uint64_t frameBytes = std::uint64_t(screenWidth_) * std::uint64_t(screenHeight_) * 4 + 1;
    const int batch = static_cast<int>(std::clamp<std::uint64_t>(budget / frameBytes, 1, std::uint64_t(frameCount_)));
    for (int first = 0; first < frameCount_; first += batch) {
      const int end = std::min(frameCount_, first + batch);
      std::vector<LoadedFrame> loaded(static_cast<std::size_t>(end - first));
      for (int i = first; i < end; ++i)
        if (Cancelled() || !LoadFrame(job_, paths_[Index(i)], loaded[Index(i - first)])) return false;
      for (int i = first; i < end; ++i) {
        LoadedFrame& frame = loaded[Index(i - first)];
        frames_[Index(i)].transparent = frame.transparent;
        EncodeFrame(frame, frame.transparent ? *transparentGrid : *opaqueGrid, frames_[Index(i)].block);
        frame.image.Destroy();
        SetProgress(70.0 / frameCount_ * (i + 1) + 20);
        if (Cancelled()) return false;
      }
    }
    return true;
  }

  int Write(const std::string& outputPath, const std::string& comment, bool looping, int delay) {
    return WriteGifFile(outputPath, [&](platform::File& file) {
      GifBytes bytes;
      WriteScreen(bytes, looping);
      file.Write(bytes.data(), bytes.size());
      for (int i = 0; i < frameCount_; ++i) {
        bytes.clear();
        WriteFrame(bytes, frames_[Index(i)], delay);
        file.Write(bytes.data(), bytes.size());
        SetProgress(90 + 8.0 / frameCount_ * (i + 1));
        if (Cancelled()) return false;
      }
      bytes.clear();
      CGifFormat::CommentBlock note;
      note.text = comment;
      note.Write(bytes);
      bytes.push_back(CGifFormat::kTrailer);
      file.Write(bytes.data(), bytes.size());
      return true;
    });
  }

  bool Cancelled() const { return job_.cancelFlag.load() != 0; }

 private:
  struct Frame {
    bool transparent = false;
    CGifFormat::ImageBlock block;
  };

  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  void SetProgress(double value) { job_.progress.store(static_cast<std::int32_t>(value)); }

  void EncodeFrame(const LoadedFrame& frame, const ColourGrid& grid, CGifFormat::ImageBlock& block) const {
    const int w = frame.image.Width(), h = frame.image.Height();
    std::vector<std::uint8_t> indexes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const int transparentIndex = frame.transparent ? paletteSize_ - 1 : -1;
    if (job_.diffuse)
      MapDiffused(frame.image, indexes.data(), palette_, paletteSize_, transparentIndex, &grid);
    else
      MapNearest(frame.image, indexes.data(), palette_, paletteSize_, transparentIndex, &grid);
    block.width = static_cast<std::uint16_t>(w);
    block.height = static_cast<std::uint16_t>(h);
    block.codeSize = static_cast<std::uint8_t>(codeSize_);
    const std::vector<std::uint8_t> codes = LzwEncode(indexes.data(), indexes.size(), codeSize_);
    block.data.Split(codes.data(), codes.size());
  }

  void WriteScreen(GifBytes& out, bool looping) const {
    GifHeader header;
    header.width = static_cast<std::uint16_t>(screenWidth_);
    header.height = static_cast<std::uint16_t>(screenHeight_);
    header.packed = 0xF0;
    header.SetTableSize(paletteSize_);
    header.Write(out);
    CGifFormat::GifColorTable table;
    table.count = paletteSize_;
    std::copy(palette_.begin(), palette_.end(), table.entries.begin());
    table.Write(out, paletteSize_);
    if (!looping) return;
    CGifFormat::ApplicationBlock loop;
    loop.identifier = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E'};
    loop.authentication = {'2', '.', '0'};
    const std::uint8_t forever[3] = {0x01, 0x00, 0x00};
    loop.data.Split(forever, sizeof forever);
    loop.Write(out);
  }

  void WriteFrame(GifBytes& out, const Frame& frame, int delay) const {
    CGifFormat::GraphicControlBlock control;
    control.flags = static_cast<std::uint8_t>(kDisposeToBackground | (frame.transparent ? 1 : 0));
    control.delay = static_cast<std::uint16_t>(std::clamp(delay, 0, 0xFFFF));
    control.transparentIndex = static_cast<std::uint8_t>(paletteSize_ - 1);
    control.Write(out);
    frame.block.Write(out);
  }

  AnimGifWriter& job_;
  int frameCount_;
  std::vector<std::string> paths_;
  std::vector<Frame> frames_;
  int screenWidth_ = 0;
  int screenHeight_ = 0;
  int paletteSize_ = 2;
  int codeSize_ = 2;
  Palette palette_;
};

}  // namespace

std::string AnimGifFramePath(const std::string& folder, int index) {
  std::string base = folder;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return platform::JoinPath(base, std::to_string(kFirstFrameNumber + index) + ".png");
}

int WriteAnimatedGif(AnimGifWriter& job, const std::string& outputPath, const std::string& frameFolder,
                     int frameCount, const std::string& comment, bool looping, int delay) {
  std::string storedComment;
  if (frameCount < 1 || !StoredComment(comment, storedComment)) return kGifCannotCreate;
  try {
    job.progress.store(5);
    AnimationEncoder encoder(job, frameCount, frameFolder);
    if (!encoder.Analyse() || !encoder.Encode()) return encoder.Cancelled() ? kGifCancelled : kGifCannotCreate;
    const int written = encoder.Write(outputPath, storedComment, looping, delay);
    job.progress.store(99);
    return written;
  } catch (const std::bad_alloc&) {
    return job.cancelFlag.load() ? kGifCancelled : kGifCannotCreate;
  }
}

// ---- the job ---------------------------------------------------------------

AnimGifWriter::~AnimGifWriter() {
  if (worker_.joinable()) {
    cancelFlag.store(1);
    worker_.join();
  }
}

void AnimGifWriter::Start(const std::string& output, const std::string& folder, int frames, const std::string& text,
                          bool loop, int delayHundredths) {
  Wait();
  outputPath = output;
  frameFolder = folder;
  frameCount = frames;
  comment = text;
  looping = loop;
  delay = delayHundredths;
  progress.store(0);
  doneFlag.store(0);
  result.store(0);
  cancelFlag.store(0);
  worker_ = std::thread(&AnimGifWriter::AnimGifWriterThread, this);
}

void AnimGifWriter::Wait() {
  if (worker_.joinable()) worker_.join();
}

void AnimGifWriter::RunWithProgress(const std::string& output, const std::string& folder, int frames,
                                    const std::string& text, bool loop, int delayHundredths,
                                    const ProgressDialog& dialog) {
  // Ctrl held when the export starts asks for error diffusion.
  diffuse = PnUtilIsKeyDown(platform::VK_CONTROL);
  Start(output, folder, frames, text, loop, delayHundredths);
  if (dialog) dialog(*this);
  while (doneFlag.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  cancelFlag.store(1);
  Wait();
}

int AnimGifWriter::AnimGifWriterThread(AnimGifWriter* job) {
  job->progress.store(0);
  job->result.store(WriteAnimatedGif(*job, job->outputPath, job->frameFolder, job->frameCount, job->comment,
                                     job->looping, job->delay));
  job->doneFlag.store(1);
  return 0;
}

}  // namespace imaging
