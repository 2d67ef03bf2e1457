#pragma once
// Insertion of objects made from files: pictures, text files, 3D scene
// files, other page files, the clipboard's picture and composed speech
// balloons. The new objects end selected, inside panel frame `frameId`
// when that is 0 or more. Undo deletes them and gives their ids back; Redo
// makes them again from the file.
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "page/SCom.h"
#include "page/SDoc.h"

namespace page {

class SComInp : public SCom {
 public:
  SComInp(SDoc* doc, std::string path, SPoint position, int frameId);
  ~SComInp() override;
  int Do() override;
  int Undo() override;
  // Selects the new objects (putting them into the panel frame first) and
  // records their ids.
  virtual void PlaceObjects(std::span<SObj* const> objects);
  virtual void PlaceObject(SObj* object);
  const std::vector<int>& GetCreatedIds() const { return createdIds_; }

 protected:
  std::string path_;
  std::vector<int> createdIds_;
  int savedNextId_;
  SPoint position_;  // where the new object's centre goes
  int frameId_;
  std::vector<SDatID> savedIds_;
  // Groups the frame left too small, out of the page until Undo.
  std::vector<SDatObj> removed_;
};

// A picture file.
class SComInpPic : public SComInp {
 public:
  using SComInp::SComInp;
  int Redo() override;
};

// A 3D scene file of the material library (with its library files).
class SComInp3D : public SComInp {
 public:
  using SComInp::SComInp;
  int Redo() override;
};

// A Shift-JIS text file.
class SComInpText : public SComInp {
 public:
  using SComInp::SComInp;
  int Redo() override;
};

// The objects of another page file, their middle on the position.
class SComInpPn : public SComInp {
 public:
  using SComInp::SComInp;
  int Redo() override;
};

// The clipboard's picture, through a temporary file that goes with the
// command.
class SComInpPaste : public SComInpPic {
 public:
  SComInpPaste(SDoc* doc, SPoint position, int frameId) : SComInpPic(doc, std::string(), position, frameId) {}
  ~SComInpPaste() override;
  int Do() override;
};

// A picture composed from selected objects, put into the container (-1
// none) at the list index with the given size. The picture file goes with
// the command.
class SComInpFukidashi : public SComInp {
 public:
  SComInpFukidashi(SDoc* doc, std::string path, SPoint position, SPoint size, int containerId, int index)
      : SComInp(doc, std::move(path), position, -1), size_(size), containerId_(containerId), index_(index) {}
  ~SComInpFukidashi() override;
  int Redo() override;

 private:
  SPoint size_;
  int containerId_;
  int index_;
};

// The insert command for a file dropped on the page, chosen by its
// extension (any case): "txt" text; "bmp", "png", "jpg", "jpeg", "gif"
// picture; "z4t", "z4h" 3D data; "z4g" page file. 0, or
// kResultUnsupportedType (-36) for any other file (`command` stays null).
int MakeInsertFileCommand(SDoc& doc, const std::string& path, SPoint position, int frameId,
                          std::unique_ptr<SCom>& command);

}  // namespace page
