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
//   MBoneObj_Features.cpp   the feature-point list, joints placed on the points
//   MBoneObj_Display.cpp    bone overlays, rotation rings, influence lines, picking
//   MBoneObj_Frames.cpp     bone frames, pushing points through quads, limb marks
//   MBoneObj_BodyUV.cpp     texture coordinates carried from a seam
//   MBoneObj_Binding.cpp    radial body binding and inflation about the bones
//   MBoneObj_Reshape.cpp    displacement spreading, sketch and depth fitting
//   MBoneObj_RigUpkeep.cpp  selections and rebinding after body edits
//   MBoneObj_Regions.cpp    marked regions moved onto feature points
//   MBoneObj_FeatureFit.cpp fitting the marked area along a bone
#include <string>

#include "engine/figure/BoneRecords.h"
#include "engine/figure/MAddPose.h"
#include "engine/figure/MPose.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {

class MDocObj;
class MGroup;
class MGroupObj;

// A mesh below a figure's parent with its matrix composed up to that parent
// and the inverse.
struct BoundMesh {
  MMeshObj* mesh;
  MatrixRecord toParent;
  MatrixRecord fromParent;
};
using BoundMeshArray = EngArray<BoundMesh>;

// The parallelogram p0 + u (p1 - p0) + v (p2 - p0), u and v in 0..1, with
// the unit normal n of its plane.
struct QuadRecord {
  PointRecord p0;
  PointRecord p1;
  PointRecord p2;
  PointRecord n;
};
using QuadRecordArray = EngArray<QuadRecord>;

