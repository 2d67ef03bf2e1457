// MDocObj: morphs across the meshes: which meshes hold a path, making,
// deleting, renaming and selecting morphs, checking their entries, the
// morph index order, and pasting the clipboard's targets with or without
// renaming their paths.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMorph.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"
#include "platform/Cp932.h"
#include "platform/Hooks.h"

namespace engine {

using namespace scene_detail;

int MDocObj::GetMorphIndex(const char* path, unsigned char* signFlag) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    const int index = static_cast<MMeshObj*>(meshes[i])->GetMorphIndex(path, signFlag);
    if (index != -2) return index;
  }
  return -2;
}

void MDocObj::RemoveUnusedTargets() {
  MMorphTgt* target = morphTargets->First();
  while (target != nullptr) {
    auto* next = static_cast<MMorphTgt*>(target->next);
    if (GetMorphIndex(target->groupName) == -2) {
      target->prev->next = target->next;
      if (target->next != nullptr) target->next->prev = target->prev;
      delete target;
    }
    target = next;
  }
}

void MDocObj::CollectMorphPaths(PtrArray& out) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(meshes[i])->CollectMorphNames(out);
}

int MDocObj::GetMaxMorphIndex() {
  PtrArray paths;
  CollectMorphPaths(paths);
  int largest = -1;
  for (int i = 0; i < paths.count; ++i) largest = std::max(largest, GetMorphIndex(static_cast<const char*>(paths[i])));
  return largest;
}

void MDocObj::SetMorphIndex(const char* path, int index) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) static_cast<MMeshObj*>(meshes[i])->SetMorphIndex(path, index);
}

void MDocObj::RenumberMorphIndices() {
  PtrArray paths;
  CollectMorphPaths(paths);
  if (SceneFailed()) return;
  auto path = [&paths](int i) { return static_cast<const char*>(paths[i]); };
  bool clash = false;
  int largest = -1;
  for (int i = 0; i < paths.count; ++i) {
    const int index = GetMorphIndex(path(i));
    if (index < 0) continue;
    SetMorphIndex(path(i), index);
    for (int k = 0; k < i; ++k)
      if (std::strncmp(path(k), path(i), kNameTextSize) != 0 && GetMorphIndex(path(k)) == index) clash = true;
    largest = std::max(largest, index);
  }
  if (clash) {
    for (int i = 0; i < paths.count; ++i) SetMorphIndex(path(i), -1);
    largest = -1;
  }
  for (int i = 0; i < paths.count; ++i)
    if (GetMorphIndex(path(i)) < 0) SetMorphIndex(path(i), ++largest);
}

void MDocObj::ClearMorphIndices(const PtrArray& objects) {
  for (int i = 0; i < objects.count && !SceneFailed(); ++i) {
    PtrArray meshes;
    CollectMeshes(static_cast<MObject*>(objects[i]), meshes);
    for (int k = 0; k < meshes.count; ++k)
      for (MMorph* morph : static_cast<MMeshObj*>(meshes[k])->morphs) morph->SetIndex(-1);
  }
}

void MDocObj::RenameMorph(const char* oldPath, const char* newPath) {
  if (std::strncmp(oldPath, newPath, kNameTextSize) == 0) return;
  if (GetMorphIndex(newPath) != -2) {
    EngRecordFailure(kEngReasonNameInUse);
    return;
  }
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->FindMorph(oldPath) != nullptr) mesh->RenameMorph(oldPath, newPath);
  }
  for (MMorphTgt* target : *morphTargets)
    if (std::strncmp(target->groupName, oldPath, kNameTextSize) == 0) target->SetGroupName(newPath);
}

