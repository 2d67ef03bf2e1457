#pragma once
// Commands that place the selection or set up the page: moving, scaling,
// turning, special handles, alignment, mirroring, the grid and the page
// size. The placement commands keep every object's placement from before
// the change, so Undo puts back exactly what was there.
#include <memory>
#include <vector>

#include "page/SAlignRect.h"
#include "page/SCom.h"
#include "page/SDoc.h"

namespace page {

// Saved placements of every object, in list order.
using SSavedValues = std::vector<std::unique_ptr<PropVal>>;

// Moves the selection (every object with `all`: the output-frame tool).
class SComMoveObj : public SCom {
 public:
  SComMoveObj(SDoc* doc, double dx, double dy, bool all) : SCom(doc), dx_(dx), dy_(dy), all_(all) {}
  int Do() override;
  int Redo() override;
  int Undo() override;

 private:
  double dx_, dy_;
  bool all_;
  SSavedValues saved_;
};

// Replaces the page's grid and output settings. Spacing and divisions
// below 1 become 1: drawing and snapping divide by them.
class SComSetGrid : public SCom {
 public:
  SComSetGrid(SDoc* doc, const SGridInfo& grid);
  int Do() override;
  int Redo() override;
  int Undo() override;

 private:
  SGridInfo old_;
  SGridInfo new_;
};

// The page size (truncated to whole pixels, at least 1) and resolution (at
// least 1 dot per inch); Undo and Redo swap them with the page's.
class SComOrgSize : public SCom {
 public:
  SComOrgSize(SDoc* doc, double width, double height, int resolution)
      : SCom(doc), width_(width), height_(height), resolution_(resolution) {}
  int Redo() override { return Swap(); }
  int Undo() override { return Swap(); }

 private:
  int Swap();
  double width_, height_;
  int resolution_;
};

// Scales the selection by a handle drag (SDoc::ScaleByHandle). Built with
// object id -1 it takes the first selected object; -1 when there is none.
// A drag goes on in the same command (UpdateDrag) while it is the last of
// the stack.
class SComMagObj : public SCom {
 public:
  SComMagObj(SDoc* doc, int objectId, SPoint anchor, SPoint handle, SPoint drag, int mode);
  int Do() override;
  int Redo() override;
  int Undo() override;
  virtual void ClearSaved() { saved_.clear(); }
  // Undo, take the new point (and mode), Redo.
  void UpdateDrag(SPoint drag);
  void UpdateDragAndMode(SPoint drag, int mode);

 protected:
  int objectId_;
  SPoint anchor_, handle_, drag_;
  int mode_;
  SSavedValues saved_;
};

// Turns the selection by the rotation handle; mode 1 snaps to 15 degrees.
class SComRotObj : public SComMagObj {
 public:
  using SComMagObj::SComMagObj;
  int Redo() override;
};

// Drags a shape's special handle (`mode` is the handle number, `value` the
// Shift state). The shape's special properties from before are kept.
class SComSpCtrl : public SComMagObj {
 public:
  SComSpCtrl(SDoc* doc, int objectId, SPoint anchor, SPoint handle, SPoint drag, int value, int handleNumber);
  int Redo() override;
  int Undo() override;

 private:
  int value_;
  std::unique_ptr<SFIGSpProp> before_;
};

// Lines the selection up with a calculator (which the command owns).
class SComAlignPosition : public SCom {
 public:
  SComAlignPosition(SDoc* doc, std::unique_ptr<SAlignRect> calc) : SCom(doc), calc_(std::move(calc)) {}
  int Do() override;
  int Redo() override;
  int Undo() override;

 protected:
  std::unique_ptr<SAlignRect> calc_;
  SSavedValues saved_;
};

// Equal heights or widths.
class SComAlignSize : public SComAlignPosition {
 public:
  using SComAlignPosition::SComAlignPosition;
  int Redo() override;
};

// Mirrors the selected pictures left to right; Undo mirrors them back.
class SComMirrorPic : public SCom {
 public:
  using SCom::SCom;
  int Redo() override;
  int Undo() override { return Redo(); }
};

}  // namespace page
