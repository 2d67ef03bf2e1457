// KxLibR: library files on the figures. A human file takes a figure's
// place, turn, pose and animation; an item file is attached to the figure
// (the parts of an earlier item removed) and gets its hands; a saved copy
// of figures puts them back in place of what is there now.
#include <cstring>
#include <filesystem>
#include <new>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngArrays.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/scene/AnimList.h"
#include "engine/scene/MDocObj.h"
#include "facade/FacadeFiles.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "platform/Clock.h"
#include "platform/TempFiles.h"

namespace facade {

namespace {

// The vertex group marking where items attach to a figure.
constexpr const char* kToolGroup = "/tamarik/tool/";
// A human made by the person composer: not recorded as a library path.
constexpr const char* kTempHumanMarker = "tamarik_tmp_human";

bool IsItemFile(const std::string& path) {
  if (path.size() < 3) return false;
  const std::string tail = path.substr(path.size() - 3);
  return tail == "z4i" || tail == "Z4I";
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored);
}

// The hands an item brings: its own ".z4n" beside it, else the library's
// default hands; empty when there are none.
std::string HandsFileOf(const std::string& itemPath, const std::string& libraryFolder) {
  const std::filesystem::path own = std::filesystem::path(itemPath).replace_extension(".z4n");
  if (FileExists(own.string())) return own.string();
  if (libraryFolder.empty()) return {};
  const std::string fallback = (std::filesystem::path(libraryFolder) / "DefaultHands.z4n").string();
  return FileExists(fallback) ? fallback : std::string();
}

// The pose transfer tells giver from receiver by selection time: the object
// selected next must get a later tick than the one selected before.
void WaitForNextTick() {
  const std::uint32_t start = platform::GetTickCount();
  while (platform::GetTickCount() == start) {
  }
}

// Selects the vertices of the tool group (every morph whose path holds it)
// in the meshes of the selected objects, which are deselected first.
void SelectToolGroupVertices(engine::MDocObj& scene) {
  engine::PtrArray meshes;
  scene.CollectSelectedMeshes(meshes);
  scene.SelectAll(false);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<engine::MMeshObj*>(meshes[i]);
    for (engine::MMorph* morph : mesh->morphs)
      if (std::strstr(morph->name, kToolGroup) != nullptr) mesh->SelectMorphVertices(morph->name);
  }
}

// Narrows the selection to the figures on one of the two standard human
// skeletons. The engine's own narrowing knows only the first; the persons
// of this program's library are built on the second, and both take human
// files, poses and animations alike.
bool SelectHumanFigures(engine::MDocObj& scene) {
  engine::PtrArray meshes;
  scene.CollectSelectedMeshes(meshes);
  scene.SelectAll(false);
  bool any = false;
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<engine::MObject*>(meshes[i]);
    if (!mesh->IsBoneObject()) continue;
    auto* bones = static_cast<engine::MBoneObj*>(mesh);
    if (!bones->IsPoseCompatible(false) && !bones->IsPoseCompatible(true)) continue;
    if (engine::MObject* top = scene.GetTopLevelObject(mesh)) {
      top->Select(true);
      any = true;
    }
  }
  return any;
}

}  // namespace

int KxLibR::CollectFigureObjects(int objectIndex, engine::PtrArray& figures) {
  figures.count = 0;
  if (!scene_) return kFacadeFailed;
  if (objectIndex < 0)
    scene_->SelectAll(true);
  else
    scene_->SelectOnlyChild(objectIndex);
  if (!SelectHumanFigures(*scene_)) {
    scene_->SelectAll(false);
    return kFacadeFailed;
  }
  scene_->GetSelectedObjects(figures);
  if (TakeEngineFailure()) return kFacadeFailed;
  return 1;
}

int KxLibR::ApplyLibraryFile(const std::string& path, int objectIndex, std::string& savedCopy, bool saveCopy) {
  view_->SetImageValid(false, true);
  savedCopy.clear();
  engine::PtrArray figures;
  if (CollectFigureObjects(objectIndex, figures) < 0) return kFacadeFailed;
  if (saveCopy) {
    if (!platform::MakeTempFile("CRV", savedCopy)) {
      savedCopy.clear();
      scene_->SelectAll(false);
      return kFacadeCannotWrite;
    }
    const int saved = SaveSelectionToFile(savedCopy, 0);
    if (saved < 0) return saved;
  }
  const bool item = IsItemFile(path);
  for (int i = 0; i < figures.count; ++i) {
    auto* figure = static_cast<engine::MObject*>(figures[i]);
    scene_->SelectAll(false);
    figure->Select(true);
    const int result = item ? ApplyItemFile(path, figure) : ApplyHumanFile(path, figure);
    if (result < 0) {
      scene_->SelectAll(false);
      return result;
    }
  }
  scene_->SelectAll(false);
  if (!item) SetFrame(0);
  return kFacadeOk;
}

int KxLibR::ApplyLibraryFiles(const std::vector<std::string>& paths) {
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (paths[i].empty()) continue;
    std::string scratch;
    if (ApplyLibraryFile(paths[i], static_cast<int>(i), scratch, false) < 0) return kFacadeLibraryFileFailed;
  }
  return kFacadeOk;
}

