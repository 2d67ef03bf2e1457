#pragma once
// One page: the ordered list of page objects (later objects lie in front;
// the members of a group or panel frame follow it directly), the page size
// and resolution, the grid settings, a root object carrying the default
// property values, and the page's thumbnail texts and picture.
//
// Every change of the page runs as an undoable command; the commands call
// the list primitives here. Ids are unique in the page: `nextId` is the id
// the next added object receives.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "page/SGridInfo.h"
#include "page/SObj.h"
#include "platform/Image.h"

namespace page {

class SAlignRect;
class SAnimStates;
class SCom;
class SComs;
struct SAlignInfo;

// An object out of the list, and its index in it. While an object sits in
// such a record and not in the list, the record's owner (a command) owns it.
struct SDatObj {
  SObj* object = nullptr;
  int index = -1;
};

// The state of one object that reordering and container changes touch.
struct SDatID {
  int id = -1;
  std::uint32_t flags = 0;
  int parentId = -1;
  friend bool operator==(const SDatID&, const SDatID&) = default;
};

// Kinds of SDoc::CopyOrRemoveSelection.
enum SCopyKind : int { kCopySelection = 0, kCutSelection = 1, kDeleteSelection = 2, kDuplicateSelection = 3 };

// Kinds of SDoc::MakeInputObject.
enum SInputKind : int { kInputRect = 0, kInputOval = 1, kInputLine = 2, kInputText = 3, kInputPoly = 4 };

// Where SDoc::MoveSelectionIntoContainer puts the moved block.
enum SBlockPosition : int { kBlockAtEnd = -1, kBlockToBack = 0, kBlockToFront = 1 };

class SDoc {
 public:
  static constexpr int kFirstId = 1000;

  int nextId = kFirstId;
  SGridInfo grid;
  int resolution = 72;  // dots per inch
  std::string thumbText1;   // the page's title
  std::string thumbText2;   // its description
  platform::Image thumbImage;  // 32-bit thumbnail picture

  SDoc();
  // A page of its own undo depth (1 to 20); the default one takes
  // PnGlobal::undoLimit.
  explicit SDoc(int undoLimit);
  SDoc(const SDoc&) = delete;
  SDoc& operator=(const SDoc&) = delete;
  virtual ~SDoc();

  int GetPageWidth() const { return pageWidth_; }
  int GetPageHeight() const { return pageHeight_; }
  // Sizes of 0 or less become 1.
  void SetPageSize(int width, int height);
  // The object without shape that carries the values used when nothing is
  // selected; never drawn or listed.
  SObj& Root() { return *root_; }
  const SObj& Root() const { return *root_; }

  // ---- the undo stack: SDoc.cpp --------------------------------------------
  // Runs the command through the undo stack: -1 without a command, else its
  // Do result (a failed command is deleted; the caller reports the code and
  // rolls the open group back).
  int Execute(std::unique_ptr<SCom> command);
  void CloseCommandGroup();
  // The last command of the last closed group while nothing is undone.
  SCom* LastGroupCommand() const;
  int RollbackOpenGroup();
  SComs& Commands() { return *commands_; }
  const SComs& Commands() const { return *commands_; }
  // Shows the selection's 3D, 2D and light values (or the page's defaults)
  // in the property bars.
  void RefreshBars() const;

  // ---- object list: SDoc.cpp ----------------------------------------------
  int GetObjectCount() const { return static_cast<int>(objects_.size()); }
  SObj* GetObject(int index) const { return objects_[static_cast<std::size_t>(index)].get(); }
  std::span<const std::unique_ptr<SObj>> Objects() const { return objects_; }
  // -1 when the object is not in the list.
  int IndexOf(const SObj* object) const;
  // Null when the id is negative or no object has it.
  SObj* FindObjectById(int id) const;

  // Takes ownership of the object. An id below 0 gives it nextId (which
  // grows); otherwise it keeps `id`, and nextId moves above it when it is
  // not below. An index below 0 (or past the end) appends. Answers the
  // object's id, or -1 for a null object.
  int AddObject(SObj* object, int index, int id);
  int AddObject(std::unique_ptr<SObj> object, int index, int id) { return AddObject(object.release(), index, id); }
  // Takes the object out of the list; the caller owns it. An object that is
  // not in the list is a broken invariant.
  SObj* RemoveObjectById(int id);
  void RemoveObject(SObj* object);
  // Removes each record's object in array order and stores in the record
  // the index the object had at the moment it left. To put them back,
  // insert from the last record to the first (InsertObjects, forward false).
  void RemoveObjects(std::span<SDatObj> records);
  // Deletes the records' objects (for owners that end while holding them).
  static void DeleteObjects(std::span<SDatObj> records);
  // Inserts each record's object at its index, in array order or from the
  // last to the first; the list owns them again.
  void InsertObjects(std::span<const SDatObj> records, bool forward);
  // Deletes an object that is in no list; null is ignored.
  static void DeleteObject(SObj* object);

