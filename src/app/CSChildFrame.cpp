#include "app/CSChildFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

#include "app/CPageViewBase.h"
#include "app/CPennetApp.h"
#include "app/CPennetDoc.h"

namespace app {

bool gInStartup = false;

CSChildFrame::CSChildFrame(CPennetDoc& doc, CPageViewBase* view, QWidget* parent)
    : QMdiSubWindow(parent), doc_(doc), view_(view) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view_);
  // The window menu of a page would claim Ctrl+W beside the File menu's
  // Close, and Qt runs neither of two commands on one key.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcuts({});
  }
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

// The questions may end in closing the document, which closes this frame
// from inside its own close; Qt ignores that inner close, so the outer one
// is let through instead.
void CSChildFrame::closeEvent(QCloseEvent* event) {
  if (!closingWithoutAsking_) {
    if (view_ != nullptr && view_->IsLaunchedPage()) {
      view_->AskApplyAndClose(true);
    } else if (CPennetApp* app = CPennetApp::Get(); app != nullptr && app->SaveModified(doc_)) {
      app->CloseDocument(doc_);
    }
  }
  if (closingWithoutAsking_)
    QMdiSubWindow::closeEvent(event);
  else
    event->ignore();
}

}  // namespace app
