#include "engine/core/CRGlobalM.h"

#include <cstring>
#include <new>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/core/ObjectFactory.h"
#include "engine/mesh/MShader.h"

namespace engine {
namespace {

constexpr int kBoneFlagsKind0[CRGlobalM::kBoneFlagCount] = {0, 0, 1, 0, 1, 1, 1, 0, 0, 0,
                                                            0, 1, 1, 0, 0, 1, 1, 1, 0, 0};

void DeleteObjects(PtrArray& list) {
  for (int i = 0; i < list.count; ++i) delete static_cast<MObject*>(list[i]);
  list.RemoveAll();
}

// Appends every pointer of `from` to `to`; on a failed growth `to` is
// emptied (nothing deleted) and out of memory recorded.
bool AppendAll(const PtrArray& from, PtrArray& to) {
  for (int i = 0; i < from.count; ++i) {
    if (!to.Add(from[i])) {
      to.RemoveAll();
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  return true;
}

}  // namespace

unsigned char* DocCopyLayerTable(const unsigned char* source) {
  constexpr std::size_t kBytes =
      static_cast<std::size_t>(CRGlobalM::kLayerRecordSize) * CRGlobalM::kLayerTableRecords;
  auto* copy = static_cast<unsigned char*>(EngAlloc(kBytes));
  if (copy != nullptr) std::memcpy(copy, source, kBytes);
  return copy;
}

CRGlobalM::CRGlobalM() {
  // Without memory for it there is no current material to apply; the rest
  // of the store still works.
  currentMaterial.Reset(new (std::nothrow) MShader(), [](MShader* material) { delete material; });
  for (int b = 0; b < kBoneFlagCount; ++b) {
    boneFlags[0][b] = kBoneFlagsKind0[b];
    boneFlags[1][b] = 1 - kBoneFlagsKind0[b];
  }
}

CRGlobalM::~CRGlobalM() {
  currentMaterial.Reset();
  ForgetCurrentShader();
  Clear();
  // The backup's objects belong to the store as much as the clipboard's.
  ClearBackup();
  CompactElementPoolsIfInstalled();
  EngFree(backupLayerTable);
}

// ---- backup ---------------------------------------------------------------------

void CRGlobalM::MoveToBackup() {
  ClearBackup();
  if (!AppendAll(objects, backupObjects)) return;
  backupOwnedObject.TakeFrom(ownedObject);
  backupMorphTargets.TakeFrom(morphTargets);
  objects.RemoveAll();
  // The previous backup's table goes with the previous backup.
  EngFree(backupLayerTable);
  backupLayerTable = nullptr;
  backupLayerCount = 0;
  if (layerTable == nullptr) return;
  backupLayerTable = DocCopyLayerTable(layerTable);
  if (backupLayerTable == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  backupLayerCount = layerCount;
}

void CRGlobalM::RestoreFromBackup() {
  Clear();
  if (!AppendAll(backupObjects, objects)) return;
  ownedObject.TakeFrom(backupOwnedObject);
  morphTargets.TakeFrom(backupMorphTargets);
  backupObjects.RemoveAll();
  layerTable = backupLayerTable;
  layerCount = backupLayerCount;
  backupLayerTable = nullptr;
  backupLayerCount = 0;
}

void CRGlobalM::ClearBackup() {
  DeleteObjects(backupObjects);
  backupOwnedObject.Reset();
  backupMorphTargets.Reset();
}

// ---- current material -----------------------------------------------------------

void CRGlobalM::SetCurrentShader(MMeshObj* mesh, MShader* shader) {
  if (currentMaterial) currentMaterial.Get()->AssignTo(shader);
  lastMesh = mesh;
  lastShader = shader;
}

void CRGlobalM::ForgetCurrentShader() {
  lastMesh = nullptr;
  lastShader = nullptr;
}

// ---- clipboard ------------------------------------------------------------------

bool CRGlobalM::AddObject(MObject* object) {
  if (objects.Add(object)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

int CRGlobalM::CopyObjectsTo(PtrArray& target) {
  for (int i = 0; i < objects.count; ++i) {
    if (!target.Add(objects[i])) {
      EngRecordFailure(kEngReasonOutOfMemory);
      break;
    }
  }
  return target.count - 1;
}

void CRGlobalM::ReleaseObjectList() { objects.RemoveAll(); }

void CRGlobalM::Clear() {
  DeleteObjects(objects);
  ownedObject.Reset();
  morphTargets.Reset();
  EngFree(layerTable);
  layerTable = nullptr;
  layerCount = 0;
}

void CRGlobalM::SetLayerTable(unsigned char* table, int count) {
  if (table != layerTable) EngFree(layerTable);
  layerTable = table;
  layerCount = count;
}

unsigned char* CRGlobalM::GetLayerRecord(int i) {
  if (layerTable == nullptr || i < 0 || i >= kLayerTableRecords) return nullptr;
  return layerTable + static_cast<std::size_t>(i) * kLayerRecordSize;
}

int CRGlobalM::GetObjectLayerFlag(MObject* object) {
  const int layer = object->GetLayer();
  if (layer < 0 || layer >= layerCount) return 0;
  const unsigned char* record = GetLayerRecord(layer);
  return record != nullptr ? record[kLayerFlagOffset] : 0;
}

void CRGlobalM::GetLayerFlagSummary(bool& anySet, bool& anyClear) {
  if (layerTable == nullptr) return;
  anySet = false;
  anyClear = false;
  for (int i = 0; i < objects.count; ++i) {
    if (GetObjectLayerFlag(static_cast<MObject*>(objects[i])) != 0)
      anySet = true;
    else
      anyClear = true;
  }
}

// ---- pose additions ---------------------------------------------------------------

bool CRGlobalM::IsBoneFlagged(int kind, int bone) const {
  if (kind < 0 || kind > 1 || bone < 0 || bone >= kBoneFlagCount) return false;
  return boneFlags[kind][bone] == 1;
}

CRGlobalM& EngGlobalM() {
  static CRGlobalM* store = new CRGlobalM();
  return *store;
}

}  // namespace engine
