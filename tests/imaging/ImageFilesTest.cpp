#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imaging/ImageFiles.h"
#include "imaging/ImagingResult.h"
#include "ImageTestSupport.h"
#include "platform/ImageCodec.h"
#include "support/ExternalTools.h"
#include "support/TempDir.h"

namespace {

using namespace imaging;
using platform::Image;
using testsupport::ReadText;
using testsupport::TempDir;
using testsupport::WriteText;

// ---- an independent reading of the files --------------------------------

std::uint32_t BigEndian(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
         static_cast<unsigned char>(bytes[at + 3]);
}

std::uint32_t LittleEndian(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

struct Chunk {
  std::string type, data;
  bool crcOk;
};

// The chunks of a PNG file, each CRC checked with zlib's CRC-32.
std::vector<Chunk> ChunksOf(const std::string& png) {
  std::vector<Chunk> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = BigEndian(png, at);
    Chunk chunk{png.substr(at + 4, 4), png.substr(at + 8, length), false};
    const std::string typed = png.substr(at + 4, 4 + length);
    chunk.crcOk = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())) ==
                  BigEndian(png, at + 8 + length);
    chunks.push_back(chunk);
    at += 12 + length;
  }
  return chunks;
}

std::string ChunkOrder(const std::vector<Chunk>& chunks) {
  std::string order;
  for (const Chunk& c : chunks) order += (order.empty() ? "" : " ") + c.type;
  return order;
}

std::string PhysData(std::uint32_t ppm) {
  std::string data(9, '\0');
  for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = data[static_cast<std::size_t>(i + 4)] = static_cast<char>(ppm >> (24 - 8 * i));
  data[8] = 1;
  return data;
}

// A PNG made by hand: RGB pixels split over two IDAT chunks, and any
// chunks to put before the first IDAT.
std::string HandMadePng(const std::vector<std::pair<std::string, std::string>>& before) {
  auto chunk = [](const std::string& type, const std::string& data) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>(data.size() >> (24 - 8 * i));
    out += type + data;
    const std::string typed = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    for (int i = 0; i < 4; ++i) out += static_cast<char>(crc >> (24 - 8 * i));
    return out;
  };
  std::string raw;
  for (int y = 0; y < 2; ++y) {
    raw += '\0';
    for (int x = 0; x < 3; ++x) raw += std::string{static_cast<char>(10 * x), static_cast<char>(50 * y), 'x'};
  }
  std::string compressed(compressBound(static_cast<uLong>(raw.size())), '\0');
  uLongf size = static_cast<uLongf>(compressed.size());
  compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  compressed.resize(size);
  std::string png = "\x89PNG\r\n\x1a\n";
  png += chunk("IHDR", std::string("\0\0\0\x03\0\0\0\x02\x08\x02\0\0\0", 13));
  for (const auto& [type, data] : before) png += chunk(type, data);
  png += chunk("IDAT", compressed.substr(0, 5)) + chunk("IDAT", compressed.substr(5)) + chunk("IEND", "");
  return png;
}

// ---- the independent tools ----------------------------------------------

// Runs a command and answers its exit status and its output (both streams).
testsupport::ToolResult RunTool(const std::string& command) {
  return testsupport::RunTool(command, testsupport::ToolStderr::kMerge);
}

Image Sample(int width, int height) {
  Image image = testsupport::RandomImage(width, height, 32, 77);
  return image;
}

// Pixels as the independent decoder reads them: RGBA bytes, top row first.
std::string DecodedRgba(const std::string& path) { return RunTool("stream -map rgba -storage-type char '" + path + "' -").out; }

std::string RgbaOf(const Image& image) {
  std::string bytes;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const platform::Bgra p = image.GetBgra(x, y);
      bytes += {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b), static_cast<char>(p.a)};
    }
  return bytes;
}

// ---- tests ----------------------------------------------------------------

TEST(Resolution, DotsPerInchBecomePixelsPerMetre) {
  struct Case {
    int dpi;
    std::int64_t ppm;
  } const cases[] = {{0, 1}, {72, 2835}, {96, 3780}, {350, 13780}, {600, 23623}, {-1, -1}, {2000000000, -1}};
  for (const Case& c : cases) EXPECT_EQ(DpiToPixelsPerMetre(c.dpi), c.ppm) << c.dpi;
}

