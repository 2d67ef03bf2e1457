#pragma once
// Pictures for image tests: RGB pixel grids, PPM files, and ImageMagick's
// `convert` as an independent encoder and decoder (tests that use it start
// with REQUIRE_TOOL("convert")).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/RgbaImageRecord.h"
#include "support/ExternalTools.h"

namespace imagetest {

struct Rgb {
  std::uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

// Pixels top row first.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A picture using `colours` distinct colours in an irregular pattern with
// runs of equal pixels.
inline RgbPicture PatternPicture(int width, int height, int colours) {
  RgbPicture p{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int i = (x / 2 + y * 3 + x * y) % colours;
      p.pixels.push_back(Rgb{static_cast<std::uint8_t>(i * 53 % 256), static_cast<std::uint8_t>((i * 97 + 30) % 256),
                             static_cast<std::uint8_t>((i * 151 + 60) % 256)});
    }
  return p;
}

inline void WritePpm(const std::string& path, const RgbPicture& p) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << p.width << " " << p.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(p.pixels.data()), static_cast<std::streamsize>(p.pixels.size() * 3));
}

// Runs a shell command (standard error dropped); true when it exits with 0.
inline bool Run(const std::string& command) { return testsupport::RunTool(command).exitCode == 0; }

// Decodes any picture file with ImageMagick into 8-bit RGB; an empty
// picture when it cannot.
inline RgbPicture DecodeWithImageMagick(const std::string& path) {
  RgbPicture p;
  const testsupport::ToolResult result = testsupport::RunTool("convert " + testsupport::Quoted(path) + " -depth 8 ppm:-");
  int maxValue = 0, headerLength = 0;
  if (result.exitCode != 0 ||
      std::sscanf(result.out.c_str(), "P6 %d %d %d%n", &p.width, &p.height, &maxValue, &headerLength) != 3 ||
      maxValue != 255)
    return RgbPicture{};
  const std::size_t count = static_cast<std::size_t>(p.width) * p.height;
  const std::size_t start = static_cast<std::size_t>(headerLength) + 1;  // one white-space byte after the header
  if (result.out.size() < start + count * 3) return RgbPicture{};
  p.pixels.resize(count);
  std::memcpy(p.pixels.data(), result.out.data() + start, count * 3);
  return p;
}

// Compares a bottom-up RGBA buffer with a top-down RGB picture (alpha
// expected 255).
inline void ExpectRgbaEqualsPicture(const engine::RgbaImageRecord& image, const RgbPicture& expected) {
  ASSERT_EQ(image.width, expected.width);
  ASSERT_EQ(image.height, expected.height);
  ASSERT_NE(image.pixels, nullptr);
  int wrong = 0;
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x) {
      const std::uint8_t* p = image.Pixel(x, expected.height - 1 - y);
      const Rgb got{p[0], p[1], p[2]};
      if ((got != expected.At(x, y) || p[3] != 255) && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << got << " alpha " << int(p[3]) << ", expected "
                      << expected.At(x, y);
    }
  EXPECT_EQ(wrong, 0);
}

}  // namespace imagetest
