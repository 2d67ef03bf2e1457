#include "LibraryFigures.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>

#include "StandardAnimations.h"
#include "StandardFigure.h"
#include "StandardScene.h"
#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/figure/MPose.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MShader.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibR.h"
#include "platform/WinTypes.h"

namespace samplelibrary {

namespace fs = std::filesystem;
using engine::PointRecord;

namespace {

constexpr int kThumbnailSide = 70;

bool Failed() { return engine::EngContext().failState != engine::kEngFailNone; }

bool Report(const fs::path& path, const char* what) {
  std::fprintf(stderr, "make_library: %s: %s\n", path.c_str(), what);
  engine::EngContext().ClearFailure();
  return false;
}

// Renders the shape's thumbnail and saves its scene as a library figure file.
bool SaveFigureFile(facade::KxLibR& shape, const fs::path& path, const std::string& title) {
  engine::MDocObj& scene = *shape.GetScene();
  scene.thumbnailText1 = title;
  if (!standardscene::MakeFigureThumbnail(shape, kThumbnailSide, scene.thumbnailImage))
    return Report(path, "no thumbnail");
  const platform::COLORREF white = platform::MakeRgb(255, 255, 255);
  if (shape.SaveWithOptions(path.string(), facade::kSaveCompressed, &white, {}) != facade::kFacadeOk)
    return Report(path, "cannot be written");
  return true;
}

// ---- the person styles -----------------------------------------------------------

// Real: muted colours; illustration: the standard colours; manga: vivid
// ones. Each component moves away from or towards 0.5 and stays on its
// side, so every body face keeps the colour class that the figure's marker
// colours give it.
PointRecord StyleColour(int style, const PointRecord& c) {
  const double contrast = style == 0 ? 0.6 : style == 1 ? 1.0 : 1.4;
  const auto f = [&](double v) { return std::clamp(0.5 + (v - 0.5) * contrast, 0.02, 0.98); };
  return {f(c.x), f(c.y), f(c.z)};
}

bool Recolour(engine::MGroupObj& group, int style) {
  engine::MBoneObj* figure = standardfigure::FigureOf(group);
  if (figure == nullptr) return false;
  for (int i = 0; i < group.GetChildCount(); ++i) {
    engine::MObject* child = group.ChildAt(i);
    if (child->IsBoneObject()) continue;
    auto* mesh = static_cast<engine::MMeshObj*>(child);
    std::vector<int> classes;
    for (engine::MFace* face : mesh->GetFaceList()) classes.push_back(figure->GetFaceColourClass(face));
    for (engine::MShader* shader : mesh->GetShaderList()) shader->diffuseColor = StyleColour(style, shader->diffuseColor);
    std::size_t k = 0;
    for (engine::MFace* face : mesh->GetFaceList())
      if (figure->GetFaceColourClass(face) != classes[k++]) return false;
    mesh->Checkpoint(false);
  }
  return true;
}

// ---- props and scenery from primitives --------------------------------------------

enum class Solid { kBox, kCylinder, kCone };

// One primitive between two corners (x0 < x1, y0 < y1, z0 < z1; solids of
// revolution stand along y) in one colour.
struct Piece {
  Solid solid;
  PointRecord low, high;
  PointRecord colour;
};

struct Prop {
  const char* folder;
  const char* title;
  const char* file;
  std::vector<Piece> pieces;
};

std::vector<Piece> FourLegs(double x, double z, double side, double height, const PointRecord& colour) {
  std::vector<Piece> legs;
  for (double sx : {-1.0, 1.0})
    for (double sz : {-1.0, 1.0})
      legs.push_back({Solid::kBox,
                      {sx * x - side / 2, 0, sz * z - side / 2},
                      {sx * x + side / 2, height, sz * z + side / 2},
                      colour});
  return legs;
}

std::vector<Prop> Props() {
  const PointRecord wood{0.62, 0.42, 0.25}, darkWood{0.50, 0.33, 0.20};
  std::vector<Piece> chair = FourLegs(0.19, 0.19, 0.04, 0.43, darkWood);
  chair.push_back({Solid::kBox, {-0.22, 0.43, -0.22}, {0.22, 0.47, 0.22}, wood});
  chair.push_back({Solid::kBox, {-0.22, 0.47, 0.18}, {0.22, 0.95, 0.22}, wood});
  std::vector<Piece> table = FourLegs(0.54, 0.34, 0.05, 0.70, darkWood);
  table.push_back({Solid::kBox, {-0.6, 0.70, -0.4}, {0.6, 0.74, 0.4}, wood});
  return {
      {"小物", "椅子", "椅子.z4t", chair},
      {"小物", "机", "机.z4t", table},
      {"小物", "箱", "箱.z4t", {{Solid::kBox, {-0.25, 0, -0.25}, {0.25, 0.5, 0.25}, {0.78, 0.62, 0.40}}}},
      {"情景", "壁", "壁.z4t", {{Solid::kBox, {-1.0, 0, -0.06}, {1.0, 2.4, 0.06}, {0.86, 0.84, 0.78}}}},
      {"情景", "床", "床.z4t", {{Solid::kBox, {-1.5, -0.05, -1.5}, {1.5, 0, 1.5}, {0.56, 0.56, 0.60}}}},
      {"情景",
       "木",
       "木.z4t",
       {{Solid::kCylinder, {-0.1, 0, -0.1}, {0.1, 0.9, 0.1}, {0.45, 0.30, 0.18}},
        {Solid::kCone, {-0.6, 0.6, -0.6}, {0.6, 2.4, 0.6}, {0.20, 0.52, 0.25}}}},
  };
}

engine::MMeshObj* MakePiece(const Piece& piece) {
  auto* mesh = new (std::nothrow) engine::MMeshObj();
  if (mesh == nullptr) return nullptr;
  // The primitives face outwards with the first corner at the larger z.
  const PointRecord a{piece.low.x, piece.low.y, piece.high.z};
  const PointRecord b{piece.high.x, piece.high.y, piece.low.z};
  switch (piece.solid) {
    case Solid::kBox: mesh->MakeBox(a, b, 0); break;
    case Solid::kCylinder: mesh->MakeCylinder(a, b, 0, 12); break;
    case Solid::kCone: mesh->MakeCone(a, b, 0, 12); break;
  }
  if (Failed() || mesh->GetShaderList().Length() == 0) {
    delete mesh;
    return nullptr;
  }
  for (engine::MShader* shader : mesh->GetShaderList()) shader->diffuseColor = piece.colour;
  mesh->Checkpoint(false);
  return mesh;
}

std::unique_ptr<engine::MGroupObj> BuildProp(const Prop& prop) {
  auto group = std::unique_ptr<engine::MGroupObj>(new (std::nothrow) engine::MGroupObj());
  if (!group) return nullptr;
  for (const Piece& piece : prop.pieces) {
    engine::MMeshObj* mesh = MakePiece(piece);
    if (mesh == nullptr) return nullptr;
    if (!group->AddChild(mesh)) {
      delete mesh;
      return nullptr;
    }
  }
  return group;
}

// A scene holding the group, in a facade with the camera showing it whole.
std::unique_ptr<facade::KxLibR> ShapeOf(std::unique_ptr<engine::MGroupObj> group, int width, int height,
                                        const std::function<bool(engine::MDocObj&, engine::MGroupObj&)>& prepare = {}) {
  if (!group) return nullptr;
  auto scene = std::make_unique<engine::MDocObj>();
  engine::MGroupObj* shown = group.get();
  if (!standardscene::AddToScene(*scene, group.release())) return nullptr;
  if (prepare && !prepare(*scene, *shown)) return nullptr;
  return standardscene::MakeFigureShape(std::move(scene), shown, width, height);
}

bool MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  return !error || Report(folder, "cannot be made");
}

}  // namespace

