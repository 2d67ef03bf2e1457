#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

using imaging_test::PackageImage;
using imaging_test::ReadBytes;
using imaging_test::Text;
using Bytes = std::vector<std::uint8_t>;

// One stored member "a.txt" holding "hello", with a hook to spoil any
// field on the way.
struct Spoil {
  std::int32_t count = 1;
  std::int32_t dataOffset = 64;
  std::string name = "a.txt";
  std::int32_t size = 5;
  std::int32_t offset = 0;
  std::uint16_t compressed = 0;
  Bytes data = Text("hello");
  std::size_t cutTo = SIZE_MAX;  // the file ends here
};

Bytes Build(const Spoil& s) {
  PackageImage image;
  image.Le32(s.count);
  image.Le32(s.dataOffset);
  image.Entry(0, s.compressed, s.name, s.size, s.offset);
  image.Raw(s.data);
  Bytes bytes = image.Bytes();
  if (s.cutTo < bytes.size()) bytes.resize(s.cutTo);
  return bytes;
}

struct HostileCase {
  const char* what;
  std::function<void(Spoil&)> spoil;
  int expected;
};

Bytes Deflated(const std::string& text) {
  Bytes out(compressBound(text.size()));
  uLongf length = out.size();
  EXPECT_EQ(compress2(out.data(), &length, reinterpret_cast<const Bytef*>(text.data()), text.size(), 1), Z_OK);
  out.resize(length);
  return out;
}

const std::vector<HostileCase>& HostileCases() {
  static const std::vector<HostileCase> cases = {
      {"parent folder, Windows style", [](Spoil& s) { s.name = "..\\evil.txt"; }, imaging::kArcCannotOpen},
      {"parent folder", [](Spoil& s) { s.name = "../evil.txt"; }, imaging::kArcCannotOpen},
      {"just dots", [](Spoil& s) { s.name = ".."; }, imaging::kArcCannotOpen},
      {"absolute path", [](Spoil& s) { s.name = "/tmp/evil.txt"; }, imaging::kArcCannotOpen},
      {"drive path", [](Spoil& s) { s.name = "C:\\evil.txt"; }, imaging::kArcCannotOpen},
      {"folder inside", [](Spoil& s) { s.name = "sub\\a.txt"; }, imaging::kArcCannotOpen},
      {"empty name", [](Spoil& s) { s.name = ""; }, imaging::kArcCannotOpen},
      {"name without terminator", [](Spoil& s) { s.name = std::string(32, 'n'); }, imaging::kArcCannotOpen},
      {"name not code page 932", [](Spoil& s) { s.name = "\x81\x7f.txt"; }, imaging::kArcCannotOpen},
      {"control character", [](Spoil& s) { s.name = "a\nb"; }, imaging::kArcCannotOpen},
      {"negative count", [](Spoil& s) { s.count = -1; }, imaging::kArcCannotOpen},
      {"count past the file", [](Spoil& s) { s.count = 1000000; }, imaging::kArcCannotOpen},
      {"data offset inside the directory", [](Spoil& s) { s.dataOffset = 40; }, imaging::kArcCannotOpen},
      {"data offset past the end", [](Spoil& s) { s.dataOffset = 9999; }, imaging::kArcCannotOpen},
      {"offset past the end", [](Spoil& s) { s.offset = 3; }, imaging::kArcCannotOpen},
      {"negative offset", [](Spoil& s) { s.offset = -64; }, imaging::kArcCannotOpen},
      {"size past the end", [](Spoil& s) { s.size = 0x7FFFFFFF; }, imaging::kArcCannotOpen},
      {"negative size", [](Spoil& s) { s.size = -5; }, imaging::kArcCannotOpen},
      {"cut inside the header", [](Spoil& s) { s.cutTo = 10; }, imaging::kArcCannotOpen},
      {"cut inside the directory", [](Spoil& s) { s.cutTo = 40; }, imaging::kArcCannotOpen},
      {"cut inside the data", [](Spoil& s) { s.cutTo = 66; }, imaging::kArcCannotOpen},
      {"not a zlib stream", [](Spoil& s) { s.compressed = 1; }, imaging::kArcCodecFailed},
      {"zlib stream cut short",
       [](Spoil& s) {
         s.compressed = 1;
         s.data = Deflated("hello hello hello");
         s.data.resize(s.data.size() - 5);
         s.size = static_cast<std::int32_t>(s.data.size());
       },
       imaging::kArcCodecFailed},
  };
  return cases;
}

