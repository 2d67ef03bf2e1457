#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

using imaging_test::FileMap;
using imaging_test::PackageImage;
using imaging_test::ReadBytes;
using imaging_test::ReadFiles;
using imaging_test::Text;
using imaging_test::WriteFiles;
using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 8> kPageBytes = {6, 0, 0, 0, 1, 0, 0, 0};

Bytes Noise(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(random() % 7);  // compressible, not constant
  return out;
}

// Files of every awkward size and name, with thumbnails in both cases.
FileMap AwkwardFolder() {
  return {{"thumb1.txt", Text("\x83\x65\x83\x58\x83\x67")},  // raw Shift-JIS text
          {"thumb2.txt", Text("")},
          {"thumb3.jpg", Noise(3000, 1)},
          {"Thumb9.txt", Text("not a thumbnail: the test is case-sensitive")},
          {"empty.bin", {}},
          {"one.bin", {42}},
          {"chunk.bin", Noise(131072, 2)},
          {"chunk1.bin", Noise(131073, 3)},
          {"\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88.txt", Text("soft")},  // "ソフト": 0x5C as a trail byte
          {"sdoc.Z4G", Noise(50000, 4)}};
}

std::vector<std::string> DirectoryNames(const std::vector<imaging::PackageEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  return names;
}

TEST(ArcPackFolder, PackAndUnpackGiveTheSameFilesBackStoredOrDeflated) {
  for (bool store : {false, true}) {
    testsupport::TempDir dir;
    const std::string folder = dir / "in";
    ASSERT_TRUE(std::filesystem::create_directories(folder / std::filesystem::path("nested")));
    const FileMap files = AwkwardFolder();
    WriteFiles(folder, files);
    imaging_test::WriteBytes(folder + "/nested/inner.txt", Text("folders are not members"));

    const std::string package = dir / "page.Z4G";
    ASSERT_EQ(imaging::ArcPackFolderToFile(folder, package, kPageBytes, store), 0) << store;

    platform::File file(package, platform::File::Mode::kRead);
    imaging::PackageHeader header;
    std::vector<imaging::PackageEntry> entries;
    ASSERT_EQ(imaging::ArcReadDirectory(file, header, entries), 0);
    EXPECT_EQ(header.callerBytes, kPageBytes);
    // Thumbnails first, each group in name order.
    EXPECT_EQ(DirectoryNames(entries),
              (std::vector<std::string>{"thumb1.txt", "thumb2.txt", "thumb3.jpg", "Thumb9.txt", "chunk.bin",
                                        "chunk1.bin", "empty.bin", "one.bin", "sdoc.Z4G",
                                        "\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88.txt"}));
    for (const auto& e : entries) {
      EXPECT_EQ(e.thumbnail, e.name.rfind("thumb", 0) == 0 ? 1 : 0) << e.name;
      EXPECT_EQ(e.compressed, store ? 0 : 1) << e.name;
    }

    std::string out;  // empty: a new temporary folder
    ASSERT_EQ(imaging::ArcUnpackAll(file, out), 0);
    EXPECT_EQ(ReadFiles(out), files);
    EXPECT_EQ(platform::ListDirectory(out, platform::ListKind::kFolders), std::vector<std::string>{});
    EXPECT_EQ(imaging::ArcDeleteFolder(out), 0);
  }
}

TEST(ArcPackFolder, HeaderAndDirectoryMatchAHandBuiltByteImage) {
  testsupport::TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "in"));
  WriteFiles(dir / "in", {{"other.txt", Text("hello")}, {"thumb1.txt", Text("AB")}, {"thumb3.jpg", Text("JPG")}});

  // Stored: every byte is known.
  ASSERT_EQ(imaging::ArcPackFolderToFile(dir / "in", dir / "stored.pkg", kPageBytes, true), 0);
  PackageImage expected;
  expected.Le32(3);
  expected.Le32(16 + 48 * 3);
  expected.Entry(1, 0, "thumb1.txt", 2, 0);
  expected.Entry(1, 0, "thumb3.jpg", 3, 2);
  expected.Entry(0, 0, "other.txt", 5, 5);
  expected.Raw(Text("ABJPGhello"));
  EXPECT_EQ(ReadBytes(dir / "stored.pkg"), expected.Bytes());

  // Deflated: the same layout around zlib streams, which zlib itself
  // expands back.
  ASSERT_EQ(imaging::ArcPackFolderToFile(dir / "in", dir / "deflated.pkg", {1, 2, 3, 4, 5, 6, 7, 8}, false), 0);
  const Bytes bytes = ReadBytes(dir / "deflated.pkg");
  ASSERT_GE(bytes.size(), 16u + 48u * 3u);
  auto le32 = [&](std::size_t at) {
    return static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
  };
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(le32(8), 3);
  EXPECT_EQ(le32(12), 160);
  const std::string names[3] = {"thumb1.txt", "thumb3.jpg", "other.txt"};
  const std::string contents[3] = {"AB", "JPG", "hello"};
  std::int32_t offset = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t at = 16 + 48 * i;
    EXPECT_EQ(bytes[at], i < 2 ? 1 : 0);
    EXPECT_EQ(bytes[at + 2], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[at + 4])), names[i]);
    const std::int32_t size = le32(at + 36);
    EXPECT_EQ(le32(at + 40), offset);
    EXPECT_EQ(le32(at + 44), 0);
    Bytes inflated(64);
    uLongf length = inflated.size();
    ASSERT_EQ(uncompress(inflated.data(), &length, &bytes[160 + static_cast<std::size_t>(offset)],
                         static_cast<uLong>(size)),
              Z_OK);
    EXPECT_EQ(std::string(inflated.begin(), inflated.begin() + static_cast<std::ptrdiff_t>(length)), contents[i]);
    offset += size;
  }
  EXPECT_EQ(bytes.size(), 160u + static_cast<std::size_t>(offset));
}

