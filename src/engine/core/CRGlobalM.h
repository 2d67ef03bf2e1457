#pragma once
// The engine's process-wide store for what outlives a single scene: the
// clipboard of copied 3D objects with the layer table and morph targets
// that came with them, a one-level backup of that clipboard, the current
// material (that new faces take) with the mesh and material it was last
// applied to, and the bone flag table of pose additions.
//
// The scene's copy, cut and paste fill and read the clipboard; the facade
// moves it to the backup and back around operations that use the clipboard
// themselves. Objects in either list are owned by the store.
#include "engine/core/EngArrays.h"
#include "engine/core/EngOwned.h"

namespace engine {

template <class T>
class MItemList;
class MMeshObj;
class MMorphTgt;
class MObject;
class MPose;
class MShader;

class CRGlobalM {
 public:
  // A layer table is a block of kLayerTableRecords records of
  // kLayerRecordSize bytes from EngAlloc (the scene's layer records); the
  // store reads only each record's flag byte.
  static constexpr int kLayerRecordSize = 272;
  static constexpr int kLayerTableRecords = 99;
  static constexpr int kLayerFlagOffset = 4;
  static constexpr int kBoneFlagCount = 20;

  CRGlobalM();
  virtual ~CRGlobalM();
  CRGlobalM(const CRGlobalM&) = delete;
  CRGlobalM& operator=(const CRGlobalM&) = delete;

  // ---- backup ---------------------------------------------------------------
  // Drops the old backup and moves the clipboard's objects, pose and morph
  // targets into the backup, with a copy of its layer table (the clipboard
  // keeps its own table). Out of memory while listing the objects leaves the
  // clipboard as it was.
  virtual void MoveToBackup();
  // Clears the clipboard and moves the backup into it. Out of memory leaves
  // the clipboard empty and the backup whole.
  virtual void RestoreFromBackup();
  // Deletes the backup's objects, pose and morph targets.
  virtual void ClearBackup();

  // ---- current material -------------------------------------------------------
  // Copies the current material into `shader` (which keeps its holder) and
  // remembers the mesh and the material it was applied to.
  void SetCurrentShader(MMeshObj* mesh, MShader* shader);
  // Forgets the mesh and material the current material was last applied
  // to; called whenever either may have changed or gone.
  void ForgetCurrentShader();

  // ---- clipboard --------------------------------------------------------------
  // Appends an object (the store owns it); false with out of memory recorded.
  bool AddObject(MObject* object);
  // Appends every clipboard object to `target` (they stay owned here);
  // answers the index of the last one appended. Stops with out of memory
  // recorded.
  int CopyObjectsTo(PtrArray& target);
  // Empties the list without deleting the objects (a paste took them over).
  void ReleaseObjectList();
  // Deletes the objects, the pose and the morph targets and frees the layer
  // table. The backup is not touched.
  void Clear();
  // Takes over a copied layer table and its record count.
  void SetLayerTable(unsigned char* table, int count);
  // The address of layer record i, or null when there is none.
  unsigned char* GetLayerRecord(int i);
  // The layer flag of the object's layer; 0 when its layer has no record.
  int GetObjectLayerFlag(MObject* object);
  // With a layer table: whether some object's layer flag is set, and whether
  // some object's is clear. Without one, the outputs are left as they are.
  void GetLayerFlagSummary(bool& anySet, bool& anyClear);

  // ---- pose additions -----------------------------------------------------------
  // Whether a pose addition of `kind` flags bone `bone`: kinds 0 and 1 flag
  // complementary sets of the first 20 bones; other kinds flag nothing.
  bool IsBoneFlagged(int kind, int bone) const;

  // ---- members ----------------------------------------------------------------
  EngOwned<MShader> currentMaterial;  // a material with the defaults until a caller changes it
  MMeshObj* lastMesh = nullptr;       // not owned
  MShader* lastShader = nullptr;      // not owned
  PtrArray objects;
  unsigned char* layerTable = nullptr;
  int layerCount = 0;
  int pasteValue = 0;
  // Also the side-angle setting of symmetric drawings, saved with each
  // scene: seen from the other side (step count) and the factor (step size).
  int stepCount = 1;
  double stepSize = 0.5;
  int pasteFlag = 0;
  EngOwned<MPose> ownedObject;        // the clipboard pose
  EngOwned<MItemList<MMorphTgt>> morphTargets;
  EngOwned<MItemList<MMorphTgt>> backupMorphTargets;
  EngOwned<MPose> backupOwnedObject;
  PtrArray backupObjects;
  unsigned char* backupLayerTable = nullptr;
  int backupLayerCount = 0;
  int shadowPassCount = 0;  // casting objects drawn so far in the scene's shadow pass
  unsigned char axisMarkAtSelection = 0;  // the scene's axis mark at the selected vertices
  int boneFlags[2][kBoneFlagCount];
};

// A new table (EngAlloc) holding the 99 layer records of `source`; null
// when memory runs out (nothing is recorded). The scene's copy makes the
// clipboard's table with it, and the backup takes its copy the same way.
unsigned char* DocCopyLayerTable(const unsigned char* source);

// The process's store. It lives until the process ends and is never
// destroyed, so no order of static destruction between it and the element
// pools its meshes return to can matter.
CRGlobalM& EngGlobalM();

}  // namespace engine
