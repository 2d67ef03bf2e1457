// Mesh object: life cycle, copy, numbering and the small accessors.
#include "engine/mesh/MMeshObj.h"

#include <type_traits>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"
#include "engine/core/ObjectFactory.h"
#include "engine/mesh/ElementPool.h"
#include "engine/mesh/MMetaSurf.h"

namespace engine {

void MeshUndoEntry::Free() {
  for (ElementStateRecord** table : {&vertexStates, &lineStates, &faceStates, &shaderStates, &groupStates}) {
    EngFree(*table);
    *table = nullptr;
  }
  vertexStateCount = lineStateCount = faceStateCount = shaderStateCount = groupStateCount = 0;
  delete vertexHolder;
  delete lineHolder;
  delete faceHolder;
  delete shaderHolder;
  delete groupHolder;
  vertexHolder = nullptr;
  lineHolder = nullptr;
  faceHolder = nullptr;
  shaderHolder = nullptr;
  groupHolder = nullptr;
}

MMeshObj::MMeshObj() {
  typeCode = kObjectMesh;
  smoothSurface = new (std::nothrow) MMetaSurf(this);
  if (smoothSurface == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  AllocateUndoRing();
}

MMeshObj::~MMeshObj() {
  // The current material must not keep pointing into a freed mesh.
  CRGlobalM& store = EngGlobalM();
  if (store.lastMesh == this) store.ForgetCurrentShader();
  lines.Clear();
  vertices.Clear();
  faces.Clear();
  shaders.Clear();
  groups.Clear();
  delete workList;
  for (PtrArray* list : {creaseLineList, loneVertexList, pathLineList, pathVertexList}) delete list;
  removedVertices.Clear();
  removedLines.Clear();
  removedFaces.Clear();
  removedShaders.Clear();
  removedGroups.Clear();
  delete smoothSurface;
  morphs.Clear();
  for (MeshUndoEntry& entry : undoRing) entry.Free();
}

// ---- copying ----------------------------------------------------------------------

namespace {

// Clones every element of `from` in list order to the head of `to`; false
// at the first failure.
template <class T>
bool CloneList(const MItemList<T>& from, MItemList<T>& to, MMeshObj* target) {
  for (T* element : from) {
    T* clone = element->Clone();
    if (clone == nullptr || EngContext().failState == kEngFailFailed) {
      delete clone;
      return false;
    }
    to.Add(clone);
    if constexpr (std::is_same_v<T, MFace>) target->MarkChanged();
  }
  return true;
}

// After cloning: references to the source's elements become references to
// their clones, and each clone's holder is the target's.
template <class T>
void RemapList(MItemList<T>& list, MItemList<T>& holder) {
  for (T* element : list) {
    element->RemapRefs();
    element->holder = &holder;
  }
}

}  // namespace

void MMeshObj::CopyTo(MObject* target) {
  MObject::CopyTo(target);
  MMeshObj* mesh = static_cast<MMeshObj*>(target);
  if (!CloneList(faces, mesh->faces, mesh) || !CloneList(vertices, mesh->vertices, mesh) ||
      !CloneList(lines, mesh->lines, mesh) || !CloneList(shaders, mesh->shaders, mesh) ||
      !CloneList(groups, mesh->groups, mesh))
    return;
  for (MMorph* morph : morphs) {
    MMorph* clone = morph->Clone();
    if (clone == nullptr) return;
    mesh->AddMorph(clone);
  }
  mesh->mirrorMode = mirrorMode;
  mesh->tolerance = tolerance;
  mesh->visitStamp = visitStamp;
  mesh->smoothDisplay = smoothDisplay;
  mesh->pageLineStyle = pageLineStyle;
  RemapList(mesh->vertices, mesh->removedVertices);
  RemapList(mesh->lines, mesh->removedLines);
  RemapList(mesh->faces, mesh->removedFaces);
  RemapList(mesh->groups, mesh->removedGroups);
  for (MShader* shader : mesh->shaders) shader->holder = &mesh->removedShaders;
  for (MMorph* morph : mesh->morphs) morph->RemapToCopies();
  // Clones went to the head: turning the lists round restores the order.
  mesh->vertices.Reverse();
  mesh->lines.Reverse();
  mesh->faces.Reverse();
  mesh->shaders.Reverse();
  mesh->groups.Reverse();
}

MObject* MMeshObj::Clone() { return FinishClone(new (std::nothrow) MMeshObj()); }

// ---- numbering ----------------------------------------------------------------------

namespace {

// Numbers the elements in list order; with `starts`, also notes every
// chunk's first element there (dropping them all when memory runs short).
template <class T>
int NumberList(MItemList<T>& list, EngArray<MItem*>* starts = nullptr) {
  if (starts != nullptr && !starts->Reserve(starts->count + list.count / MMeshObj::kRecordChunk + 1)) {
    starts->RemoveAll();
    starts = nullptr;
  }
  int n = 0;
  for (T* element : list) {
    if (starts != nullptr && n % MMeshObj::kRecordChunk == 0 && !starts->Add(element)) {
      starts->RemoveAll();
      starts = nullptr;
    }
    element->id = n++;
  }
  return n;
}

template <class T>
void ClearNumbers(MItemList<T>& list) {
  for (T* element : list) element->id = 0;
}

}  // namespace

void MMeshObj::AssignIndex(int& counter) {
  index = counter++;
  recordChunkStarts.RemoveAll();
  // The lists' counts never fall on unlinking: enough to tell a big mesh.
  EngArray<MItem*>* starts =
      std::int64_t{vertices.count} + lines.count + faces.count >= kBigMesh ? &recordChunkStarts : nullptr;
  vertexCount = NumberList(vertices, starts);
  lineCount = NumberList(lines, starts);
  faceCount = NumberList(faces, starts);
  shaderCount = NumberList(shaders);
  groupCount = NumberList(groups);
  morphCount = NumberList(morphs);
  // Stamps handed out later never equal an element number.
  SetVisitStamp(vertexCount + lineCount + faceCount + shaderCount + groupCount + 1);
}

void MMeshObj::SetIndex(int value) {
  index = value;
  recordChunkStarts.RemoveAll();
  ClearNumbers(vertices);
  ClearNumbers(lines);
  ClearNumbers(faces);
  ClearNumbers(shaders);
  ClearNumbers(groups);
  ClearNumbers(morphs);
  SetVisitStamp(1);
}

// ---- accessors --------------------------------------------------------------------

void MMeshObj::CollectFaces(PtrArray& out) const {
  for (MFace* face : faces) {
    if (!out.Add(face)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MMeshObj::CountElements(int& vertexTotal, int& lineTotal, int& faceTotal, int& drawnLineTotal) const {
  vertexTotal = vertices.Length();
  lineTotal = lines.Length();
  faceTotal = 0;
  drawnLineTotal = 0;
  for (MFace* face : faces) {
    ++faceTotal;
    drawnLineTotal += face->CountFltabs();
  }
}

int MMeshObj::IsFaceDegenerate(const MFace* face) const {
  MVertex* corners[3];
  face->GetVertices(corners);
  return IsDegenerate(corners[0], corners[1], corners[2], 0, 0.0);
}

namespace {

MObject* NewMesh() { return new (std::nothrow) MMeshObj(); }

}  // namespace

void InstallMeshObjectServices() {
  RegisterObjectCreator(kObjectMesh, NewMesh);
  SetElementPoolCompactor(EngCompactElementPools);
}

}  // namespace engine