  // Appends, for every object in list order, its id, its flags (the frame
  // bit first brought in line) and its parentId.
  void SaveIdState(std::vector<SDatID>& out);
  // Restores flags and parentId from a state of the same objects. With
  // `reorder` the list is rebuilt in the state's order; without, the state
  // must already be in list order. A state that does not describe the list
  // is a broken invariant.
  void RestoreIdState(std::span<const SDatID> state, bool reorder);
  // Clears the temporary marks 0x40 and 0x80 of every object.
  void ClearTempMarks();
  // A new group object (hidden container with a base shape), not in the
  // list yet.
  static std::unique_ptr<SObj> NewGroupObject();

  // Takes every object out of the list; the caller owns them.
  std::vector<std::unique_ptr<SObj>> TakeAllObjects();

  // ---- selection: SDoc_Select.cpp -------------------------------------------
  // Operations that say so end with SyncGroupSelection: a group object is
  // selected exactly when all its members are.
  // Selects or deselects every object that is neither hidden nor kept out
  // of hits; synchronises.
  void SelectAll(bool on);
  // Clears the selection, hidden objects' too, and selects the object (none
  // when null); synchronises.
  void SelectOnly(SObj* object);
  // Clears the selection and selects every object of the kind (SObj::IsKind),
  // hidden ones too; synchronises.
  void SelectKind(int kind);
  // A click on the object: drills into groups one level per click, keeps
  // the level the user drilled into, toggles with `add` (Shift or Ctrl).
  // `keep` (a drag may follow) leaves a selected object's selection alone.
  // Synchronises. An id not in the list is a broken invariant.
  void SelectObject(int id, bool add, int keep);
  // A rubber band over the objects of the ids: a group counts only when all
  // its members lie in the band. Selects them, or toggles them; synchronises.
  void SelectIds(std::span<const int> ids, bool toggle);
  // Selects every member of every selected panel frame (no synchronisation).
  void SelectFrameContents();
  // Also selects the panel frame of every selected object; synchronises.
  void SelectFramesOfSelection();
  // Hides and deselects the selection (no synchronisation).
  void HideSelection();
  // Shows every object but the group objects (no synchronisation).
  void ShowAll();
  // The object and all its members (no synchronisation).
  void SetRangeSelected(SObj* object, bool on);
  void SetSelectedById(int id, bool on);
  void SetObjectSelected(SObj* object, bool on);
  // From the last object to the first: each group object becomes selected
  // exactly when every member after it is. A group without members is left
  // unselected.
  void SyncGroupSelection();

  // ---- structure queries: SDoc_Query.cpp ------------------------------------
  // Members of a container are the objects whose chain of parent ids reaches
  // it; they follow it in one run, nested containers inside.
  int GetObjectId(const SObj* object) const { return object ? object->id : -1; }
  // The first and last index of the object's member range (its own index up
  // to its last member); for no object, the whole list ({0, -1} when empty).
  std::pair<int, int> GetMemberRange(const SObj* object) const;
  SObj* FindParent(const SObj* object) const;
  // The container (a group or panel frame) lies on the object's chain of
  // parents; the object itself does not count.
  bool IsInside(const SObj* container, const SObj* object) const;
  SObj* FindInnermostGroup(const SObj* object) const;
  // The outermost group object above the object (among selected ones with
  // `selectedOnly`); null when there is none.
  SObj* FindOutermostGroup(const SObj* object, bool selectedOnly) const;
  // The outermost group object above the object that lies below the
  // container (below the top without one); null for a direct member.
  SObj* FindGroupBelow(const SObj* container, const SObj* object) const;
  // The object when it is a panel frame, else its nearest parent that is.
  SObj* FindPanelFrameOf(SObj* object) const;
  // The last container in list order that holds every selected object
  // other than itself (and at least one). Selected containers are skipped
  // unless `includeSelected`, containers that are not groups with
  // `groupsOnly`.
  SObj* FindCommonContainer(bool groupsOnly, bool includeSelected) const;
  // The selected panel frame that takes the other selected objects. `code`:
  // 0; kResultNeedFrameAndShape (-5) when there is no selected frame or
  // nothing else is selected; kResultFrameGrouped (-4) when the frame's
  // container is selected too (null then).
  SObj* FindTargetFrame(int& code) const;
  // Where a new group object goes: the container (null for the top) and
  // the index after the last selected object of the container's range,
  // past what is nested below it.
  SObj* FindGroupInsertPoint(int& index) const;
  // `single` false: the first selected object's id; true: the id of the only
  // selected object. -1 otherwise.
  int GetSelectedId(bool single) const;
  // 0 not selected; 1 selected without a group above it; 2 selected with a
  // selected outermost group above it; 3 with an unselected one.
  int GetSelectionMark(const SObj* object) const;
  bool HasObjects() const { return !objects_.empty(); }
  bool HasSelection() const;
  // The centre of the box spanned by the centres of the selected objects
  // (group objects, which draw nothing, left out); false without selection.
  bool GetSelectionCentre(SPoint& centre) const;
  // From the selection's centre to the page's; (0, 0) without selection.
  SPoint GetCentringOffset() const;

