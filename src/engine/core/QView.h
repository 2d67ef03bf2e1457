#pragma once
// What the engine's objects ask of a 3D view while they draw and are picked.
// The view layer implements it (its view owns the OpenGL renderer); the
// engine only sees this interface. It holds only what the engine calls so
// far: later parts of the engine add the queries they need.
#include "engine/core/EngGeometry.h"

namespace engine {

class QImp;

// The view's frame of one object being drawn: four points that each level of
// the hierarchy hands down in its own coordinates.
struct DrawRecord {
  PointRecord eye;            // the eye point
  PointRecord target;         // the point the view looks at
  PointRecord sectionOrigin;  // origin of the section lines
  PointRecord sectionStep;    // one section step away from the origin
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
};

}  // namespace engine
