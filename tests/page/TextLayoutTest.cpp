// Line breaking and placing of text shapes, measured by a device with fixed
// advances, so the rules are checked to the pixel whatever the fonts.
#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "page/PnFile.h"
#include "page/SFigText.h"
#include "platform/Dc.h"
#include "support/TempDir.h"

namespace {

using page::SFigText;
using page::SPoint;
using page::STextFont;

// Full-width characters are as wide as the font's pixel size, ASCII half
// of it; every glyph adds `perGlyph` pixels more (which makes advances
// grow unevenly with the scale, as hinted fonts do).
class FixedAdvanceDevice : public page::STextDevice {
 public:
  struct Out {
    int x, y;
    std::string text;
    int escapement;
  };
  int perGlyph = 0;
  int average = 0;  // the average character width answered
  std::vector<Out> drawn;

  void SelectFont(const STextFont& font) override { font_ = font; }
  void SetCharacterExtra(int extra) override { extra_ = extra; }
  void SetTextColor(platform::COLORREF) override {}
  platform::SIZE GetTextExtent(std::u32string_view text) override {
    int cx = 0;
    for (const char32_t c : text) cx += (c < 0x100 ? Pixels() / 2 : Pixels()) + perGlyph + extra_;
    return {cx, Pixels()};
  }
  int GetAveCharWidth() override { return average; }
  void TextOut(int x, int y, std::u32string_view text) override {
    drawn.push_back({x, y, page::Utf32ToUtf8(text), font_.escapement});
  }
  const STextFont& Font() const { return font_; }
  int Extra() const { return extra_; }
  int Pixels() const { return platform::Dc::PointSize10ToPixels(font_.pointSize10); }
  std::vector<std::string> DrawnTexts() const {
    std::vector<std::string> out;
    for (const Out& o : drawn) out.push_back(o.text);
    return out;
  }

 private:
  STextFont font_;
  int extra_ = 0;
};

// A 15 pt text: 20 pixels a full-width character at 100 % (160 at the
// layout's scale of 8).
SFigText MakeText(const std::string& text, int alignment = 0, bool vertical = false) {
  SFigText shape;
  page::STextSettings s = shape.GetSettings();
  s.text = text;
  s.face = "IPAGothic";
  s.size = 15;
  s.alignment = alignment;
  s.vertical = vertical;
  shape.ApplySettings(s);
  return shape;
}

std::vector<std::string> Lines(const SFigText& shape) {
  std::vector<std::string> out;
  for (const std::u32string& line : shape.GetLines()) out.push_back(page::Utf32ToUtf8(line));
  return out;
}

// Lays the shape out in a box of `width` × `height` page pixels centred on
// (500, 500) at `scale`, drawing; answers what was drawn.
std::vector<FixedAdvanceDevice::Out> Lay(SFigText& shape, FixedAdvanceDevice& device, double width, double height,
                                         double scale = 1.0, double angle = 0.0) {
  device.drawn.clear();
  shape.Layout(device, SPoint(width * scale, height * scale), SPoint(500, 500), angle, scale, scale, 0, true);
  return device.drawn;
}

TEST(TextLayout, BreaksFollowTheJapaneseAndWordRules) {
  struct Case {
    const char* what;
    const char* text;
    double width;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"fits", "あいう", 80, {"あいう"}},
      {"a closing bracket never starts a line", "あいうえ」お", 80, {"あいう", "え」お"}},
      {"a stop never starts a line", "あいうえ。お", 80, {"あいう", "え。お"}},
      {"an opening bracket never ends a line", "あいう「えお", 80, {"あいう", "「えお"}},
      {"a Latin word moves whole to the next line", "あいabc123", 80, {"あい", "abc123"}},
      {"a word longer than the line breaks inside", "abcdefghij", 40, {"abcd", "efgh", "ij"}},
      {"spaces at a break are dropped", "abcd   efgh", 40, {"abcd", "efgh"}},
      {"paragraphs and empty lines", "あ\r\n\r\nい\nう", 80, {"あ", "", "い", "う"}},
      {"a rule that would empty the line gives up", "」」」」」", 40, {"」」", "」」", "」"}},
  };
  for (const Case& c : cases) {
    SFigText shape = MakeText(c.text);
    FixedAdvanceDevice device;
    Lay(shape, device, c.width, 200);
    EXPECT_EQ(Lines(shape), c.lines) << c.what;
    EXPECT_EQ(device.DrawnTexts(), c.lines) << c.what;
  }
}

