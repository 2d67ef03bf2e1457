#pragma once
// The triangle element of a mesh. A face is bounded by three lines of the
// winged-edge structure and reaches its corners through them:
//
//            c2            With L = firstLine: when the face is L's
//           /  \           forwardFace, corner 0 = L.end0, corner 1 =
//   line 2 /    \ line 1   L.end1 and line 1 = L.prevAround1; when it is
//         /      \         L's backwardFace, corner 0 = L.end1, corner 1 =
//       c0 ------ c1       L.end0 and line 1 = L.prevAround0. The loop runs
//          line 0          counter-clockwise seen from the front.
//
// Corner order is the order of the texture coordinates, corner normals and
// corner modes, and of the face parameters of lines drawn on the face: the
// point (s, t) is c0 + s (c1 - c0) + t (c2 - c0).
#include <cstdint>
#include <new>

#include "engine/core/EngGeometry.h"
#include "engine/mesh/MItem.h"
#include "engine/mesh/MeshRecords.h"

namespace engine {

class MVertex;
class MLine;
class MShader;
class MGroup;
class MFace;
class QFile;

// Face flag bits.
enum MFaceFlags : std::uint16_t {
  kFaceHidden = 0x01,
  kFaceWorkMark = 0x02,
  kFaceUVMarks = 0x1C,        // one per corner, 0x04 << corner
  kFaceUVSecondMarks = 0xE0,  // one per corner, 0x20 << corner
};

// Corner shading modes (`cornerModes`).
enum MFaceCornerMode : unsigned char {
  kCornerFlat = 0,      // the face's own normal
  kCornerStored = 1,    // the corner normal stored in `normals`
  kCornerSmooth = 2,    // the vertex's smooth normal
};

// Texture coordinates of the three corners (pooled), in corner order.
struct MFaceUV {
  struct Pair {
    double u;
    double v;
  };
  Pair corner[3];
};

// One normal per corner (pooled); only corners in mode 1 use theirs.
struct MFaceNormals {
  PointRecord normal[3];
};

// An entry of a face's list of the lines drawn on it.
class MFltab : public MElement<MFltab> {
 public:
  MFltab() = default;
  MFltab(MLine* drawnLine, MFace* onFace) : line(drawnLine), face(onFace) {}
  void CopyTo(MFltab* target) const;
  // Null (failure recorded) when memory runs out or the state is 2.
  MFltab* Clone() { return CloneElement(); }
  void RemapRefs();

  MLine* line = nullptr;
  MFace* face = nullptr;
};
using MFltabList = MItemList<MFltab>;

// The triangle area vector (b - a) x (c - a), not normalised.
PointRecord MFaceTriangleNormal(const PointRecord& a, const PointRecord& b, const PointRecord& c);
// s and t with q - p = s u + t v, by least squares; the solver's answer.
bool MFacePlaneCoords(const PointRecord& u, const PointRecord& v, const PointRecord& p, const PointRecord& q,
                      double& s, double& t);

class MFace : public MElement<MFace> {
 public:
  struct LoadIndex : EngHeapObject {
    std::int32_t firstLine, shader;
  };

  // An empty face (sentinels, clones, the record reader).
  MFace() { Init(); }
  explicit MFace(MItemList<MFace>* faceHolder) {
    Init();
    holder = faceHolder;
  }
  // A face on three lines that form a loop in this order; a gap in the loop
  // or a side that already holds a face is fatal. Out of memory for its
  // texture coordinates (reason 1) leaves the lines untouched.
  MFace(MLine* const lines[3], MShader* faceShader, MItemList<MFace>* faceHolder);
  // A face on three corners that finds or creates its three edge lines; the
  // lines it creates (no holder, in no list) are handed back packed from the
  // start of newLines. Failure state 2 with reason 8 when the corners cannot
  // take the face (a side taken, two of its lines not neighbours at their
  // corner, a corner closed on every side) and reason 1 when memory runs
  // out; either way nothing of the mesh has changed.
  MFace(MVertex* c0, MVertex* c1, MVertex* c2, MLine* newLines[3], MShader* faceShader,
        MItemList<MFace>* faceHolder);
  ~MFace() override;

  static void* operator new(std::size_t size) noexcept;
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* object) noexcept;

  void Init();