  // Enable tests of the view's menu items.
  bool CanEditPointsOf(int id) const;
  bool HasEditDialogOf(int id) const;
  bool CanExportSceneOf(int id) const;
  bool CanConvertSelectionToPicture() const;
  bool HasSelectedGroup() const;
  // More than one object selected, unless the selection is one group.
  bool CanGroupSelection() const;
  bool HasSelectedWithUnselectedParent() const;
  // Mode 0: the page has a panel frame; 1: a panel frame is selected; 2: a
  // selected object is not a panel frame, or is one that keeps no mask.
  bool QueryFrames(int mode) const;

  // ---- structure changes: SDoc_Structure.cpp -------------------------------
  // On: every selected object that is not a container (a group stays a
  // group), or is a panel frame that keeps no mask, becomes a clipping
  // panel frame. Off: every selected panel frame becomes an ordinary object
  // and its direct members move up to its container.
  void SetPanelFrame(bool on);
  void MakePanelFrame(int id);
  void SetFrameTrimOff(bool on);
  // Ungroups the selected outermost group objects: their members move up a
  // level and the emptied groups leave the list into `removed`, with every
  // other group left with fewer than two members.
  void UngroupSelection(std::vector<SDatObj>& removed);
  // From the last index to the first, every group object with fewer than
  // two direct members (a panel frame with contents counts as enough)
  // leaves the list into `removed`; a lone member moves up to its container.
  void DissolveSmallGroups(std::vector<SDatObj>& removed);
  // The last object of the list moves to just before the first selected
  // object, into its container, selected (a cut-out frame over the shapes it
  // cuts out). Nothing with fewer than two objects.
  void MoveLastBeforeSelection();
  void BeginEditPoints(int id);

  // ---- placement and shapes: SDoc_Move.cpp ----------------------------------
  // Moves the centre of every selected object (every object with `all`).
  void MoveObjects(double dx, double dy, bool all);
  // Scales the selection by the drag of a handle of object `id` from
  // `handle` to `drag` about `anchor`: mode 0 (corner) by the distance from
  // the anchor, other modes along the handle's direction only (mode 1
  // stretches widths, others heights). The factor is at least 0.05, and a
  // handle closer than 1.1 pixels to the anchor does not shrink.
  void ScaleByHandle(int id, SPoint anchor, SPoint handle, SPoint drag, int mode);
  // Turns the selection about `centre` by the angle from `start` to
  // `current`; with `snap` object `id` ends on a multiple of 15 degrees.
  // Angles stay in [0, 2 pi).
  void RotateByHandle(int id, SPoint centre, SPoint start, SPoint current, bool snap);
  void MoveSpecialHandle(int id, SPoint drag, int handle, int value);
  void MirrorSelection();
  std::unique_ptr<SFIGSpProp> SaveSpPropOf(int id) const;
  void RestoreSpPropOf(int id, const SFIGSpProp& saved);
  int SetNormalizedPointsOf(int id, std::span<const SPoint> points);
  // kResultCannotOpen (-9) for an id not in the list.
  int ExportSceneOf(int id, const std::string& path);

