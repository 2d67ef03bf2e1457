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
//   MMeshObj.cpp             life cycle, copy, numbering, small accessors
//   MMeshObj_Build.cpp       element factories
//   MMeshObj_Transform.cpp   scale, pivot and matrix moved into the vertices; turning over
//   MMeshObj_Vertices.cpp    vertex and material operations, selection cache
//   MMeshObj_Undo.cpp        edit steps and the undo ring
//   MMeshObj_Exchange.cpp    undoing and redoing a step
//   MMeshObj_Record.cpp      the mesh record and its morph block
//   MMeshObj_Repair.cpp      the passes that make a loaded mesh sound
//   MMeshObj_Quad.cpp        quads: two triangles across a hidden diagonal
//   MMeshObj_Turn.cpp        turning a line inside its two triangles
//   MMeshObj_Select.cpp      selection, gathering
//   MMeshObj_Shaders.cpp     materials of faces, texture coordinates at vertices
//   MMeshObj_Morph.cpp       the morph list, frames, making and recording morphs
//   MMeshObj_MorphApply.cpp  applying targets, base shape, texture offsets
//   MMeshObj_MorphTexture.cpp  the materials and textures of morphs and faces
//   MMeshObj_Check.cpp       the link check of a whole mesh
//   ../modeling/             the modelling operations (selection, groups,
//                            primitives, topology edits, parts, mirroring,
//                            line drawing, faces from loops), by topic
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
struct BezierPatchRecord;
struct SymGraph;

// What a region pick takes from one mesh; the caller owns it.
struct ElementSelection : EngHeapObject {
  ElementSelection();
  MObject* object = nullptr;
  PtrArray faces;
  PtrArray lines;
  PtrArray vertices;
};

// One element's state as a stored edit step remembers it.
struct ElementStateRecord {
  int state;
  MItem* copy;
  MItem* element;
};

// What a split face leaves for the faces that replace it: its corners'
// positions and, when it had them, its texture coordinates.
struct OldFaceCorners {
  PointRecord position[3];
  bool textured = false;
  MFaceUV uv{};
};

// A region a subdivision fills again: three or four sides in loop order,
// each a chain of vertices from its start corner to its end corner (the
// next side's first vertex), the corners' texture coordinates (when the
// replaced face had them), what the new faces and lines take, and the list
// the new faces go to (or none).
struct RefillRegion {
  int count = 3;
  PtrArray* sides[4] = {};
  bool textured = false;
  MFaceUV::Pair cornerUV[4] = {};
  MShader* shader = nullptr;
  MGroup* group = nullptr;
  PtrArray* newFaces = nullptr;
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
  // The box of the live vertices in the mesh's own coordinates; empty
  // without vertices.
  void GetLocalBounds(BoundsRecord& out) override;
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

  // ---- edit steps and the undo ring: MMeshObj_Undo.cpp -------------------
  // A mesh is edited in steps. Within a step every element keeps what undo
  // needs: its state code and copy link tell whether it was created (1),
  // removed (2, or 6 when created too) or changed (5: a saved copy in state
  // 5 sits in the removed holder, its copy link on the live element), and
  // the five removed holders keep removed elements and saved copies. The
  // scene opens nothing itself: every modelling operation calls
  // SaveEditState before it changes the mesh and saves each element before
  // changing it; the scene closes the step on every mesh (Checkpoint) and
  // undoes or redoes it (ExchangeUndoStep on a mesh whose edit state is 4).
  //
  // The ring keeps finished steps: D = undoDepth entries (the engine's depth,
  // 1 to 11); ringPos P; forwardCount F older steps in the entries P, P + 1,
  // ...; backCount B redo steps in P - 1, P - 2, ... (all modulo D). With the
  // depth of 1 the engine uses, F and B stay 0 and a step can be undone and
  // redone alternately, once each time.

  // Opens the step before a change: nothing when it is open (edit state 4)
  // or the mesh was created in this step (1); otherwise the object snapshot
  // (unless already taken), the morph frames and the seven step values are
  // saved and the edit state becomes 4.
  void SaveEditState();
  int GetUndoDepth() const { return undoDepth; }
  // Empties the ring and sets it up for the engine's undo depth.
  void AllocateUndoRing();
  // Deletes every element of the five removed holders (their vertices leave
  // the morphs first).
  void DropStepHolders();
  // The entry's state tables from the live lists; false (reason 1) when a
  // table cannot be had.
  bool StoreElementStates(int entry);
  // The removed holders' elements go to the end of the entry's holders.
  void MoveHoldersToEntry(int entry);
  // The entry takes the step values' snapshots; the snapshots take the
  // current values.
  void StoreStepValues(int entry);
  // Stores the current step in the entry before P; false (reason 1) when
  // memory ran out.
  bool StoreStep();
  // Frees the entry's tables and deletes its holders' elements.
  void FreeEntry(int entry);
  // Mode 0 or 1: the redo steps are freed (B = 0); mode 0 frees the older
  // steps too (F = 0).
  void DropSteps(int mode);
  // 0: whether an undo can run; 1: a redo; anything else false.
  bool CanStep(int direction) const;
  void RestoreElementStates(int entry);
  void RestoreHolders(int entry);
  void RestoreStepValues(int entry);
  void LoadStep(int entry);
  // Moves the ring one step towards undo (0) or redo (1): the current step
  // is stored and the neighbouring one loaded. Travelling with no stored
  // step that way is fatal; running out of memory beeps, stops and answers
  // false.
  bool TravelStep(int direction);
  unsigned char GetUndoDirection() const { return undoDirection; }
  void SetUndoDirection(unsigned char value) { undoDirection = value; }
  // Closes the step. With keep, an edited (or redone) step is stored in the
  // ring and an undone one dropped; without, every step goes. Afterwards
  // every live element is in state 0 and the mesh's edit state is 0. Out of
  // memory while storing beeps and leaves the states as they are.
  virtual void Checkpoint(bool keep);

  // ---- undoing and redoing a step: MMeshObj_Exchange.cpp ------------------
  // Exchanges the step between the live lists and the removed holders: 0
  // undoes it, 1 redoes it (after a travel when the step is not the current
  // one). The live elements are the same objects before the step and after
  // the undo, and after the step and after the redo, so pointers held
  // elsewhere (morph entries) stay good; elements that come back from the
  // removed holder are linked at the head of their lists.
  virtual void ExchangeUndoStep(int redo);
  // The exchange of one class.
  void ExchangeGroups(MItemList<MGroup>& live, MItemList<MGroup>& removed);
  void ExchangeShaders(MItemList<MShader>& live, MItemList<MShader>& removed);
  void ExchangeVertices(MItemList<MVertex>& live, MItemList<MVertex>& removed);
  void ExchangeLines(MItemList<MLine>& live, MItemList<MLine>& removed);
  void ExchangeFaces(MItemList<MFace>& live, MItemList<MFace>& removed);
  // Every live face's drawn-line entries become their lines' back links.
  void RelinkFaceLineLists();

  // ---- the mesh record: MMeshObj_Record.cpp --------------------------------
  // Writes the record (object header, settings, the five element lists, the
  // trailing values and, in the newer formats, the morph block and the page
  // line style). AssignIndex must have run since the last change.
  void WriteTo(QFile& file) override;
  // Reads the record from the header's packed word on into a new mesh.
  // Every count, size and stored number is checked against the file and the
  // tables; a damaged record is a load failure (the object factory deletes
  // the half-read mesh). Afterwards the repair passes make the mesh sound.
  void ReadFrom(QFile& file) override;
  // The morph block: its size P with `size` given, else fields P (the given
  // block size), the morph count and the morph records.
  void WriteMorphBlock(QFile& file, int* size, int blockSize) const;
  // Reads the block into the morph list (each morph read goes to the front)
  // and answers its size P; 0 on failure. The morphs must fill exactly the
  // size the block gives.
  int ReadMorphBlock(QFile& file);

  // ---- repair after loading: MMeshObj_Repair.cpp ---------------------------
  // A ring of coincident vertices partly on the mirror plane gets the
  // mirror-plane flag on every member.
  void SpreadMirrorFlagsInRings();
  // Mirror mode on when some vertex lies on the mirror plane, else off.
  void UpdateMirrorMode();
  // Moves the texture coordinates of the face's quad partner onto the
  // face's at a shared corner of the diagonal. A quad that does not hold
  // together (diagonal missing from the partner, outer lines that do not
  // chain, a face without its coordinates) is left as it is.
  void AlignQuadHalfUVs(MFace* face);
  // Vertices joined by a line cannot be coincident: such a ring member
  // leaves the ring (taking the members nearer to it), one split per vertex.
  // Hidden diagonals without two faces, or whose two faces do not make one
  // quad, lose the flag.
  void CheckVertexRings();
  // After reading: the quad halves' texture coordinates aligned (texturing
  // on), then CheckVertexRings.
  void RepairAfterLoad();

