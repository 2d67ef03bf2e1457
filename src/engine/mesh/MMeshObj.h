#pragma once
// The polygon mesh object of a scene (type 4): an MObject that owns a
// winged-edge triangle mesh made of elements (vertices, lines, faces,
// element groups and materials), the smooth surface derived from it, its
// shape morphs and the undo ring of its edit steps. A figure is a mesh with a
// skeleton and inherits everything here.
//
// Ownership: the five live lists and the five removed holders of the
// current edit step are members; every element made by a factory points to
// this mesh's removed holder of its class, where Remove and SaveUndo put it.
// Elements come from the process-wide pools (vertices, lines, faces) or the
// engine allocator; the mesh deletes every element it holds, live, removed
// or stored in the ring.
//
// Declaration by topic, with the file of each topic:
//   MMeshObj.cpp            life cycle, copy, numbering, small accessors
//   MMeshObj_Build.cpp      element factories
//   MMeshObj_Transform.cpp  scale, pivot and matrix moved into the vertices; turning over
//   MMeshObj_Vertices.cpp   vertex and material operations, selection cache
//   MMeshObj_Undo.cpp       opening an edit step, the ring's set-up, morph frames
//   MMeshObj_Check.cpp      the link check of a whole mesh
#include <cstdint>
#include <string>

#include "engine/core/EngArrays.h"
#include "engine/core/MObject.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MMorph.h"
#include "engine/mesh/MShader.h"
#include "engine/mesh/MVertex.h"

namespace engine {

class MMetaSurf;

// One element's state as a stored edit step remembers it.
struct ElementStateRecord {
  int state;
  MItem* copy;
  MItem* element;
};

// One entry of the undo ring: a finished edit step.
struct MeshUndoEntry {
  int vertexStateCount = 0;
  int lineStateCount = 0;
  int faceStateCount = 0;
  int shaderStateCount = 0;
  int groupStateCount = 0;
  ElementStateRecord* vertexStates = nullptr;  // owned, EngAlloc
  ElementStateRecord* lineStates = nullptr;
  ElementStateRecord* faceStates = nullptr;
  ElementStateRecord* shaderStates = nullptr;
  ElementStateRecord* groupStates = nullptr;
  MItemList<MVertex>* vertexHolder = nullptr;  // owned, with their elements
  MItemList<MLine>* lineHolder = nullptr;
  MItemList<MFace>* faceHolder = nullptr;
  MItemList<MShader>* shaderHolder = nullptr;
  MItemList<MGroup>* groupHolder = nullptr;
  unsigned char storedMirrorMode = 0;
  int storedVertexSelectionCache = -1;
  int storedLineSelectionCache = -1;
  int storedFaceSelectionCache = -1;
  int storedVisitStamp = 1;
  unsigned char storedSmoothDisplay = 0;
  int storedPageLineStyle = 0;

  // Frees the state tables and deletes the holders with their elements.
  void Free();
};

class MMeshObj : public MObject {
 public:
  static constexpr int kUndoRingSize = 11;

  // An empty mesh. When an allocation fails the failure state says so
  // (reason 1) and the mesh must be deleted by its creator.
  MMeshObj();
  ~MMeshObj() override;

  // ---- copying and numbering: MMeshObj.cpp -----------------------------------
  // Copies this mesh INTO the target (a new mesh): every element is cloned,
  // the clones' references remapped to the target's elements and their
  // holders to the target's; the lists keep their order (the morphs come out
  // reversed). A failure stops the copy; the target keeps what it has.
  void CopyTo(MObject* target) override;
  MObject* Clone() override;
  bool IsSymmetric() override { return IsMirrorMode() != 0; }
  // The record numbering: index = counter (+1), each element's id = its
  // position in its list, the counts stored, and the visit stamp set above
  // every element number.
  void AssignIndex(int& counter) override;
  // index = value, every element's id 0, visit stamp 1.
  void SetIndex(int value) override;

