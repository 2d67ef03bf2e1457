#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "imaging/DashedLine.h"
#include "platform/Dc.h"
#include "platform/Image.h"

namespace {

using namespace imaging;
using platform::COLORREF;
using platform::Dc;
using platform::Image;
using platform::MakeRgb;
using platform::POINT;

constexpr COLORREF kWhite = MakeRgb(255, 255, 255);
constexpr COLORREF kInk = MakeRgb(20, 40, 160);

// A white canvas and a context on it.
class Strokes : public testing::Test {
 protected:
  Strokes() : image_(140, 60, 32), dc_(image_) { image_.Fill(platform::Bgra::FromColorRef(kWhite)); }
  bool Inked(int x, int y) const { return image_.GetBgra(x, y).ToColorRef() == kInk; }
  // '#' for inked pixels of row y from x0 up to x1, '.' otherwise.
  std::string Row(int y, int x0, int x1) const {
    std::string row;
    for (int x = x0; x < x1; ++x) row += Inked(x, y) ? '#' : '.';
    return row;
  }
  std::string Column(int x, int y0, int y1) const {
    std::string column;
    for (int y = y0; y < y1; ++y) column += Inked(x, y) ? '#' : '.';
    return column;
  }
  Image image_;
  Dc dc_;
};

TEST(DashPattern, FollowsTheWidthAndTheKind) {
  struct Case {
    int width;
    bool round;
    int kind;
    std::vector<int> lengths;
  } const cases[] = {
      {3, false, 0, {}},
      {3, false, 1, {9, 3}},
      {3, false, 2, {3, 3}},
      {3, false, 3, {9, 3, 3, 3}},
      {3, false, 4, {9, 3, 3, 3, 3, 3}},
      {3, false, 5, {9, 3, 3, 3, 3, 3, 3, 3}},
      {3, false, 6, {9, 6}},
      {3, false, 8, {9, 6, 3, 6}},
      {3, false, 9, {9, 6, 3, 6, 3, 6}},
      {3, false, 10, {9, 6, 3, 6, 3, 6, 3, 6}},
      {3, false, 14, {9, 6, 3, 6, 3, 6, 3, 6}},
      {2, true, 1, {4, 4}},
      {2, true, 2, {1, 4}},
      {2, true, 3, {4, 4, 1, 4}},
      {2, true, 7, {1, 8}},
      // A stored width far too large for its lengths is held to INT_MAX / 4.
      {INT_MAX, false, 8, {1610612733, 1073741822, 536870911, 1073741822}},
      {INT_MAX, true, 6, {1073741822, 2147483644}},
      {-4, false, 3, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "width " << c.width << (c.round ? " round" : " flat") << " kind " << c.kind);
    int lengths[kMaxDashLengths] = {};
    const int count = PnUtilDashPattern(lengths, c.round, c.width, c.kind);
    EXPECT_EQ(std::vector<int>(lengths, lengths + count), c.lengths);
  }
  for (auto [lineKind, dashKind] : {std::pair{9, 2}, {10, 1}, {11, 3}, {12, 4}, {0, 0}, {8, 0}, {13, 0}})
    EXPECT_EQ(DashKindOfLineKind(lineKind), dashKind) << lineKind;
}

TEST_F(Strokes, FlatDashesOfAWideLineAlternate) {
  const POINT line[] = {{2, 10}, {40, 10}};
  PnUtilStrokeDashedPath(dc_, line, 2, 2, kInk, 10, false);  // dashes 6, gaps 2
  const std::string dashes = "######..######..######..######..######";
  EXPECT_EQ(Row(10, 2, 40), dashes);
  EXPECT_EQ(Row(9, 2, 40), dashes);  // two pixels wide
  EXPECT_EQ(Row(8, 0, 60), std::string(60, '.'));
  EXPECT_EQ(Row(11, 0, 60), std::string(60, '.'));
  EXPECT_FALSE(Inked(40, 10));  // flat end
}

TEST_F(Strokes, RoundDotsAreSpacedByTheirGap) {
  const POINT line[] = {{2, 10}, {40, 10}};
  PnUtilStrokeDashedPath(dc_, line, 2, 2, kInk, 9, true);  // dots 1, gaps 4
  for (int start = 2; start < 38; start += 5) {
    EXPECT_TRUE(Inked(start, 10)) << start;
    EXPECT_FALSE(Inked(start + 3, 10)) << start + 3;
  }
}

TEST_F(Strokes, DashesRunOnAroundACorner) {
  // The first segment is three pixels long: the six-pixel dash that starts
  // there goes on for three more pixels down the second segment.
  const POINT corner[] = {{2, 10}, {5, 10}, {5, 40}};
  PnUtilStrokeDashedPath(dc_, corner, 3, 2, kInk, 10, false);
  EXPECT_EQ(Row(10, 2, 5), "###");
  EXPECT_EQ(Column(5, 11, 25), "##..######..##");
  EXPECT_EQ(Column(4, 11, 25), "##..######..##");
  EXPECT_TRUE(Inked(5, 9));  // the mitred outer corner of the joined dash
}

TEST_F(Strokes, SolidLinesAreOnePathWithRoundEnds) {
  const POINT line[] = {{10, 30}, {50, 30}};
  PnUtilStrokeDashedPath(dc_, line, 2, 6, kInk, 0, true);
  // Round ends reach 3 pixels past both end points: pixels 7 to 52.
  EXPECT_EQ(Row(30, 5, 56), std::string(2, '.') + std::string(46, '#') + std::string(3, '.'));
  EXPECT_TRUE(Inked(30, 27));
  EXPECT_FALSE(Inked(30, 26));
}

TEST_F(Strokes, ArrowheadShortensTheStrokeInsideIt) {
  POINT points[] = {{10, 20}, {110, 20}};
  int first = 0, last = 1;
  PnUtilDrawArrowHeads(dc_, points, first, last, 2, kInk, 2);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 1);
  EXPECT_EQ(points[1], (POINT{103, 20}));  // 6.4 pixels back, truncated
  EXPECT_EQ(points[0], (POINT{10, 20}));
  // The triangle: tip (110, 20), base corners (102, 23) and (102, 17).
  EXPECT_TRUE(Inked(108, 20));
  EXPECT_TRUE(Inked(104, 21));
  EXPECT_TRUE(Inked(104, 18));
  EXPECT_FALSE(Inked(101, 20));
  EXPECT_FALSE(Inked(110, 20));
  EXPECT_FALSE(Inked(105, 23));
}

