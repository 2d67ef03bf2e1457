#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineScopes.h"
#include "engine/core/EngAlloc.h"
#include "engine/image/OsUtilBitmap.h"
#include "engine/image/OsUtilImage.h"

namespace {

using namespace engine;
using platform::Bgra;

// RGBA pixels bottom row first: (0, 0) red, (1, 0) green, (0, 1) blue,
// (1, 1) white.
struct TwoByTwo {
  TwoByTwo() {
    image.width = image.height = 2;
    image.pixels = EngAllocArray<unsigned char>(16);
    const unsigned char bytes[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    std::copy(bytes, bytes + 16, image.pixels);
  }
  ~TwoByTwo() { OsUtilFreeImage(image); }
  RgbaImageRecord image;
};

// A packed width × height bitmap of the given depth with room for a full
// colour table and zero bits.
std::vector<std::uint8_t> PackedBitmap(int width, int height, int bits) {
  std::vector<std::uint8_t> packed(40 + 1024 + 4 * static_cast<std::size_t>(width * height), 0);
  packed[0] = 40;
  packed[4] = static_cast<std::uint8_t>(width);
  packed[8] = static_cast<std::uint8_t>(height);
  packed[12] = 1;
  packed[14] = static_cast<std::uint8_t>(bits);
  return packed;
}

class OsUtilBitmaps : public ::testing::Test {
 protected:
  enginetest::MessageCapture messages_;
};

TEST_F(OsUtilBitmaps, ImageToBitmapStretchesThePictureUprightToTheSize) {
  TwoByTwo picture;
  EngBitmap bitmap;
  ASSERT_EQ(OsUtilImageToBitmap(&picture.image, 6, 4, &bitmap), 1);
  EXPECT_EQ(bitmap.dimension, (platform::SIZE{6, 4}));
  EXPECT_EQ(OsUtilGetBitmapRect(bitmap), (platform::RECT{0, 0, 6, 4}));
  // The bitmap runs top row first: the picture's top row (blue, white) is
  // its upper half.
  EXPECT_EQ(bitmap.image.GetBgra(0, 0).b, 255);
  EXPECT_EQ(bitmap.image.GetBgra(0, 0).r, 0);
  EXPECT_EQ(bitmap.image.GetBgra(5, 1), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(bitmap.image.GetBgra(2, 3).r, 255);
  EXPECT_EQ(bitmap.image.GetBgra(3, 3).g, 255);

  EXPECT_EQ(OsUtilImageToBitmap(&picture.image, 6, 4, nullptr), 1) << "nothing to draw into";
  RgbaImageRecord empty;
  EXPECT_EQ(OsUtilImageToBitmap(&empty, 6, 4, &bitmap), 0);
  EXPECT_EQ(OsUtilImageToBitmap(nullptr, 6, 4, &bitmap), 0);
}

TEST_F(OsUtilBitmaps, DibToImageRefusesSixteenAndThirtyTwoBitBitmaps) {
  for (int bits : {16, 32, 24}) {
    std::vector<std::uint8_t> packed = PackedBitmap(2, 1, bits);
    CDib dib(packed.data(), packed.size());
    ASSERT_TRUE(dib.IsLoaded()) << dib.ErrorText();
    messages_.texts.clear();
    RgbaImageRecord image;
    EngBitmap bitmap;
    const int answer = OsUtilDibToImage(dib, image, 4, 4, &bitmap);
    if (bits == 24) {
      EXPECT_EQ(answer, 1);
      EXPECT_TRUE(messages_.texts.empty());
    } else {
      EXPECT_EQ(answer, 0) << bits;
      EXPECT_EQ(messages_.texts, std::vector<std::string>{"File Open Error"});
    }
    OsUtilFreeImage(image);
  }
}

TEST_F(OsUtilBitmaps, SmoothingABitmapCountsBlocksFromItsBottomRow) {
  EngBitmap bitmap;
  ASSERT_TRUE(bitmap.image.Create(3, 4, 32));
  // Rows from the top: 10, 20, 30, 40 in every channel.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) {
      const auto v = static_cast<std::uint8_t>(10 * (y + 1));
      bitmap.image.SetBgra(x, y, Bgra{v, v, v, 7});
    }
  ASSERT_EQ(OsUtilSmoothBitmap(bitmap, 3), 1);
  // The lower three rows make one block (mean 30); the top row is a block
  // cut by the edge.
  EXPECT_EQ(bitmap.image.GetBgra(1, 0), (Bgra{10, 10, 10, 7}));
  EXPECT_EQ(bitmap.image.GetBgra(1, 1), (Bgra{30, 30, 30, 7}));
  EXPECT_EQ(bitmap.image.GetBgra(2, 3), (Bgra{30, 30, 30, 7}));
}

TEST_F(OsUtilBitmaps, SmoothDibAcceptsOnlyTrueColour) {
  for (int bits : {24, 32, 8}) {
    std::vector<std::uint8_t> packed = PackedBitmap(2, 2, bits);
    CDib dib(packed.data(), packed.size());
    ASSERT_TRUE(dib.IsLoaded()) << dib.ErrorText();
    messages_.texts.clear();
    const int answer = OsUtilSmoothDib(dib, 2);
    EXPECT_EQ(answer, bits == 24 ? 1 : 0);
    const std::vector<std::string> expected =
        bits == 32 ? std::vector<std::string>{"Smooth Bitmap error"}
                   : bits == 8 ? std::vector<std::string>{"File Open Error"} : std::vector<std::string>{};
    EXPECT_EQ(messages_.texts, expected) << bits;
  }
}

TEST_F(OsUtilBitmaps, StretchDcToBitmapAveragesTheSourceArea) {
  platform::Image source(4, 2, 32);
  for (int x = 0; x < 4; ++x) {
    source.SetBgra(x, 0, Bgra{0, 0, 0, 255});
    source.SetBgra(x, 1, Bgra{200, 100, 50, 255});
  }
  EngBitmap bitmap;
  ASSERT_TRUE(bitmap.image.Create(2, 1, 32));
  bitmap.dimension = {2, 1};
  ASSERT_TRUE(OsUtilStretchDcToBitmap(source, bitmap, {0, 0, 4, 2}, {0, 0, 2, 1}));
  EXPECT_EQ(bitmap.image.GetBgra(0, 0).b, 100);
  EXPECT_EQ(bitmap.image.GetBgra(1, 0).g, 50);
  EXPECT_FALSE(OsUtilStretchDcToBitmap(source, bitmap, {0, 0, 5, 2}, {0, 0, 2, 1})) << "outside the source";
}

}  // namespace
