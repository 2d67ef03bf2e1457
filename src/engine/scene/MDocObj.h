#pragma once
// MDocObj (type 5), the 3D scene behind one 3D shape of the page: a group
// whose first child is always the floor grid and whose other direct
// children are the scene's objects (meshes, figures, groups of them). Around
// them it keeps 99 layers, the objects taken out during the current edit
// step, the morph targets, the animations and a few switches.
//
// The edit step: a command saves an object before changing it
// (MObject::SaveUndo, or MMeshObj::SaveEditState for mesh contents), gives
// the objects it makes edit state 1 and takes the ones it deletes out with
// RemoveObject. The caller then commits with EndEdit. UndoEdit (0) takes
// back the open step; after a commit only the meshes' own undo rings reach
// further back (UndoEdit exchanges them when CanKeepMeshUndo held at the
// commit). UndoEdit (1) goes forward again.
//
// The floor grid is never selected, never removed and never copied: every
// operation that walks the scene's objects for the user starts after it.
//
// Declaration by topic, with the file of each topic:
//   MDocObj.cpp             life cycle, edit step, accessors, layer queries
//   MDocObj_Lists.cpp       selection, object and mesh lists, world matrices, statistics
//   MDocObj_Grid.cpp        floor grid, bounds and centres, selection clearing, link check
//   MDocObj_Layers.cpp      the layer table, layer flags and moves, layer backup, name block
//   MDocObj_Record.cpp      the scene record, the morph-target block
//   MDocObj_Morph.cpp       morph paths, pasting morph targets
//   MDocObj_Pick.cpp        picks limited to editable layers, freezing, merging object meshes
//   MDocObj_Clipboard.cpp   delete, copy, cut, paste, duplicate, group, ungroup, join
//   MDocObj_Transform.cpp   moving, turning and scaling the selection; units; step transforms
//   MDocObj_SelectionCommands.cpp  mesh commands on selected objects or elements, dropping, mirrored copies
//   MDocObj_SelectionWide.cpp      crease weights, smooth display, prepared meshes, texture shifts, mirror editing
//   MDocObj_SingleMesh.cpp         single-mesh mode: the merged mesh, lifting, copying, writing;
//                                  discarding the edit step, coil and wave line primitives
//   MDocObj_UV.cpp                 texture coordinates of one texture across meshes
//   MDocObj_MirrorLayers.cpp       mirror flags of layers, mirror-layer queries, scene-wide line commands
//   MDocObj_Copies.cpp      repeated and circular copies; align and distribute
//   MDocObj_Merge.cpp       detaching, merging and joining meshes; element snapping
//   MDocObj_Anim.cpp        animations: tracks, keys, showing frames, undo copies, camera object
//   MDocObj_AnimRecord.cpp  the animation-list record, track blocks, animation files
//   MDocObj_AnimEdit.cpp    key selection, moving and stretching keys, track order, stretching objects
//   MDocObj_Shadow.cpp      shadow settings of the selection with their undo snapshot
//   MDocObj_FaceColour.cpp  face colours by mesh and face index, expression textures, material utilities
//   MDocObj_Projection.cpp  the view's background picture projected onto the selected meshes
//   MDocObj_Pose.cpp        poses on the selected figures, from files and the clipboard
//   MDocObj_Primitives.cpp  primitives
//   MDocObj_Draw.cpp        drawing passes: mirror image, floor shadows, deferred faces, overlay segments
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngArrays.h"
#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/ShadowScene.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/scene/AnimList.h"
#include "engine/scene/PictureView.h"
#include "platform/Image.h"

namespace engine {

class MBoneObj;
class MShader;
class QFile;

// Failure reasons of the scene.
enum SceneFailReason : int {
  kEngReasonNotAPair = 12,            // a boolean needs exactly two selected objects holding meshes
  kEngReasonNotFaceless = 15,         // lines can be divided only in face-less direct children
  kEngReasonNoSelection = 21,         // a morph needs selected vertices (or a mesh holding it)
  kEngReasonNameInUse = 22,          // a morph path or target name is taken
  kEngReasonFigureNotAllowed = 23,    // a figure cannot take a morph
  kEngReasonLayerTableFull = 26,      // a paste needs a new layer and all 99 are in use
  kEngReasonMixedMirrorLayers = 27,   // objects of mirror and plain layers cannot be combined
  kEngReasonNameTooLong = 42,         // a renamed copy's name would not fit its 256-byte field
};

// One layer: five flag bytes and a name. objectCount and index are filled
// only in the copies GetLayerTable hands out. The layout is the one the
// engine clipboard keeps copies of (its mirror flag byte at offset 4).
struct LayerRecord {
  unsigned char visible = 1;
  unsigned char editable = 1;
  unsigned char groupHead = 0;
  unsigned char spareFlag = 0;
  unsigned char mirror = 0;
  char name[256] = {};
  std::int32_t objectCount = 0;
  std::int32_t index = 0;
};
static_assert(sizeof(LayerRecord) == CRGlobalM::kLayerRecordSize);
static_assert(offsetof(LayerRecord, mirror) == CRGlobalM::kLayerFlagOffset);

// Layer flag types of SetLayerFlag.
enum LayerFlagType : int {
  kLayerVisible = 0,
  kLayerEditable = 1,
  kLayerVisibleEditable = 2,
  kLayerGroupHead = 3,
  kLayerSpare = 4,
  kLayerMirror = 5,
};

// One step of duplication and alignment: move (scene units), turns about Y,
// X and Z (degrees, added to the object's angles), scale (percent of the
// current scale, 100 unchanged).
struct TransformStep {
  PointRecord move{0, 0, 0};
  double turnY = 0;
  double turnX = 0;
  double turnZ = 0;
  PointRecord scale{100, 100, 100};
};

// What the numeric transform panel shows: position, turns in degrees and
// the selection's size (in the scale slot), the selection's box, and the
// scene's clipboard value.
struct TransformPanelValues {
  TransformStep step{{0, 0, 0}, 0, 0, 0, {0, 0, 0}};
  PointRecord boxMin{0, 0, 0};
  PointRecord boxMax{0, 0, 0};
  double clipboardValue = 0;
};

// The numeric transform of ApplyTransformRecord: move, turns (Y, X, Z,
// radians), scale factors, pivot, reference turns, and the mode (0 or more
// absolute turns, negative relative ones).
struct TransformRequest {
  PointRecord move{0, 0, 0};
  PointRecord rotation{0, 0, 0};
  PointRecord scale{1, 1, 1};
  PointRecord pivot{0, 0, 0};
  PointRecord reference{0, 0, 0};
  double mode = 0;
};

// The selection record of GetSelectionInfo.
struct SelectionInfo {
  int kind = 0;             // 4 none selected (elements), 1 several, 2 one mesh, 3 one other object
  int countKind = 0;        // 6 one object selected, 8 otherwise; + 1 when there is no vertex
  int flaggedVertices = 0;  // vertices with flag bit 2
  int lines = 0;            // lines not hidden
  int polygons = 0;         // triangles + quads
  int triangles = 0;
  int quads = 0;
  int meshes = 0;
  int elementGroups = 0;
  int layer = -2;           // shared layer, -1 when they differ, -2 without meshes
};

// One picked element of a snap: its mesh, exactly one of vertex, line and
// face, and the picked point in scene coordinates.
struct SnapElement {
  MMeshObj* mesh = nullptr;
  MVertex* vertex = nullptr;
  MLine* line = nullptr;
  MFace* face = nullptr;
  PointRecord point{0, 0, 0};
};

// The world matrix of `object` relative to `ancestor` (or to the top of its
// chain) and its inverse; either output may be null.
void DocGetWorldMatrix(MObject* object, MObject* ancestor, MatrixRecord* matrix, MatrixRecord* inverse);

// Clears every rotation but the one about X and the x translation of a
// symmetric object's matrix, by kind (0 both, 1 rotation, 2 position); true
// when it changed something.
bool ConstrainSymmetricMatrix(MatrixRecord& m, int kind);

class MDocObj : public MGroupObj, public MShadowScene {
 public:
  static constexpr int kLayerNameResource = 33712;
  // After figures were dissolved: whether their objects keep their own
  // layers (else all go to the figure's), and the notice when they had to
  // go to the figure's layer all the same.
  static constexpr int kKeepLayersQuestion = 20210;
  static constexpr int kLayersRestoredNotice = 20211;

