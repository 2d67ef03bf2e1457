// Writes the standard figure's animations as animation files:
//   make_standard_animations <folder>
// gives <folder>/anim_<name>.z4e for each standard animation: a package
// whose member "anim.Z4E" holds the figure's tracks as one track block.
#include <cstdio>
#include <string>

#include "StandardAnimations.h"
#include "StandardFigure.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/ObjectFactory.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_standard_animations <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  engine::InstallMeshObjectServices();
  engine::InstallFigureObjectServices();
  engine::EngContext().formatVersion = -5;
  for (const std::string& name : standardfigure::StandardAnimationNames()) {
    std::unique_ptr<engine::MGroupObj> built = standardfigure::BuildStandardFigure();
    if (!built) {
      std::fprintf(stderr, "make_standard_animations: the figure could not be built\n");
      return 1;
    }
    engine::MDocObj scene;
    engine::MGroupObj* group = built.get();
    scene.AddChild(built.release());
    if (!standardfigure::RecordStandardAnimation(scene, *group, name) ||
        engine::EngContext().failState != engine::kEngFailNone) {
      std::fprintf(stderr, "make_standard_animations: animation %s failed\n", name.c_str());
      return 1;
    }
    scene.SelectAll(false);
    group->Select(true);
    if (!standardfigure::WriteAnimationFile(scene, folder + "/anim_" + name + ".z4e")) return 1;
  }
  return 0;
}