  // ---- alignment: SDoc_Align.cpp --------------------------------------------
  // One record per unit in list order: a selected object whose nearest
  // group is not selected (a selected group stands for its members). True
  // with two or more.
  bool CollectAlignItems(std::vector<SAlignInfo>& out) const;
  // The boxes around the turned boxes of the non-group objects each record
  // covers.
  void ComputeAlignBoxes(std::vector<SAlignInfo>& items) const;
  void ApplyAlignOffsets(const std::vector<SAlignInfo>& items);
  void ApplyAlignSizes(const std::vector<SAlignInfo>& items);
  // Collect, box, compute, apply; nothing with fewer than two units.
  void AlignPositions(SAlignRect& calc);
  void AlignSizes(SAlignRect& calc);

  // ---- list operations: SDoc_Order.cpp --------------------------------------
  // The contents of selected panel frames go along. Copying kinds make
  // copies first (a failed copy changes nothing and answers -1); cut and
  // delete take the selection out into `removed` in list order, each with
  // its index at that moment (put them back from the last to the first).
  // Copies whose container is not copied move to the top. Duplicates go to
  // `copies`; copy and cut replace the copy buffer's contents.
  int CopyOrRemoveSelection(int kind, std::vector<SDatObj>* removed, std::vector<std::unique_ptr<SObj>>* copies);
  int CopySelection();
  int CutSelection(std::vector<SDatObj>& removed);
  int DeleteSelection(std::vector<SDatObj>& removed);
  // Appends the objects (copies of the copy buffer's without `objects`),
  // recording their indices in `inserted`, and renumbers them: the smallest
  // id becomes nextId + 1, the others keep their distances, parent links
  // follow, and nextId ends above the largest. -1 when a copy fails.
  int PasteObjects(std::vector<SDatObj>& inserted, std::vector<std::unique_ptr<SObj>>* objects);
  // Copies of the selection, selected, above every other object.
  int DuplicateSelection(std::vector<SDatObj>& inserted);
  // Moves the selected objects other than the container as one block to
  // the end of the container's range (of the list without one), or with
  // kBlockToBack right after the container (the start of the list). With a
  // container and kBlockAtEnd, selected objects already inside it stay.
  // Moved objects whose container does not move along join the container.
  void MoveSelectionIntoContainer(SObj* container, int position);
  // Groups the selection under a new group object in their common
  // container; groups left with fewer than two members go to `removed`.
  // Null (nothing changed) when the selection cannot be grouped.
  SObj* GroupSelection(std::vector<SDatObj>& removed);
  // Moves the selection out of every container, to the front.
  void ReleaseSelection(std::vector<SDatObj>& removed);
  // Puts the selection into its selected panel frame (FindTargetFrame; its
  // code is answered, and nothing changes, when there is none), or into
  // `frame` when given (kResultFrameGrouped, nothing changed, when a
  // selected object holds that frame).
  int PutSelectionIntoFrame(std::vector<SDatObj>& removed, SObj* frame = nullptr);
  // To the front or back of the selection's common container.
  void MoveSelectionInOrder(bool front);

  // ---- figures of the selection: SDoc_Apply.cpp ----------------------------
  // With `figure` 0 or more, the object `id` applies the file to that
  // figure; with a negative figure every selected object applies it to all
  // its figures, each getting an entry in `saved` (null on failure). 1 when
  // anything was applied, kResultCannotApply (-6) otherwise. Through the
  // 3D side (PnGlobal::figures).
  int ApplyAnimationFile(const std::string& path, int id, int figure,
                         std::vector<std::unique_ptr<SAnimStates>>& saved);
  int RestoreAnimations(int id, int figure, const std::vector<std::unique_ptr<SAnimStates>>& saved);
  std::unique_ptr<SAnimStates> SaveAnimStateOf(int id, int figure);
  int RestoreAnimStateOf(int id, const SAnimStates& states);
  // The same for library files (props, persons), through the shapes; the
  // replaced paths go to `replaced` (empty for a failure).
  int ApplyLibraryFile(const std::string& path, int id, int figure, std::vector<std::string>& replaced);
  int RestoreLibraryFiles(int id, int figure, const std::vector<std::string>& replaced);
  // The number of frames of the longest animation of the shown objects; 1
  // when nothing is animated.
  int GetAnimFrameCount() const;
  void SetAnimFrame(int frame);

