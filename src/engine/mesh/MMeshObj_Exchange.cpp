// Mesh object: undoing and redoing an edit step by exchanging it between the
// live lists and the removed holders.
//
// During a step the removed holder of a class collects removed elements
// (state 2, or 6 when they were created in the step too) and saved copies
// (state 5, copy link on the live element they were saved from, which is in
// state 5 as well). One exchange turns the step round:
//   - elements created and removed in the step are gone for good;
//   - an element changed and then removed gets its contents as of the
//     checkpoint back from its saved copy, which goes;
//   - removed elements become live (as created, state 1) and created ones
//     removed (state 2);
//   - each changed element and its saved copy trade contents.
// A second exchange gives the edited state back. The live elements stay the
// same objects throughout, so whatever points to them from outside (morph
// entries, a figure's bones) stays good.
#include <utility>

#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

// ---- exchanging the contents of two elements of a class ---------------------
// The contents go through a temporary element with the class's own CopyTo.
// Blocks an element owns (a face's side blocks and drawn-line list, a
// material's images) trade owners instead of being copied, so an exchange
// never allocates and cannot fail half-way.

// Each element keeps its own header (number, state, copy link).
template <class T>
void CopyThroughTemporary(T* a, T* b) {
  const int idA = a->id, stateA = a->state, idB = b->id, stateB = b->state;
  MItem* const copyA = a->copy;
  MItem* const copyB = b->copy;
  T temporary;
  a->CopyTo(&temporary);
  b->CopyTo(a);
  temporary.CopyTo(b);
  a->id = idA;
  a->state = stateA;
  a->copy = copyA;
  b->id = idB;
  b->state = stateB;
  b->copy = copyB;
}

void ExchangeContents(MVertex* a, MVertex* b) { CopyThroughTemporary(a, b); }
void ExchangeContents(MLine* a, MLine* b) { CopyThroughTemporary(a, b); }
void ExchangeContents(MGroup* a, MGroup* b) { CopyThroughTemporary(a, b); }

struct FaceBlocks {
  MFaceUV* uv;
  MFaceNormals* normals;
  MFltabList* fltabList;
};

FaceBlocks TakeBlocks(MFace* face) {
  const FaceBlocks blocks{face->uv, face->normals, face->fltabList};
  face->uv = nullptr;
  face->normals = nullptr;
  face->fltabList = nullptr;
  return blocks;
}

void GiveBlocks(MFace* face, const FaceBlocks& blocks) {
  face->uv = blocks.uv;
  face->normals = blocks.normals;
  face->fltabList = blocks.fltabList;
}

void ExchangeContents(MFace* a, MFace* b) {
  const FaceBlocks fromA = TakeBlocks(a);
  const FaceBlocks fromB = TakeBlocks(b);
  CopyThroughTemporary(a, b);
  GiveBlocks(a, fromB);
  GiveBlocks(b, fromA);
}

struct ShaderImages {
  RgbaImageRecord texture;
  unsigned char* storedTextureBytes;
  unsigned char* storedMaskBytes;
  int storedTextureSize;
  int storedMaskSize;
  unsigned char* extraImage;
  int extraCount;
  int extraStride;
};

ShaderImages TakeImages(MShader* s) {
  const ShaderImages images{s->texture,         s->storedTextureBytes, s->storedMaskBytes, s->storedTextureSize,
                            s->storedMaskSize, s->extraImage,         s->extraCount,      s->extraStride};
  s->texture = RgbaImageRecord{};
  s->storedTextureBytes = s->storedMaskBytes = nullptr;
  s->storedTextureSize = s->storedMaskSize = 0;
  s->extraImage = nullptr;
  s->extraCount = s->extraStride = 0;
  return images;
}

void GiveImages(MShader* s, const ShaderImages& images) {
  s->texture = images.texture;
  s->storedTextureBytes = images.storedTextureBytes;
  s->storedMaskBytes = images.storedMaskBytes;
  s->storedTextureSize = images.storedTextureSize;
  s->storedMaskSize = images.storedMaskSize;
  s->extraImage = images.extraImage;
  s->extraCount = images.extraCount;
  s->extraStride = images.extraStride;
}

void ExchangeContents(MShader* a, MShader* b) {
  const ShaderImages fromA = TakeImages(a);
  const ShaderImages fromB = TakeImages(b);
  CopyThroughTemporary(a, b);
  GiveImages(a, fromB);
  GiveImages(b, fromA);
}

// ---- the exchange of one class -------------------------------------------------

// Calls f on every element of the list; f may unlink or delete the element.
template <class T, class F>
void ForEachElement(MItemList<T>& list, F f) {
  MItem* e = list.sentinel.next;
  while (e != nullptr) {
    MItem* const following = e->next;
    f(static_cast<T*>(e));
    e = following;
  }
}

template <class T>
void MoveToHead(T* element, MItemList<T>& to) {
  element->Unlink();
  to.Add(element);
}

