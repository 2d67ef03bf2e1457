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
  int projectionKind = 1600;
  int fieldOfView = 40;
  double distance = 100.0;
  engine::MatrixRecord inverseViewMatrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, 0};
  int viewAxis = 3;
  int viewPresetKind = 0;
  bool gridShown = true;
  double lightAngles[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
  bool lightsFixed = false;

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
  int GetProjectionKind() const override { return projectionKind; }
  int GetFieldOfView() const override { return fieldOfView; }
  double GetDistance() const override { return distance; }
  engine::MatrixRecord GetInverseViewMatrix() override { return inverseViewMatrix; }
  int GetViewAxis() const override { return viewAxis; }
  int GetViewPresetKind() const override { return viewPresetKind; }
  bool IsGridShown() const override { return gridShown; }
  void GetLights(double angles[2][2], bool& fixedInScene) const override {
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) angles[i][j] = lightAngles[i][j];
    fixedInScene = lightsFixed;
  }
};

}  // namespace testsupport
