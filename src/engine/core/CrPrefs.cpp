#include "engine/core/CrPrefs.h"

#include <cstdint>

namespace engine {
namespace {

constexpr PrefColour kDefaultColours[kPrefColourCount] = {
    {255, 0, 0}, {0, 0, 0},       {0, 0, 255},    {73, 2, 84},     {89, 38, 38},   {0, 0, 0},
    {0, 0, 0},   {0, 255, 0},     {233, 255, 19}, {0, 255, 255},   {5, 220, 255},  {255, 0, 0},
};

bool OnScreen(const platform::RECT& screen, int x, int y) {
  return x >= screen.left && x < screen.right && y >= screen.top && y < screen.bottom;
}

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// A coordinate as a signed 16-bit value, 0 when that is negative.
int StoredCoordinate(int value) {
  const auto stored = static_cast<std::int16_t>(value);
  return stored < 0 ? 0 : stored;
}

}  // namespace

CrPrefs::CrPrefs() {
  ResetGroupD();
  ResetColors();
  ResetGroupK();
}

void CrPrefs::SaveWindowPos(const EngWindow& window, int& packedPosition, bool& visible) const {
  const platform::RECT rect = window.GetWindowRect();
  packedPosition = (StoredCoordinate(rect.left) << 16) | StoredCoordinate(rect.top);
  visible = window.IsVisible();
}

void CrPrefs::RestoreWindowPos(EngWindow& window, int packedPosition, bool show) const {
  const auto bits = static_cast<std::uint32_t>(packedPosition);
  int left = static_cast<std::int16_t>(bits >> 16);
  int top = static_cast<std::int16_t>(bits & 0xFFFF);
  const platform::RECT screen = window.GetScreenRect();
  if (!OnScreen(screen, left, top) || !OnScreen(screen, left + 30, top + 30)) {
    left = Clamp(left, screen.left + 30, screen.right - 30);
    top = Clamp(top, screen.top + 30, screen.bottom - 30);
    if (!OnScreen(screen, left, top) || !OnScreen(screen, left + 28, top + 28)) left = top = 200;
  }
  window.MoveTo(left, top);
  if (show) window.Show();
}

void CrPrefs::ResetColors() {
  for (int i = 0; i < kPrefColourCount; ++i) colours[i] = kDefaultColours[i];
  vertexDisplayMode = 2;
  lineDisplayMode = 1;
  drawStyleB = 1;
  mirrorPass = 0;
  drawStyleC = 2;
  sceneOptionC = 0;
  groupG = {};
}

void CrPrefs::UseHighlightColors() {
  for (int i = 0; i < 3; ++i) savedLineColours[i] = colours[kColourLine + i];
  savedVertexDisplayMode = vertexDisplayMode;
  for (int i = 0; i < 3; ++i) colours[kColourLine + i] = colours[kColourDimmed];
  vertexDisplayMode = 0;
}

void CrPrefs::RestoreColors() {
  for (int i = 0; i < 3; ++i) colours[kColourLine + i] = savedLineColours[i];
  vertexDisplayMode = savedVertexDisplayMode;
}

void CrPrefs::ResetGroupD() {
  textureLimitOn = 1;
  textureMaxWidth = 512;
  textureMaxHeight = 512;
  const int values[4] = {1, 1, 1, 2};
  for (int i = 0; i < 4; ++i) groupDValues[i] = values[i];
  sceneOptionA = 0;
  boxHandlesOff = 0;
  const int more[5] = {1, 0, 0, 0, 0};
  for (int i = 0; i < 5; ++i) groupDMore[i] = more[i];
  sceneOptionB = 0;
}

void CrPrefs::ResetGroupF() {
  viewMode = 0;
  const int values[7] = {450, 400, 400, 550, 0, 0, 0};
  for (int i = 0; i < 7; ++i) groupFValues[i] = values[i];
}

}  // namespace engine
