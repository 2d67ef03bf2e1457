#include "app/CProp2DBar.h"

#include <QGridLayout>
#include <QLabel>

#include "app/CColButton.h"
#include "app/CFCButton.h"
#include "app/CImageButton.h"
#include "app/CKageDialog.h"
#include "app/CLWButton.h"
#include "app/CMySliderCtrl.h"
#include "app/PropBarMenus.h"

namespace app {
namespace {

using page::Prop2DVal;

// String ids of the tooltips and the effect button's picture.
enum : int {
  kTipLineWidth = 155,
  kTipLineStyle = 156,
  kTipLineColor = 157,
  kTipFillColor = 158,
  kTipOpacity = 159,
  kTipEdgeQuality = 180,
  kTipArrow = 209,
  kPictureEffect = 313,
};

std::optional<Prop2DVal> RunEffectDialog(const Prop2DVal& value, QWidget* parent) {
  CKageDialog dialog(parent);
  dialog.value = value;
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.value;
}

EffectDialogHook& DialogHook() {
  static EffectDialogHook hook = RunEffectDialog;
  return hook;
}

}  // namespace

CProp2DBar::CProp2DBar(QWidget* parent) : CHideDlgBar(parent) {
  setObjectName(QStringLiteral("CProp2DBar"));
  BuildControls();
  LoadControls();
}

EffectDialogHook CProp2DBar::SetEffectDialogHook(EffectDialogHook hook) {
  EffectDialogHook previous = std::move(DialogHook());
  DialogHook() = hook ? std::move(hook) : EffectDialogHook(RunEffectDialog);
  return previous;
}

void CProp2DBar::BuildControls() {
  lineWidth_ = new CLWButton(this);
  lineStyle_ = new CFCButton(this);
  lineStyle_->SetMenu(LineStyleMenu());
  arrow_ = new CFCButton(this);
  arrow_->SetMenu(ArrowMenu());
  edgeQuality_ = new CFCButton(this);
  edgeQuality_->SetMenu(EdgeQualityMenu());
  lineColor_ = new CColButton(false, this);
  fillColor_ = new CColButton(false, this);
  opacity_ = MakeSlider(0, 100, {});
  opacityText_ = new QLabel(this);
  opacityText_->setMinimumWidth(24);
  effect_ = new CImageButton(QStringLiteral("効果"), this);
  effect_->SetToggleLook(false);
  effect_->SetButtonPicture(kPictureEffect);

  for (QWidget* button : {static_cast<QWidget*>(lineWidth_), static_cast<QWidget*>(lineStyle_),
                          static_cast<QWidget*>(arrow_), static_cast<QWidget*>(edgeQuality_)})
    button->setFixedSize(76, 20);  // room for "ややきれい"
  lineColor_->setFixedSize(32, 20);
  fillColor_->setFixedSize(32, 20);
  effect_->setFixedSize(40, 32);

  SetTip(lineWidth_, kTipLineWidth);
  SetTip(lineStyle_, kTipLineStyle);
  SetTip(arrow_, kTipArrow);
  SetTip(lineColor_, kTipLineColor);
  SetTip(fillColor_, kTipFillColor);
  SetTip(opacity_, kTipOpacity);
  SetTip(edgeQuality_, kTipEdgeQuality);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->addWidget(MakeLabel(QStringLiteral("線")), 0, 0);
  grid->addWidget(lineColor_, 0, 1);
  grid->addWidget(lineWidth_, 0, 2);
  grid->addWidget(lineStyle_, 0, 3);
  grid->addWidget(MakeLabel(QStringLiteral("塗り")), 1, 0);
  grid->addWidget(fillColor_, 1, 1);
  grid->addWidget(arrow_, 1, 2);
  grid->addWidget(edgeQuality_, 1, 3);
  grid->addWidget(MakeLabel(QStringLiteral("不透明度")), 2, 0, 1, 2);
  grid->addWidget(opacity_, 2, 2, 1, 1);
  grid->addWidget(opacityText_, 2, 3);
  grid->addWidget(effect_, 3, 0, 1, 2);
  grid->setRowStretch(4, 1);

  const std::pair<CFCButton*, int> menus[] = {{lineWidth_, Prop2DVal::kLineWidth},
                                              {lineStyle_, Prop2DVal::kLineStyle},
                                              {arrow_, Prop2DVal::kArrow},
                                              {edgeQuality_, Prop2DVal::kEdgeQuality}};
  for (const auto& [button, bit] : menus)
    connect(button, &CFCButton::sigSelected, this, [this, bit = bit] { onMenuSelected(bit); });
  connect(lineColor_, &CColButton::sigColorCommand, this,
          [this] { onColorCommand(Prop2DVal::kLineColorMode | Prop2DVal::kLineColor); });
  connect(fillColor_, &CColButton::sigColorCommand, this,
          [this] { onColorCommand(Prop2DVal::kFillColorMode | Prop2DVal::kFillColor); });
  connect(opacity_, &CMySliderCtrl::sigPressed, this, &CProp2DBar::onOpacityPressed);
  connect(opacity_, &CMySliderCtrl::sigScroll, this, &CProp2DBar::onOpacityMoved);
  connect(effect_, &CImageButton::clicked, this, &CProp2DBar::onEffect);
}

void CProp2DBar::ShowValues(const page::Prop2DVal& value) {
  value_ = value;
  LoadControls();
  update();
}

void CProp2DBar::LoadControls() {
  lineWidth_->SetValue(value_.lineWidth);
  lineStyle_->SetValue(value_.lineStyle);
  arrow_->SetValue(value_.arrow);
  edgeQuality_->SetValue(value_.edgeQuality);
  lineColor_->SetColor(value_.lineColor);
  lineColor_->SetMode(value_.lineColorMode);
  fillColor_->SetColor(value_.fillColor);
  fillColor_->SetMode(value_.fillColorMode);
  opacity_->setValue(value_.opacity);
  // Only the text: a change marked here would carry the first object's
  // opacity to every selected object with the next edit of anything else.
  ShowOpacityText();
}

void CProp2DBar::ReadControls() {
  value_.lineWidth = lineWidth_->Value();
  value_.lineStyle = lineStyle_->Value();
  value_.arrow = arrow_->Value();
  value_.edgeQuality = edgeQuality_->Value();
  value_.lineColor = lineColor_->Color();
  value_.lineColorMode = lineColor_->Mode();
  value_.fillColor = fillColor_->Color();
  value_.fillColorMode = fillColor_->Mode();
  value_.opacity = opacity_->value();
}

void CProp2DBar::ShowOpacityText() { opacityText_->setText(QString::number(opacity_->value())); }

void CProp2DBar::Apply(int newCommand) {
  ReadControls();
  ApplyValue(value_, newCommand, kRedrawNormal);
  value_.ClearMask();
}

void CProp2DBar::onMenuSelected(int bit) {
  value_.mask |= bit;
  Apply(1);
}

void CProp2DBar::onColorCommand(int bits) {
  value_.mask |= bits;
  Apply(1);
}

void CProp2DBar::onOpacityPressed() {
  ShowOpacityText();
  value_.mask |= Prop2DVal::kOpacity;
  Apply(1);
}

void CProp2DBar::onOpacityMoved() {
  ShowOpacityText();
  value_.mask |= Prop2DVal::kOpacity;
  Apply(0);
}

void CProp2DBar::onEffect() {
  ReadControls();
  const std::optional<Prop2DVal> edited = DialogHook()(value_, this);
  if (!edited) return;
  const int mask = value_.mask;
  value_ = *edited;
  value_.mask = mask | Prop2DVal::kEffects;
  ApplyValue(value_, 1, kRedrawNormal);
  value_.ClearMask();
}

}  // namespace app
