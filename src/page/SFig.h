#pragma once
// The shape interface of the page: everything a page object (SObj) can show.
// The object owns the placement P and the property values and passes them
// in; the shape answers its type, draws itself into an image, gives its
// handles, tests hits and carries the data of its kind. Most operations have
// a neutral default here, so a kind overrides only what concerns it.
//
//   SFig ─ SFigPreAlias ─ SFig2D ─ SFigRect, SFigOval, SFigLine, SFigPoly
//        │              └ SFigText
//        ├ SFigPic
//        └ SFig3D
#include <array>
#include <memory>
#include <span>
#include <string>

#include "page/PageTransform.h"
#include "page/SPoint.h"
#include "platform/WinTypes.h"

namespace platform {
class Dc;
class Image;
}  // namespace platform

namespace page {

class Calc3DMoveVal;
class PnFile;
class Prop2DVal;
class Prop3DVal;
class PropLTVal;
class PropSCVal;
class SAnimStates;
class SFIGSpProp;
class SObj;

// Type ids, stored in the object record.
enum SFigType : int {
  kFigBase = 0,
  kFigPicture = 1,
  kFig2D = 3,
  kFigRect = 4,
  kFigOval = 5,
  kFigLine = 6,
  kFig3D = 7,
  kFigText = 8,
  kFigPoly = 9,
};

// Draw kinds (GetDrawKind).
enum SFigDrawKind : int { kDrawKindPicture = 0, kDrawKindVector = 1, kDrawKind3D = 2, kDrawKindNone = 4 };

// A handle record. The standard handles 0-8 of every object are the corners
// (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right), the edge middles
// (4 left, 5 top, 6 right, 7 bottom) and the rotation handle 8; shapes add
// special handles from 9 on.
struct SCtlp {
  bool visible = false;
  bool poseOnly = false;  // shown and hit only while a pose tool (13, 14) is on
  double x = 0.0;         // page pixels
  double y = 0.0;
  int kind = 0;  // 0 standard; 1-13 special handles of the shapes
};

constexpr int kStandardHandleCount = 9;
constexpr int kRotationHandle = 8;

class SFig {
 public:
  SFig() = default;
  SFig(const SFig&) = default;
  SFig& operator=(const SFig&) = default;
  virtual ~SFig() = default;

  virtual int GetTypeId() const { return kFigBase; }
  // Lets a new shape set up its object (a picture its size, a 3D figure the
  // values of its scene).
  virtual void AttachToObject(SObj& /*object*/) {}
  virtual std::unique_ptr<SFig> Clone() const { return std::make_unique<SFig>(); }
  // The shape record of the page stream; member files go beside the stream,
  // named after the object's id.
  virtual void Write(PnFile& file, int objectId) const;
  virtual void Read(PnFile& file, int objectId);

  // ---- drawing ------------------------------------------------------------
  virtual bool DrawRaster(platform::Image& /*target*/, const SDrawSize& /*size*/, const Prop2DVal& /*V*/,
                          bool /*vectorOnly*/) {
    return false;
  }
  virtual bool DrawVector(platform::Image& /*target*/, const SDrawSize& /*size*/, const Prop2DVal& /*V*/,
                          bool /*vectorOnly*/) {
    return false;
  }
  virtual bool RenderImage(platform::Image& /*target*/, const SDrawSize& /*size*/, const Prop2DVal& /*V*/,
                           bool /*vectorOnly*/, int& result) {
    result = 0;
    return false;
  }
  virtual bool DrawToTarget(platform::Dc& /*dc*/) { return false; }
  virtual int GetDrawKind() const { return kDrawKindNone; }
  virtual bool IsVectorShape() const { return false; }
  // True when the shape draws only through DrawVector and honours the cut
  // of its SDrawSize, so a redraw may draw just the part in the window.
  virtual bool DrawsParts() const { return false; }
  // True when DrawRaster honours the cut of its SDrawSize (for pictures
  // that are not turned).
  virtual bool DrawsRasterParts() const { return false; }

  // ---- handles and hits ---------------------------------------------------
  // The shape's handles; the object then places 0-8 from its box when there
  // are more than 3. The base shows the 9 standard handles.
  virtual std::span<SCtlp> GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing);
  // The fixed point of a special-handle drag, from the handles last given.
  virtual SPoint GetSpecialHandleAnchor(int /*handle*/) const { return {}; }
  virtual void MoveSpecialHandle(int /*handle*/, SPoint /*point*/, PropSCVal& /*P*/) {}
  // `point` in page pixels; tolerance in page pixels. The base: inside the
  // box less the margin.
  virtual bool HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const;
  // The size of the axis-aligned box around a (w, h) box turned by `angle`.
  virtual SPoint GetDrawExtent(SPoint size, double angle) const;
  virtual bool CanStretch() const { return true; }
  virtual bool CanEditPoints(const Prop2DVal& V) const;
  virtual void SetEditPointsMode(bool /*on*/) {}
  virtual bool HasEditDialog() const { return false; }

