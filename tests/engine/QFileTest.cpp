#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/QFile.h"
#include "support/TempDir.h"

namespace {

using engine::MatrixRecord;
using engine::QFile;
using Bytes = std::vector<unsigned char>;
using Mode = platform::File::Mode;

// A byte pattern without zeros in its first bytes, so that stale or missing
// bytes show.
Bytes Pattern(std::size_t n) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>((i * 7 + 3) & 0xFF);
  return bytes;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t n) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
}

class QFileTest : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
};

// ---- stored forms ---------------------------------------------------------

TEST_F(QFileTest, IntegersAreStoredMostSignificantByteFirst) {
  struct Case {
    std::int32_t value;
    Bytes bytes;
  };
  const std::vector<Case> cases = {
      {0, {0x00, 0x00, 0x00, 0x00}},          {1, {0x00, 0x00, 0x00, 0x01}},
      {256, {0x00, 0x00, 0x01, 0x00}},        {-1, {0xFF, 0xFF, 0xFF, 0xFF}},
      {-101, {0xFF, 0xFF, 0xFF, 0x9B}},       {0x01020304, {0x01, 0x02, 0x03, 0x04}},
      {INT32_MIN, {0x80, 0x00, 0x00, 0x00}},  {INT32_MAX, {0x7F, 0xFF, 0xFF, 0xFF}},
  };
  const std::string path = dir_.File("ints.bin");
  {
    QFile out(path, Mode::kCreateWrite);
    for (const Case& c : cases) out.WriteInt(c.value);
    out.FlushAndClose();
  }
  const Bytes written = testsupport::TempDir::ReadAll(path);
  ASSERT_EQ(written.size(), cases.size() * 4);
  QFile in(path, Mode::kRead);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(Slice(written, i * 4, 4), cases[i].bytes) << cases[i].value;
    std::int32_t back = 0;
    in.ReadInt(back);
    EXPECT_EQ(back, cases[i].value);
  }
  EXPECT_FALSE(in.HasReadPastEnd());
}

TEST_F(QFileTest, DoublesAreStoredMostSignificantByteFirst) {
  struct Case {
    double value;
    Bytes bytes;
  };
  const std::vector<Case> cases = {
      {0.0, {0, 0, 0, 0, 0, 0, 0, 0}},
      {1.0, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
      {-2.5, {0xC0, 0x04, 0, 0, 0, 0, 0, 0}},
      {0.1, {0x3F, 0xB9, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9A}},
      {1e300, {0x7E, 0x37, 0xE4, 0x3C, 0x88, 0x00, 0x75, 0x9C}},
  };
  const std::string path = dir_.File("doubles.bin");
  {
    QFile out(path, Mode::kCreateWrite);
    for (const Case& c : cases) out.WriteDouble(c.value);
    out.FlushAndClose();
  }
  const Bytes written = testsupport::TempDir::ReadAll(path);
  ASSERT_EQ(written.size(), cases.size() * 8);
  QFile in(path, Mode::kRead);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(Slice(written, i * 8, 8), cases[i].bytes) << cases[i].value;
    double back = -7.0;
    in.ReadDouble(back);
    EXPECT_EQ(back, cases[i].value);
  }
}

TEST_F(QFileTest, MatrixIsSixteenDoublesInRowOrderWithoutItsFlag) {
  MatrixRecord m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[i][j] = i * 4 + j;
  m.flag = 1;
  const std::string path = dir_.File("matrix.bin");
  {
    QFile out(path, Mode::kCreateWrite);
    out.WriteMatrix(m);
    out.FlushAndClose();
  }
  // The leading two bytes of 0.0, 1.0, 2.0, ... 15.0; the other six are zero.
  const unsigned heads[16] = {0x0000, 0x3FF0, 0x4000, 0x4008, 0x4010, 0x4014, 0x4018, 0x401C,
                              0x4020, 0x4022, 0x4024, 0x4026, 0x4028, 0x402A, 0x402C, 0x402E};
  const Bytes written = testsupport::TempDir::ReadAll(path);
  ASSERT_EQ(written.size(), 128u);
  for (int k = 0; k < 16; ++k) {
    Bytes expected(8, 0);
    expected[0] = static_cast<unsigned char>(heads[k] >> 8);
    expected[1] = static_cast<unsigned char>(heads[k] & 0xFF);
    EXPECT_EQ(Slice(written, k * 8, 8), expected) << "element " << k;
  }
  QFile in(path, Mode::kRead);
  MatrixRecord back{};
  back.flag = 1;
  in.ReadMatrix(back);
  EXPECT_EQ(back.flag, 1);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(back.m[i][j], i * 4 + j);
}

