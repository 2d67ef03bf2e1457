#include "app/CLineWidthDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

CLineWidthDialog::CLineWidthDialog(QWidget* parent) : CDataDialog(parent), edit_(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("線幅の設定"));
  edit_->setObjectName(QStringLiteral("1026"));
  edit_->setMaximumWidth(80);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("線幅（1～１００）"), this));
  row->addWidget(edit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

void CLineWidthDialog::DoDataExchange(DataExchange& dx) { dx.Int(edit_, width, kMinWidth, kMaxWidth); }

}  // namespace app
