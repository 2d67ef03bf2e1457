// Shadow settings of the selection, undoable: before a change the scene
// keeps a copy of every direct child's settings, which the undo pass
// exchanges with the live ones and the commit drops.
#include <new>

#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"

namespace engine {

void MDocObj::GetSelectionShadowInfo(ShadowInfo& out) {
  if (MObject* earliest = GetEarliestSelected()) earliest->shadowInfo.CopySettingsTo(out);
}

void MDocObj::SetSelectionShadowInfo(const ShadowInfo& settings) {
  BeginShadowEdit();
  // Without the snapshot the change could not be undone: none is made.
  if (shadowSnapshotState != 1) return;
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->IsSelected()) settings.CopySettingsTo(ChildAt(i)->shadowInfo);
  floorShadowState = 0;
}

void MDocObj::BeginShadowEdit() {
  EndEdit(1);
  TakeShadowSnapshot();
}

void MDocObj::TakeShadowSnapshot() {
  DropShadowSnapshot();
  for (int i = 0; i < children.count; ++i) {
    auto* entry = new (std::nothrow) ShadowInfo();
    if (entry == nullptr || !shadowSnapshots.Add(entry)) {
      // A partial snapshot could not be exchanged child for child: none is
      // kept, and the failure is reported as what it is.
      delete entry;
      DropShadowSnapshot();
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    ChildAt(i)->shadowInfo.CopySettingsTo(*entry);
  }
  shadowSnapshotState = 1;
}

void MDocObj::SwapShadowSnapshot() {
  floorShadowState = 0;
  if (shadowSnapshotState == 0) return;
  ENG_FATAL_IF(children.count != shadowSnapshots.count);
  for (int i = 0; i < children.count; ++i) {
    auto* entry = static_cast<ShadowInfo*>(shadowSnapshots[i]);
    ShadowInfo kept;
    ChildAt(i)->shadowInfo.CopySettingsTo(kept);
    entry->CopySettingsTo(ChildAt(i)->shadowInfo);
    kept.CopySettingsTo(*entry);
  }
  shadowSnapshotState = -shadowSnapshotState;
}

void MDocObj::DropShadowSnapshot() {
  for (int i = 0; i < shadowSnapshots.count; ++i) delete static_cast<ShadowInfo*>(shadowSnapshots[i]);
  shadowSnapshots.RemoveAll();
  shadowSnapshotState = 0;
}

}  // namespace engine
