#pragma once
// MBoneObj, the posable figure: a mesh whose vertices are joints and whose
// lines are bones. A line's first end is the parent joint, its second end
// the child joint; the root joint of each connected piece carries vertex
// flag 0x100. Bone i belongs to the i-th line of the live line list.
//
// The visible body is made of the other meshes below the figure's parent
// group (the bound meshes): walked in child order, each mesh's vertices in
// list order, the k-th vertex is bound vertex k, which owns rest position k
// and skin record k. Rest space is the figure's own frame: a bound mesh's
// vertex is taken there through the inverse of the figure's matrix and then
// its mesh's matrix composed up to the figure's parent, and back the
// opposite way.
//
// Declaration by topic, with the file of each topic:
//   MBoneObj.cpp            life cycle, copy, factory, figure search
//   MBoneObj_Record.cpp     the figure record
//   MBoneObj_Body.cpp       bound meshes, marker colours, bound vertex numbers
//   MBoneObj_Skin.cpp       skin weights, bone matrices, deformation of a point
//   MBoneObj_Rig.cpp        rig set-up, rest state, deforming the bound meshes
//   MBoneObj_Tree.cpp       bone hierarchy and the figure's undo step
//   MBoneObj_Pose.cpp       capturing and applying poses, length ratios
//   MBoneObj_Pins.cpp       pose additions: offset and pins, inverse kinematics
//   MBoneObj_Transfer.cpp   taking over another body, rebinding after edits
//   MBoneObj_Landmarks.cpp  landmark joints, feature points
//   MBoneObj_Display.cpp    bone overlays, rotation rings, influence lines, picking
#include <string>

#include "engine/figure/BoneRecords.h"
#include "engine/figure/MAddPose.h"
#include "engine/figure/MPose.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {

class MDocObj;
class MGroupObj;

// A mesh below a figure's parent with its matrix composed up to that parent
// and the inverse.
struct BoundMesh {
  MMeshObj* mesh;
  MatrixRecord toParent;
  MatrixRecord fromParent;
};
using BoundMeshArray = EngArray<BoundMesh>;

// Line colour kinds of body meshes (each colour byte times 0.0039 against
// one half).
enum BodyColourKind : int {
  kBodyRed = 1,
  kBodyBlue = 3,
  kBodyMagenta = 4,
  kBodyCyan = 6,
  kBodyGreen = 7,
  kBodyYellow = 8,
};
bool BodyLineHasColourKind(const MLine* line, int kind);
bool BodyVertexHasColourKind(const MVertex* vertex, int kind);
bool BodyLineIsPickable(const MLine* line);
bool BodyVertexHasPickableLine(const MVertex* vertex);

// The scene's morph targets, for the take-over's scaling of target parts;
// the scene document installs the collector (none: no targets).
using FigureMorphTargetCollector = bool (*)(MDocObj* scene, PtrArray& out);
void SetFigureMorphTargetCollector(FigureMorphTargetCollector collector);

class MBoneObj : public MMeshObj {
 public:
  static constexpr int kLandmarkCount = 21;
  static constexpr int kFeaturePointLimit = 110;

  MBoneObj();
  ~MBoneObj() override;

  // ---- life cycle: MBoneObj.cpp -------------------------------------------
  // Copies the mesh, rig kind, skin flag, the three arrays (the target's
  // undo rest positions start equal to its rest positions), the additions
  // and the carried block; bone i of the target is paired with the
  // target's i-th line. A source without its arrays is fatal.
  void CopyTo(MObject* target) override;
  MObject* Clone() override;
  bool IsBoneObject() override { return true; }

  // ---- record: MBoneObj_Record.cpp ----------------------------------------
  void WriteTo(QFile& file) override;
  // Damaged counts (a skin record of more than four influences, fewer bone
  // records than lines, a negative size) are load failures.
  void ReadFrom(QFile& file) override;
  // With `size`: 264 + K + 128 m stored there and nothing written.
  void WriteExtraBlock(QFile* file, int* size);
  int ReadExtraBlock(QFile& file);
  void ClearExtraBlock();

  // ---- bound meshes and numbers: MBoneObj_Body.cpp ------------------------
  // The meshes below the figure's parent in child order with their matrices
  // up to the parent (figures included: callers skip them). False with out
  // of memory recorded.
  bool CollectBoundMeshes(BoundMeshArray& out);
  void CountRigElements(int& boneCount, int& boundCount);
  void CountBoundVertices(MGroupObj* group, int& total);
  // Rest space and back, for a mesh with its matrix up to the parent.
  void ToRestSpace(const BoundMesh& mesh, const PointRecord& p, PointRecord& out);
  void FromRestSpace(const BoundMesh& mesh, const PointRecord& p, PointRecord& out);
  int GetFaceColourClass(const MFace* face) const;
  void ClassifyBodyFaces(MDocObj* scene);
  bool IsFaceOfClass(const MFace* face, int faceClass) const;
  void NumberBodyVertices(MDocObj* scene);
  PointRecord& GetRestPosition(PointRecord& out, const MVertex* vertex);
  SkinRecord* GetSkinRecordOfVertex(const MVertex* vertex);
  void SetRestPosition(const MVertex* vertex, const PointRecord& point);

