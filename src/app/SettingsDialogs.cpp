// The conversion-resolution, grid, size-and-position, selection-scale and
// options dialogs (the image-size dialog is in ImageSizeDialog.cpp).
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdint>
#include <cstdlib>

#include "app/CColButton.h"
#include "app/SettingsDialogs.h"
#include "page/AppPrefs.h"
#include "page/SGridInfo.h"

namespace app {

using namespace dialogs;

namespace {

QVBoxLayout* Column() { return new QVBoxLayout; }

// The caption the caller chose, else the dialog's own.
void TakeTitle(QWidget* dialog, const std::string& title) {
  if (!title.empty()) dialog->setWindowTitle(QString::fromStdString(title));
}

}  // namespace

// ---- conversion resolution ---------------------------------------------------

CConvToPicDialog::CConvToPicDialog(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("画像図形に変換"));
  resolution_ = MakeResolutionGroup(this, QStringLiteral("変換解像度"));
  ConnectPresets(this, resolution_, preset, dpi);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(resolution_.group);
  layout->addWidget(Text(this, QStringLiteral("解像度が高いほどきれいになりますが、ファイルは大きくなります。")));
  layout->addWidget(Text(this, QStringLiteral("値を指定するときは 30～600 DPI の範囲で入力してください。")));
  layout->addLayout(OkCancelRow(this));
}

CConvToPicDialog::~CConvToPicDialog() = default;

void CConvToPicDialog::OnInitDialog() { TakeTitle(this, title); }

void CConvToPicDialog::DoDataExchange(DataExchange& dx) {
  dx.Radio(resolution_.presets, preset);
  dx.Int(resolution_.dpiEdit, dpi, 30, 600);
}

void CConvToPicDialog::AfterExchange() { resolution_.dpiEdit->setEnabled(preset == 3); }

// ---- grid ------------------------------------------------------------------------

CGridDialog::CGridDialog(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("グリッドの設定"));
  lineColorButton_ = MakeColorButton(this, 1068);
  QPushButton* reset = MakeButton(this, 1069, QStringLiteral("最初の設定に戻す"));
  connect(reset, &QPushButton::clicked, this, &CGridDialog::onReset);

  QVBoxLayout* content = Column();
  content->addLayout(Row({Text(this, QStringLiteral("間隔")), MakeEdit(this, 1065, 4), Text(this, QStringLiteral("ピクセル"))}));
  content->addLayout(
      Row({Text(this, QStringLiteral("間隔の")), MakeEdit(this, 1067, 3), Text(this, QStringLiteral("分の１にスナップ"))}));
  content->addLayout(Row({Text(this, QStringLiteral("グリッド線の色")), lineColorButton_}));
  content->addLayout(Row({reset}));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeGroup(this, QStringLiteral("グリッド"), content));
  layout->addLayout(OkCancelRow(this));
}

CGridDialog::~CGridDialog() = default;

void CGridDialog::DoDataExchange(DataExchange& dx) {
  dx.Int(Item<QLineEdit>(1065), spacing, 1, 500);
  dx.Int(Item<QLineEdit>(1067), divisions, 1, 20);
  dx.Color(lineColorButton_, lineColor);
}

void CGridDialog::onReset() {
  const page::SGridInfo defaults;
  spacing = defaults.spacing;
  divisions = defaults.divisions;
  lineColor = defaults.lineColor;
  UpdateData(false);
  lineColorButton_->repaint();
}

// ---- size and position ---------------------------------------------------------

CObjMoveDialog::CObjMoveDialog(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("図形のサイズと位置の設定"));
  QLineEdit* widthEdit = MakeEdit(this, 1057);
  QLineEdit* heightEdit = MakeEdit(this, 1058);
  QCheckBox* keep = MakeCheckBox(this, 1059, QStringLiteral("等倍"));
  connect(keep, &QCheckBox::clicked, this, &CObjMoveDialog::onKeepRatioClicked);
  connect(widthEdit, &QLineEdit::textChanged, this, [this] { onSideEdited(true); });
  connect(heightEdit, &QLineEdit::textChanged, this, [this] { onSideEdited(false); });

  QVBoxLayout* size = Column();
  size->addLayout(Row({Text(this, QStringLiteral("幅")), widthEdit, Text(this, QStringLiteral("高さ")), heightEdit}));
  size->addWidget(keep);
  QVBoxLayout* centre = Column();
  centre->addLayout(Row({Text(this, QStringLiteral("Ｘ")), MakeEdit(this, 1060), Text(this, QStringLiteral("Ｙ")),
                         MakeEdit(this, 1061)}));
  QVBoxLayout* angleBox = Column();
  angleBox->addLayout(Row({MakeEdit(this, 1062, 3), Text(this, QStringLiteral("度"))}));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeGroup(this, QStringLiteral("サイズ"), size));
  layout->addWidget(MakeGroup(this, QStringLiteral("中心位置"), centre));
  layout->addWidget(MakeGroup(this, QStringLiteral("角度"), angleBox));
  layout->addLayout(OkCancelRow(this));
}

CObjMoveDialog::~CObjMoveDialog() = default;

void CObjMoveDialog::DoDataExchange(DataExchange& dx) {
  dx.Int(Item<QLineEdit>(1057), width, 1, 5000);
  dx.Int(Item<QLineEdit>(1058), height, 1, 5000);
  dx.Check(Item<QCheckBox>(1059), keepRatio);
  dx.Int(Item<QLineEdit>(1060), centreX, -5000, 5000);
  dx.Int(Item<QLineEdit>(1061), centreY, -5000, 5000);
  dx.Int(Item<QLineEdit>(1062), angle, 0, 360);
}

