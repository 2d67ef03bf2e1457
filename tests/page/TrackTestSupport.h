#pragma once
// Helpers of the tracker tests: a page with a view at 100 % whose page
// corner sits at window (8, 8), gestures fed to a tracker the way the page
// view feeds them, and a message hook that records its questions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/STrack.h"
#include "page/SView.h"
#include "platform/Hooks.h"
#include "platform/WinTypes.h"

namespace pagetest {

// The colour bar the eyedropper fills and the bucket reads, installed in
// PnGlobal while it lives.
class ScopedColourBar : public page::PnBarLink {
 public:
  explicit ScopedColourBar(platform::COLORREF initial) : colour(initial) {
    previous_ = page::PnGlobal::Get().bars;
    page::PnGlobal::Get().bars = this;
  }
  ~ScopedColourBar() override { page::PnGlobal::Get().bars = previous_; }
  ScopedColourBar(const ScopedColourBar&) = delete;
  ScopedColourBar& operator=(const ScopedColourBar&) = delete;
  void ShowValues(const page::PropVal&) override {}
  platform::COLORREF GetAtmColor() const override { return colour; }
  void SetAtmColor(platform::COLORREF c) override { colour = c; }

  platform::COLORREF colour;

 private:
  page::PnBarLink* previous_ = nullptr;
};

// What each call of one gesture answered.
struct GestureResults {
  int down = 0;
  std::vector<int> moves;
  int up = 0;
  std::vector<int> cursors;  // the cursor shown at the press and each move
};

// Init, press at path[0], a move to each later point, release at the last
// one, then OnEnd: the page view's order of calls.
GestureResults RunGesture(page::STrack& tracker, page::SDoc& doc, page::SView& view, unsigned flags,
                          const std::vector<platform::POINT>& path);

class TrackTest : public ::testing::Test {
 protected:
  static constexpr int kOrigin = 8;

  TrackTest();

  // A window point of a page point at the view's zoom.
  platform::POINT Win(double x, double y) const { return view.PageToScreen(page::SPoint(x, y)); }
  // The window point of the object's handle.
  platform::POINT HandleWin(page::SObj& object, int handle);
  GestureResults Run(page::STrack& tracker, unsigned flags, const std::vector<platform::POINT>& path) {
    return RunGesture(tracker, doc, view, flags, path);
  }
  void SnapGrid(bool on, int spacing = 20, int divisions = 4);

  page::SDoc doc{20};
  page::SView view;
};

// Records the messages shown for one scope and answers each with `answer`.
class RecordedMessages {
 public:
  explicit RecordedMessages(int answer);
  ~RecordedMessages();
  RecordedMessages(const RecordedMessages&) = delete;
  RecordedMessages& operator=(const RecordedMessages&) = delete;

  struct Shown {
    std::string text;
    unsigned flags;
  };
  std::vector<Shown> shown;

 private:
  platform::MessageHook previous_;
};

// The cursors set through the platform for one scope.
class RecordedCursors {
 public:
  RecordedCursors();
  ~RecordedCursors();
  RecordedCursors(const RecordedCursors&) = delete;
  RecordedCursors& operator=(const RecordedCursors&) = delete;
  std::vector<int> set;

 private:
  platform::CursorHook previous_;
};

}  // namespace pagetest
