// Box blur and feathered edges.
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <vector>

#include "imaging/ImagingResult.h"
#include "imaging/PixelOpsInternal.h"
#include "imaging/SoftEdges.h"
#include "platform/PixelMath.h"

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
#if defined(PENNET_PIXEL_SSE2)
    if constexpr (std::is_same_v<Sum, std::uint32_t>) {
      if (inside.Fast()) {
        WriteRowSse2(rowsInside, out, inside);
        return;
      }
    }
#endif
    if (inside.Fast())
      WriteRowWith(rowsInside, out, [&inside](Sum total) { return inside.Multiply(total); });
    else
      WriteRowWith(rowsInside, out, [&inside](Sum total) { return inside.Divide(total); });
  }

 private:
#if defined(PENNET_PIXEL_SSE2)
  // WriteRowWith with the four channel totals in one register and the
  // whole windows divided by the divider's multiplication, two lanes at a
  // time; the answers are those of the scalar path.
  void WriteRowSse2(unsigned rowsInside, uint8_t* out, const detail::WindowDivider& inside) const {
    const std::uint32_t* columns = columns_.data();
    const int w = width_, r = r_;
    const auto column = [columns](int x) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + x * 4)); };
    const __m128i multiplier = _mm_set1_epi32(static_cast<int>(inside.Multiplier()));
    const __m128i shift = _mm_cvtsi32_si128(inside.Shift());
    const auto divideWhole = [&](__m128i total) {
      const __m128i even = _mm_srl_epi64(_mm_mul_epu32(total, multiplier), shift);
      const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(total, 32), multiplier), shift);
      __m128i q = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
      q = _mm_packs_epi32(q, q);
      return _mm_cvtsi128_si32(_mm_packus_epi16(q, q));
    };
    __m128i total = _mm_setzero_si128();
    for (int x = 0; x <= std::min(r, w - 1); ++x) total = _mm_add_epi32(total, column(x));
    const auto slide = [&](int x) {
      if (x + r < w) total = _mm_add_epi32(total, column(x + r));
      if (x - r - 1 >= 0) total = _mm_sub_epi32(total, column(x - r - 1));
    };
    const auto writeCut = [&](int x) {
      alignas(16) std::uint32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
      const std::uint32_t n = InsideCount(x, r, w) * rowsInside;
      for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint8_t>(lanes[c] / n);
    };
    const int firstWhole = std::min(r, w), endWhole = std::max(firstWhole, w - r);
    for (int x = 0; x < firstWhole; ++x) {
      if (x > 0) slide(x);
      writeCut(x);
    }
    int x = firstWhole;
    if (x < endWhole) {
      if (x > 0) slide(x);
      const int bytes = divideWhole(total);
      std::memcpy(out + x * 4, &bytes, 4);
      ++x;
    }
    // Inside the row both columns exist: no tests.
    for (; x < endWhole; ++x) {
      total = _mm_sub_epi32(_mm_add_epi32(total, column(x + r)), column(x - r - 1));
      const int bytes = divideWhole(total);
      std::memcpy(out + x * 4, &bytes, 4);
    }
    for (; x < w; ++x) {
      if (x > 0) slide(x);
      writeCut(x);
    }
  }
#endif

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

// Row copies kept from one blur to the next: the bands of a large picture
// need megabytes of them, and fresh memory costs a fault on every page.
class ScratchRows {
 public:
  static ScratchRows& Instance() {
    static ScratchRows* rows = new ScratchRows;  // lives as long as the process
    return *rows;
  }
  // A block of the size; throws std::bad_alloc.
  std::vector<uint8_t> Take(std::size_t bytes) {
    std::vector<uint8_t> block;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      auto best = kept_.end();
      for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (it->capacity() >= bytes && (best == kept_.end() || it->capacity() < best->capacity())) best = it;
      if (best != kept_.end()) {
        block = std::move(*best);
        kept_.erase(best);
        keptBytes_ -= block.capacity();
      }
    }
    block.resize(bytes);
    return block;
  }
  void Give(std::vector<uint8_t>&& block) {
    constexpr std::size_t kMostKept = std::size_t{64} << 20;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (block.capacity() == 0 || keptBytes_ + block.capacity() > kMostKept) return;
    keptBytes_ += block.capacity();
    kept_.push_back(std::move(block));
  }

 private:
  std::mutex mutex_;
  std::vector<std::vector<uint8_t>> kept_;
  std::size_t keptBytes_ = 0;
};

// One band of output rows [first, end) of the blur. Reading in place, the
// rows above and below the band that its window reaches come from `above`
// and `below`, copied before any band wrote.
template <class Sum>
class BoxBlurBand {
 public:
  BoxBlurBand(const Image& src, int width, int height, int r, int first, int end)
      : src_(src), width_(width), height_(height), r_(r), first_(first), end_(end), pass_(width, r) {}
  ~BoxBlurBand() {
    for (std::vector<uint8_t>* rows : {&saved_, &above_, &below_}) ScratchRows::Instance().Give(std::move(*rows));
  }
  BoxBlurBand(const BoxBlurBand&) = delete;
  BoxBlurBand& operator=(const BoxBlurBand&) = delete;

