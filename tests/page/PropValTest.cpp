#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PageTestSupport.h"
#include "page/PnFile.h"
#include "page/PropVal.h"
#include "page/SFigRect.h"
#include "page/SGridInfo.h"
#include "page/SObj.h"
#include "support/TempDir.h"

namespace {

using page::PnFile;
using page::Prop2DVal;
using page::Prop3DVal;
using page::PropLTVal;
using page::PropSCVal;
using pagetest::Bytes;
using pagetest::LeBytes;

class PropValTest : public ::testing::Test {
 protected:
  template <typename Value>
  Bytes Written(const Value& value) {
    const std::string path = dir_.File("value.bin");
    PnFile out(path, PnFile::Mode::kCreateWrite);
    value.Write(out);
    out.Close();
    return testsupport::TempDir::ReadAll(path);
  }
  // Reads the value from the bytes and answers how many bytes were left.
  template <typename Value>
  std::int64_t ReadInto(Value& value, const Bytes& bytes) {
    PnFile in(dir_.Write("value.bin", bytes), PnFile::Mode::kRead);
    value.Read(in);
    return in.BytesLeft();
  }

  testsupport::TempDir dir_;
};

Prop2DVal Some2D() {
  Prop2DVal v;
  v.lineColorMode = 2, v.lineWidth = 7, v.lineStyle = 9, v.lineColor = 0x123456, v.arrow = 4, v.pathFlags = 5;
  v.fillColorMode = 1, v.fillColor = 0xABCDEF, v.opacity = 55, v.effectColorMode = 0, v.effectColor = 0x010203;
  v.effectX = -3, v.effectY = 9, v.effectBlur = -2, v.edgeBlur = 11, v.wholeBlur = 12, v.grayscale = true;
  v.brightness = -40, v.effectReserved = 77, v.edgeQuality = 3, v.effectSwitch = true;
  return v;
}

// ---- records ---------------------------------------------------------------

TEST_F(PropValTest, RecordsHaveTheirStoredLayout) {
  const Bytes twoD = LeBytes()
                         .Int(2).Int(7).Int(9).Int(0x123456).Int(4).Int(5).Int(1).Int(0xABCDEF).Int(55).Int(0)
                         .Int(0x010203).Int(-3).Int(9).Int(-2).Int(11).Int(12)
                         .Byte(1).Int(-40).Int(77).Int(3).Byte(0).Byte(0).Byte(0).Int(1).Byte(1)
                         .Get();
  EXPECT_EQ(twoD.size(), 85u);
  EXPECT_EQ(Written(Some2D()), twoD);

  Prop3DVal camera;
  camera.verticalAngle = 10, camera.horizontalAngle = -20, camera.lens = 0, camera.reserved = 81, camera.distance = 3;
  camera.targetX = 1.5, camera.targetY = -2.25, camera.targetZ = 8;
  const Bytes threeD = LeBytes().Int(10).Int(-20).Int(0).Int(32).Int(81).Int(3).Double(1.5).Double(-2.25).Double(8).Get();
  EXPECT_EQ(threeD.size(), 48u);
  EXPECT_EQ(Written(camera), threeD);

  PropLTVal light;
  light.lightVertical = 30, light.lightHorizontal = -60, light.brightness = 12, light.contrast = 90, light.shading = 4;
  EXPECT_EQ(Written(light), LeBytes().Int(30).Int(-60).Int(12).Int(90).Int(4).Int(0).Get());

  PropSCVal place;
  place.x = 10.5, place.y = -3, place.width = 200, place.height = 0.25, place.angle = 1.25, place.margin = 9;
  const Bytes sc = LeBytes().Double(10.5).Double(-3).Double(200).Double(0.25).Double(1.25).Double(9).Int(0).Get();
  EXPECT_EQ(sc.size(), 52u);
  EXPECT_EQ(Written(place), sc);
}

TEST_F(PropValTest, RecordsReadBackEqual) {
  Prop2DVal back;
  EXPECT_EQ(ReadInto(back, Written(Some2D())), 0);
  Prop2DVal all = Some2D();
  all.mask = -1;
  EXPECT_TRUE(back.EqualMasked(all));
  EXPECT_EQ(back.effectSwitch, true);
}

TEST_F(PropValTest, CameraTailReadsOnlyWhatItHoldsAndSkipsTheRest) {
  struct Case {
    int tail;
    int reserved, distance;
    double targetX;
    int level;
  };
  // Before reading: reserved -5, distance -6, target -7, level -8.
  const std::vector<Case> cases = {
      {0, -5, -6, -7, -8},  // nothing stored
      {3, -5, -6, -7, -8},  // too short for the reserved value
      {4, 81, -6, -7, -8},
      {8, 81, 3, -7, 100},   // distance without target
      {20, 81, 3, -7, 100},  // not the whole target
      {32, 81, 3, 1.5, 110},
      {44, 81, 3, 1.5, 110},  // a later version's extra bytes
  };
  for (const Case& c : cases) {
    LeBytes bytes;
    bytes.Int(1).Int(2).Int(3).Int(c.tail);
    LeBytes tail;
    tail.Int(81).Int(3).Double(1.5).Double(2.5).Double(3.5);
    while (tail.Size() < static_cast<std::size_t>(c.tail)) tail.Byte(0xEE);
    bytes.Append(Bytes(tail.Get().begin(), tail.Get().begin() + c.tail)).Int(0x5A5A5A5A);
    Prop3DVal v;
    v.reserved = -5, v.distance = -6, v.targetX = -7, v.level = -8;
    PnFile in(dir_.Write("tail.bin", bytes.Get()), PnFile::Mode::kRead);
    v.Read(in);
    EXPECT_EQ(in.ReadInt(), 0x5A5A5A5A) << "tail " << c.tail << " left the stream elsewhere";
    EXPECT_EQ(v.reserved, c.reserved) << c.tail;
    EXPECT_EQ(v.distance, c.distance) << c.tail;
    EXPECT_EQ(v.targetX, c.targetX) << c.tail;
    EXPECT_EQ(v.level, c.level) << c.tail;
  }
}

TEST_F(PropValTest, TwoDTailGivesTheEffectSwitchAndSkipsTheRest) {
  const Bytes head = LeBytes().Int(0).Int(0).Int(1).Int(0).Int(1).Int(0).Int(0).Int(0xFFFFFF).Int(100).Int(1)
                         .Int(0xC8C8C8).Int(5).Int(5).Int(0).Int(0).Int(0).Byte(0).Int(0).Int(0).Int(2)
                         .Byte(9).Byte(9).Byte(9)
                         .Get();
  struct Case {
    Bytes tail;
    bool effectSwitch;
  };
  const std::vector<Case> cases = {
      {LeBytes().Int(0).Get(), false},
      {LeBytes().Int(1).Byte(1).Get(), true},
      {LeBytes().Int(4).Byte(1).Byte(7).Byte(7).Byte(7).Get(), true},
  };
  for (const Case& c : cases) {
    Prop2DVal v;
    EXPECT_EQ(ReadInto(v, LeBytes().Append(head).Append(c.tail).Get()), 0);
    EXPECT_EQ(v.effectSwitch, c.effectSwitch);
  }
}

TEST_F(PropValTest, GridBlockOfALaterVersionIsReadAndTheRestSkipped) {
  const Bytes head = LeBytes().Int(16).Int(2).Int(0x112233).Int(0x445566).Byte(0).Byte(1).Byte(1).Get();
  page::SGridInfo longer;
  EXPECT_EQ(ReadInto(longer, LeBytes().Append(head).Int(20).Int(0xFF).Int(7).Int(2).Int(-1).Int(-1).Get()), 0);
  EXPECT_EQ(longer.extra1, 0xFFu);
  EXPECT_EQ(longer.extra2, 7);
  EXPECT_EQ(longer.extra3, 2);
  EXPECT_EQ(longer.spacing, 16);
  EXPECT_FALSE(longer.flag1);
  EXPECT_TRUE(longer.snapToGrid);

  // A block too short for the three values keeps them and is skipped whole.
  page::SGridInfo shorter;
  EXPECT_EQ(ReadInto(shorter, LeBytes().Append(head).Int(8).Int(0xFF).Int(7).Get()), 0);
  EXPECT_EQ(shorter.extra1, 0u);
  EXPECT_EQ(shorter.extra3, 1);
}

TEST_F(PropValTest, GridValuesOutsideWhatDrawingTakesAreBroughtIn) {
  page::SGridInfo grid;
  ReadInto(grid, LeBytes().Int(0).Int(-3).Int(0).Int(0).Byte(0).Byte(0).Byte(0).Int(0).Get());
  EXPECT_EQ(grid.spacing, 1);
  EXPECT_EQ(grid.divisions, 1);
  grid.spacing = 3, grid.divisions = 4;  // more steps than pixels
  EXPECT_EQ(grid.SnapStep(), 1);
  // The border's width in points: 0 to 100.
  const Bytes head = LeBytes().Int(20).Int(4).Int(0).Int(0).Byte(0).Byte(0).Byte(0).Int(12).Int(0xFF).Get();
  for (const auto& [stored, kept] : std::vector<std::pair<int, int>>{{0x7FFFFFFF, 100}, {-5, 0}, {100, 100}, {37, 37}}) {
    ReadInto(grid, LeBytes().Append(head).Int(stored).Int(1).Get());
    EXPECT_EQ(grid.extra2, kept) << stored;
  }
}

TEST(PropVal, SupersamplingStaysWithinWhatDrawingCanReduce) {
  struct Case {
    int stored, used;
  };
  for (const Case c : {Case{-3, 1}, Case{0, 1}, Case{2, 2}, Case{4, 4}, Case{9, 4}}) {
    Prop2DVal v;
    v.edgeQuality = c.stored;
    EXPECT_EQ(v.SupersamplingFactor(), c.used) << c.stored;
  }
}

// ---- masks ------------------------------------------------------------------

TEST(PropVal, MaskedCopyMovesOnlyTheMarkedFields) {
  Prop2DVal from = Some2D();
  from.mask = Prop2DVal::kLineWidth | Prop2DVal::kEffects;
  Prop2DVal to;
  from.CopyMaskedTo(to, true);
  EXPECT_EQ(to.lineWidth, 7);
  EXPECT_EQ(to.effectBlur, -2);
  EXPECT_EQ(to.effectSwitch, true);
  EXPECT_EQ(to.lineColor, 0u);  // not marked
  EXPECT_EQ(to.arrow, Prop2DVal::kArrowNone);
  EXPECT_EQ(to.mask, from.mask);

  from.CopyMaskedTo(to, false);
  EXPECT_EQ(to.arrow, 4);
  EXPECT_EQ(to.mask, -1);
}

TEST(PropVal, CopyIntoAnotherClassIsABrokenInvariant) {
  pagetest::FatalThrows fatalThrows;
  Prop2DVal twoD;
  PropLTVal light;
  EXPECT_THROW(twoD.CopyMaskedTo(light, true), pagetest::FatalThrows::Fatal);
  EXPECT_THROW(light.EqualMasked(twoD), pagetest::FatalThrows::Fatal);
}

TEST(PropVal, TakeThenMaskedApplyChangesNothing) {
  page::SObj object;
  object.SetFig(std::make_unique<page::SFigRect>(), true);
  object.placement.width = 40;
  object.ApplyProp2D(Some2D(), false);  // the margin now fits the values
  const std::string before = pagetest::DumpObject(object);
  page::PropGroup values;
  values.TakeFromObject(object);
  EXPECT_EQ(values.v2D.mask, 0);
  values.v2D.lineWidth = 99;  // changed, but not marked
  values.ApplyToObject(object, true);
  EXPECT_EQ(pagetest::DumpObject(object), before);
}

TEST(PropVal, ApplyingAPlacementKeepsTheSizeAboveTheMargin) {
  page::SObj object;
  PropSCVal place;
  place.width = 3, place.height = 50, place.margin = 10;
  place.ApplyToObject(object, false);
  EXPECT_EQ(object.placement.width, 11);
  EXPECT_EQ(object.placement.height, 50);
}

// ---- style presets -----------------------------------------------------------

TEST(PropVal, StylePresetsOfTheTwoDValues) {
  struct Case {
    int preset;
    int lineMode, fillMode, lineWidth, effectMode, effectX, effectBlur;
    platform::COLORREF fill;
  };
  const platform::COLORREF colour = 0x3366CC;
  const std::vector<Case> cases = {
      {0, 2, 2, 0, 1, 5, 0, 0xFFFFFF},
      {1, 1, 2, 0, 0, 3, -1, 0xFFFFFF},  // outline 3 wide whatever the line was
      {4, 1, 0, 0, 1, 5, 0, colour},
      {6, 0, 0, 1, 1, 5, 0, colour},
      {13, 2, 2, 0, 0, 5, 4, 0xFFFFFF},
      {16, 0, 0, 0, 0, 7, 5, 0xFFFF},
      {18, 2, 2, 4, 1, 5, 0, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    Prop2DVal v = Some2D();
    v.ApplyStylePreset(c.preset, colour);
    EXPECT_EQ(v.lineColorMode, c.lineMode) << c.preset;
    EXPECT_EQ(v.fillColorMode, c.fillMode) << c.preset;
    EXPECT_EQ(v.lineWidth, c.lineWidth) << c.preset;
    EXPECT_EQ(v.effectColorMode, c.effectMode) << c.preset;
    EXPECT_EQ(v.effectX, c.effectX) << c.preset;
    EXPECT_EQ(v.effectY, c.effectX) << c.preset;
    EXPECT_EQ(v.effectBlur, c.effectBlur) << c.preset;
    EXPECT_EQ(v.fillColor, c.fill) << c.preset;
    EXPECT_EQ(v.arrow, 4) << "presets keep the arrow";
    EXPECT_EQ(v.pathFlags, 5) << "presets keep the path flags";
    EXPECT_EQ(v.mask, 0x1FF) << c.preset;
  }
  Prop2DVal outside = Some2D();
  outside.ApplyStylePreset(19, colour);
  EXPECT_EQ(outside.mask, 0);
}

TEST(PropVal, IsStylePresetIgnoresLineAndFillColours) {
  Prop2DVal v;
  v.ApplyStylePreset(4, 0x00FF00);
  EXPECT_TRUE(v.IsStylePreset(4, 0x0000FF));
  v.fillColor = 0x123123;
  EXPECT_TRUE(v.IsStylePreset(4, 0));
  Prop2DVal shadow;
  shadow.ApplyStylePreset(13, 0x00FF00);
  EXPECT_FALSE(shadow.IsStylePreset(13, 0x0000FF)) << "the effect colour decides";
  EXPECT_FALSE(shadow.IsStylePreset(14, 0x00FF00));
}

TEST(PropVal, StylePresetsOfTheLight) {
  struct Case {
    int preset;
    int brightness, contrast, shading, mask;
  };
  const std::vector<Case> cases = {
      {2, 35, 50, 1, 0xE}, {3, 35, 35, 4, 0xE}, {11, 10, 100, 2, 0xE},
      {16, 35, 12, 2, 0xE}, {0, 35, 35, 2, 0xE}, {5, 35, 35, 2, 0},
  };
  for (const Case& c : cases) {
    PropLTVal v;
    v.lightVertical = 45, v.brightness = 80, v.contrast = 1, v.shading = 3;
    v.ApplyStylePreset(c.preset, 0);
    EXPECT_EQ(v.brightness, c.brightness) << c.preset;
    EXPECT_EQ(v.contrast, c.contrast) << c.preset;
    EXPECT_EQ(v.shading, c.shading) << c.preset;
    EXPECT_EQ(v.mask, c.mask) << c.preset;
    EXPECT_EQ(v.lightVertical, 45) << "the light direction stays";
    EXPECT_TRUE(v.IsStylePreset(c.preset, 0)) << c.preset;
  }
  PropLTVal flat;
  flat.ApplyStylePreset(3, 0);
  EXPECT_FALSE(flat.IsStylePreset(2, 0));
}

}  // namespace
