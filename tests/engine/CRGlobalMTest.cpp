// The engine clipboard: its object list and layer table, the one-level
// backup (kept whole when memory runs out, never leaked), and the bone flag
// table of pose additions.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/core/CRGlobalM.h"
#include "engine/mesh/ElementPool.h"
#include "engine/mesh/MMorph.h"
#include "engine/mesh/MShader.h"
#include "ObjectTestSupport.h"

namespace {

using namespace engine;

// The clipboard holds things of later parts of the engine (a pose, a
// morph-target list) by pointer with their deleter; tests hand it tokens.
struct Token {
  int value;
};
MPose* NewPose(int value) { return reinterpret_cast<MPose*>(new Token{value}); }
void DeletePose(MPose* pose) { delete reinterpret_cast<Token*>(pose); }
using TargetList = MItemList<MMorphTgt>;
TargetList* NewTargets(int value) { return reinterpret_cast<TargetList*>(new Token{value}); }
void DeleteTargets(TargetList* targets) { delete reinterpret_cast<Token*>(targets); }
int ValueOf(const void* token) { return static_cast<const Token*>(token)->value; }

// A layer table whose record i has the flag byte flags[i] (0 past the list).
unsigned char* NewLayerTable(std::initializer_list<int> flags) {
  const std::size_t bytes = static_cast<std::size_t>(CRGlobalM::kLayerRecordSize) * CRGlobalM::kLayerTableRecords;
  auto* table = static_cast<unsigned char*>(EngAlloc(bytes));
  std::memset(table, 0, bytes);
  int i = 0;
  for (int flag : flags) table[i++ * CRGlobalM::kLayerRecordSize + CRGlobalM::kLayerFlagOffset] = flag;
  return table;
}

class CRGlobalMTest : public objecttest::EngineObjectTest {
 protected:
  // Fills the clipboard with `n` objects on layers 0, 1, 2, ... with a
  // pose, morph targets and a three-layer table.
  std::vector<MObject*> Fill(CRGlobalM& store, int n) {
    std::vector<MObject*> added;
    for (int i = 0; i < n; ++i) {
      auto* object = new MObject();
      object->layer = i;
      store.AddObject(object);
      added.push_back(object);
    }
    store.ownedObject.Reset(NewPose(11), DeletePose);
    store.morphTargets.Reset(NewTargets(22), DeleteTargets);
    store.SetLayerTable(NewLayerTable({1, 0, 1}), 3);
    return added;
  }
  static std::vector<MObject*> Objects(const PtrArray& list) {
    std::vector<MObject*> objects;
    for (int i = 0; i < list.count; ++i) objects.push_back(static_cast<MObject*>(list[i]));
    return objects;
  }
  // Blocks held for the element pools count only while in use: a pool left
  // with an empty block by an earlier test would give it back in the middle
  // of this one.
  static long Outstanding() {
    EngCompactElementPools();
    const EngAllocStats stats = EngAllocationStats();
    return stats.allocations - stats.frees;
  }
};

TEST_F(CRGlobalMTest, MoveToBackupThenRestoreKeepsObjectsInOrderWithPoseTargetsAndLayers) {
  const long before = Outstanding();
  {
    CRGlobalM store;
    const std::vector<MObject*> added = Fill(store, 12);
    store.MoveToBackup();
    EXPECT_EQ(store.objects.count, 0);
    EXPECT_EQ(store.ownedObject.Get(), nullptr);
    EXPECT_EQ(store.morphTargets.Get(), nullptr);
    EXPECT_NE(store.layerTable, nullptr);  // the clipboard keeps its own table

    // The operation that needed the clipboard fills it with its own things.
    Fill(store, 2);
    store.RestoreFromBackup();
    EXPECT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(Objects(store.objects), added);
    ASSERT_NE(store.ownedObject.Get(), nullptr);
    EXPECT_EQ(ValueOf(store.ownedObject.Get()), 11);
    EXPECT_EQ(ValueOf(store.morphTargets.Get()), 22);
    EXPECT_EQ(store.layerCount, 3);
    EXPECT_EQ(store.GetObjectLayerFlag(added[2]), 1);
    EXPECT_EQ(store.backupObjects.count, 0);
    EXPECT_EQ(store.backupLayerTable, nullptr);
  }
  EXPECT_EQ(Outstanding(), before);
}

TEST_F(CRGlobalMTest, RepeatedBackupsAndABackupLeftAtTheEndLeakNothing) {
  const long before = Outstanding();
  {
    CRGlobalM store;
    Fill(store, 3);
    store.MoveToBackup();
    Fill(store, 4);
    store.MoveToBackup();  // the first backup and its table go
    EXPECT_EQ(store.backupObjects.count, 4);
    Fill(store, 1);
  }
  EXPECT_EQ(Outstanding(), before);
}

TEST_F(CRGlobalMTest, RestoreThatRunsOutOfMemoryKeepsTheBackupWhole) {
  CRGlobalM store;
  const std::vector<MObject*> added = Fill(store, 5);
  store.MoveToBackup();
  {
    EngAllocFailureScope failNext(1);  // the clipboard's list cannot grow
    store.RestoreFromBackup();
  }
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
  EXPECT_EQ(store.objects.count, 0);
  EXPECT_EQ(Objects(store.backupObjects), added);
  EXPECT_NE(store.backupOwnedObject.Get(), nullptr);
  EXPECT_NE(store.backupMorphTargets.Get(), nullptr);
  EXPECT_NE(store.backupLayerTable, nullptr);

  // Once memory is back the user's objects come back as they were.
  EngContext().ClearFailure();
  store.RestoreFromBackup();
  EXPECT_EQ(Objects(store.objects), added);
  EXPECT_EQ(ValueOf(store.ownedObject.Get()), 11);
}

TEST_F(CRGlobalMTest, BackupThatRunsOutOfMemoryLeavesTheClipboardAsItWas) {
  CRGlobalM store;
  const std::vector<MObject*> added = Fill(store, 5);
  {
    EngAllocFailureScope failNext(1);
    store.MoveToBackup();
  }
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
  EXPECT_EQ(Objects(store.objects), added);
  EXPECT_EQ(store.backupObjects.count, 0);
  EXPECT_NE(store.ownedObject.Get(), nullptr);
}

TEST_F(CRGlobalMTest, LayerFlagsComeFromTheTableAndLayersBeyondItAnswerZero) {
  CRGlobalM store;
  bool anySet = true, anyClear = true;
  store.GetLayerFlagSummary(anySet, anyClear);  // no table: left as they were
  EXPECT_TRUE(anySet && anyClear);

  const std::vector<MObject*> added = Fill(store, 3);
  auto* beyond = new MObject();
  beyond->layer = 3;  // at layerCount
  store.AddObject(beyond);
  EXPECT_EQ(store.GetObjectLayerFlag(added[0]), 1);
  EXPECT_EQ(store.GetObjectLayerFlag(added[1]), 0);
  EXPECT_EQ(store.GetObjectLayerFlag(beyond), 0);
  EXPECT_EQ(store.GetLayerRecord(CRGlobalM::kLayerTableRecords), nullptr);
  EXPECT_EQ(store.GetLayerRecord(2) - store.GetLayerRecord(0), 2 * CRGlobalM::kLayerRecordSize);

  store.GetLayerFlagSummary(anySet, anyClear);
  EXPECT_TRUE(anySet);
  EXPECT_TRUE(anyClear);
  store.ReleaseObjectList();
  store.AddObject(added[0]);
  store.AddObject(added[2]);
  store.GetLayerFlagSummary(anySet, anyClear);
  EXPECT_TRUE(anySet);
  EXPECT_FALSE(anyClear);
  delete added[1];
  delete beyond;
}

TEST_F(CRGlobalMTest, PasteTakesPointersInOrderAndReleaseKeepsTheObjects) {
  CRGlobalM store;
  const std::vector<MObject*> added = Fill(store, 3);
  PtrArray target;
  MObject other;
  target.Add(&other);
  EXPECT_EQ(store.CopyObjectsTo(target), 3);
  EXPECT_EQ(Objects(target), (std::vector<MObject*>{&other, added[0], added[1], added[2]}));
  store.ReleaseObjectList();
  EXPECT_EQ(store.objects.count, 0);
  for (MObject* object : added) {
    EXPECT_EQ(object->index, 0);  // still alive
    delete object;
  }
}

TEST_F(CRGlobalMTest, ClearDropsTheClipboardButNotTheBackup) {
  CRGlobalM store;
  Fill(store, 2);
  store.MoveToBackup();
  Fill(store, 3);
  store.Clear();
  EXPECT_EQ(store.objects.count, 0);
  EXPECT_EQ(store.ownedObject.Get(), nullptr);
  EXPECT_EQ(store.layerTable, nullptr);
  EXPECT_EQ(store.layerCount, 0);
  EXPECT_EQ(store.backupObjects.count, 2);
  EXPECT_NE(store.backupOwnedObject.Get(), nullptr);
}

TEST_F(CRGlobalMTest, CurrentMaterialIsCopiedIntoTheMaterialItIsAppliedTo) {
  const long before = Outstanding();
  {
    CRGlobalM store;
    ASSERT_NE(store.currentMaterial.Get(), nullptr) << "the store starts with a material";
    MShader& current = *store.currentMaterial.Get();
    EXPECT_EQ(current.diffuseColor.x, 0.75);
    current.diffuseColor = {0.1, 0.2, 0.3};
    current.opacity = 0.4;
    current.texture = RgbaImageRecord{64, 64, EngAllocArray<unsigned char>(64 * 64 * 4)};
    std::memset(current.texture.pixels, 0x5A, current.texture.ByteSize());

    MItemList<MShader> facesHolder;
    MShader applied(&facesHolder);
    int mesh = 0;  // only remembered, never touched
    store.SetCurrentShader(reinterpret_cast<MMeshObj*>(&mesh), &applied);
    EXPECT_EQ(FailState(), kEngFailNone);
    EXPECT_EQ(applied.diffuseColor.z, 0.3);
    EXPECT_EQ(applied.opacity, 0.4);
    EXPECT_EQ(applied.holder, &facesHolder) << "the material stays with its mesh";
    ASSERT_NE(applied.texture.pixels, nullptr);
    EXPECT_NE(applied.texture.pixels, current.texture.pixels) << "a copy, never a shared block";
    EXPECT_EQ(applied.texture.pixels[100], 0x5A);
    EXPECT_EQ(store.lastMesh, reinterpret_cast<MMeshObj*>(&mesh));
    EXPECT_EQ(store.lastShader, &applied);

    store.ForgetCurrentShader();
    EXPECT_EQ(store.lastMesh, nullptr);
    EXPECT_EQ(store.lastShader, nullptr);
  }
  EXPECT_EQ(Outstanding(), before) << "the store frees its material and the copy frees its own";
}

TEST_F(CRGlobalMTest, PoseAdditionKindsFlagComplementaryBones) {
  const CRGlobalM store;
  const int kind0[CRGlobalM::kBoneFlagCount] = {0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 1, 0, 0};
  for (int bone = 0; bone < CRGlobalM::kBoneFlagCount; ++bone) {
    EXPECT_EQ(store.IsBoneFlagged(0, bone), kind0[bone] == 1) << bone;
    EXPECT_NE(store.IsBoneFlagged(0, bone), store.IsBoneFlagged(1, bone)) << bone;
    EXPECT_FALSE(store.IsBoneFlagged(-1, bone));
  }
  EXPECT_FALSE(store.IsBoneFlagged(0, CRGlobalM::kBoneFlagCount));
}

}  // namespace
