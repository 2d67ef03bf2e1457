// The page view's gestures, driven with a scripted tracker: the order of
// the tracker's calls, failures on press, move and release (reported once,
// the gesture's changes undone), the tool each gesture leaves, inputs that
// go on over several clicks, the inverted rubber bands, the hints, the
// arrow keys and the library request.
#include <gtest/gtest.h>

#include <QDialog>
#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/CPennetDoc.h"
#include "app/CPennetView.h"
#include "page/ResultCodes.h"
#include "page/SCommands.h"
#include "page/SDoc.h"
#include "page/SFigRect.h"
#include "platform/Hooks.h"

namespace {

using Log = std::vector<std::string>;

// What the fake tracker answers and does; shared with the test.
struct TrackerScript {
  Log log;
  int downRc = 0, moveRc = 0, upRc = 0;
  bool continuing = false, textInput = false, rotation = false;
  std::function<void(page::SDoc&)> onDown, onMove, onUp;
  std::vector<page::STLine> moveLines;
  int made = 0;
  std::vector<int> tools;  // the tool of each tracker made
};

class FakeTracker : public page::STrack {
 public:
  explicit FakeTracker(TrackerScript& script) : s_(script) {}
  int Init(page::SDoc* d, page::SView* v, const platform::RECT& r) override {
    s_.log.push_back("Init");
    return STrack::Init(d, v, r);
  }
  int OnButtonDown(unsigned, int, int) override {
    s_.log.push_back("Down");
    if (s_.onDown) s_.onDown(*doc);
    return s_.downRc;
  }
  int OnMouseMove(unsigned, int, int) override {
    s_.log.push_back("Move");
    if (s_.onMove) s_.onMove(*doc);
    lines = s_.moveLines;
    return s_.moveRc;
  }
  void UpdateCursor() override { s_.log.push_back("Cursor"); }
  int OnButtonUp(unsigned, int, int) override {
    s_.log.push_back("Up");
    if (s_.onUp) s_.onUp(*doc);
    showedRotation = s_.rotation;
    return s_.upRc;
  }
  int OnEnd() override {
    s_.log.push_back("End");
    return 0;
  }
  bool IsContinuing() const override { return s_.continuing; }
  void Finish() override { s_.log.push_back("Finish"); }
  bool IsTextInput() const override { return s_.textInput; }

 private:
  TrackerScript& s_;
};

// Hint dialogs counted, shape editors recorded, every dialog cancelled.
class CountingDialogs : public app::ViewDialogs {
 public:
  using ViewDialogs::Run;
  int Run(app::CHintDialog&) override {
    ++hints;
    return QDialog::Accepted;
  }
  int EditShape(page::SObj& object, QWidget*, const std::function<void()>&) override {
    edited.push_back(object.id);
    return QDialog::Rejected;
  }
  int hints = 0;
  std::vector<int> edited;
};

class PageViewGesture : public ::testing::Test {
 protected:
  PageViewGesture() {
    oldFatal_ = platform::SetFatalHook([](const std::string& text) { throw std::runtime_error(text); });
    oldMessage_ = platform::SetMessageHook([this](const std::string& text, const std::string&, unsigned) {
      messages.push_back(text);
      return platform::kIdOk;
    });
    global.toolNumber = 0;
    global.prefs->m3DRotWarn = 0;
    global.prefs->mApplyWarn = 0;
    auto rect = std::make_unique<page::SObj>();
    rect->SetFig(std::make_unique<page::SFigRect>(), false);
    page::PropSCVal place;
    place.x = 100, place.y = 80, place.width = 60, place.height = 40;
    rect->ApplyPropSC(place, false);
    rectId = sdoc().AddObject(std::move(rect), -1, -1);
    view.resize(400, 300);
    view.OnInitialUpdate();
    view.SetTrackerFactory([this](int tool, page::SDoc&, page::SView&, platform::POINT, page::STrackScroller*,
                                  bool&) -> std::unique_ptr<page::STrack> {
      ++script.made;
      script.tools.push_back(tool);
      return std::make_unique<FakeTracker>(script);
    });
    auto counting = std::make_unique<CountingDialogs>();
    dialogs = counting.get();
    view.SetDialogs(std::move(counting));
  }
  ~PageViewGesture() override {
    platform::SetFatalHook(oldFatal_);
    platform::SetMessageHook(oldMessage_);
    global.toolNumber = 0;
    global.pendingLibRequest = 0;
    global.pendingLibApply = 0;
    global.activeView = nullptr;
  }

  page::SDoc& sdoc() { return doc.GetSDoc(); }
  double RectX() { return sdoc().FindObjectById(rectId)->placement.x; }
  double RectY() { return sdoc().FindObjectById(rectId)->placement.y; }
  // The gesture's own changes: the rectangle selected and moved.
  static void SelectAndMove(page::SDoc& d) {
    d.Execute(std::make_unique<page::SComSelectAll>(&d, true));
    d.Execute(std::make_unique<page::SComMoveObj>(&d, 30, 0, false));
  }
  void Click(int x = 50, int y = 50) {
    view.OnLButtonDown(0, x, y);
    view.OnLButtonUp(0, x, y);
  }

