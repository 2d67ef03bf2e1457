#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/WriteBehind.h"
#include "support/TempDir.h"

namespace {

using platform::File;
using platform::FileError;

TEST(File, ReadAnswersWhatItGotAndSeekMovesThePointer) {
  testsupport::TempDir dir;
  const std::string path = dir.Write("ten.bin", std::string("0123456789"));
  File file(path, File::Mode::kRead);
  EXPECT_EQ(file.GetLength(), 10);
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(file.GetPosition(), 4);
  EXPECT_EQ(file.Read(buffer, 16), 6u);  // short only at the end
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_EQ(file.Read(buffer, 16), 0u);
  EXPECT_EQ(file.Seek(2), 2);
  EXPECT_EQ(file.Seek(3, File::Origin::kCurrent), 5);
  EXPECT_EQ(file.Seek(-1, File::Origin::kEnd), 9);
  EXPECT_EQ(file.Read(buffer, 1), 1u);
  EXPECT_EQ(buffer[0], '9');
}

TEST(File, CreateTruncatesAndWritesEverything) {
  testsupport::TempDir dir;
  const std::string path = dir.Write("old.bin", std::string(100, 'o'));
  {
    File file(path, File::Mode::kCreateWrite);
    file.Write("abc", 3);
    file.Flush();
    EXPECT_EQ(file.GetLength(), 3);
    file.Close();
    file.Close();  // closing twice does nothing
  }
  EXPECT_EQ(testsupport::TempDir::ReadAll(path), (std::vector<unsigned char>{'a', 'b', 'c'}));
}

TEST(File, FailuresAreFileErrorsWithPathAndReason) {
  testsupport::TempDir dir;
  const std::string existing = dir.Write("here.bin", std::string("x"));
  struct Case {
    std::string name;
    std::string path;
    int errorNumber;
    void (*attempt)(const std::string&);
  };
  const std::vector<Case> cases = {
      {"missing file", dir.File("missing"), ENOENT, [](const std::string& p) { File f(p, File::Mode::kRead); }},
      {"folder", dir.Path(), EISDIR, [](const std::string& p) { File f(p, File::Mode::kRead); }},
      {"no folder to create in", dir.File("none/new.bin"), ENOENT,
       [](const std::string& p) { File f(p, File::Mode::kCreateWrite); }},
      {"write to a read-only stream", existing, EBADF,
       [](const std::string& p) {
         File f(p, File::Mode::kRead);
         f.Write("y", 1);
       }},
      {"read after close", existing, EBADF,
       [](const std::string& p) {
         File f(p, File::Mode::kRead);
         f.Close();
         char c;
         f.Read(&c, 1);
       }},
  };
  for (const Case& c : cases) {
    try {
      c.attempt(c.path);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const FileError& e) {
      EXPECT_EQ(e.Path(), c.path) << c.name;
      EXPECT_EQ(e.ErrorNumber(), c.errorNumber) << c.name;
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << c.name;
    }
  }
}

TEST(WriteBehind, BlocksReachTheFileInTheOrderQueuedAndAFailureStays) {
  testsupport::TempDir dir;
  const std::string path = dir.File("behind.bin");
  // More blocks than the queue holds, of sizes that differ, each byte
  // telling its block; the first bytes written without the thread.
  std::vector<std::string> blocks;
  for (int i = 0; i < 3 * platform::WriteBehind::kQueueSize; ++i)
    blocks.emplace_back(static_cast<std::size_t>(1000 + 37 * i), static_cast<char>('A' + i % 26));
  std::string expected = "head";
  {
    File file(path, File::Mode::kCreateWrite);
    file.Write("head", 4);
    platform::WriteBehind writer(file);
    for (const std::string& block : blocks) {
      writer.Queue(block.data(), block.size());
      expected += block;
    }
    writer.Wait();
    file.Close();
  }
  EXPECT_EQ(testsupport::ReadText(path), expected);

  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  File full("/dev/full", File::Mode::kCreateWrite);
  platform::WriteBehind writer(full);
  writer.Queue(blocks[0].data(), blocks[0].size());
  writer.Queue(blocks[1].data(), blocks[1].size());
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      writer.Wait();
      ADD_FAILURE() << "the failed write went unnoticed";
    } catch (const FileError& e) {
      EXPECT_EQ(e.ErrorNumber(), ENOSPC);
    }
  }
}

}  // namespace