  MDocObj();
  ~MDocObj() override;

  // ---- edit step: MDocObj.cpp ------------------------------------------------
  // Takes the object out of its parent onto the removed list (edit state 2),
  // keeping its parent pointer for RestoreObject. The floor grid stays.
  virtual void RemoveObject(MObject* object);
  // Back from the removed list into its recorded parent (edit state 1).
  virtual void RestoreObject(MObject* object);
  virtual void GetRemovedObjects(PtrArray& out);
  virtual void SaveUndoAll();
  // Commits the step: meshes close their steps (keeping their rings only
  // when CanKeepMeshUndo and noMeshUndo is 0), every object's snapshot takes
  // its current state, the removed objects are deleted.
  virtual void EndEdit(int noMeshUndo);
  // Exchanges the scene with the state the step saved: 0 undo, 1 redo.
  virtual void UndoEdit(int redo);
  // Undoes and commits the last step when one is stored; compacts the pools.
  virtual void RevertStep();
  // Deletes every group without children and every mesh without vertices.
  virtual void RemoveEmptyObjects();
  // Whether this step changed nothing but mesh contents outside figures.
  bool CanKeepMeshUndo();

  // ---- accessors: MDocObj.cpp -------------------------------------------------
  void SetVisibleLayersOnly(bool value) { visibleLayersOnly = value ? 1 : 0; }
  bool IsVisibleLayersOnly() const { return visibleLayersOnly != 0; }
  void SetLayerCount(int n) { layerCount = n; }
  int GetLayerCount() const { return layerCount; }
  void SetCurrentLayer(int i) { currentLayer = i; }
  int GetCurrentLayer() const { return currentLayer; }
  bool IsAllShown() const { return allShownFlag != 0; }
  void SetAllShown(bool value) { allShownFlag = value ? 1 : 0; }
  bool HasUndoStep() const { return undoStepStored != 0; }
  void SetUndoStep(bool value) { undoStepStored = value ? 1 : 0; }
  // The view registered with the scene (held as a pointer, not an int).
  void SetExtraValue(void* view) { registeredView = view; }
  void* GetExtraValue() const { return registeredView; }
  bool IsUntouched() const { return untouched != 0; }
  void SetModeBytes(unsigned char a, unsigned char b, unsigned char c);
  void GetModeBytes(unsigned char& a, unsigned char& b, unsigned char& c) const;
  bool IsSingleMeshMode() const { return singleMeshMode != 0; }
  void SetSingleMeshMode(bool value) { singleMeshMode = value ? 1 : 0; }
  void TakeDrawingParams();
  void PutDrawingParams();
  int GetEditMode() const { return editMode; }
  void SetEditMode(int value) { editMode = value; }
  bool IsRedoAvailable() const { return redoAvailable != 0; }
  void SetRedoAvailable(bool value) { redoAvailable = value ? 1 : 0; }
  int GetAnimationIndex() const { return animationIndex; }
  void SetAnimationIndex(int value) { animationIndex = value; }
  unsigned char GetAnimationSwitchA() const { return animationSwitchA; }
  unsigned char SetAnimationSwitchA(bool value) { return animationSwitchA = value ? 1 : 0; }
  unsigned char GetAnimationSwitchB() const { return animationSwitchB; }
  void SetAnimationSwitchB(bool value) { animationSwitchB = value ? 1 : 0; }
  int GetAnimationValue() const { return animationValue; }
  void SetAnimationValue(int value) { animationValue = value; }
  bool GetAnimationFlag() const { return (animationFlags & 1) != 0; }
  void SetAnimationFlag(bool value) { animationFlags = value ? (animationFlags | 1) : (animationFlags & ~1); }
  int GetUnitCode() const { return unitCode; }

  // ---- animation: MDocObj_Anim.cpp ------------------------------------------------
  void CommitAnimationEdit();
  void DropSavedAnimation();
  void SaveAnimation();
  int SwapSavedAnimation();
  void PrepareAnimationSnapshot();
  void CommitAnimationSnapshot();
  bool CanAnimateObject(MObject* object, int* figureOut, int* morphOut);
  void AddObjectTrack(MAnim* animation);
  void AddPoseTrack(MAnim* animation);
  void AddMorphTrack(MAnim* animation, const char* path);
  void AddCameraTrack(MAnim* animation, AnimView* view);
  int CreateObjectAnimation(MObject* object);
  void SetCameraAnimation(AnimView* view, int value, bool remove);
  bool CreateSelectionAnimations(AnimView* view);
  void RenumberTracks(int oldCount);
  int FindAnimation(MObject* object, bool byCamera);
  bool DeleteAnimation(int index);
  void RemoveUnusedAnimations();
  int DeleteSelectionTracks();
  void SelectTrackObjects(int number);
  MAnimKeys* GetTrack(int number, int* animationOut);
  void SetCameraAnimState(int value) { animations.cameraState = value; }
  int GetCameraAnimState() const { return animations.cameraState; }
  int GetCurrentFrame() const { return animations.currentFrame; }
  void SetCurrentFrame(int frame) { animations.currentFrame = frame; }
  void SetFrameCount(int count) { animations.frameCount = count; }
  int GetFrameCount(bool fromTracks);
  void SetAnimValue(int value) { animations.storedValue = value; }
  int GetAnimValue() const { return animations.storedValue; }
  void SetExtraAnimValues(int a, int b, int c);
  void GetExtraAnimValues(int& a, int& b, int& c) const;
  MAKeyInfo* GetKeyAt(int frame, int number);
  int RecordKey(int frame, int number, AnimView* view);
  void ShowFrame(int frame, AnimView* view);
  int GetTrackCount() const;
  void GetTrackInfo(int number, int* animationOut, char* nameOut, EngArray<std::int32_t>* frames);
  void RemoveMissingAnimObjects();
  int GetTopObjectIndex(MObject* object);
  MObject* GetChildAt(int index) { return ChildAt(index); }
  void SelectOnlyChild(int index);
  void SelectLastChild();
  int SelectPosableFigures();
  // Whether animations hold the objects for a purpose: 0 moving or
  // scaling objects, 1 and 2 other edits.
  bool IsAnimationActive(int purpose) const;
  bool SelectionHasAnimation();
  bool SelectionHasNonFigure(MObject* object);
  bool HasAnimations() const { return animations.Count() > 0; }
  void SetAnimationName(int index, const char* text) { animations.At(index)->SetName(text); }
  void GetAnimationName(int index, char* buffer) const;
  MObject* FindCameraObject();
  void RemoveCameraObject();
  void UpdateCameraObject(AnimView* view);
  // Takes a deleted object out of every animation list (current, saved,
  // pending), so none keeps its address.
  void ForgetAnimatedObject(MObject* object);
  // The selection's animations (made where missing) with their objects'
  // child indexes; answers how many.
  int CollectSelectionTracks(PtrArray& collected, EngArray<std::int32_t>& objectIndexes,
                             EngArray<std::int32_t>* animationIndexes);
  // -1 nothing selected; 1 some animation fits partly; 2 one fits fully; 0 none.
  int MatchAnimation(MAnim* animation);
  int ApplyAnimationToChild(MAnim* animation, int childIndex, int offset);
  // Replaces the matching tracks, or with `append` adds the keys five
  // frames after the selection's last key.
  int ApplyAnimationToSelection(MAnim* animation, bool append);
  // Reads a track block and applies it to the selection, undoably; 0, or -1
  // when it cannot be read or fits nothing.
  int LoadAnimation(QFile& file, bool append);
  static constexpr int kNoSingleAnimation = -5006;
  // The selected track, or the one animation of the selection, as a track
  // block; kNoSingleAnimation (nothing written) otherwise.
  int WriteSelectedAnimation(QFile& file);
  // Empties the animations when only still ones of the listed objects exist.
  void ClearStillAnimations(const PtrArray& objects);
  // The new object takes the old one's place, turn, position and animation.
  void ReplaceObject(MObject* old, MObject* fresh, bool deleteOld);
  void ReplaceSelectedObjects(const PtrArray& objects);
  AnimList& CurrentAnimations() { return animations; }

