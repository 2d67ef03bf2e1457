#pragma once
// Writes an animated GIF from numbered PNG frames on a worker thread.
//
// The frames are "<folder>/1000.png", "<folder>/1001.png", ... One global
// palette made from the colours of every frame serves all of them; each
// frame is drawn at its own size at the top left of a screen as large as the
// largest frame. The user-interface thread follows `progress` and
// `doneFlag` and may set `cancelFlag`; the worker reads the flag between
// frames. Nothing is written to the output path unless the whole file was
// written: a cancelled or failed run leaves the previous file (if any) as it
// was.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/Image.h"

namespace imaging {

class AnimGifWriter {
 public:
  // Loads one frame file; false when it cannot be read.
  using FrameLoader = std::function<bool(const std::string& path, platform::Image& out)>;
  // Shows progress until the job's doneFlag is set; its Cancel sets the
  // job's cancelFlag. Runs on the calling (user-interface) thread.
  using ProgressDialog = std::function<void(AnimGifWriter& job)>;

  AnimGifWriter() = default;
  ~AnimGifWriter();
  AnimGifWriter(const AnimGifWriter&) = delete;
  AnimGifWriter& operator=(const AnimGifWriter&) = delete;

  // ---- shared with the user-interface thread --------------------------
  std::atomic<std::int32_t> progress{0};    // 0 to 99, written by the worker
  std::atomic<std::int32_t> doneFlag{0};    // 1 once the worker has ended
  std::atomic<std::int32_t> result{0};      // WriteAnimatedGif's answer, valid once done
  std::atomic<std::uint8_t> cancelFlag{0};  // written by the user-interface thread

  // ---- set before the worker starts ------------------------------------
  int frameCount = 1;
  int delay = 0;          // hundredths of a second per frame
  bool looping = false;   // write the looping application block
  bool diffuse = false;   // error diffusion instead of plain nearest colour (RunWithProgress:
                          // Ctrl held when it starts)
  std::string outputPath;
  std::string frameFolder;
  std::string comment;    // at most 259 bytes of it are stored
  // How frames are read; empty means the platform's image codec.
  FrameLoader loadFrame;
  // Memory the encoding pass may plan with; 0 means three quarters of the
  // physical memory available when it starts.
  std::uint64_t memoryBudget = 0;

  // Fills the job (diffusion when the Ctrl key is down now), starts the
  // worker, runs the dialog (when given), waits until the worker is done,
  // sets the cancel flag and joins the worker.
  void RunWithProgress(const std::string& output, const std::string& folder, int frames, const std::string& text,
                       bool loop, int delayHundredths, const ProgressDialog& dialog = {});
  // The worker in two halves, with the job's own `diffuse`: Start returns
  // at once, Wait joins.
  void Start(const std::string& output, const std::string& folder, int frames, const std::string& text, bool loop,
             int delayHundredths);
  void Wait();

  // Thread entry: runs WriteAnimatedGif with the job's fields, keeps its
  // answer in `result`, sets the done flag; answers 0.
  static int AnimGifWriterThread(AnimGifWriter* job);

 private:
  std::thread worker_;
};

// The path of frame `index` (0-based) of a frame folder.
std::string AnimGifFramePath(const std::string& folder, int index);

// The work itself. Answers 0, -3 (a frame cannot be read, the comment
// cannot be stored, or the file cannot be made), -6 (cancelled) or the GIF
// code of a failed write.
int WriteAnimatedGif(AnimGifWriter& job, const std::string& outputPath, const std::string& frameFolder,
                     int frameCount, const std::string& comment, bool looping, int delay);

}  // namespace imaging
