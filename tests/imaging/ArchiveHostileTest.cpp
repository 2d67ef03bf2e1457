#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Two members "a.txt" and "b.txt" of 5 bytes each, b starting at `bOffset`.
Bytes TwoMembers(std::int32_t bOffset) {
  PackageImage image;
  image.Le32(2);
  image.Le32(16 + 2 * 48);
  image.Entry(0, 0, "a.txt", 5, 0);
  image.Entry(0, 0, "b.txt", 5, bOffset);
  image.Raw(Text("helloworld"));
  return image.Bytes();
}

TEST(ArcUnpackAll, EntriesThatShareBytesAreRefused) {
  for (const std::int32_t bOffset : {0, 2, 4}) {
    SCOPED_TRACE(bOffset);
    testsupport::TempDir dir;
    imaging_test::WriteBytes(dir / "p.pkg", TwoMembers(bOffset));
    std::string folder = dir / "out";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    EXPECT_EQ(imaging::ArcUnpackFile(dir / "p.pkg", folder), imaging::kArcCannotOpen);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
  }
  // Side by side they are fine, and so is an empty member anywhere.
  testsupport::TempDir dir;
  imaging_test::WriteBytes(dir / "p.pkg", TwoMembers(5));
  std::string folder = dir / "out";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  ASSERT_EQ(imaging::ArcUnpackFile(dir / "p.pkg", folder), 0);
  EXPECT_EQ(ReadBytes(folder + "/b.txt"), Text("world"));
  Spoil empty;
  empty.size = 0;
  imaging_test::WriteBytes(dir / "e.pkg", Build(empty));
  std::string other = dir / "e";
  ASSERT_TRUE(std::filesystem::create_directory(other));
  EXPECT_EQ(imaging::ArcUnpackFile(dir / "e.pkg", other), 0);
}

TEST(ArcExtractEntry, AMemberExpandingPastTheBoundStopsAndLeavesNothing) {
  testsupport::TempDir dir;
  Spoil bomb;
  bomb.compressed = 1;
  bomb.data = Deflated(std::string(3 << 20, 'x'));
  bomb.size = static_cast<std::int32_t>(bomb.data.size());
  imaging_test::WriteBytes(dir / "bomb.pkg", Build(bomb));
  const std::int64_t old = imaging::ArcSetMemberOutputLimit(1 << 20);
  std::string folder = dir / "out";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  EXPECT_EQ(imaging::ArcUnpackFile(dir / "bomb.pkg", folder), imaging::kArcCodecFailed);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  // At the bound itself it is extracted.
  imaging::ArcSetMemberOutputLimit(3 << 20);
  EXPECT_EQ(imaging::ArcUnpackFile(dir / "bomb.pkg", folder), 0);
  EXPECT_EQ(std::filesystem::file_size(folder + "/a.txt"), std::uintmax_t{3} << 20);
  imaging::ArcSetMemberOutputLimit(old);
  EXPECT_EQ(old, imaging::kArcMemberOutputLimit);
}

TEST(ArcPackage, FindsMembersIgnoringCaseAndExtractsOnlyWhatIsAsked) {
  testsupport::TempDir dir;
  imaging_test::WriteBytes(dir / "p.pkg", TwoMembers(5));
  imaging::ArcPackage package;
  ASSERT_EQ(package.Open(dir / "p.pkg"), 0);
  EXPECT_EQ(package.Entries().size(), 2u);
  const imaging::PackageEntry* b = package.Find("B.TXT");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->name, "b.txt");
  EXPECT_EQ(package.Find("c.txt"), nullptr);
  EXPECT_EQ(package.Extract(*b, dir / "got"), 5);
  EXPECT_EQ(ReadBytes(dir / "got"), Text("world"));
  imaging::ArcPackage missing;
  EXPECT_EQ(missing.Open(dir / "none.pkg"), imaging::kArcCannotOpen);
}

// Sets a folder's times an hour back, as a folder left long ago.
void MakeOld(const std::string& path) {
  const timespec times[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(ArcRemoveStaleTempFolders, RemovesFoldersOfEndedProcessesAndKeepsThoseInUse) {
  testsupport::TempDir tmp;
  testsupport::ScopedEnv env("TMPDIR", tmp.Path());
  // A process that made a folder (with a file in it) and was killed.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string folder;
    if (imaging::ArcCreateTempFolder(folder) != 0) ::_exit(1);
    imaging_test::WriteBytes(folder + "/sdoc.Z4G", Text("page"));
    ::_exit(folder.size() > 11 ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::vector<std::string> left = platform::ListDirectory(tmp.Path());
  ASSERT_EQ(left.size(), 1u);
  const std::string dead = tmp / left[0];
  MakeOld(dead);
  // This process's own folder, old but in use.
  std::string mine;
  ASSERT_EQ(imaging::ArcCreateTempFolder(mine), 0);
  MakeOld(mine);
  // A dead one that changed a moment ago, and folders of other programs.
  std::string fresh = tmp / "crv0000abcd";
  ASSERT_TRUE(std::filesystem::create_directory(fresh));
  for (const char* other : {"crvabc", "other12345678", "CRV12345678"}) {
    ASSERT_TRUE(std::filesystem::create_directory(tmp / other));
    MakeOld(tmp / other);
  }
  EXPECT_EQ(imaging::ArcRemoveStaleTempFolders(), 1);
  EXPECT_FALSE(std::filesystem::exists(dead));
  EXPECT_TRUE(std::filesystem::exists(mine));
  EXPECT_TRUE(std::filesystem::exists(fresh));
  for (const char* other : {"crvabc", "other12345678", "CRV12345678"})
    EXPECT_TRUE(std::filesystem::exists(tmp / other));
  EXPECT_EQ(imaging::ArcDeleteFolder(mine), 0);
}

}  // namespace
