// The 3D shape: the scene's life, its member file, its picture on the page,
// hits and pose handles.
#include "page/SFig3D.h"

#include <algorithm>
#include <cmath>

#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "imaging/FileDialogs.h"
#include "imaging/PixelOps.h"
#include "imaging/Utilities.h"
#include "page/PageMembers.h"
#include "page/PnFile.h"
#include "page/PnGlobal.h"
#include "page/PropVal.h"
#include "page/ResultCodes.h"
#include "page/SFigRect.h"
#include "page/SObj.h"
#include "page/ShapeGeometry.h"
#include "platform/Blit.h"
#include "platform/Dc.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"

namespace page {

namespace {

// The save dialog of a scene export.
constexpr int kStrSceneFilter = 267;
constexpr int kStrSceneTitle = 268;
constexpr int kStrSceneName = 269;
constexpr int kStrSceneExtension = 271;

// The save flags of scenes written by the page.
int SceneSaveFlags() { return PnGlobal::Get().prefs->mZ4Compress != 0 ? facade::kSaveCompressed : 0; }

int Truncated(double value) { return TruncateToInt(value); }

// The page's handle kind of an outline line's kind (0-15), for the lines
// that show as a segment; `previous` stays for kinds outside the table.
int SegmentHandleKind(int lineKind, int previous) {
  switch (lineKind) {
    case 0:
    case 6: return 1;
    case 3: return 2;
    case 7: return 5;
    case 8: return 6;
    case 9: return 7;
    case 10: return 8;
    case 11: return 9;
    case 12: return 10;
    case 13: return 11;
    case 14: return 12;
    case 15: return 13;
    default: return previous;
  }
}

}  // namespace

SFig3D::SFig3D() = default;

SFig3D::SFig3D(std::unique_ptr<facade::KxLibR> scene) : scene_(std::move(scene)) {}

SFig3D::~SFig3D() = default;

void SFig3D::SetScene(std::unique_ptr<facade::KxLibR> scene) {
  scene_ = std::move(scene);
  kept_ = false;
  keptRecord_.clear();
  keptMember_.clear();
}

void SFig3D::KeepAsStored(std::string record, std::string member) {
  scene_.reset();
  kept_ = true;
  keptRecord_ = std::move(record);
  keptMember_ = std::move(member);
}

void SFig3D::AttachToObject(SObj& object) {
  if (!scene_) return;
  facade::KxLibV& view = scene_->GetView();
  PropSCVal P;
  object.TakePropSC(P);
  int width = 0, height = 0, factor = 0;
  double lineScale = 1.0;
  view.GetOutputSize(width, height, factor, lineScale);
  P.width = width;
  P.height = height;
  object.ApplyPropSC(P, false);

  PropLTVal light;
  object.TakePropLT(light);
  view.GetLight(light.lightHorizontal, light.lightVertical, light.contrast, light.brightness);
  light.shading = view.GetShadingKind();
  // The view takes the values as the bars show them (whole degrees), so
  // that undoing a later change gives back exactly this view.
  view.SetLight(light.lightHorizontal, light.lightVertical, light.contrast, light.brightness);
  object.ApplyPropLT(light, false);

  Prop3DVal camera;
  object.TakeProp3D(camera);
  view.GetCameraSettings(camera.horizontalAngle, camera.verticalAngle, camera.lens, camera.distance, camera.targetX,
                         camera.targetY, camera.targetZ);
  camera.level = 110;
  view.SetCameraSettings(camera.horizontalAngle, camera.verticalAngle, camera.lens, camera.distance, camera.targetX,
                         camera.targetY, camera.targetZ);
  object.ApplyProp3D(camera, false);

  Prop2DVal V;
  int lineKind = 0;
  view.GetDrawStyle(V.lineWidth, lineKind, V.lineColor, V.fillColor, V.lineColorMode, V.fillColorMode,
                    V.edgeQuality);
  V.lineStyle = lineKind;
  object.ApplyProp2D(V, false);
  view.UsePageDrawMode();
}

std::unique_ptr<SFig> SFig3D::Clone() const {
  auto copy = std::make_unique<SFig3D>();
  if (!scene_) {
    if (kept_) copy->KeepAsStored(keptRecord_, keptMember_);
    return copy;
  }
  std::unique_ptr<facade::KxLibR> scene = scene_->Duplicate();
  if (!scene) return nullptr;
  int width = 0, height = 0, factor = 0;
  double lineScale = 1.0;
  scene_->GetView().GetOutputSize(width, height, factor, lineScale);
  scene->GetView().SetOutputSize(width, height, factor, lineScale);
  scene->SetLibraryFolder(scene_->GetLibraryFolder());
  copy->SetScene(std::move(scene));
  return copy;
}

// ---- the page stream and the member --------------------------------------------------

void SFig3D::Write(PnFile& file, int objectId) const {
  const std::string path = platform::JoinPath(file.GetFolder(), SceneMemberName(objectId));
  if (!scene_) {
    if (!kept_) {
      file.WriteEmptyBlock();
      return;
    }
    file.WriteBytes(keptRecord_.data(), keptRecord_.size());
    WriteMemberFile(path, keptMember_);
    return;
  }
  file.WriteEmptyBlock();
  if (scene_->SaveWithOptions(path, SceneSaveFlags(), nullptr, std::string()) < 0)
    throw PnFileError(kResultDiskFull, "the scene of object " + std::to_string(objectId) + " cannot be saved");
}

void SFig3D::Read(PnFile& file, int objectId) {
  const std::int64_t start = file.GetPosition();
  file.SkipBlock();
  SetScene(nullptr);
  const std::optional<std::string> member = file.FindMember(SceneMemberName(objectId));
  // A figure without its scene cannot be made: the code of a shape without
  // its figure.
  if (!member)
    throw PnFileError(kResultNoMemory, "the scene member of object " + std::to_string(objectId) + " is missing");
  auto scene = std::make_unique<facade::KxLibR>();
  scene->SetLibraryFolder(PnGlobal::Get().GetDataFolder());
  const int opened = scene->Open(*member);
  if (opened == facade::kFacadeFailed)
    throw PnFileError(kResultNoMemory, "no memory for the scene of object " + std::to_string(objectId));
  if (opened < 0) {
    // Damaged: kept as read, so that saving the page loses nothing.
    KeepAsStored(std::string(file.BytesBetween(start, file.GetPosition())), ReadMemberFile(*member));
    return;
  }
  scene_ = std::move(scene);
}

// ---- drawing -------------------------------------------------------------------------

void SFig3D::DrawStandIn(platform::Image& target, const SDrawSize& size) {
  const SPoint inner(size.width - size.margin * size.scale, size.height - size.margin * size.scale);
  const SOutline box = SFigRect().BuildOutline(SPoint(size.width, size.height) * 0.5, inner, 0.0, 1, 0);
  platform::Dc dc(target);
  dc.SelectPen(platform::Pen{0x808080, 1});
  dc.Polyline(std::span(box.points).first(5));
}

bool SFig3D::RenderImage(platform::Image& target, const SDrawSize& size, const Prop2DVal& /*V*/,
                         bool /*vectorOnly*/, int& result) {
  result = kResultNoMemory;
  if (!scene_) {
    // Nothing to render; a shape kept as read shows where it is.
    imaging::PnUtilFillImage(target, 0, 0);
    if (kept_) DrawStandIn(target, size);
    result = kResultOk;
    return true;
  }
  const double inset = size.margin * size.scale;
  const double left = inset / 2, width = size.width - inset, height = size.height - inset;
  facade::KxLibV& view = scene_->GetView();
  // Export and printing render at the size they draw, with lines to scale.
  const bool sized = size.mode > kDrawScreenRotating;
  int keptWidth = 0, keptHeight = 0, keptFactor = 0;
  double keptLineScale = 1.0;
  view.GetOutputSize(keptWidth, keptHeight, keptFactor, keptLineScale);
  if (sized) view.SetOutputSize(std::max(Truncated(width), 1), std::max(Truncated(height), 1), keptFactor, size.scale);

  const platform::Image* image = nullptr;
  if (view.IsImageValid()) {
    image = view.GetImage(true);
  } else {
    if ((size.mode == kDrawScreenRotating) != (lastDrawMode_ == kDrawScreenRotating)) view.InvalidateView();
    if (size.mode == kDrawScreenResizing) {
      // While a resize drag runs the last picture is stretched; a shape
      // that never rendered renders once.
      view.LockImage();
      image = view.GetImage(true);
      view.UnlockImage();
      if (image == nullptr) image = view.GetImage(true);
    } else if (size.mode == kDrawScreenRotating) {
      view.BeginSilhouetteRender();
      image = view.GetImage(true);
      view.EndSilhouetteRender();
    } else {
      image = view.GetImage(true);
    }
    lastDrawMode_ = size.mode;
  }
  bool drawn = false;
  if (image != nullptr && image->Width() > 0 && image->Height() > 0) {
    imaging::PnUtilFillImage(target, 0, 0);
    const platform::RECT into{Truncated(left), Truncated(left), Truncated(left + width), Truncated(left + height)};
    platform::AlphaBlendBits(target, into, *image, platform::RECT{0, 0, image->Width(), image->Height()},
                             platform::BlendFunction{255, true});
    result = kResultOk;
    drawn = true;
  }
  if (sized) view.SetOutputSize(keptWidth, keptHeight, keptFactor, keptLineScale);
  return drawn;
}

void SFig3D::RenderScene() {
  if (scene_) scene_->GetView().Render(true);
}

// ---- handles and hits -------------------------------------------------------------------

std::span<SCtlp> SFig3D::GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing) {
  if (!editing || !scene_) {
    // The box keeps its proportions: corners and the rotation handle.
    for (int i = 0; i < kStandardHandleCount; ++i) {
      SCtlp& h = handles_[static_cast<std::size_t>(i)];
      h = SCtlp{i < 4 || i == kRotationHandle, false, h.x, h.y, 0};
    }
    return handles_;
  }
  poseHandles_.assign(kStandardHandleCount, SCtlp{});
  AddPoseHandles(P, V);
  return poseHandles_;
}

