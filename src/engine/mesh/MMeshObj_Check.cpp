// Mesh object: the link check of every live element.
#include <cstdint>
#include <string>

#include "engine/core/RecordReading.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

// The first fault of a list, named by class and position.
template <class T>
std::string FirstFault(const MItemList<T>& list, const char* kind, int mode) {
  int n = 0;
  for (const T* element : list) {
    if (const char* fault = element->DescribeLinkFault(mode))
      return std::string(kind) + " " + std::to_string(n) + ": " + fault;
    ++n;
  }
  return {};
}

}  // namespace

std::string MMeshObj::DescribeLinkFault(int mode) const {
  // Lines first: the vertex and face checks walk the wings they vouch for.
  std::string fault = FirstFault(lines, "line", mode);
  if (fault.empty()) fault = FirstFault(vertices, "vertex", mode);
  if (fault.empty()) fault = FirstFault(faces, "face", mode);
  return fault;
}

namespace {

// The links each element vouches for can all hold while a line still hangs
// at a vertex outside the vertex's cycle, or names a face whose loop does
// not run along it; removing it later would leave pointers to freed
// elements. Counting closes the gap: every line end must be one of the
// lines the vertices' walks met, and every face side one of the sides the
// faces' loops hold.
std::string DescribeIncidenceFault(const MMeshObj& mesh) {
  std::int64_t lineEnds = 0;
  std::int64_t faceSides = 0;
  for (const MLine* line : mesh.lines) {
    lineEnds += 2;
    faceSides += (line->forwardFace != nullptr ? 1 : 0) + (line->backwardFace != nullptr ? 1 : 0);
  }
  std::int64_t counted = 0;
  for (const MVertex* v : mesh.vertices) counted += v->lineCount;
  if (counted != lineEnds) return "a line ends at a vertex whose lines do not include it";
  if (faceSides != 3 * std::int64_t{mesh.faces.Length()}) return "a line names a face whose loop does not run along it";
  return {};
}

}  // namespace

bool MMeshObj::CheckLoadedLinks() {
  std::string fault = DescribeLinkFault(-1);
  if (fault.empty()) fault = DescribeIncidenceFault(*this);
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
