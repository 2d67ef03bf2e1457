// MDocObj: the scene record and its morph-target and animation blocks.
//
//   object header, child count, children, [trailer]   the group record (the grid first)
//   grid code        int      stored kind (0 and 1 exchanged) + 10 × sub-divisions
//   grid extent      double
//   grid divisions   int
//   grid colours     2 × 3 doubles
//   scene mode       int      1 all layers heads or mirrors, 10..118 / 120..228 single-mesh
//                             with the drawing flag set / clear, 2 single-mesh
//   -- formats below -1 --
//   unit code        int      low four bits
//   layer flag       int      odd: the layer-name block follows the view list
//   -- formats below -4 --
//   block size       int      99 + morph block + animation block
//   layer flags      99 bytes bit 0 visible, 1 editable, 2 group head, 3 spare, 4 mirror
//   morph targets    size, count, the target records
//   animations       the animation list, kept as it was read
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/scene/MDocObj.h"

namespace engine {
namespace {

constexpr const char* kWhat = "scene record";

bool BelowMinus1() { return EngContext().formatVersion < -1; }
bool BelowMinus4() { return EngContext().formatVersion < -4; }

// The stored grid kind exchanges kinds 0 and 1.
int StoredGridKind(int kind) { return kind == 0 ? 1 : kind == 1 ? 0 : kind; }

unsigned char LayerFlagByte(const LayerRecord& r) {
  return static_cast<unsigned char>((r.visible == 1 ? 1 : 0) | (r.editable == 1 ? 2 : 0) |
                                    (r.groupHead == 1 ? 4 : 0) | (r.spareFlag == 1 ? 8 : 0) |
                                    (r.mirror == 1 ? 16 : 0));
}

void SetLayerFlags(LayerRecord& r, unsigned char bits) {
  r.visible = bits & 1;
  r.editable = (bits >> 1) & 1;
  r.groupHead = (bits >> 2) & 1;
  r.spareFlag = (bits >> 3) & 1;
  r.mirror = (bits >> 4) & 1;
}

}  // namespace

// ---- the kind code -----------------------------------------------------------------------

constexpr int kCurrentFormatVersion = -101;

void MDocObj::WriteWithKindCode(QFile& file) {
  EngContext().formatVersion = kCurrentFormatVersion;
  file.WriteInt(kCurrentFormatVersion);
  WriteTo(file);
}

void MDocObj::ReadWithKindCode(QFile& file) {
  std::int32_t code = 0;
  file.ReadInt(code);
  if (!EngCheckNotTruncated(file, kWhat)) return;
  if (code >= 0) {
    EngRecordLoadFailure("scene record: the file does not begin with a scene kind code");
    return;
  }
  EngContext().formatVersion = code;
  ReadFrom(file);
}

// ---- writing ----------------------------------------------------------------------------

void MDocObj::WriteTo(QFile& file) {
  int counter = 0;
  AssignIndex(counter);
  if (IsSingleMeshMode())
    WriteAsSingleMesh(file);
  else
    MGroupObj::WriteTo(file);
  if (!SceneFailed()) {
    int kind, divisions, subdivisions;
    double extent;
    PointRecord colourA, colourB;
    GetGridParams(kind, extent, divisions, subdivisions, colourA, colourB);
    file.WriteInt(StoredGridKind(kind) + 10 * subdivisions);
    file.WriteDouble(extent);
    file.WriteInt(divisions);
    file.WritePoint(colourA);
    file.WritePoint(colourB);

    int mode = AreAllLayersHeadOrMirror() ? 1 : 0;
    if (IsSingleMeshMode()) {
      TakeDrawingParams();
      mode = (drawingParamFlag != 0 ? 10 : 120) - static_cast<int>(drawingParamFactor * -100.0);
    }
    file.WriteInt(mode);
    file.WriteInt(unitCode);
    file.WriteInt(1);
    if (BelowMinus4()) {
      int morphSize = 0, animSize = 0;
      WriteMorphTargets(file, &morphSize);
      WriteAnimList(file, &animSize);
      file.WriteInt(99 + morphSize + animSize);
      unsigned char flags[kLayerCount];
      for (int i = 0; i < kLayerCount; ++i) flags[i] = LayerFlagByte(layers[i]);
      file.Write(flags, sizeof flags);
      WriteMorphTargets(file, nullptr);
      WriteAnimList(file, nullptr);
    }
  }
  SetIndex(0);
}

void MDocObj::WriteMorphTargets(QFile& file, int* size) {
  int total = 8, count = 0;
  for (MMorphTgt* target : *morphTargets) {
    int n = 0;
    target->WriteTo(file, &n);
    total += n;
    ++count;
  }
  if (size != nullptr) {
    *size = total;
    return;
  }
  file.WriteInt(total);
  file.WriteInt(count);
  for (MMorphTgt* target : *morphTargets) target->WriteTo(file, nullptr);
}

// ---- reading ----------------------------------------------------------------------------

namespace {

// The floor grid first, exactly once: a damaged file may bring none, or
// more than one.
void EnsureGridFirst(MDocObj& scene) {
  MObject* grid = nullptr;
  for (int i = 0; i < scene.children.count;) {
    MObject* child = scene.ChildAt(i);
    if (child->GetType() != kObjectGrid) {
      ++i;
      continue;
    }
    if (grid == nullptr) {
      grid = child;
      ++i;
      continue;
    }
    scene.RemoveChild(child);
    delete child;
  }
  if (grid == nullptr) {
    grid = new (std::nothrow) MGridObj();
    if (grid == nullptr || !scene.AddChild(grid)) {
      delete grid;
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  // Move it to the front.
  PtrArray& list = scene.children;
  int at = 0;
  while (list[at] != grid) ++at;
  for (; at > 0; --at) list[at] = list[at - 1];
  list[0] = grid;
}

}  // namespace

void MDocObj::ReadFrom(QFile& file) {
  PtrArray old;
  GetChildren(old);
  if (SceneFailed()) return;
  for (int i = 0; i < old.count; ++i) {
    auto* child = static_cast<MObject*>(old[i]);
    RemoveChild(child);
    delete child;
  }
  morphTargets->Clear();
  animations.Init();
  DropSavedAnimation();

  std::int32_t tag = 0;
  file.ReadInt(tag);
  MGroupObj::ReadFrom(file);
  // Even a scene whose reading failed keeps a grid first.
  const bool failed = SceneFailed();
  EnsureGridFirst(*this);
  if (failed || SceneFailed()) return;

  std::int32_t code = 0, divisions = 0, modeValue = 0;
  double extent = 0;
  PointRecord colourA, colourB;
  file.ReadInt(code);
  file.ReadDouble(extent);
  file.ReadInt(divisions);
  file.ReadPoint(colourA);
  file.ReadPoint(colourB);
  file.ReadInt(modeValue);
  if (!EngCheckNotTruncated(file, kWhat)) return;
  int subdivisions = code / 10;
  if (subdivisions < 1) subdivisions = 5;
  int kind = GetGridObject()->gridKind;  // an unknown stored kind keeps the present one
  switch (code % 10) {
    case 0: kind = 1; break;
    case 1: kind = 0; break;
    case 2: kind = 2; break;
    default: break;
  }
  if (divisions < 1) divisions = 10;  // a zero would divide every grid step by zero
  if (!(extent > 0) || !std::isfinite(extent)) extent = 100.0;
  SetGrid(kind, extent, divisions, subdivisions, colourA, colourB);

  SetSingleMeshMode(false);
  if (modeValue - 10 >= 0 && modeValue - 10 <= 108) {
    SetSingleMeshMode(true);
    drawingParamFlag = 1;
    drawingParamFactor = (modeValue - 10) / 100.0;
  } else if (modeValue - 120 >= 0 && modeValue - 120 <= 108) {
    SetSingleMeshMode(true);
    drawingParamFlag = 0;
    drawingParamFactor = (modeValue - 120) / 100.0;
  } else if (modeValue == 2) {
    SetSingleMeshMode(true);
  }

  if (BelowMinus1()) {
    std::int32_t unit = 0, layerFlag = 0;
    file.ReadInt(unit);
    file.ReadInt(layerFlag);
    if (!EngCheckNotTruncated(file, kWhat)) return;
    unitCode = unit & 0xF;
    if (layerFlag > 0 && (layerFlag & 1) != 0) layerBackupCount = -1;
  }
  bool layerFlagsRead = false;
  if (BelowMinus4()) {
    std::int32_t n = 0;
    file.ReadInt(n);
    if (!EngCheckNotTruncated(file, kWhat)) return;
    if (n > file.BytesLeft()) {
      EngRecordLoadFailure("scene record: the extra block is longer than the file");
      return;
    }
    if (n >= 99) {
      unsigned char flags[kLayerCount];
      file.Read(flags, sizeof flags);
      for (int i = 0; i < kLayerCount; ++i) SetLayerFlags(layers[i], flags[i]);
      layerFlagsRead = true;
      n -= 99;
    }
    if (n > 0) {
      const int used = ReadMorphTargets(file, n);
      if (SceneFailed()) return;
      n -= used;
    }
    if (n > 0) {
      const int used = ReadAnimList(file, n);
      if (SceneFailed()) return;
      n -= used;
    }
    if (n > 0 && !EngSkipRecordBytes(file, n, kWhat)) return;
    RenumberMorphIndices();
  }

  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(meshes[i])->CleanUpShaders(true);
  if (SceneFailed()) return;
  RemoveEmptyObjects();
  int count = 0, current = 0;
  GetLayerTable(count, current, nullptr);
  // Mode 1 stood for "every layer mirrored" before the flag bytes were
  // stored; with them, the flags say what each layer is.
  if (modeValue == 1 && !layerFlagsRead)
    for (int i = 0; i < layerCount; ++i) SetLayerFlag(i, kLayerMirror, 1, false);
  GetGridObject()->SetMirrorShown(HasMirrorLayer() ? 1 : 0);
  if (GetMaxMorphIndex() < 0) RenumberMorphIndices();
}

int MDocObj::ReadMorphTargets(QFile& file, int limit) {
  std::int32_t size = 0, count = 0;
  file.ReadInt(size);
  file.ReadInt(count);
  if (!EngCheckNotTruncated(file, "morph targets")) return 0;
  if (size < 8 || size > limit || count < 0) {
    EngRecordLoadFailure("morph targets: the block size does not fit its record");
    return 0;
  }
  const std::int64_t start = file.ReadPosition() - 8;
  for (int i = 0; i < count; ++i) {
    auto* target = new (std::nothrow) MMorphTgt();
    if (target == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return 0;
    }
    if (!target->ReadFrom(file) || file.ReadPosition() - start > size) {
      delete target;
      EngRecordLoadFailure("morph targets: a target runs past its block");
      return 0;
    }
    char path[kNameTextSize], name[kNameTextSize];
    target->GetGroupName(path);
    target->GetTargetName(name);
    if (FindMorphTarget(path, name) != nullptr)
      delete target;
    else
      InsertMorphTarget(target, "");
  }
  const std::int64_t left = size - (file.ReadPosition() - start);
  if (left > 0 && !EngSkipRecordBytes(file, left, "morph targets")) return 0;
  return size;
}

// ---- the target list ------------------------------------------------------------------------

MMorphTgt* MDocObj::FindMorphTarget(const char* path, const char* name) {
  for (MMorphTgt* target : *morphTargets) {
    if (std::strncmp(target->groupName, path, kNameTextSize) == 0 &&
        std::strncmp(target->targetName, name, kNameTextSize) == 0)
      return target;
  }
  return nullptr;
}

bool MDocObj::CollectMorphTargets(PtrArray& out) {
  for (MMorphTgt* target : *morphTargets) {
    if (!out.Add(target)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  return true;
}

void MDocObj::InsertMorphTarget(MMorphTgt* target, const char* after) {
  MItem* anchor = nullptr;
  if (after != nullptr && after[0] != '\0') anchor = FindMorphTarget(target->groupName, after);
  if (anchor == nullptr)
    for (MMorphTgt* t : *morphTargets) anchor = t;  // the last one
  morphTargets->InsertAfter(anchor, target);
}

}  // namespace engine