void SFig3D::AddPoseHandles(const PropSCVal& P, const Prop2DVal& V) {
  std::vector<platform::POINT> points;
  std::vector<int> kinds;
  scene_->GetView().GetOutlineLines(points, kinds);
  const std::size_t lines = std::min(kinds.size(), points.size() / 2);
  // The array grows with the scene's lines, however many there are.
  poseHandles_.reserve(kStandardHandleCount + 2 * lines);
  int segmentKind = 1;
  for (std::size_t i = 0; i < lines; ++i) {
    const platform::POINT first = points[2 * i], second = points[2 * i + 1];
    const int kind = kinds[i];
    if (kind == 1 || kind == 2 || kind == 4) {
      poseHandles_.push_back(SCtlp{true, true, double(first.x), double(first.y), 4});
    } else if (kind == 5) {
      poseHandles_.push_back(SCtlp{true, true, double(first.x), double(first.y), 3});
    } else {
      segmentKind = SegmentHandleKind(kind, segmentKind);
      poseHandles_.push_back(SCtlp{true, true, double(first.x), double(first.y), segmentKind});
      poseHandles_.push_back(SCtlp{false, true, double(second.x), double(second.y), segmentKind});
    }
  }
  // Picture pixels to page points: the picture starts inside the box, half
  // the margin in from its corner, and holds f pixels a page pixel.
  const double f = V.SupersamplingFactor();
  const double left = P.x - (P.width - P.margin) / 2, top = P.y - (P.height - P.margin) / 2;
  for (std::size_t i = kStandardHandleCount; i < poseHandles_.size(); ++i) {
    poseHandles_[i].x = left + poseHandles_[i].x / f;
    poseHandles_[i].y = top + poseHandles_[i].y / f;
  }
}

