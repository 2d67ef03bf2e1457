#pragma once
// The smooth subdivision surface of a mesh, derived from the mesh (its
// control mesh). Every mesh owns one from construction to destruction. The
// levels, arrays and the build itself extend this class.
#include "engine/core/EngAlloc.h"
#include "engine/core/QView.h"

namespace engine {

class MMeshObj;

class MMetaSurf : public EngHeapObject {
 public:
  explicit MMetaSurf(MMeshObj* owner) : mesh(owner) {}
  MMetaSurf(const MMetaSurf&) = delete;
  MMetaSurf& operator=(const MMetaSurf&) = delete;

  // A sharp control vertex or edge keeps at least sharpness 1 for three
  // levels.
  double fullCreaseSharpness = 3.01;
  MMeshObj* mesh;
  // Set while a build must record which control element each surface
  // element comes from.
  unsigned char trackSources = 0;
  int segmentsPerEdge = 0;

  // ---- drawing ----------------------------------------------------------------
  // The face pass (toned for the page style's tone fill), the section lines
  // and the page style's ribbon outlines of the built surface; nothing
  // when it has not been built.
  void DrawFaces(QView* view, const DrawRecord& record, bool toned);
  void DrawSectionLines(QView* view, const DrawRecord& record);
  void DrawPageOutlines(QView* view, const DrawRecord& record);
};

}  // namespace engine