// The matrices of fitting body lines to a sketch: figure to screen and
// back, bound mesh to the figure's frame and back.
struct SketchMatrices {
  MatrixRecord screen;
  MatrixRecord screenInverse;
  MatrixRecord frame;
  MatrixRecord frameInverse;
};

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
// Face colour classes of body materials (the diffuse colour's components
// against one half, as the line colour kinds).
enum BodyFaceClass : int {
  kFaceRed = 21,
  kFaceBlue = 22,
  kFaceMagenta = 23,
  kFaceCyan = 24,
  kFaceGreen = 25,
  kFaceYellow = 26,
};
bool BodyLineHasColourKind(const MLine* line, int kind);
bool BodyVertexHasColourKind(const MVertex* vertex, int kind);
bool BodyLineIsPickable(const MLine* line);
bool BodyVertexHasPickableLine(const MVertex* vertex);

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
  // The same two carriages as matrices.
  void GetRestMatrices(const BoundMesh& mesh, MatrixRecord& toRest, MatrixRecord& fromRest);
  int GetFaceColourClass(const MFace* face) const;
  void ClassifyBodyFaces(MDocObj* scene);
  bool IsFaceOfClass(const MFace* face, int faceClass) const;
  void NumberBodyVertices(MDocObj* scene);
  PointRecord& GetRestPosition(PointRecord& out, const MVertex* vertex);
  SkinRecord* GetSkinRecordOfVertex(const MVertex* vertex);
  void SetRestPosition(const MVertex* vertex, const PointRecord& point);
  // Whether the rig still matches the skeleton and the bound meshes: one
  // bone per line and one rest position per bound vertex. Operations that
  // take the rest state again refuse otherwise (vertices were added or
  // removed since the rig was made).
  bool RigFitsBody();

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
  // Opens the figure's step and keeps the feature points as they stand,
  // once per step, so that its undo puts them back.
  void SaveFeaturePointsUndo();

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
  // untouched) when the skeleton has no such ends. The scene measures a
  // figure's height by these two points, the second being its lower point.
  bool GetTopLandmarkPoints(PointRecord& top, PointRecord& next);
  // Selects the top bone and its two joints; false when there is none.
  // The scene's binding of other objects to a new figure starts from it.
  bool SelectTopBone();
  void DrawFeaturePoints(QView* view);
  MVertex* GetLandmark(int i) const { return landmarks[i]; }

  // ---- feature points: MBoneObj_Features.cpp -----------------------------------
  // Appends the entries of a feature-point list (one number a line: the
  // code, then two values) to the current set; an empty first line of an
  // entry, or the end of the file, ends it. A list with a code outside
  // 0..109, or with more entries than the set has room for, is refused
  // whole: false with the reason in `why`, the set unchanged.
  bool ReadFeaturePoints(QFile& file, std::string* why = nullptr);
  // The current set: its count, current point and active flag as values,
  // its codes, value pairs and points as the addresses of the arrays (the
  // caller fills the points there); null outputs are skipped.
  void GetFeatureSet(int* count, int* current, unsigned char* active, int** codes, short (**values)[2],
                     PointRecord** points);
  // Steps to the next point; past the last one the walk ends (the active
  // flag is cleared) on the last point. Nothing with no points.
  void NextFeaturePoint();
  // The point nearest to `point` becomes current (0 with no points).
  void PickFeaturePoint(const PointRecord& point);
  bool HasFeatureCode(int code) const;
  // P(code) of the current set; (0, 0, 0) for a code the set lacks.
  PointRecord GetFeaturePoint(int code) const;
  // Scales the figure's parent so that the figure's height (top end to the
  // middle of the two leg ends) matches the points' (code 1 to the middle
  // of codes 35 and 36); the points keep their world positions. Refused
  // (false, reason in `why`, nothing changed) for a skeleton without
  // landmarks, a missing code, no parent or a figure of no height.
  bool ScaleToFeatureHeight(MDocObj* scene, std::string* why = nullptr);
  // x and y of the point, the joint's own z; x = 0 on the mirror plane.
  MVertex* SetJointXY(MVertex* joint, const PointRecord& point);
  // Places the 21 landmark joints on the feature points. Every code it
  // needs is checked first: with one missing (or a skeleton without
  // landmarks) it refuses, false with the reason, and moves nothing.
  bool PlaceJointsOnFeatures(std::string* why = nullptr);
  // Every live vertex of the mesh lying deeper (greater z under the matrix)
  // than the deepest listed vertex.
  void CollectJointsBeyondDepth(const PtrArray& vertices, MMeshObj* mesh, const MatrixRecord& m, PtrArray& out);
  // The side code (0 to 3) of an across value a and along value b against
  // the extents c (greatest along), d (least across), e (greatest across)
  // and f (least along).
  static int ClassifySide(double a, double b, double c, double d, double e, double f);
  // Of the listed vertices under the matrix, relative to the origin: the
  // greatest along the axis, the least and greatest across it, the least
  // along it (all 0 for no vertices).
  void GetProjectedExtents(const PtrArray& vertices, int unused, const MatrixRecord& m, const PointRecord& origin,
                           const PointRecord& axis, double out[4]);

  // ---- bone frames, quads, limb marks: MBoneObj_Frames.cpp ---------------------
  // A bone's frame from its current line: the origin (the first end, or
  // the second when more than one line meets at the first), the unit
  // direction to the other end and the unit perpendicular in the x-y
  // plane; answers the bone's length.
  static double GetBoneFrame(const BoneRecord& bone, PointRecord& origin, PointRecord& direction,
                             PointRecord& perpendicular);
  // a = (p - origin) . v, b = (p - origin) . u.
  static void ProjectOnBoneFrame(const PointRecord& origin, const PointRecord& u, const PointRecord& v,
                                 const PointRecord& p, double& a, double& b);
  // The extents of points along a bone, and the across values on each side
  // of the point whose along value is nearest to 0.4 of the bone's length.
  // Answers which sides were found: bit 0 the negative, bit 1 the positive
  // (a side without points leaves its answer alone).
  int MeasureAroundBone(const BoneRecord& bone, const PointArray& points, double& alongMin, double& alongMax,
                        double& acrossNegative, double& acrossPositive);
  // The centre of the box of the vertices under the matrix; z = 0 for a
  // negative mode; (0, 0, 0) for no vertices.
  static PointRecord& GetTransformedBoxCentre(const PtrArray& vertices, const MatrixRecord& m, int mode,
                                              PointRecord& out);
  // Where the line from b through a crosses the quad, moved on past the
  // crossing by `distance` towards a; false when the crossing is not on
  // the quad, too near b or too far beyond a.
  static bool OffsetThroughQuad(const QuadRecord& quad, const PointRecord& a, const PointRecord& b,
                                double distance, PointRecord& out);
  // Pushes each listed vertex (matrices: the rest-to-mesh matrix of each)
  // out from its skeleton point through the first quad it crosses.
  void ProjectVerticesOntoQuads(const PtrArray& vertices, const PtrArray& matrices, int& quadCount,
                                const QuadRecordArray& quads, double distance);
  void RunLimbFitPasses(MDocObj* scene);
  // The corners of magenta faces bound first to a red bone, with their
  // meshes' rest-to-mesh matrices (`matrices` must stay unchanged while the
  // references are used), and those of the mesh that has most of them.
  bool CollectMarkedLimbVertices(MDocObj* scene, PtrArray& vertices, BoneRecord** bone, MatrixArray& matrices,
                                 PtrArray& matrixRefs, PtrArray& bestVertices, MMeshObj** bestMesh);
  // Visible ungrouped vertices on red lines bound first to a red bone, with
  // their positions in rest space.
  bool CollectRedLimbVertices(MDocObj* scene, PtrArray& vertices, PointArray& positions);

  // ---- body texture coordinates: MBoneObj_BodyUV.cpp ----------------------------
  // Texture coordinates for the body behind a marked seam, carried from the
  // seam along the first red bone. False with the reason when there is no
  // seam, the seam spans two meshes or no bone is red; nothing changes.
  bool GenerateBodyUVs(MDocObj* scene, int unused = 0, std::string* why = nullptr);
  bool FindUVSeamVertices(MDocObj* scene, PtrArray& out, MMeshObj** mesh, MatrixRecord& m,
                          std::string* why = nullptr);
  void AssignBodyUVs(const PtrArray& seam, const PtrArray& targets, MMeshObj* mesh, const MatrixRecord& m,
                     const PointRecord& origin, const PointRecord& axis, double a, double b, double c, double d);

  // ---- body binding: MBoneObj_Binding.cpp ----------------------------------------
  // The point of the bone's centre curve at t (curved into the neighbouring
  // bones within the blend ranges).
  void GetBonePointAt(const BoneRecord& bone, double t, PointRecord& out);
  // The weighted bone point of the record; answers the first influence's
  // parameter ((0, 0, 0) and 0.5 without influences).
  double GetSkeletonPoint(const SkinRecord& record, int unused, PointRecord& out);
  // Every bone gets empty sample sets, one per vertex class; false with out
  // of memory recorded (the sets made are released again).
  bool AllocateFitSamples();
  void ReleaseFitSamples();
  void AddFitSample(BoneRecord& bone, int vertexClass, int zone, double position, double ratio);
  BoneRecord* GetNeighbourBone(const BoneRecord& bone, bool atFirstEnd);
  void LookupFitRatio(const BoneRecord& bone, int vertexClass, int zone, double x, double& ratio, double* edge);
  void GetFitRatios(const BoneRecord& bone, int vertexClass, int zone, double x, double& side, double& depth);
  void ClassifyAgainstBone(const BoneRecord& bone, double t, const PointRecord& p, const PointRecord& s,
                           const PointRecord& view, int& zone, double& position);
  void SampleVertexFit(const SkinRecord& record, int vertexClass, const PointRecord& current,
                       const PointRecord& rest, const PointRecord& view);
  // These three and inflation answer how many bound vertices they left in
  // place because no skin record belongs to them (vertices added since
  // the rest state was taken).
  int GatherFitSamples(QView* view, MDocObj* scene);
  void ApplyFitToPoint(const SkinRecord& record, int vertexClass, PointRecord& point, const PointRecord& view);
  int ApplyFitSamples(QView* view, MDocObj* scene);
  // The radial shape the bound meshes have now, measured against the rest
  // shape bone by bone and smoothed along each bone, becomes the rest state.
  // When the rig no longer fits the body nothing changes and every bound
  // vertex counts as left in place.
  int BindBody(QView* view, MDocObj* scene);
  void ScaleAboutSkeleton(const SkinRecord& record, double factor, PointRecord& point);
  double GetInflateWeight(const SkinRecord& record);
  // Thickens (factor above 1) or thins the body about its bones.
  int InflateBody(QView* view, MDocObj* scene, double factor);
  // The view's axis in the figure's frame ((0, 0, 1) without a view).
  PointRecord GetViewDirectionInFrame(QView* view);

  // ---- body reshaping: MBoneObj_Reshape.cpp --------------------------------------
  BoneRecord* FindChainEndBone(MLine* line);
  static void ConstrainDisplacement(const PointRecord& a, const PointRecord& n, const PointRecord& b,
                                    PointRecord& d);
  void SnapLineChainToSketch(MLine* line, int stamp, bool first, const PointArray& sketch, const SketchMatrices& m,
                             int type);
  void SnapLineToSketch(MMeshObj* mesh, MLine* line, const PointArray& sketch, const SketchMatrices& m);
  void FitMarkedLineToSketch(QView* view, MDocObj* scene, MMeshObj* mesh, MLine* line, const PointArray& sketch);
  void FloodMarkedLines(int stamp, MVertex* vertex, PtrArray& out);
  // Carries the displacement of the start vertices (from their rest
  // positions under `m`, the rest-to-mesh matrix) over rings of their
  // neighbours with a linear fall-off. Mode 0 starts from the cyan and
  // yellow lines joined to the line, 1 and 2 from the list (2 with the red
  // bone's stretch).
  void PropagateDisplacement(MDocObj* scene, MMeshObj* mesh, MLine* line, const MatrixRecord& m,
                             const PtrArray* vertices, int mode);
  void PreferFacedRingMembers(int stamp, PtrArray& vertices);
  void FindYellowLineMesh(MDocObj* scene, MMeshObj** mesh, PtrArray& vertices, MLine** line);
  void FindMagentaFaceMesh(MDocObj* scene, MMeshObj** mesh, PtrArray& faces);
  // Where the vertical line through p (its z set to 0) meets the triangle's
  // plane: 1, or -1 outside the parallelogram of its first corner's edges.
  static int HitTriangleVertically(const PointRecord corners[3], PointRecord& p, PointRecord& out);
  void SetYellowVertexDepths(MMeshObj* mesh, const PtrArray& vertices, const MatrixRecord& a, const MatrixRecord& b,
                             const MatrixRecord& c, const PtrArray& faces);
  void FitYellowLinesToFaces(MDocObj* scene);

  // ---- rig upkeep: MBoneObj_RigUpkeep.cpp ----------------------------------------
  void RebuildRigFromObjects(MDocObj* scene, bool chains);
  bool SelectBonesOfEditedVertices(MDocObj* scene, bool chains);
  void ClearBodySelections(MDocObj* scene);
  void SelectBoneChain(MLine* line);
  void SelectFacesOfClass(MDocObj* scene, int faceClass);
  void SelectLinesOfColour(int kind);
  void ExcludeMarkedBones(MDocObj* scene, bool red, bool magenta);
  void RebindWithMarkedExclusions(MDocObj* scene);

  // ---- feature regions: MBoneObj_Regions.cpp -------------------------------------
  // The element group of a bound mesh marked for the feature code, its mesh
  // and the matrix carrying the figure's frame into that mesh; the group
  // stays as the caller set it when none is found.
  void FindFeatureRegion(int type, MDocObj* scene, MGroup*& group, MMeshObj*& mesh, MatrixRecord& frame);
  void FindRegionForType(int type, MDocObj* scene, MGroup*& group, MMeshObj*& mesh, MatrixRecord& frame,
                         MGroup* excludedA, MGroup* excludedB);
  // Moves a region's vertices fully and the rings around it less and less:
  // by an offset, onto a remembered shape about a centre, or scaled by the
  // factor (about the centre, else each vertex's skeleton point).
  void MoveRegionWithFalloff(const PointRecord* offset, double factor, MGroup* group, MMeshObj* mesh,
                             const MatrixRecord& frame, const PointRecord* centre, const PointArray* shape);
  void MoveRegionToFeature(MDocObj* scene, const PointRecord& a, const PointRecord* b, MGroup* group,
                           MMeshObj* mesh, const MatrixRecord& frame, bool rebuild, int rebuildArgument,
                           bool scaleAboutBones, int type);
  void FitMarkedRegions(MDocObj* scene);
  void FitPairedRegions(MDocObj* scene);
  void CaptureRegionShapes(MDocObj* scene);
  void AlignRedRegion(MDocObj* scene);
  void FindRedFacingObject(bool fromBehind, MDocObj* scene, PtrArray& faces, MatrixRecord& matrix, MMeshObj** mesh);
  static void FindCentralFace(const PtrArray& faces, const MatrixRecord& m, MFace** out);
  static void GetFaceUVBounds(MFace* face, double& uMin, double& uMax, double& vMin, double& vMax);
  static void GetFacesBounds(const PtrArray& faces, const MatrixRecord& m, BoundsRecord& out);

  // ---- feature-driven fitting: MBoneObj_FeatureFit.cpp ---------------------------
  void ProjectMarkedVerticesPerBone(MDocObj* scene, int kindA, int kindB, double factor);
  // Moves each vertex along the axis by the piecewise-linear map that takes
  // the sources (ascending) to the targets. False (nothing moved) unless
  // both have the same count of at least two.
  bool MapAlongAxis(const PointRecord& origin, const PointRecord& axis, const DoubleArray& sources,
                    const DoubleArray& targets, const PtrArray& vertices, const PtrArray& matrices);
  bool FitMarkedRegionsAlongBone(MDocObj* scene, const BoneRecord& bone, const PtrArray& vertices,
                                 const PtrArray& matrices, const PointArray& points, std::string* why = nullptr);
  // Fits the area marked around the red bone to the feature points.
  bool FitToSceneObjects(MDocObj* scene, std::string* why = nullptr);

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
  // The feature points before the open step changed them (when it did).
  PointRecord undoFeaturePoints[2][kFeaturePointLimit] = {};
  unsigned char featurePointsSaved = 0;
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
