// Text shapes drawn with the installed Japanese fonts. Glyphs differ between
// font versions, so the checks are about where the ink lies and which way
// it runs, not about pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numbers>
#include <string>

#include "page/SFigText.h"
#include "page/SObj.h"
#include "support/InkBox.h"

namespace {

using page::SObj;
using platform::Bgra;
using platform::Image;
using platform::RECT;

constexpr platform::COLORREF kWhite = 0xFFFFFF;
constexpr platform::COLORREF kRed = 0x0000FF;

using testsupport::InkBox;

struct TextCase {
  std::string text;
  bool vertical = false;
  int alignment = 0;
  double width = 200, height = 60;
  double angle = 0;
  int edgeQuality = 1;
};

// Draws a 12 pt (16 pixels) red text object centred on (150, 100) of a
// white 300 × 200 page.
Image DrawText(const TextCase& c, bool lineOff = false) {
  auto fig = std::make_unique<page::SFigText>();
  page::STextSettings s = fig->GetSettings();
  s.text = c.text;
  s.face = "ＭＳ Ｐゴシック";
  s.size = 12;
  s.vertical = c.vertical;
  s.alignment = c.alignment;
  fig->ApplySettings(s);
  SObj object;
  object.SetFig(std::move(fig), true);
  object.placement.x = 150, object.placement.y = 100;
  object.placement.width = c.width, object.placement.height = c.height;
  object.placement.angle = c.angle;
  object.props2D.lineColor = kRed;
  object.props2D.edgeQuality = c.edgeQuality;
  if (lineOff) object.props2D.lineColorMode = page::Prop2DVal::kColorNone;
  Image page(300, 200, 32);
  page.Fill(Bgra::FromColorRef(kWhite));
  page::SDrawBuffers buffers;
  EXPECT_EQ(object.Draw(&page, page::PageTransform(), nullptr, false, buffers), 0);
  return page;
}

TEST(TextShapeDraw, HorizontalTextStartsAtTheBoxsTopLeftInTheLineColour) {
  const Image page = DrawText({"テキスト描画"});
  const RECT ink = InkBox(page);
  // The box spans x 50 to 250, y 70 to 130.
  EXPECT_GE(ink.left, 50);
  EXPECT_LT(ink.left, 56);
  EXPECT_GE(ink.top, 70);
  EXPECT_LT(ink.top, 76);
  EXPECT_LE(ink.bottom, 70 + 18);
  // Six characters of a proportional face, each at most 16 pixels wide.
  EXPECT_GT(ink.Width(), 4 * 16);
  EXPECT_LE(ink.Width(), 6 * 16);
  // Aliased at one sample a pixel: every pixel is the text's red or white.
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) {
      const platform::COLORREF c = page.GetBgra(x, y).ToColorRef();
      ASSERT_TRUE(c == kRed || c == kWhite) << x << "," << y;
    }
}

TEST(TextShapeDraw, VerticalTextRunsDownFromTheBoxsTopRight) {
  const Image page = DrawText({"縦書きです", true, 0, 60, 160});
  const RECT ink = InkBox(page);
  // The box spans x 120 to 180, y 20 to 180.
  EXPECT_LE(ink.right, 180);
  EXPECT_GT(ink.right, 170);
  EXPECT_GE(ink.left, 180 - 20);
  EXPECT_GE(ink.top, 20);
  EXPECT_LT(ink.top, 26);
  EXPECT_NEAR(ink.Height(), 5 * 16, 8);
}

TEST(TextShapeDraw, InColumnsLatinTurnsWhileJapaneseStandsUpright) {
  // Flat runs of Latin letters turn with the column; a run of "一" keeps
  // each stroke flat, so the column of them is no wider than one stroke is
  // long.
  const RECT latinAcross = InkBox(DrawText({"mmmm"}));
  const RECT latinDown = InkBox(DrawText({"mmmm", true, 0, 60, 160}));
  EXPECT_GT(latinAcross.Width(), 2 * latinAcross.Height());
  EXPECT_NEAR(latinDown.Height(), latinAcross.Width(), 2);
  EXPECT_NEAR(latinDown.Width(), latinAcross.Height(), 2);

  const RECT strokeAcross = InkBox(DrawText({"一"}));
  const RECT strokesDown = InkBox(DrawText({"一一一", true, 0, 60, 160}));
  EXPECT_NEAR(strokesDown.Width(), strokeAcross.Width(), 1);
  EXPECT_GT(strokesDown.Height(), 2 * 16);
}

TEST(TextShapeDraw, CentredTextAndTurnedBoxes) {
  const RECT centred = InkBox(DrawText({"中央", false, 1}));
  EXPECT_NEAR((centred.left + centred.right) / 2.0, 150, 14);  // less the slack of 1.5 average widths
  // A quarter turn stands the line on end at the box's right side.
  const RECT turned = InkBox(DrawText({"テキスト描画", false, 0, 200, 60, std::numbers::pi / 2}));
  EXPECT_GT(turned.Height(), 3 * turned.Width());
  EXPECT_LT(turned.top, 10);  // the box now runs from y 0 to 200
  EXPECT_GT(turned.left, 150);
}

TEST(TextShapeDraw, TextWithItsLineOffDrawsNothingAndSupersamplingSmoothsIt) {
  const RECT none = InkBox(DrawText({"テキスト"}, true));
  EXPECT_TRUE(none.IsEmpty());
  TextCase smooth{"テキスト"};
  smooth.edgeQuality = 3;
  const Image page = DrawText(smooth);
  const RECT ink = InkBox(page);
  EXPECT_NEAR(ink.left, InkBox(DrawText({"テキスト"})).left, 2);
  int blended = 0;
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) {
      const platform::COLORREF c = page.GetBgra(x, y).ToColorRef();
      if (c != kRed && c != kWhite) ++blended;
    }
  EXPECT_GT(blended, 20);
}

}  // namespace
