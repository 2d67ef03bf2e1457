#pragma once
// Download job of one URL into a local file, run on a worker thread.
//
// The caller sets url, calls MakeTargetPath, starts the worker
//     std::thread worker(WebDownloader::ThreadProc, &job);
// and follows `progress` (and `doneFlag`) from the user-interface thread,
// setting `cancelFlag` to stop. It joins the thread before it lets the job
// go; after `doneFlag` reads 1 the job is finished and `targetPath` holds
// the file (removed again on every failure the worker met after creating it).
#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/http/WebConfig.h"

namespace imaging {

class WebDownloader {
 public:
  // Final values of `progress`.
  static constexpr std::int32_t kDone = 1000;          // the whole answer is in the file
  static constexpr std::int32_t kDiskFull = -8;        // writing failed: the disk is full
  static constexpr std::int32_t kCannotCreate = -9;    // the target file could not be created
  static constexpr std::int32_t kFileError = -12;      // any other error writing the file
  static constexpr std::int32_t kCancelled = -38;      // stopped through cancelFlag
  static constexpr std::int32_t kNoConnection = -39;   // the host name did not resolve, or the
                                                       // answer broke off (cut short, stalled)
  static constexpr std::int32_t kServerError = -40;    // an error status or the server's error page
  static constexpr std::int32_t kCannotOpen = -41;     // no answer, or one without a Content-Length

  explicit WebDownloader(const WebConfig& config = WebConfig());
  WebDownloader(const WebDownloader&) = delete;
  WebDownloader& operator=(const WebDownloader&) = delete;

  // ---- shared with the user-interface thread --------------------------
  std::atomic<std::uint8_t> cancelFlag{0};  // written by the user-interface thread only
  std::atomic<std::int32_t> doneFlag{0};    // 1 once the worker has finished
  // While running: per cent received, 0 to 100 (0 throughout when the
  // answer is empty). At the end: kDone or one of the negative codes.
  std::atomic<std::int32_t> progress{0};

  // ---- set before the worker starts, read after it is done -------------
  std::string url;
  std::string targetPath;

  // Sets the target: path when it is not empty; otherwise a new temporary
  // file named "PNT..." in the temporary folder (the file is created and
  // stays, empty) followed by "." and the URL's extension, the text after
  // the URL's last ".". Answers the target, empty when no temporary name
  // could be made.
  const std::string& MakeTargetPath(const std::string& path);

  // The download; its results are in the fields above.
  void Run();
  // Thread entry: runs the job; answers 0.
  static int ThreadProc(WebDownloader* job);

 private:
  WebConfig config_;
};

}  // namespace imaging
