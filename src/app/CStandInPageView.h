#pragma once
// A small page view that stands in until the real page view arrives: it
// draws the page's objects at 100 % (each through its own drawing, clipped
// by its panel frame), exports the page image for a launcher, and inserts
// nothing. Replace it by giving CPennetApp another view factory.
#include <string>

#include "app/CPageViewBase.h"
#include "platform/Image.h"

namespace page {
class SDoc;
}

namespace app {

class CStandInPageView : public CPageViewBase {
  Q_OBJECT
 public:
  // The page lies this far from the view's top-left corner.
  static constexpr int kPageOffset = 8;

  explicit CStandInPageView(CPennetDoc& doc, QWidget* parent = nullptr);

  // Dropped files are not inserted by this view: reported as a file kind
  // that cannot be opened.
  int InsertFile(const std::string& path) override;
  // The page image, at most 4000 pixels on its longer side, as a PNG file.
  int ExportForLauncher() override;

  // Draws the page's visible objects onto a page-sized opaque white image
  // scaled by `scale`. 0, or the first negative result of an object.
  static int DrawPage(page::SDoc& doc, double scale, platform::Image& out);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