// Everything below a folder, as relative paths.
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    paths.push_back(std::filesystem::relative(entry.path(), root).string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST(ArcUnpackAll, DamagedOrHostilePackagesFailCleanlyAndWriteNothing) {
  for (const HostileCase& c : HostileCases()) {
    testsupport::TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directories(dir / "deep/out"));
    Spoil spoil;
    c.spoil(spoil);
    imaging_test::WriteBytes(dir / "bad.pkg", Build(spoil));
    std::string folder = dir / "deep/out";
    EXPECT_EQ(imaging::ArcUnpackFile(dir / "bad.pkg", folder), c.expected) << c.what;
    EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{"bad.pkg", "deep", "deep/out"})) << c.what;
  }
}

TEST(ArcUnpackAll, TheUnspoiledPackageOfTheHostileCasesUnpacks) {
  // The same builder without a spoiled field: shows the cases above fail
  // for their own fault only.
  testsupport::TempDir dir;
  imaging_test::WriteBytes(dir / "good.pkg", Build(Spoil{}));
  std::string folder;
  ASSERT_EQ(imaging::ArcUnpackFile(dir / "good.pkg", folder), 0);
  EXPECT_EQ(ReadBytes(folder + "/a.txt"), Text("hello"));
  EXPECT_EQ(imaging::ArcDeleteFolder(folder), 0);
  Spoil deflated;
  deflated.compressed = 1;
  deflated.data = Deflated("hello");
  deflated.size = static_cast<std::int32_t>(deflated.data.size());
  imaging_test::WriteBytes(dir / "deflated.pkg", Build(deflated));
  folder = dir / "d";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  ASSERT_EQ(imaging::ArcUnpackFile(dir / "deflated.pkg", folder), 0);
  EXPECT_EQ(ReadBytes(folder + "/a.txt"), Text("hello"));
}

TEST(ArcUnpackAll, NeverWritesThroughALinkInTheFolder) {
  testsupport::TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "out"));
  imaging_test::WriteBytes(dir / "outside.txt", Text("keep me"));
  ASSERT_EQ(::symlink((dir / "outside.txt").c_str(), (dir / "out/a.txt").c_str()), 0);
  imaging_test::WriteBytes(dir / "p.pkg", Build(Spoil{}));
  std::string folder = dir / "out";
  EXPECT_EQ(imaging::ArcUnpackFile(dir / "p.pkg", folder), imaging::kArcCannotOpen);
  EXPECT_EQ(ReadBytes(dir / "outside.txt"), Text("keep me"));
}

TEST(ArcExtractEntry, ChecksTheEntryAgainstTheFileItself) {
  // A caller's entry that was not read from this package.
  testsupport::TempDir dir;
  imaging_test::WriteBytes(dir / "p.pkg", Build(Spoil{}));
  platform::File file(dir / "p.pkg", platform::File::Mode::kRead);
  imaging::PackageHeader header;
  header.dataOffset = 64;
  imaging::PackageEntry entry;
  entry.name = "a.txt";
  entry.size = 6;  // one byte past the end
  EXPECT_EQ(imaging::ArcExtractEntry(file, header, entry, dir / "x"), imaging::kArcCannotOpen);
  entry.size = 5;
  EXPECT_EQ(imaging::ArcExtractEntry(file, header, entry, dir / "x"), 5);
  EXPECT_EQ(ReadBytes(dir / "x"), Text("hello"));
}

}  // namespace
