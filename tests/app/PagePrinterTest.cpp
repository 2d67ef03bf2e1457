// Printing through the print path into a PDF file, read back with
// poppler's tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "app/PagePrinter.h"
#include "page/RenderFixtures.h"
#include "page/SDoc.h"
#include "page/SView.h"
#include "platform/Hooks.h"
#include "platform/ImageCodec.h"
#include "support/ExternalTools.h"
#include "support/TempDir.h"

namespace {

using testsupport::Quoted;
using testsupport::RunTool;

int DarkPixels(const platform::Image& image, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const platform::Bgra p = image.GetBgra(x, y);
      count += (p.r + p.g + p.b < 200) ? 1 : 0;
    }
  return count;
}

TEST(PagePrinter, AJapanesePagePrintsToAPdfAtItsPhysicalSize) {
  REQUIRE_TOOL("pdfinfo");
  REQUIRE_TOOL("pdftoppm");
  testsupport::TempDir dir;
  const std::string pdf = dir.File("page.pdf");
  // 300 × 200 pixels at 96 dpi: 3.125 × 2.083 inches.
  auto doc = pagetest::MakeJapanesePage();
  page::SView view;
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setFullPage(true);  // the page's top-left at the paper's
    ASSERT_EQ(app::PrintPage(view, *doc, printer), 0);
  }
  const auto info = RunTool("pdfinfo " + Quoted(pdf));
  ASSERT_EQ(info.exitCode, 0) << info.out;
  const std::size_t pages = info.out.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info.out;
  EXPECT_EQ(std::stoi(info.out.substr(pages + 6)), 1) << info.out;

  // Back to pixels at the page's own resolution: the page lies at the
  // paper's top-left corner at its size.
  ASSERT_EQ(RunTool("pdftoppm -r 96 -png -singlefile " + Quoted(pdf) + " " + Quoted(dir.File("page"))).exitCode, 0);
  platform::Image printed;
  ASSERT_TRUE(platform::LoadImageFile(dir.File("page.png"), printed));
  ASSERT_GT(printed.Width(), 300);
  const platform::Bgra yellow = printed.GetBgra(40, 30);
  EXPECT_GT(yellow.r, 200);
  EXPECT_GT(yellow.g, 200);
  EXPECT_LT(yellow.b, 80);
  EXPECT_GT(DarkPixels(printed, 240, 15, 285, 150), 100) << "the vertical text";
  EXPECT_GT(DarkPixels(printed, 60, 140, 240, 180), 100) << "the text across";
  EXPECT_EQ(DarkPixels(printed, 310, 0, printed.Width(), 210), 0) << "nothing past the page's right edge";
  EXPECT_EQ(DarkPixels(printed, 0, 210, 300, 260), 0) << "nothing below it";
}

TEST(PagePrinter, TheWindowKeepsItsTransformForHitTests) {
  testsupport::TempDir dir;
  auto doc = pagetest::MakeJapanesePage();
  page::SView view;
  // The 300 × 200 page centred in a 500 × 400 window: its corner at (100, 100).
  ASSERT_EQ(view.Draw(nullptr, *doc, {-8, -8, 492, 392}, page::kDrawScreen), 0);
  const page::PageTransform window = view.transform;
  ASSERT_DOUBLE_EQ(window.originX, 100);
  int handle = 0;
  const page::SObj* before = view.HitTest(*doc, {140, 130}, handle);
  ASSERT_NE(before, nullptr) << "the yellow rectangle at (40, 30) of the page";

  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir.File("page.pdf")));
  ASSERT_EQ(app::PrintPage(view, *doc, printer), 0);
  EXPECT_DOUBLE_EQ(view.transform.originX, window.originX);
  EXPECT_DOUBLE_EQ(view.transform.originY, window.originY);
  EXPECT_DOUBLE_EQ(view.transform.scale, window.scale);
  EXPECT_EQ(view.transform.mode, window.mode);
  EXPECT_EQ(view.HitTest(*doc, {140, 130}, handle), before);
}

TEST(PagePrinter, ThePreviewShowsThePageThroughThePrintPath) {
  auto doc = pagetest::MakeJapanesePage();
  page::SView view;
  std::vector<std::string> messages;
  const platform::MessageHook previous =
      platform::SetMessageHook([&messages](const std::string& text, const std::string&, unsigned) {
        messages.push_back(text);
        return platform::kIdOk;
      });
  int pages = -1;
  int coloured = 0;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    if (auto* preview = dialog->findChild<QPrintPreviewWidget*>()) {
      pages = preview->pageCount();
      // The paper in the preview shows the page's coloured shapes (the
      // preview itself is grey, white and black).
      const QImage shown = preview->grab().toImage();
      for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
          const QColor c = shown.pixelColor(x, y);
          coloured += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 100 ? 1 : 0;
        }
    }
    dialog->close();
  });
  app::ShowPrintPreview(view, *doc, nullptr);
  platform::SetMessageHook(previous);
  EXPECT_EQ(pages, 1);
  EXPECT_GT(coloured, 50);
  EXPECT_TRUE(messages.empty()) << messages.front();
}

}  // namespace