template <class T>
void ExchangeClass(MItemList<T>& live, MItemList<T>& removed, bool othersAllowed) {
  // 1. Created and removed in this step: gone for good.
  ForEachElement(removed, [](T* e) {
    if (e->state != kItemCreatedRemoved) return;
    e->Unlink();
    delete e;
  });
  // 2. Changed, then removed: the removed element takes back its contents
  // as of the checkpoint, and its saved copy goes. Only saved copies are
  // followed: a removed element's copy link may be left over from a copy of
  // the whole mesh.
  ForEachElement(removed, [](T* c) {
    if (c->state != kItemSaved) return;
    T* e = c->Copy();
    if (e == nullptr || e->state != kItemRemoved) return;
    ExchangeContents(c, e);
    e->copy = nullptr;
    c->Unlink();
    delete c;
  });
  // 3. Removed elements come back; created ones go.
  ForEachElement(removed, [&](T* e) {
    if (e->state == kItemRemoved) MoveToHead(e, live);
  });
  ForEachElement(live, [&](T* e) {
    if (e->state == kItemCreated) MoveToHead(e, removed);
  });
  // 4. The roles change with them.
  for (T* e : live)
    if (e->state == kItemRemoved) e->state = kItemCreated;
  for (T* e : removed) {
    if (e->state != kItemCreated) continue;
    e->state = kItemRemoved;
    e->copy = nullptr;
  }
  // 5. Nothing else may be left in the holder.
  if (!othersAllowed)
    for (T* e : removed) ENG_FATAL_IF(e->state != kItemRemoved && e->state != kItemSaved);
  // 6. Each changed element trades contents with its saved copy.
  for (T* c : removed) {
    if (c->state != kItemSaved) continue;
    T* e = c->Copy();
    ENG_FATAL_IF(e == nullptr || e->state != kItemSaved);
    ExchangeContents(c, e);
    c->copy = e;
  }
}

}  // namespace

void MMeshObj::ExchangeGroups(MItemList<MGroup>& live, MItemList<MGroup>& removed) {
  ExchangeClass(live, removed, false);
}

void MMeshObj::ExchangeShaders(MItemList<MShader>& live, MItemList<MShader>& removed) {
  ExchangeClass(live, removed, false);
}

void MMeshObj::ExchangeVertices(MItemList<MVertex>& live, MItemList<MVertex>& removed) {
  // Vertices created and removed in the step are deleted by the exchange:
  // no morph may keep one.
  for (MMorph* morph : morphs)
    for (int i = 0; i < morph->entries.count; ++i) {
      MorphVertexEntry& entry = morph->entries[i];
      if (entry.vertex != nullptr && entry.vertex->state == kItemCreatedRemoved) entry.vertex = nullptr;
    }
  ExchangeClass(live, removed, true);
}

void MMeshObj::ExchangeLines(MItemList<MLine>& live, MItemList<MLine>& removed) {
  ExchangeClass(live, removed, false);
}

void MMeshObj::ExchangeFaces(MItemList<MFace>& live, MItemList<MFace>& removed) {
  ExchangeClass(live, removed, false);
}

void MMeshObj::RelinkFaceLineLists() {
  for (MFace* face : faces) {
    if (face->fltabList == nullptr) continue;
    for (MFltab* entry : *face->fltabList)
      if (entry->line != nullptr) entry->line->fltabEntry = entry;
  }
}

void MMeshObj::ExchangeUndoStep(int redo) {
  // The current step is already undone (or redone): travel to the next one.
  if (redo != 0 && undoDirection == 0 && !TravelStep(1)) return;
  if (redo == 0 && undoDirection == 1 && !TravelStep(0)) return;
  ExchangeGroups(groups, removedGroups);
  ExchangeShaders(shaders, removedShaders);
  ExchangeVertices(vertices, removedVertices);
  ExchangeLines(lines, removedLines);
  ExchangeFaces(faces, removedFaces);
  RelinkFaceLineLists();
  std::swap(mirrorMode, savedMirrorMode);
  std::swap(smoothDisplay, savedSmoothDisplay);
  std::swap(pageLineStyle, savedPageLineStyle);
  for (auto [cache, saved] : {std::pair{&vertexSelectionCache, &savedVertexSelectionCache},
                              std::pair{&lineSelectionCache, &savedLineSelectionCache},
                              std::pair{&faceSelectionCache, &savedFaceSelectionCache}}) {
    const int current = *cache;
    *cache = *saved;
    *saved = current != 0 ? 1 : 0;
  }
  // Never lowered: a later stamp must not meet an old mark.
  if (savedVisitStamp > visitStamp) visitStamp = savedVisitStamp;
  MObject::SwapUndo();
  SwapMorphTransforms();
  SetUndoDirection(redo != 0 ? 0 : 1);
}

}  // namespace engine
