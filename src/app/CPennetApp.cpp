#include "app/CPennetApp.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QFileInfo>

#include "app/AppStrings.h"
#include "app/CInstanceLock.h"
#include "app/CSChildFrame.h"
#include "app/CSMainFrame.h"
#include "app/CPennetView.h"
#include "app/LaunchBlock.h"
#include "app/QtTranslations.h"
#include "app/WindowFrame.h"
#include "imaging/archive/SArchiver.h"
#include "page/AppPrefs.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "platform/Hooks.h"
#include "platform/InputState.h"
#include "platform/Settings.h"

namespace app {
namespace {

CPennetApp* gApp = nullptr;

std::vector<std::string> ToStdStrings(const QStringList& list) {
  std::vector<std::string> out;
  for (const QString& item : list) out.push_back(item.toStdString());
  return out;
}

}  // namespace

CPennetApp::CPennetApp(platform::Settings& settings, QObject* parent) : QObject(parent), settings_(settings) {
  gApp = this;
  viewFactory_ = [](CPennetDoc& doc) -> CPageViewBase* { return new CPennetView(doc); };
  ReadSettings();
}

CPennetApp::~CPennetApp() {
  // A news check still reading ends at once.
  newsInfo_.stopFlag.store(1);
  JoinNewsThread();
  CloseAllDocuments();
  mainFrame_.reset();
  WriteSettings();
  page::PnGlobal& global = page::PnGlobal::Get();
  if (prefsLoaded_) {
    global.prefs->SavePrefs(settings_);
    settings_.Sync();
  }
  // Copied 3D figures need the engine to be deleted.
  global.ClearCopyBuffer();
  if (engineStarted_ && hooks_.exitEngine) hooks_.exitEngine();
  if (qtTranslations_ != nullptr) {
    QCoreApplication::removeTranslator(qtTranslations_);
    delete qtTranslations_;
  }
  if (gApp == this) gApp = nullptr;
}

CPennetApp* CPennetApp::Get() { return gApp; }

void CPennetApp::SetViewFactory(ViewFactory factory) { viewFactory_ = std::move(factory); }

CSMainFrame* CPennetApp::CreateMainFrame() {
  if (!mainFrame_) mainFrame_ = std::make_unique<CSMainFrame>(*this);
  return mainFrame_.get();
}

// Start-up, in order: Qt's Japanese texts, one instance per user (a launch
// hand-off always runs), the install check, the main frame, the engine, the
// page of the command line or of the hand-off, the window, then the work of
// other parts that needs the window.
bool CPennetApp::InitInstance(const QStringList& arguments, int& exitCode) {
  // Qt's own dialogs and buttons in Japanese, from the first message on.
  if (qtTranslations_ == nullptr) qtTranslations_ = InstallQtTranslations();
  const std::string launchName = GetLaunchMemoryName(ToStdStrings(arguments));
  if (!ClaimInstance(arguments, launchName)) {
    exitCode = kExitHandedOver;
    return false;
  }
  // Temporary folders of earlier runs that were killed with a page open.
  imaging::ArcRemoveStaleTempFolders();
  LoadPreferences();
  if (!CheckInstallation()) {
    exitCode = kExitNotInstalled;
    return false;
  }
  CreateMainFrame();
  const int engineResult = hooks_.initEngine ? hooks_.initEngine() : page::kResultOk;
  engineStarted_ = true;

  gInStartup = true;
  ProcessCommandLine(arguments, launchName);
  ShowMainFrame();
  gInStartup = false;

  if (engineResult < 0)
    page::ReportErrorCode(engineResult);
  else if (hooks_.restoreLibraryBar)
    hooks_.restoreLibraryBar();
  if (hooks_.startNewsCheck) hooks_.startNewsCheck();
  return true;
}

void CPennetApp::ExitInstance() { instanceLock_.reset(); }

// An ordinary start hands its files to a running instance and ends; a
// launch hand-off always runs, beside a running instance if need be.
bool CPennetApp::ClaimInstance(const QStringList& arguments, const std::string& launchName) {
  instanceLock_ = std::make_unique<CInstanceLock>(
      instanceServerName_.isEmpty() ? CInstanceLock::DefaultServerName() : instanceServerName_);
  if (launchName.empty()) {
    if (instanceLock_->ClaimOrHandOver(ExistingPathArguments(arguments)) == CInstanceLock::Claim::kHandedOver) {
      if (arguments.isEmpty()) platform::ShowMessage(LoadAppString(kStrAlreadyRunning));
      // Only existing files go over; this start names the missing ones.
      for (const QString& argument : arguments)
        if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-')) && !QFileInfo::exists(argument))
          ReportMissingFile(argument.toStdString());
      instanceLock_.reset();
      return false;
    }
  } else {
    instanceLock_->ClaimOrShare();
  }
  connect(instanceLock_.get(), &CInstanceLock::sigFilesHandedOver, this, &CPennetApp::onFilesHandedOver);
  return true;
}

// Missing values keep their defaults; the undo depth of new pages and the
// web switch are taken from them now, and a later change in the options
// dialog waits for the next start.
void CPennetApp::LoadPreferences() {
  page::PnGlobal& global = page::PnGlobal::Get();
  global.prefs->SetDefaults();
  global.prefs->LoadPrefs(settings_);
  if (hooks_.setRendererMode) hooks_.setRendererMode(global.prefs->mLibVImp);
  global.TakeStartupPrefs();
  prefsLoaded_ = true;
}

std::string CPennetApp::GetProgramFolder() const {
  return programFolder_.empty() ? QCoreApplication::applicationDirPath().toStdString() : programFolder_;
}

bool CPennetApp::CheckInstallation() {
  if (programFolder_.empty()) programFolder_ = GetProgramFolder();
  installRecord_ = ReadInstallRecord(programFolder_);
  if (installRecord_) {
    page::PnGlobal::Get().SetInstallRecord(installRecord_->folder, installRecord_->date);
    return true;
  }
  platform::ShowMessage(LoadAppString(kStrNotInstalled));
  return false;
}

// Shift held at start-up brings a window lost off the screen back to the
// default place.
void CPennetApp::ShowMainFrame() {
  const page::WindowPlacement placement =
      page::PnGlobal::Get().prefs->RestoreWindowPlacement(platform::IsAsyncKeyDown(platform::VK_SHIFT));
  const platform::RECT& r = placement.rect;
  // The stored rectangle is the whole window's, title bar included.
  PlaceWindowFrame(*mainFrame_, QRect(r.left, r.top, r.Width(), r.Height()));
  if (placement.maximise)
    mainFrame_->showMaximized();
  else
    mainFrame_->show();
}

// The first argument that is not an option names the page to open; without
// one a new page opens. A page that cannot be opened is reported once,
// naming the file, and a new page opens in its place.
void CPennetApp::ProcessCommandLine(const QStringList& arguments, const std::string& launchName) {
  if (!launchName.empty()) {
    OpenLaunchedPage(launchName);
    return;
  }
  QString file;
  for (const QString& argument : arguments) {
    if (!argument.startsWith(QLatin1Char('-'))) {
      file = argument;
      break;
    }
  }
  if (file.isEmpty()) {
    OnFileNew();
    return;
  }
  const std::string path = file.toStdString();
  const QFileInfo info(file);
  // Opening a page file explains its own failures; other files open nothing.
  if (info.suffix().toLower() != QStringLiteral("z4g")) {
    if (info.exists())
      ReportNotAPage(path);
    else
      ReportMissingFile(path);
    OnFileNew();
    return;
  }
  if (OpenDocumentFile(path) == nullptr) OnFileNew();
}

// A missing or refused hand-off block opens nothing; start-up goes on.
void CPennetApp::OpenLaunchedPage(const std::string& launchName) {
  std::optional<LaunchBlock> block = ReadLaunchMemory(launchName);
  if (!block) return;
  SetPendingLaunch(std::move(block));
  OnFileNew();
}

void CPennetApp::onFilesHandedOver(const QStringList& files) {
  if (!mainFrame_) return;
  if (mainFrame_->isMinimized()) mainFrame_->showNormal();
  mainFrame_->raise();
  mainFrame_->activateWindow();
  mainFrame_->OpenDroppedFiles(files);
}

}  // namespace app
