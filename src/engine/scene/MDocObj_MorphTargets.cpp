// MDocObj: the scene's morph targets as a list (deleting, renaming, moving
// targets and their groups), targets captured from the meshes' shapes,
// weights put on the meshes with the figures' poses kept, and targets
// copied to the engine clipboard.
#include <cmath>
#include <cstring>
#include <new>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMorph.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

namespace {

bool SamePath(const MMorphTgt* target, const char* path) {
  return std::strncmp(target->groupName, path, kNameTextSize) == 0;
}

MMorphTgt* NextTarget(MMorphTgt* target) { return static_cast<MMorphTgt*>(target->next); }

// A new empty clipboard target list in place of the old one; null with out
// of memory recorded.
MItemList<MMorphTgt>* NewClipboardTargets() {
  auto* list = new (std::nothrow) MItemList<MMorphTgt>();
  if (list == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  EngGlobalM().morphTargets.Reset(list, [](MItemList<MMorphTgt>* l) { delete l; });
  return list;
}

// A copy at the front of the clipboard list; false with out of memory.
bool CopyToFront(MItemList<MMorphTgt>& list, MMorphTgt* target) {
  MMorphTgt* copy = target->Clone();
  if (copy == nullptr) return false;
  list.Add(copy);
  return true;
}

}  // namespace

// ---- the target list -------------------------------------------------------------------------

void MDocObj::DeleteMorphTarget(const char* path, const char* name) {
  MMorphTgt* target = FindMorphTarget(path, name);
  if (target == nullptr) return;
  target->Unlink();
  delete target;
}

void MDocObj::RenameMorphTarget(const char* path, const char* oldName, const char* newName) {
  if (FindMorphTarget(path, newName) != nullptr) {
    EngRecordFailure(kEngReasonNameInUse);
    return;
  }
  if (MMorphTgt* target = FindMorphTarget(path, oldName)) target->SetTargetName(newName);
}

void MDocObj::ListObjectMorphNames(const char* path, PtrArray& out) {
  for (MMorphTgt* target : *morphTargets)
    if (SamePath(target, path) && !AddOrFail(out, target->targetName)) return;
}

void MDocObj::GetTargetGroupMembers(MMorphTgt* target, PtrArray& out) {
  if (!target->GetFlag2()) {
    // The head before it, else the path's first target, stands for the group.
    MMorphTgt* head = nullptr;
    MMorphTgt* first = nullptr;
    for (MMorphTgt* t : *morphTargets) {
      if (!SamePath(t, target->groupName)) continue;
      if (first == nullptr) first = t;
      if (t->GetFlag2()) head = t;
      if (t == target) break;
    }
    MMorphTgt* taken = head != nullptr ? head : first;
    if (!taken->GetFlag2() && !AddOrFail(out, taken)) return;
    target = taken;
  }
  for (MMorphTgt* t = NextTarget(target); t != nullptr; t = NextTarget(t)) {
    if (!SamePath(t, target->groupName)) continue;
    if (t->GetFlag2() || !AddOrFail(out, t)) return;
  }
}

void MDocObj::MoveMorphTarget(const char* path, const char* name, const char* reference) {
  MMorphTgt* moved = FindMorphTarget(path, name);
  if (moved == nullptr) return;
  const bool after = reference != nullptr && reference[0] != '\0';
  MMorphTgt* anchor = nullptr;
  for (MMorphTgt* t : *morphTargets) {
    if (SamePath(t, path) && (!after || std::strncmp(t->targetName, reference, kNameTextSize) == 0)) {
      anchor = t;
      break;
    }
  }
  if (anchor == nullptr || anchor == moved) return;
  // Links `target` right after `at`, or right before it.
  auto place = [](MMorphTgt* target, MMorphTgt* at, bool behind) {
    target->Unlink();
    MItem* before = behind ? static_cast<MItem*>(at) : at->prev;
    target->prev = before;
    target->next = before->next;
    if (before->next != nullptr) before->next->prev = target;
    before->next = target;
  };
  if (!moved->GetFlag2()) {
    place(moved, anchor, after);
    return;
  }
  // A head moves with its members, and after a whole group when it goes
  // behind one.
  if (after)
    for (MMorphTgt* t = NextTarget(anchor); t != nullptr && !t->GetFlag2(); t = NextTarget(t))
      if (SamePath(t, path)) anchor = t;
  PtrArray group;
  if (!AddOrFail(group, moved)) return;
  GetTargetGroupMembers(moved, group);
  if (SceneFailed()) return;
  for (int i = 0; i < group.count; ++i)
    if (group[i] == anchor) return;
  MMorphTgt* last = nullptr;
  for (int i = 0; i < group.count; ++i) {
    auto* t = static_cast<MMorphTgt*>(group[i]);
    if (last == nullptr)
      place(t, anchor, after);
    else
      place(t, last, true);
    last = t;
  }
}

// ---- targets from the meshes and weights on them -------------------------------------------------

unsigned char MDocObj::CaptureMorphTarget(const char* path, const char* name, int mode, double u, double v,
                                          const char* preceding, bool head) {
  PtrArray meshes;
  int total = 0;
  CollectMeshesWithMorph(path, 2, meshes, &total);
  if (SceneFailed()) return 0;
  // Refusals say what they are, not that memory ran out.
  if (meshes.count == 0) {
    EngRecordFailure(kEngReasonNoSelection);
    return 0;
  }
  if (FindMorphTarget(path, name) != nullptr) {
    EngRecordFailure(kEngReasonNameInUse);
    return 0;
  }
  PtrArray figures;
  CollectFiguresOfMorph(path, 0, figures);
  if (!SceneFailed()) CaptureRestStatesOf(figures);
  if (SceneFailed()) return 0;
  auto* target = new (std::nothrow) MMorphTgt();
  if (target == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return 0;
  }
  if (head) target->SetFlag2(1);
  target->SetGroupName(path);
  target->SetTargetName(name);
  target->SetVectorCount(total);
  target->SetTextureOffsetMode(mode != 0 ? 1 : 0);
  target->SetTextureOffset(u, v);
  if (SceneFailed()) {
    delete target;
    return 0;
  }
  InsertMorphTarget(target, preceding);
  unsigned char result = 0;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    result = static_cast<unsigned char>(static_cast<MMeshObj*>(meshes[i])->RecordTarget(target, i));
  if (SceneFailed()) {
    // A target half filled is no shape to keep.
    target->Unlink();
    delete target;
    return 0;
  }
  for (MMorphTgt* t : *morphTargets)
    if (SamePath(t, path)) t->SetWeight(0);
  target->SetWeight(1.0);
  return result;
}

void MDocObj::ApplyTargetToMeshes(MMorphTgt* target, double weight, bool accumulate, int scope) {
  PtrArray meshes;
  CollectMeshesWithMorph(target->groupName, scope, meshes, nullptr);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    static_cast<MMeshObj*>(meshes[i])->ApplyTarget(target, weight, accumulate ? 1 : 0);
}

void MDocObj::WithFiguresAtRest(const char* path, int scope, const std::function<void()>& edit) {
  EndEdit(0);
  PtrArray figures, poses;
  CollectFiguresOfMorph(path, scope, figures);
  if (!SceneFailed()) SaveFigurePoses(poses, figures);
  if (!SceneFailed()) edit();
  {
    // The poses go back whatever happened: a failure must not leave the
    // figures at rest.
    HeldFailure held;
    figures.count = poses.count;
    RestoreFigurePoses(poses, figures);
  }
  for (int i = 0; i < poses.count; ++i) delete static_cast<MPose*>(poses[i]);
}

void MDocObj::SetObjectMorphWeights(const char* path, const PtrArray* names, const DoubleArray* weights, int scope,
                                    const char* name, double weight, bool exclusive) {
  WithFiguresAtRest(path, scope, [&] {
    bool started = false;
    auto apply = [&](MMorphTgt* target, double w) {
      if (std::fabs(w) <= 1e-8 && started) return;
      ApplyTargetToMeshes(target, w, started, scope);
      started = true;
    };
    if (names != nullptr) {
      for (int i = 0; i < names->count && !SceneFailed(); ++i) {
        MMorphTgt* target = FindMorphTarget(path, static_cast<const char*>((*names)[i]));
        if (target == nullptr) continue;
        apply(target, (*weights)[i]);
        target->SetWeight((*weights)[i]);
      }
      return;
    }
    MMorphTgt* chosen = FindMorphTarget(path, name);
    if (chosen == nullptr) return;
    if (exclusive) {
      PtrArray members;
      GetTargetGroupMembers(chosen, members);
      for (int i = 0; i < members.count; ++i) static_cast<MMorphTgt*>(members[i])->SetWeight(0);
    }
    chosen->SetWeight(weight);
    for (MMorphTgt* target : *morphTargets) {
      if (SceneFailed()) return;
      if (SamePath(target, path)) apply(target, target->GetWeight());
    }
  });
}

void MDocObj::ResetObjectMorphs(const char* path, int scope) {
  WithFiguresAtRest(path, scope, [&] {
    PtrArray meshes;
    CollectMeshesWithMorph(path, scope, meshes, nullptr);
    if (SceneFailed() || meshes.count == 0) return;
    for (int i = 0; i < meshes.count; ++i) static_cast<MMeshObj*>(meshes[i])->RestoreBase(path);
    for (MMorphTgt* target : *morphTargets)
      if (SamePath(target, path)) target->SetWeight(0);
  });
}

// ---- the engine clipboard ---------------------------------------------------------------------

void MDocObj::StoreTargetsGlobally() {
  EngGlobalM().Clear();
  MItemList<MMorphTgt>* list = NewClipboardTargets();
  if (list == nullptr) return;
  // Each copy goes to the front: pasting at the front again gives the order back.
  for (MMorphTgt* target : *morphTargets)
    if (!CopyToFront(*list, target)) return;
}

void MDocObj::StoreTargetsGlobally2() {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  if (meshes.count == 0) CollectElementSelectedMeshes(meshes);
  if (SceneFailed()) return;
  MItemList<MMorphTgt>* list = NewClipboardTargets();
  if (list == nullptr) return;
  for (MMorphTgt* target : *morphTargets) {
    bool held = false;
    for (int i = 0; i < meshes.count && !held; ++i)
      held = static_cast<MMeshObj*>(meshes[i])->FindMorph(target->groupName) != nullptr;
    if (held && !CopyToFront(*list, target)) return;
  }
}

void MDocObj::StoreNamedTargetsGlobally(const PtrArray& paths, const PtrArray& names) {
  EngGlobalM().Clear();
  MItemList<MMorphTgt>* list = NewClipboardTargets();
  if (list == nullptr) return;
  for (int i = 0; i < paths.count && i < names.count; ++i) {
    MMorphTgt* target = FindMorphTarget(static_cast<const char*>(paths[i]), static_cast<const char*>(names[i]));
    if (target != nullptr && !CopyToFront(*list, target)) return;
  }
}

}  // namespace engine