  // ---- element protocol: MFace.cpp ---------------------------------------
  // Side blocks are duplicated; the drawn-line list is cloned entry by entry
  // (it ends up in reverse order). Out of memory records the failure.
  void CopyTo(MFace* target) const;
  MFace* Clone() { return CloneElementOrNull(); }
  void SaveUndo();
  // Saves each drawn line with its ends and their mirror partners.
  void SaveFltabLines();
  void RemapRefs();
  // Removes its drawn lines, lets its three lines go (mode 0 removes lines
  // left without faces and their lonely ends, 1 keeps the ends, 2 keeps the
  // lines), then goes to the holder.
  void Remove(int mode);

  // ---- record: MFace_Record.cpp ------------------------------------------
  bool ReadFrom(QFile& file);
  bool ResolveIndices(const MeshElementTables& tables);
  // The same with the stored numbers kept by the caller (the mesh loader
  // holds those of every element in one block); loadIndex is not used.
  bool ReadFrom(QFile& file, LoadIndex& stored);
  bool ResolveIndices(const MeshElementTables& tables, const LoadIndex& stored);
  void WriteTo(QFile& file) const;

  // ---- topology and geometry: MFace.cpp ----------------------------------
  void GetVertices(MVertex* corners[3]) const;
  void GetLines(MLine* lines[3]) const;
  // The corner number of v, or -1.
  int CornerIndex(const MVertex* v) const;
  PointRecord GetNormal() const;
  bool GetPointParams(const PointRecord& point, double& s, double& t) const;
  int GetScreenOrientation() const;
  int CountHiddenEdges() const;
  bool AllEdgesSelected() const;
  bool AllCornersOnMirror() const;
  MGroup* GetEdgeGroup() const;
  void SetGroup(MGroup* g);

  // ---- material, texture coordinates, corner normals: MFace.cpp ----------
  // Textured faces (texturing on, material with a texture image) keep a UV
  // block; others drop theirs.
  void SetShader(MShader* s);
  bool IsTextured() const;
  // Fatal when the face is textured and has no block.
  MFaceUV* GetUVBlock() const;
  void SetUVs(double u0, double v0, double u1, double v1, double u2, double v2);
  void SetCornerFlag(const MVertex* v, int mode);
  void SetCornerNormal(const MVertex* v, int mode, const PointRecord& n);
  static MFaceUV* NewUVBlock();
  static void DeleteUVBlock(MFaceUV* block);
  static MFaceNormals* NewNormalsBlock();
  static void DeleteNormalsBlock(MFaceNormals* block);

  // ---- texture-editing marks -----------------------------------------------
  // Edge k runs from corner k to corner k + 1; k outside 0..1 means 2.
  static constexpr std::uint16_t UVEdgeBit(int k) { return static_cast<std::uint16_t>(0x04 << (k == 0 || k == 1 ? k : 2)); }
  static constexpr std::uint16_t UVCornerBit(int k) { return static_cast<std::uint16_t>(0x20 << (k == 0 || k == 1 ? k : 2)); }
  void SetUVEdgeMark(int k) { flags |= UVEdgeBit(k); }
  void ClearUVEdgeMark(int k) { flags &= static_cast<std::uint16_t>(~UVEdgeBit(k)); }
  bool HasUVEdgeMark(int k) const { return (flags & UVEdgeBit(k)) != 0; }
  void SetUVCornerMark(int k) { flags |= UVCornerBit(k); }
  void ClearUVCornerMark(int k) { flags &= static_cast<std::uint16_t>(~UVCornerBit(k)); }
  bool HasUVCornerMark(int k) const { return (flags & UVCornerBit(k)) != 0; }

  // ---- lines drawn on the face: MFace.cpp --------------------------------
  // Enters the line after `after` (at the head when null); out of memory
  // records the failure and adds nothing.
  void AddFltab(MLine* line, MFltab* after);
  MFltabList* TakeFltabList();
  int CountFltabs() const;

  // ---- consistency: MFace_Record.cpp -------------------------------------
  void CheckLinks(int mode) const;
  const char* DescribeLinkFault(int mode) const;

  MLine* firstLine = nullptr;
  MShader* shader = nullptr;
  MFaceUV* uv = nullptr;
  LoadIndex* loadIndex = nullptr;
  MFltabList* fltabList = nullptr;
  int workValue = -1;
  std::int16_t workMark = 0;
  std::uint16_t flags = 0;
  unsigned char cornerModes[3] = {0, 0, 0};
  MFaceNormals* normals = nullptr;
  MItemList<MFace>* holder = nullptr;

 private:
  void BuildOnCorners(MVertex* const c[3], MLine* newLines[3]);
  void FreeSideBlocks();
};

}  // namespace engine