  // ---- skinning: MBoneObj_Skin.cpp -----------------------------------------
  // The record of a rest-space point: up to four bones by nearness to their
  // inner segments (mode 0 unexcluded bones, 1 the selected part, 2
  // selected unexcluded, 3 selected), weights normalised. The lock and the
  // undo copy are not touched.
  void ComputeSkinWeights(const PointRecord& point, SkinRecord& out, int mode);
  // The rest point carried into posed space by the record.
  void DeformPoint(const SkinRecord& record, PointRecord& point);
  void BuildSegmentMatrix(int mode, const PointRecord& restStart, const PointRecord& restEnd,
                          const PointRecord& start, const PointRecord& end, const MatrixRecord& base,
                          MatrixRecord& out);
  // Posed and deform matrices of every bone from the current joints (mode
  // 0 scale, 1 stretch along the bone, 2 stretch and mark every bone
  // changed), then the changed mark spreads by one ring.
  bool UpdateBoneMatrices(int mode);
  void UpdateBlendRanges();
  BoneRecord* FindBoneByLine(const MLine* line, int* index = nullptr);
  void ResetBoneAndBelow(MLine* line);
  void ExcludeSelectedBones(MDocObj* scene, int mode);
  bool IncludeSelectedBones(MDocObj* scene);
  void CollectLinesBelow(int stamp, MLine* line, PtrArray& out);
  void StoreInfluenceRatios();
  void RestoreInfluenceRadii();
  // A record for a vertex the figure has none for: blended from its two
  // border neighbours' records, or weighted afresh at its rest position
  // when it has no such neighbours (a vertex inside a face, or beside
  // other new vertices).
  void BlendBorderSkin(MVertex* vertex, SkinRecord& out, const PointRecord& restPosition);
  bool IsAtRestPose();
  bool IsRedBone(const BoneRecord& bone) const;

  // ---- rig set-up: MBoneObj_Rig.cpp ----------------------------------------
  void AllocateRig(int kind);
  void BindByObject(MDocObj* scene);
  void BindByVertex(MDocObj* scene, int mode);
  void BuildRig(MDocObj* scene);
  void CaptureRestState(MDocObj* scene, bool withRadii);
  void ResetAllBones(MDocObj* scene);
  void DeformBoundObjects(MDocObj* scene);
  static void UpdatePosedMatrix(int mode, const PointRecord& restStart, const PointRecord& restEnd,
                                const PointRecord& start, const PointRecord& end, double unused,
                                MatrixRecord& matrix);
  bool SpreadChangedFlags();
  void ResetSelectedBones(MDocObj* scene);
  void ResetPose(MDocObj* scene);
  // Every line turned to run away from its piece's root (a joint with flag
  // 0x100, else the joint whose breadth-first walk is shallowest).
  void OrientFromRoots();

  // ---- hierarchy and undo: MBoneObj_Tree.cpp --------------------------------
  bool IsSkinBound() const { return skinBound != 0; }
  void SetSkinBound(bool value) { skinBound = value ? 1 : 0; }
  bool AreBonesAdjacent(int a, double, int b, double);
  static bool IsSkinLocked(const SkinRecord& r) { return r.locked != 0; }
  static void SetSkinLocked(SkinRecord& r, bool value) { r.locked = value ? 1 : 0; }
  static SkinRecord& ClearSkinRecord(SkinRecord& r);
  static SkinRecord& BackupSkinRecord(SkinRecord& r);
  static SkinRecord& SwapSkinRecordBackup(SkinRecord& r);
  bool IsBoneOrNeighbourExcluded(const BoneRecord& r);
  static BoneRecord& BackupBoneRecord(BoneRecord& r);
  static BoneRecord& SwapBoneRecordBackup(BoneRecord& r);
  void SelectChainFrom(bool force, MLine* line, PointRecord* out, bool siblings);
  void SelectLineAndBelow(int stamp, MLine* line);
  MVertex* GetParentJoint(MVertex* joint);
  MVertex* GetChildJoint(MVertex* joint);
  void CollectBonesBelow(bool force, MLine* line, PtrArray& out, bool siblings);
  void ClearReservedWord(int = 0) { reservedWord = 0; }
  bool IsFeatureSetActive() const { return featureActive[0] != 0; }
  void SetCurrentFeaturePoint(const PointRecord& point);
  void SetCurrentFeatureIndex(int index) { featureCurrent[0] = index; }
  int GetCurrentFeatureIndex() const { return featureCurrent[0]; }
  int GetFeatureCode(int n) const { return featureCodes[0][n]; }
  bool IsBoneAtRest(MLine* line);
  // The figure keeps one step of its own data beside the mesh's step.
  void Checkpoint(bool keep) override;
  void ExchangeUndoStep(int redo) override;

