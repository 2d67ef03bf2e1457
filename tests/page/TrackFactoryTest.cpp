// Which tracker a press of each tool makes, and which tool follows it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "TrackTestSupport.h"
#include "page/PnGlobal.h"
#include "page/SFigLine.h"
#include "page/STrackFactory.h"
#include "page/STrackInput.h"
#include "page/STrackLibDrop.h"
#include "page/STrackPose.h"
#include "page/STrackSelect.h"

namespace {

using platform::POINT;

class FakeScroller : public page::STrackScroller {
 public:
  POINT GetScrollPosition() const override { return position; }
  void ScrollTo(POINT p) override { position = p; }
  POINT position{0, 0};
};

class TrackFactoryTest : public pagetest::TrackTest {
 protected:
  ~TrackFactoryTest() override { page::PnGlobal::Get().pendingLibPath.clear(); }

  // The tracker's type for a press of `tool` at `press`; void when none.
  std::type_index Made(int tool, POINT press, bool& resetTool, page::STrackScroller* scroller = nullptr) {
    std::unique_ptr<page::STrack> tracker = page::MakeTracker(tool, doc, view, press, scroller, resetTool);
    if (!tracker) return typeid(void);
    const page::STrack& made = *tracker;
    return typeid(made);
  }
  std::type_index Made(int tool, POINT press = {300, 300}) {
    bool resetTool = false;
    const std::type_index made = Made(tool, press, resetTool, &scroller);
    EXPECT_FALSE(resetTool) << "tool " << tool;
    return made;
  }

