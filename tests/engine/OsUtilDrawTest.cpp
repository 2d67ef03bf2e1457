#include <gtest/gtest.h>

#include <string>

#include "EngineScopes.h"
#include "ObjectTestSupport.h"
#include "engine/image/OsUtilDraw.h"

namespace {

using namespace engine;
using platform::Bgra;
using platform::MakeRgb;

constexpr Bgra kWhite{255, 255, 255, 255};
constexpr Bgra kRed{0, 0, 255, 255};
constexpr Bgra kGrey{128, 128, 128, 255};

class OsUtilDrawing : public ::testing::Test {
 protected:
  OsUtilDrawing() : image_(40, 30, 32), dc_(image_) { image_.Fill(kGrey); }
  platform::Image image_;
  platform::Dc dc_;
};

TEST_F(OsUtilDrawing, FrameRectDrawsOnePixelInsideTheOrderedCorners) {
  OsUtilFrameRect(dc_, PointRecord{30.7, 20.2, 0}, PointRecord{10.9, 5.5, 0}, MakeRgb(255, 0, 0));
  // left 10, top 5, right 30, bottom 20 (exclusive)
  EXPECT_EQ(image_.GetBgra(10, 5), kRed);
  EXPECT_EQ(image_.GetBgra(29, 19), kRed);
  EXPECT_EQ(image_.GetBgra(20, 5), kRed);
  EXPECT_EQ(image_.GetBgra(10, 12), kRed);
  EXPECT_EQ(image_.GetBgra(30, 12), kGrey);
  EXPECT_EQ(image_.GetBgra(20, 20), kGrey);
  EXPECT_EQ(image_.GetBgra(20, 12), kGrey) << "inside stays";
}

TEST_F(OsUtilDrawing, PointMarkersAreAColouredRingAroundAWhiteDotWithTheirMark) {
  OsUtilDrawPointMarker(dc_, PointRecord{10, 10, 0}, MakeRgb(255, 0, 0), 0);
  EXPECT_EQ(image_.GetBgra(10, 10), kWhite);
  EXPECT_EQ(image_.GetBgra(14, 10), kRed) << "ring";
  EXPECT_EQ(image_.GetBgra(10, 6), kRed) << "ring";
  EXPECT_EQ(image_.GetBgra(17, 10), kGrey) << "outside";
  OsUtilDrawPointMarker(dc_, PointRecord{30, 10, 0}, MakeRgb(255, 0, 0), 1);
  EXPECT_EQ(image_.GetBgra(30, 10), kRed) << "bar through the centre";
  EXPECT_EQ(image_.GetBgra(30, 9), kWhite);
  OsUtilDrawPointMarker(dc_, PointRecord{20, 22, 0}, MakeRgb(255, 0, 0), 2);
  EXPECT_EQ(image_.GetBgra(20, 22), kRed) << "cross";
  EXPECT_EQ(image_.GetBgra(22, 20), kRed) << "cross";
  EXPECT_EQ(image_.GetBgra(18, 24), kRed) << "cross";
}

TEST(OsUtilRegion, ContainsByTheWindingRule) {
  auto region = [](std::initializer_list<PointRecord> corners) {
    PointArray points;
    for (const PointRecord& p : corners) EXPECT_TRUE(points.Add(p));
    EngRegion r;
    OsUtilCreatePolygonRegion(r, points);
    return r;
  };
  const EngRegion square = region({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}});
  EXPECT_TRUE(OsUtilRegionContains(square, {5, 5, 0}));
  EXPECT_TRUE(OsUtilRegionContains(square, {5.9, 9.9, 0}));
  EXPECT_FALSE(OsUtilRegionContains(square, {11, 5, 0}));
  EXPECT_FALSE(OsUtilRegionContains(square, {5, -1, 0}));
  // A five-pointed star drawn in one stroke: its centre is wound twice,
  // so it is inside (an alternating fill would leave it out).
  const EngRegion star = region({{50, 0, 0}, {80, 90, 0}, {0, 35, 0}, {100, 35, 0}, {20, 90, 0}});
  EXPECT_TRUE(OsUtilRegionContains(star, {50, 50, 0}));
  EXPECT_TRUE(OsUtilRegionContains(star, {50, 10, 0}));
  EXPECT_FALSE(OsUtilRegionContains(star, {5, 80, 0}));
  EXPECT_FALSE(OsUtilRegionContains(region({{0, 0, 0}, {5, 5, 0}}), {1, 1, 0})) << "two points enclose nothing";
}

TEST(OsUtilPaths, StripFolderLeavesTheFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/ann/pages/cover.jpg", "cover.jpg"},
      {"pages/cover.jpg", "cover.jpg"},
      {"C:\\books\\cover.jpg", "cover.jpg"},
      {"cover.jpg", "cover.jpg"},
      {"C:cover.jpg", "cover.jpg"},
      {"pages/", ""},
  };
  for (auto [path, name] : cases) {
    std::string p = path;
    OsUtilStripFolder(p);
    EXPECT_EQ(p, name) << path;
  }
}

TEST(OsUtilPaths, SameFolderIgnoresCaseAndNames) {
  EXPECT_TRUE(OsUtilIsSameFolder("/home/Ann/Pages/a.jpg", "/home/ann/pages/B.JPG"));
  EXPECT_FALSE(OsUtilIsSameFolder("/home/ann/pages/a.jpg", "/home/ann/a.jpg"));
  EXPECT_TRUE(OsUtilIsSameFolder("a.jpg", "A.JPG")) << "no folder: the whole names";
  EXPECT_FALSE(OsUtilIsSameFolder("a.jpg", "b.jpg"));
}

TEST(OsUtilPaths, CopyName256ClearsTheFieldAndRefusesLongNames) {
  char field[256];
  std::memset(field, 'x', sizeof field);
  OsUtilCopyName256("cover.jpg", field);
  EXPECT_STREQ(field, "cover.jpg");
  EXPECT_EQ(field[255], 0);
  OsUtilCopyName256(std::string(255, 'n'), field);
  EXPECT_EQ(field[254], 'n');
  EXPECT_EQ(field[255], 0);
  enginetest::ThrowingFatalScope fatal;
  enginetest::CleanFailureScope clean;
  EXPECT_THROW(OsUtilCopyName256(std::string(256, 'n'), field), enginetest::FatalExit);
}

class OsUtilColorOfKindTest : public objecttest::EngineObjectTest {};

TEST_F(OsUtilColorOfKindTest, FixedKindsFollowTheTableAndOthersThePreferences) {
  EXPECT_EQ(OsUtilColorOfKind(12), MakeRgb(255, 255, 255));
  EXPECT_EQ(OsUtilColorOfKind(4), MakeRgb(0, 0, 233));
  EXPECT_EQ(OsUtilColorOfKind(14), MakeRgb(255, 90, 90));
  EXPECT_EQ(OsUtilColorOfKind(19), MakeRgb(100, 100, 0));
  prefs_.colours[kColourDefault] = {1, 2, 3};
  prefs_.colours[kColourKind6] = {4, 5, 6};
  prefs_.colours[kColourKind7] = {7, 8, 9};
  EXPECT_EQ(OsUtilColorOfKind(1), MakeRgb(1, 2, 3));
  EXPECT_EQ(OsUtilColorOfKind(2), MakeRgb(1, 2, 3));
  EXPECT_EQ(OsUtilColorOfKind(6), MakeRgb(4, 5, 6));
  EXPECT_EQ(OsUtilColorOfKind(7), MakeRgb(7, 8, 9));
}

}  // namespace