bool SFig3D::HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const {
  if (!SFig::HitTest(P, V, point, tolerance)) return false;
  // A shape kept as read has no picture: its box is what there is to hit.
  if (!scene_) return kept_;
  const platform::Image* image = scene_->GetView().GetImage(true);
  if (image == nullptr) return false;
  const SPoint inner = InnerSize(P);
  if (inner.x <= 0 || inner.y <= 0) return false;
  // The picture is not turned with the object: no rotation here.
  const SPoint d = point - SPoint(P.x, P.y);
  const int px = static_cast<int>(std::floor(image->Width() * (inner.x / 2 + d.x) / inner.x));
  const int py = static_cast<int>(std::floor(image->Height() * (inner.y / 2 + d.y) / inner.y));
  if (px < 0 || py < 0 || px >= image->Width() || py >= image->Height()) return false;
  std::uint32_t colour = 0;
  int alpha = 0;
  imaging::PnUtilGetPixel(*image, {px, py}, colour, alpha);
  return alpha > 0;
}

void SFig3D::ResetRotation(PropSCVal& P) {
  P.angle = 0.0;
  P.margin = 0.0;
}

// ---- property values ------------------------------------------------------------------

void SFig3D::Apply2DProps(Prop2DVal& V, PropSCVal& P) {
  SFig::Apply2DProps(V, P);
  if (!scene_) return;
  facade::KxLibV& view = scene_->GetView();
  int width = 0, kind = 0, lineMode = 0, faceMode = 0, factor = 0;
  platform::COLORREF lineColour = 0, faceColour = 0;
  view.GetDrawStyle(width, kind, lineColour, faceColour, lineMode, faceMode, factor);
  if (V.lineWidth != width) view.SetLineWidth(V.lineWidth);
  if (V.lineColor != lineColour || V.lineColorMode != lineMode || V.lineStyle != kind)
    view.SetLineColor(V.lineColor, V.lineColorMode, V.lineStyle);
  if (V.fillColor != faceColour || V.fillColorMode != faceMode) view.SetFaceColor(V.fillColor, V.fillColorMode);
  // No supersampling is the factor 0, as figures store it.
  if (V.SupersamplingFactor() != factor) view.SetSupersampling(V.SupersamplingFactor() > 1 ? V.SupersamplingFactor() : 0);
  // The values show what the facade kept.
  view.GetDrawStyle(V.lineWidth, V.lineStyle, V.lineColor, V.fillColor, V.lineColorMode, V.fillColorMode,
                    V.edgeQuality);
}

