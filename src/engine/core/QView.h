#pragma once
// What the engine's objects ask of a 3D view while they draw and are picked.
// The view layer implements it (its view owns the OpenGL renderer); the
// engine only sees this interface. It holds only what the engine calls so
// far: later parts of the engine add the queries they need.
#include <cstdint>
#include <vector>

#include "engine/core/EngGeometry.h"

namespace engine {

class MFace;
class MObject;
class MShader;
class QImp;

// The view's frame of one object being drawn: four points that each level of
// the hierarchy hands down in its own coordinates.
struct DrawRecord {
  PointRecord eye;            // the eye point
  PointRecord target;         // the point the view looks at
  PointRecord sectionOrigin;  // origin of the section lines
  PointRecord sectionStep;    // one section step away from the origin
};

// One entry of the view's deferred-drawing list: a transparent face (or a
// smooth-surface patch, held in `element`) that the scene draws back to
// front after everything opaque.
struct DeferredEntry {
  MObject* object = nullptr;
  void* face = nullptr;     // the face, or null
  void* element = nullptr;  // what is drawn when there is no face
  double depth = 0.0;       // filled by the scene's deferred pass
  int mirrored = 0;         // 1 when it belongs to the mirror image
};

// A region of the screen for region picks (a lasso or a rectangle).
class QViewRegion {
 public:
  virtual ~QViewRegion() = default;
  // Whether the screen point (pixels) lies inside the region.
  virtual bool Contains(double x, double y) const = 0;
};

class QView {
 public:
  virtual ~QView() = default;

  // The view's renderer; every drawing call of the engine goes through it.
  virtual QImp* GetRenderer() = 0;

  // The eye direction in the coordinates of the object being drawn; an
  // object turns it into its own coordinates for its drawing and puts it
  // back afterwards.
  virtual PointRecord GetEyeDirection() const = 0;
  virtual void SetEyeDirection(const PointRecord& direction) = 0;

  // The show-excluded switch: objects marked excluded are drawn and picked
  // only while it is on.
  virtual bool IsExcludedShown() const = 0;

  // Draws a point in the marker colour; size 0 means the default size 8.
  // The size is multiplied by the view's resolution multiplier.
  virtual void DrawMarkerPoint(const PointRecord& point, double size) = 0;

  // The number of tiles the view renders its output in; 0 when it does not
  // render in tiles.
  virtual int GetTileCount() const = 0;

  // ---- camera ---------------------------------------------------------------
  // 1600 to 1603; 1603 is the parallel projection.
  virtual int GetProjectionKind() const = 0;
  virtual int GetFieldOfView() const = 0;  // 1 to 255
  virtual double GetDistance() const = 0;  // of the camera from the point it looks at
  // The inverse of the camera matrix (cached by the view).
  virtual MatrixRecord GetInverseViewMatrix() = 0;
  // Which axis an axis-aligned view looks along (1 x, 2 y, 3 z), and the
  // view's preset kind (10 for the axis-aligned views).
  virtual int GetViewAxis() const = 0;
  virtual int GetViewPresetKind() const = 0;

  // ---- scene display --------------------------------------------------------
  virtual bool IsGridShown() const = 0;
  // The direction angle pairs of the two lights, and whether the lights are
  // fixed in the scene (otherwise they turn with the camera).
  virtual void GetLights(double angles[2][2], bool& fixedInScene) const = 0;

