// MDocObj: the 99 layers: flags, names, the table handed out, moving and
// deleting layers, selection by layer, the layer backup of the edit step
// and the layer-name block of the scene stream.
//
// The layer-name block:
//   flags       int   bit 0: layerRecordsFlag
//   kind        int   0 names
//   count n     int   layers in use (clamped to 1..99 when read)
//   byte size   int   n * 256
//   n records   256   byte 0 the name's length, bytes 1..255 the name, zeros after it
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/mesh/MeshRecords.h"
#include "engine/scene/MDocObj.h"
#include "platform/Cp932.h"

namespace engine {
namespace {

constexpr int kNameBytes = 255;
constexpr int kNameRecordSize = 256;

// How much of the UTF-8 text fits `limit` bytes without splitting a character.
std::size_t Utf8CutLength(const char* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  std::size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

// At most 255 bytes of the text, whole characters only, zeros after it.
void CopyLayerName(char (&field)[256], const char* text) {
  std::memset(field, 0, sizeof field);
  if (text == nullptr) return;
  std::memcpy(field, text, Utf8CutLength(text, std::strlen(text), kNameBytes));
}

}  // namespace

// ---- flags and names ----------------------------------------------------------------

int MDocObj::GetGroupMembers(int layer, int* members) {
  int n = 0;
  for (int i = layer + 1; i < layerCount && i < kLayerCount && layers[i].groupHead == 0; ++i) members[n++] = i;
  return n;
}

void MDocObj::SetLayerFlag(int layer, int type, unsigned char value, bool cascade) {
  ENG_FATAL_IF(layer < 0 || layer >= kLayerCount);
  if (layer >= layerCount) layerCount = layer + 1;
  auto write = [type, value](LayerRecord& r) {
    switch (type) {
      case kLayerVisible: r.visible = value; break;
      case kLayerEditable: r.editable = value; break;
      case kLayerVisibleEditable: r.visible = r.editable = value; break;
      case kLayerGroupHead: r.groupHead = value; break;
      case kLayerSpare: r.spareFlag = value; break;
      case kLayerMirror: r.mirror = value; break;
      default: break;
    }
  };
  write(layers[layer]);
  if (layers[layer].groupHead != 1 || !cascade) return;
  int members[kLayerCount];
  const int n = GetGroupMembers(layer, members);
  for (int k = 0; k < n; ++k) write(layers[members[k]]);
}

void MDocObj::SetAllLayerFlags(unsigned char visibleValue, unsigned char editableValue) {
  for (int i = 0; i < layerCount && i < kLayerCount; ++i) {
    SetLayerFlag(i, kLayerVisible, visibleValue, false);
    SetLayerFlag(i, kLayerEditable, editableValue, false);
  }
}

bool MDocObj::IsObjectVisible(MObject* object) {
  const int layer = GetTopLevelObject(object)->GetLayer();
  return layer >= 0 && layer < kLayerCount && layers[layer].visible != 0;
}

bool MDocObj::IsObjectEditable(MObject* object) {
  const int layer = GetTopLevelObject(object)->GetLayer();
  return layer >= 0 && layer < kLayerCount && layers[layer].visible != 0 && layers[layer].editable != 0;
}

void MDocObj::SetLayerName(int layer, const char* text) {
  if (layer < 0 || layer >= kLayerCount) return;
  CopyLayerName(layers[layer].name, text);
}

void MDocObj::GetLayerName(int layer, char* buffer) {
  std::memset(buffer, 0, kNameRecordSize);
  if (layer < 0 || layer >= kLayerCount) return;
  std::memcpy(buffer, layers[layer].name, strnlen(layers[layer].name, kNameBytes));
}

// ---- the table ---------------------------------------------------------------------------

void MDocObj::GetLayerTable(int& count, int& current, LayerRecord* table) {
  int highest = -1;
  for (int i = 1; i < children.count; ++i) highest = std::max(highest, ChildAt(i)->GetLayer());
  count = std::min(std::max(highest + 1, layerCount), kLayerCount);
  layerCount = count;
  current = currentLayer;
  if (table == nullptr) return;
  for (int i = 0; i < count; ++i) {
    table[i] = layers[i];
    table[i].objectCount = 0;
    table[i].index = i;
    if (layers[i].groupHead == 0) continue;
    int members[kLayerCount];
    const int n = GetGroupMembers(i, members);
    if (n == 0) {
      table[i].visible = table[i].editable = 1;
      table[i].mirror = 0;
      continue;
    }
    unsigned char visible = 1, editable = 1, mirror = 0;
    for (int k = 0; k < n; ++k) {
      visible &= layers[members[k]].visible;
      editable &= layers[members[k]].editable;
      mirror |= layers[members[k]].mirror;
    }
    table[i].visible = visible;
    table[i].editable = editable;
    table[i].mirror = mirror;
  }
  for (int i = 1; i < children.count; ++i) {
    const int layer = ChildAt(i)->GetLayer();
    if (layer >= 0 && layer < count) ++table[layer].objectCount;
  }
}

int MDocObj::AddLayer(unsigned char groupHead) {
  if (layerCount > kLayerCount - 1) return -1;
  const int index = layerCount++;
  SetLayerFlag(index, kLayerVisibleEditable, 1, false);
  SetLayerFlag(index, kLayerGroupHead, groupHead, false);
  SetLayerFlag(index, kLayerMirror, 0, false);
  SetLayerName(index, "Layer");
  return index;
}

void MDocObj::CopyLayerNamesTo(MDocObj* other) {
  other->layerCount = layerCount;
  for (int i = 0; i < layerCount && i < kLayerCount; ++i)
    std::memcpy(other->layers[i].name, layers[i].name, sizeof layers[i].name);
}

// ---- objects and layers ----------------------------------------------------------------------

void MDocObj::MoveSelectionToLayer(int layer) {
  layer = LayerOrCurrent(layer);
  ENG_FATAL_IF(layer >= kLayerCount);
  for (int i = 1; i < children.count && !SceneFailed(); ++i)
    if (ChildAt(i)->IsSelected()) ChildAt(i)->SetLayer(layer);
}

bool MDocObj::SpreadObjectsOverLayers() {
  if (children.count > kLayerCount - 1) return false;
  SaveLayerBackup();
  int plain = 0;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    const int layer = object->GetLayer();
    const bool mirror = layer >= 0 && layer < kLayerCount && layers[layer].mirror != 0;
    if (!mirror) ++plain;
    object->SetLayer(mirror ? -2 : -1);
  }
  layerCount = 0;
  const int objects = children.count - 1;
  for (int k = 0; k < std::max(objects, 1); ++k) AddLayer(0);
  int nextPlain = 0, nextMirror = plain;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (object->GetLayer() == -1) {
      object->SetLayer(nextPlain++);
    } else {
      SetLayerFlag(nextMirror, kLayerMirror, 1, false);
      object->SetLayer(nextMirror++);
    }
  }
  currentLayer = 0;
  return true;
}

