#pragma once
// The panel-frame state of a page object. A panel frame clips the objects
// inside it: when drawn it keeps its filled outline as an 8-bit mask, and its
// members are drawn and hit only where the mask is not 0.
#include "page/SPoint.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace page {

class PnFile;
class PropSCVal;

class STrim {
 public:
  STrim() = default;
  STrim(const STrim&) = default;
  STrim& operator=(const STrim&) = default;
  virtual ~STrim() = default;

  bool isFrame = false;
  platform::Image mask;      // 8 bits; the frame's filled outline as last drawn
  double maskOriginX = 0.0;  // the mask's top-left pixel in the page's render pixels
  double maskOriginY = 0.0;

  // One int32: 1 for a frame, 0 otherwise; any non-zero reads as a frame.
  void Write(PnFile& file) const;
  void Read(PnFile& file);
  // Copies the frame flag, the origin and the mask; -1 when the mask cannot
  // be made.
  int CopyTo(STrim& other) const;
  // Keeps the alpha of the frame as just drawn (a premultiplied 32-bit
  // picture whose top-left pixel lies `offset` pixels up and left of the
  // frame's centre, at `scale` render pixels per page pixel) as the mask.
  // Inside another frame the mask is cut by that frame's mask. -1 when the
  // mask cannot be made.
  int MakeMask(const platform::Image& drawn, platform::POINT offset, const PropSCVal& placement, double scale,
               const STrim* outer);
  // True when there is no mask, or when the page point at the zoom falls on a
  // mask pixel that is not 0 (outside the mask image: false).
  bool MaskAllowsPoint(SPoint point, double zoom) const;
};

}  // namespace page
