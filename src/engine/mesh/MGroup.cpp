#include "engine/mesh/MGroup.h"

#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {

void MGroup::Init(MItemList<MGroup>* groupHolder) {
  parent = nullptr;
  parentIndex = 0;
  holder = groupHolder;
}

void MGroup::CopyTo(MGroup* target) const {
  CopyHeaderTo(target);
  target->parent = parent;
  target->parentIndex = parentIndex;
  target->holder = holder;
}

void MGroup::RemapRefs() {
  if (parent != nullptr) parent = parent->Copy();
}

MGroup* MGroup::GetRoot() {
  // Two walkers, one twice as fast: they meet only on a cycle.
  MGroup* slow = this;
  MGroup* fast = this;
  while (fast->parent != nullptr) {
    fast = fast->parent;
    if (fast->parent == nullptr) break;
    fast = fast->parent;
    slow = slow->parent;
    if (slow == fast) return this;
  }
  return fast;
}

bool MGroup::ReadFrom(QFile& file) {
  if (EngContext().failState == kEngFailFailed) return false;
  std::int32_t ownNumber = 0;
  file.ReadInt(ownNumber);
  file.ReadInt(parentIndex);
  return EngCheckNotTruncated(file, "group record") && ReadRecordExtension(file, "group record");
}

bool MGroup::ResolveIndices(const MeshElementTables& tables) {
  const bool inTable = parentIndex >= 0 && parentIndex < tables.groups.count;
  parent = inTable ? tables.groups[parentIndex] : nullptr;
  if (parent == this) parent = nullptr;
  return true;
}

void MGroup::BreakParentCycles(const EngArray<MGroup*>& groups) {
  for (int i = 0; i < groups.count; ++i) groups[i]->id = 0;
  // Walk up from each group, marking the path with the walk's number; a
  // parent already marked by this walk closes a cycle, cut right there.
  for (int i = 0; i < groups.count; ++i) {
    const int mark = i + 1;
    for (MGroup* g = groups[i]; g != nullptr && g->id == 0;) {
      g->id = mark;
      if (g->parent != nullptr && g->parent->id == mark) {
        g->parent = nullptr;
        break;
      }
      g = g->parent;
    }
  }
  for (int i = 0; i < groups.count; ++i) groups[i]->id = 0;
}

void MGroup::WriteTo(QFile& file) const {
  file.WriteInt(id);
  file.WriteInt(RecordNumberOf(parent));
  WriteRecordExtension(file);
}

}  // namespace engine
