#include "app/CProp3DBar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>

#include "app/CImageButton.h"
#include "app/CLAngButton.h"
#include "app/CMySliderCtrl.h"
#include "page/PnGlobal.h"

namespace app {
namespace {

using page::Prop3DVal;

enum : int {
  kTipPad = 256,
  kTipSnap = 257,
  kTipLens = 162,
  kTipShow = 262,
  kPictureFirstLens = 314,  // to 317
  kPictureShow = 318,
  kPadIcon = 187,
};

constexpr int kPadChange = Prop3DVal::kVerticalAngle | Prop3DVal::kHorizontalAngle | Prop3DVal::kLens |
                           Prop3DVal::kReserved;

bool IsOn(const CImageButton* button) { return (button->GetState() & CImageButton::kStatePushed) != 0; }

}  // namespace

CProp3DBar::CProp3DBar(QWidget* parent) : CHideDlgBar(parent) {
  setObjectName(QStringLiteral("CProp3DBar"));
  BuildControls();
  ConnectControls();
  LoadControls();
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &CProp3DBar::OnTimer);
  timer_->start(300);
  OnTimer();
}

void CProp3DBar::BuildControls() {
  pad_ = new CLAngButton(this);
  pad_->setFixedSize(180, 90);
  pad_->SetIconId(kPadIcon);
  pad_->SetSnap(true);
  pad_->SetMoveAllowed(true);
  SetTip(pad_, kTipPad);
  snap_ = new QCheckBox(QStringLiteral("吸着"), this);
  snap_->setChecked(true);
  SetTip(snap_, kTipSnap);
  lens_ = MakeSlider(0, kLensSliderMax, {40, 89, 125, 170});
  SetTip(lens_, kTipLens);
  distance_ = MakeSlider(0, 100, {25, 50, 75});
  const char* lensCaptions[] = {"広角", "標準", "望遠", "平行"};
  for (std::size_t i = 0; i < lensButtons_.size(); ++i) {
    lensButtons_[i] = new CImageButton(QString::fromUtf8(lensCaptions[i]), this);
    lensButtons_[i]->SetButtonPicture(kPictureFirstLens + static_cast<int>(i));
    lensButtons_[i]->setFixedSize(36, 24);
  }
  show_ = new CImageButton(QStringLiteral("具"), this);
  show_->SetButtonPicture(kPictureShow);
  show_->SetShiftWhenPressed(false);
  show_->setFixedSize(24, 24);
  SetTip(show_, kTipShow);
  const page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get();
  show_->SetCheck(prefs == nullptr || prefs->mShow3DTool != 0 ? 1 : 0);

  const char* labelTexts[] = {"上下", "左右", "レンズ", "距離", "近い ← → 遠い"};
  for (std::size_t i = 0; i < labels_.size(); ++i) labels_[i] = MakeLabel(QString::fromUtf8(labelTexts[i]));
  verticalText_ = new QLabel(this);
  horizontalText_ = new QLabel(this);
  lensText_ = new QLabel(this);
  distanceText_ = new QLabel(this);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 12, 4, 4);
  grid->addWidget(pad_, 0, 0, 1, 4);
  grid->addWidget(show_, 0, 4, Qt::AlignTop);
  grid->addWidget(labels_[0], 1, 0);
  grid->addWidget(verticalText_, 1, 1);
  grid->addWidget(labels_[1], 1, 2);
  grid->addWidget(horizontalText_, 1, 3);
  grid->addWidget(snap_, 1, 4);
  grid->addWidget(labels_[2], 2, 0);
  grid->addWidget(lens_, 2, 1, 1, 3);
  grid->addWidget(lensText_, 2, 4);
  for (std::size_t i = 0; i < lensButtons_.size(); ++i) grid->addWidget(lensButtons_[i], 3, static_cast<int>(i));
  grid->addWidget(labels_[3], 4, 0);
  grid->addWidget(distance_, 4, 1, 1, 3);
  grid->addWidget(distanceText_, 4, 4);
  grid->addWidget(labels_[4], 5, 1, 1, 3);
  grid->setRowStretch(6, 1);
}

void CProp3DBar::ConnectControls() {
  for (CMySliderCtrl* slider : {lens_, distance_}) {
    connect(slider, &CMySliderCtrl::sigPressed, this, [this, slider] { OnSliderPressed(slider); });
    connect(slider, &CMySliderCtrl::sigScroll, this, [this, slider] { OnSliderScroll(slider); });
    connect(slider, &CMySliderCtrl::sigBeforeRelease, this, [this, slider] { OnSliderBeforeRelease(slider); });
    connect(slider, &CMySliderCtrl::sigAfterRelease, this, [this] { ignoreScroll_ = false; });
  }
  for (std::size_t i = 0; i < lensButtons_.size(); ++i)
    connect(lensButtons_[i], &CImageButton::clicked, this, [this, i] { OnLensButton(static_cast<int>(i)); });
  connect(pad_, &CLAngButton::sigPressed, this, [this] { OnPad({1, false, kRedrawDragging}); });
  connect(pad_, &CLAngButton::sigDragged, this, [this] { OnPad({0, false, kRedrawDragging}); });
  connect(pad_, &CLAngButton::sigSnapped, this, [this] { OnPad({0, true, kRedrawNormal}); });
  connect(pad_, &CLAngButton::sigReleased, this, [this] { OnPad({0, false, kRedrawNormal}); });
  connect(snap_, &QCheckBox::toggled, this, [this](bool on) {
    pad_->SetSnap(on);
    pad_->update();
  });
}

