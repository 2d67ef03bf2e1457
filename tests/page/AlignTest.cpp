#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "page/SAlignRect.h"
#include "page/SComPlace.h"

namespace {

using page::SAlignInfo;

// Boxes (minX, minY, maxX, maxY) of three units, out of order along both
// axes: x centres 5, 45, 27; y centres 12, 5, 20.
std::vector<SAlignInfo> Units() {
  std::vector<SAlignInfo> units(3);
  const double boxes[3][4] = {{0, 2, 10, 22}, {40, 0, 50, 10}, {20, 10, 34, 30}};
  for (int i = 0; i < 3; ++i) {
    units[i].minX = boxes[i][0], units[i].minY = boxes[i][1];
    units[i].maxX = boxes[i][2], units[i].maxY = boxes[i][3];
  }
  return units;
}

// The results in the order of Units(), whatever order a calculator sorted
// the records into (the left edges tell the units apart).
std::vector<std::vector<double>> Results(const std::vector<SAlignInfo>& units) {
  std::vector<std::vector<double>> out(3);
  for (const SAlignInfo& u : units) out[u.minX == 0 ? 0 : u.minX == 40 ? 1 : 2] = {u.dx, u.dy};
  return out;
}

TEST(SAlignRect, CalculatorsWriteOffsetsAndFactors) {
  struct Case {
    const char* name;
    std::unique_ptr<page::SAlignRect> calc;
    std::vector<std::vector<double>> results;  // {dx, dy} of units 0, 1, 2
  };
  std::vector<Case> cases;
  const auto add = [&](const char* name, auto calc, std::vector<std::vector<double>> results) {
    cases.push_back({name, std::make_unique<decltype(calc)>(), std::move(results)});
  };
  add("top", page::SAlignUp(), {{0, -2}, {0, 0}, {0, -10}});
  add("vertical centres", page::SAlignUD(), {{0, 1.0 / 3}, {0, 22.0 / 3}, {0, -23.0 / 3}});
  add("bottom", page::SAlignDown(), {{0, 8}, {0, 20}, {0, 0}});
  add("right", page::SAlignR(), {{40, 0}, {0, 0}, {16, 0}});
  add("horizontal centres", page::SAlignLR(), {{62.0 / 3, 0}, {-58.0 / 3, 0}, {-4.0 / 3, 0}});
  add("left", page::SAlignL(), {{0, 0}, {-40, 0}, {-20, 0}});
  // Sorted by x: 0, 2, 1; centres 5 .. 45, the middle one (27) to 25.
  add("horizontal centre spacing", page::SAlignLRDist(), {{0, 0}, {0, 0}, {-2, 0}});
  // Sorted by y: 1 (5), 0 (12), 2 (20); the middle one to 12.5.
  add("vertical centre spacing", page::SAlignUDDist(), {{0, 0.5}, {0, 0}, {0, 0}});
  // Along x the gaps are 10 and 6: the middle one moves 2 to the left.
  add("horizontal gaps", page::SAlignLRGap(), {{0, 0}, {0, 0}, {-2, 0}});
  // Along y: 1 (0-10), 0 (2-22), 2 (10-30) overlap by 8 and 12.
  add("vertical gaps", page::SAlignUDGap(), {{0, -2}, {0, 0}, {0, 0}});
  add("equal heights", page::SAlignHeight(), {{1, 1}, {1, 2}, {1, 1}});
  add("equal widths", page::SAlignWidth(), {{1.4, 1}, {1.4, 1}, {1, 1}});
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<SAlignInfo> units = Units();
    c.calc->Compute(units);
    const auto results = Results(units);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(results[i][0], c.results[i][0], 1e-12) << "unit " << i;
      EXPECT_NEAR(results[i][1], c.results[i][1], 1e-12) << "unit " << i;
    }
  }
}

