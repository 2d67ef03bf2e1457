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
#include <vector>

#include "page/SGridInfo.h"
#include "page/SObj.h"
#include "platform/Image.h"

namespace page {

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
  std::vector<std::unique_ptr<SObj>> objects_;
  int pageWidth_ = 500;
  int pageHeight_ = 500;
  std::unique_ptr<SObj> root_;
};

}  // namespace page
