#pragma once
// The 3D view: one camera looking at one scene, with its projection, its two
// lights, its drawing style, the off-screen OpenGL context it renders into
// and the output picture of tiled or supersampled renders. Every view draws
// into memory (platform::GlContext); a window only shows the picture.
//
// The view is split by topic:
//   QView_Camera.cpp  camera, projection, points to the screen, camera record
//   QView_Render.cpp  construction, contexts, output and tiles, frames, lights
//   QView_Picture.cpp the background picture: drawing, loading, holding
//   QView_Style.cpp   draw-style settings
//   QView_Record.cpp  the view record of scene files
//
// Matrices follow the engine's convention: row vectors, p' = p × M.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "engine/core/QView.h"
#include "engine/image/OsUtilBitmap.h"
#include "engine/image/OsUtilDraw.h"
#include "engine/scene/AnimKeys.h"
#include "engine/scene/PictureView.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"
#include "view/ViewTypes.h"

namespace engine {
class MDocObj;
class MFace;
class MLine;
class MVertex;
class MObject;
class MShader;
class QFile;
}  // namespace engine

namespace platform {
class Dc;
class GlContext;
}

namespace view {

class QImpGL;

// Mouse points travel packed: x in the high 16 bits, y in the low 16 bits,
// both signed, in pixels of the view rectangle (origin top left).
std::uint32_t PackScreenPoint(int x, int y);
void UnpackScreenPoint(std::uint32_t packed, int& x, int& y);

// The mesh elements a pick hit (any may be null).
struct PickedElements {
  engine::MVertex* vertex = nullptr;
  engine::MLine* line = nullptr;
  engine::MFace* face = nullptr;
};

// One camera of the view history.
struct CameraHistoryEntry {
  bool empty = true;
  int projectionKind = 0;
  int savedProjectionKind = 0;
  engine::PointRecord target{0.0, 0.0, 0.0};
  double yaw = 0.0, pitch = 0.0, roll = 0.0, distance = 0.0, zoomFactor = 0.0, depthUnit = 0.0;
  int axisCode = 0, savedAxisCode = 0, axisViewMarker = 0;
};

// The figure view's zoom value (a percentage-like number on the property
// bar) and the view's zoom factor, each the other's inverse.
int ZoomValueOfFactor(double zoom);
double ZoomFactorOfValue(int value);

// A screen region for region picks: the polygon through the corners
// (pixels of the view), filled by the winding rule.
class ScreenRegion : public engine::QViewRegion {
 public:
  explicit ScreenRegion(const engine::PointArray& corners);
  bool Contains(double x, double y) const override;

 private:
  engine::EngRegion region_;
};

using DeferredEntry = engine::DeferredEntry;

// The view is also what the scene's camera keys record from and apply to.
class QView : public engine::QView, public engine::AnimView, public engine::PictureView {
 public:
  using PointRecord = engine::PointRecord;
  using MatrixRecord = engine::MatrixRecord;

  // Builds a view whose off-screen context covers `rect`. When no context
  // can be made the engine failure state says out of memory and the view
  // has none; its settings still work. A renderer mode other than 0 is a
  // fatal error (this program never asks for another).
  explicit QView(const platform::RECT& rect, int rendererMode = 0);
  // The same with a renderer of the caller's (one that extends QImpGL, such
  // as a test's that records what the view asks of it).
  QView(const platform::RECT& rect, std::unique_ptr<QImpGL> renderer);
  ~QView() override;
  QView(const QView&) = delete;
  QView& operator=(const QView&) = delete;

  // ---- what the engine's objects ask of the view ----------------------------
  engine::QImp* GetRenderer() override;
  QImpGL& Renderer() { return *renderer_; }
  PointRecord GetEyeDirection() const override { return eyeDirection_; }
  void SetEyeDirection(const PointRecord& direction) override { eyeDirection_ = direction; }
  bool IsExcludedShown() const override { return excludedShown_; }
  void SetExcludedShown(bool shown) { excludedShown_ = shown; }
  void DrawMarkerPoint(const PointRecord& point, double size) override;
  int GetTileCount() const override { return tileColumns_; }
  int GetProjectionKind() const override { return projectionKind_; }
  int GetFieldOfView() const override { return fieldOfView_; }
  double GetDistance() const override { return distance_; }
  MatrixRecord GetInverseViewMatrix() override;
  // The axis code of an axis view (1 x, 2 y, 3 z) and the axis-view marker.
  int GetViewAxis() const override { return axisCode_; }
  int GetViewPresetKind() const override { return axisViewMarker_; }
  bool IsGridShown() const override { return gridShown_; }
  void SetGridShown(bool shown) { gridShown_ = shown; }
  void GetLights(double angles[2][2], bool& fixedInScene) const override;