void CObjMoveDialog::onKeepRatioClicked() {
  if (!UpdateData(true)) return;
  baseWidth = width;
  baseHeight = height;
}

// With the ratio kept, the other side follows the one typed, in whole
// pixels of the ratio the sides had when "等倍" was set.
void CObjMoveDialog::onSideEdited(bool widthEdit) {
  if (changeGuard_ || IsExchanging() || !ReadQuietly() || !keepRatio) return;
  if (baseWidth <= 0 || baseHeight <= 0) return;
  const std::int64_t typed = widthEdit ? width : height;
  const std::int64_t other = widthEdit ? typed * baseHeight / baseWidth : typed * baseWidth / baseHeight;
  changeGuard_ = true;
  Item<QLineEdit>(widthEdit ? 1058 : 1057)->setText(QString::number(other));
  changeGuard_ = false;
}

// ---- selection scale -------------------------------------------------------------

CSelectionMag::CSelectionMag(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("選択図形の拡大縮小"));
  QVBoxLayout* content = Column();
  content->addLayout(Row({MakeEdit(this, 1110), Text(this, QStringLiteral("倍（0.05～20）"))}));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeGroup(this, QStringLiteral("選択図形の拡大率"), content));
  layout->addLayout(OkCancelRow(this));
}

CSelectionMag::~CSelectionMag() = default;

void CSelectionMag::DoDataExchange(DataExchange& dx) { dx.Double(Item<QLineEdit>(1110), factor, 0.05, 20); }

// ---- options ---------------------------------------------------------------------

CPrefsDialog::CPrefsDialog(QWidget* parent) : CDataDialog(parent) {
  setWindowTitle(QStringLiteral("オプション"));
  // The renderer choice has one possible answer here: its group stays
  // hidden, but the value still travels through the exchange.
  QVBoxLayout* renderer = Column();
  renderer->addWidget(MakeRadio(this, 1090, QStringLiteral("OpenGL")));
  renderer->addWidget(MakeRadio(this, 1091, QStringLiteral("DirectX")));
  QGroupBox* rendererGroup = MakeGroup(this, QStringLiteral("立体図形の表示方法（再起動後に有効）"), renderer, 1122);
  rendererGroup->hide();

  QVBoxLayout* compress = Column();
  compress->addWidget(MakeCheckBox(this, 1111, QStringLiteral("圧縮して保存")));
  QVBoxLayout* undo = Column();
  undo->addLayout(Row({MakeEdit(this, 1110, 3), Text(this, QStringLiteral("回　（1～20、大きい数ではメモリを多く使います。）"))}));
  QVBoxLayout* gaps = Column();
  gaps->addLayout(Row({Text(this, QStringLiteral("横")), MakeEdit(this, 1114, 3), Text(this, QStringLiteral("ピクセル(1～100)"))}));
  gaps->addLayout(Row({Text(this, QStringLiteral("縦")), MakeEdit(this, 1115, 3), Text(this, QStringLiteral("ピクセル(1～100)"))}));
  QVBoxLayout* web = Column();
  web->addWidget(MakeCheckBox(this, 1116, QStringLiteral("インターネットに接続して最新情報を取得")));
  QPushButton* reset = MakeButton(this, 1092, QStringLiteral("最初の設定にもどす"));
  connect(reset, &QPushButton::clicked, this, &CPrefsDialog::onReset);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rendererGroup);
  layout->addWidget(MakeGroup(this, QStringLiteral("立体図形（CorvandelVelto形式）の保存"), compress));
  layout->addWidget(MakeGroup(this, QStringLiteral("元に戻せる回数（再起動後に有効）"), undo));
  layout->addWidget(MakeGroup(this, QStringLiteral("ライブラリ一覧の間隔"), gaps));
  layout->addWidget(MakeGroup(this, QStringLiteral("最新情報の取得（再起動後に有効）"), web));
  layout->addLayout(Row({reset}));
  layout->addLayout(OkCancelRow(this));
}

CPrefsDialog::~CPrefsDialog() = default;

void CPrefsDialog::Load(const page::AppPrefs& prefs) {
  renderer = prefs.mLibVImp;
  compress = prefs.mZ4Compress != 0;
  undoDepth = prefs.mMaxUndo;
  listGapH = prefs.mListGapH;
  listGapV = prefs.mListGapV;
  webUse = prefs.mWebUse != 0;
}

void CPrefsDialog::Store(page::AppPrefs& prefs) const {
  prefs.mLibVImp = renderer;
  prefs.mZ4Compress = compress ? 1 : 0;
  prefs.mMaxUndo = undoDepth;
  prefs.mListGapH = listGapH;
  prefs.mListGapV = listGapV;
  prefs.mWebUse = webUse ? 1 : 0;
  prefs.mWebUseUnset = 0;
}

void CPrefsDialog::DoDataExchange(DataExchange& dx) {
  dx.Radio({Item<QAbstractButton>(1090), Item<QAbstractButton>(1091)}, renderer);
  dx.Check(Item<QCheckBox>(1111), compress);
  dx.Int(Item<QLineEdit>(1110), undoDepth, page::AppPrefs::kMinUndo, page::AppPrefs::kMaxUndo);
  dx.Int(Item<QLineEdit>(1114), listGapH, page::AppPrefs::kMinListGap, page::AppPrefs::kMaxListGap);
  dx.Int(Item<QLineEdit>(1115), listGapV, page::AppPrefs::kMinListGap, page::AppPrefs::kMaxListGap);
  dx.Check(Item<QCheckBox>(1116), webUse);
}

// Shows the defaults; the preferences change only when OK is stored.
void CPrefsDialog::onReset() {
  Load(page::AppPrefs());
  UpdateData(false);
}

}  // namespace app
