#include "app/CSMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include "app/CPageViewBase.h"
#include "app/CPennetApp.h"
#include "app/CPennetDoc.h"
#include "app/CBrowsBar.h"
#include "app/CLibBar.h"
#include "app/CPropBars.h"
#include "app/CSChildFrame.h"
#include "app/WindowFrame.h"
#include "page/AppPrefs.h"
#include "page/PnGlobal.h"
#include "platform/Hooks.h"

namespace app {
namespace {

// The local files of a drop, whole paths however long.
QStringList DroppedPaths(const QMimeData* data) {
  QStringList paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  return paths;
}

}  // namespace

CSMainFrame::CSMainFrame(CPennetApp& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setObjectName(QStringLiteral("CSMainFrame"));
  setWindowTitle(QStringLiteral("Pennet"));
  setAcceptDrops(true);
  move(10, 10);
  resize(1000, 1000);

  CreateMdiArea();
  CreateMenus();
  CreateStatusBar();
  CreateBars();
  CPropBars::InstallInto(*this);
  InstallLibraryBar(*this, app_);
  InstallListBar(*this);
  ReadSettings();
  UpdateCommandUI();
}

CSMainFrame::~CSMainFrame() = default;

void CSMainFrame::CreateMdiArea() {
  mdiArea_ = new QMdiArea(this);
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea_);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &CSMainFrame::onSubWindowActivated);
}

void CSMainFrame::CreateStatusBar() {
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  // The idle text comes back after each passing message (a menu item's
  // tip), which a message of its own would not.
  auto* idle = new QLabel(QStringLiteral("レディ"), statusBar());
  idle->setObjectName(QStringLiteral("IdleMessage"));
  statusBar()->addWidget(idle, 1);
}

// ---- page windows -----------------------------------------------------------

CSChildFrame* CSMainFrame::CreateChildFrame(CPennetDoc& doc, CPageViewBase* view) {
  auto* frame = new CSChildFrame(doc, view);
  mdiArea_->addSubWindow(frame);
  if (gInStartup)
    frame->showMaximized();
  else
    frame->show();
  mdiArea_->setActiveSubWindow(frame);
  connect(view, &CPageViewBase::sigCommandStateChanged, this, [this] { UpdateCommandUI(); });
  connect(&doc, &CPennetDoc::sigTitleChanged, this, &CSMainFrame::UpdateTitle);
  connect(&doc, &CPennetDoc::sigModifiedChanged, this, &CSMainFrame::UpdateTitle);
  view->OnInitialUpdate();
  UpdateCommandUI();
  return frame;
}

std::vector<CSChildFrame*> CSMainFrame::GetChildFrames() const {
  std::vector<CSChildFrame*> frames;
  for (QMdiSubWindow* window : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
    auto* frame = qobject_cast<CSChildFrame*>(window);
    if (frame != nullptr && !frame->IsClosing()) frames.push_back(frame);
  }
  return frames;
}

std::vector<CSChildFrame*> CSMainFrame::GetChildFramesOf(const CPennetDoc& doc) const {
  std::vector<CSChildFrame*> frames = GetChildFrames();
  std::erase_if(frames, [&](const CSChildFrame* frame) { return &frame->GetDocument() != &doc; });
  return frames;
}

CSChildFrame* CSMainFrame::GetActiveChildFrame() const {
  auto* frame = qobject_cast<CSChildFrame*>(mdiArea_->currentSubWindow());
  return frame != nullptr && !frame->IsClosing() ? frame : nullptr;
}

CPageViewBase* CSMainFrame::GetActiveView() const {
  const CSChildFrame* frame = GetActiveChildFrame();
  return frame != nullptr ? frame->GetView() : nullptr;
}

void CSMainFrame::onSubWindowActivated(QMdiSubWindow*) {
  CPageViewBase* view = GetActiveView();
  if (view != activeView_) {
    if (activeView_ != nullptr) activeView_->OnActivateView(false);
    activeView_ = view;
    if (activeView_ != nullptr) activeView_->OnActivateView(true);
    emit sigActiveViewChanged(activeView_);
  }
  UpdateTitle();
  UpdateCommandUI();
}