  // ---- camera keys of the scene's animation: QView_Camera.cpp ---------------
  void GetCamera(engine::CameraKeyValues& out) override;
  // Makes the view current and applies every value at once.
  void SetCamera(const engine::CameraKeyValues& values) override;

  // ---- camera: QView_Camera.cpp ------------------------------------------------
  void SetTarget(const PointRecord& target);
  PointRecord GetTarget() const { return target_; }
  void SetAngles(double yaw, double pitch, double roll);
  void GetAngles(double& yaw, double& pitch, double& roll) const;
  void SetDistance(double distance) { distance_ = distance; }  // no invalidation
  void SetZoomFactor(double zoom) { zoomFactor_ = zoom; }      // the distance stays
  double GetZoomFactor() const { return zoomFactor_; }
  // distance := zoom × distance / old zoom factor.
  void ChangeZoom(double zoom);
  // The distance follows the ratio of the kinds' zoom factors; with
  // applyNow the projection is set up again for the renderer's viewport.
  void SetProjectionKind(int kind, bool applyNow);
  void SetProjectionKindRaw(int kind) { projectionKind_ = kind; }
  void SaveProjectionKind() { savedProjectionKind_ = projectionKind_; }
  void ClearSavedProjectionKind() { savedProjectionKind_ = 0; }
  int GetSavedProjectionKind() const { return savedProjectionKind_; }
  bool RestoreProjectionKind(bool applyNow);
  // Values are held to 1..255 (a file stores them in one byte).
  void SetFieldOfView(int value, bool applyNow);
  double GetFieldOfViewFactor() const;
  // The zoom factor of a projection kind (1.0 for an unknown kind).
  double ZoomFactorOfKind(int kind) const;
  void SetDepthUnit(double unit) { depthUnit_ = unit; }
  double GetDepthUnit() const { return depthUnit_; }
  void SetCameraSpare(double value);
  double GetCameraSpare() const { return cameraSpare_; }
  bool IsFaceOrderFlipped() const override { return faceOrderFlipped_; }
  void SetFaceOrderFlipped(bool flipped) { faceOrderFlipped_ = flipped; }
  // 0 the default view; 1 from above, 2 from the front, 3 from the side
  // (parallel); others keep the angles and take the parallel projection.
  void SetViewPreset(int preset);
  void GetCameraState(CameraState& out) const;
  void SetCameraState(const CameraState& state);

  void InvalidateMatrices();
  const MatrixRecord& GetViewMatrix() override;
  // Loads the look-at and, with setProjection, the frustum or parallel box
  // for the whole view rectangle or for one tile of it (column 0 on the
  // left, row 0 at the bottom), and the viewport.
  void SetupProjection(const platform::RECT& rect, bool setProjection, int tileColumn, int tileRow, bool tiled);
  void SetViewportRect(const platform::RECT& rect);
  int SetViewport(const platform::RECT& rect, bool setRect);
  platform::RECT GetViewportRect() const;
  const platform::RECT& GetViewRect() const { return viewRect_; }
  void SetParallelExtent(double halfWidth, double halfHeight, bool fixed);
  void ComputeParallelExtent(const platform::RECT& rect, double& halfWidth, double& halfHeight) const;
  // World to pixels of the view rectangle (origin top left, y down) from the
  // renderer's current matrices; leaves the renderer in projection mode.
  void BuildProjectionMatrix(MatrixRecord& out);
  void GetProjectionMatrix(MatrixRecord& out);
  void GetCameraToScreenMatrix(MatrixRecord& out) const;
  // x and y in pixels and the depth (perspective w, or the parallel depth).
  void ProjectPoint(const PointRecord& p, PointRecord& out);
  // x in the high 16 bits, y in the low 16 bits.
  std::uint32_t ProjectPointShort(const PointRecord& p);
  void GetEyeAndTarget(PointRecord& eye, PointRecord& target) override;
  void GetEyePosition(PointRecord& eye);
  void GetViewDirection(PointRecord& out) const override;
  void GetViewAxis(PointRecord& out);
  // The camera's placement as an object's matrix (target, turn, distance),
  // keeping the per-axis scale the matrix had: what the scene's camera
  // object takes.
  void GetCameraMatrix(MatrixRecord& io) override;
  void CopyCameraTo(QView& other);
  // The 84-byte camera record; -1 when its leading word is not 0.
  int ReadCameraRecord(engine::QFile& file, double unit);
  void WriteCameraRecord(engine::QFile& file, double unit) const;

  // Axis views.
  void SetAxisCode(int code) { axisCode_ = code; }
  int GetAxisCode() const override { return axisCode_; }
  void SetAxisViewMarker(int marker) { axisViewMarker_ = marker; }
  int GetAxisViewMarker() const { return axisViewMarker_; }
  void SaveAxisState();
  void ClearSavedAxisState();
  bool RestoreAxisState();
  void DetectAxisFromAngles();
  int GetAxisViewCode() const override;
  bool UpdateAxisViewFlag();
  bool IsAxisView() const { return axisViewFlag_; }

