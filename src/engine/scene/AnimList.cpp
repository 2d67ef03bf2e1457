#include "engine/scene/AnimList.h"

#include <cstring>
#include <new>
#include <utility>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {

namespace {
bool Failed() { return EngContext().failState != kEngFailNone; }
}  // namespace

MAnim::~MAnim() {
  for (int i = 0; i < tracks.count; ++i) delete Track(i);
}

const char* MAnim::SetName(const char* text) {
  const std::size_t n = strnlen(text, sizeof name - 1);
  std::memcpy(name, text, n);
  name[n] = 0;
  return text + n + 1;
}

void MAnim::GetName(char* buffer) const { std::memcpy(buffer, name, sizeof name); }

int MAnim::GetLastFrame() const {
  int last = 0;
  for (int i = 0; i < tracks.count; ++i)
    if (Track(i)->GetLastFrame() > last) last = Track(i)->GetLastFrame();
  return last;
}

void MAnim::ScaleBy(double factor) {
  for (int i = 0; i < tracks.count; ++i) Track(i)->ScaleBy(factor);
}

bool MAnim::HasObject(MObject* object) const {
  for (int i = 0; i < objects.count; ++i)
    if (objects[i] == object) return true;
  return false;
}

MAnim* MAnim::Clone() const {
  auto* copy = new (std::nothrow) MAnim();
  bool ok = copy != nullptr;
  for (int i = 0; ok && i < objects.count; ++i) ok = copy->objects.Add(objects[i]);
  for (int i = 0; ok && i < tracks.count; ++i) {
    MAnimKeys* track = Track(i)->Clone();
    ok = track != nullptr && copy->tracks.Add(track);
    if (!ok) delete track;
  }
  if (!ok) {
    delete copy;
    if (!Failed()) EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  std::memcpy(copy->name, name, sizeof name);
  return copy;
}

int MAnim::Transfer(MAnim* source, int apply, int offset) {
  int matched = 0, missed = 0;
  for (int i = 0; i < tracks.count; ++i) {
    MAnimKeys* target = Track(i);
    MAnimKeys* found = nullptr;
    for (int k = 0; k < source->tracks.count && found == nullptr; ++k)
      if (target->Matches(source->Track(k)) > 0) found = source->Track(k);
    if (found == nullptr) {
      ++missed;
      continue;
    }
    ++matched;
    if (apply != 1) continue;
    MAnimKeys* copy = found->Clone();
    if (copy == nullptr) return 0;
    target->AdaptTo(copy);
    if (offset < 0) {
      copy->trackNumber = target->trackNumber;
      delete target;
      tracks[i] = copy;
    } else {
      target->InsertKeysFrom(copy, offset);
      delete copy;
    }
  }
  if (matched == 0) return 0;
  return missed == 0 ? 2 : 1;
}

int MAnim::ReadTracks(QFile& file, MAnim* animation) {
  std::int32_t header = 0;
  file.ReadInt(header);
  if (!EngCheckNotTruncated(file, "animation tracks")) return 0;
  int count = 0, unit = 0;
  AnimUnpackTrackHeader(header, count, unit);
  for (int i = 0; i < count; ++i) {
    auto* track = new (std::nothrow) MAnimKeys();
    if (track == nullptr || !animation->tracks.Add(track)) {
      delete track;
      EngRecordFailure(kEngReasonOutOfMemory);
      return 0;
    }
    if (track->ReadFrom(file) == 0) return 0;
  }
  return unit;
}

MAnim* MAnim::CreateFromFile(QFile& file, int* unitOut) {
  auto* animation = new (std::nothrow) MAnim();
  if (animation == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  const int unit = ReadTracks(file, animation);
  if (Failed()) {
    delete animation;
    return nullptr;
  }
  if (unitOut != nullptr) *unitOut = unit;
  return animation;
}

int MAnim::TrackBlockSize() const {
  int total = 4;
  for (int i = 0; i < tracks.count; ++i) {
    int n = 0;
    Track(i)->WriteTo(nullptr, &n, 0, nullptr);
    total += n;
  }
  return total;
}

void MAnim::WriteTracks(QFile& file, int unitCode, const int* context) {
  file.WriteInt(AnimPackTrackHeader(tracks.count, unitCode));
  for (int i = 0; i < tracks.count; ++i) {
    int n = 0;
    Track(i)->WriteTo(nullptr, &n, 0, nullptr);
    Track(i)->WriteTo(&file, nullptr, n, context);
  }
}

// ---- the list -----------------------------------------------------------------------------

AnimList::~AnimList() { Clear(); }

void AnimList::Init() {
  Clear();
  cameraState = -1;
  frameCount = 50;
  currentFrame = 0;
  storedValue = 15;
  extraValues[0] = 0;
  extraValues[1] = 1;
  extraValues[2] = 100;
}

void AnimList::Clear() {
  for (int i = 0; i < animations.count; ++i) delete At(i);
  animations.RemoveAll();
}

void AnimList::ScaleBy(double factor) {
  for (int i = 0; i < animations.count; ++i) At(i)->ScaleBy(factor);
}

void AnimList::CopyTo(AnimList& target) const {
  ENG_FATAL_IF(target.animations.count != 0);
  target.cameraState = cameraState;
  target.frameCount = frameCount;
  target.currentFrame = currentFrame;
  target.storedValue = storedValue;
  std::memcpy(target.extraValues, extraValues, sizeof extraValues);
  for (int i = 0; i < animations.count && !Failed(); ++i) {
    MAnim* copy = At(i)->Clone();
    if (copy == nullptr) return;
    if (!target.animations.Add(copy)) {
      delete copy;
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void AnimList::ForgetObject(MObject* object) {
  for (int i = 0; i < animations.count; ++i)
    while (At(i)->objects.Remove(object)) {
    }
}

void AnimList::ReplaceObject(MObject* old, MObject* fresh) {
  for (int i = 0; i < animations.count; ++i) {
    PtrArray& objects = At(i)->objects;
    for (int k = 0; k < objects.count; ++k)
      if (objects[k] == old) objects[k] = fresh;
  }
}

void AnimList::Swap(AnimList& other) {
  std::swap(cameraState, other.cameraState);
  std::swap(frameCount, other.frameCount);
  std::swap(currentFrame, other.currentFrame);
  std::swap(storedValue, other.storedValue);
  std::swap(extraValues, other.extraValues);
  std::swap(animations, other.animations);
}

}  // namespace engine