bool MakeHumans(const fs::path& root, std::vector<Material>& made) {
  const fs::path folder = root / "Human" / "基本人物";
  if (!MakeFolder(folder)) return false;
  const char* const titles[] = {"標準人物（リアル）", "標準人物（イラスト）", "標準人物（マンガ）"};
  for (int style = 0; style < 3; ++style) {
    const std::string file = std::string("標準人物") + kPersonStyleLetters[style] + ".z4h";
    std::unique_ptr<engine::MGroupObj> group = standardfigure::BuildStandardFigure();
    if (!group || !Recolour(*group, style)) return Report(folder / file, "the figure cannot be made");
    std::unique_ptr<facade::KxLibR> shape = ShapeOf(std::move(group), 240, 320);
    if (!shape) return Report(folder / file, "the figure cannot be shown");
    if (!SaveFigureFile(*shape, folder / file, titles[style])) return false;
    made.push_back({folder, fs::path(file).stem().string(), file});
  }
  return true;
}

bool MakePoses(const fs::path& root, std::vector<Material>& made) {
  struct PoseFile {
    const char* folder;
    const char* title;
    std::string name;
    bool animation;
  };
  const std::vector<PoseFile> files = {
      {"基本ポーズ", "立つ", "standing", false},  {"基本ポーズ", "座る", "sitting", false},
      {"基本ポーズ", "歩く", "walking", false},   {"基本ポーズ", "両手を上げる", "arms_raised", false},
      {"動き", "歩く動き", "walk", true},          {"動き", "手を振る", "wave", true},
  };
  for (const PoseFile& pose : files) {
    const fs::path folder = root / "Pose" / pose.folder;
    const std::string file = std::string(pose.title) + ".z4e";
    if (!MakeFolder(folder)) return false;
    engine::MGroupObj* figure = nullptr;
    std::unique_ptr<facade::KxLibR> shape =
        ShapeOf(standardfigure::BuildStandardFigure(), kThumbnailSide, kThumbnailSide,
                [&](engine::MDocObj& scene, engine::MGroupObj& group) {
                  figure = &group;
                  return pose.animation ? standardfigure::RecordStandardAnimation(scene, group, pose.name)
                                        : standardfigure::RecordStandardPose(scene, group, pose.name);
                });
    if (!shape) return Report(folder / file, "the pose cannot be recorded");
    platform::Image thumbnail;
    if (!standardscene::MakeFigureThumbnail(*shape, kThumbnailSide, thumbnail))
      return Report(folder / file, "no thumbnail");
    engine::MDocObj& scene = *shape->GetScene();
    scene.SelectAll(false);
    figure->Select(true);
    // Animation files carry the engine's plain-file format number.
    engine::EngContext().formatVersion = -5;
    if (!standardfigure::WriteAnimationFile(scene, (folder / file).string(), &thumbnail, pose.title)) return false;
    made.push_back({folder, pose.title, file});
  }
  return true;
}

