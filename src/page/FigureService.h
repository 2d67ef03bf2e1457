#pragma once
// The page's 3D side on the figure facade: it starts and stops the 3D
// engine, makes 3D shapes from scene files of the material library and
// hands pose and animation files to the shapes. The program installs it in
// PnGlobal::figures at start-up.
#include <memory>
#include <string>

#include "page/FigureFacade.h"

namespace page {

class FigureService : public FigureFacade {
 public:
  std::unique_ptr<SFig> MakeFigureShape(const std::string& path, bool plain, int& result) override;
  int ApplyAnimationFile(SObj& object, const std::string& path, int figure,
                         std::unique_ptr<SAnimStates>& saved) override;
  int RestoreAnimations(SObj& object, int figure, const SAnimStates& saved) override;
  std::unique_ptr<SAnimStates> SaveAnimState(SObj& object, int figure) override;
  int RestoreAnimState(SObj& object, const SAnimStates& states) override;
};

// Starts the engine's process-wide services and installs the service in
// PnGlobal::figures. 0, or a negative result code.
int StartFigureService();
// Takes the service out of PnGlobal and stops the engine. Every 3D shape
// must be gone by then (pages, undo stacks and the copy buffer).
void StopFigureService();
// The renderer choice of the preferences, for every figure made later.
void SetFigureRendererMode(int mode);

}  // namespace page
