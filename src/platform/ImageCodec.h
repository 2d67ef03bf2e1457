#pragma once
// Reading and writing ordinary image files (PNG, BMP, JPEG, GIF and the
// other formats the system's codec knows). Files hold straight alpha, as
// Image's alpha flag assumes; a picture kept premultiplied is turned back
// before it is saved.
#include <string>
#include <string_view>

#include "platform/Image.h"

namespace platform {

// Reads the file by its content (not its name). Pictures with transparency
// come out 32-bit with the alpha flag, others 24- or 32-bit or 8-/1-bit
// with a palette (see Image). False, with a reason in `error` (optional),
// when the file cannot be read or decoded; `out` is then null.
bool LoadImageFile(const std::string& path, Image& out, std::string* error = nullptr);

// Writes the image in the format named by `format` ("png", "bmp", "jpg",
// ...; any case), or, when it is empty, by the path's extension. A 32-bit
// image keeps its alpha only with the alpha flag. BMP files get the classic
// 40-byte information header. False, with a reason in `error` (optional),
// for an unknown format, a null image or a failed write.
bool SaveImageFile(const Image& image, const std::string& path, std::string_view format = {},
                   std::string* error = nullptr);

}  // namespace platform
