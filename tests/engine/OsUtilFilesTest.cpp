#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "EngineScopes.h"
#include "ImageToolSupport.h"
#include "engine/core/EngAlloc.h"
#include "engine/image/OsUtilImage.h"
#include "support/TempDir.h"

namespace {

using namespace engine;

// A smooth colour picture (JPEG keeps it closely), top row first.
imagetest::RgbPicture Gradient(int width, int height) {
  imagetest::RgbPicture p{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.pixels.push_back({static_cast<std::uint8_t>(40 + x * 4), static_cast<std::uint8_t>(200 - y * 5),
                          static_cast<std::uint8_t>(90 + (x + y) * 2)});
  return p;
}

// The picture as the page export hands it over: a platform image turned into
// RGBA rows in top-first order, then into RGB rows.
RgbaImageRecord RgbRowsOf(const imagetest::RgbPicture& p) {
  platform::Image image(p.width, p.height, 24);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const imagetest::Rgb c = p.At(x, y);
      image.SetBgra(x, y, platform::Bgra{c.b, c.g, c.r, 255});
    }
  RgbaImageRecord rgba;
  EXPECT_EQ(OsUtilImageToRgba(image, rgba, true), 3);
  OsUtilRgbaToRgbRows(rgba);
  return rgba;
}

double MeanDifference(const imagetest::RgbPicture& a, const imagetest::RgbPicture& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    sum += std::abs(a.pixels[i].r - b.pixels[i].r) + std::abs(a.pixels[i].g - b.pixels[i].g) +
           std::abs(a.pixels[i].b - b.pixels[i].b);
  return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

class EngJpeg : public ::testing::Test {
 protected:
  enginetest::MessageCapture messages_;  // the writer's message boxes stay quiet
  testsupport::TempDir dir_;
};

TEST_F(EngJpeg, DecodesWithAnIndependentDecoderAndCarriesTheDensity) {
  REQUIRE_TOOL("djpeg");
  REQUIRE_TOOL("convert");
  // Widths whose RGB rows have no padding, a dropped padding of 1 and 2
  // bytes, and a kept padding of 3 bytes.
  for (int width : {8, 37, 38, 3}) {
    SCOPED_TRACE(width);
    const imagetest::RgbPicture source = Gradient(width, 21);
    RgbaImageRecord rows = RgbRowsOf(source);
    const std::string path = dir_ / ("page" + std::to_string(width) + ".jpg");
    std::string error;
    ASSERT_TRUE(EngWriteJpegFile(path, width, 21, rows.pixels, 95, 350, &error)) << error;
    OsUtilFreeImage(rows);

    const std::vector<unsigned char> bytes = testsupport::TempDir::ReadAll(path);
    ASSERT_GT(bytes.size(), 20u);
    // JFIF header: density unit 1 (dots per inch), then x and y density.
    EXPECT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 10), "JFIF");
    EXPECT_EQ(bytes[13], 1);
    EXPECT_EQ(bytes[14] * 256 + bytes[15], 350);
    EXPECT_EQ(bytes[16] * 256 + bytes[17], 350);

    ASSERT_TRUE(imagetest::Run("djpeg -pnm -outfile '" + dir_ / "decoded.ppm" + "' '" + path + "'"))
        << "djpeg (libjpeg-turbo-progs) decodes it";
    const imagetest::RgbPicture decoded = imagetest::DecodeWithImageMagick(dir_ / "decoded.ppm");
    ASSERT_EQ(decoded.width, width);
    ASSERT_EQ(decoded.height, 21);
    EXPECT_LT(MeanDifference(decoded, source), 4.0);
  }
}

TEST_F(EngJpeg, AFileThatCannotBeWrittenIsAnErrorAndTheOldFileStays) {
  const imagetest::RgbPicture source = Gradient(8, 8);
  RgbaImageRecord rows = RgbRowsOf(source);
  std::string error;
  EXPECT_FALSE(EngWriteJpegFile(dir_ / "missing-folder/page.jpg", 8, 8, rows.pixels, 80, 72, &error));
  EXPECT_FALSE(error.empty());

  const std::string existing = dir_.Write("old.jpg", std::string("old contents"));
  EXPECT_FALSE(EngWriteJpegFile(existing, 0, 8, rows.pixels, 80, 72, &error)) << "no picture to write";
  EXPECT_FALSE(EngWriteJpegFile(existing, 8, 8, nullptr, 80, 72, &error));
  EXPECT_EQ(testsupport::ReadText(existing), "old contents");
  OsUtilFreeImage(rows);
}

TEST_F(EngJpeg, LoadingAPictureFileGivesBottomUpRgba) {
  REQUIRE_TOOL("convert");
  const imagetest::RgbPicture source = imagetest::PatternPicture(9, 5, 7);
  imagetest::WritePpm(dir_ / "source.ppm", source);
  ASSERT_TRUE(imagetest::Run("convert '" + dir_ / "source.ppm" + "' '" + dir_ / "source.png" + "'"));
  int width = 0, height = 0;
  std::uint8_t* pixels = nullptr;
  ASSERT_EQ(OsUtilLoadImageFile(dir_ / "source.png", width, height, pixels), 1);
  RgbaImageRecord image{width, height, pixels};
  imagetest::ExpectRgbaEqualsPicture(image, source);
  OsUtilFreeImage(image);

  EXPECT_EQ(OsUtilLoadImageFile(dir_ / "missing.png", width, height, pixels), 0);
  EXPECT_EQ(OsUtilLoadImageFile(dir_.Write("bad.png", std::string("not a picture")), width, height, pixels), 0);
}

}  // namespace
