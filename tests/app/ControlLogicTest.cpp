#include "app/ControlLogic.h"

#include <gtest/gtest.h>

namespace {

using app::PadAngles;
using platform::Bgra;
using platform::MakeRgb;
using platform::POINT;
using platform::RECT;

// ---- angle pad ----------------------------------------------------------

struct SnapCase {
  int h, v;
  bool snaps;
  int snappedH, snappedV;
};

TEST(SnapAngles, SnapsBothAnglesOnlyWhenEachIsWithinTenDegreesOfARightAngle) {
  const SnapCase cases[] = {
      {85, 3, true, 90, 0},       {45, 0, false, 45, 0},     {0, 45, false, 0, 45},
      {-85, -3, true, -90, 0},    {180, 0, true, 180, 0},    {-180, 90, true, -180, 90},
      {170, -80, true, 180, -90}, {10, -10, true, 0, 0},     {11, 0, false, 11, 0},
      {79, 0, false, 79, 0},      {80, 0, true, 90, 0},      {-100, 5, true, -90, 0},
      {-170, -89, true, -180, -90}, {95, 60, false, 95, 60}, {-11, 0, false, -11, 0},
  };
  for (const SnapCase& c : cases) {
    int h = c.h, v = c.v;
    EXPECT_EQ(app::SnapAngles(h, v), c.snaps) << c.h << "," << c.v;
    EXPECT_EQ(h, c.snappedH) << c.h << "," << c.v;
    EXPECT_EQ(v, c.snappedV) << c.h << "," << c.v;
  }
}

TEST(PadAngles, PointsMapAcrossTheWholeRangeAndBack) {
  // A 180 × 90 pad: two pixels per degree across, one down.
  struct Case {
    POINT point;
    PadAngles angles;
  };
  const Case cases[] = {
      {{0, 0}, {-180, -90}}, {{90, 45}, {0, 0}}, {{179, 89}, {178, 88}}, {{45, 0}, {-90, -90}}, {{135, 60}, {90, 30}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::PadAnglesAtPoint(c.point, 180, 90), c.angles) << c.point.x << "," << c.point.y;
    EXPECT_EQ(app::PadPointOfAngles(c.angles, 180, 90), c.point) << c.point.x << "," << c.point.y;
  }
  EXPECT_EQ(app::PadPointOfAngles(PadAngles{180, 90}, 180, 90), (POINT{180, 90}));
  EXPECT_EQ(app::PadAnglesAtPoint(POINT{5, 5}, 0, 90), PadAngles{});  // no pad to map onto
}

TEST(PadAngles, SnapPointsMarkTheFrontSideAndTopViews) {
  const auto points = app::PadSnapPoints(180, 90);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const PadAngles angles = app::PadAnglesAtPoint(points[i], 180, 90);
    // Every mark sits on a multiple of 90 degrees on both axes.
    EXPECT_EQ(angles.horizontal % 90, 0) << i;
    EXPECT_EQ(angles.vertical % 90, 0) << i;
  }
  EXPECT_EQ(points[0], (POINT{0, 0}));
  EXPECT_EQ(points[7], (POINT{90, 45}));
  EXPECT_EQ(points[14], (POINT{180, 90}));
}

// ---- slider -------------------------------------------------------------

TEST(SliderPress, IsHandledLeftOfTheChannelEndAndAboveTheThumbBottom) {
  const RECT channel{8, 10, 192, 14};
  const RECT thumb{50, 2, 62, 22};
  struct Case {
    POINT p;
    bool handled;
  };
  const Case cases[] = {
      {{100, 12}, true},   // on the channel
      {{8, 12}, true},     // its left end
      {{7, 12}, false},    // left of it
      {{100, 21}, true},   // low on the thumb's height
      {{100, 22}, false},  // below the thumb (the ticks)
      {{192, 12}, false},  // right end, beside the thumb's height
      {{192, 1}, true},    // right end but above the thumb's top
  };
  for (const Case& c : cases) EXPECT_EQ(app::SliderPressHandled(c.p, channel, thumb), c.handled) << c.p.x << "," << c.p.y;
}

