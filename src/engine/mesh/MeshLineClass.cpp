// Line colour kinds of body meshes and the drawing class of a line at the
// quick-draw levels that show them.
#include "engine/mesh/MLine.h"
#include "engine/mesh/MeshDrawing.h"

namespace engine {
namespace {

// -1 low, 1 high, 0 neither (exactly one half).
int Level(unsigned char byte) {
  const double value = byte * 0.0039;
  return value > 0.5 ? 1 : (value < 0.5 ? -1 : 0);
}

// Whether the line's colour is of the marker colour kind (1 red, 3 blue,
// 4 magenta, 6 cyan, 7 green, 8 yellow). The figures' body code has its own
// test of the same kinds; this one serves the line classes alone.
bool HasColourKind(const MLine* line, int kind) {
  static constexpr struct {
    int kind, r, g, b;
  } kKinds[] = {{1, 1, -1, -1}, {3, -1, -1, 1}, {4, 1, -1, 1}, {6, -1, 1, 1}, {7, -1, 1, -1}, {8, 1, 1, -1}};
  const int r = Level(line->colourR), g = Level(line->colourG), b = Level(line->colourB);
  for (const auto& k : kKinds)
    if (k.kind == kind) return r == k.r && g == k.g && b == k.b;
  return false;
}

}  // namespace

int BoneFeatLineClass(const MLine* line, int mode) {
  const bool grouped = line->group != nullptr;
  const bool bothFaces = line->forwardFace != nullptr && line->backwardFace != nullptr;
  if (mode == 4) {
    if (HasColourKind(line, 1)) {
      if (!grouped) return 3;
      return bothFaces ? 0 : 1;
    }
    if (HasColourKind(line, 3)) return 5;
    if (HasColourKind(line, 4)) return grouped ? 1 : 4;
    if (HasColourKind(line, 6)) return 1;
    if (HasColourKind(line, 7)) return grouped ? 1 : 4;
    if (HasColourKind(line, 8)) return 1;
    return 2;
  }
  if (mode == 5) {
    if (HasColourKind(line, 1)) {
      if (!grouped) return 1;
      return bothFaces ? 0 : 1;
    }
    return (HasColourKind(line, 6) || HasColourKind(line, 8)) ? 2 : 1;
  }
  return 1;
}

}  // namespace engine
