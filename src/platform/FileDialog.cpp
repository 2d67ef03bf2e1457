#include "platform/FileDialog.h"

#include <utility>

namespace platform {
namespace {

FileDialogHook& DialogSlot() {
  static FileDialogHook hook;
  return hook;
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t bar = text.find('|', start);
    const std::size_t end = bar == std::string_view::npos ? text.size() : bar;
    if (end == start) break;  // "||" ends the list
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::vector<FileFilter> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) filters.push_back(FileFilter{parts[i], parts[i + 1]});
  return filters;
}

bool RunFileDialog(const FileDialogRequest& request, std::string& outPath) {
  outPath.clear();
  return DialogSlot() && DialogSlot()(request, outPath) && !outPath.empty();
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) { return std::exchange(DialogSlot(), std::move(hook)); }

}  // namespace platform
