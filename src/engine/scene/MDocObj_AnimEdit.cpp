// Editing the scene's animation the way a timeline does: keys selected by
// frame and track, their kind and extra flag, deleting, moving, copying and
// stretching them in time; tracks reordered; an object stretched along one
// of its axes. The key selection is each key's selected bit, apart from the
// object selection.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "platform/Hooks.h"

namespace engine {

namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

// Calls `visit` (track, key, frame) on every selected key: animations in
// order, their tracks in order, each track's frames as listed before any
// change (ascending, or descending when `descending`), every frame looked
// up again when visited.
template <typename Visit>
void ForSelectedKeys(AnimList& list, bool descending, Visit visit) {
  for (int a = 0; a < list.Count(); ++a) {
    MAnim* animation = list.At(a);
    for (int t = 0; t < animation->tracks.count; ++t) {
      MAnimKeys* track = animation->Track(t);
      EngArray<std::int32_t> frames;
      track->CollectFrames(frames);
      if (Failed()) return;
      for (int i = 0; i < frames.count; ++i) {
        const int frame = frames[descending ? frames.count - 1 - i : i];
        MAKeyInfo* key = track->FindKey(frame, nullptr);
        if (key != nullptr && key->IsSelected() != 0) visit(track, key, frame);
        if (Failed()) return;
      }
    }
  }
}

}  // namespace

void MDocObj::SelectAllKeys(int value) {
  for (int a = 0; a < animations.Count(); ++a)
    for (int t = 0; t < animations.At(a)->tracks.count; ++t) {
      MAnimKeys* track = animations.At(a)->Track(t);
      for (int k = 0; k < track->keys.count; ++k) track->KeyAt(k)->SetSelected(value);
    }
}

void MDocObj::SelectKeysInRange(int frameA, int frameB, int trackA, int trackB, bool toggle) {
  if (!toggle) SelectAllKeys(0);
  const int f0 = std::min(frameA, frameB), f1 = std::max(frameA, frameB);
  for (int number = std::min(trackA, trackB); number <= std::max(trackA, trackB); ++number) {
    MAnimKeys* track = GetTrack(number, nullptr);
    if (track == nullptr) continue;
    for (int k = 0; k < track->keys.count; ++k) {
      MAKeyInfo* key = track->KeyAt(k);
      if (key->GetFrame() < f0 || key->GetFrame() > f1) continue;
      key->SetSelected(toggle ? (key->IsSelected() == 0 ? 1 : 0) : 1);
    }
  }
}

int MDocObj::GetKeyState(int frame, int number, int* kindOut, int* extraOut) {
  MAKeyInfo* key = GetKeyAt(frame, number);
  if (key == nullptr) return -1;
  if (kindOut != nullptr) *kindOut = key->GetInterpolation();
  if (extraOut != nullptr) *extraOut = key->GetExtraFlag();
  return key->IsSelected();
}

int MDocObj::GetKeyInterpolation(int frame, int number) {
  MAKeyInfo* key = GetKeyAt(frame, number);
  return key == nullptr ? -1 : key->GetInterpolation();
}

int MDocObj::GetKeyExtraFlag(int frame, int number) {
  MAKeyInfo* key = GetKeyAt(frame, number);
  return key == nullptr ? -1 : key->GetExtraFlag();
}

void MDocObj::CollectSelectedKeys(PtrArray& out) {
  ForSelectedKeys(animations, false, [&](MAnimKeys*, MAKeyInfo* key, int) {
    if (!out.Add(key)) EngRecordFailure(kEngReasonOutOfMemory);
  });
}

void MDocObj::SetSelectedKeysInterpolation(int kind) {
  ForSelectedKeys(animations, false, [&](MAnimKeys*, MAKeyInfo* key, int) { key->SetInterpolation(kind); });
}

void MDocObj::SetSelectedKeysExtraFlag(int value) {
  ForSelectedKeys(animations, false, [&](MAnimKeys*, MAKeyInfo* key, int) { key->SetExtraFlag(value); });
}

void MDocObj::DeleteSelectedKeys() {
  ForSelectedKeys(animations, false, [&](MAnimKeys* track, MAKeyInfo*, int frame) { track->RemoveKey(frame, nullptr); });
}

bool MDocObj::MoveSelectedKeys(int offset, bool copy) {
  bool refused = false;
  ForSelectedKeys(animations, false, [&](MAnimKeys* track, MAKeyInfo*, int frame) {
    MAKeyInfo* there = track->FindKey(frame + offset, nullptr);
    if (frame + offset < 0 || (there != nullptr && (copy || there->IsSelected() == 0))) refused = true;
  });
  if (refused) {
    platform::Beep();
    return false;
  }
  ForSelectedKeys(animations, offset >= 1, [&](MAnimKeys* track, MAKeyInfo* key, int frame) {
    if (copy) {
      MAKeyInfo* clone = key->Clone();
      if (clone == nullptr) return;
      if (!track->InsertKey(frame + offset, clone)) delete clone;
      return;
    }
    MAKeyInfo* taken = nullptr;
    track->RemoveKey(frame, &taken);
    if (taken != nullptr && !track->InsertKey(frame + offset, taken)) delete taken;
  });
  return !Failed();
}