  // ---- quads: MMeshObj_Quad.cpp --------------------------------------------
  // A quad is two triangles sharing a line with the hidden-diagonal flag
  // 0x20: the line is not drawn, picked or counted as a crease, and the two
  // triangles are drawn, textured and subdivided as one four-sided face.
  // Neither triangle has a second hidden edge.
  //
  // A visible line from a to b (a != b, fatal otherwise): a hidden diagonal
  // a-b loses the flag (saved first); two triangles whose far corners are a
  // and b have their shared line turned; null when a-b is already visible,
  // when no such pair of triangles exists or when the turn failed.
  MLine* ExposeDiagonal(MVertex* a, MVertex* b);
  // The line has two faces and none of their six lines is hidden.
  bool CanJoinToQuad(const MLine* line) const;
  // Makes the line the hidden diagonal of a quad (saved first): no sharp
  // flag, no crease bits 24-27, the second face on the first face's
  // material. False, nothing changed, when CanJoinToQuad says no.
  bool JoinToQuad(MLine* line);
  // The face across the first hidden edge of the face, or null.
  MFace* GetQuadPartner(const MFace* face) const;
  // Whether the line could become a quad's diagonal: two faces without
  // hidden edges, no coincident lines and not hidden itself.
  bool IsQuadCandidate(MLine* line) const;

  // ---- turning a line: MMeshObj_Turn.cpp ------------------------------------
  // Saves for undo the vertex, its lines, their far ends, the faces around it
  // and the lines around each far end: everything a turn at the vertex
  // touches.
  void SaveVertexStar(MVertex* v);
  // SaveVertexStar on both ends of the line.
  void SaveLineEndsStar(MLine* line);
  //   a           a        Turns the line shared by two triangles to join
  //  /|\         / \       their far corners. Refused (state 1, reason 6)
  // c | d  ->  c---d      when those corners are already joined, and for
  //  \|/         \ /       a border line (its one face stays); reason 5
  //   b           b        for a line without faces. The lines around
  // keep their attributes; the new faces take the material of the face
  // first met and their texture coordinates. Answers the new line, or null.
  MLine* FlipLine(MLine* line);

  // ---- selection: MMeshObj_Select.cpp --------------------------------------
  // The selection is the flag 0x80 of vertices and lines; a face is selected
  // when its three edges are. The three caches say whether something is
  // selected (-1 unknown).
  int InvalidateSelectionCache();
  bool HasSelectedVertex();
  bool HasSelectedFace();
  bool HasSelectedLine();
  int CountSelectedLines() const;
  void ClearSelection();
  // Rings of selected vertices become selected, and every line between the
  // rings of a selected line's ends (a hidden diagonal among them becomes a
  // visible line).
  void PropagateRingSelection();
  // Appends the selected faces, lines and vertices in list order to the
  // lists given (mode 1: the selection grown by one ring of neighbours);
  // nothing when the cache says nothing is selected. Out of memory stops it
  // (reason 1).
  void GatherSelected(int mode, PtrArray* faces, PtrArray* lines, PtrArray* vertices);
  // One selected vertex per ring of coincident vertices.
  void GatherSelectedVertices(PtrArray& out);
  void GatherAll(PtrArray* faces, PtrArray* lines, PtrArray* vertices);
  // Every face whose three edges are in the list.
  void CollectFacesOfLines(const PtrArray& lineList, PtrArray& out);
  void CollectAroundRing(int stamp, MVertex* v, PtrArray* lineOut, PtrArray* vertexOut);
  void ExpandLists(const PtrArray& lineList, const PtrArray& vertexList, PtrArray& lineOut, PtrArray& vertexOut);
  // A fresh visit stamp: marks of earlier walks are all below it.
  int TakeVisitStamp();

  // ---- materials and texture coordinates: MMeshObj_Shaders.cpp ------------
  // Opens the step, then each face is saved and takes the material.
  void AssignShader(const PtrArray& faceList, MShader* shader);
  // Removes (saved first) every material no face uses; with mergeEqual the
  // faces of a material equal to an earlier one move to the earlier one and
  // the later one goes.
  void CleanUpShaders(bool mergeEqual);
  // With texturing on, the number of materials with texture pixels; true
  // when there is one.
  bool CountTexturedShaders(int* count) const;
  // In every textured face around v's ring (or the listed faces), v's corner
  // coordinates become (u - du, v - dv); each face is saved first.
  void MoveVertexUV(MVertex* v, const PtrArray* faceList, double du, double dv);
  // Opens the step and moves the coordinates of one selected vertex per
  // ring.
  void MoveSelectedVertexUVs(double du, double dv);

  // ---- morphs: MMeshObj_Morph.cpp -------------------------------------------
  // Links the morph at the front of the list.
  void AddMorph(MMorph* morph);
  bool HasMorphs() const { return !morphs.IsEmpty(); }
  // A new empty morph at the front; null (reason 1) when memory runs out.
  MMorph* CreateMorph();
  MMorph* FindMorph(const char* name) const;
  // The first morph whose name matches the path (AnimMatchObjectPath).
  MMorph* FindMorphByName(const char* path) const;
  void DeleteMorph(const char* name);
  void RenameMorph(const char* name, const char* newName);
  // -2 when there is no such morph; else its index, and the sign flag.
  int GetMorphIndex(const char* name, unsigned char* signFlag) const;
  void SetMorphIndex(const char* name, int index);
  // Deletes from `other` every morph that has a name of this mesh's morphs.
  void DeleteSharedMorphsFrom(MMeshObj* other);
  // Appends a pointer to each morph's name; out of memory stops it.
  void CollectMorphNames(PtrArray& out) const;
  // Every morph entry whose vertex is in the holder loses its vertex: the
  // holder's vertices are about to be freed.
  void DetachMorphVertices(const MItemList<MVertex>& holder);
  // Every morph's frame follows the vertices moved by m.
  void TransformMorphs(const MatrixRecord& m);
  void SaveMorphTransforms();
  void SwapMorphTransforms();
  // Hands each morph's own material (or null) with the list to the scene's
  // numbering of texture materials, which it runs before writing texture
  // files: scene.NumberTextureShader(material, list).
  template <class Scene>
  void NumberMorphShaders(Scene& scene, PtrArray& list) {
    for (MMorph* morph : morphs) scene.NumberTextureShader(morph->GetShader(), list);
  }
  // Makes a morph of the selected vertices named `name`, their target
  // indices running on from nextTargetIndex. With shaderRequest non-zero the
  // morph keeps a copy of the main material of the selected faces, which
  // `found` receives; shaderRequest becomes minus the number of materials
  // when they are several.
  MMorph* CreateMorphFromSelection(const char* name, int& nextTargetIndex, int& shaderRequest, MShader** found);
  // Selects the morph's vertices, their rings and the lines between them.
  void SelectMorphVertices(const char* name);
  // The material most of the selected faces use (the first in list order on
  // a tie), or null; count = number of different materials among them.
  MShader* FindMainSelectedShader(int& count);
  // The selected faces of a material, each with its quad partner right
  // after it (a quad counts only when both halves are selected).
  void CollectSelectedFacesOfShader(const MShader* shader, PtrArray& out);
  // The target takes the present shape of the morph's vertices (and, for
  // the first mesh, the faces' material); 1 when the textures of the morph's
  // material and the captured one differ in size, else 0. A target named
  // after no morph of this mesh is fatal.
  int RecordTarget(MMorphTgt* target, int meshOrdinal);
  // The bounding box of all vertices (or the selected ones) through m.
  void GetTransformedBounds(const MatrixRecord& m, bool selectedOnly, BoundsRecord& out);
  // The face morph ("/tamarik/human/face/") when the face's three edges
  // belong to it, else null; the selection is cleared.
  MMorph* FindFaceMorphForFace(MFace* face);

  // ---- applying morphs: MMeshObj_MorphApply.cpp ------------------------------
  // Moves the morph's vertices to base + weight × vector (additive: added to
  // the present shape), inside an edit step; the material follows when the
  // morph and the target have their own. Entries whose vertex is gone or
  // whose index the target lacks are skipped.
  void ApplyTarget(MMorphTgt* target, double weight, int additive);
  // The morph's vertices back on their base positions, its material and
  // offset reset.
  void RestoreBase(const char* name);
  // The morph's faces take a copy of the material (when theirs differs);
  // unused materials go.
  void ApplyShaderToMorphFaces(const char* name, const MShader* shader);
  // Shifts the morph's texture (own material) or its faces' texture
  // coordinates (no own material) by (du, dv); absolute mode first takes
  // back what was applied before.
  void ApplyTextureOffset(const char* name, double du, double dv, int additive);

  // ---- materials and textures of morphs and faces: MMeshObj_MorphTexture.cpp
  // With texturing on, each textured material whose faces are wholly
  // selected gets a copy cropped to the part of its texture those faces
  // use; the faces take the copy with their coordinates mapped onto it.
  void CropTexturesToSelection();
  // The face's material colour (0x00BBGGRR) becomes `colour`: every texel of
  // a uniform texture, else the diffuse colour. False when the colour cannot
  // be read (a texture of several colours).
  bool SetFaceShaderColour(MFace* face, std::uint32_t colour);

  // ==== modelling operations: src/engine/modeling/ ====================  // The editing operations the scene's commands, the figure code and the
  // view's trackers call. Conventions they all keep:
  //   - Lists come as (faces, lines, vertices), each a PtrArray or null (a
  //     null list is skipped); outputs are appended to, never cleared.
  //   - An operation that changes the mesh opens the edit step
  //     (SaveEditState) and saves each element before changing it, itself
  //     or through the list-saving operations below, so one undo gives the
  //     mesh back, also after a failure part way.
  //   - Failures go to the engine failure state: out of memory is state 2,
  //     reason 1; an argument or a situation the operation cannot take is
  //     refused with state 1, reason 6, before anything changes; the
  //     operation returns at once after a failure.
  //   - The selection operations change selection bits only (and quad
  //     diagonals' hidden flag when a coincident line is selected); their
  //     callers save what they select first (SaveSelectionForUndo).
  //   - Walks over a whole mesh keep their own stack (never the call stack)
  //     and visit in the order a depth-first recursion would.
  //   - Visit stamps: TakeVisitStamp (or NextVisitStamp) gives a stamp above
  //     every id word; operations write it into the elements they visit.
  // Fields: the selection caches are vertexSelectionCache (a vertex or a
  // line selected), lineSelectionCache and faceSelectionCache (a face, or a
  // quad, with all its outer edges selected: the cache looks at quads; a
  // face gathered as selected has its three edges selected); workList is
  // the stored face list and workIndex its tag; modelFlagsA and modelFlagsB
  // the loop-fill mode (active, one-sided); supportDistance, pathLineList
  // and pathVertexList the support-loop and path-cut state.

