#include "app/CKageDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/CColButton.h"
#include "page/PnGlobal.h"

namespace app {
namespace {

constexpr int kOffsetMin = -100, kOffsetMax = 100;
constexpr int kBlurMax = 200;
constexpr int kWholeMax = 100;
constexpr int kBrightnessMin = -100, kBrightnessMax = 100;

CSpinEdit* MakeSpin(QWidget* parent, const char* id, int minimum, int maximum) {
  auto* spin = new CSpinEdit(parent);
  spin->setObjectName(QString::fromLatin1(id));
  spin->SetStepRange(minimum, maximum);
  spin->setMaximumWidth(90);
  return spin;
}

}  // namespace

CKageDialog::CKageDialog(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("効果設定"));
  BuildControls();
}

void CKageDialog::BuildControls() {
  auto* shadowGroup = new QGroupBox(QStringLiteral("図形の影/縁取り"), this);
  auto* shadow = new QGridLayout(shadowGroup);
  const char* modeTexts[] = {"影", "縁取り（半透明も縁取る）", "縁取り（半透明は縁なし）"};
  for (std::size_t i = 0; i < modes_.size(); ++i) {
    modes_[i] = new QRadioButton(QString::fromUtf8(modeTexts[i]), shadowGroup);
    modes_[i]->setObjectName(QString::number(1095 + static_cast<int>(i)));
    shadow->addWidget(modes_[i], static_cast<int>(i), 0, 1, 2);
    connect(modes_[i], &QRadioButton::clicked, this, &CKageDialog::onModeClicked);
  }
  color_ = new CColButton(false, shadowGroup);
  color_->setObjectName(QStringLiteral("1023"));
  color_->setFixedSize(40, 18);
  connect(color_, &CColButton::sigColorCommand, this, &CKageDialog::onColorCommand);
  shadow->addWidget(new QLabel(QStringLiteral("色"), shadowGroup), 3, 0);
  shadow->addWidget(color_, 3, 1);
  offsetX_ = MakeSpin(shadowGroup, "1020", kOffsetMin, kOffsetMax);
  offsetY_ = MakeSpin(shadowGroup, "1018", kOffsetMin, kOffsetMax);
  blur_ = MakeSpin(shadowGroup, "1016", 0, kBlurMax);
  shadow->addWidget(new QLabel(QStringLiteral("位置/幅(横 -100～100)"), shadowGroup), 4, 0);
  shadow->addWidget(offsetX_, 4, 1);
  shadow->addWidget(new QLabel(QStringLiteral("位置/幅(縦 -100～100)"), shadowGroup), 5, 0);
  shadow->addWidget(offsetY_, 5, 1);
  shadow->addWidget(new QLabel(QStringLiteral("ぼかし度(0～200)"), shadowGroup), 6, 0);
  shadow->addWidget(blur_, 6, 1);

  auto* effectGroup = new QGroupBox(QStringLiteral("効果"), this);
  auto* effect = new QGridLayout(effectGroup);
  wholeBlur_ = MakeSpin(effectGroup, "1074", 0, kWholeMax);
  edgeBlur_ = MakeSpin(effectGroup, "1075", 0, kWholeMax);
  brightness_ = MakeSpin(effectGroup, "1072", kBrightnessMin, kBrightnessMax);
  grayscale_ = new QCheckBox(QStringLiteral("グレースケール"), effectGroup);
  grayscale_->setObjectName(QStringLiteral("1076"));
  effect->addWidget(new QLabel(QStringLiteral("全体をぼかす(0～100)"), effectGroup), 0, 0);
  effect->addWidget(wholeBlur_, 0, 1);
  effect->addWidget(new QLabel(QStringLiteral("縁をぼかす(0～100)"), effectGroup), 1, 0);
  effect->addWidget(edgeBlur_, 1, 1);
  effect->addWidget(new QLabel(QStringLiteral("明度（-100～100）"), effectGroup), 2, 0);
  effect->addWidget(brightness_, 2, 1);
  effect->addWidget(grayscale_, 3, 0, 1, 2);

  apply_ = new QPushButton(QStringLiteral("適用"), this);
  defaults_ = new QPushButton(QStringLiteral("最初の設定"), this);
  apply_->setObjectName(QStringLiteral("1015"));
  defaults_->setObjectName(QStringLiteral("1022"));
  apply_->setAutoDefault(false);
  defaults_->setAutoDefault(false);
  connect(apply_, &QPushButton::clicked, this, &CKageDialog::onApply);
  connect(defaults_, &QPushButton::clicked, this, &CKageDialog::onDefaults);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  buttons->addButton(apply_, QDialogButtonBox::ApplyRole);
  buttons->addButton(defaults_, QDialogButtonBox::ResetRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(shadowGroup);
  layout->addWidget(effectGroup);
  layout->addWidget(buttons);
}

void CKageDialog::DoDataExchange(DataExchange& dx) {
  if (dx.ToControls()) {
    // The kind of effect rides in the blur field; the edit shows no blur then.
    if (value.effectBlur < 0) {
      effectMode = value.effectBlur == -1 ? kOutlineAll : kOutlineOpaque;
      value.effectBlur = 0;
    } else {
      effectMode = kShadow;
    }
    color_->SetColor(value.effectColor);
    color_->SetMode(value.effectColorMode);
  } else {
    value.effectColor = color_->Color();
    value.effectColorMode = color_->Mode();
  }
  dx.Radio({modes_[0], modes_[1], modes_[2]}, effectMode);
  // Offsets and blur matter only while an effect is drawn.
  const bool effectOn = value.effectColorMode == 0;
  dx.Int(offsetX_, value.effectX);
  if (effectOn) dx.IntRange(offsetX_, value.effectX, kOffsetMin, kOffsetMax);
  dx.Int(offsetY_, value.effectY);
  if (effectOn) dx.IntRange(offsetY_, value.effectY, kOffsetMin, kOffsetMax);
  dx.Int(blur_, value.effectBlur);
  if (effectOn) dx.IntRange(blur_, value.effectBlur, 0, kBlurMax);
  dx.Int(wholeBlur_, value.wholeBlur, 0, kWholeMax);
  dx.Int(edgeBlur_, value.edgeBlur, 0, kWholeMax);
  dx.Int(brightness_, value.brightness, kBrightnessMin, kBrightnessMax);
  dx.Check(grayscale_, value.grayscale);
  if (dx.FromControls() && !dx.Failed()) {
    if (effectMode == kOutlineAll) value.effectBlur = -1;
    if (effectMode == kOutlineOpaque) value.effectBlur = -2;
  }
}

void CKageDialog::AfterExchange() { EnableControls(); }

void CKageDialog::EnableControls() {
  int mode = kShadow;
  for (std::size_t i = 0; i < modes_.size(); ++i)
    if (modes_[i]->isChecked()) mode = static_cast<int>(i);
  const bool effectOn = color_->Mode() == 0;
  blur_->setEnabled(effectOn && mode == kShadow);
  offsetX_->setEnabled(effectOn);
  offsetY_->setEnabled(effectOn);
}

void CKageDialog::onModeClicked() { UpdateData(true); }

void CKageDialog::onColorCommand() { EnableControls(); }

void CKageDialog::onApply() {
  if (!UpdateData(true)) return;
  value.mask |= page::Prop2DVal::kEffects;
  page::PnGlobal::Get().ApplyPropValue(value, 1, 0);
}

void CKageDialog::onDefaults() {
  const page::Prop2DVal defaults;
  value.effectColorMode = defaults.effectColorMode;
  value.effectColor = defaults.effectColor;
  value.effectX = defaults.effectX;
  value.effectY = defaults.effectY;
  value.effectBlur = defaults.effectBlur;
  value.edgeBlur = defaults.edgeBlur;
  value.wholeBlur = defaults.wholeBlur;
  value.grayscale = defaults.grayscale;
  value.brightness = defaults.brightness;
  UpdateData(false);
  update();
}

}  // namespace app