void MDocObj::ScaleSelectedKeyTimes(double factor) {
  int first = 9999;
  ForSelectedKeys(animations, false, [&](MAnimKeys*, MAKeyInfo*, int frame) { first = std::min(first, frame); });
  if (first >= 9999) return;
  ForSelectedKeys(animations, factor >= 1, [&](MAnimKeys* track, MAKeyInfo*, int frame) {
    MAKeyInfo* taken = nullptr;
    track->RemoveKey(frame, &taken);
    if (taken == nullptr) return;
    int at = static_cast<int>(factor * (frame - first)) + first;
    while (track->FindKey(at, nullptr) != nullptr) ++at;
    if (!track->InsertKey(at, taken)) delete taken;
  });
}

int MDocObj::MoveTrack(int number, int position) {
  MAnimKeys* moved = GetTrack(number, nullptr);
  if (moved == nullptr) return position;
  const int n = GetTrackCount();
  if (position < 0) {
    for (int i = n - 1; i >= 0; --i)
      if (MAnimKeys* t = GetTrack(i, nullptr); t != nullptr && t != moved && i < number) t->trackNumber = i + 1;
    moved->trackNumber = 0;
    return 0;
  }
  if (position < number) {
    for (int i = number - 1; i > position; --i)
      if (MAnimKeys* t = GetTrack(i, nullptr); t != nullptr && t != moved) t->trackNumber = i + 1;
    moved->trackNumber = position + 1;
    return position + 1;
  }
  for (int i = number + 1; i <= position; ++i)
    if (MAnimKeys* t = GetTrack(i, nullptr); t != nullptr && t != moved) t->trackNumber = i - 1;
  moved->trackNumber = position;
  return position;
}

namespace {

// The animation of the track numbered so; -1 when there is none.
int AnimationOfTrack(MDocObj& scene, int number) {
  int animation = -1;
  scene.GetTrack(number, &animation);
  return animation;
}

}  // namespace

void MDocObj::AdjustTrackDropPosition(int number, int& position) {
  const int n = GetTrackCount();
  if (position < 0 || position >= n - 1) return;
  const int a = AnimationOfTrack(*this, number);
  const int b = AnimationOfTrack(*this, position);
  const int c = AnimationOfTrack(*this, position + 1);
  if (a == b || a == c || b != c) return;
  while (position > 0 && AnimationOfTrack(*this, position - 1) == b) --position;
  --position;
}

void MDocObj::MoveTrackWithGroup(int number, int position) {
  MAnimKeys* moved = GetTrack(number, nullptr);
  if (moved == nullptr) return;
  const int animation = AnimationOfTrack(*this, number);
  AdjustTrackDropPosition(number, position);
  position = MoveTrack(number, position);
  const int at = moved->trackNumber;
  if (AnimationOfTrack(*this, at - 1) == animation || AnimationOfTrack(*this, at + 1) == animation) return;
  const int n = GetTrackCount();
  bool anyMoved = false;
  for (int i = 0; i < n; ++i) {
    int own = -1;
    MAnimKeys* track = GetTrack(i, &own);
    if (track == nullptr || track == moved) continue;
    if (own != animation) {
      if (anyMoved) break;
      continue;
    }
    const bool fromBefore = i < moved->trackNumber;
    position = MoveTrack(i, position);
    anyMoved = true;
    if (fromBefore) --i;
  }
}

void MDocObj::StretchObject(MObject* object, double factor, const PointRecord& direction) {
  MatrixRecord world, inverse;
  GetObjectWorldMatrix(object, &world, &inverse);
  MatrixRecord turn = inverse;
  turn.m[3][0] = turn.m[3][1] = turn.m[3][2] = 0;
  PointRecord d;
  MUtilTransformVector(turn, direction, d);
  BoundsRecord box;
  object->GetLocalBounds(box);
  const PointRecord anchor{d.x > 0 ? box.maxX : box.minX, d.y > 0 ? box.maxY : box.minY,
                           d.z > 0 ? box.maxZ : box.minZ};
  const double ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
  double sx = 1, sy = 1, sz = 1;
  if (ax > ay && ax > az)
    sx = factor;
  else if (ay > ax && ay > az)
    sy = factor;
  else
    sz = factor;
  MatrixRecord m;
  object->GetMatrix(m);
  // Points scale about the anchor in the object's own axes.
  MUtilTranslate(m, anchor, m);
  MUtilScale(m, sx, sy, sz, m);
  MUtilTranslate(m, {-anchor.x, -anchor.y, -anchor.z}, m);
  object->SetMatrix(m);
}

}  // namespace engine