int MDocObj::PasteMorphTargets(bool rename, MDocObj* other) {
  MItemList<MMorphTgt>* clip = EngGlobalM().morphTargets.Get();
  if (clip == nullptr) return -1;
  int result = 0;
  if (!rename) {
    for (MMorphTgt* source : *clip) {
      if (FindMorphTarget(source->groupName, source->targetName) != nullptr) {
        platform::Beep();
        result = -2;
        continue;
      }
      MMorphTgt* copy = source->Clone();
      if (copy == nullptr) return result;
      morphTargets->Add(copy);
    }
    return result;
  }
  RemoveUnusedTargets();
  std::string previous, chosen;
  bool first = true;
  for (MMorphTgt* source : *clip) {
    const std::string path(source->groupName, strnlen(source->groupName, kNameTextSize - 1));
    if (first || path != previous) {
      first = false;
      previous = path;
      chosen = path;
      result = 1000;
      if (GetMorphIndex(path.c_str()) >= 0) {
        for (int number = 1000;; ++number) {
          const std::string candidate = path + std::to_string(number);
          // A stored name holds 255 bytes of code page 932: a longer one
          // would be cut back into the path it was renamed from.
          const std::optional<std::string> stored = platform::Utf8ToCp932(candidate);
          const std::size_t storedLength = stored ? stored->size() : candidate.size();
          if (storedLength > static_cast<std::size_t>(kStoredNameSize - 1)) {
            EngRecordFailure(kEngReasonNameTooLong);
            return result;
          }
          if (GetMorphIndex(candidate.c_str()) < 0) {
            chosen = candidate;
            result = number + 1;
            break;
          }
        }
        if (other != nullptr && other->GetMorphIndex(chosen.c_str()) < 0)
          other->RenameMorph(path.c_str(), chosen.c_str());
      }
    }
    MMorphTgt* copy = source->Clone();
    if (copy == nullptr) return result;
    copy->SetGroupName(chosen.c_str());
    morphTargets->Add(copy);
  }
  return result;
}

// ---- meshes holding a morph ------------------------------------------------------------------

void MDocObj::CollectMeshesWithMorph(const char* path, int scope, PtrArray& out, int* total) {
  PtrArray meshes;
  if (scope == 2) {
    CollectMeshes(this, meshes);
  } else if (scope == 0) {
    const unsigned char kept = visibleLayersOnly;
    visibleLayersOnly = 1;
    CollectMeshes(this, meshes);
    visibleLayersOnly = kept;
  } else {
    CollectSelectedMeshes(meshes);
    if (meshes.count == 0) CollectElementSelectedMeshes(meshes);
  }
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    const MMorph* morph = mesh->FindMorph(path);
    if (morph == nullptr || !AddOrFail(out, mesh)) continue;
    if (total != nullptr) *total += morph->GetEntryCount();
  }
}

void MDocObj::CollectFiguresOfMorph(const char* path, int scope, PtrArray& out) {
  PtrArray meshes;
  CollectMeshesWithMorph(path, scope, meshes, nullptr);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    MObject* top = GetTopLevelObject(static_cast<MObject*>(meshes[i]));
    if (top->GetType() != kObjectGroup || !static_cast<MGroupObj*>(top)->HasBoneChild(true)) continue;
    MBoneObj* figure = FindBoneObj(top);
    ENG_FATAL_IF(figure == nullptr);
    bool listed = false;
    for (int k = 0; k < out.count && !listed; ++k) listed = out[k] == figure;
    if (!listed) AddOrFail(out, figure);
  }
}

