#include "page/STrim.h"

#include <cmath>
#include <new>

#include "page/PnFile.h"

namespace page {

void STrim::Write(PnFile& file) const { file.WriteInt(isFrame ? 1 : 0); }

void STrim::Read(PnFile& file) { isFrame = file.ReadInt() != 0; }

int STrim::CopyTo(STrim& other) const {
  other.isFrame = isFrame;
  other.maskOriginX = maskOriginX;
  other.maskOriginY = maskOriginY;
  try {
    other.mask = mask;
  } catch (const std::bad_alloc&) {
    other.mask.Destroy();
    return -1;
  }
  return 0;
}

bool STrim::MaskAllowsPoint(SPoint point, double zoom) const {
  if (mask.IsNull()) return true;
  const double px = std::floor(point.x * zoom - maskOriginX);
  const double py = std::floor(point.y * zoom - maskOriginY);
  if (!(px >= 0.0 && py >= 0.0 && px < mask.Width() && py < mask.Height())) return false;
  return mask.GetIndex(static_cast<int>(px), static_cast<int>(py)) != 0;
}

}  // namespace page
