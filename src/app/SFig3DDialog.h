#pragma once
// The 3D shape's dialog ("立体図形の編集"): how fast the shape's scene
// renders. "計測" renders it once and shows renders per second and the
// milliseconds of one render.
//
//   app::SFig3DDialog dialog(shape, view);
//   dialog.exec();
#include <QDialog>
#include <QString>
#include <utility>

class QLabel;

namespace page {
class SFig;
}

namespace app {

class SFig3DDialog : public QDialog {
  Q_OBJECT
 public:
  SFig3DDialog(page::SFig& shape, QWidget* parent = nullptr);

  // Renders the scene once and shows the speed.
  void Measure();
  // The two figures shown for one render of `milliseconds`: renders per
  // second ("%6.3f") and milliseconds ("%5d"). A render quicker than the
  // clock can tell counts as a thousandth of a millisecond rather than
  // dividing by zero.
  static std::pair<QString, QString> SpeedTexts(double milliseconds);

  QLabel* RateLabel() const { return rate_; }
  QLabel* TimeLabel() const { return time_; }

 private:
  page::SFig& shape_;
  QLabel* rate_;
  QLabel* time_;
};

}  // namespace app
