#pragma once
// A view for tests: every answer is a member the test sets, and what the
// engine hands to the view (eye directions, marker points) is recorded. It
// draws through its own recording renderer unless the test gives another.
// Later parts of the engine add their queries to engine::QView; add a
// settable answer here for each.
#include <vector>

#include "engine/core/QView.h"
#include "support/RecordingQImp.h"

namespace testsupport {

class FakeQView : public engine::QView {
 public:
  struct Marker {
    engine::PointRecord point;
    double size;
  };

  // ---- answers ----
  engine::QImp* renderer = &recorder;
  engine::PointRecord eyeDirection{0.0, 0.0, 1.0};
  bool excludedShown = false;
  int tileCount = 0;

  // ---- what the engine handed over ----
  RecordingQImp recorder;
  std::vector<engine::PointRecord> eyeDirectionsSet;
  std::vector<Marker> markers;

  engine::QImp* GetRenderer() override { return renderer; }
  engine::PointRecord GetEyeDirection() const override { return eyeDirection; }
  void SetEyeDirection(const engine::PointRecord& direction) override {
    eyeDirection = direction;
    eyeDirectionsSet.push_back(direction);
  }
  bool IsExcludedShown() const override { return excludedShown; }
  void DrawMarkerPoint(const engine::PointRecord& point, double size) override { markers.push_back({point, size}); }
  int GetTileCount() const override { return tileCount; }
};

}  // namespace testsupport
