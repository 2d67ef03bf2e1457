#pragma once
// The element that names a group of mesh elements: vertices and lines point
// to their group, and a face's group is that of its lines. A group merged
// into another points to it (`parent`), so the groups of a mesh form a
// forest whose roots are the groups in effect.
#include <cstdint>

#include "engine/mesh/MItem.h"
#include "engine/mesh/MeshRecords.h"

namespace engine {

class QFile;

class MGroup : public MElement<MGroup> {
 public:
  MGroup() = default;
  explicit MGroup(MItemList<MGroup>* groupHolder) : holder(groupHolder) {}

  // ---- element protocol --------------------------------------------------
  void Init(MItemList<MGroup>* groupHolder);
  void CopyTo(MGroup* target) const;
  MGroup* Clone() { return CloneElement(); }
  void RemapRefs();
  void SaveUndo() { SaveUndoElement(); }
  // Out of the live list into the holder; child groups and the elements
  // that name it are left alone.
  void Remove() { MoveToHolder(); }

  // Follows `parent` to the group that has none. Parent links are kept free
  // of cycles (a loaded cycle is broken, BreakParentCycles); should one
  // appear anyway, the walk stops and answers this group.
  MGroup* GetRoot();

  // ---- record ------------------------------------------------------------
  bool ReadFrom(QFile& file);
  // The parent from the groups table when the stored number fits it, else
  // none; a group that names itself becomes a root.
  bool ResolveIndices(const MeshElementTables& tables);
  void WriteTo(QFile& file) const;
  // After resolving: every parent chain that runs into a cycle is cut where
  // the cycle closes, so each group of a cycle ends at a root. Uses `id` as
  // a visit mark (ids are reassigned before any write).
  static void BreakParentCycles(const EngArray<MGroup*>& groups);

  MGroup* parent = nullptr;
  int workMark = 0;  // 0 unless a modelling operation is using the group
  std::int32_t parentIndex = 0;  // between ReadFrom and ResolveIndices
  MItemList<MGroup>* holder = nullptr;
};

}  // namespace engine
