// The scene's animations: which objects get animations and tracks, the
// numbering of tracks across animations, recording keys and showing frames,
// the copies kept for undo, and the camera object that follows an animated
// camera. The selection is the working register here: recording and
// showing select a track's objects before each capture or apply, and
// deselect everything at the end.
#include <cstring>
#include <new>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"

namespace engine {

MBoneObj* AnimSelectedFigure(MDocObj* scene);

namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

}  // namespace

// ---- undo copies ----------------------------------------------------------------------------

void MDocObj::CommitAnimationEdit() {
  EndEdit(1);
  SaveAnimation();
}

void MDocObj::DropSavedAnimation() {
  animationsBackup.Clear();
  animationUndoState = 0;
}

void MDocObj::SaveAnimation() {
  animationsBackup.Clear();
  animations.CopyTo(animationsBackup);
  if (Failed()) {
    // A part of the list is no copy to undo to.
    animationsBackup.Clear();
    animationUndoState = 0;
    return;
  }
  animationUndoState = 1;
}

int MDocObj::SwapSavedAnimation() {
  if (animationUndoState == 0) return 0;
  animations.Swap(animationsBackup);
  animationUndoState = -animationUndoState;
  return animationUndoState;
}

void MDocObj::RetargetSavedAnimation(const PtrArray& originals, const PtrArray& copies) {
  if (animationUndoState == 0) {
    if (animations.Count() == 0) return;
    SaveAnimation();
    if (Failed()) return;
  }
  for (int i = 0; i < originals.count && i < copies.count; ++i)
    animationsBackup.ReplaceObject(static_cast<MObject*>(originals[i]), static_cast<MObject*>(copies[i]));
}