  // The rows outside the band the window reads.
  int AboveFirst() const { return std::max(first_ - r_ - 1, 0); }
  int BelowEnd() const { return std::min(end_ + r_, height_); }

  // Takes copies of the rows outside the band (reading in place). False
  // when memory runs out.
  bool Prepare(bool inPlace) {
    const std::size_t rowBytes = RowBytes();
    if (!pass_.Allocate()) return false;
    try {
      if (!inPlace) return true;
      inPlace_ = true;
      // Writing in place overwrites rows the window still has to take
      // away: keep the last r + 1 original rows of the band.
      ScratchRows& scratch = ScratchRows::Instance();
      saved_ = scratch.Take(rowBytes * static_cast<std::size_t>(std::min(r_ + 1, end_ - first_)));
      above_ = scratch.Take(rowBytes * static_cast<std::size_t>(first_ - AboveFirst()));
      below_ = scratch.Take(rowBytes * static_cast<std::size_t>(BelowEnd() - end_));
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (int y = AboveFirst(); y < first_; ++y)
      std::memcpy(above_.data() + static_cast<std::size_t>(y - AboveFirst()) * rowBytes, src_.Row(y), rowBytes);
    for (int y = end_; y < BelowEnd(); ++y)
      std::memcpy(below_.data() + static_cast<std::size_t>(y - end_) * rowBytes, src_.Row(y), rowBytes);
    return true;
  }

  void Run(Image& dst) {
    const std::size_t rowBytes = RowBytes();
    const int r = r_, height = height_;
    for (int y = std::max(first_ - r, 0); y <= std::min(first_ + r, height - 1); ++y) pass_.Accumulate(Source(y), +1);
    for (int y = first_; y < end_; ++y) {
      if (y > first_) {
        if (y + r < height) pass_.Accumulate(Source(y + r), +1);
        if (y - r - 1 >= 0) pass_.Accumulate(Source(y - r - 1), -1);
      }
      // Row y of the source is kept before the row is written over.
      if (inPlace_) std::memcpy(SavedRow(y), src_.Row(y), rowBytes);
      pass_.WriteRow(InsideCount(y, r, height), dst.Row(y));
      written_ = y + 1;
    }
  }

 private:
  std::size_t RowBytes() const { return static_cast<std::size_t>(width_) * 4; }
  uint8_t* SavedRow(int y) {
    const std::size_t ring = saved_.size() / RowBytes();
    return saved_.data() + static_cast<std::size_t>(y - first_) % ring * RowBytes();
  }
  // Source row y as it was before the blur.
  const uint8_t* Source(int y) {
    if (!inPlace_) return src_.Row(y);
    if (y < first_) return above_.data() + static_cast<std::size_t>(y - AboveFirst()) * RowBytes();
    if (y >= end_) return below_.data() + static_cast<std::size_t>(y - end_) * RowBytes();
    return y < written_ ? SavedRow(y) : src_.Row(y);
  }

  const Image& src_;
  int width_, height_, r_, first_, end_;
  int written_ = 0;
  bool inPlace_ = false;
  BoxBlurPass<Sum> pass_;
  std::vector<uint8_t> saved_, above_, below_;
};

// The rows are cut into bands, one per thread, each at least a few windows
// high; every band works out its own window sums, so the result is the
// same for any number of bands.
template <class Sum>
int BoxBlurWith(const Image& src, Image& dst, int width, int height, int r) {
  constexpr long long kPixelsPerBand = 1 << 19;
  const long long minRows = std::max<long long>(4LL * (r + 1), kPixelsPerBand / std::max(width, 1));
  const int bands = static_cast<int>(std::clamp<long long>(height / std::max(minRows, 1LL), 1, platform::WorkerThreads()));
  std::vector<std::unique_ptr<BoxBlurBand<Sum>>> work;
  try {
    for (int b = 0; b < bands; ++b)
      work.push_back(std::make_unique<BoxBlurBand<Sum>>(src, width, height, r,
                                                        static_cast<int>(static_cast<long long>(height) * b / bands),
                                                        static_cast<int>(static_cast<long long>(height) * (b + 1) / bands)));
  } catch (const std::bad_alloc&) {
    return kResultNoMemory;
  }
  for (auto& band : work)
    if (!band->Prepare(&src == &dst)) return kResultNoMemory;
  platform::ParallelFor(bands, 1, [&](int first, int end) {
    for (int b = first; b < end; ++b) work[static_cast<std::size_t>(b)]->Run(dst);
  });
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
