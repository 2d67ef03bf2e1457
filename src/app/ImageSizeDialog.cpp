// "画像サイズの設定": the size in pixels, millimetres, centimetres or
// inches at a resolution, with the ratio optionally kept, the background,
// the page frame and how the area outside the page shows.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/AppStrings.h"
#include "app/CColButton.h"
#include "app/SettingsDialogs.h"
#include "platform/Hooks.h"

namespace app {

using namespace dialogs;

namespace {

enum Unit : int { kPixels = 0, kMillimetres = 1, kCentimetres = 2, kInches = 3 };

// How many of the unit make an inch; pixels go by the resolution.
double UnitsPerInch(int unit, int dpi) {
  switch (unit) {
    case kPixels: return dpi;
    case kMillimetres: return 25.4;
    case kCentimetres: return 2.54;
    default: return 1.0;
  }
}

// A side's share of its size at the start; a side that started empty has
// no ratio to give and counts as unchanged.
double SideRatio(double side, double start) { return start > 0 ? side / start : 1.0; }

// Whole pixels, cut toward zero. A size shown in another unit comes back
// through 15 digits of text; the allowance keeps 4000 pixels shown as
// 13.3333333333333 inches from coming back as 3999.
double CutToPixels(double pixels) { return std::trunc(pixels + (pixels < 0 ? -1e-6 : 1e-6)); }

QStringList UnitNames() {
  return {QStringLiteral("ピクセル"), QStringLiteral("mm"), QStringLiteral("cm"), QStringLiteral("inch")};
}

}  // namespace

CImageSizeDialog::CImageSizeDialog(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("画像サイズの設定"));
  QLineEdit* widthEdit = MakeEdit(this, 1039, 8);
  QLineEdit* heightEdit = MakeEdit(this, 1040, 8);
  QComboBox* widthUnitBox = MakeDropList(this, 1043, UnitNames());
  QComboBox* heightUnitBox = MakeDropList(this, 1048, UnitNames());
  QCheckBox* keep = MakeCheckBox(this, 1041, QStringLiteral("等倍"));
  connect(widthEdit, &QLineEdit::textChanged, this, [this] { onSideEdited(true); });
  connect(heightEdit, &QLineEdit::textChanged, this, [this] { onSideEdited(false); });
  connect(widthUnitBox, &QComboBox::currentIndexChanged, this, [this] { onUnitChanged(true); });
  connect(heightUnitBox, &QComboBox::currentIndexChanged, this, [this] { onUnitChanged(false); });
  connect(keep, &QCheckBox::clicked, this, &CImageSizeDialog::onKeepRatioClicked);

  resolution_ = MakeResolutionGroup(this, QStringLiteral("解像度"));
  ConnectPresets(this, resolution_, preset, dpi);

  backgroundButton_ = MakeColorButton(this, 1118);
  frameButton_ = MakeColorButton(this, 1127);

  auto* size = new QVBoxLayout;
  size->addLayout(Row({Text(this, QStringLiteral("幅")), widthEdit, widthUnitBox}));
  size->addLayout(Row({Text(this, QStringLiteral("高さ")), heightEdit, heightUnitBox}));
  size->addWidget(keep);
  size->addWidget(MakeCheckBox(this, 1112, QStringLiteral("図形も同比率で拡大縮小")));
  auto* background = new QVBoxLayout;
  background->addLayout(Row({backgroundButton_}));
  background->addWidget(MakeCheckBox(this, 1119, QStringLiteral("GIFとPNG書き出しで背景を透過")));
  QLabel* note = Text(this, QStringLiteral("（設定を変えるとドキュメントにも反映されます）"));
  note->setObjectName(QStringLiteral("1120"));
  background->addWidget(note);
  auto* frame = new QVBoxLayout;
  frame->addLayout(Row({frameButton_, MakeEdit(this, 1128, 3), Text(this, QStringLiteral("pt"))}));
  auto* outside = new QVBoxLayout;
  outside->addLayout(Row({MakeRadio(this, 1124, QStringLiteral("表示")), MakeRadio(this, 1125, QStringLiteral("半透明")),
                          MakeRadio(this, 1126, QStringLiteral("隠す"))}));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(size);
  layout->addWidget(resolution_.group);
  layout->addWidget(MakeGroup(this, QStringLiteral("背景色"), background));
  layout->addWidget(MakeGroup(this, QStringLiteral("枠線の色と太さ"), frame));
  layout->addWidget(MakeGroup(this, QStringLiteral("枠外の表示"), outside, 1129));
  layout->addLayout(OkCancelRow(this));
}

CImageSizeDialog::~CImageSizeDialog() = default;

int CImageSizeDialog::ResolutionPresetIndex(int dpi) {
  switch (dpi) {
    case 72: return 0;
    case 144: return 1;
    case 300: return 2;
    default: return 3;
  }
}

