// Box blur and feathered edges.
#include <cmath>
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

// Adds (sign +1) or takes away (−1) one image row's bytes from the column
// sums.
inline void AccumulateRow(uint64_t* sums, const uint8_t* row, int width, int sign) {
  const int count = width * 4;
  if (sign > 0)
    for (int i = 0; i < count; ++i) sums[i] += row[i];
  else
    for (int i = 0; i < count; ++i) sums[i] -= row[i];
}

// Writes one output row: each pixel is the window total of the column sums
// over the columns of [x − r, x + r] inside the region, divided by the
// number of window pixels inside.
void BlurRow(const uint64_t* columns, int width, int r, unsigned rowsInside, uint8_t* out) {
  uint64_t total[4] = {};
  for (int x = 0; x <= std::min(r, width - 1); ++x)
    for (int c = 0; c < 4; ++c) total[c] += columns[x * 4 + c];
  for (int x = 0; x < width; ++x) {
    if (x > 0) {
      if (x + r < width)
        for (int c = 0; c < 4; ++c) total[c] += columns[(x + r) * 4 + c];
      if (x - r - 1 >= 0)
        for (int c = 0; c < 4; ++c) total[c] -= columns[(x - r - 1) * 4 + c];
    }
    const uint64_t n = static_cast<uint64_t>(InsideCount(x, r, width)) * rowsInside;
    for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint8_t>(total[c] / n);
  }
}

}  // namespace

int PnUtilBoxBlur(const Image& src, Image& dst, int radius, OptionalSize size) {
  if (!Is32(src) || !Is32(dst)) return kResultBadImage;
  const platform::SIZE region = detail::CommonRegion(src, dst, size);
  const int width = region.cx, height = region.cy;
  if (width <= 0 || height <= 0) return kResultOk;
  // A window wider than the region holds the whole region either way.
  const int r = std::clamp(radius, 0, std::max(width, height));
  const bool inPlace = &src == &dst;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  if (r == 0) {
    if (!inPlace)
      for (int y = 0; y < height; ++y) std::memcpy(dst.Row(y), src.Row(y), rowBytes);
    return kResultOk;
  }
  std::vector<uint64_t> columns;
  std::vector<uint8_t> out, saved;
  try {
    columns.assign(rowBytes, 0);
    out.resize(rowBytes);
    // Writing in place overwrites rows the window still has to take away:
    // keep the last r + 1 original rows.
    if (inPlace) saved.resize(rowBytes * static_cast<std::size_t>(std::min(r + 1, height)));
  } catch (const std::bad_alloc&) {
    return kResultNoMemory;
  }
  const std::size_t ring = saved.size() / std::max<std::size_t>(rowBytes, 1);
  for (int y = 0; y <= std::min(r, height - 1); ++y) AccumulateRow(columns.data(), src.Row(y), width, +1);
  for (int y = 0; y < height; ++y) {
    if (y > 0) {
      if (y + r < height) AccumulateRow(columns.data(), src.Row(y + r), width, +1);
      if (y - r - 1 >= 0) {
        const uint8_t* old = inPlace ? saved.data() + static_cast<std::size_t>(y - r - 1) % ring * rowBytes
                                     : src.Row(y - r - 1);
        AccumulateRow(columns.data(), old, width, -1);
      }
    }
    BlurRow(columns.data(), width, r, InsideCount(y, r, height), out.data());
    if (inPlace) std::memcpy(saved.data() + static_cast<std::size_t>(y) % ring * rowBytes, src.Row(y), rowBytes);
    std::memcpy(dst.Row(y), out.data(), rowBytes);
  }
  return kResultOk;
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
