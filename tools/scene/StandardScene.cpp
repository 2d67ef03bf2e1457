#include "StandardScene.h"

#include "StandardFigure.h"
#include "engine/core/MGridObj.h"
#include "facade/KxLibV.h"
#include "view/QView.h"

namespace standardscene {

bool AddToScene(engine::MDocObj& scene, engine::MObject* object) {
  if (!scene.AddChild(object)) {
    delete object;
    return false;
  }
  object->SetLayer(0);
  object->SetEditState(engine::kEditUnchanged);
  object->SaveState();
  return true;
}

std::unique_ptr<facade::KxLibR> MakeFigureShape(std::unique_ptr<engine::MDocObj> scene, engine::MObject* shown,
                                                int width, int height) {
  scene->GetGridObject()->excluded = 1;
  scene->EndEdit(0);
  auto figure = std::make_unique<facade::KxLibR>();
  figure->SetScene(std::move(scene));
  facade::KxLibV& figureView = figure->GetView();
  figureView.SetOutputSize(width, height, 0, 1.0);
  figureView.UsePageDrawMode();
  if (figureView.PrepareBitmaps() != facade::kFacadeOk) return nullptr;
  view::QView& v = figureView.View();
  v.MakeCurrent(true);
  v.SetViewport(platform::RECT{0, 0, width, height}, true);
  v.SetAngles(0.35, -0.15, 0.0);
  v.SetViewport(platform::RECT{0, 0, width, height}, true);
  v.FitToBounds(shown);
  v.MakeCurrent(false);
  figureView.SetImageValid(false, true);
  return figure;
}

std::unique_ptr<facade::KxLibR> MakeStandardFigureShape(int width, int height) {
  std::unique_ptr<engine::MGroupObj> group = standardfigure::BuildStandardFigure();
  if (!group) return nullptr;
  auto scene = std::make_unique<engine::MDocObj>();
  engine::MGroupObj* shown = group.get();
  if (!AddToScene(*scene, group.release())) return nullptr;
  return MakeFigureShape(std::move(scene), shown, width, height);
}

bool MakeFigureThumbnail(facade::KxLibR& figure, int side, platform::Image& thumbnail) {
  facade::KxLibV& figureView = figure.GetView();
  int width = 0, height = 0, factor = 0;
  double lineScale = 1.0;
  figureView.GetOutputSize(width, height, factor, lineScale);
  figureView.SetOutputSize(side, side, 2, 1.0);
  const platform::Image* picture = figureView.GetImage(false);
  bool made = picture != nullptr && thumbnail.Create(side, side, 24);
  if (made) {
    // The render's straight alpha over white.
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const platform::Bgra p = picture->GetBgra(x, y);
        const auto over = [&](int c) { return static_cast<std::uint8_t>((c * p.a + 255 * (255 - p.a)) / 255); };
        thumbnail.SetBgra(x, y, platform::Bgra{over(p.b), over(p.g), over(p.r), 255});
      }
  }
  figureView.SetOutputSize(width, height, factor, lineScale);
  return made;
}

}  // namespace standardscene
