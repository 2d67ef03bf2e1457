#pragma once
// The 2D shape bar ("図形のプロパティ"): line width, line type, arrows, line
// and fill colours, opacity, edge quality and the effects dialog. Every
// change goes to the active page as a property value carrying only the
// changed fields; a slider drag folds into one command.
#include <functional>
#include <optional>

#include "app/CHideDlgBar.h"
#include "page/PropVal.h"

class QLabel;

namespace app {

class CColButton;
class CFCButton;
class CImageButton;
class CLWButton;
class CMySliderCtrl;

// Runs the effects dialog on a copy of the bar's value; the edited value on
// OK, none on Cancel.
using EffectDialogHook = std::function<std::optional<page::Prop2DVal>(const page::Prop2DVal&, QWidget* parent)>;

class CProp2DBar : public CHideDlgBar {
  Q_OBJECT
 public:
  explicit CProp2DBar(QWidget* parent = nullptr);

  // The selection's values: the controls show them; nothing is applied.
  void ShowValues(const page::Prop2DVal& value);
  const page::Prop2DVal& Value() const { return value_; }

  // Replaces the effects dialog (tests); returns the previous hook.
  static EffectDialogHook SetEffectDialogHook(EffectDialogHook hook);

  // ---- the controls, for the window's tests ------------------------------
  CLWButton* LineWidthButton() const { return lineWidth_; }
  CFCButton* LineStyleButton() const { return lineStyle_; }
  CFCButton* ArrowButton() const { return arrow_; }
  CColButton* LineColorButton() const { return lineColor_; }
  CColButton* FillColorButton() const { return fillColor_; }
  CMySliderCtrl* OpacitySlider() const { return opacity_; }
  QLabel* OpacityText() const { return opacityText_; }
  CFCButton* EdgeQualityButton() const { return edgeQuality_; }
  CImageButton* EffectButton() const { return effect_; }

 private slots:
  void onMenuSelected(int bit);
  void onColorCommand(int bits);
  void onOpacityPressed();
  void onOpacityMoved();
  void onEffect();

 private:
  void BuildControls();
  void LoadControls();
  void ReadControls();
  void ShowOpacityText();
  // Applies the value as it stands, then clears its mask.
  void Apply(int newCommand);

  page::Prop2DVal value_;
  CLWButton* lineWidth_ = nullptr;
  CFCButton* lineStyle_ = nullptr;
  CFCButton* arrow_ = nullptr;
  CColButton* lineColor_ = nullptr;
  CColButton* fillColor_ = nullptr;
  CMySliderCtrl* opacity_ = nullptr;
  QLabel* opacityText_ = nullptr;
  CFCButton* edgeQuality_ = nullptr;
  CImageButton* effect_ = nullptr;
};

}  // namespace app