void MDocObj::DeleteLayer(int layer) {
  layer = LayerOrCurrent(layer);
  ENG_FATAL_IF(layer >= kLayerCount);
  SaveLayerBackup();
  if (SceneFailed() || layerCount <= 1) return;
  PtrArray onLayer;
  int expected = 0;
  for (int i = 1; i < children.count; ++i)
    if (ChildAt(i)->GetLayer() == layer) ++expected;
  CollectObjectsOnLayer(layer, onLayer);
  if (onLayer.count != expected) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  for (int k = 0; k < onLayer.count; ++k) RemoveObject(static_cast<MObject*>(onLayer[k]));
  for (int i = layer; i + 1 < layerCount && i + 1 < kLayerCount; ++i) layers[i] = layers[i + 1];
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    const int l = object->GetLayer();
    if (l > layer || (l == layer && layer > 0)) object->SetLayer(l - 1);
  }
  --layerCount;
  layers[layerCount] = LayerRecord();
  if (currentLayer >= layerCount) currentLayer = layerCount - 1;
}

void MDocObj::SelectLayerObjects(int layer, int mode, unsigned char keepOthers) {
  layer = LayerOrCurrent(layer);
  ENG_FATAL_IF(layer >= kLayerCount);
  ClearOtherSelections(nullptr);
  bool select = false;
  if (mode != 1)
    for (int i = 1; i < children.count; ++i)
      if (ChildAt(i)->GetLayer() == layer && !ChildAt(i)->IsSelected()) select = true;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (object->GetLayer() == layer)
      object->Select(select);
    else if (keepOthers == 0)
      object->Select(false);
  }
}