TEST(SliderMapping, TicksOfTheLensSliderSitWhereTheirValuesMap) {
  // Channel 0..200 with a 20-pixel thumb: the usable part is 10..190.
  const RECT usable = app::SliderUsableChannel(RECT{0, 10, 200, 14}, 20);
  EXPECT_EQ(usable.left, 10);
  EXPECT_EQ(usable.right, 190);
  struct Case {
    int value, pixel;
  };
  // 10 + value × 180 / 170, truncated.
  const Case cases[] = {{0, 10}, {40, 52}, {89, 104}, {125, 142}, {170, 190}};
  for (const Case& c : cases) EXPECT_EQ(app::SliderPixelOfValue(c.value, 0, 170, usable), c.pixel) << c.value;
  EXPECT_EQ(app::SliderPixelOfValue(5, 5, 5, usable), 10);  // an empty range stays at the left end
}

TEST(SliderMapping, APressJumpsUnlessNearTheThumbAndStaysInTheRange) {
  const RECT usable{10, 10, 190, 14};  // 180 pixels for 0..170
  struct Case {
    int x, current;
    std::optional<int> jump;
  };
  const Case cases[] = {
      {100, 0, 85},                // (100 − 10) × 170 / 180
      {102, 85, std::nullopt},     // 85 sits at 100: within 3 pixels
      {97, 85, std::nullopt},
      {104, 85, 88},               // 4 pixels off: jumps (94 × 170 / 180 = 88.8)
      {52, 0, 39},                 // the tick of 40 jumps to 39: the mapping truncates
      {250, 0, 170},               // right of the channel: the maximum
      {0, 100, 0},                 // left of it: the minimum
      {190, 0, 170},
  };
  for (const Case& c : cases) EXPECT_EQ(app::SliderJumpValue(c.x, c.current, 0, 170, usable), c.jump) << c.x;
  // A range not starting at 0.
  EXPECT_EQ(app::SliderJumpValue(100, -50, -50, 50, RECT{0, 0, 200, 4}), 0);
}

TEST(SliderMapping, NoJumpWhenTheThumbLeavesNoChannel) {
  for (const RECT usable : {RECT{50, 0, 50, 4}, RECT{55, 0, 45, 4}})
    EXPECT_EQ(app::SliderJumpValue(10, 0, 0, 100, usable), std::nullopt) << usable.Width();
  EXPECT_EQ(app::SliderUsableChannel(RECT{0, 0, 16, 4}, 20).Width(), -4);
}

// ---- colour palette -----------------------------------------------------

TEST(ColorPalette, CommandsChooseCellsModesAndTheDialog) {
  using app::PaletteAction;
  struct Case {
    int id;
    PaletteAction action;
    platform::COLORREF color;
  };
  const Case cases[] = {
      {11100, PaletteAction::kSetColor, MakeRgb(0xFF, 0xFF, 0xFF)},
      {11101, PaletteAction::kSetColor, MakeRgb(0x42, 0x00, 0x00)},
      {11110, PaletteAction::kSetColor, MakeRgb(0x00, 0x00, 0x00)},
      {11134, PaletteAction::kSetColor, MakeRgb(0x00, 0x8C, 0x00)},
      {11171, PaletteAction::kSetColor, MakeRgb(0x31, 0x00, 0x63)},
      {11172, PaletteAction::kSetColor, MakeRgb(0x63, 0x00, 0x9C)},
      {11182, PaletteAction::kSetColor, MakeRgb(0x63, 0x00, 0x9C)},  // the same colour twice
      {11188, PaletteAction::kSetColor, MakeRgb(0xFF, 0xCE, 0xFF)},
      {11202, PaletteAction::kAskColor, 0},
      {11203, PaletteAction::kMode1, 0},
      {11204, PaletteAction::kMode2, 0},
      {11109, PaletteAction::kNone, 0},  // row 9: no cell
      {11200, PaletteAction::kNone, 0},
      {11201, PaletteAction::kNone, 0},
      {11220, PaletteAction::kNone, 0},
      {11099, PaletteAction::kNotPalette, 0},
      {11221, PaletteAction::kNotPalette, 0},
      {32796, PaletteAction::kNotPalette, 0},
  };
  for (const Case& c : cases) {
    const app::PaletteChoice choice = app::ChoosePaletteCommand(c.id);
    EXPECT_EQ(choice.action, c.action) << c.id;
    EXPECT_EQ(choice.color, c.color) << c.id;
  }
}

