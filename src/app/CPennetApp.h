#pragma once
// The application object: start-up (one instance per user, the launch
// hand-off, the install check, the main frame, the command line), the end
// of the program, and the document manager that makes, opens, saves and
// closes page documents and keeps the recent-file list. One instance lives
// for the program's run (Get).
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/CRecentFileList.h"
#include "app/InstallRecord.h"
#include "imaging/http/CRWebVerGet.h"

class QTranslator;

namespace platform {
class Settings;
}

namespace app {

class CInstanceLock;
class CPageViewBase;
class CPennetDoc;
class CSMainFrame;

class CPennetApp : public QObject {
  Q_OBJECT
 public:
  // Start-up work that belongs to other parts of the program, run at its
  // place in the start-up order. Empty hooks do nothing.
  struct StartupHooks {
    // Starts the 3D engine through the page's figure facade; a negative
    // result code is shown once the window is up (and the library bar is
    // then not restored).
    std::function<int()> initEngine;
    // Shuts the 3D engine down at the end of the program.
    std::function<void()> exitEngine;
    // Hands the renderer choice of the preferences to the 3D facade.
    std::function<void(int mode)> setRendererMode;
    // The library bar reopens its last folders and page.
    std::function<void()> restoreLibraryBar;
    // The automatic news check, started last.
    std::function<void()> startNewsCheck;
  };
  // Makes the view of a document's page window (CPennetView by default).
  using ViewFactory = std::function<CPageViewBase*(CPennetDoc& doc)>;

  // Exit codes of a start that ends at once.
  static constexpr int kExitHandedOver = 0;    // a running instance took the files
  static constexpr int kExitNotInstalled = 3;    // no install record

  // The settings are the per-user settings of the run (the caller keeps
  // them alive).
  explicit CPennetApp(platform::Settings& settings, QObject* parent = nullptr);
  // Closes the documents, writes the recent-file list and the preferences
  // (when start-up read them) and shuts the engine down.
  ~CPennetApp() override;
  static CPennetApp* Get();

  StartupHooks& Hooks() { return hooks_; }
  void SetViewFactory(ViewFactory factory);
  platform::Settings& GetSettings() const { return settings_; }

  // ---- start-up and end: CPennetApp.cpp ------------------------------------
  // Runs start-up with the program's arguments (without the program).
  // True: the main window is up and the event loop should run. False: the
  // program ends with `exitCode`.
  bool InitInstance(const QStringList& arguments, int& exitCode);
  // Lets go of the single-instance socket (the event loop has ended).
  void ExitInstance();
  // The main frame (made by InitInstance or CreateMainFrame); null before.
  CSMainFrame* GetMainFrame() const { return mainFrame_.get(); }
  // Makes the main frame without the rest of start-up (tests, tools).
  CSMainFrame* CreateMainFrame();
  // The install record beside the program, or where the check looks
  // (SetProgramFolder).
  const std::optional<InstallRecord>& GetInstallRecord() const { return installRecord_; }
  void SetProgramFolder(const std::string& folder) { programFolder_ = folder; }
  // The folder of the program (or the one set); the manuals lie beside it.
  std::string GetProgramFolder() const;
  // The single-instance socket's name (the per-user default unless set).
  void SetInstanceServerName(const QString& name) { instanceServerName_ = name; }