  // ---- shadow settings with undo: MDocObj_Shadow.cpp ---------------------------------
  // The settings of the earliest selected child; `out` unchanged without one.
  void GetSelectionShadowInfo(ShadowInfo& out);
  // Commits the open step, keeps every child's settings for undo, then
  // gives every selected child the settings.
  void SetSelectionShadowInfo(const ShadowInfo& settings);
  void BeginShadowEdit();
  void TakeShadowSnapshot();
  // Exchanges the kept settings with the children's (the undo pass).
  void SwapShadowSnapshot();
  void DropShadowSnapshot();

  // ---- poses: MDocObj_Pose.cpp ---------------------------------------------------------
  static constexpr int kPoseFitSome = -5005;  // some targets did not fit the pose
  static constexpr int kPoseFitNone = -5004;  // none did, or there was none
  // Poses the group, or the bound selected figures, whose skeleton fits;
  // with keepFloor 1 each keeps its lowest point. 0, or kPoseFitSome/None.
  int ApplyPoseToFigures(MPose& pose, MObject* group, int keepFloor);
  // The same after bringing the pose's additions into the scene's unit.
  int ApplyPoseToSelection(MPose& pose, MObject* group, int keepFloor);
  // A pose read from the stream; a failure is cleared and thrown as -108.
  int ApplyPoseFromFile(QFile& file, MObject* group, int keepFloor);
  // The one bound selected figure takes the pose a fraction t of the way
  // from `first` to `second` (the blend of pose files), its additions in
  // the scene's unit: 0, kPoseFitNone when it does not fit, -1 unless
  // exactly one figure is selected. A failure is cleared and thrown as -108.
  int ApplyPoseValues(const MPose& first, const MPose& second, double t);
  // The one bound selected figure's pose to the clipboard (emptied first).
  void CopyPose();
  int PastePose();
  // Keeps each figure's pose (its length ratios stored with it) in `poses`
  // and puts the figure at rest; RestoreFigurePoses poses them again (the
  // lists pair up; unequal lengths are fatal) and commits the step.
  void SaveFigurePoses(PtrArray& poses, const PtrArray& figures);
  void RestoreFigurePoses(const PtrArray& poses, const PtrArray& figures);
  bool AreFiguresAtRest(const PtrArray& figures);
  void CaptureRestStatesOf(const PtrArray& figures);
  // The figure selected first takes over the body of the figure selected
  // second; reason 25 unless exactly two objects holding matching bound
  // figures are selected. Undo brings both back as they were.
  void TransferPoseToSelection();
  // Runs a mesh command on the selected vertices of figures' bound meshes
  // with the figures at rest, then rebinds and poses them again: 0 delete
  // the selected parts, 1 subdivide, 2 join the nearest border vertices,
  // 3 merge two meshes. Commits the step.
  void EditFiguresInRestPose(int command);

  // ---- figures: MDocObj_Figure.cpp -------------------------------------------------
  // A figure group is a group holding a figure (MBoneObj). Commands act on
  // the selected figure groups, or with nothing selected on the scene's
  // only one.
  // Mode 3: some mesh of the scene is a figure; 0, 1, 2: some mesh of the
  // selected objects is a figure, a bound one, an unbound one.
  bool HasFigure(int mode);
  // Among the meshes holding selected vertices: modes 0 and 2 some figure
  // (mode 0 also a mesh inside a figure group), others some unbound figure.
  bool HasFigureInElementSelection(int mode);
  // The first figure among the scene's meshes (0), the selected objects'
  // (1) or the meshes holding selected vertices (other values).
  MBoneObj* GetSelectedFigure(int source);
  // The selected figure groups on visible, editable layers (kind 1 bound,
  // 2 unbound, else all) into `list` (emptied first) when given; with none
  // selected the scene's figure groups, but only one of them unless the
  // kind is 3. Answers how many.
  int GetSelectedFigures(int kind, PtrArray* list);
  // The figure of the one selected object when it is a figure group.
  MBoneObj* GetSelectedFigureBone();
  bool SelectionHasBoundFigure(bool verticesOnly);
  bool HasSingleVertexSelections();
  bool SelectedFiguresHaveMorphs();
  // Whether some bound selected figure has (want) or lacks stored bone
  // length ratios.
  bool HasBoneLengthRatios(bool want);
  // The distance between the selected figure's two measuring points (its
  // top end and the joint below it) in the scene and the lower of them; -1
  // without one figure group selected.
  int GetFigureHeight(double& height, PointRecord& point);
  // The union of the scene boxes of the listed meshes that have vertices.
  void GetMeshListBounds(const PtrArray& meshes, BoundsRecord& out);
  // What a figure is built from: the one skeleton (a mesh of lines only, or
  // a group of such meshes) among two or more selected objects, none of
  // them a figure group or on a mirror layer; null otherwise.
  MObject* FindRigBase();
  // The selection grouped around the skeleton, which becomes the group's
  // figure, rigged (arrays, rest state with radii, skin weights). Reason 24
  // for a skeleton with morphs. Undo gives the objects back.
  MGroupObj* BuildFigureRig(int rigMode);
  // Binds the meshes of the selected figure group to its figure, starting
  // from its top bone; 0, or -1 without one figure group or a usable bone.
  int BindToFigure();
  void BindUnboundFigures();
  void UnbindFigures();
  // Body fitting of every figure in the scene, each in the scene's step;
  // no command of the program issues them.
  void BindFigureBodies(QView* view);
  void RebuildFigureRigs();
  void FitFigureLimbs();
  void FitFiguresToScene();
  void CaptureFigureRestStates();
  void RestoreFigureInfluenceRadii();
  void ResetFigureBones();
  bool ExcludeBonesOfSingleLines();
  void ExcludeSelectedBones();
  void IncludeSelectedBones();
  void SetPartRoots();
  void UnpinSelected();
  int PinSelectedVertex();
  int PinSelection();
  int StoreBoneLengthRatios();
  int ClearBoneLengthRatios();
  // Selects only the bound figures (select true), or everything else.
  void SelectAllFigures(bool select);
  // Turns the selected figure groups back into plain meshes: each figure's
  // skeleton becomes a mesh of its own and the group is dissolved. Asks
  // whether the objects go back to their old layers when those differ.
  void DissolveFigures();
  void MergeSelectedMeshes();
  void ApplyLineOperation(int value);
  void SelectMaterialBorders();
  void MarkSelectedVertices(bool set);
  void SelectMarkedVertices();
  void ResetClipboardLineAttributes();

  // ---- face colours: MDocObj_FaceColour.cpp -----------------------------------------
  // Position among all meshes of the scene; -1 when absent.
  int GetMeshIndex(MObject* mesh);
  // The mesh at that position; null outside the list.
  MMeshObj* GetMeshAt(int index);
  // Recolours the face's material, or a figure face's expression textures;
  // false (nothing changed) for indexes that name no face or a colour that
  // cannot be read.
  bool SetFaceColour(int meshIndex, int faceIndex, std::uint32_t colour, std::uint32_t& old);
  bool GetFaceColour(MMeshObj* mesh, MFace* face, std::uint32_t& colour);
  // Reads (or with `set` writes) the single colour of the face morph's
  // expression textures; false when the face has none.
  bool AccessFaceTextureColour(MMeshObj* mesh, MFace* face, std::uint32_t& colour, bool set);
  bool HasTransparentShader();
  void AvoidKeyGreenShaders();
  // The line style of every mesh of the selected objects, kept for undo.
  void SetSelectedMeshLineStyle(int value);
  // Whether a textured material is on the selected faces (of the meshes
  // holding selected vertices) or on any face of the selected objects.
  bool HasTexturedSelection();
  // The engine's texture file table emptied.
  void ClearTextureSlots();
  // A textured material takes the texture index of an equal one in the
  // list (which is answered), or is appended with the next index (null).
  MShader* RegisterTexturedShader(MShader* shader, PtrArray& list);
  // While texture files are being written: every distinct textured material
  // of the meshes, their morphs and the morph targets gets an index, and the
  // table one unwritten entry per index.
  void AssignTextureIndices();
  // The engine's current material as a material record; -1 (with a beep)
  // without one.
  int WriteCurrentMaterial(QFile& file);
  // The current material replaced by a record read from the file; -1 (with
  // a beep) without a current material, or when the record is damaged
  // (the current material is then left as it was).
  int ReadCurrentMaterial(QFile& file);