  // ---- special properties (undo of shape-specific edits) ------------------
  virtual std::unique_ptr<SFIGSpProp> SaveSpProp() const;
  // The shape kept in `saved`; none kept is a broken invariant.
  virtual std::unique_ptr<SFig> RestoreSpProp(const SFIGSpProp& saved) const;
  virtual bool CanExportScene() const { return false; }
  virtual int ExportScene(const std::string& /*path*/) { return 0; }

  // ---- property values ----------------------------------------------------
  // The room around the drawn shape inside the object's box.
  virtual double GetDrawMargin(const Prop2DVal& V) const;
  virtual void ApplyLTProps(const PropLTVal& /*light*/, PropSCVal& /*P*/) {}
  virtual void Apply3DProps(const Prop3DVal& /*camera*/, PropSCVal& /*P*/) {}
  virtual void ApplySCProps(PropSCVal& /*P*/) {}
  // Grows the box by the change of margin, so the drawn shape keeps its size.
  virtual void Apply2DProps(Prop2DVal& V, PropSCVal& P);
  virtual void Run3DMove(Calc3DMoveVal& /*move*/) {}
  virtual void UpgradeAfterRead(SObj& /*object*/) {}
  virtual int SetNormalizedPoints(std::span<const SPoint> /*points*/) { return -1; }

  // ---- pictures and conversion --------------------------------------------
  virtual bool CanConvertToPicture() const { return true; }
  virtual int SetPicture(std::unique_ptr<platform::Image> /*image*/, bool /*jpeg*/, bool /*premultiplied*/) {
    return -1;
  }
  virtual const platform::Image* GetPicture() const { return nullptr; }
  // Makes the box axis-aligned around the turned box, margin 0.
  virtual void ResetRotation(PropSCVal& P);
  virtual bool MirrorHorizontal() { return false; }

  // ---- 3D figures ---------------------------------------------------------
  virtual bool HasPosableFigure() const { return false; }
  virtual int HitTestFigure(SPoint /*point*/) { return -1; }
  // Pose and animation files on figure `figure` of the scene (-1: every
  // figure); `saved` receives what they replaced, for undo.
  virtual int ApplyAnimationFile(const std::string& /*path*/, int /*figure*/,
                                 std::unique_ptr<SAnimStates>& /*saved*/) {
    return -1;
  }
  virtual int RestoreAnimState(const SAnimStates& /*saved*/) { return -1; }
  virtual int SaveAnimState(int /*figure*/, std::unique_ptr<SAnimStates>& /*saved*/) { return 0; }
  // Takes back what saving the state changed: the animations it made.
  virtual int DiscardAnimState(const SAnimStates& /*saved*/) { return 0; }
  virtual int ApplyLibraryFile(const std::string& /*path*/, int /*figure*/, std::string& /*replaced*/) { return -1; }
  virtual int RestoreLibraryFiles(const std::string& /*saved*/, int /*figure*/) { return -1; }
  virtual int PickPartColor(SPoint /*point*/, int& /*objectIndex*/, int& /*face*/) { return -18; }
  virtual int SetPartColor(int /*objectIndex*/, int /*face*/, platform::COLORREF /*colour*/, bool /*selected*/) {
    return 0;
  }
  virtual void RenderScene() {}
  virtual int BeginPoseDrag(SPoint /*point*/, int /*tool*/, const Prop2DVal& /*V*/) { return 0; }
  virtual int DragPose(SPoint /*point*/) { return 0; }
  virtual int EndPoseDrag(SPoint /*point*/) { return 0; }
  virtual int FinishPoseDrag() { return 0; }
  virtual int HitTestPose(SPoint /*point*/, int /*tool*/, const Prop2DVal& /*V*/) { return 0; }
  virtual int GetAnimFrameCount() const { return 1; }
  virtual void SetAnimFrame(int /*frame*/) {}

 protected:
  std::array<SCtlp, kStandardHandleCount> handles_{};
};

// A shape's state kept before a special-property change, for undo.
class SFIGSpProp {
 public:
  explicit SFIGSpProp(std::unique_ptr<SFig> saved) : saved_(std::move(saved)) {}
  virtual ~SFIGSpProp() = default;
  virtual const SFig* GetSaved() const { return saved_.get(); }

 private:
  std::unique_ptr<SFig> saved_;
};

// A new, empty shape of the type. An id without a class (2, or above 9)
// gives a rectangle and sets `unknown`: the reader then skips the stored
// record instead of reading it.
std::unique_ptr<SFig> CreateFigByType(int typeId, bool& unknown);

}  // namespace page