TEST_F(Strokes, ArrowheadWalksBackOverShortSegments) {
  // The first segment is shorter than the arrowhead: the head points along
  // the line from the second vertex, and the stroke starts on that segment.
  POINT points[] = {{10, 10}, {13, 10}, {13, 40}};
  int first = 0, last = 2;
  PnUtilDrawArrowHeads(dc_, points, first, last, 2, kInk, 3);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 2);
  EXPECT_EQ(points[1], (POINT{13, 14}));  // 0.8 × (8 − 3) toward (13, 40)
  EXPECT_EQ(points[2], (POINT{13, 40}));
}

TEST_F(Strokes, SegmentArrowsAtBothEndsAndNone) {
  PnUtilStrokeSegmentArrows(dc_, POINT{10, 20}, POINT{110, 20}, 2, kInk, 0, true, 4);
  EXPECT_TRUE(Inked(60, 20));
  EXPECT_TRUE(Inked(106, 20));  // both heads, past the shortened stroke
  EXPECT_TRUE(Inked(13, 20));
  // A round end left at the tip would reach this pixel; the shortened stroke does not.
  EXPECT_FALSE(Inked(110, 19));
  EXPECT_FALSE(Inked(9, 19));

  // Shorter than 4w: no head, the stroke keeps its length.
  POINT shortLine[] = {{10, 45}, {22, 45}};
  PnUtilStrokePolylineArrows(dc_, shortLine, 2, 4, kInk, 0, false, 4);
  EXPECT_EQ(shortLine[0], (POINT{10, 45}));
  EXPECT_EQ(shortLine[1], (POINT{22, 45}));
  EXPECT_EQ(Row(45, 8, 24), "..############..");
  EXPECT_FALSE(Inked(16, 48));  // where a head's side would be

  const Image before(image_);
  PnUtilStrokeSegmentArrows(dc_, POINT{70, 50}, POINT{70, 50}, 3, kInk, 0, true, 4);  // a point: nothing
  EXPECT_EQ(std::vector<std::uint8_t>(image_.Bits(), image_.Bits() + image_.SizeBytes()),
            std::vector<std::uint8_t>(before.Bits(), before.Bits() + before.SizeBytes()));
}

TEST_F(Strokes, StrokingPutsThePreviousPenBack) {
  const platform::Pen mine{MakeRgb(1, 2, 3), 1, platform::PenStyle::kDot};
  dc_.SelectPen(mine);
  const POINT line[] = {{2, 10}, {40, 10}};
  PnUtilStrokeDashedPath(dc_, line, 2, 4, kInk, 11, false);
  const platform::Pen after = dc_.SelectPen(platform::Pen{});
  EXPECT_EQ(after.color, mine.color);
  EXPECT_EQ(after.style, mine.style);
  EXPECT_EQ(after.width, mine.width);
}

}  // namespace
