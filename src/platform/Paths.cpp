#include "platform/Paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QString>
#include <algorithm>

namespace platform {
namespace {

bool StatPath(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

std::vector<std::string> SplitComponents(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

bool SameNameNoCase(const std::string& a, const std::string& b) {
  // Unicode case folding, as the file systems the stored names came from do
  // (full-width Latin letters included), not just ASCII.
  return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

std::string StoredToPath(std::string_view stored) {
  std::string out(stored);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string PathToStored(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return StatPath(path, st) && S_ISREG(st.st_mode);
}

std::string FileNameOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string ExtensionOf(std::string_view path) {
  std::string name = FileNameOf(path);
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string out(folder);
  if (out.back() != '/') out += '/';
  out += name;
  return out;
}

std::optional<std::string> FindPathNoCase(const std::string& path) {
  if (path.empty()) return std::nullopt;
  if (FileExists(path)) return path;  // the common case: nothing to search

  const bool absolute = path.front() == '/';
  std::string found = absolute ? "/" : "";
  for (const std::string& part : SplitComponents(path)) {
    const std::string exact = JoinPath(found, part);
    if (part == "." || part == ".." || FileExists(exact)) {
      found = exact;
      continue;
    }
    const std::vector<std::string> names = ListDirectory(found.empty() ? "." : found);
    auto match = std::find_if(names.begin(), names.end(),
                              [&](const std::string& name) { return SameNameNoCase(name, part); });
    if (match == names.end()) return std::nullopt;
    found = JoinPath(found, *match);
  }
  return found;
}

std::vector<std::string> ListDirectory(const std::string& folder, ListKind kind) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (kind != ListKind::kAll) {
      const bool isFolder = IsDirectory(JoinPath(folder, name));
      if (isFolder != (kind == ListKind::kFolders)) continue;
    }
    names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
