#include "app/CPennetView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

#include "app/AppCommands.h"
#include "app/CAnimShowDialog.h"
#include "app/CPennetApp.h"
#include "app/CPennetDoc.h"
#include "app/CSMainFrame.h"
#include "app/HintDialogs.h"
#include "app/ImageView.h"
#include "app/PageViewMaths.h"
#include "app/SFig3DDialog.h"
#include "app/SFigTextDlg.h"
#include "app/SettingsDialogs.h"
#include "app/CThumbDialog.h"
#include "page/SDoc.h"
#include "page/SFigText.h"
#include "platform/Dc.h"
#include "platform/Hooks.h"

namespace app {

// ---- the dialogs' default runs ----------------------------------------------

int ViewDialogs::Run(CConvToPicDialog& dialog) { return dialog.DoModal(); }
int ViewDialogs::Run(CGridDialog& dialog) { return dialog.DoModal(); }
int ViewDialogs::Run(CImageSizeDialog& dialog) { return dialog.DoModal(); }
int ViewDialogs::Run(CObjMoveDialog& dialog) { return dialog.DoModal(); }
int ViewDialogs::Run(CSelectionMag& dialog) { return dialog.DoModal(); }
int ViewDialogs::Run(CHintDialog& dialog) { return dialog.DoModal(); }
int ViewDialogs::Run(CAnimShowDialog& dialog) { return dialog.DoModal(); }

bool ViewDialogs::EditPageProperties(page::SView& view, page::SDoc& doc, QWidget* parent) {
  return CThumbDialog::EditPageProperties(view, doc, parent);
}

int ViewDialogs::EditShape(page::SObj& object, QWidget* parent, const std::function<void()>& redraw) {
  if (object.fig && object.fig->GetTypeId() == page::kFig3D) return SFig3DDialog(*object.fig, parent).exec();
  auto* text = dynamic_cast<page::SFigText*>(object.fig.get());
  return text != nullptr ? SFigTextDlg::EditShape(*text, parent, redraw) : QDialog::Rejected;
}

// ---- life -------------------------------------------------------------------

CPennetView::CPennetView(CPennetDoc& doc, QWidget* parent)
    : CPageViewBase(doc, parent),
      hBar_(new QScrollBar(Qt::Horizontal, this)),
      vBar_(new QScrollBar(Qt::Vertical, this)),
      timer_(new QTimer(this)),
      trackerFactory_(page::MakeTracker),
      dialogs_(std::make_unique<ViewDialogs>()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  hBar_->hide();
  vBar_->hide();
  // The scroll position is the page transform's: a scroll redraws.
  connect(hBar_, &QScrollBar::valueChanged, this, [this] { Redraw(page::kDrawScreen); });
  connect(vBar_, &QScrollBar::valueChanged, this, [this] { Redraw(page::kDrawScreen); });
  connect(timer_, &QTimer::timeout, this, &CPennetView::OnTimer);
}

CPennetView::~CPennetView() {
  page::PnGlobal& global = page::PnGlobal::Get();
  if (global.activeView == this) global.activeView = nullptr;
}

QSize CPennetView::sizeHint() const {
  const platform::SIZE total = ScrollTotalFor(renderer_.zoom, GetDocument().GetSDoc().GetPageWidth(),
                                              GetDocument().GetSDoc().GetPageHeight());
  return QSize(total.cx, total.cy);
}

void CPennetView::SetDialogs(std::unique_ptr<ViewDialogs> dialogs) {
  if (dialogs) dialogs_ = std::move(dialogs);
}

void CPennetView::OnInitialUpdate() {
  CPageViewBase::OnInitialUpdate();
  UpdateScrollSizes();
  initialised_ = true;
  timer_->start(kTimerMs);
  Redraw(page::kDrawScreen);
}

void CPennetView::OnUpdate(int) {
  UpdateScrollSizes();
  Redraw(page::kDrawScreen);
  emit sigCommandStateChanged();
}

void CPennetView::OnActivateView(bool active) {
  page::PnGlobal& global = page::PnGlobal::Get();
  if (active) {
    global.activeView = this;
    GetDocument().GetSDoc().RefreshBars();
  } else if (global.activeView == this) {
    global.activeView = nullptr;
  }
}

// ---- drawing ----------------------------------------------------------------

platform::RECT CPennetView::ClientRect() const {
  const int w = vBar_->isHidden() ? width() : width() - vBar_->width();
  const int h = hBar_->isHidden() ? height() : height() - hBar_->height();
  return {0, 0, std::max(0, w), std::max(0, h)};
}

platform::POINT CPennetView::GetScrollPosition() const { return {hBar_->value(), vBar_->value()}; }

void CPennetView::ScrollTo(platform::POINT position) {
  const QSignalBlocker blockH(hBar_), blockV(vBar_);
  hBar_->setValue(position.x);
  vBar_->setValue(position.y);
  Redraw(page::kDrawScreen);
}

void CPennetView::DrawPage(int mode) {
  hoverLines_.clear();
  page::SDoc& doc = GetDocument().GetSDoc();
  const platform::RECT client = ClientRect();
  if (client.Width() <= 0 || client.Height() <= 0) return;
  const platform::POINT scroll = GetScrollPosition();
  const platform::RECT target{scroll.x - kBorder, scroll.y - kBorder, scroll.x - kBorder + client.Width(),
                              scroll.y - kBorder + client.Height()};
  renderer_.settings.tool = page::PnGlobal::Get().toolNumber;
  // A failed drawing leaves what was drawn so far on the window.
  if (renderer_.Draw(nullptr, doc, target, mode) < 0) platform::Beep();
  if (!renderer_.image.IsNull()) screen_ = renderer_.image;
}

void CPennetView::Redraw(int mode) {
  if (!initialised_) return;
  DrawPage(mode);
  update();
}

void CPennetView::RedrawForTracker(int level) {
  if (tracker_ && tracker_->GetLineCount() > 0) {
    ShowLines(tracker_->GetLines());
    return;
  }
  switch (level) {
    case 0:
    case 1: Redraw(page::kDrawScreen); break;
    case 2: Redraw(page::kDrawScreenResizing); break;
    case 3: Redraw(page::kDrawScreenRotating); break;
    default: page::PnGlobal::FatalError("PennetViewCl", 49);
  }
}

// Inverting the same lines again gives the pixels back.
void CPennetView::ShowLines(std::span<const page::STLine> lines) {
  if (screen_.IsNull() || lines.empty()) return;
  platform::Dc dc(screen_);
  page::SView::DrawTrackLines(dc, lines);
  update();
}

void CPennetView::EraseHoverLines() {
  ShowLines(hoverLines_);
  hoverLines_.clear();
}

void CPennetView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const platform::RECT client = ClientRect();
  if (initialised_ && (screen_.IsNull() || screen_.Width() != client.Width() || screen_.Height() != client.Height()))
    DrawPage(page::kDrawScreen);
  if (initialised_ && !screen_.IsNull())
    painter.drawImage(QPoint(0, 0), ViewPremultiplied(screen_, screen_.Width(), screen_.Height()));
  else
    painter.fillRect(rect(), palette().window());
  // The corner between the two scroll bars.
  if (!hBar_->isHidden() && !vBar_->isHidden())
    painter.fillRect(QRect(client.Width(), client.Height(), vBar_->width(), hBar_->height()), palette().window());
}