  // ---- contexts, output and frames: QView_Render.cpp -------------------------
  // Picking (QView_Pick.cpp). Rays run from a near point (the eye, or the
  // camera plane for a parallel camera) to a far point, in world space;
  // hits come back as world points.
  void ScreenToRay(double x, double y, PointRecord& nearPoint, PointRecord& farPoint);
  void PointToRay(std::uint32_t packed, PointRecord& nearPoint, PointRecord& farPoint);
  // Projects the scene's objects for this view unless they already are
  // (or always, with reproject).
  int BeginPick(engine::MObject* scene, std::uint32_t packed, PointRecord* screen, PointRecord& nearPoint,
                PointRecord& farPoint, bool reproject);
  // What a point pick asks for.
  enum PickKinds : int { kPickVertex = 1, kPickLine = 2, kPickFace = 4, kPickAllKinds = 7 };
  // The nearest object under the point with the elements of the kinds asked
  // for (faces only outside draw mode 0); a hit vertex or line pulls the
  // hit point exactly onto itself.
  engine::MObject* PickNearest(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit,
                               PickedElements* elements, int kinds = kPickAllKinds);
  void ToObjectHit(engine::MDocObj* scene, engine::MObject* object, const PickedElements& elements,
                   PointRecord& hit, PointRecord& local);
  // PickNearest with the hit also in the object's own coordinates and
  // whether the hit element is selected.
  engine::MObject* PickWithHit(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit, PointRecord& local,
                               PickedElements& elements, bool* selected, int kinds = kPickAllKinds);
  engine::MObject* PickObject(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit);
  // The element under the point classified for the page's tools. The
  // requested kind comes in through `code`, the answer goes out through it:
  //   0  1 vertex, 2 line, 3 face (0 left as it is without a hit); `marked`
  //      says whether a hit vertex is a root joint (flag 0x100)
  //   2, 3  on a figure without a bound skin (2) or with one (3), a bone:
  //      20 + ring for a rotation ring, 4 near the bone's middle, else 0;
  //      kind 2 on a figure with a bound skin: 1 joint, 2 bone, else 0
  //   5  the colour class of a body element (2 red, magenta, green; 1 blue;
  //      3 cyan, yellow; 0 none)
  //   6  the hit line's width byte, lines alone asked; 5 without a line
  //   other kinds: 2 for a hit line with a side open, else 0
  engine::MObject* PickElement(engine::MDocObj* scene, std::uint32_t packed, int& code, bool* selected,
                               PointRecord& hit, bool* marked, PickedElements* elements = nullptr);
  engine::MObject* PickInRect(engine::MDocObj* scene, const PointRecord& a, const PointRecord& b,
                              PointRecord& hit);
  // Every editable top-level object with an element inside the rectangle.
  void SelectInRect(engine::MDocObj* scene, const PointRecord& a, const PointRecord& b,
                    std::vector<engine::MObject*>& out);
  // The world length of one pixel at world point p seen under the point.
  double WorldPerPixel(std::uint32_t packed, const PointRecord& p);

  // ---- further picks: QView_PickRegion.cpp ------------------------------------
  // The face under the point with its scene-wide mesh index, its index in
  // its mesh and its colour; false when no face with a colour is there.
  // Every face counts here, not only figures' in their groups.
  bool PickFace(engine::MDocObj* scene, std::uint32_t packed, int& meshIndex, int& faceIndex,
                std::uint32_t& colour);
  // The object whose box handle lies under the point, unless its surface
  // is well behind another one there (more than a tenth of its box's
  // diagonal); the hit on the handle.
  engine::MObject* PickSurfacePoint(engine::MDocObj* scene, std::uint32_t packed, PointRecord& hit);
  // Appends one engine::ElementSelection (the caller's) per mesh with
  // counted vertices in the region; with `only`, that object's alone (more
  // than one answer is fatal). Answers how many were appended.
  int PickInRegion(engine::MDocObj* scene, const engine::QViewRegion& region, engine::MObject* only,
                   engine::PtrArray& out);
  // PickInRegion over the whole view rectangle.
  int SelectAllInView(engine::MDocObj* scene, engine::PtrArray& out);
  // The first object hit along a screen polyline: its points first, then
  // in each of `rounds` rounds the points halfway between those tried on
  // every edge (the closing edge too when closed). `packed` receives the
  // point that hit.
  engine::MObject* PickAlongPolyline(engine::MDocObj* scene, const engine::PointArray& polyline, int rounds,
                                     bool closed, PointRecord& hit, std::uint32_t& packed);
  // Where the ray under the point meets the plane across the axis (the
  // axis code's): through the origin for an axis view, else through the
  // scene's primitive extent. 0 (or 1 behind the eye) with the point, -1
  // when the ray runs along the plane.
  int PickOnAxisPlane(std::uint32_t packed, engine::MDocObj* scene, PointRecord& out);
  // The vertex under the point, and for one with a mirror partner the
  // screen points of both (true).
  bool PickJointPoints(engine::MDocObj* scene, std::uint32_t packed, engine::MVertex*& vertex,
                       PointRecord& hitOnScreen, PointRecord& partnerOnScreen);
  // The centre of the box of the picked elements of the one entry of `list`
  // (engine::ElementSelection records, as PickInRegion gives them), in
  // world coordinates; the target when there is nothing to centre on.
  void GetSelectionCenter(PointRecord& out, const engine::PtrArray& list);

