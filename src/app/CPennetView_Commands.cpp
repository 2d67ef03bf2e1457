// The page view's menu commands that edit the page: inserting files,
// selection, panel frames, groups, order, visibility, the clipboard,
// undo, placement, alignment, the grid and the zoom; and what the property
// bars call. Each command runs as one undoable action through the page's
// command stack (RunCommands).
#include <QDialog>
#include <cmath>
#include <numbers>

#include "app/AppCommands.h"
#include "app/CPennetDoc.h"
#include "app/CPennetView.h"
#include "app/PageViewMaths.h"
#include "app/SettingsDialogs.h"
#include "app/SystemClipboard.h"
#include "imaging/FileDialogs.h"
#include "imaging/clipboard/ClipboardPictures.h"
#include "page/PropVal.h"
#include "page/ResultCodes.h"
#include "page/SAlignRect.h"
#include "page/SCommands.h"
#include "page/SDoc.h"
#include "platform/Hooks.h"

namespace app {

// ---- the command sequence -------------------------------------------------------

page::SDoc& CPennetView::BeginCommand() {
  page::PnGlobal& global = page::PnGlobal::Get();
  global.pendingLibRequest = page::PnGlobal::kLibNone;
  global.pendingLibApply = 0;
  platform::SetCursor(platform::kCursorWait);
  return GetDocument().GetSDoc();
}

void CPennetView::FinishCommand(int rc, bool refreshBars, int mode) {
  page::SDoc& doc = GetDocument().GetSDoc();
  if (rc < 0) {
    page::ReportErrorCode(rc);
    doc.RollbackOpenGroup();
  } else {
    GetDocument().SetModifiedFlag();
  }
  platform::SetCursor(platform::kCursorWait);
  Redraw(mode);
  if (refreshBars) doc.RefreshBars();
  platform::SetCursor(platform::kCursorArrow);
  emit sigCommandStateChanged();
}

int CPennetView::RunCommands(std::vector<std::unique_ptr<page::SCom>> commands, bool keepGroupOpen) {
  page::SDoc& doc = BeginCommand();
  int rc = 0;
  for (std::unique_ptr<page::SCom>& command : commands) {
    rc = doc.Execute(std::move(command));
    if (rc < 0) break;
  }
  // Selections join the next undo step, as the trackers' clicks do.
  if (rc >= 0 && !keepGroupOpen) doc.CloseCommandGroup();
  FinishCommand(rc, true, page::kDrawScreen);
  return rc;
}

int CPennetView::RunCommand(std::unique_ptr<page::SCom> command, bool keepGroupOpen) {
  std::vector<std::unique_ptr<page::SCom>> commands;
  commands.push_back(std::move(command));
  return RunCommands(std::move(commands), keepGroupOpen);
}

// ---- what the bars and the gestures call ------------------------------------------

void CPennetView::ApplyBarValues(std::span<page::PropVal* const> values, int newCommand, int mode) {
  page::SDoc& doc = GetDocument().GetSDoc();
  // A slider drag changes its own last command instead of stacking one per
  // step.
  auto* last = dynamic_cast<page::SComSetProp*>(doc.LastGroupCommand());
  if (newCommand == 0 && last != nullptr && last == lastBarCommand_) {
    if (values.size() != 1) page::PnGlobal::FatalError("PennetView", 430);
    last->ReplaceValue(*values[0]);
    FinishCommand(0, false, mode);
    return;
  }
  int rc = 0;
  page::SCom* made = nullptr;
  for (page::PropVal* value : values) {
    std::unique_ptr<page::SCom> command;
    if (doc.HasSelection())
      command = std::make_unique<page::SComSetProp>(&doc, *value);
    else
      command = std::make_unique<page::SComSetPropBar>(&doc, *value);
    made = command.get();
    rc = doc.Execute(std::move(command));
    if (rc < 0) {
      made = nullptr;  // a failed command is gone
      break;
    }
  }
  if (rc >= 0) doc.CloseCommandGroup();
  lastBarCommand_ = made;
  FinishCommand(rc, true, mode);
}

void CPennetView::RunOnFirstSelected(page::CalcVal& calc) {
  const page::SDoc& doc = GetDocument().GetSDoc();
  if (page::SObj* object = doc.FindObjectById(doc.GetSelectedId(false))) calc.Run(*object);
}

void CPennetView::EditShapeContent(int objectId, int, int) {
  page::SDoc& doc = GetDocument().GetSDoc();
  page::SObj* object = doc.FindObjectById(objectId);
  if (object == nullptr || !doc.HasEditDialogOf(objectId)) return;
  // The 3D shape's dialog only measures; it changes nothing to undo.
  if (object->fig->GetTypeId() == page::kFig3D) {
    dialogs_->EditShape(*object, this, [this] { Redraw(page::kDrawScreen); });
    return;
  }
  std::unique_ptr<page::SFIGSpProp> before = doc.SaveSpPropOf(objectId);
  const int answer = dialogs_->EditShape(*object, this, [this] { Redraw(page::kDrawScreen); });
  std::unique_ptr<page::SFIGSpProp> after = doc.SaveSpPropOf(objectId);
  const int rc = doc.Execute(std::make_unique<page::SComChangeSpProp>(&doc, objectId, std::move(before), std::move(after)));
  if (rc >= 0) doc.CloseCommandGroup();
  FinishCommand(answer == QDialog::Accepted || rc < 0 ? rc : 0, true, page::kDrawScreen);
}

void CPennetView::ToggleEditPoints(int objectId) {
  page::SDoc& doc = GetDocument().GetSDoc();
  if (!doc.CanEditPointsOf(objectId)) return;
  const int rc = doc.Execute(std::make_unique<page::SComFlagEditPoints>(&doc, objectId));
  if (rc >= 0) doc.CloseCommandGroup();
  FinishCommand(rc, true, page::kDrawScreen);
}

void CPennetView::MoveSelectionByKey(int dx, int dy) {
  page::SDoc& doc = GetDocument().GetSDoc();
  if (!doc.HasSelection()) return;
  RunCommand(std::make_unique<page::SComMoveObj>(&doc, dx, dy, false));
}

// ---- inserting files ----------------------------------------------------------------

int CPennetView::InsertFile(const std::string& path) {
  page::SDoc& doc = BeginCommand();
  std::unique_ptr<page::SCom> command;
  const int rc = page::MakeInsertFileCommand(doc, path, GetViewCentre(), -1, command);
  if (rc < 0) {
    FinishCommand(rc, true, page::kDrawScreen);
    return rc;
  }
  const int inserted = RunCommand(std::move(command));
  return inserted < 0 ? inserted : 1;
}

namespace {

// Filter and default-extension strings of the insert dialogs.
struct InsertDialogStrings {
  int filter;
  int extension;
};

InsertDialogStrings InsertStringsOf(int id) {
  switch (id) {
    case ID_INSERT_PICTURE: return {173, 272};
    case ID_INSERT_3D: return {178, 271};
    case ID_INSERT_TEXT: return {179, 273};
    default: return {201, 271};
  }
}

std::unique_ptr<page::SCom> MakeInsertCommand(int id, page::SDoc& doc, const std::string& path, page::SPoint at) {
  switch (id) {
    case ID_INSERT_PICTURE: return std::make_unique<page::SComInpPic>(&doc, path, at, -1);
    case ID_INSERT_3D: return std::make_unique<page::SComInp3D>(&doc, path, at, -1);
    case ID_INSERT_TEXT: return std::make_unique<page::SComInpText>(&doc, path, at, -1);
    default: return std::make_unique<page::SComInpPn>(&doc, path, at, -1);
  }
}

}  // namespace

int CPennetView::InsertByDialog(int id) {
  page::SDoc& doc = BeginCommand();
  const InsertDialogStrings strings = InsertStringsOf(id);
  std::string path;
  if (!imaging::PnUtilOpenFileDialog(strings.filter, strings.extension, path)) {
    FinishCommand(0, true, page::kDrawScreen);
    return 0;
  }
  return RunCommand(MakeInsertCommand(id, doc, path, GetViewCentre()));
}

// ---- undo, placement, alignment, grid -----------------------------------------------

void CPennetView::RunUndoRedo(bool redo) {
  page::SDoc& doc = BeginCommand();
  const int rc = redo ? doc.Commands().RedoGroup() : doc.Commands().UndoGroup();
  FinishCommand(rc, true, page::kDrawScreen);
}

// One object: its placement in whole numbers. Several: a factor about the
// centre of their centres.
void CPennetView::RunSizeAndPosition() {
  page::SDoc& doc = BeginCommand();
  const int id = doc.GetSelectedId(true);
  if (id >= 0) {
    page::PropSCVal placement;
    doc.TakePropValFromObject(placement, id);
    CObjMoveDialog dialog(this);
    dialog.width = dialog.baseWidth = static_cast<int>(placement.width);
    dialog.height = dialog.baseHeight = static_cast<int>(placement.height);
    dialog.centreX = static_cast<int>(placement.x);
    dialog.centreY = static_cast<int>(placement.y);
    dialog.angle = static_cast<int>(placement.angle * 180.0 / std::numbers::pi);
    if (dialogs_->Run(dialog) == QDialog::Accepted) {
      placement.width = dialog.width;
      placement.height = dialog.height;
      placement.x = dialog.centreX;
      placement.y = dialog.centreY;
      placement.angle = dialog.angle * std::numbers::pi / 180.0;
      RunCommand(std::make_unique<page::SComSetPropObj>(&doc, placement, id));
      return;
    }
  } else {
    CSelectionMag dialog(this);
    page::SPoint c;
    if (dialogs_->Run(dialog) == QDialog::Accepted && doc.GetSelectionCentre(c)) {
      const double f = dialog.factor;
      RunCommand(std::make_unique<page::SComMagObj>(&doc, -1, c, page::SPoint{c.x + 100, c.y + 100},
                                                    page::SPoint{c.x + 100 * f, c.y + 100 * f}, 0));
      return;
    }
  }
  FinishCommand(0, true, page::kDrawScreen);
}

void CPennetView::RunAlign(int id) {
  page::SDoc& doc = BeginCommand();
  std::unique_ptr<page::SAlignRect> calc;
  switch (id) {
    case ID_ALIGN_TOP: calc = std::make_unique<page::SAlignUp>(); break;
    case ID_ALIGN_MIDDLE: calc = std::make_unique<page::SAlignUD>(); break;
    case ID_ALIGN_BOTTOM: calc = std::make_unique<page::SAlignDown>(); break;
    case ID_ALIGN_RIGHT: calc = std::make_unique<page::SAlignR>(); break;
    case ID_ALIGN_CENTRE: calc = std::make_unique<page::SAlignLR>(); break;
    case ID_ALIGN_LEFT: calc = std::make_unique<page::SAlignL>(); break;
    case ID_SPACE_CENTRES_VERTICAL: calc = std::make_unique<page::SAlignUDDist>(); break;
    case ID_SPACE_CENTRES_HORIZONTAL: calc = std::make_unique<page::SAlignLRDist>(); break;
    case ID_SPACE_GAPS_VERTICAL: calc = std::make_unique<page::SAlignUDGap>(); break;
    case ID_SPACE_GAPS_HORIZONTAL: calc = std::make_unique<page::SAlignLRGap>(); break;
    case ID_SAME_HEIGHT: RunCommand(std::make_unique<page::SComAlignSize>(&doc, std::make_unique<page::SAlignHeight>())); return;
    default: RunCommand(std::make_unique<page::SComAlignSize>(&doc, std::make_unique<page::SAlignWidth>())); return;
  }
  RunCommand(std::make_unique<page::SComAlignPosition>(&doc, std::move(calc)));
}

void CPennetView::RunGridSettings() {
  page::SDoc& doc = BeginCommand();
  CGridDialog dialog(this);
  dialog.spacing = doc.grid.spacing;
  dialog.divisions = doc.grid.divisions;
  dialog.lineColor = doc.grid.lineColor;
  if (dialogs_->Run(dialog) != QDialog::Accepted) {
    platform::SetCursor(platform::kCursorArrow);
    return;
  }
  page::SGridInfo grid = doc.grid;
  grid.spacing = dialog.spacing;
  grid.divisions = dialog.divisions;
  grid.lineColor = dialog.lineColor;
  RunCommand(std::make_unique<page::SComSetGrid>(&doc, grid));
}

void CPennetView::ToggleGrid(bool snap) {
  page::SDoc& doc = BeginCommand();
  page::SGridInfo grid = doc.grid;
  if (snap)
    grid.snapToGrid = !grid.snapToGrid;
  else
    grid.showGrid = !grid.showGrid;
  RunCommand(std::make_unique<page::SComSetGrid>(&doc, grid));
}

// ---- the command table -----------------------------------------------------------------

namespace {

int ZoomOfCommand(int id) {
  switch (id) {
    case ID_ZOOM_400: return 400;
    case ID_ZOOM_300: return 300;
    case ID_ZOOM_200: return 200;
    case ID_ZOOM_150: return 150;
    case ID_ZOOM_100: return 100;
    case ID_ZOOM_75: return 75;
    case ID_ZOOM_50: return 50;
    case ID_ZOOM_25: return 25;
    default: return 0;
  }
}

int CopyFormatOfCommand(int id) {
  switch (id) {
    case ID_COPY_FORMAT_AUTO: return 0;
    case ID_COPY_FORMAT_METAFILE: return 1;
    case ID_COPY_FORMAT_PNG: return 2;
    case ID_COPY_FORMAT_BITMAP: return 3;
    default: return -1;
  }
}

bool IsAlignCommand(int id) { return (id >= ID_ALIGN_TOP && id <= ID_SAME_WIDTH) && id != 32992; }

int CountSelected(const page::SDoc& doc) {
  int count = 0;
  for (const auto& object : doc.Objects()) count += object->IsSelected() && (object->flags & page::kObjGroup) == 0;
  return count;
}

}  // namespace

bool CPennetView::OnCommand(int id) {
  page::SDoc& doc = GetDocument().GetSDoc();
  const auto run = [this](std::unique_ptr<page::SCom> command, bool keepOpen = false) {
    RunCommand(std::move(command), keepOpen);
  };
  if (const int zoom = ZoomOfCommand(id); zoom > 0) {
    SetZoom(zoom);
    return true;
  }
  if (const int format = CopyFormatOfCommand(id); format >= 0) {
    if (page::PnGlobal::Get().prefs) page::PnGlobal::Get().prefs->mCopyPictFlag = format;
    emit sigCommandStateChanged();
    return true;
  }
  if (IsAlignCommand(id)) {
    RunAlign(id);
    return true;
  }
  switch (id) {
    case ID_INSERT_PICTURE:
    case ID_INSERT_3D:
    case ID_INSERT_TEXT:
    case ID_INSERT_PAGE: InsertByDialog(id); break;
    case ID_SELECT_ALL: run(std::make_unique<page::SComSelectAll>(&doc, true), true); break;
    case ID_SELECT_NONE: run(std::make_unique<page::SComSelectAll>(&doc, false), true); break;
    case ID_SELECT_PICTURES: run(std::make_unique<page::SComSelectType>(&doc, 1)); break;
    case ID_SELECT_2D: run(std::make_unique<page::SComSelectType>(&doc, 3)); break;
    case ID_SELECT_3D: run(std::make_unique<page::SComSelectType>(&doc, 7)); break;
    case ID_SELECT_TEXTS: run(std::make_unique<page::SComSelectType>(&doc, 8)); break;
    case ID_SELECT_FRAME_CONTENTS: run(std::make_unique<page::SComSelectTrim>(&doc, 1)); break;
    case ID_SELECT_FRAMES_OF_SELECTION: run(std::make_unique<page::SComSelectTrim>(&doc, 0)); break;
    case ID_FRAME_SET: run(std::make_unique<page::SComSetTrim>(&doc, true)); break;
    case ID_FRAME_RELEASE: run(std::make_unique<page::SComSetTrim>(&doc, false)); break;
    case ID_FRAME_VOID: run(std::make_unique<page::SComVoidTrim>(&doc, true)); break;
    case ID_FRAME_INSERT: {
      int code = 0;
      doc.FindTargetFrame(code);
      if (code < 0) {
        BeginCommand();
        FinishCommand(code, true, page::kDrawScreen);
      } else {
        run(std::make_unique<page::SComInsertTrim>(&doc));
      }
      break;
    }
    case ID_FRAME_TAKE_OUT: run(std::make_unique<page::SComDelFromTrim>(&doc)); break;
    case ID_GROUP: run(std::make_unique<page::SComGroup>(&doc)); break;
    case ID_UNGROUP: run(std::make_unique<page::SComUnGroup>(&doc)); break;
    case ID_TO_FRONT: run(std::make_unique<page::SComFront>(&doc, true)); break;
    case ID_TO_BACK: run(std::make_unique<page::SComFront>(&doc, false)); break;
    case ID_HIDE: run(std::make_unique<page::SComHideObj>(&doc)); break;
    case ID_SHOW_ALL: run(std::make_unique<page::SComShowAll>(&doc)); break;
    // Copying objects empties the system clipboard, so the next paste takes
    // them and not an older picture.
    case ID_EDIT_COPY:
      EmptySystemClipboard();
      run(std::make_unique<page::SComCopy>(&doc));
      break;
    case ID_EDIT_CUT:
      EmptySystemClipboard();
      run(std::make_unique<page::SComCut>(&doc, 0));
      break;
    case ID_EDIT_DELETE: run(std::make_unique<page::SComCut>(&doc, 1)); break;
    case ID_EDIT_PASTE:
      if (imaging::CanPasteImage())
        run(std::make_unique<page::SComInpPaste>(&doc, GetViewCentre(), -1));
      else
        run(std::make_unique<page::SComPaste>(&doc));
      break;
    case ID_EDIT_UNDO: RunUndoRedo(false); break;
    case ID_EDIT_REDO: RunUndoRedo(true); break;
    case ID_SIZE_AND_POSITION: RunSizeAndPosition(); break;
    case ID_EDIT_CONTENT: {
      const int only = doc.GetSelectedId(true);
      if (only >= 0 && doc.HasEditDialogOf(only)) EditShapeContent(only, 0, 0);
      break;
    }
    case ID_EDIT_POINTS: ToggleEditPoints(doc.GetSelectedId(true)); break;
    case ID_GRID_SETTINGS: RunGridSettings(); break;
    case ID_GRID_SHOW: ToggleGrid(false); break;
    case ID_GRID_SNAP: ToggleGrid(true); break;
    case ID_ZOOM_IN: SetZoom(ZoomInStep(GetZoom())); break;
    case ID_ZOOM_OUT: SetZoom(ZoomOutStep(GetZoom())); break;
    case ID_MIRROR: RunConvertToPicture(2); break;
    case ID_CONVERT_TO_PICTURE: RunConvertToPicture(0); break;
    case ID_COMPOSE_PICTURE: RunConvertToPicture(1); break;
    case ID_COPY_PICTURE: RunCopyPicture(); break;
    case ID_SAVE_PICTURE: RunSavePicture(); break;
    case ID_OUTPUT_SIZE: RunOutputSize(); break;
    case ID_FILE_PROPERTIES: RunFileProperties(); break;
    case ID_EXPORT_SCENE: RunExportScene(); break;
    case ID_ANIMATED_GIF: RunAnimatedGif(); break;
    default: return false;
  }
  return true;
}

bool CPennetView::GetEditCommandState(int id, CommandState& state) {
  const page::SDoc& doc = GetDocument().GetSDoc();
  const int only = doc.GetSelectedId(true);
  switch (id) {
    case ID_SELECT_ALL:
    case ID_SELECT_PICTURES:
    case ID_SELECT_2D:
    case ID_SELECT_3D:
    case ID_SELECT_TEXTS:
    case ID_SHOW_ALL: state.enabled = doc.HasObjects(); return true;
    case ID_SELECT_NONE:
    case ID_SELECT_FRAME_CONTENTS:
    case ID_SELECT_FRAMES_OF_SELECTION:
    case ID_TO_FRONT:
    case ID_TO_BACK:
    case ID_HIDE:
    case ID_EDIT_COPY:
    case ID_EDIT_CUT:
    case ID_EDIT_DELETE:
    case ID_SIZE_AND_POSITION:
    case ID_MIRROR: state.enabled = doc.HasSelection(); return true;
    case ID_FRAME_SET: state.enabled = doc.QueryFrames(2); return true;
    case ID_FRAME_RELEASE:
    case ID_FRAME_VOID:
    case ID_FRAME_INSERT: state.enabled = doc.QueryFrames(1); return true;
    case ID_FRAME_TAKE_OUT: state.enabled = doc.HasSelectedWithUnselectedParent(); return true;
    case ID_GROUP: state.enabled = doc.CanGroupSelection(); return true;
    case ID_UNGROUP: state.enabled = doc.HasSelectedGroup(); return true;
    case ID_EDIT_PASTE:
      state.enabled = page::PnGlobal::Get().GetCopyBufferCount() > 0 || imaging::CanPasteImage();
      return true;
    case ID_EDIT_UNDO: state.enabled = doc.Commands().CanUndo(); return true;
    case ID_EDIT_REDO: state.enabled = doc.Commands().CanRedo(); return true;
    case ID_EDIT_CONTENT: state.enabled = only >= 0 && doc.HasEditDialogOf(only); return true;
    case ID_EDIT_POINTS: state.enabled = only >= 0 && doc.CanEditPointsOf(only); return true;
    case ID_CONVERT_TO_PICTURE: state.enabled = doc.CanConvertSelectionToPicture(); return true;
    case ID_COMPOSE_PICTURE: state.enabled = CountSelected(doc) >= 2; return true;
    case ID_EXPORT_SCENE: state.enabled = only >= 0 && doc.CanExportSceneOf(only); return true;
    default: return false;
  }
}

bool CPennetView::GetCommandState(int id, CommandState& state) {
  state = CommandState{true, false};
  const page::SDoc& doc = GetDocument().GetSDoc();
  if (const int zoom = ZoomOfCommand(id); zoom > 0) {
    state.checked = GetZoom() == zoom;
    return true;
  }
  if (const int format = CopyFormatOfCommand(id); format >= 0) {
    const page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get();
    state.checked = prefs != nullptr && prefs->mCopyPictFlag == format;
    return true;
  }
  if (IsAlignCommand(id)) {
    std::vector<page::SAlignInfo> items;
    state.enabled = doc.CollectAlignItems(items);
    return true;
  }
  switch (id) {
    case ID_INSERT_PICTURE:
    case ID_INSERT_3D:
    case ID_INSERT_TEXT:
    case ID_INSERT_PAGE:
    case ID_GRID_SETTINGS:
    case ID_COPY_PICTURE:
    case ID_SAVE_PICTURE:
    case ID_OUTPUT_SIZE:
    case ID_FILE_PROPERTIES:
    case ID_ANIMATED_GIF: return true;
    case ID_GRID_SHOW: state.checked = doc.grid.showGrid; return true;
    case ID_GRID_SNAP: state.checked = doc.grid.snapToGrid; return true;
    case ID_ZOOM_IN: state.enabled = GetZoom() < 400; return true;
    case ID_ZOOM_OUT: state.enabled = GetZoom() > 25; return true;
    default: return GetEditCommandState(id, state);
  }
}

}  // namespace app
