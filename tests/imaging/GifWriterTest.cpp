#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "ImagingTestSupport.h"
#include "imaging/gif/CGifFormat.h"
#include "imaging/gif/GifWriter.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

using imaging::CGifFormat;
using imaging::GifBytes;
using imaging::Palette;
using imaging_test::Quoted;
using imaging_test::ReadBytes;
using imaging_test::RunTool;
using platform::Bgra;
using platform::Image;

Palette TestPalette() {
  Palette palette(256);
  for (int i = 0; i < 256; ++i)
    palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                            static_cast<std::uint8_t>(i / 2)};
  return palette;
}

TEST(WriteGif, OnePixelImageIsTheExpectedByteImage) {
  testsupport::TempDir dir;
  const std::vector<std::uint8_t> index = {7};
  const Palette palette = TestPalette();
  ASSERT_EQ(imaging::WriteGif(dir / "one.gif", index.data(), palette, 1, 1), 0);

  GifBytes expected = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0xF7, 0, 49};
  for (const auto& c : palette) expected.insert(expected.end(), {c.r, c.g, c.b});
  expected.insert(expected.end(), {0x21, 0xF9, 4, 0x01, 0, 0, 255, 0});     // transparent index 255
  expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00, 8});  // descriptor, code size
  // Clear 256, pixel 7, end 257 as 9-bit codes, least significant bit
  // first: 0x4040F00 in 27 bits.
  expected.insert(expected.end(), {4, 0x00, 0x0F, 0x04, 0x04, 0, 0x3B});
  const GifBytes written = ReadBytes(dir / "one.gif");
  EXPECT_EQ(written.size(), 807u);
  EXPECT_EQ(written, expected);
}

// A 32-bit page image: colour blocks and a transparent band.
Image BlockImage() {
  const Bgra colours[] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {40, 80, 120, 255}, {255, 255, 255, 255}};
  Image image(23, 17, 32, true);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 23; ++x) image.SetBgra(x, y, y >= 12 ? Bgra{0, 0, 0, 0} : colours[(x / 5 + y / 4) % 5]);
  return image;
}

TEST(SaveImageAsGif, IndependentDecodersReadSizeTransparencyAndPixels) {
  testsupport::TempDir dir;
  const Image image = BlockImage();
  const std::string path = dir / "page.gif";
  ASSERT_EQ(imaging::SaveImageAsGif(image, path), 0);

  const auto size = RunTool("identify -format '%w %h %n' " + Quoted(path));
  ASSERT_EQ(size.exitCode, 0) << "ImageMagick identify is needed";
  EXPECT_EQ(size.out, "23 17 1");

  const auto text = RunTool("giftext " + Quoted(path));
  ASSERT_EQ(text.exitCode, 0) << "giftext (giflib-tools) is needed";
  EXPECT_NE(text.out.find("Screen Size - Width = 23, Height = 17."), std::string::npos);
  EXPECT_NE(text.out.find("Transparency on: yes"), std::string::npos);
  EXPECT_NE(text.out.find("Transparent Index: 255"), std::string::npos);
  EXPECT_NE(text.out.find("GIF file terminated normally."), std::string::npos);

  const auto rgba = RunTool("convert " + Quoted(path) + " -depth 8 rgba:-");
  ASSERT_EQ(rgba.exitCode, 0);
  ASSERT_EQ(rgba.out.size(), 23u * 17u * 4u);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 23; ++x) {
      const Bgra want = image.GetBgra(x, y);
      const auto* got = reinterpret_cast<const std::uint8_t*>(rgba.out.data()) + (y * 23 + x) * 4;
      if (want.a == 0) {
        ASSERT_EQ(got[3], 0) << x << "," << y;
      } else {
        ASSERT_EQ(got[3], 255) << x << "," << y;
        ASSERT_EQ((Bgra{got[2], got[1], got[0], 255}), want) << x << "," << y;
      }
    }
}

TEST(SaveImageAsGif, PhotoLikeImagesComeBackClose) {
  // Thousands of colours: the median cut must choose well and the long LZW
  // stream (with its table resets) must decode.
  testsupport::TempDir dir;
  Image image(300, 200, 24);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      image.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(x * 255 / 299), static_cast<std::uint8_t>(y * 255 / 199),
                               static_cast<std::uint8_t>((x + y) * 255 / 498), 255});
  const std::string path = dir / "photo.gif";
  ASSERT_EQ(imaging::SaveImageAsGif(image, path), 0);
  const auto rgba = RunTool("convert " + Quoted(path) + " -depth 8 rgba:-");
  ASSERT_EQ(rgba.exitCode, 0);
  ASSERT_EQ(rgba.out.size(), 300u * 200u * 4u);
  double error = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      const Bgra want = image.GetBgra(x, y);
      const auto* got = reinterpret_cast<const std::uint8_t*>(rgba.out.data()) + (y * 300 + x) * 4;
      error += std::abs(got[0] - want.r) + std::abs(got[1] - want.g) + std::abs(got[2] - want.b);
    }
  EXPECT_LT(error / (300.0 * 200.0 * 3.0), 6.0);
}

