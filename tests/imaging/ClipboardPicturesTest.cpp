#include "imaging/clipboard/ClipboardPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/Clipboard.h"

namespace {

using platform::Bgra;
using platform::Image;

// A premultiplied page picture: opaque, half and nearly transparent
// pixels, and fully transparent ones.
Image PremultipliedPicture() {
  Image image(6, 4, 32, true);
  const Bgra pixels[4] = {{10, 20, 30, 255}, {60, 0, 100, 128}, {1, 2, 3, 7}, {0, 0, 0, 0}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) image.SetBgra(x, y, pixels[(x + y) % 4]);
  return image;
}

// Straight colour from premultiplied: c x 255 / a, at most 255.
Bgra Straight(Bgra p) {
  if (p.a == 0 || p.a == 255) return p;
  auto c = [&](int v) { return static_cast<std::uint8_t>(std::min(255, v * 255 / p.a)); };
  return {c(p.b), c(p.g), c(p.r), p.a};
}

TEST(CopyImageToClipboard, PngAloneLeavesTheImageStraightAndRoundTripsExactly) {
  Image image = PremultipliedPicture();
  const Image original = image;
  ASSERT_EQ(imaging::CopyImageToClipboard(image, true, imaging::kClipboardPng, 0xFFFFFF), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(image.GetBgra(x, y), Straight(original.GetBgra(x, y))) << x << "," << y;
  const platform::ClipboardFormats formats = platform::ClipboardPictureFormats();
  EXPECT_TRUE(formats.png);
  EXPECT_FALSE(formats.bitmap);
  EXPECT_TRUE(imaging::CanPasteImage());

  Image pasted(1, 1, 24);  // whatever it held goes
  ASSERT_EQ(imaging::PasteImageFromClipboard(pasted), 0);
  ASSERT_EQ(pasted.Bpp(), 32);
  ASSERT_TRUE(pasted.HasAlpha());
  ASSERT_EQ(pasted.Width(), 6);
  ASSERT_EQ(pasted.Height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const Bgra want = image.GetBgra(x, y), got = pasted.GetBgra(x, y);
      ASSERT_EQ(got.a, want.a) << x << "," << y;
      if (want.a != 0) {
        ASSERT_EQ(got, want) << x << "," << y;
      }
    }
}

TEST(CopyImageToClipboard, BitmapIsThePictureOverTheBackgroundAndPastesOpaque) {
  Image image = PremultipliedPicture();
  const Image original = image;
  const platform::COLORREF background = platform::MakeRgb(200, 100, 40);
  ASSERT_EQ(imaging::CopyImageToClipboard(image, true, imaging::kClipboardBitmap, background), 0);
  const platform::ClipboardFormats formats = platform::ClipboardPictureFormats();
  EXPECT_FALSE(formats.png);
  EXPECT_TRUE(formats.bitmap);
  Image pasted;
  ASSERT_EQ(imaging::PasteImageFromClipboard(pasted), 0);
  ASSERT_EQ(pasted.Bpp(), 32);
  const Bgra bg = Bgra::FromColorRef(background);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const Bgra s = original.GetBgra(x, y);
      auto over = [&](int c, int d) { return static_cast<std::uint8_t>(c + d * (255 - s.a) / 255); };
      ASSERT_EQ(pasted.GetBgra(x, y), (Bgra{over(s.b, bg.b), over(s.g, bg.g), over(s.r, bg.r), 255})) << x << "," << y;
    }
}

TEST(CopyImageToClipboard, AStraightImageIsPremultipliedForTheBitmap) {
  Image image(1, 1, 32, true);
  image.SetBgra(0, 0, Bgra{255, 255, 255, 128});  // straight white at half
  ASSERT_EQ(imaging::CopyImageToClipboard(image, false, imaging::kClipboardBitmap, 0x000000), 0);
  EXPECT_EQ(image.GetBgra(0, 0), (Bgra{128, 128, 128, 128}));  // left premultiplied
  Image pasted;
  ASSERT_EQ(imaging::PasteImageFromClipboard(pasted), 0);
  EXPECT_EQ(pasted.GetBgra(0, 0), (Bgra{128, 128, 128, 255}));
}

TEST(CopyImageToClipboard, MetafileAloneMakesNothingAndLeavesTheClipboard) {
  const std::string before = "earlier";
  ASSERT_TRUE(platform::SetClipboardPictures(&before, nullptr));
  Image image = PremultipliedPicture();
  EXPECT_EQ(imaging::CopyImageToClipboard(image, true, imaging::kClipboardMetafile, 0xFFFFFF),
            imaging::kClipboardNothingMade);
  EXPECT_EQ(platform::GetClipboardPng(), before);
  // With the other formats the metafile is simply left out.
  EXPECT_EQ(imaging::CopyImageToClipboard(image, true, 7, 0xFFFFFF), 0);
  const platform::ClipboardFormats formats = platform::ClipboardPictureFormats();
  EXPECT_TRUE(formats.png && formats.bitmap);
}

TEST(PasteImageFromClipboard, TakesThePngFirstAndFailsOnABadOneWithoutTheBitmap) {
  Image image = PremultipliedPicture();
  ASSERT_EQ(imaging::CopyImageToClipboard(image, true, imaging::kClipboardBitmap | imaging::kClipboardPng, 0), 0);
  Image pasted;
  ASSERT_EQ(imaging::PasteImageFromClipboard(pasted), 0);
  EXPECT_EQ(pasted.GetBgra(3, 0).a, 0);  // from the PNG: the transparent pixel stays transparent

  const std::string broken = "\x89PNG\r\n\x1a\nnot really";
  const Image bitmap(2, 2, 24);
  ASSERT_TRUE(platform::SetClipboardPictures(&broken, &bitmap));
  EXPECT_EQ(imaging::PasteImageFromClipboard(pasted), -1);
  EXPECT_TRUE(pasted.IsNull());
}

TEST(PasteImageFromClipboard, AnEmptyClipboardGivesNoPictureAndNoError) {
  platform::ClearClipboard();
  EXPECT_FALSE(imaging::CanPasteImage());
  Image pasted(3, 3, 32, true);
  EXPECT_EQ(imaging::PasteImageFromClipboard(pasted), 0);
  EXPECT_TRUE(pasted.IsNull());
}

}  // namespace
