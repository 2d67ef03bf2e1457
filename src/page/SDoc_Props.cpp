// Property values of the page's objects, and per-object operations by id.
#include "page/PnFatal.h"
#include "page/SDoc.h"

namespace page {

void SDoc::ApplyPropValToObject(const PropVal& value, int id, bool masked) {
  if (SObj* object = FindObjectById(id)) value.ApplyToObject(*object, masked);
}

void SDoc::TakePropValFromObject(PropVal& value, int id) const {
  if (const SObj* object = FindObjectById(id)) value.TakeFromObject(*object);
}

void SDoc::TakePropValFromRoot(PropVal& value) const { value.TakeFromObject(*root_); }

void SDoc::ApplyPropValToRoot(const PropVal& value) { value.ApplyToObject(*root_, false); }

void SDoc::ResetObjectRotation(int id, PropSCVal& P) {
  SObj* object = FindObjectById(id);
  PN_FATAL_IF(object == nullptr, "SDoc", 808);
  object->ResetRotation(P);
}

std::unique_ptr<SFig> SDoc::ReplaceShape(int id, std::unique_ptr<SFig> shape) {
  SObj* object = FindObjectById(id);
  PN_FATAL_IF(object == nullptr, "SDoc", 819);
  std::unique_ptr<SFig> old = std::move(object->fig);
  object->SetFig(std::move(shape), true);
  return old;
}

int SDoc::SetObjectPartColor(int id, int objectIndex, int face, platform::COLORREF colour) {
  SObj* object = FindObjectById(id);
  PN_FATAL_IF(object == nullptr, "SDoc", 834);
  return object->SetPartColor(objectIndex, face, colour);
}

void SDoc::CollectPropVals(const PropVal& prototype, std::vector<std::unique_ptr<PropVal>>& out) const {
  out.clear();
  std::unique_ptr<PropVal> probe = prototype.Clone();
  if (!probe) return;
  for (const auto& object : objects_) {
    probe->TakeFromObject(*object);
    out.push_back(probe->Clone());
  }
}

void SDoc::ApplyPropVals(std::span<const std::unique_ptr<PropVal>> values, bool selectedOnly) {
  const std::size_t count = std::min(values.size(), objects_.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (!values[i] || (selectedOnly && !objects_[i]->IsSelected())) continue;
    values[i]->ApplyToObject(*objects_[i], false);
  }
}

void SDoc::ApplyPropValToSelection(const PropVal& value, bool masked) {
  for (const auto& object : objects_)
    if (object->IsSelected()) value.ApplyToObject(*object, masked);
}

void SDoc::TakePropValFromSelection(PropVal& value) const {
  for (const auto& object : objects_) {
    if (object->IsSelected()) {
      value.TakeFromObject(*object);
      return;
    }
  }
  value.TakeFromObject(*root_);
}

}  // namespace page
