#pragma once
// Commands that change property values or a shape's own data: the
// property bars and dialogs, a shape's edit dialog, conversion to a picture.
#include <memory>
#include <vector>

#include "page/SCom.h"
#include "page/SDoc.h"
#include "page/SView.h"
#include "platform/Image.h"

namespace page {

// Applies a value (masked) to the selection. While it is the last command
// of the stack a slider drag changes it in place (ReplaceValue).
class SComSetProp : public SCom {
 public:
  SComSetProp(SDoc* doc, const PropVal& value);
  int Do() override;
  int Redo() override;
  int Undo() override;
  virtual void ClearSaved();
  // Undo, take a copy of the new value, Redo.
  void ReplaceValue(const PropVal& value);
  const PropVal& Value() const { return *value_; }

 protected:
  std::unique_ptr<PropVal> value_;
  std::vector<std::unique_ptr<PropVal>> saved_;
  // Values can move the box (a wider line widens its margin): the
  // placements from before are kept too.
  std::vector<std::unique_ptr<PropVal>> savedPlacements_;
};

// Applies a value in full to one object (the size and position dialog).
class SComSetPropObj : public SComSetProp {
 public:
  SComSetPropObj(SDoc* doc, const PropVal& value, int id) : SComSetProp(doc, value), id_(id) {}
  int Redo() override;
  // Gives the object its own values back, selected or not.
  int Undo() override;

 private:
  int id_;
};

// Applies a value to the page's defaults (nothing selected).
class SComSetPropBar : public SComSetProp {
 public:
  using SComSetProp::SComSetProp;
  int Do() override;
  int Redo() override;
  int Undo() override;

 private:
  std::unique_ptr<PropVal> old_;
};

// A shape's own data changed outside the stack (its edit dialog, the
// points of a free-hand line): Do does nothing, Redo and Undo put the
// shape's state after and before back.
class SComChangeSpProp : public SCom {
 public:
  SComChangeSpProp(SDoc* doc, int id, std::unique_ptr<SFIGSpProp> before, std::unique_ptr<SFIGSpProp> after)
      : SCom(doc), id_(id), before_(std::move(before)), after_(std::move(after)) {}
  int Do() override { return 0; }
  int Redo() override;
  int Undo() override;

 private:
  int id_;
  std::unique_ptr<SFIGSpProp> before_;
  std::unique_ptr<SFIGSpProp> after_;
};

// Gives an object a picture shape of the rendered picture in place of its
// own shape, unturned and without effects. The command owns whichever
// shape is out of the object.
class SComChangeToPic : public SCom {
 public:
  SComChangeToPic(SDoc* doc, int id, std::unique_ptr<platform::Image> picture)
      : SCom(doc), id_(id), picture_(std::move(picture)) {}
  int Do() override;
  int Redo() override;
  int Undo() override;

 private:
  int id_;
  std::unique_ptr<platform::Image> picture_;
  std::unique_ptr<SFig> outShape_;
  PropSCVal oldPlacement_;
  PropSCVal newPlacement_;
  Prop2DVal old2D_;
};

// What the renderer's conversion to pictures makes, run as undoable
// commands of the open group: each converted object through
// SComChangeToPic; a composed picture through SComInpFukidashi (into the
// selection's container, at the place a new group would take), then the
// composed objects are deleted (SComCut).
class SComPictureSink : public SPictureSink {
 public:
  int ChangeToPicture(SDoc& doc, int objectId, std::unique_ptr<platform::Image> image) override;
  int InsertComposite(SDoc& doc, const std::string& pngPath, SPoint centre, SPoint size) override;
};

}  // namespace page