// ---- scrolling and zoom -----------------------------------------------------------

void CPennetView::LayOutScrollBars() {
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const int w = width(), h = height();
  bool needH = scrollTotal_.cx > w, needV = scrollTotal_.cy > h;
  if (needH && !needV) needV = scrollTotal_.cy > h - extent;
  if (needV && !needH) needH = scrollTotal_.cx > w - extent;
  const int cw = std::max(0, w - (needV ? extent : 0)), ch = std::max(0, h - (needH ? extent : 0));
  const QSignalBlocker blockH(hBar_), blockV(vBar_);
  hBar_->setVisible(needH);
  vBar_->setVisible(needV);
  hBar_->setGeometry(0, h - extent, cw, extent);
  vBar_->setGeometry(w - extent, 0, extent, ch);
  hBar_->setRange(0, needH ? scrollTotal_.cx - cw : 0);
  vBar_->setRange(0, needV ? scrollTotal_.cy - ch : 0);
  hBar_->setPageStep(std::max(1, cw));
  vBar_->setPageStep(std::max(1, ch));
  hBar_->setSingleStep(std::max(1, cw / 10));
  vBar_->setSingleStep(std::max(1, ch / 10));
}

void CPennetView::UpdateScrollSizes() {
  const page::SDoc& doc = GetDocument().GetSDoc();
  const platform::SIZE total = ScrollTotalFor(renderer_.zoom, doc.GetPageWidth(), doc.GetPageHeight());
  if (total.cx == scrollTotal_.cx && total.cy == scrollTotal_.cy) return;
  const platform::SIZE oldTotal = scrollTotal_;
  const platform::POINT oldPosition = GetScrollPosition();
  scrollTotal_ = total;
  LayOutScrollBars();
  const platform::RECT client = ClientRect();
  if (initialised_ && (client.Width() < total.cx || client.Height() < total.cy)) {
    ScrollTo(ScrollKeepingCentre(oldPosition, {client.Width(), client.Height()}, oldTotal, total));
  }
  lastZoom_ = renderer_.zoom;
}

