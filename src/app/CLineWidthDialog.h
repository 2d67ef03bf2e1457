#pragma once
// The line-width dialog ("線幅の設定"): one width in points, 1 to 100, for
// the line-width button's "その他..." item.
//
//   CLineWidthDialog dialog(parent);
//   dialog.width = current;
//   if (dialog.exec() == QDialog::Accepted) use(dialog.width);
#include "app/DataExchange.h"

class QLineEdit;

namespace app {

class CLineWidthDialog : public CDataDialog {
  Q_OBJECT
 public:
  static constexpr int kMinWidth = 1;
  static constexpr int kMaxWidth = 100;

  explicit CLineWidthDialog(QWidget* parent = nullptr);

  int width = 0;

  QLineEdit* WidthEdit() const { return edit_; }

 protected:
  void DoDataExchange(DataExchange& dx) override;

 private:
  QLineEdit* edit_;
};

}  // namespace app
