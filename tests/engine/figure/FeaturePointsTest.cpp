// Feature points: reading the feature-point list, walking and picking the
// points, placing the landmark joints on them and scaling the figure to
// their height.
#include <cmath>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/core/QFile.h"
#include "support/FakeQView.h"
#include "support/TempDir.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace feature_points_test {

using namespace engine;

class FeaturePointsTest : public StandardFigureFixture {
 protected:
  // Reads the text as a feature-point list into the (reset) figure.
  bool Read(const std::string& text, std::string* why = nullptr, bool reset = true) {
    const std::string path = dir_.Write("features.txt", text);
    QFile file(path, platform::File::Mode::kRead);
    if (reset) figure_->ResetFeatureSets();
    return figure_->ReadFeaturePoints(file, why);
  }
  std::vector<int> Codes() {
    std::vector<int> out;
    for (int i = 0; i < figure_->featureCount[0]; ++i) out.push_back(figure_->featureCodes[0][i]);
    return out;
  }
  testsupport::TempDir dir_;
};

TEST_F(FeaturePointsTest, ListsEndAtAnEmptyLineWithCarriageReturnsAndAtTheEndOtherwise) {
  struct Case {
    const char* what;
    const char* text;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {"CR LF, an empty line ends it", "4\r\n10\r\n20\r\n5\r\n-3\r\n7\r\n\r\n6\r\n1\r\n2\r\n", {4, 5}},
      {"CR LF to the end", "4\r\n10\r\n20\r\n5\r\n-3\r\n7\r\n", {4, 5}},
      {"LF, an empty line is skipped", "4\n10\n20\n\n5\n-3\n7\n\n6\n1\n2", {4, 5, 6}},
      {"blanks before the numbers", "  4\r\n\t10\r\n 20\r\n", {4}},
      {"an empty second line reads 0", "4\r\n\r\n20\r\n", {4}},
      {"nothing", "", {}},
  };
  for (const Case& c : cases) {
    std::string why;
    ASSERT_TRUE(Read(c.text, &why)) << c.what << ": " << why;
    EXPECT_EQ(Codes(), c.codes) << c.what;
  }
  // The values are kept as given, the third number first.
  ASSERT_TRUE(Read("4\r\n10\r\n20\r\n5\r\n-3\r\n7\r\n"));
  EXPECT_EQ(figure_->featureValues[0][0][0], 20);
  EXPECT_EQ(figure_->featureValues[0][0][1], 10);
  EXPECT_EQ(figure_->featureValues[0][1][0], 7);
  EXPECT_EQ(figure_->featureValues[0][1][1], -3);
  EXPECT_TRUE(figure_->HasFeatureCode(5));
  EXPECT_FALSE(figure_->HasFeatureCode(6));
  // A second list is added to the set.
  ASSERT_TRUE(Read("6\n0\n0\n", nullptr, false));
  EXPECT_EQ(Codes(), (std::vector<int>{4, 5, 6}));
}

TEST_F(FeaturePointsTest, ListsWithABadCodeOrTooManyPointsAreRefusedWhole) {
  struct Case {
    const char* what;
    std::string text;
    const char* named;  // in the reason
  };
  std::string full, over;
  for (int i = 0; i < 110; ++i) full += std::to_string(i) + "\n0\n0\n";
  over = full + "3\n0\n0\n";
  const Case cases[] = {
      {"code 110", "4\n1\n2\n110\n1\n2\n", "110"},
      {"a negative code", "4\r\n1\r\n2\r\n-1\r\n1\r\n2\r\n", "-1"},
      {"111 points", over, "110"},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(Read(c.text, &why)) << c.what;
    EXPECT_NE(why.find(c.named), std::string::npos) << c.what << ": " << why;
    EXPECT_EQ(figure_->featureCount[0], 0) << c.what;
  }
  EXPECT_TRUE(Read(full));
  EXPECT_EQ(figure_->featureCount[0], 110);
  // There is no room left for another point.
  EXPECT_FALSE(Read("5\n0\n0\n", nullptr, false));
  EXPECT_EQ(figure_->featureCount[0], 110);
}

