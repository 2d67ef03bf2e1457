#pragma once
// Modal open and save dialogs for files. The application shows real
// dialogs; without one (tests, tools) every dialog is cancelled.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FileFilter {
  std::string description;  // "PNG (*.png)"
  std::string patterns;     // "*.png", several separated by ";"
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Splits a filter text of the form "Text|*.a|Other|*.b;*.c||" into its
// pairs. A trailing description without patterns is dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view text);

struct FileDialogRequest {
  bool save = false;
  std::string title;  // empty: the dialog's default title
  std::vector<FileFilter> filters;
  int filterIndex = 0;  // 1-based filter to preselect; 0 the first
  std::string defaultName;
  std::string defaultExtension;  // added to a chosen name that has no extension
  bool promptOverwrite = false;  // save dialogs ask before replacing a file
};

// Answers true and the chosen path when the user confirms.
using FileDialogHook = std::function<bool(const FileDialogRequest& request, std::string& outPath)>;

bool RunFileDialog(const FileDialogRequest& request, std::string& outPath);
// Installing returns the previous hook so a scope can put it back.
FileDialogHook SetFileDialogHook(FileDialogHook hook);

}  // namespace platform
