#pragma once
// The point element of a mesh. Besides its position a vertex knows one of
// its lines (`firstLine`), from which every line, face and neighbour around
// it is reached through the winged-edge links of MLine, its flags and group,
// a ring of coincident vertices (separate vertices kept at one place that
// move together), a mirror partner across x = 0, its smooth normal and its
// last projection on the screen. Vertices of lines drawn on a face also hold
// parameters in that face and, when they lie on one of its lines, on it.
//
// Lines around a vertex: the walk starts at `firstLine` and steps with
// MLine::GetNextAround until it is back. The leaving face of a line L at the
// vertex V (L's forwardFace when V is L's end0, else its backwardFace) is
// the face whose loop leaves V along L; every face around V is the leaving
// face of exactly one line around V.
#include <cstdint>
#include <new>

#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "engine/mesh/MItem.h"
#include "engine/mesh/MeshRecords.h"

namespace engine {

class MLine;
class MFace;
class MGroup;
class MShader;
class MMeshObj;
class QFile;

// Vertex flag bits.
enum MVertexFlags : std::uint32_t {
  kVertexFullCrease = 0x01,   // sharp for the smooth surface; faces keep flat normals at it
  kVertexOnMirror = 0x02,     // lies on the mirror plane x = 0
  kVertexHidden = 0x08,
  kVertexSelected = 0x80,
  kVertexRootJoint = 0x100,   // root joint of a piece of a figure's skeleton
  kVertexMarked = 0x400,      // remembered selection
  kVertexCreaseMask = 0x00FF0000,
};

class MVertex : public MElement<MVertex> {
 public:
  // The stored numbers of a vertex record, between ReadFrom and
  // ResolveIndices.
  struct LoadIndex : EngHeapObject {
    std::int32_t firstLine, onLine, mirrorPartner, ringNext, group;
  };

  // A vertex at the origin without holder (sentinels, clones).
  MVertex() { Init({0, 0, 0}, nullptr); }
  MVertex(const PointRecord& at, MItemList<MVertex>* vertexHolder) { Init(at, vertexHolder); }
  ~MVertex() override;

  // Pooled storage (VertexPool); a size other than the class's own is fatal.
  static void* operator new(std::size_t size) noexcept;
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* object) noexcept;

  void Init(const PointRecord& at, MItemList<MVertex>* vertexHolder);

  // ---- element protocol: MVertex.cpp -------------------------------------
  void CopyTo(MVertex* target) const;
  MVertex* Clone() { return CloneElement(); }
  void SaveUndo() { SaveUndoElement(); }
  // SaveUndo on every ring member, stopping at the first failure.
  void SaveUndoRing();
  // After a mesh copy: references replaced by their copies; a mirror
  // partner outside the copied elements stays.
  void RemapRefs();
  // Requires no line (fatal otherwise); leaves the line it lies on and its
  // ring, then goes to the holder.
  void Remove();
  // Removes the mirror partner too when it is live.
  void RemoveWithPartner();
  // A line lets go of the vertex. On its last line: mode 0 removes the
  // vertex, mode 2 removes it with its partner, other modes keep it.
  void DetachLine(MLine* line, int mode);

  // ---- record: MVertex_Record.cpp ----------------------------------------
  // Reads the vertex record; false (load failure recorded) when it is cut
  // short or its extension is damaged.
  bool ReadFrom(QFile& file);
  // Turns the stored numbers into references; a number that fits no table,
  // a group named in a mesh without groups, or lines counted without a first
  // line is a load failure. A group number past the groups names the last.
  bool ResolveIndices(const MeshElementTables& tables);
  // The same with the stored numbers kept by the caller (the mesh loader
  // holds those of every element in one block); loadIndex is not used.
  bool ReadFrom(QFile& file, LoadIndex& stored);
  bool ResolveIndices(const MeshElementTables& tables, const LoadIndex& stored);
  void WriteTo(QFile& file) const;

  // ---- position and normal: MVertex.cpp, MVertex_Normals.cpp -------------
  PointRecord GetPosition() const { return position; }
  // Moves the whole ring; members on the mirror plane get x = 0.
  void SetPosition(const PointRecord& point);
  // Moves this vertex alone (x = 0 when it is on the mirror plane).
  void SetOwnPosition(const PointRecord& point) {
    position = point;
    if ((flags & kVertexOnMirror) != 0) position.x = 0;
  }
  // Every ring member to the ring's mean (x = 0 when any is on the plane).
  void AverageRingPosition();
  void SetNormal(const PointRecord& vector) { normal = vector; }
  // The unit normal from the faces around (hidden-diagonal faces count
  // half); (0, 0, 1) without faces. Not stored.
  PointRecord ComputeNormal() const;
  // Corner shading modes of the faces around and the smooth normal.
  void UpdateNormals();
  // 1 for a flat interior vertex, smaller when bent, lower at border corners.
  double GetFlatness() const;

