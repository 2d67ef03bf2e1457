#pragma once
// The 3D shape: a scene of posable figures, props and scenery behind the
// figure facade (facade::KxLibR), which the shape owns. The shape turns the
// object's values into the facade's camera, light and drawing style, has
// the scene rendered off-screen at the object's size and draws that picture
// into the box, less half the margin on each side. The object's page
// rotation is the camera's roll: the picture itself is never turned.
//
// Points the shape hands to the facade (picks, pose drags) are pixels of
// the rendered picture at its supersampling factor; SView::PageToFigureLocal
// makes them from page points.
//
// The scene is stored as the member "data<id>_.Z4T" beside the page stream.
// A scene member that cannot be read leaves the shape without a scene: it
// keeps the record and the member bytes as read and writes them back, so
// nothing of the page is lost, and stands in as a grey outline.
#include <memory>
#include <string>
#include <vector>

#include "page/SFig.h"

namespace facade {
class KxLibR;
}

namespace page {

class SFig3D : public SFig {
 public:
  SFig3D();
  explicit SFig3D(std::unique_ptr<facade::KxLibR> scene);
  ~SFig3D() override;
  SFig3D(const SFig3D&) = delete;
  SFig3D& operator=(const SFig3D&) = delete;

  // Takes the facade (ownership passes).
  void SetScene(std::unique_ptr<facade::KxLibR> scene);
  facade::KxLibR* GetScene() const { return scene_.get(); }
  // Makes the shape stand for a scene that could not be read: without a
  // scene, it writes the record and the member bytes back as they were.
  void KeepAsStored(std::string record, std::string member);
  bool IsKeptAsStored() const { return !scene_ && kept_; }
  const std::string& KeptRecord() const { return keptRecord_; }
  const std::string& KeptMember() const { return keptMember_; }

  int GetTypeId() const override { return kFig3D; }
  int GetDrawKind() const override { return kDrawKind3D; }
  // Gives the object the facade's output size, light, camera and style,
  // and switches the facade to the page's draw mode.
  void AttachToObject(SObj& object) override;
  // A copy of the scene (through a temporary file) with the same output
  // size; null when the copy fails.
  std::unique_ptr<SFig> Clone() const override;
  // An empty block; the scene goes to its member. A scene that cannot be
  // saved throws kResultDiskFull.
  void Write(PnFile& file, int objectId) const override;
  // A missing scene member throws kResultNoMemory, the code of a shape
  // without its figure.
  void Read(PnFile& file, int objectId) override;

  bool RenderImage(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly,
                   int& result) override;
  std::span<SCtlp> GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing) override;
  // Inside the box, and on a pixel of the rendered picture whose alpha is
  // not 0.
  bool HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const override;
  SPoint GetDrawExtent(SPoint size, double /*angle*/) const override { return size; }
  bool CanStretch() const override { return false; }
  bool CanEditPoints(const Prop2DVal& /*V*/) const override { return HasPosableFigure(); }
  // Leaving pose editing commits the scene's pending edits and deselects
  // its objects.
  void SetEditPointsMode(bool on) override;
  // The dialog that measures the scene's rendering speed.
  bool HasEditDialog() const override { return scene_ != nullptr; }
  bool CanExportScene() const override { return scene_ != nullptr; }
  // Saves the scene in the 3D program's format; an empty path asks for one
  // (cancelling answers 0).
  int ExportScene(const std::string& path) override;
  bool CanConvertToPicture() const override { return scene_ != nullptr; }
  void ResetRotation(PropSCVal& P) override;

  // ---- property values ----------------------------------------------------
  void Apply2DProps(Prop2DVal& V, PropSCVal& P) override;
  void Apply3DProps(const Prop3DVal& camera, PropSCVal& P) override;
  void ApplyLTProps(const PropLTVal& light, PropSCVal& P) override;
  void ApplySCProps(PropSCVal& P) override;
  void Run3DMove(Calc3DMoveVal& move) override;
  // Camera values stored without a target take it from the scene.
  void UpgradeAfterRead(SObj& object) override;

  // ---- figures ------------------------------------------------------------
  bool HasPosableFigure() const override;
  int HitTestFigure(SPoint point) override;
  int ApplyAnimationFile(const std::string& path, int figure, std::unique_ptr<SAnimStates>& saved) override;
  int RestoreAnimState(const SAnimStates& saved) override;
  int SaveAnimState(int figure, std::unique_ptr<SAnimStates>& saved) override;
  int DiscardAnimState(const SAnimStates& saved) override;
  int ApplyLibraryFile(const std::string& path, int figure, std::string& replaced) override;
  int RestoreLibraryFiles(const std::string& saved, int figure) override;
  int PickPartColor(SPoint point, int& objectIndex, int& face) override;
  int SetPartColor(int objectIndex, int face, platform::COLORREF colour, bool selected) override;
  void RenderScene() override;
  int BeginPoseDrag(SPoint point, int tool, const Prop2DVal& V) override;
  int DragPose(SPoint point) override;
  int EndPoseDrag(SPoint point) override;
  int FinishPoseDrag() override;
  int HitTestPose(SPoint point, int tool, const Prop2DVal& V) override;
  int GetAnimFrameCount() const override;
  void SetAnimFrame(int frame) override;

 private:
  // The grey outline a shape without its scene stands in as.
  static void DrawStandIn(platform::Image& target, const SDrawSize& size);
  // The pose handles from the scene's outline lines, in page pixels.
  void AddPoseHandles(const PropSCVal& P, const Prop2DVal& V);

  std::unique_ptr<facade::KxLibR> scene_;
  int lastDrawMode_ = 0;
  std::vector<SCtlp> poseHandles_;
  // What was read of a shape whose scene member cannot be read.
  bool kept_ = false;
  std::string keptRecord_;
  std::string keptMember_;
};

}  // namespace page
