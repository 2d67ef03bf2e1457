#pragma once
// The sample library's 3D materials, written with the figure facade's and
// the engine's own writers, each with a 70 × 70 thumbnail rendered by the
// facade's off-screen renderer: the standard figure in the three person
// styles, its poses and animations as pose files, and props and scenery
// built from the engine's primitives.
#include <filesystem>
#include <string>
#include <vector>

namespace samplelibrary {

// One written material: its folder (under the library), title and file name.
struct Material {
  std::filesystem::path folder;
  std::string title;
  std::string file;
};

// The person-style letters of the basic-person folder's files, in the
// order of the style preference: 0 real "r", 1 illustration "s", 2 manga "t".
inline const char* const kPersonStyleLetters[] = {"r", "s", "t"};

// Writes the figures into <root>/Human/基本人物, the poses and animations
// into <root>/Pose/..., the props and scenery into <root>/Object/...;
// appends what it wrote. The engine must be started (KxLibInitEngine).
// False (with a line on stderr) when something cannot be made or written.
bool MakeHumans(const std::filesystem::path& root, std::vector<Material>& made);
bool MakePoses(const std::filesystem::path& root, std::vector<Material>& made);
bool MakeProps(const std::filesystem::path& root, std::vector<Material>& made);

// The person composer's parts in <root>/BodyMix: the default body, head,
// hair and bare skeleton ("Default*.Z4T"), the proportion presets for 2, 5
// and 8 heads tall ("2toshin.Z4W" ...: pose files) and the part folders
// Body, Head (one head carries its hair), Hair and Item.
bool MakeBodyMix(const std::filesystem::path& root);

}  // namespace samplelibrary
