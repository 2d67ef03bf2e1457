#include "app/CBodyMixDialog.h"

#include <QApplication>
#include <algorithm>
#include <cmath>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppStrings.h"
#include "app/CLAngButton.h"
#include "app/CLibMixContain.h"
#include "app/CMySliderCtrl.h"
#include "app/DialogControls.h"
#include "facade/KxLibV.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "platform/Dc.h"
#include "platform/FileDialog.h"
#include "platform/Hooks.h"
#include "platform/Image.h"

namespace app {

namespace {

constexpr int kAngleIcon = 185;
constexpr int kFatalLine = 99;
constexpr int kSliderIds[] = {CBodyMixDialog::kRatio, CBodyMixDialog::kSize, CBodyMixDialog::kUpDown,
                              CBodyMixDialog::kFrontBack};

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The wait cursor while a part is read or the person saved.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

int LabelOf(int slider) {
  switch (slider) {
    case CBodyMixDialog::kFrontBack: return CBodyMixDialog::kFrontBackLabel;
    case CBodyMixDialog::kUpDown: return CBodyMixDialog::kUpDownLabel;
    case CBodyMixDialog::kSize: return CBodyMixDialog::kSizeLabel;
    default: return CBodyMixDialog::kRatioLabel;
  }
}

}  // namespace

// ---- the preview -------------------------------------------------------------------------------

CMixViewButton::CMixViewButton(QWidget* parent) : QAbstractButton(parent) {
  setObjectName(QString::number(CBodyMixDialog::kPreview));
  setText(QStringLiteral("3D表示"));
  setMinimumSize(240, 320);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CMixViewButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (mix_ == nullptr) return;
  platform::Image picture;
  if (!picture.Create(width(), height(), 32)) return;
  {
    platform::Dc dc(picture);
    if (mix_->DrawPreview(dc, platform::RECT{0, 0, width(), height()}) != 0) return;
  }
  const QImage shown(picture.Bits(), picture.Width(), picture.Height(), picture.Pitch(), QImage::Format_RGB32);
  painter.drawImage(0, 0, shown);
}

// ---- the dialog ----------------------------------------------------------------------------------

CBodyMixDialog::CBodyMixDialog(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("人物の合成"));
}

CBodyMixDialog::~CBodyMixDialog() = default;

int CBodyMixDialog::PrepareMix() {
  mix_ = std::make_unique<page::SMix>();
  heightCm_ = mix_->targetHeight;
  const int result = mix_->LoadDefaults(false);
  if (result != 0) mix_.reset();
  return result;
}

CMySliderCtrl* CBodyMixDialog::Slider(int id) const { return Item<CMySliderCtrl>(id); }

void CBodyMixDialog::DoDataExchange(DataExchange& dx) { dx.Int(Item<QLineEdit>(kHeight), heightCm_, 10, 500); }

void CBodyMixDialog::OnInitDialog() {
  if (!mix_) page::PnGlobal::FatalError("BodyMixDialog", kFatalLine);
  BuildControls();
  for (int id : kSliderIds) UpdateSliderLabel(id);
}