TEST(ArcPackFolder, EmptyFilesAndEmptyFolders) {
  testsupport::TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "empty"));
  ASSERT_EQ(imaging::ArcPackFolderToFile(dir / "empty", dir / "none.pkg", kPageBytes, false), 0);
  PackageImage nothing;
  nothing.Le32(0);
  nothing.Le32(16);
  EXPECT_EQ(ReadBytes(dir / "none.pkg"), nothing.Bytes());

  // An empty file deflates to a complete empty zlib stream.
  ASSERT_TRUE(std::filesystem::create_directory(dir / "one"));
  WriteFiles(dir / "one", {{"e", {}}});
  ASSERT_EQ(imaging::ArcPackFolderToFile(dir / "one", dir / "e.pkg", kPageBytes, false), 0);
  const Bytes bytes = ReadBytes(dir / "e.pkg");
  ASSERT_EQ(bytes.size(), 64u + 8u);
  EXPECT_EQ(bytes[64 - 12], 8);  // stored size
  Bytes out(1);
  uLongf length = 1;
  EXPECT_EQ(uncompress(out.data(), &length, &bytes[64], 8), Z_OK);
  EXPECT_EQ(length, 0u);

  EXPECT_EQ(imaging::ArcPackFolderToFile(dir / "missing", dir / "m.pkg", kPageBytes, false), imaging::kArcNoFolder);
  EXPECT_FALSE(platform::FileExists(dir / "m.pkg"));
}

// "あ" is two bytes in code page 932 and three in UTF-8.
std::string Repeated(const std::string& text, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += text;
  return out;
}
const std::string kHiragana15A = Repeated("\xe3\x81\x82", 15) + "a";
const std::string kHiragana16 = Repeated("\xe3\x81\x82", 16);

TEST(ArcPackFolder, RefusesNamesThePackageCannotHold) {
  struct Case {
    std::string name;
    bool packs;
  };
  const Case cases[] = {
      {"a234567890123456789012345678901", true},    // 31 bytes and the terminator
      {"a2345678901234567890123456789012", false},  // 32 bytes
      {kHiragana15A, true},                     // 15 two-byte characters and one byte: 31 bytes stored
      {kHiragana16, false},                     // 32 bytes stored, though 48 in UTF-8
      {"\xf0\x9f\x98\x80.png", false},          // no code page 932 form
      {"back\\slash", false},                   // a Windows folder separator
      {"drive:name", false},
  };
  for (const Case& c : cases) {
    testsupport::TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory(dir / "in"));
    WriteFiles(dir / "in", {{c.name, Text("x")}});
    const int result = imaging::ArcPackFolderToFile(dir / "in", dir / "p.pkg", kPageBytes, false);
    EXPECT_EQ(result, c.packs ? 0 : imaging::kArcCannotOpen) << c.name;
    EXPECT_EQ(platform::FileExists(dir / "p.pkg"), c.packs) << c.name;
  }
}

TEST(ArcPackFolderToFile, APackageWrittenIntoItsOwnFolderLeavesItselfOut) {
  testsupport::TempDir dir;
  WriteFiles(dir.Path(), {{"a.txt", Text("a")}, {"self.pkg", Text("an older package")}});
  ASSERT_EQ(imaging::ArcPackFolderToFile(dir.Path(), dir / "self.pkg", kPageBytes, false), 0);
  platform::File file(dir / "self.pkg", platform::File::Mode::kRead);
  imaging::PackageHeader header;
  std::vector<imaging::PackageEntry> entries;
  ASSERT_EQ(imaging::ArcReadDirectory(file, header, entries), 0);
  EXPECT_EQ(DirectoryNames(entries), std::vector<std::string>{"a.txt"});
}

TEST(ArcPackFolderToFile, FailedWritesAreReportedAndKeepThePreviousPackage) {
  testsupport::TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "in"));
  WriteFiles(dir / "in", {{"big.bin", Noise(400000, 9)}});
  EXPECT_EQ(imaging::ArcPackFolderToFile(dir / "in", dir / "no/such/folder.pkg", kPageBytes, false),
            imaging::kArcCannotOpen);

  const std::string package = dir / "kept.pkg";
  imaging_test::WriteBytes(package, Text("previous package"));
  {
    imaging_test::ScopedFileSizeLimit limit(10000);
    EXPECT_EQ(imaging::ArcPackFolderToFile(dir / "in", package, kPageBytes, true), imaging::kArcDiskFull);
    EXPECT_EQ(imaging::ArcPackFolderToFile(dir / "in", package, kPageBytes, false), imaging::kArcDiskFull);
  }
  EXPECT_EQ(ReadBytes(package), Text("previous package"));
  EXPECT_EQ(platform::ListDirectory(dir.Path()), (std::vector<std::string>{"in", "kept.pkg"}));
}

