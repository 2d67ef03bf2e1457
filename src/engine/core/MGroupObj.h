#pragma once
// MGroupObj (type 2), an object that holds other objects: its children are
// placed by their own matrices inside the group's coordinates and the
// group's matrix places the whole set in its parent. The scene document is a
// group too (type 5). The group owns its children and forwards drawing,
// projection, picking, numbering, layers and the shadow pass to them.
//
//   MGroupObj.cpp        children, copy, boxes, scale and pivot, record
//   MGroupObj_Pick.cpp   drawing, projection, picking, shadow pass
#include "engine/core/MObject.h"

namespace engine {

class MGroupObj : public MObject {
 public:
  MGroupObj();
  ~MGroupObj() override;

  // ---- own operations -----------------------------------------------------
  // Appends the child and becomes its parent; false with out of memory
  // recorded (and nothing changed) when the list cannot grow.
  virtual bool AddChild(MObject* child);
  // Takes the child out (not deleted) and clears its parent.
  virtual void RemoveChild(MObject* child);
  // Appends every child in order; stops with out of memory recorded.
  virtual void GetChildren(PtrArray& out);
  virtual int GetChildCount();
  // Tidies mirrored copies, over `list` or, when null, the group's own
  // children: symmetric meshes and groups left empty are removed and
  // deleted (also from `list`), other meshes turn their faces, grids and
  // empty objects stay. True when the group is left without children.
  virtual bool FinishMirroredCopies(PtrArray* list);
  // Whether a direct child is a figure; false during a material-face pick
  // unless forced.
  virtual bool HasBoneChild(bool force);
  virtual bool HasExcludedPart();

  MObject* ChildAt(int i) { return static_cast<MObject*>(children[i]); }

  // ---- overrides: MGroupObj.cpp -------------------------------------------
  void SetLayer(int layer) override;
  void CopyTo(MObject* target) override;
  MObject* Clone() override;
  void GetLocalBounds(BoundsRecord& out) override;
  bool IsBoundsChanged() override;
  bool IsWorldBoundsStale() override;
  // Moves the group's scale into its children (down to the meshes), every
  // child keeping its place in the world; a group holding a figure keeps
  // its scale.
  void ApplyScale() override;
  void AssignIndex(int& counter) override;
  void SetIndex(int value) override;
  // The group record: the object header, the child count, each child's
  // record, and in the newer formats a trailer (an int n and n bytes).
  void ReadFrom(QFile& file) override;
  void WriteTo(QFile& file) override;
  // Moves the group's origin to `point` (ResetPivot: to the parent's origin
  // with no turn) while the children keep their places in the world.
  void SetPivot(const PointRecord& point) override;
  void ResetPivot() override;
  bool IsSymmetric() override;

  // ---- overrides: MGroupObj_Pick.cpp --------------------------------------
  void DrawBody(QView* view, const DrawRecord& ownRecord) override;
  void CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) override;
  void ProjectToScreen(const MatrixRecord& projection, int mode) override;
  // The picks carry the ray into the group's coordinates and ask the
  // children; the smallest ray parameter wins, the earlier child on a tie.
  // While the group holds a figure, element and face picks and region
  // collection consider only the figures.
  MObject* PickElement(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& rayStart,
                       const PointRecord& rayEnd, double* t, bool wholeObject) override;
  MObject* PickNearest(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                       double* t, bool linesOnly) override;
  MObject* PickFace(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                    double* t, MVertex** vertex, MLine** line, MFace** face) override;
  void CollectInRegion(const QViewRegion* region, MObject* only, PtrArray* out) override;
  // Each child's projected shadow.
  void DrawShadows(QView* view, MShadowScene* scene) override;
  // Hands the group's shadow frame to each child, lets it fit its frame and
  // covers them all.
  void PrepareShadowImage(MDocObj* scene) override;
  void PaintShadowSilhouette(MDocObj* scene, platform::Image* image, int colour) override;
  void CollectByShadowMode(int mode, PtrArray* out) override;

  PtrArray children;  // owned, in order

 private:
  // The ray carried into the group's coordinates.
  void RayToLocal(const PointRecord& rayStart, const PointRecord& rayEnd, PointRecord& a, PointRecord& b);
  // Sets the group's matrix to `n`; answers the change C (old matrix
  // followed by the inverse of n) that keeps a child in its place when its
  // matrix is followed by C.
  MatrixRecord ReplaceMatrix(const MatrixRecord& n);
  // The child saves its undo snapshot and takes its matrix followed by C.
  static void CarryChild(MObject* child, const MatrixRecord& change);
};

}  // namespace engine
