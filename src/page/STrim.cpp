#include "page/STrim.h"

#include <cmath>
#include <new>

#include "imaging/PixelOps.h"
#include "page/PnFile.h"
#include "page/PropVal.h"

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

int STrim::MakeMask(const platform::Image& drawn, platform::POINT offset, const PropSCVal& placement, double scale,
                    const STrim* outer) {
  if (mask.Width() != drawn.Width() || mask.Height() != drawn.Height() || mask.Bpp() != 8) {
    if (!mask.Create(drawn.Width(), drawn.Height(), 8)) return -1;
  }
  imaging::PnUtilCopyImageBits(drawn, mask);
  maskOriginX = std::floor(placement.x * scale) - offset.x;
  maskOriginY = std::floor(placement.y * scale) - offset.y;
  if (outer != nullptr && !outer->mask.IsNull()) {
    const platform::SIZE size{mask.Width(), mask.Height()};
    const platform::SIZE outerSize{outer->mask.Width(), outer->mask.Height()};
    imaging::PnUtilApplyMask(mask, {static_cast<int>(maskOriginX), static_cast<int>(maskOriginY)}, size, outer->mask,
                             {static_cast<int>(outer->maskOriginX), static_cast<int>(outer->maskOriginY)}, outerSize);
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
