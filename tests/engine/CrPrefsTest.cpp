// The engine preferences: the defaults other parts read, the highlight
// colour swap, group resets and the window position.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/CrPrefs.h"

namespace {

using namespace engine;
using platform::RECT;

TEST(CrPrefsTest, SettingsReadAcrossTheEngineStartAtTheirDefaults) {
  const CrPrefs prefs;
  const std::vector<PrefColour> colours(prefs.colours, prefs.colours + kPrefColourCount);
  EXPECT_EQ(colours, (std::vector<PrefColour>{{255, 0, 0}, {0, 0, 0}, {0, 0, 255}, {73, 2, 84},
                                              {89, 38, 38}, {0, 0, 0}, {0, 0, 0}, {0, 255, 0},
                                              {233, 255, 19}, {0, 255, 255}, {5, 220, 255}, {255, 0, 0}}));
  EXPECT_EQ(std::vector<int>({prefs.vertexDisplayMode, prefs.lineDisplayMode, prefs.drawStyleB, prefs.mirrorPass,
                              prefs.drawStyleC, prefs.viewMode, prefs.textureLimitOn, prefs.textureMaxWidth,
                              prefs.textureMaxHeight, prefs.boxHandlesOff, prefs.namedTextures, prefs.trackFlag,
                              prefs.sceneMode, prefs.sceneOptionA, prefs.sceneOptionB, prefs.sceneOptionC}),
            std::vector<int>({2, 1, 1, 0, 2, 0, 1, 512, 512, 0, 0, 1, 1, 0, 0, 0}));
  EXPECT_EQ(std::vector<int>(prefs.viewFlags, prefs.viewFlags + 4), std::vector<int>({1, 1, 1, 1}));
  EXPECT_EQ(prefs.GetGroupC(), 20);
  EXPECT_EQ(prefs.GetGroupE(), 12);
  EXPECT_EQ(prefs.keyLetters, "vapnhirlcmzkdeytfgbowju");
}

TEST(CrPrefsTest, HighlightColoursAreRestoredAndASecondSwapLosesTheFirstColours) {
  CrPrefs prefs;
  prefs.colours[kColourLine] = {1, 2, 3};
  prefs.vertexDisplayMode = 5;
  const std::vector<PrefColour> before(prefs.colours, prefs.colours + kPrefColourCount);

  prefs.UseHighlightColors();
  for (int i = kColourLine; i <= kColourSpecialLine2; ++i) EXPECT_EQ(prefs.colours[i], (PrefColour{89, 38, 38}));
  EXPECT_EQ(prefs.vertexDisplayMode, 0);
  prefs.RestoreColors();
  EXPECT_EQ(std::vector<PrefColour>(prefs.colours, prefs.colours + kPrefColourCount), before);
  EXPECT_EQ(prefs.vertexDisplayMode, 5);

  prefs.UseHighlightColors();
  prefs.UseHighlightColors();
  prefs.RestoreColors();
  EXPECT_EQ(prefs.colours[kColourLine], (PrefColour{89, 38, 38}));
  EXPECT_EQ(prefs.vertexDisplayMode, 0);
}

TEST(CrPrefsTest, ResetsPutTheirGroupsBack) {
  CrPrefs prefs;
  prefs.textureMaxWidth = 64;
  prefs.boxHandlesOff = 1;
  prefs.sceneOptionA = prefs.sceneOptionB = 3;
  prefs.ResetGroupD();
  EXPECT_EQ(prefs.textureMaxWidth, 512);
  EXPECT_EQ(prefs.boxHandlesOff, 0);
  EXPECT_EQ(prefs.sceneOptionA + prefs.sceneOptionB, 0);

  prefs.viewMode = 2;
  prefs.ResetGroupF();
  EXPECT_EQ(prefs.viewMode, 0);

  prefs.mirrorPass = 1;
  prefs.SetGroupG(4);
  prefs.colours[kColourVertex] = {9, 9, 9};
  prefs.ResetColors();
  EXPECT_EQ(prefs.mirrorPass, 0);
  EXPECT_EQ(prefs.GetGroupG(), 1);
  EXPECT_EQ(prefs.colours[kColourVertex], (PrefColour{0, 0, 0}));

  PrefGroupO o;
  o.values[1] = -3.0;
  o.more[0] = 1;
  prefs.SetGroupO(o);
  PrefGroupO back;
  prefs.GetGroupO(back);
  EXPECT_EQ(back.values[1], -3.0);
  prefs.ResetGroupO();
  prefs.GetGroupO(back);
  EXPECT_EQ(back.values[1], 10.0);
  EXPECT_EQ(back.more[0], 8);

  // R1 to R4 each reach their own value: set all, then reset one at a time.
  auto r = [&prefs] {
    return std::array{prefs.GetGroupR1(), prefs.GetGroupR2(), prefs.GetGroupR3(), prefs.GetGroupR4()};
  };
  EXPECT_EQ(r(), (std::array{5, 50, 12, 20}));
  prefs.SetGroupR1(91);
  prefs.SetGroupR2(92);
  prefs.SetGroupR3(93);
  prefs.SetGroupR4(94);
  EXPECT_EQ(r(), (std::array{91, 92, 93, 94}));
  prefs.ResetGroupR3();
  EXPECT_EQ(r(), (std::array{91, 92, 12, 94}));
  prefs.ResetGroupR1();
  EXPECT_EQ(r(), (std::array{5, 92, 12, 94}));
  prefs.ResetGroupR4();
  prefs.ResetGroupR2();
  EXPECT_EQ(r(), (std::array{5, 50, 12, 20}));
}

class FakeWindow : public EngWindow {
 public:
  RECT GetWindowRect() const override { return rect; }
  bool IsVisible() const override { return visible; }
  RECT GetScreenRect() const override { return screen; }
  void MoveTo(int left, int top) override {
    rect = {left, top, left + rect.Width(), top + rect.Height()};
    ++moves;
  }
  void Show() override { visible = true; }
  RECT rect{0, 0, 300, 200};
  RECT screen{0, 0, 1920, 1080};
  bool visible = false;
  int moves = 0;
};

TEST(CrPrefsTest, SavedWindowPositionKeepsNonNegative16BitCoordinates) {
  struct Case {
    int left, top;
    int packed;
  };
  for (const Case& c : {Case{100, 50, (100 << 16) | 50}, Case{-20, 7, 7}, Case{40000, 3, 3},
                        Case{5, -1, 5 << 16}}) {
    FakeWindow window;
    window.rect = {c.left, c.top, c.left + 10, c.top + 10};
    window.visible = true;
    int packed = -1;
    bool visible = false;
    CrPrefs().SaveWindowPos(window, packed, visible);
    EXPECT_EQ(packed, c.packed) << c.left << "," << c.top;
    EXPECT_TRUE(visible);
  }
}

TEST(CrPrefsTest, RestoredWindowStaysReachableOnTheScreen) {
  struct Case {
    const char* what;
    RECT screen;
    int left, top;
    int expectedLeft, expectedTop;
  };
  const Case cases[] = {
      {"on the screen", {0, 0, 1920, 1080}, 100, 50, 100, 50},
      {"near the right edge: pulled 30 pixels in", {0, 0, 1920, 1080}, 1900, 50, 1890, 50},
      {"above and left of the screen", {0, 0, 1920, 1080}, -100, -300, 30, 30},
      {"a screen with an offset", {1920, 0, 3840, 1080}, 100, 100, 1950, 100},
      {"a screen too small to hold the corner", {0, 0, 20, 20}, 5, 5, 200, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeWindow window;
    window.screen = c.screen;
    const int packed = (static_cast<int>(static_cast<std::uint16_t>(c.left)) << 16) |
                       static_cast<std::uint16_t>(c.top);
    CrPrefs().RestoreWindowPos(window, packed, true);
    EXPECT_EQ(window.rect.left, c.expectedLeft);
    EXPECT_EQ(window.rect.top, c.expectedTop);
    EXPECT_EQ(window.rect.Width(), 300);
    EXPECT_TRUE(window.visible);
  }
  FakeWindow hidden;
  CrPrefs().RestoreWindowPos(hidden, (10 << 16) | 10, false);
  EXPECT_FALSE(hidden.visible);
  EXPECT_EQ(hidden.moves, 1);
}

}  // namespace
