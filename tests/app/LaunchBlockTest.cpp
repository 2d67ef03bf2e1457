// The launch hand-off block: the argument that names it, the block's
// layout, and reading it from shared memory.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "app/LaunchBlock.h"

namespace app {

void PrintTo(const LaunchBlock& block, std::ostream* out) {
  *out << '{' << block.channel << " | " << block.launcherName << " | " << block.launchTitle << " | "
       << block.launchExportPath << '}';
}

}  // namespace app

namespace {

using app::LaunchBlock;
using app::ParseLaunchBlock;
using Bytes = std::vector<std::uint8_t>;

// A block as a launcher writes it: the byte count, then UTF-16LE text.
Bytes MakeBlock(const std::u16string& text, std::int64_t claimedBytes = -1) {
  const auto n = static_cast<std::uint32_t>(claimedBytes >= 0 ? claimedBytes : 2 * text.size());
  Bytes block = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n >> 16),
                 static_cast<std::uint8_t>(n >> 24)};
  for (const char16_t unit : text) {
    block.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    block.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return block;
}

TEST(LaunchBlock, ReadsTheFourFields) {
  struct Case {
    const char* name;
    std::u16string text;
    LaunchBlock expected;
  };
  const Case cases[] = {
      {"all four", u"/run/l.sock;編集ソフト;表紙;/tmp/out.png;", {"/run/l.sock", "編集ソフト", "表紙", "/tmp/out.png"}},
      {"no final ;", u"/run/l.sock;L;T;/tmp/out.png", {"/run/l.sock", "L", "T", ""}},
      {"two fields", u"ch;name;", {"ch", "name", "", ""}},
      {"empty fields", u";;;;", {"", "", "", ""}},
      {"text after the fourth", u"a;b;c;d;e;f", {"a", "b", "c", "d"}},
      {"no text", u"", {"", "", "", ""}},
      {"ends at a NUL", std::u16string(u"a;b;c\0d;", 8) + u"e;", {"a", "b", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<LaunchBlock> block = ParseLaunchBlock(MakeBlock(c.text));
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(*block, c.expected);
  }
}

// Broken UTF-16 from the launcher becomes a stand-in character, never
// bytes that are not UTF-8.
TEST(LaunchBlock, ALoneSurrogateDoesNotBreakTheText) {
  const std::optional<LaunchBlock> block = ParseLaunchBlock(MakeBlock(u"a\xD800;b;c;d;"));
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(block->channel.substr(0, 1), "a");
  EXPECT_EQ(block->channel.find("\xED\xA0\x80"), std::string::npos);
  EXPECT_LE(block->channel.size(), 4u);
  EXPECT_EQ(block->launchExportPath, "d");
}

// The count comes from another program: a block that claims more than it
// holds is refused, never read past; an odd last byte is left out.
TEST(LaunchBlock, RefusesShortBlocksAndCountsPastTheEnd) {
  EXPECT_FALSE(ParseLaunchBlock(Bytes{}).has_value());
  EXPECT_FALSE(ParseLaunchBlock(Bytes{8, 0, 0}).has_value());
  EXPECT_FALSE(ParseLaunchBlock(MakeBlock(u"a;b;c;d;", 18)).has_value());
  EXPECT_FALSE(ParseLaunchBlock(MakeBlock(u"a;", 0xFFFFFFFF)).has_value());

  Bytes odd = MakeBlock(u"a;b;c;d;", 17);
  odd.push_back('x');
  const std::optional<LaunchBlock> block = ParseLaunchBlock(odd);
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(block->launchExportPath, "d");
  // A count below the text's length reads only that much.
  EXPECT_EQ(ParseLaunchBlock(MakeBlock(u"ab;cd;", 6))->channel, "ab");
  EXPECT_EQ(ParseLaunchBlock(MakeBlock(u"ab;cd;", 6))->launcherName, "");
}

// Random bytes: a block is read exactly when its count fits in what
// follows it, and never outside its bytes (the sanitizer build checks).
TEST(LaunchBlock, GarbageIsTakenOnlyWhenItsCountFits) {
  std::mt19937 random(20240501);
  for (int round = 0; round < 500; ++round) {
    Bytes bytes(random() % 64);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    if (bytes.size() >= 4 && round % 2 == 0) {
      bytes[0] = static_cast<std::uint8_t>(random() % (bytes.size() - 3));
      bytes[1] = bytes[2] = bytes[3] = 0;
    }
    const std::uint64_t count =
        bytes.size() < 4 ? 0 : bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint64_t{bytes[3]} << 24;
    const bool fits = bytes.size() >= 4 && count <= bytes.size() - 4;
    EXPECT_EQ(ParseLaunchBlock(bytes).has_value(), fits) << "round " << round;
  }
}

TEST(LaunchBlock, OnlyAFirstArgumentStartingWithTheTagNamesABlock) {
  struct Case {
    std::vector<std::string> arguments;
    std::string name;
  };
  const Case cases[] = {
      {{"/jssumap/PennetShare1"}, "PennetShare1"},
      {{"/jssumap/"}, ""},
      {{"x/jssumap/PennetShare1"}, ""},
      {{"/JSSUMAP/PennetShare1"}, ""},
      {{"page.z4g", "/jssumap/PennetShare1"}, ""},
      {{}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(app::GetLaunchMemoryName(c.arguments), c.name);
}

// A shared-memory object for one test, removed at the end.
class SharedBlock {
 public:
  SharedBlock(const Bytes& bytes) : name_("/pennet-test-" + std::to_string(::getpid()) + "-" + std::to_string(++count_)) {
    const int fd = ::shm_open(name_.c_str(), O_CREAT | O_EXCL | O_RDWR, 0600);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("cannot make the shared-memory block");
    ::close(fd);
  }
  ~SharedBlock() { ::shm_unlink(name_.c_str()); }
  std::string Name() const { return name_.substr(1); }  // as the argument names it

 private:
  static inline int count_ = 0;
  std::string name_;
};

TEST(LaunchBlock, IsReadFromSharedMemoryOfItsName) {
  const SharedBlock good(MakeBlock(u"/run/l.sock;L;T;/tmp/o.png;"));
  const std::optional<LaunchBlock> block = app::ReadLaunchMemory(good.Name());
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(*block, (LaunchBlock{"/run/l.sock", "L", "T", "/tmp/o.png"}));
  EXPECT_FALSE(app::ReadLaunchMemory("pennet-test-no-such-block").has_value());
  EXPECT_FALSE(app::ReadLaunchMemory("").has_value());

  // The object's own size bounds the block, however large the count.
  const SharedBlock lying(MakeBlock(u"a;b;c;d;", 4000));
  EXPECT_FALSE(app::ReadLaunchMemory(lying.Name()).has_value());
  const SharedBlock huge(Bytes(app::kMaxLaunchBlockBytes + 1, 0));
  EXPECT_FALSE(app::ReadLaunchMemory(huge.Name()).has_value());
}

}  // namespace
