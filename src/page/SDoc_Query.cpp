// Structure queries over groups and panel frames, and the enable tests of
// the view's menu items.
#include <algorithm>
#include <unordered_set>

#include "page/ResultCodes.h"
#include "page/SDoc_Internal.h"

namespace page {

int SDoc::RangeEnd(int index) const {
  std::unordered_set<int> inside = {objects_[static_cast<std::size_t>(index)]->id};
  int end = index + 1;
  for (; end < GetObjectCount(); ++end) {
    const SObj& object = *objects_[static_cast<std::size_t>(end)];
    if (inside.count(object.parentId) == 0) break;
    if (IsContainer(object)) inside.insert(object.id);
  }
  return end;
}

std::pair<int, int> SDoc::GetMemberRange(const SObj* object) const {
  if (object == nullptr) return {0, GetObjectCount() - 1};
  const int index = IndexOf(object);
  if (index < 0) return {0, -1};
  return {index, RangeEnd(index) - 1};
}

SObj* SDoc::FindParent(const SObj* object) const { return object ? FindObjectById(object->parentId) : nullptr; }

bool SDoc::IsInside(const SObj* container, const SObj* object) const {
  if (container == nullptr || !IsContainer(*container)) return false;
  return WalkParents(object, [container](const SObj* parent) { return parent == container; }) != nullptr;
}

SObj* SDoc::FindInnermostGroup(const SObj* object) const {
  return WalkParents(object, [](const SObj* parent) { return IsGroupObject(*parent); });
}

SObj* SDoc::FindOutermostGroup(const SObj* object, bool selectedOnly) const {
  SObj* outermost = nullptr;
  WalkParents(object, [&](SObj* parent) {
    if (IsGroupObject(*parent) && (!selectedOnly || parent->IsSelected())) outermost = parent;
    return false;
  });
  return outermost;
}

SObj* SDoc::FindGroupBelow(const SObj* container, const SObj* object) const {
  SObj* outermost = nullptr;
  WalkParents(object, [&](SObj* parent) {
    if (parent == container) return true;
    if (IsGroupObject(*parent)) outermost = parent;
    return false;
  });
  return outermost;
}

SObj* SDoc::FindPanelFrameOf(SObj* object) const {
  if (object == nullptr || object->IsFrame()) return object;
  return WalkParents(object, [](const SObj* parent) { return parent->IsFrame(); });
}

SObj* SDoc::FindCommonContainer(bool groupsOnly, bool includeSelected) const {
  // selectedBefore[i]: selected objects among the first i.
  std::vector<int> selectedBefore(objects_.size() + 1, 0);
  for (std::size_t i = 0; i < objects_.size(); ++i)
    selectedBefore[i + 1] = selectedBefore[i] + (objects_[i]->IsSelected() ? 1 : 0);
  const int total = selectedBefore.back();
  SObj* found = nullptr;
  for (int i = 0; i < GetObjectCount(); ++i) {
    SObj* c = objects_[static_cast<std::size_t>(i)].get();
    if (!IsContainer(*c) || (groupsOnly && !IsGroupObject(*c)) || (!includeSelected && c->IsSelected())) continue;
    // Members follow their container in one run: the selection other than
    // the container lies inside when it all falls in that run.
    const int others = total - (c->IsSelected() ? 1 : 0);
    const int inside = selectedBefore[static_cast<std::size_t>(RangeEnd(i))] - selectedBefore[static_cast<std::size_t>(i) + 1];
    if (others > 0 && inside == others) found = c;
  }
  return found;
}

SObj* SDoc::FindTargetFrame(int& code) const {
  SObj* frame = nullptr;
  bool others = false;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    if (frame == nullptr && object->IsFrame())
      frame = object.get();
    else
      others = true;
  }
  if (frame == nullptr || !others) {
    code = kResultNeedFrameAndShape;
    return nullptr;
  }
  if (const SObj* parent = FindParent(frame); parent != nullptr && parent->IsSelected()) {
    code = kResultFrameGrouped;
    return nullptr;
  }
  code = kResultOk;
  return frame;
}

