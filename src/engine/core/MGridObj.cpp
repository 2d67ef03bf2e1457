#include "engine/core/MGridObj.h"

namespace engine {

MGridObj::MGridObj() {
  typeCode = kObjectGrid;
  editState = kEditUnchanged;
}

void MGridObj::SetMirrorShown(unsigned char shown) { mirrorShown = shown; }

void MGridObj::GetGridParams(int& kind, double& size, int& divisionCount, PointRecord& colour,
                             PointRecord& axisColourOut, int& subdivisionCount) {
  kind = gridKind;
  size = gridBounds.maxX - gridBounds.minX;
  divisionCount = divisions;
  colour = gridColour;
  axisColourOut = axisColour;
  subdivisionCount = subdivisions;
}

void MGridObj::GetLocalBounds(BoundsRecord& out) {
  out = gridBounds;
  out.empty = 0;
}

bool MGridObj::IsSymmetric() { return mirrorShown != 0; }

void MGridObj::Select(bool) {}

bool MGridObj::IsSelected() { return false; }

}  // namespace engine