TEST(WriteGif, FailedWritesAreReportedAndLeaveThePreviousFile) {
  testsupport::TempDir dir;
  const Palette palette = TestPalette();
  const std::vector<std::uint8_t> small(4, 1);
  // A folder that does not exist: nothing can be created there.
  EXPECT_EQ(imaging::WriteGif(dir / "missing/x.gif", small.data(), palette, 2, 2), imaging::kGifCannotCreate);
  // Sizes a GIF cannot hold.
  EXPECT_EQ(imaging::WriteGif(dir / "big.gif", small.data(), palette, 70000, 1), imaging::kGifFileError);
  EXPECT_FALSE(platform::FileExists(dir / "big.gif"));

  // The disk fills up part way: the old file stays whole, nothing is left
  // beside it.
  const std::string path = dir / "kept.gif";
  ASSERT_EQ(imaging::WriteGif(path, small.data(), palette, 2, 2), 0);
  const GifBytes before = ReadBytes(path);
  std::vector<std::uint8_t> noise(200 * 200);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 7919 % 251);
  {
    imaging_test::ScopedFileSizeLimit limit(2000);
    EXPECT_EQ(imaging::WriteGif(path, noise.data(), palette, 200, 200), imaging::kGifDiskFull);
  }
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{"kept.gif"});
}

TEST(GifErrorFromFileException, MapsTheCauseOfAFileError) {
  struct Case {
    int errorNumber;
    int code;
  };
  for (const Case& c : {Case{ENOSPC, imaging::kGifDiskFull}, Case{EDQUOT, imaging::kGifDiskFull},
                        Case{ENOENT, imaging::kGifCannotCreate}, Case{EMFILE, imaging::kGifCannotCreate},
                        Case{EACCES, imaging::kGifFileError}, Case{EIO, imaging::kGifFileError}, Case{0, 0}})
    EXPECT_EQ(imaging::GifErrorFromFileException(platform::FileError("write", "/x.gif", c.errorNumber)), c.code)
        << c.errorNumber;
}

TEST(GifSubblock, SplitsIntoPiecesOfAtMost255Bytes) {
  struct Case {
    std::size_t length;
    std::vector<std::size_t> pieces;
  };
  for (const Case& c : {Case{0, {}}, Case{1, {1}}, Case{255, {255}}, Case{256, {255, 1}}, Case{511, {255, 255, 1}}}) {
    std::vector<std::uint8_t> data(c.length);
    for (std::size_t i = 0; i < c.length; ++i) data[i] = static_cast<std::uint8_t>(i);
    CGifFormat::Subblock block;
    block.Split(data.data(), data.size());
    GifBytes expected;
    std::size_t at = 0;
    for (std::size_t piece : c.pieces) {
      expected.push_back(static_cast<std::uint8_t>(piece));
      expected.insert(expected.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + piece));
      at += piece;
    }
    expected.push_back(0);
    EXPECT_EQ(block.Packed(), expected) << c.length;
    EXPECT_EQ(block.DataLength(), c.length);
    EXPECT_EQ(block.Joined(), data);
  }
}

TEST(GifHeader, SetTableSizeTakesPowersOfTwoUpTo256) {
  struct Case {
    int n;
    int bits;
  };
  for (const Case& c : {Case{2, 0}, Case{4, 1}, Case{128, 6}, Case{256, 7}, Case{300, 7}, Case{100, 5}, Case{1, 5}}) {
    imaging::GifHeader header;
    header.packed = 0xF5;  // size bits 5 before
    header.SetTableSize(c.n);
    EXPECT_EQ(header.packed, 0xF0 | c.bits) << c.n;
  }
}