// Paragraph ends: spaces at a break that end the paragraph leave an empty
// line, so the next paragraph starts one line lower; an empty paragraph
// takes a line only where it fits the slack of 1.5 average characters.
TEST(TextLayout, ParagraphEndsTakeTheLinesTheRulesGive) {
  struct Case {
    const char* what;
    const char* text;
    double width;
    int average;
    std::vector<std::string> lines;
    int lastY;  // where the last line is drawn (the box's top is 400)
  };
  const Case cases[] = {
      {"spaces ending the paragraph at a break", "abcd    \nefgh", 40, 0, {"abcd", "", "efgh"}, 440},
      {"spaces inside the paragraph at a break", "abcd    efgh", 40, 0, {"abcd", "efgh"}, 420},
      {"empty paragraphs in a wide box", "\n\nab", 40, 2, {"", "", "ab"}, 440},
      {"empty paragraphs narrower than the slack", "\n\nab", 1, 10, {}, -1},
  };
  for (const Case& c : cases) {
    SFigText shape = MakeText(c.text);
    FixedAdvanceDevice device;
    device.average = c.average;
    const auto drawn = Lay(shape, device, c.width, 200);
    EXPECT_EQ(Lines(shape), c.lines) << c.what;
    EXPECT_EQ(device.DrawnTexts(), c.lines) << c.what;
    EXPECT_EQ(drawn.empty() ? -1 : drawn.back().y, c.lastY) << c.what;
  }
}

TEST(TextLayout, SlackItalicAndLetterSpacingShortenTheLine) {
  struct Case {
    const char* what;
    int average;
    bool italic;
    int letterSpacing;
    std::size_t lines;
  };
  // Four full-width characters in a box exactly as wide as they are.
  const Case cases[] = {
      {"exact fit", 0, false, 0, 1},
      {"the slack of 1.5 average widths", 2, false, 0, 2},
      {"italic text leans 9 % of its height", 0, true, 0, 2},
      {"letter spacing after the last character does not count", 0, false, 3, 2},
  };
  for (const Case& c : cases) {
    SFigText shape = MakeText("あいうえ");
    page::STextSettings s = shape.GetSettings();
    s.italic = c.italic;
    s.letterSpacing = c.letterSpacing;
    shape.ApplySettings(s);
    FixedAdvanceDevice device;
    device.average = c.average;
    // Width 80 holds the four characters; with spacing 3, 80 + 3 × 3 the
    // characters and the gaps between them.
    Lay(shape, device, c.letterSpacing ? 88 : 80, 200);
    EXPECT_EQ(shape.GetLines().size(), c.lines) << c.what;
  }
  SFigText spaced = MakeText("あいうえ");
  page::STextSettings s = spaced.GetSettings();
  s.letterSpacing = 3;
  spaced.ApplySettings(s);
  FixedAdvanceDevice device;
  Lay(spaced, device, 89, 200);
  EXPECT_EQ(spaced.GetLines().size(), 1u) << "four characters and three gaps fit in 89";
}

TEST(TextLayout, LinesThatDoNotFitTheBoxAreLeftOut) {
  struct Case {
    double height;
    int lineSpacing;
    std::vector<std::string> drawn;
  };
  // Lines are 20 pixels high.
  const Case cases[] = {{80, 0, {"あ", "い", "う", "え"}}, {45, 0, {"あ", "い"}}, {45, 10, {"あ"}}, {19, 0, {}}};
  for (const Case& c : cases) {
    SFigText shape = MakeText("あ\nい\nう\nえ");
    page::STextSettings s = shape.GetSettings();
    s.lineSpacing = c.lineSpacing;
    shape.ApplySettings(s);
    FixedAdvanceDevice device;
    Lay(shape, device, 80, c.height);
    EXPECT_EQ(device.DrawnTexts(), c.drawn) << c.height << " " << c.lineSpacing;
    EXPECT_EQ(Lines(shape), c.drawn);
  }
}

