#include "app/CRecentFileList.h"

#include <algorithm>

#include "app/FilePaths.h"
#include "platform/Settings.h"

namespace app {
namespace {

std::string EntryKey(int index) { return "File" + std::to_string(index + 1); }

}  // namespace

CRecentFileList::CRecentFileList(int size) : size_(std::max(1, size)) {}

void CRecentFileList::Add(const std::string& path) {
  if (path.empty()) return;
  std::erase_if(paths_, [&](const std::string& listed) { return IsSameFile(listed, path); });
  paths_.insert(paths_.begin(), path);
  if (GetCount() > size_) paths_.resize(static_cast<std::size_t>(size_));
}

void CRecentFileList::Remove(int index) {
  if (index < 0 || index >= GetCount()) return;
  paths_.erase(paths_.begin() + index);
}

void CRecentFileList::ReadList(const platform::Settings& settings) {
  paths_.clear();
  for (int i = 0; i < size_; ++i) {
    const std::string path = settings.GetString(kSection, EntryKey(i));
    if (!path.empty()) paths_.push_back(path);
  }
}

void CRecentFileList::WriteList(platform::Settings& settings) const {
  settings.Remove(kSection);
  for (int i = 0; i < GetCount(); ++i) settings.SetString(kSection, EntryKey(i), paths_[static_cast<std::size_t>(i)]);
}

}  // namespace app
