#pragma once
// A shape drawn with an input tool, and the adjustments the tools make to
// it right after (an arrow at the line's end, a panel frame, a cut-out
// frame, forced path and colour modes).
#include <memory>
#include <vector>

#include "page/SCom.h"
#include "page/SDoc.h"

namespace page {

// Adds a new object of the input kind (SDoc::MakeInputObject). With `join`
// only the new object ends selected, inside panel frame `frameId` when
// that is 0 or more. Undo deletes it and gives its id back.
class SComInput2D : public SCom {
 public:
  SComInput2D(SDoc* doc, int kind, SPoint corner1, SPoint corner2, double angle, const Prop2DVal& values,
              int frameId, bool join);
  ~SComInput2D() override;
  int Do() override;
  int Redo() override;
  int Undo() override;
  // The new object; null when the kind cannot be made.
  virtual std::unique_ptr<SObj> CreateObject();
  // The new object's id (-1 before Do).
  int GetCreatedId() const { return createdId_; }

 protected:
  int kind_;
  SPoint corner1_, corner2_;
  double angle_;
  Prop2DVal values_;
  int frameId_;
  bool join_;
  int createdId_ = -1;
  int nextIdBefore_ = 0;
  std::vector<SDatID> savedIds_;
  // Groups the frame left too small, out of the page until Undo.
  std::vector<SDatObj> removed_;
};

// The base of the adjustments: Do keeps the new object's 2D values and
// placement and the snapshot, Undo puts them back.
class SComAfter2D : public SCom {
 public:
  SComAfter2D(SDoc* doc, int id) : SCom(doc), id_(id) {}
  int Do() override;
  int Undo() override;

 protected:
  // The new object; its absence stops the program, named by the check's line.
  SObj& Object(int fatalLine = 301) const;
  int id_;
  Prop2DVal kept2D_;
  PropSCVal keptPlacement_;
  std::vector<SDatID> savedIds_;
};

// The arrow line: an arrowhead at the end.
class SComAfter2DALine : public SComAfter2D {
 public:
  using SComAfter2D::SComAfter2D;
  int Redo() override;
};

// The panel frame tool: the new shape becomes a panel frame.
class SComAfter2DTrim : public SComAfter2D {
 public:
  using SComAfter2D::SComAfter2D;
  int Redo() override;
};

// The cut-out tool: a panel frame without line and fill, put before the
// selected shapes it is to take.
class SComAfter2DTrimout : public SComAfter2D {
 public:
  using SComAfter2D::SComAfter2D;
  int Redo() override;
};

// Values a tool forces on its shape: path flags, line and fill colour
// modes (-1 keeps the value).
class SComAfter2DForceShape : public SComAfter2D {
 public:
  SComAfter2DForceShape(SDoc* doc, int id, int pathFlags, int lineColorMode, int fillColorMode)
      : SComAfter2D(doc, id), pathFlags_(pathFlags), lineColorMode_(lineColorMode), fillColorMode_(fillColorMode) {}
  int Redo() override;

 private:
  int pathFlags_;
  int lineColorMode_;
  int fillColorMode_;
};

}  // namespace page
