#include "page/STrackFactory.h"

namespace page {

std::unique_ptr<STrack> MakeTracker(int /*tool*/, SDoc& /*doc*/, SView& /*view*/, platform::POINT /*press*/,
                                    STrackScroller* /*scroller*/, bool& resetTool) {
  resetTool = false;
  return nullptr;
}

int FallbackTool(int tool) {
  switch (tool) {
    case kToolSelectObjects:
    case kToolFreeLine:
    case kToolFreeArea:
    case kToolPoseRotate:
    case kToolPoseMove:
    case kToolHand:
      return tool;
    case kToolEyedropper:
      return kToolPaintBucket;
    default:
      return kToolSelectObjects;
  }
}

}  // namespace page
