#include "page/SComs.h"

#include <algorithm>

#include "page/PnFatal.h"
#include "page/PnGlobal.h"

namespace page {

SComs::SComs() : SComs(PnGlobal::Get().undoLimit) {}

SComs::SComs(int groupLimit) : groupLimit_(std::clamp(groupLimit, kMinGroupLimit, kMaxGroupLimit)) {}

SComs::~SComs() {
  // Oldest first, in the order they were pushed.
  for (auto& command : commands_) command.reset();
}

int SComs::ExecuteCommand(std::unique_ptr<SCom> command) {
  if (!command) return -1;
  const int rc = command->Do();
  if (rc < 0) return rc;  // the command dies here
  PushCommand(std::move(command));
  return 0;
}

void SComs::CloseCommandGroup() { PushCommand(std::make_unique<SComEnd>()); }

bool SComs::HasOpenGroup() const { return !commands_.empty() && !commands_.back()->IsGroupEnd(); }

int SComs::CountMarkers() const {
  return static_cast<int>(std::count_if(commands_.begin(), commands_.end(),
                                        [](const auto& command) { return command->IsGroupEnd(); }));
}

void SComs::PushCommand(std::unique_ptr<SCom> command) {
  TruncateFrom(current_);
  // Counted before the new command goes in: the first command of a new
  // action drops the oldest group when the stack already holds the limit.
  while (CountMarkers() >= groupLimit_) {
    const auto first = std::find_if(commands_.begin(), commands_.end(),
                                    [](const auto& c) { return c->IsGroupEnd(); });
    RemoveFirst(static_cast<int>(first - commands_.begin()) + 1);
  }
  commands_.push_back(std::move(command));
  current_ = GetCount();
}

int SComs::FindGroupEnd(int index) const {
  for (int i = std::max(index, 0); i < GetCount(); ++i)
    if (commands_[static_cast<std::size_t>(i)]->IsGroupEnd()) return i + 1;
  return GetCount();
}

void SComs::TruncateFrom(int index) {
  index = std::clamp(index, 0, GetCount());
  // Newest first, so a command never outlives one built after it.
  while (GetCount() > index) commands_.pop_back();
  current_ = std::min(current_, index);
}

void SComs::RemoveFirst(int n) {
  if (n < 1) return;
  n = std::min(n, GetCount());
  for (int i = 0; i < n; ++i) commands_[static_cast<std::size_t>(i)].reset();
  commands_.erase(commands_.begin(), commands_.begin() + n);
  current_ = GetCount();
}

void SComs::CloseOpenGroupBeforeWalk() {
  // Selections leave their group open to join the next action. Undone or
  // redone as they are, the stack would hold an open group while something
  // is undone, and the next failing action would find the stack broken.
  if (current_ == GetCount() && HasOpenGroup()) CloseCommandGroup();
}

int SComs::UndoGroup() {
  CloseOpenGroupBeforeWalk();
  if (current_ <= 0) return 0;
  int start = 0;
  for (int i = current_ - 2; i >= 0; --i) {
    if (commands_[static_cast<std::size_t>(i)]->IsGroupEnd()) {
      start = i + 1;
      break;
    }
  }
  for (int i = current_ - 1; i >= start; --i) {
    const int rc = commands_[static_cast<std::size_t>(i)]->Undo();
    if (rc < 0) return rc;
    current_ = i;
  }
  return 0;
}

int SComs::RedoGroup() {
  CloseOpenGroupBeforeWalk();
  if (current_ >= GetCount()) return 0;
  const int end = FindGroupEnd(current_);
  for (int i = current_; i < end; ++i) {
    const int rc = commands_[static_cast<std::size_t>(i)]->Redo();
    if (rc < 0) return rc;
    current_ = i + 1;
  }
  return 0;
}

int SComs::RollbackOpenGroup() {
  if (!HasOpenGroup()) return 0;
  PN_FATAL_IF(current_ != GetCount(), "SComs", 196);
  for (int i = GetCount() - 1; i >= 0 && !commands_[static_cast<std::size_t>(i)]->IsGroupEnd(); --i) {
    const int rc = commands_[static_cast<std::size_t>(i)]->Undo();
    if (rc < 0) return rc;
    current_ = i;
  }
  TruncateFrom(current_);
  return 0;
}

SCom* SComs::LastGroupCommand() const {
  if (current_ < GetCount() || GetCount() < 2 || !commands_.back()->IsGroupEnd()) return nullptr;
  return commands_[commands_.size() - 2].get();
}

}  // namespace page