TEST(TextLayout, BreaksStayTheSameAtEveryZoomAndChangeWithTheBox) {
  // With one extra pixel per glyph, four characters fit in 81 page pixels
  // at the layout's scale (4 × 161 ≤ 648) but not at 100 % (4 × 21 > 81).
  SFigText shape = MakeText("あいうえおかきくけ");
  FixedAdvanceDevice device;
  device.perGlyph = 1;
  const std::vector<std::string> fourEach = {"あいうえ", "おかきく", "け"};
  for (const double zoom : {1.0, 2.0, 0.5, 3.0}) {
    std::vector<std::string> texts;
    for (const auto& out : Lay(shape, device, 81, 200, zoom)) texts.push_back(out.text);
    EXPECT_EQ(texts, fourEach) << zoom;
  }
  Lay(shape, device, 61, 200, 2.0);
  EXPECT_EQ(Lines(shape), (std::vector<std::string>{"あいう", "えおか", "きくけ"}));
}

TEST(TextLayout, EachShapeKeepsTheBoxItsBreaksWereMadeFor) {
  SFigText a = MakeText("あいうえおかきくけ");
  SFigText b = MakeText("あいうえおかきくけ");
  FixedAdvanceDevice device;
  Lay(a, device, 81, 200);
  Lay(b, device, 61, 200);
  // Another shape laid out at 61 says nothing of this one's lines.
  Lay(a, device, 61, 200);
  EXPECT_EQ(Lines(a), Lines(b));
  EXPECT_EQ(Lines(a).size(), 3u);
}

TEST(TextLayout, LinesArePlacedByAlignmentAcrossAndInColumns) {
  // The box: 100 × 200 centred on (500, 500): left 450, top 400, right 550, bottom 600.
  struct Case {
    bool vertical;
    int alignment;
    int x, y, escapement;
  };
  const Case cases[] = {
      {false, 0, 450, 400, 0},
      {false, 1, 450 + (100 - 60) / 2, 400, 0},
      {false, 2, 450 + 100 - 60, 400, 0},
      {true, 0, 550, 400, 2700},
      {true, 1, 550, 400 + (200 - 60) / 2, 2700},  // centred between top and bottom
      {true, 2, 550, 400 + 200 - 60, 2700},
  };
  for (const Case& c : cases) {
    SFigText shape = MakeText("あいう\nえ", c.alignment, c.vertical);
    FixedAdvanceDevice device;
    const auto drawn = Lay(shape, device, 100, 200);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].x, c.x) << c.vertical << c.alignment;
    EXPECT_EQ(drawn[0].y, c.y) << c.vertical << c.alignment;
    EXPECT_EQ(drawn[0].escapement, c.escapement);
    // The next line lies below, the next column to the left.
    if (c.vertical)
      EXPECT_EQ(drawn[1].x, c.x - 20);
    else
      EXPECT_EQ(drawn[1].y, c.y + 20);
  }
}

TEST(TextLayout, ATurnedBoxTurnsItsLinesAboutTheCentre) {
  SFigText shape = MakeText("あ");
  FixedAdvanceDevice device;
  // Box 100 × 60 about (500, 500); its top-left (450, 470) turned a quarter
  // clockwise on the page lies at (530, 450).
  const auto drawn = Lay(shape, device, 100, 60, 1.0, std::numbers::pi / 2);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].x, 530);
  EXPECT_EQ(drawn[0].y, 450);
  EXPECT_EQ(drawn[0].escapement, -900);
}

