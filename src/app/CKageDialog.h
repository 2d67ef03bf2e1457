#pragma once
// The effects dialog ("効果設定") of the 2D property bar: the shadow or
// outline of the selection (colour, offset or width, blur) and the effects
// on the whole object (blur, edge blur, brightness, grey).
//
//   CKageDialog dialog(parent);
//   dialog.value = barValue;
//   if (dialog.exec() == QDialog::Accepted) barValue = dialog.value;
//
// The kind of effect is kept inside effectBlur: 0 or more is a shadow with
// that blur, -1 an outline that also rims semi-transparent pixels, -2 one
// that leaves them out. "適用" applies the value to the selection at once as
// a step of its own and leaves the dialog open.
#include <array>

#include "app/DataExchange.h"
#include "page/PropVal.h"

class QRadioButton;
class QCheckBox;
class QPushButton;

namespace app {

class CColButton;

class CKageDialog : public CDataDialog {
  Q_OBJECT
 public:
  enum EffectMode : int { kShadow = 0, kOutlineAll = 1, kOutlineOpaque = 2 };

  explicit CKageDialog(QWidget* parent = nullptr);

  page::Prop2DVal value;
  int effectMode = kShadow;

  // ---- the controls, for the window's tests ------------------------------
  QRadioButton* ModeButton(int mode) const { return modes_[static_cast<std::size_t>(mode)]; }
  CColButton* ColorButton() const { return color_; }
  CSpinEdit* OffsetXEdit() const { return offsetX_; }
  CSpinEdit* OffsetYEdit() const { return offsetY_; }
  CSpinEdit* BlurEdit() const { return blur_; }
  CSpinEdit* WholeBlurEdit() const { return wholeBlur_; }
  CSpinEdit* EdgeBlurEdit() const { return edgeBlur_; }
  CSpinEdit* BrightnessEdit() const { return brightness_; }
  QCheckBox* GrayscaleBox() const { return grayscale_; }
  QPushButton* ApplyButton() const { return apply_; }
  QPushButton* DefaultsButton() const { return defaults_; }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  void AfterExchange() override;

 private slots:
  void onModeClicked();
  void onColorCommand();
  void onApply();
  void onDefaults();

 private:
  void BuildControls();
  // The blur only for a shadow and the offsets only while an effect is
  // drawn, as the controls show them now.
  void EnableControls();

  std::array<QRadioButton*, 3> modes_{};
  CColButton* color_ = nullptr;
  CSpinEdit* offsetX_ = nullptr;
  CSpinEdit* offsetY_ = nullptr;
  CSpinEdit* blur_ = nullptr;
  CSpinEdit* wholeBlur_ = nullptr;
  CSpinEdit* edgeBlur_ = nullptr;
  CSpinEdit* brightness_ = nullptr;
  QCheckBox* grayscale_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* defaults_ = nullptr;
};

}  // namespace app
