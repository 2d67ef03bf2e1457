// QView: construction, the off-screen context, output pictures and tiles,
// frames and the drawing pass, lights and the background colour.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"
#include "view/QImpGL.h"
#include "view/QView.h"

namespace view {
namespace {

using engine::MatrixRecord;
using engine::PointRecord;

bool Failed() { return engine::EngContext().failState == engine::kEngFailFailed; }

void RecordOutOfMemory() {
  engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
  engine::EngReleaseReserveIfOutOfMemory();
}

int NowMilliseconds() {
  using namespace std::chrono;
  return static_cast<int>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

QView::QView(const platform::RECT& rect, int rendererMode) : QView(rect, std::make_unique<QImpGL>()) {
  ENG_FATAL_IF(rendererMode != 0);
}

QView::QView(const platform::RECT& rect, std::unique_ptr<QImpGL> renderer) {
  renderer_ = std::move(renderer);
  SetViewPreset(0);
  overrideShader_.reset(new engine::MShader());
  GetDefaultLights(lights_);
  requestedRect_ = rect;
  if (!renderer_->CreateContext(this, 0, nullptr)) return;
  MakeCurrent(true);
  int w = 0, h = 0;
  renderer_->GetMaxViewport(&w, &h);
  SetMaxViewport(w, h);
  depthUnit_ = 100.0;
  MakeCurrent(false);
}

QView::~QView() {
  InvalidateCache();
  DestroyContext();
}

engine::QImp* QView::GetRenderer() { return renderer_.get(); }

void QView::GetLights(double angles[2][2], bool& fixedInScene) const {
  for (int i = 0; i < 2; ++i) {
    angles[i][0] = lights_.firstAngles[i];
    angles[i][1] = lights_.secondAngles[i];
  }
  fixedInScene = lights_.sceneFixed != 0;
}

void QView::DrawDot(const PointRecord& point, double size, const int colour[3], double unit) {
  renderer_->SetPointSize(static_cast<float>(size * (samplingFactor_ != 0 ? samplingFactor_ : 1)));
  renderer_->SetColor(static_cast<float>(colour[0] / unit), static_cast<float>(colour[1] / unit),
                      static_cast<float>(colour[2] / unit));
  renderer_->DrawPoint(static_cast<float>(point.x), static_cast<float>(point.y), static_cast<float>(point.z));
}

void QView::DrawMarkerPoint(const PointRecord& point, double size) {
  DrawDot(point, size == 0.0 ? markerSize_ : size, markerColour_, 255.0);
}

void QView::SetMarkerColor(double r, double g, double b) {
  markerColour_[0] = static_cast<int>(r * 255);
  markerColour_[1] = static_cast<int>(g * 255);
  markerColour_[2] = static_cast<int>(b * 255);
}

void QView::GetMarkerColor(double out[3]) const {
  for (int i = 0; i < 3; ++i) out[i] = markerColour_[i] / 255.0;
}

void QView::DrawPoint(const PointRecord& point) { DrawDot(point, pointSize_, pointColour_, 1.0); }

void QView::SetPointColor(double r, double g, double b) {
  pointColour_[0] = static_cast<int>(r);
  pointColour_[1] = static_cast<int>(g);
  pointColour_[2] = static_cast<int>(b);
}

void QView::AddOverlayLine3(engine::MObject* object, void* face, void* element, double depth) {
  const engine::CrPrefs* prefs = engine::EngContext().prefs;
  const int mirrored = prefs != nullptr ? prefs->mirrorPass : 0;
  try {
    deferred_.push_back(DeferredEntry{object, face, element, depth, mirrored});
  } catch (const std::bad_alloc&) {
    RecordOutOfMemory();
  }
}

bool QView::AddDeferredFace(engine::MObject* object, engine::MFace* face, const void* patch, double value) {
  AddOverlayLine3(object, face, const_cast<void*>(patch), value);
  return engine::EngContext().failState != engine::kEngFailFailed;
}

void QView::ClearOverlayLines3(bool force) {
  if (!force && renderer_->KeepsOverlayLines()) return;
  deferred_.clear();
}

bool QView::AllocReadbackImage(int width, int height) {
  if (width < 0) return true;  // starts empty, nothing to free
  FreeReadbackImage();
  try {
    readbackBytes_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  } catch (const std::bad_alloc&) {
    FreeReadbackImage();
    return false;
  }
  if (!readbackImage_.Create(width, height, 32, false)) {
    FreeReadbackImage();
    return false;
  }
  return true;
}

void QView::FreeReadbackImage() {
  std::vector<std::uint8_t>().swap(readbackBytes_);
  readbackImage_.Destroy();
}

// ---- contexts -------------------------------------------------------------------

bool QView::CreateOffscreenContext(const platform::RECT& rect) {
  DestroyContext();
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width < 1) width = 40;
  if (height < 1) height = 40;
  context_ = engine::GlCreateContext(width, height);
  if (!context_) {
    RecordOutOfMemory();
    return false;
  }
  MakeCurrent(true);
  return true;
}

void QView::DestroyContext() {
  if (context_ && platform::GlContext::AnyCurrent()) platform::GlContext::ReleaseCurrent();
  context_.reset();
}

void QView::MakeCurrent(bool current) { renderer_->MakeCurrent(this, nullptr, current); }

void QView::FinishRendering() {
  renderer_->Finish();
  if (context_) context_->Finish();
}

bool QView::HasContext() const { return context_ && context_->IsValid(); }

const platform::Image* QView::GetFramePicture() const { return const_cast<QView*>(this)->GetFramePicture(); }

platform::Image* QView::GetFramePicture() {
  if (!outputBitmap_.IsNull()) return &outputBitmap_;
  return context_ ? &context_->Pixels() : nullptr;
}

void QView::GetMaxViewport(int& width, int& height) const {
  width = maxViewport_[0];
  height = maxViewport_[1];
}

void QView::SetMaxViewport(int width, int height) {
  if (width > 0 && height > 0) {
    maxViewport_[0] = width;
    maxViewport_[1] = height;
  }
}

// ---- output and tiles ----------------------------------------------------------

void QView::TileCounts(const platform::RECT& rect, bool forceTiles, int& n, int& tileWidth, int& tileHeight) const {
  const int factor = samplingFactor_;
  long long w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  n = 1;
  tileWidth = static_cast<int>(w);
  tileHeight = static_cast<int>(h);
  if (factor != 0) {
    w *= factor;
    h *= factor;
  }
  if (factor == 0 && !forceTiles && w <= maxViewport_[0] && h <= maxViewport_[1]) return;
  const long long columns = w / maxViewport_[0] + 1, rows = h / maxViewport_[1] + 1;
  n = static_cast<int>(std::max(columns, rows));
  tileWidth = static_cast<int>((w + n - 1) / n);
  tileHeight = static_cast<int>((h + n - 1) / n);
  if (factor > 1) {
    // Whole output pixels per tile: the averaging never straddles two tiles
    // and every tile lands on whole pixels of the output.
    tileWidth = (tileWidth + factor - 1) / factor * factor;
    tileHeight = (tileHeight + factor - 1) / factor * factor;
  }
}

void QView::CreateRenderTarget(const platform::RECT& rect, bool forceTiles) {
  outputBitmap_.Destroy();
  tileColumns_ = tileRows_ = 1;
  DestroyContext();
  int n = 1, tileWidth = 0, tileHeight = 0;
  TileCounts(rect, forceTiles, n, tileWidth, tileHeight);
  const bool tiled = samplingFactor_ != 0 || forceTiles || n > 1;
  if (tiled) {
    tileColumns_ = tileRows_ = n;
    tileRect_ = platform::RECT{0, 0, tileWidth, tileHeight};
    if (!CreateOffscreenContext(tileRect_)) return;
    const int width = std::max(1, static_cast<int>(rect.right - rect.left));
    const int height = std::max(1, static_cast<int>(rect.bottom - rect.top));
    if (!outputBitmap_.Create(width, height, 32, false)) {
      RecordOutOfMemory();
      return;
    }
  } else {
    tileRect_ = platform::RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    if (!CreateOffscreenContext(rect)) return;
  }
  ApplyDrawingMode();
  if (Failed()) return;
  SetDepthUnit(100.0);
  SetViewportRect(rect);
  renderer_->DeleteTextures();
}

void QView::SetupTiles(const platform::RECT& rect, bool forceTiles) {
  int n = 1, tileWidth = 0, tileHeight = 0;
  TileCounts(rect, forceTiles, n, tileWidth, tileHeight);
  tileColumns_ = tileRows_ = n;
  tileRect_ = platform::RECT{0, 0, tileWidth, tileHeight};
  if (!Failed()) ApplyDrawingMode();
  if (!Failed()) SetDepthUnit(100.0);
  if (!Failed()) SetLights(nullptr, true);
  if (!Failed()) SetViewportRect(rect);
}

void QView::DestroyRenderTarget() {
  DestroyContext();
  outputBitmap_.Destroy();
}

// ---- frames --------------------------------------------------------------------

void QView::ComputeLineScales(double& scale, int& scaleInt) const {
  const int base = samplingFactor_ != 0 && recordSpare_ != 1 ? samplingFactor_ : 1;
  scale = base * lineScale_;
  scaleInt = base * static_cast<int>(lineScale_);
}

void QView::RenderFrame(engine::MObject* scene) {
  const int start = NowMilliseconds();
  renderer_->SetPolygonOffset(true);
  engine::EngGlobalContext& context = engine::EngContext();
  ComputeLineScales(context.renderScale, context.renderScaleInt);
  renderer_->RenderTiles(scene, this);
  MatrixRecord worldToScreen;
  GetProjectionMatrix(worldToScreen);
  renderer_->SetPolygonOffset(false);
  lastFrameTime_ = NowMilliseconds() - start;
}

void QView::DrawScene(engine::MObject* scene, int tileColumn, int tileRow, bool tiled, bool draw) {
  if (scene == nullptr) return;
  if (!framePrepared_) {
    // What is drawn may have changed since the last pick: the next pick
    // projects the scene again.
    if (scene->GetProjectedView() == this) scene->SetProjectedView(nullptr);
    framePrepared_ = true;
    engine::BoundsRecord bounds;
    scene->GetLocalBounds(bounds);
    if (bounds.empty == 0) {
      double unit = (bounds.maxX - bounds.minX) + (bounds.maxY - bounds.minY) + (bounds.maxZ - bounds.minZ);
      if (projectionKind_ != kProjectionParallel) unit += distance_;
      if (unit > 0.0) depthUnit_ = unit;  // a scene of one point keeps the depth range it had
    }
    SetupProjection(viewRect_, true, tileColumn, tileRow, tiled);
    if (Failed()) return;
    SetLights(nullptr, true);
  }
  const MatrixRecord view = GetViewMatrix();
  engine::DrawRecord record;
  GetEyeAndTarget(record.eye, record.target);
  TakeGridColor(scene);
  if (!cameraToScreenValid_) {
    BuildProjectionMatrix(cameraToScreen_);
    cameraToScreenValid_ = true;
  }
  renderer_->MultMatrix(&view.m[0][0]);
  if (Failed()) return;
  if (!worldToScreenValid_) {
    BuildProjectionMatrix(worldToScreen_);
    worldToScreenValid_ = true;
  }
  renderer_->SetMatrixMode(engine::kMatrixModelView);
  if (drawMode_ == 6) {
    const MatrixRecord inverse = GetInverseViewMatrix();
    PointRecord light = LightDirection(lights_.firstAngles[0], lights_.secondAngles[0], 0.0), origin;
    engine::MUtilTransformPoint(inverse, light, light);
    engine::MUtilTransformPoint(inverse, PointRecord{0.0, 0.0, 0.0}, origin);
    PointRecord eye{origin.x - light.x, origin.y - light.y, origin.z - light.z};
    engine::OsUtilNormalize(eye);
    eyeDirection_ = eye;
  }
  renderer_->BeginSceneDraw();
  if (draw) {
    renderer_->DeleteDisplayList(this);
    GetGuideSegment(scene, record.sectionOrigin, record.sectionStep);
    scene->Draw(this, record);
    if (Failed()) return;
  }
  if (axisViewFlag_) UpdateGridScreenRect(scene);
  worldPerPixel_ = WorldPerPixel();
}

double QView::WorldPerPixel() const {
  const double w = viewRect_.right - viewRect_.left;
  if (w <= 0.0 || !viewValid_) return worldPerPixel_;
  const MatrixRecord& m = viewMatrix_;
  const double scale = std::sqrt(m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1] + m.m[0][2] * m.m[0][2]);
  if (scale <= 0.0) return worldPerPixel_;
  double cameraUnits = 2.0 * frameHalfWidth_ / w;
  if (projectionKind_ != kProjectionParallel) {
    const double depth = m.m[3][2];  // the world origin's distance along the view axis
    if (frameNear_ <= 0.0 || depth <= 0.0) return worldPerPixel_;
    cameraUnits *= depth / frameNear_;
  }
  return cameraUnits / scale;
}

void QView::InvalidateCache() {
  if (HasContext() && platform::GlContext::AnyCurrent()) renderer_->DeleteDisplayList(this);
  ClearOverlayLines3(true);
}

// ---- lights and background colour ----------------------------------------------

void QView::LightTurn(double first, double second, double third, MatrixRecord& m) const {
  engine::MUtilIdentity(m);
  if (lights_.sceneFixed != 0) {
    engine::MUtilRotateZ(m, roll_, m);
    engine::MUtilRotateX(m, pitch_, m);
    engine::MUtilRotateY(m, yaw_, m);
  }
  engine::MUtilRotateY(m, -first, m);
  engine::MUtilRotateX(m, -second, m);
  engine::MUtilRotateZ(m, -third, m);
}

PointRecord QView::LightDirection(double first, double second, double third) {
  MatrixRecord m;
  LightTurn(first, second, third, m);
  PointRecord out;
  engine::MUtilTransformVector(m, PointRecord{0.0, 0.0, 1.0}, out);
  return out;
}

void QView::GetDefaultLights(LightSettings& out) {
  out = LightSettings{};
  out.firstAngles[0] = 0.8796459430051413;
  out.secondAngles[0] = -0.8796459430051413;
  out.firstAngles[1] = -kHalfPi;
  out.secondAngles[1] = 0.0;
  out.intensities[0] = 35.0;
  out.intensities[1] = 0.0;
  out.ambient = 50.0;
  out.sceneFixed = 0;
}

void QView::SetLights(const LightSettings* settings, bool apply) {
  if (settings != nullptr) {
    lights_ = *settings;
    if (!apply) return;
  }
  ApplyLights();
}

void QView::ApplyLights() {
  renderer_->EnableLighting(true);
  const float a = static_cast<float>(lights_.ambient / 130.0) + 0.26f;
  appliedAmbient_ = lights_.ambient;
  const float ambient[4] = {a * static_cast<float>(lights_.colours[6]), a * static_cast<float>(lights_.colours[7]),
                            a * static_cast<float>(lights_.colours[8]), 1.0f};
  renderer_->SetLightModel(ambient, 0.0f, 1.0f);
  for (int i = 0; i < 2; ++i) {
    const double intensity = lights_.intensities[i];
    const float s = static_cast<float>(intensity / 100.0);
    const float d = static_cast<float>(std::min(1.0, intensity / 50.0));
    const float k = s < 0.5f ? 1.4f * s : 0.7f + 0.6f * (s - 0.5f);
    const double* colour = &lights_.colours[3 * i];
    const float diffuse[4] = {k * static_cast<float>(colour[0]), k * static_cast<float>(colour[1]),
                              k * static_cast<float>(colour[2]), 1.0f};
    const float specular[4] = {d * static_cast<float>(colour[0]), d * static_cast<float>(colour[1]),
                               d * static_cast<float>(colour[2]), 1.0f};
    const PointRecord v = LightDirection(lights_.firstAngles[i], lights_.secondAngles[i], 0.0);
    const float position[4] = {static_cast<float>(-v.x), static_cast<float>(-v.y), static_cast<float>(-v.z), 0.0f};
    renderer_->SetLight(i, nullptr, diffuse, specular, position, nullptr);
    appliedIntensities_[i] = intensity;
  }
}

void QView::GetAppliedIntensities(double& first, double& second) const {
  first = appliedIntensities_[0];
  second = appliedIntensities_[1];
}

void QView::SetBackgroundColor(int r, int g, int b) {
  background_[0] = r;
  background_[1] = g;
  background_[2] = b;
  if (!platform::GlContext::AnyCurrent()) return;
  const float rgb[3] = {r / 255.0f, g / 255.0f, b / 255.0f};
  renderer_->SetClearColor(rgb);
}

void QView::GetBackgroundColor(int& r, int& g, int& b) const {
  r = background_[0];
  g = background_[1];
  b = background_[2];
}

void QView::GetSpareInts(int& a, int& b) const {
  a = spareInts_[0];
  b = spareInts_[1];
}

void QView::SetSpareInts(int a, int b) {
  spareInts_[0] = a;
  spareInts_[1] = b;
}

void QView::GetGridScreenRect(int out[4]) const {
  for (int i = 0; i < 4; ++i) out[i] = gridScreenRect_[i];
}

}  // namespace view
