#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "EngineScopes.h"
#include "ImageToolSupport.h"
#include "engine/core/EngAlloc.h"
#include "engine/image/CDib.h"
#include "support/TempDir.h"

namespace {

using namespace engine;
using imagetest::Rgb;
using imagetest::RgbPicture;
using Bytes = std::vector<std::uint8_t>;

void PutLe(Bytes& b, std::size_t at, std::uint32_t v, int n = 4) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A ".bmp" file: file header, 40-byte information header, colour table,
// `gap` bytes of filler, then the bits (run-length data padded to 4 bytes).
Bytes BuildBmp(int width, int height, int bitCount, int compression, const std::vector<Rgb>& palette,
               const Bytes& bits, int gap = 0) {
  Bytes b(14 + 40 + palette.size() * 4 + gap, 0xEE);
  b[0] = 'B';
  b[1] = 'M';
  const std::uint32_t offBits = static_cast<std::uint32_t>(b.size());
  b.insert(b.end(), bits.begin(), bits.end());
  // Run-length data padded to 4 bytes, as writers store it.
  if (compression != 0) b.resize(offBits + ((bits.size() + 3) & ~std::size_t{3}), 0);
  PutLe(b, 2, static_cast<std::uint32_t>(b.size()));
  PutLe(b, 6, 0);
  PutLe(b, 10, offBits);
  PutLe(b, 14, 40);
  PutLe(b, 18, static_cast<std::uint32_t>(width));
  PutLe(b, 22, static_cast<std::uint32_t>(height));
  PutLe(b, 26, 1, 2);
  PutLe(b, 28, static_cast<std::uint32_t>(bitCount), 2);
  PutLe(b, 30, static_cast<std::uint32_t>(compression));
  PutLe(b, 34, static_cast<std::uint32_t>(compression ? b.size() - offBits : 0));
  PutLe(b, 38, 2835);
  PutLe(b, 42, 2835);
  PutLe(b, 46, static_cast<std::uint32_t>(palette.size()));
  PutLe(b, 50, 0);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    b[54 + i * 4] = palette[i].b;
    b[54 + i * 4 + 1] = palette[i].g;
    b[54 + i * 4 + 2] = palette[i].r;
    b[54 + i * 4 + 3] = 0;
  }
  return b;
}

// 16 distinct colours: entry i.
std::vector<Rgb> GreyPalette(int n) {
  std::vector<Rgb> p;
  for (int i = 0; i < n; ++i) p.push_back(Rgb{static_cast<std::uint8_t>(i * 15), static_cast<std::uint8_t>(255 - i * 7), 40});
  return p;
}

class CDibFiles : public ::testing::Test {
 protected:
  // Reads the file and converts it; the result's pixels are freed with the
  // fixture.
  RgbaImageRecord ReadRgba(const std::string& path) {
    CDib dib(path);
    EXPECT_TRUE(dib.IsLoaded()) << dib.ErrorText();
    RgbaImageRecord image;
    EXPECT_TRUE(DibToRgba(dib, image));
    owned_.push_back(image.pixels);
    return image;
  }
  ~CDibFiles() override {
    for (auto* p : owned_) EngFree(p);
  }

  testsupport::TempDir dir_;
  std::vector<std::uint8_t*> owned_;
};

