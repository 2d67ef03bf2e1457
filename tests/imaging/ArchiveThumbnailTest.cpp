#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Hooks.h"
#include "platform/ImageCodec.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

// A name of its own: test files are compiled together in batches.
namespace archive_thumbnail_test {

using imaging_test::Quoted;
using imaging_test::ReadBytes;
using imaging_test::RunTool;
using imaging_test::Text;
using platform::Bgra;
using platform::Image;

constexpr std::array<std::uint8_t, 8> kPageBytes = {6, 0, 0, 0, 1, 0, 0, 0};
// "表紙" and "人物" in UTF-8, and the first in code page 932.
const std::string kCover = "\xe8\xa1\xa8\xe7\xb4\x99";
const std::string kPerson = "\xe4\xba\xba\xe7\x89\xa9";
const std::string kCoverCp932 = "\x95\x5c\x8e\x86";

Image Gradient(int width, int height) {
  Image image(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(x * 255 / width), 90, static_cast<std::uint8_t>(y * 255 / height), 255});
  return image;
}

TEST(ArcWriteThumbnailFiles, WritesShiftJisTextsAndAJpegTheDecoderReads) {
  testsupport::TempDir dir;
  ASSERT_EQ(imaging::ArcWriteThumbnailFiles(dir.Path(), kCover, "", Gradient(40, 30)), 0);
  EXPECT_EQ(ReadBytes(dir / "thumb1.txt"), Text(kCoverCp932));  // no terminator
  EXPECT_EQ(ReadBytes(dir / "thumb2.txt"), Text(""));
  const auto info = RunTool("identify -units PixelsPerInch -format '%m %w %h %x %y %Q' " + Quoted(dir / "thumb3.jpg"));
  ASSERT_EQ(info.exitCode, 0) << "ImageMagick identify is needed";
  EXPECT_EQ(info.out, "JPEG 40 30 72 72 100");

  // Without a picture only the texts are written.
  testsupport::TempDir bare;
  ASSERT_EQ(imaging::ArcWriteThumbnailFiles(bare.Path(), kCover, kPerson, Image()), 0);
  EXPECT_EQ(platform::ListDirectory(bare.Path()), (std::vector<std::string>{"thumb1.txt", "thumb2.txt"}));
}

TEST(ArcWriteThumbnailFiles, AFailureLeavesNoneOfTheThreeFiles) {
  testsupport::TempDir dir;
  // A text code page 932 cannot hold.
  EXPECT_EQ(imaging::ArcWriteThumbnailFiles(dir.Path(), "ok", "\xf0\x9f\x98\x80", Gradient(8, 8)),
            imaging::kArcReadWriteFailed);
  EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{});
  // A missing folder: the texts cannot be made (-9), and then the picture
  // is not written either (-12, the last failure).
  EXPECT_EQ(imaging::ArcWriteThumbnailFiles(dir / "missing", "a", "b", Image()), imaging::kArcCannotOpen);
  EXPECT_EQ(imaging::ArcWriteThumbnailFiles(dir / "missing", "a", "b", Gradient(8, 8)), imaging::kArcReadWriteFailed);
}

TEST(ArcReadThumbnail, ReadsTheMembersOfAPackageBackIgnoringCase) {
  testsupport::TempDir dir;
  const std::string folder = dir / "page";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  ASSERT_EQ(imaging::ArcWriteThumbnailFiles(folder, kCover, kPerson, Gradient(40, 30)), 0);
  // A member named in capitals is found all the same.
  std::filesystem::rename(folder + "/thumb2.txt", folder + "/THUMB2.TXT");
  imaging_test::WriteBytes(folder + "/sdoc.Z4G", Text("page"));
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, dir / "page.Z4G", kPageBytes, false), 0);

  // The members pass through the temporary folder.
  testsupport::TempDir temp;
  testsupport::ScopedEnv tmpdir("TMPDIR", temp.Path());
  std::string text1 = "old", text2 = "old";
  Image picture;
  ASSERT_EQ(imaging::ArcReadThumbnail(dir / "page.Z4G", text1, text2, picture), 0);
  EXPECT_EQ(text1, kCover);
  EXPECT_EQ(text2, kPerson);
  ASSERT_EQ(picture.Width(), 40);
  ASSERT_EQ(picture.Height(), 30);
  const Image original = Gradient(40, 30);
  for (int y = 0; y < 30; y += 7)
    for (int x = 0; x < 40; x += 9) {
      const Bgra a = picture.GetBgra(x, y), b = original.GetBgra(x, y);
      EXPECT_NEAR(a.r, b.r, 6);
      EXPECT_NEAR(a.g, b.g, 6);
      EXPECT_NEAR(a.b, b.b, 6);
    }
  // The temporary member files are gone again.
  EXPECT_EQ(platform::ListDirectory(temp.Path()), std::vector<std::string>{});

  // A package without thumbnails: empty texts, the picture left alone.
  ASSERT_TRUE(std::filesystem::create_directory(dir / "plain"));
  imaging_test::WriteBytes(dir / "plain/data.Z4T", Text("scene"));
  ASSERT_EQ(imaging::ArcPackFolderToFile(dir / "plain", dir / "plain.Z4T", kPageBytes, true), 0);
  ASSERT_EQ(imaging::ArcReadThumbnail(dir / "plain.Z4T", text1, text2, picture), 0);
  EXPECT_EQ(text1, "");
  EXPECT_EQ(picture.Width(), 40);
  EXPECT_EQ(imaging::ArcReadThumbnail(dir / "missing.Z4G", text1, text2, picture), imaging::kArcCannotOpen);
}

