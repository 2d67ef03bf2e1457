#pragma once
// A named shape key of one mesh: the mesh keeps its morphs in a list of its
// own. Here is what the mesh's copy, transforms and undo step need of a
// morph: its name, its frame transform with the saved copy the undo step
// swaps, and its order number. The vertex entries, targets, records and
// the operations that apply them extend this class.
#include "engine/core/EngGeometry.h"
#include "engine/mesh/MItem.h"

namespace engine {

class MMorph : public MElement<MMorph> {
 public:
  static constexpr int kNameSize = 256;

  MMorph();

  void CopyTo(MMorph* target) const;
  // A copy with index -1; null (failure recorded) when memory runs out.
  MMorph* Clone();
  // After a mesh copy: references to the source mesh's elements replaced
  // by their copies.
  void RemapToCopies() {}

  // frame := frame followed by t (the mesh moved its vertices by t).
  void AppendTransform(const MatrixRecord& t);
  // savedFrame := frame, when the mesh opens an edit step.
  void SaveTransform() { savedFrame = frame; }
  // frame and savedFrame change places, when a step is undone or redone.
  void SwapSavedTransform();

  char name[kNameSize];
  MatrixRecord frame;
  MatrixRecord frameInverse;
  MatrixRecord savedFrame;
  double textureOffsetU = 0;
  double textureOffsetV = 0;
  int index = -1;
};

}  // namespace engine