bool MakeProps(const fs::path& root, std::vector<Material>& made) {
  for (const Prop& prop : Props()) {
    const fs::path folder = root / "Object" / prop.folder;
    if (!MakeFolder(folder)) return false;
    std::unique_ptr<facade::KxLibR> shape = ShapeOf(BuildProp(prop), 160, 160);
    if (!shape) return Report(folder / prop.file, "cannot be built");
    if (!SaveFigureFile(*shape, folder / prop.file, prop.title)) return false;
    made.push_back({folder, prop.title, prop.file});
  }
  engine::EngGlobalM().Clear();
  return true;
}

// ---- the person composer's parts ----------------------------------------------------

namespace {

// One part file: its title, the file name in its folder, what it holds.
struct MixPart {
  const char* folder;  // under BodyMix; empty for the defaults
  const char* file;
  const char* title;
  std::function<std::unique_ptr<engine::MGroupObj>()> build;
};

// A group of one closed tube through the centres (radii across x and z).
std::unique_ptr<engine::MGroupObj> TubeGroup(const std::vector<PointRecord>& centres, const std::vector<double>& radiusX,
                                             double depth, const PointRecord& colour) {
  auto group = std::unique_ptr<engine::MGroupObj>(new (std::nothrow) engine::MGroupObj());
  if (!group) return nullptr;
  std::vector<double> radiusZ;
  for (double r : radiusX) radiusZ.push_back(r * depth);
  engine::MMeshObj* mesh = standardfigure::MakeTubeMesh(centres, radiusX, radiusZ, 14, colour);
  if (mesh == nullptr || Failed() || !group->AddChild(mesh)) {
    delete mesh;
    return nullptr;
  }
  mesh->Checkpoint(false);
  return group;
}

// Hair: a cap over the top of the standard head, leaving the face free;
// the long style adds a tail down the back.
// `lift` moves it up or down with the head.
std::unique_ptr<engine::MGroupObj> Hair(bool longHair, const PointRecord& colour, double lift) {
  std::unique_ptr<engine::MGroupObj> group = TubeGroup(
      {{0, 1.62 + lift, -0.005}, {0, 1.655 + lift, -0.005}, {0, 1.69 + lift, -0.005}, {0, 1.725 + lift, 0},
       {0, 1.745 + lift, 0}},
      {0.102, 0.104, 0.095, 0.070, 0.030}, 1.12, colour);
  if (!group || !longHair) return group;
  engine::MMeshObj* tail = standardfigure::MakeTubeMesh(
      {{0, 1.66 + lift, -0.07}, {0, 1.55 + lift, -0.10}, {0, 1.42 + lift, -0.10}}, {0.08, 0.09, 0.05},
      {0.05, 0.05, 0.03}, 10, colour);
  if (tail == nullptr || Failed() || !group->AddChild(tail)) {
    delete tail;
    return nullptr;
  }
  tail->Checkpoint(false);
  return group;
}

// The bare skeleton: the standard figure's lines as a plain mesh.
std::unique_ptr<engine::MGroupObj> Skeleton() {
  std::unique_ptr<engine::MGroupObj> figure = standardfigure::BuildStandardFigure();
  if (!figure) return nullptr;
  auto group = std::unique_ptr<engine::MGroupObj>(new (std::nothrow) engine::MGroupObj());
  auto* skeleton = new (std::nothrow) engine::MMeshObj();
  if (!group || skeleton == nullptr) {
    delete skeleton;
    return nullptr;
  }
  standardfigure::FigureOf(*figure)->engine::MMeshObj::CopyTo(skeleton);
  if (Failed() || !group->AddChild(skeleton)) {
    delete skeleton;
    return nullptr;
  }
  skeleton->Checkpoint(false);
  return group;
}

std::unique_ptr<engine::MGroupObj> PropGroup(std::vector<Piece> pieces, double lift) {
  for (Piece& piece : pieces) {
    piece.low.y += lift;
    piece.high.y += lift;
  }
  return BuildProp(Prop{"", "", "", std::move(pieces)});
}

// The proportion presets: the rest pose with every bone but the head's
// lengthened or shortened so that the figure is about that many heads tall
// (the head stays the size of the standard head, 0.27 high, over a body
// whose neck stands 1.5 high).
bool MakeProportionPose(int headsTall, engine::MPose& pose) {
  constexpr double kHead = 0.27, kBody = 1.5;
  constexpr int kHeadBone = 1;
  std::unique_ptr<engine::MGroupObj> group = standardfigure::BuildStandardFigurePart(standardfigure::FigurePart::kBody);
  if (!group) return false;
  standardfigure::FigureOf(*group)->GetPose(pose);
  engine::MAddPose& lengths = pose.GetAddPose();
  lengths.ResizeRatioList(pose.BoneCount());
  const double ratio = (headsTall - 1) * kHead / kBody;
  for (int i = 0; i < lengths.ratios.count; ++i) lengths.ratios[i] = i == kHeadBone ? 1.0 : ratio;
  lengths.SetEnabled(true);
  return !Failed();
}

bool WritePose(const fs::path& path, engine::MPose& pose) {
  int size = 0;
  pose.WriteTo(nullptr, &size, 0, nullptr);
  try {
    engine::QFile file(path.string(), platform::File::Mode::kCreateWrite);
    pose.WriteTo(&file, nullptr, size, nullptr);
    file.FlushAndClose();
  } catch (const std::exception&) {
    return Report(path, "cannot be written");
  }
  return true;
}

// The composer's bodies and heads stand in the middle preset, which is
// where its body-ratio slider starts.
std::unique_ptr<engine::MGroupObj> ProportionedFigure(standardfigure::FigurePart part) {
  engine::MPose middle;
  std::unique_ptr<engine::MGroupObj> group = standardfigure::BuildStandardFigurePart(part);
  if (!group || !MakeProportionPose(5, middle)) return nullptr;
  standardfigure::FigureOf(*group)->SetPose(nullptr, middle);
  if (Failed()) return nullptr;
  for (int i = 0; i < group->GetChildCount(); ++i)
    if (!group->ChildAt(i)->IsBoneObject()) static_cast<engine::MMeshObj*>(group->ChildAt(i))->Checkpoint(false);
  return group;
}

// How far the head stands lower in the middle preset than on the standard
// figure: the hair and the items are made to sit on it.
double HeadLift() {
  std::unique_ptr<engine::MGroupObj> head = ProportionedFigure(standardfigure::FigurePart::kHead);
  if (!head) return 0;
  engine::MBoneObj* figure = standardfigure::FigureOf(*head);
  return figure->GetVertexByIndex(standardfigure::kNeck)->position.y - 1.50;
}

}  // namespace