TEST_F(QFileTest, NamesFillTwoHundredFiftySixBytes) {
  const std::string longName(300, 'n');
  const std::string path = dir_.File("names.bin");
  {
    QFile out(path, Mode::kCreateWrite);
    out.WriteName("abc");
    out.WriteName(longName);
    out.WriteName("");
    out.FlushAndClose();
  }
  const Bytes written = testsupport::TempDir::ReadAll(path);
  ASSERT_EQ(written.size(), 3u * 256);
  Bytes first(256, 0);
  first[0] = 'a', first[1] = 'b', first[2] = 'c';
  EXPECT_EQ(Slice(written, 0, 256), first);
  Bytes second(256, 'n');
  second[255] = 0;  // cut to 255 characters
  EXPECT_EQ(Slice(written, 256, 256), second);
  EXPECT_EQ(Slice(written, 512, 256), Bytes(256, 0));

  QFile in(path, Mode::kRead);
  char name[QFile::kNameSize];
  in.ReadName(name);
  EXPECT_STREQ(name, "abc");
  in.ReadName(name);
  EXPECT_EQ(std::string(name), std::string(255, 'n'));
}

TEST_F(QFileTest, NameFieldWithoutTerminatorOrCutByTheEndStaysInsideTheField) {
  Bytes full(256, 'x');
  const std::string unterminated = dir_.Write("full.bin", full);
  {
    QFile in(unterminated, Mode::kRead);
    char name[QFile::kNameSize];
    in.ReadName(name);
    EXPECT_EQ(std::string(name), std::string(255, 'x'));
    EXPECT_FALSE(in.HasReadPastEnd());
  }
  const std::string cut = dir_.Write("cut.bin", Bytes(100, 'y'));
  QFile in(cut, Mode::kRead);
  char name[QFile::kNameSize];
  std::memset(name, 'z', sizeof name);
  in.ReadName(name);
  EXPECT_EQ(std::string(name), std::string(100, 'y'));
  EXPECT_TRUE(in.HasReadPastEnd());
}

// ---- the buffers ----------------------------------------------------------

TEST_F(QFileTest, WritesFlushTheBufferWhenItWouldReachItsCapacity) {
  struct Case {
    std::size_t buffered;  // written before
    std::size_t n;         // the write under test
    std::uintmax_t onDisk;  // file size right after it
  };
  const Case cases[] = {
      {0, 12000, 12000},      // a 12000-byte write goes straight to the file
      {11999, 1, 11999},      // reaching exactly 12000 flushes the older bytes first
      {100, 11900, 100},      // likewise, the new bytes stay buffered
      {100, 11899, 0},        // below the capacity everything stays buffered
      {5000, 20000, 25000},   // older bytes first, then the large block directly
      {0, 11999, 0},
  };
  const Bytes data = Pattern(40000);
  for (const Case& c : cases) {
    const std::string path = dir_.File("write.bin");
    {
      QFile out(path, Mode::kCreateWrite);
      out.Write(data.data(), c.buffered);
      out.Write(data.data() + c.buffered, c.n);
      EXPECT_EQ(std::filesystem::file_size(path), c.onDisk) << c.buffered << " + " << c.n;
      // Destroyed without FlushAndClose: the buffered bytes are lost.
    }
    EXPECT_EQ(std::filesystem::file_size(path), c.onDisk);
    {
      QFile out(path, Mode::kCreateWrite);
      out.Write(data.data(), c.buffered);
      out.Write(data.data() + c.buffered, c.n);
      out.FlushAndClose();
    }
    EXPECT_EQ(testsupport::TempDir::ReadAll(path), Slice(data, 0, c.buffered + c.n));
  }
}

