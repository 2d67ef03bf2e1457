#pragma once
// Small makers of the controls the settings dialogs share. Every control
// gets its id as its object name, so the dialog's handlers and the tests
// find it with CDataDialog::GetDlgItem.
#include <QList>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace app {

class CColButton;
class CDataDialog;

namespace dialogs {

QLineEdit* MakeEdit(QWidget* parent, int id, int widthInChars = 6);
QCheckBox* MakeCheckBox(QWidget* parent, int id, const QString& text);
QRadioButton* MakeRadio(QWidget* parent, int id, const QString& text);
QPushButton* MakeButton(QWidget* parent, int id, const QString& text);
QComboBox* MakeDropList(QWidget* parent, int id, const QStringList& items);
// A colour button with the short palette.
CColButton* MakeColorButton(QWidget* parent, int id);
// A group box holding the layout; the id 0 leaves it unnamed.
QGroupBox* MakeGroup(QWidget* parent, const QString& title, QBoxLayout* content, int id = 0);
// One row: the widgets and texts in order, then a stretch.
QBoxLayout* Row(std::initializer_list<QWidget*> widgets);
QLabel* Text(QWidget* parent, const QString& text);
// OK (1) and "キャンセル" (2) at the bottom right, wired to accept and reject.
QBoxLayout* OkCancelRow(QDialog* dialog);

// The radio buttons 1044 to 1047 of a resolution choice and the dpi edit
// 1042 in a group: the preset picks 72, 144 or 300 dpi, or the value typed.
struct ResolutionControls {
  QList<QAbstractButton*> presets;
  QLineEdit* dpiEdit = nullptr;
  QGroupBox* group = nullptr;
};
ResolutionControls MakeResolutionGroup(QWidget* parent, const QString& title);
// The dpi a preset stands for; the preset "own value" (3) keeps `dpi`.
int PresetDpi(int preset, int dpi);
// A click on a preset button takes that preset and its dpi into the
// dialog's fields and shows them. The click wins even when the typed dpi
// does not read: that value is replaced or, for "own value", edited next.
void ConnectPresets(CDataDialog* dialog, const ResolutionControls& controls, int& preset, int& dpi);

}  // namespace dialogs
}  // namespace app
