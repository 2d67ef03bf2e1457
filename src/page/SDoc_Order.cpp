// Operations on the object list as a whole: copy, cut, delete, paste and
// duplicate; grouping; panel-frame membership; front and back.
#include <algorithm>
#include <climits>
#include <unordered_set>

#include "page/PnFatal.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SDoc_Internal.h"

namespace page {

int SDoc::CopyOrRemoveSelection(int kind, std::vector<SDatObj>* removed,
                                std::vector<std::unique_ptr<SObj>>* copies) {
  SelectFrameContents();
  // Every copy is made before anything leaves the list, so a failed copy
  // leaves the page as it was.
  std::vector<std::unique_ptr<SObj>> made;
  if (kind != kDeleteSelection) {
    for (const auto& object : objects_) {
      if (!object->IsSelected()) continue;
      std::unique_ptr<SObj> copy = object->Clone();
      if (!copy) return kResultNoMemory;
      made.push_back(std::move(copy));
    }
    std::unordered_set<int> copiedIds;
    for (const auto& copy : made) copiedIds.insert(copy->id);
    for (const auto& copy : made)
      if (copiedIds.count(copy->parentId) == 0) copy->parentId = -1;
  }
  if (kind == kCutSelection || kind == kDeleteSelection) {
    PN_FATAL_IF(removed == nullptr, "SDocOdr", 740);
    for (int i = 0; i < GetObjectCount();) {
      SObj* object = objects_[static_cast<std::size_t>(i)].get();
      if (!object->IsSelected()) {
        ++i;
        continue;
      }
      RemoveObject(object);
      removed->push_back({object, i});
    }
  }
  if (kind == kDuplicateSelection) {
    PN_FATAL_IF(copies == nullptr, "SDocOdr", 770);
    for (auto& copy : made) copies->push_back(std::move(copy));
  } else if (kind == kCopySelection || kind == kCutSelection) {
    PnGlobal& global = PnGlobal::Get();
    global.ClearCopyBuffer();
    for (auto& copy : made) global.AddToCopyBuffer(std::move(copy));
  }
  return kResultOk;
}

int SDoc::CopySelection() { return CopyOrRemoveSelection(kCopySelection, nullptr, nullptr); }

int SDoc::CutSelection(std::vector<SDatObj>& removed) { return CopyOrRemoveSelection(kCutSelection, &removed, nullptr); }

int SDoc::DeleteSelection(std::vector<SDatObj>& removed) {
  return CopyOrRemoveSelection(kDeleteSelection, &removed, nullptr);
}

int SDoc::PasteObjects(std::vector<SDatObj>& inserted, std::vector<std::unique_ptr<SObj>>* objects) {
  std::vector<std::unique_ptr<SObj>> incoming;
  if (objects != nullptr) {
    incoming = std::move(*objects);
    objects->clear();
  } else {
    const PnGlobal& global = PnGlobal::Get();
    for (int i = 0; i < global.GetCopyBufferCount(); ++i) {
      std::unique_ptr<SObj> copy = global.GetCopyBufferObject(i).Clone();
      if (!copy) return kResultNoMemory;
      incoming.push_back(std::move(copy));
    }
  }
  if (incoming.empty()) return kResultOk;

  // The smallest incoming id becomes nextId + 1; the others keep their
  // distances, and so do the links to their containers.
  std::int64_t smallest = incoming.front()->id;
  std::int64_t largest = smallest;
  for (const auto& object : incoming) {
    smallest = std::min<std::int64_t>(smallest, object->id);
    largest = std::max<std::int64_t>(largest, object->id);
  }
  const std::int64_t shift = static_cast<std::int64_t>(nextId) - smallest + 1;
  if (largest + shift >= INT_MAX) return kResultNoMemory;  // no ids left to give
  for (auto& object : incoming) {
    object->id = static_cast<int>(object->id + shift);
    if (object->parentId >= 0) object->parentId = static_cast<int>(object->parentId + shift);
    SObj* added = object.get();
    objects_.push_back(std::move(object));
    inserted.push_back({added, GetObjectCount() - 1});
  }
  nextId = static_cast<int>(largest + shift + 1);
  return kResultOk;
}

int SDoc::DuplicateSelection(std::vector<SDatObj>& inserted) {
  std::vector<std::unique_ptr<SObj>> copies;
  if (const int rc = CopyOrRemoveSelection(kDuplicateSelection, nullptr, &copies); rc < 0) return rc;
  SelectAll(false);
  return PasteObjects(inserted, &copies);
}

void SDoc::MoveSelectionIntoContainer(SObj* container, int position) {
  // With a container and no position, what already lies inside it stays:
  // its direct members, and what sits below selected containers there.
  const auto staysInside = [&](const SObj* object) {
    if (container == nullptr || position != kBlockAtEnd) return false;
    const SObj* parent = FindParent(object);
    int steps = GetObjectCount();
    while (parent != nullptr && parent != container && steps-- > 0) {
      if (!parent->IsSelected()) return false;
      parent = FindParent(parent);
    }
    return parent == container;
  };
  const int containerId = container ? container->id : -1;
  // Decided before anything moves: an object joins the container unless its
  // own container moves along.
  std::vector<std::pair<SObj*, int>> newParents;
  std::unordered_set<const SObj*> moving;
  for (const auto& object : objects_) {
    if (!object->IsSelected() || object.get() == container) continue;
    const SObj* parent = FindParent(object.get());
    newParents.emplace_back(object.get(), (parent == nullptr || !parent->IsSelected()) ? containerId : object->parentId);
    if (!staysInside(object.get())) moving.insert(object.get());
  }
  for (const auto& [object, parentId] : newParents) object->parentId = parentId;

  std::vector<std::unique_ptr<SObj>> block;
  std::vector<std::unique_ptr<SObj>> rest;
  for (auto& object : objects_) (moving.count(object.get()) ? block : rest).push_back(std::move(object));
  objects_ = std::move(rest);

  int index = 0;
  if (container != nullptr) {
    const int at = IndexOf(container);
    index = position == kBlockToBack ? at + 1 : RangeEnd(at);
  } else {
    index = position == kBlockToBack ? 0 : GetObjectCount();
  }
  PN_FATAL_IF(index < 0, "SDocOdr", 409);
  objects_.insert(objects_.begin() + index, std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
}

SObj* SDoc::GroupSelection(std::vector<SDatObj>& removed) {
  SelectFrameContents();
  if (!CanGroupSelection()) return nullptr;
  int index = 0;
  const SObj* container = FindGroupInsertPoint(index);
  std::unique_ptr<SObj> made = NewGroupObject();
  made->parentId = container ? container->id : -1;
  SObj* group = made.get();
  AddObject(std::move(made), index, -1);
  MoveSelectionIntoContainer(group, kBlockAtEnd);
  group->SetSelected(true);
  DissolveSmallGroups(removed);
  return group;
}

void SDoc::ReleaseSelection(std::vector<SDatObj>& removed) {
  SelectFrameContents();
  MoveSelectionIntoContainer(nullptr, kBlockAtEnd);
  DissolveSmallGroups(removed);
}

int SDoc::PutSelectionIntoFrame(std::vector<SDatObj>& removed, SObj* frame) {
  // A selected container of the given frame cannot go into it: the chain of
  // parents would close on itself (FindTargetFrame refuses such a frame).
  if (frame != nullptr && std::any_of(objects_.begin(), objects_.end(), [&](const auto& object) {
        return object->IsSelected() && IsInside(object.get(), frame);
      }))
    return kResultFrameGrouped;
  SelectFrameContents();
  if (frame == nullptr) {
    int code = kResultOk;
    frame = FindTargetFrame(code);
    if (frame == nullptr) return code;
  }
  MoveSelectionIntoContainer(frame, kBlockAtEnd);
  DissolveSmallGroups(removed);
  return kResultOk;
}

void SDoc::MoveSelectionInOrder(bool front) {
  SelectFrameContents();
  SObj* container = FindCommonContainer(false, false);
  MoveSelectionIntoContainer(container, front ? kBlockToFront : kBlockToBack);
}

}  // namespace page
