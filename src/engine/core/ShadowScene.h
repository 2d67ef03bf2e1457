#pragma once
// What the projected-shadow pass asks of the scene document it runs for.
// The scene document implements it; objects reach the scene only through
// it while they draw their shadows.
#include "engine/core/EngGeometry.h"

namespace engine {

class MDocObj;

class MShadowScene {
 public:
  virtual ~MShadowScene() = default;

  // The scene document itself, handed on to the objects' silhouette
  // preparation and painting.
  virtual MDocObj* ShadowDocument() = 0;
  // 0 every casting object makes a new image; 1 only those whose light is
  // not straight down (lit by a view light); other values reuse the stored
  // images.
  virtual int ShadowImageState() const = 0;
  // The parameters of the scene's floor grid.
  virtual void GetGridParams(int& kind, double& size, int& divisions, PointRecord& colour, PointRecord& axisColour,
                             int& subdivisions) = 0;
  // Casts the ray from `start` along `direction` against the objects that
  // receive shadows: the surface normal at the nearest hit and the hit
  // point lifted by `lift` towards the ray's start. False when nothing is
  // hit.
  virtual bool RayCastObjects(const PointRecord& start, const PointRecord& direction, PointRecord& normal,
                              PointRecord& point, double lift) = 0;
};

// The height step between shadows stacked on the floor: the grid's size
// times 0.01 divided by its divisions.
double ObjectShadowStep(MShadowScene* scene);

// The casting objects drawn so far in the current pass; the scene sets it
// to 0 before and after its shadow pass.
int ShadowPassCount();
void ResetShadowPassCount();

}  // namespace engine
