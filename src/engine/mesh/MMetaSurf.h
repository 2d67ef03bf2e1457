#pragma once
// The smooth subdivision surface of a mesh, derived from the mesh (its
// control mesh). Every mesh owns one from construction to destruction.
//
// Building turns the control mesh into surface vertices, edges and faces
// (a quad of the mesh is one four-sided face) and refines them level by
// level by Catmull-Clark subdivision with semi-sharp creases: sharp control
// edges and vertices start with sharpness 3.01, which drops by one per
// level; open borders are sharp; a mesh edited in mirror mode is refined as
// if its mirror half were there. After the first level every face is a
// quad. The surface is drawn by the mesh's passes when the mesh is shown
// smooth, or turned into ordinary mesh elements by Rebuild.
//
// Edges around a vertex form a ring: following NextEdgeAround visits each
// once in one rotational order. A face is walked from its first edge: with
// flag bit 0 set from that edge's vertexA, else from its vertexB; corner
// k + 1 is the vertex reached, edge k the edge taken, and the next edge is
// the one after it around that vertex.
//
// Files: MMetaSurf.cpp (building and subdivision), MSurfItem.cpp (the
// records' walks, normals and the patch emitter), MMetaSurf_Draw.cpp (the
// drawing passes), MMetaSurf_Rebuild.cpp (the surface as mesh elements).
#include <cstdint>
#include <utility>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngGeometry.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QView.h"
#include "platform/Memory.h"

namespace engine {

class MFace;
class MLine;
class MMeshObj;
class MShader;
class MVertex;
struct SurfEdge;
struct SurfFace;

struct SurfVertex {
  PointRecord position;
  union {
    SurfVertex* child;   // while a level is computed: this vertex's vertex point
    MVertex* newVertex;  // during Rebuild: the mesh vertex made for it
  };
  SurfEdge* firstEdge;   // null for an isolated control vertex
  double sharpness;      // 0 smooth
  int outputIndex;       // indexed output: -1 shared, -2 one per use, else the index
  std::uint16_t flags;   // bit 0: on the open seam of the mirror plane; bit 1: has ribbons (outlines)

  // e's next edge around this vertex; fatal when this vertex is not an end of e.
  SurfEdge* NextEdgeAround(const SurfEdge* e) const;
  // The edge whose next edge around this vertex is e.
  SurfEdge* PrevEdgeAround(const SurfEdge* e) const;
  // Edges with a face on their far side: each face around once.
  int CountFacedEdges() const;
  // The normal at this corner of a patch: the corner's own with sharpness,
  // else the fan of patches reachable without crossing a crease or the
  // mirror plane (x 0 after a mirror stop).
  void ComputeCornerNormal(PointRecord& out, const SurfEdge* leaving, const SurfEdge* arriving) const;
  PointRecord GetPosition() const { return position; }
};

struct SurfEdge {
  SurfVertex* vertexA;
  SurfVertex* vertexB;
  SurfEdge* nextAroundA;
  SurfEdge* nextAroundB;
  union {
    SurfVertex* child;  // while a level is computed: the edge point
    MLine* newLine;     // during Rebuild: the mesh line made for it
  };
  SurfFace* faceAlong;    // passes this edge from vertexA to vertexB (final level)
  SurfFace* faceAgainst;  // passes it from vertexB to vertexA
  double sharpness;
  unsigned char colour[3];
  unsigned char lineWidth;
  unsigned char lineKind;    // 0 smooth inner, 1 sharp, 2 drawn by its own flag, 3 border
  unsigned char mirrorKind;  // 0 ordinary; on the mirror plane: 1 faces both sides, 2 first only, 3 second only

  SurfVertex* OtherEnd(const SurfVertex* v) const { return v == vertexA ? vertexB : vertexA; }
};

struct SurfUVBlock {
  double uv[4][2];  // per corner in walk order
};

struct SurfFace {
  MShader* shader;
  SurfEdge* firstEdge;
  SurfUVBlock* uv;
  float normal1[3];  // triangle c0, c1, c2
  float normal2[3];  // triangle c0, c2, c3
  int flags;  // bit 0: the walk starts at firstEdge's vertexA; outline pass: bits 1 to 3

  // The face walk: 3 or 4 corners and edges, edge k joining corners k and
  // k + 1. Answers the count.
  static int GetCorners(const SurfFace* face, SurfVertex* corners[4], SurfEdge* edges[4]);
};

// Which control element a surface element descends from; one is set.
struct SurfSourceRef {
  MVertex* vertex;
  MLine* line;
  MFace* face;
};

// A fixed-size array of records, sized once per level: records refer to
// each other by pointers, so an array never moves while it is filled.
template <class T>
class SurfArray {
 public:
  SurfArray() = default;
  ~SurfArray() { Free(); }
  SurfArray(const SurfArray&) = delete;
  SurfArray& operator=(const SurfArray&) = delete;
  // Fresh storage for n records, count 0; false (out of memory recorded)
  // when it cannot be had.
  bool Reserve(int n);
  // A new zeroed record at the end; null (out of memory recorded) when full.
  T* Append();
  void Free() {
    EngFree(items_);
    items_ = nullptr;
    count_ = capacity_ = 0;
  }
  void Swap(SurfArray& other) {
    std::swap(items_, other.items_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
  }
  int Count() const { return count_; }
  T& operator[](int i) { return items_[i]; }
  const T& operator[](int i) const { return items_[i]; }
  T* Data() { return items_; }
  const T* Data() const { return items_; }
  T* begin() { return items_; }
  T* end() { return items_ + count_; }

 private:
  T* items_ = nullptr;
  int count_ = 0;
  int capacity_ = 0;
};

class MMetaSurf : public EngHeapObject {
 public:
  explicit MMetaSurf(MMeshObj* owner) : mesh(owner) {}
  virtual ~MMetaSurf();
  MMetaSurf(const MMetaSurf&) = delete;
  MMetaSurf& operator=(const MMetaSurf&) = delete;