  // ---- drawing styles -------------------------------------------------------
  // What meshes read while they draw. The answers given here are those of a
  // plain shaded view with nothing overridden; the real view answers from
  // its settings.
  // 0 nothing drawn, 1 to 6; 6 is the page style.
  virtual int GetDrawMode() const { return 2; }
  // 0 full drawing; 1 to 3 meshes skipped; 4, 5 and 7 lines by class.
  virtual int GetQuickDrawLevel() const { return 0; }
  // The last frame was slow: meshes draw lines only.
  virtual bool IsRenderSlow() const { return false; }
  virtual bool IsSmoothShown() const { return false; }
  // Section lines (plane cuts in the grid colour) after the faces.
  virtual bool IsOutlineShown() const { return false; }
  // Plain line pass, no vertex points.
  virtual bool IsAltMeshDraw() const { return false; }
  // Every mesh line 1 pixel wide.
  virtual bool IsThinLines() const { return false; }
  virtual bool IsLineWidthOverride() const { return false; }
  virtual int GetLineWidth() const { return 1; }
  virtual bool IsLineColorOverride() const { return false; }
  // 0x00BBGGRR.
  virtual std::uint32_t GetLineColor() const { return 0; }
  virtual bool IsFaceColorOverride() const { return false; }
  // The uniform face material of the face-colour override.
  virtual MShader* GetOverrideShader() { return nullptr; }
  // The face-colour override material when that override is on, a fixed
  // grey material in draw mode 1, else null.
  virtual MShader* GetOverrideMaterial() { return nullptr; }
  virtual bool IsFaceOrderFlipped() const { return false; }
  // Sets the renderer's cull mode from the view's culling switch, its face
  // order and whether a mirrored copy is being drawn.
  virtual void ApplyCullMode(bool /*mirrored*/) {}
  // Vertices without a mirror partner drawn as direct points, not markers.
  virtual bool IsDirectPoints() const { return false; }
  // The page style: the tone switch (1 or more while rendering for the
  // page), the face style (0 no faces, 1 and 5 plain, others toned; 3 without
  // the darkest level, 4 one flat tone; 5 also flat shading) and the line
  // style (0 no outline ribbons, 1 uniform width, 2 to 5 pen modes, 6 plain
  // lines).
  virtual int GetPageToneSwitch() const { return 0; }
  virtual int GetPageFaceStyle() const { return 1; }
  virtual int GetPageLineStyle() const { return 1; }
  // 50 is neutral.
  virtual double GetToneContrast() const { return 50.0; }
  // The two tone light values; the first (35 neutral) is used.
  virtual void GetToneLights(double lights[2]) const { lights[0] = lights[1] = 35.0; }
  // The world-to-screen matrix of the view (pixels, depth in z).
  virtual MatrixRecord GetProjectionMatrix() {
    return MatrixRecord{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, 0};
  }
  // The colour of section lines, components 0..1.
  virtual PointRecord GetGridColor() const { return {0.5, 0.5, 0.5}; }
  // Point markers (a GL point of the view's marker size) in the colour set.
  virtual void SetPointMarkerColor(const PointRecord& /*rgb*/) {}
  virtual void DrawPointMarker(const PointRecord& /*position*/) {}
  // Hands a transparent face (or a smooth-surface patch) to the view's
  // deferred list, drawn by the scene after everything opaque. False, with
  // the failure state set, when memory runs out.
  virtual bool AddDeferredFace(MObject* /*object*/, MFace* /*face*/, const void* /*patch*/, double /*value*/) {
    return true;
  }
  // What overlay segments the view asks objects for: 0 or 3 the selected
  // lines and vertices, other values every line.
  virtual int GetOverlayKind() const { return 0; }

  // ---- what the scene's drawing passes ask ----------------------------------
  // The deferred-drawing list the face passes fill (AddDeferredFace) and the
  // scene draws and empties; without force the renderer may keep it.
  virtual std::vector<DeferredEntry>& GetOverlayLines3() = 0;
  virtual void ClearOverlayLines3(bool force) = 0;
  // Tells the view that the scene shows its merged single mesh.
  virtual void SetAltFlag2(int /*flag*/) {}
  // The overlay mode: 0 and 3 collect every visible object's outline, 2
  // the selected objects' boxes and outlines.
  virtual int GetOverlayMode() const { return 0; }
  // 1, 2 or 3 for a parallel view along the x, y or z axis, else -1.
  virtual int GetAxisViewCode() const { return -1; }
  // The world length of one pixel at the origin in the last frame.
  virtual double GetWorldPerPixel() const { return 1.0; }
  // The supersampling factor of the output, 0 for none.
  virtual int GetSamplingFactor() const { return 0; }
  // The unit direction of the camera's view axis in world coordinates.
  virtual void GetViewDirection(PointRecord& out) const { out = {0.0, 0.0, 1.0}; }
  // Whether the view collects outline lines for the page; figures add their
  // bone overlays only then.
  virtual bool IsCollectingOutlines() const { return false; }
};

}  // namespace engine
