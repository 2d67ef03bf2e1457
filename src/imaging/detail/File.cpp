#include "imaging/detail/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace imaging::detail {

FileError::FileError(const std::string& operation, const std::string& path, int errorNumber)
    : std::runtime_error(operation + " " + path + ": " + std::strerror(errorNumber)), errorNumber_(errorNumber) {}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

void File::Open(const std::string& path, Mode mode) {
  if (fd_ >= 0) throw FileError("already open:", path, EBUSY);
  const int flags = (mode == Mode::kRead ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC) | O_CLOEXEC;
  int fd = -1;
  while ((fd = ::open(path.c_str(), flags, 0666)) < 0 && errno == EINTR) {
  }
  if (fd < 0) throw FileError("cannot open", path, errno);
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    throw FileError("cannot open", path, EISDIR);
  }
  fd_ = fd;
  path_ = path;
}

std::size_t File::Read(void* destination, std::size_t n) {
  auto* out = static_cast<char*>(destination);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::read(fd_, out + done, n - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw FileError("cannot read", path_, errno);
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void File::Write(const void* source, std::size_t n) {
  const auto* in = static_cast<const char*>(source);
  for (std::size_t done = 0; done < n;) {
    const ssize_t put = ::write(fd_, in + done, n - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) throw FileError("cannot write", path_, errno);
    done += static_cast<std::size_t>(put);
  }
}

std::int64_t File::Seek(std::int64_t offset, Origin origin) {
  const int whence = origin == Origin::kBegin ? SEEK_SET : origin == Origin::kCurrent ? SEEK_CUR : SEEK_END;
  const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (at < 0) throw FileError("cannot seek", path_, errno);
  return at;
}

std::int64_t File::GetLength() const {
  struct stat info;
  if (::fstat(fd_, &info) != 0) throw FileError("cannot measure", path_, errno);
  return info.st_size;
}

void File::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) throw FileError("cannot close", path_, errno);
}

}  // namespace imaging::detail
