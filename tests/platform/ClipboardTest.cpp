#include "platform/Clipboard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::Bgra;
using platform::Image;

Image Checker() {
  Image image(5, 3, 32, true);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      image.SetBgra(x, y, (x + y) % 2 ? Bgra{10, 20, 30, 255} : Bgra{200, 100, 50, 128});
  return image;
}

TEST(Clipboard, PlacesAndGivesBackPngBytesAndBitmapsAsAsked) {
  const std::string png("\x89PNG\r\n\x1a\n-bytes-", 15);
  const Image bitmap = Checker();

  ASSERT_TRUE(platform::SetClipboardPictures(&png, nullptr));
  platform::ClipboardFormats formats = platform::ClipboardPictureFormats();
  EXPECT_TRUE(formats.png);
  EXPECT_FALSE(formats.bitmap);
  EXPECT_EQ(platform::GetClipboardPng(), png);
  Image pasted;
  EXPECT_FALSE(platform::GetClipboardBitmap(pasted));
  EXPECT_TRUE(pasted.IsNull());

  ASSERT_TRUE(platform::SetClipboardPictures(nullptr, &bitmap));
  formats = platform::ClipboardPictureFormats();
  EXPECT_FALSE(formats.png);  // placing empties the clipboard first
  EXPECT_TRUE(formats.bitmap);
  EXPECT_EQ(platform::GetClipboardPng(), std::nullopt);
  ASSERT_TRUE(platform::GetClipboardBitmap(pasted));
  ASSERT_EQ(pasted.Width(), 5);
  ASSERT_EQ(pasted.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pasted.GetBgra(x, y), bitmap.GetBgra(x, y)) << x << "," << y;

  ASSERT_TRUE(platform::SetClipboardPictures(&png, &bitmap));
  formats = platform::ClipboardPictureFormats();
  EXPECT_TRUE(formats.png && formats.bitmap);

  // Nothing to place leaves the clipboard as it was.
  EXPECT_FALSE(platform::SetClipboardPictures(nullptr, nullptr));
  EXPECT_EQ(platform::GetClipboardPng(), png);

  platform::ClearClipboard();
  formats = platform::ClipboardPictureFormats();
  EXPECT_FALSE(formats.png || formats.bitmap);
  EXPECT_EQ(platform::GetClipboardPng(), std::nullopt);
}

}  // namespace
