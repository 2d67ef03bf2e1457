#include "app/PageViewMaths.h"

#include <algorithm>

#include "page/STrackPose.h"
#include "platform/Hooks.h"

namespace app {

int ZoomInStep(int zoom) {
  for (int k = 6; k >= 0; --k) {
    if (zoom >= kZoomSteps[static_cast<std::size_t>(k)]) return kZoomSteps[static_cast<std::size_t>(k) + 1];
  }
  return zoom;
}

int ZoomOutStep(int zoom) {
  for (int k = 1; k <= 7; ++k) {
    if (zoom <= kZoomSteps[static_cast<std::size_t>(k)]) return kZoomSteps[static_cast<std::size_t>(k) - 1];
  }
  return zoom;
}

int ZoomStepIndex(int zoom) {
  const auto found = std::find(kZoomSteps.begin(), kZoomSteps.end(), zoom);
  return found == kZoomSteps.end() ? -1 : static_cast<int>(found - kZoomSteps.begin());
}

platform::SIZE ScrollTotalFor(int zoom, int pageWidth, int pageHeight) {
  return {zoom * pageWidth / 100 + 16, zoom * pageHeight / 100 + 16};
}

platform::POINT ScrollKeepingCentre(platform::POINT oldPosition, platform::SIZE client, platform::SIZE oldTotal,
                                    platform::SIZE newTotal) {
  // 64-bit products: a large page at 400 % times its total overflows int.
  long long cx = oldPosition.x + client.cx / 2;
  long long cy = oldPosition.y + client.cy / 2;
  if (oldTotal.cx > 0 && oldTotal.cy > 0) {
    cx = cx * newTotal.cx / oldTotal.cx;
    cy = cy * newTotal.cy / oldTotal.cy;
  }
  return {static_cast<int>(std::max<long long>(0, cx - client.cx / 2)),
          static_cast<int>(std::max<long long>(0, cy - client.cy / 2))};
}

platform::SIZE LauncherImageSize(int width, int height, int maxSide) {
  if (width > maxSide) height = static_cast<int>(static_cast<long long>(height) * maxSide / width), width = maxSide;
  if (height > maxSide) width = static_cast<int>(static_cast<long long>(width) * maxSide / height), height = maxSide;
  // A very long thin page keeps a side of at least one pixel.
  return {std::max(1, width), std::max(1, height)};
}

int ToolCursorId(const CursorSituation& at) {
  if (at.spaceHeld) return kCursorHand;
  switch (at.tool) {
    case 0:
      if (!at.objectHit) return platform::kCursorArrow;
      if (at.handle < 0) return platform::kCursorSizeAll;
      if (at.handle <= 3) return kCursorSizeCorner;
      if (at.handle <= 7) return kCursorSizeSide;
      return at.handle == 8 ? kCursorRotate : kCursorSpecial;
    case 1:
    case 12: return kCursorOutputFrame;
    case 9:
    case 10: return kCursorFreeHand;
    case 13:
    case 14:
      if (!at.objectHit) return at.tool == 13 ? kCursorRotate : kCursorSpecial;
      return page::PoseCursorId(at.tool, at.poseCode);
    case 15: return kCursorEyedropper;
    case 16: return kCursorBucket;
    default: return at.tool >= 2 && at.tool <= 11 ? static_cast<int>(kCursorDraw) : platform::kCursorArrow;
  }
}

}  // namespace app