void MDocObj::SelectEditableObjects(bool value) {
  ClearOtherSelections(nullptr);
  for (int i = 1; i < children.count; ++i)
    if (IsObjectEditable(ChildAt(i))) ChildAt(i)->Select(value);
}

void MDocObj::CollectMeshesOnLayer(int layer, PtrArray& out) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MObject*>(meshes[i]);
    if (GetTopLevelObject(mesh)->GetLayer() != layer) continue;
    if (!out.Add(mesh)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MDocObj::CollectObjectsOnLayer(int layer, PtrArray& out) {
  for (int i = 1; i < children.count; ++i)
    if (ChildAt(i)->GetLayer() == layer) out.Add(ChildAt(i));
}

// ---- moving layers -------------------------------------------------------------------------------

void MDocObj::MoveLayerRecord(int source, int destination) {
  if (source < 0 || source >= kLayerCount || destination < 0 || destination > kLayerCount) return;
  const LayerRecord moved = layers[source];
  int landing;
  if (source < destination) {
    for (int i = source; i + 1 <= destination - 1; ++i) layers[i] = layers[i + 1];
    landing = destination - 1;
  } else {
    for (int i = source; i > destination; --i) layers[i] = layers[i - 1];
    landing = destination;
  }
  layers[landing] = moved;
  currentLayer = landing;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    const int l = object->GetLayer();
    if (l == source)
      object->SetLayer(landing);
    else if (source < destination && l > source && l < destination)
      object->SetLayer(l - 1);
    else if (source >= destination && l >= destination && l < source)
      object->SetLayer(l + 1);
  }
}

void MDocObj::MoveLayer(int layer, int destination) {
  if (destination == layer || destination == layer + 1) return;
  EndEdit(0);
  SaveLayerBackup();
  if (layer < 0 || layer >= layerCount) return;
  if (layers[layer].groupHead == 0) {
    MoveLayerRecord(layer, destination);
    return;
  }
  int members[kLayerCount];
  const int m = GetGroupMembers(layer, members);
  if (destination < layerCount)
    while (destination < layerCount && layers[destination].groupHead == 0) ++destination;
  if (layer < destination && layer + m + 1 >= destination) return;
  int last = layer;
  for (int k = 0; k <= m; ++k) {
    if (layer < destination) {
      MoveLayerRecord(layer, destination);
      last = destination - 1;
    } else {
      MoveLayerRecord(layer + k, destination + k);
      last = destination + k;
    }
  }
  currentLayer = last;
}

void MDocObj::EnsureUsableCurrentLayer() {
  int count = 0, current = 0;
  LayerRecord table[kLayerCount];
  GetLayerTable(count, current, table);
  auto usable = [&table](int i) {
    return table[i].visible == 1 && table[i].editable == 1 && table[i].groupHead == 0;
  };
  if (currentLayer >= 0 && currentLayer < kLayerCount && usable(currentLayer)) return;
  for (int i = 0; i < count; ++i) {
    if (usable(i)) {
      currentLayer = i;
      return;
    }
  }
  int target = currentLayer >= 0 && currentLayer < kLayerCount ? currentLayer : 0;
  if (layers[target].groupHead != 0) {
    for (int i = 0; i < count; ++i) {
      if (layers[i].groupHead == 0) {
        target = i;
        break;
      }
    }
  }
  SetLayerFlag(target, kLayerVisibleEditable, 1, false);
}