unsigned char MDocObj::CreateMorph(const char* path, bool withMaterial) {
  PtrArray holders;
  CollectMeshesWithMorph(path, 2, holders, nullptr);
  if (SceneFailed()) return 0;
  // A path in use is refused as such, not as memory running out.
  if (holders.count > 0) {
    EngRecordFailure(kEngReasonNameInUse);
    return 0;
  }
  PtrArray candidates;
  CollectElementSelectedMeshes(candidates);
  if (SceneFailed()) return 0;
  if (candidates.count == 0) {
    EngRecordFailure(kEngReasonNoSelection);
    return 0;
  }
  for (int i = 0; i < candidates.count; ++i) {
    if (static_cast<MObject*>(candidates[i])->IsBoneObject()) {
      EngRecordFailure(kEngReasonFigureNotAllowed);
      return 0;
    }
  }
  if (!StandInCopiesOfMeshes(candidates)) return 0;
  int entries = 0;
  unsigned char result = 0;
  bool firstReported = false;
  MShader* first = nullptr;
  for (int i = 0; i < candidates.count && !SceneFailed(); ++i) {
    int request = withMaterial ? 1 : 0;
    MShader* found = nullptr;
    static_cast<MMeshObj*>(candidates[i])->CreateMorphFromSelection(path, entries, request, &found);
    if (SceneFailed() || !withMaterial) continue;
    if (request < -1) result = 1;
    if (!firstReported) {
      first = found;
      firstReported = true;
    } else if (first == nullptr || found == nullptr ? first != found : !first->IsEqual(*found, false)) {
      result = 1;
    }
  }
  if (SceneFailed()) {
    for (int i = 0; i < candidates.count; ++i) static_cast<MMeshObj*>(candidates[i])->DeleteMorph(path);
    return 0;
  }
  for (int i = 0; i < candidates.count; ++i) {
    MMorph* morph = static_cast<MMeshObj*>(candidates[i])->FindMorph(path);
    ENG_FATAL_IF(morph == nullptr);
    morph->SetValue(entries);
  }
  SetMorphIndex(path, GetMaxMorphIndex() + 1);
  SelectAll(false);
  return result;
}

void MDocObj::DeleteMorph(const char* path) {
  PtrArray meshes;
  CollectMeshesWithMorph(path, 2, meshes, nullptr);
  if (SceneFailed() || meshes.count == 0 || !StandInCopiesOfMeshes(meshes)) return;
  CloseMorphIndexGap(path);
  for (int i = 0; i < meshes.count; ++i) static_cast<MMeshObj*>(meshes[i])->DeleteMorph(path);
}

bool MDocObj::StandInCopiesOfMeshes(const PtrArray& meshes) {
  PtrArray tops;
  for (int i = 0; i < meshes.count; ++i) {
    MObject* top = GetTopLevelObject(static_cast<MObject*>(meshes[i]));
    bool listed = false;
    for (int k = 0; k < tops.count && !listed; ++k) listed = tops[k] == top;
    if (!listed && !AddOrFail(tops, top)) return false;
  }
  PtrArray copies;
  if (!StandInUndoCopies(tops, copies)) return false;
  for (int i = 0; i < tops.count; ++i) static_cast<MObject*>(tops[i])->SetEditState(kEditCreated);
  return true;
}

void MDocObj::SelectMeshesWithMorph(const char* path, bool objects, bool keep) {
  int elementMeshes = 0;
  CountElementSelectedMeshes(elementMeshes);
  if (!keep || (HasSelectedObject() && !objects) || (elementMeshes > 0 && objects)) SelectAll(false);
  PtrArray meshes;
  CollectMeshesWithMorph(path, 0, meshes, nullptr);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (objects)
      GetTopLevelObject(mesh)->Select(true);
    else
      mesh->SelectMorphVertices(path);
  }
}

void MDocObj::SelectMorphVertices(const char* text, bool fromSelection) {
  PtrArray meshes;
  if (fromSelection) {
    CollectSelectedMeshes(meshes);
    SelectAll(false);
  } else {
    CollectMeshesWithMorph(text, 0, meshes, nullptr);
  }
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    for (MMorph* morph : mesh->morphs)
      if (std::strstr(morph->name, text) != nullptr) mesh->SelectMorphVertices(morph->name);
  }
}

int MDocObj::CheckMorphEntries(const char* path, int scope) {
  if (scope == 0) scope = 2;
  PtrArray meshes, figures;
  int total = 0;
  CollectMeshesWithMorph(path, scope, meshes, &total);
  if (SceneFailed() || meshes.count == 0) return 1;
  CollectFiguresOfMorph(path, scope, figures);
  if (!AreFiguresAtRest(figures)) return 4;
  EngArray<int> counts;
  for (int i = 0; i < total; ++i) {
    if (!counts.Add(0)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return 1;
    }
  }
  for (int i = 0; i < meshes.count; ++i) {
    const MMorph* morph = static_cast<MMeshObj*>(meshes[i])->FindMorph(path);
    for (int k = 0; k < morph->GetEntryCount(); ++k) {
      int index = -1;
      MVertex* vertex = nullptr;
      morph->GetEntry(k, &index, &vertex, nullptr);
      if (vertex != nullptr && MItemIsLive(vertex) && index >= 0 && index < total) ++counts[index];
    }
  }
  bool missing = false;
  for (int i = 0; i < total; ++i) {
    if (counts[i] > 1) return 2;
    missing = missing || counts[i] == 0;
  }
  return missing ? 3 : 0;
}

