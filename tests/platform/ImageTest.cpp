#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "platform/Image.h"
#include "platform/detail/QtBridge.h"

namespace {

using platform::Bgra;
using platform::Image;
using platform::MakeRgb;

TEST(Image, RowsArePaddedToFourBytes) {
  struct Case {
    int width, bpp, pitch;
  } const cases[] = {
      {5, 32, 20}, {5, 24, 16}, {3, 24, 12}, {4, 24, 12}, {3, 8, 4}, {5, 8, 8}, {10, 1, 4}, {33, 1, 8}, {1, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " px at " << c.bpp << " bpp");
    Image image(c.width, 3, c.bpp);
    ASSERT_FALSE(image.IsNull());
    EXPECT_EQ(image.Pitch(), c.pitch);
    EXPECT_EQ(image.SizeBytes(), static_cast<std::size_t>(c.pitch) * 3);
  }
}

TEST(Image, RefusesShapesItCannotHold) {
  struct Case {
    int width, height, bpp;
  } const cases[] = {{0, 5, 32}, {5, 0, 32}, {-1, 5, 32}, {5, 5, 16}, {5, 5, 0}, {1 << 30, 1 << 30, 32}, {70000, 70000, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " at " << c.bpp);
    Image image(10, 10, 32);
    EXPECT_FALSE(image.Create(c.width, c.height, c.bpp));
    EXPECT_TRUE(image.IsNull());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Bits(), nullptr);
  }
}

TEST(Image, PixelsSitWhereBitmapsPutThem) {
  Image rgba(3, 2, 32, true);
  rgba.SetBgra(2, 1, Bgra{1, 2, 3, 4});
  const std::uint8_t* p32 = rgba.Bits() + 1 * rgba.Pitch() + 2 * 4;
  EXPECT_EQ(std::memcmp(p32, "\x01\x02\x03\x04", 4), 0);

  Image rgb(3, 2, 24);
  rgb.SetBgra(2, 1, Bgra::FromColorRef(MakeRgb(10, 20, 30)));
  const std::uint8_t* p24 = rgb.Bits() + 1 * rgb.Pitch() + 2 * 3;
  EXPECT_EQ(std::memcmp(p24, "\x1E\x14\x0A", 3), 0);  // B, G, R
  EXPECT_EQ(rgb.GetBgra(2, 1), (Bgra{30, 20, 10, 255}));
  EXPECT_EQ(rgb.GetBgra(2, 1).ToColorRef(), MakeRgb(10, 20, 30));

  Image mono(12, 2, 1);
  mono.SetIndex(0, 1, 1);
  mono.SetIndex(9, 1, 1);
  EXPECT_EQ(mono.Row(1)[0], 0x80);  // leftmost pixel in the high bit
  EXPECT_EQ(mono.Row(1)[1], 0x40);
  EXPECT_EQ(mono.GetIndex(9, 1), 1);
  EXPECT_EQ(mono.GetIndex(8, 1), 0);
  mono.SetIndex(0, 1, 0);
  EXPECT_EQ(mono.Row(1)[0], 0x00);

  Image grey(4, 1, 8);
  grey.SetIndex(3, 0, 200);
  EXPECT_EQ(grey.Row(0)[3], 200);
  EXPECT_EQ(grey.GetBgra(3, 0), (Bgra{200, 200, 200, 0}));  // the default grey ramp
  grey.SetPalette({Bgra{0, 0, 0, 0}, Bgra{0, 0, 255, 0}});
  grey.SetIndex(0, 0, 1);
  EXPECT_EQ(grey.GetBgra(0, 0).ToColorRef(), MakeRgb(255, 0, 0));
}