  // ---- building: MMetaSurf.cpp ---------------------------------------------
  // Builds the surface from the owner `levels` times refined; afterwards the
  // result arrays hold the final level with its normals. On failure both
  // sets of arrays are freed.
  void Build(int levels, int ignored);
  void FreeArrays();
  void FreeWorkArrays();
  virtual int GetEdgeIndex(const SurfEdge* edge) const { return static_cast<int>(edge - edges.Data()); }
  bool HasSurface() const { return faces.Count() > 0; }
  // The levels of the last build (0 when none was made).
  int GetLevels() const { return levels_; }

  // ---- patches: MSurfItem.cpp -------------------------------------------------
  // Both normals of every face and the faces of every edge.
  void ComputeFaceNormals();
  bool GetCornerUV(const SurfVertex* vertex, const SurfFace* face, double& u, double& v) const;
  bool HasContinuousUV(const SurfVertex* vertex) const;
  bool IsSmoothForIndexing(const SurfVertex* vertex, bool checkUV) const;
  void PrepareIndexedOutput(QView* view);

  // ---- drawing: MMetaSurf_Draw.cpp ------------------------------------------
  // The face pass (toned for the page style's tone fill), section lines,
  // the page style's ribbon outlines; nothing when the surface is not built.
  void DrawFaces(QView* view, const DrawRecord& record, bool toned);
  void DrawSmooth(QView* view, const DrawRecord& record);
  void DrawSectionLines(QView* view, const DrawRecord& record);
  void DrawPageOutlines(QView* view, const DrawRecord& record);
  // Hands a transparent patch to the view's deferred list.
  void DeferPatch(QView* view, SurfFace* patch, const DrawRecord& record);

  // ---- the surface as mesh elements: MMetaSurf_Rebuild.cpp -----------------
  // Replaces the control mesh by the surface's final level, inside the
  // mesh's open edit step: new vertices, lines (each patch split along its
  // diagonal c0-c2, a hidden quad diagonal) and faces; the control elements
  // removed (undoable). Needs a build with trackSources set and at least
  // one level; otherwise it is refused (failure state 1) and nothing
  // changes.
  void Rebuild();

  // A sharp control vertex or edge keeps at least sharpness 1 for three
  // levels.
  double fullCreaseSharpness = 3.01;
  MMeshObj* mesh;
  // Set while a build must record which control element each surface
  // element comes from.
  unsigned char trackSources = 0;
  int segmentsPerEdge = 0;
  // The current level.
  SurfArray<SurfVertex> vertices;
  SurfArray<SurfEdge> edges;
  SurfArray<SurfFace> faces;
  SurfArray<SurfUVBlock> uvBlocks;
  SurfArray<SurfSourceRef> vertexSources;
  SurfArray<SurfSourceRef> edgeSources;
  SurfArray<SurfSourceRef> faceSources;

 private:
  void BuildLevelZero();
  void Subdivide();
  void VertexPoints(int* vertexPointOf);
  void EdgePoints();
  void SplitEdges(const int* vertexPointOf);
  void FacePoints();
  void SwapToWork();
  bool ReserveLevel(int vertexCount, int edgeCount, int faceCount, int uvCount);

  // The previous level while a level is computed.
  SurfArray<SurfVertex> workVertices_;
  SurfArray<SurfEdge> workEdges_;
  SurfArray<SurfFace> workFaces_;
  SurfArray<SurfUVBlock> workUVBlocks_;
  SurfArray<SurfSourceRef> workVertexSources_;
  SurfArray<SurfSourceRef> workEdgeSources_;
  SurfArray<SurfSourceRef> workFaceSources_;
  int levels_ = 0;
};

template <class T>
bool SurfArray<T>::Reserve(int n) {
  Free();
  if (n <= 0) return true;
  items_ = EngAllocArray<T>(static_cast<std::size_t>(n));
  if (items_ == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  // Each level fills its arrays at once: map their pages in one go.
  platform::PrefaultWritable(items_, sizeof(T) * static_cast<std::size_t>(n));
  capacity_ = n;
  return true;
}

template <class T>
T* SurfArray<T>::Append() {
  if (count_ >= capacity_) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  T* record = items_ + count_++;
  *record = T{};
  return record;
}

// ---- patches (MSurfItem.cpp) --------------------------------------------------
// (p1 - p0) x (p2 - p0) normalised; (0, 0, 1) when degenerate.
PointRecord MetaSurfFaceNormal(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2);
// Hands one patch to the renderer: styles 0 smooth normals, 1 reversed, 2
// and 4 one flat normal, 3 and 5 reversed (4 and 5 never textured), 10 and
// 11 the tone fill.
void MetaSurfEmitPatch(QView* view, SurfFace* patch, MShader* material, MShader*& current, int style,
                       const PointRecord& eye, MShader* ownMaterial);
// One deferred patch as the scene draws it.
void MetaSurfDrawPatch(QView* view, SurfFace* patch, MShader*& current, bool mirrored, const DrawRecord& record);
void MetaSurfDrawPatchToned(QView* view, SurfFace* patch, MShader*& current, bool mirrored,
                            const DrawRecord& record);

}  // namespace engine