TEST_F(FeaturePointsTest, WalkingAndPickingThePoints) {
  MBoneObj& f = *figure_;
  testsupport::FakeQView view;
  // Without points, stepping stays on point 0.
  f.ResetFeatureSets();
  f.NextFeaturePoint();
  EXPECT_EQ(f.GetCurrentFeatureIndex(), 0);
  EXPECT_TRUE(f.IsFeatureSetActive());
  SetFeaturePoints(f, {{4, {0, 0, 0}}, {5, {1, 0, 0}}, {6, {2, 0, 0}}});
  f.DrawFeaturePoints(&view);
  EXPECT_EQ(view.markers.size(), 0u);  // a walk has just begun
  f.NextFeaturePoint();
  view.markers.clear();
  f.DrawFeaturePoints(&view);
  EXPECT_EQ(view.markers.size(), 1u);
  for (int i = 0; i < 3; ++i) f.NextFeaturePoint();
  EXPECT_FALSE(f.IsFeatureSetActive());
  EXPECT_EQ(f.GetCurrentFeatureIndex(), 2);
  view.markers.clear();
  f.DrawFeaturePoints(&view);
  EXPECT_EQ(view.markers.size(), 3u);
  f.PickFeaturePoint({1.4, 0.3, 0});
  EXPECT_EQ(f.GetCurrentFeatureIndex(), 1);
  f.PickFeaturePoint({1.5, 0, 0});  // as near 1 as 2: the first stays
  EXPECT_EQ(f.GetCurrentFeatureIndex(), 1);
  int count = 0, current = -1;
  unsigned char active = 9;
  int* codes = nullptr;
  PointRecord* points = nullptr;
  f.GetFeatureSet(&count, &current, &active, &codes, nullptr, &points);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(codes[2], 6);
  points[2] = {7, 7, 7};  // the caller fills the points through the set
  EXPECT_EQ(f.GetFeaturePoint(6).x, 7);
}

TEST_F(FeaturePointsTest, JointsArePlacedOnTheirPointsInXAndY) {
  MBoneObj& f = *figure_;
  ASSERT_TRUE(f.FindLandmarks(false));
  PointRecord before[MBoneObj::kLandmarkCount], t[MBoneObj::kLandmarkCount];
  for (int i = 0; i < MBoneObj::kLandmarkCount; ++i) {
    before[i] = f.GetLandmark(i)->position;
    t[i] = {before[i].x * 1.2 + 0.05, before[i].y * 0.9 - 0.1, 0};  // where each joint should go
  }
  auto xy = [](double x, double y) { return PointRecord{x, y, 5}; };
  auto plus = [](const PointRecord& p, double dx, double dy) { return PointRecord{p.x + dx, p.y + dy, p.z}; };
  // Points from which the table's blends give the targets back.
  const double k = 0.75 - 0.25 * 0.02 / 0.98;
  const PointRecord p1{(t[0].x - 0.25 * t[1].x / 0.98) / k, (t[0].y - 0.25 * t[1].y / 0.98) / k, 0};
  const PointRecord p9{(t[1].x - 0.02 * p1.x) / 0.98, (t[1].y - 0.02 * p1.y) / 0.98, 0};
  const PointRecord p26 = Mul(Add(t[13], t[17]), 0.5);
  auto fromBlend = [&](const PointRecord& target) {  // 0.6 p + 0.4 p26 = target
    return PointRecord{(target.x - 0.4 * p26.x) / 0.6, (target.y - 0.4 * p26.y) / 0.6, 0};
  };
  // An ankle lies at 0.4 of the way from its foot's height to its
  // direction pair's: the pair's height that gives the target.
  auto ankleY = [&](int ankle, int foot) { return (t[ankle].y - 0.6 * t[foot].y) / 0.4; };
  SetFeaturePoints(f, {{1, p1}, {9, p9}, {10, t[5]}, {12, plus(t[6], 0, 0.02)}, {13, plus(t[6], 0, -0.02)},
                       {20, t[8]}, {21, t[8]}, {16, plus(t[7], 0.01, 0)}, {17, plus(t[7], -0.01, 0)}, {11, t[9]},
                       {81, t[10]},  // the pair 14, 15 is incomplete: its substitute
                       {14, plus(t[10], 1, 1)}, {22, t[12]}, {23, t[12]}, {18, t[11]}, {19, t[11]}, {35, t[16]},
                       {31, xy(t[15].x - 0.05, ankleY(15, 16))}, {32, xy(t[15].x + 0.05, ankleY(15, 16))},
                       {24, fromBlend(t[13])}, {26, p26}, {27, t[14]}, {28, t[14]}, {36, t[20]},
                       {87, xy(t[19].x, ankleY(19, 20))}, {25, fromBlend(t[17])}, {29, t[18]}, {30, t[18]}});
  std::string why;
  ASSERT_TRUE(f.PlaceJointsOnFeatures(&why)) << why;
  for (int i = 0; i < MBoneObj::kLandmarkCount; ++i) {
    const MVertex* joint = f.GetLandmark(i);
    EXPECT_EQ(joint->position.z, before[i].z) << i;  // the depth is never changed
    if (i >= 2 && i <= 4) continue;                  // placed from the others below
    const double x = (joint->flags & kVertexOnMirror) != 0 ? 0.0 : t[i].x;
    EXPECT_NEAR(joint->position.x, x, 1e-9) << i;
    EXPECT_NEAR(joint->position.y, t[i].y, 1e-9) << i;
  }
  // The chest between the hands' joints, the hips' joint between the hips,
  // the spine between those two.
  auto at = [&](int i) { return f.GetLandmark(i)->position; };
  EXPECT_NEAR(at(2).y, 0.5 * (at(8).y + at(12).y) - 0.05 * (at(8).x - at(12).x), 1e-9);
  EXPECT_NEAR(at(4).y, 0.5 * (at(13).y + at(17).y) + 0.6 * (at(13).x - at(17).x), 1e-9);
  EXPECT_NEAR(at(3).y, 0.4 * at(2).y + 0.6 * at(4).y, 1e-9);
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(at(i).x, 0.0) << i;  // on the mirror plane
}

