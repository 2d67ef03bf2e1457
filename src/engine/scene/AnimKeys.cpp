#include "engine/scene/AnimKeys.h"

#include <cstring>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/scene/MDocObj.h"

namespace engine {

namespace {

constexpr int kHeaderSize = 16;
constexpr const char* kWhat = "animation key";

// A clone's shell; out of memory recorded when it cannot be made.
template <typename Key>
Key* NewKeyOrFail() {
  auto* key = new (std::nothrow) Key();
  if (key == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
  return key;
}

// Bytes of the record still unread.
std::int64_t LeftOf(QFile& file, std::int64_t start, std::int32_t size) {
  return start + size - file.ReadPosition();
}

// The trailing count of a record: optional fields are read by the caller
// only when `count` covers them; what is left is skipped within the record.
bool SkipRest(QFile& file, std::int64_t start, std::int32_t size, std::int32_t count) {
  if (!EngCheckNotTruncated(file, kWhat)) return false;
  if (count < 0 || count > LeftOf(file, start, size)) {
    EngRecordLoadFailure("animation key: the trailing bytes do not fit the record");
    return false;
  }
  return EngSkipRecordBytes(file, count, kWhat);
}

// Reads the size field; false (a load failure) when the record cannot hold
// `least` bytes or passes the end of the file.
bool ReadSize(QFile& file, std::int32_t& size, int least) {
  file.ReadInt(size);
  if (!EngCheckNotTruncated(file, kWhat)) return false;
  if (size < least || size - 4 > file.BytesLeft()) {
    EngRecordLoadFailure("animation key: the record size does not fit");
    return false;
  }
  return true;
}

MObject* FirstSelected(MDocObj* scene) {
  PtrArray selected;
  scene->GetSelectedObjects(selected);
  return selected.count > 0 ? static_cast<MObject*>(selected[0]) : nullptr;
}

}  // namespace

// The first figure among the selection's meshes.
MBoneObj* AnimSelectedFigure(MDocObj* scene) {
  PtrArray selected;
  scene->GetSelectedObjects(selected);
  for (int i = 0; i < selected.count; ++i) {
    PtrArray meshes;
    scene->CollectMeshes(static_cast<MObject*>(selected[i]), meshes);
    for (int k = 0; k < meshes.count; ++k)
      if (static_cast<MObject*>(meshes[k])->IsBoneObject()) return static_cast<MBoneObj*>(meshes[k]);
  }
  return nullptr;
}

void AnimTurnAndPlaceWithScale(const MatrixRecord& turnAndPlace, const MatrixRecord& scaleFrom, MatrixRecord& out) {
  double y, x, z, sy, sx, sz;
  PointRecord keepScale, place, scale, unused;
  MUtilDecomposeMatrix(turnAndPlace, y, x, z, unused, place);
  MUtilDecomposeMatrix(scaleFrom, sy, sx, sz, scale, keepScale);
  MUtilComposeMatrix(y, x, z, scale, place, nullptr, out);
}

// ---- the base -----------------------------------------------------------------------------

void MAKeyInfo::WriteHeader(QFile& file) const {
  file.WriteInt(kHeaderSize);
  file.WriteInt(flagWord);
  file.WriteInt(frame);
  file.WriteInt(0);
}

bool MAKeyInfo::ReadHeader(QFile& file, std::int32_t size, std::int64_t start) {
  std::int32_t headerSize = 0, flags = 0, at = 0, further = 0;
  file.ReadInt(headerSize);
  file.ReadInt(flags);
  file.ReadInt(at);
  file.ReadInt(further);
  if (!EngCheckNotTruncated(file, kWhat)) return false;
  if (further < 0 || further > LeftOf(file, start, size)) {
    EngRecordLoadFailure("animation key: the header does not fit the record");
    return false;
  }
  flagWord = flags;
  frame = at;
  return EngSkipRecordBytes(file, further, kWhat);
}

// ---- camera -------------------------------------------------------------------------------

MAKeyInfo* MAKeyView::Clone() const {
  auto* key = NewKeyOrFail<MAKeyView>();
  if (key == nullptr) return nullptr;
  key->CopyBaseFrom(*this);
  key->camera = camera;
  return key;
}

void MAKeyView::CaptureFrom(MDocObj*, AnimView* view, const char*) {
  if (view != nullptr) view->GetCamera(camera);
}

void MAKeyView::ApplyTo(MDocObj* scene, AnimView* view) {
  if (view == nullptr) return;
  view->SetCamera(camera);
  if (scene != nullptr) scene->UpdateCameraObject(view);
}

void MAKeyView::Interpolate(int count, MAKeyInfo* const* keys, const double* weights) {
  double fov = 0;
  for (int i = 0; i < count; ++i) {
    const double w = weights[i];
    if (keys[i] == nullptr || w == 0.0) continue;
    const CameraKeyValues& c = static_cast<MAKeyView*>(keys[i])->camera;
    camera.yaw += w * c.yaw;
    camera.pitch += w * c.pitch;
    camera.roll += w * c.roll;
    camera.target.x += w * c.target.x;
    camera.target.y += w * c.target.y;
    camera.target.z += w * c.target.z;
    camera.distance += w * c.distance;
    camera.zoom += w * c.zoom;
    camera.projection = c.projection;
    fov += w * c.fieldOfView;
  }
  camera.fieldOfView = static_cast<std::int32_t>(fov + 0.5);
}

void MAKeyView::WriteTo(QFile* file, int* sizeOut, int, const int*) {
  if (sizeOut != nullptr) {
    *sizeOut = kRecordSize;
    return;
  }
  file->WriteInt(kRecordSize);
  WriteHeader(*file);
  file->WriteDouble(camera.yaw);
  file->WriteDouble(camera.pitch);
  file->WriteDouble(camera.roll);
  file->WriteInt(camera.projection);
  file->WriteInt(camera.fieldOfView);
  file->WritePoint(camera.target);
  file->WriteDouble(camera.distance);
  file->WriteInt(8);
  file->WriteDouble(camera.zoom);
}

int MAKeyView::ReadFrom(QFile& file) {
  const std::int64_t start = file.ReadPosition();
  std::int32_t size = 0;
  if (!ReadSize(file, size, 4 + kHeaderSize + 68) || !ReadHeader(file, size, start)) return 0;
  file.ReadDouble(camera.yaw);
  file.ReadDouble(camera.pitch);
  file.ReadDouble(camera.roll);
  file.ReadInt(camera.projection);
  file.ReadInt(camera.fieldOfView);
  file.ReadPoint(camera.target);
  file.ReadDouble(camera.distance);
  std::int32_t trailing = 0;
  file.ReadInt(trailing);
  camera.zoom = 1.0;
  // The zoom only when the count covers all of its eight bytes.
  if (trailing >= 8 && LeftOf(file, start, size) >= 8) {
    file.ReadDouble(camera.zoom);
    trailing -= 8;
  }
  return SkipRest(file, start, size, trailing) ? size : 0;
}

void MAKeyView::ScaleBy(double factor) {
  camera.target.x *= factor;
  camera.target.y *= factor;
  camera.target.z *= factor;
  camera.distance *= factor;
}

// ---- object -------------------------------------------------------------------------------

MAKeyObj::MAKeyObj() { std::memset(&matrix, 0, sizeof matrix); }

MAKeyInfo* MAKeyObj::Clone() const {
  auto* key = NewKeyOrFail<MAKeyObj>();
  if (key == nullptr) return nullptr;
  key->CopyBaseFrom(*this);
  key->matrix = matrix;
  return key;
}

void MAKeyObj::CaptureFrom(MDocObj* scene, AnimView*, const char*) {
  if (MObject* object = FirstSelected(scene)) object->GetMatrix(matrix);
}

void MAKeyObj::ApplyTo(MDocObj* scene, AnimView*) {
  MObject* object = FirstSelected(scene);
  if (object == nullptr) return;
  MatrixRecord applied = matrix;
  if ((object->flags & 1) != 0) {
    // Keep the object's own size; take the key's turn and place.
    MatrixRecord own;
    object->GetMatrix(own);
    AnimTurnAndPlaceWithScale(matrix, own, applied);
  }
  object->SetMatrix(applied);
}

void MAKeyObj::Interpolate(int count, MAKeyInfo* const* keys, const double* weights) {
  ENG_FATAL_IF(count > 4);
  double y = 0, x = 0, z = 0, accumulated = 0;
  PointRecord scale{0, 0, 0}, place{0, 0, 0};
  for (int i = 0; i < count; ++i) {
    const double w = weights[i];
    if (keys[i] == nullptr || w == 0.0) continue;
    double ky, kx, kz;
    PointRecord s, t;
    MUtilDecomposeMatrix(static_cast<MAKeyObj*>(keys[i])->matrix, ky, kx, kz, s, t);
    MUtilAccumulateRotation(y, x, z, accumulated, ky, kx, kz, w);
    scale.x += w * s.x;
    scale.y += w * s.y;
    scale.z += w * s.z;
    place.x += w * t.x;
    place.y += w * t.y;
    place.z += w * t.z;
  }
  MUtilComposeMatrix(y, x, z, scale, place, nullptr, matrix);
}

void MAKeyObj::WriteTo(QFile* file, int* sizeOut, int, const int*) {
  if (sizeOut != nullptr) {
    *sizeOut = kRecordSize;
    return;
  }
  file->WriteInt(kRecordSize);
  WriteHeader(*file);
  file->WriteMatrix(matrix);
  file->WriteInt(4);
  file->WriteInt(0);
}

int MAKeyObj::ReadFrom(QFile& file) {
  const std::int64_t start = file.ReadPosition();
  std::int32_t size = 0;
  if (!ReadSize(file, size, 4 + kHeaderSize + 132) || !ReadHeader(file, size, start)) return 0;
  if (LeftOf(file, start, size) < 132) {
    EngRecordLoadFailure("animation key: the matrix does not fit the record");
    return 0;
  }
  file.ReadMatrix(matrix);
  std::int32_t trailing = 0;
  file.ReadInt(trailing);
  if (trailing >= 4 && LeftOf(file, start, size) >= 4) {
    std::int32_t reserved = 0;
    file.ReadInt(reserved);
    trailing -= 4;
  }
  return SkipRest(file, start, size, trailing) ? size : 0;
}

void MAKeyObj::ScaleBy(double factor) { MUtilScaleAfter(matrix, factor, factor, factor, matrix); }

// ---- pose ---------------------------------------------------------------------------------

MAKeyInfo* MAKeyPose::Clone() const {
  auto* key = NewKeyOrFail<MAKeyPose>();
  if (key == nullptr) return nullptr;
  key->CopyBaseFrom(*this);
  key->pose.CopyFrom(pose);
  if (EngContext().failState != kEngFailNone) {
    delete key;
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  return key;
}

void MAKeyPose::CaptureFrom(MDocObj* scene, AnimView*, const char*) {
  MBoneObj* figure = AnimSelectedFigure(scene);
  if (EngContext().failState != kEngFailNone) return;
  ENG_FATAL_IF(figure == nullptr);
  pose.Clear();
  figure->GetPose(pose);
}

void MAKeyPose::ApplyTo(MDocObj* scene, AnimView*) {
  MBoneObj* figure = AnimSelectedFigure(scene);
  if (EngContext().failState != kEngFailNone || figure == nullptr || figure->GetParent() == nullptr) return;
  scene->ApplyPoseToSelection(pose, figure->GetParent(), 0);
}

void MAKeyPose::Interpolate(int count, MAKeyInfo* const* keys, const double* weights) {
  // The blend takes the skeleton of its keys.
  for (int i = 0; i < count; ++i)
    if (keys[i] != nullptr && weights[i] != 0.0) {
      const MPose& first = static_cast<MAKeyPose*>(keys[i])->pose;
      if (pose.BoneCount() == 0) {
        pose.CopyFrom(first);
        if (EngContext().failState != kEngFailNone) return;
      }
      break;
    }
  pose.SetZero();
  double sum = 0;
  for (int i = 0; i < count; ++i) {
    if (keys[i] == nullptr || weights[i] == 0.0) continue;
    pose.AddWeighted(static_cast<MAKeyPose*>(keys[i])->pose, weights[i], sum);
    sum += weights[i];
  }
  if (count == 4 && keys[1] != nullptr && keys[2] != nullptr)
    pose.KeepUnchangedAddValues(static_cast<MAKeyPose*>(keys[1])->pose, static_cast<MAKeyPose*>(keys[2])->pose);
}

void MAKeyPose::WriteTo(QFile* file, int* sizeOut, int, const int* context) {
  int n = 0;
  pose.WriteTo(nullptr, &n, 0, nullptr);
  if (sizeOut != nullptr) {
    *sizeOut = 24 + n;
    return;
  }
  file->WriteInt(24 + n);
  WriteHeader(*file);
  pose.WriteTo(file, nullptr, n, context);
  file->WriteInt(0);
}

int MAKeyPose::ReadFrom(QFile& file) {
  const std::int64_t start = file.ReadPosition();
  std::int32_t size = 0;
  if (!ReadSize(file, size, 4 + kHeaderSize + 4) || !ReadHeader(file, size, start)) return 0;
  pose.ReadFrom(file);
  if (EngContext().failState != kEngFailNone) return 0;
  if (LeftOf(file, start, size) < 4) {
    EngRecordLoadFailure("animation key: the pose does not fit the record");
    return 0;
  }
  std::int32_t trailing = 0;
  file.ReadInt(trailing);
  return SkipRest(file, start, size, trailing) ? size : 0;
}

int MAKeyPose::IsCompatible(MAKeyInfo* other) {
  return PoseHeaderEqual(pose.GetHeader(), static_cast<MAKeyPose*>(other)->pose.GetHeader()) ? 1 : 0;
}

// ---- morph weights ------------------------------------------------------------------------

namespace {

void CopyText256(char (&to)[256], const char* from) {
  std::strncpy(to, from, 255);
  to[255] = 0;
}

bool Contains(const char* text, const char* part) { return std::strstr(text, part) != nullptr; }

}  // namespace

bool MAKeyMorph::AddEntry(const char* name, double weight) {
  auto* entry = new (std::nothrow) MorphWeight();
  if (entry == nullptr || !entries.Add(entry)) {
    delete entry;
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  CopyText256(entry->name, name);
  entry->weight = weight;
  return true;
}

void MAKeyMorph::ClearEntries() {
  for (int i = 0; i < entries.count; ++i) delete Entry(i);
  entries.RemoveAll();
}

MAKeyInfo* MAKeyMorph::Clone() const {
  auto* key = NewKeyOrFail<MAKeyMorph>();
  if (key == nullptr) return nullptr;
  key->CopyBaseFrom(*this);
  std::memcpy(key->path, path, sizeof path);
  for (int i = 0; i < entries.count; ++i)
    if (!key->AddEntry(Entry(i)->name, Entry(i)->weight)) {
      delete key;
      return nullptr;
    }
  return key;
}

void MAKeyMorph::CaptureFrom(MDocObj* scene, AnimView*, const char* objectPath) {
  CopyText256(path, objectPath);
  ClearEntries();
  PtrArray names;
  scene->ListObjectMorphNames(path, names);
  for (int i = 0; i < names.count && EngContext().failState == kEngFailNone; ++i) {
    const char* name = static_cast<const char*>(names[i]);
    MMorphTgt* target = scene->FindMorphTarget(path, name);
    ENG_FATAL_IF(target == nullptr);
    if (!AddEntry(name, target->GetWeight())) return;
  }
}

void MAKeyMorph::ApplyTo(MDocObj* scene, AnimView*) {
  if (entries.count == 0) {
    if (!Contains(path, "/tamarik/tool/")) scene->ResetObjectMorphs(path, 1);
    return;
  }
  PtrArray names;
  DoubleArray weights;
  for (int i = 0; i < entries.count; ++i) {
    if (!names.Add(Entry(i)->name) || !weights.Add(Entry(i)->weight)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  scene->SetObjectMorphWeights(path, &names, &weights, 1, "", 0.0, false);
}

void MAKeyMorph::Interpolate(int count, MAKeyInfo* const* keys, const double* weights) {
  for (int i = 0; i < count; ++i) {
    const double w = weights[i];
    if (keys[i] == nullptr || w == 0.0) continue;
    const auto* key = static_cast<MAKeyMorph*>(keys[i]);
    std::memcpy(path, key->path, sizeof path);
    for (int e = 0; e < key->entries.count; ++e) {
      const MorphWeight* source = key->Entry(e);
      MorphWeight* same = nullptr;
      for (int k = 0; k < entries.count && same == nullptr; ++k)
        if (std::strncmp(Entry(k)->name, source->name, 256) == 0) same = Entry(k);
      if (same != nullptr)
        same->weight += w * source->weight;
      else if (!AddEntry(source->name, w * source->weight))
        return;
    }
  }
}

void MAKeyMorph::WriteTo(QFile* file, int* sizeOut, int, const int*) {
  const int size = 284 + 264 * entries.count;
  if (sizeOut != nullptr) {
    *sizeOut = size;
    return;
  }
  file->WriteInt(size);
  WriteHeader(*file);
  file->Write(path, sizeof path);
  file->WriteInt(entries.count);
  for (int i = 0; i < entries.count; ++i) {
    file->Write(Entry(i)->name, 256);
    file->WriteDouble(Entry(i)->weight);
  }
  file->WriteInt(0);
}

int MAKeyMorph::ReadFrom(QFile& file) {
  const std::int64_t start = file.ReadPosition();
  std::int32_t size = 0;
  if (!ReadSize(file, size, 4 + kHeaderSize + 264) || !ReadHeader(file, size, start)) return 0;
  if (LeftOf(file, start, size) < 264) {
    EngRecordLoadFailure("animation key: the object path does not fit the record");
    return 0;
  }
  file.ReadName(path);
  std::int32_t count = 0;
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, kWhat)) return 0;
  if (count < 0 || count > (LeftOf(file, start, size) - 4) / 264) {
    EngRecordLoadFailure("animation key: the morph weights do not fit the record");
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    MorphWeight entry{};
    file.ReadName(entry.name);
    file.ReadDouble(entry.weight);
    if (!AddEntry(entry.name, entry.weight)) return 0;
  }
  std::int32_t trailing = 0;
  file.ReadInt(trailing);
  return SkipRest(file, start, size, trailing) ? size : 0;
}

int MAKeyMorph::IsCompatible(MAKeyInfo* other) {
  return AnimMatchObjectPath(path, static_cast<MAKeyMorph*>(other)->path);
}

void MAKeyMorph::SetObjectPath(const char* text) { CopyText256(path, text); }

void MAKeyMorph::MergeInto(MAKeyInfo* otherKey) {
  if (!Contains(path, "/tamarik/human/face/")) return;
  auto* other = static_cast<MAKeyMorph*>(otherKey);
  for (int i = 0; i < other->entries.count; ++i)
    if (!Contains(other->Entry(i)->name, "eyemove_")) return;
  for (int i = 0; i < entries.count; ++i) {
    const MorphWeight* e = Entry(i);
    if (Contains(e->name, "eyemove_")) continue;
    if (!other->AddEntry(e->name, e->weight)) return;
    void* added = other->entries[other->entries.count - 1];
    int at = other->entries.count - 1;
    if (Contains(e->name, "skinbase_")) {
      at = 0;
    } else if (Contains(e->name, "eyeball_")) {
      at = 0;
      for (int k = 0; k < other->entries.count - 1; ++k)
        if (Contains(other->Entry(k)->name, "skinbase_")) {
          at = k + 1;
          break;
        }
    }
    for (int k = other->entries.count - 1; k > at; --k) other->entries[k] = other->entries[k - 1];
    other->entries[at] = added;
  }
}

}  // namespace engine
