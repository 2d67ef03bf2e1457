#pragma once
// KxLibV, the view part of a figure (KxLibR): the figure's camera (a 3D
// view) and its off-screen renderer. It keeps the size and supersampling of
// the figure's picture, turns the property bars' style, camera and light
// values into view settings, renders and hands out the picture, picks
// figures and bones under page points, runs the bone drags of the pose
// tools and projects the figure's outline lines for the page.
//
// Points exchanged with the page are pixels of the requested render size
// (the output size times the requested supersampling factor); the view
// works in pixels of the size it really renders (at most 4000 a side, at
// most 4 times supersampled), so points are scaled between the two.
//
// Declaration by topic, with the file of each topic:
//   KxLibV.cpp           construction, output size, rendering and the picture
//   KxLibV_Settings.cpp  draw style, camera and lights
//   KxLibV_Bones.cpp     picking, bone hit tests and drags, outline lines
//   KxLibV_ViewList.cpp  the view list of scene files
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EngGeometry.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace engine {
class AnimView;
class MDocObj;
class MObject;
class QFile;
}  // namespace engine

namespace view {
class QView;
class QTrack;
}  // namespace view

namespace facade {

class KxLibR;
class KxLibVImpGL;

// The largest side of a rendered picture and the largest supersampling
// factor the renderer reduces.
inline constexpr int kMaxRenderSide = 4000;
inline constexpr int kMaxSupersampling = 4;

// Answers of KxLibV::HitTestBone.
enum BoneHit : int {
  kBoneHitNone = 0,
  kBoneHitLine = 1,         // inverse kinematics: a bone
  kBoneHitJoint = 2,        // inverse kinematics: a joint
  kBoneHitBone = 3,         // rotation: a bone
  kBoneHitMidpoint = 4,     // rotation: near a bone's middle
  kBoneHitRingFirst = 5,    // rotation: the first rotation ring
  kBoneHitRingSecond = 6,   // rotation: the second rotation ring
  kBoneHitOther = 7,        // rotation: another handle
};

// The view list of a scene file: one value kept as read, then the window
// rectangle the picture's size comes from.
struct ViewListValues {
  std::int32_t kept = 0;
  std::int32_t top = 0;
  std::int32_t left = 0;
  std::int32_t bottom = 0;
  std::int32_t right = 0;
};

class KxLibV {
 public:
  // The renderer switch must be 0, the one renderer of this program.
  KxLibV(KxLibR& owner, int rendererMode);
  ~KxLibV();
  KxLibV(const KxLibV&) = delete;
  KxLibV& operator=(const KxLibV&) = delete;

  view::QView& View() { return *view_; }
  // The view as the scene's camera keys see it; null while the view does
  // not take camera keys.
  engine::AnimView* AnimationView();
  KxLibVImpGL& Renderer() { return *renderer_; }

  // ---- output size and the picture: KxLibV.cpp -------------------------------
  // The picture's size (page pixels), supersampling factor (0 or 1 none)
  // and the scale of its lines. The render size is factor × size, cut down
  // to a factor of at most 4 and sides of at most 4000 pixels. Answers 0.
  int SetOutputSize(int width, int height, int factor, double lineScale);
  // The values as set (width and height of the output, not of the render).
  void GetOutputSize(int& width, int& height, int& factor, double& lineScale) const;
  // Changes only the supersampling factor.
  void SetSupersampling(int factor);
  // The render size and the effective factor (0 none).
  void GetRenderRect(platform::RECT& rect, int& factor) const;
  // Renders the picture. 0, or -1 (the picture stays invalid and the next
  // GetImage tries again).
  int Render(bool keepPremultiplied);
  // The picture, rendered first when it is stale; null when that fails.
  const platform::Image* GetImage(bool keepPremultiplied);
  int PrepareBitmaps();
  // Marks the picture valid or stale; dropping the cache also drops the
  // view's cached drawing. Every setting below marks the picture stale.
  void SetImageValid(bool valid, bool dropCache);
  bool IsImageValid() const { return imageValid_; }
  void InvalidateView();
  // The picture counts as valid until UnlockImage, so nothing renders.
  void LockImage();
  void UnlockImage();
  // The silhouette style for the renders in between.
  void BeginSilhouetteRender();
  void EndSilhouetteRender();
  // The page's toned draw mode (6).
  void UsePageDrawMode();
  // Renders in the page's draw mode and fits the camera to the scene.
  void RenderAndFrameScene();
  // Keeps the camera's direction and moves it to show the box (world
  // coordinates) whole in the output size; the picture renders again.
  void FrameBox(const engine::BoundsRecord& box);
  platform::COLORREF GetBackgroundColor() const;
  void SetBackgroundColor(platform::COLORREF colour);
  // Page pixels per render pixel, across and down.
  double GetPixelScaleX() const { return pixelScaleX_; }
  double GetPixelScaleY() const { return pixelScaleY_; }

