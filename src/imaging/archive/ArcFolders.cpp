#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace imaging {
namespace {

// Names are made of the tick and an 8-bit counter; another process may
// have taken one, so a few more are tried.
constexpr int kNameAttempts = 256;

std::atomic<std::uint8_t> nameCounter{0};

bool IsRealFolder(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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
  return ::rmdir(folder.c_str()) == 0 ? kArcOk : kArcCannotRemove;
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
