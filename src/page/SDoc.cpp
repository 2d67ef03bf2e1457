#include "page/SDoc.h"

#include <algorithm>
#include <unordered_map>

#include "page/PnFatal.h"
#include "page/PnGlobal.h"
#include "page/SComs.h"

namespace page {

SDoc::SDoc() : commands_(std::make_unique<SComs>()), root_(std::make_unique<SObj>()) {}

SDoc::SDoc(int undoLimit) : commands_(std::make_unique<SComs>(undoLimit)), root_(std::make_unique<SObj>()) {}

SDoc::~SDoc() {
  // The undo stack first (its commands may own objects out of the list),
  // then the root, then the listed objects.
  commands_.reset();
  root_.reset();
  objects_.clear();
}

// ---- the undo stack ------------------------------------------------------------

int SDoc::Execute(std::unique_ptr<SCom> command) {
  if (!command) return -1;
  return commands_->ExecuteCommand(std::move(command));
}

void SDoc::CloseCommandGroup() { commands_->CloseCommandGroup(); }

SCom* SDoc::LastGroupCommand() const { return commands_->LastGroupCommand(); }

int SDoc::RollbackOpenGroup() { return commands_->RollbackOpenGroup(); }

void SDoc::RefreshBars() const {
  Prop3DVal camera;
  Prop2DVal look;
  PropLTVal light;
  PropVal* const values[] = {&camera, &look, &light};
  for (PropVal* value : values) {
    TakePropValFromSelection(*value);
    PnGlobal::Get().ShowValuesInBars(*value);
  }
}

void SDoc::SetPageSize(int width, int height) {
  pageWidth_ = std::max(width, 1);
  pageHeight_ = std::max(height, 1);
}

// ---- object list -------------------------------------------------------------

int SDoc::IndexOf(const SObj* object) const {
  for (std::size_t i = 0; i < objects_.size(); ++i)
    if (objects_[i].get() == object) return static_cast<int>(i);
  return -1;
}

SObj* SDoc::FindObjectById(int id) const {
  if (id < 0) return nullptr;
  for (const auto& object : objects_)
    if (object->id == id) return object.get();
  return nullptr;
}

int SDoc::AddObject(SObj* object, int index, int id) {
  if (object == nullptr) return -1;
  if (id < 0) {
    object->id = nextId++;
  } else {
    object->id = id;
    if (id >= nextId) nextId = id + 1;
  }
  std::unique_ptr<SObj> owned(object);
  if (index < 0 || index >= GetObjectCount())
    objects_.push_back(std::move(owned));
  else
    objects_.insert(objects_.begin() + index, std::move(owned));
  return object->id;
}

SObj* SDoc::RemoveObjectById(int id) {
  SObj* object = FindObjectById(id);
  PN_FATAL_IF(object == nullptr, "SDoc", 342);
  RemoveObject(object);
  return object;
}

void SDoc::RemoveObject(SObj* object) {
  const int index = IndexOf(object);
  PN_FATAL_IF(index < 0, "SDoc", 355);
  objects_[static_cast<std::size_t>(index)].release();
  objects_.erase(objects_.begin() + index);
}

void SDoc::RemoveObjects(std::span<SDatObj> records) {
  for (SDatObj& record : records) {
    record.index = IndexOf(record.object);
    RemoveObject(record.object);
  }
}

void SDoc::DeleteObjects(std::span<SDatObj> records) {
  for (SDatObj& record : records) {
    delete record.object;
    record.object = nullptr;
  }
}

void SDoc::InsertObjects(std::span<const SDatObj> records, bool forward) {
  const auto insert = [this](const SDatObj& record) {
    const int index = std::clamp(record.index, 0, GetObjectCount());
    objects_.insert(objects_.begin() + index, std::unique_ptr<SObj>(record.object));
  };
  if (forward) {
    for (const SDatObj& record : records) insert(record);
  } else {
    for (auto it = records.rbegin(); it != records.rend(); ++it) insert(*it);
  }
}

void SDoc::DeleteObject(SObj* object) { delete object; }

std::vector<std::unique_ptr<SObj>> SDoc::TakeAllObjects() { return std::exchange(objects_, {}); }

void SDoc::SaveIdState(std::vector<SDatID>& out) {
  out.reserve(out.size() + objects_.size());
  for (const auto& object : objects_) out.push_back({object->id, object->GetFlagsSynced(), object->parentId});
}

void SDoc::RestoreIdState(std::span<const SDatID> state, bool reorder) {
  PN_FATAL_IF(state.size() != objects_.size(), "SDoc", 650);
  if (!reorder) {
    for (std::size_t i = 0; i < state.size(); ++i) {
      SObj& object = *objects_[i];
      PN_FATAL_IF(object.id != state[i].id, "SDoc", 673);
      object.SetFlagsAll(state[i].flags);
      object.parentId = state[i].parentId;
    }
    return;
  }
  std::unordered_map<int, std::size_t> indexOfId;
  for (std::size_t i = 0; i < objects_.size(); ++i) indexOfId.emplace(objects_[i]->id, i);
  // Check the whole state before moving anything: a missing id, or one named
  // twice, does not describe this list.
  std::vector<std::size_t> order;
  order.reserve(state.size());
  std::vector<bool> taken(objects_.size(), false);
  for (const SDatID& record : state) {
    const auto found = indexOfId.find(record.id);
    PN_FATAL_IF(found == indexOfId.end() || taken[found->second], "SDoc", 659);
    taken[found->second] = true;
    order.push_back(found->second);
  }
  std::vector<std::unique_ptr<SObj>> rebuilt;
  rebuilt.reserve(objects_.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::unique_ptr<SObj> object = std::move(objects_[order[i]]);
    object->SetFlagsAll(state[i].flags);
    object->parentId = state[i].parentId;
    rebuilt.push_back(std::move(object));
  }
  objects_ = std::move(rebuilt);
}

void SDoc::ClearTempMarks() {
  for (const auto& object : objects_) object->flags &= ~(kObjTempMark1 | kObjTempMark2);
}

std::unique_ptr<SObj> SDoc::NewGroupObject() {
  auto group = std::make_unique<SObj>();
  group->SetFig(std::make_unique<SFig>(), false);
  group->flags = kObjHidden | kObjContainer | kObjGroup;
  return group;
}

}  // namespace page