  // ---- documents: CPennetApp_Documents.cpp -----------------------------------
  // A new, empty page in a new window ("Pennet1", "Pennet2", ...).
  CPennetDoc* OnFileNew();
  // Asks for a page file and opens it.
  void OnFileOpen();
  // Opens a page file in a new window: only ".z4g" files (any case) open,
  // others are ignored silently; a missing file or a failed read is
  // reported and opens nothing. A file already open brings its window
  // forward. Null when nothing opened.
  CPennetDoc* OpenDocumentFile(const std::string& path);
  // Opens entry `id` - ID_FILE_MRU_FILE1 of the recent-file list; when that
  // fails, offers to remove the entry.
  bool OnOpenRecentFile(int id);
  // Saves to the document's file, or asks for one when it has none.
  bool DoFileSave(CPennetDoc& doc);
  // Asks for a file name (the current one proposed) and saves there.
  bool DoSaveAs(CPennetDoc& doc);
  // A modified document asks whether to save it first: Yes saves (false
  // when saving fails or is cancelled), No goes on, Cancel answers false.
  bool SaveModified(CPennetDoc& doc);
  bool SaveAllModified();
  // Closes the document's windows and the document, without asking.
  void CloseDocument(CPennetDoc& doc);
  void CloseAllDocuments();
  const std::vector<CPennetDoc*>& GetDocuments() const { return docs_; }
  CPennetDoc* GetActiveDocument() const;
  CRecentFileList& GetRecentFiles() { return recentFiles_; }
  // ---- the news check and web pages: CPennetApp_News.cpp ------------------------
  // Checks the publisher's news: automatically (at most once a day, on a
  // worker) or because the user asked (at once, with "cannot connect" when
  // the text could not be read). Nothing without web use.
  void CheckNews(bool manual);
  // The check itself: 0 when it read (or tried to read) the news text,
  // kNewsCheckSkipped when a check is running or an unseen result waits.
  static constexpr int kNewsCheckSkipped = 1;
  int NewsThreadProc();
  // This program's major, minor and build numbers into the record.
  static void ReadOwnVersion(imaging::NewsInfo& info);
  // Shows the version dialog when a check found something to show.
  void OnIdle();
  void ShowVersionDialog();
  // Opens address + suffix in the desktop's browser.
  static void OpenWebPage(const std::string& address, const std::string& suffix);
  // The address of a web-page command (ID_WEB_...); empty for others.
  std::string WebPageAddress(int command) const;
  imaging::NewsInfo& GetNewsInfo() { return newsInfo_; }
  imaging::WebConfig& GetWebConfig() { return webConfig_; }
  // Today's day number as the news check counts days; tests set the clock.
  std::int64_t TodayDayNumber() const;
  void SetDayClock(std::function<std::int64_t()> clock) { dayClock_ = std::move(clock); }
  // Where web pages open; the desktop's browser when none is set.
  static void SetWebPageOpener(std::function<void(const std::string& url)> opener);

  // The filter of the page file dialogs.
  static std::string PageFileFilter();
  // The message of a file that does not exist or cannot be opened, naming it.
  static void ReportMissingFile(const std::string& path);

 signals:
  void sigRecentFilesChanged();
  void sigDocumentCountChanged();

 private slots:
  void onFilesHandedOver(const QStringList& files);

 private:
  // ---- start-up steps ----------------------------------------------------------
  bool ClaimInstance(const QStringList& arguments, const std::string& launchName);
  // The preferences from the settings, and what start-up takes from them.
  void LoadPreferences();
  bool CheckInstallation();
  // Shows the main frame where the preferences last left it.
  void ShowMainFrame();
  void ProcessCommandLine(const QStringList& arguments, const std::string& launchName);
  void OpenLaunchedPage(const std::string& launchName);
  // A file of the command line that is no page file, named in its message.
  static void ReportNotAPage(const std::string& path);

  // ---- document steps -----------------------------------------------------------
  CPennetDoc* AddDocument();
  void ShowDocument(CPennetDoc& doc);
  bool DoSave(CPennetDoc& doc, const std::string& path);
  void AddToRecentFileList(const std::string& path);
  void ReadSettings();
  void WriteSettings();
  // Waits for a news check running on its worker.
  void JoinNewsThread();
  void QueueIdle();

  platform::Settings& settings_;
  StartupHooks hooks_;
  ViewFactory viewFactory_;
  std::unique_ptr<CSMainFrame> mainFrame_;
  std::unique_ptr<CInstanceLock> instanceLock_;
  QTranslator* qtTranslations_ = nullptr;  // Qt's Japanese texts, while this application runs
  QString instanceServerName_;
  std::string programFolder_;
  std::optional<InstallRecord> installRecord_;
  std::vector<CPennetDoc*> docs_;  // children of the application object
  CRecentFileList recentFiles_;
  int untitledCount_ = 0;
  bool engineStarted_ = false;
  bool prefsLoaded_ = false;
  imaging::WebConfig webConfig_;
  imaging::NewsInfo newsInfo_;
  std::atomic<std::uint8_t> newsThreadRunning_{0};
  std::thread newsThread_;
  std::function<std::int64_t()> dayClock_;
};

}  // namespace app