  // ---- accessors: MMeshObj.cpp --------------------------------------------
  void SetTolerance(double value) { tolerance = value; }
  double GetTolerance() const { return tolerance; }
  // Appends every live face in list order; out of memory stops it.
  void CollectFaces(PtrArray& out) const;
  // Live vertices, lines and faces, and the lines drawn on faces.
  void CountElements(int& vertexTotal, int& lineTotal, int& faceTotal, int& drawnLineTotal) const;
  void SetVisitStamp(int value) { visitStamp = value; }
  // A fresh stamp for a walk: marks of earlier walks never equal it.
  void NextVisitStamp() { ++visitStamp; }
  int GetVisitStamp() const { return visitStamp; }
  void SetWorkIndex(int value) { workIndex = value; }
  int GetWorkIndex() const { return workIndex; }
  int IsFaceDegenerate(const MFace* face) const;
  void SetMirrorMode(unsigned char value) { mirrorMode = value; }
  unsigned char IsMirrorMode() const { return mirrorMode; }
  unsigned char IsSmoothDisplay() const { return smoothDisplay; }
  void SetSmoothDisplay(unsigned char value) { smoothDisplay = value; }
  bool HasFaces() const { return !faces.IsEmpty(); }
  MItemList<MVertex>& GetVertexList() { return vertices; }
  MItemList<MFace>& GetFaceList() { return faces; }
  MItemList<MShader>& GetShaderList() { return shaders; }
  void SetPageLineStyle(int value) { pageLineStyle = value; }
  int GetPageLineStyle() const { return pageLineStyle; }

  // ---- element factories: MMeshObj_Build.cpp --------------------------------
  // Each factory makes an element with this mesh's removed holder of its
  // class, links it at the head of the live list (so a list built by
  // successive calls runs in reverse order of creation) and answers it, in
  // state 1. Null when memory runs out (failure state 2, reason 1, nothing
  // linked) and, without doing anything, when a failure is already recorded.
  MVertex* NewVertex();
  MVertex* AddVertex(const PointRecord& position);
  // At the source's position, with its flags, group and face parameters,
  // joined to its ring of coincident vertices.
  MVertex* AddVertexCopy(MVertex* source);
  MLine* NewLine();
  // A line linked into the cycles at both ends between the given wings.
  MLine* AddLine(MVertex* from, MVertex* to, MLine* next0, MLine* prev0, MLine* prev1, MLine* next1);
  // AddLine, then entered at the head of the face's drawn lines.
  MLine* AddLineOnFace(MVertex* from, MVertex* to, MLine* next0, MLine* prev0, MLine* prev1, MLine* next1,
                       MFace* face);
  // Splits p at q: a new line from q to p's second end; p now ends at q.
  // Null with reason 8 when the split would cross itself (p unchanged).
  MLine* SplitLineAtVertex(MVertex* q, MLine* p);
  MFace* NewFace();
  // A triangle on three corners, counter-clockwise seen from its front; its
  // edge lines are found or created (and linked). Null with reason 8 when
  // the corners cannot take it; the mesh is then unchanged.
  MFace* AddFace(MVertex* c0, MVertex* c1, MVertex* c2, MShader* shader);
  MFace* AddFaceFromLines(MLine* const lines[3], MShader* shader);
  // These two link only when no failure at all is recorded.
  MGroup* AddGroup();
  MShader* AddShader();

  // ---- transforms into the vertices, turning over: MMeshObj_Transform.cpp ----
  // Each keeps the mesh's shape in the world: the matrix changes and the
  // vertices (and morph frames) take the difference; vertices on the mirror
  // plane keep x = 0 exactly.
  // The scale of the matrix moves into the vertices.
  void ApplyScale() override;
  // The origin moves to `point` (the matrix's new translation).
  void SetPivot(const PointRecord& point) override;
  // No rotation and the translation's x at 0, the scale kept.
  void ResetPivot() override;
  // The whole matrix moves into the vertices; the matrix becomes the identity.
  void ApplyMatrixToVertices();
  // Turns every face over: each line (saved first) exchanges its two faces
  // and its wings at both ends, and textured faces (saved) take their
  // corners' texture coordinates in the order second, first, third.
  void ReverseAllFaces() override;

  // ---- vertices, materials, selection: MMeshObj_Vertices.cpp ----------------
  bool HasTransparentShader() const;
  // Pure green (the transparent key of rendered figures) becomes 254/255 green.
  void AvoidKeyGreenShaders();
  // Every selected vertex is saved and gets (or loses) the remembered mark.
  void MarkSelectedVertices(bool set);
  void SelectMarkedVertices();
  int GetFaceIndex(const MFace* face) const;
  MFace* GetFaceAt(int n) const;
  // The scene calls these around a drag of vertices; nothing to do here.
  void BeginMirrorMove() {}
  void EndMirrorMove() {}
  void MoveMirrorVertex(MVertex*, const PointRecord&) {}
  // The three selection caches from the selection bits: a vertex or a line
  // selected; a line selected; a face (or the quad it is half of) with all
  // its outer edges selected.
  void UpdateSelectionCache();
  // Whether the triangle p, q, r is degenerate. With the ratio flag: twice
  // its area over the square of its two edges from p is below `threshold`;
  // otherwise against the mesh's tolerance.
  int IsDegenerate(const MVertex* p, const MVertex* q, const MVertex* r, int ratioFlag, double threshold) const;

