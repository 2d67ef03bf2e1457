#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace platform {
namespace {

std::string Describe(const std::string& operation, const std::string& path, int errorNumber) {
  std::string text = operation + " \"" + path + "\"";
  if (errorNumber != 0) text += ": " + std::string(std::strerror(errorNumber));
  return text;
}

}  // namespace

FileError::FileError(const std::string& operation, const std::string& path, int errorNumber)
    : std::runtime_error(Describe(operation, path, errorNumber)), path_(path), errorNumber_(errorNumber) {}

File::File(const std::string& path, Mode mode) { Open(path, mode); }

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

void File::Open(const std::string& path, Mode mode) {
  if (fd_ >= 0) throw FileError("cannot open a second file on", path, 0);
  const int flags = mode == Mode::kRead ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw FileError("cannot open", path, errno);
  // A directory opens for reading but fails on the first read: refuse it here.
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    throw FileError("cannot open", path, EISDIR);
  }
  fd_ = fd;
  mode_ = mode;
  path_ = path;
}

void File::RequireOpen(const char* operation) const {
  if (fd_ < 0) throw FileError(operation, path_, EBADF);
}

std::size_t File::Read(void* destination, std::size_t n) {
  RequireOpen("cannot read");
  auto* out = static_cast<unsigned char*>(destination);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::read(fd_, out + done, n - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError("cannot read", path_, errno);
    }
    if (got == 0) break;  // end of file
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void File::Write(const void* source, std::size_t n) {
  RequireOpen("cannot write");
  const auto* in = static_cast<const unsigned char*>(source);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t put = ::write(fd_, in + done, n - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw FileError("cannot write", path_, errno);
    }
    done += static_cast<std::size_t>(put);
  }
}

std::int64_t File::Seek(std::int64_t offset, Origin origin) {
  RequireOpen("cannot seek");
  const int whence = origin == Origin::kBegin ? SEEK_SET : origin == Origin::kCurrent ? SEEK_CUR : SEEK_END;
  const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (at < 0) throw FileError("cannot seek", path_, errno);
  return at;
}

std::int64_t File::GetPosition() const {
  RequireOpen("cannot tell the position of");
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0) throw FileError("cannot tell the position of", path_, errno);
  return at;
}

std::int64_t File::GetLength() const {
  RequireOpen("cannot measure");
  struct stat info;
  if (::fstat(fd_, &info) != 0) throw FileError("cannot measure", path_, errno);
  return info.st_size;
}

void File::Flush() {
  RequireOpen("cannot flush");
  if (mode_ == Mode::kRead) return;
  if (::fsync(fd_) != 0 && errno != EINVAL) throw FileError("cannot flush", path_, errno);
}

void File::StartWriteBack(std::int64_t offset, std::int64_t n) {
  RequireOpen("cannot flush");
  if (mode_ == Mode::kRead || n <= 0) return;
  // Only a head start: whatever goes wrong here, Flush meets again.
  ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE);
}

void File::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  // POSIX leaves the descriptor closed even when close() reports EINTR.
  if (::close(fd) != 0 && errno != EINTR) throw FileError("cannot close", path_, errno);
}

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace platform
