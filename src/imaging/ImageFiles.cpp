// PNG, BMP and JPEG files with their print resolution.
#include "imaging/ImageFiles.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/ImagingResult.h"
#include "platform/ImageCodec.h"
#include "platform/JpegWriter.h"
#include "platform/TempFiles.h"

namespace imaging {
namespace {

constexpr int kBmpFileHeaderSize = 14;
constexpr int kBmpInfoHeaderSize = 40;
constexpr int kBmpResolutionOffset = 24;  // within the information header: x, then y

void WriteLittleEndian(std::uint32_t value, std::uint8_t* p) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Saves through a temporary file beside the target: `write` makes the whole
// file at the path it is given and answers a result code; only a complete
// file replaces the target.
template <class Write>
int SaveThroughTemp(const std::string& path, Write write) {
  int result = kResultOk;
  const bool saved = platform::SaveFileSafely(path, [&](const std::string& tempPath) {
    result = write(tempPath);
    return result == kResultOk;
  });
  if (!saved && result == kResultOk) result = kResultCannotWrite;  // the rename failed
  return result;
}

// Rewrites the two resolution fields of a BMP file in place.
int StampBmpResolution(const std::string& path, std::uint32_t ppm) {
  std::uint8_t header[kBmpFileHeaderSize + kBmpInfoHeaderSize];
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return kResultCannotOpen;
  const bool read = std::fread(header, 1, sizeof header, file) == sizeof header;
  std::fclose(file);
  const std::uint32_t infoSize = header[14] | header[15] << 8 | header[16] << 16 | static_cast<std::uint32_t>(header[17]) << 24;
  // The fields exist only from the 40-byte information header on.
  if (!read || header[0] != 'B' || header[1] != 'M' || infoSize < kBmpInfoHeaderSize) return kResultBadFile;
  std::uint8_t* info = header + kBmpFileHeaderSize;
  WriteLittleEndian(ppm, info + kBmpResolutionOffset);
  WriteLittleEndian(ppm, info + kBmpResolutionOffset + 4);
  file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) return kResultCannotOpen;
  const bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header;
  return std::fclose(file) == 0 && written ? kResultOk : kResultCannotWrite;
}

int StampPngResolution(const std::string& path, int dpi) {
  PngChunkList chunks;
  int result = PngReadChunks(path, chunks);
  if (result == kResultOk) result = PngSetPhys(chunks, dpi);
  if (result == kResultOk) return PngWriteChunks(chunks, path);
  PngFreeChunks(chunks);
  return result;
}

// Checks shared by the writers; kResultOk when the image and resolution
// can be written.
int CheckImageAndDpi(const platform::Image& image, int dpi) {
  if (image.IsNull()) return kResultBadImage;
  if (DpiToPixelsPerMetre(dpi) < 0) return kResultBadValue;
  return kResultOk;
}

}  // namespace

std::int64_t DpiToPixelsPerMetre(int dpi) {
  if (dpi < 0) return -1;
  const double ppm = std::trunc(dpi * 1000.0 / 25.4) + 1;
  if (ppm > std::numeric_limits<std::int32_t>::max()) return -1;
  return static_cast<std::int64_t>(ppm);
}

int SavePngWithResolution(const platform::Image& image, int dpi, const std::string& path) {
  if (const int check = CheckImageAndDpi(image, dpi); check != kResultOk) return check;
  return SaveThroughTemp(path, [&](const std::string& tempPath) {
    if (!platform::SaveImageFile(image, tempPath, "png")) return kResultCannotWrite;
    return StampPngResolution(tempPath, dpi);
  });
}

int SaveBmpWithResolution(const platform::Image& image, int dpi, const std::string& path) {
  if (const int check = CheckImageAndDpi(image, dpi); check != kResultOk) return check;
  const auto ppm = static_cast<std::uint32_t>(DpiToPixelsPerMetre(dpi));
  return SaveThroughTemp(path, [&](const std::string& tempPath) {
    if (!platform::SaveImageFile(image, tempPath, "bmp")) return kResultCannotWrite;
    return StampBmpResolution(tempPath, ppm);
  });
}

int SaveJpegWithResolution(const platform::Image& image, int dpi, const std::string& path, int quality) {
  if (const int check = CheckImageAndDpi(image, dpi); check != kResultOk) return check;
  if (image.Bpp() != 24 && image.Bpp() != 32) return kResultBadImage;
  std::vector<std::uint8_t> rgb;
  try {
    rgb.resize(static_cast<std::size_t>(image.Width()) * 3);
  } catch (const std::bad_alloc&) {
    return kResultNoMemory;
  }
  const int bytes = image.Bpp() / 8;
  const platform::JpegRowSource rows = [&](int y) {
    const std::uint8_t* p = image.Row(y);
    for (int x = 0; x < image.Width(); ++x, p += bytes) {
      rgb[static_cast<std::size_t>(x) * 3] = p[2];
      rgb[static_cast<std::size_t>(x) * 3 + 1] = p[1];
      rgb[static_cast<std::size_t>(x) * 3 + 2] = p[0];
    }
    return rgb.data();
  };
  const platform::JpegSettings settings{quality, dpi};
  return platform::WriteJpegFile(path, image.Width(), image.Height(), rows, settings) ? kResultOk
                                                                                     : kResultCannotWrite;
}

}  // namespace imaging
