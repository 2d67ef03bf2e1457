#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "PageTestSupport.h"
#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "support/TempDir.h"

namespace {

using page::PnFile;
using page::PnFileError;
using pagetest::Bytes;
using pagetest::LeBytes;

class PnFileTest : public ::testing::Test {
 protected:
  // Opens hand-made bytes for reading.
  PnFile Open(const Bytes& bytes) { return PnFile(dir_.Write("in.bin", bytes), PnFile::Mode::kRead); }

  // The result code a read throws.
  template <typename Read>
  int CodeOf(const Bytes& bytes, Read read) {
    PnFile in = Open(bytes);
    try {
      read(in);
    } catch (const PnFileError& error) {
      return error.Code();
    }
    return 0;
  }

  testsupport::TempDir dir_;
};

TEST_F(PnFileTest, WritesLittleEndianValuesCountedShiftJisAndOneByteBools) {
  const std::string path = dir_.File("out.bin");
  {
    PnFile out(path, PnFile::Mode::kCreateWrite);
    out.WriteInt(-2);
    out.WriteIntPair(1, 0x01020304);
    out.WriteDouble(1.5);
    out.WriteBool(true);
    out.WriteBool(false);
    out.WriteString("図A");
    out.WriteEmptyBlock();
    out.Close();
  }
  const Bytes expected = LeBytes()
                             .Int(-2)
                             .Int(1)
                             .Int(0x01020304)
                             .Double(1.5)
                             .Byte(1)
                             .Byte(0)
                             .Text("\x90\x7D" "A")  // "図" in Shift-JIS
                             .Int(0)
                             .Get();
  EXPECT_EQ(testsupport::TempDir::ReadAll(path), expected);
}

TEST_F(PnFileTest, ReadsWhatItWroteThroughTheBuffer) {
  const std::string path = dir_.File("many.bin");
  {
    PnFile out(path, PnFile::Mode::kCreateWrite);
    for (int i = 0; i < 40000; ++i) out.WriteDoublePair(i, -i * 0.5);  // several buffers' worth
    out.Close();
  }
  PnFile in(path, PnFile::Mode::kRead);
  ASSERT_EQ(in.GetLength(), 40000 * 16);
  int mismatches = 0;
  for (int i = 0; i < 40000; ++i) {
    double x = 0, y = 0;
    in.ReadDoublePair(x, y);
    mismatches += x != i || y != -i * 0.5;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(in.BytesLeft(), 0);
}

TEST_F(PnFileTest, BoolIsTrueOnlyForOne) {
  PnFile in = Open({0, 1, 2, 255});
  EXPECT_FALSE(in.ReadBool());
  EXPECT_TRUE(in.ReadBool());
  EXPECT_FALSE(in.ReadBool());
  EXPECT_FALSE(in.ReadBool());
}

TEST_F(PnFileTest, StringsComeBackAsUtf8) {
  PnFile in = Open(LeBytes().Text("\x83\x52\x83\x7D\x98\x67").Text("").Get());  // "コマ枠"
  EXPECT_EQ(in.ReadString(), "コマ枠");
  EXPECT_EQ(in.ReadString(), "");
  EXPECT_EQ(in.BytesLeft(), 0);
}

TEST_F(PnFileTest, DamagedCountsAndShortReadsFailWithTheDamagedCode) {
  struct Case {
    const char* what;
    Bytes bytes;
    void (*read)(PnFile&);
  };
  const Case cases[] = {
      {"negative string length", LeBytes().Int(-1).Get(), [](PnFile& f) { f.ReadString(); }},
      {"string longer than the file", LeBytes().Int(0x7FFFFFFF).Text("ab").Get(), [](PnFile& f) { f.ReadString(); }},
      {"string of one byte too many", LeBytes().Int(3).Byte('a').Byte('b').Get(), [](PnFile& f) { f.ReadString(); }},
      {"bytes that are not Shift-JIS", LeBytes().Text("\x81").Get(), [](PnFile& f) { f.ReadString(); }},
      {"block past the end", LeBytes().Int(5).Int(0).Get(), [](PnFile& f) { f.SkipBlock(); }},
      {"int cut short", Bytes{1, 2, 3}, [](PnFile& f) { f.ReadInt(); }},
      {"double cut short", LeBytes().Int(0).Get(), [](PnFile& f) { f.ReadDouble(); }},
      {"infinite number", LeBytes().Double(std::numeric_limits<double>::infinity()).Get(),
       [](PnFile& f) { f.ReadFiniteDouble(); }},
      {"not a number", LeBytes().Double(std::nan("")).Get(), [](PnFile& f) { f.ReadFiniteDouble(); }},
  };
  for (const Case& c : cases) EXPECT_EQ(CodeOf(c.bytes, c.read), page::kResultDamaged) << c.what;
}

TEST_F(PnFileTest, NegativeBlockLengthsSkipNothing) {
  PnFile in = Open(LeBytes().Int(-7).Int(42).Get());
  in.SkipBlock();
  EXPECT_EQ(in.ReadInt(), 42);
}

TEST_F(PnFileTest, ReadAllTextGivesTheWholeFile) {
  PnFile in = Open({'a', 0, 'b', '\r', '\n'});
  std::string text;
  EXPECT_EQ(in.ReadAllText(text), 0);
  EXPECT_EQ(text, std::string("a\0b\r\n", 5));
}

TEST_F(PnFileTest, OpeningAMissingFileFailsWithCannotOpen) {
  try {
    PnFile in(dir_.File("missing.bin"), PnFile::Mode::kRead);
    FAIL() << "opened";
  } catch (const PnFileError& error) {
    EXPECT_EQ(error.Code(), page::kResultCannotOpen);
  }
}

TEST_F(PnFileTest, TextThatShiftJisCannotHoldIsRefusedNotChanged) {
  PnFile out(dir_.File("out.bin"), PnFile::Mode::kCreateWrite);
  EXPECT_THROW(out.WriteString("emoji \xF0\x9F\x98\x80"), PnFileError);
  out.Close();
  EXPECT_TRUE(testsupport::TempDir::ReadAll(dir_.File("out.bin")).empty());
}

}  // namespace
