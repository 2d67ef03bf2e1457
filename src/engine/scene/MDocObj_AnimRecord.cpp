// The animation-list record at the end of the scene record, the track
// blocks of animation files, and loading an animation onto the selection.
//
// Objects are stored by their index among the scene's children. An object
// that is no longer a child is left out when writing, an index outside the
// children is left out when reading, and a scene written as one merged mesh
// stores no animations (their objects do not exist in it).
#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/RecordReading.h"
#include "engine/scene/MDocObj.h"

namespace engine {

namespace {

constexpr const char* kWhat = "animations";
constexpr int kNameField = 256;

bool Failed() { return EngContext().failState != kEngFailNone; }

}  // namespace

void MDocObj::WriteAnimTracks(QFile& file, MAnim* animation, int number) {
  const int* context = GetAnimationSwitchB() != 0 ? &animationValue : nullptr;
  if (animation != nullptr) {
    animation->WriteTracks(file, unitCode, context);
    return;
  }
  ENG_FATAL_IF(number < 0);
  int index = -1;
  MAnimKeys* first = GetTrack(number, &index);
  ENG_FATAL_IF(first == nullptr);
  MAnim owner;  // borrows the tracks to write them as one block
  for (int n = number;; ++n) {
    int at = -1;
    MAnimKeys* track = GetTrack(n, &at);
    if (track == nullptr || at != index || !owner.tracks.Add(track)) break;
    if (GetAnimationSwitchA() == 0) break;
  }
  owner.WriteTracks(file, unitCode, context);
  owner.tracks.RemoveAll();
}

namespace {

// The child indexes of the animation's objects that are still children.
void ChildIndexes(MDocObj& scene, MAnim* animation, EngArray<std::int32_t>& out) {
  for (int i = 0; i < animation->objects.count; ++i)
    for (int c = 0; c < scene.children.count; ++c)
      if (scene.children[c] == animation->objects[i]) {
        if (!out.Add(c)) EngRecordFailure(kEngReasonOutOfMemory);
        break;
      }
}

}  // namespace

void MDocObj::WriteAnimList(QFile& file, int* size) {
  const int c = IsSingleMeshMode() ? 0 : animations.Count();
  int total = 8 + 32 + kNameField * c;
  for (int i = 0; i < c; ++i) {
    EngArray<std::int32_t> indexes;
    ChildIndexes(*this, animations.At(i), indexes);
    total += 4 + 4 * indexes.count + animations.At(i)->TrackBlockSize();
  }
  if (size != nullptr) {
    *size = total;
    return;
  }
  file.WriteInt(total);
  file.WriteInt(c);
  for (int i = 0; i < c; ++i) {
    EngArray<std::int32_t> indexes;
    ChildIndexes(*this, animations.At(i), indexes);
    file.WriteInt(indexes.count);
    for (int k = 0; k < indexes.count; ++k) file.WriteInt(indexes[k]);
    WriteAnimTracks(file, animations.At(i), 0);
  }
  file.WriteInt(animations.cameraState);
  file.WriteInt(animations.frameCount);
  file.WriteInt(animations.currentFrame);
  file.WriteInt(animations.storedValue);
  file.WriteInt(kNameField * c + 12);
  for (int i = 0; i < c; ++i) file.Write(animations.At(i)->name, kNameField);
  for (std::int32_t value : animations.extraValues) file.WriteInt(value);
}

int MDocObj::ReadAnimList(QFile& file, int limit) {
  const std::int64_t start = file.ReadPosition();
  std::int32_t size = 0, count = 0;
  file.ReadInt(size);
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, kWhat)) return 0;
  // Each entry takes at least its object count and track header.
  if (size < 8 + 20 || size > limit || count < 0 || count > (size - 28) / 8) {
    EngRecordLoadFailure("animations: the block size does not fit its record");
    return 0;
  }
  animations.Clear();
  auto left = [&] { return start + size - file.ReadPosition(); };
  for (int i = 0; i < count; ++i) {
    auto* animation = new (std::nothrow) MAnim();
    if (animation == nullptr || !animations.animations.Add(animation)) {
      delete animation;
      EngRecordFailure(kEngReasonOutOfMemory);
      return 0;
    }
    std::int32_t m = 0;
    file.ReadInt(m);
    if (!EngCheckNotTruncated(file, kWhat)) return 0;
    if (m < 0 || m > left() / 4) {
      EngRecordLoadFailure("animations: the object count does not fit the record");
      return 0;
    }
    for (int k = 0; k < m; ++k) {
      std::int32_t index = 0;
      file.ReadInt(index);
      // An index outside the children names no object: left out.
      if (index < 0 || index >= children.count || animation->HasObject(ChildAt(index))) continue;
      if (!animation->objects.Add(ChildAt(index))) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return 0;
      }
    }
    MAnim::ReadTracks(file, animation);
    if (Failed()) return 0;
    if (left() < 20) {
      EngRecordLoadFailure("animations: the tracks pass the end of the record");
      return 0;
    }
  }
  std::int32_t n = 0;
  file.ReadInt(animations.cameraState);
  file.ReadInt(animations.frameCount);
  file.ReadInt(animations.currentFrame);
  file.ReadInt(animations.storedValue);
  file.ReadInt(n);
  if (!EngCheckNotTruncated(file, kWhat)) return 0;
  if (n < 0 || n > left()) {
    EngRecordLoadFailure("animations: the settings do not fit the record");
    return 0;
  }
  // The optional parts only when the count covers them whole.
  if (n >= kNameField * count) {
    for (int i = 0; i < count; ++i) file.ReadName(animations.At(i)->name);
    n -= kNameField * count;
    if (n >= 12) {
      for (std::int32_t& value : animations.extraValues) file.ReadInt(value);
      n -= 12;
    }
  }
  if (!EngSkipRecordBytes(file, n, kWhat)) return 0;
  if (left() > 0 && !EngSkipRecordBytes(file, left(), kWhat)) return 0;
  // The stored numbers are kept when they number the tracks 0 to n - 1;
  // otherwise the tracks are numbered in list order.
  const int total = GetTrackCount();
  bool valid = true;
  for (int i = 0; i < total && valid; ++i) {
    int seen = 0;
    for (int a = 0; a < animations.Count(); ++a)
      for (int k = 0; k < animations.At(a)->tracks.count; ++k) seen += animations.At(a)->Track(k)->trackNumber == i;
    valid = seen == 1;
  }
  int number = 0;
  for (int a = 0; a < animations.Count() && !valid; ++a)
    for (int k = 0; k < animations.At(a)->tracks.count; ++k) animations.At(a)->Track(k)->trackNumber = number++;
  return size;
}

