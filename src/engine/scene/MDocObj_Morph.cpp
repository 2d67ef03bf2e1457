// MDocObj: morph paths across the meshes, and pasting the clipboard's morph
// targets with or without renaming their paths.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "platform/Cp932.h"
#include "platform/Hooks.h"

namespace engine {

int MDocObj::GetMorphIndex(const char* path) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    const int index = static_cast<MMeshObj*>(meshes[i])->GetMorphIndex(path, nullptr);
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

void MDocObj::SetMorphIndexAll(const char* path, int index) {
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
    SetMorphIndexAll(path(i), index);
    for (int k = 0; k < i; ++k)
      if (std::strncmp(path(k), path(i), kNameTextSize) != 0 && GetMorphIndex(path(k)) == index) clash = true;
    largest = std::max(largest, index);
  }
  if (clash) {
    for (int i = 0; i < paths.count; ++i) SetMorphIndexAll(path(i), -1);
    largest = -1;
  }
  for (int i = 0; i < paths.count; ++i)
    if (GetMorphIndex(path(i)) < 0) SetMorphIndexAll(path(i), ++largest);
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

}  // namespace engine
