#pragma once
// The property bars, the atmosphere bar and the tool palette of the main
// frame, and the page's way to show values in them: while it lives this
// object is PnGlobal's bar link. Values of the selection go to the bars
// that show them; the bars apply changes through PnGlobal to the active
// page view.
//
// The 3D figure and light bars are enabled only while the first selected
// object is a 3D figure (decided each time the page shows the selection's
// camera): their values mean nothing to other shapes.
#include <QObject>
#include <functional>

#include "page/PnGlobal.h"

class QWidget;

namespace app {

class CPropAtmBar;
class CProp2DBar;
class CProp3DBar;
class CPropLtBar;
class CPropToolBar;
class CSMainFrame;

class CPropBars : public QObject, public page::PnBarLink {
  Q_OBJECT
 public:
  // Makes the bars (parented to `parent`) and installs the link.
  // `runCommand` carries out the tool palette's command buttons.
  CPropBars(std::function<void(int)> runCommand, QWidget* parent);
  ~CPropBars() override;

  // Makes the bars and puts each into its dock of the frame; the frame's
  // commands carry out the tool palette's command buttons.
  static CPropBars* InstallInto(CSMainFrame& frame);

  // ---- page::PnBarLink ---------------------------------------------------
  void ShowValues(const page::PropVal& value) override;
  platform::COLORREF GetAtmColor() const override;
  void SetAtmColor(platform::COLORREF color) override;

  void EnableFigureBars(bool enable);

  CProp2DBar* Bar2D() const { return bar2D_; }
  CProp3DBar* Bar3D() const { return bar3D_; }
  CPropLtBar* BarLT() const { return barLT_; }
  CPropAtmBar* AtmosphereBar() const { return atmosphere_; }
  CPropToolBar* ToolPalette() const { return tools_; }

 private:
  CProp2DBar* bar2D_;
  CProp3DBar* bar3D_;
  CPropLtBar* barLT_;
  CPropAtmBar* atmosphere_;
  CPropToolBar* tools_;
};

}  // namespace app
