#include "page/FigureService.h"

#include <vector>

#include "facade/KxLibEngine.h"
#include "facade/KxLibR.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SFig3D.h"
#include "page/SObj.h"

namespace page {

namespace {

FigureService& Service() {
  static FigureService service;
  return service;
}

}  // namespace

std::unique_ptr<SFig> FigureService::MakeFigureShape(const std::string& path, bool plain, int& result) {
  auto scene = std::make_unique<facade::KxLibR>();
  scene->SetLibraryFolder(PnGlobal::Get().GetDataFolder());
  result = scene->Open(path);
  if (result < 0) return nullptr;
  if (!plain) {
    std::vector<std::string> listed;
    result = facade::KxLibR::ReadMergedListFile(path, listed);
    if (result < 0) return nullptr;
    // The library files this figure was made of, applied again.
    const std::vector<std::string> files = PnGlobal::Get().ResolveLibraryFiles(listed);
    if (scene->ApplyLibraryFiles(files) < 0) {
      result = kResultPersonFile;
      return nullptr;
    }
  }
  result = kResultOk;
  return std::make_unique<SFig3D>(std::move(scene));
}

int FigureService::ApplyAnimationFile(SObj& object, const std::string& path, int figure,
                                      std::unique_ptr<SAnimStates>& saved) {
  return object.fig ? object.fig->ApplyAnimationFile(path, figure, saved) : kResultCannotApply;
}

int FigureService::RestoreAnimations(SObj& object, int /*figure*/, const SAnimStates& saved) {
  return RestoreAnimState(object, saved);
}

std::unique_ptr<SAnimStates> FigureService::SaveAnimState(SObj& object, int figure) {
  std::unique_ptr<SAnimStates> saved;
  if (!object.fig || object.fig->SaveAnimState(figure, saved) < 0) return nullptr;
  return saved;
}

int FigureService::RestoreAnimState(SObj& object, const SAnimStates& states) {
  return object.fig ? object.fig->RestoreAnimState(states) : kResultCannotApply;
}

int StartFigureService() {
  const int result = facade::KxLibInitEngine();
  if (result < 0) return result;
  PnGlobal::Get().figures = &Service();
  return kResultOk;
}

void StopFigureService() {
  PnGlobal& global = PnGlobal::Get();
  if (global.figures == &Service()) global.figures = nullptr;
  facade::KxLibExitEngine();
}

void SetFigureRendererMode(int mode) { facade::KxLibSetRendererMode(mode); }

}  // namespace page
