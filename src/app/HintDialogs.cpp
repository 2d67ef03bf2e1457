// Placeholder bodies: the pictures and texts come in their own change.
#include "app/HintDialogs.h"

namespace app {

CHintDialog::CHintDialog(QWidget* parent, int /*caption*/, const char* /*picture*/, int /*text1*/, int /*text2*/,
                         bool /*withCancel*/)
    : QDialog(parent) {}
int CHintDialog::DoModal() { return exec(); }

CAngWarnDialog::CAngWarnDialog(QWidget* parent) : CHintDialog(parent, 0, nullptr, 0, 0, false) {}
CHumanWarnDialog::CHumanWarnDialog(QWidget* parent) : CHintDialog(parent, 0, nullptr, 0, 0, false) {}
CRotWarnDialog::CRotWarnDialog(QWidget* parent) : CHintDialog(parent, 0, nullptr, 0, 0, false) {}
CConvFukidashiDialog::CConvFukidashiDialog(QWidget* parent) : CHintDialog(parent, 0, nullptr, 0, 0, false) {}
CHumanLayoutDialog::CHumanLayoutDialog(QWidget* parent) : CHintDialog(parent, 0, nullptr, 0, 0, true) {}

}  // namespace app