TEST(GifBlocks, ReadBackWhatTheyWriteAndRefuseTruncatedInput) {
  CGifFormat::GraphicControlBlock control;
  control.flags = 0x09;
  control.delay = 300;
  control.transparentIndex = 3;
  CGifFormat::ApplicationBlock application;
  application.identifier = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E'};
  application.authentication = {'2', '.', '0'};
  const std::uint8_t loop[3] = {1, 0, 0};
  application.data.Split(loop, 3);
  CGifFormat::CommentBlock comment;
  comment.text = std::string(300, 'c');
  CGifFormat::ImageBlock image;
  image.left = 2, image.top = 3, image.width = 4, image.height = 5;
  image.packed = 0x81;  // a local table of 4 entries
  image.localTable.count = 4;
  image.localTable.entries[3] = {9, 8, 7};
  image.codeSize = 2;
  const std::uint8_t codes[5] = {1, 2, 3, 4, 5};
  image.data.Split(codes, 5);

  GifBytes bytes;
  control.Write(bytes);
  application.Write(bytes);
  comment.Write(bytes);
  image.Write(bytes);

  imaging::GifByteReader in(bytes.data(), bytes.size());
  CGifFormat::GraphicControlBlock control2;
  CGifFormat::ApplicationBlock application2;
  CGifFormat::CommentBlock comment2;
  CGifFormat::ImageBlock image2;
  ASSERT_TRUE(control2.ReadHeader(in) && control2.Read(in));
  ASSERT_TRUE(application2.ReadHeader(in) && application2.Read(in));
  ASSERT_TRUE(comment2.ReadHeader(in) && comment2.Read(in));
  ASSERT_TRUE(image2.Block::Read(in) && image2.Read(in));
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_EQ(control2.Dump(), control.Dump());
  EXPECT_EQ(application2.Dump(), application.Dump());
  EXPECT_EQ(application2.data.Packed(), application.data.Packed());
  EXPECT_EQ(comment2.text, comment.text);
  EXPECT_EQ(image2.Dump(), image.Dump());
  EXPECT_EQ(image2.data.Packed(), image.data.Packed());

  // Every cut short of the end fails.
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    imaging::GifByteReader shortIn(bytes.data(), cut);
    CGifFormat::GraphicControlBlock a;
    CGifFormat::ApplicationBlock b;
    CGifFormat::CommentBlock c;
    CGifFormat::ImageBlock d;
    const bool all = a.ReadHeader(shortIn) && a.Read(shortIn) && b.ReadHeader(shortIn) && b.Read(shortIn) &&
                     c.ReadHeader(shortIn) && c.Read(shortIn) && d.Block::Read(shortIn) && d.Read(shortIn);
    ASSERT_FALSE(all) << cut;
  }
}

TEST(GifBlocks, DumpsDescribeTheFields) {
  CGifFormat::GraphicControlBlock control;
  control.flags = 0x09;
  control.delay = 25;
  control.transparentIndex = 255;
  EXPECT_EQ(control.Dump(),
            "[Graphic Control Extension Block]\n"
            "Block Signature: 0x21\n"
            "Extension Block Signature: 0xf9\n"
            "Disposal Method        : 2\n"
            "User Input Flag        : 0\n"
            "Transparent Color Flag : 1\n"
            "Delay Time             : 250[m sec]\n"
            "Transparent Color Index: 0xff(255)\n");

  CGifFormat::ImageBlock image;
  image.width = 640, image.height = 480;
  image.packed = 0x80;  // a local table of 2 entries
  image.localTable.count = 2;
  image.localTable.entries[0] = {0xab, 0xcd, 0xef};
  image.codeSize = 2;
  const std::uint8_t codes[300] = {};
  image.data.Split(codes, 300);
  EXPECT_EQ(image.Dump(),
            "[Image Block]\n"
            "Block Signature: 0x2c\n"
            "X Offset: 0[pixel]\n"
            "Y Offset: 0[pixel]\n"
            "Width   : 640[pixel]\n"
            "Height  : 480[pixel]\n"
            "Local Color Table Flag: 1\n"
            "Interlaced Flag       : 0\n"
            "Sort Flag             : 0\n"
            "Local Color Table Size: 2\n"
            "\n"
            "[Color Table]\n"
            "Color Table Size: 2\n"
            "[000]:ABCDEF [001]:000000 "
            "\n[LZW Image Subblock]\n"
            "LZW Compress Size: 0x02[bit]\n"
            "Raster Image Size: 300[byte]\n");

  CGifFormat::CommentBlock comment;
  comment.text = "made here";
  EXPECT_EQ(comment.Dump(),
            "[Comment Extension Block]\nBlock Signature: 0x21\nExtension Block Signature: 0xfe\n"
            "Comment Text: \nmade here\n");
}

}  // namespace