void SFig3D::Apply3DProps(const Prop3DVal& camera, PropSCVal& /*P*/) {
  if (!scene_) return;
  facade::KxLibV& view = scene_->GetView();
  int horizontal = 0, vertical = 0, lens = 0, zoom = 0;
  double x = 0, y = 0, z = 0;
  view.GetCameraSettings(horizontal, vertical, lens, zoom, x, y, z);
  const bool moved = std::fabs(camera.targetX - x) >= 1e-6 || std::fabs(camera.targetY - y) >= 1e-6 ||
                     std::fabs(camera.targetZ - z) >= 1e-6;
  if (camera.horizontalAngle != horizontal || camera.verticalAngle != vertical || camera.lens != lens ||
      camera.distance != zoom || moved)
    view.SetCameraSettings(camera.horizontalAngle, camera.verticalAngle, camera.lens, camera.distance,
                           camera.targetX, camera.targetY, camera.targetZ);
}

// The light bar's brightness is the view's ambient level and its contrast
// the strength of the first light.
void SFig3D::ApplyLTProps(const PropLTVal& light, PropSCVal& /*P*/) {
  if (!scene_) return;
  facade::KxLibV& view = scene_->GetView();
  int horizontal = 0, vertical = 0, intensity = 0, ambient = 0;
  view.GetLight(horizontal, vertical, intensity, ambient);
  if (light.lightHorizontal != horizontal || light.lightVertical != vertical || light.contrast != intensity ||
      light.brightness != ambient)
    view.SetLight(light.lightHorizontal, light.lightVertical, light.contrast, light.brightness);
  if (light.shading != view.GetShadingKind()) view.SetShadingKind(light.shading);
}

void SFig3D::ApplySCProps(PropSCVal& P) {
  if (!scene_) return;
  facade::KxLibV& view = scene_->GetView();
  double x = 0, y = 0, roll = 0;
  view.GetCameraAngles(x, y, roll);
  // 0 - angle: an unturned object rolls by +0, as a new scene does.
  const double wanted = 0.0 - P.angle;
  if (std::fabs(roll - wanted) > 1e-6) view.SetCameraAngles(x, y, wanted);
  int width = 0, height = 0, factor = 0;
  double lineScale = 1.0;
  view.GetOutputSize(width, height, factor, lineScale);
  const int newWidth = Truncated(P.width - P.margin * lineScale);
  const int newHeight = Truncated(P.height - P.margin * lineScale);
  if (newWidth != width || newHeight != height) view.SetOutputSize(newWidth, newHeight, factor, lineScale);
}

void SFig3D::Run3DMove(Calc3DMoveVal& move) {
  if (!scene_) return;
  scene_->GetView().Pan(move.dx, move.dy, move.targetX, move.targetY, move.targetZ);
  move.done = true;
}

void SFig3D::UpgradeAfterRead(SObj& object) {
  if (!scene_ || object.props3D.level >= 110) return;
  int horizontal = 0, vertical = 0, lens = 0, zoom = 0;
  Prop3DVal& camera = object.props3D;
  scene_->GetView().GetCameraSettings(horizontal, vertical, lens, zoom, camera.targetX, camera.targetY,
                                      camera.targetZ);
  camera.level = 110;
}

// ---- export ---------------------------------------------------------------------------

int SFig3D::ExportScene(const std::string& path) {
  if (!scene_) return kResultNoMemory;
  std::string target = path;
  if (target.empty() &&
      !imaging::PnUtilSaveFileDialogByIds(kStrSceneFilter, kStrSceneName, kStrSceneTitle, kStrSceneExtension, target))
    return kResultOk;
  imaging::SetAppCursor(platform::kCursorWait);
  const platform::COLORREF white = 0xFFFFFF;
  const std::string libraryName = platform::FileNameOf(PnGlobal::Get().GetDataFolder());
  const int result = scene_->SaveWithOptions(target, SceneSaveFlags(), &white, libraryName);
  imaging::SetAppCursor(platform::kCursorArrow);
  return result;
}

}  // namespace page
