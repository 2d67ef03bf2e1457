#pragma once
// The edge element of a mesh and the carrier of its topology. Meshes are
// winged-edge structures: a line knows its two ends, the faces on its two
// sides and, at each end, the next and previous line around that end.
//
// Seen from the front of the faces, a face's loop runs counter-clockwise.
// For a line L from end0 to end1:
//
//   nextAround0 \   forwardFace (end0 -> end1)   / prevAround1
//          end0  o-------------- L ------------->o  end1
//   prevAround0 /   backwardFace (end1 -> end0)   \ nextAround1
//
//   nextAround0  around end0: the line before L in forwardFace's loop
//   prevAround0  around end0: the line after L in backwardFace's loop
//   prevAround1  around end1: the line after L in forwardFace's loop
//   nextAround1  around end1: the line before L in backwardFace's loop
//
// Turning from L to its next line around an end passes over the face that
// leaves that end along L (forwardFace at end0, backwardFace at end1), so the
// lines around a vertex form a cycle turning counter-clockwise. The wings
// exist where a face is missing too (free lines, borders); a line alone at
// an end has itself as both wings there.
#include <cstdint>
#include <new>

#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "engine/mesh/MItem.h"
#include "engine/mesh/MeshRecords.h"

namespace engine {

class MVertex;
class MFace;
class MFltab;
class MGroup;
class QFile;

// Line flag bits.
enum MLineFlags : std::uint32_t {
  kLineSharp = 0x01,           // a crease, unless kLineNotSharp
  kLineHidden = 0x10,
  kLineHiddenDiagonal = 0x20,  // splits a quad into its two triangles
  kLineSelected = 0x80,
  kLineNotSharp = 0x100,
  kLineNeverStored = 0x400,    // a record carrying it is damaged
  kLineSiblingWalk = 0x800,    // a figure's bone starts a walk over its siblings
  kLineWidthMask = 0x00FF0000,
  kLineCreaseMask = 0xFF000000,
};
constexpr int kLineWidthShift = 16;

// A point of the face-parameter plane.
struct Point2D {
  double x;
  double y;
};

// Whether the segments a-b and p-q cross; s is the crossing's parameter
// along a-b. Mode 0 answers yes or no; mode 1 also refuses touching and
// overlapping segments, other non-zero modes refuse overlapping ones. To
// refuse is to answer false after recording the soft failure (state 1,
// reason 7).
bool LineIntersect2D(const Point2D& a, const Point2D& b, const Point2D& p, const Point2D& q, int mode, double& s);

class MLine : public MElement<MLine> {
 public:
  struct LoadIndex : EngHeapObject {
    std::int32_t end0, end1, nextAround0, prevAround0, prevAround1, nextAround1;
    std::int32_t forwardFace, backwardFace, drawnOnFace, group;
  };

  // A line without topology (sentinels, clones, the record reader).
  MLine() { Init(nullptr); }
  explicit MLine(MItemList<MLine>* lineHolder) { Init(lineHolder); }
  // A new line between two different vertices (the same vertex twice is
  // fatal), linked into the cycles around both ends between the given
  // wings: a null wing means the line itself. Each end counts the line and
  // takes it as its firstLine. The wings given at an end must be neighbours
  // in that end's cycle (prev, then next).
  MLine(MVertex* from, MVertex* to, MLine* next0, MLine* prev0, MLine* prev1, MLine* next1,
        MItemList<MLine>* lineHolder);
  // The split constructor: a new line from q to p's end1 while p is
  // shortened to end at q; q carries face parameters, and the sectors
  // around it are found in their plane.   before: a-------b
  //                                        after:  a---q---b  (p = a-q, this = q-b)
  // When both directions from q fall into one sector, the split would cross
  // itself: failure state 2, reason 8, and nothing is changed (this line
  // stays unlinked for its creator to delete).
  MLine(MVertex* q, MLine* p, MItemList<MLine>* lineHolder);
  ~MLine() override;

  static void* operator new(std::size_t size) noexcept;
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* object) noexcept;

  void Init(MItemList<MLine>* lineHolder);

  // ---- element protocol: MLine.cpp ---------------------------------------
  void CopyTo(MLine* target) const;
  MLine* Clone() { return CloneElement(); }
  void SaveUndo() { SaveUndoElement(); }
  void RemapRefs();
  // Requires no face (fatal otherwise). Leaves both cycles; the ends let it
  // go with mode 0 (ends left alone are removed), 2 (removed with their
  // partners) or 1 (kept); its drawn-line entry is deleted.
  void Remove(int mode);
  // Takes the face off whichever side holds it (fatal when neither); a line
  // left without faces is removed unless mode is 2.
  void DetachFace(MFace* face, int mode);

  // ---- record: MLine_Record.cpp ------------------------------------------
  bool ReadFrom(QFile& file);
  bool ResolveIndices(const MeshElementTables& tables);
  // The same with the stored numbers kept by the caller (the mesh loader
  // holds those of every element in one block); loadIndex is not used.
  bool ReadFrom(QFile& file, LoadIndex& stored);
  bool ResolveIndices(const MeshElementTables& tables, const LoadIndex& stored);
  void WriteTo(QFile& file) const;

