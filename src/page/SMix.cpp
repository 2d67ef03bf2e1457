#include "page/SMix.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <thread>

#include "engine/core/EngMath.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibV.h"
#include "page/AppPrefs.h"
#include "page/PnGlobal.h"
#include "platform/Clock.h"
#include "platform/Dc.h"
#include "platform/Hooks.h"
#include "platform/Image.h"
#include "platform/Paths.h"

namespace page {

namespace {

bool IsFitted(int kind) { return kind == SMObj::kHair || kind == SMObj::kItem; }
bool IsPartKind(int kind) { return kind >= SMObj::kBody && kind <= SMObj::kItem; }

void RemoveQuietly(const std::string& path) {
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

// The size value as a factor: 0 gives 0.5, 50 gives 1, 100 gives 2.
double SizeFactor(int size) { return size <= 50 ? (size + 50) / 100.0 : size / 50.0; }

}  // namespace

SMix::SMix() : figure_(std::make_unique<facade::KxLibR>()) {}

SMix::~SMix() {
  DeleteTempFiles();
  // The scene goes before the presets, as it was made after them.
  figure_.reset();
}

std::string SMix::ResolvePath(const std::string& file) const {
  if (file.empty() || file[0] != '\\') return file;
  const std::string folder =
      figure_->GetLibraryFolder().empty() ? PnGlobal::Get().GetDataFolder() : figure_->GetLibraryFolder();
  const std::string path = platform::JoinPath(folder, platform::StoredToPath(file.substr(1)));
  // Library files are named by other copies of the program in any case.
  return platform::FindPathNoCase(path).value_or(path);
}

int SMix::LoadDefaults(bool skeletonOnly) {
  if (figure_->GetLibraryFolder().empty()) figure_->SetLibraryFolder(PnGlobal::Get().GetDataFolder());
  for (int i = 0; i < 3; ++i) {
    presets_[i].InitWithNewPose();
    // A preset that cannot be read stays empty.
    if (presets_[i].LoadPoseFile(ResolvePath(kPresetFiles[i])) != facade::kFacadeOk) presets_[i].InitWithNewPose();
  }
  if (skeletonOnly) {
    const int result = AddPart(SMObj::kBody, kDefaultBone, false, false);
    if (result < 0) return result;
    saved_ = 1;
    return 0;
  }
  const std::pair<int, const char*> defaults[] = {
      {SMObj::kBody, kDefaultBody}, {SMObj::kHead, kDefaultHead}, {SMObj::kHair, kDefaultHair}};
  for (const auto& [kind, file] : defaults) {
    const int result = AddPart(kind, file, false, false);
    if (result < 0) return result;
  }
  DeselectAll();
  refHeight_ = GetBodyHeight(refPoint_);
  if (const int body = FirstPartOfKind(SMObj::kBody); body >= 0) {
    engine::BoundsRecord box{};
    engine::MDocObj& scene = *figure_->GetScene();
    scene.GetWorldBounds(scene.ChildAt(body + 1), box);
    hasFloor_ = box.empty == 0;
    floorY_ = box.minY;
  }
  saved_ = 1;
  return 0;
}

int SMix::AddPart(int kind, const std::string& file, bool fit, bool useReference) {
  if (!IsPartKind(kind)) return facade::kFacadeFailed;
  SMObj record;
  record.kind = kind;
  record.file = file;
  return AddPartRecord(record, fit, useReference);
}

int SMix::AddPartRecord(const SMObj& record, bool fit, bool useReference) {
  saved_ = 0;
  const std::string path = ResolvePath(record.file);
  const int result = parts_.empty() ? figure_->Open(path) : figure_->MergeFile(path);
  if (result != facade::kFacadeOk) return result;
  // Part i is scene object i + 1: a file of several objects would shift
  // every part after it, so it is taken out again.
  engine::MDocObj* scene = figure_->GetScene();
  const int expected = static_cast<int>(parts_.size()) + 2;
  if (scene->GetChildCount() != expected) {
    scene->SelectAll(false);
    for (int i = expected - 1; i < scene->GetChildCount(); ++i) figure_->SetSelection(2, true, i);
    figure_->DeleteSelection();
    return facade::kFacadeCannotRead;
  }
  DeselectAll();
  selectedPart_ = -1;
  parts_.push_back(record);
  // A fresh file stands where it was made.
  parts_.back().floorLift = 0;
  const int index = static_cast<int>(parts_.size()) - 1;
  if (!fit) return 0;
  if (IsFitted(record.kind)) {
    FitPart(index, true, useReference);
    selectedPart_ = index;
    SelectPartAlone(index);
  } else if (const int body = FirstPartOfKind(SMObj::kBody); body >= 0) {
    ApplyRatioPose(parts_[body].ratio, parts_[body], index);
  }
  return 0;
}

void SMix::RemovePart(int part) {
  SelectPartAlone(part);
  figure_->DeleteSelection();
  parts_.erase(parts_.begin() + part);
  selectedPart_ = -1;
  saved_ = 0;
}

void SMix::SelectPartAlone(int part) { figure_->SetSelection(1, true, part + 1); }

void SMix::DeselectAll() { figure_->SetSelection(0, false, 0); }

int SMix::FirstPartOfKind(int kind) const {
  for (std::size_t i = 0; i < parts_.size(); ++i)
    if (parts_[i].kind == kind) return static_cast<int>(i);
  return -1;
}

double SMix::GetBodyHeight(double point[3]) {
  point[0] = point[1] = point[2] = 0;
  const int body = FirstPartOfKind(SMObj::kBody);
  if (body < 0) return -1;
  SelectPartAlone(body);
  double height = -1;
  if (figure_->GetFigureHeight(height, point[0], point[1], point[2]) != facade::kFacadeOk) height = -1;
  DeselectAll();
  return height;
}

void SMix::FitPart(int index, bool attach, bool useReference) {
  double h = refHeight_;
  double p[3] = {refPoint_[0], refPoint_[1], refPoint_[2]};
  if (!useReference) {
    h = GetBodyHeight(p);
    if (h < 0) return;
  }
  const SMObj& part = parts_[index];
  const double s = SizeFactor(part.size);
  const double g = std::max(refHeight_, 0.0) / 50.0;
  const double oy = g * (part.upDown - 50), oz = g * (part.frontBack - 50);
  const bool follow = refHeight_ > 0 && h > 0;
  SelectPartAlone(index);
  if (attach) {
    figure_->ScaleSelection(true, s, 0, 0, 0);
    figure_->MoveSelection(0, oy, oz);
    if (follow) {
      figure_->MoveSelection(p[0] - refPoint_[0], p[1] - refPoint_[1], p[2] - refPoint_[2]);
      figure_->ScaleSelection(false, h / refHeight_, p[0], p[1], p[2]);
    }
  } else {
    if (follow) {
      figure_->ScaleSelection(false, refHeight_ / h, p[0], p[1], p[2]);
      figure_->MoveSelection(refPoint_[0] - p[0], refPoint_[1] - p[1], refPoint_[2] - p[2]);
    }
    figure_->MoveSelection(0, -oy, -oz);
    figure_->ScaleSelection(true, 1.0 / s, 0, 0, 0);
  }
  DeselectAll();
}

void SMix::ApplyRatioPose(int value, SMObj& record, int objectIndex) {
  const bool lower = value < 50;
  const double t = lower ? value / 50.0 : (value - 50) / 50.0;
  facade::KxLibAnim blend;
  blend.InitWithNewPose();
  const int blended = blend.BlendPoses(presets_[lower ? 0 : 1], presets_[lower ? 1 : 2], t);
  SelectPartAlone(objectIndex);
  record.ratio = value;
  // Presets that could not be read leave the figure as it stands.
  if (blended == facade::kFacadeOk) {
    figure_->ApplyPose(blend);
    KeepOnFloor(objectIndex);
  }
  DeselectAll();
  saved_ = 0;
}

void SMix::KeepOnFloor(int part) {
  if (part < 0 || part >= static_cast<int>(parts_.size())) return;
  SMObj& posed = parts_[part];
  double shift = 0;
  if (posed.kind == SMObj::kBody) {
    // The presets lengthen and shorten the bones about the hips, which
    // would lift a short body off the floor and sink a tall one into it.
    if (!hasFloor_) return;
    engine::MDocObj& scene = *figure_->GetScene();
    engine::BoundsRecord box{};
    scene.GetWorldBounds(scene.ChildAt(part + 1), box);
    if (box.empty != 0) return;
    shift = floorY_ - box.minY;
  } else if (posed.kind == SMObj::kHead) {
    // The head shares the body's skeleton, so it moves as the body did.
    const int body = FirstPartOfKind(SMObj::kBody);
    if (body < 0) return;
    shift = parts_[body].floorLift - posed.floorLift;
  } else {
    return;
  }
  if (shift == 0) return;
  figure_->MoveSelection(0, shift, 0);
  posed.floorLift += shift;
}

void SMix::SetBodyRatio(int value) {
  const int count = static_cast<int>(parts_.size());
  for (int i = 0; i < count; ++i)
    if (IsFitted(parts_[i].kind)) FitPart(i, false, false);
  for (const int kind : {int{SMObj::kBody}, int{SMObj::kHead}})
    if (const int part = FirstPartOfKind(kind); part >= 0) ApplyRatioPose(value, parts_[part], part);
  for (int i = 0; i < count; ++i)
    if (IsFitted(parts_[i].kind)) FitPart(i, true, false);
  if (selectedPart_ >= 0) SelectPartAlone(selectedPart_);
}

void SMix::GetSelectedPartValues(int& size, int& upDown, int& frontBack) const {
  size = upDown = frontBack = 50;
  if (selectedPart_ < 0) return;
  const SMObj& part = parts_[selectedPart_];
  size = part.size;
  upDown = part.upDown;
  frontBack = part.frontBack;
}

void SMix::SetSelectedPartValues(int size, int upDown, int frontBack) {
  if (selectedPart_ < 0) return;
  FitPart(selectedPart_, false, false);
  SMObj& part = parts_[selectedPart_];
  part.size = size;
  part.upDown = upDown;
  part.frontBack = frontBack;
  FitPart(selectedPart_, true, false);
  SelectPartAlone(selectedPart_);
  saved_ = 0;
}

void SMix::SelectNextPart() {
  for (int i = selectedPart_ + 1; i < static_cast<int>(parts_.size()); ++i) {
    if (!IsFitted(parts_[i].kind)) continue;
    selectedPart_ = i;
    SelectPartAlone(i);
    return;
  }
  selectedPart_ = -1;
  DeselectAll();
}

void SMix::DeleteSelectedPart() {
  if (selectedPart_ < 0) return;
  if (parts_[selectedPart_].kind == SMObj::kHair) {
    platform::Beep();
    return;
  }
  RemovePart(selectedPart_);
}

void SMix::SetViewAngles(double horizontal, double vertical) {
  facade::KxLibV& view = figure_->GetView();
  double x = 0, y = 0, z = 0;
  view.GetCameraAngles(x, y, z);
  view.SetCameraAngles(horizontal / 180.0 * M_PI, vertical / 180.0 * M_PI, z);
}

int SMix::DrawPreview(platform::Dc& dc, const platform::RECT& rect) {
  facade::KxLibV& view = figure_->GetView();
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return -1;
  int w = 0, h = 0, factor = 0;
  double lineScale = 1.0;
  view.GetOutputSize(w, h, factor, lineScale);
  if (w != width || h != height) view.SetOutputSize(width, height, factor, lineScale);
  // A body ratio or a part changes the person's size: the camera follows so
  // the whole person stays in the picture.
  PreviewFrame frame;
  // The parts only: the floor grid is no part of the person.
  engine::MDocObj& scene = *figure_->GetScene();
  engine::BoundsRecord box{};
  box.empty = 1;
  for (int i = 0; i < static_cast<int>(parts_.size()); ++i) {
    engine::BoundsRecord part{};
    scene.GetWorldBounds(scene.ChildAt(i + 1), part);
    if (part.empty == 0) engine::MUtilBoxUnion(box, part, box);
  }
  if (box.empty == 0) {
    const double corners[6] = {box.minX, box.minY, box.minZ, box.maxX, box.maxY, box.maxZ};
    std::copy(std::begin(corners), std::end(corners), frame.box);
  }
  frame.width = width;
  frame.height = height;
  double roll = 0;
  view.GetCameraAngles(frame.angles[0], frame.angles[1], roll);
  if (!(frame == framed_) && box.empty == 0) {
    view.FrameBox(box);
    framed_ = frame;
  }
  const platform::Image* picture = view.GetImage(false);
  if (picture == nullptr) return -1;
  // The render's straight alpha over the white the rectangle is filled with.
  platform::Image over;
  if (!over.Create(picture->Width(), picture->Height(), 24)) return -1;
  for (int y = 0; y < picture->Height(); ++y)
    for (int x = 0; x < picture->Width(); ++x) {
      const platform::Bgra p = picture->GetBgra(x, y);
      const auto mix = [&](int c) { return static_cast<std::uint8_t>((c * p.a + 255 * (255 - p.a)) / 255); };
      over.SetBgra(x, y, platform::Bgra{mix(p.b), mix(p.g), mix(p.r), 255});
    }
  dc.FillRect(rect, platform::MakeRgb(255, 255, 255));
  dc.StretchBlt(rect, over, platform::RECT{0, 0, over.Width(), over.Height()});
  return 0;
}

int SMix::ReplacePartOfKind(int kind, const std::string& file, bool freshValues) {
  int old = FirstPartOfKind(kind);
  if (kind == SMObj::kItem && selectedPart_ >= 0 && parts_[selectedPart_].kind == SMObj::kItem) old = selectedPart_;
  SMObj record;
  if (old >= 0) record = parts_[old];
  if (freshValues) record.size = record.upDown = record.frontBack = 50;
  record.kind = kind;
  record.file = file;
  // The new part is read before the old one goes, so a file that cannot be
  // read leaves the composition as it was.
  const int result = AddPartRecord(record, true, false);
  if (result != 0) return result;
  if (old >= 0) {
    RemovePart(old);
    if (IsFitted(kind)) {
      selectedPart_ = static_cast<int>(parts_.size()) - 1;
      SelectPartAlone(selectedPart_);
    }
  }
  return 0;
}

int SMix::SetPartFile(int kind, const std::string& file) {
  if (!IsPartKind(kind)) return facade::kFacadeFailed;
  if (kind != SMObj::kHead) return ReplacePartOfKind(kind, file, false);
  facade::KxLibR split;
  split.SetLibraryFolder(figure_->GetLibraryFolder());
  if (const int opened = split.Open(ResolvePath(file)); opened != facade::kFacadeOk) return opened;
  std::string headFile, hairFile;
  const int parts = split.SplitFiguresAndProps(headFile, hairFile);
  if (parts < 0) return parts;
  if (parts == 0) return ReplacePartOfKind(SMObj::kHead, file, false);
  if (const int head = ReplacePartOfKind(SMObj::kHead, headFile, false); head != 0) {
    RemoveQuietly(headFile);
    RemoveQuietly(hairFile);
    return head;
  }
  RemoveQuietly(tempHeadFile_);
  tempHeadFile_ = headFile;
  // The hair the head brings sits as it was made: its values start at 50.
  const int hair = ReplacePartOfKind(SMObj::kHair, hairFile, true);
  if (hair != 0) {
    // The old hair stays, and so does the file it came from.
    RemoveQuietly(hairFile);
    return hair;
  }
  RemoveQuietly(tempHairFile_);
  tempHairFile_ = hairFile;
  return 0;
}

void SMix::RestSkeletonNeck(double point[3]) {
  // The bare skeleton is a plain mesh of its joints until the figure is
  // built: its highest joint is the top of the head, which keeps its
  // length in every preset.
  const int skeleton = FirstPartOfKind(SMObj::kBody);
  if (skeleton < 0 || refHeight_ <= 0) return;
  engine::MDocObj& scene = *figure_->GetScene();
  engine::BoundsRecord box{};
  scene.GetWorldBounds(scene.ChildAt(skeleton + 1), box);
  if (box.empty != 0) return;
  point[1] = box.maxY - refHeight_;
}

void SMix::DeleteTempFiles() {
  RemoveQuietly(tempHeadFile_);
  RemoveQuietly(tempHairFile_);
  tempHeadFile_.clear();
  tempHairFile_.clear();
}

int SMix::SaveComposedFigure(const std::string& path) {
  const int body = FirstPartOfKind(SMObj::kBody);
  const int head = FirstPartOfKind(SMObj::kHead);
  // Nothing to build on (a body or head was lost to a failed replace in
  // earlier versions; kept as a refusal).
  if (body < 0 || head < 0) return facade::kFacadeFailed;
  // The second mix goes on every path, with its scene and files.
  auto mix = std::make_unique<SMix>();
  mix->figure_->SetLibraryFolder(figure_->GetLibraryFolder());
  if (const int loaded = mix->LoadDefaults(true); loaded < 0) return loaded;
  mix->refHeight_ = refHeight_;
  for (int i = 0; i < 3; ++i) mix->refPoint_[i] = refPoint_[i];
  mix->hasFloor_ = hasFloor_;
  mix->floorY_ = floorY_;
  // The hair and the items sit on the default body's head, which stands in
  // the middle proportion preset; the bare skeleton they are bound to stands
  // at rest, and the proportion pose later moves them with its head. They go
  // to the resting head first, or they would end up off the head by the
  // preset's change.
  double restNeck[3] = {refPoint_[0], refPoint_[1], refPoint_[2]};
  mix->RestSkeletonNeck(restNeck);
  for (const SMObj& part : parts_) {
    if (!IsFitted(part.kind)) continue;
    const int merged = mix->AddPartRecord(part, false, false);
    if (merged < 0) return merged;
    if (merged > 0) continue;
    const int index = static_cast<int>(mix->parts_.size()) - 1;
    mix->FitPart(index, true, true);
    mix->SelectPartAlone(index);
    mix->figure_->MoveSelection(restNeck[0] - refPoint_[0], restNeck[1] - refPoint_[1], restNeck[2] - refPoint_[2]);
  }
  facade::KxLibR& built = *mix->figure_;
  const bool rigged = mix->parts_.size() > 1;
  if (rigged) {
    built.SetSelection(0, true, 0);
    if (const int result = built.BuildFigureFromSelection(); result < 0) return result;
    // One figure group holds them all now.
    mix->parts_.resize(1);
  } else {
    // Without hair or items the skeleton carries nothing: the head is the
    // figure the body takes over.
    mix->SelectPartAlone(0);
    built.DeleteSelection();
    mix->parts_.clear();
  }
  // The head, then the body, each taking over the figure built so far.
  for (const int kind : {int{SMObj::kHead}, int{SMObj::kBody}}) {
    SMObj record = parts_[kind == SMObj::kHead ? head : body];
    const int merged = mix->AddPartRecord(record, false, false);
    if (merged < 0) return merged;
    if (kind == SMObj::kHead && !rigged) continue;
    built.SetSelection(1, true, 2);
    // The earlier selection takes over the later: their times must differ.
    const std::uint32_t tick = platform::GetTickCount();
    while (platform::GetTickCount() == tick) std::this_thread::yield();
    built.SetSelection(2, true, 1);
    if (const int result = built.TransferPose(); result < 0) return result;
    // The giver's group is gone: the receiver is object 1.
    mix->parts_.erase(mix->parts_.begin());
  }
  mix->parts_.clear();
  mix->parts_.push_back(SMObj{SMObj::kBody, "", 50, 50, 50, 50, 0});
  mix->ApplyRatioPose(parts_[body].ratio, mix->parts_[0], 0);
  built.SetSelection(0, true, 0);
  built.ScaleSelectionToHeight(targetHeight);
  // Scaled about its centre, the person sinks into the floor by half the
  // growth: its feet go onto the floor (y = 0), where figures stand.
  engine::MDocObj& scene = *built.GetScene();
  engine::BoundsRecord scaled{};
  scene.GetWorldBounds(scene.ChildAt(1), scaled);
  if (scaled.empty == 0) built.MoveSelection(0, -scaled.minY, 0);
  built.ResetGridAndRender();
  const int flags = PnGlobal::Get().prefs->mZ4Compress != 0 ? facade::kSaveCompressed : 0;
  if (const int result = built.SaveWithOptions(path, flags, nullptr, {}); result < 0) return result;
  saved_ = 1;
  return 0;
}

}  // namespace page
