#pragma once
// The colour palette popup of a colour button: nine columns of nine colours
// and a last column with the colour-dialog item and, unless the palette is
// short, the two special items (LayOutPalette). Choosing an item closes the
// popup and sends its command id.
#include <QWidget>
#include <vector>

#include "app/ControlLogic.h"

namespace app {

class CColMenu : public QWidget {
  Q_OBJECT
 public:
  explicit CColMenu(bool shortPalette, QWidget* parent = nullptr);

  bool IsShortPalette() const { return shortPalette_; }
  const std::vector<PaletteItem>& Items() const { return items_; }
  // Shows the popup below the global rectangle of its button, or above it
  // when the screen has no room below; kept within the screen sideways.
  void Popup(const QRect& globalAnchor);
  // The item that shows as selected (0: none).
  int SelectedCommand() const { return selected_; }

 signals:
  void sigCommand(int commandId);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  const PaletteItem* ItemAt(const QPoint& point) const;
  void DrawItem(QPainter& painter, const PaletteItem& item);

  bool shortPalette_;
  std::vector<PaletteItem> items_;
  int selected_ = 0;
};

}  // namespace app
