#include <algorithm>
#include <cstring>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "engine/image/OsUtilImage.h"

namespace engine {
namespace {

bool IsColourImage(const platform::Image& image) {
  return !image.IsNull() && (image.Bpp() == 24 || image.Bpp() == 32);
}

// The area an optional size leaves of the image.
platform::SIZE AreaOf(const platform::Image& image, const platform::SIZE* size) {
  if (size == nullptr) return {image.Width(), image.Height()};
  return {std::clamp(size->cx, 0, image.Width()), std::clamp(size->cy, 0, image.Height())};
}

}  // namespace

void OsUtilKeyColorToAlpha(platform::Image& image, platform::COLORREF key, const platform::SIZE* size) {
  if (image.IsNull() || image.Bpp() != 32) return;
  const platform::SIZE area = AreaOf(image, size);
  const auto b = static_cast<std::uint8_t>(platform::GetBValue(key)), g = static_cast<std::uint8_t>(platform::GetGValue(key)),
             r = static_cast<std::uint8_t>(platform::GetRValue(key));
  for (int y = 0; y < area.cy; ++y) {
    std::uint8_t* p = image.Row(y);
    for (int x = 0; x < area.cx; ++x, p += 4) p[3] = p[0] == b && p[1] == g && p[2] == r ? 0 : 255;
  }
  image.SetHasAlpha(true);
}

void OsUtilFillImage(platform::Image& image, platform::COLORREF colour, int alpha, const platform::SIZE* size) {
  if (image.IsNull()) return;
  if (image.Bpp() == 1) {
    ENG_FATAL_IF(size != nullptr);
    for (int y = 0; y < image.Height(); ++y)
      std::memset(image.Row(y), static_cast<std::uint8_t>(colour), static_cast<std::size_t>(image.Pitch()));
    return;
  }
  if (!IsColourImage(image)) return;
  const platform::SIZE area = AreaOf(image, size);
  const platform::Bgra pixel = platform::Bgra::FromColorRef(colour, static_cast<std::uint8_t>(alpha));
  for (int y = 0; y < area.cy; ++y)
    for (int x = 0; x < area.cx; ++x) image.SetBgra(x, y, pixel);
}

int OsUtilBoxBlur(const platform::Image& source, platform::Image& destination, int radius,
                  const platform::SIZE* size) {
  if (source.IsNull() || destination.IsNull() || source.Bpp() != 32 || destination.Bpp() != 32 ||
      source.Width() != destination.Width() || source.Height() != destination.Height())
    return -1;
  const platform::SIZE area = AreaOf(source, size);
  const int w = area.cx, h = area.cy;
  if (w == 0 || h == 0) return 0;
  const int r = std::clamp(radius, 0, std::max(w, h));
  // Horizontal window sums per pixel and channel, then vertical sums of
  // those: the exact sum over the window, divided once at the end.
  std::uint32_t* rowSums = EngAllocArray<std::uint32_t>(static_cast<std::size_t>(w) * h * 4);
  if (rowSums == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return -1;
  }
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = source.Row(y);
    std::uint32_t* sums = rowSums + static_cast<std::size_t>(y) * w * 4;
    std::uint32_t running[4] = {0, 0, 0, 0};
    for (int x = 0; x < std::min(r, w); ++x)
      for (int c = 0; c < 4; ++c) running[c] += row[x * 4 + c];
    for (int x = 0; x < w; ++x) {
      if (x + r < w)
        for (int c = 0; c < 4; ++c) running[c] += row[(x + r) * 4 + c];
      if (x - r - 1 >= 0)
        for (int c = 0; c < 4; ++c) running[c] -= row[(x - r - 1) * 4 + c];
      for (int c = 0; c < 4; ++c) sums[x * 4 + c] = running[c];
    }
  }
  for (int x = 0; x < w; ++x) {
    const int columns = std::min(w - 1, x + r) - std::max(0, x - r) + 1;
    std::uint64_t running[4] = {0, 0, 0, 0};
    auto at = [&](int y, int c) { return rowSums[(static_cast<std::size_t>(y) * w + x) * 4 + c]; };
    for (int y = 0; y < std::min(r, h); ++y)
      for (int c = 0; c < 4; ++c) running[c] += at(y, c);
    for (int y = 0; y < h; ++y) {
      if (y + r < h)
        for (int c = 0; c < 4; ++c) running[c] += at(y + r, c);
      if (y - r - 1 >= 0)
        for (int c = 0; c < 4; ++c) running[c] -= at(y - r - 1, c);
      const int rows = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
      std::uint8_t* out = destination.Row(y) + x * 4;
      for (int c = 0; c < 4; ++c) out[c] = static_cast<std::uint8_t>(running[c] / static_cast<std::uint64_t>(rows * columns));
    }
  }
  EngFree(rowSums);
  destination.SetHasAlpha(source.HasAlpha());
  return 0;
}

void OsUtilDownsampleImage(const platform::Image& source, platform::Image& destination) {
  if (!IsColourImage(source) || destination.IsNull() || source.Bpp() != destination.Bpp()) return;
  const int f = source.Width() / destination.Width();
  if (f < 2 || f > 4 || source.Width() != f * destination.Width() || source.Height() != f * destination.Height())
    return;
  const int channels = source.Bpp() / 8;
  for (int y = 0; y < destination.Height(); ++y) {
    std::uint8_t* out = destination.Row(y);
    for (int x = 0; x < destination.Width(); ++x, out += channels) {
      int sums[4] = {0, 0, 0, 0};
      for (int j = 0; j < f; ++j) {
        const std::uint8_t* in = source.Row(y * f + j) + x * f * channels;
        for (int i = 0; i < f * channels; ++i) sums[i % channels] += in[i];
      }
      for (int c = 0; c < channels; ++c) out[c] = static_cast<std::uint8_t>(sums[c] / (f * f));
    }
  }
}

void OsUtilSmoothPixels(std::uint8_t* rows, int width, int height, int pitch, int bytesPerPixel, int mode) {
  const int block = mode == 2 ? 2 : 3;
  auto at = [&](int x, int y, int c) -> std::uint8_t& {
    return rows[static_cast<std::ptrdiff_t>(y) * pitch + x * bytesPerPixel + c];
  };
  for (int top = 0; top < height; top += block) {
    const int bottom = std::min(height, top + block);
    for (int left = 0; left < width; left += block) {
      const int right = std::min(width, left + block);
      int sums[3] = {0, 0, 0};
      for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
          for (int c = 0; c < 3; ++c) sums[c] += at(x, y, c);
      const int count = (bottom - top) * (right - left);
      for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
          for (int c = 0; c < 3; ++c) at(x, y, c) = static_cast<std::uint8_t>(sums[c] / count);
    }
  }
}

}  // namespace engine
