#include "app/SFigTextDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <optional>

#include "app/CImageButton.h"
#include "page/StringTable.h"
#include "platform/Fonts.h"
#include "platform/Hooks.h"

namespace app {
namespace {

// Where the dialog was last closed in this run of the program.
std::optional<QPoint> lastPosition;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QSpinBox* SpinBox(int least, int largest, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(least, largest);
  return box;
}

}  // namespace

SFigTextDlg::SFigTextDlg(page::SFigText& shape, std::function<void()> redraw, QWidget* parent)
    : QDialog(parent), shape_(shape), redraw_(std::move(redraw)) {
  setWindowTitle(QStringLiteral("テキストの設定"));
  // New lines get the line end the text already uses; text files from the
  // other system end theirs in "\r\n".
  const std::string& text = shape_.GetText();
  crlf_ = text.find('\n') == std::string::npos || text.find("\r\n") != std::string::npos;
  BuildControls();
  // The first face is chosen before the shape's values come in.
  face_->setCurrentIndex(0);
  LoadControls(shape_.GetSettings());
  apply_->setEnabled(false);
  if (lastPosition) move(*lastPosition);
  text_->setFocus();
}

SFigTextDlg::~SFigTextDlg() = default;

void SFigTextDlg::BuildControls() {
  text_ = new QPlainTextEdit(this);
  face_ = new QComboBox(this);
  face_->setView(new QListView(face_));
  face_->view()->setMaximumHeight(200);
  const std::string defaultFace = page::PnLoadString(page::kStrDefaultTextFace);
  const page::STextFaceLists lists =
      page::MakeTextFaceLists(platform::EnumFontFamilies(), defaultFace, shape_.GetSettings().face);
  for (const std::string& face : lists.faces) face_->addItem(Q(face));
  size_ = SpinBox(1, 999, this);
  letterSpacing_ = SpinBox(0, 999, this);
  lineSpacing_ = SpinBox(0, 999, this);

  auto* styleRow = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    auto* button = new CImageButton(this);
    button->SetCheckBoxStyle(true);
    button->setFixedSize(28, 28);
    button->SetButtonPicture(page::kStrTextDlgBoldPicture + i);
    connect(button, &QAbstractButton::clicked, this, [this, button] {
      button->SetCheck(!button->GetCheck());
      onChanged();
    });
    styles_[static_cast<std::size_t>(i)] = button;
    styleRow->addWidget(button);
  }
  styleRow->addSpacing(12);
  for (int i = 0; i < 3; ++i) {
    auto* button = new CImageButton(this);
    button->SetCheckBoxStyle(true);
    button->setFixedSize(28, 28);
    button->SetButtonPicture(page::kStrTextDlgBoldPicture + 4 + i);
    connect(button, &QAbstractButton::clicked, this, [this, i] {
      SetAlignment(i);
      onChanged();
    });
    aligns_[static_cast<std::size_t>(i)] = button;
    styleRow->addWidget(button);
  }
  styleRow->addStretch();

  horizontal_ = new QRadioButton(QStringLiteral("横書き(&G)"), this);
  vertical_ = new QRadioButton(QStringLiteral("縦書き(&D)"), this);
  auto* direction = new QButtonGroup(this);
  direction->addButton(horizontal_);
  direction->addButton(vertical_);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("フォント"), this), 0, 0);
  grid->addWidget(face_, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("サイズ"), this), 1, 0);
  grid->addWidget(size_, 1, 1);
  grid->addWidget(horizontal_, 1, 2);
  grid->addWidget(vertical_, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("字間"), this), 2, 0);
  grid->addWidget(letterSpacing_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("行間"), this), 2, 2);
  grid->addWidget(lineSpacing_, 2, 3);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  apply_ = buttons->addButton(QStringLiteral("適用(&A)"), QDialogButtonBox::ApplyRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &SFigTextDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &SFigTextDlg::reject);
  connect(apply_, &QPushButton::clicked, this, &SFigTextDlg::onApply);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(grid);
  layout->addLayout(styleRow);
  layout->addWidget(buttons);
  resize(460, 360);

  connect(text_, &QPlainTextEdit::textChanged, this, &SFigTextDlg::onChanged);
  connect(face_, &QComboBox::currentIndexChanged, this, &SFigTextDlg::onChanged);
  for (QSpinBox* box : {size_, letterSpacing_, lineSpacing_})
    connect(box, &QSpinBox::valueChanged, this, &SFigTextDlg::onChanged);
  connect(horizontal_, &QRadioButton::toggled, this, &SFigTextDlg::onChanged);
}

void SFigTextDlg::SetAlignment(int alignment) {
  for (int i = 0; i < 3; ++i) aligns_[static_cast<std::size_t>(i)]->SetCheck(i == alignment);
}

void SFigTextDlg::LoadControls(const page::STextSettings& s) {
  text_->setPlainText(Q(s.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  if (const int at = face_->findText(Q(s.face)); at >= 0) face_->setCurrentIndex(at);
  size_->setValue(s.size);
  letterSpacing_->setValue(s.letterSpacing);
  lineSpacing_->setValue(s.lineSpacing);
  const bool styles[4] = {s.bold, s.italic, s.underline, s.strikeOut};
  for (int i = 0; i < 4; ++i) styles_[static_cast<std::size_t>(i)]->SetCheck(styles[i]);
  SetAlignment(s.alignment);
  (s.vertical ? vertical_ : horizontal_)->setChecked(true);
}

page::STextSettings SFigTextDlg::ReadControls() const {
  page::STextSettings s;
  QString text = text_->toPlainText();
  if (crlf_) text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  s.text = text.toStdString();
  s.face = face_->currentText().toStdString();
  s.size = size_->value();
  s.letterSpacing = letterSpacing_->value();
  s.lineSpacing = lineSpacing_->value();
  s.bold = styles_[0]->GetCheck() != 0;
  s.italic = styles_[1]->GetCheck() != 0;
  s.underline = styles_[2]->GetCheck() != 0;
  s.strikeOut = styles_[3]->GetCheck() != 0;
  s.alignment = 0;
  for (int i = 0; i < 3; ++i)
    if (aligns_[static_cast<std::size_t>(i)]->GetCheck()) s.alignment = i;
  s.vertical = vertical_->isChecked();
  return s;
}

bool SFigTextDlg::Store() {
  const page::STextSettings s = ReadControls();
  if (const std::string message = page::ValidateTextSettings(s); !message.empty()) {
    platform::ShowMessage(message, "Pennet", platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  shape_.ApplySettings(s);
  return true;
}

void SFigTextDlg::accept() {
  if (Store()) QDialog::accept();
}

void SFigTextDlg::onApply() {
  if (!Store()) return;
  if (redraw_) redraw_();
  apply_->setEnabled(false);
}

void SFigTextDlg::onChanged() {
  if (isVisible()) apply_->setEnabled(true);
}

void SFigTextDlg::done(int result) {
  lastPosition = pos();
  QDialog::done(result);
}

int SFigTextDlg::EditShape(page::SFigText& shape, QWidget* parent, std::function<void()> redraw) {
  SFigTextDlg dialog(shape, std::move(redraw), parent);
  return dialog.exec();
}

}  // namespace app
