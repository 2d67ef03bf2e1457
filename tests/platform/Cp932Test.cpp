#include <gtest/gtest.h>

#include <string>

#include "platform/Cp932.h"

namespace {

using platform::Cp932Error;
using platform::Cp932ToUtf8;
using platform::Utf8ToCp932;

struct RoundTrip {
  const char* utf8;
  std::string cp932;
};

TEST(Cp932, ConvertsBothWaysByteForByte) {
  const RoundTrip cases[] = {
      {"ＭＳ Ｐゴシック", "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E"},
      {"～", "\x81\x60"},                   // full-width tilde, the code page's wave dash
      {"日本語", "\x93\xFA\x96\x7B\x8C\xEA"},
      {"ｱｲｳ", "\xB1\xB2\xB3"},              // half-width katakana are single bytes
      {"①", "\x87\x40"},                    // an extension row character
      {"C:\\data\\a.txt", "C:\\data\\a.txt"},  // ASCII and the backslash pass unchanged
      {"", ""},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::optional<std::string> encoded = Utf8ToCp932(c.utf8);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(*encoded, c.cp932);
    std::optional<std::string> decoded = Cp932ToUtf8(c.cp932);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, c.utf8);
  }
}

TEST(Cp932, RefusesTextItCannotHoldAndSaysWhere) {
  struct Case {
    const char* utf8;
    std::size_t offset;
  } const cases[] = {
      {"ab\xC3\xA9", 2},           // é
      {"名前한", 6},               // a Hangul syllable after two kanji
      {"\xF0\x9F\x98\x80", 0},     // an emoji
      {"ok\xE2\x82\xAC", 2},       // the euro sign
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    Cp932Error error;
    EXPECT_FALSE(Utf8ToCp932(c.utf8, &error).has_value());
    EXPECT_EQ(error.offset, c.offset);
    EXPECT_FALSE(platform::IsCp932Representable(c.utf8));
  }
  EXPECT_TRUE(platform::IsCp932Representable("ＭＳ Ｐゴシック"));
}

TEST(Cp932, ReportsInvalidInputBytes) {
  struct Case {
    std::string bytes;
    bool fromUtf8;
    std::size_t offset;
    bool truncated;
  } const cases[] = {
      {"ab\x82", false, 2, true},        // lead byte at the end
      {"a\x82\x20", false, 1, false},    // a space cannot be a trail byte
      {"\xA0", false, 0, false},         // unused single byte
      {"x\xFD", false, 1, false},        // unused lead byte
      {"ab\xC3", true, 2, true},         // UTF-8 cut inside a character
      {"\xFF", true, 0, false},          // never valid in UTF-8
      {"\xED\xA0\x80", true, 0, false},  // an encoded surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case at offset " << c.offset << (c.fromUtf8 ? " from UTF-8" : " from CP932"));
    Cp932Error error;
    auto result = c.fromUtf8 ? Utf8ToCp932(c.bytes, &error) : Cp932ToUtf8(c.bytes, &error);
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(error.offset, c.offset);
    EXPECT_EQ(error.truncated, c.truncated);
  }
}

TEST(Cp932, RefusesCharactersWhoseCodeReadsBackAsAnother) {
  // Each of these has a nearest code, but the code reads back as the
  // character after the arrow: the text would change after a save and a
  // reopen. The characters they turn into are stored as they are.
  const struct {
    const char* typed;
    const char* readBack;
  } cases[] = {
      {"¥", "\\"}, {"〜", "～"}, {"−", "－"}, {"—", "―"}, {"‖", "∥"},
      {"¢", "￠"}, {"£", "￡"}, {"¬", "￢"}, {"‾", "~"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_FALSE(platform::IsCp932Representable(c.typed));
    EXPECT_EQ(platform::FirstNonCp932Character(c.typed), c.typed);
    const std::optional<std::string> stored = Utf8ToCp932(c.readBack);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(Cp932ToUtf8(*stored), std::optional<std::string>(c.readBack));
  }
  Cp932Error error;
  const std::string price = "価格¥100〜200円−5—了";
  EXPECT_FALSE(Utf8ToCp932(price, &error).has_value());
  EXPECT_EQ(error.offset, 6u);
  EXPECT_EQ(platform::FirstNonCp932Character(price), "¥");
  EXPECT_EQ(platform::FirstNonCp932Character("価格\\100～200円－5―了"), "");
  EXPECT_EQ(platform::FirstNonCp932Character("ab\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
}

TEST(Cp932, DamagedStoredTextReadsWithReplacementCharacters) {
  const struct {
    std::string stored;
    const char* shown;
  } cases[] = {
      {"\x80" "abc", "\xEF\xBF\xBD" "abc"},          // an unused single byte
      {"a\xA0" "b", "a\xEF\xBF\xBD" "b"},
      {"\x82\xA0\x82", "あ\xEF\xBF\xBD"},            // a lone lead byte at the end
      {"\x82\x20x", "\xEF\xBF\xBD x"},               // a lead byte before a space
      {"\x93\xFA\x96\x7B", "日本"},                  // valid text as it is
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(platform::Cp932ToUtf8Replacing(c.stored), c.shown);
  }
}

}  // namespace