  // Camera navigation (QView_Navigate.cpp). Each move marks the camera
  // changed for the history.
  void FitToBounds(engine::MObject* object);
  // The same for a box in world coordinates.
  void FitToBox(const engine::BoundsRecord& box);
  // Zooms towards what lies under the rectangle a-b (or the point a when b
  // is null): zooming in shortens the distance, so the picture grows.
  void ZoomToRect(engine::MDocObj* scene, const PointRecord& a, const PointRecord* b, bool zoomOut);
  // Moves the camera so that what lay under `from` comes under `to`; with
  // outTarget the camera stays and the new target is only reported.
  void Pan(std::uint32_t from, std::uint32_t to, PointRecord* outTarget);
  void ScaleCamera(double factor);
  // Turns the camera the shortest way so that it looks straight along the
  // scene's one selected face (mode 0) or line (mode 1), or has it across
  // its sideways axis otherwise. False without such a selection; a turn
  // that gives no angles beeps and changes nothing.
  bool AlignToPlane(int mode, engine::MDocObj* scene);

  // The camera history (QView_History.cpp): a ring of the last ten cameras.
  static constexpr int kHistorySize = 10;
  void ResetHistory();
  void MarkCameraChanged(bool changed) { historyChanged_ = changed; }
  bool IsCameraChanged() const { return historyChanged_; }
  void PushHistory();
  void HistoryBack();
  void HistoryForward();
  bool CanGoBack() const;
  bool CanGoForward() const;
  void StoreHistoryEntry(int index);
  void RestoreHistoryEntry(int index);

  bool CreateOffscreenContext(const platform::RECT& rect);
  void DestroyContext();
  // Binds the view's context to the calling thread, or releases it.
  void MakeCurrent(bool current);
  void FinishRendering();
  bool HasContext() const;
  platform::GlContext* GetContext() { return context_.get(); }
  // The rectangle the constructor and CreateContext make the context for.
  const platform::RECT& GetRequestedRect() const { return requestedRect_; }
  // Sets up the surface for an output of rect's size: tiles when the
  // supersampling factor is set, when forced or when the render size passes
  // the largest viewport, with an output picture of the unscaled size.
  void CreateRenderTarget(const platform::RECT& rect, bool forceTiles);
  void SetupTiles(const platform::RECT& rect, bool forceTiles);
  void RecreateRenderTarget(const platform::RECT& rect) { CreateRenderTarget(rect, true); }
  void DestroyRenderTarget();
  // The finished picture of a tiled or supersampled render; null otherwise
  // (the context's own pixels are the picture then).
  const platform::Image* GetOutputBitmap() const { return outputBitmap_.IsNull() ? nullptr : &outputBitmap_; }
  // The picture of the last frame: the output bitmap, or the context's
  // pixels (after FinishRendering).
  const platform::Image* GetFramePicture() const;
  // The same picture for drawing overlays on it with a platform::Dc after
  // FinishRendering.
  platform::Image* GetFramePicture();
  const platform::RECT& GetTileRect() const { return tileRect_; }
  void GetMaxViewport(int& width, int& height) const;
  void SetMaxViewport(int width, int height);

  void RenderFrame(engine::MObject* scene);
  void RenderFrameForward(engine::MObject* scene) { RenderFrame(scene); }
  void DrawScene(engine::MObject* scene, int tileColumn, int tileRow, bool tiled, bool draw);

  PointRecord LightDirection(double first, double second, double third);
  // The turn that takes (0, 0, 1) to the light's direction.
  void LightTurn(double first, double second, double third, MatrixRecord& out) const;
  // With settings the view takes them; unless apply, that is all. Without
  // settings the stored lights are applied to the renderer.
  void SetLights(const LightSettings* settings, bool apply);
  void GetLights(LightSettings& out) const { out = lights_; }
  static void GetDefaultLights(LightSettings& out);
  double GetAppliedAmbient() const { return appliedAmbient_; }
  void GetAppliedIntensities(double& first, double& second) const;

  void SetBackgroundColor(int r, int g, int b);
  void GetBackgroundColor(int& r, int& g, int& b) const;

