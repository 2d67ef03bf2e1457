#pragma once
// A view for tests: every answer is a member the test sets, and what the
// engine hands to the view (eye directions, marker points) is recorded. It
// draws through its own recording renderer unless the test gives another.
// Later parts of the engine add their queries to engine::QView; add a
// settable answer here for each.
#include <cstdint>
#include <vector>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
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
  // drawing styles
  int drawMode = 2;
  int quickDrawLevel = 0;
  bool renderSlow = false;
  bool smoothShown = false;
  bool outlineShown = false;
  bool altMeshDraw = false;
  bool thinLines = false;
  bool lineWidthOverride = false;
  int lineWidth = 1;
  bool lineColorOverride = false;
  std::uint32_t lineColor = 0;
  bool faceColorOverride = false;
  engine::MShader* overrideShader = nullptr;
  engine::MShader* overrideMaterial = nullptr;
  bool faceOrderFlipped = false;
  bool directPoints = false;
  int pageToneSwitch = 0;
  int pageFaceStyle = 1;
  int pageLineStyle = 1;
  double toneContrast = 50.0;
  double toneLights[2] = {35.0, 35.0};
  engine::MatrixRecord projectionMatrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, 0};
  engine::PointRecord gridColor{0.25, 0.5, 0.75};
  int overlayKind = 0;
  bool deferAnswer = true;
  int overlayMode = 0;
  int axisViewCode = -1;
  double worldPerPixel = 1.0;
  int samplingFactor = 0;
  engine::PointRecord viewDirection{0.0, 0.0, 1.0};
  // On, unlike a plain view: the figure tests look at the bone overlays.
  bool collectingOutlines = true;

  // ---- what the engine handed over ----
  RecordingQImp recorder;
  std::vector<engine::PointRecord> eyeDirectionsSet;
  std::vector<Marker> markers;
  struct Deferred {
    engine::MObject* object;
    engine::MFace* face;
    const void* patch;
  };
  std::vector<Deferred> deferred;
  // The deferred-drawing list as a view keeps it, with the mirror-pass flag.
  std::vector<engine::DeferredEntry> deferredList;
  std::vector<int> altFlags2;
  int clearDeferredCalls = 0;
  std::vector<bool> cullModesApplied;  // the mirrored argument of each ApplyCullMode
  std::vector<engine::PointRecord> pointMarkers;
  engine::PointRecord pointMarkerColor{0, 0, 0};

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
  int GetDrawMode() const override { return drawMode; }
  int GetQuickDrawLevel() const override { return quickDrawLevel; }
  bool IsRenderSlow() const override { return renderSlow; }
  bool IsSmoothShown() const override { return smoothShown; }
  bool IsOutlineShown() const override { return outlineShown; }
  bool IsAltMeshDraw() const override { return altMeshDraw; }
  bool IsThinLines() const override { return thinLines; }
  bool IsLineWidthOverride() const override { return lineWidthOverride; }
  int GetLineWidth() const override { return lineWidth; }
  bool IsLineColorOverride() const override { return lineColorOverride; }
  std::uint32_t GetLineColor() const override { return lineColor; }
  bool IsFaceColorOverride() const override { return faceColorOverride; }
  engine::MShader* GetOverrideShader() override { return overrideShader; }
  engine::MShader* GetOverrideMaterial() override { return overrideMaterial; }
  bool IsFaceOrderFlipped() const override { return faceOrderFlipped; }
  void ApplyCullMode(bool mirrored) override {
    cullModesApplied.push_back(mirrored);
    renderer->SetCullMode(mirrored ? 2 : 1);
  }
  bool IsDirectPoints() const override { return directPoints; }
  int GetPageToneSwitch() const override { return pageToneSwitch; }
  int GetPageFaceStyle() const override { return pageFaceStyle; }
  int GetPageLineStyle() const override { return pageLineStyle; }
  double GetToneContrast() const override { return toneContrast; }
  void GetToneLights(double lights[2]) const override {
    lights[0] = toneLights[0];
    lights[1] = toneLights[1];
  }
  engine::MatrixRecord GetProjectionMatrix() override { return projectionMatrix; }
  engine::PointRecord GetGridColor() const override { return gridColor; }
  void SetPointMarkerColor(const engine::PointRecord& rgb) override { pointMarkerColor = rgb; }
  void DrawPointMarker(const engine::PointRecord& position) override { pointMarkers.push_back(position); }
  bool AddDeferredFace(engine::MObject* object, engine::MFace* face, const void* patch, double) override {
    if (!deferAnswer) return false;
    deferred.push_back({object, face, patch});
    const engine::CrPrefs* prefs = engine::EngContext().prefs;
    deferredList.push_back({object, face, const_cast<void*>(patch), 0.0, prefs != nullptr ? prefs->mirrorPass : 0});
    return true;
  }
  int GetOverlayKind() const override { return overlayKind; }
  std::vector<engine::DeferredEntry>& GetOverlayLines3() override { return deferredList; }
  void ClearOverlayLines3(bool) override {
    ++clearDeferredCalls;
    deferredList.clear();
  }
  void SetAltFlag2(int flag) override { altFlags2.push_back(flag); }
  int GetOverlayMode() const override { return overlayMode; }
  int GetAxisViewCode() const override { return axisViewCode; }
  double GetWorldPerPixel() const override { return worldPerPixel; }
  int GetSamplingFactor() const override { return samplingFactor; }
  void GetViewDirection(engine::PointRecord& out) const override { out = viewDirection; }
  bool IsCollectingOutlines() const override { return collectingOutlines; }
};

}  // namespace testsupport
