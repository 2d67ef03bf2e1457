#pragma once
// MObject, the base of every object a 3D scene holds: meshes and figures
// (type 4), the floor grid (3), groups (2) and the scene document itself (5,
// a group). It carries what every object has: its place in the scene
// (parent, layer, local transform), a cached inverse and cached boxes, a
// one-step transform undo snapshot, the selection, the screen positions of
// its box handles for the view's box dragging, and its shadow and light
// settings. A plain MObject (type 1) is empty: it has no geometry, draws
// only its selection box and hits nothing.
//
// Calling order: a creator constructs the object, sets its matrix and layer
// and adds it to a group (MGroupObj::AddChild). Before an undoable change the
// changer calls SaveUndo; the scene's undo reads GetEditState. Drawing runs
// Draw, which is BeginDraw, DrawBody and EndDraw. Picking first lets the view
// project the object (ProjectToScreen, then SetProjectedView), then runs the
// pick operations.
//
// Declaration by topic, with the file of each topic:
//   MObject.cpp        life cycle, copy, undo snapshot, matrix, boxes, selection
//   MObject_Draw.cpp   drawing and overlay segments
//   MObject_Pick.cpp   projection, box handles, box dragging
//   MObject_Shadow.cpp the projected shadow
//   ObjectRecord.cpp   the object header record
#include <cstdint>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "engine/core/LightShadowInfo.h"
#include "engine/core/QView.h"
#include "engine/core/ShadowScene.h"
#include "platform/WinTypes.h"

namespace platform {
class Image;
}

namespace engine {

class MDocObj;
class MFace;
class MGroupObj;
class MLine;
class MVertex;
class QFile;

// Object type codes (GetType, and the type tag of stored records).
enum EngObjectType : int {
  kObjectEmpty = 1,
  kObjectGroup = 2,
  kObjectGrid = 3,
  kObjectMesh = 4,  // meshes and figures in memory
  kObjectScene = 5,
  kObjectFigure = 6,  // the stored tag of a figure in the newer formats only
};

// Edit states: what the current undo step did to the object.
enum EngEditState : int {
  kEditUnchanged = 0,
  kEditCreated = 1,        // undo removes the object
  kEditRemoved = 2,        // held by the scene for redo
  kEditTransformSaved = 3, // undo exchanges matrix, layer and flags with the snapshot
  kEditMeshStep = 4,       // undo runs the mesh's own undo step
};

// The handle of an object's box that a pick hit.
struct BoxHandle {
  unsigned char side[3];  // x, y, z side of the corner: 0 minimum, 1 maximum
  unsigned char face[3];  // 1 on the axis of a face handle
  unsigned char faceSide; // 1 for a face on the maximum side
};
static_assert(sizeof(BoxHandle) == 7);

// Appends the segment from-to carried by `m` to the overlay list; false,
// with out of memory recorded, when the list cannot grow.
bool AppendOverlaySegment(LineSegArray& out, const MatrixRecord& m, const PointRecord& from, const PointRecord& to,
                          int kind);

// The number a destroyed object leaves in its index.
constexpr int kDestroyedMark = -808;
constexpr int kLayerCount = 99;

class MObject : public EngHeapObject {
 public:
  MObject();
  virtual ~MObject();
  MObject(const MObject&) = delete;
  MObject& operator=(const MObject&) = delete;

  // ---- layer and change marks: MObject.cpp --------------------------------
  virtual int GetLayer();
  // SaveUndo, then the layer unless that recorded a failure.
  virtual void SetLayer(int layer);
  // The object moved: the inverse and the world box are stale and the view
  // must project it again.
  virtual bool MarkMoved();
  // Its contents changed: both boxes are stale and it must be projected again.
  virtual bool MarkChanged();

  // ---- copying: MObject.cpp -----------------------------------------------
  // Copies this object INTO the target: type code, matrix, selection, boxes
  // and their marks, inverse, layer, flags, shadow settings, light values and
  // the extra value. Not the index, edit state, select time, handles,
  // snapshots or exclusion; the target has no parent and no projected view.
  // Subclasses call it first and then copy their own contents.
  virtual void CopyTo(MObject* target);
  // A new object of the same class filled by CopyTo, edit state 0 and no
  // parent; null with the failure state set when memory runs out.
  virtual MObject* Clone();

  // ---- undo snapshot: MObject.cpp -----------------------------------------
  virtual void SetEditState(int state);
  virtual int GetEditState();
  // savedMatrix, savedLayer and savedFlags take the current values.
  virtual void SaveState();
  // Every element of the matrix within 1e-8 of the snapshot.
  virtual bool IsMatrixUnchanged();
  // Before an undoable change: takes the snapshot and sets edit state 3,
  // unless the state is already 3 or 4 (the first snapshot of a step stays).
  virtual void SaveUndo();
  // Exchanges matrix, layer and flags with the snapshot.
  virtual void SwapUndo();
  virtual int GetType();

