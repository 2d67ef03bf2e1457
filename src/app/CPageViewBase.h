#pragma once
// What every page view offers the frames and the document manager: the
// widget inside a child frame (CSChildFrame) that shows one document's
// page. The page view (CPennetView) derives from it.
//
// A view made for a launch hand-off takes the hand-off over in
// OnInitialUpdate: the page takes the launcher's title, the view tells the
// launcher that the page opened, and closing the page asks whether the
// result goes back to the launcher (AskApplyAndClose).
#include <QWidget>
#include <memory>
#include <string>

#include "app/LaunchBlock.h"

namespace page {
class SView;
}

namespace app {

class CLauncherLink;
class CPennetDoc;

// How a command's menu item shows for the active page.
struct CommandState {
  bool enabled = false;
  bool checked = false;
};

class CPageViewBase : public QWidget {
  Q_OBJECT
 public:
  explicit CPageViewBase(CPennetDoc& doc, QWidget* parent = nullptr);
  ~CPageViewBase() override;

  CPennetDoc& GetDocument() const { return doc_; }
  // A number of its own for each view made in this program (from 1).
  int GetViewNumber() const { return viewNumber_; }

  // ---- life cycle: called by the child frame -------------------------------
  // Once, after the frame holds the view: takes the pending launch hand-off
  // (TakePendingLaunch), if any. Overrides call this first.
  virtual void OnInitialUpdate();
  // The document's page changed (CPennetDoc::UpdateAllViews). Repaints.
  virtual void OnUpdate(int hint);
  // The view's frame became the active page window, or stopped being it.
  virtual void OnActivateView(bool active);

  // The renderer that prints the page (and its preview); null when the view
  // cannot print.
  virtual page::SView* GetPageRenderer() { return nullptr; }

  // ---- menu commands -----------------------------------------------------------
  // Runs a command of the page's menus (AppCommands.h); false when the view
  // has no such command.
  virtual bool OnCommand(int /*id*/) { return false; }
  // Whether a command is enabled and ticked for this page; false when the
  // view has no such command.
  virtual bool GetCommandState(int /*id*/, CommandState& /*state*/) { return false; }

  // ---- files dropped on the page ---------------------------------------------
  // Inserts one dropped file into the page by its kind; 1 when it is in,
  // else a negative result code (already shown to the user).
  virtual int InsertFile(const std::string& path) = 0;

  // ---- a page opened for a launcher ----------------------------------------------
  bool IsLaunchedPage() const { return launcher_ != nullptr; }
  const LaunchBlock& GetLaunch() const { return launch_; }
  // Asks whether the edited page goes back to the launcher (Yes, No,
  // Cancel). Yes exports the page image for the launcher and closes the
  // page, No closes it without, and each tells the launcher; with
  // `closeMainFrame` the program then ends through the main frame's close.
  // False when the user cancelled or the export failed (the page stays).
  bool AskApplyAndClose(bool closeMainFrame);
  // Writes the page image the launcher asked for; 0, or a negative result
  // code (already shown to the user).
  virtual int ExportForLauncher() = 0;
  // Tells the launcher the page closes (applied unless `discarded`), drops
  // the page's changes and closes it; with `closeMainFrame` the main frame
  // too.
  void CloseForLauncher(bool discarded, bool closeMainFrame);

 signals:
  // The page, its selection or the view changed: command states may differ.
  void sigCommandStateChanged();

 private slots:
  void onLauncherClose();
  void onPageChanged(int hint);

 private:
  CPennetDoc& doc_;
  int viewNumber_;
  LaunchBlock launch_;
  CLauncherLink* launcher_ = nullptr;  // a child of the view
};

}  // namespace app
