// Mesh object: the element factories. The class constructors do the
// topology; a factory ties the new element to this mesh (its removed holder,
// the head of its live list) and reports running out of memory.
#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

bool AlreadyFailed() { return EngContext().failState == kEngFailFailed; }

// An element whose storage could not be had.
template <class T>
T* OutOfMemory() {
  EngRecordFailure(kEngReasonOutOfMemory);
  return nullptr;
}

}  // namespace

MVertex* MMeshObj::NewVertex() { return AddVertex({0, 0, 0}); }

MVertex* MMeshObj::AddVertex(const PointRecord& position) {
  if (AlreadyFailed()) return nullptr;
  MVertex* v = new (std::nothrow) MVertex(position, &removedVertices);
  if (v == nullptr) return OutOfMemory<MVertex>();
  vertices.Add(v);
  return v;
}

MVertex* MMeshObj::AddVertexCopy(MVertex* source) {
  MVertex* v = AddVertex(source->position);
  if (v == nullptr) return nullptr;
  source->CopyAttributesTo(v);
  source->JoinRing(v);
  return v;
}

MLine* MMeshObj::NewLine() {
  if (AlreadyFailed()) return nullptr;
  MLine* line = new (std::nothrow) MLine(&removedLines);
  if (line == nullptr) return OutOfMemory<MLine>();
  lines.Add(line);
  return line;
}

MLine* MMeshObj::AddLine(MVertex* from, MVertex* to, MLine* next0, MLine* prev0, MLine* prev1, MLine* next1) {
  if (AlreadyFailed()) return nullptr;
  MLine* line = new (std::nothrow) MLine(from, to, next0, prev0, prev1, next1, &removedLines);
  if (line == nullptr) return OutOfMemory<MLine>();
  lines.Add(line);
  return line;
}

MLine* MMeshObj::AddLineOnFace(MVertex* from, MVertex* to, MLine* next0, MLine* prev0, MLine* prev1, MLine* next1,
                               MFace* face) {
  MLine* line = AddLine(from, to, next0, prev0, prev1, next1);
  // The line stays even when its entry cannot be made; the failure says so.
  if (line != nullptr) face->AddFltab(line, nullptr);
  return line;
}

MLine* MMeshObj::SplitLineAtVertex(MVertex* q, MLine* p) {
  if (AlreadyFailed()) return nullptr;
  MLine* line = new (std::nothrow) MLine(q, p, &removedLines);
  if (line == nullptr) return OutOfMemory<MLine>();
  if (AlreadyFailed()) {
    delete line;  // a conflict left it unlinked and changed nothing else
    return nullptr;
  }
  lines.Add(line);
  return line;
}

MFace* MMeshObj::NewFace() {
  if (AlreadyFailed()) return nullptr;
  MFace* face = new (std::nothrow) MFace(&removedFaces);
  if (face == nullptr) return OutOfMemory<MFace>();
  faces.Add(face);
  MarkChanged();
  return face;
}

MFace* MMeshObj::AddFace(MVertex* c0, MVertex* c1, MVertex* c2, MShader* shader) {
  if (AlreadyFailed()) return nullptr;
  MLine* created[3];
  MFace* face = new (std::nothrow) MFace(c0, c1, c2, created, shader, &removedFaces);
  if (face == nullptr) return OutOfMemory<MFace>();
  if (AlreadyFailed()) {
    delete face;  // the constructor refused before it changed anything
    return nullptr;
  }
  faces.Add(face);
  MarkChanged();
  for (MLine* line : created) {
    if (line == nullptr) break;
    line->holder = &removedLines;
    lines.Add(line);
  }
  return face;
}

MFace* MMeshObj::AddFaceFromLines(MLine* const faceLines[3], MShader* shader) {
  if (AlreadyFailed()) return nullptr;
  MFace* face = new (std::nothrow) MFace(faceLines, shader, &removedFaces);
  if (face == nullptr) return OutOfMemory<MFace>();
  if (AlreadyFailed()) {
    delete face;
    return nullptr;
  }
  faces.Add(face);
  MarkChanged();
  return face;
}

namespace {

// Groups and materials are linked only when no failure at all is recorded.
template <class T>
T* LinkWhenNothingFailed(MItemList<T>& live, MItemList<T>& removed) {
  T* element = new (std::nothrow) T(&removed);
  if (element == nullptr) return OutOfMemory<T>();
  if (EngContext().failState != kEngFailNone) {
    delete element;
    return nullptr;
  }
  live.Add(element);
  return element;
}

}  // namespace

MGroup* MMeshObj::AddGroup() { return LinkWhenNothingFailed(groups, removedGroups); }

MShader* MMeshObj::AddShader() { return LinkWhenNothingFailed(shaders, removedShaders); }

}  // namespace engine
