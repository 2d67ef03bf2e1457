#include "page/SComFigure.h"

#include <cstdio>

namespace page {

int SComChangeAnim::Redo() {
  // The figure's part is read once, as the pose drag does before it
  // changes a state.
  Doc().SaveAnimStateOf(id_, part_);
  return Doc().RestoreAnimStateOf(id_, *after_);
}

int SComChangeAnim::Undo() { return Doc().RestoreAnimStateOf(id_, *before_); }

int SComApplyAnim::Redo() {
  saved_.clear();
  return Doc().ApplyAnimationFile(path_, id_, part_, saved_);
}

int SComApplyAnim::Undo() { return Doc().RestoreAnimations(id_, part_, saved_); }

SComApplyTool::~SComApplyTool() { DeleteSavedFiles(); }

void SComApplyTool::DeleteSavedFiles() {
  for (const std::string& file : savedFiles_)
    if (!file.empty()) std::remove(file.c_str());
  savedFiles_.clear();
}

int SComApplyTool::Redo() {
  DeleteSavedFiles();
  return Doc().ApplyLibraryFile(path_, id_, part_, savedFiles_);
}

int SComApplyTool::Undo() { return Doc().RestoreLibraryFiles(id_, part_, savedFiles_); }

int SComChangeCol::Redo() {
  const int previous = Doc().SetObjectPartColor(id_, objectIndex_, face_, colour_);
  if (previous < 0) return previous;
  colour_ = static_cast<platform::COLORREF>(previous);
  return 0;
}

}  // namespace page