TEST(ColorPalette, LaysOutNineColumnsAndTheSpecialColumn) {
  const auto full = app::LayOutPalette(false);
  const auto shortOne = app::LayOutPalette(true);
  EXPECT_EQ(full.size(), 9u * (9 + 8) + 2 + 4);
  EXPECT_EQ(shortOne.size(), 9u * (9 + 8) + 2);
  for (const auto& item : shortOne) {
    EXPECT_NE(item.commandId, app::kPaletteMode1);
    EXPECT_NE(item.commandId, app::kPaletteMode2);
  }
  // Column 3, row 4: 14-pixel cells with 3-pixel spacers above rows 1 to 8.
  const auto* cell = app::PaletteItemAt(full, POINT{3 * 14 + 5, 4 * 17 + 5});
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->commandId, 11134);
  EXPECT_EQ(cell->rect, (RECT{42, 68, 56, 82}));
  const auto* spacer = app::PaletteItemAt(full, POINT{3 * 14 + 5, 4 * 17 + 15});
  ASSERT_NE(spacer, nullptr);
  EXPECT_EQ(spacer->commandId, app::kPaletteSpacer);
  EXPECT_FALSE(spacer->enabled);
  // The last column, 17 wide: the dialog item on top, then the two modes.
  struct Case {
    POINT p;
    int id;
  };
  for (const Case& c : {Case{{127, 1}, app::kPaletteOther}, Case{{140, 40}, app::kPaletteMode1},
                        Case{{140, 90}, app::kPaletteMode2}}) {
    const auto* item = app::PaletteItemAt(full, c.p);
    ASSERT_NE(item, nullptr) << c.id;
    EXPECT_EQ(item->commandId, c.id);
    EXPECT_TRUE(item->enabled);
  }
  EXPECT_EQ(app::PaletteItemAt(shortOne, POINT{140, 40}), nullptr);
  EXPECT_EQ(app::PaletteItemAt(full, POINT{9 * 14 + 17, 5}), nullptr);
}

TEST(ColorPalette, MarkIsBlackOnLightColours) {
  struct Case {
    int r, g, b;
    bool light;
  };
  const Case cases[] = {{89, 89, 199, false}, {90, 0, 0, true}, {0, 90, 0, true},
                        {0, 0, 200, true},    {0, 0, 0, false}, {255, 255, 255, true}};
  for (const Case& c : cases) EXPECT_EQ(app::IsLightColor(MakeRgb(c.r, c.g, c.b)), c.light) << c.r << "," << c.g << "," << c.b;
}

// ---- menu buttons -------------------------------------------------------