TEST(Image, CopiesAreDeepAndMovesLeaveANullImage) {
  Image original(2, 2, 32);
  original.Fill(Bgra{9, 9, 9, 9});
  Image copy = original;
  copy.SetBgra(0, 0, Bgra{1, 1, 1, 1});
  EXPECT_EQ(original.GetBgra(0, 0), (Bgra{9, 9, 9, 9}));

  const std::uint8_t* bits = original.Bits();
  Image moved = std::move(original);
  EXPECT_EQ(moved.Bits(), bits);  // the pixel block itself moved
  EXPECT_TRUE(original.IsNull());  // NOLINT(bugprone-use-after-move): the moved-from state is the point
  EXPECT_EQ(original.Width(), 0);
}

// Fills an image with a pattern whose every pixel differs from its
// neighbours, so swapped channels, rows or columns show up.
void FillPattern(Image& image) {
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      if (image.Bpp() <= 8) {
        image.SetIndex(x, y, (x * 7 + y * 13) % (image.Bpp() == 1 ? 2 : 256));
      } else {
        image.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 60),
                                 static_cast<std::uint8_t>(x + y * 5), static_cast<std::uint8_t>(255 - x * 30)});
      }
    }
}

TEST(Image, RoundTripsThroughQImageWithTheSameColours) {
  struct Case {
    int bpp;
    bool alpha;
    QImage::Format format;
  } const cases[] = {
      {32, true, QImage::Format_ARGB32}, {32, false, QImage::Format_RGB32}, {24, false, QImage::Format_BGR888},
      {8, false, QImage::Format_Indexed8}, {1, false, QImage::Format_Mono},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << " bpp, alpha " << c.alpha);
    Image image(5, 3, c.bpp, c.alpha);  // odd width: rows carry padding
    FillPattern(image);
    if (c.bpp == 8) image.SetPalette({Bgra{10, 20, 30, 0}, Bgra{200, 100, 50, 0}});

    QImage qimage = platform::detail::ToQImage(image);
    ASSERT_EQ(qimage.format(), c.format);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        Bgra px = image.GetBgra(x, y);
        QRgb expected = qRgba(px.r, px.g, px.b, c.alpha ? px.a : 255);
        EXPECT_EQ(qimage.pixel(x, y), expected) << x << "," << y;
      }

    Image back;
    ASSERT_TRUE(platform::detail::FromQImage(qimage, back));
    EXPECT_EQ(back.Bpp(), c.bpp);
    EXPECT_EQ(back.HasAlpha(), c.alpha);
    EXPECT_EQ(back.Palette(), image.Palette());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        Bgra want = image.GetBgra(x, y), got = back.GetBgra(x, y);
        if (c.bpp == 32 && !c.alpha) want.a = got.a;  // the fourth byte is unused there
        EXPECT_EQ(got, want) << x << "," << y;
      }
  }
}

TEST(Image, QImageViewSharesThePixels) {
  Image image(4, 4, 32, true);
  QImage view = platform::detail::WrapImage(image);
  ASSERT_EQ(view.constBits(), image.Bits());
  view.setPixel(1, 2, qRgba(10, 20, 30, 40));
  EXPECT_EQ(image.GetBgra(1, 2), (Bgra{30, 20, 10, 40}));
}

TEST(Image, ImportsOtherQImageFormatsInBitmapByteOrder) {
  QImage rgba(2, 1, QImage::Format_RGBA8888);
  rgba.setPixel(0, 0, qRgba(255, 128, 0, 64));
  Image image;
  ASSERT_TRUE(platform::detail::FromQImage(rgba, image));
  EXPECT_EQ(image.Bpp(), 32);
  EXPECT_TRUE(image.HasAlpha());
  EXPECT_EQ(image.GetBgra(0, 0), (Bgra{0, 128, 255, 64}));

  QImage rgb(2, 1, QImage::Format_RGB888);
  rgb.setPixel(1, 0, qRgb(1, 2, 3));
  ASSERT_TRUE(platform::detail::FromQImage(rgb, image));
  EXPECT_EQ(image.Bpp(), 24);
  EXPECT_EQ(image.GetBgra(1, 0), (Bgra{3, 2, 1, 255}));

  EXPECT_FALSE(platform::detail::FromQImage(QImage(), image));
  EXPECT_TRUE(image.IsNull());
}

}  // namespace