// ---- animation files --------------------------------------------------------------------

int MDocObj::CollectSelectionTracks(PtrArray& collected, EngArray<std::int32_t>& objectIndexes,
                                    EngArray<std::int32_t>* animationIndexes) {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (Failed() || selected.count == 0) return 0;
  for (int s = 0; s < selected.count; ++s) {
    auto* object = static_cast<MObject*>(selected[s]);
    int index = FindAnimation(object, false);
    if (index < 0) {
      if (CreateObjectAnimation(object) == 0) continue;
      index = FindAnimation(object, false);
      ENG_FATAL_IF(index < 0);
    }
    MAnim* animation = animations.At(index);
    bool seen = false;
    for (int k = 0; k < collected.count && !seen; ++k) seen = collected[k] == animation;
    if (seen) continue;
    if (!collected.Add(animation) || !objectIndexes.Add(GetTopObjectIndex(object)) ||
        (animationIndexes != nullptr && !animationIndexes->Add(index))) {
      EngRecordFailure(kEngReasonOutOfMemory);
      break;
    }
  }
  // Making animations changed the selection.
  for (int s = 0; s < selected.count; ++s) static_cast<MObject*>(selected[s])->Select(true);
  return collected.count;
}

int MDocObj::MatchAnimation(MAnim* animation) {
  PtrArray collected;
  EngArray<std::int32_t> indexes;
  if (CollectSelectionTracks(collected, indexes, nullptr) == 0) return -1;
  bool some = false, all = false;
  for (int i = 0; i < collected.count; ++i) {
    const int match = static_cast<MAnim*>(collected[i])->Match(animation);
    some = some || match == 1;
    all = all || match == 2;
  }
  return some ? 1 : all ? 2 : 0;
}