  bool IsRenderSlow() const override { return false; }  // nothing here asks for adaptive drawing
  double GetWorldPerPixel() const override { return worldPerPixel_; }
  // The world length one pixel covers at the world origin's depth.
  double WorldPerPixel() const;
  void InvalidateCache();
  void ClearRedrawFlag() { redrawWord_ = 0; }
  int GetStateFlag() const { return stateFlag_; }
  void SetStateFlag(int flag) { stateFlag_ = static_cast<unsigned char>(flag); }
  int GetUserTag() const { return userTag_; }
  void SetUserTag(int tag) { userTag_ = tag; }
  void GetSpareInts(int& a, int& b) const;
  void SetSpareInts(int a, int b);
  int GetLastFrameTime() const { return lastFrameTime_; }
  unsigned GetDisplayList() const { return displayList_; }
  void SetDisplayList(unsigned list) { displayList_ = list; }
  // The grid's box on the screen (x0, y0, x1, y1).
  void GetGridScreenRect(int out[4]) const;

  // Marker points, drawn with OpenGL inside the frame.
  void SetMarkerColor(double r, double g, double b);
  void GetMarkerColor(double out[3]) const;
  void DrawPoint(const PointRecord& point);
  void SetPointColor(double r, double g, double b);
  double GetPointSize() const { return pointSize_; }

  // The deferred-drawing list: appending records the mirror-pass switch
  // with the entry; out of memory sets the failure state.
  // ---- overlays: QView_Overlay.cpp ----------------------------------------------
  // The current overlay lines (world points, or screen pixels for kinds 10
  // and 11): collected by the scene and the drag trackers, drawn after the
  // frame. Answers 2 (failure state out of memory) when the list cannot
  // grow, else 0.
  int AddOverlayLine(const PointRecord& from, const PointRecord& to, int kind);
  engine::LineSegArray& GetOverlayLines() { return overlayLines_; }
  void ClearOverlayLines() { overlayLines_.RemoveAll(); }
  // A second list kept beside the current one, exchanged with it.
  bool HasPreviousOverlayLines() const { return previousOverlayLines_.count > 0; }
  engine::LineSegArray& GetPreviousOverlayLines() { return previousOverlayLines_; }
  void SwapOverlayLists();
  // Exchanges the current lists of the two views; this view's swapped flag
  // toggles, and while it is set its list outlives an overlay draw.
  void SwapOverlayListsWith(QView& other);
  bool IsOverlaySwapped() const { return overlaySwapped_ != 0; }
  // Thinning: beyond the first 1000 / step lines only every few are drawn.
  int GetOverlayStep() const { return overlayStep_; }
  void SetOverlayStep(int step) { overlayStep_ = step; }
  // Where full drawing ends and the stride of the thinned rest, for a list
  // of `count` lines, the step and the engine's thinning limit.
  static void ThinOverlayLines(int count, int step, int limit, int& fullEnd, int& stride);

  // Draws the overlay lines by kind on the device context (the first
  // `limit` of them, all when negative); lines with an end behind the eye
  // are left out.
  void DrawOverlaySegmentsGdi(int limit, platform::Dc& dc);
  // The first three lines by kind, the rest in one pen, thinned when long.
  void DrawOverlayLinesGdi(platform::Dc& dc);
  // By the overlay mode: 0 and 3 have the scene collect its overlay
  // segments first and draw them by kind, 5 draws the list by kind, others
  // with DrawOverlayLinesGdi; the list is emptied afterwards unless swapped.
  void DrawOverlays(engine::MDocObj* scene, platform::Dc& dc);
  // The direction of both lights as arrowheads around the view's middle.
  void DrawLightGuides(platform::Dc& dc);

  void AddOverlayLine3(engine::MObject* object, void* face, void* element, double depth);
  std::vector<DeferredEntry>& GetOverlayLines3() override { return deferred_; }
  void ClearOverlayLines3(bool force) override;

  // Read-back buffers for a picture of the frame: bytes of width × height ×
  // 4 and an image of that size. A negative width only forgets them.
  bool AllocReadbackImage(int width, int height);
  void FreeReadbackImage();
  std::uint8_t* GetReadbackBytes() { return readbackBytes_.empty() ? nullptr : readbackBytes_.data(); }
  platform::Image& GetReadbackImage() { return readbackImage_; }

