#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SObj.h"

namespace {

using page::Prop2DVal;
using page::PropSCVal;
using page::SPoint;
using platform::POINT;
constexpr double kPi = std::numbers::pi;

PropSCVal Box(double x, double y, double w, double h, double angle = 0, double margin = 0) {
  PropSCVal p;
  p.x = x, p.y = y, p.width = w, p.height = h, p.angle = angle, p.margin = margin;
  return p;
}

Prop2DVal Style(bool filled, int lineWidth = 3, int pathFlags = 0) {
  Prop2DVal v;
  v.fillColorMode = filled ? Prop2DVal::kColorGiven : Prop2DVal::kColorNone;
  v.lineWidth = lineWidth;
  v.pathFlags = pathFlags;
  return v;
}

// A triangle whose box is 100 × 100: apex at the top middle, base along the
// bottom edge.
page::SFigPoly Triangle() {
  page::SFigPoly poly;
  const std::vector<SPoint> points = {{50, 0}, {100, 100}, {0, 100}};
  poly.SetNormalizedPoints(points);
  return poly;
}

// ---- hit tests ------------------------------------------------------------------

struct HitCase {
  const char* what;
  SPoint point;
  bool filled;
  bool hit;
};

void RunHits(const page::SFig& fig, const PropSCVal& P, const std::vector<HitCase>& cases, int lineWidth = 3,
             int pathFlags = 0, double tolerance = 1) {
  for (const HitCase& c : cases)
    EXPECT_EQ(fig.HitTest(P, Style(c.filled, lineWidth, pathFlags), c.point, tolerance), c.hit)
        << "type " << fig.GetTypeId() << ": " << c.what;
}

TEST(VectorShapeHit, Rectangle) {
  // 100 × 60 less a margin of 10: the drawn box is 90 × 50 around (0, 0).
  const PropSCVal P = Box(0, 0, 100, 60, 0, 10);
  RunHits(page::SFigRect(), P,
          {
              {"centre, filled", {0, 0}, true, true},
              {"centre, unfilled", {0, 0}, false, false},
              {"just inside the left edge, unfilled", {-43, 0}, false, true},
              {"just inside the bottom edge, unfilled", {10, 23}, false, true},
              {"beyond the band, unfilled", {-40, 0}, false, false},
              {"in the margin outside the drawn box", {-47, 0}, true, false},
              {"corner", {45, 25}, true, true},
          });
  // Turned a quarter: the long side now runs vertically.
  RunHits(page::SFigRect(), Box(0, 0, 100, 60, kPi / 2, 10),
          {{"along the turned long side", {0, 40}, true, true}, {"beyond the turned short side", {40, 0}, true, false}});
}

TEST(VectorShapeHit, Oval) {
  const PropSCVal P = Box(0, 0, 100, 60);  // semi-axes 50 and 30
  RunHits(page::SFigOval(), P,
          {
              {"centre, filled", {0, 0}, true, true},
              {"centre, unfilled", {0, 0}, false, false},
              {"on the ring, unfilled", {48, 0}, false, true},
              {"inside the ring, unfilled", {44, 0}, false, false},
              {"box corner outside the ellipse", {45, 27}, true, false},
              {"outside", {51, 0}, false, false},
          });
}

TEST(VectorShapeHit, ThinUnfilledOvalsHaveNoHole) {
  // Semi-axis 2 along y, narrower than the band of 3: no inner ellipse.
  const PropSCVal P = Box(0, 0, 100, 4);
  RunHits(page::SFigOval(), P, {{"centre of a thin oval", {0, 0}, false, true}, {"beyond it", {0, 3}, false, false}});
  // A box of no size at all is never hit.
  RunHits(page::SFigOval(), Box(0, 0, 0, 0), {{"an empty oval", {0, 0}, false, false}});
}

TEST(VectorShapeHit, WideToleranceWidensTheBand) {
  const PropSCVal P = Box(0, 0, 100, 60);
  RunHits(page::SFigRect(), P, {{"5 inside the edge, tolerance 3", {-45, 0}, false, true}}, 1, 0, 3);
  RunHits(page::SFigRect(), P, {{"5 inside the edge, tolerance 1", {-45, 0}, false, false}}, 1, 0, 1);
}

TEST(VectorShapeHit, Polygon) {
  const page::SFigPoly poly = Triangle();
  const PropSCVal P = Box(200, 100, 100, 100);  // drawn from (150, 50) to (250, 150)
  RunHits(poly, P,
          {
              {"middle, filled", {200, 120}, true, true},
              {"middle, unfilled", {200, 120}, false, false},
              {"left of the slope, filled", {160, 70}, true, false},
              {"on the base, unfilled", {200, 149.5}, false, true},
              {"near the right slope, unfilled", {226, 100}, false, true},
              {"on the left slope (the closing segment), unfilled", {175, 100}, false, true},
          });
  // An open polyline has no closing segment.
  RunHits(poly, P,
          {{"on the missing closing segment", {175, 100}, false, false}, {"on the base", {200, 149.5}, false, true}}, 3,
          Prop2DVal::kPathOpen);
  // A wide stroke reaches further: half its width in whole pixels.
  RunHits(poly, P, {{"5.5 from the base, stroke 13", {200, 144.5}, false, true}}, 13);
  RunHits(poly, P, {{"5.5 from the base, stroke 11", {200, 144.5}, false, false}}, 11);
}

TEST(VectorShapeHit, LineUsesItsBox) {
  const page::SFigLine line;
  RunHits(line, Box(0, 0, 100, 10), {{"inside the box", {30, 4}, false, true}, {"outside", {30, 6}, false, false}});
}

// ---- outlines ---------------------------------------------------------------------

TEST(VectorShapeOutline, RectangleCornersRunClockwiseAndCoverTheBox) {
  const page::SOutline outline = page::SFigRect().BuildOutline({50, 40}, {20, 10}, 0, 6, 0);
  EXPECT_EQ(outline.count, 4);
  EXPECT_EQ(outline.points,
            (std::vector<POINT>{{40, 35}, {59, 35}, {59, 44}, {40, 44}, {40, 35}, {43, 35}}));
  // A 1 × 1 box is one pixel: four identical corners.
  const page::SOutline pixel = page::SFigRect().BuildOutline({10, 10}, {1, 1}, 0, 1, 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pixel.points[i], (POINT{9, 9}));
}

TEST(VectorShapeOutline, JoinPointStopsAtTheSecondCornerOfAShortEdge) {
  const page::SOutline outline = page::SFigRect().BuildOutline({0, 0}, {4, 4}, 0, 20, 0);
  EXPECT_EQ(outline.points[5], outline.points[1]);
}

TEST(VectorShapeOutline, TurnedRectangleTurnsAboutTheCentre) {
  const page::SOutline outline = page::SFigRect().BuildOutline({100, 100}, {41, 21}, kPi / 2, 0, 0);
  // (-20.5, -10.5) turned a quarter is (10.5, -20.5).
  EXPECT_EQ(outline.points[0], (POINT{110, 79}));
}

TEST(VectorShapeOutline, OvalHasSixtyFourPointsAndRepeatsTwo) {
  const page::SOutline outline = page::SFigOval().BuildOutline({100, 50}, {82, 42}, 0, 3, 0);
  ASSERT_EQ(outline.count, 64);
  ASSERT_EQ(outline.points.size(), 66u);
  EXPECT_EQ(outline.points[0], (POINT{140, 50}));
  EXPECT_EQ(outline.points[16], (POINT{100, 70}));
  EXPECT_EQ(outline.points[32], (POINT{60, 50}));
  EXPECT_EQ(outline.points[64], outline.points[0]);
  EXPECT_EQ(outline.points[65], outline.points[1]);
}

TEST(VectorShapeOutline, PolygonNeedsTwoPoints) {
  page::SFigPoly poly;
  const std::vector<SPoint> one = {{5, 5}};
  poly.SetNormalizedPoints(one);
  const page::SOutline none = poly.BuildOutline({0, 0}, {10, 10}, 0, 3, 0);
  EXPECT_EQ(none.count, 0);
  EXPECT_TRUE(none.points.empty());

  const page::SOutline triangle = Triangle().BuildOutline({100, 100}, {50, 40}, 0, 4, 0);
  EXPECT_EQ(triangle.count, 3);
  EXPECT_EQ(triangle.points, (std::vector<POINT>{{100, 80}, {125, 120}, {75, 120}, {100, 80}, {101, 81}}));
}

// ---- the key colour -----------------------------------------------------------------

TEST(KeyColor, DiffersFromBothTheLineAndTheFill) {
  struct Case {
    platform::COLORREF line, fill, key;
  };
  const std::vector<Case> cases = {
      {0xFF0000, 0x00FF00, 0x000000}, {0x000000, 0xFFFFFF, 0x010101}, {0x000000, 0x010101, 0x020202},
      {0x010101, 0x000000, 0x020202}, {0x020202, 0x000000, 0x010101}, {0x020202, 0x010101, 0x000000},
  };
  for (const Case& c : cases) EXPECT_EQ(page::ChooseKeyColor(c.line, c.fill), c.key) << c.line << " " << c.fill;
}

// ---- special handles ------------------------------------------------------------------

TEST(LineHandles, DraggingAnEndRebuildsThePlacement) {
  page::SFigLine line;
  PropSCVal P = Box(50, 50, 100 + 4, 10, 0, 4);  // from (0, 50) to (100, 50)
  line.MoveSpecialHandle(page::SFigLine::kEndHandle, {0, -50}, P);  // end straight above the start
  EXPECT_NEAR(P.x, 0, 1e-12);
  EXPECT_NEAR(P.y, 0, 1e-12);
  EXPECT_NEAR(P.width, 100 + 4, 1e-12);
  EXPECT_NEAR(P.angle, -kPi / 2, 1e-12);
  EXPECT_EQ(P.height, 10);

  // Onto the other end: no length left, and the angle of a zero vector.
  line.MoveSpecialHandle(page::SFigLine::kStartHandle, {0, -50}, P);
  EXPECT_NEAR(P.width, 4, 1e-12);
  EXPECT_EQ(P.angle, 0);
}

TEST(PolygonHandles, EditingShowsOneHandlePerPoint) {
  page::SFigPoly poly = Triangle();
  const PropSCVal P = Box(200, 100, 100, 100);
  const std::span<page::SCtlp> plain = poly.GetHandles(P, Style(true), false);
  EXPECT_EQ(plain.size(), 9u);
  const std::span<page::SCtlp> editing = poly.GetHandles(P, Style(true), true);
  ASSERT_EQ(editing.size(), 12u);
  for (int i = 0; i < 9; ++i) EXPECT_FALSE(editing[i].visible);
  EXPECT_EQ(editing[9].x, 200);
  EXPECT_EQ(editing[9].y, 50);
  EXPECT_EQ(editing[10].x, 250);
  EXPECT_EQ(editing[11].y, 150);
}

TEST(PolygonHandles, DraggingAPointRefitsTheBox) {
  page::SFigPoly poly = Triangle();
  PropSCVal P = Box(200, 100, 100 + 6, 100 + 6, 0, 6);  // drawn from (150, 50) to (250, 150)
  poly.MoveSpecialHandle(9, {200, 0}, P);  // the apex 50 higher
  EXPECT_NEAR(P.x, 200, 1e-9);
  EXPECT_NEAR(P.y, 75, 1e-9);
  EXPECT_NEAR(P.width, 106, 1e-9);
  EXPECT_NEAR(P.height, 156, 1e-9);
  // The points stay normalised: the apex on the top edge, the base at the bottom.
  EXPECT_NEAR(poly.Points()[0].y, -0.5, 1e-12);
  EXPECT_NEAR(poly.Points()[1].y, 0.5, 1e-12);

  const PropSCVal before = P;
  poly.MoveSpecialHandle(12, {0, 0}, P);  // no such point
  EXPECT_EQ(P.y, before.y);
}

TEST(PolygonHandles, DraggingOnATurnedPolygonKeepsTheOtherPointsInPlace) {
  page::SFigPoly poly = Triangle();
  PropSCVal P = Box(0, 0, 100, 100, kPi / 2);
  const std::vector<SPoint> before = poly.GetControlPoints({P.x, P.y}, {P.width, P.height}, P.angle);
  poly.MoveSpecialHandle(10, {-80, 80}, P);
  const std::vector<SPoint> after = poly.GetControlPoints({P.x, P.y}, {P.width, P.height}, P.angle);
  EXPECT_NEAR(after[0].x, before[0].x, 1e-9);
  EXPECT_NEAR(after[0].y, before[0].y, 1e-9);
  EXPECT_NEAR(after[2].x, before[2].x, 1e-9);
  EXPECT_NEAR(after[2].y, before[2].y, 1e-9);
  EXPECT_NEAR(after[1].x, -80, 1e-9);
  EXPECT_NEAR(after[1].y, 80, 1e-9);
}

TEST(Polygon, SetNormalizedPointsCentresOnZeroWithUnitExtent) {
  page::SFigPoly poly;
  const std::vector<SPoint> drawn = {{10, 20}, {30, 20}, {30, 20}};  // flat: height 0 counts as 1
  poly.SetNormalizedPoints(drawn);
  EXPECT_EQ(poly.Points(), (std::vector<SPoint>{{-0.5, 0}, {0.5, 0}, {0.5, 0}}));
}

}  // namespace
