#pragma once
// Small images for the pixel tests: seeded random content, pixel access by
// bytes, and a comparison that names the first differing pixel.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "platform/Image.h"

namespace testsupport {

using Px = std::array<int, 4>;  // B, G, R, A (A unused for 24-bit)

inline Px GetPx(const platform::Image& image, int x, int y) {
  const int bytes = image.Bpp() / 8;
  const std::uint8_t* p = image.Row(y) + x * bytes;
  Px px{};
  for (int c = 0; c < bytes && c < 4; ++c) px[static_cast<std::size_t>(c)] = p[c];
  return px;
}

inline void SetPx(platform::Image& image, int x, int y, Px px) {
  const int bytes = image.Bpp() / 8;
  std::uint8_t* p = image.Row(y) + x * bytes;
  for (int c = 0; c < bytes && c < 4; ++c) p[c] = static_cast<std::uint8_t>(px[static_cast<std::size_t>(c)]);
}

// Random bytes; with `premultiplied` every colour byte is at most its alpha,
// and alphas 0 and 255 turn up often.
inline platform::Image RandomImage(int width, int height, int bpp, unsigned seed, bool premultiplied = false) {
  platform::Image image(width, height, bpp, bpp == 32);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255), pick(0, 5);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (bpp == 8) {
        image.Row(y)[x] = static_cast<std::uint8_t>(byte(random));
        continue;
      }
      Px px{byte(random), byte(random), byte(random), byte(random)};
      if (premultiplied) {
        const int kind = pick(random);
        if (kind == 0) px[3] = 0;
        if (kind == 1) px[3] = 255;
        for (int c = 0; c < 3; ++c) px[static_cast<std::size_t>(c)] = px[3] == 0 ? 0 : px[static_cast<std::size_t>(c)] % (px[3] + 1);
      }
      SetPx(image, x, y, px);
    }
  return image;
}

// Every pixel byte of the two images' common area; names the first pixel
// that differs.
inline testing::AssertionResult SamePixels(const platform::Image& a, const platform::Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.Bpp() != b.Bpp())
    return testing::AssertionFailure() << "shapes differ";
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (GetPx(a, x, y) != GetPx(b, x, y)) {
        const Px pa = GetPx(a, x, y), pb = GetPx(b, x, y);
        return testing::AssertionFailure() << "pixel (" << x << ", " << y << "): " << pa[0] << "," << pa[1] << ","
                                           << pa[2] << "," << pa[3] << " vs " << pb[0] << "," << pb[1] << ","
                                           << pb[2] << "," << pb[3];
      }
  return testing::AssertionSuccess();
}

}  // namespace testsupport
