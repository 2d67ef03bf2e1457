#pragma once
// The figure files the build makes into its library folder (tools/figure,
// tools/scene): the standard figure as a figure file, its poses and its
// animations. Tests open them as the program does. The test target defines
// PENNET_FIGURE_DATA and depends on the tools' data targets.
#include <string>

namespace testsupport {

inline std::string FigureDataFile(const std::string& name) { return std::string(PENNET_FIGURE_DATA) + "/" + name; }

// The standard figure as the library holds it.
inline std::string StandardFigureFile() { return FigureDataFile("standard_figure.Z4H"); }

}  // namespace testsupport