  // ---- the view's picture as a texture: MDocObj_Projection.cpp ---------------------------
  // The meshes holding selected vertices (their selected faces), else the
  // selected objects' meshes (all faces), or with `facing` the faces turned
  // to the view, get a new material with the picture and texture
  // coordinates from where their corners fall on it. The picture stands on
  // the floor grid as wide or as tall as the grid; only a view along Z
  // projects. Figures among the meshes take their rest state first.
  void ProjectViewPicture(PictureView& view, int facing);

  // ---- key and track editing: MDocObj_AnimEdit.cpp ----------------------------------
  void SelectAllKeys(int value);
  void SelectKeysInRange(int frameA, int frameB, int trackA, int trackB, bool toggle);
  // -1 without the track or key; else 1 selected, 0 not, with its kind and
  // extra flag.
  int GetKeyState(int frame, int number, int* kindOut, int* extraOut);
  int GetKeyInterpolation(int frame, int number);
  int GetKeyExtraFlag(int frame, int number);
  void CollectSelectedKeys(PtrArray& out);
  void SetSelectedKeysInterpolation(int kind);
  void SetSelectedKeysExtraFlag(int value);
  void DeleteSelectedKeys();
  // Moves (or copies) the selected keys by the offset; beeps and changes
  // nothing when a key would go below frame 0 or onto a key that stays.
  bool MoveSelectedKeys(int offset, bool copy);
  // Stretches the selected keys' times about the first of them; a key
  // whose frame is taken goes to the next free one.
  void ScaleSelectedKeyTimes(double factor);
  // Gives the track the place after track `position` (-1: first); answers
  // its new number.
  int MoveTrack(int number, int position);
  // A drop position inside another animation's run of tracks moves to just
  // before that run, so that runs stay whole.
  void AdjustTrackDropPosition(int number, int& position);
  // Moves the track to the (adjusted) position and, when it stands apart
  // from its animation's other tracks, brings those right after it.
  void MoveTrackWithGroup(int number, int position);
  // Scales the object by the factor along the own axis nearest the
  // direction, keeping the box face on the direction's side in place.
  void StretchObject(MObject* object, double factor, const PointRecord& direction);

  // ---- layer queries: MDocObj.cpp ----------------------------------------------
  bool IsCurrentLayerMirror() const;
  // The mirror flag of the object's layer (of its top-level object's with
  // toTop). A null object or a layer outside 0-98 is fatal.
  bool IsObjectOnMirrorLayer(MObject* object, bool toTop);
  bool HasMirrorLayer() const;
  bool HasGroupHeadLayer() const;
  bool AreAllLayersHeadOrMirror() const;
  bool DifferInMirrorLayer(MObject* a, MObject* b);

  // ---- the shadow pass's view of the scene: MDocObj.cpp, MDocObj_Draw.cpp ----------
  MDocObj* ShadowDocument() override { return this; }
  int ShadowImageState() const override;
  void GetGridParams(int& kind, double& size, int& divisions, PointRecord& colour, PointRecord& axisColour,
                     int& subdivisions) override;
  // The nearest hit of the ray on an object that receives shadows; the
  // point is lifted by `lift` along the unit normal towards the ray's start.
  bool RayCastObjects(const PointRecord& start, const PointRecord& direction, PointRecord& normal,
                      PointRecord& point, double lift) override;
  // The children on editable layers add the objects of that shadow mode.
  void CollectByShadowMode(int mode, PtrArray* out) override;