void CBodyMixDialog::BuildControls() {
  using dialogs::MakeButton;
  using dialogs::Text;
  partPages_ = new CLibMixContain(page::PnGlobal::Get().GetDataFolder(), this);
  partPages_->setMinimumWidth(200);
  connect(partPages_, &CLibMixContain::sigPartChosen, this,
          [this](int request, const QString& path) { OnPartChosen(request, path.toStdString()); });

  const auto slider = [this](int id, const char* caption, int tip, QBoxLayout* into) {
    auto* control = new CMySliderCtrl(this);
    control->setObjectName(QString::number(id));
    control->setRange(0, 100);
    control->setValue(50);
    control->setToolTip(Q(LoadAppString(tip)));
    auto* label = new QLabel(this);
    label->setObjectName(QString::number(LabelOf(id)));
    label->setMinimumWidth(32);
    connect(control, &CMySliderCtrl::sigScroll, this, [this, id] { OnSlider(id); });
    into->addLayout(dialogs::Row({Text(this, QString::fromUtf8(caption)), control, label}));
  };
  auto* whole = new QVBoxLayout;
  slider(kRatio, "頭身", kStrMixSliderTip, whole);
  whole->addLayout(
      dialogs::Row({Text(this, QStringLiteral("身長")), dialogs::MakeEdit(this, kHeight, 4), Text(this, QStringLiteral("cm"))}));
  auto* selected = new QVBoxLayout;
  slider(kSize, "大小", kStrMixSliderTip + 1, selected);
  slider(kUpDown, "上下", kStrMixSliderTip + 2, selected);
  slider(kFrontBack, "前後", kStrMixSliderTip + 3, selected);
  QPushButton* next = MakeButton(this, kSelectNext, QStringLiteral("選択切替"));
  QPushButton* remove = MakeButton(this, kDelete, QStringLiteral("削除"));
  remove->setToolTip(Q(LoadAppString(kStrMixDeleteTip)));
  selected->addLayout(dialogs::Row({next, remove}));
  connect(next, &QPushButton::clicked, this, &CBodyMixDialog::OnSelectNext);
  connect(remove, &QPushButton::clicked, this, &CBodyMixDialog::OnDelete);

  angleButton_ = new CLAngButton(this);
  angleButton_->setObjectName(QString::number(kAngle));
  angleButton_->SetIconId(kAngleIcon);
  angleButton_->setFixedSize(180, 90);
  // The pad starts where the preview's camera looks from.
  double x = 0, y = 0, z = 0;
  mix_->Figure().GetView().GetCameraAngles(x, y, z);
  const auto degrees = [](double radians, int limit) {
    double d = std::remainder(radians * 180 / M_PI, 360.0);
    return static_cast<int>(std::lround(std::clamp(d, -double(limit), double(limit))));
  };
  angleButton_->SetAngles(degrees(x, 180), degrees(y, 90));
  connect(angleButton_, &CLAngButton::sigPressed, this, &CBodyMixDialog::OnAngle);
  connect(angleButton_, &CLAngButton::sigDragged, this, &CBodyMixDialog::OnAngle);

  // "保存" keeps the dialog open; "終了" asks before an unsaved person goes.
  QPushButton* save = MakeButton(this, kSave, QStringLiteral("保存"));
  QPushButton* close = MakeButton(this, kClose, QStringLiteral("終了"));
  save->setToolTip(Q(LoadAppString(kStrMixSaveTip)));
  close->setToolTip(Q(LoadAppString(kStrMixCloseTip)));
  for (QPushButton* button : {save, close, next, remove}) button->setAutoDefault(false);
  connect(save, &QPushButton::clicked, this, [this] { OnSave(); });
  connect(close, &QPushButton::clicked, this, &CBodyMixDialog::OnClose);

  preview_ = new CMixViewButton(this);
  preview_->SetMix(mix_.get());

  auto* controls = new QVBoxLayout;
  controls->addWidget(dialogs::MakeGroup(this, QStringLiteral("全身"), whole, 1083));
  controls->addWidget(dialogs::MakeGroup(this, QStringLiteral("選択アイテム"), selected, 1084));
  controls->addWidget(Text(this, QStringLiteral("表示角度")));
  controls->addWidget(angleButton_, 0, Qt::AlignHCenter);
  controls->addStretch();
  controls->addLayout(dialogs::Row({save, close}));
  auto* left = new QVBoxLayout;
  left->addWidget(partPages_, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(controls);
  layout->addWidget(preview_, 1);
}

void CBodyMixDialog::UpdateSliderLabel(int id) {
  auto* label = Item<QLabel>(LabelOf(id));
  CMySliderCtrl* control = Slider(id);
  if (label == nullptr || control == nullptr) return;
  const int position = control->value();
  QString text = id == kRatio ? QString::asprintf("%3.1f", position * 0.1) : QString::number(position);
  if (text.isEmpty()) text = QString::number(position);
  label->setText(text);
}

void CBodyMixDialog::OnSlider(int id) {
  UpdateSliderLabel(id);
  const int position = Slider(id)->value();
  if (id == kRatio) {
    mix_->SetBodyRatio(position);
  } else {
    int size = 50, upDown = 50, frontBack = 50;
    mix_->GetSelectedPartValues(size, upDown, frontBack);
    (id == kSize ? size : id == kUpDown ? upDown : frontBack) = position;
    mix_->SetSelectedPartValues(size, upDown, frontBack);
  }
  RedrawPreview();
}

void CBodyMixDialog::ShowSelectedPartValues() {
  int size = 50, upDown = 50, frontBack = 50;
  mix_->GetSelectedPartValues(size, upDown, frontBack);
  Slider(kSize)->setValue(size);
  Slider(kUpDown)->setValue(upDown);
  Slider(kFrontBack)->setValue(frontBack);
  for (int id : {int{kSize}, int{kUpDown}, int{kFrontBack}}) UpdateSliderLabel(id);
  RedrawPreview();
}

void CBodyMixDialog::RedrawPreview() {
  if (preview_ != nullptr) preview_->RedrawPreview();
}

void CBodyMixDialog::OnPartChosen(int request, const std::string& path) {
  const int kind = request % 10;
  if (kind < 0 || kind > 3) return;
  int result = 0;
  {
    WaitCursor wait;
    result = request / 10 == 0 ? mix_->SetPartFile(kind, path) : mix_->AddPart(kind, path, true, false);
  }
  // The composition keeps what it had; the user hears why.
  if (result < 0) page::ReportErrorCode(result);
  ShowSelectedPartValues();
}

void CBodyMixDialog::OnAngle() {
  const PadAngles angles = angleButton_->GetAngles();
  mix_->SetViewAngles(angles.horizontal, angles.vertical);
  RedrawPreview();
}

void CBodyMixDialog::OnDelete() {
  mix_->DeleteSelectedPart();
  // A deleted item leaves nothing selected: the sliders show that.
  ShowSelectedPartValues();
}

void CBodyMixDialog::OnSelectNext() {
  mix_->SelectNextPart();
  ShowSelectedPartValues();
}

bool CBodyMixDialog::OnSave() {
  platform::FileDialogRequest request;
  request.save = true;
  request.title = LoadAppString(kStrMixSaveTitle);
  request.filters = platform::ParseFileFilter(LoadAppString(kStrMixFileFilter));
  request.defaultName = LoadAppString(kStrMixDefaultName);
  request.defaultExtension = LoadAppString(kStrPersonExtension);
  request.promptOverwrite = true;
  std::string path;
  if (!platform::RunFileDialog(request, path)) return false;
  // A height the range check refused is not saved with.
  if (!UpdateData(true)) return false;
  mix_->targetHeight = heightCm_;
  int result = 0;
  {
    WaitCursor wait;
    result = mix_->SaveComposedFigure(path);
  }
  if (result < 0) {
    page::ReportErrorCode(result);
    return false;
  }
  return true;
}

void CBodyMixDialog::OnClose() {
  if (closing_) return;
  if (mix_ && !mix_->IsSaved()) {
    const int answer = platform::ShowMessage(LoadAppString(kStrMixNotSaved), "Pennet",
                                             platform::kMbYesNoCancel | platform::kMbIconQuestion);
    if (answer == platform::kIdCancel) return;
    // The person the user asked to keep is not lost to a cancelled or
    // failed save.
    if (answer == platform::kIdYes && !OnSave()) return;
  }
  closing_ = true;
  done(QDialog::Rejected);
}

void CBodyMixDialog::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  event->ignore();
  OnClose();
}

}  // namespace app