int KxLibR::ApplyItemFile(const std::string& path, engine::MObject* target) {
  // An item attached before goes first.
  SelectToolGroupVertices(*scene_);
  scene_->EditFiguresInRestPose(0);
  if (TakeEngineFailure()) return kFacadeFailed;
  if (MergeFile(path) < 0) return kFacadeFailed;
  scene_->SelectAll(false);
  target->Select(true);
  WaitForNextTick();
  scene_->SelectLastChild();
  scene_->TransferPoseToSelection();
  if (TakeEngineFailure()) return kFacadeFailed;
  const std::string hands = HandsFileOf(path, libraryFolder_);
  if (hands.empty()) return kFacadeOk;
  // Hands that do not fit leave the item attached all the same.
  KxLibAnimArray none;
  ApplyAnimFile(hands, scene_->GetTopObjectIndex(target), none, true);
  return kFacadeOk;
}

int KxLibR::ApplyHumanFile(const std::string& path, engine::MObject* target) {
  engine::PtrArray animations;
  engine::EngArray<std::int32_t> indexes;
  scene_->CollectSelectionTracks(animations, indexes, nullptr);
  if (TakeEngineFailure()) return kFacadeFailed;
  // One figure is selected, so it has one animation: anything else is a
  // scene this operation cannot take apart, and is refused untouched.
  if (animations.count != 1 || indexes.count != 1) return kFacadeFailed;
  KxLibAnimArray kept;
  if (CollectSelectionAnims(kept) != kFacadeOk || kept.empty()) return kFacadeFailed;
  if (scene_->DeleteSelectionTracks() == 0) return kFacadeFailed;
  // From here a failure gives the animation back to whatever stands at the
  // figure's index, so that putting the saved copy there loses nothing.
  const auto fail = [&](int code) {
    scene_->SelectAll(false);
    RestoreAnims(kept);
    TakeEngineFailure();
    return code;
  };

  // A figure that carries items keeps only them; the new human takes them
  // over by the pose transfer below.
  SelectToolGroupVertices(*scene_);
  int meshesWithItems = 0;
  scene_->CountElementSelectedMeshes(meshesWithItems);
  const bool deleteOld = meshesWithItems == 0;
  if (!deleteOld) {
    scene_->InvertEditableSelection(target);
    scene_->EditFiguresInRestPose(0);
    if (TakeEngineFailure()) return fail(kFacadeFailed);
  }

  if (const int merged = MergeFile(path); merged < 0) return fail(merged);
  scene_->SelectAll(false);
  scene_->SelectLastChild();
  engine::MObject* human = scene_->ChildAt(scene_->GetChildCount() - 1);
  scene_->ReplaceObject(target, human, deleteOld);
  if (TakeEngineFailure()) return fail(kFacadeFailed);
  if (!deleteOld) {
    scene_->SelectAll(false);
    human->Select(true);
    WaitForNextTick();
    target->Select(true);
    scene_->TransferPoseToSelection();
    if (TakeEngineFailure()) return fail(kFacadeFailed);
  }

  scene_->SelectAll(false);
  human->Select(true);
  animations.count = 0;
  indexes.count = 0;
  scene_->CollectSelectionTracks(animations, indexes, nullptr);
  if (TakeEngineFailure() || animations.count != 1 || indexes.count != 1) return fail(kFacadeFailed);
  const int applied = scene_->ApplyAnimationToSelection(kept.front().GetAnimation(), false);
  if (TakeEngineFailure() || applied < 0) return fail(kFacadeFailed);
  scene_->SelectAll(false);

  if (path.find(kTempHumanMarker) != std::string::npos) {
    tempHumanApplied_ = true;
    return kFacadeOk;
  }
  const int index = scene_->GetTopObjectIndex(human);
  if (index >= 0) {
    try {
      if (mergedLibraryPaths_.size() <= static_cast<std::size_t>(index)) mergedLibraryPaths_.resize(index + 1);
      mergedLibraryPaths_[index] = path;
    } catch (const std::bad_alloc&) {
      return kFacadeFailed;
    }
  }
  return kFacadeOk;
}

int KxLibR::ReplaceWithFile(const std::string& path, int objectIndex) {
  view_->SetImageValid(false, true);
  engine::PtrArray figures;
  if (CollectFigureObjects(objectIndex, figures) < 0) return kFacadeFailed;
  engine::PtrArray listed;
  for (int i = 0; i < figures.count; ++i)
    if (!listed.Add(figures[i])) {
      scene_->SelectAll(false);
      return kFacadeFailed;
    }
  // The figures keep their animations: each goes over to the object that
  // takes the figure's place, as the figure had it before the file was
  // applied (a human took over the animation it replaced).
  const int firstMerged = scene_->GetChildCount();
  if (const int merged = MergeFile(path); merged < 0) {
    scene_->SelectAll(false);
    return merged;
  }
  // One merged object for each figure it replaces; any other count would
  // pair them wrongly, so the merged objects go again.
  engine::PtrArray mergedObjects;
  scene_->GetSelectedObjects(mergedObjects);
  if (TakeEngineFailure() || mergedObjects.count != listed.count) {
    detail::RemovePastedObjects(*scene_, firstMerged);
    scene_->SelectAll(false);
    return kFacadeFailed;
  }
  scene_->ReplaceSelectedObjects(listed);
  scene_->SelectAll(false);
  scene_->SetModeBytes(0, 0, 0);
  if (TakeEngineFailure()) return kFacadeFailed;
  return 1;
}

}  // namespace facade