SObj* SDoc::FindGroupInsertPoint(int& index) const {
  SObj* container = FindCommonContainer(false, false);
  const int containerIndex = container ? IndexOf(container) : -1;
  const int first = containerIndex + 1;
  const int end = container ? RangeEnd(containerIndex) : GetObjectCount();
  const int directParent = container ? container->id : -1;
  int lastSelected = -1;
  for (int i = first; i < end; ++i)
    if (objects_[static_cast<std::size_t>(i)]->IsSelected()) lastSelected = i;
  index = end;
  if (lastSelected < 0) return container;
  for (int i = lastSelected + 1; i < end; ++i) {
    if (objects_[static_cast<std::size_t>(i)]->parentId == directParent) {
      index = i;
      break;
    }
  }
  return container;
}

int SDoc::GetSelectedId(bool single) const {
  int found = -1;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    if (!single) return object->id;
    if (found >= 0) return -1;
    found = object->id;
  }
  return found;
}

int SDoc::GetSelectionMark(const SObj* object) const {
  if (object == nullptr || !object->IsSelected()) return 0;
  const SObj* group = FindOutermostGroup(object, false);
  if (group == nullptr) return 1;
  return group->IsSelected() ? 2 : 3;
}

bool SDoc::HasSelection() const {
  return std::any_of(objects_.begin(), objects_.end(), [](const auto& o) { return o->IsSelected(); });
}

bool SDoc::GetSelectionCentre(SPoint& centre) const {
  bool any = false;
  SPoint min, max;
  for (const auto& object : objects_) {
    if (!object->IsSelected() || IsGroupObject(*object)) continue;
    const SPoint c(object->placement.x, object->placement.y);
    if (!any) min = max = c;
    ExtendBounds(min, max, c);
    any = true;
  }
  if (any) centre = (min + max) * 0.5;
  return any;
}

SPoint SDoc::GetCentringOffset() const {
  SPoint centre;
  if (!GetSelectionCentre(centre)) return {};
  return SPoint(GetPageWidth() / 2.0, GetPageHeight() / 2.0) - centre;
}

// ---- enable tests -------------------------------------------------------------------

bool SDoc::CanEditPointsOf(int id) const {
  const SObj* object = FindObjectById(id);
  return object != nullptr && object->CanEditPoints();
}

bool SDoc::HasEditDialogOf(int id) const {
  const SObj* object = FindObjectById(id);
  return object != nullptr && object->fig && object->fig->HasEditDialog();
}

bool SDoc::CanExportSceneOf(int id) const {
  const SObj* object = FindObjectById(id);
  return object != nullptr && object->fig && object->fig->CanExportScene();
}

bool SDoc::CanConvertSelectionToPicture() const {
  return std::any_of(objects_.begin(), objects_.end(),
                     [](const auto& o) { return o->IsSelected() && o->CanConvertToPicture(); });
}

bool SDoc::HasSelectedGroup() const {
  return std::any_of(objects_.begin(), objects_.end(),
                     [](const auto& o) { return o->IsSelected() && IsGroupObject(*o); });
}

bool SDoc::CanGroupSelection() const {
  const auto selected =
      std::count_if(objects_.begin(), objects_.end(), [](const auto& o) { return o->IsSelected(); });
  if (selected < 2) return false;
  const SObj* container = FindCommonContainer(false, true);
  return !(container != nullptr && container->IsSelected() && IsGroupObject(*container));
}

bool SDoc::HasSelectedWithUnselectedParent() const {
  return std::any_of(objects_.begin(), objects_.end(), [this](const auto& o) {
    const SObj* parent = FindParent(o.get());
    return o->IsSelected() && parent != nullptr && !parent->IsSelected();
  });
}

bool SDoc::QueryFrames(int mode) const {
  return std::any_of(objects_.begin(), objects_.end(), [mode](const auto& o) {
    switch (mode) {
      case 0: return o->IsFrame();
      case 1: return o->IsSelected() && o->IsFrame();
      case 2: return o->IsSelected() && (!o->IsFrame() || (o->flags & kObjFrameNoClip) != 0);
      default: return false;
    }
  });
}

}  // namespace page