// The active page's name, marked while it has unsaved changes (a maximised
// page window marks the main window too, through the same placeholder).
void CSMainFrame::UpdateTitle() {
  const CSChildFrame* frame = GetActiveChildFrame();
  setWindowTitle(frame != nullptr ? QStringLiteral("Pennet - ") + frame->GetDocument().GetTitle() + QStringLiteral("[*]")
                                  : QStringLiteral("Pennet"));
  setWindowModified(frame != nullptr && frame->GetDocument().IsModified());
}

// ---- closing --------------------------------------------------------------------

// A close that the window's own steps accepted goes through; any other
// (the window manager's, Exit) takes those steps first. Qt ignores a close
// asked for while one is under way, so the steps only mark it accepted.
void CSMainFrame::closeEvent(QCloseEvent* event) {
  if (!closeAccepted_) {
    inCloseEvent_ = true;
    OnClose();
    inCloseEvent_ = false;
  }
  if (closeAccepted_)
    QMainWindow::closeEvent(event);
  else
    event->ignore();
}

// Every page opened for a launcher first asks whether its result goes back
// to the launcher; a Cancel there keeps the program running.
void CSMainFrame::OnClose() {
  for (CSChildFrame* frame : GetChildFrames()) {
    CPageViewBase* view = frame->GetView();
    if (view != nullptr && view->IsLaunchedPage() && !view->AskApplyAndClose(false)) return;
  }
  SaveStateAndClose();
}

bool CSMainFrame::SaveStateAndClose() {
  WriteSettings();
  // The preferences keep the placement, frame included; they are written
  // when the program ends.
  const QRect normal = NormalFrameGeometry(*this);
  if (page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get())
    prefs->StoreWindowPlacement({normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height()},
                                isMaximized());
  if (!app_.SaveAllModified()) return false;
  app_.CloseAllDocuments();
  closeAccepted_ = true;
  if (!inCloseEvent_) close();
  return true;
}

// ---- dropped files -----------------------------------------------------------------

void CSMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CSMainFrame::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedPaths(event->mimeData());
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  OnDropFiles(paths, mapToGlobal(event->position().toPoint()));
}

void CSMainFrame::OnDropFiles(const QStringList& paths, QPoint globalPoint) {
  activateWindow();
  CSChildFrame* frame = GetActiveChildFrame();
  if (frame != nullptr && QRect(frame->mapToGlobal(QPoint(0, 0)), frame->size()).contains(globalPoint)) {
    if (CPageViewBase* view = frame->GetView()) {
      for (const QString& path : paths) view->InsertFile(path.toStdString());
    }
    return;
  }
  OpenDroppedFiles(paths);
}

void CSMainFrame::OpenDroppedFiles(const QStringList& paths) {
  for (const QString& path : paths) app_.OpenDocumentFile(path.toStdString());
}

// ---- manuals ----------------------------------------------------------------------------

namespace {

CSMainFrame::UrlOpener& Opener() {
  static CSMainFrame::UrlOpener opener;
  return opener;
}

}  // namespace

CSMainFrame::UrlOpener CSMainFrame::SetUrlOpener(UrlOpener opener) {
  UrlOpener previous = std::move(Opener());
  Opener() = std::move(opener);
  return previous;
}

void CSMainFrame::OpenManualFile(const QString& file, const std::string& noProgramMessage) {
  const QString path = QDir(QString::fromStdString(app_.GetProgramFolder())).filePath(QStringLiteral("manual/") + file);
  if (!QFileInfo(path).isFile()) {
    CPennetApp::ReportMissingFile(path.toStdString());
    return;
  }
  const QUrl url = QUrl::fromLocalFile(path);
  const bool opened = Opener() ? Opener()(url) : QDesktopServices::openUrl(url);
  if (opened) return;
  if (noProgramMessage.empty())
    CPennetApp::ReportMissingFile(path.toStdString());  // "cannot open", naming it
  else
    platform::ShowMessage(noProgramMessage);
}

}  // namespace app
