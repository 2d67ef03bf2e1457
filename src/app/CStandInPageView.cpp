#include "app/CStandInPageView.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/CPennetDoc.h"
#include "app/ImageView.h"
#include "page/PageTransform.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "platform/ImageCodec.h"

namespace app {
namespace {

constexpr int kMaxExportSide = 4000;

// The panel frame whose mask clips the object, if any.
const page::STrim* ClipOf(const page::SDoc& doc, const page::SObj& object) {
  const page::SObj* parent = doc.FindObjectById(object.parentId);
  if (parent == nullptr || !parent->IsFrame() || (parent->flags & page::kObjFrameNoClip) != 0) return nullptr;
  return &parent->frame;
}

}  // namespace

CStandInPageView::CStandInPageView(CPennetDoc& doc, QWidget* parent) : CPageViewBase(doc, parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

int CStandInPageView::DrawPage(page::SDoc& doc, double scale, platform::Image& out) {
  const int width = std::max(1, static_cast<int>(std::lround(doc.GetPageWidth() * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(doc.GetPageHeight() * scale)));
  if (!out.Create(width, height, 32)) return page::kResultNoMemory;
  out.Fill(platform::Bgra{255, 255, 255, 255});
  page::PageTransform transform;
  transform.scale = transform.scaleX = transform.scaleY = scale;
  page::SDrawBuffers buffers;
  int result = page::kResultOk;
  for (const auto& object : doc.Objects()) {
    if ((object->flags & page::kObjHidden) != 0) continue;
    const int rc = object->Draw(&out, transform, ClipOf(doc, *object), false, buffers);
    if (rc < 0 && result == page::kResultOk) result = rc;
  }
  return result;
}

QSize CStandInPageView::sizeHint() const {
  const page::SDoc& doc = GetDocument().GetSDoc();
  return QSize(doc.GetPageWidth(), doc.GetPageHeight()) + QSize(2 * kPageOffset, 2 * kPageOffset);
}

void CStandInPageView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().window());
  platform::Image image;
  DrawPage(GetDocument().GetSDoc(), 1.0, image);
  if (image.Width() > 0)
    painter.drawImage(QPoint(kPageOffset, kPageOffset), ViewPremultiplied(image, image.Width(), image.Height()));
}

int CStandInPageView::InsertFile(const std::string&) {
  page::ReportErrorCode(page::kResultUnsupportedType);
  return page::kResultUnsupportedType;
}

int CStandInPageView::ExportForLauncher() {
  page::SDoc& doc = GetDocument().GetSDoc();
  const int longer = std::max(doc.GetPageWidth(), doc.GetPageHeight());
  const double scale = longer > kMaxExportSide ? static_cast<double>(kMaxExportSide) / longer : 1.0;
  platform::Image image;
  int rc = DrawPage(doc, scale, image);
  if (rc >= 0 && !platform::SaveImageFile(image, GetLaunch().launchExportPath, "png")) rc = page::kResultFileIo;
  if (rc < 0) page::ReportErrorCode(rc);
  return rc;
}

}  // namespace app
