#pragma once
// A small page view that stands in until the real page view arrives: it
// shows the page through the page renderer at 100 % without scrolling,
// exports the page image for a launcher, and inserts nothing. Replace it
// by giving CPennetApp another view factory.
#include <string>

#include "app/CPageViewBase.h"
#include "page/SView.h"

namespace app {

class CStandInPageView : public CPageViewBase {
  Q_OBJECT
 public:
  // The longest side of the image exported for a launcher.
  static constexpr int kMaxLauncherSide = 4000;

  explicit CStandInPageView(CPennetDoc& doc, QWidget* parent = nullptr);

  // Dropped files are not inserted by this view: reported as a file kind
  // that cannot be opened.
  int InsertFile(const std::string& path) override;
  // The page image at the page's size (its longer side at most 4000
  // pixels, the other in proportion) and 144 dots per inch.
  int ExportForLauncher() override;

  page::SView* GetPageRenderer() override { return &view_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  page::SView view_;
};

}  // namespace app