bool MakeBodyMix(const fs::path& root) {
  using standardfigure::FigurePart;
  const fs::path bodyMix = root / "BodyMix";
  const PointRecord darkBrown{0.22, 0.13, 0.07}, black{0.08, 0.08, 0.10}, straw{0.85, 0.75, 0.45}, band{0.60, 0.15, 0.15};
  const double lift = HeadLift();
  // A head figure that carries its hair as a second top-level object.
  const auto addHairBeside = [lift](engine::MDocObj& scene, engine::MGroupObj&) {
    std::unique_ptr<engine::MGroupObj> hair = Hair(false, {0.55, 0.35, 0.12}, lift);
    return hair && standardscene::AddToScene(scene, hair.release());
  };
  const std::vector<MixPart> parts = {
      {"", "DefaultBody.Z4T", "標準の体", [] { return ProportionedFigure(FigurePart::kBody); }},
      {"", "DefaultHead.Z4T", "標準の頭", [] { return ProportionedFigure(FigurePart::kHead); }},
      {"", "DefaultHair.Z4T", "短い髪", [&] { return Hair(false, darkBrown, lift); }},
      {"", "DefaultBone.Z4T", "骨格", [] { return Skeleton(); }},
      {"Body", "標準の体.z4t", "標準の体", [] { return ProportionedFigure(FigurePart::kBody); }},
      {"Head", "標準の頭.z4t", "標準の頭", [] { return ProportionedFigure(FigurePart::kHead); }},
      {"Head", "茶髪の頭.z4t", "茶髪の頭", [] { return ProportionedFigure(FigurePart::kHead); }},
      {"Hair", "短い髪.z4t", "短い髪", [&] { return Hair(false, darkBrown, lift); }},
      {"Hair", "長い髪.z4t", "長い髪", [&] { return Hair(true, black, lift); }},
      {"Item", "眼鏡.z4t", "眼鏡",
       [&] {
         return PropGroup({{Solid::kBox, {-0.085, 1.595, 0.122}, {-0.015, 1.625, 0.13}, black},
                           {Solid::kBox, {0.015, 1.595, 0.122}, {0.085, 1.625, 0.13}, black},
                           {Solid::kBox, {-0.015, 1.61, 0.122}, {0.015, 1.618, 0.13}, black},
                           {Solid::kBox, {-0.095, 1.605, -0.02}, {-0.085, 1.615, 0.13}, black},
                           {Solid::kBox, {0.085, 1.605, -0.02}, {0.095, 1.615, 0.13}, black}},
                          lift);
       }},
      {"Item", "麦わら帽子.z4t", "麦わら帽子",
       [&] {
         return PropGroup({{Solid::kCylinder, {-0.17, 1.71, -0.17}, {0.17, 1.722, 0.17}, straw},
                           {Solid::kCylinder, {-0.108, 1.722, -0.108}, {0.108, 1.745, 0.108}, band},
                           {Solid::kCylinder, {-0.10, 1.745, -0.10}, {0.10, 1.82, 0.10}, straw}},
                          lift);
       }},
  };
  for (const MixPart& part : parts) {
    const fs::path folder = *part.folder != 0 ? bodyMix / part.folder : bodyMix;
    if (!MakeFolder(folder)) return false;
    const bool withHair = std::string(part.file) == "茶髪の頭.z4t";
    std::unique_ptr<facade::KxLibR> shape =
        ShapeOf(part.build(), 160, 160, withHair ? addHairBeside : std::function<bool(engine::MDocObj&, engine::MGroupObj&)>{});
    if (!shape) return Report(folder / part.file, "cannot be built");
    if (!SaveFigureFile(*shape, folder / part.file, part.title)) return false;
  }
  for (int heads : {2, 5, 8}) {
    const fs::path path = bodyMix / (std::to_string(heads) + "toshin.Z4W");
    engine::MPose pose;
    if (!MakeProportionPose(heads, pose)) return Report(path, "the pose cannot be made");
    if (!WritePose(path, pose)) return false;
  }
  engine::EngGlobalM().Clear();
  return true;
}

}  // namespace samplelibrary
