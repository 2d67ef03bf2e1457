#pragma once
// Helpers shared by the topic files of SDoc (private to the page library).
#include "page/SDoc.h"

namespace page {

template <typename Visit>
SObj* SDoc::WalkParents(const SObj* object, Visit&& visit) const {
  if (object == nullptr) return nullptr;
  // Parents come before their members in the list, so a chain is never
  // longer than the list; the bound only guards against a broken one.
  int steps = GetObjectCount();
  for (SObj* parent = FindObjectById(object->parentId); parent != nullptr && steps-- > 0;
       parent = FindObjectById(parent->parentId)) {
    if (visit(parent)) return parent;
  }
  return nullptr;
}

inline bool IsGroupObject(const SObj& object) { return (object.flags & kObjGroup) != 0; }
inline bool IsContainer(const SObj& object) { return (object.flags & kObjContainer) != 0; }

}  // namespace page
