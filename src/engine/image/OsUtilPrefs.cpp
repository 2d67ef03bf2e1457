// The image utilities' answers that come from the engine preferences.
#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/image/OsUtilDraw.h"
#include "engine/image/OsUtilImage.h"

namespace engine {

TextureSizeLimit EngTextureSizeLimit() {
  const CrPrefs* prefs = EngContext().prefs;
  if (prefs == nullptr) return {};
  return {prefs->textureLimitOn != 0, prefs->textureMaxWidth, prefs->textureMaxHeight};
}

platform::COLORREF OsUtilColorOfKind(int kind) {
  using platform::MakeRgb;
  auto fromTable = [](int entry) {
    const CrPrefs* prefs = EngContext().prefs;
    if (prefs == nullptr) return MakeRgb(0, 0, 0);
    const PrefColour& c = prefs->colours[entry];
    return MakeRgb(c.r, c.g, c.b);
  };
  switch (kind) {
    case 1:
    case 2: return fromTable(kColourDefault);
    case 6: return fromTable(kColourKind6);
    case 7: return fromTable(kColourKind7);
    case 3: return MakeRgb(0, 0, 0);
    case 4: return MakeRgb(0, 0, 233);
    case 5: return MakeRgb(233, 0, 0);
    case 8: return MakeRgb(233, 40, 40);
    case 9: return MakeRgb(40, 233, 40);
    case 10: return MakeRgb(40, 40, 233);
    case 11: return MakeRgb(40, 40, 40);
    case 12: return MakeRgb(255, 255, 255);
    case 13: return MakeRgb(150, 150, 0);
    case 14: return MakeRgb(255, 90, 90);
    case 15: return MakeRgb(90, 255, 90);
    case 16: return MakeRgb(200, 200, 40);
    case 17: return MakeRgb(150, 0, 0);
    case 18: return MakeRgb(0, 150, 0);
    case 19: return MakeRgb(100, 100, 0);
    default: return MakeRgb(0, 0, 0);
  }
}

}  // namespace engine
