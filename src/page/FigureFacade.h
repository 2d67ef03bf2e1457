#pragma once
// What the page needs of the 3D figure service behind its 3D shapes: making
// a shape from a scene file of the material library, and applying and
// undoing pose and animation files on the figures of a shape. The 3D side
// implements it and installs it in PnGlobal::figures; without one, the page
// answers that such files cannot be used. Library files (props, persons)
// are applied through the shape itself (SObj::ApplyLibraryFile).
#include <memory>
#include <string>

namespace page {

class SFig;
class SObj;

// The animation states of figures saved before a change: the 3D side's own
// record, which the page only keeps and hands back.
class SAnimStates {
 public:
  virtual ~SAnimStates() = default;
};

class FigureFacade {
 public:
  virtual ~FigureFacade() = default;

  // A new 3D shape holding the scene of the file. Unless `plain`, the
  // library files listed in the merged-list file beside it are applied too
  // (their stored paths resolved by PnGlobal::ResolveLibraryFiles, entry i
  // applied to the scene's object i). Null,
  // with a negative result code in `result`, on failure.
  virtual std::unique_ptr<SFig> MakeFigureShape(const std::string& path, bool plain, int& result) = 0;
  // Applies a pose or animation file to figure `figure` of the object's
  // shape (-1: every figure). On success `saved` holds the states it
  // replaced and the answer is 0 or more; a negative code otherwise.
  virtual int ApplyAnimationFile(SObj& object, const std::string& path, int figure,
                                 std::unique_ptr<SAnimStates>& saved) = 0;
  // Puts back what ApplyAnimationFile replaced.
  virtual int RestoreAnimations(SObj& object, int figure, const SAnimStates& saved) = 0;
  // The current animation states of a figure (-1: every figure); null when
  // the object has none.
  virtual std::unique_ptr<SAnimStates> SaveAnimState(SObj& object, int figure) = 0;
  virtual int RestoreAnimState(SObj& object, const SAnimStates& states) = 0;
};

}  // namespace page