TEST(TextLayout, SettingsAreCheckedBeforeTheyAreStored) {
  struct Case {
    const char* what;
    void (*change)(page::STextSettings&);
    const char* message;  // a part of the message; empty: accepted
  };
  const Case cases[] = {
      {"defaults", [](page::STextSettings&) {}, ""},
      {"size 0", [](page::STextSettings& s) { s.size = 0; }, "1 から 999"},
      {"size 1000", [](page::STextSettings& s) { s.size = 1000; }, "1 から 999"},
      {"negative spacing", [](page::STextSettings& s) { s.letterSpacing = -1; }, "0 から 999"},
      {"line spacing 1000", [](page::STextSettings& s) { s.lineSpacing = 1000; }, "0 から 999"},
      {"text the code page cannot hold", [](page::STextSettings& s) { s.text = "\xF0\x9F\x98\x80"; }, "保存できない"},
      {"Japanese text", [](page::STextSettings& s) { s.text = "縦書き「テスト」"; }, ""},
      // A character that would read back as another one is named.
      {"a yen sign", [](page::STextSettings& s) { s.text = "価格¥100"; }, "「¥」"},
      {"a wave dash", [](page::STextSettings& s) { s.text = "100〜200"; }, "「〜」"},
      {"a face with a minus sign", [](page::STextSettings& s) { s.face = "A−B"; }, "「−」"},
      {"their read-back forms", [](page::STextSettings& s) { s.text = "価格\\100～200－5―了"; }, ""},
  };
  for (const Case& c : cases) {
    page::STextSettings s = SFigText().GetSettings();
    c.change(s);
    pagetest::ExpectMessage(page::ValidateTextSettings(s), c.message, c.what);
  }
}

TEST(TextLayout, TheDialogListsEachFaceOnceWithTheDefaultFirst) {
  const std::vector<std::string> families = {"DejaVu Sans", "IPAGothic", "@IPAGothic", "IPAGothic",
                                             "IPAPGothic",  "@IPAPGothic", "ＭＳ Ｐゴシック"};
  const page::STextFaceLists lists = page::MakeTextFaceLists(families, "ＭＳ Ｐゴシック", "Lost Face");
  EXPECT_EQ(lists.faces,
            (std::vector<std::string>{"ＭＳ Ｐゴシック", "DejaVu Sans", "IPAGothic", "IPAPGothic", "Lost Face"}));
  EXPECT_EQ(lists.verticalFaces, (std::vector<std::string>{"@IPAGothic", "@IPAPGothic"}));
  EXPECT_EQ(page::MakeTextFaceLists(families, "ＭＳ Ｐゴシック", "IPAGothic").faces.size(), 4u);
}

TEST(TextLayout, SettingsRoundTripAndMarkVerticalFaces) {
  SFigText shape = MakeText("縦", 1, true);
  EXPECT_EQ(shape.GetFontFace(), "@IPAGothic");
  EXPECT_EQ(shape.GetSize(), 150);
  const page::STextSettings s = shape.GetSettings();
  EXPECT_EQ(s.face, "IPAGothic");
  EXPECT_TRUE(s.vertical);
  EXPECT_EQ(s.size, 15);
  auto copy = shape.Clone();
  EXPECT_EQ(dynamic_cast<SFigText&>(*copy).GetSettings(), s);
}

TEST(TextLayout, SizesAndSpacingsOfADamagedRecordAreTakenInRange) {
  // Text records as a damaged file may hold them: size, letter spacing and
  // line spacing far past what the dialog stores.
  struct Case {
    std::int32_t size, letterSpacing, lineSpacing;
    int font10, extra;  // the font and the character extra the layout uses at 100 %
  };
  const Case cases[] = {
      {150, 2, 3, 150, 2},
      {2147483647, 2147483647, 2147483647, 9990, 999},
      {-2147483647 - 1, -2147483647 - 1, -2147483647 - 1, 1, -999},
  };
  testsupport::TempDir dir;
  for (const Case& c : cases) {
    pagetest::LeBytes record;
    record.Int(-1).Text("abc").Text("IPAGothic").Int(c.size).Int(c.letterSpacing).Int(c.lineSpacing);
    record.Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).Int(0);
    const std::string path = dir.Write("text.bin", record.Get());
    SFigText shape;
    page::PnFile file(path, page::PnFile::Mode::kRead);
    shape.Read(file, 1000);
    FixedAdvanceDevice device;
    Lay(shape, device, 400, 400);
    EXPECT_EQ(device.Font().pointSize10, c.font10) << c.size;
    EXPECT_EQ(device.Extra(), c.extra) << c.letterSpacing;
    // What the shape read is what it writes back.
    EXPECT_EQ(shape.GetSize(), c.size);
  }
}

}  // namespace
