#pragma once
// MGridObj (type 3), the floor grid of a scene: the scene makes one as its
// first child and keeps it there. It is never selected, and its record is
// the plain object header. This is the grid's shell (its settings, box and
// record); its lines and their drawing come with the grid drawing.
#include "engine/core/MObject.h"

namespace engine {

class MGridObj : public MObject {
 public:
  MGridObj();
  ~MGridObj() override = default;

  // Whether the mirrored half is drawn in grey; the scene sets it from its
  // layer settings.
  virtual void SetMirrorShown(unsigned char shown);
  // Kind, size (the box's width), divisions, the two colours and the
  // subdivisions.
  virtual void GetGridParams(int& kind, double& size, int& divisionCount, PointRecord& colour,
                             PointRecord& axisColourOut, int& subdivisionCount);

  void GetLocalBounds(BoundsRecord& out) override;
  bool IsSymmetric() override;
  void Select(bool selected) override;
  bool IsSelected() override;

  int gridKind = 0;  // 0 floor with box outline, 1 floor only, 2 floor, two walls and outline
  unsigned char mirrorShown = 0;
  int divisions = 10;
  BoundsRecord gridBounds{-50.0, 0.0, -50.0, 50.0, 100.0, 50.0, 0};
  PointRecord gridColour{0.4, 0.7, 0.4};
  PointRecord axisColour{0.7, 0.2, 0.7};
  int subdivisions = 5;
};

}  // namespace engine