TEST_F(FeaturePointsTest, PlacingRefusesWithAMissingCodeAndMovesNothing) {
  MBoneObj& f = *figure_;
  std::vector<std::pair<int, PointRecord>> all;
  for (int code : {1, 9, 10, 12, 13, 20, 21, 16, 17, 11, 14, 15, 22, 23, 18, 19, 35, 31, 32, 24, 26, 27, 28, 36, 33,
                   34, 25, 29, 30})
    all.push_back({code, {0.01 * code, 0.02 * code, 0}});
  struct Case {
    int left;     // the code taken out
    int named;    // the code the reason names
  };
  // A required code, and a pair whose substitute is missing too.
  for (const Case& c : {Case{35, 35}, Case{13, 80}, Case{33, 87}}) {
    f.ResetFeatureSets();
    for (const auto& [code, point] : all) {
      if (code == c.left) continue;
      const int n = f.featureCount[0]++;
      f.featureCodes[0][n] = code;
      f.featureCodeMap[0][code] = n;
      f.featurePoints[0][n] = point;
    }
    std::vector<PointRecord> joints;
    for (MVertex* v : f.GetVertexList()) joints.push_back(v->position);
    std::string why;
    EXPECT_FALSE(f.PlaceJointsOnFeatures(&why)) << c.left;
    EXPECT_NE(why.find(std::to_string(c.named)), std::string::npos) << why;
    int i = 0;
    for (MVertex* v : f.GetVertexList()) EXPECT_EQ(MUtilDistance(v->position, joints[i++]), 0.0);
  }
}

TEST_F(FeaturePointsTest, ScalingToTheFeatureHeightScalesTheGroupAndKeepsThePointsInPlace) {
  MBoneObj& f = *figure_;
  ASSERT_TRUE(f.FindLandmarks(false));
  const PointRecord top = f.GetLandmark(0)->position;
  const PointRecord feet = Mul(Add(f.GetLandmark(16)->position, f.GetLandmark(20)->position), 0.5);
  const double height = MUtilDistance(top, feet);
  // The same height: nothing changes.
  SetFeaturePoints(f, {{1, {1, height, 0}}, {35, {0.9, 0, 0}}, {36, {1.1, 0, 0}}, {4, {3, 4, 5}}});
  ASSERT_TRUE(f.ScaleToFeatureHeight(nullptr));
  MatrixRecord m, identity;
  group_->GetMatrix(m);
  MUtilIdentity(identity);
  EXPECT_TRUE(MUtilMatrixEqual(m, identity));
  EXPECT_NEAR(MUtilDistance(f.GetFeaturePoint(4), {3, 4, 5}), 0, 1e-12);
  // Twice the height: the group doubles, the points stay where they were
  // in the world.
  SetFeaturePoints(f, {{1, {1, 2 * height, 0}}, {35, {0.9, 0, 0}}, {36, {1.1, 0, 0}}, {4, {3, 4, 5}}});
  ASSERT_TRUE(f.ScaleToFeatureHeight(nullptr));
  group_->GetMatrix(m);
  EXPECT_NEAR(m.m[0][0], 2, 1e-12);
  EXPECT_NEAR(m.m[1][1], 2, 1e-12);
  PointRecord world;
  MatrixRecord figureWorld;
  f.GetWorldMatrixAndScale(figureWorld);
  MUtilTransformPoint(figureWorld, f.GetFeaturePoint(4), world);
  EXPECT_NEAR(MUtilDistance(world, {3, 4, 5}), 0, 1e-12);
  // Undo gives the group its matrix back.
  group_->SwapUndo();
  group_->GetMatrix(m);
  EXPECT_TRUE(MUtilMatrixEqual(m, identity));
  // A missing code is refused with its number.
  SetFeaturePoints(f, {{1, {1, 2, 0}}, {35, {0.9, 0, 0}}});
  std::string why;
  EXPECT_FALSE(f.ScaleToFeatureHeight(nullptr, &why));
  EXPECT_NE(why.find("36"), std::string::npos);
}

TEST_F(FeaturePointsTest, CodesCountOnlyWhenThePointCarriesThem) {
  MBoneObj fresh;  // never reset: its code map holds zeros
  fresh.featureCount[0] = 1;
  fresh.featureCodes[0][0] = 4;
  EXPECT_TRUE(fresh.HasFeatureCode(4));
  EXPECT_FALSE(fresh.HasFeatureCode(7));
  EXPECT_FALSE(fresh.HasFeatureCode(110));
  EXPECT_FALSE(fresh.HasFeatureCode(-1));
}

}  // namespace feature_points_test
}  // namespace figuretest
