#pragma once
// MGridObj (type 3), the floor grid of a scene: lines on the ground plane
// y = 0, optionally with a box outline and two walls, drawn as a spatial
// reference. The scene makes one as its first child and keeps it there. It
// is never selected, and its record is the plain object header: a grid read
// from a file has the default lines until Rebuild runs again.
//
// Only the half of the lines with x at most 0 is stored; drawing adds the
// mirrored half, in grey of its own while the scene is modelled
// symmetrically.
//
//   MGridObj.cpp        settings, lines (Rebuild)
//   MGridObj_Draw.cpp   drawing and the draw offset
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

  // Builds the lines again: kind (0 floor and box outline, 1 floor only,
  // 2 floor, walls and outline), size of a side, cells along a side;
  // `subdivisionCount` is kept only. Out of memory records reason 1 and
  // keeps the lines built so far.
  virtual void Rebuild(int kind, double size, int divisionCount, int subdivisionCount, const PointRecord& colour,
                       const PointRecord& axisColourIn);
  // The shift that moves the lines slightly away from the eye in a parallel
  // projection, so that faces lying on the floor stay in front of them
  // (DrawBody negates it). Scale by projection kind; the offset is zero
  // except for the parallel projection (1603).
  virtual void GetDrawOffset(QView* view, const DrawRecord& record, double& scale, PointRecord& offset);
  // Adds the offset to the point for projection kind 1603.
  virtual void ApplyDrawOffset(int projectionKind, const DrawRecord& record, double scale, const PointRecord& offset,
                               PointRecord& point);

  void GetLocalBounds(BoundsRecord& out) override;
  // Both halves of the lines, unless the view hides the grid or the scene
  // draws its mirrored copy; in an axis-aligned view the centre lines the
  // view looks along are left out and a cross in the axis colour is added.
  void DrawBody(QView* view, const DrawRecord& ownRecord) override;
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
  // Line k runs from point k of the "from" array to point k of the "to"
  // array. Floor lines (with the back wall and the box outline) are drawn
  // in both halves, the left wall only mirrored (it shows on x = +h).
  PointArray floorFrom;
  PointArray floorTo;
  PointArray wallFrom;
  PointArray wallTo;
  // Centre lines of an even division: 0 on the floor, 1 on the back wall,
  // 2 on the left wall (drawn mirrored only).
  PointArray axisFrom[3];
  PointArray axisTo[3];
};

}  // namespace engine