TEST(MenuPositions, CountSeparators) {
  const auto lineWidths = app::LineWidthMenu();
  struct Case {
    int id;
    std::optional<int> position;
  };
  const Case cases[] = {{32796, 1}, {32802, 7}, {32808, 13}, {32809, 14},
                        {33022, 16},  // after the separator at 15
                        {0, std::nullopt}, {12345, std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(app::MenuPositionOfCommand(lineWidths, c.id), c.position) << c.id;
  EXPECT_EQ(app::MenuTextAt(lineWidths, 1), "1pt");
  EXPECT_EQ(app::MenuTextAt(lineWidths, 13), "24 pt");
  EXPECT_EQ(app::MenuTextAt(lineWidths, 14), "その他...");
  EXPECT_EQ(app::MenuTextAt(lineWidths, 15), "");
  EXPECT_EQ(app::MenuTextAt(lineWidths, 16), "自動");
  EXPECT_EQ(app::MenuTextAt(lineWidths, 0), "");
  EXPECT_EQ(app::MenuTextAt(lineWidths, 17), "");

  // A line-style menu: two separators before the last three items.
  const std::vector<app::MenuEntry> styles = {{1, "等幅"}, {0, ""},     {2, "縦太"}, {3, "横太"},
                                              {4, "右太"}, {5, "左太"}, {6, "格子"}, {0, ""},
                                              {7, "点線"}, {8, "破線"}, {9, "鎖線"}};
  EXPECT_EQ(app::MenuPositionOfCommand(styles, 2), 3);
  EXPECT_EQ(app::MenuPositionOfCommand(styles, 7), 9);
  EXPECT_EQ(app::MenuPositionOfCommand(styles, 9), 11);
}

TEST(LineWidths, CommandsGiveTheirPoints) {
  const int widths[] = {1, 2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 20, 24};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(app::LineWidthOfCommand(32796 + i), widths[i]) << i;
  EXPECT_EQ(app::LineWidthOfCommand(33022), 0);
  EXPECT_EQ(app::LineWidthOfCommand(32809), std::nullopt);
  EXPECT_EQ(app::LineWidthOfCommand(32795), std::nullopt);
  EXPECT_EQ(app::LineWidthOfCommand(32810), std::nullopt);
}

// ---- picture buttons ----------------------------------------------------

TEST(ButtonFrames, StateChoosesTheFrame) {
  using app::ButtonLook;
  struct Case {
    ButtonLook look;
    int frame;
  };
  // checked, checkedShows, pressed, disabled, hovered, focused, focusLook
  const Case cases[] = {
      {{false, true, false, false, false, false, false}, app::kFrameNormal},
      {{false, true, false, false, true, false, false}, app::kFrameHover},
      {{false, true, true, false, true, false, false}, app::kFramePressed},
      {{false, true, false, true, true, false, false}, app::kFrameDisabled},
      {{false, true, false, false, false, true, true}, app::kFrameFocused},
      {{false, true, false, false, false, true, false}, app::kFrameNormal},  // no focus look
      {{true, true, false, false, false, false, false}, app::kFramePressed},
      {{true, true, false, true, false, false, false}, app::kFramePressed},  // checked wins over disabled
      {{true, true, false, false, true, false, false}, app::kFrameCheckedHover},
      {{true, false, false, false, true, false, false}, app::kFrameHover},   // checked does not show
      {{true, false, false, false, false, false, false}, app::kFrameNormal},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(app::ChooseButtonFrame(cases[i].look), cases[i].frame) << i;
}

TEST(DisabledPictures, GreyStaysWithinTheAlpha) {
  struct Case {
    Bgra in;
    std::uint8_t grey;
  };
  const Case cases[] = {
      {{100, 100, 100, 100}, 100},  // (r + g + b) / 2 would be 150: above the alpha
      {{255, 255, 255, 255}, 255},  // capped at 255
      {{30, 20, 10, 200}, 30},
      {{0, 0, 0, 0}, 0},
      {{0, 200, 200, 210}, 200},
      {{60, 60, 60, 255}, 90},
  };
  for (const Case& c : cases) {
    const Bgra out = app::DisabledPixel(c.in);
    EXPECT_EQ(out, (Bgra{c.grey, c.grey, c.grey, c.in.a})) << int(c.in.r) << "," << int(c.in.a);
  }

  platform::Image picture(3, 1, 32, true);
  picture.SetBgra(0, 0, Bgra{120, 0, 120, 120});
  picture.SetBgra(1, 0, Bgra{40, 80, 20, 90});
  picture.SetBgra(2, 0, Bgra{255, 0, 0, 255});
  app::GreyOutPicture(picture);
  EXPECT_EQ(picture.GetBgra(0, 0), (Bgra{120, 120, 120, 120}));
  EXPECT_EQ(picture.GetBgra(1, 0), (Bgra{70, 70, 70, 90}));
  EXPECT_EQ(picture.GetBgra(2, 0), (Bgra{127, 127, 127, 255}));
}

}  // namespace