  // ---- new objects: SDoc_Insert.cpp -----------------------------------------
  // A new object of the input kind between two corners, turned by `angle`,
  // with the 2D values (which set the margin). Null for an unknown kind.
  static std::unique_ptr<SObj> MakeInputObject(int kind, SPoint corner1, SPoint corner2, double angle,
                                               const Prop2DVal& values);
  // A picture shape holding the image (straight alpha); null when there is
  // no image or the shape refuses it.
  static std::unique_ptr<SFig> MakePictureShape(std::unique_ptr<platform::Image> image, bool jpeg);
  // A new object holding the picture, as large as the picture.
  static std::unique_ptr<SObj> MakePictureObject(std::unique_ptr<platform::Image> image, bool jpeg);
  // A new object with the picture of an image file, centred at the point.
  // Null, with kResultCannotOpen in `result`, when the file cannot be read.
  static std::unique_ptr<SObj> MakePictureObjectFromFile(const std::string& path, SPoint centre, int& result);
  // Adds the picture of the file at the centre and size into the container
  // at the index (appended when negative); its new id, or a negative code.
  int InsertPicture(const std::string& path, SPoint centre, SPoint size, SObj* container, int index);
  // A new text object holding the text of a Shift-JIS text file (a
  // 100 × 100 box, the shape's default font). Null with kResultCannotOpen
  // for a file that cannot be read, kResultDamaged for one that is not
  // Shift-JIS.
  static std::unique_ptr<SObj> MakeTextObjectFromFile(const std::string& path, SPoint centre, double widest,
                                                      int& result);
  // A new 3D figure object from a scene file (through PnGlobal::figures).
  static std::unique_ptr<SObj> MakeFigureObjectFromFile(const std::string& path, SPoint centre, int& result,
                                                        bool plain);
  // Adds the objects of another page file under new ids, selected, their
  // centres' middle on the drop point. `objects` receives them in list
  // order. 0, or the file's error code (nothing changes).
  int InsertPageFile(const std::string& path, SPoint dropPoint, std::vector<SObj*>& objects);

  // ---- property values and per-object operations: SDoc_Props.cpp ---------
  // Ids that are not in the list are ignored by the value operations; the
  // others treat them as broken invariants.
  void ApplyPropValToObject(const PropVal& value, int id, bool masked);
  void TakePropValFromObject(PropVal& value, int id) const;
  void TakePropValFromRoot(PropVal& value) const;
  void ApplyPropValToRoot(const PropVal& value);
  void ResetObjectRotation(int id, PropSCVal& P);
  // Gives the object a new shape, keeping its values; the old shape returns.
  std::unique_ptr<SFig> ReplaceShape(int id, std::unique_ptr<SFig> shape);
  int SetObjectPartColor(int id, int objectIndex, int face, platform::COLORREF colour);
  // One clone of the prototype's class per object, in list order, holding
  // that object's values.
  void CollectPropVals(const PropVal& prototype, std::vector<std::unique_ptr<PropVal>>& out) const;
  // The i-th value (in full) to the i-th object; unselected objects are
  // skipped with `selectedOnly`.
  void ApplyPropVals(std::span<const std::unique_ptr<PropVal>> values, bool selectedOnly);
  void ApplyPropValToSelection(const PropVal& value, bool masked);
  // The first selected object's values, or the root's when none is selected.
  void TakePropValFromSelection(PropVal& value) const;

  // ---- the page stream: SDoc_Stream.cpp -----------------------------------
  void Write(PnFile& file) const;
  // Reads a page stream into this page. Ids are kept as stored and nextId
  // ends above the largest. Damage (a short or inconsistent stream, repeated
  // ids, members outside their container) throws PnFileError and leaves the
  // page as it was.
  void Read(PnFile& file);

 private:
  // The index of the first object after the member range of the object at
  // `index`.
  int RangeEnd(int index) const;
  // The object at `index` and its members, selected or not.
  void SetRangeSelectedAt(int index, bool on);
  // The unit a click on `object` selects below `container`: its outermost
  // group there with its members, or the object alone.
  void SelectUnitBelow(const SObj* container, SObj* object);
  // Calls `visit` with each object on the chain of parents of `object`,
  // innermost first, until it answers true; that parent is answered.
  template <typename Visit>
  SObj* WalkParents(const SObj* object, Visit&& visit) const;

  std::unique_ptr<SComs> commands_;  // destroyed first
  std::vector<std::unique_ptr<SObj>> objects_;
  int pageWidth_ = 500;
  int pageHeight_ = 500;
  std::unique_ptr<SObj> root_;
};

// Saves the clipboard's picture as a new temporary PNG file ("<temp>.png"
// beside the empty temporary file that reserved the name). 0; the
// clipboard's failure code; kResultClipboard (-21) when it holds no
// picture; kResultDiskFull (-8) when the file cannot be written.
int SaveClipboardPictureToTemp(std::string& path);
// Removes such a file and the empty file of its name (the path without its
// last four characters).
void DeleteFileAndStem(const std::string& path);

}  // namespace page
