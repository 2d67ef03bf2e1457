// Mesh object: opening an edit step, setting up the undo ring, and the morph
// frames that follow the step. Storing, exchanging and travelling steps
// extend this file's topic.
#include "engine/mesh/MMeshObj.h"

namespace engine {

void MMeshObj::SaveEditState() {
  if (editState == kEditMeshStep || editState == kEditCreated) return;
  if (editState != kEditTransformSaved) MObject::SaveUndo();
  SaveMorphTransforms();
  savedMirrorMode = mirrorMode;
  savedVertexSelectionCache = vertexSelectionCache;
  savedLineSelectionCache = lineSelectionCache;
  savedFaceSelectionCache = faceSelectionCache;
  savedVisitStamp = visitStamp;
  savedSmoothDisplay = smoothDisplay;
  savedPageLineStyle = pageLineStyle;
  editState = kEditMeshStep;
}

void MMeshObj::AllocateUndoRing() {
  for (MeshUndoEntry& entry : undoRing) entry.Free();
  backCount = 0;
  forwardCount = 0;
  const int depth = EngContext().undoDepth;
  undoDepth = depth < 1 ? 1 : depth > kUndoRingSize ? kUndoRingSize : depth;
  ringPos = undoDepth - 1;
  undoDirection = 0;
  for (int i = 0; i < undoDepth; ++i) {
    MeshUndoEntry& entry = undoRing[i];
    entry.vertexHolder = new (std::nothrow) MItemList<MVertex>();
    entry.lineHolder = new (std::nothrow) MItemList<MLine>();
    entry.faceHolder = new (std::nothrow) MItemList<MFace>();
    entry.shaderHolder = new (std::nothrow) MItemList<MShader>();
    entry.groupHolder = new (std::nothrow) MItemList<MGroup>();
    if (entry.vertexHolder == nullptr || entry.lineHolder == nullptr || entry.faceHolder == nullptr ||
        entry.shaderHolder == nullptr || entry.groupHolder == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MMeshObj::AddMorph(MMorph* morph) {
  morphs.Add(morph);
}

void MMeshObj::TransformMorphs(const MatrixRecord& m) {
  for (MMorph* morph : morphs) morph->AppendTransform(m);
}

void MMeshObj::SaveMorphTransforms() {
  for (MMorph* morph : morphs) {
    if (EngContext().failState != kEngFailNone) return;
    morph->SaveTransform();
  }
}

void MMeshObj::SwapMorphTransforms() {
  for (MMorph* morph : morphs) morph->SwapSavedTransform();
}

}  // namespace engine
