#pragma once
// One object of the page: id, flag word and container link, its four
// property values, its panel-frame state and the shape it owns. The object
// holds the placement and the style; the shape holds what is drawn inside
// the placement. Groups and panel frames are ordinary objects whose members
// name them in parentId and follow them in the page's list.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "page/PropVal.h"
#include "page/SFig.h"
#include "page/SPoint.h"
#include "page/STrim.h"
#include "platform/Dc.h"
#include "platform/Image.h"

namespace page {

// Flag bits of an object.
enum SObjFlag : std::uint32_t {
  kObjHidden = 0x1,       // never drawn, not taken by select-all; groups carry it
  kObjNoHit = 0x2,        // no hit tests, rubber band or select-all
  kObjContainer = 0x4,    // others may name it as parentId
  kObjGroup = 0x8,        // a container that draws nothing and is not hit
  kObjSelected = 0x10,
  kObjFrameNoClip = 0x20, // a panel frame that keeps no mask: members unclipped
  kObjTempMark1 = 0x40,   // temporary marks of commands
  kObjTempMark2 = 0x80,
  kObjFrame = 0x100,      // a panel frame; mirrors frame.isFrame
  kObjEditing = 0x200,    // the shape is in point or pose editing
};

// Where a hit landed: `hit`, and the handle index (-1 for the body).
struct SObjHit {
  bool hit = false;
  int handle = -1;
};

// The two work images objects draw in. The renderer keeps one pair for all
// its objects; a drawn picture stays in one of them for the caller.
struct SDrawBuffers {
  platform::Image image[2];
};

// Where a drawn object's picture is: the buffer that holds it and its place
// in the target, in window pixels.
struct SObjDrawn {
  int index = -1;
  platform::RECT rect;
};

// The fixed point of a handle drag and the directions it may scale in.
struct SHandleAnchor {
  SPoint point;
  int axis = 0;  // 0 both, 1 horizontal only, 2 vertical only
};

class SObj {
 public:
  std::uint32_t flags = 0;
  int id = -1;  // unique in the page; -1 until the page gives one
  std::string label;
  std::string storedLabel;  // the bytes the label was read from, written back while it shows them
  int parentId = -1;  // the containing group or panel frame; -1 at the top
  STrim frame;
  Prop2DVal props2D;
  Prop3DVal props3D;
  PropLTVal propsLT;
  PropSCVal placement;
  std::unique_ptr<SFig> fig;  // null only in the page's root object

  SObj() = default;
  SObj(const SObj&) = delete;
  SObj& operator=(const SObj&) = delete;
  virtual ~SObj() = default;

  // ---- flags and state: SObj.cpp ------------------------------------------
  bool IsSelected() const { return (flags & kObjSelected) != 0; }
  // Deselecting an object in editing mode also ends the shape's editing.
  void SetSelected(bool selected);
  // Brings 0x100 in line with the frame state and answers the flags.
  std::uint32_t GetFlagsSynced();
  std::uint32_t FlagsSynced() const;
  // Stores the flags; 0x100 sets the frame state, and 0x200 takes the
  // shape into or out of point (or pose) editing with it.
  void SetFlagsAll(std::uint32_t newFlags);
  bool IsFrame() const { return frame.isFrame; }
  // Stores the shape; unless `keepValues`, the shape sets up the object.
  void SetFig(std::unique_ptr<SFig> shape, bool keepValues);
  // The shape's type is `typeId`, or `typeId` is 3 and the shape is one of
  // the vector shapes (rectangle, oval, line, polygon).
  bool IsKind(int typeId) const;
  bool CanEditPoints() const;
  // Switches the shape's editing mode; the flag itself is set by the command
  // that starts editing.
  void SetEditPointsMode(bool on);
  bool CanConvertToPicture() const;
  bool CanStretch() const;
  bool HasPosableFigure() const;

  // ---- property values: SObj.cpp ------------------------------------------
  void ApplyProp2D(const Prop2DVal& value, bool masked);
  void ApplyProp3D(const Prop3DVal& value, bool masked);
  void ApplyPropLT(const PropLTVal& value, bool masked);
  // Raises width and height to at least margin + 1.
  void ApplyPropSC(const PropSCVal& value, bool masked);
  void TakeProp2D(Prop2DVal& value) const;
  void TakeProp3D(Prop3DVal& value) const;
  void TakePropLT(PropLTVal& value) const;
  void TakePropSC(PropSCVal& value) const;