// ---- the layer backup ---------------------------------------------------------------------------------

unsigned char* MDocObj::CopyLayerTable() {
  if (SceneFailed()) return nullptr;
  unsigned char* copy = DocCopyLayerTable(reinterpret_cast<const unsigned char*>(layers));
  if (copy == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    EngReleaseReserveIfOutOfMemory();
  }
  return copy;
}

void MDocObj::SaveLayerBackup() {
  if (SceneFailed()) return;
  EngFree(layerBackup);
  layerBackup = nullptr;
  layerBackupValid = 0;
  layerBackup = reinterpret_cast<LayerRecord*>(CopyLayerTable());
  if (layerBackup == nullptr) return;
  layerBackupCount = layerCount;
  layerBackupCurrent = currentLayer;
  layerBackupValid = 1;
}

void MDocObj::SwapLayerBackup() {
  if (layerBackupValid == 0 || layerBackup == nullptr) return;
  for (int i = 0; i < kLayerCount; ++i) std::swap(layers[i], layerBackup[i]);
  std::swap(layerCount, layerBackupCount);
  std::swap(currentLayer, layerBackupCurrent);
  GetGridObject()->SetMirrorShown(HasMirrorLayer() ? 1 : 0);
}

void MDocObj::DropLayerBackup() {
  EngFree(layerBackup);
  layerBackup = nullptr;
  layerBackupValid = 0;
}

// ---- the layer-name block --------------------------------------------------------------------------------

void MDocObj::WriteLayerRecords(QFile& file) {
  const int n = std::min(std::max(layerCount, 1), kLayerCount);
  file.WriteInt(layerRecordsFlag & 1);
  file.WriteInt(0);
  file.WriteInt(n);
  file.WriteInt(n << 8);
  for (int i = 0; i < n; ++i) {
    // Stored as code page 932; text it cannot hold goes as it stands.
    const std::string name(layers[i].name, strnlen(layers[i].name, kNameBytes));
    const std::optional<std::string> converted = platform::Utf8ToCp932(name);
    std::string stored = converted ? *converted : name;
    stored.resize(converted ? Cp932CutLength(stored, kNameBytes) : std::min<std::size_t>(stored.size(), kNameBytes));
    unsigned char record[kNameRecordSize] = {};
    record[0] = static_cast<unsigned char>(stored.size());
    std::memcpy(record + 1, stored.data(), stored.size());
    file.Write(record, sizeof record);
  }
}

void MDocObj::ReadLayerRecords(QFile& file) {
  if (layerBackupCount != -1) return;
  constexpr const char* kWhat = "layer names";
  std::int32_t flags = 0, kind = 0, n = 0, size = 0;
  file.ReadInt(flags);
  file.ReadInt(kind);
  file.ReadInt(n);
  file.ReadInt(size);
  if (!EngCheckNotTruncated(file, kWhat)) return;
  layerRecordsFlag = static_cast<unsigned char>(flags & 1);
  layerCount = std::min(std::max(n, 1), kLayerCount);
  if (kind != 0) {
    EngSkipRecordBytes(file, size, kWhat);
    return;
  }
  const int records = std::max(n, 0);
  if (static_cast<std::int64_t>(records) * kNameRecordSize > file.BytesLeft()) {
    EngRecordLoadFailure("layer names: more records than the file holds");
    return;
  }
  for (int i = 0; i < records; ++i) {
    unsigned char record[kNameRecordSize];
    file.Read(record, sizeof record);
    if (!EngCheckNotTruncated(file, kWhat)) return;
    if (i >= kLayerCount) continue;  // more than the table holds: read past
    const std::string stored(reinterpret_cast<const char*>(record + 1), std::min<int>(record[0], kNameBytes));
    const std::optional<std::string> text = platform::Cp932ToUtf8(stored);
    if (!text) {
      EngRecordLoadFailure("layer names: a name that is not code page 932 text");
      return;
    }
    CopyLayerName(layers[i].name, text->c_str());
  }
}

}  // namespace engine
