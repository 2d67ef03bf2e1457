// Library items dragged from the library bar onto the page: the drag feeds
// the library-drop gesture as a press where it enters, moves while it
// moves and the release where it drops, so the drop does what a library
// drag does (outlines of the panel frame under it, the material placed at
// the point). Other drags (files) go on to the main frame.
#include <QDragEnterEvent>
#include <QMimeData>

#include "app/CLibBar.h"
#include "app/CPennetView.h"
#include "page/PnGlobal.h"

namespace app {

namespace {

bool IsLibraryDrag(const QMimeData* data) {
  return data != nullptr && data->hasFormat(QString::fromLatin1(kLibraryItemMime));
}

}  // namespace

void CPennetView::dragEnterEvent(QDragEnterEvent* event) {
  if (!IsLibraryDrag(event->mimeData())) return event->ignore();
  page::PnGlobal& global = page::PnGlobal::Get();
  global.pendingLibPath = event->mimeData()->data(QString::fromLatin1(kLibraryItemMime)).toStdString();
  FinishTracker();
  DropTracker();
  SetTool(page::kToolLibDrag);
  const QPoint at = event->position().toPoint();
  OnLButtonDown(0, at.x(), at.y());
  event->acceptProposedAction();
}

void CPennetView::dragMoveEvent(QDragMoveEvent* event) {
  if (!IsLibraryDrag(event->mimeData())) return event->ignore();
  const QPoint at = event->position().toPoint();
  OnMouseMove(0, at.x(), at.y());
  event->acceptProposedAction();
}

// Leaving the page ends the gesture without a drop: the page stays as it
// was (and unmodified), the outline goes with a redraw.
void CPennetView::dragLeaveEvent(QDragLeaveEvent* event) {
  if (tracker_) {
    DropTracker();
    SetFallbackTool();
    Redraw(page::kDrawScreen);
  }
  event->accept();
}

void CPennetView::dropEvent(QDropEvent* event) {
  if (!IsLibraryDrag(event->mimeData())) return event->ignore();
  const QPoint at = event->position().toPoint();
  OnLButtonUp(0, at.x(), at.y());
  event->acceptProposedAction();
  activateWindow();
}

}  // namespace app
