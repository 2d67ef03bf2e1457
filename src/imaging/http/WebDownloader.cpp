#include "imaging/http/WebDownloader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "imaging/http/HttpGet.h"

namespace imaging {
namespace {

// The server's error page is recognised within the first piece of the body.
constexpr std::size_t kFirstPieceSize = 4096;

std::int32_t WriteErrorCode(int error) {
  return error == ENOSPC || error == EDQUOT ? WebDownloader::kDiskFull : WebDownloader::kFileError;
}

// Writes the body into the target file, keeps the per cent value current
// and watches the cancel flag and the error page marker.
class FileSink final : public HttpReceiver {
 public:
  FileSink(WebDownloader& job, std::string marker) : job_(job), marker_(std::move(marker)) {}
  ~FileSink() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool OnOpen(const HttpHead& head) override {
    // An error status fails before the target is touched.
    if (head.status >= 400) return Fail(WebDownloader::kServerError);
    fd_ = ::open(job_.targetPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return Fail(WebDownloader::kCannotCreate);
    created_ = true;
    if (head.contentLength < 0) return Fail(WebDownloader::kCannotOpen);
    contentLength_ = head.contentLength;
    return true;
  }

  bool OnPiece(const char* data, std::size_t size) override {
    for (std::size_t done = 0; done < size;) {
      const ssize_t n = ::write(fd_, data + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(WriteErrorCode(n < 0 ? errno : ENOSPC));
      done += static_cast<std::size_t>(n);
    }
    received_ += size;
    if (contentLength_ > 0)
      job_.progress.store(static_cast<std::int32_t>(std::min<std::int64_t>(100, received_ * 100 / contentLength_)));
    // The piece is written; a cancel now keeps it and ends the download.
    if (job_.cancelFlag.load() != 0) return Fail(WebDownloader::kCancelled);
    if (!markerChecked_) {
      firstPiece_.append(data, std::min(size, kFirstPieceSize - firstPiece_.size()));
      if (firstPiece_.size() == kFirstPieceSize && !CheckMarker()) return false;
    }
    return true;
  }

  // The result of a transfer that ran to its end.
  std::int32_t Finish(HttpOutcome outcome) {
    switch (outcome) {
      case HttpOutcome::kComplete:
        if (!markerChecked_ && !CheckMarker()) break;
        // A body shorter than announced is no download.
        result_ = received_ == contentLength_ ? WebDownloader::kDone : WebDownloader::kNoConnection;
        break;
      case HttpOutcome::kNameNotResolved:
      case HttpOutcome::kReadFailed:
        result_ = WebDownloader::kNoConnection;
        break;
      case HttpOutcome::kOpenFailed:
        result_ = WebDownloader::kCannotOpen;
        break;
      case HttpOutcome::kCancelled:
        result_ = WebDownloader::kCancelled;
        break;
      case HttpOutcome::kStopped:
        break;  // the sink has set the result
    }
    if (fd_ >= 0) {
      const int closed = ::close(fd_);
      if (closed != 0 && result_ == WebDownloader::kDone) result_ = WriteErrorCode(errno);
      fd_ = -1;
    }
    if (result_ != WebDownloader::kDone && created_) ::unlink(job_.targetPath.c_str());
    return result_;
  }

 private:
  bool Fail(std::int32_t code) {
    result_ = code;
    return false;
  }
  // False (with the result set) when the first piece is the error page.
  bool CheckMarker() {
    markerChecked_ = true;
    if (std::string_view(firstPiece_).find(marker_) == std::string_view::npos) return true;
    return Fail(WebDownloader::kServerError);
  }

  WebDownloader& job_;
  std::string marker_;
  int fd_ = -1;
  bool created_ = false;
  std::int64_t contentLength_ = -1;
  std::int64_t received_ = 0;
  std::string firstPiece_;
  bool markerChecked_ = false;
  std::int32_t result_ = WebDownloader::kCannotOpen;
};

// A new empty file "PNT..." in the temporary folder; empty when none can
// be made.
std::string MakeTempFile() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return {};
  std::string name = (folder / "PNTXXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

}  // namespace

WebDownloader::WebDownloader(const WebConfig& config) : config_(config) {}

const std::string& WebDownloader::MakeTargetPath(const std::string& path) {
  targetPath = path;
  if (!targetPath.empty()) return targetPath;
  const std::string temp = MakeTempFile();
  if (temp.empty()) return targetPath;
  const std::size_t dot = url.rfind('.');
  targetPath = temp + "." + (dot == std::string::npos ? std::string() : url.substr(dot + 1));
  return targetPath;
}

void WebDownloader::Run() {
  doneFlag.store(0);
  FileSink sink(*this, "error (" + config_.downloadHost + ")");
  const HttpOutcome outcome = HttpGet(url, config_.downloadTimeouts, &cancelFlag, sink);
  progress.store(sink.Finish(outcome));
  doneFlag.store(1);
}

int WebDownloader::ThreadProc(WebDownloader* job) {
  job->Run();
  return 0;
}

}  // namespace imaging