TEST_F(CDibFiles, FilesWrittenByImageMagickReadAsTheirSourcePixels) {
  REQUIRE_TOOL("convert");
  struct Case {
    const char* name;
    int width, height, colours;
    const char* options;
    int bitCount, compression;
  };
  const Case cases[] = {
      // A palette at least as large as the picture's colours keeps them exact.
      {"one-bit", 13, 7, 2, "+dither -colors 2 -compress None", 1, 0},
      {"four-bit", 13, 7, 12, "+dither -colors 16 -compress None", 4, 0},
      {"eight-bit", 21, 9, 100, "+dither -colors 256 -compress None", 8, 0},
      {"rle8", 21, 9, 100, "+dither -colors 256 -compress RLE", 8, 1},
      {"rle8-long-runs", 37, 5, 3, "+dither -colors 3 -depth 8 -compress RLE", 8, 1},
      {"true-colour", 11, 6, 60, "-type TrueColor", 24, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RgbPicture source = imagetest::PatternPicture(c.width, c.height, c.colours);
    const std::string ppm = dir_ / (std::string(c.name) + ".ppm"), bmp = dir_ / (std::string(c.name) + ".bmp");
    imagetest::WritePpm(ppm, source);
    ASSERT_TRUE(imagetest::Run("convert '" + ppm + "' " + c.options + " 'BMP3:" + bmp + "'"));
    CDib dib(bmp);
    ASSERT_TRUE(dib.IsLoaded()) << dib.ErrorText();
    ASSERT_EQ(dib.BitCount(), c.bitCount) << "the fixture has the depth it is meant to test";
    ASSERT_EQ(static_cast<int>(dib.Header().compression), c.compression);
    imagetest::ExpectRgbaEqualsPicture(ReadRgba(bmp), source);
  }
}

TEST_F(CDibFiles, TrueColourBitsFollowTheHeaderAndTheFilesBitsOffsetIsUsed) {
  // 2 × 1, 24 bits: one padded row (6 bytes of pixels, 2 of padding).
  const Bytes bits = {10, 20, 30, 40, 50, 60, 0, 0};
  const std::string plain = dir_.Write("plain.bmp", BuildBmp(2, 1, 24, 0, {}, bits));
  CDib dib(plain);
  ASSERT_TRUE(dib.IsLoaded()) << dib.ErrorText();
  EXPECT_EQ(dib.ColorCount(), 0);
  EXPECT_EQ(dib.GetBits(), dib.Packed() + 40);
  EXPECT_EQ(dib.ImageSize(), 2u) << "an image size of 0 is completed as width × height";

  // Six filler bytes between the header and the bits: only the file's bits
  // offset finds them.
  const std::string gapped = dir_.Write("gap.bmp", BuildBmp(2, 1, 24, 0, {}, bits, 6));
  const RgbaImageRecord image = ReadRgba(gapped);
  ASSERT_NE(image.pixels, nullptr);
  const Bytes got(image.pixels, image.pixels + 8);
  EXPECT_EQ(got, (Bytes{30, 20, 10, 255, 60, 50, 40, 255}));
}

TEST_F(CDibFiles, HandMadeRunLengthFilesReadAsImageMagickDecodesThem) {
  REQUIRE_TOOL("convert");
  // Streams with encoded and absolute runs (odd lengths), an early end of
  // line, a delta and the end-of-bitmap mark. Skipped pixels are index 0.
  struct Case {
    const char* name;
    int width, height, bitCount, compression;
    Bytes stream;
  };
  const Case cases[] = {
      {"rle8", 7, 4, 8, 1, {3, 5, 0, 3, 1, 2, 3, 0, 1, 9, 0, 0,  // row 0: 5 5 5 1 2 3 9
                            2, 7, 0, 0,                          // row 1: 7 7, rest 0
                            0, 2, 2, 1,                          // delta: 2 right, 1 up, to row 2
                            5, 11, 0, 1}},                       // row 2, columns 2..6: 11
      {"rle4", 9, 4, 4, 2, {5, 0x12, 0, 3, 0x34, 0x50, 0, 0,  // row 0: 1 2 1 2 1 3 4 5
                            0, 0,                             // row 1 empty
                            0, 2, 3, 1,                       // delta to row 3, column 3
                            4, 0xF6, 0, 1}},                  // F 6 F 6, row 2 left empty
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.Write(std::string(c.name) + ".bmp",
                                        BuildBmp(c.width, c.height, c.bitCount, c.compression,
                                                 GreyPalette(1 << c.bitCount), c.stream));
    const RgbPicture expected = imagetest::DecodeWithImageMagick(path);
    ASSERT_EQ(expected.width, c.width) << "ImageMagick decodes the file";
    imagetest::ExpectRgbaEqualsPicture(ReadRgba(path), expected);
  }
}

TEST(CDibExpandRle, TracksRowsAndColumnsWithThePaddedStride) {
  struct Case {
    const char* name;
    int width, height, bitCount, compression;
    Bytes stream;
    std::vector<std::pair<int, std::uint8_t>> expected;  // index into the expansion, value
    int padding;
  };
  const Case cases[] = {
      // three 0x41, end of line, two 0x42, end: rows of 4 bytes.
      {"example", 3, 2, 8, 1, {3, 0x41, 0, 0, 2, 0x42, 0, 1}, {{0, 0x41}, {2, 0x41}, {3, 0}, {4, 0x42}, {5, 0x42}}, 1},
      // an end of line before the row is full starts the next row at column 0
      {"early-eol", 5, 2, 8, 1, {2, 0x11, 0, 0, 1, 0x22, 0, 1}, {{1, 0x11}, {2, 0}, {5, 0}, {8, 0x22}}, 3},
      // a delta of (1, 1) from column 2 lands on row 1, column 3
      {"delta", 5, 2, 8, 1, {2, 0x11, 0, 2, 1, 1, 2, 0x22, 0, 1}, {{8, 0}, {11, 0x22}, {12, 0x22}}, 3},
      // runs past the row end and deltas past the bottom write nothing outside
      {"overrun", 3, 2, 8, 1, {255, 0x33, 0, 0, 200, 0x44, 0, 2, 0, 200, 9, 0x55}, {{2, 0x33}, {3, 0}, {4, 0x44}, {6, 0x44}, {7, 0}}, 1},
      // an absolute run cut short by the end of the data stops there
      {"truncated", 4, 1, 8, 1, {2, 0x66, 0, 5, 1, 2}, {{0, 0x66}, {1, 0x66}, {2, 0}}, 0},
      // RLE4 nibbles: encoded runs alternate, absolute runs go high then low
      {"rle4", 8, 1, 4, 2, {0, 5, 0x12, 0x34, 0x50, 0, 3, 0xAB, 0, 1}, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 0xA}, {6, 0xB}, {7, 0xA}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = BuildBmp(c.width, c.height, c.bitCount, c.compression, GreyPalette(1 << c.bitCount), c.stream);
    Bytes packed(file.begin() + 14, file.end());
    CDib dib(packed.data(), packed.size());
    ASSERT_TRUE(dib.IsLoaded()) << dib.ErrorText();
    // Exactly the expansion's size, so that a write outside it is a heap
    // overflow under AddressSanitizer.
    std::vector<std::uint8_t> out(static_cast<std::size_t>(dib.RleExpandedSize()), 0xCC);
    EXPECT_EQ(dib.ExpandRle(out), c.padding);
    for (auto [index, value] : c.expected) EXPECT_EQ(out[index], value) << "at " << index;
  }
}

TEST_F(CDibFiles, MalformedFilesFailCleanly) {
  REQUIRE_TOOL("convert");
  const RgbPicture source = imagetest::PatternPicture(9, 5, 40);
  imagetest::WritePpm(dir_ / "src.ppm", source);
  ASSERT_TRUE(imagetest::Run("convert '" + dir_ / "src.ppm" + "' +dither -colors 256 -compress None 'BMP3:" +
                             dir_ / "good.bmp" + "'"));
  const Bytes good = testsupport::TempDir::ReadAll(dir_ / "good.bmp");
  ASSERT_GT(good.size(), 54u);
  ASSERT_TRUE(CDib(dir_ / "good.bmp").IsLoaded());

  // A little-endian field of the file: offset, value, byte count.
  struct Patch {
    std::size_t at;
    std::uint32_t value;
    int bytes;
  };
  struct Case {
    const char* name;
    std::vector<Patch> patches;
    std::size_t cut = 0;  // when not 0: the file cut to this many bytes
  };
  const Case cases[] = {
      {"file header only", {}, 14},
      {"info header cut", {}, 30},
      {"pixel bits cut", {}, good.size() - 10},
      {"header size huge", {{14, 0xFFFFFFF0u, 4}}},
      {"core header", {{14, 12, 4}}},
      {"width zero", {{18, 0, 4}}},
      {"width negative", {{18, 0xFFFFFFF0u, 4}}},
      {"height zero", {{22, 0, 4}}},
      {"height huge", {{22, 0x7FFFFFFF, 4}}},
      {"seven bits", {{28, 7, 2}}},
      {"unknown compression", {{30, 9, 4}}},
      {"rle8 on a 4-bit bitmap", {{28, 4, 2}, {30, 1, 4}}},
      {"colour count huge", {{46, 0xFFFFFFFFu, 4}}},
      {"colour count 300", {{46, 300, 4}}},
      {"bits offset past the end", {{10, 0x7FFFFFFF, 4}}},
      // Sizes beyond any picture here: rows × row bytes of the first passes
      // 64 bits; the second would expand to 4 G pixels from a few bytes.
      {"32-bit sides of 2^31", {{18, 0x7FFFFFFF, 4}, {22, 0x7FFFFFFF, 4}, {28, 32, 2}, {46, 0, 4}}},
      {"rle8 of 4 G pixels", {{18, 0x10000, 4}, {22, 0x10000, 4}, {30, 1, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = good;
    if (c.cut != 0) bad.resize(c.cut);
    for (const Patch& p : c.patches) PutLe(bad, p.at, p.value, p.bytes);
    CDib dib(dir_.Write("bad.bmp", bad));
    EXPECT_FALSE(dib.IsLoaded());
    EXPECT_FALSE(dib.ErrorText().empty());
    EXPECT_EQ(dib.GetBits(), nullptr);
    RgbaImageRecord image;
    EXPECT_FALSE(DibToRgba(dib, image));
    EXPECT_EQ(image.pixels, nullptr);
  }
}

TEST_F(CDibFiles, AFileThatIsNotABitmapIsReportedInAMessage) {
  enginetest::MessageCapture messages;
  CDib dib(dir_.Write("picture.bmp", std::string("GIF89a and more bytes than a header")));
  EXPECT_FALSE(dib.IsLoaded());
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_NE(messages.texts[0].find("not a bitmap"), std::string::npos);
  EXPECT_FALSE(CDib(dir_ / "missing.bmp").IsLoaded());
}

TEST(CDibPalette, SizeFollowsTheBitCount) {
  const std::pair<int, int> cases[] = {{1, 8}, {4, 64}, {8, 1024}, {16, 0}, {24, 0}, {32, 0}};
  for (auto [bits, size] : cases) {
    DibHeader header;
    header.bitCount = static_cast<std::uint16_t>(bits);
    EXPECT_EQ(OsUtilDibPaletteSize(header), size) << bits;
  }
}

}  // namespace
