#include "app/DialogControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/CColButton.h"
#include "app/DataExchange.h"

namespace app::dialogs {
namespace {

template <typename W>
W* Named(W* widget, int id) {
  if (id != 0) widget->setObjectName(QString::number(id));
  return widget;
}

}  // namespace

QLineEdit* MakeEdit(QWidget* parent, int id, int widthInChars) {
  auto* edit = Named(new QLineEdit(parent), id);
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (widthInChars + 2));
  return edit;
}

QCheckBox* MakeCheckBox(QWidget* parent, int id, const QString& text) { return Named(new QCheckBox(text, parent), id); }

QRadioButton* MakeRadio(QWidget* parent, int id, const QString& text) {
  return Named(new QRadioButton(text, parent), id);
}

QPushButton* MakeButton(QWidget* parent, int id, const QString& text) {
  auto* button = Named(new QPushButton(text, parent), id);
  button->setAutoDefault(false);  // Enter is OK, not the last button clicked
  return button;
}

QComboBox* MakeDropList(QWidget* parent, int id, const QStringList& items) {
  auto* box = Named(new QComboBox(parent), id);
  box->addItems(items);
  return box;
}

CColButton* MakeColorButton(QWidget* parent, int id) {
  auto* button = Named(new CColButton(true, parent), id);
  button->setFixedSize(40, 20);
  return button;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title, QBoxLayout* content, int id) {
  auto* group = Named(new QGroupBox(title, parent), id);
  group->setLayout(content);
  return group;
}

QBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  for (QWidget* widget : widgets) row->addWidget(widget);
  row->addStretch();
  return row;
}

QLabel* Text(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

QBoxLayout* OkCancelRow(QDialog* dialog) {
  QPushButton* ok = MakeButton(dialog, 1, QStringLiteral("OK"));
  QPushButton* cancel = MakeButton(dialog, 2, QStringLiteral("キャンセル"));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

ResolutionControls MakeResolutionGroup(QWidget* parent, const QString& title) {
  ResolutionControls c;
  const QString texts[] = {QStringLiteral("低（Web用）"), QStringLiteral("中（プレゼン用）"),
                           QStringLiteral("高（印刷用）"), QStringLiteral("値を指定")};
  auto* content = new QVBoxLayout;
  for (int i = 0; i < 4; ++i) {
    QRadioButton* radio = MakeRadio(parent, 1044 + i, texts[i]);
    c.presets << radio;
    if (i < 3) content->addWidget(radio);
  }
  c.dpiEdit = MakeEdit(parent, 1042, 4);
  content->addLayout(Row({c.presets[3], c.dpiEdit, Text(parent, QStringLiteral("DPI"))}));
  c.group = MakeGroup(parent, title, content);
  return c;
}

int PresetDpi(int preset, int dpi) {
  switch (preset) {
    case 0: return 72;
    case 1: return 144;
    case 2: return 300;
    default: return dpi;
  }
}

void ConnectPresets(CDataDialog* dialog, const ResolutionControls& controls, int& preset, int& dpi) {
  for (int i = 0; i < controls.presets.size(); ++i) {
    QObject::connect(controls.presets[i], &QAbstractButton::clicked, dialog, [dialog, i, &preset, &dpi] {
      dialog->ReadQuietly();
      preset = i;
      dpi = PresetDpi(preset, dpi);
      dialog->UpdateData(false);
    });
  }
}

}  // namespace app::dialogs