  // ---- geometry, handles and hits: SObj_Geometry.cpp ----------------------
  // The placement's corners, turned about the centre: top-left, top-right,
  // bottom-left, bottom-right.
  std::array<SPoint, 4> GetQuad() const;
  // The shape's handles with 0-8 placed on the box (when there are more than
  // 3). `zoom` is the view's scale (1 at 100 %). Valid until the next call.
  std::span<SCtlp> GetHandles(double zoom);
  // The anchor of a handle drag. An object with fewer than 9 handles is a
  // broken invariant.
  SHandleAnchor GetHandleAnchor(int handle, double zoom);
  // Handles (of a selected object), then the outline of a selected object,
  // then the body inside the box, the clipping frame's mask and the shape.
  // `tool` is the current tool number (pose handles show for 13 and 14).
  SObjHit HitTest(SPoint point, double zoom, const STrim* clip, int tool);
  // All four corners lie within the rectangle (bounds included).
  bool IsInsideRect(SPoint min, SPoint max) const;
  // True without a frame or mask; otherwise the point must fall on a mask
  // pixel that is not 0.
  static bool MaskAllows(SPoint point, double zoom, const STrim* clip);
  // The work image size drawing the object needs at the transform.
  SPoint GetDrawMargins(const PageTransform& transform) const;

  // ---- drawing: SObj_Draw.cpp ---------------------------------------------
  // Draws the object into a premultiplied 32-bit picture at the transform's
  // zoom (supersampled and reduced), applies its effects and opacity, cuts
  // it by the clipping frame's mask, and keeps a panel frame's mask. With
  // `drawn` the picture stays in `buffers` for the caller; otherwise it is
  // blended onto `target` at the object's place. `vectorOnly` is the
  // outline pass over panel frames: vector shapes only, stroke only.
  // 0, or a negative result code.
  int Draw(platform::Image* target, const PageTransform& transform, const STrim* clip, bool vectorOnly,
           SDrawBuffers& buffers, SObjDrawn* drawn = nullptr);
  // The selection marks: the box's edges, then each shown handle. Styles 0
  // and 1 draw in green, others in cyan; style 3 draws round corner marks.
  void DrawHandles(platform::Dc& dc, const PageTransform& transform, int style, int tool);
  // One special handle (kind 1-13) at `point`; segment kinds run to `next`.
  static void DrawSpecialHandle(platform::Dc& dc, int kind, platform::POINT point, platform::POINT next);

  // ---- copying and the stream: SObj_Stream.cpp ----------------------------
  // Copies everything into `target` and gives it a clone of the shape; -1
  // when the frame or the shape cannot be copied.
  int CloneInto(SObj& target) const;
  std::unique_ptr<SObj> Clone() const;
  // The object record of the page stream.
  void Write(PnFile& file) const;
  // Reads an object record; the shape comes from its type id. Damage throws
  // PnFileError.
  void Read(PnFile& file);

  // ---- forwarders to the shape: SObj.cpp ----------------------------------
  int HitTestFigure(SPoint point);
  int ApplyLibraryFile(const std::string& path, int figure, std::string& replaced);
  int RestoreLibraryFiles(const std::string& saved, int figure);
  int PickPartColor(SPoint point, int& objectIndex, int& face);
  int SetPartColor(int objectIndex, int face, platform::COLORREF colour);
  int BeginPoseDrag(SPoint point, int tool);
  int DragPose(SPoint point);
  int EndPoseDrag(SPoint point);
  int FinishPoseDrag();
  int DiscardAnimState(const SAnimStates& saved);
  int HitTestPose(SPoint point, int tool);
  int GetAnimFrameCount() const;
  void SetAnimFrame(int frame);
  void Run3DMove(Calc3DMoveVal& move);
  std::unique_ptr<SFIGSpProp> SaveSpProp() const;
  // Gives the object a clone of the kept shape.
  void RestoreSpProp(const SFIGSpProp& saved);
  int SetNormalizedPoints(std::span<const SPoint> points);
  void ResetRotation(PropSCVal& P);
};

}  // namespace page
