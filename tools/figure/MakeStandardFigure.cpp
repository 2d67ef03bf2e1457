// Writes the standard figure and its poses with the engine's writers:
//   make_standard_figure <folder>
// gives <folder>/standard_figure.grp (the figure's group record) and
// <folder>/pose_<name>.pos for each standard pose (pose records).
#include <cstdio>
#include <string>

#include "StandardFigure.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/ObjectFactory.h"
#include "engine/core/QFile.h"

namespace {

bool Write(const std::string& path, const auto& writeRecord) {
  try {
    engine::QFile file(path, platform::File::Mode::kCreateWrite);
    writeRecord(file);
    file.FlushAndClose();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_standard_figure: %s: %s\n", path.c_str(), e.what());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_standard_figure <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  engine::InstallMeshObjectServices();
  engine::InstallFigureObjectServices();
  engine::EngContext().formatVersion = -5;
  std::unique_ptr<engine::MGroupObj> group = standardfigure::BuildStandardFigure();
  if (!group || engine::EngContext().failState != engine::kEngFailNone) {
    std::fprintf(stderr, "make_standard_figure: the figure could not be built\n");
    return 1;
  }
  engine::MBoneObj* figure = standardfigure::FigureOf(*group);
  for (const std::string& name : standardfigure::StandardPoseNames()) {
    engine::MPose pose;
    if (!standardfigure::MakeStandardPose(*figure, name, pose)) {
      std::fprintf(stderr, "make_standard_figure: pose %s failed\n", name.c_str());
      return 1;
    }
    int size = 0;
    pose.WriteTo(nullptr, &size, 0, nullptr);
    if (!Write(folder + "/pose_" + name + ".pos", [&](engine::QFile& f) { pose.WriteTo(&f, nullptr, size, nullptr); }))
      return 1;
  }
  figure->ResetPose(nullptr);
  int counter = 0;
  group->AssignIndex(counter);
  if (!Write(folder + "/standard_figure.grp", [&](engine::QFile& f) { group->WriteTo(f); })) return 1;
  return 0;
}
