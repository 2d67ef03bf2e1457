#pragma once
// The program's main window: an MDI area of page windows (CSChildFrame),
// the menus, the status bar and the docking bars, whose layout is saved
// when the window closes and restored when it is made. Files dropped on it
// go into the page they were dropped on, or open as documents.
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QUrl;

namespace app {

class CPageViewBase;
class CPennetApp;
class CPennetDoc;
class CSChildFrame;
class CSizingControlBar;

class CSMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // Control ids of the bars: their names in the saved layout.
  enum BarId : int {
    kToolPalette = 148,
    kAtmosphereBar = 3000,
    k3DFigureBar = 103,
    kLibraryBar = 10003,
    k2DShapeBar = 105,
    kLightBar = 104,
    kListBar = 10004,
  };
  enum MenuId { kFileMenu, kEditMenu, kViewMenu, kObjectMenu, kImageMenu, kWindowMenu, kHelpMenu };
  // The profile name of the saved layout and of the library bar's sizes.
  static constexpr const char* kBarStateProfile = "BarState";

  explicit CSMainFrame(CPennetApp& app, QWidget* parent = nullptr);
  ~CSMainFrame() override;

  // ---- page windows ----------------------------------------------------------
  // Makes the frame of a document's view and shows it (maximised while the
  // program starts up). The view's OnInitialUpdate runs once it is shown.
  CSChildFrame* CreateChildFrame(CPennetDoc& doc, CPageViewBase* view);
  QMdiArea* GetMdiArea() const { return mdiArea_; }
  CSChildFrame* GetActiveChildFrame() const;
  CPageViewBase* GetActiveView() const;
  // Every page window's frame, in the order they were made.
  std::vector<CSChildFrame*> GetChildFrames() const;
  std::vector<CSChildFrame*> GetChildFramesOf(const CPennetDoc& doc) const;

  // ---- menus and commands: CSMainFrame_Menus.cpp -------------------------------
  QMenu* GetMenu(MenuId menu) const;
  // The action of a command number (AppCommands.h); null when there is none.
  QAction* CommandAction(int id) const;
  // Adds a command to a menu (or to no menu when `menu` is null) and
  // registers it under its number.
  QAction* AddCommand(int id, const QString& text, QMenu* menu);
  // Brings the enabled state of the document commands, and the enabled and
  // ticked states of the page's commands, up to date for the active page.
  void UpdateCommandUI();

  // ---- bars: CSMainFrame_Bars.cpp ---------------------------------------------
  QDockWidget* GetBar(BarId id) const;
  CSizingControlBar* GetLibraryBar() const;
  // Puts a bar's content in place (the bars are made empty).
  void SetBarWidget(BarId id, QWidget* content);
  // The saved layout may be used: every bar it names exists.
  bool CheckSavedBarIds() const;

  // ---- closing ----------------------------------------------------------------
  // Saves the layout and the window placement, then closes every document
  // (asking about unsaved changes) and the window; false when the user
  // cancelled.
  bool SaveStateAndClose();

  // ---- dropped files ------------------------------------------------------------
  // Files dropped at `globalPoint`: into the active page when the point lies
  // in its window, else opened as documents (only page files open).
  void OnDropFiles(const QStringList& paths, QPoint globalPoint);
  // Opens each file as a document (a hand-over from a second start).
  void OpenDroppedFiles(const QStringList& paths);

  // ---- manuals ----------------------------------------------------------------------
  // Opens a file of the "manual" folder beside the program with the
  // desktop's program for it. A missing file is named in a message, and
  // `noProgramMessage` shows when nothing opens it (empty: the file is
  // named as one that cannot be opened).
  void OpenManualFile(const QString& file, const std::string& noProgramMessage);
  // How files are handed to the desktop (QDesktopServices::openUrl unless
  // set; tests record instead); answers the one it replaces.
  using UrlOpener = std::function<bool(const QUrl&)>;
  static UrlOpener SetUrlOpener(UrlOpener opener);

 signals:
  // The active page window changed (null: none is left).
  void sigActiveViewChanged(CPageViewBase* view);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private slots:
  void onSubWindowActivated(QMdiSubWindow* window);
  void onOpenRecentFile();
  void onUpdateRecentFileMenu();
  void onUpdateWindowList();
  void onBasicManual();
  void onAppliedManual();

 private:
  // ---- construction steps --------------------------------------------------------
  void CreateMdiArea();
  void CreateMenus();
  void CreateFileCommands();
  // The commands of the active page (CPageViewBase::OnCommand).
  void CreatePageCommands();
  void UpdatePageCommands(CPageViewBase* view);
  void CreateViewCommands();
  void CreateWindowCommands();
  void CreateHelpCommands();
  // The person composer, run modally.
  void RunPersonComposer();
  void CreateStatusBar();
  void CreateBars();
  // The saved layout (when CheckSavedBarIds allows it), the library bar's
  // sizes; and their saving.
  void ReadSettings();
  void WriteSettings();

  void OnClose();
  void UpdateTitle();

  CPennetApp& app_;
  QMdiArea* mdiArea_ = nullptr;
  QMap<int, QAction*> commands_;
  QMap<MenuId, QMenu*> menus_;
  QList<QAction*> recentFileActions_;
  QList<int> pageCommands_;
  QAction* recentFileSeparator_ = nullptr;
  QList<QAction*> windowListActions_;  // the Window menu's entries of the open pages
  QMap<int, QDockWidget*> bars_;  // by BarId, in the order of the table
  CPageViewBase* activeView_ = nullptr;
  bool closeAccepted_ = false;
  bool inCloseEvent_ = false;
};

}  // namespace app
