// Selection: click selection that drills into groups, the rubber band,
// selection by kind and by panel frame, hiding and showing.
#include "page/PnFatal.h"
#include "page/SDoc_Internal.h"

namespace page {

void SDoc::SetRangeSelectedAt(int index, bool on) {
  const int end = RangeEnd(index);
  for (int i = index; i < end; ++i) objects_[static_cast<std::size_t>(i)]->SetSelected(on);
}

void SDoc::SetRangeSelected(SObj* object, bool on) {
  const int index = IndexOf(object);
  if (index >= 0) SetRangeSelectedAt(index, on);
}

void SDoc::SetSelectedById(int id, bool on) {
  if (SObj* object = FindObjectById(id)) object->SetSelected(on);
}

void SDoc::SetObjectSelected(SObj* object, bool on) {
  if (object != nullptr) object->SetSelected(on);
}

void SDoc::SyncGroupSelection() {
  // Inner groups come later in the list: walking backwards settles them
  // before the groups around them look at their state.
  for (int i = GetObjectCount() - 1; i >= 0; --i) {
    SObj& group = *objects_[static_cast<std::size_t>(i)];
    if (!IsGroupObject(group)) continue;
    const int end = RangeEnd(i);
    // A group without members (left so by cutting them) stays unselected.
    bool all = end > i + 1;
    for (int j = i + 1; j < end && all; ++j) all = objects_[static_cast<std::size_t>(j)]->IsSelected();
    group.SetSelected(all);
  }
}

void SDoc::SelectAll(bool on) {
  for (const auto& object : objects_)
    if ((object->flags & (kObjHidden | kObjNoHit)) == 0) object->SetSelected(on);
  SyncGroupSelection();
}

void SDoc::SelectOnly(SObj* object) {
  for (const auto& each : objects_) each->SetSelected(false);
  SetObjectSelected(object, true);
  SyncGroupSelection();
}

void SDoc::SelectKind(int kind) {
  for (const auto& object : objects_) object->SetSelected(object->IsKind(kind));
  SyncGroupSelection();
}

void SDoc::SelectUnitBelow(const SObj* container, SObj* object) {
  if (SObj* group = FindGroupBelow(container, object))
    SetRangeSelected(group, true);
  else
    object->SetSelected(true);
}

void SDoc::SelectObject(int id, bool add, int keep) {
  SObj* o = FindObjectById(id);
  PN_FATAL_IF(o == nullptr, "SDocMove", 499);
  const bool anySelected = HasSelection();
  // The unit of o at the top: its outermost group with the members, or o.
  const auto selectTopUnit = [&] { SelectUnitBelow(nullptr, o); };
  // o joins the selection; then the deepest group holding all of it decides
  // the level the user works at.
  const auto selectAtCommonLevel = [&](bool clearFirst) {
    o->SetSelected(true);
    const SObj* common = FindCommonContainer(true, false);
    if (clearFirst) SelectAll(false);
    if (common != nullptr)
      SelectUnitBelow(common, o);
    else
      selectTopUnit();
  };

  if (!add || keep != 0) {
    if (!o->IsSelected()) {
      if (!anySelected)
        selectTopUnit();
      else
        selectAtCommonLevel(true);
    } else if (keep == 0) {
      // A second click on a selected object: one level deeper.
      if (SObj* group = FindOutermostGroup(o, true)) {
        SelectAll(false);
        SelectUnitBelow(group, o);
      }
    }
  } else if (o->IsSelected()) {
    if (SObj* group = FindOutermostGroup(o, true))
      SetRangeSelected(group, false);
    else
      o->SetSelected(false);
  } else if (anySelected) {
    selectAtCommonLevel(false);
  } else {
    selectTopUnit();
  }
  SyncGroupSelection();
}

void SDoc::SelectIds(std::span<const int> ids, bool toggle) {
  ClearTempMarks();
  for (const int id : ids)
    if (SObj* object = FindObjectById(id)) object->flags |= kObjTempMark1;
  // A group counts only when all its members lie in the band (inner groups
  // are settled first, walking backwards)...
  for (int i = GetObjectCount() - 1; i >= 0; --i) {
    SObj& group = *objects_[static_cast<std::size_t>(i)];
    if (!IsGroupObject(group)) continue;
    const int end = RangeEnd(i);
    bool all = true;
    for (int j = i + 1; j < end && all; ++j) all = (objects_[static_cast<std::size_t>(j)]->flags & kObjTempMark1) != 0;
    group.flags = all ? (group.flags | kObjTempMark1) : (group.flags & ~kObjTempMark1);
  }
  // ...and an outer group decides for everything inside it.
  for (int i = 0; i < GetObjectCount(); ++i) {
    const SObj& group = *objects_[static_cast<std::size_t>(i)];
    if (!IsGroupObject(group)) continue;
    const std::uint32_t mark = group.flags & kObjTempMark1;
    const int end = RangeEnd(i);
    for (int j = i + 1; j < end; ++j) {
      SObj& member = *objects_[static_cast<std::size_t>(j)];
      member.flags = (member.flags & ~kObjTempMark1) | mark;
    }
  }
  for (const auto& object : objects_) {
    if ((object->flags & kObjTempMark1) == 0) continue;
    object->SetSelected(toggle ? !object->IsSelected() : true);
  }
  ClearTempMarks();
  SyncGroupSelection();
}

void SDoc::SelectFrameContents() {
  for (int i = 0; i < GetObjectCount(); ++i) {
    const SObj& object = *objects_[static_cast<std::size_t>(i)];
    if (object.IsSelected() && object.IsFrame()) SetRangeSelectedAt(i, true);
  }
}

void SDoc::SelectFramesOfSelection() {
  std::vector<SObj*> frames;
  for (const auto& object : objects_)
    if (object->IsSelected())
      if (SObj* frame = FindPanelFrameOf(object.get())) frames.push_back(frame);
  for (SObj* frame : frames) frame->SetSelected(true);
  SyncGroupSelection();
}

void SDoc::HideSelection() {
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    object->flags |= kObjHidden;
    object->SetSelected(false);
  }
}

void SDoc::ShowAll() {
  for (const auto& object : objects_)
    if (!IsGroupObject(*object)) object->flags &= ~kObjHidden;
}

}  // namespace page
