#include "imaging/FileDialogs.h"

#include <array>
#include <string_view>

#include "platform/FileDialog.h"
#include "platform/ResStrings.h"

namespace imaging {
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The 1-based position of the extension in the image-format filter; 0 for
// the dialog's default.
int ImageFilterIndex(const std::string& extension) {
  constexpr std::array<std::string_view, 4> kOrder = {"png", "jpg", "gif", "bmp"};
  const std::string lower = Lower(extension);
  for (std::size_t i = 0; i < kOrder.size(); ++i)
    if (lower == kOrder[i]) return static_cast<int>(i) + 1;
  return 0;
}

}  // namespace

bool PnUtilSaveFileDialog(int filterId, const std::string& defaultName, int titleId,
                          const std::string& defaultExtension, std::string& outPath) {
  platform::FileDialogRequest request;
  request.save = true;
  request.promptOverwrite = true;
  request.title = platform::LoadResString(titleId);
  request.filters = platform::ParseFileFilter(platform::LoadResString(filterId));
  request.defaultName = defaultName;
  request.defaultExtension = defaultExtension;
  if (filterId == kImageFilterStringId) request.filterIndex = ImageFilterIndex(defaultExtension);
  return platform::RunFileDialog(request, outPath);
}

bool PnUtilSaveFileDialogByIds(int filterId, int defaultNameId, int titleId, int defaultExtensionId,
                               std::string& outPath) {
  return PnUtilSaveFileDialog(filterId, platform::LoadResString(defaultNameId), titleId,
                              platform::LoadResString(defaultExtensionId), outPath);
}

bool PnUtilOpenFileDialog(int filterId, int defaultExtensionId, std::string& outPath) {
  platform::FileDialogRequest request;
  request.filters = platform::ParseFileFilter(platform::LoadResString(filterId));
  request.defaultExtension = platform::LoadResString(defaultExtensionId);
  return platform::RunFileDialog(request, outPath);
}

}  // namespace imaging
