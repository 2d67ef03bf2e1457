// MAnimKeys: the keys of one track, the curve between them and the track
// record.
#include <cstring>
#include <new>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/scene/AnimKeys.h"

namespace engine {

namespace {
constexpr const char* kWhat = "animation track";
}

MAnimKeys::~MAnimKeys() {
  for (int i = 0; i < keys.count; ++i) delete KeyAt(i);
}

void MAnimKeys::Setup(int number, int kindValue, const char* text) {
  trackNumber = number;
  kind = kindValue;
  std::strncpy(name, text, sizeof name - 1);
  name[sizeof name - 1] = 0;
}

MAKeyInfo* MAnimKeys::NewKey() const {
  switch (kind) {
    case kTrackCamera:
      return new (std::nothrow) MAKeyView();
    case kTrackPose:
      return new (std::nothrow) MAKeyPose();
    case kTrackMorph:
      return new (std::nothrow) MAKeyMorph();
    default:
      return new (std::nothrow) MAKeyObj();
  }
}

MAKeyInfo* MAnimKeys::FindKey(int frame, int* indexOut) const {
  for (int i = 0; i < keys.count; ++i)
    if (KeyAt(i)->GetFrame() == frame) {
      if (indexOut != nullptr) *indexOut = i;
      return KeyAt(i);
    }
  return nullptr;
}

bool MAnimKeys::InsertKey(int frame, MAKeyInfo* key) {
  if (FindKey(frame, nullptr) != nullptr) return false;
  int at = 0;
  for (int i = 0; i < keys.count; ++i)
    if (KeyAt(i)->GetFrame() < frame) at = i + 1;
  key->SetFrame(frame);
  if (!keys.Add(key)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  for (int i = keys.count - 1; i > at; --i) keys[i] = keys[i - 1];
  keys[at] = key;
  return true;
}

void MAnimKeys::RemoveKey(int frame, MAKeyInfo** keyOut) {
  int index = 0;
  MAKeyInfo* key = FindKey(frame, &index);
  if (key == nullptr) return;
  for (int i = index; i + 1 < keys.count; ++i) keys[i] = keys[i + 1];
  --keys.count;
  if (keyOut != nullptr)
    *keyOut = key;
  else
    delete key;
}

void MAnimKeys::CollectFrames(EngArray<std::int32_t>& out) const {
  for (int i = 0; i < keys.count; ++i)
    if (!out.Add(KeyAt(i)->GetFrame())) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
}

int MAnimKeys::GetLastFrame() const {
  int last = 0;
  for (int i = 0; i < keys.count; ++i)
    if (KeyAt(i)->GetFrame() > last) last = KeyAt(i)->GetFrame();
  return last;
}

void MAnimKeys::ScaleBy(double factor) {
  for (int i = 0; i < keys.count; ++i) KeyAt(i)->ScaleBy(factor);
}

MAnimKeys* MAnimKeys::Clone() const {
  auto* copy = new (std::nothrow) MAnimKeys();
  if (copy == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  copy->kind = kind;
  copy->trackNumber = trackNumber;
  std::memcpy(copy->name, name, sizeof name);
  for (int i = 0; i < keys.count; ++i) {
    MAKeyInfo* key = KeyAt(i)->Clone();
    if (key == nullptr || !copy->keys.Add(key)) {
      delete key;
      delete copy;
      EngRecordFailure(kEngReasonOutOfMemory);
      return nullptr;
    }
  }
  return copy;
}

int MAnimKeys::Matches(MAnimKeys* other) {
  if (kind != other->kind || keys.count == 0 || other->keys.count == 0) return 0;
  return KeyAt(0)->IsCompatible(other->KeyAt(0));
}

void MAnimKeys::AdaptTo(MAnimKeys* other) {
  KeyAt(0)->MergeInto(other->KeyAt(0));
  if (Matches(other) != 2) return;
  std::memcpy(other->name, name, sizeof name);
  for (int i = 0; i < other->keys.count; ++i) other->KeyAt(i)->SetObjectPath(name);
}

void MAnimKeys::InsertKeysFrom(MAnimKeys* other, int offset) {
  for (int i = 0; i < other->keys.count && EngContext().failState == kEngFailNone; ++i) {
    MAKeyInfo* key = other->KeyAt(i)->Clone();
    if (key == nullptr) return;
    if (!InsertKey(key->GetFrame() + offset, key)) {
      delete key;
      continue;
    }
    key->SetSelected(1);
  }
}

// ---- the curve ----------------------------------------------------------------------------

void MAnimKeys::FindNeighbours(int frame, MAKeyInfo*& single, MAKeyInfo* (&four)[4]) const {
  single = nullptr;
  for (MAKeyInfo*& k : four) k = nullptr;
  if (keys.count == 0) return;
  int above = keys.count;  // the first key above the frame
  for (int i = 0; i < keys.count; ++i) {
    if (KeyAt(i)->GetFrame() == frame) {
      single = KeyAt(i);
      return;
    }
    if (KeyAt(i)->GetFrame() > frame) {
      above = i;
      break;
    }
  }
  const int below = above - 1;
  if (below >= 0) {
    four[1] = KeyAt(below);
    four[0] = below >= 1 ? KeyAt(below - 1) : four[1];
  }
  if (above < keys.count) {
    four[2] = KeyAt(above);
    four[3] = above + 1 < keys.count ? KeyAt(above + 1) : four[2];
  }
  ENG_FATAL_IF(four[1] == nullptr && four[2] == nullptr);
  if (four[1] == nullptr)
    single = four[2];
  else if (four[2] == nullptr)
    single = four[1];
}

void MAnimKeys::ComputeControlWeights(const MAKeyInfo* const (&k)[4], double (&m)[4][4]) {
  constexpr double kThird = 1.0 / 3.0, kTwoThirds = 2.0 / 3.0;
  std::memset(m, 0, sizeof m);
  const double f0 = k[0]->GetFrame(), f1 = k[1]->GetFrame(), f2 = k[2]->GetFrame(), f3 = k[3]->GetFrame();
  const double d12 = f2 - f1;
  const double sixth = (d12 * kThird) / (2 * d12);
  m[0][1] = 1;
  m[3][2] = 1;
  const int a = k[1]->GetInterpolation();
  if (a == 2 || a == 4) {
    m[1][1] = 1;
  } else if (k[0] == k[1] || a == 1 || a == 3) {
    m[1][1] = kTwoThirds;
    m[1][2] = kThird;
  } else {
    const double A = (d12 * kThird) / (2 * (f1 - f0));
    m[1][0] = -A;
    m[1][1] = A + 1 - sixth;
    m[1][2] = sixth;
  }
  const int b = k[2]->GetInterpolation();
  if (b == 2 || b == 3) {
    m[2][2] = 1;
  } else if (k[3] == k[2] || b == 1 || b == 4) {
    m[2][1] = kThird;
    m[2][2] = kTwoThirds;
  } else {
    const double B = (d12 * kThird) / (2 * (f3 - f2));
    m[2][1] = sixth;
    m[2][2] = 1 - sixth + B;
    m[2][3] = -B;
  }
}

void MAnimKeys::WeightsAt(int frame, const MAKeyInfo* const (&k)[4], double (&w)[4]) {
  double m[4][4];
  ComputeControlWeights(k, m);
  const double t = static_cast<double>(frame - k[1]->GetFrame()) / static_cast<double>(k[2]->GetFrame() - k[1]->GetFrame());
  const double s = 1 - t;
  const double b[4] = {s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t};
  for (int j = 0; j < 4; ++j) w[j] = b[0] * m[0][j] + b[1] * m[1][j] + b[2] * m[2][j] + b[3] * m[3][j];
}

void MAnimKeys::ValueAt(int frame, MAKeyInfo* result) const {
  MAKeyInfo* single = nullptr;
  MAKeyInfo* four[4];
  FindNeighbours(frame, single, four);
  if (single != nullptr) {
    const double one = 1.0;
    result->Interpolate(1, &single, &one);
    return;
  }
  if (four[1] == nullptr || four[2] == nullptr) {
    result->SetFrame(kKeyNotPlaced);
    return;
  }
  double w[4];
  WeightsAt(frame, {four[0], four[1], four[2], four[3]}, w);
  result->Interpolate(4, four, w);
}

// ---- the record ---------------------------------------------------------------------------

void MAnimKeys::WriteTo(QFile* file, int* sizeOut, int size, const int* context) {
  if (sizeOut != nullptr) {
    int total = 272 + 4;
    for (int i = 0; i < keys.count; ++i) {
      int n = 0;
      KeyAt(i)->WriteTo(nullptr, &n, 0, nullptr);
      total += n;
    }
    *sizeOut = total;
    return;
  }
  file->WriteInt(size);
  file->WriteInt(kind);
  file->WriteInt(trackNumber);
  file->Write(name, sizeof name);
  file->WriteInt(keys.count);
  for (int i = 0; i < keys.count; ++i) {
    int n = 0;
    KeyAt(i)->WriteTo(nullptr, &n, 0, nullptr);
    KeyAt(i)->WriteTo(file, nullptr, n, context);
  }
  file->WriteInt(0);
}

int MAnimKeys::ReadFrom(QFile& file) {
  const std::int64_t start = file.ReadPosition();
  std::int32_t size = 0, count = 0;
  file.ReadInt(size);
  file.ReadInt(kind);
  file.ReadInt(trackNumber);
  file.ReadName(name);
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, kWhat)) return 0;
  // Each key record takes at least its size field and header.
  if (size < 276 || size - 272 > file.BytesLeft() || count < 0 || count > (size - 276) / 20) {
    EngRecordLoadFailure("animation track: the record size or key count does not fit");
    return 0;
  }
  for (int i = 0; i < keys.count; ++i) delete KeyAt(i);
  keys.RemoveAll();
  for (int i = 0; i < count; ++i) {
    MAKeyInfo* key = NewKey();
    if (key == nullptr || !keys.Add(key)) {
      delete key;
      EngRecordFailure(kEngReasonOutOfMemory);
      return 0;
    }
    if (key->ReadFrom(file) == 0) return 0;
    if (file.ReadPosition() - start > size - 4) {
      EngRecordLoadFailure("animation track: a key passes the end of its track");
      return 0;
    }
  }
  std::int32_t trailing = 0;
  file.ReadInt(trailing);
  if (!EngCheckNotTruncated(file, kWhat)) return 0;
  const std::int64_t left = start + size - file.ReadPosition();
  if (trailing < 0 || trailing > left) {
    EngRecordLoadFailure("animation track: the trailing bytes do not fit the record");
    return 0;
  }
  // Whatever the record holds beyond its keys is passed over.
  return EngSkipRecordBytes(file, left, kWhat) ? size : 0;
}

}  // namespace engine
