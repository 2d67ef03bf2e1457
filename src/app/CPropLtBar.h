#pragma once
// The light bar ("立体図形の光源"): the direction of the light of the
// selected 3D figure (an angle pad), its brightness and contrast (sliders)
// and how faces are filled (a menu button).
//
// Unlike the other bars it keeps its change mask after applying: the
// fields changed since the selection's values were last shown travel with
// every later change.
#include "app/CHideDlgBar.h"
#include "page/PropVal.h"

class QLabel;

namespace app {

class CFCButton;
class CLAngButton;
class CMySliderCtrl;

class CPropLtBar : public CHideDlgBar {
  Q_OBJECT
 public:
  explicit CPropLtBar(QWidget* parent = nullptr);

  void ShowValues(const page::PropLTVal& value);
  const page::PropLTVal& Value() const { return value_; }

  // ---- the controls, for the window's tests ------------------------------
  CLAngButton* Pad() const { return pad_; }
  CMySliderCtrl* BrightnessSlider() const { return brightness_; }
  CMySliderCtrl* ContrastSlider() const { return contrast_; }
  QLabel* BrightnessText() const { return brightnessText_; }
  QLabel* ContrastText() const { return contrastText_; }
  CFCButton* ShadingButton() const { return shading_; }

 private:
  void BuildControls();
  void LoadControls();
  void ReadControls();
  void ShowTexts();
  void Apply(int bits, int newCommand);

  page::PropLTVal value_;
  CLAngButton* pad_ = nullptr;
  CMySliderCtrl* brightness_ = nullptr;
  CMySliderCtrl* contrast_ = nullptr;
  QLabel* brightnessText_ = nullptr;
  QLabel* contrastText_ = nullptr;
  CFCButton* shading_ = nullptr;
};

}  // namespace app
