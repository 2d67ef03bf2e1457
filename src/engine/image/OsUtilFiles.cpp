#include "engine/core/EngAlloc.h"
#include "engine/image/OsUtilImage.h"
#include "platform/ImageCodec.h"
#include "platform/JpegWriter.h"

namespace engine {

int OsUtilLoadImageFile(const std::string& path, int& width, int& height, std::uint8_t*& pixels) {
  platform::Image image;
  if (!platform::LoadImageFile(path, image)) return 0;
  RgbaImageRecord rgba;
  if (OsUtilImageToRgba(image, rgba, false) < 0) return 0;
  width = rgba.width;
  height = rgba.height;
  pixels = rgba.pixels;
  return 1;
}

bool EngWriteJpegFile(const std::string& path, int width, int height, const std::uint8_t* rgbRows, int quality,
                      int dotsPerInch, std::string* error) {
  if (rgbRows == nullptr) {
    if (error) *error = "There are no pixels to write.";
    return false;
  }
  const std::size_t stride = static_cast<std::size_t>(OsUtilRgbRowStride(width));
  const platform::JpegRowSource rows = [&](int y) { return rgbRows + stride * static_cast<std::size_t>(y); };
  return platform::WriteJpegFile(path, width, height, rows, platform::JpegSettings{quality, dotsPerInch}, error);
}

}  // namespace engine
