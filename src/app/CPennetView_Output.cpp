// The page view's commands that make pictures of the page or of objects:
// conversion to pictures, the output size and background, saving and
// copying the page picture, the animated GIF, the 3D scene of a figure, the
// file properties, and the image a launcher receives.
#include <QDialog>
#include <algorithm>

#include "app/AppStrings.h"
#include "app/CAnimShowDialog.h"
#include "app/CPennetDoc.h"
#include "app/CPennetView.h"
#include "app/HintDialogs.h"
#include "app/PageViewMaths.h"
#include "app/SettingsDialogs.h"
#include "imaging/FileDialogs.h"
#include "imaging/Utilities.h"
#include "imaging/archive/SArchiver.h"
#include "imaging/clipboard/ClipboardPictures.h"
#include "page/ResultCodes.h"
#include "page/SCommands.h"
#include "page/SDoc.h"
#include "platform/Hooks.h"

namespace app {
namespace {

// String-table texts of these commands.
enum OutputStringId : int {
  kStrImageFilter = 185,
  kStrSaveImageTitle = 186,
  kStrExportSizeTitle = 187,
  kStrOutputSizeTitle = 188,
  kStrDefaultImageExt = 270,
  kStrCopyPictureHint = 360,
  kStrMirrorTitle = 393,
  kStrConvertTitle = 394,
};

// Clipboard formats by the copy preference: every format, the metafile,
// PNG, the bitmap.
unsigned CopyFormatsOf(int preference) {
  switch (preference) {
    case 1: return imaging::kClipboardMetafile;
    case 2: return imaging::kClipboardPng;
    case 3: return imaging::kClipboardBitmap;
    default: return 255;
  }
}

// The preview's speed: 2 frames a second for a short animation, else 8.
int AnimationFramesPerSecond(int frames) { return frames < 4 ? 2 : 8; }

}  // namespace

int CPennetView::ExportForLauncher() {
  platform::SetCursor(platform::kCursorWait);
  page::SDoc& doc = GetDocument().GetSDoc();
  const platform::SIZE size = LauncherImageSize(doc.GetPageWidth(), doc.GetPageHeight(), kMaxLauncherSide);
  const int rc = renderer_.ExportPageImage(doc, size.cx, size.cy, kLauncherDpi, GetLaunch().launchExportPath);
  FinishCommand(rc, false, page::kDrawScreen);
  return rc;
}

// Kind 0 converts each selected object, 1 composes them into one picture,
// 2 converts and mirrors them.
void CPennetView::RunConvertToPicture(int kind) {
  page::SDoc& doc = BeginCommand();
  if (kind == 1) {
    CConvFukidashiDialog hint(this);
    dialogs_->Run(hint);
  }
  CConvToPicDialog dialog(this);
  dialog.dpi = doc.resolution;
  dialog.preset = CImageSizeDialog::ResolutionPresetIndex(doc.resolution);
  if (kind != 1) dialog.title = LoadAppString(kind == 0 ? kStrConvertTitle : kStrMirrorTitle);
  if (dialogs_->Run(dialog) != QDialog::Accepted) {
    platform::SetCursor(platform::kCursorArrow);
    return;
  }
  page::SComPictureSink sink;
  int rc = renderer_.ConvertToPicture(doc, static_cast<double>(dialog.dpi) / std::max(1, doc.resolution), kind, sink);
  // A conversion that failed half way is not mirrored: it is undone.
  if (rc >= 0 && kind == 2) rc = doc.Execute(std::make_unique<page::SComMirrorPic>(&doc));
  if (rc >= 0) doc.CloseCommandGroup();
  FinishCommand(rc, true, page::kDrawScreen);
}

void CPennetView::FillImageSizeDialog(CImageSizeDialog& dialog, int titleId) const {
  const page::SDoc& doc = GetDocument().GetSDoc();
  dialog.title = LoadAppString(titleId);
  dialog.width = dialog.startWidth = doc.GetPageWidth();
  dialog.height = dialog.startHeight = doc.GetPageHeight();
  dialog.KeepOriginalSize();
  dialog.keepRatio = true;
  dialog.scaleShapes = true;
  dialog.dpi = doc.resolution;
  dialog.preset = CImageSizeDialog::ResolutionPresetIndex(doc.resolution);
  dialog.transparentBackground = doc.grid.flag1;
  dialog.backgroundColor = doc.grid.secondColor;
  dialog.frameColor = doc.grid.extra1;
  dialog.frameWidth = doc.grid.extra2;
  dialog.outsideDisplay = doc.grid.extra3;
}

int CPennetView::ApplyOutputSettings(page::SDoc& doc, const CImageSizeDialog& dialog) {
  int rc = 0;
  bool done = false;
  const auto execute = [&](std::unique_ptr<page::SCom> command) {
    if (rc < 0) return;
    rc = doc.Execute(std::move(command));
    done = true;
  };
  if (!dialog.exportMode) {
    // Everything scales about the page's top-left corner.
    if (doc.HasObjects() && dialog.scaleShapes) {
      const double s = dialog.scale;
      execute(std::make_unique<page::SComSelectAll>(&doc, true));
      execute(std::make_unique<page::SComMagObj>(&doc, -1, page::SPoint{0, 0}, page::SPoint{100, 100},
                                                 page::SPoint{100 * s, 100 * s}, 0));
      execute(std::make_unique<page::SComSelectAll>(&doc, false));
    }
    execute(std::make_unique<page::SComOrgSize>(&doc, dialog.width, dialog.height, dialog.dpi));
  }
  page::SGridInfo grid = doc.grid;
  grid.flag1 = dialog.transparentBackground;
  grid.secondColor = dialog.backgroundColor;
  grid.extra1 = dialog.frameColor;
  grid.extra2 = dialog.frameWidth;
  grid.extra3 = dialog.outsideDisplay;
  if (!(grid == doc.grid)) execute(std::make_unique<page::SComSetGrid>(&doc, grid));
  if (rc < 0) return rc;
  if (done) doc.CloseCommandGroup();
  return 0;
}

void CPennetView::RunOutputSize() {
  page::SDoc& doc = BeginCommand();
  CImageSizeDialog dialog(this);
  FillImageSizeDialog(dialog, kStrOutputSizeTitle);
  const int rc = dialogs_->Run(dialog) == QDialog::Accepted ? ApplyOutputSettings(doc, dialog) : 0;
  UpdateScrollSizes();
  FinishCommand(rc, true, page::kDrawScreen);
}

void CPennetView::RunSavePicture() {
  page::SDoc& doc = BeginCommand();
  CImageSizeDialog dialog(this);
  FillImageSizeDialog(dialog, kStrExportSizeTitle);
  dialog.exportMode = true;
  dialog.scaleShapes = false;
  std::string path;
  if (dialogs_->Run(dialog) == QDialog::Accepted) {
    std::string defaultName;
    imaging::PnUtilRemoveExtension(GetDocument().GetPathName(), defaultName);
    const std::string extension = lastExportExt_.empty() ? LoadAppString(kStrDefaultImageExt) : lastExportExt_;
    if (!imaging::PnUtilSaveFileDialog(kStrImageFilter, defaultName, kStrSaveImageTitle, extension, path))
      path.clear();
  }
  if (path.empty()) {
    FinishCommand(0, true, page::kDrawScreen);
    return;
  }
  int rc = ApplyOutputSettings(doc, dialog);
  FinishCommand(rc, true, page::kDrawScreen);
  if (rc < 0) return;
  platform::SetCursor(platform::kCursorWait);
  rc = renderer_.ExportPageImage(doc, static_cast<int>(dialog.width), static_cast<int>(dialog.height), dialog.dpi,
                                 path);
  if (rc < 0)
    page::ReportErrorCode(rc);
  else
    imaging::PnUtilGetExtension(path, lastExportExt_);
  Redraw(page::kDrawScreen);
  platform::SetCursor(platform::kCursorArrow);
}

void CPennetView::RunCopyPicture() {
  page::SDoc& doc = BeginCommand();
  page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get();
  int rc = renderer_.Draw(nullptr, doc, {0, 0, doc.GetPageWidth(), doc.GetPageHeight()}, page::kDrawExport);
  if (rc >= 0) {
    rc = imaging::CopyImageToClipboard(renderer_.image, false, CopyFormatsOf(prefs != nullptr ? prefs->mCopyPictFlag : 0),
                                       doc.grid.secondColor);
  }
  if (rc < 0) {
    page::ReportErrorCode(rc);
    doc.RollbackOpenGroup();
  }
  Redraw(page::kDrawScreen);
  platform::SetCursor(platform::kCursorArrow);
  if (rc >= 0 && prefs != nullptr && prefs->mCopyPictWarn == 0) {
    platform::ShowMessage(LoadAppString(kStrCopyPictureHint), "Pennet", platform::kMbOk | platform::kMbIconInfo);
    prefs->mCopyPictWarn = 1;
  }
}

// The frames go through a temporary folder into the animation preview,
// which plays them, saves them as an animated GIF and deletes them.
void CPennetView::RunAnimatedGif() {
  page::SDoc& doc = BeginCommand();
  const int frames = doc.GetAnimFrameCount();
  if (frames <= 1) {
    FinishCommand(page::kResultNoAnimation, true, page::kDrawScreen);
    return;
  }
  platform::SetCursor(platform::kCursorWait);
  std::string folder;
  const int rc = renderer_.ExportAnimationFrames(doc, frames, folder);
  if (rc < 0) {
    FinishCommand(rc, true, page::kDrawScreen);
    return;
  }
  platform::SetCursor(platform::kCursorArrow);
  {
    CAnimShowDialog preview(this);  // deletes the frames when it ends
    preview.SetFrames(frames, AnimationFramesPerSecond(frames), folder);
    if (preview.LoadFrames()) dialogs_->Run(preview);
  }
  Redraw(page::kDrawScreen);
  doc.RefreshBars();
  platform::SetCursor(platform::kCursorArrow);
}

void CPennetView::RunExportScene() {
  page::SDoc& doc = BeginCommand();
  const int id = doc.GetSelectedId(true);
  const int rc = id < 0 ? page::kResultCannotOpen : doc.ExportSceneOf(id, std::string());
  if (rc < 0) page::ReportErrorCode(rc);
  Redraw(page::kDrawScreen);
  platform::SetCursor(platform::kCursorArrow);
}

void CPennetView::RunFileProperties() {
  page::SDoc& doc = BeginCommand();
  dialogs_->EditPageProperties(renderer_, doc, this);
  FinishCommand(0, true, page::kDrawScreen);
}

}  // namespace app
