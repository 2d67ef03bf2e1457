#pragma once
// Commands on the 3D figures of the page: pose drags, pose and animation
// files, props and persons from the library, and part colours. The figures
// are reached through the page (SDoc_Apply.cpp) and the 3D side.
#include <memory>
#include <string>
#include <vector>

#include "page/FigureFacade.h"
#include "page/SCom.h"
#include "page/SDoc.h"

namespace page {

// A pose drag that already happened: Redo and Undo put the states after
// and before back.
class SComChangeAnim : public SCom {
 public:
  SComChangeAnim(SDoc* doc, int id, int part, std::unique_ptr<SAnimStates> before,
                 std::unique_ptr<SAnimStates> after)
      : SCom(doc), id_(id), part_(part), before_(std::move(before)), after_(std::move(after)) {}
  int Do() override { return 0; }
  int Redo() override;
  int Undo() override;

 private:
  int id_;
  int part_;
  std::unique_ptr<SAnimStates> before_;
  std::unique_ptr<SAnimStates> after_;
};

// A pose or animation file applied to a figure (id -1, part -1: to the
// figures of the selection).
class SComApplyAnim : public SCom {
 public:
  SComApplyAnim(SDoc* doc, std::string path, int id, int part)
      : SCom(doc), path_(std::move(path)), id_(id), part_(part) {}
  int Redo() override;
  int Undo() override;

 private:
  std::string path_;
  int id_;
  int part_;
  std::vector<std::unique_ptr<SAnimStates>> saved_;
};

// A prop, tool or person file applied to a figure (id -1, part -1: to the
// figures of the selection). The files the figures save of what they
// replace are deleted with the command.
class SComApplyTool : public SCom {
 public:
  SComApplyTool(SDoc* doc, std::string path, int id, int part)
      : SCom(doc), path_(std::move(path)), id_(id), part_(part) {}
  ~SComApplyTool() override;
  int Redo() override;
  int Undo() override;

 private:
  void DeleteSavedFiles();
  std::string path_;
  int id_;
  int part_;
  std::vector<std::string> savedFiles_;
};

// The paint bucket on a figure part: Redo and Undo both swap the part's
// colour with the kept one.
class SComChangeCol : public SCom {
 public:
  SComChangeCol(SDoc* doc, int id, int objectIndex, int face, platform::COLORREF colour)
      : SCom(doc), id_(id), objectIndex_(objectIndex), face_(face), colour_(colour) {}
  int Redo() override;
  int Undo() override { return Redo(); }

 private:
  int id_;
  int objectIndex_;
  int face_;
  platform::COLORREF colour_;
};

}  // namespace page