TEST_F(QFileTest, StagedWritesReachTheFileAsTheSameBytes) {
  // Writes of many sizes, some crossing the buffer's capacity or the staging
  // block's, the middle ones staged in a block of the given size (0: none).
  const Bytes data = Pattern(80000);
  const std::size_t sizes[] = {4, 8, 5000, 4, 11999, 8, 12000, 3, 30000, 4, 7000, 8, 12};
  auto write = [&](std::size_t staging, bool finish) {
    const std::string path = dir_.File("staged.bin");
    {
      QFile out(path, Mode::kCreateWrite);
      std::size_t at = 0;
      auto put = [&](std::size_t n) {
        out.Write(data.data() + at, n);
        at += n;
      };
      put(sizes[0]);
      put(sizes[1]);
      {
        QFile::Staging staged(out, staging);
        for (int i = 2; i < 11; ++i) put(sizes[i]);
        out.WriteInt(0x01020304);
        at += 4;
        if (finish) staged.Finish();
      }
      put(sizes[11]);
      put(sizes[12]);
      out.FlushAndClose();
    }
    return testsupport::TempDir::ReadAll(path);
  };
  const Bytes plain = write(0, true);
  ASSERT_EQ(plain.size(), 66054u);
  for (std::size_t staging : {std::size_t{12001}, std::size_t{16384}, std::size_t{40000}, std::size_t{1} << 20}) {
    SCOPED_TRACE(staging);
    EXPECT_EQ(write(staging, true), plain);
  }
  // A staging block given up on the way (a write failed) drops what it
  // held, and the stream writes through its buffer again.
  EXPECT_EQ(write(std::size_t{1} << 20, false), Slice(plain, plain.size() - 20, 20));
}

TEST_F(QFileTest, AFailedWriteOnTheStagingsThreadReachesTheWriter) {
  // The device takes no byte: the thread that writes the staged blocks
  // meets the failure, and the one writing records hears of it by Finish.
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const Bytes data = Pattern(80000);
  QFile out("/dev/full", Mode::kCreateWrite);
  try {
    QFile::Staging staged(out, 12001);
    for (int i = 0; i < 8; ++i) out.Write(data.data() + i * 10000, 10000);
    staged.Finish();
    ADD_FAILURE() << "the failed write went unnoticed";
  } catch (const platform::FileError& error) {
    EXPECT_EQ(error.ErrorNumber(), ENOSPC);
  }
}