  // ---- draw style, camera, lights: KxLibV_Settings.cpp ------------------------
  // Line and face modes: 0 one override colour, 1 none, 2 their own colours.
  // Line kinds are the page's (the view's kinds above 1 count one higher).
  void GetDrawStyle(int& lineWidth, int& lineKind, platform::COLORREF& lineColour, platform::COLORREF& faceColour,
                    int& lineMode, int& faceMode, int& factor) const;
  // 0 gives every material its own width.
  void SetLineWidth(int width);
  void SetLineColor(platform::COLORREF colour, int mode, int pageLineKind);
  void SetFaceColor(platform::COLORREF colour, int mode);
  int GetShadingKind() const;
  void SetShadingKind(int kind);
  // The view's three turns in radians (the page's rotation is the third).
  void GetCameraAngles(double& x, double& y, double& z) const;
  void SetCameraAngles(double x, double y, double z);
  // The camera as the property bar shows it: two angles in degrees, the
  // lens value (0 parallel), the zoom value and the target.
  void GetCameraSettings(int& angleX, int& angleY, int& lens, int& zoom, double& x, double& y, double& z) const;
  void SetCameraSettings(int angleX, int angleY, int lens, int zoom, double x, double y, double z);
  int SetProjectionKind(int kind);
  int GetZoomValue() const;
  void SetZoomValue(int value);
  // Moves the camera so that what lies under the viewport's centre comes
  // under the centre moved by (dx, dy); answers the new target.
  void Pan(int dx, int dy, double& x, double& y, double& z);
  // The first light's two angles (degrees) and the first and third of the
  // view's light values (the first intensity and the ambient level).
  void GetLight(int& a, int& b, int& value1, int& value3) const;
  void SetLight(int a, int b, int value1, int value3);

  // ---- picking and bone drags: KxLibV_Bones.cpp ------------------------------
  // The top-level index of the figure under the page point, or -1.
  int PickFigure(int x, int y);
  // The face under the page point: its mesh's number among the scene's
  // meshes and its number in the mesh. False when no face is there.
  bool PickFace(int x, int y, int& meshIndex, int& faceId);
  // What the pose tool would grab under the point (BoneHit).
  int HitTestBone(int x, int y, bool inverseKinematics, double pickScale);
  // Starts a bone drag; answers the figure's top-level index or -1.
  int BeginBoneDrag(int x, int y, bool inverseKinematics, double pickScale);
  int DragBone(int x, int y);
  // Ends the drag; a figure that moved has its frame-0 keys taken again.
  int EndBoneDrag(int x, int y);
  // Ends a drag that is still running where it last was (the page's mouse
  // left the view); 0.
  int FinishTracker();
  bool IsDragging() const { return tracker_ != nullptr; }
  // Forgets a running drag without ending it: the scene it drags is about
  // to go.
  void DropTracker();
  // The scene's feature lines projected to page pixels: two points and one
  // outline kind (0 to 15) per line. Answers 0.
  int GetOutlineLines(std::vector<platform::POINT>& points, std::vector<int>& kinds);

  // ---- the view list: KxLibV_ViewList.cpp -----------------------------------
  // Reads the view list of a scene file; the first view becomes this
  // figure's camera and gives the output size. The engine failure state
  // says why a read failed.
  void ReadViewList(engine::QFile& file, engine::MDocObj& scene);
  void WriteViewList(engine::QFile& file);

 private:
  // Makes the render surfaces when needed and the view's context current;
  // false when there is none.
  bool MakeViewCurrent();
  // The same with the projection of the current camera loaded, for points
  // and picks.
  bool MakeViewReadyForPoints();
  int EndDragAt(std::uint32_t point);
  // The figure element under a view point for each kind of pose tool.
  int InverseKinematicsHit(engine::MDocObj& scene, std::uint32_t point, engine::MObject*& object);
  bool RotationHit(engine::MDocObj& scene, std::uint32_t point, engine::MObject*& object);
  // The render size and factor of an output (the 4000-pixel limit).
  void LimitRenderSize(int& width, int& height, int& factor) const;
  // A page point in the view's pixels.
  std::uint32_t ToViewPoint(int x, int y) const;
  void SetPageHitScale(double scale) const;
  void ClearPageHitScale() const;
  engine::MDocObj* Scene() const;

  std::unique_ptr<KxLibVImpGL> renderer_;
  KxLibR& owner_;
  std::unique_ptr<view::QView> view_;
  int requestedFactor_ = 0;
  int requestedWidth_ = 0;
  int requestedHeight_ = 0;
  double lineScale_ = 1.0;
  int factor_ = 0;
  int renderWidth_ = 0;
  int renderHeight_ = 0;
  double pixelScaleX_ = 1.0;
  double pixelScaleY_ = 1.0;
  bool imageValid_ = false;
  std::unique_ptr<view::QTrack> tracker_;
  int savedAxisMarker_ = 12;
  int dragFigure_ = -1;
  bool dragMoved_ = false;
  std::uint32_t lastDragPoint_ = 0;
  ViewListValues viewListValues_;
  bool viewListRead_ = false;
  int keptLineKind_ = 1;
  int keptShadingKind_ = 2;
  bool savedImageValid_ = false;
  int savedDrawMode_ = 0;
};

}  // namespace facade
