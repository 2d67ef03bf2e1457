#pragma once
// A grey floor square on y = 0, lit straight from above, for the tests that
// render shadows onto it. Leaves the shaded render state with lighting on.
#include "engine/render/GlLayer.h"

namespace enginetest {

inline void DrawLitFloor(float halfSize) {
  using namespace engine;
  GlClearColor(0, 0, 0);
  GlClear();
  GlSetRenderState(0);
  GlSetShadeModel(1);
  const float down[4] = {0, 1, 0, 0}, white[4] = {1, 1, 1, 1}, none[4] = {0, 0, 0, 1};
  const float grey[4] = {0.6f, 0.6f, 0.6f, 1};
  GlSetLight(0, none, white, none, down, nullptr);
  GlSetLight(1, none, none, none, down, nullptr);
  GlSetMaterial(2, none, grey, none, 0, none);
  const GlVec3 up{0, 1, 0};
  const float h = halfSize;
  const GlCorner floor[4] = {{{-h, 0, -h}, up, {}}, {{-h, 0, h}, up, {}}, {{h, 0, h}, up, {}}, {{h, 0, -h}, up, {}}};
  GlBeginQuads();
  GlQuadTexturedCorners(floor);
  GlEnd();
}

}  // namespace enginetest
