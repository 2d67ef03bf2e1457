// The document manager of the application object: new, open, save, save
// as, the question about unsaved changes, closing, and the recent-file list.
#include <QFileInfo>
#include <QMdiArea>
#include <algorithm>

#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CPageViewBase.h"
#include "app/CPennetApp.h"
#include "app/CPennetDoc.h"
#include "app/CSChildFrame.h"
#include "app/CSMainFrame.h"
#include "app/FilePaths.h"
#include "page/ResultCodes.h"
#include "page/StringTable.h"
#include "platform/FileDialog.h"
#include "platform/Hooks.h"
#include "platform/Settings.h"

namespace app {
namespace {

void ReportFileFailure(const std::string& path, int code) {
  platform::ShowMessage(path + "\n" + page::ErrorMessageOfCode(code));
}

}  // namespace

void CPennetApp::ReportMissingFile(const std::string& path) {
  platform::ShowMessage(path + " " + page::PnLoadString(page::ErrorStringId(page::kResultCannotOpen)));
}

void CPennetApp::ReportNotAPage(const std::string& path) { ReportFileFailure(path, page::kResultUnsupportedType); }

std::string CPennetApp::PageFileFilter() { return "Pennet ファイル(*.z4g)|*.z4g||"; }

CPennetDoc* CPennetApp::AddDocument() {
  auto* doc = new CPennetDoc(this);
  docs_.push_back(doc);
  emit sigDocumentCountChanged();
  return doc;
}

void CPennetApp::ShowDocument(CPennetDoc& doc) { CreateMainFrame()->CreateChildFrame(doc, viewFactory_(doc)); }

CPennetDoc* CPennetApp::OnFileNew() {
  CPennetDoc* doc = AddDocument();
  doc->SetTitle(QStringLiteral("Pennet%1").arg(++untitledCount_));
  ShowDocument(*doc);
  return doc;
}

void CPennetApp::OnFileOpen() {
  platform::FileDialogRequest request;
  request.filters = platform::ParseFileFilter(PageFileFilter());
  request.defaultExtension = "z4g";
  std::string path;
  if (platform::RunFileDialog(request, path)) OpenDocumentFile(path);
}

CPennetDoc* CPennetApp::OpenDocumentFile(const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  if (file.suffix().toLower() != QStringLiteral("z4g")) return nullptr;
  if (!file.exists()) {
    ReportMissingFile(path);
    return nullptr;
  }
  for (CPennetDoc* open : docs_) {
    if (IsSameFile(open->GetPathName(), path)) {
      if (mainFrame_) {
        for (CSChildFrame* frame : mainFrame_->GetChildFramesOf(*open)) frame->mdiArea()->setActiveSubWindow(frame);
      }
      return open;
    }
  }
  CPennetDoc* doc = AddDocument();
  std::string notice;
  const int rc = doc->OnOpenDocument(path, &notice);
  if (rc < 0) {
    std::erase(docs_, doc);
    delete doc;
    emit sigDocumentCountChanged();
    ReportFileFailure(path, rc);
    return nullptr;
  }
  AddToRecentFileList(path);
  ShowDocument(*doc);
  if (!notice.empty()) platform::ShowMessage(notice);
  return doc;
}

bool CPennetApp::OnOpenRecentFile(int id) {
  const int index = id - ID_FILE_MRU_FILE1;
  if (index < 0 || index >= recentFiles_.GetCount()) return true;
  const std::string path = recentFiles_[index];
  if (OpenDocumentFile(path) == nullptr &&
      platform::ShowMessage(LoadAppString(kStrRemoveRecentFile), "Pennet",
                            platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes) {
    recentFiles_.Remove(index);
    WriteSettings();
    emit sigRecentFilesChanged();
  }
  return true;
}

bool CPennetApp::DoFileSave(CPennetDoc& doc) {
  if (doc.GetPathName().empty()) return DoSaveAs(doc);
  return DoSave(doc, doc.GetPathName());
}

bool CPennetApp::DoSaveAs(CPennetDoc& doc) {
  platform::FileDialogRequest request;
  request.save = true;
  request.filters = platform::ParseFileFilter(PageFileFilter());
  request.defaultExtension = "z4g";
  request.defaultName = doc.GetPathName().empty() ? doc.GetTitle().toStdString() : doc.GetPathName();
  request.promptOverwrite = true;
  std::string path;
  if (!platform::RunFileDialog(request, path)) return false;
  if (QFileInfo(QString::fromStdString(path)).suffix().isEmpty()) path += ".z4g";
  return DoSave(doc, path);
}

bool CPennetApp::DoSave(CPennetDoc& doc, const std::string& path) {
  const int rc = doc.OnSaveDocument(path);
  if (rc < 0) {
    ReportFileFailure(path, rc);
    return false;
  }
  AddToRecentFileList(path);
  return true;
}

bool CPennetApp::SaveModified(CPennetDoc& doc) {
  if (!doc.IsModified()) return true;
  QString question = QString::fromStdString(LoadAppString(kStrAskToSave));
  question.replace(QStringLiteral("%s"), doc.GetTitle());
  switch (platform::ShowMessage(question.toStdString(), "Pennet",
                                platform::kMbYesNoCancel | platform::kMbIconWarning)) {
    case platform::kIdYes: return DoFileSave(doc);
    case platform::kIdNo: return true;
    default: return false;
  }
}

bool CPennetApp::SaveAllModified() {
  const std::vector<CPennetDoc*> docs = docs_;
  return std::all_of(docs.begin(), docs.end(), [this](CPennetDoc* doc) { return SaveModified(*doc); });
}

// The windows go first; the document follows them out of memory once the
// event that closed it (a view's own handler, perhaps) has returned.
void CPennetApp::CloseDocument(CPennetDoc& doc) {
  if (mainFrame_) {
    for (CSChildFrame* frame : mainFrame_->GetChildFramesOf(doc)) frame->CloseWithoutAsking();
  }
  std::erase(docs_, &doc);
  doc.deleteLater();
  emit sigDocumentCountChanged();
}

void CPennetApp::CloseAllDocuments() {
  const std::vector<CPennetDoc*> docs = docs_;
  for (CPennetDoc* doc : docs) CloseDocument(*doc);
}

CPennetDoc* CPennetApp::GetActiveDocument() const {
  const CSChildFrame* frame = mainFrame_ ? mainFrame_->GetActiveChildFrame() : nullptr;
  return frame != nullptr ? &frame->GetDocument() : nullptr;
}

// The list is written at once, so it survives a program that does not end
// normally.
void CPennetApp::AddToRecentFileList(const std::string& path) {
  recentFiles_.Add(QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString());
  WriteSettings();
  emit sigRecentFilesChanged();
}

void CPennetApp::ReadSettings() { recentFiles_.ReadList(settings_); }

void CPennetApp::WriteSettings() {
  recentFiles_.WriteList(settings_);
  settings_.Sync();
}

}  // namespace app
