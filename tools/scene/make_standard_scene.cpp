// Writes the standard figure as a figure file of the material library:
//   make_standard_scene <folder>
// gives <folder>/standard_figure.Z4H, a scene package written by the
// figure facade's own writer, with its thumbnail.
#include <cstdio>
#include <string>

#include "StandardScene.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibEngine.h"
#include "platform/WinTypes.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_standard_scene <folder>\n");
    return 2;
  }
  const std::string path = std::string(argv[1]) + "/standard_figure.Z4H";
  facade::KxLibInitEngine();
  int result = 1;
  {
    std::unique_ptr<facade::KxLibR> figure = standardscene::MakeStandardFigureShape(240, 320);
    if (!figure) {
      std::fprintf(stderr, "make_standard_scene: the figure could not be built\n");
    } else {
      engine::MDocObj& scene = *figure->GetScene();
      scene.thumbnailText1 = "標準の人物";
      if (!standardscene::MakeFigureThumbnail(*figure, 70, scene.thumbnailImage))
        std::fprintf(stderr, "make_standard_scene: no thumbnail\n");
      const platform::COLORREF white = platform::MakeRgb(255, 255, 255);
      const int saved = figure->SaveWithOptions(path, facade::kSaveCompressed, &white, {});
      if (saved == facade::kFacadeOk)
        result = 0;
      else
        std::fprintf(stderr, "make_standard_scene: %s cannot be written (%d)\n", path.c_str(), saved);
    }
  }
  facade::KxLibExitEngine();
  return result;
}
