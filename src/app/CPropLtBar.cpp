#include "app/CPropLtBar.h"

#include <QGridLayout>
#include <QLabel>

#include "app/CFCButton.h"
#include "app/CLAngButton.h"
#include "app/CMySliderCtrl.h"
#include "app/PropBarMenus.h"

namespace app {
namespace {

using page::PropLTVal;

enum : int {
  kTipPad = 151,
  kTipBrightness = 152,
  kTipContrast = 153,
  kTipShading = 154,
  kPadIcon = 184,
};

}  // namespace

CPropLtBar::CPropLtBar(QWidget* parent) : CHideDlgBar(parent) {
  setObjectName(QStringLiteral("CPropLtBar"));
  BuildControls();
  LoadControls();
}

void CPropLtBar::BuildControls() {
  pad_ = new CLAngButton(this);
  pad_->setFixedSize(180, 90);
  pad_->SetIconId(kPadIcon);
  SetTip(pad_, kTipPad);
  brightness_ = MakeSlider(0, 100, {});
  contrast_ = MakeSlider(0, 100, {});
  SetTip(brightness_, kTipBrightness);
  SetTip(contrast_, kTipContrast);
  brightnessText_ = new QLabel(this);
  contrastText_ = new QLabel(this);
  shading_ = new CFCButton(this);
  shading_->SetMenu(ShadingMenu());
  shading_->setFixedSize(72, 20);
  SetTip(shading_, kTipShading);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->addWidget(pad_, 0, 0, 1, 3);
  grid->addWidget(MakeLabel(QStringLiteral("明るさ")), 1, 0);
  grid->addWidget(brightness_, 1, 1);
  grid->addWidget(brightnessText_, 1, 2);
  grid->addWidget(MakeLabel(QStringLiteral("コントラスト")), 2, 0);
  grid->addWidget(contrast_, 2, 1);
  grid->addWidget(contrastText_, 2, 2);
  // The fill-type caption keeps the ordinary text colour.
  grid->addWidget(new QLabel(QStringLiteral("塗り"), this), 3, 0);
  grid->addWidget(shading_, 3, 1);
  grid->setRowStretch(4, 1);

  connect(pad_, &CLAngButton::sigPressed, this, [this] { Apply(PropLTVal::kDirection, 1); });
  connect(pad_, &CLAngButton::sigDragged, this, [this] { Apply(PropLTVal::kDirection, 0); });
  const std::pair<CMySliderCtrl*, int> sliders[] = {{brightness_, PropLTVal::kBrightness},
                                                    {contrast_, PropLTVal::kContrast}};
  for (const auto& [slider, bit] : sliders) {
    connect(slider, &CMySliderCtrl::sigPressed, this, [this, bit = bit] { Apply(bit, 1); });
    connect(slider, &CMySliderCtrl::sigScroll, this, [this, bit = bit] { Apply(bit, 0); });
  }
  connect(shading_, &CFCButton::sigSelected, this, [this] { Apply(PropLTVal::kShading, 1); });
}

void CPropLtBar::ShowValues(const page::PropLTVal& value) {
  value_ = value;
  LoadControls();
  update();
}

void CPropLtBar::LoadControls() {
  pad_->SetAngles(value_.lightHorizontal, value_.lightVertical);
  brightness_->setValue(value_.brightness);
  contrast_->setValue(value_.contrast);
  shading_->SetValue(value_.shading);
  ShowTexts();
}

void CPropLtBar::ReadControls() {
  const PadAngles angles = pad_->GetAngles();
  value_.lightHorizontal = angles.horizontal;
  value_.lightVertical = angles.vertical;
  value_.brightness = brightness_->value();
  value_.contrast = contrast_->value();
  value_.shading = shading_->Value();
}

void CPropLtBar::ShowTexts() {
  brightnessText_->setText(QString::number(brightness_->value()));
  contrastText_->setText(QString::number(contrast_->value()));
}

void CPropLtBar::Apply(int bits, int newCommand) {
  ShowTexts();
  value_.mask |= bits;
  ReadControls();
  ApplyValue(value_, newCommand, kRedrawNormal);
}

}  // namespace app