  // ---- background picture: QView_Picture.cpp --------------------------------
  void DrawBackgroundPicture(const platform::RECT& tileRect, engine::MObject* scene);
  const BackgroundPicture* GetBackgroundPicture() const { return picture_.get(); }
  // The picture as the scene projects it onto meshes (pixels stay here).
  bool GetBackgroundImage(engine::RgbaImageRecord& out) override;
  void SetBackgroundPicture(std::unique_ptr<BackgroundPicture> picture);
  void FreeBackgroundPicture();
  void SetBackgroundPicturePath(const PicturePathRecord& path) { picturePath_ = path; }
  void GetBackgroundPicturePath(PicturePathRecord& out) const { out = picturePath_; }
  // Loads the picture the path names ("jpg" endings as JPEG, others as
  // Windows bitmaps) and makes its thumbnail. False, `out` empty, when it
  // cannot be loaded.
  bool LoadBackgroundPicture(const PicturePathRecord& path, BackgroundPicture& out);
  const engine::EngBitmap* GetThumbnail() const { return thumbnailValid_ ? &thumbnail_ : nullptr; }

  // ---- view record: QView_Record.cpp -------------------------------------
  void WriteRecord(engine::QFile& file);
  void ReadRecord(engine::QFile& file);
  void SkipRecord(engine::QFile& file);
  // The picture reference's kind (0 none, 1 beside the file, 3 elsewhere)
  // for the file being written; answers its size in bytes.
  int GetBackgroundPictureKind(int& kind, const engine::QFile& file) const;
  void WriteBackgroundPictureRef(int kind, engine::QFile& file) const;
  // Answers the bytes consumed.
  int ReadBackgroundPictureRef(engine::QFile& file);

  // ---- draw style: QView_Style.cpp --------------------------------------------
  void ApplyDrawingMode();
  int GetDrawMode() const override { return drawMode_; }
  void SetDrawMode(int mode) { drawMode_ = mode; }
  int GetPreviousDrawMode() const { return previousDrawMode_; }
  void SetPreviousDrawMode(int mode);
  bool IsDrawMode3Or6() const { return drawMode_ == 3 || drawMode_ == 6; }
  int GetOptionFlag() const { return optionFlag_; }
  void SetOptionFlag(int flag) { optionFlag_ = static_cast<unsigned char>(flag); }
  void GetGridColor(double out[3]) const;
  void TakeGridColor(engine::MObject* scene);
  double GetGridCellSize(engine::MObject* scene) const;
  int GetGridDivisor() const { return gridDivisor_; }
  void SetGridDivisor(int divisor) { gridDivisor_ = divisor; }
  int GetGuideMode() const { return guideMode_; }
  void SetGuideMode(int mode) { guideMode_ = mode; }
  bool IsOutlineShown() const override { return outlineShown_ != 0; }
  void SetOutlineShown(bool shown) { outlineShown_ = shown ? 1 : 0; }
  bool IsSmoothShown() const override { return smoothShown_ != 0; }
  void SetSmoothShown(bool shown) { smoothShown_ = shown ? 1 : 0; }
  bool IsCullFaces() const { return cullFaces_ != 0; }
  void SetCullFaces(bool cull) { cullFaces_ = cull ? 1 : 0; }
  bool IsAltMeshDraw() const override { return altMeshDraw_ != 0; }
  void SetAltMeshDraw(bool on) { altMeshDraw_ = on ? 1 : 0; }
  int GetAltFlag2() const { return altFlag2_; }
  void SetAltFlag2(int flag) override { altFlag2_ = static_cast<unsigned char>(flag); }
  int GetShowFlag() const { return showFlag_; }
  void SetShowFlag(int flag) { showFlag_ = static_cast<unsigned char>(flag); }
  int GetDetailLevel() const { return detailLevel_; }
  void SetDetailLevel(int level) { detailLevel_ = level; }
  int GetQuickFlag() const { return quickFlag_; }
  int GetQuickDrawLevel() const override { return quickDrawLevel_; }
  void SetQuickDrawLevel(int level) { quickDrawLevel_ = level; }
  int GetSamplingFactor() const override { return samplingFactor_; }
  void SetSamplingFactor(int factor) { samplingFactor_ = factor; }
  int GetRecordSpare() const { return recordSpare_; }
  void SetRecordSpare(int value) { recordSpare_ = value; }
  int GetSpareBits() const { return spareBits_; }
  void SetSpareBits(int bits) { spareBits_ = bits; }
  int GetNearDivisor() const { return nearDivisor_; }
  void SetNearDivisor(int divisor) { nearDivisor_ = divisor; }
  double GetLineScale() const { return lineScale_; }
  void SetLineScale(double scale) { lineScale_ = scale; }
  bool IsThinLines() const override { return thinLines_ != 0; }
  void SetThinLines(bool thin) { thinLines_ = thin ? 1 : 0; }
  void SetLineWidthOverride(bool on) { lineWidthOverride_ = on; }
  void SetLineColorOverride(bool on) { lineColorOverride_ = on; }
  void SetFaceColorOverride(bool on) { faceColorOverride_ = on; }
  bool IsLineWidthOverride() const override { return lineWidthOverride_; }
  bool IsLineColorOverride() const override { return lineColorOverride_; }
  bool IsFaceColorOverride() const override { return faceColorOverride_; }
  int GetLineWidth() const override { return lineWidth_; }
  void SetLineWidth(int width) { lineWidth_ = width; }
  platform::COLORREF GetLineColor() const override { return lineColor_; }
  void SetLineColor(platform::COLORREF colour) { lineColor_ = colour; }
  platform::COLORREF GetFaceColor() const { return faceColor_; }
  void SetFaceColor(platform::COLORREF colour);
  engine::MShader* GetOverrideShader() override { return overrideShader_.get(); }
  // The material faces are drawn with instead of their own, or null.
  engine::MShader* GetOverrideMaterial() override;
  static engine::MShader* GetDefaultGreyMaterial();
  void ApplyCullMode(bool mirrored) override;
  void UpdateGridScreenRect(engine::MObject* scene);
  void GetGuideSegment(engine::MObject* scene, PointRecord& start, PointRecord& end);
  void CopyDisplaySettingsTo(QView& other) const;
  static void GetDefaultDisplaySettings(int record[11], int colour[3], int& value);
  // The two line scales of a frame: both the supersampling factor (unless
  // the record spare keeps widths unscaled), times the line scale.
  void ComputeLineScales(double& scale, int& scaleInt) const;