int MDocObj::ApplyAnimationToChild(MAnim* animation, int childIndex, int offset) {
  ENG_FATAL_IF(childIndex < 0 || childIndex >= children.count);
  MObject* child = ChildAt(childIndex);
  int index = FindAnimation(child, false);
  if (index < 0) {
    // Only a saved one-object animation may bring its object a new one.
    ENG_FATAL_IF(offset >= 0);
    ENG_FATAL_IF(animation->objects.count != 1);
    ENG_FATAL_IF(CreateObjectAnimation(child) != 1);
    index = FindAnimation(child, false);
    ENG_FATAL_IF(index < 0);
  }
  return animations.At(index)->Apply(animation, offset);
}

int MDocObj::ApplyAnimationToSelection(MAnim* animation, bool append) {
  SelectAllKeys(0);
  PtrArray collected;
  EngArray<std::int32_t> indexes;
  if (CollectSelectionTracks(collected, indexes, nullptr) == 0) return -1;
  int offset = -1;
  if (append) {
    int last = 0;
    for (int i = 0; i < collected.count; ++i) last = std::max(last, static_cast<MAnim*>(collected[i])->GetLastFrame());
    offset = 5 + last;
  }
  bool some = false, all = false;
  for (int j = 0; j < collected.count; ++j) {
    const int result = ApplyAnimationToChild(animation, indexes[j], offset);
    if (Failed()) return -1;
    some = some || result == 1;
    all = all || result == 2;
  }
  return some ? 1 : all ? 2 : 0;
}

int MDocObj::LoadAnimation(QFile& file, bool append) {
  int unit = 0;
  std::unique_ptr<MAnim> loaded(MAnim::CreateFromFile(file, &unit));
  if (loaded == nullptr) return -1;
  if (unit != unitCode) loaded->ScaleBy(GetUnitFactor(unitCode) / GetUnitFactor(unit));
  CommitAnimationEdit();
  if (MatchAnimation(loaded.get()) <= 0) return -1;
  ApplyAnimationToSelection(loaded.get(), append);
  return 0;
}

int MDocObj::WriteSelectedAnimation(QFile& file) {
  if (animationIndex >= 0) {
    WriteAnimTracks(file, nullptr, animationIndex);
    return 0;
  }
  MAnim* only = nullptr;
  int count = 0;
  for (int i = 0; i < animations.Count(); ++i) {
    MAnim* animation = animations.At(i);
    bool selected = false;
    for (int k = 0; k < animation->objects.count && !selected; ++k) selected = animation->Object(k)->IsSelected();
    if (selected) {
      only = animation;
      ++count;
    }
  }
  if (count != 1) return kNoSingleAnimation;
  WriteAnimTracks(file, only, -1);
  return 0;
}

void MDocObj::ClearStillAnimations(const PtrArray& objects) {
  for (int i = 0; i < children.count; ++i) {
    MObject* child = ChildAt(i);
    const int index = FindAnimation(child, false);
    if (index < 0) continue;
    bool listed = false;
    for (int k = 0; k < objects.count && !listed; ++k) listed = objects[k] == child;
    if (!listed || animations.At(index)->GetLastFrame() != 0) return;
  }
  animations.Clear();
}

void MDocObj::ReplaceObject(MObject* old, MObject* fresh, bool deleteOld) {
  MatrixRecord oldMatrix, newMatrix, placed;
  old->GetMatrix(oldMatrix);
  fresh->GetMatrix(newMatrix);
  AnimTurnAndPlaceWithScale(oldMatrix, newMatrix, placed);
  fresh->SetMatrix(placed);
  const int i = GetTopObjectIndex(old), j = GetTopObjectIndex(fresh);
  const int index = FindAnimation(old, false);
  if (index >= 0) {
    PtrArray& objects = animations.At(index)->objects;
    for (int k = 0; k < objects.count; ++k)
      if (objects[k] == old) objects[k] = fresh;
  }
  if (i < 0 || j < 0) return;
  children[i] = fresh;
  fresh->SetParent(this);
  if (deleteOld) {
    for (int k = j; k + 1 < children.count; ++k) children[k] = children[k + 1];
    --children.count;
    // No list keeps the address of the deleted object.
    ForgetAnimatedObject(old);
    delete old;
  } else {
    children[j] = old;
  }
}

void MDocObj::ReplaceSelectedObjects(const PtrArray& objects) {
  PtrArray selected;
  GetSelectedObjects(selected);
  ENG_FATAL_IF(selected.count != objects.count);
  for (int k = 0; k < objects.count; ++k)
    ReplaceObject(static_cast<MObject*>(objects[k]), static_cast<MObject*>(selected[k]), true);
}

}  // namespace engine
