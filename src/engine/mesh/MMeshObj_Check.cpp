// Mesh object: the link check of every live element.
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

bool MMeshObj::CheckLoadedLinks() {
  const std::string fault = DescribeLinkFault(-1);
  if (fault.empty()) return true;
  EngRecordLoadFailure("mesh with broken links: " + fault);
  return false;
}

}  // namespace engine
