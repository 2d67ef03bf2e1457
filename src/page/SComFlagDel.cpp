#include "page/SComFlagDel.h"

#include "page/ResultCodes.h"

namespace page {

SComFlagDel::~SComFlagDel() { SDoc::DeleteObjects(removed_); }

int SComFlagDel::Undo() {
  // Each record holds the index its object had when it left, after the
  // ones removed before it had gone: only the reverse order restores them.
  Doc().InsertObjects(removed_, false);
  removed_.clear();
  return SComFlag::Undo();
}

int SComCut::Redo() {
  return mode_ == 0 ? Doc().CutSelection(removed_) : Doc().DeleteSelection(removed_);
}

int SComGroup::Redo() {
  nextIdBefore_ = Doc().nextId;
  const SObj* group = Doc().GroupSelection(removed_);
  if (group == nullptr) return kResultNoMemory;
  groupId_ = group->id;
  return 0;
}

int SComGroup::Undo() {
  Doc().InsertObjects(removed_, false);
  removed_.clear();
  SDoc::DeleteObject(Doc().RemoveObjectById(groupId_));
  Doc().nextId = nextIdBefore_;
  return SComFlag::Undo();
}

int SComUnGroup::Redo() {
  Doc().UngroupSelection(removed_);
  return 0;
}

int SComInsertTrim::Redo() { return Doc().PutSelectionIntoFrame(removed_); }

int SComDelFromTrim::Redo() {
  Doc().ReleaseSelection(removed_);
  return 0;
}

SComPaste::~SComPaste() {
  if (owned_) SDoc::DeleteObjects(pasted_);
}

int SComPaste::Do() {
  owned_ = false;
  nextIdBefore_ = Doc().nextId;
  savedIds_.clear();
  Doc().SaveIdState(savedIds_);
  Doc().SelectAll(false);
  const int rc = Doc().PasteObjects(pasted_, nullptr);
  if (rc < 0) {
    // Nothing was pasted; the selection goes back as it was.
    Doc().RestoreIdState(savedIds_, true);
    return rc;
  }
  nextIdAfter_ = Doc().nextId;
  return rc;
}

int SComPaste::Redo() {
  Doc().SelectAll(false);
  // Undo took them out in list order, so they go back from the last.
  Doc().InsertObjects(pasted_, false);
  Doc().nextId = nextIdAfter_;
  owned_ = false;
  return 0;
}

int SComPaste::Undo() {
  Doc().RemoveObjects(pasted_);
  Doc().nextId = nextIdBefore_;
  Doc().RestoreIdState(savedIds_, true);
  owned_ = true;
  return 0;
}

}  // namespace page
