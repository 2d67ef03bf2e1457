#include "page/SComSetProp.h"

#include "page/ResultCodes.h"
#include "page/SComFlagDel.h"
#include "page/SComInp.h"

namespace page {

SComSetProp::SComSetProp(SDoc* doc, const PropVal& value) : SCom(doc), value_(value.Clone()) {}

void SComSetProp::ClearSaved() {
  saved_.clear();
  savedPlacements_.clear();
}

int SComSetProp::Do() {
  if (!value_) return kResultNoMemory;
  ClearSaved();
  Doc().CollectPropVals(*value_, saved_);
  Doc().CollectPropVals(PropSCVal(), savedPlacements_);
  return Redo();
}

int SComSetProp::Redo() {
  Doc().ApplyPropValToSelection(*value_, true);
  return 0;
}

int SComSetProp::Undo() {
  Doc().ApplyPropVals(saved_, true);
  Doc().ApplyPropVals(savedPlacements_, true);
  return 0;
}

void SComSetProp::ReplaceValue(const PropVal& value) {
  Undo();
  value_ = value.Clone();
  Redo();
}

int SComSetPropObj::Redo() {
  Doc().ApplyPropValToObject(*value_, id_, false);
  return 0;
}

int SComSetPropObj::Undo() {
  const int index = Doc().IndexOf(Doc().FindObjectById(id_));
  if (index < 0 || index >= static_cast<int>(saved_.size())) return 0;
  Doc().ApplyPropValToObject(*saved_[static_cast<std::size_t>(index)], id_, false);
  Doc().ApplyPropValToObject(*savedPlacements_[static_cast<std::size_t>(index)], id_, false);
  return 0;
}

int SComSetPropBar::Do() {
  if (!value_) return kResultNoMemory;
  old_ = value_->Clone();
  Doc().TakePropValFromRoot(*old_);
  return Redo();
}

int SComSetPropBar::Redo() {
  Doc().ApplyPropValToRoot(*value_);
  return 0;
}

int SComSetPropBar::Undo() {
  Doc().ApplyPropValToRoot(*old_);
  return 0;
}

int SComChangeSpProp::Redo() {
  Doc().RestoreSpPropOf(id_, *after_);
  return 0;
}

int SComChangeSpProp::Undo() {
  Doc().RestoreSpPropOf(id_, *before_);
  return 0;
}

int SComChangeToPic::Do() {
  outShape_ = SDoc::MakePictureShape(std::move(picture_), false);
  if (!outShape_) return kResultNoMemory;
  Doc().TakePropValFromObject(oldPlacement_, id_);
  newPlacement_ = oldPlacement_;
  Doc().ResetObjectRotation(id_, newPlacement_);
  Doc().TakePropValFromObject(old2D_, id_);
  return Redo();
}

int SComChangeToPic::Redo() {
  outShape_ = Doc().ReplaceShape(id_, std::move(outShape_));
  // The picture already shows the effects and the turn.
  Doc().ApplyPropValToObject(newPlacement_, id_, false);
  Doc().ApplyPropValToObject(Prop2DVal(), id_, false);
  return 0;
}

int SComChangeToPic::Undo() {
  outShape_ = Doc().ReplaceShape(id_, std::move(outShape_));
  Doc().ApplyPropValToObject(old2D_, id_, false);
  Doc().ApplyPropValToObject(oldPlacement_, id_, false);
  return 0;
}

int SComPictureSink::ChangeToPicture(SDoc& doc, int objectId, std::unique_ptr<platform::Image> image) {
  return doc.Execute(std::make_unique<SComChangeToPic>(&doc, objectId, std::move(image)));
}

int SComPictureSink::InsertComposite(SDoc& doc, const std::string& pngPath, SPoint centre, SPoint size) {
  int index = 0;
  const SObj* container = doc.FindGroupInsertPoint(index);
  // The command owns the file from here: it goes with the command, even
  // when the insertion fails.
  const int rc = doc.Execute(
      std::make_unique<SComInpFukidashi>(&doc, pngPath, centre, size, container ? container->id : -1, index));
  if (rc < 0) return rc;
  return doc.Execute(std::make_unique<SComCut>(&doc, 1));
}

}  // namespace page
