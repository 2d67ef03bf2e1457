#include "app/CStandInPageView.h"

#include <QPaintEvent>
#include <QPainter>

#include "app/CPennetDoc.h"
#include "app/ImageView.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"

namespace app {

CStandInPageView::CStandInPageView(CPennetDoc& doc, QWidget* parent) : CPageViewBase(doc, parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize CStandInPageView::sizeHint() const {
  const platform::SIZE page = view_.PagePixelSize(&GetDocument().GetSDoc());
  return QSize(page.cx + 16, page.cy + 16);
}

void CStandInPageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const platform::RECT target{0, 0, width(), height()};
  if (view_.Draw(nullptr, GetDocument().GetSDoc(), target, page::kDrawScreen) >= 0 && !view_.image.IsNull())
    painter.drawImage(QPoint(0, 0), ViewPremultiplied(view_.image, view_.image.Width(), view_.image.Height()));
  else
    painter.fillRect(rect(), palette().window());
}

int CStandInPageView::InsertFile(const std::string&) {
  page::ReportErrorCode(page::kResultUnsupportedType);
  return page::kResultUnsupportedType;
}

int CStandInPageView::ExportForLauncher() {
  page::SDoc& doc = GetDocument().GetSDoc();
  int width = doc.GetPageWidth();
  int height = doc.GetPageHeight();
  if (width > kMaxLauncherSide) height = height * kMaxLauncherSide / width, width = kMaxLauncherSide;
  if (height > kMaxLauncherSide) width = width * kMaxLauncherSide / height, height = kMaxLauncherSide;
  const int rc = view_.ExportPageImage(doc, width, height, 144, GetLaunch().launchExportPath);
  if (rc < 0) page::ReportErrorCode(rc);
  update();
  return rc;
}

}  // namespace app
