#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>

#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace imaging {
namespace {

// Names are made of the tick and an 8-bit counter; another process may
// have taken one, so a few more are tried.
constexpr int kNameAttempts = 256;
constexpr std::time_t kStaleAfterSeconds = 60;

std::atomic<std::uint8_t> nameCounter{0};

bool IsRealFolder(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Each temporary folder this process makes stays locked (flock on the
// folder) while it exists, so the start-up clean-up of another process can
// tell a folder in use from one whose owner died. The lock goes with the
// process, however it ends.
class FolderLocks {
 public:
  void Lock(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return;
    }
    const std::lock_guard<std::mutex> guard(mutex_);
    if (const auto old = held_.find(folder); old != held_.end()) ::close(old->second);
    held_[folder] = fd;
  }
  void Unlock(const std::string& folder) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (const auto found = held_.find(folder); found != held_.end()) {
      ::close(found->second);
      held_.erase(found);
    }
  }

 private:
  std::mutex mutex_;
  std::map<std::string, int> held_;
};

FolderLocks& Locks() {
  static FolderLocks* locks = new FolderLocks;  // never destroyed: folders may go after static destruction
  return *locks;
}

// "crv" and 8 hexadecimal digits: the names ArcMakeTempName makes.
bool IsTempFolderName(const std::string& name) {
  if (name.size() != 11 || name.compare(0, 3, "crv") != 0) return false;
  for (std::size_t i = 3; i < name.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// A folder of ours that no running process holds: it can be locked now, and
// it has not changed for a while (a folder just made by another process is
// locked a moment after it appears).
bool IsStaleFolder(const std::string& path, std::time_t now) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
  if (now - info.st_mtime < kStaleAfterSeconds) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

}  // namespace

void ArcMakeTempName(std::string& appendTo) {
  const auto ticks = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                    std::chrono::steady_clock::now().time_since_epoch())
                                                    .count());
  char name[16];
  std::snprintf(name, sizeof name, "crv%02x%04x%02x", (ticks >> 16) & 0xFFu, ticks & 0xFFFFu,
                static_cast<unsigned>(nameCounter.fetch_add(1)));
  appendTo += name;
}

int ArcCreateTempFolder(std::string& path) {
  std::string base = path.empty() ? platform::TempFolder() : path;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base.empty()) return kArcCannotOpen;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string folder = base + "/";
    ArcMakeTempName(folder);
    if (::mkdir(folder.c_str(), 0700) == 0) {
      Locks().Lock(folder);
      path = folder;
      return kArcOk;
    }
    if (errno != EEXIST) break;
  }
  return kArcCannotOpen;
}

int ArcRemoveFolderFiles(const std::string& folder) {
  if (!platform::IsDirectory(folder)) return kArcNoFolder;
  for (const std::string& name : platform::ListDirectory(folder)) ::unlink(platform::JoinPath(folder, name).c_str());
  if (::rmdir(folder.c_str()) != 0) return kArcCannotRemove;
  Locks().Unlock(folder);
  return kArcOk;
}

int ArcRemoveStaleTempFolders() {
  const std::string base = platform::TempFolder();
  const std::time_t now = std::time(nullptr);
  int removed = 0;
  for (const std::string& name : platform::ListDirectory(base, platform::ListKind::kFolders)) {
    const std::string path = platform::JoinPath(base, name);
    if (IsTempFolderName(name) && IsStaleFolder(path, now) && ArcDeleteFolder(path) == kArcOk) ++removed;
  }
  return removed;
}

int ArcDeleteFolder(const std::string& folder) {
  if (!platform::IsDirectory(folder)) return kArcNoFolder;
  // A folder inside (not a link to one) stops everything before anything
  // is deleted.
  for (const std::string& name : platform::ListDirectory(folder))
    if (IsRealFolder(platform::JoinPath(folder, name))) return kArcCannotRemove;
  return ArcRemoveFolderFiles(folder);
}

}  // namespace imaging
