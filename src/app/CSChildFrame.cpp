#include "app/CSChildFrame.h"

#include <QCloseEvent>

#include "app/CPageViewBase.h"
#include "app/CPennetApp.h"
#include "app/CPennetDoc.h"

namespace app {

bool gInStartup = false;

CSChildFrame::CSChildFrame(CPennetDoc& doc, CPageViewBase* view, QWidget* parent)
    : QMdiSubWindow(parent), doc_(doc), view_(view) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  onTitleChanged();
  connect(&doc_, &CPennetDoc::sigTitleChanged, this, &CSChildFrame::onTitleChanged);
  connect(&doc_, &CPennetDoc::sigModifiedChanged, this, &CSChildFrame::onTitleChanged);
}

CSChildFrame::~CSChildFrame() = default;

void CSChildFrame::onTitleChanged() {
  setWindowTitle(doc_.GetTitle() + QStringLiteral("[*]"));
  setWindowModified(doc_.IsModified());
}

void CSChildFrame::CloseWithoutAsking() {
  closingWithoutAsking_ = true;
  close();
}

void CSChildFrame::closeEvent(QCloseEvent* event) {
  if (closingWithoutAsking_) {
    QMdiSubWindow::closeEvent(event);
    return;
  }
  event->ignore();
  if (view_ != nullptr && view_->IsLaunchedPage()) {
    view_->AskApplyAndClose(true);
    return;
  }
  CPennetApp* app = CPennetApp::Get();
  if (app == nullptr || !app->SaveModified(doc_)) return;
  app->CloseDocument(doc_);
}

}  // namespace app
