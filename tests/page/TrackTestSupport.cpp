#include "TrackTestSupport.h"

namespace pagetest {

GestureResults RunGesture(page::STrack& tracker, page::SDoc& doc, page::SView& view, unsigned flags,
                          const std::vector<platform::POINT>& path) {
  GestureResults results;
  EXPECT_FALSE(path.empty());
  if (path.empty()) return results;
  RecordedCursors cursors;
  EXPECT_EQ(tracker.Init(&doc, &view, {0, 0, 400, 400}), 0);
  results.down = tracker.OnButtonDown(flags, path.front().x, path.front().y);
  tracker.UpdateCursor();
  for (std::size_t i = 1; i < path.size(); ++i) {
    tracker.UpdateCursor();
    results.moves.push_back(tracker.OnMouseMove(flags, path[i].x, path[i].y));
  }
  results.up = tracker.OnButtonUp(flags, path.back().x, path.back().y);
  tracker.OnEnd();
  results.cursors = cursors.set;
  return results;
}

TrackTest::TrackTest() {
  doc.SetPageSize(300, 300);
  view.zoom = 100;
  view.transform.originX = kOrigin;
  view.transform.originY = kOrigin;
}

platform::POINT TrackTest::HandleWin(page::SObj& object, int handle) {
  const std::span<page::SCtlp> handles = object.GetHandles(view.zoom / 100.0);
  EXPECT_LT(handle, static_cast<int>(handles.size()));
  return Win(handles[handle].x, handles[handle].y);
}

void TrackTest::SnapGrid(bool on, int spacing, int divisions) {
  doc.grid.snapToGrid = on;
  doc.grid.spacing = spacing;
  doc.grid.divisions = divisions;
}

RecordedMessages::RecordedMessages(int answer) {
  previous_ = platform::SetMessageHook([this, answer](const std::string& text, const std::string&, unsigned flags) {
    shown.push_back({text, flags});
    return answer;
  });
}

RecordedMessages::~RecordedMessages() { platform::SetMessageHook(previous_); }

RecordedCursors::RecordedCursors() {
  previous_ = platform::SetCursorHook([this](int code) { set.push_back(code); });
}

RecordedCursors::~RecordedCursors() { platform::SetCursorHook(previous_); }

}  // namespace pagetest