  // ---- boxes and transform: MObject.cpp -----------------------------------
  // The box in the object's own coordinates; empty for a plain object.
  virtual void GetLocalBounds(BoundsRecord& out);
  // The box in the parent's coordinates (the local box through the matrix).
  virtual void GetWorldBounds(BoundsRecord& out);
  virtual bool IsBoundsChanged();
  virtual bool IsWorldBoundsStale();
  // Groups and meshes move the scale of their matrix into their contents.
  virtual void ApplyScale();
  // The matrix with its flag; m33 is set to 1 first when it is not.
  virtual void GetMatrix(MatrixRecord& out);
  // Stores the matrix with m03, m13 and m23 forced to 0 and m33 to 1.
  virtual void SetMatrix(const MatrixRecord& m);
  virtual void GetInverseMatrix(MatrixRecord& out);
  virtual void SetParent(MGroupObj* group);
  virtual MGroupObj* GetParent();
  // Numbering for a file being written: index = counter, counter + 1.
  virtual void AssignIndex(int& counter);
  virtual int GetIndex();
  virtual void SetIndex(int value);

  // ---- record: ObjectRecord.cpp -------------------------------------------
  // The object header from the packed word on (ReadObject reads the type
  // tag). Corrupt input is a load failure in the failure state.
  virtual void ReadFrom(QFile& file);
  // The object header, type tag included; subclasses write theirs after it.
  virtual void WriteTo(QFile& file);

