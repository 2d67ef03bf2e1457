#include "page/LibrarySearch.h"

#include <cstdio>

#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace page::library {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";  // "　"

bool Contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

// Walks one category for one kind ("" stands for folders), adding the lines.
void ListDataFilesRecursive(const std::string& folder, const std::string& relative, std::string_view kind,
                            std::vector<std::string>& lines) {
  for (const std::string& name : platform::ListDirectory(folder, platform::ListKind::kFolders)) {
    const std::string sub = relative + "\\" + name;
    if (kind.empty()) lines.push_back(sub);
    ListDataFilesRecursive(platform::JoinPath(folder, name), sub, kind, lines);
  }
  for (const std::string& name : platform::ListDirectory(folder, platform::ListKind::kFiles)) {
    if (UpperExtension(name) == kind) lines.push_back(relative + "\\" + name);
  }
}

// Lines as Shift-JIS with CR LF; lines that Shift-JIS cannot hold are left out.
std::string EncodeLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    if (std::optional<std::string> encoded = platform::Utf8ToCp932(line)) {
      bytes += *encoded;
      bytes += "\r\n";
    }
  }
  return bytes;
}

}  // namespace

std::vector<std::string> SplitSearchWords(std::string_view text) {
  std::vector<std::string> words;
  while (!text.empty()) {
    const std::size_t ascii = text.find(' ');
    const std::size_t wide = text.find(kIdeographicSpace);
    const std::size_t cut = std::min(ascii, wide);
    if (cut == std::string_view::npos) {
      words.emplace_back(text);
      break;
    }
    if (cut > 0) words.emplace_back(text.substr(0, cut));
    text.remove_prefix(cut + (cut == ascii ? 1 : kIdeographicSpace.size()));
  }
  return words;
}

bool WriteDataFileList(const std::string& dataFolder, const std::string& listPath) {
  std::vector<std::string> lines;
  for (std::string_view category : kCategories) {
    const std::string folder = platform::JoinPath(dataFolder, category);
    ListDataFilesRecursive(folder, std::string(category), "", lines);
    for (std::string_view kind : kKindList) ListDataFilesRecursive(folder, std::string(category), kind, lines);
  }
  return platform::WriteFileSafely(listPath, EncodeLines(lines));
}

std::string RebuildDataFileList(const std::string& dataFolder, const std::string& userFolder,
                                const std::string& installDate, std::string& builtForDate, bool force) {
  const std::string path = platform::JoinPath(userFolder, kDataFileListName);
  if (!force && builtForDate == installDate && platform::IsRegularFile(path)) return path;
  if (!WriteDataFileList(dataFolder, path)) return {};
  builtForDate = installDate;
  return path;
}

void SearchKeywordLines(const std::vector<std::string>& lines, const std::vector<std::string>& words,
                        const std::string& prefix, bool anyWord, std::vector<std::string>& matches) {
  std::vector<bool> found(words.size(), false);
  std::string item;
  for (const std::string& line : lines) {
    if (line.starts_with('*')) {
      item = prefix + line.substr(1);
    } else if (!line.empty()) {
      for (std::size_t i = 0; i < words.size(); ++i)
        if (Contains(line, words[i])) found[i] = true;
    } else {
      if (!item.empty()) {
        bool all = true, any = false;
        for (const bool flag : found) {
          all = all && flag;
          any = any || flag;
        }
        if (anyWord ? any : all) matches.push_back(item);
      }
      item.clear();
      found.assign(words.size(), false);
    }
  }
}

std::vector<std::string> ChooseSearchResults(const std::vector<std::string>& dataFiles,
                                             const std::vector<std::string>& words,
                                             const std::vector<std::string>& matches, bool anyWord,
                                             bool& truncated) {
  std::vector<std::string> chosen;
  truncated = false;
  auto add = [&](const std::string& line) {
    chosen.push_back(line);
    if (static_cast<int>(chosen.size()) < kMaxSearchResults) return true;
    truncated = true;
    return false;
  };
  for (const std::string& match : matches)
    if (IsWebPath(match) && !add(match)) return chosen;
  for (const std::string& line : dataFiles) {
    const std::size_t slash = line.rfind('\\');
    if (slash == std::string::npos) continue;
    const std::string_view tail = std::string_view(line).substr(slash);
    bool take = false;
    for (const std::string& match : matches) take = take || Contains(tail, match);
    if (!take) {
      bool all = true, any = false;
      for (const std::string& word : words) {
        const bool in = Contains(tail, word);
        all = all && in;
        any = any || in;
      }
      take = anyWord ? any : all;
    }
    if (take && !add(line)) return chosen;
  }
  return chosen;
}

std::string GetKeywordFilePath(const std::string& dataFolder, int index) {
  char name[32];
  std::snprintf(name, sizeof name, "KeyWords_%02d.txt", index);
  return platform::JoinPath(dataFolder, name);
}

SearchOutcome RunLibrarySearch(const std::string& dataFileList, const std::string& dataFolder,
                               const std::string& userFolder, std::string_view text, bool anyWord,
                               const std::vector<WebKeywordFile>& webKeywords) {
  SearchOutcome outcome;
  std::vector<std::string> dataFiles;
  if (dataFileList.empty() || !ReadTextLines(dataFileList, dataFiles)) {
    outcome.status = SearchOutcome::kNoIndex;
    return outcome;
  }
  const std::vector<std::string> words = SplitSearchWords(text);
  std::vector<std::string> matches;
  std::vector<std::string> lines;
  for (const WebKeywordFile& web : webKeywords)
    if (ReadTextLines(web.localFile, lines)) SearchKeywordLines(lines, words, web.folderUrl, anyWord, matches);
  for (int i = 0; i < kKeywordFileCount; ++i)
    if (ReadTextLines(GetKeywordFilePath(dataFolder, i), lines)) SearchKeywordLines(lines, words, "", anyWord, matches);
  const std::vector<std::string> chosen = ChooseSearchResults(dataFiles, words, matches, anyWord, outcome.truncated);
  outcome.resultFile = platform::JoinPath(userFolder, kShortCutFileName);
  if (!platform::WriteFileSafely(outcome.resultFile, EncodeLines(chosen))) {
    outcome.status = SearchOutcome::kCannotWrite;
    return outcome;
  }
  outcome.count = static_cast<int>(chosen.size());
  return outcome;
}

}  // namespace page::library