  // ---- selection: modeling/MMeshObj_Selection.cpp ---------------------------
  void SelectLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  void DeselectLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  void ReplaceSelection(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  // ReplaceSelection with the stored face list.
  void SelectStoredFaces();
  // Deselects when more listed items are selected than not, else selects.
  void ToggleSelectLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  // Flips every vertex and line; ends of selected lines stay selected.
  void InvertSelection();
  // The selection becomes the lines between faces of different materials.
  void SelectShaderBorders();
  // Hidden diagonals follow the four outer edges of their quads.
  void SyncDiagonalSelection();
  // Ends of selected lines become selected.
  void PropagateLineSelection();
  // Rule selections, added to the selection.
  void SelectNonManifoldLines();
  void SelectBoundaryLines();
  void SelectFacelessLines();
  void SelectCreaseItems();
  void SelectPartialWeightItems();
  void SelectByThreshold(double cosine);
  // The listed faces and every face sharing a corner with one of them, each
  // once, in depth-first order.
  void GrowFaceList(const PtrArray& faceList, PtrArray& out);
  void GrowFaceRegionFrom(MFace* face, int regionStamp, int visitedStamp, PtrArray& out);
  // Opens the step and saves each listed element.
  void SaveListsForUndo(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  // Saves the listed faces and the ring neighbourhoods of every vertex the
  // lists touch.
  void ApplyToListVertices(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  void SaveSelectionForUndo();
  void SaveAllForUndo();
  // The tag (a stamp) faces of the stored face list carry in their id word.
  int GetStoredFaceTag() const { return workIndex; }

  // ---- element groups: modeling/MMeshObj_Groups.cpp ------------------------
  void CollectGroupTree(MGroup* group, PtrArray* out);
  void MarkGroupTree(MGroup* group, int value);
  void SetAllGroupMarks(int value);
  // Makes every listed group a child of the target (a new group when null);
  // answers the target, null on failure.
  MGroup* ParentGroups(MGroup* target, const PtrArray& groupList);
  MGroup* NewGroupForUngrouped(const PtrArray* vertexList, const PtrArray* lineList);
  void DissolveGroup(MGroup* group);
  void ClearGroupFromElements(MGroup* group);
  void MergeRootGroups();
  void UngroupSelected(unsigned char& dissolved);
  void RemoveUnusedGroups();
  void CollectGroupMembers(MGroup* group, PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  // The stamp spread over the network of lines drawn on faces.
  void StampLinesFrom(MVertex* v, int stamp);
  void StampThroughMeshVertex(MVertex* v, MLine* meshLine, int stamp);
  void StampAlongCurve(MVertex* v, MLine* line, int stamp);
  void CheckpointLinedFaces();
  void RemoveUnusedItems();
  PointRecord& GetSelectionCentre(PointRecord& out);

  // ---- primitives: modeling/MMeshObj_Primitives.cpp ------------------------
  // Fill an empty mesh; `half` non-zero makes only the half at x <= b.x and
  // turns mirror mode on. Segment counts below 3 are refused (state 1,
  // reason 6) before anything is made.
  void MakeQuad(const PointRecord& a, const PointRecord& b, unsigned char half);
  void MakeFan(const PointRecord& a, const PointRecord& b, unsigned char half, int n);
  void MakeBox(const PointRecord& a, const PointRecord& b, unsigned char half);
  void MakeCone(const PointRecord& a, const PointRecord& b, unsigned char half, int n);
  void MakeCylinder(const PointRecord& a, const PointRecord& b, unsigned char half, int n);
  void MakeSphere(const PointRecord& a, const PointRecord& b, unsigned char half, int n);
  // The material for new faces: the current material when it was last put
  // into this mesh and is still one of its materials, else a new one made
  // current. Null when memory runs out.
  MShader* GetNewFaceShader();

  // ---- topology edits: modeling/MMeshObj_Topology*.cpp ---------------------
  void SaveVertexNeighbourhood(MVertex* v);
  void SaveRingNeighbourhood(MVertex* v);
  void SaveLineNeighbourhood(MLine* line);
  void SaveLineFaces(MLine* line);
  void SaveFaceNeighbourhood(MFace* face);
  void BridgeLinesAndCollapse(MLine* p, MLine* q, int mode);
  void BridgeLines(MLine* p, MLine* q, MLine** side0, MLine** side1, MLine** diagonal);
  void WeldLines(MLine* p, MLine* q);
  // The inverse of a collapse: the fan of o's lines from q round to p goes
  // to a new vertex n at o's place, and triangles (o, far q, n) and
  // (o, n, far p) fill the gap; the one beside an open border line goes
  // again. Outputs n and the line n-o.
  void SplitVertexAlongLines(MVertex* o, MLine* p, MLine* q, MVertex** newVertex, MLine** newLine);
  // Collapses the line (and its coincident lines) into one vertex; `givenUp`
  // is the end whose position goes (null: the midpoint). False when it would
  // fold the surface; the mesh is then unchanged.
  bool CollapseLine(MLine* line, MVertex* givenUp, MVertex** survivor, MLine** wing0, MLine** wing1);
  bool CanCollapseRings(MLine* line);
  bool CanCollapseSingleLine(MLine* line);
  bool CollapseOneLine(MLine* line, MVertex* givenUp, MVertex** survivor, MLine** wing0, MLine** wing1);
  bool CollapseFreeLine(MLine* line, MVertex* givenUp, MVertex** survivor);
  bool CollapseFacedLine(MLine* line, MVertex* givenUp, MVertex** survivor, MLine** wing0, MLine** wing1);
  bool CollectCornerUVs(MVertex* kept, MVertex* other, PtrArray& shaderList, DoubleArray& uList, DoubleArray& vList);
  void ApplyCornerUVs(MVertex* v, const PtrArray& shaderList, const DoubleArray& uList, const DoubleArray& vList);
  // Splits the line at the point's projection; refused (state 1, reason 6)
  // within the tolerance of an end or off the line.
  void SplitLineAtPoint(MLine* line, const PointRecord& point, MVertex** newVertex, MLine** newLine);
  void SplitCoincidentLinesAtPoint(MLine* line, const PointRecord& point, MVertex** newVertex, MLine** newLine);
  bool IsFillableLoop(int count, MVertex* const* loop);
  // Fills the loop with triangles, ears first; a loop that IsFillableLoop
  // refuses is refused (state 1, reason 6) before anything is made.
  void FillLoopWithUVs(int count, MVertex* const* loop, const double* u, const double* v, MShader* shader);
  void FillLoop(int count, MVertex* const* loop, MShader* shader, bool withUVs);
  void CollapseShortestLine(MVertex* v);
  void RemoveFaceAndTidy(MFace* face);
  void MergeVertexInto(MVertex* a, MVertex* b);

  // ---- face orientation and parts: modeling/MMeshObj_Parts.cpp -------------
  void OrientParts(bool selectedOnly, const PointRecord& viewpoint);
  void FlipSelectedParts();
  void ReverseLines(int count, MLine* const* lineArray);
  void FlipPartAt(MVertex* v);
  void GatherPartWithGroups(MVertex* v, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList,
                            PtrArray* shaderList);
  void GatherConnected(MVertex* v, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList, bool acrossRings);
  void GatherPartAt(MVertex* v, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList);
  void GatherLinkedAt(MVertex* v, PtrArray* vertexList, PtrArray* lineList, PtrArray* faceList);
  void DiscardPartAt(MVertex* v);
  void RemovePartAt(MVertex* v);
  MMeshObj* MovePartToNewMesh(MVertex* v);
  void SplitIntoParts(PtrArray& meshList);
  bool IsFaceSetInverted(const PtrArray& faceList, const PointRecord& viewpoint) const;

  // ---- roots of line nets: modeling/MMeshObj_PartRoots.cpp ------------------
  // The root of a connected part carries vertex flag 0x100 (a figure's
  // skeleton is walked away from it). SetPartRoot marks the vertex and
  // clears the mark on the rest of its part; EnsurePartRoots gives every
  // part without a root its most central vertex (the first whose
  // breadth-first walk is shallowest). Both save what they change.
  void SetPartRoot(MVertex* v);
  void EnsurePartRoots();

  // ---- part copy, mirroring, attaching: modeling/MMeshObj_Mirror.cpp -------
  // Element statistics: on the mirror plane, vertices, visible lines, faces,
  // faces without a hidden edge, groups used.
  struct ElementStats {
    int mirrorVertices = 0, vertices = 0, visibleLines = 0, faces = 0, wholeFaces = 0, groups = 0;
  };
  void ConnectCopies(PtrArray& lineOut);
  MMeshObj* CopyMarkedToNewMesh(const PtrArray* faceList, const PtrArray* lineList);
  void RemoveFacesOfShader(MShader* shader);
  void MirrorToFull(MShader* shader);
  void AttachMesh(MMeshObj* other, const MatrixRecord& m, PtrArray* ownFaces, PtrArray* otherFaces);
  void CountElementStats(ElementStats& stats, bool selectedOnly);
  void ClearCopyLinks();
  // Each listed vertex's ring tidied, then each listed line merged with its
  // coincident lines.
  void TidyListedElements(const PtrArray* lineList, const PtrArray* vertexList);

  // ---- line attributes and drawing: modeling/MMeshObj_Lines*.cpp -----------
  // Colours are clamped to 0..1; widths outside 0..255 are refused.
  void SetLineColourAll(const PointRecord& rgb);
  void SetLineColourSelected(const PointRecord& rgb);
  void SetLineWidthAll(int width);
  void SetLineWidthSelected(int width);
  void ScaleLineWidth(double factor, bool all);
  void ClearLineFlag10();
  void DrawLines(ElementRefArray& points);
  void SplitLineAt(MLine* line, const PointRecord& point, MVertex** newVertex);
  void SaveUndoAroundPoints(ElementRefArray& points);
  void AddQuadToList(MFace* face, PtrArray& faceList, int stamp);
  void ClearFacesUnderPoints(ElementRefArray& points, PtrArray& vertexOut, PtrArray& lineOut);
  void RemoveQuadOfFace(MFace* face, PtrArray& vertexOut, PtrArray& lineOut);
  void SplitLinesAtPoints(ElementRefArray& points);
  MVertex* ResolvePointVertex(ElementRef& point);
  MLine* AddLineBetween(MVertex* a, MVertex* b);
  void ConnectPoints(ElementRefArray& points);
  void FinishDrawnLines(ElementRefArray& points, const PtrArray& vertexList, const PtrArray& lineList);
  void MoveLineEnd(MVertex* v, MLine* line, MVertex* w);
  void SaveLineAndEnds(MLine* line);
  void SplitVertexFans(MVertex* v, PtrArray* vertexOut);
  MVertex* MergeFreeRingMembers(MVertex* v);
  MVertex* GatherFreeLinesOfRing(MVertex* v);
  MVertex* TidyVertexRing(MVertex* v);
  // Free lines beside coincident lines with faces go; two border lines are
  // zipped, a part turned over once when needed (when that does not help,
  // as on a strip closed with a half twist, it is turned back and the lines
  // stay). Answers the surviving line.
  MLine* MergeCoincidentLines(MLine* line);
  void MergeCoincidentLinesAt(MVertex* v);
  void RemoveLinelessRingMembers(MVertex* v);
  bool SwitchQuadDiagonal(MVertex* a, MVertex* b, bool testOnly);

  // ---- faces from loops, zipping, rings: modeling/MMeshObj_Loops.cpp -------
  void MakeFacesInLoops(const PtrArray& lineList, bool borderOnly);
  void MakeFacesInLoopsAll();
  void MakeFacesInLoopsSelected();
  void FillBetweenLines(const PtrArray& setA, const PtrArray& setB, const PtrArray& setC, bool oneSided);
  void DeleteFaces(const PtrArray& faceList);
  void DeleteAllFaces();
  void DeleteSelectedFaces();
  // Whether two coincident border lines join without turning faces; the
  // soft refusal when either has faces on both sides, reason 16 when they
  // share no end ring.
  bool CanZipBorderLines(MLine* a, MLine* b, MVertex** v1, MVertex** v2);
  // Bridges the two lines and collapses the short lines left between their
  // end rings; a collapse that would fold the surface leaves its side.
  void ZipBorderLines(MLine* a, MLine* b, MVertex* v1, MVertex* v2);
  void MakeHalfRing(int n, MVertex* v, PtrArray& vertexOut, PtrArray& lineOut);
  void MakeFullRing(int n, MVertex* v, PtrArray& vertexOut, PtrArray& lineOut);

  // ---- region growth: modeling/MMeshObj_Region.cpp -------------------------
  // A region grows ring by ring from its seeds; whole rings of coincident
  // vertices are stamped and appended together. At a vertex with sharp
  // lines that the region reaches through a smooth line, growth sweeps round
  // from the region's side, one neighbour at a time, stopping at sharp lines
  // (and, on one side only, before 70 % of the full angle); neighbours it
  // does not take are closed to later steps. A ring count below 1 is
  // refused. lastRingStart: the index in `region` where the outermost ring
  // begins.
  void GrowRegion(int rings, PtrArray& region, int& lastRingStart, const PtrArray* seedLines,
                  const PtrArray* seedVertices);
  void AddNeighbourRings(MVertex* v, int p, int q, PtrArray& region);
  void GrowAtVertex(MVertex* v, int p, int q, PtrArray& region);
  // The angle at v between two of its lines.
  double AngleAtVertex(MVertex* v, MLine* a, MLine* b);
  // Interior vertices (off the outer ring, no line leaving the region, no
  // open sharp line), frontier vertices on no frontier line, and the lines
  // between frontier vertices.
  void ClassifyGrownRegion(const PtrArray& region, int lastRingStart, const PtrArray* seedLines,
                           const PtrArray* seedVertices, PtrArray* interior, PtrArray* isolated,
                           PtrArray* frontierLines);
  // The lines of the set whose ends both have lines leaving the set, and the
  // other such vertices; with the flag, the whole set when it has no border.
  void FindSetBorder(const PtrArray& vertexList, const PtrArray& lineList, PtrArray* vertexOut, PtrArray* lineOut,
                     bool wholeSetWhenBorderless);
  // The rings and coincident lines of one element (the others null); for a
  // face, of its quad.
  void CollectElementRings(MVertex* vertex, MLine* line, MFace* face, PtrArray* lineOut, PtrArray* vertexOut);
  // The visible lines whose two ends are listed.
  void CollectLinesWithin(const PtrArray& vertexList, PtrArray& out);
  void ClearLineFlag04();
  void ClearLineFlag100();
  // Marks sharp lines leaving v (and, depth - 1 further, beyond) as not
  // counting as sharp (0x100), except towards vertices carrying the stamp.
  void SuppressSharpChain(int depth, int stamp, MVertex* v);
  void SuppressSharpChainsFrom(int depth, PtrArray& vertexList);
  // Whether the segment a-b crosses a line drawn on the face (in the face's
  // parameter plane), lines ending at `ignored` aside.
  bool SegmentCrossesAttachedLines(MFace* face, const PointRecord& a, const PointRecord& b, const MVertex* ignored);

  // ---- deleting, filling, creases, hiding: modeling/MMeshObj_Delete.cpp -----
  // The selected faces, and the lines between two of them that have no
  // coincident line, go; the other lines and the vertices stay.
  void RemoveSelectedFaces();
  // Listed faces (with their edges tidied afterwards), else listed lines
  // (with the faces or quads beside them), else listed vertices on two free
  // lines (dissolved into one line). Unused materials go, the mirror mode
  // follows.
  void DeleteLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList);
  // Each closed chain of selected border lines is filled with faces of the
  // new-face material, unless it touches the mirror plane. A chain the fill
  // cannot take (it passes a vertex twice or a line joins two of its
  // vertices across it) stays open, and the soft refusal says so once the
  // others are filled.
  void FillSelectedLoops();
  // Sharp flags (kept where 0x100 exempts them) and crease weights of every
  // (selected) line and its ends cleared.
  void ClearUnpairedCreaseBits();
  void ClearUnpairedCreaseBitsSelected();
  // Every (selected) line that is neither sharp nor a hidden diagonal
  // becomes sharp.
  void SetCreaseBitAll();
  void SetCreaseBitSelected();
  void ClearHideFlagAll();
  void SetHideFlagAll(bool linesAndVerticesOnly);
  // 0 hides the selection, 1 its lines and vertices only, 2 everything
  // else; vertices that visible lines use stay visible (modes 0 and 1).
  void SetHideFlagSelected(int mode);

  // ---- texture projection: modeling/MMeshObj_Projection.cpp -----------------
  // Appends the face and every face reached across lines that is not hidden,
  // has the material and not the stamp; each gets the stamp.
  void FloodFacesByShader(MFace* face, MShader* shader, int stamp, PtrArray& out);
  void CollectFacesWithShaderFrom(MFace* face, PtrArray& out);
  // Texture coordinates of the listed faces (all when null) projected
  // through `frame`: type 1 flat (u from 1 at the box's smallest x to 0 at
  // its largest, v from 0 at the smallest y to 1 at the largest), type 2
  // around a cylinder about y. Kind 1 repeats b times across and a times
  // up; kind 2 also keeps texels square (one axis compressed at most 20
  // times). The box is the projected corners' (or the given points'); an
  // axis without extent maps to the middle. With a range the coordinates
  // are mapped into it (a cylinder then needs b of 1). The material, when
  // given, goes to the faces; unused and equal materials are tidied.
  // Other types are refused.
  void ProjectUVs(const PtrArray* faceList, MShader* shader, const MatrixRecord& frame, int type, int kind, int a,
                  int b, const PointArray* points, const PointRecord* rangeStart, const PointRecord* rangeEnd);
  void ProjectUVsSimple(const PtrArray* faceList, MShader* shader, const MatrixRecord& frame, int type, int kind,
                        int a, int b);
  void MapUVsIntoRange(const PtrArray& faceList, int type, const PointRecord& start, const PointRecord& end);

  // ---- texture coordinate editing: modeling/MMeshObj_TexUV.cpp --------------
  // The editor works on the shown faces of one material that have texture
  // coordinates. Marks live in the faces' flag words (MFace::SetUVEdgeMark,
  // SetUVCornerMark); a reference to a corner or an edge is a Triple {face,
  // kind 0 corner or 1 edge, index 0..2}. Twins: the corners at one vertex
  // ring with the same coordinates, which move together.
  bool HasUVOutsideRange(MShader* shader);
  MShader* FindShaderByTexture(MShader* shader);
  void UVMarksFromSelection(MShader* shader);
  void SelectionFromUVMarks(MShader* shader);
  // The nearest corner within the radius, else the nearest edge, with its
  // twins in `out` (emptied first) and its distance; false, outputs
  // untouched, when nothing is near.
  bool PickUV(double u, double v, double radius, MShader* shader, TripleArray& out, double& distance);
  void CollectUVTwins(const Triple& item, TripleArray& out);
  void SetUVCornerMarks(const TripleArray& list, bool set);
  void ExpandUVEdgeMarks();
  void ClearUVMarks();
  // Marks (or with counters counts: marked edges, marked corners, unmarked
  // edges, unmarked corners) what lies strictly inside the rectangle.
  void MarkUVInRect(double u0, double v0, double u1, double v1, MShader* shader, bool set, int* counters);
  void MoveUVOfList(double du, double dv, const TripleArray& list);
  void MoveUVOfShader(double du, double dv, MShader* shader);
  void RotateUV(double cu, double cv, double angle, MShader* shader);
  void ScaleUV(double cu, double cv, double su, double sv, MShader* shader);
  // Over the marked corners: type < 0 sums and counts them; 0..3 keep the
  // largest v, smallest u, smallest v, largest u (starting from the first).
  void GetMarkedUVExtent(MShader* shader, double& u, double& v, int& count, int type);
  void SplitMarkedUVCorners(MShader* shader);
  void SyncQuadUVs();
  void SetSelectedUV(MShader* shader, double u, double v);
  // A non-zero axis mirrors u about cu, zero mirrors v about cv.
  void MirrorMarkedUV(int axis, MShader* shader, double cu, double cv);
  // Component 0 or 2 sets v, any other sets u.
  void SetMarkedUVComponent(int component, MShader* shader, double u, double v);

  // ---- selection walks, line trees, diagonals: modeling/MMeshObj_Walks.cpp --
  // Each walk selects (0x80) and finishes with the selection made
  // consistent (diagonals, line ends, rings, caches).
  void InvertSelectionAll();
  // Lines whose width lies between the integer parts of a and b.
  void SelectLinesByWidth(double a, double b);
  // Lines between a face turned towards the screen and one turned away
  // (as last projected).
  void SelectSilhouetteLines();
  // From line p entered at o: through vertices with two lines of p's kind
  // (sharp or not), else on along the straightest line of the kind; stops
  // at borders, at ends and where nothing continues within a right angle.
  void WalkEdgeLoop(int stamp, MLine* p, MVertex* o);
  // Across quads: from a side to the opposite side of each quad beside it.
  void WalkQuadRing(int stamp, MLine* line);
  // Mode 10 or more: edge loops through the selected lines; below 10 quad
  // rings.
  void ExtendLineSelection(int mode);
  bool HasCycleFrom(int stamp, MVertex* v, MLine* arrival);
  bool HasLineCycle();
  // Every line of the root's part points away from it; the root gets the
  // root mark, the other vertices lose it.
  void OrientLinesFrom(MVertex* root);
  // Each part from its marked root, else from its most central vertex.
  void OrientLineTrees();
  // The hidden line at o loses its flag when the quad is bent flat at o
  // (its neighbours there nearly in line, or of no length).
  bool UnhideBentDiagonal(MLine* p, MVertex* o);
  void UnhideBentDiagonalsAll();
  // Hidden diagonals on the mirror plane between a face on the plane and
  // one off it are turned (and stay hidden).
  void FlipMirrorPlaneDiagonals();
  bool HasOpenOrSeamLine(bool allLines);
  void CollectVisibleFacesOfShader(MShader* shader, PtrArray& out);
  void CollectRingRepresentatives(PtrArray& out);

  // ---- crease weights and the smooth surface: modeling/MMeshObj_Crease.cpp --
  // Weights 0..1 become 0..255 (truncated, clamped); 255 is the sharp or
  // full-crease flag. Hidden diagonals keep no weight.
  void SetLineCreaseWeightAll(double weight);
  void SetLineCreaseWeightSelected(double weight);
  void SetVertexCreaseWeightAll(double weight);
  void SetVertexCreaseWeightSelected(double weight);
  void FreeSmoothSurface();
  void BuildSmoothSurfaceOnly(int levels);
  // Clears the selection, merges coincident lines, removes free lines, then
  // builds the surface and turns it into the mesh's elements.
  void BuildSmoothSurface(int levels, int passed = 0);
  // MergeCoincidentLines on each listed (all when null) line still live.
  void MergeAllCoincidentLines(const PtrArray* lineList);
  void RemoveFreeLines();
  // With smooth display on and levels above 0: the rebuild as one edit step.
  void RefreshSmoothSurface(int levels, int passed = 0);
  // With smooth display on: the last step undone and dropped. A failed undo
  // clears the failure and throws the long -108 to the caller.
  void RevertSmoothSurfaceStep();

  // ---- degenerate geometry: modeling/MMeshObj_Degenerate.cpp ----------------
  // A stamp of -1 means every element; otherwise elements whose id is at
  // least the stamp take part. Refused single repairs are counted in the
  // false result, never recorded as failures.
  // The lines leave v in opposite directions and each side between them is
  // one flat piece of one material.
  bool IsStraightFlatVertex(MVertex* v, MLine* first, MLine* second);
  // The first line of the first pair of lines around v (both carrying the
  // stamp when it is not negative) that IsStraightFlatVertex accepts.
  MLine* FindStraightLinePair(MVertex* v, int stamp);
  // CollapseLine with v giving up its position (its neighbourhood saved).
  bool CollapseVertexAlongLine(MVertex* v, MLine* line);
  // A vertex made in this step on cut lines across a flat quad: the line
  // along which it can go, or null.
  MLine* FindRemovableSeamVertexLine(MVertex* v);
  bool RemoveStraightVertices(int& count, int stamp, bool seamMode);
  void RepairMarkedVertices(const PtrArray& vertexList);
  // The first other line at v in line with `line` (|cos| above 0.99999).
  MLine* FindCollinearLine(MVertex* v, MLine* line);
  // Flat lines between two cut lines that nothing continues become hidden
  // diagonals again (where neither face has one yet).
  void HideFlatDiagonalLines();
  // Shorter than 3000 t.
  bool IsShortLine(const MLine* line) const;
  // FlipLine; a refusal is cleared and answered null.
  MLine* FlipLineIfPossible(MLine* line);
  // Splits the face's longest edge at the foot of the opposite corner and
  // collapses the line between them (the end with sharp or border lines
  // keeps its place); the faces around the split go to `out` (up to four).
  // False when the split or the collapse was refused.
  bool FixThinFace(MFace* face, MFace* out[4]);
  bool RepairDegeneratePass(int& count, int stamp);
  // The pass over everything, again while it finds work, at most 7 times.
  void RepairDegenerateFaces();
  // Repairs around the stored faces and along their border.
  void RepairStoredFaceRegion();
  // Answers how many vertices without lines went.
  int RemoveLooseVertices();

  // ---- clean-up passes and queries: modeling/MMeshObj_CleanUp.cpp ----------
  // No line outside the drawn lines lacks a face on a side.
  bool IsClosed() const;
  // Whether the loop from `start` entered at `from` keeps to one side code.
  bool CheckLoopClasses(MLine* start, MVertex* from);
  // Link checks at the level (fatal when broken) and every group an element
  // names one of the mesh's (fatal otherwise).
  void ResetElementStamps(int level);
  // The one line at v missing its following face is linked to the one other
  // open line, closing the gap between them.
  void RelinkOpenLinesAtVertex(const PtrArray& lineList, MVertex* v);
  // Pairs of lines between the same two vertices merged (all lines, or
  // those made in this step); a refused merge is reason 9.
  void MergeParallelLinesOf(bool onlyNew);
  void MergeNewParallelLines();
  void MergeParallelLines();
  void MarkSharpLinesByAngle(double angle);
  // The set's outward direction, a quarter of its box's diagonal long.
  void FaceSetOffsetVector(const PtrArray& faceList, PointRecord& out);
  void LineSetOffsetVector(const PtrArray& lineList, PointRecord& out);
  // These use the current visit stamp without advancing it.
  void CollectFaceCorners(const PtrArray& faceList, PtrArray& out);
  void CollectFaceSetBoundaryVertices(const PtrArray& faceList, PtrArray& out);
  void CollectLineEndVertices(const PtrArray& lineList, PtrArray& out);
  // Around v: `first` the line where the faces carrying the stamp stop,
  // `last` where they start; false (both null) when there is no such run.
  // A face carrying `alsoStamp` (when not 0) counts as carrying the stamp.
  bool FindStampedFaceRun(int stamp, MVertex* v, MLine** first, MLine** last, int alsoStamp = 0);
  void SetStoredFaceTag(int tag);
  // Whether the face, line or vertex given (the first that is not null) is
  // a live element of this mesh.
  bool OwnsElement(MFace* face, MLine* line, MVertex* vertex);

  // ---- splitting faces along drawn lines: modeling/MMeshObj_FaceSplit.cpp,
  //      MMeshObj_FaceFill.cpp ------------------------------------------------
  // A face with drawn lines (the crossing curves the boolean attaches, whose
  // vertices carry parameters in the face and, on its edges, their edge;
  // their partner links name the mesh vertices they stand for) becomes real
  // faces. Loops are classed by the lines' side codes (1 inside, 2 outside);
  // mode 0 keeps class 2, mode 2 class 1, modes 1 and 3 both, modes 4 and 5
  // every loop; classes spread over the faces no curve reaches (workMark).
  // Answers 0 for a face without drawn lines, 1 when split, -1 on failure
  // (reason 7: a crossing 20 nudges did not resolve or a loop of both
  // classes where the mode forbids it; 8: a face of both classes outside
  // mode 3 or a loop that cannot be cut into triangles; 1: out of memory).
  int SplitFaceByLines(MFace* face, int mode);
  void RemoveFacesWithMark(int value);
  // Faces of class 1 made or reached while the stored face list exists are
  // appended to it and carry its tag in their id.
  void PrepareLineSplit();
  void FreeStoredFaceList();
  void TidyAfterSplit();
  void ClearLineFlag08();
  void CollectFlaggedLines(PtrArray& out);
  void SetFaceCornerParams(MFace* face, bool reset);
  // The work vertex of the face for a vertex on one of its edges: the vertex
  // itself, or a copy split off when a neighbour's drawn line shares it.
  MVertex* BoundaryVertexOf(MFace* face, MVertex* x);
  void BuildFaceWorkGraph(MFace* face);
  void ConnectAttachedParts(MFace* face);
  // Crossings of drawn lines become vertices (appended to vertexOut) with
  // partners at the crossing; answers whether ends had to be nudged.
  bool IntersectAttachedLines(MFace* face, bool testOnly, PtrArray* vertexOut);
  void ClassifyFaceLoops(MLine* start, PtrArray& loopList, EngArray<int>& classList, int mode);
  void PropagateFaceClass(MFace* face, int mode, int cls);
  void CopyWorkVertexAttributes(MFace* face);
  void CopyAttachedLineAttributes(MFltabList* list);
  bool CollectRegionLoop(MLine* start, int number, PtrArray& polygon, EngArray<int>& reflex, PtrArray* loopLines);
  void FillRegion(MLine* start, int number, int cls, int mode, MShader* shader, MGroup* group,
                  const OldFaceCorners& old);
  // Ears next to reflex corners first, then a fan of the convex rest.
  void TriangulateRegion(PtrArray& polygon, EngArray<int>& reflex, int cls, int mode, MShader* shader,
                         MGroup* group, const OldFaceCorners& old);
  MFace* MakeRegionFace(MVertex* a, MVertex* b, MVertex* c, int cls, MShader* shader, MGroup* group,
                        const OldFaceCorners& old);
  static bool IsReflexCorner(int i, const PtrArray& polygon);
  // s, t of p in the basis of a's two sides to b and c (face parameters).
  static bool SolveParallelogramCoords(const MVertex* a, const MVertex* b, const MVertex* c, const MVertex* p,
                                       double& s, double& t);
  static void InterpolateFaceUVs(const OldFaceCorners& old, MFace* face);

  // ---- construction operations: modeling/MMeshObj_Construction.cpp ----------
  // A helix (p: height, end radius, start radius) of `turns` turns of
  // `segments` segments, or a wave in z = 0, as vertices joined by lines;
  // counts below 1 are refused.
  void MakeCircleVertices(const PointRecord& p, int turns, int segments);
  void MakeCircleVerticesAlt(double height, double width, int periods, int segments);
  void MakeVertexChain(int periods, int segments, PointRecord (*place)(const void*, int, int, int, int, int),
                       const void* parameters);
  // No faces (strictly: one open chain of lines).
  bool IsOpenPolyline(bool strict) const;
  // The chain's points through m, from the end nearer the reference point;
  // anything but one open chain is refused.
  void CollectPolylinePoints(const MatrixRecord& m, const PointRecord& reference, PointArray& out);
  // The selection moves from path point a - 1 to a, turned (with the flag)
  // by half the path's turns at a and a - 1 about its centre.
  void SweepSelectionStep(bool turn, int a, const PointArray& path);
  // The normal of the least-squares plane through the points, its
  // dependent component 1 (not of unit length); (0, 1, 0) for two points or
  // fewer, or when the points lie on a line.
  void FitPlaneNormal(const PointArray& points, PointRecord& normal);
  void SetMirrorPlaneFlags(bool on);
  void SetMirrorPlaneFlagsSelected(bool on);
  // Markers of the vertices drawn in window coordinates by the projection.
  void DrawVertexMarkers(const MatrixRecord& projection);
  // A point on the bisector of the corner at c between the directions to b
  // and a, no further from c than |d - c| / 1.2.
  static void CornerBisectorPoint(PointRecord& out, const PointRecord& a, const PointRecord& b, const PointRecord& c,
                                  const PointRecord& d);

  // ---- patches and the triangle fills: modeling/MMeshObj_Patches.cpp --------
  // The inner control point of an edge curve at p0 towards p1: a third of
  // the chord along the surface at p0 (straight along the chord when asked).
  static void CurveTangentPoint(PointRecord& out, const PointRecord& p0, const PointRecord& n, const PointRecord& p1,
                                bool straight);
  void BuildTrianglePatch(MFace* face, BezierPatchRecord& patch);
  void BuildQuadPatch(MFace* face, BezierPatchRecord& patch);
  // The triangular patch of the face with `line` as its current edge,
  // running forward when `from` starts that edge.
  void PatchAlongEdge(MFace* face, MLine* line, const MVertex* from, BezierPatchRecord& patch);
  // The patch of a face beside the line a-b; false when there is none.
  bool SetupPatchForEdge(MVertex* a, MVertex* b, BezierPatchRecord& patch);
  // The fills make the faces of a region from its sides' chains, keep the
  // loop direction and hide the diagonals of strip cells (quads).
  void FillTriangleOneSide(const RefillRegion& region);
  void FillTriangleTwoSides(const RefillRegion& region);
  void FillTriangleGrid(const RefillRegion& region, const BezierPatchRecord& patch, bool hideRows);
  void FillTriangleSupport(const RefillRegion& region);
  // Support labels of the region's corners and of the side points beside a
  // corner whose ring holds a lone vertex.
  void LabelSupportCorners(const RefillRegion& region);

  // ---- quad fills: modeling/MMeshObj_QuadFills.cpp ----------------------------
  void RemoveQuadFaces(MFace* face, MFace* partner);
  void FillQuadGrid(const RefillRegion& region, const BezierPatchRecord& patch);
  void FillQuadOppositeSides(const RefillRegion& region, int k);
  void FillQuadAdjacentSides(const RefillRegion& region, int k);
  void FillQuadTwoSides(const RefillRegion& region, MFace* face, MFace* partner);
  void FillQuadOneSide(const RefillRegion& region, MFace* face, MFace* partner);
  void FillPatch(const RefillRegion& region, MFace* face, MFace* partner);
  void FillQuadAsTriangles(const RefillRegion& region, MFace* face, MFace* partner);

  // ---- subdivision: modeling/MMeshObj_Subdivide.cpp ---------------------------
  // n below 2 is refused (nothing would be divided).
  void SubdivideAll(int n);
  void SubdivideSelected(int n);
  void SubdivideCore(int n, const PtrArray* faceList, const PtrArray* lineList, bool select);
  void DivideLinesOfFaces(int n, const PtrArray* faceList, const PtrArray* lineList, PtrArray& fill, int& stampOut,
                          PtrArray* pieces);
  void DivideLine(int n, MLine* line, PtrArray* pieces);
  void DivideFacedLine(int n, MLine* line);
  void DivideFreeLine(int n, MLine* line, PtrArray* pieces);
  // The edge's start corner, its division points' vertices, its end corner
  // (the end it shares with `next`).
  void EdgeChain(MLine* line, MLine* next, PtrArray& chain);
  void RefillFace(MFace* face, int stamp, PtrArray* newFaces, PtrArray* pieces);
  void RefillFaces(const PtrArray& faceList, int stamp, PtrArray* newFaces, PtrArray* pieces);
  void SelectNewElements(const PtrArray& faceList, const PtrArray& lineList);
  // The corners of the faces whose faces all are listed (inner vertices).
  void GatherFaceVertices(const PtrArray& faceList, PtrArray& out);

  // ---- support loops: modeling/MMeshObj_SupportLoops.cpp ----------------------
  // Loops of quads at `distance` beside the selected lines, whose creases
  // go; one edit step. A distance that is not positive is refused.
  void AddSupportLoops(double distance);
  void PrepareSupportSelection();
  MVertex* CollapseKeepingLabel(MLine* line, MVertex* v);
  void CollapseSupportVertices();
  void RestoreSupportQuads();
  void MarkSupportFaces(int mode);
  void MarkSupportLines(int mode);

  // ---- cutting a path across quads: modeling/MMeshObj_PathCut.cpp -----------
  // Path items: an existing vertex (vertexList) or a crossed line
  // (lineList), each with a target point. Lists of other lengths are
  // refused.
  void CutPathAcrossQuads(PtrArray& vertexList, PtrArray& lineList, PointArray& points);
  // The face touching both items (each a vertex or a line); `corner` the
  // quad corner that closes a cut from a side to the opposite side.
  MFace* FindFaceBetween(MVertex* va, MLine* la, MVertex* vb, MLine* lb, MVertex** corner);
  void CollectPathCorners(const PtrArray& vertexList, const PtrArray& lineList, PtrArray& out);
  void PlacePathVertices(const PointArray& points);
  void JoinPathVertices(const PtrArray& vertexList);
  void RestorePathQuads(const PtrArray& corners);

  // ---- texture coordinates at a vertex: modeling/MMeshObj_VertexUV.cpp ------
  // The faces around v's ring with the material and coordinates `face` has
  // at v (one side of a seam), saved for undo.
  void CollectSameUVFaces(MVertex* v, MFace* face, PtrArray& out);
  // How fast u and v change along x, y (and z while a path cut runs).
  void VertexUVGradient(MVertex* v, const PtrArray* faceList, PointRecord& uRates, PointRecord& vRates);

  // ---- surface of revolution: modeling/MMeshObj_Lathe.cpp ------------------
  // Turns a profile of lines about the z axis in n steps (half: from the
  // mirror plane over to it again); a vertex on the axis stays single and
  // becomes the apex of a fan. n below 3 (2 for a half) is refused.
  void LatheAll(int n, bool half);
  void LatheSelected(int n, bool half);
  void Lathe(int n, bool half, const PtrArray& lineList, const PtrArray& vertexList);
  // Joins the j-th vertices of the rings at both ends of each profile line;
  // the profile lines and the new lines go to `out`.
  void JoinRings(int n, int stamp, const PtrArray& lineList, const PtrArray* rings, PtrArray& out);

  // ---- mirror partners and symmetric drawings: modeling/MMeshObj_Symmetry.cpp,
  // modeling/SymmetryMatch.cpp ------------------------------------------------
  // The mean direction from partner to vertex over the paired vertices
  // ((1, 0, 0) when none is paired to another); level 0 with no pair, 1
  // below 8 paired vertices, 2 from 8 on.
  PointRecord MeasureAsymmetry(int* level) const;
  // Every pair becomes (X, m, Z) and (-X, m, Z): the drawing read as a
  // symmetric object seen from the side angle of the scene settings.
  void LiftSymmetricPairs(const PointRecord& direction);
  void DepthFromSymmetricDrawing();
  // The mirror image of a point on the line, on the line joining the ends'
  // partners, kept 5 % of its length away from the ends; null when the
  // partners or their line are missing.
  MLine* MirrorPointOnLine(MLine* line, const PointRecord& point, PointRecord* mirrored, double* parameter);
  // Every vertex loses its partner link (flag 1: the partner loses its link
  // too).
  void ClearMirrorPartners(int flag);
  // Lines joining partners are split at their middle, which lies on the
  // plane; the half at x >= 0 goes and the mesh turns to mirror mode.
  // Refused for a mesh with faces (only drawings are split so).
  void SplitLinesAtMirror();
  // From a pair, pairs the single unpaired neighbours of both as long as
  // their line counts agree.
  void PairAlongChains(MVertex* a, int passed, MVertex* b);
  // 1 when every vertex already has a partner; otherwise the search pairs
  // the vertices (and, through copy links, those of the mesh this one was
  // copied from) and answers 0.
  int AutoPairMirror();
  bool AllVerticesPaired() const;
  void LinkCopiesBack();
  void ClearVertexCopyLinks();
  void RemapPartnersToCopies();
  // Gives each vertex its node index in the id word.
  void BuildSymGraph(SymGraph& graph);
  void ApplySymGraphPairs(const SymGraph& graph);

  // ---- extrusion, moving, flattening: modeling/MMeshObj_Extrude.cpp ---------
  // Kinds: 0 by the set's offset vector, 1 that direction times the
  // distance, 2 each corner along its normal; others are refused.
  void ExtrudeFaces(const PtrArray& faceList, int kind, double distance);
  void ExtrudeLines(const PtrArray& lineList, int kind, double distance);
  void ExtrudeStoredOrFlagged(int kind, double distance);
  // Splits each vertex along its run of faces stamped `stamp` (or
  // `wallStamp`); the faces beside each new line take `wallStamp`. A split
  // makes faces again, so callers find the faces by their stamps afterwards.
  void SplitRunsAt(const PtrArray& borderVertices, int stamp, int wallStamp, bool runEndFirst, PtrArray* newLines,
                   PtrArray* newVertices);
  // The live faces carrying the stamp.
  void CollectFacesStamped(int stamp, PtrArray& out);
  void MoveVertices(int kind, double distance, const PointRecord& vector);
  // Onto the plane of unit normal n through the vertices' mean; creases of
  // lines made flat go, lines folded back become sharp.
  void Flatten(const PtrArray* vertexList, const PointRecord& n);
  void FlattenAll(bool computeNormal, const PointRecord& normal);
  void FlattenSelected(bool computeNormal, const PointRecord& normal);
  void FlattenNormal(const PtrArray& faceList, const PtrArray& vertexList, PointRecord& normal);

  // ---- smoothing and reduction: modeling/MMeshObj_Smooth.cpp ----------------
  // Types 0 to 6 (others refused) set how much a vertex keeps of itself.
  void SmoothVertices(const PtrArray& vertexList, int type);
  void SmoothFaces(const PtrArray& faceList, int type);
  void SmoothAll(int type);
  void SmoothSelected(int type);
  int CountLineEnds(const PtrArray& lineList);
  void UpdateFlatness(const PtrArray& lineList);
  void CollectCollapseCosts(const PtrArray& lineList, SortEntryArray& entries);
  bool CollapseCheapest(const PtrArray& lineList, const SortEntryArray& entries, int pass, int& remaining);
  // The ratio is the share of vertices kept; outside 0..1 it is refused.
  void ReduceLines(const PtrArray& lineList, double ratio, PtrArray* items);
  void ReduceAll(double ratio);
  void ReduceSelected(double ratio);
  void FixThinFacesOfLines(const PtrArray& lineList, double threshold, PtrArray* items);
  void ReduceFacesAll(double ratio);
  void ReduceFacesSelected(double ratio);
  // ==== end of the modelling operations ======================================

  // ---- drawing: MMeshObj_Draw.cpp, MMeshObj_DrawLines.cpp, MeshPageOutlines.cpp
  // Which passes run depends on the view: its quick-draw level, the last
  // frame's speed, the draw mode (6 the page style with its face and line
  // styles), smooth display, section lines and the renderer's kind (0 the
  // interactive OpenGL path, others the export path). Every pass puts the
  // renderer's state back as it found it and stops when a failure is
  // recorded.
  void DrawBody(QView* view, const DrawRecord& record) override;
  void CollectOverlaySegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view) override;
  void UpdateVertexNormals();
  void DrawForRenderer(QView* view, const DrawRecord& record);
  void DrawInView(QView* view, const DrawRecord& record);
  // The faces by material: smooth shading as triangles, flat shading with
  // quads as one quadrilateral, toned through the renderer's tone fill;
  // transparent faces go to the view's deferred list.
  void DrawFacesByMaterial(QView* view, const DrawRecord& record, bool tone);
  void DrawLinesChained(QView* view, const DrawRecord& record);
  void DrawLinesPlain(QView* view, const DrawRecord& record);
  void DrawLinesByCrease(QView* view, const DrawRecord& record);
  void DrawLinesByClass(QView* view, const DrawRecord& record);
  bool IsInBoneGroup();
  // A uniform cubic B-spline through the four control points, in 8 lines.
  void DrawCurveLine(QView* view, MLine* line, const PointRecord control[4]);
  void DrawCurveLines(QView* view, const DrawRecord& record);
  void DrawSectionLines(QView* view, const DrawRecord& record);
  void DrawVertexPoints(QView* view, const DrawRecord& record);
  void CollectSilhouetteSegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view);
  // Every drawn line; beyond 1000 segments only every 13th smooth inner line.
  void CollectLineSegments(LineSegArray& out, const MatrixRecord& parentMatrix, QView* view);
  static void ExtendBounds(const PointRecord& point, BoundsRecord& box);
  void ExtendBoundsByElements(const PtrArray* faceList, const PtrArray* lineList, const PtrArray* vertexList,
                              BoundsRecord& out);
  void DeferTransparentFace(QView* view, MFace* face);
  // The tone state for the view's tone values (MeshToneFill.h).
  void SetupToneLevels(QView* view);
  // The faces turned to `direction`; mode 1 stops there, other modes add the
  // untextured faces, or the faces of the material facing it most.
  void CollectFacingFaces(int mode, PtrArray* out, const PointRecord& direction);
  // Vertex output indices in the vertices' stamp words (-1 shared, -2 one
  // per corner) and the counts for a renderer with indexed output.
  void PrepareIndexedOutput(QView* view);
  void ClearVertexIndices();
  // Every vertex through the matrix (x = 0 on the mirror plane); the morphs
  // follow.
  void TransformVertices(const MatrixRecord& m);
  // The page style's ribbons of silhouettes, sharp lines and borders.
  virtual void DrawPageOutlines(QView* view, const DrawRecord& record);
  // World matrix (mirrored in the mirrored-copy pass) then the view's
  // projection.
  MatrixRecord PageOutlineMatrix(QView* view);

  // ---- picking: MMeshObj_Pick.cpp -------------------------------------------
  // The view projects the vertices once (screen x, y and depth in each
  // vertex; depth -1 behind the eye), then asks for hits. Screen points are
  // pixels; rays run from p0 to p1, in the parent's coordinates for the
  // operations of MObject and in the mesh's own for the others; a hit's
  // depth is its parameter along the ray (smaller is nearer). Tolerances:
  // lines 3 and vertices 6 pixels (|dx| + |dy|), times the engine's pick
  // and page-hit scales. Counted vertices are those not hidden whose first
  // line is not drawn on a face.
  void ProjectToScreen(const MatrixRecord& projection, int mode) override;
  MObject* PickElement(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& rayStart,
                       const PointRecord& rayEnd, double* t, bool wholeObject) override;
  MObject* PickNearest(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                       double* t, bool linesOnly) override;
  MObject* PickFace(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                    double* t, MVertex** vertex, MLine** line, MFace** face) override;
  // Appends one ElementSelection (owned by the caller) of the counted
  // vertices in the region and the lines between them whose middle is in
  // it; nothing when none is.
  void CollectInRegion(const QViewRegion* region, MObject* only, PtrArray* out) override;
  // Fits the shadow frame to the mesh's box seen along the light.
  void PrepareShadowImage(MDocObj* scene) override;
  void PaintShadowSilhouette(MDocObj* scene, platform::Image* image, int colour) override;
  void CollectByShadowMode(int mode, PtrArray* out) override;
  bool IsHitSelected(const MVertex* vertex, const MLine* line, const MFace* face);
  // The vertex, line or face under the point, by the winner rules: a
  // preferred vertex (a corner of the face or end of the line found), a
  // line of the face found, then the kinds asked for, then the nearest.
  MObject* PickAtPoint(const PointRecord& point, const PointRecord& p0, const PointRecord& p1, double* depth,
                       MVertex** vertex, MLine** line, MFace** face);
  bool IsInsideRect(const PointRecord& rectMin, const PointRecord& rectMax);
  bool MayTouchRect(const PointRecord& rectMin, const PointRecord& rectMax);
  // Whether the point lies within 5 pixels of the projected vertices' box
  // on every side; a figure answers true (its rotation rings reach past it).
  virtual bool IsNearPoint(const PointRecord& point);
  // 0 inside, 2 behind the eye or beyond one side, else 1.
  static int ClassifyTriangleInRect(const PointRecord& rectMin, const PointRecord& rectMax,
                                    const PointRecord corners[3]);
  bool EdgeHitInRect(const PointRecord& rectMin, const PointRecord& rectMax, MFace* face,
                     const PointRecord corners[3], const PointRecord& p0, const PointRecord& p1, double* depth);
  // A ray along the face's plane is no hit.
  bool CentreHitInTriangle(const PointRecord& rectMin, const PointRecord& rectMax, MFace* face,
                           const PointRecord corners[3], const PointRecord& p0, const PointRecord& p1,
                           double* depth);
  void NearestCornerAlongRay(MFace* face, const PointRecord& p0, const PointRecord& p1, double* depth);
  MFace* PickFaceInRect(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& p0,
                        const PointRecord& p1, double* depth, const PtrArray* faceList);
  MVertex* PickVertexInRect(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& p0,
                            const PointRecord& p1, double* depth);
  MFace* PickFaceAtPoint(const PointRecord& point, const PointRecord& p0, const PointRecord& p1, double* depth,
                         const PtrArray* faceList);
  // A figure adds the rotation rings of its selected bone.
  virtual MLine* PickLine(const PointRecord& point, const PointRecord& p0, const PointRecord& p1, MFace* face,
                          double* depth, bool* ofFace, const PtrArray* lineList, bool anyLine);
  MVertex* PickVertex(const PointRecord& point, const PointRecord& p0, const PointRecord& p1, MFace* face,
                      MLine* line, double* depth, bool* preferred, const PtrArray* vertexList);
  void CollectLinesInRegion(const QViewRegion* region, const PtrArray* vertexList, PtrArray* out);
  void CollectVerticesInRegion(const QViewRegion* region, PtrArray* out);
  // Floods from the vertex through lines whose stamp word is `key`,
  // giving each vertex and line met the stamp `stamp`.
  void CollectConnected(MVertex* vertex, int key, int stamp, ElementSelection* selection);
  // Cuts the selection down to the part connected to the picked element.
  void KeepConnectedSelection(const PointRecord& point, ElementSelection* selection, MVertex* vertex, MLine* line,
                              MFace* face);
  // The ray (world coordinates) against the visible faces: the nearest hit
  // ahead of the origin, its point and unit normal back in world
  // coordinates.
  bool IntersectRay(const MatrixRecord& toWorld, const MatrixRecord& toObject, const PointRecord& origin,
                    const PointRecord& direction, PointRecord* normal, PointRecord* point);

  // ---- link check: MMeshObj_Check.cpp ---------------------------------------
  // The first broken link of any live element, described with the element's
  // class and position in its list; empty when every link holds. Mode as for
  // the elements' CheckLinks, and -1 for the structure alone: every line
  // (drawn ones too), no stricter modelling invariants. Safe on damaged
  // links.
  std::string DescribeLinkFault(int mode) const;
  // For a loaded mesh: a broken link is a load failure with that text; a
  // mirror partner that does not name its vertex back is dropped.
  bool CheckLoadedLinks();

  // ==== modelling operations still to come: MMeshObj_Pending.cpp ==============
  // The scene commands call these modelling operations of the mesh. Until
  // the modelling part of the engine brings them, each one changes nothing
  // and records failure reason 41 ("not available"); answers are null, false
  // or 0.
  // The line operation of that value on the selected lines.
  void ApplyToSelectedLines(int value);
  // ==== end of the modelling operations still to come ===========================

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
  // Noted by the numbering of a mesh of kBigMesh vertices, lines and faces
  // or more: the first vertex, line and face of every kRecordChunk elements
  // in list order, so that the record writer can encode the chunks side by
  // side.
  static constexpr std::int64_t kBigMesh = 10000;
  static constexpr int kRecordChunk = 4096;
  EngArray<MItem*> recordChunkStarts;

 private:
  bool WriteElementChunks(QFile& file) const;
  // The ray from the parent's coordinates into the mesh's.
  void RayInMesh(const PointRecord& rayStart, const PointRecord& rayEnd, PointRecord& p0, PointRecord& p1);
  bool IsShownSmooth(QView* view) const;
  void DrawFacesInStyle(QView* view, const DrawRecord& record, bool toned);
  void DrawPageFaces(QView* view, const DrawRecord& record);
  void DrawPageLines(QView* view, const DrawRecord& record);
  void DrawLinePass(QView* view, const DrawRecord& record, bool altAllowed);
  void DrawAfterFaces(QView* view, const DrawRecord& record);
  // The seven step values' snapshots take the current values.
  void SnapshotStepValues();
  // The material step of ApplyTarget: with both the morph and the target
  // owning a material, and the mode absolute or the weight at least 0.5,
  // the faces take the target's (weight >= 0.5) or the morph's material, or
  // in additive mode get the target's texture blended over theirs.
  void ApplyMorphMaterial(MMorph* morph, MMorphTgt* target, double weight, int additive);
  // Shifts in place the texture of the morph's faces' main material by
  // (du × width, dv × height) texels.
  void ShiftMorphFacesTexture(MMorph* morph, double du, double dv);
  // The faces of a material equal to an earlier one move to the earlier one,
  // which the later one leaves for (saved first).
  void MergeEqualShaders();
  // Saves every vertex, then moves each by q (row vector), x = 0 on the
  // mirror plane; the morph frames follow. False, nothing moved, when
  // saving ran out of memory.
  bool SaveAndTransformVertices(const MatrixRecord& q);
  // SaveEditState, the new matrix, and the vertices moved by the difference;
  // false as SaveAndTransformVertices (the step's undo restores the matrix).
  bool ReplaceMatrixKeepingShape(const MatrixRecord& newMatrix);
};

// A face as drawing, texturing and subdivision see it: a lone triangle (3)
// or the quad it is half of (4), with the partner across the diagonal.
// lines: a quad's four outer lines in loop order (two of the face, then two
// of the partner) and the diagonal fifth, or the triangle's three lines and
// two nulls. corners: corner k of a quad is the end of outer line k not
// shared with outer line k + 1; a triangle's three corners. For each corner
// (each output may be null): its texture coordinates (zeros unless
// texturing is on and the materials have textures), its corner mode and its
// corner normal ((0, 1, 0) for a face without stored normals). A quad whose
// pieces do not fit is fatal: it can only come from a damaged mesh.
int GetQuadCorners(MFace* face, MFace** partner, MLine* lines[5], MVertex* corners[4], MFaceUV::Pair* uvs,
                   unsigned char* cornerModes, PointRecord* normals);

// The colour of the face's material, 0x00BBGGRR: the first texel of a
// uniform texture (with texturing on), else the diffuse colour's bytes.
// False for a texture of several colours.
bool MeshGetFaceShaderColour(const MFace* face, std::uint32_t& colour);

// Whether two object paths name the same object: 1 when equal; 2 when both
// contain "/tamarik/human/" and are equal once a trailing four-digit copy
// number is cut from each; else 0.
int AnimMatchObjectPath(const char* a, const char* b);

// Registers the mesh with the object factory (type 4) and lets the
// factory's clients compact the element pools; the engine start-up calls it
// once.
void InstallMeshObjectServices();

}  // namespace engine