  // ---- poses: MBoneObj_Pose.cpp --------------------------------------------
  int WritePose(QFile& file, bool enable, int kind, int extraIndex);
  void GetPoseHeader(PoseHeader& out);
  void GetPoseBones(PoseBoneArray& out);
  bool IsPoseCompatible(bool kind);
  bool MatchesPoseHeader(const PoseHeader& header);
  void ApplyPoseRotations(MPose& pose);
  // Puts the pose on the figure (from rest, with its additions) as one
  // undoable step. A pose of another bone count is declined (failure
  // state 1, reason 6) and nothing changes.
  void SetPose(MDocObj* scene, MPose& pose);
  void GetPose(MPose& pose);
  void EnableAddPose(MPose* pose);
  void DisableAddPose();
  MVertex* GetVertexByIndex(int index);
  int GetVertexIndex(const MVertex* joint);
  void GetRootPositions(PointRecord* rest, PointRecord* current);
  void MoveAllJoints(const PointRecord& d);
  MLine* GetLineEndingAt(MVertex* joint);
  void GetStartJointPosition(PointRecord& out, const MLine* line);
  void StoreBoneLengthRatios();
  void ClearBoneLengthRatios() { addPose.ClearRatioList(); }
  bool HasBoneLengthRatios() const { return addPose.ratios.count > 0; }
  void ReapplyLengthRatios();
  void SaveAndStoreLengthRatios();
  void RestoreLengthRatios();

  // ---- pose additions: MBoneObj_Pins.cpp -------------------------------------
  void UpdateAddPose();
  void UpdateAddPoseAt(MLine* line, MVertex* joint);
  void UpdateAddPoseOffset(const MatrixRecord& world);
  void UpdateAddPoseEntry(const MatrixRecord& world, double scale, int entry);
  double GetWorldMatrixAndScale(MatrixRecord& out);
  void DivideByWorldScale(const MatrixRecord& world, PointRecord& v);
  void ApplyAddPose(MDocObj* scene, bool keepPlace);
  // Drags the first end of the line (and what lies below it) by a world
  // displacement as far as the two bones above it allow, their lengths
  // kept. False when a failure was recorded.
  bool DragBoneStartTo(MDocObj* scene, MLine* line, const PointRecord& displacement);
  int GetJointAddPoseRole(MVertex* joint, const MatrixRecord& world, PointRecord* out);
  int GetBonePinTarget(MLine* line, const MatrixRecord& world, PointRecord* out);
  void SelectPinnedJoints(bool all);
  int UnpinSelected();
  int PinSelectedVertex();
  int PinSelection();
  int PinSelectedJointsToWorld();

  // ---- pose transfer: MBoneObj_Transfer.cpp ----------------------------------
  void ScaleTargetParts(MDocObj* scene, double factor, bool apply, PtrArray* boneList, PtrArray* targetList);
  double CopySkeletonShapeTo(MDocObj* scene, MBoneObj* other);
  void AdoptBodyFrom(MDocObj* scene, MBoneObj* other);
  void CreateOwnPose(MDocObj* scene);
  void RebindAfterEdit(MDocObj* scene);

  // ---- landmarks and feature points: MBoneObj_Landmarks.cpp -------------------
  int GetFeatureSetIndex() const { return 0; }
  MBoneObj* ResetFeatureSets();
  // Fills the landmark table from the skeleton's shape (a standing human:
  // a top end, two arm ends and two leg ends, each limb a chain of three
  // two-line joints). A skeleton of another shape is refused: false, with
  // the reason in `why`, and the table left as it was.
  bool FindLandmarks(bool onlyTop, std::string* why = nullptr);
  // Positions of the top end and the joint below it; false (outputs
  // untouched) when the skeleton has no such ends.
  bool GetTopLandmarkPoints(PointRecord& top, PointRecord& next);
  // Selects the top bone and its two joints; false when there is none.
  bool SelectTopBone();
  void DrawFeaturePoints(QView* view);
  MVertex* GetLandmark(int i) const { return landmarks[i]; }