  page::PnGlobal& global = page::PnGlobal::Get();
  app::CPennetDoc doc;
  app::CPennetView view{doc};
  TrackerScript script;
  CountingDialogs* dialogs = nullptr;
  std::vector<std::string> messages;
  int rectId = -1;

 private:
  platform::FatalHook oldFatal_;
  platform::MessageHook oldMessage_;
};

TEST_F(PageViewGesture, FeedsTheTrackerInTheGesturesOrder) {
  global.toolNumber = 4;
  view.OnLButtonDown(0, 20, 30);
  view.OnMouseMove(0, 40, 50);
  view.OnLButtonUp(0, 40, 50);
  EXPECT_EQ(script.log, (Log{"Init", "Down", "Cursor", "Cursor", "Move", "Up", "End"}));
  EXPECT_EQ(script.tools, (std::vector<int>{4}));
  EXPECT_EQ(view.GetTracker(), nullptr);
}

TEST_F(PageViewGesture, AFailedPressIsReportedOnceUndoneAndSelectsTheSelectTool) {
  global.toolNumber = 4;
  script.onDown = SelectAndMove;
  script.downRc = page::kResultCannotOpen;
  view.OnLButtonDown(0, 20, 30);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(RectX(), 100);
  EXPECT_FALSE(sdoc().HasSelection());
  EXPECT_EQ(global.toolNumber, 0);
  EXPECT_EQ(view.GetTracker(), nullptr);
  EXPECT_FALSE(sdoc().Commands().CanUndo());
}

// A drag that fails half way leaves nothing of what it did, and says so.
TEST_F(PageViewGesture, AFailedMoveIsReportedOnceAndUndoneKeepingTheTool) {
  global.toolNumber = 9;
  script.onMove = SelectAndMove;
  script.moveRc = page::kResultNoMemory;
  view.OnLButtonDown(0, 20, 30);
  view.OnMouseMove(0, 60, 30);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(RectX(), 100);
  EXPECT_FALSE(sdoc().HasSelection());
  EXPECT_EQ(view.GetTracker(), nullptr);
  EXPECT_EQ(global.toolNumber, 9);
  // The release after it finds no tracker.
  view.OnLButtonUp(0, 60, 30);
  EXPECT_EQ(script.log.back(), "Move");
}

TEST_F(PageViewGesture, AFailedReleaseIsReportedOnceUndoneAndFallsBack) {
  global.toolNumber = 15;
  script.onUp = SelectAndMove;
  script.upRc = page::kResultOffShape;
  Click();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(RectX(), 100);
  EXPECT_EQ(global.toolNumber, 16);
  EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "End"), 0);
}

TEST_F(PageViewGesture, EachToolFallsBackToItsToolWhenItsGestureEnds) {
  struct Case {
    int tool, after;
  };
  const Case cases[] = {{0, 0},  {1, 0},   {2, 0},   {4, 0},   {8, 0},     {9, 9},     {10, 10},
                        {11, 0}, {12, 0},  {13, 13}, {14, 14}, {15, 16},   {16, 0},    {100, 0},
                        {101, 0}, {103, 0}, {102, 102}};
  for (const Case& c : cases) {
    global.toolNumber = c.tool;
    Click();
    EXPECT_EQ(global.toolNumber, c.after) << "tool " << c.tool;
  }
}

// Space held makes the hand whatever the tool, and leaves the tool alone.
TEST_F(PageViewGesture, SpaceHeldMakesTheHandAndKeepsTheTool) {
  global.toolNumber = 4;
  view.SetSpaceHeld(true);
  Click();
  view.SetSpaceHeld(false);
  EXPECT_EQ(script.tools, (std::vector<int>{page::kToolHand}));
  EXPECT_EQ(global.toolNumber, 4);
}

TEST_F(PageViewGesture, APressWithoutTrackerMayResetTheToolAndClearsTheLibraryRequest) {
  view.SetTrackerFactory([](int, page::SDoc&, page::SView&, platform::POINT, page::STrackScroller*,
                            bool& resetTool) -> std::unique_ptr<page::STrack> {
    resetTool = true;
    return nullptr;
  });
  global.toolNumber = 100;
  global.pendingLibRequest = page::PnGlobal::kLibInsert;
  global.pendingLibApply = 1;
  Click();
  EXPECT_EQ(global.toolNumber, 0);
  EXPECT_EQ(global.pendingLibRequest, 0);
  EXPECT_EQ(global.pendingLibApply, 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PageViewGesture, AContinuingInputTakesTheNextPressAndEndsOnEnterOrDoubleClick) {
  for (const bool byEnter : {true, false}) {
    script = TrackerScript();
    script.continuing = true;
    global.toolNumber = 7;
    Click(10, 10);
    ASSERT_NE(view.GetTracker(), nullptr);
    Click(60, 10);
    EXPECT_EQ(script.made, 1);
    EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "Down"), 2);
    EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "End"), 0);
    EXPECT_EQ(global.toolNumber, 7);
    if (byEnter)
      EXPECT_TRUE(view.OnKeyDown(Qt::Key_Return, 0));
    else
      view.OnLButtonDblClk(0, 60, 10);
    EXPECT_EQ(script.log.back(), "Finish");
    EXPECT_EQ(view.GetTracker(), nullptr);
    EXPECT_EQ(global.toolNumber, 0);
  }
}