// Writes a package whose first big-endian int32 is `kind`, with a
// thumbnail text.
void WriteKindPackage(const testsupport::TempDir& dir, const std::string& path, std::int32_t kind) {
  const std::string folder = dir / "kind";
  std::filesystem::create_directory(folder);
  imaging_test::WriteBytes(folder + "/thumb1.txt", Text("figure"));
  const auto k = static_cast<std::uint32_t>(kind);
  const std::array<std::uint8_t, 8> callerBytes = {std::uint8_t(k >> 24), std::uint8_t(k >> 16), std::uint8_t(k >> 8),
                                                   std::uint8_t(k), 0, 0, 0, 5};
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, callerBytes, false), 0);
}

TEST(ArcLoadFileThumbnail, AnswersByExtensionAndKind) {
  testsupport::TempDir dir;
  WriteKindPackage(dir, dir / "figure.z4h", -101);
  imaging_test::WriteBytes(dir / "scene.Z4T", {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3});  // kind -1: a plain scene
  imaging_test::WriteBytes(dir / "short.z4t", {0xFF});
  struct Case {
    std::string file, extension;
    int result;
    std::string text;
  };
  const Case cases[] = {
      {"figure.z4h", "z4h", 0, "figure"}, {"figure.z4h", "Z4H", 0, "figure"}, {"figure.z4h", "z4g", 0, "figure"},
      {"scene.Z4T", "Z4T", 1, ""},        {"short.z4t", "z4t", 1, ""},       {"missing.z4t", "z4t", imaging::kArcCannotOpen, ""},
      {"missing.png", "png", imaging::kArcCannotOpen, ""}, {"notes.txt", "txt", 1, ""},
  };
  for (const Case& c : cases) {
    std::string text1, text2;
    Image picture;
    EXPECT_EQ(imaging::ArcLoadFileThumbnail(dir / c.file, c.extension, text1, text2, picture, 64), c.result)
        << c.file << " as " << c.extension;
    EXPECT_EQ(text1, c.text) << c.file;
  }
}

TEST(ArcLoadFileThumbnail, PicturesAreDrawnCentredOnWhite) {
  testsupport::TempDir dir;
  Image wide(200, 100, 24);
  wide.Fill(Bgra{0, 0, 255, 255});  // red
  ASSERT_TRUE(platform::SaveImageFile(wide, dir / "wide.png"));
  std::string text1, text2;
  Image picture;
  ASSERT_EQ(imaging::ArcLoadFileThumbnail(dir / "wide.png", "PNG", text1, text2, picture, 64), 0);
  ASSERT_EQ(picture.Width(), 64);
  ASSERT_EQ(picture.Height(), 64);
  EXPECT_EQ(picture.Bpp(), 24);
  // 64 x 32 at top 16.
  for (int y = 0; y < 64; ++y) {
    const Bgra want = y >= 16 && y < 48 ? Bgra{0, 0, 255, 255} : Bgra{255, 255, 255, 255};
    EXPECT_EQ(picture.GetBgra(0, y), want) << y;
    EXPECT_EQ(picture.GetBgra(63, y), want) << y;
  }

  // A tall picture keeps its aspect the other way: 25 x 50 at left 12.
  Image tall(50, 100, 32, true);
  tall.Fill(Bgra{255, 0, 0, 255});
  Image square(50, 50, 24);
  imaging::ArcMakeSquareThumbnail(tall, square);
  EXPECT_EQ(square.GetBgra(11, 25), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(square.GetBgra(12, 25), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(square.GetBgra(36, 25), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(square.GetBgra(37, 25), (Bgra{255, 255, 255, 255}));

  // Transparent parts show white, half-covered ones half their colour.
  Image clear(40, 40, 32, true);
  clear.Fill(Bgra{0, 0, 0, 0});
  for (int x = 0; x < 40; ++x) clear.SetBgra(x, 20, Bgra{0, 0, 200, 128});
  Image shown(40, 40, 24);
  imaging::ArcMakeSquareThumbnail(clear, shown);
  EXPECT_EQ(shown.GetBgra(5, 5), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(shown.GetBgra(5, 20), (Bgra{127, 127, 227, 255}));
}

TEST(ArcMakeSquareThumbnail, ATargetThatIsNotSquareEndsTheProgram) {
  const platform::FatalHook previous =
      platform::SetFatalHook([](const std::string& text) { throw std::runtime_error(text); });
  Image target(10, 11, 24);
  try {
    imaging::ArcMakeSquareThumbnail(Gradient(4, 4), target);
    ADD_FAILURE() << "no fatal exit";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("SArchiver 452"), std::string::npos);
  }
  platform::SetFatalHook(previous);
}

TEST(ArcSaveJpeg, FailuresAreReportedAndKeepThePreviousFile) {
  testsupport::TempDir dir;
  EXPECT_EQ(imaging::ArcSaveJpeg(Gradient(8, 8), dir / "missing/x.jpg", 72), -1);
  EXPECT_EQ(imaging::ArcSaveJpeg(Image(), dir / "null.jpg", 72), -1);
  EXPECT_FALSE(platform::FileExists(dir / "null.jpg"));

  const std::string path = dir / "kept.jpg";
  imaging_test::WriteBytes(path, Text("previous"));
  {
    imaging_test::ScopedFileSizeLimit limit(4000);
    EXPECT_EQ(imaging::ArcSaveJpeg(Gradient(300, 300), path, 300), -1);
  }
  EXPECT_EQ(ReadBytes(path), Text("previous"));
  EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{"kept.jpg"});

  ASSERT_EQ(imaging::ArcSaveJpeg(Gradient(30, 20), path, 300), 0);
  EXPECT_EQ(RunTool("identify -units PixelsPerInch -format '%w %h %x' " + Quoted(path)).out, "30 20 300");
}

}  // namespace archive_thumbnail_test
