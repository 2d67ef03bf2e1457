// Mesh object: the link check of every live element.
#include <cstdint>
#include <string>

#include "engine/core/RecordReading.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

// The first fault of a list, named by class and position; `count` sees
// every element checked, so a check that also counts makes one pass.
template <class T, class Count>
std::string FirstFault(const MItemList<T>& list, const char* kind, int mode, Count count) {
  int n = 0;
  for (const T* element : list) {
    if (const char* fault = element->DescribeLinkFault(mode))
      return std::string(kind) + " " + std::to_string(n) + ": " + fault;
    count(element);
    ++n;
  }
  return {};
}

template <class T>
std::string FirstFault(const MItemList<T>& list, const char* kind, int mode) {
  return FirstFault(list, kind, mode, [](const T*) {});
}

}  // namespace

std::string MMeshObj::DescribeLinkFault(int mode) const {
  // Lines first: the vertex and face checks walk the wings they vouch for.
  std::string fault = FirstFault(lines, "line", mode);
  if (fault.empty()) fault = FirstFault(vertices, "vertex", mode);
  if (fault.empty()) fault = FirstFault(faces, "face", mode);
  return fault;
}

// The links each element vouches for can all hold while a line still hangs
// at a vertex outside the vertex's cycle, or names a face whose loop does
// not run along it; removing it later would leave pointers to freed
// elements. Counting closes the gap: every line end must be one of the
// lines the vertices' walks met, and every face side one of the sides the
// faces' loops hold. The counts are taken in the passes of the link check.
bool MMeshObj::CheckLoadedLinks() {
  std::int64_t lineEnds = 0;
  std::int64_t faceSides = 0;
  std::int64_t counted = 0;
  // Lines first: the vertex and face checks walk the wings they vouch for.
  std::string fault = FirstFault(lines, "line", -1, [&](const MLine* line) {
    lineEnds += 2;
    faceSides += (line->forwardFace != nullptr ? 1 : 0) + (line->backwardFace != nullptr ? 1 : 0);
  });
  if (fault.empty()) fault = FirstFault(vertices, "vertex", -1, [&](const MVertex* v) { counted += v->lineCount; });
  if (fault.empty()) fault = FirstFault(faces, "face", -1);
  if (fault.empty() && counted != lineEnds) fault = "a line ends at a vertex whose lines do not include it";
  if (fault.empty() && faceSides != 3 * std::int64_t{faces.Length()})
    fault = "a line names a face whose loop does not run along it";
  if (!fault.empty()) {
    EngRecordLoadFailure("mesh with broken links: " + fault);
    return false;
  }
  // A mirror partner that does not name its vertex back (only a damaged
  // file holds one) is dropped: mirrored edits would move one side of the
  // pair and not the other. The loader checked that it is one of the mesh's
  // vertices.
  for (MVertex* v : vertices)
    if (v->mirrorPartner != nullptr && v->mirrorPartner->mirrorPartner != v) v->mirrorPartner = nullptr;
  return true;
}

}  // namespace engine
