#include "app/CPropAtmBar.h"

#include <QGridLayout>

#include "app/CColButton.h"
#include "app/CImageButton.h"

namespace app {
namespace {

struct StyleSpec {
  const char* caption;
  int tooltip;
  int picture;
};

// In the order of CPropAtmBar::kStyleCodes.
constexpr StyleSpec kStyleButtons[CPropAtmBar::kStyleCount] = {
    {"アニメ", 240, 298}, {"外線", 241, 299},   {"リアル", 242, 300},   {"線なし", 243, 301},
    {"シルエ", 244, 302}, {"線", 245, 303},     {"単色", 246, 304},     {"実アニ", 247, 305},
    {"３線無", 248, 306}, {"白黒", 249, 307},   {"ぼかし", 252, 308},   {"グレー", 250, 309},
    {"太アニメ", 253, 310}, {"アニ影", 254, 311}, {"線無影", 255, 312}, {"アニべた", 423, 427},
    {"金色", 424, 428},   {"石像", 425, 429},   {"中アニメ", 426, 430},
};

constexpr int kTipColor = 251;
constexpr platform::COLORREF kStartColor = platform::MakeRgb(150, 150, 250);
constexpr int kColumns = 4;

}  // namespace

CPropAtmBar::CPropAtmBar(QWidget* parent) : CHideDlgBar(parent) {
  setObjectName(QStringLiteral("CPropAtmBar"));
  BuildControls();
  UpdateStyleButtons();
}

void CPropAtmBar::BuildControls() {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setSpacing(2);
  for (int i = 0; i < kStyleCount; ++i) {
    const StyleSpec& spec = kStyleButtons[i];
    auto* button = new CImageButton(QString::fromUtf8(spec.caption), this);
    button->SetButtonPicture(spec.picture);
    button->setFixedSize(44, 36);
    SetTip(button, spec.tooltip);
    styles_[static_cast<std::size_t>(i)] = button;
    grid->addWidget(button, i / kColumns, i % kColumns);
    const int code = kStyleCodes[static_cast<std::size_t>(i)];
    connect(button, &CImageButton::clicked, this, [this, code] { ChooseStyle(code); });
  }
  color_ = new CColButton(true, this);
  color_->SetColor(kStartColor);
  color_->setFixedSize(44, 20);
  SetTip(color_, kTipColor);
  grid->addWidget(color_, kStyleCount / kColumns, kStyleCount % kColumns);
  grid->setRowStretch(kStyleCount / kColumns + 1, 1);
  connect(color_, &CColButton::sigColorCommand, this,
          [this](int, unsigned previousColor, int) { onColorCommand(previousColor); });
}

CImageButton* CPropAtmBar::ButtonOfStyle(int code) const {
  for (std::size_t i = 0; i < kStyleCodes.size(); ++i)
    if (kStyleCodes[i] == code) return styles_[i];
  return nullptr;
}

void CPropAtmBar::Show2DValues(const page::Prop2DVal& value) {
  value2D_ = value;
  UpdateStyleButtons();
}

void CPropAtmBar::ShowLTValues(const page::PropLTVal& value) {
  valueLT_.mask = value.mask;
  valueLT_.lightVertical = value.lightVertical;
  valueLT_.lightHorizontal = value.lightHorizontal;
  valueLT_.brightness = value.brightness;
  valueLT_.contrast = value.contrast;
  valueLT_.shading = value.shading;
  UpdateStyleButtons();
}

void CPropAtmBar::SetColor(platform::COLORREF color) {
  color_->SetColor(color);
  UpdateStyleButtons();
}

platform::COLORREF CPropAtmBar::GetColor() const { return color_->Color(); }

bool CPropAtmBar::Matches(int code, platform::COLORREF color) const {
  return value2D_.IsStylePreset(code, color) && valueLT_.IsStylePreset(code, color);
}

void CPropAtmBar::UpdateStyleButtons() {
  for (std::size_t i = 0; i < styles_.size(); ++i) styles_[i]->SetCheck(Matches(kStyleCodes[i], GetColor()) ? 1 : 0);
}

void CPropAtmBar::ChooseStyle(int code, bool forced) {
  UpdateStyleButtons();
  if (!forced && Matches(code, GetColor())) return;
  value2D_.ApplyStylePreset(code, GetColor());
  valueLT_.ApplyStylePreset(code, 0);
  page::PropVal* const values[] = {&value2D_, &valueLT_};
  ApplyValues(values, 1, kRedrawNormal);
  value2D_.ClearMask();
  valueLT_.ClearMask();
  UpdateStyleButtons();
}

// The colour belongs to the styles that use it: one in force is set again
// with the new colour; others only keep the colour for later.
void CPropAtmBar::onColorCommand(platform::COLORREF previousColor) {
  for (const int code : kColouredStyles) {
    if (Matches(code, previousColor)) {
      ChooseStyle(code, true);
      return;
    }
  }
  UpdateStyleButtons();
}

}  // namespace app