  // ---- edit step, undo ring set-up, morph frames: MMeshObj_Undo.cpp --------
  // Opens the mesh's edit step before a change: nothing when it is open or
  // the mesh was created in this step; otherwise the object snapshot, the
  // morph frames and the step values are saved and the edit state becomes 4.
  void SaveEditState();
  int GetUndoDepth() const { return undoDepth; }
  // Empties the ring and sets it up for the engine's undo depth.
  void AllocateUndoRing();
  void AddMorph(MMorph* morph);
  void TransformMorphs(const MatrixRecord& m);
  void SaveMorphTransforms();
  void SwapMorphTransforms();

  // ---- link check: MMeshObj_Check.cpp ---------------------------------------
  // The first broken link of any live element, described with the element's
  // class and position in its list; empty when every link holds. Mode as for
  // the elements' CheckLinks, and -1 for the structure alone: every line
  // (drawn ones too), no stricter modelling invariants. Safe on damaged
  // links.
  std::string DescribeLinkFault(int mode) const;
  // For a loaded mesh: a broken link is a load failure with that text.
  bool CheckLoadedLinks();

  // ---- members ------------------------------------------------------------
  MMetaSurf* smoothSurface = nullptr;  // owned
  unsigned char smoothDisplay = 0;
  unsigned char savedSmoothDisplay = 0;
  unsigned char mirrorMode = 0;
  MItemList<MVertex> vertices;
  MItemList<MLine> lines;
  MItemList<MFace> faces;
  MItemList<MShader> shaders;
  MItemList<MGroup> groups;
  int vertexSelectionCache = -1;  // -1 unknown, 0 no, 1 yes
  int lineSelectionCache = -1;
  int faceSelectionCache = -1;
  int visitStamp = 1;
  unsigned char modelFlagsA = 0;
  unsigned char modelFlagsB = 0;
  MItemList<MVertex> removedVertices;
  MItemList<MLine> removedLines;
  MItemList<MFace> removedFaces;
  MItemList<MShader> removedShaders;
  MItemList<MGroup> removedGroups;
  unsigned char savedMirrorMode = 0;
  int savedVertexSelectionCache = -1;
  int savedLineSelectionCache = -1;
  int savedFaceSelectionCache = -1;
  int savedVisitStamp = 1;
  double tolerance = 1e-8;
  PtrArray* workList = nullptr;  // owned: the modelling operations' stored face list
  int workIndex = -1;            // its tag
  int workValue = 0;
  int vertexCount = 0;  // counts of the last numbering
  int lineCount = 0;
  int faceCount = 0;
  int shaderCount = 0;
  int groupCount = 0;
  int ringPos = 0;
  int backCount = 0;
  int forwardCount = 0;
  int undoDepth = 1;
  MeshUndoEntry undoRing[kUndoRingSize];
  unsigned char undoDirection = 0;
  // Working state of the modelling operations: the crease-line and
  // lone-vertex lists of the support loop, its distance (-1 when idle), the
  // line and vertex lists of a path cut (owned, null when idle) and two flag
  // bytes.
  PtrArray* creaseLineList = nullptr;
  PtrArray* loneVertexList = nullptr;
  double supportDistance = -1.0;
  PtrArray* pathLineList = nullptr;
  PtrArray* pathVertexList = nullptr;
  unsigned char workFlagA = 0;
  unsigned char workFlagB = 0;
  int pageLineStyle = 0;
  int savedPageLineStyle = 0;
  MItemList<MMorph> morphs;
  int morphCount = 0;

 private:
  // Saves every vertex and moves it by q (row vector), x = 0 on the mirror
  // plane; the morph frames follow.
  void SaveAndTransformVertices(const MatrixRecord& q);
  // SaveEditState, the new matrix, and the vertices moved by the difference.
  void ReplaceMatrixKeepingShape(const MatrixRecord& newMatrix);
};

// Lets the object factory's clients compact the element pools; the engine
// start-up calls it once.
void InstallMeshObjectServices();

}  // namespace engine
