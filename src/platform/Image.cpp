#include "platform/Image.h"

#include <cassert>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace platform {
namespace {

// The largest pixel block we allocate; keeps every offset inside int
// arithmetic for the row code and inside what Qt accepts.
constexpr std::int64_t kMaxImageBytes = std::numeric_limits<std::int32_t>::max();

std::vector<Bgra> GreyRamp(int entries) {
  std::vector<Bgra> palette(static_cast<std::size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    auto level = static_cast<std::uint8_t>(i * 255 / (entries - 1));
    palette[static_cast<std::size_t>(i)] = Bgra{level, level, level, 0};
  }
  return palette;
}

}  // namespace

Image::Image(int width, int height, int bpp, bool hasAlpha) { Create(width, height, bpp, hasAlpha); }

Image::Image(Image&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      bpp_(std::exchange(other.bpp_, 0)),
      pitch_(std::exchange(other.pitch_, 0)),
      hasAlpha_(std::exchange(other.hasAlpha_, false)),
      bits_(std::move(other.bits_)),
      palette_(std::move(other.palette_)) {}

Image& Image::operator=(Image&& other) noexcept {
  if (this != &other) {
    Image moved(std::move(other));
    std::swap(width_, moved.width_);
    std::swap(height_, moved.height_);
    std::swap(bpp_, moved.bpp_);
    std::swap(pitch_, moved.pitch_);
    std::swap(hasAlpha_, moved.hasAlpha_);
    bits_.swap(moved.bits_);
    palette_.swap(moved.palette_);
  }
  return *this;
}

std::int64_t Image::PitchFor(int width, int bpp) {
  return (static_cast<std::int64_t>(width) * bpp + 31) / 32 * 4;
}

bool Image::Create(int width, int height, int bpp, bool hasAlpha) {
  Destroy();
  if (width <= 0 || height <= 0 || (bpp != 1 && bpp != 8 && bpp != 24 && bpp != 32)) return false;
  const std::int64_t pitch = PitchFor(width, bpp);
  if (pitch > kMaxImageBytes / height) return false;
  try {
    bits_.assign(static_cast<std::size_t>(pitch * height), 0);
  } catch (const std::bad_alloc&) {
    bits_.clear();
    return false;
  }
  width_ = width;
  height_ = height;
  bpp_ = bpp;
  pitch_ = static_cast<int>(pitch);
  hasAlpha_ = hasAlpha && bpp == 32;
  if (bpp <= 8) palette_ = GreyRamp(1 << bpp);
  return true;
}

bool Image::CreateReusing(int width, int height, int bpp, bool hasAlpha) {
  if (width <= 0 || height <= 0 || (bpp != 1 && bpp != 8 && bpp != 24 && bpp != 32)) return Create(width, height, bpp);
  const std::int64_t pitch = PitchFor(width, bpp);
  if (pitch > kMaxImageBytes / height) return Create(width, height, bpp);
  const auto bytes = static_cast<std::size_t>(pitch * height);
  if (bits_.capacity() < bytes || bits_.capacity() / 2 > bytes) return Create(width, height, bpp, hasAlpha);
  bits_.assign(bytes, 0);  // within the capacity: no allocation
  width_ = width;
  height_ = height;
  bpp_ = bpp;
  pitch_ = static_cast<int>(pitch);
  hasAlpha_ = hasAlpha && bpp == 32;
  palette_.clear();
  if (bpp <= 8) palette_ = GreyRamp(1 << bpp);
  return true;
}

void Image::Destroy() {
  width_ = height_ = bpp_ = pitch_ = 0;
  hasAlpha_ = false;
  std::vector<std::uint8_t>().swap(bits_);
  palette_.clear();
}

void Image::SetPalette(const std::vector<Bgra>& palette) {
  for (std::size_t i = 0; i < palette.size() && i < palette_.size(); ++i) palette_[i] = palette[i];
}

Bgra Image::GetBgra(int x, int y) const {
  assert(Contains(x, y));
  const std::uint8_t* row = Row(y);
  switch (bpp_) {
    case 32: {
      const std::uint8_t* p = row + x * 4;
      return Bgra{p[0], p[1], p[2], p[3]};
    }
    case 24: {
      const std::uint8_t* p = row + x * 3;
      return Bgra{p[0], p[1], p[2], 255};
    }
    default:
      return palette_[static_cast<std::size_t>(GetIndex(x, y))];
  }
}

void Image::SetBgra(int x, int y, Bgra pixel) {
  assert(Contains(x, y) && bpp_ >= 24);
  if (bpp_ < 24) return;  // an indexed pixel has no room for three bytes
  std::uint8_t* p = Row(y) + x * (bpp_ / 8);
  p[0] = pixel.b;
  p[1] = pixel.g;
  p[2] = pixel.r;
  if (bpp_ == 32) p[3] = pixel.a;
}

int Image::GetIndex(int x, int y) const {
  assert(Contains(x, y) && bpp_ <= 8);
  const std::uint8_t* row = Row(y);
  if (bpp_ == 8) return row[x];
  return (row[x / 8] >> (7 - x % 8)) & 1;
}

void Image::SetIndex(int x, int y, int index) {
  assert(Contains(x, y) && bpp_ <= 8);
  std::uint8_t* row = Row(y);
  if (bpp_ == 8) {
    row[x] = static_cast<std::uint8_t>(index);
    return;
  }
  const auto mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
  row[x / 8] = static_cast<std::uint8_t>((index & 1) ? (row[x / 8] | mask) : (row[x / 8] & ~mask));
}

void Image::Fill(Bgra pixel) {
  assert(bpp_ >= 24 || IsNull());
  if (bpp_ < 24) return;
  // One row made, then copied to the others; the pitch's padding stays.
  const int bytes = bpp_ / 8;
  const std::uint8_t value[4] = {pixel.b, pixel.g, pixel.r, pixel.a};
  std::uint8_t* first = Row(0);
  for (int x = 0; x < width_; ++x) std::memcpy(first + x * bytes, value, static_cast<std::size_t>(bytes));
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * static_cast<std::size_t>(bytes);
  for (int y = 1; y < height_; ++y) std::memcpy(Row(y), first, rowBytes);
}

}  // namespace platform