  // ---- what mesh drawing reads of the page style ----------------------------
  // The tone flag, the shading kind and the line kind under the names mesh
  // drawing asks for them; the tone values are the light intensities (35
  // neutral) and the ambient level (the contrast, 50 neutral).
  int GetPageToneSwitch() const override { return toneFlag; }
  int GetPageFaceStyle() const override { return shadingKind; }
  int GetPageLineStyle() const override { return lineKind; }
  double GetToneContrast() const override { return lights_.ambient; }
  void GetToneLights(double values[2]) const override {
    values[0] = lights_.intensities[0];
    values[1] = lights_.intensities[1];
  }
  engine::MatrixRecord GetProjectionMatrix() override {
    MatrixRecord m;
    GetProjectionMatrix(m);
    return m;
  }
  PointRecord GetGridColor() const override { return {gridColour_[0], gridColour_[1], gridColour_[2]}; }
  void SetPointMarkerColor(const PointRecord& rgb) override { SetMarkerColor(rgb.x, rgb.y, rgb.z); }
  void DrawPointMarker(const PointRecord& position) override { DrawMarkerPoint(position, 0.0); }
  bool AddDeferredFace(engine::MObject* object, engine::MFace* face, const void* patch, double value) override;
  bool IsDirectPoints() const override { return false; }
  // 0 and 3 ask objects for their selected lines and vertices, other values
  // for every line.
  int GetOverlayKind() const override { return overlayMode_; }
  int GetOverlayMode() const override { return overlayMode_; }
  void SetOverlayMode(int mode) { overlayMode_ = mode; }
  // Set by the page's figure view around its collection of outline lines;
  // off, figures show no bone overlays.
  bool IsCollectingOutlines() const override { return collectingOutlines_; }
  void SetCollectingOutlines(bool on) { collectingOutlines_ = on; }
  // Sets the mode and empties the current overlay list.
  void ResetOverlayMode(int mode) {
    overlayMode_ = mode;
    ClearOverlayLines();
  }

  // Fields mesh drawing and the figure view read and write directly.
  int toneFlag = 1;     // shaded tones; 0 gives fixed tone values
  int shadingKind = 2;  // page shading kind; 0 no faces
  int lineKind = 1;     // page line kind; 0 no lines

 private:
  friend class QImpGL;
  // Sets the projection up again for the renderer's viewport; false when
  // that failed.
  bool ApplyProjectionNow();
  void ApplyRestoredCamera();
  bool OverlayEndsOnScreen(const engine::LineSegRecord& r, PointRecord& a, PointRecord& b, bool depthTest);
  static void NormalisedRect(const PointRecord& a, const PointRecord& b, PointRecord& low, PointRecord& high,
                             std::uint32_t& centre);
  void ApplyLights();
  // One point of `size` pixels (times the output's scale) in the colour.
  void DrawDot(const PointRecord& point, double size, const int colour[3], double unit);
  // The grid parameters of a scene that has a floor grid; false otherwise.
  static bool SceneGridParams(engine::MObject* scene, int& kind, double& size, int& divisions,
                              PointRecord& colour);
  static engine::MObject* SceneGridObject(engine::MObject* scene);
  void TileCounts(const platform::RECT& rect, bool forceTiles, int& n, int& tileWidth, int& tileHeight) const;

  std::unique_ptr<QImpGL> renderer_;
  std::unique_ptr<platform::GlContext> context_;
  platform::RECT requestedRect_{0, 0, 0, 0};

