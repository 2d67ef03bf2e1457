#include "app/PagePrinter.h"

#include <QCoreApplication>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SView.h"

namespace app {

int PrintPage(page::SView& view, page::SDoc& doc, QPrinter& printer) {
  // The window's transform comes back afterwards: the view's hit tests use
  // it until its next redraw, and nothing redraws it after a print.
  const page::PageTransform windowTransform = view.transform;
  const int drawn = view.Draw(nullptr, doc, {}, page::kDrawPrint);
  view.transform = windowTransform;
  if (drawn < 0) return drawn;
  const platform::Image& buffer = view.image;
  const platform::SIZE size = page::SView::PrintedSize(doc, {printer.resolution(), printer.resolution()});
  QPainter painter;
  if (!painter.begin(&printer)) return page::kResultFileIo;
  // The back buffer is opaque: its fourth bytes carry nothing.
  const QImage picture(buffer.Bits(), buffer.Width(), buffer.Height(), buffer.Pitch(), QImage::Format_RGB32);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(QRect(0, 0, size.cx, size.cy), picture);
  return painter.end() ? page::kResultOk : page::kResultFileIo;
}

namespace {

QPrinter* gPrinter = nullptr;

}  // namespace

// Made on first use and let go with the application object: the printer's
// engine must not outlive it.
QPrinter& ApplicationPrinter() {
  if (gPrinter == nullptr) {
    gPrinter = new QPrinter(QPrinter::HighResolution);
    qAddPostRoutine([] {
      delete gPrinter;
      gPrinter = nullptr;
    });
  }
  return *gPrinter;
}

bool RunPrinterSetup(QWidget* parent) {
  QPageSetupDialog dialog(&ApplicationPrinter(), parent);
  return dialog.exec() == QDialog::Accepted;
}

bool RunPrintDialog(page::SView& view, page::SDoc& doc, QWidget* parent) {
  QPrinter& printer = ApplicationPrinter();
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (const int rc = PrintPage(view, doc, printer); rc < 0) page::ReportErrorCode(rc);
  return true;
}

void ShowPrintPreview(page::SView& view, page::SDoc& doc, QWidget* parent) {
  QPrintPreviewDialog preview(&ApplicationPrinter(), parent);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* target) {
    if (const int rc = PrintPage(view, doc, *target); rc < 0) page::ReportErrorCode(rc);
  });
  preview.exec();
}

}  // namespace app