  // ---- drawing: MObject_Draw.cpp ------------------------------------------
  // BeginDraw, DrawBody, EndDraw; nothing for an excluded object unless the
  // view shows excluded objects.
  virtual void Draw(QView* view, const DrawRecord& parentRecord);
  // Enters the object's coordinates: its draw record, the renderer's
  // model-view matrix and the view's eye direction (saved for EndDraw).
  virtual void BeginDraw(QView* view, const DrawRecord& parentRecord, DrawRecord& ownRecord,
                         PointRecord& savedEyeDirection);
  // Draws the selection box of a selected object (not in the mirrored-copy
  // pass) and leaves the object's coordinates.
  virtual void EndDraw(QView* view, const PointRecord& savedEyeDirection);
  virtual void DrawBody(QView* view, const DrawRecord& ownRecord);
  virtual void DrawSelectionBox(QView* view);
  // When selected, one origin marker (kind 7) at the object's origin carried
  // by its matrix and then `parentMatrix`. The view is for subclasses.
  virtual void CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view);
  // The 12 edges of the local box (kind 6), carried the same way.
  virtual void CollectBoxSegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view);

  // ---- picking: MObject_Pick.cpp ------------------------------------------
  virtual void SetProjectedView(QView* view);
  virtual QView* GetProjectedView();
  // The linked record is the view the scene was last projected for; none
  // makes the next pick project again.
  void SetLinkedRecord(QView* view) { SetProjectedView(view); }
  QView* GetLinkedRecord() { return GetProjectedView(); }
  // Mode 0: nothing (meshes project their vertices); other modes: the box
  // handles through the matrix and then the world-to-screen `projection`.
  virtual void ProjectToScreen(const MatrixRecord& projection, int mode);
  // The pick operations answer the hit object, or null for no hit, and give
  // back the hit's parameter t along the ray (smaller is nearer). Screen
  // points are pixels (x, y); the ray runs from `rayStart` to `rayEnd` in the
  // parent's coordinates. A plain object hits nothing.
  virtual MObject* PickElement(const PointRecord& rectMin, const PointRecord& rectMax,
                               const PointRecord& rayStart, const PointRecord& rayEnd, double* t,
                               bool wholeObject);
  // The box handle within the pick square of a selected object: the nearest
  // by screen depth, on equal depth the one tried first (corners, then faces).
  virtual MObject* PickBoxHandle(const PointRecord& screenPoint, const PointRecord& rayStart,
                                 const PointRecord& rayEnd, double* t, BoxHandle* handle);
  virtual MObject* PickNearest(const PointRecord& screenPoint, const PointRecord& rayStart,
                               const PointRecord& rayEnd, double* t, bool linesOnly);
  virtual MObject* PickFace(const PointRecord& screenPoint, const PointRecord& rayStart,
                            const PointRecord& rayEnd, double* t, MVertex** vertex, MLine** line,
                            MFace** face);
  // Region selection: appends what lies in the region (meshes append one
  // element-selection record each) to `out`; `only`, when given, limits it
  // to that object.
  virtual void CollectInRegion(const QViewRegion* region, MObject* only, PtrArray* out);
  // Scales the object about the fixed side of its box while a box handle is
  // dragged by `drag` (object coordinates). `box` and `matrix` are the local
  // box and the matrix when the drag began; `sides` holds per axis the
  // dragged face (1 maximum, 0 minimum) and is updated when the drag passes
  // the opposite face. Answers true when an axis flipped; false, with a
  // beep and nothing changed, for a scaling that would collapse the box.
  virtual bool ScaleByBoxDrag(const BoundsRecord& box, const MatrixRecord& matrix, const PointRecord& drag,
                              unsigned char sides[3], bool uniform);
  virtual void SetPivot(const PointRecord& point);
  virtual void ResetPivot();

  // ---- selection and kind: MObject.cpp ------------------------------------
  // SetSelectedFlag; selecting also notes the tick count (selection order).
  virtual void Select(bool selected);
  virtual void SetSelectedFlag(bool selected);
  virtual bool IsSelected();
  virtual std::uint32_t GetSelectTime();
  virtual bool IsSymmetric();
  virtual bool IsBoneObject();

  // ---- shadow pass: groups forward, meshes paint ---------------------------
  // Each child's DrawProjectedShadow; nothing for other objects.
  virtual void DrawShadows(QView* view, MShadowScene* scene);
  virtual void PrepareShadowImage(MDocObj* scene);
  virtual void PaintShadowSilhouette(MDocObj* scene, platform::Image* image, int colour);
  // Appends the meshes whose shadow mode is `mode` to `out`.
  virtual void CollectByShadowMode(int mode, PtrArray* out);

  // ---- beyond the common interface -----------------------------------------
  // Meshes and figures turn every face around; other objects have none.
  // Groups call it on the mirrored copies they keep.
  virtual void ReverseAllFaces();

  // ---- projected shadow: MObject_Shadow.cpp -----------------------------------
  // The object's step of the scene's shadow pass, by its shadow mode: 0 lets
  // DrawShadows decide (groups: their children), 1 and 3 draw nothing, 2
  // computes the frame, makes a new image when the scene asks for one, and
  // draws the shadow on the floor (raised by the pass's step per casting
  // object) or on the receiving object the light meets. A failure recorded
  // while making the image ends the step.
  void DrawProjectedShadow(QView* view, MShadowScene* scene);
  // lightDir from the view's light (or straight down) and the unit axes
  // across it.
  void ComputeShadowFrame(QView* view);
  // Frees the stored image and makes the 128 × 128 key-coloured image to
  // paint the silhouette into. False (reason 1 recorded) when it cannot.
  bool NewShadowImage(platform::Image& image);
  // The painted image becomes the stored texture (key colour transparent,
  // box-blurred by the blur radius); then the corners of its rectangle.
  void MakeShadowTexture(platform::Image& image);
  // Draws the texture on the rectangle projected along the light onto the
  // plane (normal n through q), with the shadow's opacity.
  void DrawShadowQuad(QView* view, const PointRecord& n, const PointRecord& q);
  // The shadow colour with green lowered by one (1 when it is 0).
  platform::COLORREF GetShadowKeyColour();

  // Whether the object is shown only through its shadow: the outermost level
  // of its parent chain whose shadow mode decides (2 or 3: its shadow-only
  // flag; 1: no).
  bool IsShadowOnly();

  // ---- members ------------------------------------------------------------
  int index = 0;                  // number in the file being written or read
  int typeCode = kObjectEmpty;
  MatrixRecord matrix;            // local transform into the parent's coordinates
  int editState = kEditCreated;
  unsigned char selected = 0;
  std::uint32_t selectTime = 0;   // tick count of the last selection
  unsigned char inverseStale = 1;
  unsigned char localBoundsStale = 1;
  unsigned char worldBoundsStale = 1;
  BoundsRecord localBounds;       // kept by subclasses
  BoundsRecord worldBounds;
  PointRecord cornerHandles[8];   // screen x, y and depth; depth -1 when not projected
  MatrixRecord inverseMatrix;
  MGroupObj* parent = nullptr;
  QView* projectedView = nullptr; // the view the stored screen projections belong to
  PointRecord faceHandles[6];     // -x, +x, -y, +y, -z, +z
  MatrixRecord savedMatrix;
  int layer = 0;                  // 0 to 98
  int savedLayer = 0;
  int flags = 0;                  // bit 0: an object key keeps the object's own scale
  int savedFlags = 0;
  ShadowInfo shadowInfo;
  unsigned char excluded = 0;     // drawn and picked only while the view shows excluded objects
  unsigned char pickExcluded = 0; // on the scene, during a pick: the view's show-excluded switch
  LightInfo lightInfo;
  int extraValue = 0;             // carried, copied and stored only

 protected:
  // The end of every Clone: null when `copy` could not be allocated (out of
  // memory recorded) or a failure is recorded after its construction or the
  // copy (the copy is deleted); otherwise CopyTo into it and edit state 0.
  MObject* FinishClone(MObject* copy);
};

}  // namespace engine