  // camera
  MatrixRecord viewMatrix_{};
  MatrixRecord inverseViewMatrix_{};
  MatrixRecord worldToScreen_{};
  MatrixRecord cameraToScreen_{};
  engine::LineSegArray overlayLines_;
  engine::LineSegArray previousOverlayLines_;
  int overlaySwapped_ = 0;
  int overlayStep_ = 1;
  MatrixRecord pickProjection_{};  // the camera the scene was last projected with for picks
  CameraHistoryEntry history_[kHistorySize];
  int historyNewest_ = 0;
  int historyOldest_ = 0;
  int historyCurrent_ = 0;
  bool historyChanged_ = true;
  bool includeExcluded_ = false;  // excluded objects take part in picks
  int projectionKind_ = kProjectionFieldOfView;
  int savedProjectionKind_ = 0;
  PointRecord target_{0.0, 0.0, 0.0};
  double yaw_ = 0.7;
  double pitch_ = -0.4;
  double roll_ = 0.0;
  double distance_ = 7.0;
  double zoomFactor_ = 0.5;
  double depthUnit_ = 100.0;
  int axisCode_ = 2;
  int savedAxisCode_ = 0;
  int axisViewMarker_ = kAxisViewMarker;
  int savedAxisViewMarker_ = 0;
  double cameraSpare_ = 1.0;
  bool viewValid_ = false;
  bool inverseValid_ = false;
  bool worldToScreenValid_ = false;
  bool cameraToScreenValid_ = false;
  bool framePrepared_ = false;
  bool faceOrderFlipped_ = false;
  int fieldOfView_ = kDefaultFieldOfView;
  int nearDivisor_ = 200;
  platform::RECT viewRect_{0, 0, 0, 0};
  bool parallelFixed_ = false;
  double parallelHalfWidth_ = 0.0;
  double parallelHalfHeight_ = 0.0;
  bool axisViewFlag_ = false;
  // The engine preference that scales the depth range of far and near
  // cameras by their distance (on by default).
  bool scaleDepthByDistance_ = true;
  // What the last full-view projection set up, for WorldPerPixel.
  double frameHalfWidth_ = 0.0;
  double frameNear_ = 1.0;

  // rendering
  int userTag_ = 0;
  int background_[3] = {255, 255, 255};
  std::unique_ptr<BackgroundPicture> picture_;
  PicturePathRecord picturePath_;
  engine::EngBitmap thumbnail_;
  bool thumbnailValid_ = false;
  int redrawWord_ = 0;
  unsigned char stateFlag_ = 1;
  LightSettings lights_;
  double appliedAmbient_ = 0.0;
  double appliedIntensities_[2] = {0.0, 0.0};
  int spareInts_[2] = {0, 0};
  int lastFrameTime_ = 0;
  double worldPerPixel_ = 1.0;
  platform::Image outputBitmap_;
  int tileColumns_ = 1;
  int tileRows_ = 1;
  platform::RECT tileRect_{0, 0, 0, 0};
  int maxViewport_[2] = {2000, 2000};
  unsigned displayList_ = 0;
  bool excludedShown_ = false;
  bool gridShown_ = true;
  PointRecord eyeDirection_{0.0, 0.0, 1.0};
  int gridScreenRect_[4] = {0, 0, 10, 10};
  double markerSize_ = 8.0;
  // Whole numbers: the marker's 0-255, the second point style's given to GL
  // as they are (so the default 25 draws white, clamped).
  int markerColour_[3] = {229, 25, 25};
  double pointSize_ = 4.0;
  int pointColour_[3] = {25, 25, 25};
  std::vector<DeferredEntry> deferred_;
  int overlayMode_ = 0;
  bool collectingOutlines_ = false;
  std::vector<std::uint8_t> readbackBytes_;
  platform::Image readbackImage_;

  // draw style
  int drawMode_ = 2;
  int previousDrawMode_ = 1;
  unsigned char optionFlag_ = 1;
  double gridColour_[3] = {0.0, 0.0, 0.0};
  int gridDivisor_ = 5;
  int guideMode_ = 0;
  int outlineShown_ = 0;
  unsigned char smoothShown_ = 1;
  int cullFaces_ = 0;
  unsigned char altMeshDraw_ = 0;
  unsigned char altFlag2_ = 0;
  unsigned char showFlag_ = 0;
  int detailLevel_ = 1;
  unsigned char quickFlag_ = 0;
  int quickDrawLevel_ = 0;
  int spareBits_ = 0;
  unsigned char gdiOffset_ = 0;
  int samplingFactor_ = 0;
  int recordSpare_ = 0;
  double lineScale_ = 1.0;
  int thinLines_ = 0;
  bool lineWidthOverride_ = false;
  bool lineColorOverride_ = false;
  bool faceColorOverride_ = false;
  int lineWidth_ = 1;
  platform::COLORREF lineColor_ = 0;
  platform::COLORREF faceColor_ = 0xFFFFFF;
  std::unique_ptr<engine::MShader> overrideShader_;
};

}  // namespace view
