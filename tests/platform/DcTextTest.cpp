// Text of the drawing context: fonts by stored face names, the character
// extra, turned text and vertical columns. Glyph shapes differ between font
// versions, so the checks compare ink boxes, not pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Dc.h"
#include "platform/Fonts.h"
#include "support/InkBox.h"

// A name of its own: test files are compiled together in batches.
namespace dc_text_test {

using platform::Bgra;
using platform::Dc;
using platform::Font;
using platform::Image;
using platform::RECT;
using platform::SIZE;

constexpr platform::COLORREF kWhite = 0xFFFFFF;

using testsupport::InkBox;

struct Drawn {
  Image image;
  RECT ink;
  SIZE extent;
};

// Draws the text with its reference point at (100, 100) of a white page.
Drawn Draw(const std::string& text, const Font& font, int extra = 0) {
  Drawn out{Image(200, 200, 32), {}, {}};
  out.image.Fill(Bgra::FromColorRef(kWhite));
  Dc dc(out.image);
  dc.SelectFont(font);
  dc.SetTextCharacterExtra(extra);
  dc.TextOut(100, 100, text);
  out.extent = dc.GetTextExtent(text);
  out.ink = InkBox(out.image);
  return out;
}

Font Face(const std::string& face, int escapement = 0) {
  Font font{face, 120};  // 16 pixels
  font.escapement = escapement;
  return font;
}

TEST(Fonts, StoredFacesThatAreNotInstalledGetAJapaneseFaceOfTheSameKind) {
  struct Case {
    const char* stored;
    const char* drawnWith;
  };
  const Case cases[] = {
      {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"@ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
      {"MS PGothic", "IPAPGothic"},      {"ＭＳ 明朝", "IPAMincho"},           {"ＭＳ Ｐ明朝", "IPAPMincho"},
      {"Ryumin Mincho", "IPAMincho"},      {"Some Latin Face", "IPAPGothic"},     {"ipagothic", "IPAGothic"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ResolveFontFace(c.stored), c.drawnWith) << c.stored;
  EXPECT_FALSE(platform::IsFontFamilyInstalled("ＭＳ Ｐゴシック"));
  EXPECT_TRUE(platform::IsFontFamilyInstalled("@IPAPGothic"));
}

TEST(Fonts, JapaneseFamiliesAreListedWithTheirVerticalVariantAfterThem) {
  const std::vector<std::string> families = platform::EnumFontFamilies();
  const auto at = std::find(families.begin(), families.end(), "IPAPGothic");
  ASSERT_NE(at, families.end());
  ASSERT_NE(at + 1, families.end());
  EXPECT_EQ(*(at + 1), "@IPAPGothic");
  for (std::size_t i = 0; i < families.size(); ++i)
    if (families[i].front() == '@') {
      ASSERT_GT(i, 0u);
      EXPECT_EQ("@" + families[i - 1], families[i]);
    }
}

TEST(DcText, TheCharacterExtraFollowsEveryCharacter) {
  const Drawn plain = Draw("日本語", Face("IPAGothic"));
  const Drawn spaced = Draw("日本語", Face("IPAGothic"), 5);
  EXPECT_EQ(spaced.extent.cx, plain.extent.cx + 15);
  EXPECT_EQ(spaced.extent.cy, plain.extent.cy);
  // The last character moved by two extras.
  EXPECT_NEAR(spaced.ink.right - plain.ink.right, 10, 1);
  EXPECT_EQ(spaced.ink.left, plain.ink.left);
}

TEST(DcText, TextTurnsWithTheEscapementAboutItsReferencePoint) {
  const Drawn flat = Draw("日本語", Face("IPAGothic"));
  const Drawn up = Draw("日本語", Face("IPAGothic", 900));      // running upwards
  const Drawn down = Draw("日本語", Face("IPAGothic", 2700));   // running downwards
  ASSERT_GT(flat.ink.Width(), 2 * flat.ink.Height());
  // The ink box turns with the text: the long side becomes vertical.
  EXPECT_NEAR(up.ink.Height(), flat.ink.Width(), 2);
  EXPECT_NEAR(up.ink.Width(), flat.ink.Height(), 2);
  // Up: the cell lies above the point and to its right; down: below and to its left.
  EXPECT_LE(up.ink.bottom, 101);
  EXPECT_GE(up.ink.left, 99);
  EXPECT_LE(up.ink.right, 100 + flat.extent.cy + 1);
  EXPECT_GE(down.ink.top, 99);
  EXPECT_LE(down.ink.right, 101);
  EXPECT_GE(down.ink.left, 100 - flat.extent.cy - 1);
}

TEST(DcText, AVerticalFaceWritesAColumnDownFromTheReferencePoint) {
  const Drawn column = Draw("日本語です", Face("@IPAGothic", 2700));
  EXPECT_NEAR(column.extent.cx, 5 * 16, 3);
  // The column hangs below the point, its cell to the left of it.
  EXPECT_GE(column.ink.top, 100);
  EXPECT_LE(column.ink.bottom, 100 + column.extent.cx + 1);
  EXPECT_LE(column.ink.right, 101);
  EXPECT_GE(column.ink.left, 100 - column.extent.cy - 1);
  EXPECT_GT(column.ink.Height(), 3 * column.ink.Width());
}

TEST(DcText, InAColumnJapaneseStandsUprightAndLatinTurns) {
  // "一" is a wide, flat stroke; "-" too; the long vowel mark "ー" is flat
  // when written across and becomes a vertical bar in a column.
  struct Case {
    const char* text;
    bool tallInColumn;
  };
  const Case cases[] = {{"一", false}, {"-", true}, {"ー", true}, {"A", false}};
  for (const Case& c : cases) {
    const Drawn across = Draw(c.text, Face("IPAGothic"));
    const Drawn column = Draw(c.text, Face("@IPAGothic", 2700));
    const bool tall = column.ink.Height() > column.ink.Width();
    EXPECT_EQ(tall, c.tallInColumn) << c.text;
    if (std::string(c.text) == "一") {
      // Upright: the same glyph box as across.
      EXPECT_NEAR(column.ink.Width(), across.ink.Width(), 1);
      EXPECT_NEAR(column.ink.Height(), across.ink.Height(), 1);
    }
    if (std::string(c.text) == "A") {
      // Turned: the box of the glyph across, turned.
      EXPECT_NEAR(column.ink.Width(), across.ink.Height(), 1);
      EXPECT_NEAR(column.ink.Height(), across.ink.Width(), 1);
    }
  }
}

TEST(DcText, BracketsLieAcrossAColumnInTheirVerticalForms) {
  for (const char* bracket : {"「", "」", "（", "）", "【", "『"}) {
    const RECT across = Draw(bracket, Face("IPAPGothic")).ink;
    const RECT column = Draw(bracket, Face("@IPAPGothic", 2700)).ink;
    EXPECT_GT(across.Height(), across.Width()) << bracket;
    EXPECT_GT(column.Width(), column.Height()) << bracket;
  }
}

TEST(DcText, PunctuationTakesItsVerticalPlace) {
  // Across, "。" sits low on the left of its cell; in a column it moves to
  // the upper right of its slot.
  const Drawn across = Draw("。", Face("IPAGothic"));
  const Drawn column = Draw("。", Face("@IPAGothic", 2700));
  const int cell = across.extent.cy;
  EXPECT_LT(across.ink.right, 100 + cell / 2 + 1);
  EXPECT_GT(across.ink.top, 100 + cell / 2 - 1);
  // The slot: x from 100 - cell to 100, y from 100 down.
  EXPECT_GT(column.ink.left, 100 - cell / 2 - 1);
  EXPECT_LT(column.ink.bottom, 100 + cell / 2 + 1);
}

TEST(DcText, UnderlineAndStrikeOutAddInkInsideTheCell) {
  Font lined = Face("IPAGothic");
  lined.underline = true;
  Font struck = Face("IPAGothic");
  struck.strikeOut = true;
  const Drawn plain = Draw("ab", Face("IPAGothic"));
  const Drawn under = Draw("ab", lined);
  const Drawn through = Draw("ab", struck);
  EXPECT_GT(under.ink.bottom, plain.ink.bottom);
  EXPECT_LE(under.ink.bottom, 100 + plain.extent.cy);
  EXPECT_EQ(through.ink.bottom, plain.ink.bottom);
  EXPECT_GT(through.ink.Width(), plain.ink.Width());
  Font verticalLined = lined;
  verticalLined.face = "@IPAGothic";
  verticalLined.escapement = 2700;
  // In a column the underline runs down the column's left side.
  const Drawn column = Draw("日本", verticalLined);
  EXPECT_GE(column.ink.Height(), column.extent.cx - 1);
  EXPECT_LT(column.ink.left, Draw("日本", Face("@IPAGothic", 2700)).ink.left);
}

}  // namespace dc_text_test
