#pragma once
// The undo stack of one page: the commands it has executed, oldest first,
// cut into groups by SComEnd markers. A group is everything one user action
// did; Undo and Redo move over whole groups. The run after the last marker
// is the open group, the action being built.
//
//   done                         | undone (redo tail)
//   c c End  c c c End  c c      |
//   ^ group  ^ group    ^ open   ^ current (== count while a group is open)
//
// The stack keeps at most `groupLimit` groups, the open one included:
// starting a new action when that many are closed drops the oldest.
#include <memory>
#include <vector>

#include "page/SCom.h"

namespace page {

class SComs {
 public:
  static constexpr int kMinGroupLimit = 1;
  static constexpr int kMaxGroupLimit = 20;

  // The limit of new pages (PnGlobal::undoLimit), within 1 to 20.
  SComs();
  // A limit outside 1 to 20 is brought within it: below 1 the trimming
  // could never end.
  explicit SComs(int groupLimit);
  SComs(const SComs&) = delete;
  SComs& operator=(const SComs&) = delete;
  virtual ~SComs();

  // Runs the command's Do. A negative result deletes the command and is
  // returned; otherwise the command is kept (the redo tail goes) and 0
  // returned.
  int ExecuteCommand(std::unique_ptr<SCom> command);
  // Closes the open group with a marker (an empty group when nothing was
  // executed since the last one).
  void CloseCommandGroup();
  // Undoes the group that ends at `current`. An open group is closed first,
  // so it is the group undone and a later rollback finds none. A failing
  // Undo stops the walk there and its code is returned.
  int UndoGroup();
  // Redoes the group that starts at `current` (closing an open group first,
  // as UndoGroup does).
  int RedoGroup();
  // Undoes and deletes the open group (the commands of an action that failed
  // half way). 0 when there is none.
  int RollbackOpenGroup();

  bool CanUndo() const { return current_ > 0; }
  bool CanRedo() const { return current_ < GetCount(); }
  // The last real command of the last closed group while nothing is undone;
  // null otherwise. A caller that still holds this command may change it in
  // place instead of executing a new one (merging).
  SCom* LastGroupCommand() const;

  int GetCount() const { return static_cast<int>(commands_.size()); }
  int GetCurrent() const { return current_; }
  int GetGroupLimit() const { return groupLimit_; }
  // True when commands follow the last marker.
  bool HasOpenGroup() const;
  const SCom* GetCommand(int index) const { return commands_[static_cast<std::size_t>(index)].get(); }

 private:
  void PushCommand(std::unique_ptr<SCom> command);
  // The index just after the first marker at or after `index`; the count
  // when there is none.
  int FindGroupEnd(int index) const;
  void TruncateFrom(int index);
  void RemoveFirst(int n);
  int CountMarkers() const;
  void CloseOpenGroupBeforeWalk();

  std::vector<std::unique_ptr<SCom>> commands_;
  int current_ = 0;
  int groupLimit_;
};

}  // namespace page
