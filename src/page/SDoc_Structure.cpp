// Changes of the page's structure: panel frames on and off, ungrouping,
// dissolving groups that lost their members, and point editing.
#include "page/PnFatal.h"
#include "page/SDoc_Internal.h"

namespace page {
namespace {

void TurnIntoFrame(SObj& object) {
  object.frame.isFrame = true;
  object.flags = (object.flags | kObjContainer | kObjFrame) & ~(kObjGroup | kObjFrameNoClip);
}

}  // namespace

void SDoc::SetPanelFrame(bool on) {
  if (on) {
    // A group is a container and stays a group: as a frame it would be a
    // hidden box drawing nothing, and would never clip its members.
    for (const auto& object : objects_) {
      if (!object->IsSelected()) continue;
      if (!IsContainer(*object) || (object->IsFrame() && (object->flags & kObjFrameNoClip)))
        TurnIntoFrame(*object);
    }
    return;
  }
  for (int i = 0; i < GetObjectCount(); ++i) {
    SObj& frame = *objects_[static_cast<std::size_t>(i)];
    if (!frame.IsSelected() || !IsContainer(frame) || !frame.IsFrame()) continue;
    frame.frame.isFrame = false;
    frame.flags &= ~(kObjContainer | kObjGroup | kObjFrameNoClip | kObjFrame);
    for (int j = i + 1; j < GetObjectCount(); ++j) {
      SObj& member = *objects_[static_cast<std::size_t>(j)];
      if (member.parentId == frame.id) member.parentId = frame.parentId;
    }
  }
}

void SDoc::MakePanelFrame(int id) {
  SObj* object = FindObjectById(id);
  PN_FATAL_IF(object == nullptr, "SDocMove", 560);
  TurnIntoFrame(*object);
}

void SDoc::SetFrameTrimOff(bool on) {
  for (const auto& object : objects_) {
    if (!object->IsSelected() || !object->IsFrame()) continue;
    object->flags = on ? (object->flags | kObjFrameNoClip) : (object->flags & ~kObjFrameNoClip);
  }
}

void SDoc::UngroupSelection(std::vector<SDatObj>& removed) {
  // One level at a time: the outermost selected groups open, the groups
  // inside them stay.
  for (const auto& object : objects_) {
    if (object->IsSelected() && IsGroupObject(*object) && FindOutermostGroup(object.get(), true) == nullptr)
      object->flags |= kObjTempMark1;
  }
  for (int i = 0; i < GetObjectCount(); ++i) {
    const SObj& group = *objects_[static_cast<std::size_t>(i)];
    if ((group.flags & kObjTempMark1) == 0) continue;
    for (int j = i + 1; j < GetObjectCount(); ++j) {
      SObj& member = *objects_[static_cast<std::size_t>(j)];
      if (member.parentId == group.id) member.parentId = group.parentId;
    }
  }
  ClearTempMarks();
  DissolveSmallGroups(removed);
}

void SDoc::DissolveSmallGroups(std::vector<SDatObj>& removed) {
  for (int j = GetObjectCount() - 1; j >= 0; --j) {
    SObj& group = *objects_[static_cast<std::size_t>(j)];
    if (!IsGroupObject(group)) continue;
    const int count = GetObjectCount();
    SObj* first = j + 1 < count ? objects_[static_cast<std::size_t>(j) + 1].get() : nullptr;
    const bool firstIsMember = first != nullptr && first->parentId == group.id;
    bool stays = false;
    if (firstIsMember && count - j - 1 >= 2) {
      if (!first->IsFrame()) {
        const int end = RangeEnd(j);
        for (int k = j + 2; k < end && !stays; ++k) stays = objects_[static_cast<std::size_t>(k)]->parentId == group.id;
      } else {
        // A panel frame with contents is enough to keep its group.
        const int next = objects_[static_cast<std::size_t>(j) + 2]->parentId;
        stays = next == first->id || next == group.id;
      }
    }
    if (stays) continue;
    // Only a member moves up: after a group that lost all its members the
    // next object belongs elsewhere.
    if (firstIsMember) first->parentId = group.parentId;
    RemoveObject(&group);
    removed.push_back({&group, j});
  }
}

void SDoc::MoveLastBeforeSelection() {
  if (GetObjectCount() < 2) return;
  int target = -1;
  for (int i = 0; i < GetObjectCount() && target < 0; ++i)
    if (objects_[static_cast<std::size_t>(i)]->IsSelected()) target = i;
  const int last = GetObjectCount() - 1;
  if (target < 0 || target == last) return;
  std::unique_ptr<SObj> moved = std::move(objects_.back());
  objects_.pop_back();
  moved->parentId = objects_[static_cast<std::size_t>(target)]->parentId;
  moved->SetSelected(true);
  objects_.insert(objects_.begin() + target, std::move(moved));
}

void SDoc::BeginEditPoints(int id) {
  SObj* object = FindObjectById(id);
  PN_FATAL_IF(object == nullptr, "SDocMove", 580);
  object->SetEditPointsMode(true);
  object->flags |= kObjEditing;
}

}  // namespace page
