#include <gtest/gtest.h>

#include "platform/ImageCodec.h"
#include "platform/Image.h"
#include "support/TempDir.h"

namespace {

using namespace platform;

Image Sample(bool alpha) {
  Image image(5, 3, 32, alpha);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      image.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(40 * x), static_cast<std::uint8_t>(70 * y), 99,
                               static_cast<std::uint8_t>(alpha ? 50 * x + 5 : 255)});
  return image;
}

TEST(ImageCodec, PngAndBmpRoundTripTheirPixels) {
  testsupport::TempDir dir;
  struct Case {
    const char* name;
    bool alpha;
  } const cases[] = {{"a.png", true}, {"b.png", false}, {"c.bmp", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Image original = Sample(c.alpha);
    std::string error;
    ASSERT_TRUE(SaveImageFile(original, dir / c.name, {}, &error)) << error;
    Image loaded;
    ASSERT_TRUE(LoadImageFile(dir / c.name, loaded, &error)) << error;
    ASSERT_EQ(loaded.Width(), 5);
    ASSERT_EQ(loaded.Height(), 3);
    EXPECT_EQ(loaded.HasAlpha(), c.alpha);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(loaded.GetBgra(x, y), original.GetBgra(x, y)) << x << "," << y;
  }
}

TEST(ImageCodec, ReadsByContentAndWritesByExtensionOrFormat) {
  testsupport::TempDir dir;
  const Image original = Sample(false);
  ASSERT_TRUE(SaveImageFile(original, dir / "really-a-png.bmp", "PNG"));
  EXPECT_EQ(testsupport::ReadText(dir / "really-a-png.bmp").substr(1, 3), "PNG");
  Image loaded;
  ASSERT_TRUE(LoadImageFile(dir / "really-a-png.bmp", loaded));
  EXPECT_EQ(loaded.GetBgra(4, 2), original.GetBgra(4, 2));

  std::string error;
  EXPECT_FALSE(SaveImageFile(original, dir / "x.unknownformat", {}, &error));
  EXPECT_NE(error.find("unknownformat"), std::string::npos);
  EXPECT_FALSE(SaveImageFile(Image(), dir / "x.png", {}, &error));
  testsupport::WriteText(dir / "junk.png", "not a picture at all");
  EXPECT_FALSE(LoadImageFile(dir / "junk.png", loaded, &error));
  EXPECT_TRUE(loaded.IsNull());
  EXPECT_FALSE(LoadImageFile(dir / "missing.png", loaded));
}

}  // namespace