std::vector<QWidget*> CProp3DBar::LensGroup() const {
  std::vector<QWidget*> group{lens_, distance_, snap_, verticalText_, horizontalText_, lensText_, distanceText_};
  group.insert(group.end(), lensButtons_.begin(), lensButtons_.end());
  group.insert(group.end(), labels_.begin(), labels_.end());
  return group;
}

// ---- values and controls -------------------------------------------------------

void CProp3DBar::ShowValues(const page::Prop3DVal& value) {
  value_ = value;
  LoadControls();
  update();
}

void CProp3DBar::LoadControls() {
  pad_->SetAngles(value_.horizontalAngle, -value_.verticalAngle);
  lens_->setValue(kLensSliderMax - value_.lens);
  distance_->setValue(value_.distance);
  ShowAngleTexts();
  ShowLensText();
  ShowDistanceText();
}

void CProp3DBar::ReadControls() {
  const PadAngles angles = pad_->GetAngles();
  value_.horizontalAngle = angles.horizontal;
  value_.verticalAngle = -angles.vertical;
  value_.lens = kLensSliderMax - lens_->value();
  value_.distance = distance_->value();
}

void CProp3DBar::ShowLensText() { lensText_->setText(QString::number(kLensSliderMax - lens_->value())); }
void CProp3DBar::ShowDistanceText() { distanceText_->setText(QString::number(distance_->value())); }
void CProp3DBar::ShowAngleTexts() {
  const PadAngles angles = pad_->GetAngles();
  horizontalText_->setText(QString::number(angles.horizontal));
  verticalText_->setText(QString::number(-angles.vertical));
}

void CProp3DBar::Apply(int newCommand, int mode) {
  ReadControls();
  ApplyValue(value_, newCommand, mode);
  value_.ClearMask();
}

// ---- sliders and lens buttons ------------------------------------------------------

void CProp3DBar::TakeSlider(CMySliderCtrl* slider) {
  if (slider == lens_) {
    ShowLensText();
    value_.mask |= Prop3DVal::kLens;
  } else {
    ShowDistanceText();
    value_.mask |= Prop3DVal::kDistance;
  }
}

void CProp3DBar::OnSliderPressed(CMySliderCtrl* slider) {
  ignoreScroll_ = false;
  TakeSlider(slider);
  Apply(1, kRedrawDragging);
}

void CProp3DBar::OnSliderScroll(CMySliderCtrl* slider) {
  if (ignoreScroll_) return;
  TakeSlider(slider);
  Apply(0, kRedrawDragging);
}

// The end of a drag is drawn fully; the slider's own scroll after the
// release would only draw it fast again.
void CProp3DBar::OnSliderBeforeRelease(CMySliderCtrl* slider) {
  TakeSlider(slider);
  Apply(0, kRedrawNormal);
  ignoreScroll_ = true;
}

void CProp3DBar::OnLensButton(int index) {
  lens_->setValue(kLensPositions[static_cast<std::size_t>(index)]);
  TakeSlider(lens_);
  lens_->setFocus(Qt::OtherFocusReason);
  Apply(1, kRedrawNormal);
  for (std::size_t i = 0; i < lensButtons_.size(); ++i)
    lensButtons_[i]->SetCheck(lens_->value() == kLensPositions[i] ? 1 : 0);
}

// ---- the angle pad -----------------------------------------------------------------

void CProp3DBar::OnPad(PadNotice notice) {
  if (pad_->IsMoving()) {
    // Ctrl-drag pans the first selected figure; other shapes leave the
    // calculation undone, and nothing is applied.
    const POINT offset = pad_->TakeMoveOffset();
    page::Calc3DMoveVal move;
    move.dx = offset.x;
    move.dy = offset.y;
    page::PnGlobal::Get().RunCalcOnSelection(move);
    if (!move.done) return;
    value_.targetX = move.targetX;
    value_.targetY = move.targetY;
    value_.targetZ = move.targetZ;
    value_.mask |= Prop3DVal::kTarget;
    ApplyValue(value_, notice.newCommand, notice.mode);
    value_.ClearMask();
    return;
  }
  ReadControls();
  value_.mask |= kPadChange;
  if (notice.lensSwap) {
    // An exact front, side or top view is drawn in parallel projection; the
    // lens is kept to come back with the next press.
    if (value_.reserved == -1) {
      value_.reserved = value_.lens;
      value_.lens = 0;
    }
  } else if (value_.reserved != -1) {
    value_.lens = value_.reserved;
    value_.reserved = -1;
  }
  ApplyValue(value_, notice.newCommand, notice.mode);
  value_.ClearMask();
  ShowAngleTexts();
}

// ---- timer ------------------------------------------------------------------------------

void CProp3DBar::OnTimer() {
  if (LeftButtonDown()) return;
  const bool show = IsOn(show_);
  if (page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get()) prefs->mShow3DTool = show ? 1 : 0;
  for (std::size_t i = 0; i < lensButtons_.size(); ++i)
    lensButtons_[i]->SetCheck(lens_->value() == kLensPositions[i] ? 1 : 0);
  for (QWidget* control : LensGroup()) control->setVisible(show);
}

}  // namespace app
