#include "page/LibraryFiles.h"

#include <fstream>
#include <iterator>

#include "page/PnGlobal.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"

namespace page::library {

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string WebFolderOf(std::string_view url) {
  const std::size_t slash = url.rfind('/');
  return std::string(slash == std::string_view::npos ? std::string_view() : url.substr(0, slash + 1));
}

// A stored entry relative to the data folder as a full path.
std::string DataPath(const LibraryContext& context, std::string_view stored) {
  return platform::JoinPath(context.dataFolder, platform::StoredToPath(stored));
}

int MakeLocal(const LibraryContext& context, std::string& path, bool companion) {
  if (!IsWebPath(path)) return 0;
  if (!context.makeLocal) return -39;
  return context.makeLocal(path, companion);
}

// A web folder given as a link text file (".txt") is the folder its text names.
int ResolveTextLink(const LibraryContext& context, std::string& path) {
  if (UpperExtension(path) != "TXT") return 0;
  std::string local = path;
  if (const int rc = MakeLocal(context, local, false); rc < 0) return rc;
  std::vector<std::string> lines;
  if (!ReadTextLines(local, lines) || lines.empty()) return -9;
  path = lines.front();
  return 0;
}

// Reads the index of a web folder as title and name pairs; the code of a
// failed download, -9 for an index that cannot be read.
int ReadIndexPairs(const LibraryContext& context, const std::string& folderUrl,
                   std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string local = folderUrl + std::string(kIndexFileName);
  if (const int rc = MakeLocal(context, local, false); rc < 0) return rc;
  std::vector<std::string> lines;
  if (!ReadTextLines(local, lines)) return -9;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) pairs.emplace_back(lines[i], lines[i + 1]);
  return 0;
}

bool AddWebFolderChildren(const LibraryContext& context, const std::string& folderUrl,
                          std::vector<TreeEntry>& entries, int& result) {
  std::vector<std::pair<std::string, std::string>> pairs;
  result = ReadIndexPairs(context, folderUrl, pairs);
  if (result < 0) return false;
  for (const auto& [title, name] : pairs) {
    const std::string kind = UpperExtension(name);
    if (name.size() < 4) continue;
    const std::string stem = name.substr(0, name.size() - 4);
    if (kind == "DIR")
      entries.push_back({title, folderUrl + stem + "/", kImageFolder});
    else if (kind == "Z4J")
      entries.push_back({title, stem, kImageLink});
  }
  return true;
}

}  // namespace

bool IsWebPath(std::string_view path) { return path.starts_with("http:"); }

std::string UpperExtension(std::string_view path) {
  std::string extension = platform::ExtensionOf(path);
  for (char& c : extension) c = AsciiUpper(c);
  return extension;
}

std::string TitleOf(std::string_view path) {
  std::string name = platform::FileNameOf(path);
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
  return name;
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes;
  char buffer[64 * 1024];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxTextFileBytes) return false;
  }
  if (in.bad()) return false;
  std::optional<std::string> decoded = platform::Cp932ToUtf8(bytes);
  if (!decoded) return false;
  text = std::move(*decoded);
  return true;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!ReadText(path, text)) return false;
  lines.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return true;
}

bool ListTreeChildren(const LibraryContext& context, const std::string& folder, std::vector<TreeEntry>& entries,
                      int& result) {
  result = 0;
  if (IsWebPath(folder)) {
    std::string url = folder;
    if ((result = ResolveTextLink(context, url)) < 0) return false;
    return AddWebFolderChildren(context, url, entries, result);
  }
  for (const std::string& name : platform::ListDirectory(folder, platform::ListKind::kFolders))
    entries.push_back({TitleOf(name), platform::JoinPath(folder, name), kImageFolder});
  for (const std::string& name : platform::ListDirectory(folder, platform::ListKind::kFiles)) {
    if (UpperExtension(name) != "Z4J") continue;
    std::string target;
    if (!ReadText(platform::JoinPath(folder, name), target)) continue;
    while (!target.empty() && (target.back() == '\n' || target.back() == '\r')) target.pop_back();
    if (target.empty() || target == "WebObj") continue;
    if (IsWebPath(target)) {
      if (UpperExtension(target) == "TXT" && context.keywordUrl) context.keywordUrl(target);
    } else {
      target = DataPath(context, target);
      if (!platform::FileExists(target)) continue;
    }
    entries.push_back({TitleOf(name), target, kImageLink});
  }
  return true;
}

std::vector<ListItem> ListFolderItems(const LibraryContext& context, const PnGlobal& global,
                                      const std::string& folder) {
  std::vector<ListItem> items;
  const std::vector<std::string> files = platform::ListDirectory(folder, platform::ListKind::kFiles);
  for (std::string_view kind : kKindList) {
    for (const std::string& name : files) {
      if (UpperExtension(name) != kind) continue;
      const std::string path = platform::JoinPath(folder, name);
      if (global.MatchesPersonStyle(path)) items.push_back({TitleOf(name), path, false});
    }
  }
  std::vector<std::string> lines;
  if (!ReadTextLines(platform::JoinPath(folder, kShortCutFileName), lines)) return items;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (IsWebPath(line)) {
      ListItem item{{}, line, true};
      if (global.MatchesPersonStyle(line) && FindIndexTitle(context, line, item.title) == 0)
        items.push_back(std::move(item));
      continue;
    }
    std::string path = DataPath(context, line);
    if (!global.MatchesPersonStyle(path) || !platform::FileExists(path)) continue;
    items.push_back({TitleOf(path), std::move(path), true});
  }
  return items;
}

int ReadIndexFile(const LibraryContext& context, const std::string& folderUrl, std::vector<ListItem>& items) {
  std::string url = folderUrl;
  if (const int rc = ResolveTextLink(context, url); rc < 0) return rc;
  std::vector<std::pair<std::string, std::string>> pairs;
  const int rc = ReadIndexPairs(context, url, pairs);
  if (rc == -9) return 0;  // an index that cannot be read lists nothing
  if (rc < 0) return rc;
  for (const bool inData : {false, true}) {
    for (std::string_view kind : kKindList) {
      for (const auto& [title, name] : pairs) {
        if (UpperExtension(name) != kind || (name.find('\\') != std::string::npos) != inData) continue;
        if (!inData) {
          items.push_back({title, url + name, false});
        } else if (std::string path = DataPath(context, name); platform::FileExists(path)) {
          items.push_back({title, std::move(path), true});
        }
      }
    }
  }
  return 0;
}

int FindIndexTitle(const LibraryContext& context, const std::string& url, std::string& title) {
  const std::string folder = WebFolderOf(url);
  std::vector<std::pair<std::string, std::string>> pairs;
  const int rc = ReadIndexPairs(context, folder, pairs);
  if (rc < 0) return rc;
  for (const auto& [entryTitle, name] : pairs) {
    if (folder + name == url) {
      title = entryTitle;
      return 0;
    }
  }
  return -9;
}

int FindPageOfPath(const std::string& dataFolder, const std::string& path, std::string& root) {
  // The data folder must be the path's leading components, not any part of it.
  if (dataFolder.empty() || !path.starts_with(dataFolder) || path.size() <= dataFolder.size() ||
      path[dataFolder.size()] != '/')
    return -1;
  const std::size_t start = dataFolder.size() + 1;
  const std::size_t end = path.find('/', start);
  const std::string component = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
  for (std::size_t page = 0; page < kCategories.size(); ++page) {
    if (component == kCategories[page]) {
      root = platform::JoinPath(dataFolder, component);
      return static_cast<int>(page);
    }
  }
  return -1;
}

}  // namespace page::library