TEST(SAlignRect, SpacingNeedsThreeUnitsAndKeepsTheOuterOnes) {
  std::vector<std::unique_ptr<page::SAlignRect>> spacing;
  spacing.push_back(std::make_unique<page::SAlignUDDist>());
  spacing.push_back(std::make_unique<page::SAlignLRDist>());
  spacing.push_back(std::make_unique<page::SAlignUDGap>());
  spacing.push_back(std::make_unique<page::SAlignLRGap>());
  for (auto& calc : spacing) {
    std::vector<SAlignInfo> two = Units();
    two.pop_back();
    calc->Compute(two);
    for (const SAlignInfo& u : two) {
      EXPECT_EQ(u.dx, 0);
      EXPECT_EQ(u.dy, 0);
    }
  }
  // Four units, uneven: the outer ones never move, the inner ones do.
  std::vector<SAlignInfo> four = Units();
  four.push_back({nullptr, 100, 0, 110, 10});
  page::SAlignLRDist().Compute(four);
  EXPECT_EQ(four.front().dx, 0);
  EXPECT_EQ(four.back().dx, 0);
  EXPECT_NEAR(four[1].dx, 5 + 100.0 / 3 - 27, 1e-12);
  EXPECT_NEAR(four[2].dx, 5 + 200.0 / 3 - 45, 1e-12);
}

TEST(AlignPositions, ASelectedGroupIsOneUnitAndKeepsItsShape) {
  auto doc = pagetest::MakeNestedPage();
  // G2 (a at 100, b at 140, both 40 wide) and E (at 400).
  pagetest::SelectExactly(*doc, {1002, 1003, 1004, 1008});
  std::vector<SAlignInfo> units;
  ASSERT_TRUE(doc->CollectAlignItems(units));
  ASSERT_EQ(units.size(), 2u);
  EXPECT_EQ(units[0].object->id, 1002);
  doc->ComputeAlignBoxes(units);
  EXPECT_EQ(units[0].minX, 80);
  EXPECT_EQ(units[0].maxX, 160);
  page::SComAlignPosition align(doc.get(), std::make_unique<page::SAlignR>());
  ASSERT_EQ(align.Do(), 0);
  EXPECT_EQ(doc->FindObjectById(1003)->placement.x, 360);
  EXPECT_EQ(doc->FindObjectById(1004)->placement.x, 400);
  EXPECT_EQ(doc->FindObjectById(1008)->placement.x, 400);
  // An object inside an unselected group is a unit of its own.
  pagetest::SelectExactly(*doc, {1003, 1008});
  ASSERT_TRUE(doc->CollectAlignItems(units));
  EXPECT_EQ(units[0].object->id, 1003);
  // One unit: nothing to align, and the command still succeeds.
  pagetest::SelectExactly(*doc, {1008});
  EXPECT_FALSE(doc->CollectAlignItems(units));
  const std::string before = pagetest::PageBytes(*doc);
  page::SComAlignPosition single(doc.get(), std::make_unique<page::SAlignL>());
  EXPECT_EQ(single.Do(), 0);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
}

TEST(AlignSizes, ATurnedBoxScalesEvenly) {
  page::SDoc doc;
  page::SObj& tall = pagetest::AddRect(doc, -1, 100, 100, 40, 100);
  page::SObj& turned = pagetest::AddRect(doc, -1, 300, 100, 40, 20);
  turned.placement.angle = 0.5;
  tall.SetSelected(true);
  turned.SetSelected(true);
  std::vector<SAlignInfo> units;
  ASSERT_TRUE(doc.CollectAlignItems(units));
  doc.ComputeAlignBoxes(units);
  const double turnedHeight = units[1].maxY - units[1].minY;
  doc.AlignSizes(*std::make_unique<page::SAlignHeight>());
  EXPECT_DOUBLE_EQ(tall.placement.height, 100);
  const double f = 100 / turnedHeight;
  EXPECT_NEAR(turned.placement.width, 40 * f, 1e-9);
  EXPECT_NEAR(turned.placement.height, 20 * f, 1e-9);
}

}  // namespace
