// Text shapes drawn and broken into lines with the installed Japanese
// fonts. Glyphs differ between font versions, so the checks are about where
// the ink lies and which way it runs, and about the rules every line keeps,
// not about pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "RenderFixtures.h"
#include "page/SFigText.h"
#include "page/SObj.h"
#include "page/StringTable.h"
#include "platform/Dc.h"
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

// ---- line breaking with the installed fonts' own advances ---------------------------

constexpr char kNovel[] =
    "吾輩は猫である。名前はまだ無い。「どこで生れたか」とんと見当がつかぬ。"
    "何でも薄暗いじめじめした所でabc123と泣いていた事だけは記憶している。";

// Lays a 12 pt text out in a box `length` page pixels long (across, or down
// a column) and 500 deep, at `zoom`, drawing it with the real face.
std::vector<std::u32string> LayOutWithFont(page::SFigText& shape, double length, double zoom) {
  Image image(64, 64, 32);
  platform::Dc dc(image);
  page::DcTextDevice device(dc);
  const page::SPoint box = shape.IsVertical() ? page::SPoint(500, length) : page::SPoint(length, 500);
  shape.Layout(device, box * zoom, page::SPoint(32, 32), 0.0, zoom, zoom, 0, true);
  return shape.GetLines();
}

std::unique_ptr<page::SFigText> NovelShape(bool vertical) { return pagetest::MakeText(kNovel, vertical); }

// The length of a line at the layout's scale of 8, as the face measures it.
int LengthAtLayoutScale(const std::u32string& line, bool vertical) {
  Image image(4, 4, 32);
  platform::Dc dc(image);
  page::DcTextDevice device(dc);
  page::STextFont font;
  font.face = vertical ? "@ＭＳ Ｐゴシック" : "ＭＳ Ｐゴシック";
  font.pointSize10 = 120 * 8;
  font.escapement = vertical ? 2700 : 0;
  device.SelectFont(font);
  return device.GetTextExtent(line).cx;
}

TEST(TextLayoutWithFonts, LinesKeepTheRulesAndFitWithRealAdvances) {
  const std::u32string noLineStart = page::Utf8ToUtf32(page::PnLoadString(page::kStrNoLineStart));
  const std::u32string noLineEnd = page::Utf8ToUtf32(page::PnLoadString(page::kStrNoLineEnd));
  for (const bool vertical : {false, true})
    for (const double length : {70.0, 95.0, 130.0, 170.0}) {
      const std::string what = (vertical ? "column of " : "line of ") + std::to_string(static_cast<int>(length));
      auto shape = NovelShape(vertical);
      const std::vector<std::u32string> lines = LayOutWithFont(*shape, length, 1.0);
      ASSERT_GE(lines.size(), 3u) << what;
      std::u32string joined;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u32string& line = lines[i];
        ASSERT_FALSE(line.empty()) << what;
        joined += line;
        if (i > 0) {
          EXPECT_EQ(noLineStart.find(line.front()), std::u32string::npos) << what << " line " << i;
        }
        if (i + 1 < lines.size()) {
          EXPECT_EQ(noLineEnd.find(line.back()), std::u32string::npos) << what << " line " << i;
        }
        // The slack of 1.5 average widths may only shorten a line.
        EXPECT_LE(LengthAtLayoutScale(line, vertical), length * 8) << what << " line " << i;
      }
      EXPECT_EQ(page::Utf32ToUtf8(joined), kNovel) << what << ": nothing lost, nothing doubled";
      const auto word = std::count_if(lines.begin(), lines.end(),
                                      [](const std::u32string& line) { return line.find(U"abc123") != line.npos; });
      EXPECT_EQ(word, 1) << what << ": the Latin word stays whole";
    }
}

TEST(TextLayoutWithFonts, TheSameBreaksAtEveryZoomAndNewOnesAfterAResize) {
  for (const bool vertical : {false, true}) {
    auto first = NovelShape(vertical);
    const std::vector<std::u32string> atFull = LayOutWithFont(*first, 95, 1.0);
    // Shapes laid out first at another zoom break the same way: hinted
    // advances do not grow with the zoom, but the breaks are made at one scale.
    for (const double zoom : {0.5, 0.75, 1.5, 2.0, 3.0}) {
      auto other = NovelShape(vertical);
      EXPECT_EQ(LayOutWithFont(*other, 95, zoom), atFull) << vertical << " at " << zoom;
    }
    const std::vector<std::u32string> narrower = LayOutWithFont(*first, 70, 1.0);
    EXPECT_GT(narrower.size(), atFull.size()) << vertical;
    EXPECT_EQ(LayOutWithFont(*first, 95, 2.0), atFull) << vertical << ": and back";
  }
}

}  // namespace