void CImageSizeDialog::KeepOriginalSize() {
  baseWidth = width;
  baseHeight = height;
}

void CImageSizeDialog::OnInitDialog() {
  if (!title.empty()) setWindowTitle(QString::fromStdString(title));
  startWidth = width;
  startHeight = height;
  // An exported image has no shapes to scale; the note on the page's own
  // settings only concerns the page.
  Item<QCheckBox>(1112)->setEnabled(!exportMode);
  Item<QLabel>(1120)->setVisible(exportMode);
}

void CImageSizeDialog::DoDataExchange(DataExchange& dx) {
  dx.Double(Item<QLineEdit>(1039), width, 0, kMaxSide);
  dx.Double(Item<QLineEdit>(1040), height, 0, kMaxSide);
  dx.Combo(Item<QComboBox>(1043), widthUnit);
  dx.Combo(Item<QComboBox>(1048), heightUnit);
  dx.Check(Item<QCheckBox>(1041), keepRatio);
  dx.Check(Item<QCheckBox>(1112), scaleShapes);
  dx.Radio(resolution_.presets, preset);
  dx.Int(resolution_.dpiEdit, dpi, 30, 600);
  dx.Color(backgroundButton_, backgroundColor);
  dx.Check(Item<QCheckBox>(1119), transparentBackground);
  dx.Color(frameButton_, frameColor);
  dx.Int(Item<QLineEdit>(1128), frameWidth, 0, 100);
  dx.Radio({Item<QAbstractButton>(1124), Item<QAbstractButton>(1125), Item<QAbstractButton>(1126)}, outsideDisplay);
}

void CImageSizeDialog::AfterExchange() { resolution_.dpiEdit->setEnabled(preset == 3); }

// Both drop lists always show one unit: choosing in one converts the sizes
// from the unit the other still shows, then sets the other to match.
void CImageSizeDialog::onUnitChanged(bool widthCombo) {
  if (IsExchanging()) return;
  QComboBox* chosen = Item<QComboBox>(widthCombo ? 1043 : 1048);
  QComboBox* other = Item<QComboBox>(widthCombo ? 1048 : 1043);
  const int newUnit = chosen->currentIndex();
  const int oldUnit = other->currentIndex();
  if (!UpdateData(true)) {
    // The sizes cannot be converted: the choice is taken back.
    const QSignalBlocker blocker(chosen);
    chosen->setCurrentIndex(oldUnit);
    widthUnit = heightUnit = oldUnit;
    return;
  }
  widthUnit = heightUnit = newUnit;
  const double factor = UnitsPerInch(newUnit, dpi) / UnitsPerInch(oldUnit, dpi);
  width *= factor;
  height *= factor;
  if (newUnit == kPixels) {
    width = CutToPixels(width);
    height = CutToPixels(height);
  }
  UpdateData(false);
}

void CImageSizeDialog::onKeepRatioClicked() {
  if (!UpdateData(true)) return;
  baseWidth = width;
  baseHeight = height;
}

// With the ratio kept, the other side follows the one being typed; a value
// that does not read yet changes nothing (and shows no message).
void CImageSizeDialog::onSideEdited(bool widthEdit) {
  if (changeGuard_ || IsExchanging() || !ReadQuietly() || !keepRatio) return;
  if (std::fabs(baseWidth) < 0.0001 || std::fabs(baseHeight) < 0.0001) return;
  const double other = widthEdit ? std::fabs(baseHeight) * width / std::fabs(baseWidth)
                                 : std::fabs(baseWidth) * height / std::fabs(baseHeight);
  const QString text = heightUnit == kPixels ? QString::number(std::trunc(other), 'f', 0)
                                             : QString::asprintf("%.3f", other);
  changeGuard_ = true;
  Item<QLineEdit>(widthEdit ? 1040 : 1039)->setText(text);
  changeGuard_ = false;
}

// The fields come back in pixels. A refused size leaves the controls as
// the user left them: the next OK reads and converts them again.
bool CImageSizeDialog::OnOK() {
  const double pixelsPerUnit = dpi / UnitsPerInch(heightUnit, dpi);
  width = CutToPixels(pixelsPerUnit * width);
  height = CutToPixels(pixelsPerUnit * height);
  widthUnit = heightUnit = kPixels;
  scale = (SideRatio(width, startWidth) + SideRatio(height, startHeight)) * 0.5;
  if (width > kMaxSide || height > kMaxSide) {
    const QString side = QString::number(kMaxSide);
    platform::ShowMessage(FillInString(kStrImageTooLarge, "%d", {side, side}), "Pennet",
                          platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  if (width < kMinSide || height < kMinSide) {
    platform::ShowMessage(LoadAppString(kStrImageTooSmall), "Pennet", platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  return true;
}

}  // namespace app
