// The container structure the page renderer walks.
#include <algorithm>
#include <unordered_map>

#include "page/SView_Internal.h"

namespace page::view_detail {

SObj* ParentOf(const SDoc& doc, const SObj& object) {
  if (object.parentId < 0 || object.parentId == object.id) return nullptr;
  return doc.FindObjectById(object.parentId);
}

std::vector<int> MemberRangeEnds(const SDoc& doc) {
  const int count = doc.GetObjectCount();
  std::unordered_map<int, int> indexOfId;
  for (int i = 0; i < count; ++i) indexOfId.emplace(doc.GetObject(i)->id, i);
  std::vector<int> ends(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) ends[static_cast<std::size_t>(i)] = i;
  // Every object extends the ranges of all its containers; a damaged chain
  // (a loop) stops after as many steps as there are objects.
  for (int j = 0; j < count; ++j) {
    int parent = doc.GetObject(j)->parentId;
    for (int depth = 0; depth < count && parent >= 0; ++depth) {
      const auto found = indexOfId.find(parent);
      if (found == indexOfId.end()) break;
      int& end = ends[static_cast<std::size_t>(found->second)];
      end = std::max(end, j);
      parent = doc.GetObject(found->second)->parentId;
    }
  }
  return ends;
}

SObj* PanelFrameOf(const SDoc& doc, SObj& object) {
  SObj* walk = &object;
  for (int depth = 0; walk != nullptr && depth <= doc.GetObjectCount(); ++depth) {
    if (walk->IsFrame()) return walk;
    walk = ParentOf(doc, *walk);
  }
  return nullptr;
}

int SelectionMark(const SDoc& doc, const SObj& object) {
  if (!object.IsSelected()) return 0;
  const SObj* outermostGroup = nullptr;
  const SObj* walk = ParentOf(doc, object);
  for (int depth = 0; walk != nullptr && depth < doc.GetObjectCount(); ++depth, walk = ParentOf(doc, *walk))
    if (walk->flags & kObjGroup) outermostGroup = walk;
  if (outermostGroup == nullptr) return 1;
  return outermostGroup->IsSelected() ? 2 : 3;
}

}  // namespace page::view_detail
