#pragma once
// Commands that take objects out of the page (cut, delete, and the
// structure changes that dissolve groups left too small), and pasting.
// While removed objects are out of the page the command owns them, and
// deletes them if it dies holding them.
#include <vector>

#include "page/SComFlag.h"

namespace page {

class SComFlagDel : public SComFlag {
 public:
  using SComFlag::SComFlag;
  ~SComFlagDel() override;
  // Puts the removed objects back, last removed first, then the snapshot.
  int Undo() override;

 protected:
  std::vector<SDatObj> removed_;
};

// Mode 0 cut (the copy buffer takes copies), 1 delete.
class SComCut : public SComFlagDel {
 public:
  SComCut(SDoc* doc, int mode) : SComFlagDel(doc), mode_(mode) {}
  int Redo() override;

 private:
  int mode_;
};

// Groups the selection; -1 when it cannot be grouped. Undo takes the group
// object out again and gives its id back.
class SComGroup : public SComFlagDel {
 public:
  using SComFlagDel::SComFlagDel;
  int Redo() override;
  int Undo() override;

 private:
  int groupId_ = -1;
  int nextIdBefore_ = 0;
};

class SComUnGroup : public SComFlagDel {
 public:
  using SComFlagDel::SComFlagDel;
  int Redo() override;
};

// Puts the selection into its selected panel frame (the frame's code when
// there is none).
class SComInsertTrim : public SComFlagDel {
 public:
  using SComFlagDel::SComFlagDel;
  int Redo() override;
};

// Takes the selection out of its containers.
class SComDelFromTrim : public SComFlagDel {
 public:
  using SComFlagDel::SComFlagDel;
  int Redo() override;
};

// Pastes copies of the copy buffer's objects under new ids, above all
// others. Undo takes them out and keeps them (the command owns them then);
// Redo puts the same objects back with the same ids.
class SComPaste : public SCom {
 public:
  using SCom::SCom;
  ~SComPaste() override;
  int Do() override;
  int Redo() override;
  int Undo() override;

 private:
  std::vector<SDatObj> pasted_;
  std::vector<SDatID> savedIds_;
  int nextIdBefore_ = 0;
  int nextIdAfter_ = 0;
  bool owned_ = false;
};

}  // namespace page
