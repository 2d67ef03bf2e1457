#include "imaging/memblock/CImageCompr.h"

#include "imaging/memblock/MemCodec.h"

namespace imaging {
namespace {

constexpr int kLevel = 1;

}  // namespace

int CImageCompr::Compress(const platform::Image& source) {
  data_.clear();
  data_.shrink_to_fit();
  bpp_ = source.Bpp();
  width_ = source.Width();
  height_ = source.Height();
  pitch_ = source.Pitch();
  if (source.IsNull()) return -1;
  std::vector<std::uint8_t> packed;
  if (MemCompress(source.Bits(), source.SizeBytes(), packed, kLevel) < 0 || packed.empty()) return -1;
  data_ = std::move(packed);
  return 0;
}

int CImageCompr::Restore(platform::Image& target) const {
  if (data_.empty() || target.IsNull()) return -1;
  if (target.Bpp() != bpp_ || target.Pitch() != pitch_ || target.Width() != width_ || target.Height() != height_)
    return -1;
  const std::int64_t expanded = MemDecompress(data_.data(), data_.size(), target.Bits(), target.SizeBytes());
  return expanded == static_cast<std::int64_t>(target.SizeBytes()) ? 0 : -1;
}

}  // namespace imaging
