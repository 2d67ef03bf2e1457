#include "page/SComFlag.h"

namespace page {

int SComFlag::Do() {
  savedIds_.clear();
  Doc().SaveIdState(savedIds_);
  const int rc = Redo();
  // A command fails before it adds or removes anything, but it may have
  // selected the contents of panel frames on the way.
  if (rc < 0) Doc().RestoreIdState(savedIds_, true);
  return rc;
}

int SComFlag::Undo() {
  Doc().RestoreIdState(savedIds_, true);
  return 0;
}

int SComSelectAll::Redo() {
  Doc().SelectAll(on_);
  return 0;
}

int SComSelectType::Redo() {
  Doc().SelectKind(kind_);
  return 0;
}

int SComSelectTrim::Redo() {
  if (mode_ == 1)
    Doc().SelectFrameContents();
  else
    Doc().SelectFramesOfSelection();
  return 0;
}

int SComSelectTab::Redo() {
  Doc().SelectIds(ids_, toggle_);
  return 0;
}

int SComSelectObj::Redo() {
  Doc().SelectObject(id_, add_, keep_);
  return 0;
}

int SComHideObj::Redo() {
  Doc().HideSelection();
  return 0;
}

int SComShowAll::Redo() {
  Doc().ShowAll();
  return 0;
}

int SComSetTrim::Redo() {
  Doc().SetPanelFrame(on_);
  return 0;
}

int SComVoidTrim::Redo() {
  Doc().SetFrameTrimOff(on_);
  return 0;
}

int SComFront::Redo() {
  Doc().MoveSelectionInOrder(front_);
  return 0;
}

int SComFlagEditPoints::Redo() {
  Doc().BeginEditPoints(id_);
  return 0;
}

int SComCopy::Do() {
  savedIds_.clear();
  Doc().SaveIdState(savedIds_);
  const int rc = Doc().CopySelection();
  if (rc < 0) {
    Doc().RestoreIdState(savedIds_, true);
    return rc;
  }
  afterIds_.clear();
  Doc().SaveIdState(afterIds_);
  return rc;
}

int SComCopy::Redo() {
  Doc().RestoreIdState(afterIds_, true);
  return 0;
}

int SComDuplicate::Redo() {
  nextIdBefore_ = Doc().nextId;
  inserted_.clear();
  return Doc().DuplicateSelection(inserted_);
}

int SComDuplicate::Undo() {
  Doc().RemoveObjects(inserted_);
  SDoc::DeleteObjects(inserted_);
  inserted_.clear();
  Doc().nextId = nextIdBefore_;
  return SComFlag::Undo();
}

}  // namespace page