void CPennetView::SetZoom(int zoom) {
  renderer_.zoom = zoom;
  UpdateScrollSizes();
  Redraw(page::kDrawScreen);
  emit sigCommandStateChanged();
}

page::SPoint CPennetView::GetViewCentre() const {
  const platform::RECT client = ClientRect();
  return renderer_.ScreenToPage({client.Width() / 2, client.Height() / 2});
}

void CPennetView::resizeEvent(QResizeEvent*) {
  LayOutScrollBars();
  Redraw(page::kDrawScreen);
}

void CPennetView::wheelEvent(QWheelEvent* event) {
  QScrollBar* bar = (event->modifiers() & Qt::ShiftModifier) || vBar_->isHidden() ? hBar_ : vBar_;
  const int steps = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
  bar->setValue(bar->value() - steps / 120 * bar->singleStep());
  event->accept();
}

// ---- Qt events as plain events ------------------------------------------------------

namespace {

unsigned TrackFlagsOf(Qt::KeyboardModifiers modifiers) {
  unsigned flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= page::kTrackShift;
  if (modifiers & Qt::ControlModifier) flags |= page::kTrackCtrl;
  return flags;
}

}  // namespace

void CPennetView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  OnLButtonDown(TrackFlagsOf(event->modifiers()), at.x(), at.y());
}

void CPennetView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  OnMouseMove(TrackFlagsOf(event->modifiers()), at.x(), at.y());
}

void CPennetView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const QPoint at = event->position().toPoint();
  OnLButtonUp(TrackFlagsOf(event->modifiers()), at.x(), at.y());
}

void CPennetView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  const QPoint at = event->position().toPoint();
  OnLButtonDblClk(TrackFlagsOf(event->modifiers()), at.x(), at.y());
}

void CPennetView::keyPressEvent(QKeyEvent* event) {
  if (!OnKeyDown(event->key(), TrackFlagsOf(event->modifiers()))) QWidget::keyPressEvent(event);
}

void CPennetView::keyReleaseEvent(QKeyEvent* event) { QWidget::keyReleaseEvent(event); }

// Space over the view shows the hand at once, before any press; the key
// goes no further (it would press a focused button).
bool CPennetView::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space) {
      if (!key->isAutoRepeat()) SetSpaceHeld(event->type() == QEvent::KeyPress);
      return true;
    }
  }
  return CPageViewBase::event(event);
}

void CPennetView::SetSpaceHeld(bool held) {
  spaceHeld_ = held;
  if (tracker_) return;
  const QPoint at = mapFromGlobal(QCursor::pos());
  const platform::RECT client = ClientRect();
  if (at.x() >= 0 && at.y() >= 0 && at.x() < client.Width() && at.y() < client.Height())
    UpdateToolCursor(0, at.x(), at.y());
}

// ---- the context menu ------------------------------------------------------------

void FillPageContextMenu(QMenu& menu, const std::function<QAction*(int id)>& action) {
  const auto add = [&](std::initializer_list<int> ids) {
    for (const int id : ids) {
      if (QAction* item = action(id)) menu.addAction(item);
    }
    menu.addSeparator();
  };
  add({ID_EDIT_UNDO, ID_EDIT_REDO});
  add({ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE});
  add({ID_SELECT_ALL, ID_SELECT_NONE});
  add({ID_GROUP, ID_UNGROUP, ID_TO_FRONT, ID_TO_BACK, ID_HIDE, ID_SHOW_ALL});
  add({ID_FRAME_SET, ID_FRAME_RELEASE, ID_FRAME_INSERT, ID_FRAME_TAKE_OUT});
  add({ID_SIZE_AND_POSITION, ID_EDIT_CONTENT, ID_EDIT_POINTS, ID_CONVERT_TO_PICTURE});
}

void CPennetView::contextMenuEvent(QContextMenuEvent* event) {
  CPennetApp* app = CPennetApp::Get();
  CSMainFrame* frame = app != nullptr ? app->GetMainFrame() : nullptr;
  if (frame == nullptr) return;
  frame->UpdateCommandUI();
  QMenu menu(this);
  FillPageContextMenu(menu, [frame](int id) { return frame->CommandAction(id); });
  menu.exec(event->globalPos());
}

}  // namespace app