void MDocObj::PrepareAnimationSnapshot() {
  delete animationsPending;
  animationsPending = new (std::nothrow) AnimList();
  if (animationsPending == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  animations.CopyTo(*animationsPending);
}

void MDocObj::CommitAnimationSnapshot() {
  if (animationsPending == nullptr) return;
  animationsBackup.Clear();
  animationsBackup.Swap(*animationsPending);
  delete animationsPending;
  animationsPending = nullptr;
  animationUndoState = 1;
}

void MDocObj::ForgetAnimatedObject(MObject* object) {
  animations.ForgetObject(object);
  animationsBackup.ForgetObject(object);
  if (animationsPending != nullptr) animationsPending->ForgetObject(object);
}

// ---- making animations and tracks -----------------------------------------------------------

bool MDocObj::CanAnimateObject(MObject* object, int* figureOut, int* morphOut) {
  if (FindAnimation(object, false) >= 0) return false;
  PtrArray meshes;
  CollectMeshes(object, meshes);
  int figure = 0, morph = 0;
  for (int i = 0; i < meshes.count && !Failed(); ++i) {
    auto* mesh = static_cast<MObject*>(meshes[i]);
    if (mesh->IsBoneObject()) figure = 1;
    if (MMeshObj* m = AsMesh(mesh)) {
      PtrArray names;
      m->CollectMorphNames(names);
      if (names.count > 0) morph = 1;
    }
  }
  if (Failed()) return false;
  if (figureOut != nullptr) *figureOut = figure;
  if (morphOut != nullptr) *morphOut = morph;
  return true;
}

namespace {

// A new track of the animation, numbered last, with its first key captured
// at frame 0.
void AddTrack(MDocObj& scene, MAnim* animation, int kind, const char* name, AnimView* view) {
  auto* track = new (std::nothrow) MAnimKeys();
  if (track == nullptr || !animation->tracks.Add(track)) {
    delete track;
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  track->Setup(scene.GetTrackCount() - 1, kind, name);
  MAKeyInfo* key = track->NewKey();
  if (key == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  key->CaptureFrom(&scene, view, track->name);
  if (Failed() || !track->InsertKey(0, key)) delete key;
}

}  // namespace

void MDocObj::AddObjectTrack(MAnim* animation) { AddTrack(*this, animation, kTrackObject, "object", nullptr); }

void MDocObj::AddPoseTrack(MAnim* animation) {
  MBoneObj* figure = AnimSelectedFigure(this);
  ENG_FATAL_IF(figure == nullptr);
  AddTrack(*this, animation, kTrackPose, figure->IsPoseCompatible(false) ? "human_bone" : "general_bone", nullptr);
}

void MDocObj::AddMorphTrack(MAnim* animation, const char* path) {
  AddTrack(*this, animation, kTrackMorph, path, nullptr);
}

void MDocObj::AddCameraTrack(MAnim* animation, AnimView* view) {
  AddTrack(*this, animation, kTrackCamera, "camera", view);
}

namespace {

MAnim* AppendAnimation(AnimList& list) {
  auto* animation = new (std::nothrow) MAnim();
  if (animation == nullptr || !list.animations.Add(animation)) {
    delete animation;
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  return animation;
}

}  // namespace

int MDocObj::CreateObjectAnimation(MObject* object) {
  int figure = 0, morph = 0;
  if (!CanAnimateObject(object, &figure, &morph)) return 0;
  MAnim* animation = AppendAnimation(animations);
  if (animation == nullptr) return 0;
  if (!animation->objects.Add(object)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return 0;
  }
  SelectAll(false);
  object->Select(true);
  AddObjectTrack(animation);
  if (!Failed() && figure != 0) AddPoseTrack(animation);
  if (!Failed() && morph != 0) {
    PtrArray meshes;
    CollectMeshes(object, meshes);
    for (MMorphTgt* target : *morphTargets) {
      if (Failed()) break;
      // One track per object path, at the path's first target.
      bool first = true;
      for (MMorphTgt* t : *morphTargets) {
        if (t == target) break;
        if (std::strncmp(t->groupName, target->groupName, kNameTextSize) == 0) first = false;
      }
      if (!first) continue;
      for (int i = 0; i < meshes.count; ++i) {
        MMeshObj* mesh = AsMesh(static_cast<MObject*>(meshes[i]));
        if (mesh != nullptr && mesh->FindMorph(target->groupName) != nullptr) {
          AddMorphTrack(animation, target->groupName);
          break;
        }
      }
    }
  }
  return Failed() ? 0 : 1;
}

void MDocObj::SetCameraAnimation(AnimView* view, int value, bool remove) {
  if (animations.cameraState < 0) {
    MAnim* animation = AppendAnimation(animations);
    if (animation == nullptr) return;
    AddCameraTrack(animation, view);
    if (!Failed()) animations.cameraState = value;
  } else if (!remove) {
    animations.cameraState = value;
  } else {
    const int index = FindAnimation(nullptr, true);
    if (index >= 0) DeleteAnimation(index);
    animations.cameraState = -1;
    RemoveCameraObject();
  }
}

bool MDocObj::CreateSelectionAnimations(AnimView* view) {
  PtrArray selected;
  GetSelectedObjects(selected);
  SetModeBytes(0, 0, 0);
  ShowFrame(0, view);
  if (selected.count == 0) return false;
  for (int i = 0; i < selected.count; ++i)
    if (!CanAnimateObject(static_cast<MObject*>(selected[i]), nullptr, nullptr)) return false;
  for (int i = 0; i < selected.count && !Failed(); ++i) CreateObjectAnimation(static_cast<MObject*>(selected[i]));
  SelectAll(false);
  return !Failed();
}

// ---- tracks by number -------------------------------------------------------------------------

int MDocObj::GetTrackCount() const {
  int n = 0;
  for (int i = 0; i < animations.Count(); ++i) n += animations.At(i)->tracks.count;
  return n;
}

MAnimKeys* MDocObj::GetTrack(int number, int* animationOut) {
  for (int i = 0; i < animations.Count(); ++i) {
    MAnim* animation = animations.At(i);
    for (int k = 0; k < animation->tracks.count; ++k)
      if (animation->Track(k)->trackNumber == number) {
        if (animationOut != nullptr) *animationOut = i;
        return animation->Track(k);
      }
  }
  if (animationOut != nullptr) *animationOut = -1;
  return nullptr;
}

void MDocObj::RenumberTracks(int oldCount) {
  for (int i = 0; i < oldCount; ++i) {
    if (GetTrack(i, nullptr) != nullptr) continue;
    for (int j = i + 1; j < oldCount; ++j)
      if (MAnimKeys* track = GetTrack(j, nullptr)) {
        track->trackNumber = i;
        break;
      }
  }
}

int MDocObj::FindAnimation(MObject* object, bool byCamera) {
  for (int i = 0; i < animations.Count(); ++i) {
    MAnim* animation = animations.At(i);
    if (byCamera) {
      for (int k = 0; k < animation->tracks.count; ++k)
        if (animation->Track(k)->kind == kTrackCamera) return i;
    } else if (object == nullptr ? animation->objects.count == 0 : animation->HasObject(object)) {
      return i;
    }
  }
  return -1;
}

bool MDocObj::DeleteAnimation(int index) {
  const int n = GetTrackCount();
  MAnim* animation = animations.At(index);
  animations.animations.Remove(animation);
  delete animation;
  RenumberTracks(n);
  return true;
}

void MDocObj::RemoveUnusedAnimations() {
  for (int i = 0; i < animations.Count();) {
    MAnim* animation = animations.At(i);
    bool camera = false;
    for (int k = 0; k < animation->tracks.count; ++k) camera = camera || animation->Track(k)->kind == kTrackCamera;
    if (animation->objects.count == 0 && !camera)
      DeleteAnimation(i);
    else
      ++i;
  }
}

int MDocObj::DeleteSelectionTracks() {
  SetModeBytes(0, 0, 0);
  RemoveUnusedAnimations();
  PtrArray selected;
  GetSelectedObjects(selected);
  if (Failed()) return 0;
  int deleted = 0;
  for (int i = 0; i < selected.count; ++i) {
    const int index = FindAnimation(static_cast<MObject*>(selected[i]), false);
    if (index >= 0 && DeleteAnimation(index)) deleted = 1;
  }
  return deleted;
}

void MDocObj::SelectTrackObjects(int number) {
  SelectAll(false);
  int index = -1;
  if (GetTrack(number, &index) == nullptr) return;
  MAnim* animation = animations.At(index);
  for (int i = 0; i < animation->objects.count; ++i) animation->Object(i)->Select(true);
}

// ---- frames and keys ----------------------------------------------------------------------------

int MDocObj::GetFrameCount(bool fromTracks) {
  if (!fromTracks) return animations.frameCount;
  int last = 1;
  for (int i = 0; i < animations.Count(); ++i)
    for (int k = 0; k < animations.At(i)->tracks.count; ++k)
      if (animations.At(i)->Track(k)->GetLastFrame() > last) last = animations.At(i)->Track(k)->GetLastFrame();
  return last;
}

void MDocObj::SetExtraAnimValues(int a, int b, int c) {
  animations.extraValues[0] = a;
  animations.extraValues[1] = b;
  animations.extraValues[2] = c;
}

void MDocObj::GetExtraAnimValues(int& a, int& b, int& c) const {
  a = animations.extraValues[0];
  b = animations.extraValues[1];
  c = animations.extraValues[2];
}

MAKeyInfo* MDocObj::GetKeyAt(int frame, int number) {
  MAnimKeys* track = GetTrack(number, nullptr);
  return track == nullptr ? nullptr : track->FindKey(frame, nullptr);
}

int MDocObj::RecordKey(int frame, int number, AnimView* view) {
  MAnimKeys* track = GetTrack(number, nullptr);
  if (track == nullptr) return 0;
  SelectTrackObjects(number);
  MAKeyInfo* key = track->FindKey(frame, nullptr);
  if (key == nullptr) {
    key = track->NewKey();
    if (key == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return 0;
    }
    if (!track->InsertKey(frame, key)) {
      delete key;
      return 0;
    }
  }
  key->CaptureFrom(this, view, track->name);
  if (!Failed()) SelectAll(false);
  return 1;
}

void MDocObj::ShowFrame(int frame, AnimView* view) {
  for (int i = 0; i < GetTrackCount(); ++i) {
    MAnimKeys* track = GetTrack(i, nullptr);
    if (track == nullptr) continue;
    SelectTrackObjects(i);
    MAKeyInfo* value = track->NewKey();
    if (value == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      break;
    }
    track->ValueAt(frame, value);
    if (EngContext().failState == kEngFailFailed) {
      delete value;
      break;
    }
    value->ApplyIfPlaced(this, view);
    delete value;
    if (Failed()) break;
  }
  SelectAll(false);
}

void MDocObj::GetTrackInfo(int number, int* animationOut, char* nameOut, EngArray<std::int32_t>* frames) {
  if (nameOut != nullptr) nameOut[0] = 0;
  MAnimKeys* track = GetTrack(number, animationOut);
  if (track == nullptr) return;
  if (nameOut != nullptr) std::memcpy(nameOut, track->name, sizeof track->name);
  if (frames != nullptr) track->CollectFrames(*frames);
}

namespace {

// Takes every object that is no longer a child of the scene out of the
// list's animations, keeping the order of the others.
void RemoveNonChildren(AnimList& list, const PtrArray& children) {
  for (int i = 0; i < list.Count(); ++i) {
    MAnim* animation = list.At(i);
    for (int k = 0; k < animation->objects.count;) {
      bool child = false;
      for (int c = 0; c < children.count && !child; ++c) child = children[c] == animation->objects[k];
      if (child)
        ++k;
      else
        animation->objects.Remove(animation->objects[k]);
    }
  }
}

}  // namespace

// The saved and pending copies are purged too: none may keep the address
// of a deleted object.
void MDocObj::RemoveMissingAnimObjects() {
  RemoveNonChildren(animations, children);
  RemoveNonChildren(animationsBackup, children);
  if (animationsPending != nullptr) RemoveNonChildren(*animationsPending, children);
}

// ---- children and selection -------------------------------------------------------------------

int MDocObj::GetTopObjectIndex(MObject* object) {
  MObject* top = GetTopLevelObject(object);
  for (int i = 0; i < children.count; ++i)
    if (children[i] == top) return i;
  return -1;
}

void MDocObj::SelectOnlyChild(int index) {
  SelectAll(false);
  if (index >= 0 && index < children.count) ChildAt(index)->Select(true);
}

void MDocObj::SelectLastChild() {
  if (children.count > 0) ChildAt(children.count - 1)->Select(true);
}

int MDocObj::SelectPosableFigures() {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  if (meshes.count == 0) return -1;
  SelectAll(false);
  int selected = 0;
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MObject*>(meshes[i]);
    if (mesh->IsBoneObject() && static_cast<MBoneObj*>(mesh)->IsPoseCompatible(false)) {
      if (MObject* top = GetTopLevelObject(mesh)) {
        top->Select(true);
        selected = 1;
      }
    }
  }
  return selected;
}

bool MDocObj::IsAnimationActive(int purpose) const {
  if (animations.Count() == 0) return false;
  const CrPrefs* prefs = EngContext().prefs;
  const int preference = prefs != nullptr ? prefs->animationEdit : 1;
  if (preference == 3) return false;
  if (preference == 2) return purpose == 0;
  if (preference == 1) return purpose != 2;
  return true;
}

bool MDocObj::SelectionHasAnimation() {
  if (animations.Count() == 0) return false;
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count; ++i)
    if (FindAnimation(static_cast<MObject*>(selected[i]), false) >= 0) return true;
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (FindAnimation(GetTopLevelObject(static_cast<MObject*>(meshes[i])), false) >= 0) return true;
  return false;
}

bool MDocObj::SelectionHasNonFigure(MObject* object) {
  if (animations.Count() == 0) return false;
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  if (object != nullptr && !meshes.Add(object)) EngRecordFailure(kEngReasonOutOfMemory);
  for (int i = 0; i < meshes.count; ++i)
    if (!static_cast<MObject*>(meshes[i])->IsBoneObject()) return true;
  return false;
}

void MDocObj::GetAnimationName(int index, char* buffer) const {
  buffer[0] = 0;
  if (index >= 0 && index < animations.Count()) animations.At(index)->GetName(buffer);
}

// ---- camera object and morph weights ----------------------------------------------------------

MObject* MDocObj::FindCameraObject() {
  for (int i = 0; i < children.count; ++i)
    if (ChildAt(i)->excluded != 0) return ChildAt(i);
  return nullptr;
}

void MDocObj::RemoveCameraObject() {
  if (MObject* camera = FindCameraObject()) RemoveObject(camera);
}

void MDocObj::UpdateCameraObject(AnimView* view) {
  MObject* camera = FindCameraObject();
  if (camera == nullptr || view == nullptr) return;
  MatrixRecord m;
  camera->GetMatrix(m);
  view->GetCameraMatrix(m);
  camera->SetMatrix(m);
}

}  // namespace engine
