#pragma once
// The library drops: the gesture that places a material file of the
// library on the page, or applies it to a person. The library leaves the
// file in PnGlobal's pending path; the page view makes the drop that fits
// the file's kind with the drop kind (the tool number: 100 a drag released
// on the page, 101 opened by a double click or the open command, 103
// applied to the selection). While a drag moves, the drops that place
// objects outline the panel frame under the mouse; the release makes the
// command.
//
//   STrackLibDrop
//     STrackLibDropObj     3D data, text, page and picture files
//     STrackLibDropPose    poses and expressions, applied to a person
//     STrackLibDropTool    props, applied to a person
//     STrackLibDropHuman   persons: replace one, or placed on the paper
#include <functional>
#include <memory>
#include <string>

#include "page/SCom.h"
#include "page/STrack.h"

namespace page {

// Makes a library path local before a drop reads it (the path in and out;
// with `companion` the file beside it too): 0 or a negative result code.
// The web material store installs it; the default counts every path as
// already local.
using LibraryLocalHook = std::function<int(std::string& path, bool companion)>;
// Asks before a person is placed on its own (the person layout dialog):
// true to go on. The default answers yes.
using HumanLayoutHook = std::function<bool()>;
// Installing returns the previous hook so a scope can put it back; an
// empty hook restores the default.
LibraryLocalHook SetLibraryLocalHook(LibraryLocalHook hook);
HumanLayoutHook SetHumanLayoutHook(HumanLayoutHook hook);

class STrackLibDrop : public STrack {
 public:
  // Cursor resources of the drops.
  static constexpr int kCursorDrop = 469;
  static constexpr int kCursorDropOnPerson = 470;

  // The path is PnGlobal's pending library path.
  explicit STrackLibDrop(int dropKind);

  // The drop waits for the release.
  int OnButtonDown(unsigned /*flags*/, int /*x*/, int /*y*/) override { return 0; }
  // The drop cursor, and the outline of the panel frame under the point
  // where the drop highlights frames. 1; 0 while the release runs.
  int OnMouseMove(unsigned flags, int x, int y) override;
  // Makes the material local, then drops it at the point, or for drop kind
  // 101 in the middle of the page in place of its one object. 1 when done,
  // 0 when nothing was to be done, or a negative result code.
  int OnButtonUp(unsigned flags, int x, int y) override;
  bool ReleasesCaptureFirst() const override { return true; }
  // The cursor the last move chose.
  int GetCursorId() override { return cursorId_; }

  // ---- the drops' own operations -----------------------------------------
  // Chooses the cursor for the point inside the view.
  virtual void UpdateDropCursor(unsigned flags, int x, int y) = 0;
  // The command that drops the material at the window point, into panel
  // frame `frameId` (-1 none) where it places objects. 0 with a command or
  // without one (nothing to do), or a negative result code.
  virtual int MakeDropCommand(unsigned flags, int x, int y, int frameId, std::unique_ptr<SCom>& command) = 0;

  const std::string& GetPath() const { return path; }
  int GetDropKind() const { return dropKind; }

 protected:
  std::string path;
  std::string ext;  // the path's extension in lower case
  bool frameShown = false;
  bool highlightsFrames = false;
  int dropKind;
  bool busy = false;

  void ShowCursor(int cursorId);
  // The person under the window point: the object, with `person` 0 or more;
  // null when no person is there. A drop onto a person with a selection on
  // the page makes the view show the replacement hint once.
  SObj* FindPersonAt(int x, int y, int& person);
  // True when a person of a 3D figure lies under the window point.
  bool IsOverPerson(int x, int y);
  // The apply rows shared by the pose, tool and person drops: the pose
  // (`pose`) or the library file onto the person under the point for a
  // drag, onto the figures of the selection for kind 103 (`result` -37
  // without a selection). False when neither case holds (`command` null).
  bool MakeApplyCommand(int x, int y, bool pose, std::unique_ptr<SCom>& command, int& result);
  // The pose and prop drops, which only apply: kResultDropOffFigure (-7)
  // where MakeApplyCommand finds no case.
  int MakeApplyOnlyCommand(int x, int y, bool pose, std::unique_ptr<SCom>& command);
  // The drop cursor over a person, the arrow elsewhere.
  void ShowPersonCursor(int x, int y);

 private:
  int DropAtPoint(unsigned flags, int x, int y);
  int OpenAtCentre(unsigned flags);
  bool InClient(int x, int y) const;

  int cursorId_ = platform::kCursorArrow;
};

class STrackLibDropObj : public STrackLibDrop {
 public:
  explicit STrackLibDropObj(int dropKind);
  void UpdateDropCursor(unsigned flags, int x, int y) override;
  // Inserts the file by its extension: "z4t" 3D data, "txt" text, "z4g" a
  // page's objects, the picture kinds a picture.
  int MakeDropCommand(unsigned flags, int x, int y, int frameId, std::unique_ptr<SCom>& command) override;
};

class STrackLibDropPose : public STrackLibDrop {
 public:
  using STrackLibDrop::STrackLibDrop;
  void UpdateDropCursor(unsigned flags, int x, int y) override;
  // Applies the pose to the person under the point (drag) or to the
  // selection (103); kResultNothingSelected (-37) for 103 without a
  // selection, kResultDropOffFigure (-7) anywhere else.
  int MakeDropCommand(unsigned flags, int x, int y, int frameId, std::unique_ptr<SCom>& command) override;
};

class STrackLibDropTool : public STrackLibDrop {
 public:
  using STrackLibDrop::STrackLibDrop;
  void UpdateDropCursor(unsigned flags, int x, int y) override;
  // As the pose drop, with the prop.
  int MakeDropCommand(unsigned flags, int x, int y, int frameId, std::unique_ptr<SCom>& command) override;
};

class STrackLibDropHuman : public STrackLibDrop {
 public:
  explicit STrackLibDropHuman(int dropKind);
  void UpdateDropCursor(unsigned flags, int x, int y) override;
  // Replaces the person under the point (drag) or the selection's (103;
  // -37 without a selection); anywhere else, once the layout question is
  // answered yes, places the person as new 3D data.
  int MakeDropCommand(unsigned flags, int x, int y, int frameId, std::unique_ptr<SCom>& command) override;
};

}  // namespace page