  // ---- display and picking: MBoneObj_Display.cpp ----------------------------
  void DrawBody(QView* view, const DrawRecord& ownRecord) override;
  void CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) override;
  void ProjectToScreen(const MatrixRecord& projection, int mode) override;
  void AddBoneOverlay(LineSegArray& out, const MatrixRecord& w, BoneRecord& bone, QView* view, bool single);
  void AddBoneShape(LineSegArray& out, const MatrixRecord& w, const BoneRecord& bone);
  void AddRotationHandles(LineSegArray& out, const MatrixRecord& w, BoneRecord& bone, QView* view);
  void AddJointOverlay(LineSegArray& out, const MatrixRecord& w, QView* view, MVertex* joint);
  void GetBoneAxis(PointRecord& out, MLine* line, int kind);
  // The mesh's line pick, then the rotation rings of the selected bone: a
  // ring nearer than the mesh's line answers the bone and leaves its ring
  // (1 to 3) in handleHitKind and its screen direction in
  // handleHitDirection; handleHitKind is 0 otherwise.
  MLine* PickLine(const PointRecord& point, const PointRecord& rayStart, const PointRecord& rayEnd, MFace* face,
                  double* depth, bool* ofFace, const PtrArray* lineList, bool anyLine) override;
  // Any point may hit a figure: its rings reach past its joints.
  bool IsNearPoint(const PointRecord& point) override;
  void CollectLinesBetween(PtrArray& out);
  bool ComputeSelectedInfluence(MDocObj* scene);
  void DrawInfluenceLines(MDocObj* scene, QView* view);
  void DrawBones(MDocObj* scene, QView* view);
  bool RebuildRigIfUnbound(MDocObj* scene);
  void RotateBonesAbout(const PointRecord& centre, const MatrixRecord& rotation, const PtrArray& lines);
  void SaveVertexPositions(PointArray& out);
  void RestoreVertexPositions(const PointArray& saved);
  void RotateAddPoseTargets(MVertex* joint, const MatrixRecord& rotation, const PtrArray& lines);

  // ---- members ------------------------------------------------------------
  int rigKind = 1;
  unsigned char skinBound = 0;
  unsigned char undoSkinBound = 0;
  RestPointArray* restPositions = nullptr;  // owned
  RestPointArray* undoRestPositions = nullptr;
  SkinRecordArray* skinRecords = nullptr;
  BoneRecordArray* bones = nullptr;
  MLine* handleLine = nullptr;
  PointRecord handleModelPoints[96];
  PointRecord handleScreenPoints[96];
  int handleHitKind = 0;
  PointRecord handleHitDirection{0, 0, 0};
  int rotationMode = 0;
  int reservedWord = 0;
  int featureCount[2] = {0, 0};
  int featureCodes[2][kFeaturePointLimit] = {};
  short featureValues[2][kFeaturePointLimit][2] = {};
  int featureCodeMap[2][kFeaturePointLimit] = {};
  unsigned char featureActive[2] = {0, 0};
  int featureCurrent[2] = {0, 0};
  PointRecord featurePoints[2][kFeaturePointLimit] = {};
  MVertex* landmarks[kLandmarkCount] = {};
  int undoFeatureIndex[2] = {0, 0};
  PointArray* regionShapes[4] = {};  // owned
  unsigned char redBoneBuilding = 0;
  double redBoneScale = 1.0;
  MPose* savedPose = nullptr;  // owned
  MAddPose addPose;
  DoubleArray lengthRatios;
  DoubleArray savedLengthRatios;
  unsigned char* extraBytes = nullptr;  // owned (EngAlloc)
  int extraByteCount = 0;
  MatrixArray extraMatrices;
  MatrixRecord extraMatrixA;
  MatrixRecord extraMatrixB;
  // The arrays a rebinding replaced in the open edit step (owned, null
  // otherwise): the step's undo and redo exchange them with the current
  // ones whole, since the counts differ.
  RestPointArray* stepRestPositions = nullptr;
  RestPointArray* stepUndoRestPositions = nullptr;
  SkinRecordArray* stepSkinRecords = nullptr;

 protected:
  // Frees the three arrays of a rebinding's step.
  void DropStepArrays();
  // Pairs bone i with the i-th live line.
  void PairBonesWithLines();
};

// The first figure in the object's tree, or null.
MBoneObj* FindBoneObj(MObject* object);

// Registers the figure with the object factory (tag 6) and gives the scene
// document its figure services (skin-bound test, bones and skin following
// moved joints); the engine start-up calls it once, after the mesh's
// services.
void InstallFigureObjectServices();

// Engine arrays held by pointer: made and freed through the engine's
// allocator, so that running out of memory is seen like any other.
template <class A>
A* NewFigureArray(int initial) {
  void* block = EngAlloc(sizeof(A));
  if (block == nullptr) return nullptr;
  return ::new (block) A(initial);
}
template <class A>
void DeleteFigureArray(A*& array) {
  if (array == nullptr) return;
  array->~A();
  EngFree(array);
  array = nullptr;
}

}  // namespace engine
