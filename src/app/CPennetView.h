#pragma once
// The page view: the window of one page inside its child frame. It owns the
// page renderer (page::SView) and the mouse tracker of the gesture in
// progress, turns the current tool into a tracker on each left-button
// press, feeds it the mouse and key events, redraws at the level it asks
// for, scrolls through the renderer's own page transform (scroll bars of
// its own, an 8-pixel border around a page larger than the window), and
// runs the menu commands that act on its page (CPennetView_Commands.cpp,
// CPennetView_Output.cpp).
//
// The window shows `screen_`: the renderer's back buffer as last drawn, with
// the trackers' rubber bands and the hover outline inverted onto it one
// drawing after the other, so drawing a line list again erases it, as
// inverting on the window itself would.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/CPageViewBase.h"
#include "page/PnGlobal.h"
#include "page/STrackFactory.h"
#include "page/SView.h"
#include "platform/Image.h"

class QMenu;
class QScrollBar;
class QTimer;

namespace page {
class SCom;
class SDoc;
class SObj;
}  // namespace page

namespace app {

class CConvToPicDialog;
class CGridDialog;
class CHintDialog;
class CAnimShowDialog;
class CImageSizeDialog;
class CObjMoveDialog;
class CSelectionMag;

// The modal dialogs the view's commands and gestures open. Each Run shows
// the dialog and answers QDialog::Accepted or Rejected; a test answers them
// by overriding.
class ViewDialogs {
 public:
  virtual ~ViewDialogs() = default;
  virtual int Run(CConvToPicDialog& dialog);
  virtual int Run(CGridDialog& dialog);
  virtual int Run(CImageSizeDialog& dialog);
  virtual int Run(CObjMoveDialog& dialog);
  virtual int Run(CSelectionMag& dialog);
  virtual int Run(CHintDialog& dialog);
  virtual int Run(CAnimShowDialog& dialog);
  // The page's file properties; true when the user confirmed.
  virtual bool EditPageProperties(page::SView& view, page::SDoc& doc, QWidget* parent);
  // The shape's own edit dialog; QDialog::Accepted when it stored.
  virtual int EditShape(page::SObj& object, QWidget* parent, const std::function<void()>& redraw);
};

class CPennetView : public CPageViewBase, public page::PnViewLink, public page::STrackScroller {
  Q_OBJECT
 public:
  using TrackerFactory = std::function<std::unique_ptr<page::STrack>(
      int tool, page::SDoc& doc, page::SView& view, platform::POINT press, page::STrackScroller* scroller,
      bool& resetTool)>;

  static constexpr int kBorder = 8;             // around a page larger than the window
  static constexpr int kMaxLauncherSide = 4000; // the launcher's image, longest side
  static constexpr int kLauncherDpi = 144;
  static constexpr int kTimerMs = 300;          // the library request poll

  explicit CPennetView(CPennetDoc& doc, QWidget* parent = nullptr);
  ~CPennetView() override;

  // ---- the page view's life: CPennetView.cpp -----------------------------
  void OnInitialUpdate() override;
  void OnUpdate(int hint) override;
  void OnActivateView(bool active) override;
  page::SView* GetPageRenderer() override { return &renderer_; }
  bool IsInitialised() const { return initialised_; }
  QSize sizeHint() const override;

  // ---- drawing and scrolling: CPennetView.cpp ------------------------------
  // Draws the page into the back buffer (when initialised) and shows it.
  void Redraw(int mode);
  // The tracker's lines inverted onto the window when it has any; else the
  // page drawn in the mode of the level (0, 1: mode 0; 2: 1; 3: 2).
  void RedrawForTracker(int level);
  void DrawPage(int mode);
  // Keeps the scroll total in step with the zoom and the page size, the
  // page point at the centre staying there.
  void UpdateScrollSizes();
  // The page area of the window (without the scroll bars), at (0, 0).
  platform::RECT ClientRect() const;
  // The page point under the centre of the page area.
  page::SPoint GetViewCentre() const;
  int GetZoom() const { return renderer_.zoom; }
  // Sets the zoom (per cent), then the scroll sizes and a redraw.
  void SetZoom(int zoom);
  platform::SIZE GetScrollTotal() const { return scrollTotal_; }
  // What the window shows: the page and the inverted lines.
  const platform::Image& ScreenImage() const { return screen_; }
  platform::POINT GetScrollPosition() const override;
  void ScrollTo(platform::POINT position) override;

