#include "app/CPropBars.h"

#include <QAction>
#include <QWidget>

#include "app/CProp2DBar.h"
#include "app/CProp3DBar.h"
#include "app/CPropAtmBar.h"
#include "app/CPropLtBar.h"
#include "app/CPropToolBar.h"
#include "app/CSMainFrame.h"
#include "page/PropVal.h"
#include "page/SFig.h"
#include "page/SFig3D.h"
#include "page/SObj.h"

namespace app {
namespace {

// Whether the first selected object is a live 3D figure: one kept only as
// its stored bytes (its scene could not be read) has no camera or light to
// change.
class CalcIsFigure : public page::CalcVal {
 public:
  bool figure = false;
  void Run(page::SObj& object) override {
    const auto* shape = dynamic_cast<const page::SFig3D*>(object.fig.get());
    figure = shape != nullptr && shape->GetScene() != nullptr;
  }
};

}  // namespace

CPropBars::CPropBars(std::function<void(int)> runCommand, QWidget* parent)
    : QObject(parent),
      bar2D_(new CProp2DBar(parent)),
      bar3D_(new CProp3DBar(parent)),
      barLT_(new CPropLtBar(parent)),
      atmosphere_(new CPropAtmBar(parent)),
      tools_(new CPropToolBar(std::move(runCommand), parent)) {
  EnableFigureBars(false);
  page::PnGlobal::Get().bars = this;
}

CPropBars::~CPropBars() {
  if (page::PnGlobal::Get().bars == this) page::PnGlobal::Get().bars = nullptr;
}

CPropBars* CPropBars::InstallInto(CSMainFrame& frame) {
  auto runCommand = [&frame](int id) {
    if (QAction* action = frame.CommandAction(id); action != nullptr && action->isEnabled()) action->trigger();
  };
  auto* bars = new CPropBars(runCommand, &frame);
  frame.SetBarWidget(CSMainFrame::kToolPalette, bars->tools_);
  frame.SetBarWidget(CSMainFrame::kAtmosphereBar, bars->atmosphere_);
  frame.SetBarWidget(CSMainFrame::k3DFigureBar, bars->bar3D_);
  frame.SetBarWidget(CSMainFrame::k2DShapeBar, bars->bar2D_);
  frame.SetBarWidget(CSMainFrame::kLightBar, bars->barLT_);
  return bars;
}

void CPropBars::ShowValues(const page::PropVal& value) {
  if (value.Is2D()) {
    const auto& v = static_cast<const page::Prop2DVal&>(value);
    bar2D_->ShowValues(v);
    atmosphere_->Show2DValues(v);
  } else if (value.Is3D()) {
    // The page shows the camera with every change of the selection.
    CalcIsFigure selected;
    page::PnGlobal::Get().RunCalcOnSelection(selected);
    EnableFigureBars(selected.figure);
    bar3D_->ShowValues(static_cast<const page::Prop3DVal&>(value));
  } else if (value.IsLT()) {
    const auto& v = static_cast<const page::PropLTVal&>(value);
    barLT_->ShowValues(v);
    atmosphere_->ShowLTValues(v);
  }
}

platform::COLORREF CPropBars::GetAtmColor() const { return atmosphere_->GetColor(); }

void CPropBars::SetAtmColor(platform::COLORREF color) { atmosphere_->SetColor(color); }

void CPropBars::EnableFigureBars(bool enable) {
  bar3D_->setEnabled(enable);
  barLT_->setEnabled(enable);
}

}  // namespace app
