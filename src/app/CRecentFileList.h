#pragma once
// The recent-file list: the last pages opened or saved, newest first, at
// most six, kept in the settings section "Recent File List" as "File1" to
// "File6". Paths are compared as the files they name, so one file is never
// listed twice.
#include <string>
#include <vector>

namespace platform {
class Settings;
}

namespace app {

class CRecentFileList {
 public:
  static constexpr int kDefaultSize = 6;
  static constexpr const char* kSection = "Recent File List";

  explicit CRecentFileList(int size = kDefaultSize);

  int GetSize() const { return size_; }
  int GetCount() const { return static_cast<int>(paths_.size()); }
  const std::string& operator[](int index) const { return paths_[static_cast<std::size_t>(index)]; }
  const std::vector<std::string>& Paths() const { return paths_; }

  // Puts the path first (moving it up when it is listed); the oldest entry
  // drops out when the list is full.
  void Add(const std::string& path);
  // An index outside the list is ignored.
  void Remove(int index);

  // Entries missing from the settings are skipped; empty ones too.
  void ReadList(const platform::Settings& settings);
  void WriteList(platform::Settings& settings) const;

 private:
  int size_;
  std::vector<std::string> paths_;
};

}  // namespace app
