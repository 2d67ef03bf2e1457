#pragma once
// Helpers of the page editing tests: byte snapshots of a whole page, a
// structure checker, small pages built by hand, and a stand-in 3D figure
// with the 3D side that serves it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "page/AppPrefs.h"
#include "page/FigureFacade.h"
#include "page/SDoc.h"
#include "page/STrackLibDrop.h"
#include "platform/Hooks.h"

namespace pagetest {

// The page stream of the page, then its defaults (the root's values),
// nextId and the pixels of its pictures, then the scene members its 3D
// shapes write beside the stream: what an undo must give back byte for
// byte.
std::string PageBytes(const page::SDoc& doc);
// Equal bytes; otherwise where they first differ (the bytes themselves are
// too many to show).
::testing::AssertionResult SameBytes(const std::string& a, const std::string& b);

// What is wrong with the list's structure (empty when nothing): ids unique,
// every member inside the run of its container, group selection in line
// with the members', no temporary marks left.
std::string StructureProblems(const page::SDoc& doc);

// Adds a rectangle (w × h at x, y) into the container and answers it.
page::SObj& AddRect(page::SDoc& doc, int parentId, double x, double y, double w = 40, double h = 30);
// Adds a group object or a panel frame (a rectangle) into the container.
page::SObj& AddGroup(page::SDoc& doc, int parentId);
page::SObj& AddFrame(page::SDoc& doc, int parentId, double x, double y, double w = 200, double h = 200);

std::vector<int> IdsOf(const page::SDoc& doc);
std::vector<int> SelectedIds(const page::SDoc& doc);
std::vector<int> ParentsOf(const page::SDoc& doc);
// Selects exactly these objects (no group synchronisation).
void SelectExactly(page::SDoc& doc, const std::vector<int>& ids);

// Groups nested two deep, a panel frame and loose objects:
//
//   1000 A    rect at (50, 50)
//   1001 G1   group
//     1002 G2   group                in G1
//       1003 a    rect (100, 100)    in G2
//       1004 b    rect (140, 100)    in G2
//     1005 c    rect (120, 160)      in G1
//   1006 F    panel frame (300, 300)
//     1007 d    rect (280, 290)      in F
//   1008 E    rect (400, 60)
std::unique_ptr<page::SDoc> MakeNestedPage();

// A stand-in 3D shape: a pose number, a prop name and a part colour that
// the 3D side and the page change, all written into its record so that
// page bytes show them. Type id 7.
class FakeFigureShape : public page::SFig {
 public:
  int pose = 0;
  std::string prop = "none";
  platform::COLORREF colour = 0x808080;
  bool mirrored = false;
  bool editing = false;  // pose mode
  int frames = 1;

  int GetTypeId() const override { return page::kFig3D; }
  std::unique_ptr<page::SFig> Clone() const override { return std::make_unique<FakeFigureShape>(*this); }
  void Write(page::PnFile& file, int objectId) const override;
  bool HasPosableFigure() const override { return true; }
  bool CanStretch() const override { return false; }
  // The replaced prop goes into a new temporary file, whose path comes back.
  int ApplyLibraryFile(const std::string& path, int figure, std::string& replaced) override;
  int RestoreLibraryFiles(const std::string& saved, int figure) override;
  int SetPartColor(int objectIndex, int face, platform::COLORREF colour, bool selected) override;
  bool MirrorHorizontal() override;
  void SetEditPointsMode(bool on) override { editing = on; }
  int GetAnimFrameCount() const override { return frames; }
};

// The 3D side for FakeFigureShape: a pose file sets the pose to the length
// of its path; a scene file whose name contains "bad" cannot be opened.
class FakeFigureFacade : public page::FigureFacade {
 public:
  std::unique_ptr<page::SFig> MakeFigureShape(const std::string& path, bool plain, int& result) override;
  int ApplyAnimationFile(page::SObj& object, const std::string& path, int figure,
                         std::unique_ptr<page::SAnimStates>& saved) override;
  int RestoreAnimations(page::SObj& object, int figure, const page::SAnimStates& saved) override;
  std::unique_ptr<page::SAnimStates> SaveAnimState(page::SObj& object, int figure) override;
  int RestoreAnimState(page::SObj& object, const page::SAnimStates& states) override;
};

// Installs a FakeFigureFacade in PnGlobal for one scope.
class ScopedFigureFacade {
 public:
  ScopedFigureFacade();
  ~ScopedFigureFacade();
  ScopedFigureFacade(const ScopedFigureFacade&) = delete;
  ScopedFigureFacade& operator=(const ScopedFigureFacade&) = delete;
  FakeFigureFacade facade;

 private:
  page::FigureFacade* previous_;
};

// Adds an object holding a FakeFigureShape.
page::SObj& AddFakeFigure(page::SDoc& doc, double x, double y);

// What a library drop asks of the program, for one scope: the messages it
// shows (recorded, answered OK), the question before a person is placed on
// its own (counted, answered `layoutAnswer`), preferences of its own and
// the pending library path put back at the end.
class ScopedDropHooks {
 public:
  ScopedDropHooks();
  ~ScopedDropHooks();
  ScopedDropHooks(const ScopedDropHooks&) = delete;
  ScopedDropHooks& operator=(const ScopedDropHooks&) = delete;
  std::vector<std::string> messages;
  int layoutQuestions = 0;
  bool layoutAnswer = true;

 private:
  std::string previousPath_;
  platform::MessageHook previousMessage_;
  page::HumanLayoutHook previousLayout_;
  std::unique_ptr<page::AppPrefs> prefs_;
};

}  // namespace pagetest
