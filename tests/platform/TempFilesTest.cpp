#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "support/TempDir.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace {

using namespace platform;
using testsupport::ReadText;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteText;
using Names = std::vector<std::string>;

TEST(TempFiles, EngineTempFilesAreNewEmptyAndUnique) {
  TempDir tmp;
  ScopedEnv env("TMPDIR", tmp.Path());
  std::string first, second;
  ASSERT_TRUE(PnUtilMakeTempFileName(first));
  ASSERT_TRUE(PnUtilMakeTempFileName(second));
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    EXPECT_EQ(FolderOf(path), tmp.Path());
    EXPECT_EQ(FileNameOf(path).rfind("CRV", 0), 0u) << path;
    EXPECT_TRUE(IsRegularFile(path));
    EXPECT_EQ(ReadText(path), "");
  }
}

TEST(TempFiles, ReportsFailureInsteadOfHandingBackAPath) {
  TempDir tmp;
  ScopedEnv env("TMPDIR", tmp / "no-such-folder");
  std::string path = "stale";
  EXPECT_FALSE(PnUtilMakeTempFileName(path));
  EXPECT_EQ(path, "");
  EXPECT_FALSE(PnUtilMakeTempFolder(path));
  EXPECT_EQ(path, "");
}

TEST(TempFiles, MakesUniqueFoldersWithThePrefix) {
  TempDir tmp;
  ScopedEnv env("TMPDIR", tmp.Path());
  std::string first, second;
  ASSERT_TRUE(PnUtilMakeTempFolder(first));
  ASSERT_TRUE(MakeTempFolder("PNT", second));
  EXPECT_NE(first, second);
  EXPECT_TRUE(IsDirectory(first));
  EXPECT_TRUE(IsDirectory(second));
  EXPECT_EQ(FileNameOf(first).rfind("CRV", 0), 0u);
  EXPECT_EQ(FileNameOf(second).rfind("PNT", 0), 0u);
  EXPECT_TRUE(ListDirectory(first).empty());
}

enum class Outcome { kWrites, kFails, kThrows };

// Writes "new" and then ends as the outcome says.
bool WriteNew(const std::string& tempPath, Outcome outcome) {
  WriteText(tempPath, "new");
  if (outcome == Outcome::kThrows) throw std::runtime_error("disk gone");
  return outcome == Outcome::kWrites;
}

TEST(SafeSave, ReplacesTheFileOnlyWhenTheNewOneIsComplete) {
  struct Case {
    bool existed;
    Outcome outcome;
    const char* after;  // nullptr = no file
  } const cases[] = {
      {true, Outcome::kWrites, "new"}, {true, Outcome::kFails, "old"},  {true, Outcome::kThrows, "old"},
      {false, Outcome::kWrites, "new"}, {false, Outcome::kFails, nullptr}, {false, Outcome::kThrows, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "existed " << c.existed << ", outcome " << static_cast<int>(c.outcome));
    TempDir dir;
    const std::string target = dir / "page.Z4G";
    if (c.existed) WriteText(target, "old");

    bool saved = false;
    try {
      saved = SaveFileSafely(target, [&](const std::string& temp) { return WriteNew(temp, c.outcome); });
      EXPECT_NE(c.outcome, Outcome::kThrows);
    } catch (const std::runtime_error&) {
      EXPECT_EQ(c.outcome, Outcome::kThrows);
    }
    EXPECT_EQ(saved, c.outcome == Outcome::kWrites);
    if (c.after) {
      EXPECT_EQ(ReadText(target), c.after);
      EXPECT_EQ(ListDirectory(dir.Path()), Names{"page.Z4G"});  // no temporary left behind
    } else {
      EXPECT_TRUE(ListDirectory(dir.Path()).empty());
    }
  }
}

TEST(SafeSave, WritesBesideTheTargetWhileTheOldFileStaysWhole) {
  TempDir dir;
  const std::string target = dir / "doc.Z4G";
  WriteText(target, "previous content");
  std::string seenTemp, seenOld;
  ASSERT_TRUE(SaveFileSafely(target, [&](const std::string& temp) {
    seenTemp = temp;
    seenOld = ReadText(target);
    WriteText(temp, "next content");
    return true;
  }));
  EXPECT_EQ(FolderOf(seenTemp), dir.Path());  // same file system: the rename is atomic
  EXPECT_NE(seenTemp, target);
  EXPECT_EQ(seenOld, "previous content");
  EXPECT_EQ(ReadText(target), "next content");
}

TEST(SafeSave, KeepsPermissionBitsAndFollowsLinks) {
  TempDir dir;
  const std::string target = dir / "real.txt";
  WriteText(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const std::string link = dir / "link.txt";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);

  const std::string bytes("new\0bytes\xFF", 10);
  ASSERT_TRUE(WriteFileSafely(link, bytes));
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadText(target), bytes);
}

TEST(SafeSave, FailsWithAReasonWhenTheFolderIsMissing) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(WriteFileSafely(dir / "missing/out.txt", "x", &error));
  EXPECT_NE(error.find("missing/out.txt"), std::string::npos) << error;
}

TEST(SafeSave, RemovesTheTemporariesOfKilledSavesOfTheSameFile) {
  TempDir dir;
  const std::string target = dir.File("page.Z4G");
  const std::string killed = dir.File(".page.Z4G.a1b2c3.tmp");
  const std::string running = dir.File(".page.Z4G.d4e5f6.tmp");
  const std::string recent = dir.File(".page.Z4G.g7h8i9.tmp");
  const std::string otherFile = dir.File(".other.Z4G.a1b2c3.tmp");
  for (const std::string& path : {killed, running, recent, otherFile}) WriteText(path, "part of a save");
  const timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  for (const std::string& path : {killed, running, otherFile})
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
  // A save still running holds its temporary.
  const int held = ::open(running.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  ASSERT_TRUE(WriteFileSafely(target, "the page"));
  EXPECT_EQ(ReadText(target), "the page");
  EXPECT_EQ(ListDirectory(dir.Path()),
            (Names{".other.Z4G.a1b2c3.tmp", ".page.Z4G.d4e5f6.tmp", ".page.Z4G.g7h8i9.tmp", "page.Z4G"}));
  ::close(held);
}

}  // namespace