  FakeScroller scroller;
};

TEST_F(TrackFactoryTest, EachDrawingAndFigureToolMakesItsTracker) {
  struct Case {
    int tool;
    std::type_index made;
  };
  const std::vector<Case> cases = {
      {page::kToolOutputFrame, typeid(page::STrackEDitRect)},
      {page::kToolLine, typeid(page::STrackInputLine)},
      {page::kToolOval, typeid(page::STrackInputOval)},
      {page::kToolRect, typeid(page::STrackInputRect)},
      {page::kToolText, typeid(page::STrackInputText)},
      {page::kToolArrowLine, typeid(page::STrackInputALine)},
      {page::kToolPolyline, typeid(page::STrackInputPoly)},
      {page::kToolPolygon, typeid(page::STrackInputPolygon)},
      {page::kToolFreeLine, typeid(page::STrackInputFree)},
      {page::kToolFreeArea, typeid(page::STrackInputFreegon)},
      {page::kToolPanelFrame, typeid(page::STrackInputTrim)},
      {page::kToolCutOutFrame, typeid(page::STrackInputTrimout)},
      {page::kToolPoseRotate, typeid(page::STrackPoseRot)},
      {page::kToolPoseMove, typeid(page::STrackPoseRot)},
      {page::kToolEyedropper, typeid(page::STrackSpoitBucket)},
      {page::kToolPaintBucket, typeid(page::STrackSpoitBucket)},
      {page::kToolHand, typeid(page::STrackHand)},
      {17, typeid(void)},
      {-1, typeid(void)},
  };
  for (const Case& k : cases) EXPECT_EQ(Made(k.tool), k.made) << "tool " << k.tool;

  // The hand needs a scroll position to move.
  bool resetTool = false;
  EXPECT_EQ(Made(page::kToolHand, {10, 10}, resetTool, nullptr), typeid(void));
  EXPECT_FALSE(resetTool);
}

TEST_F(TrackFactoryTest, TheSelectToolChoosesByWhatLiesUnderThePress) {
  doc.SetPageSize(300, 300);
  page::SObj& box = pagetest::AddRect(doc, -1, 100, 100, 60, 40);
  page::PropSCVal line;
  line.x = 100, line.y = 200, line.width = 60, line.height = 10;
  page::SObj& stroke = pagetest::AddShape(doc, std::make_unique<page::SFigLine>(), -1, line);
  box.SetSelected(true);
  stroke.SetSelected(true);

  struct Case {
    std::string where;
    POINT press;
    std::type_index made;
  };
  const std::vector<Case> cases = {
      {"empty page", Win(250, 20), typeid(page::STrackRectSelect)},
      {"body", Win(110, 105), typeid(page::STrackClickDrag)},
      {"corner handle", HandleWin(box, 0), typeid(page::STrackMagnify)},
      {"side handle", HandleWin(box, 7), typeid(page::STrackMagnify)},
      {"rotation handle", HandleWin(box, page::kRotationHandle), typeid(page::STrackRotate)},
      {"line end", HandleWin(stroke, page::SFigLine::kEndHandle), typeid(page::STrackSpCtrl)},
  };
  for (const Case& k : cases) EXPECT_EQ(Made(page::kToolSelectObjects, k.press), k.made) << k.where;
}

TEST_F(TrackFactoryTest, LibraryDropsChooseByTheExtensionOfThePendingFile) {
  struct Case {
    std::string path;
    std::type_index made;
  };
  const std::vector<Case> cases = {
      {"/lib/pose/wave.z4e", typeid(page::STrackLibDropPose)},
      {"/lib/obj/chair.z4t", typeid(page::STrackLibDropObj)},
      {"/lib/text/line.TXT", typeid(page::STrackLibDropObj)},
      {"/lib/page/sample.z4g", typeid(page::STrackLibDropObj)},
      {"/lib/pic/sky.png", typeid(page::STrackLibDropObj)},
      {"/lib/pic/sky.Bmp", typeid(page::STrackLibDropObj)},
      {"/lib/pic/sky.gif", typeid(page::STrackLibDropObj)},
      {"/lib/pic/sky.jpg", typeid(page::STrackLibDropObj)},
      {"/lib/person/girl.z4h", typeid(page::STrackLibDropHuman)},
      {"/lib/tool/umbrella.z4i", typeid(page::STrackLibDropTool)},
  };
  for (const int tool : {page::kToolLibDrag, page::kToolLibOpen, page::kToolLibApply}) {
    for (const Case& k : cases) {
      page::PnGlobal::Get().pendingLibPath = k.path;
      EXPECT_EQ(Made(tool), k.made) << k.path << " tool " << tool;
    }
  }

  // A file kind that cannot be dropped makes nothing and sends the program
  // back to the select tool.
  for (const std::string path : {"/lib/readme.pdf", "/lib/noextension", ""}) {
    page::PnGlobal::Get().pendingLibPath = path;
    bool resetTool = false;
    EXPECT_EQ(Made(page::kToolLibDrag, {300, 300}, resetTool), typeid(void)) << path;
    EXPECT_TRUE(resetTool) << path;
  }
}

TEST_F(TrackFactoryTest, TheFollowingToolAfterAGesture) {
  struct Case {
    int tool, after;
  };
  const std::vector<Case> cases = {
      {page::kToolSelectObjects, page::kToolSelectObjects},
      {page::kToolOutputFrame, page::kToolSelectObjects},
      {page::kToolRect, page::kToolSelectObjects},
      {page::kToolPolygon, page::kToolSelectObjects},
      {page::kToolFreeLine, page::kToolFreeLine},
      {page::kToolFreeArea, page::kToolFreeArea},
      {page::kToolPanelFrame, page::kToolSelectObjects},
      {page::kToolCutOutFrame, page::kToolSelectObjects},
      {page::kToolPoseRotate, page::kToolPoseRotate},
      {page::kToolPoseMove, page::kToolPoseMove},
      {page::kToolEyedropper, page::kToolPaintBucket},
      {page::kToolPaintBucket, page::kToolSelectObjects},
      {page::kToolLibDrag, page::kToolSelectObjects},
      {page::kToolLibOpen, page::kToolSelectObjects},
      {page::kToolHand, page::kToolHand},
      {page::kToolLibApply, page::kToolSelectObjects},
  };
  for (const Case& k : cases) EXPECT_EQ(page::FallbackTool(k.tool), k.after) << "tool " << k.tool;
}

}  // namespace
