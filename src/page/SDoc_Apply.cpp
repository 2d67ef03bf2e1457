// Pose, animation and library files applied to the 3D figures of the
// selection, and the page's animation frames.
#include <algorithm>

#include "page/FigureFacade.h"
#include "page/PnFatal.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SDoc_Internal.h"

namespace page {
namespace {

SObj& ObjectOrFatal(SObj* object, int line) {
  PN_FATAL_IF(object == nullptr, "SDocApply", line);
  return *object;
}

int ApplyAnimTo(SObj& object, const std::string& path, int figure, std::unique_ptr<SAnimStates>& saved) {
  FigureFacade* figures = PnGlobal::Get().figures;
  return figures ? figures->ApplyAnimationFile(object, path, figure, saved) : kResultCannotApply;
}

int Outcome(bool any) { return any ? 1 : kResultCannotApply; }

}  // namespace

int SDoc::ApplyAnimationFile(const std::string& path, int id, int figure,
                             std::vector<std::unique_ptr<SAnimStates>>& saved) {
  if (figure >= 0) {
    SObj& object = ObjectOrFatal(FindObjectById(id), 48);
    std::unique_ptr<SAnimStates> states;
    if (ApplyAnimTo(object, path, figure, states) < 0) return kResultCannotApply;
    saved.push_back(std::move(states));
    return 1;
  }
  bool any = false;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    std::unique_ptr<SAnimStates> states;
    const bool ok = ApplyAnimTo(*object, path, -1, states) >= 0;
    saved.push_back(ok ? std::move(states) : nullptr);
    any = any || ok;
  }
  return Outcome(any);
}

int SDoc::RestoreAnimations(int id, int figure, const std::vector<std::unique_ptr<SAnimStates>>& saved) {
  FigureFacade* figures = PnGlobal::Get().figures;
  if (figure >= 0) {
    SObj& object = ObjectOrFatal(FindObjectById(id), 93);
    if (saved.empty() || !saved.front() || figures == nullptr) return kResultCannotApply;
    return Outcome(figures->RestoreAnimations(object, figure, *saved.front()) >= 0);
  }
  bool any = false;
  std::size_t j = 0;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    if (j < saved.size() && saved[j] && figures != nullptr)
      any = figures->RestoreAnimations(*object, -1, *saved[j]) >= 0 || any;
    ++j;
  }
  return Outcome(any);
}

std::unique_ptr<SAnimStates> SDoc::SaveAnimStateOf(int id, int figure) {
  SObj& object = ObjectOrFatal(FindObjectById(id), 116);
  FigureFacade* figures = PnGlobal::Get().figures;
  return figures ? figures->SaveAnimState(object, figure) : nullptr;
}

int SDoc::RestoreAnimStateOf(int id, const SAnimStates& states) {
  SObj& object = ObjectOrFatal(FindObjectById(id), 130);
  FigureFacade* figures = PnGlobal::Get().figures;
  return figures ? figures->RestoreAnimState(object, states) : kResultCannotApply;
}

int SDoc::ApplyLibraryFile(const std::string& path, int id, int figure, std::vector<std::string>& replaced) {
  if (figure >= 0) {
    SObj& object = ObjectOrFatal(FindObjectById(id), 150);
    std::string saved;
    if (object.ApplyLibraryFile(path, figure, saved) < 0) return kResultCannotApply;
    replaced.push_back(std::move(saved));
    return 1;
  }
  bool any = false;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    std::string saved;
    const bool ok = object->ApplyLibraryFile(path, -1, saved) >= 0;
    replaced.push_back(ok ? std::move(saved) : std::string());
    any = any || ok;
  }
  return Outcome(any);
}

int SDoc::RestoreLibraryFiles(int id, int figure, const std::vector<std::string>& replaced) {
  if (figure >= 0) {
    SObj& object = ObjectOrFatal(FindObjectById(id), 170);
    if (replaced.empty() || replaced.front().empty()) return kResultCannotApply;
    return Outcome(object.RestoreLibraryFiles(replaced.front(), figure) >= 0);
  }
  bool any = false;
  std::size_t j = 0;
  for (const auto& object : objects_) {
    if (!object->IsSelected()) continue;
    if (j < replaced.size() && !replaced[j].empty()) any = object->RestoreLibraryFiles(replaced[j], -1) >= 0 || any;
    ++j;
  }
  return Outcome(any);
}

int SDoc::GetAnimFrameCount() const {
  // The longest animation decides; a page without one has one frame, so
  // the animated export can tell that there is nothing to animate.
  int frames = 1;
  for (const auto& object : objects_)
    if ((object->flags & kObjHidden) == 0) frames = std::max(frames, object->GetAnimFrameCount());
  return frames;
}

void SDoc::SetAnimFrame(int frame) {
  for (const auto& object : objects_)
    if ((object->flags & kObjHidden) == 0) object->SetAnimFrame(frame);
}

}  // namespace page
