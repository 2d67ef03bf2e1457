#include <algorithm>
#include <cstring>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "engine/image/OsUtilImage.h"
#include "engine/render/GlLayer.h"

namespace engine {
namespace {

std::uint8_t* AllocPixels(int width, int height) {
  RgbaImageRecord probe{width, height, nullptr};
  return probe.ByteSize() == 0 ? nullptr : EngAllocArray<std::uint8_t>(probe.ByteSize());
}

}  // namespace

void OsUtilFreeImage(RgbaImageRecord& image) {
  EngFree(image.pixels);
  image.pixels = nullptr;
}

void OsUtilFitTextureSizeWithin(RgbaImageRecord& image, const TextureSizeLimit& limit) {
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return;
  int width = 0, height = 0;
  GlPowerOfTwoSize(image.width, width);
  GlPowerOfTwoSize(image.height, height);
  if (limit.on) {
    if (limit.maxWidth > 0) width = std::min(width, limit.maxWidth);
    if (limit.maxHeight > 0) height = std::min(height, limit.maxHeight);
  }
  if (width == image.width && height == image.height) return;
  std::uint8_t* scaled = AllocPixels(width, height);
  if (scaled == nullptr) {
    OsUtilFreeImage(image);
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  if (GlScaleImage(kGlFormatRgba, image.width, image.height, kGlTypeUnsignedByte, image.pixels, width, height,
                   scaled) != 0) {
    EngFree(scaled);  // GL could not scale: the picture stays as it was
    return;
  }
  OsUtilFreeImage(image);
  image.pixels = scaled;
  image.width = width;
  image.height = height;
}

void OsUtilFitTextureSize(RgbaImageRecord& image) { OsUtilFitTextureSizeWithin(image, EngTextureSizeLimit()); }

void OsUtilCropImage(const RgbaImageRecord& source, RgbaImageRecord& destination, const platform::RECT& rect,
                     bool fit) {
  ENG_FATAL_IF(rect.left < 0 || rect.top < 0 || rect.right >= source.width || rect.bottom >= source.height ||
               rect.right < rect.left || rect.bottom < rect.top || source.pixels == nullptr);
  OsUtilFreeImage(destination);
  const int width = rect.right - rect.left + 1, height = rect.bottom - rect.top + 1;
  destination.width = width;
  destination.height = height;
  destination.pixels = AllocPixels(width, height);
  if (destination.pixels == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  for (int y = 0; y < height; ++y)
    std::memcpy(destination.Pixel(0, y), source.Pixel(rect.left, rect.top + y), static_cast<std::size_t>(width) * 4);
  if (fit) OsUtilFitTextureSize(destination);
}

void OsUtilShiftImage(RgbaImageRecord& image, double fx, double fy) {
  if (image.pixels == nullptr) return;
  const int dx = static_cast<int>(image.width * fx), dy = static_cast<int>(image.height * fy);
  // Columns that stay inside: sources [x0, x0 + n), targets [x0 + dx, ...).
  const int x0 = std::max(0, -dx), n = image.width - std::abs(dx);
  if (n <= 0 || std::abs(dy) >= image.height) return;
  const std::size_t bytes = static_cast<std::size_t>(n) * 4;
  // Rows are copied from the far end of the move, so no row is overwritten
  // before it is read; within a row memmove takes care of the overlap.
  if (dy > 0) {
    for (int y = image.height - 1 - dy; y >= 0; --y) std::memmove(image.Pixel(x0 + dx, y + dy), image.Pixel(x0, y), bytes);
  } else {
    for (int y = -dy; y < image.height; ++y) std::memmove(image.Pixel(x0 + dx, y + dy), image.Pixel(x0, y), bytes);
  }
}

int OsUtilRgbRowStride(int width) {
  const int bytes = width * 3;
  const int padding = (4 - bytes % 4) % 4;
  return padding == 3 ? bytes + 3 : bytes;
}

void OsUtilRgbaToRgbRows(RgbaImageRecord& image) {
  if (image.pixels == nullptr) return;
  const std::size_t stride = static_cast<std::size_t>(OsUtilRgbRowStride(image.width));
  // Every RGB row starts at or before its RGBA row, so a forward walk never
  // overwrites bytes it has still to read.
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* from = image.Pixel(0, y);
    std::uint8_t* to = image.pixels + stride * static_cast<std::size_t>(y);
    for (int x = 0; x < image.width; ++x, from += 4, to += 3) {
      const std::uint8_t r = from[0], g = from[1], b = from[2];
      to[0] = r;
      to[1] = g;
      to[2] = b;
    }
    for (std::size_t i = static_cast<std::size_t>(image.width) * 3; i < stride; ++i, ++to) *to = 0;
  }
}

void OsUtilBlendImageOver(RgbaImageRecord& target, const RgbaImageRecord& overlay) {
  if (target.width != overlay.width || target.height != overlay.height || !target.pixels || !overlay.pixels) return;
  const std::size_t count = target.ByteSize() / 4;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* t = target.pixels + i * 4;
    const std::uint8_t* o = overlay.pixels + i * 4;
    const int a = o[3];
    for (int c = 0; c < 3; ++c) t[c] = static_cast<std::uint8_t>((o[c] * a + t[c] * (255 - a)) / 255);
    t[3] = static_cast<std::uint8_t>(std::min(255, t[3] + a));
  }
}

int OsUtilImageToRgba(const platform::Image& image, RgbaImageRecord& out, bool keepOrder) {
  if (image.IsNull()) return -1;
  const int width = image.Width(), height = image.Height();
  out.pixels = AllocPixels(width, height);
  if (out.pixels == nullptr) {
    out.width = out.height = 0;
    EngRecordFailure(kEngReasonOutOfMemory);
    return -1;
  }
  out.width = width;
  out.height = height;
  const bool alpha = image.Bpp() == 32 && image.HasAlpha();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* to = out.Pixel(0, keepOrder ? y : height - 1 - y);
    for (int x = 0; x < width; ++x, to += 4) {
      const platform::Bgra p = image.GetBgra(x, y);
      to[0] = p.r;
      to[1] = p.g;
      to[2] = p.b;
      to[3] = alpha ? p.a : 255;
    }
  }
  return image.Bpp() == 32 ? 4 : 3;
}

}  // namespace engine