  // ---- gestures: CPennetView_Mouse.cpp -------------------------------------
  // Plain events in window pixels with page::TrackFlags.
  void OnLButtonDown(unsigned flags, int x, int y);
  void OnMouseMove(unsigned flags, int x, int y);
  void OnLButtonUp(unsigned flags, int x, int y);
  void OnLButtonDblClk(unsigned flags, int x, int y);
  // A key pressed over the view (a Qt key code); false when the view left
  // it to the window.
  bool OnKeyDown(int key, unsigned flags);
  // Ends a click-by-click input (Enter or a double click).
  void FinishTracker();
  // The cursor of the tool at the point while no gesture runs, with the
  // outline of the panel frame there for the drawing tools.
  void UpdateToolCursor(unsigned flags, int x, int y);
  // The library request poll (the timer's work).
  void OnTimer();
  // The hand tool while Space is held.
  void SetSpaceHeld(bool held);
  bool IsSpaceHeld() const { return spaceHeld_; }
  page::STrack* GetTracker() const { return tracker_.get(); }
  int GetTrackerTool() const { return trackerTool_; }
  const std::vector<page::STLine>& GetHoverLines() const { return hoverLines_; }
  // The trackers come from here (page::MakeTracker unless replaced).
  void SetTrackerFactory(TrackerFactory factory) { trackerFactory_ = std::move(factory); }
  // The view takes the dialogs' runner.
  void SetDialogs(std::unique_ptr<ViewDialogs> dialogs);
  ViewDialogs& Dialogs() { return *dialogs_; }

  // ---- what the bars and the application call: CPennetView_Commands.cpp ----
  void ApplyBarValues(std::span<page::PropVal* const> values, int newCommand, int mode) override;
  void RunOnFirstSelected(page::CalcVal& calc) override;
  // The page of the view, the library request cleared, the wait cursor.
  page::SDoc& BeginCommand();
  // rc < 0: reported and the open group rolled back; else the document is
  // marked modified. Then the redraw in `mode` and the bars.
  void FinishCommand(int rc, bool refreshBars, int mode);
  // The sequence of a menu command: each command executed until one fails,
  // then the group closed (unless `keepGroupOpen`) or rolled back, and the
  // redraw. The first failure, or 0.
  int RunCommands(std::vector<std::unique_ptr<page::SCom>> commands, bool keepGroupOpen = false);
  int RunCommand(std::unique_ptr<page::SCom> command, bool keepGroupOpen = false);
  void EditShapeContent(int objectId, int x, int y);
  void ToggleEditPoints(int objectId);
  void MoveSelectionByKey(int dx, int dy);
  int InsertFile(const std::string& path) override;
  bool OnCommand(int id) override;
  bool GetCommandState(int id, CommandState& state) override;

  // ---- the page as a picture: CPennetView_Output.cpp -------------------------
  int ExportForLauncher() override;
  const std::string& GetLastExportExt() const { return lastExportExt_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;
  // Library items dragged from the library bar (CPennetView_LibDrop.cpp).
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // ---- CPennetView.cpp --------------------------------------------------------
  void LayOutScrollBars();
  void ShowLines(std::span<const page::STLine> lines);
  void EraseHoverLines();
  // ---- CPennetView_Mouse.cpp --------------------------------------------------
  // The tracker's end: deleted, the mouse released.
  void DropTracker();
  void SetTool(int tool);
  // The tool after the tracker of `trackerTool_` ended.
  void SetFallbackTool();
  void RunAfterGestureHints(bool rotationNote);
  // ---- CPennetView_Commands.cpp -----------------------------------------------
  int InsertByDialog(int id);
  void RunUndoRedo(bool redo);
  void RunSizeAndPosition();
  void RunAlign(int id);
  void RunGridSettings();
  void ToggleGrid(bool snap);
  bool GetEditCommandState(int id, CommandState& state);
  // ---- CPennetView_Output.cpp ---------------------------------------------------
  void RunConvertToPicture(int kind);
  void RunOutputSize();
  void RunSavePicture();
  void RunCopyPicture();
  void RunAnimatedGif();
  void RunExportScene();
  void RunFileProperties();
  // The settings of the output-size dialog applied to the page; 0 or the
  // first failure.
  int ApplyOutputSettings(page::SDoc& doc, const CImageSizeDialog& dialog);
  void FillImageSizeDialog(CImageSizeDialog& dialog, int titleId) const;

  bool initialised_ = false;
  page::SView renderer_;
  std::unique_ptr<page::STrack> tracker_;
  int trackerTool_ = -1;
  page::SCom* lastBarCommand_ = nullptr;  // not owned; compared only
  std::vector<page::STLine> hoverLines_;
  platform::SIZE scrollTotal_{0, 0};
  int lastZoom_ = 100;
  std::string lastExportExt_;
  platform::Image screen_;
  bool spaceHeld_ = false;
  bool mouseGrabbed_ = false;
  QScrollBar* hBar_ = nullptr;
  QScrollBar* vBar_ = nullptr;
  QTimer* timer_ = nullptr;
  TrackerFactory trackerFactory_;
  std::unique_ptr<ViewDialogs> dialogs_;
};

// The context menu of the page: the same actions as the main menus.
void FillPageContextMenu(QMenu& menu, const std::function<QAction*(int id)>& action);

}  // namespace app