  // ---- ends and cycles: MLine.cpp ----------------------------------------
  bool HasEnd(const MVertex* v) const { return v == end0 || v == end1; }
  // The end that is not v (v must be an end).
  MVertex* OtherEnd(const MVertex* v) const { return v == end0 ? end1 : end0; }
  // Fatal for a vertex that is not an end.
  MLine* GetNextAround(const MVertex* v) const {
    return v == end0 ? nextAround0 : v == end1 ? nextAround1 : NotAnEnd();
  }
  MLine* GetPrevAround(const MVertex* v) const {
    return v == end0 ? prevAround0 : v == end1 ? prevAround1 : NotAnEnd();
  }
  void SetNextAround(const MVertex* v, MLine* line);
  void SetPrevAround(const MVertex* v, MLine* line);
  // The face on the side whose loop leaves v along this line, and the other.
  MFace* LeavingFace(const MVertex* v) const { return v == end0 ? forwardFace : backwardFace; }
  MFace* ArrivingFace(const MVertex* v) const { return v == end0 ? backwardFace : forwardFace; }
  bool HasFace() const { return forwardFace != nullptr || backwardFace != nullptr; }
  MLine* GetNextVisibleAround(const MVertex* v) const;
  MLine* GetPrevVisibleAround(const MVertex* v) const;
  MLine* FindParallel() const;
  bool AbsorbParallel(MLine* other);
  void ConnectAtVertex(MVertex* v, MVertex* w, MLine* other);
  MVertex* SplitSharedVertex(MLine* other);
  void Reverse();

  // ---- geometry: MLine_Geometry.cpp --------------------------------------
  PointRecord PointAt(double t) const;
  double GetParamOfPoint(const PointRecord& point) const;
  double DistanceToPoint(const PointRecord& point, PointRecord* closest) const;
  double SquaredDistanceToPoint(const PointRecord& point, double& t) const;
  bool GetFaceCosine(double& cosine) const;
  bool IsSharperThan(double threshold, bool useThreshold) const;
  bool MarkSharpByAngle(double threshold, bool useThreshold);
  bool IntersectInFaceParams(const MLine* other, int mode, double& s, double& t, PointRecord& point) const;
  // Control points of a smooth curve through a free line.
  void GetCurvePoints(bool& ok, PointRecord points[4]) const;

  // ---- attributes: MLine_Geometry.cpp ------------------------------------
  bool IsSharp() const { return (flags & kLineSharp) != 0 && (flags & kLineNotSharp) == 0; }
  bool IsOnMirrorPlane() const;
  void CopyAttributesTo(MLine* target) const;
  void MergeAttributes(MLine* other);
  void SetCreaseWeight(int weight);
  int GetCreaseWeight() const;
  void SetColour(const PointRecord& rgb);
  int GetWidth() const { return static_cast<int>((flags & kLineWidthMask) >> kLineWidthShift); }

  // ---- coincident lines: MLine_Coincident.cpp ----------------------------
  bool HasCoincidentLine() const;
  int CountCoincidentLines() const;
  bool BordersFace(const MFace* face) const;
  int GatherCoincidentLines(PtrArray* out, bool select, bool test);
  int TestCoincidentLines() { return GatherCoincidentLines(nullptr, false, true); }
  int CollectCoincidentLines(PtrArray& out) { return GatherCoincidentLines(&out, false, false); }
  void CollectCoincidentLinesOnce(int n, PtrArray& out);
  void SetIdOnCoincidentLines(int n);

  // ---- vertices lying on the line: MLine_Coincident.cpp ------------------
  void AddOnLineVertex(MVertex* v);
  void RemoveOnLineVertex(MVertex* v);
  void ClearOnLineVertices();
  void GetOnLineVertexRange(MVertex*& first, MVertex*& last) const;
  MVertex* GetNextOnLineVertex(const MVertex* v) const;
  MVertex* GetPrevOnLineVertex(const MVertex* v) const;

  // ---- consistency: MLine_Record.cpp -------------------------------------
  // Mode 0 skips lines drawn on a face; the parallel-line test needs mode > 0.
  void CheckLinks(int mode) const;
  // What CheckLinks would find, or null; bounded on damaged links.
  const char* DescribeLinkFault(int mode) const;

  MVertex* end0 = nullptr;
  MVertex* end1 = nullptr;
  MLine* nextAround0 = this;
  MLine* prevAround0 = this;
  MLine* prevAround1 = this;
  MLine* nextAround1 = this;
  MFace* forwardFace = nullptr;
  MFace* backwardFace = nullptr;
  std::uint32_t flags = 0;
  MGroup* group = nullptr;
  unsigned char colourR = 0;
  unsigned char colourG = 0;
  unsigned char colourB = 0;
  MFltab* fltabEntry = nullptr;
  int pairValue = 0;
  LoadIndex* loadIndex = nullptr;
  MVertex* onLineHead = nullptr;
  MLine* partnerLine = nullptr;
  int workA = -1;
  int workB = -1;
  MFace* partnerFace = nullptr;
  MItemList<MLine>* holder = nullptr;

 private:
  [[noreturn]] static MLine* NotAnEnd();
};

}  // namespace engine