  // ---- drawing passes and overlay segments: MDocObj_Draw.cpp -----------------------
  // Every pass restores what it changed (renderer matrix, eye direction,
  // element colours, the mirror-pass switch) whether it succeeds or not.
  void DrawBody(QView* view, const DrawRecord& frame) override;
  // The normal pass, the floor shadows, the mirror image across x = 0 and
  // the deferred transparent faces back to front.
  virtual void DrawWithMirror(QView* view, const DrawRecord& frame, bool drawDeferred);
  // The children that belong to the current pass (the mirror-pass switch).
  virtual void DrawObjects(QView* view, const DrawRecord& frame);
  // In draw modes 3 and 6: the casting objects' projected shadows, their
  // images made again when the view's lights changed.
  virtual void PrepareFloorShadow(QView* view, const DrawRecord& frame);
  void CheckFloorShadowFrame(QView* view);
  void StoreFloorShadowFrame(QView* view);
  virtual void DrawDeferredFaces(QView* view, const DrawRecord& frame);
  void CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) override;
  // The overlay segments of the scene, or of one group's children.
  virtual void CollectSceneSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view, MGroupObj* group);
  virtual void CollectSelectedBoxSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view,
                                          bool mirroredOnly, MGroupObj* group);
  virtual void CollectObjectSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view, bool mirroredOnly,
                                     MGroupObj* group);
  // The three-axis mark at the origin, or with atSelection at the centre of
  // the selected vertices.
  virtual void CollectMirrorPlaneSegments(LineSegArray& out, const MatrixRecord& matrix, QView* view,
                                          bool atSelection);

  // ---- selection and lists: MDocObj_Lists.cpp ------------------------------------
  // Select on every direct child (the grid ignores it).
  virtual void SetAllSelected(bool value);
  virtual void SelectAll(bool value);
  virtual void InvertSelection();
  virtual bool HasObjects();
  virtual bool HasSelectedObject();
  virtual void GetSelectedObjects(PtrArray& out);
  MObject* GetEarliestSelected();
  // Selects one line of the mesh.
  virtual void SelectMeshLine(MMeshObj* mesh, MLine* line);
  // Element selection of kind 0-6 on every editable mesh.
  virtual void SelectElementsByKind(bool keep, int kind, double a, double b);
  virtual void CountElementSelectedMeshesIn(MObject* root, int& count);
  virtual void CountElementSelectedMeshes(int& count);
  virtual void CountSelectedLineMeshesIn(MObject* root, int& count);
  virtual void CountSelectedLineMeshes(int& count);
  virtual void CountSelectedFaceMeshesIn(MObject* root, int& count);
  virtual void CountSelectedFaceMeshes(int& count);
  virtual void CollectElementSelectedMeshesIn(MObject* root, PtrArray& out);
  virtual void CollectElementSelectedMeshes(PtrArray& out);
  virtual bool HasTexturedMesh(int* count);
  virtual void CollectMeshes(MObject* root, PtrArray& out);
  virtual void CollectAllObjects(MObject* root, PtrArray& out);
  virtual void CollectSelectedMeshes(PtrArray& out);
  // Exactly two selected children (fatal otherwise): the earlier selected
  // one's meshes go to `first`.
  virtual void CollectMeshesOfPair(PtrArray& first, PtrArray& second);
  virtual void GetObjectWorldMatrix(MObject* object, MatrixRecord* matrix, MatrixRecord* inverse);
  virtual MObject* GetTopLevelObject(MObject* object);
  // The selection statistics; `point` (optional) gets the number of selected
  // children, how many are groups holding a figure, and the quads total.
  virtual void GetSelectionInfo(SelectionInfo& info, PointRecord* point);
  // Meshes under `root` with each one's matrix relative to `root` and its
  // inverse.
  void CollectMeshesWithMatrices(MObject* root, PtrArray& meshes, MatrixArray& matrices, MatrixArray& inverses);

  // ---- grid, bounds, queries: MDocObj_Grid.cpp ---------------------------------
  virtual void ClearOtherSelections(MMeshObj* except);
  // Every mesh's element links are checked; a disagreement is fatal.
  virtual void ApplyElementParamToAll();
  virtual void ReportStatistics();
  using MObject::GetWorldBounds;
  virtual void GetWorldBounds(MObject* object, BoundsRecord& out);
  virtual void GetSelectionCentre(PointRecord& out);
  virtual void GetPrimitiveExtent(double& x, double& y, double& z);
  virtual MGridObj* GetGridObject();
  virtual double GetGridStep();
  virtual void GetGridParams(int& kind, double& extent, int& divisions, int& subdivisions, PointRecord& colourA,
                             PointRecord& colourB);
  virtual void SetGrid(int kind, double extent, int divisions, int subdivisions, const PointRecord& colourA,
                       const PointRecord& colourB);
  virtual void GetSelectedVerticesCentre(PointRecord& out);

  // ---- layers: MDocObj_Layers.cpp -----------------------------------------------
  virtual void SetLayerFlag(int layer, int type, unsigned char value, bool cascade);
  virtual void SetAllLayerFlags(unsigned char visibleValue, unsigned char editableValue);
  virtual bool IsObjectVisible(MObject* object);
  virtual bool IsObjectEditable(MObject* object);
  virtual void SetLayerName(int layer, const char* text);
  // Copies the name (at most 255 bytes and its terminator) into `buffer` of
  // 256 bytes.
  virtual void GetLayerName(int layer, char* buffer);
  virtual void GetLayerTable(int& count, int& current, LayerRecord* table);
  virtual void MoveSelectionToLayer(int layer);
  virtual bool SpreadObjectsOverLayers();
  virtual void DeleteLayer(int layer);
  virtual void SelectLayerObjects(int layer, int mode, unsigned char keepOthers);
  virtual void SelectEditableObjects(bool value);
  virtual void CollectMeshesOnLayer(int layer, PtrArray& out);
  virtual void CollectObjectsOnLayer(int layer, PtrArray& out);
  virtual void MoveLayer(int layer, int destination);
  void MoveLayerRecord(int source, int destination);
  virtual void EnsureUsableCurrentLayer();
  virtual int AddLayer(unsigned char groupHead);
  virtual void CopyLayerNamesTo(MDocObj* other);
  virtual void SaveLayerBackup();
  virtual void SwapLayerBackup();
  virtual void DropLayerBackup();
  // A new table (EngAlloc) of the 99 records; null with reason 1.
  virtual unsigned char* CopyLayerTable();
  virtual void WriteLayerRecords(QFile& file);
  virtual void ReadLayerRecords(QFile& file);
  // The members of layer i: the layers after it up to the next group head.
  int GetGroupMembers(int layer, int* members);
  const LayerRecord& GetLayerRecord(int i) const { return layers[i]; }

  // ---- scene record: MDocObj_Record.cpp ----------------------------------------
  // The kind code that heads a scene stream, then the record: writing sets
  // the engine's format version to the current one (-101); reading takes it
  // from the stored code (-1 to -99 a plain scene, below -100 a package). A
  // code that is not negative is a load failure. The view list and the
  // layer-name block that follow belong to the caller.
  void WriteWithKindCode(QFile& file);
  void ReadWithKindCode(QFile& file);
  void WriteTo(QFile& file) override;
  void ReadFrom(QFile& file) override;
  // The morph-target block: its size with `size` given (nothing written),
  // else the block.
  void WriteMorphTargets(QFile& file, int* size);
  // Answers the bytes consumed (0 on failure).
  int ReadMorphTargets(QFile& file, int limit);
  // The animation-list record (MDocObj_AnimRecord.cpp).
  void WriteAnimList(QFile& file, int* size);
  int ReadAnimList(QFile& file, int limit);
  // One track block: the animation's tracks, or (without one) the track of
  // that number, with the consecutive tracks of its animation when switch A
  // is on.
  void WriteAnimTracks(QFile& file, MAnim* animation, int number);
  MMorphTgt* FindMorphTarget(const char* path, const char* name);
  // Appends every morph target of the scene in list order; false with out
  // of memory recorded (what was appended stays).
  bool CollectMorphTargets(PtrArray& out);
  // Links the target after (its path, `after`) when that exists, else at the end.
  void InsertMorphTarget(MMorphTgt* target, const char* after);

  // ---- morph paths and pasted targets: MDocObj_Morph.cpp -----------------------
  // Scopes of the meshes a morph command takes: 2 every mesh, 0 those on
  // visible layers, others the selected objects' meshes or, without any,
  // the meshes holding selected vertices. Appends those holding the path,
  // adding up their morphs' entries into `total` when given.
  void CollectMeshesWithMorph(const char* path, int scope, PtrArray& out, int* total);
  // The figures of the figure groups holding those meshes, each once.
  void CollectFiguresOfMorph(const char* path, int scope, PtrArray& out);
  // A morph of the path made from the selected vertices of every mesh
  // holding some (entries numbered across them), numbered after the
  // others; everything is deselected. Refused with reason 22 when a mesh
  // holds the path already, 21 without selected vertices, 23 when a figure
  // holds some. 1 when the morph's faces have more than one material (with
  // `withMaterial`), else 0.
  unsigned char CreateMorph(const char* path, bool withMaterial);
  // The path's morph leaves every mesh (its targets stay until
  // RemoveUnusedTargets); the later indices close up.
  void DeleteMorph(const char* path);
  // Selects the objects (`objects`) or the vertices of the meshes on visible
  // layers holding the path; without `keep`, and when the selection is of
  // the other kind, everything is deselected first.
  void SelectMeshesWithMorph(const char* path, bool objects, bool keep);
  // The vertices of every morph whose path contains the text, in the
  // selected objects' meshes (which are then deselected) or in the meshes
  // on visible layers holding that path.
  void SelectMorphVertices(const char* text, bool fromSelection);
  // 0 every entry of the morph has one live vertex; 1 no mesh holds it;
  // 2 an entry has several; 3 some entry has none; 4 its figures are posed.
  int CheckMorphEntries(const char* path, int scope);
  // The index of the morph path on the first mesh that holds it (with its
  // sign flag when asked); -2 when no mesh does.
  int GetMorphIndex(const char* path, unsigned char* signFlag = nullptr);
  // The morph paths: unsorted as CollectMorphPaths gives them, or sorted by
  // index (one each, with their sign flags); and, when asked, every
  // target's path, name, weight and two flags in list order.
  struct MorphTargetLists {
    PtrArray paths;
    PtrArray names;
    DoubleArray weights;
    EngArray<unsigned char> heads;
    EngArray<unsigned char> seconds;
  };
  void ListMorphTargets(PtrArray& paths, bool sorted, EngArray<unsigned char>* signFlags, MorphTargetLists* targets);
  // The path leaves the index order: every later index goes down by one.
  void CloseMorphIndexGap(const char* path);
  // The path takes the index after the reference's (the first index without
  // one), the indices between moving over.
  void MoveMorphIndex(const char* path, const char* reference);
  // Deletes every target whose path no mesh holds.
  void RemoveUnusedTargets();
  // The morph paths of every mesh, in mesh order (a path held by several
  // meshes stands there several times).
  void CollectMorphPaths(PtrArray& out);
  // The largest morph index in the scene; -1 when there is none.
  int GetMaxMorphIndex();
  // Every mesh holding the path gets the index.
  void SetMorphIndex(const char* path, int index);
  // Makes the morph indices agree across meshes and unique; when two paths
  // share an index all are numbered afresh; unnumbered paths get the next
  // numbers in list order.
  void RenumberMorphIndices();
  // Every morph of every mesh under the objects becomes unnumbered (-1).
  void ClearMorphIndices(const PtrArray& objects);
  // Gives every mesh's morph of the old path, and every target of it, the
  // new path; reason 22 when some mesh holds the new path already.
  void RenameMorph(const char* oldPath, const char* newPath);
  // Pastes the clipboard's targets at the front of the list: without
  // `rename` a target already here is skipped with a beep (-2); with it,
  // a path in use here takes the first free "path1000", "path1001", ...
  // (also in `other` when given) and the answer is 1000 or one above the
  // last number used. -1 without a clipboard list; a renamed path that
  // would not fit its field is refused (reason 42).
  int PasteMorphTargets(bool rename, MDocObj* other);

  // ---- the target list, weights, the clipboard: MDocObj_MorphTargets.cpp -----------
  void DeleteMorphTarget(const char* path, const char* name);
  // Reason 22 when the new name is taken.
  void RenameMorphTarget(const char* path, const char* oldName, const char* newName);
  // Moves the target after the reference of its path (before the path's
  // first target without one); a group head takes its members along.
  void MoveMorphTarget(const char* path, const char* name, const char* reference);
  // The names of the path's targets in list order (pointers into them).
  void ListObjectMorphNames(const char* path, PtrArray& out);
  // The other targets of the target's group: those of its path after the
  // group's head (or the path's first target) up to the next head.
  void GetTargetGroupMembers(MMorphTgt* target, PtrArray& out);
  // A new target of the meshes' present shape under (path, name), linked
  // after the preceding name, weighted 1 and the path's others 0. Refused
  // with reason 21 when no mesh holds the path, 22 when the target exists.
  // Answers 1 when a captured texture differs in size from the morph's.
  unsigned char CaptureMorphTarget(const char* path, const char* name, int mode, double u, double v,
                                   const char* preceding, bool head);
  // Puts weights on the path's targets and rebuilds the meshes of the
  // scope from them, the figures of the morph at rest meanwhile: with
  // `names`, each listed target takes its weight; without, the named
  // target takes `weight` (its group's others 0 when `exclusive`). The
  // first target applied replaces the shape, the rest add to it; a weight
  // of 0 after the first is left out. Commits the step first.
  void SetObjectMorphWeights(const char* path, const PtrArray* names, const DoubleArray* weights, int scope,
                             const char* name, double weight, bool exclusive);
  void ApplyTargetToMeshes(MMorphTgt* target, double weight, bool accumulate, int scope);
  // The meshes back on their base shape and every weight of the path 0.
  void ResetObjectMorphs(const char* path, int scope);
  // The engine clipboard's target list made anew from copies: of every
  // target (clipboard emptied), of those whose paths the selection's meshes
  // hold (its objects kept), or of the named ones (clipboard emptied). The
  // copies stand in reverse order: pasting at the front puts them back.
  void StoreTargetsGlobally();
  void StoreTargetsGlobally2();
  void StoreNamedTargetsGlobally(const PtrArray& paths, const PtrArray& names);

  // ---- picking and object transforms: MDocObj_Pick.cpp --------------------------
  MObject* PickElement(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& rayStart,
                       const PointRecord& rayEnd, double* t, bool wholeObject) override;
  MObject* PickBoxHandle(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                         double* t, BoxHandle* handle) override;
  MObject* PickNearest(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                       double* t, bool linesOnly) override;
  MObject* PickFace(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                    double* t, MVertex** vertex, MLine** line, MFace** face) override;
  void CollectInRegion(const QViewRegion* region, MObject* only, PtrArray* out) override;
  virtual void FreezeTransforms();
  virtual MMeshObj* MergeObjectMeshes(MObject* object, int remove);
  virtual void SetKeepScaleFlag(bool value);
  // The first mesh of the scene that owns the element, or null.
  MMeshObj* FindMeshOfElement(MFace* face, MLine* line, MVertex* vertex);
  void SaveEditStatesUnder(MObject* object);
  void ClearMirrorPartnersUnder(MObject* object, int flag);

  // ---- clipboard, duplication, grouping: MDocObj_Clipboard.cpp -------------------
  virtual void DeleteSelection();
  virtual void CopySelection(bool move);
  virtual void CutSelection();
  virtual void PasteObjects(const PointRecord* placement, bool keepLayers, bool fromMove);
  virtual void GetDefaultPasteOffset(PointRecord& out);
  virtual void DuplicateSelection(const PointRecord* offset, MObject** mesh);
  virtual void MoveSelectionBy(const PointRecord& vector);
  virtual MGroupObj* GroupSelection(MObject* key);
  virtual MGroupObj* GroupSelectionAround(MObject* key, int mode);
  virtual void UngroupSelection(PtrArray* children, PtrArray* layers, PtrArray* mirrors);
  virtual void UngroupSelectedElements();
  virtual void JoinSelection(int mode);
  virtual bool LayerIndicesDiffer(const PtrArray& objects, const PtrArray& layerIndices);
  virtual bool RestoreLayerIndices(const PtrArray& objects, const PtrArray& layerIndices, const PtrArray& mirrors,
                                   bool onlyIfChanged);
  // Whether some selected object or element-selected mesh lies on a mirror
  // layer; SelectionMixesMirrorLayers: objects of mirror and of plain layers.
  bool SelectionTouchesMirrorLayer();
  bool SelectionMixesMirrorLayers();
  // Clones of the objects added to the scene (the undo copies of a join);
  // on failure none stays and out of memory is recorded.
  bool AddUndoCopies(const PtrArray& originals, PtrArray& copies);
  // After a failed join: the listed top-level objects still in the scene
  // are taken out and deleted, so that their copies stand in their place.
  void RemoveOriginalsKeepingCopies(const PtrArray& originals);
  // Copies of the objects wait on the removed list, so that an undo brings
  // them back in place of the originals, which the caller then changes (and
  // marks new, so that the undo takes them out). False, with nothing left
  // over, when memory runs out.
  bool StandInUndoCopies(const PtrArray& originals, PtrArray& copies);
  // The copy's morphs take the original's indices; false when memory ran out.
  bool KeepMorphIndices(MObject* original, MObject* copy);
  // Undo copies made and not wanted after all: off the removed list or out
  // of the scene, deleted.
  void DropUndoCopies(PtrArray& copies);
  // Undo copies of the meshes' top-level objects (each once), which are
  // then marked new: the meshes' own steps keep vertices, not their morph
  // lists. False, with nothing left over, when memory runs out.
  bool StandInCopiesOfMeshes(const PtrArray& meshes);
  // The undo copies stand in for the originals when the step is undone: the
  // animation list an undo brings back names the copies (kept first when
  // the step has none kept yet).
  void RetargetSavedAnimation(const PtrArray& originals, const PtrArray& copies);

  // ---- selected parts: MDocObj_Clipboard.cpp -------------------------------------
  // The selected elements of every mesh holding some: 0 deleted, 1 copied
  // to the clipboard as new meshes (on their objects' layers, with their
  // meshes' scene matrices), 2 both.
  void TransferSelectedParts(int how);
  void CutSelectedParts() { TransferSelectedParts(2); }
  void CopySelectedParts() { TransferSelectedParts(1); }
  void DeleteSelectedParts() { TransferSelectedParts(0); }

  // ---- two-object operations: MDocObj_Pair.cpp -------------------------------------
  // The mesh boolean (MBoolean's types) of the two selected objects, the
  // earlier selected one first: a new object on the current layer takes
  // their place; an undo brings the two back. A mirror half takes part
  // whole and comes out a half again.
  virtual void BooleanOfPair(int mode);
  // The selected parts of each mesh copied: kind 0 moved by the paste offset
  // (not moved when the distance is below -0.5) and put back into the mesh
  // as its new selection; kind 3 moved along its normals by the distance
  // and made an object of its own beside the mesh.
  virtual void CopySelectedPartsBy(int kind, double distance);
  // Only marks the scene changed after the selection of elements changed.
  virtual void MarkSelectionChanged();

  // ---- mesh commands over the selection: MDocObj_MeshCommands.cpp -------------------
  // With selected vertices somewhere, every editable mesh under the scope
  // (the scene when null) inverts its element selection; otherwise every
  // editable object inverts its selection (a scope is then fatal).
  void InvertEditableSelection(MObject* scope);
  // The selected objects (or the top-level objects of the meshes holding
  // selected elements) get their pivots at the centre of the selection.
  void CentrePivotsOnSelection();
  void SubdivideSelection(int level);
  // Each selected border vertex is joined with the nearest one after it
  // (within a fifth of the selection's diagonal when there are four or
  // more), unless a line joins them already.
  void JoinNearestBorderVertices();

  // ---- selection mesh commands: MDocObj_SelectionCommands.cpp ------------------------
  // Objects mode (whole objects selected) runs a mesh operation's "all" form
  // on their meshes, elements mode its "selected" form on the meshes holding
  // selected elements; each stops at the first failure and marks the scene
  // changed. The colour is a colour word (red in the low byte).
  void SetLineColour(int colour);
  void FillSelectedHoles();
  // Every editable mesh not inside a figure group, whatever is selected.
  void MakeFacesInAllLoops();
  void MakeFacesInLoops();
  // Lines of selected objects and selected lines; with neither, the
  // selected vertices become full creases (SetCrease) or lose their crease
  // and its weight (ClearCrease).
  void SetCrease();
  void ClearCrease();
  // Moves each selected object along the axis (1 +X, 2 -Y, 3 +Z) until it
  // meets an unselected mesh, the floor (Y) or half the grid's extent.
  void DropSelectedObjects(int axis);
  // Mirrored copies (in x about the YZ plane) of the selected objects join
  // the scene; the selected symmetric halves are made whole. With newStep
  // the selected objects count as made in this step.
  void MakeMirroredCopies(bool newStep);
  // Pastes, mirrors and moves the pasted objects half a grid cell to the
  // left of the mirror plane.
  void PasteMirroredLeft();
  void SmoothSelection(int strength);
  void ReduceSelection(double amount);
  // Kinds 1, 2, 3: flat across the scene's X, Y, Z; 11 and 12: the mesh
  // operation's own plane. Other kinds are fatal.
  void FlattenSelection(int kind);
  // Scale before each selected object's matrix, baked into its contents
  // unless animations drive the objects.
  void ScaleSelectedObjects(double sx, double sy, double sz);
  // Objects mode: how 2 hides everything but the selection; elements mode:
  // the mesh operation's modes. Leaves nothing selected.
  void HideSelection(int how);
  void ClearAllShown();
  void ShowAll();
  // The panel's values for the selection; partsFlag tells elements mode.
  void GetTransformPanelValues(TransformPanelValues& out, bool& partsFlag);

  // ---- selection-wide mesh commands: MDocObj_SelectionWide.cpp ----------------------
  // Selected meshes get the "all" form, meshes with selected lines the
  // "selected" one; with neither the vertex weights are set instead.
  void SetLineCreaseWeight(double weight);
  void SetVertexCreaseWeight(double weight);
  // The selected meshes shown smooth take their smooth surface as their
  // own elements and are shown plain.
  void ApplySmoothSurface(int level);
  void SetSmoothSurfaceOn(bool on);
  bool HasSmoothSurfaceOn();
  // Over the meshes of selected objects: 0 none, 1 only plain, 2 only
  // smooth, 3 both.
  int GetSelectionSmoothState();
  bool SelectionHasSmoothSurfaceOn();
  // Brings the requested derived data up to date where its prepared byte is
  // 0: 1 the normals of plain meshes, 2 of meshes shown smooth, 3 the smooth
  // surfaces.
  void PrepareMeshes(unsigned char r1, unsigned char r2, unsigned char r3);
  bool SelectionHasFaces();
  void SaveSelectionForUndo();
  // The mean texture gradients (along u, along v) over the selection's
  // vertices; zero without any.
  void GetAverageTextureVectors(PointRecord& a, PointRecord& b);
  void ShiftTextureCoords(double du, double dv);
  // Mirror editing of the selected meshes on mirror layers; true when a
  // mesh off mirror layers was left out.
  bool SetMirrorEditing(bool on);
  // 1 when a mesh of the selection is textured, else 2 when one has an open
  // line, else 0.
  int ClassifySelectionMeshes();
  // A mesh, or some mesh of a group; other objects are fatal.
  bool HasClosedLineLoop(MObject* object);

  // ---- texture coordinates of one texture across meshes: MDocObj_UV.cpp -------------
  // The meshes on visible layers that use the texture, with the material
  // of each for it (parallel lists). The commands below change only listed
  // meshes on editable layers; the centre and extreme points are taken
  // from the marked corners before anything moves.
  void CollectTextureMeshes(MShader* key, PtrArray& meshes, PtrArray& materials);
  bool HasUVOutsideRange(MShader* key);
  void MarkUVFromSelection(const PtrArray& meshes, const PtrArray& materials);
  void SelectFromUVMarks(const PtrArray& meshes, const PtrArray& materials);
  // The corners (with their twins) nearest the point (u, v) within the
  // radius, over all meshes; the outputs stay as they were without any.
  void PickUV(const PointRecord& point, double radius, const PtrArray& meshes, const PtrArray& materials,
              MMeshObj*& outMesh, TripleArray& outTriples);
  // Marks what lies inside the rectangle; with toggle 1 a rectangle over
  // mostly marked corners and edges (an edge counting five) unmarks.
  void SelectUVRect(const PointRecord& corner1, const PointRecord& corner2, int toggle, const PtrArray& meshes,
                    const PtrArray& materials);
  // By the offset: the listed corners of the mesh, or without a mesh the
  // marked corners of every listed mesh.
  void MoveUV(const PointRecord& offset, MMeshObj* mesh, const TripleArray& list, const PtrArray& meshes,
              const PtrArray& materials);
  void RotateUV(double angle, const PtrArray& meshes, const PtrArray& materials);
  void ScaleUV(double factorU, double factorV, const PtrArray& meshes, const PtrArray& materials);
  // Kind below 0 the mean of the marked corners, 0..3 the extreme (largest
  // v, smallest u, smallest v, largest u); (0, 0, 0) without any. Meshes
  // without marked corners take no part in an extreme.
  void GetUVSelectionPoint(PointRecord& out, const PtrArray& meshes, const PtrArray& materials, int kind);
  void WeldSelectedUV(const PtrArray& meshes, const PtrArray& materials);
  // A non-zero axis mirrors u about the mean, zero mirrors v.
  void FlipSelectedUV(int axis, const PtrArray& meshes, const PtrArray& materials);
  // Kinds 1 and 3 line the marked corners up on the extreme u, 0 and 2 on v.
  void AlignUVToExtreme(int kind, const PtrArray& meshes, const PtrArray& materials);

  // ---- single-mesh mode and symmetric drawing: MDocObj_SingleMesh.cpp ---------------
  // The merged mesh: every mesh of the scene (visible ones only with
  // visibleLayersOnly) copied in scene space, partners kept; its vertices
  // link back to the ones they were copied from. Create drops it again
  // after a hard failure.
  void BuildSingleMesh();
  void CreateSingleMesh();
  // Pairs the merged mesh's vertices (handing the pairs to the source
  // meshes) and lifts the drawing into depth; a hard failure drops it.
  void LiftSingleMesh();
  void CreateLiftedSingleMesh();
  bool IsSingleMeshUnpaired() const;
  MMeshObj* GetSingleMesh() const { return singleMeshMesh; }
  // The copy of single-mesh mode: puts the lifted merged mesh without
  // partners and the merged mesh split at the mirror plane on the engine
  // clipboard; the scene ends as it was (the clipboard empty on failure).
  void CopyLiftedSingleMesh();
  // Shows the grid and the merged mesh alone until DropSingleMesh.
  void ShowSingleMeshOnly();
  void DropSingleMesh();
  // The scene's group part as the grid and one merged mesh.
  void WriteAsSingleMesh(QFile& file);
  // Pairs along the chains from the vertex and its partner (in whichever
  // mesh holds it).
  void PairMirrorChainsFrom(MMeshObj* mesh, MVertex* vertex);
  // Reverts and closes the open edit step.
  void DiscardEdit();
  // A coil (AddCircleMesh: p and the counts as the mesh's helix takes them)
  // or a flat wave line (AddCircleMeshAlt: height p.x, width p.y) as a new
  // mesh; on a mirror layer it stands left of the plane by twice (the wave
  // once) p.y.
  void AddCircleMesh(const PointRecord& p, const int counts[2]);
  void AddCircleMeshAlt(const PointRecord& p, const int counts[2]);

  // ---- mirror layers and line commands: MDocObj_MirrorLayers.cpp -------------------
  // Sets the mirror flag of the layer (a group head with its members; a
  // negative index every layer). Objects of layers turned on move to the
  // modelled side (x below 0), those of layers turned off are made whole.
  // The step is committed first and the layer table kept for undo.
  void SetLayerMirror(bool value, int layer);
  // Moves the selected children (all with `all`) left of the mirror plane
  // by 1.1 times their largest x and half a grid cell.
  void MoveSelectionToMirrorSide(bool all);
  // Something is selected and all of it lies on mirror layers.
  bool SelectionAllOnMirrorLayers();
  // False when nothing at all is selected.
  bool SetSelectionLineWidth(int width);
  void ScaleSelectionLineWidth(double factor);
  void ClearLineFlag10All();

  // ---- selection transforms: MDocObj_Transform.cpp --------------------------------
  virtual void MoveSelection(const PointRecord& vector, MObject* object);
  virtual void RotateSelectedObjects(const PointRecord& pivot, double a, double b, double c, double d, double e,
                                     double f, unsigned char absolute);
  virtual void ScaleSelection(const PointRecord& pivot, const double factors[3], int unused);
  virtual void ScaleSelectionAxes(const PointRecord& pivot, const double factors[3], unsigned char vertexMode,
                                  unsigned char updateFigures, const PointRecord* axis);
  virtual void RotateSelectedVertices(const PointRecord& pivot, double a, double b, double c,
                                      unsigned char updateFigures);
  virtual void TransformSelectedObjects(const PointRecord& move, const double factors[3], const PointRecord& pivot,
                                        double a, double b, double c, double d, double e, double f,
                                        unsigned char absolute);
  virtual void TransformSelectedVertices(const PointRecord& move, const double factors[3], const PointRecord& pivot,
                                         double a, double b, double c);
  virtual int ApplyTransformRecord(const TransformRequest& request);
  virtual bool CanScaleSelection(const double factors[3]);
  virtual void PlaceSelectionAt(const PointRecord& point);
  virtual void ScaleScene(double factor, int clipboard, unsigned char keepAnimation);
  static double GetUnitFactor(int code);
  virtual double SetLengthUnit(int code);
  virtual void GetSelectionDirection(int& kind, PointRecord& out);
  virtual void ApplyTransformStep(const TransformStep& step);
  virtual void MoveSelectedVertices(const PointRecord& delta, bool reDeform);

  // ---- copies and alignment: MDocObj_Copies.cpp ------------------------------------
  virtual void PasteCopies(int circular, int n, const TransformStep& base, int turn, const PointRecord& axis);
  static void LinearCopyStep(int i, const TransformStep& base, TransformStep& out);
  static void CircularCopyStep(int i, int n, int turn, const PointRecord& axis, MObject* copy, TransformStep& out);
  virtual void AlignSelection(int mode, const PointRecord& direction);
  virtual void AlignObjects(int mode, const PointRecord& direction);
  virtual void AlignVertices(int mode, const PointRecord& direction);

  // ---- merging, joining, snapping: MDocObj_Merge.cpp --------------------------------
  virtual void DetachObject(MObject* object);
  virtual MMeshObj* MergeObjects(PtrArray& objects);
  virtual MMeshObj* JoinVertices(MMeshObj* a, MMeshObj* b, MVertex* va, MVertex* vb);
  virtual MMeshObj* JoinElements(ElementRefArray& references);
  virtual void SnapElementToElement(const SnapElement& source, const SnapElement& destination);
  virtual void SnapObjectToElement(const SnapElement& source, const SnapElement& destination);
  virtual void SnapVerticesToElement(const SnapElement& source, const SnapElement& destination);
  void AlignElementDirections(const SnapElement& source, const SnapElement& destination, const PointRecord& pivot,
                              MatrixRecord& m);

  // ---- primitives: MDocObj_Primitives.cpp ---------------------------------------------
  static MMeshObj* MakeFlatPrimitive(int type, double size, int segments, const PointRecord* p1,
                                     const PointRecord* p2);
  static MMeshObj* MakeSolidPrimitive(int type, double size, int segments, const PointRecord* p1,
                                      const PointRecord* p2);
  virtual MObject* AddPrimitive(const PointRecord& point, int type, int plane, int segments,
                                const PointRecord* point2, bool downwards);

  // ---- members ------------------------------------------------------------------------
  PtrArray removedObjects;  // owned
  void* registeredView = nullptr;
  unsigned char allShownFlag = 1;
  unsigned char undoStepStored = 0;
  unsigned char untouched = 1;
  unsigned char preparedFlags[3] = {0, 0, 0};
  int layerCount = 1;
  int currentLayer = 0;
  LayerRecord layers[kLayerCount];
  unsigned char visibleLayersOnly = 0;
  LayerRecord* layerBackup = nullptr;  // owned (EngAlloc), 99 records
  unsigned char layerBackupValid = 0;
  int layerBackupCount = 0;  // -1 while reading: the layer-name block follows
  int layerBackupCurrent = 0;
  unsigned char layerRecordsFlag = 1;
  unsigned char singleMeshMode = 0;
  unsigned char drawingParamFlag = 1;
  double drawingParamFactor = 0.5;
  MMeshObj* singleMeshMesh = nullptr;  // owned; parent the scene, a child only while shown alone
  PtrArray savedChildren;              // the real child list while the merged mesh is shown alone
  unsigned char savedChildrenFlag = 0;
  int editMode = 0;
  unsigned char redoAvailable = 0;
  int unitCode = 0;
  MItemList<MMorphTgt>* morphTargets = nullptr;  // owned
  AnimList animations;
  AnimList animationsBackup;
  AnimList* animationsPending = nullptr;  // owned
  int animationUndoState = 0;
  int animationIndex = -1;
  unsigned char animationSwitchA = 0;
  unsigned char animationSwitchB = 0;
  int animationValue = -1;
  int animationFlags = 0;
  PtrArray shadowSnapshots;  // ShadowInfo, owned, one per direct child
  int shadowSnapshotState = 0;
  int floorShadowState = 0;
  double floorShadowAngles[2][2] = {{0.0, 0.0}, {0.0, 0.0}};  // the view lights the images were made for
  int floorShadowLightFlag = 0;
  // The thumbnail a saved package carries for the material library: two
  // texts and a picture (none when null).
  std::string thumbnailText1;
  std::string thumbnailText2;
  platform::Image thumbnailImage;

 private:
  // Runs the edit with the morph's figures at rest; their poses come back
  // afterwards whatever happened. Commits the step first.
  void WithFiguresAtRest(const char* path, int scope, const std::function<void()>& edit);
  void AddCircleMeshOf(const PointRecord& p, const int counts[2], bool wave);
  void DeleteSingleMesh();
  // The index of a layer argument: negative means the current layer.
  int LayerOrCurrent(int layer) const { return layer < 0 ? currentLayer : layer; }
  // The scene objects after the grid.
  MObject* SceneObjectAt(int i) { return ChildAt(i); }
  void ResetLayers();
};

// The mesh object behind an object of type 4, or null.
MMeshObj* AsMesh(MObject* object);
// Whether the engine failure state is set.
bool SceneFailed();

}  // namespace engine
