#pragma once
// Commands that change only the selection, visibility, containers or order
// of the page's objects (and the copy): Do snapshots the ids, flags and
// containers of every object, Undo puts the snapshot back in its order.
#include <vector>

#include "page/SCom.h"
#include "page/SDoc.h"

namespace page {

class SComFlag : public SCom {
 public:
  using SCom::SCom;
  int Do() override;
  int Undo() override;

 protected:
  std::vector<SDatID> savedIds_;
};

// Select all (on) or deselect (off).
class SComSelectAll : public SComFlag {
 public:
  SComSelectAll(SDoc* doc, bool on) : SComFlag(doc), on_(on) {}
  int Redo() override;

 private:
  bool on_;
};

// Selects by kind: 1 pictures, 3 2D shapes, 7 3D figures, 8 texts.
class SComSelectType : public SComFlag {
 public:
  SComSelectType(SDoc* doc, int kind) : SComFlag(doc), kind_(kind) {}
  int Redo() override;

 private:
  int kind_;
};

// Mode 1: the contents of the selected panel frames; 0: the panel frames of
// the selected objects.
class SComSelectTrim : public SComFlag {
 public:
  SComSelectTrim(SDoc* doc, int mode) : SComFlag(doc), mode_(mode) {}
  int Redo() override;

 private:
  int mode_;
};

// The rubber band: the objects inside it, selected or toggled.
class SComSelectTab : public SComFlag {
 public:
  SComSelectTab(SDoc* doc, std::vector<int> ids, bool toggle) : SComFlag(doc), ids_(std::move(ids)), toggle_(toggle) {}
  int Redo() override;

 private:
  std::vector<int> ids_;
  bool toggle_;
};

// A click on an object (SDoc::SelectObject).
class SComSelectObj : public SComFlag {
 public:
  SComSelectObj(SDoc* doc, int id, bool add, int keep) : SComFlag(doc), id_(id), add_(add), keep_(keep) {}
  int Redo() override;

 private:
  int id_;
  bool add_;
  int keep_;
};

class SComHideObj : public SComFlag {
 public:
  using SComFlag::SComFlag;
  int Redo() override;
};

class SComShowAll : public SComFlag {
 public:
  using SComFlag::SComFlag;
  int Redo() override;
};

// Makes the selection panel frames (on) or ordinary objects again (off).
class SComSetTrim : public SComFlag {
 public:
  SComSetTrim(SDoc* doc, bool on) : SComFlag(doc), on_(on) {}
  int Redo() override;

 private:
  bool on_;
};

// The selected panel frames stop (on) or start again (off) clipping.
class SComVoidTrim : public SComFlag {
 public:
  SComVoidTrim(SDoc* doc, bool on) : SComFlag(doc), on_(on) {}
  int Redo() override;

 private:
  bool on_;
};

// To the front (front) or the back of the selection's container.
class SComFront : public SComFlag {
 public:
  SComFront(SDoc* doc, bool front) : SComFlag(doc), front_(front) {}
  int Redo() override;

 private:
  bool front_;
};

// Starts point editing of a shape.
class SComFlagEditPoints : public SComFlag {
 public:
  SComFlagEditPoints(SDoc* doc, int id) : SComFlag(doc), id_(id) {}
  int Redo() override;

 private:
  int id_;
};

// Copies the selection into the copy buffer. Copying may select the
// contents of panel frames: Redo puts back the state after the copy, Undo
// the state before (the buffer keeps the copies).
class SComCopy : public SComFlag {
 public:
  using SComFlag::SComFlag;
  int Do() override;
  int Redo() override;

 private:
  std::vector<SDatID> afterIds_;
};

// Copies of the selection above everything (a Ctrl drag); Undo deletes
// them and gives their ids back.
class SComDuplicate : public SComFlag {
 public:
  using SComFlag::SComFlag;
  int Redo() override;
  int Undo() override;

 private:
  std::vector<SDatObj> inserted_;
  int nextIdBefore_ = 0;
};

}  // namespace page
