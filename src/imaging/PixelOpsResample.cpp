// Integer down-sampling, rotation and scaling to fit.
#include <climits>
#include <cmath>

#include "imaging/ImagingResult.h"
#include "imaging/PixelOpsInternal.h"
#include "platform/Blit.h"

namespace imaging {
namespace {

using detail::IsColour;
using platform::SIZE;
using std::uint8_t;

// The sizes a two-image operation works on: from the pairs when the first
// is given, else from the images. False when a size is not positive or
// reaches past its image.
bool ResolveSizes(const Image& src, const Image& dst, OptionalSize srcSize, OptionalSize dstSize, SIZE& s,
                  SIZE& d) {
  s = srcSize ? *srcSize : SIZE{src.Width(), src.Height()};
  d = srcSize && dstSize ? *dstSize : SIZE{dst.Width(), dst.Height()};
  return s.cx > 0 && s.cy > 0 && d.cx > 0 && d.cy > 0 && s.cx <= src.Width() && s.cy <= src.Height() &&
         d.cx <= dst.Width() && d.cy <= dst.Height();
}

// Each destination byte is the mean of its F × F source block. F and the
// pixel size are constants here so the division becomes a multiplication.
template <int F, int Bytes>
void ShrinkBy(const Image& src, Image& dst, SIZE d) {
  constexpr unsigned kArea = F * F;
  for (int y = 0; y < d.cy; ++y) {
    uint8_t* out = dst.Row(y);
    const uint8_t* rows[F];
    for (int k = 0; k < F; ++k) rows[k] = src.Row(F * y + k);
    for (int x = 0; x < d.cx; ++x, out += Bytes) {
      unsigned sum[Bytes] = {};
      for (int k = 0; k < F; ++k) {
        const uint8_t* p = rows[k] + static_cast<std::ptrdiff_t>(F) * x * Bytes;
        for (int i = 0; i < F; ++i, p += Bytes)
          for (int c = 0; c < Bytes; ++c) sum[c] += p[c];
      }
      for (int c = 0; c < Bytes; ++c) out[c] = static_cast<uint8_t>(sum[c] / kArea);
    }
  }
}

template <int F>
void ShrinkByFactor(const Image& src, Image& dst, SIZE d) {
  if (src.Bpp() == 32)
    ShrinkBy<F, 4>(src, dst, d);
  else
    ShrinkBy<F, 3>(src, dst, d);
}

// The fitted size of a source inside the destination, aspect kept.
SIZE FittedSize(const Image& src, const Image& dst) {
  const long long sw = src.Width(), sh = src.Height(), dw = dst.Width(), dh = dst.Height();
  if (sw * dh < dw * sh) return SIZE{static_cast<int>(dh * sw / sh), static_cast<int>(dh)};
  return SIZE{static_cast<int>(dw), static_cast<int>(dw * sh / sw)};
}

}  // namespace

int PnUtilShrinkImage(const Image& src, Image& dst, OptionalSize srcSize, OptionalSize dstSize) {
  if (!IsColour(src) || !IsColour(dst) || src.Bpp() != dst.Bpp()) return kResultBadImage;
  SIZE s, d;
  if (!ResolveSizes(src, dst, srcSize, dstSize, s, d)) return kResultBadValue;
  const int factor = s.cx / d.cx;
  if (factor != s.cy / d.cy || factor < 2 || factor > 4) return kResultBadValue;
  if (&src == &dst) {
    const Image copy(src);
    return PnUtilShrinkImage(copy, dst, s, d);
  }
  switch (factor) {
    case 2: ShrinkByFactor<2>(src, dst, d); break;
    case 3: ShrinkByFactor<3>(src, dst, d); break;
    default: ShrinkByFactor<4>(src, dst, d); break;
  }
  return kResultOk;
}

int PnUtilRotateImage(const Image& src, Image& dst, double angle, OptionalSize srcSize, OptionalSize dstSize) {
  if (!IsColour(src) || !IsColour(dst) || src.Bpp() != dst.Bpp()) return kResultBadImage;
  SIZE s, d;
  if (!ResolveSizes(src, dst, srcSize, dstSize, s, d)) return kResultBadValue;
  if (&src == &dst) {
    const Image copy(src);
    return PnUtilRotateImage(copy, dst, angle, s, d);
  }
  const double sn = std::sin(angle), cs = std::cos(angle);
  const int bytes = src.Bpp() / 8;
  for (int y = 0; y < d.cy; ++y) {
    // Stepped along the row from its first pixel.
    const double dx0 = -d.cx / 2.0, dy = y - d.cy / 2.0;
    double u = s.cx / 2.0 + dx0 * cs + dy * sn;
    double v = s.cy / 2.0 + dy * cs - dx0 * sn;
    uint8_t* out = dst.Row(y);
    for (int x = 0; x < d.cx; ++x, out += bytes, u += cs, v -= sn) {
      // Toward zero, so (−1, 0) still lands on the first column or row.
      const double tu = std::trunc(u), tv = std::trunc(v);
      if (tu >= 0 && tv >= 0 && tu < s.cx && tv < s.cy)
        std::memcpy(out, detail::PixelAt(src, static_cast<int>(tu), static_cast<int>(tv)),
                    static_cast<std::size_t>(bytes));
      else
        std::memset(out, 0, static_cast<std::size_t>(bytes));
    }
  }
  return kResultOk;
}

int PnUtilScaleImageToFit(const Image& src, Image& dst, int factor, bool centre) {
  if (!IsColour(src) || !detail::Is32(dst)) return kResultBadImage;
  const int k = std::clamp(factor, 1, 3);
  if (static_cast<long long>(k) * dst.Width() > INT_MAX || static_cast<long long>(k) * dst.Height() > INT_MAX)
    return kResultNoMemory;
  Image work;
  if (!work.Create(k * dst.Width(), k * dst.Height(), 32, true)) return kResultNoMemory;
  const SIZE fit = FittedSize(src, dst);
  platform::RECT target{0, 0, k * fit.cx, k * fit.cy};
  if (centre) {
    const int left = (k * (dst.Width() - fit.cx)) >> 1, top = ((dst.Height() - fit.cy) * k) >> 1;
    target = platform::RECT{left, top, left + k * fit.cx, top + k * fit.cy};
  }
  const platform::RECT whole{0, 0, src.Width(), src.Height()};
  if (src.Bpp() == 24) {
    platform::StretchBits(work, target, src, whole, platform::StretchMode::kHalftone);
    PnUtilSetAlpha(work, 255);  // the margins too
  } else {
    platform::AlphaBlendBits(work, target, src, whole, platform::BlendFunction{255, true});
  }
  PnUtilFillImage(dst, 0, 0);
  if (k == 1) {
    PnUtilCopyImageBits(work, dst);
    return kResultOk;
  }
  return PnUtilShrinkImage(work, dst);
}

}  // namespace imaging