// The window shows the lines inverted onto the page: inverting the same
// band again gives the page back.
TEST_F(PageViewGesture, RubberBandsInvertOntoTheWindowAndInvertBack) {
  const platform::Image page = view.ScreenImage();
  ASSERT_FALSE(page.IsNull());
  script.moveRc = 1;
  page::STLine band;
  band.kind = page::STLine::kThickLine;
  band.x1 = 10, band.y1 = 20, band.x2 = 300, band.y2 = 20;
  script.moveLines = {band};
  view.OnLButtonDown(0, 10, 20);
  view.OnMouseMove(0, 300, 20);
  const platform::Image& shown = view.ScreenImage();
  ASSERT_EQ(shown.SizeBytes(), page.SizeBytes());
  EXPECT_NE(std::memcmp(shown.Bits(), page.Bits(), page.SizeBytes()), 0);
  EXPECT_NE(shown.GetBgra(100, 20), page.GetBgra(100, 20));
  view.OnMouseMove(0, 300, 20);
  EXPECT_EQ(std::memcmp(view.ScreenImage().Bits(), page.Bits(), page.SizeBytes()), 0);
}

TEST_F(PageViewGesture, AnUnknownRedrawLevelIsABrokenInvariant) {
  script.moveRc = 7;
  view.OnLButtonDown(0, 10, 20);
  EXPECT_THROW(view.OnMouseMove(0, 30, 20), std::runtime_error);
}

TEST_F(PageViewGesture, TheRotationAndPersonHintsShowOnce) {
  script.rotation = true;
  global.prefs->mApplyWarn = 1;
  Click();
  EXPECT_EQ(dialogs->hints, 2);
  EXPECT_EQ(global.prefs->m3DRotWarn, 1);
  EXPECT_EQ(global.prefs->mApplyWarn, 2);
  Click();
  EXPECT_EQ(dialogs->hints, 2);
}

TEST_F(PageViewGesture, ANewTextFrameOpensItsEditor) {
  global.toolNumber = 5;
  script.textInput = true;
  int made = -1;
  script.onUp = [&made](page::SDoc& d) {
    made = d.AddObject(page::SDoc::MakeInputObject(page::kInputText, {10, 10}, {110, 60}, 0, d.Root().props2D), -1,
                       -1);
    d.SelectOnly(d.FindObjectById(made));
  };
  script.upRc = 1;
  Click();
  EXPECT_EQ(dialogs->edited, (std::vector<int>{made}));
  EXPECT_EQ(global.toolNumber, 0);
}

TEST_F(PageViewGesture, ArrowKeysMoveTheSelectionOneUndoStepEach) {
  sdoc().SelectOnly(sdoc().FindObjectById(rectId));
  EXPECT_TRUE(view.OnKeyDown(Qt::Key_Left, 0));
  EXPECT_TRUE(view.OnKeyDown(Qt::Key_Down, page::kTrackShift));
  EXPECT_EQ(RectX(), 99);
  EXPECT_EQ(RectY(), 90);
  EXPECT_TRUE(doc.IsModified());
  ASSERT_EQ(sdoc().Commands().UndoGroup(), 0);
  EXPECT_EQ(RectX(), 99);
  EXPECT_EQ(RectY(), 80);
  ASSERT_EQ(sdoc().Commands().UndoGroup(), 0);
  EXPECT_EQ(RectX(), 100);
  EXPECT_FALSE(view.OnKeyDown(Qt::Key_A, 0));
}

// A request of the library is served by the active page only, as a click.
TEST_F(PageViewGesture, TheLibraryRequestGoesToTheActivePageOnly) {
  app::CPennetDoc otherDoc;
  app::CPennetView other(otherDoc);
  other.OnInitialUpdate();
  global.activeView = &other;
  global.pendingLibRequest = page::PnGlobal::kLibApply;
  global.pendingLibApply = 1;
  view.OnTimer();
  EXPECT_EQ(script.made, 0);
  EXPECT_EQ(global.pendingLibRequest, page::PnGlobal::kLibApply);
  global.activeView = &view;
  view.OnTimer();
  EXPECT_EQ(script.tools, (std::vector<int>{page::kToolLibApply}));
  EXPECT_EQ(script.log, (Log{"Init", "Down", "Cursor", "Up", "End"}));
  EXPECT_EQ(global.pendingLibRequest, 0);
  EXPECT_EQ(global.toolNumber, 0);
}

}  // namespace
