#pragma once
// The page view's arithmetic without a window: zoom steps, scroll sizes,
// the scroll position that keeps the centre on a zoom, the size of the
// image a launcher receives, and the cursor each tool shows.
#include <array>

#include "platform/WinTypes.h"

namespace app {

// Zoom steps in per cent, smallest first.
inline constexpr std::array<int, 8> kZoomSteps{25, 50, 75, 100, 150, 200, 300, 400};

// The next larger step (the zoom unchanged below 25 or at the top).
int ZoomInStep(int zoom);
// The next smaller step (the zoom unchanged above 400 or at the bottom).
int ZoomOutStep(int zoom);
// The index in kZoomSteps of the zoom, -1 when it is not a step.
int ZoomStepIndex(int zoom);

// The scroll total: the page at the zoom (integer per cent) plus an
// 8-pixel border on each side.
platform::SIZE ScrollTotalFor(int zoom, int pageWidth, int pageHeight);

// Where the view scrolls when its total changes from `oldTotal` to
// `newTotal`, so that the page point under the centre of the window stays
// there: the old centre scaled by the totals' ratio, less half the window,
// never below 0.
platform::POINT ScrollKeepingCentre(platform::POINT oldPosition, platform::SIZE client, platform::SIZE oldTotal,
                                    platform::SIZE newTotal);

// The image a launcher receives: the page's size with a side above
// `maxSide` brought down to it and the other in proportion (integers).
platform::SIZE LauncherImageSize(int pageWidth, int pageHeight, int maxSide);

// What lies under the pointer, for the cursor of a tool.
struct CursorSituation {
  int tool = 0;
  bool spaceHeld = false;
  bool objectHit = false;  // tools 0, 13, 14
  int handle = -1;         // tool 0: the handle hit, -1 the body
  int poseCode = 0;        // tools 13, 14: the pose handle under the point
};

// The cursor id (platform cursor code or resource cursor) of a tool when no
// gesture runs.
int ToolCursorId(const CursorSituation& at);

// Resource cursors of the view.
enum ViewCursor : int {
  kCursorHand = 374,
  kCursorSizeCorner = 287,
  kCursorSizeSide = 291,
  kCursorRotate = 286,
  kCursorSpecial = 250,
  kCursorOutputFrame = 2020,
  kCursorFreeHand = 165,
  kCursorDraw = 164,
  kCursorEyedropper = 167,
  kCursorBucket = 1081,
};

}  // namespace app
