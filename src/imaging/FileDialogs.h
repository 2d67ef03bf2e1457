#pragma once
// The program's open and save dialogs, with filters and titles taken from
// the string table.
#include <string>

namespace imaging {

// The string holding the image-format filter
// ("PNG (*.png)|*.png|Jpeg (*.jpg)|*.jpg|GIF (*.gif)|*.gif|BMP (*.bmp)|*.bmp||").
inline constexpr int kImageFilterStringId = 185;

// A save dialog that asks before overwriting. With the image-format filter,
// the filter matching the default extension ("png", "jpg", "gif", "bmp", in
// any case) is preselected. True and the chosen path when the user confirms.
bool PnUtilSaveFileDialog(int filterId, const std::string& defaultName, int titleId,
                          const std::string& defaultExtension, std::string& outPath);

// The same with the default name and extension taken from the string table.
bool PnUtilSaveFileDialogByIds(int filterId, int defaultNameId, int titleId, int defaultExtensionId,
                               std::string& outPath);

// An open dialog with the filter and default extension from the string
// table and no default name.
bool PnUtilOpenFileDialog(int filterId, int defaultExtensionId, std::string& outPath);

}  // namespace imaging
