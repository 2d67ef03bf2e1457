#include "page/STrackFactory.h"

#include <string>

#include "imaging/Utilities.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/SView.h"
#include "page/STrackInput.h"
#include "page/STrackLibDrop.h"
#include "page/STrackPose.h"
#include "page/STrackSelect.h"

namespace page {

namespace {

// The select tool: what lies under the press decides the gesture.
std::unique_ptr<STrack> MakeSelectTracker(SDoc& doc, SView& view, platform::POINT press) {
  int handle = -1;
  if (view.HitTest(doc, press, handle) == nullptr) return std::make_unique<STrackRectSelect>();
  if (handle < 0) return std::make_unique<STrackClickDrag>();
  if (handle <= 7) return std::make_unique<STrackMagnify>();
  if (handle == 8) return std::make_unique<STrackRotate>();
  return std::make_unique<STrackSpCtrl>();
}

// The library drops: the kind of the pending file decides the drop.
std::unique_ptr<STrack> MakeDropTracker(int tool) {
  std::string extension;  // already in lower case
  imaging::PnUtilGetExtension(PnGlobal::Get().pendingLibPath, extension);
  if (extension == "z4e") return std::make_unique<STrackLibDropPose>(tool);
  if (extension == "z4t" || extension == "txt" || extension == "z4g" || extension == "png" || extension == "bmp" ||
      extension == "gif" || extension == "jpg")
    return std::make_unique<STrackLibDropObj>(tool);
  if (extension == "z4h") return std::make_unique<STrackLibDropHuman>(tool);
  if (extension == "z4i") return std::make_unique<STrackLibDropTool>(tool);
  return nullptr;
}

}  // namespace

std::unique_ptr<STrack> MakeTracker(int tool, SDoc& doc, SView& view, platform::POINT press,
                                    STrackScroller* scroller, bool& resetTool) {
  resetTool = false;
  switch (tool) {
    case kToolSelectObjects: return MakeSelectTracker(doc, view, press);
    case kToolOutputFrame: return std::make_unique<STrackEDitRect>();
    case kToolLine: return std::make_unique<STrackInputLine>();
    case kToolOval: return std::make_unique<STrackInputOval>();
    case kToolRect: return std::make_unique<STrackInputRect>();
    case kToolText: return std::make_unique<STrackInputText>();
    case kToolArrowLine: return std::make_unique<STrackInputALine>();
    case kToolPolyline: return std::make_unique<STrackInputPoly>();
    case kToolPolygon: return std::make_unique<STrackInputPolygon>();
    case kToolFreeLine: return std::make_unique<STrackInputFree>();
    case kToolFreeArea: return std::make_unique<STrackInputFreegon>();
    case kToolPanelFrame: return std::make_unique<STrackInputTrim>();
    case kToolCutOutFrame: return std::make_unique<STrackInputTrimout>();
    case kToolPoseRotate:
    case kToolPoseMove: return std::make_unique<STrackPoseRot>(tool);
    case kToolEyedropper:
    case kToolPaintBucket: return std::make_unique<STrackSpoitBucket>(tool);
    case kToolLibDrag:
    case kToolLibOpen:
    case kToolLibApply: {
      std::unique_ptr<STrack> drop = MakeDropTracker(tool);
      resetTool = drop == nullptr;
      return drop;
    }
    case kToolHand:
      if (scroller == nullptr) return nullptr;
      return std::make_unique<STrackHand>(*scroller);
    default: return nullptr;
  }
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