  // ---- walks around the vertex: MVertex.cpp --------------------------------
  // b = firstLine; a = the next line around, or firstLine when alone.
  void GetFirstTwoLines(MLine*& a, MLine*& b) const;
  // The first line around whose other end is `other`.
  MLine* FindLine(const MVertex* other) const;
  int CountLines() const;
  // The collectors record out of memory and stop, keeping what they added.
  void CollectLines(PtrArray& out) const;
  void CollectNeighbours(PtrArray& out) const;
  void CollectFaces(PtrArray& out) const;
  MLine* GetFirstVisibleLine() const;
  bool IsOnFreeLine() const;
  // 1 no line or no face around; 0 every line has a face; 2 mixed.
  int GetBoundaryKind() const;
  void GetLineKinds(bool& border, bool& sharp) const;
  // The face leaving this vertex along the line (null when none).
  MFace* LeavingFace(const MLine* line) const;
  // The face arriving at this vertex along the line.
  MFace* ArrivingFace(const MLine* line) const;

  // ---- rings of coincident vertices: MVertex_Ring.cpp ---------------------
  void SelectRing();
  MVertex* GetRingPrev() const;
  void LeaveRing();
  void JoinRing(MVertex* other);
  bool IsInRing(const MVertex* other) const;
  int CountRing();
  void SpreadMirrorFlag();
  void SetRingIds(int n);
  void CollectRing(PtrArray& out);
  void CollectRingOnce(int n, PtrArray& out);
  void CollectRingMembersWithFaces(PtrArray& out);
  MVertex* FindRingMemberOnFreeLine();
  MVertex* FindFacelessRingMember();
  MLine* FindLineBetweenRings(const MVertex* other) const;
  MLine* FindFreeLineBetweenRings(const MVertex* other) const;

  // ---- mirror partner, crease weight, attributes: MVertex_Ring.cpp --------
  void SetMirrorPartner(MVertex* other);
  void SetCreaseWeight(int weight);
  int GetCreaseWeight() const;
  void MergeAttributes(MVertex* other);
  void CopyAttributesTo(MVertex* target) const;

  // ---- texture coordinates and face parameters: MVertex_Face.cpp ----------
  void GetFaceUV(const MFace* face, double& u, double& v) const;
  void SetFaceUV(MFace* face, double u, double v) const;
  bool GetSharedUV(bool strict, double* u, double* v) const;
  void SetUVInAllFaces(double u, double v) const;
  void GetAnyFaceUV(double& u, double& v) const;

  void SetFaceParamsFromLine(MLine* const faceLines[3], MVertex* const faceCorners[3]);
  void NudgeFaceParams(MFace* face);
  // Where a new line towards `target` goes in the (faceS, faceT) plane.
  void FindSectorForParams(const MVertex* target, MLine*& nextLine, MLine*& prevLine) const;
  // Where a new line towards `target` goes among the gaps around the vertex.
  void FindInsertionWings(const MVertex* target, MLine*& nextLine, MLine*& prevLine) const;
  // True when some line around has no leaving face (a gap where a new line
  // can go).
  bool HasGap() const;

  // ---- consistency: MVertex_Record.cpp -------------------------------------
  // Fatal when a link is broken (see DescribeLinkFault).
  void CheckLinks(int mode) const;
  // What CheckLinks would find, or null: destroyed; (mode > 0) no line;
  // the walk around does not close on lineCount lines; (mode > 0) mixed
  // boundary; not in its onLine's list; a ring that does not close. Safe on
  // damaged links: every walk is bounded.
  const char* DescribeLinkFault(int mode) const;

  PointRecord position{0, 0, 0};
  MLine* firstLine = nullptr;
  int lineCount = 0;
  std::uint32_t flags = 0;
  MGroup* group = nullptr;
  MVertex* ringNext = this;  // circular; a vertex alone points to itself
  MLine* onLine = nullptr;
  MVertex* mirrorPartner = nullptr;
  double faceS = 0;
  double faceT = 0;
  double lineT = 0;
  LoadIndex* loadIndex = nullptr;
  PointRecord normal{0, 0, 0};
  double screenX = 0;
  double screenY = 0;
  double screenDepth = 0;
  int workValue = 0;
  MVertex* nextOnLine = nullptr;
  MItemList<MVertex>* holder = nullptr;

  // Walks of a ring or around a vertex give up after this many steps, so a
  // damaged mesh cannot hang them.
  static constexpr int kRingLimit = 1000;
};

}  // namespace engine