TEST(PngCrc, IsTheStandardCrc32) {
  EXPECT_EQ(PngCrc32(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xCBF43926u);
  std::vector<std::uint8_t> bytes(1000);
  std::mt19937 random(5);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  EXPECT_EQ(PngCrc32(bytes.data(), bytes.size()), crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

TEST(SavePngWithResolution, WritesOnePhysChunkBeforeTheData) {
  REQUIRE_TOOL("pngcheck");
  REQUIRE_TOOL("stream");
  TempDir dir;
  const Image image = Sample(7, 5);
  for (int dpi : {0, 72, 350}) {
    SCOPED_TRACE(dpi);
    const std::string path = dir / ("page" + std::to_string(dpi) + ".png");
    ASSERT_EQ(SavePngWithResolution(image, dpi, path), kResultOk);
    const std::string png = ReadText(path);
    const std::vector<Chunk> chunks = ChunksOf(png);
    int phys = 0;
    bool dataSeen = false;
    for (const Chunk& c : chunks) {
      EXPECT_TRUE(c.crcOk) << c.type;
      if (c.type == "IDAT") dataSeen = true;
      if (c.type != "pHYs") continue;
      ++phys;
      EXPECT_FALSE(dataSeen) << "pHYs after IDAT in " << ChunkOrder(chunks);
      EXPECT_EQ(c.data, PhysData(static_cast<std::uint32_t>(DpiToPixelsPerMetre(dpi))));
    }
    EXPECT_EQ(phys, 1) << ChunkOrder(chunks);
    const auto [status, report] = RunTool("pngcheck -v '" + path + "'");
    EXPECT_EQ(status, 0) << report;
    const std::string ppm = std::to_string(DpiToPixelsPerMetre(dpi));
    EXPECT_NE(report.find("pHYs"), std::string::npos) << report;
    EXPECT_NE(report.find(ppm + "x" + ppm + " pixels/meter"), std::string::npos) << report;
    EXPECT_EQ(DecodedRgba(path), RgbaOf(image));
  }
  EXPECT_NE(ReadText(dir / "page72.png").find(std::string("pHYs\0\0\x0B\x13", 8)), std::string::npos);
}

TEST(PngChunks, InsertAMissingPhysOnceBeforeTheFirstIdat) {
  REQUIRE_TOOL("pngcheck");
  TempDir dir;
  const std::string path = dir / "plain.png";
  WriteText(path, HandMadePng({}));
  const std::string before = DecodedRgba(path);
  PngChunkList chunks;
  ASSERT_EQ(PngReadChunks(path, chunks), kResultOk);
  EXPECT_EQ(chunks.size(), 4u);
  ASSERT_EQ(PngSetPhys(chunks, 72), kResultOk);
  ASSERT_EQ(PngWriteChunks(chunks, path), kResultOk);
  EXPECT_TRUE(chunks.empty());  // freed in every case
  const std::vector<Chunk> written = ChunksOf(ReadText(path));
  EXPECT_EQ(ChunkOrder(written), "IHDR pHYs IDAT IDAT IEND");
  for (const Chunk& c : written) EXPECT_TRUE(c.crcOk) << c.type;
  EXPECT_EQ(written[1].data, PhysData(2835));
  const auto [status, report] = RunTool("pngcheck -v '" + path + "'");
  EXPECT_EQ(status, 0) << report;
  EXPECT_EQ(DecodedRgba(path), before);
}

TEST(PngChunks, ReplaceAPhysOfAnyLengthWithNineBytes) {
  TempDir dir;
  const std::string path = dir / "odd.png";
  WriteText(path, HandMadePng({{"pHYs", "\x01\x02\x03"}, {"tEXt", std::string("k\0v", 3)}}));
  PngChunkList chunks;
  ASSERT_EQ(PngReadChunks(path, chunks), kResultOk);
  ASSERT_EQ(PngSetPhys(chunks, 0), kResultOk);
  ASSERT_EQ(PngWriteChunks(chunks, path), kResultOk);
  const std::vector<Chunk> written = ChunksOf(ReadText(path));
  EXPECT_EQ(ChunkOrder(written), "IHDR pHYs tEXt IDAT IDAT IEND");
  EXPECT_EQ(written[1].data, PhysData(1));
  EXPECT_TRUE(written[1].crcOk);
}

TEST(PngChunks, RefuseFilesThatAreNotWholePngs) {
  TempDir dir;
  const std::string good = HandMadePng({});
  std::string hugeLength = good;
  hugeLength.replace(33, 4, "\xFF\xFF\xFF\xF0");  // the first IDAT's length
  struct Case {
    const char* what;
    std::string bytes;
  } const cases[] = {
      {"not a PNG", "GIF89a and more bytes"},
      {"signature cut short", good.substr(0, 5)},
      {"ends inside a chunk", good.substr(0, good.size() - 20)},
      {"no IEND", good.substr(0, good.size() - 12)},
      {"a length past the file", hugeLength},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir / "bad.png";
    WriteText(path, c.bytes);
    PngChunkList chunks;
    EXPECT_EQ(PngReadChunks(path, chunks), kResultBadFile);
    EXPECT_TRUE(chunks.empty());
    EXPECT_EQ(ReadText(path), c.bytes);  // left as it is
  }
  PngChunkList chunks;
  EXPECT_EQ(PngReadChunks(dir / "missing.png", chunks), kResultCannotOpen);
  EXPECT_EQ(PngWriteChunks(chunks, dir / "no-folder/out.png"), kResultCannotOpen);
}

TEST(SaveBmpWithResolution, ChangesOnlyTheResolutionFields) {
  REQUIRE_TOOL("identify");
  TempDir dir;
  const Image image = Sample(9, 4);
  ASSERT_TRUE(platform::SaveImageFile(image, dir / "plain.bmp"));
  const std::string plain = ReadText(dir / "plain.bmp");
  for (int dpi : {0, 72, 350}) {
    SCOPED_TRACE(dpi);
    const std::string path = dir / "page.bmp";
    ASSERT_EQ(SaveBmpWithResolution(image, dpi, path), kResultOk);
    const std::string bmp = ReadText(path);
    ASSERT_EQ(bmp.size(), plain.size());
    for (std::size_t i = 0; i < bmp.size(); ++i)
      if (i < 38 || i > 45) {
        ASSERT_EQ(bmp[i], plain[i]) << "byte " << i;
      }
    const auto ppm = static_cast<std::uint32_t>(DpiToPixelsPerMetre(dpi));
    EXPECT_EQ(LittleEndian(bmp, 38), ppm);
    EXPECT_EQ(LittleEndian(bmp, 42), ppm);
    const auto [status, resolution] = RunTool("identify -units PixelsPerCentimeter -format '%x %y' '" + path + "'");
    ASSERT_EQ(status, 0) << resolution;
    double x = 0, y = 0;
    ASSERT_EQ(std::sscanf(resolution.c_str(), "%lf %lf", &x, &y), 2) << resolution;
    EXPECT_NEAR(x, ppm / 100.0, 0.006);
    EXPECT_NEAR(y, ppm / 100.0, 0.006);
  }
}

TEST(ImageWriters, ReportTheirFailuresAndKeepThePreviousFile) {
  TempDir dir;
  const Image image = Sample(4, 4);
  WriteText(dir / "old.png", "previous");
  EXPECT_EQ(SavePngWithResolution(Image(), 72, dir / "old.png"), kResultBadImage);
  EXPECT_EQ(SavePngWithResolution(image, -1, dir / "old.png"), kResultBadValue);
  EXPECT_EQ(SaveBmpWithResolution(Image(), 72, dir / "old.png"), kResultBadImage);
  EXPECT_EQ(SaveBmpWithResolution(image, -5, dir / "old.png"), kResultBadValue);
  EXPECT_EQ(SaveJpegWithResolution(image, -5, dir / "old.png"), kResultBadValue);
  EXPECT_EQ(ReadText(dir / "old.png"), "previous");
  EXPECT_EQ(SavePngWithResolution(image, 72, dir / "no-folder/a.png"), kResultCannotWrite);
  EXPECT_EQ(SaveBmpWithResolution(image, 72, dir / "no-folder/a.bmp"), kResultCannotWrite);
  EXPECT_EQ(SaveJpegWithResolution(image, 72, dir / "no-folder/a.jpg"), kResultCannotWrite);
  Image mask(4, 4, 8);
  EXPECT_EQ(SaveJpegWithResolution(mask, 72, dir / "mask.jpg"), kResultBadImage);
}

TEST(SaveJpegWithResolution, StoresTheDensityAndThePicture) {
  REQUIRE_TOOL("identify");
  REQUIRE_TOOL("djpeg");
  TempDir dir;
  Image image(16, 8, 24);
  image.Fill(platform::Bgra{30, 160, 220, 0});
  const std::string path = dir / "page.jpg";
  ASSERT_EQ(SaveJpegWithResolution(image, 300, path), kResultOk);
  const auto [status, resolution] = RunTool("identify -format '%x %y %U' '" + path + "'");
  EXPECT_EQ(status, 0);
  double x = 0, y = 0;
  ASSERT_EQ(std::sscanf(resolution.c_str(), "%lf %lf", &x, &y), 2) << resolution;
  EXPECT_DOUBLE_EQ(x, 300);
  EXPECT_DOUBLE_EQ(y, 300);
  EXPECT_NE(resolution.find("PixelsPerInch"), std::string::npos);
  // djpeg writes a binary PPM: header, then R, G, B per pixel.
  const auto [djpegStatus, ppm] = RunTool("djpeg -pnm '" + path + "'");
  ASSERT_EQ(djpegStatus, 0);
  ASSERT_EQ(ppm.substr(0, 2), "P6");
  const std::string pixels = ppm.substr(ppm.size() - 16 * 8 * 3);
  EXPECT_NEAR(static_cast<unsigned char>(pixels[0]), 220, 3);
  EXPECT_NEAR(static_cast<unsigned char>(pixels[1]), 160, 3);
  EXPECT_NEAR(static_cast<unsigned char>(pixels[2]), 30, 3);
}

}  // namespace
