#include "platform/TempFiles.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <vector>

#include "platform/Paths.h"

namespace platform {
namespace {

constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::string_view kEngineTempPrefix = "CRV";

// A writable, terminated "<folder>/<prefix>XXXXXX<suffix>" for mkstemps and
// mkdtemp, which fill in the X's.
std::vector<char> Template(const std::string& folder, std::string_view prefix, std::string_view suffix) {
  std::string text = JoinPath(folder, prefix);
  text += "XXXXXX";
  text += suffix;
  std::vector<char> out(text.begin(), text.end());
  out.push_back('\0');
  return out;
}

std::string ErrnoText(std::string_view what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The process's file creation mask, read without changing it (umask() can
// only be read by setting it, which would race with other threads).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  return 022;
}

// Permission bits for the finished file: those of the file it replaces, or
// what a newly created file would get under the current umask (mkstemp makes
// the temporary private).
mode_t FinalMode(const std::string& target) {
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
  return 0666 & ~CurrentUmask();
}

// Flushes the finished temporary to the disk before it replaces the target,
// so a crash right after the rename cannot leave an empty file behind.
bool SyncFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// A save's temporary stays locked (flock) while the save runs, so another
// save of the same file can tell it from one a killed process left.
class TempLock {
 public:
  explicit TempLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX | LOCK_NB);
  }
  ~TempLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  TempLock(const TempLock&) = delete;
  TempLock& operator=(const TempLock&) = delete;

 private:
  int fd_;
};

// A save's temporary is not taken as abandoned while it changed less than
// this long ago: it is locked a moment after it is made.
constexpr std::time_t kStaleAfterSeconds = 60;

// Removes the temporaries ("<prefix>XXXXXX.tmp") of earlier saves of the
// same file that no running save holds: those a killed save left.
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
  const std::time_t now = std::time(nullptr);
  for (const std::string& name : ListDirectory(folder, ListKind::kFiles)) {
    if (name.size() != prefix.size() + 6 + kTempSuffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        !name.ends_with(kTempSuffix))
      continue;
    const std::string path = JoinPath(folder, name);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        now - st.st_mtime < kStaleAfterSeconds)
      continue;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
    ::close(fd);
  }
}

}  // namespace

std::string TempFolder() {
  const char* env = std::getenv("TMPDIR");
  if (env && *env) return env;
  return "/tmp";
}

bool MakeTempFileIn(const std::string& folder, std::string_view prefix, std::string& outPath) {
  outPath.clear();
  std::vector<char> name = Template(folder, prefix, kTempSuffix);
  int fd = ::mkstemps(name.data(), static_cast<int>(kTempSuffix.size()));
  if (fd < 0) return false;
  ::close(fd);
  outPath = name.data();
  return true;
}

bool MakeTempFile(std::string_view prefix, std::string& outPath) {
  return MakeTempFileIn(TempFolder(), prefix, outPath);
}

bool PnUtilMakeTempFileName(std::string& outPath) { return MakeTempFile(kEngineTempPrefix, outPath); }

bool MakeTempFolder(std::string_view prefix, std::string& outPath) {
  outPath.clear();
  std::vector<char> name = Template(TempFolder(), prefix, "");
  if (!::mkdtemp(name.data())) return false;
  outPath = name.data();
  return true;
}

bool PnUtilMakeTempFolder(std::string& outPath) { return MakeTempFolder(kEngineTempPrefix, outPath); }

bool SaveFileSafely(const std::string& target, const FileWriter& write, std::string* error) {
  // Write beside the target (same file system, so the rename is atomic),
  // behind the target's own link when it is a symbolic link.
  std::string real = target;
  if (char* resolved = ::realpath(target.c_str(), nullptr)) {
    real = resolved;
    std::free(resolved);
  }
  std::string folder = FolderOf(real);
  if (folder.empty()) folder = ".";
  const std::string prefix = "." + FileNameOf(real) + ".";
  RemoveStaleTemporaries(folder, prefix);
  std::string temp;
  if (!MakeTempFileIn(folder, prefix, temp)) {
    SetError(error, ErrnoText("Cannot create a temporary file beside", target));
    return false;
  }
  const TempLock lock(temp);
  const mode_t mode = FinalMode(real);
  try {
    if (!write(temp)) {
      ::unlink(temp.c_str());
      SetError(error, "Writing " + target + " failed; the previous file is unchanged.");
      return false;
    }
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  if (::chmod(temp.c_str(), mode) != 0 || !SyncFile(temp) || ::rename(temp.c_str(), real.c_str()) != 0) {
    SetError(error, ErrnoText("Cannot replace", target));
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool WriteFileSafely(const std::string& target, std::string_view bytes, std::string* error) {
  return SaveFileSafely(
      target,
      [bytes](const std::string& tempPath) {
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return false;
        bool ok = WriteAll(fd, bytes);
        return ::close(fd) == 0 && ok;
      },
      error);
}

}  // namespace platform
