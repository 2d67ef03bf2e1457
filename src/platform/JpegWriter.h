#pragma once
// Writing baseline JPEG files through libjpeg. Every JPEG the program writes
// goes through here, so a failure is always reported the same way: errors
// the library raises are shown in a message box captioned "JPEG Error"
// first, then the write ends and answers false with the library's message;
// the program never ends because of a bad JPEG write.
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct JpegSettings {
  int quality = 100;  // 1..100 (values outside are clamped); 95 and up also optimise the Huffman tables
  int dpi = 72;       // written as the density in dots per inch (clamped to 0..65535)
};

// Hands out row y (0 = top) as width × 3 bytes in the order R, G, B. The
// pointer must stay valid until the next call.
using JpegRowSource = std::function<const std::uint8_t*(int y)>;

// Writes a width × height picture to `path`. The target is replaced only
// when the whole file was written (a failed write leaves any previous file
// as it was). Returns false with a reason in `error` (optional) when the
// size is not positive, the file cannot be written, or the library fails.
bool WriteJpegFile(const std::string& path, int width, int height, const JpegRowSource& rows,
                   const JpegSettings& settings, std::string* error = nullptr);

// The caption of the library's message box.
inline constexpr const char* kJpegErrorCaption = "JPEG Error";

}  // namespace platform