// ---- morph indices ---------------------------------------------------------------------------

void MDocObj::ListMorphTargets(PtrArray& paths, bool sorted, EngArray<unsigned char>* signFlags,
                               MorphTargetLists* targets) {
  PtrArray gathered;
  CollectMorphPaths(gathered);
  if (SceneFailed()) return;
  if (!sorted) {
    for (int i = 0; i < gathered.count; ++i)
      if (!AddOrFail(paths, gathered[i])) return;
  } else {
    const int largest = GetMaxMorphIndex();
    for (int index = 0; index <= largest && !SceneFailed(); ++index) {
      for (int i = 0; i < gathered.count; ++i) {
        auto* path = static_cast<const char*>(gathered[i]);
        unsigned char sign = 0;
        if (GetMorphIndex(path, &sign) != index) continue;
        if (!AddOrFail(paths, gathered[i])) return;
        if (signFlags != nullptr && !signFlags->Add(sign)) EngRecordFailure(kEngReasonOutOfMemory);
        break;
      }
    }
  }
  if (targets == nullptr) return;
  for (MMorphTgt* target : *morphTargets) {
    if (SceneFailed()) return;
    bool ok = targets->paths.Add(target->groupName) && targets->names.Add(target->targetName) &&
              targets->weights.Add(target->GetWeight()) && targets->heads.Add(target->GetFlag2() ? 1 : 0) &&
              targets->seconds.Add(target->GetFlag4() ? 1 : 0);
    if (!ok) EngRecordFailure(kEngReasonOutOfMemory);
  }
}

void MDocObj::CloseMorphIndexGap(const char* path) {
  const int gap = GetMorphIndex(path);
  if (gap < 0) return;
  PtrArray paths;
  ListMorphTargets(paths, true, nullptr, nullptr);
  for (int i = 0; i < paths.count && !SceneFailed(); ++i) {
    auto* other = static_cast<const char*>(paths[i]);
    const int index = GetMorphIndex(other);
    if (index > gap) SetMorphIndex(other, index - 1);
  }
}

void MDocObj::MoveMorphIndex(const char* path, const char* reference) {
  const int c = GetMorphIndex(path);
  if (c < 0) return;
  PtrArray paths;
  ListMorphTargets(paths, true, nullptr, nullptr);
  if (SceneFailed()) return;
  // The indices of every other path, taken before any changes.
  auto shift = [&](auto moves, int by) {
    EngArray<int> indices;
    for (int i = 0; i < paths.count; ++i)
      if (!indices.Add(GetMorphIndex(static_cast<const char*>(paths[i])))) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return false;
      }
    for (int i = 0; i < paths.count; ++i) {
      auto* other = static_cast<const char*>(paths[i]);
      if (std::strncmp(other, path, kNameTextSize) != 0 && moves(indices[i])) SetMorphIndex(other, indices[i] + by);
    }
    return true;
  };
  if (reference == nullptr || reference[0] == '\0') {
    if (shift([c](int i) { return i < c; }, 1)) SetMorphIndex(path, 0);
    return;
  }
  const int b = GetMorphIndex(reference);
  if (b < 0) return;
  if (b < c) {
    if (shift([b, c](int i) { return i > b && i < c; }, 1)) SetMorphIndex(path, b + 1);
  } else {
    if (shift([b, c](int i) { return i > c && i <= b; }, -1)) SetMorphIndex(path, b);
  }
}

}  // namespace engine
