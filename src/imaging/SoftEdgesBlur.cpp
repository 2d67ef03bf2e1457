// Box blur and feathered edges.
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "imaging/ImagingResult.h"
#include "imaging/PixelOpsInternal.h"
#include "imaging/SoftEdges.h"

namespace imaging {
namespace {

using detail::Is32;
using std::uint64_t;
using std::uint8_t;

// How many of the 2r + 1 window positions around i lie in [0, n).
inline unsigned InsideCount(int i, int r, int n) {
  return static_cast<unsigned>(std::min(i + r, n - 1) - std::max(i - r, 0) + 1);
}

// Sums over the window, wide enough for it: 32 bits when the largest total
// fits, else 64.
template <class Sum>
class BoxBlurPass {
 public:
  BoxBlurPass(int width, int r) : width_(width), r_(r) {}
  // False when there is no room for the column sums.
  bool Allocate() {
    try {
      columns_.assign(static_cast<std::size_t>(width_) * 4, 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  // Adds (sign +1) or takes away (−1) one image row's bytes from the
  // column sums.
  void Accumulate(const uint8_t* __restrict__ row, int sign) {
    Sum* __restrict__ sums = columns_.data();
    const int count = width_ * 4;
    if (sign > 0)
      for (int i = 0; i < count; ++i) sums[i] += row[i];
    else
      for (int i = 0; i < count; ++i) sums[i] -= row[i];
  }

  // Writes one output row: each pixel is the window total of the column
  // sums over the columns of [x − r, x + r] inside the region, divided by
  // the number of window pixels inside.
  void WriteRow(unsigned rowsInside, uint8_t* out) const {
    const detail::WindowDivider inside(static_cast<std::uint32_t>(2 * r_ + 1) * rowsInside);
    if (inside.Fast())
      WriteRowWith(rowsInside, out, [&inside](Sum total) { return inside.Multiply(total); });
    else
      WriteRowWith(rowsInside, out, [&inside](Sum total) { return inside.Divide(total); });
  }

 private:
  // `divideInside` divides a total by the count of a window that lies
  // wholly inside the row; windows cut by the left or right edge divide by
  // their own count.
  template <class Divide>
  void WriteRowWith(unsigned rowsInside, uint8_t* out, Divide divideInside) const {
    const Sum* columns = columns_.data();
    const int w = width_, r = r_;
    Sum total[4] = {};
    for (int x = 0; x <= std::min(r, w - 1); ++x)
      for (int c = 0; c < 4; ++c) total[c] += columns[x * 4 + c];
    // Column x + r enters and column x − r − 1 leaves as x moves right.
    auto slide = [&](int x) {
      if (x + r < w)
        for (int c = 0; c < 4; ++c) total[c] += columns[(x + r) * 4 + c];
      if (x - r - 1 >= 0)
        for (int c = 0; c < 4; ++c) total[c] -= columns[(x - r - 1) * 4 + c];
    };
    auto writeCut = [&](int x) {
      const uint64_t n = static_cast<uint64_t>(InsideCount(x, r, w)) * rowsInside;
      for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint8_t>(total[c] / n);
    };
    const int firstWhole = std::min(r, w), endWhole = std::max(firstWhole, w - r);
    for (int x = 0; x < firstWhole; ++x) {
      if (x > 0) slide(x);
      writeCut(x);
    }
    for (int x = firstWhole; x < endWhole; ++x) {
      if (x > 0) slide(x);
      for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint8_t>(divideInside(total[c]));
    }
    for (int x = endWhole; x < w; ++x) {
      if (x > 0) slide(x);
      writeCut(x);
    }
  }

  int width_, r_;
  std::vector<Sum> columns_;
};

template <class Sum>
int BoxBlurWith(const Image& src, Image& dst, int width, int height, int r) {
  const bool inPlace = &src == &dst;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  BoxBlurPass<Sum> pass(width, r);
  std::vector<uint8_t> out, saved;
  if (!pass.Allocate()) return kResultNoMemory;
  try {
    out.resize(rowBytes);
    // Writing in place overwrites rows the window still has to take away:
    // keep the last r + 1 original rows.
    if (inPlace) saved.resize(rowBytes * static_cast<std::size_t>(std::min(r + 1, height)));
  } catch (const std::bad_alloc&) {
    return kResultNoMemory;
  }
  const std::size_t ring = saved.size() / rowBytes;
  for (int y = 0; y <= std::min(r, height - 1); ++y) pass.Accumulate(src.Row(y), +1);
  for (int y = 0; y < height; ++y) {
    if (y > 0) {
      if (y + r < height) pass.Accumulate(src.Row(y + r), +1);
      if (y - r - 1 >= 0)
        pass.Accumulate(inPlace ? saved.data() + static_cast<std::size_t>(y - r - 1) % ring * rowBytes
                                 : src.Row(y - r - 1),
                         -1);
    }
    pass.WriteRow(InsideCount(y, r, height), out.data());
    if (inPlace) std::memcpy(saved.data() + static_cast<std::size_t>(y) % ring * rowBytes, src.Row(y), rowBytes);
    std::memcpy(dst.Row(y), out.data(), rowBytes);
  }
  return kResultOk;
}

}  // namespace

int PnUtilBoxBlur(const Image& src, Image& dst, int radius, OptionalSize size) {
  if (!Is32(src) || !Is32(dst)) return kResultBadImage;
  const platform::SIZE region = detail::CommonRegion(src, dst, size);
  const int width = region.cx, height = region.cy;
  if (width <= 0 || height <= 0) return kResultOk;
  // A window wider than the region holds the whole region either way.
  const int r = std::clamp(radius, 0, std::max(width, height));
  if (r == 0) {
    if (&src != &dst)
      for (int y = 0; y < height; ++y) std::memcpy(dst.Row(y), src.Row(y), static_cast<std::size_t>(width) * 4);
    return kResultOk;
  }
  const uint64_t largestTotal = static_cast<uint64_t>(std::min(2 * r + 1, width)) *
                                static_cast<uint64_t>(std::min(2 * r + 1, height)) * 255;
  if (largestTotal <= UINT32_MAX) return BoxBlurWith<std::uint32_t>(src, dst, width, height, r);
  return BoxBlurWith<uint64_t>(src, dst, width, height, r);
}

void PnUtilFeatherEdges(const Image& src, Image& dst, int border, OptionalSize size) {
  if (!Is32(src) || !Is32(dst)) return;
  const platform::SIZE region = detail::CommonRegion(src, dst, size);
  const int width = region.cx, height = region.cy;
  const long long r = std::max(border, 0);
  // The weight of a pixel i columns and j rows into the border.
  auto weight = [r](long long i, long long j) {
    const double distance = std::sqrt(static_cast<double>(i * i + j * j));
    return distance > static_cast<double>(r + 1) ? 0.0 : 1.0 - distance / static_cast<double>(r + 1);
  };
  // A table of the weights, unless it would outgrow the picture.
  std::vector<double> table;
  const bool useTable = (r + 1) * (r + 1) <= static_cast<long long>(width) * height;
  if (useTable) {
    table.resize(static_cast<std::size_t>((r + 1) * (r + 1)));
    for (long long i = 0; i <= r; ++i)
      for (long long j = 0; j <= r; ++j) table[static_cast<std::size_t>(i * (r + 1) + j)] = weight(i, j);
  }
  auto lookup = [&](long long i, long long j) {
    return useTable ? table[static_cast<std::size_t>(i * (r + 1) + j)] : weight(i, j);
  };
  // How far into the border position p of n lies (0 outside it).
  auto depth = [r](long long p, long long n) {
    long long d = 0;
    if (p < r) d = r - p;
    if (p >= n - r) d = std::max(d, p - (n - r - 1));
    return d;
  };
  for (int y = 0; y < height; ++y) {
    const long long t = depth(y, height);
    const uint8_t* s = src.Row(y);
    uint8_t* d = dst.Row(y);
    for (int x = 0; x < width; ++x, s += 4, d += 4) {
      const long long o = depth(x, width);
      if (o == 0 && t == 0) {
        if (s != d) std::memcpy(d, s, 4);
        continue;
      }
      const unsigned alpha = s[3];
      if (alpha == 0) {
        std::memset(d, 0, 4);
        continue;
      }
      const double w = o > 0 && t > 0 ? lookup(t, o) : lookup(0, std::max(o, t));
      const auto faded = static_cast<unsigned>(alpha * w);
      // Premultiplied colour scales with its alpha.
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(s[c] * faded / alpha);
      d[3] = static_cast<uint8_t>(faded);
    }
  }
}

}  // namespace imaging
