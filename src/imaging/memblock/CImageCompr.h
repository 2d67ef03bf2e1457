#pragma once
// An image kept compressed in memory: the animation preview holds every
// frame this way and restores one at a time into its work image.
#include <cstdint>
#include <vector>

#include "platform/Image.h"

namespace imaging {

class CImageCompr {
 public:
  CImageCompr() = default;
  virtual ~CImageCompr() = default;

  // Drops what was held, remembers the image's format (bits per pixel,
  // width, height, pitch) and keeps its pixel block compressed (zlib level
  // 1). Answers 0, or -1 when it failed (nothing is held then).
  int Compress(const platform::Image& source);
  // Expands the pixels into the target. Answers 0, or -1 when nothing is
  // held or the target's format differs from the remembered one (the
  // target is then untouched), or the data does not expand to exactly its
  // pixel block.
  int Restore(platform::Image& target) const;

  int BitsPerPixel() const { return bpp_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pitch() const { return pitch_; }
  bool HasData() const { return !data_.empty(); }
  std::size_t CompressedSize() const { return data_.size(); }

 private:
  int bpp_ = 0;
  int width_ = 0;
  int height_ = 0;
  int pitch_ = 0;
  std::vector<std::uint8_t> data_;
};

}  // namespace imaging