TEST(ArcUnpackAll, AFullDiskIsReportedAndLeavesNoHalfFile) {
  testsupport::TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "in"));
  WriteFiles(dir / "in", {{"a.bin", Noise(3000, 1)}, {"b.bin", Noise(60000, 2)}});
  ASSERT_EQ(imaging::ArcPackFolderToFile(dir / "in", dir / "p.pkg", kPageBytes, false), 0);
  ASSERT_TRUE(std::filesystem::create_directory(dir / "out"));
  std::string out = dir / "out";
  {
    imaging_test::ScopedFileSizeLimit limit(20000);
    EXPECT_EQ(imaging::ArcUnpackFile(dir / "p.pkg", out), imaging::kArcDiskFull);
  }
  // The member written before the failure stays; the one that failed left
  // nothing behind.
  EXPECT_EQ(platform::ListDirectory(out), std::vector<std::string>{"a.bin"});
  EXPECT_EQ(ReadBytes(out + "/a.bin"), Noise(3000, 1));
}

TEST(ArcCreateTempFolder, MakesDistinctNamedFoldersInTheGivenPlace) {
  testsupport::TempDir dir;
  std::string first = dir.Path() + "//", second = dir.Path();
  ASSERT_EQ(imaging::ArcCreateTempFolder(first), 0);
  ASSERT_EQ(imaging::ArcCreateTempFolder(second), 0);
  EXPECT_NE(first, second);
  for (const std::string& made : {first, second}) {
    EXPECT_TRUE(platform::IsDirectory(made));
    EXPECT_EQ(platform::FolderOf(made), dir.Path());
    const std::string name = platform::FileNameOf(made);
    ASSERT_EQ(name.size(), 11u);
    EXPECT_EQ(name.substr(0, 3), "crv");
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 3), std::string::npos);
  }
  std::string missing = dir / "missing";
  EXPECT_EQ(imaging::ArcCreateTempFolder(missing), imaging::kArcCannotOpen);
  EXPECT_EQ(missing, dir / "missing");
}

TEST(ArcDeleteFolder, DeletesFilesButNothingWhenAFolderIsInside) {
  testsupport::TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directories(dir / "a/sub"));
  WriteFiles(dir / "a", {{"x", Text("1")}, {"y", Text("2")}});
  EXPECT_EQ(imaging::ArcDeleteFolder(dir / "a"), imaging::kArcCannotRemove);
  EXPECT_EQ(platform::ListDirectory(dir / "a"), (std::vector<std::string>{"sub", "x", "y"}));
  ASSERT_TRUE(std::filesystem::remove(dir / "a/sub"));
  EXPECT_EQ(imaging::ArcDeleteFolder(dir / "a"), 0);
  EXPECT_FALSE(platform::FileExists(dir / "a"));
  EXPECT_EQ(imaging::ArcDeleteFolder(dir / "a"), imaging::kArcNoFolder);
}

TEST(ArcErrorFromFileException, MapsTheCauseOfAFileError) {
  struct Case {
    int errorNumber;
    int code;
  };
  for (const Case& c : {Case{ENOSPC, imaging::kArcDiskFull}, Case{ENOENT, imaging::kArcCannotOpen},
                        Case{ENOTDIR, imaging::kArcCannotOpen}, Case{EMFILE, imaging::kArcCannotOpen},
                        Case{ENOTEMPTY, imaging::kArcCannotRemove}, Case{EACCES, imaging::kArcReadWriteFailed},
                        Case{EIO, imaging::kArcReadWriteFailed}, Case{0, 0}})
    EXPECT_EQ(imaging::ArcErrorFromFileException(platform::FileError("op", "/p", c.errorNumber)), c.code)
        << c.errorNumber;
}

TEST(ArcThrowFileError, RaisesTheErrorThatMapsBackToTheCode) {
  for (int code : {imaging::kArcDiskFull, imaging::kArcCannotOpen, imaging::kArcCannotRemove,
                   imaging::kArcReadWriteFailed}) {
    try {
      imaging::ArcThrowFileError(code, "/x");
      ADD_FAILURE() << code;
    } catch (const platform::FileError& e) {
      EXPECT_EQ(imaging::ArcErrorFromFileException(e), code);
    }
  }
  for (int code : {imaging::kArcNoFolder, imaging::kArcCodecFailed, imaging::kArcNoMemory})
    EXPECT_THROW(imaging::ArcThrowFileError(code), platform::FileError) << code;
  for (int code : {0, 5, -2, -14}) EXPECT_NO_THROW(imaging::ArcThrowFileError(code)) << code;
}

}  // namespace