TEST_F(QFileTest, AStreamOnNoFileGathersInItsBlockAndRefusesWhatDoesNotFit) {
  unsigned char block[20] = {};
  QFile memory(block, 16);
  memory.WriteInt(0x01020304);
  memory.WriteDouble(1.0);
  memory.WriteInt(-1);  // ends exactly at the block's end
  EXPECT_EQ(memory.GatheredBytes(), 16u);
  EXPECT_EQ(Bytes(block, block + 16), Bytes({1, 2, 3, 4, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_THROW(memory.WriteInt(5), platform::FileError);
  // Nor does a block larger than the whole go anywhere.
  QFile other(block, 16);
  const Bytes data = Pattern(17);
  EXPECT_THROW(other.Write(data.data(), data.size()), platform::FileError);
  EXPECT_EQ(Bytes(block + 16, block + 20), Bytes(4, 0));
}

TEST_F(QFileTest, ManySmallValuesAcrossTheBufferBoundaryRoundTrip) {
  const std::string path = dir_.File("many.bin");
  {
    QFile out(path, Mode::kCreateWrite);
    for (int i = 0; i < 5000; ++i) {
      out.WriteInt(i * 3 - 7000);
      out.WriteDouble(i / 8.0);
      if (i % 997 == 0) out.WriteName("n" + std::to_string(i));
    }
    out.FlushAndClose();
  }
  const std::uintmax_t names = 6;  // i = 0, 997, 1994, 2991, 3988, 4985
  ASSERT_EQ(std::filesystem::file_size(path), 5000u * 12 + names * 256);
  QFile in(path, Mode::kRead);
  for (int i = 0; i < 5000; ++i) {
    std::int32_t v;
    double d;
    in.ReadInt(v);
    in.ReadDouble(d);
    ASSERT_EQ(v, i * 3 - 7000) << i;
    ASSERT_EQ(d, i / 8.0) << i;
    if (i % 997 == 0) {
      char name[QFile::kNameSize];
      in.ReadName(name);
      ASSERT_EQ(std::string(name), "n" + std::to_string(i));
    }
  }
  EXPECT_EQ(in.BytesLeft(), 0);
  EXPECT_FALSE(in.HasReadPastEnd());
}

TEST_F(QFileTest, ReadsAcrossTheRefillDeliverTheFileInOrder) {
  const Bytes data = Pattern(30000);
  const std::string path = dir_.Write("read.bin", data);
  const std::vector<std::vector<std::size_t>> sequences = {
      {12000, 4},         // ends exactly at the fill, then a fresh buffer
      {11999, 1, 4},      //
      {11998, 4, 8},      // an integer split by the refill
      {11996, 8, 12000},  // a double split, then a direct block
      {4, 12000, 4},      // a large block after buffered bytes
      {13000, 100},       // a direct block, then buffering again
      {0, 3, 0, 5},
  };
  for (const auto& sequence : sequences) {
    QFile in(path, Mode::kRead);
    std::size_t at = 0;
    for (std::size_t n : sequence) {
      Bytes got(n);
      in.Read(got.data(), n);
      ASSERT_EQ(got, Slice(data, at, n)) << "read of " << n << " at " << at;
      at += n;
      EXPECT_EQ(in.ReadPosition(), static_cast<std::int64_t>(at));
    }
    EXPECT_EQ(in.BytesLeft(), static_cast<std::int64_t>(data.size() - at));
    EXPECT_FALSE(in.HasReadPastEnd());
  }
}

TEST_F(QFileTest, TruncatedFileReadsZerosPastTheEndInsteadOfStaleBytes) {
  // 12006 bytes: a full buffer, then six; the buffer's old bytes 6 and 7
  // are not zero.
  const Bytes data = Pattern(12006);
  const std::string path = dir_.Write("truncated.bin", data);
  QFile in(path, Mode::kRead);
  Bytes first(12000);
  in.Read(first.data(), first.size());
  std::int32_t v = 0;
  in.ReadInt(v);
  EXPECT_EQ(v, (data[12000] << 24) | (data[12001] << 16) | (data[12002] << 8) | data[12003]);
  EXPECT_FALSE(in.HasReadPastEnd());
  EXPECT_EQ(in.BytesLeft(), 2);

  in.ReadInt(v);  // two bytes left, two missing
  EXPECT_EQ(v, (data[12004] << 24) | (data[12005] << 16));
  EXPECT_TRUE(in.HasReadPastEnd());
  double d = 5.0;
  in.ReadDouble(d);
  EXPECT_EQ(d, 0.0);
  EXPECT_TRUE(in.HasReadPastEnd());
  EXPECT_EQ(in.ReadPosition(), 12006);
  EXPECT_EQ(in.BytesLeft(), 0);
}

TEST_F(QFileTest, LargeBlockPastTheEndIsZeroFilled) {
  const Bytes data = Pattern(15000);
  const std::string path = dir_.Write("block.bin", data);
  QFile in(path, Mode::kRead);
  Bytes block(20000, 0xEE);
  in.Read(block.data(), block.size());
  EXPECT_EQ(Slice(block, 0, 15000), data);
  EXPECT_EQ(Slice(block, 15000, 5000), Bytes(5000, 0));
  EXPECT_TRUE(in.HasReadPastEnd());
  EXPECT_EQ(in.ReadPosition(), 15000);
}

TEST_F(QFileTest, ResetGoesBackToTheDataAndClearsThePastEndState) {
  Bytes data = Pattern(200);
  const std::string path = dir_.Write("preamble.bin", data);
  QFile in(path, Mode::kRead);
  Bytes all(300);
  in.Read(all.data(), all.size());
  ASSERT_TRUE(in.HasReadPastEnd());

  in.Reset();
  EXPECT_FALSE(in.HasReadPastEnd());
  EXPECT_EQ(in.ReadPosition(), 0);
  std::int32_t v;
  in.ReadInt(v);
  EXPECT_EQ(v, (data[0] << 24) | (data[1] << 16) | (data[2] << 8) | data[3]);

  in.hasPreamble = true;
  in.Reset();
  EXPECT_EQ(in.GetPosition(), 128);
  EXPECT_EQ(in.ReadPosition(), 128);
  EXPECT_EQ(in.BytesLeft(), 72);
  in.ReadInt(v);
  EXPECT_EQ(v, (data[128] << 24) | (data[129] << 16) | (data[130] << 8) | data[131]);
}

// ---- unbuffered access ------------------------------------------------------

TEST_F(QFileTest, TextLinesSkipLeadingBlanksAndEndAtLineBreaks) {
  struct Case {
    std::string content;
    std::int64_t offset;
    std::string line;
    std::int64_t next;
    bool empty;
  };
  const std::vector<Case> cases = {
      {"  abc\r\ndef", 0, "abc", 6, false},
      {"  abc\r\ndef", 6, "def", 11, false},  // the line feed is skipped as blank
      {"  abc\r\ndef", 11, "", 12, true},     // at the end
      {"  abc\r\ndef", 40, "", 41, true},     // beyond the end
      {"a\nb", 0, "a", 2, false},
      {"\t \r\nX", 0, "", 3, false},  // a blank line ends at its carriage return
      {std::string(300, 'x'), 0, std::string(255, 'x'), 256, false},  // cut at 255 bytes
      {std::string(4, '\0') + "tail", 0, "", 1, false},
      {"", 0, "", 1, true},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.Write("lines.txt", c.content);
    QFile in(path, Mode::kRead);
    std::string line = "stale";
    bool empty = !c.empty;
    EXPECT_EQ(in.ReadTextLine(c.offset, line, &empty), c.next) << c.content.substr(0, 12) << " at " << c.offset;
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(empty, c.empty);
  }
}

TEST_F(QFileTest, SeekToAnswersWhetherThePositionWasReached) {
  const std::string path = dir_.Write("seek.bin", Pattern(50));
  QFile in(path, Mode::kRead);
  EXPECT_EQ(in.SeekTo(20), 0);
  EXPECT_EQ(in.GetPosition(), 20);
  EXPECT_EQ(in.SeekTo(-1), -1);
  EXPECT_EQ(in.GetPosition(), 20);
  std::int64_t length = 0;
  EXPECT_EQ(in.GetFileLength(length), 0);
  EXPECT_EQ(length, 50);
  unsigned char b[4];
  EXPECT_EQ(in.ReadDirect(b, 4), 4u);
  EXPECT_EQ(b[0], Pattern(50)[20]);
}

TEST_F(QFileTest, OpeningAMissingFileThrowsAFileErrorNamingIt) {
  const std::string path = dir_.File("missing.z4s");
  try {
    QFile in(path, Mode::kRead);
    FAIL() << "opened a missing file";
  } catch (const platform::FileError& e) {
    EXPECT_EQ(e.Path(), path);
    EXPECT_EQ(e.ErrorNumber(), ENOENT);
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
  }
}

}  // namespace
