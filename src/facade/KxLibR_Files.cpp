// KxLibR: scene files. A scene file begins with a big-endian kind:
//
//   0 or more        not a scene file
//   -1               a plain scene: the scene record only
//   -2 to -99        a plain scene: scene record, view list, layer-name block
//                    (-4, -6, -8 and -10 belong to a variant this program
//                    does not read)
//   -100 and below   a scene package: a package whose eight caller bytes are
//                    the kind and 5 (both big-endian), with the thumbnail
//                    members and "data.Z4T", a plain scene file of the same
//                    kind; below -100 its thumbnail is read too
//
// Saving always writes a package of kind -101.
#include <array>
#include <cstdio>
#include <new>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/scene/MDocObj.h"
#include "facade/FacadeFiles.h"
#include "facade/KxLibEngine.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace facade {

namespace {

constexpr const char* kSceneMember = "data.Z4T";

// Kinds of a scene-format variant this program does not read, as a file's
// kind or as the kind of a package's scene member.
bool IsUnreadVariant(int kind) {
  return kind == -4 || kind == -6 || kind == -8 || kind == -10 || kind == -102 || kind == -104;
}

bool IsReadableKind(int kind) { return kind < 0 && !IsUnreadVariant(kind); }

bool ReadFailed(engine::QFile& file) { return EngineFailed() || file.HasReadPastEnd(); }

std::array<std::uint8_t, 8> PackageCallerBytes(int kind) {
  const auto k = static_cast<std::uint32_t>(kind);
  return {static_cast<std::uint8_t>(k >> 24), static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8),
          static_cast<std::uint8_t>(k), 0, 0, 0, 5};
}

}  // namespace

namespace detail {

void RemovePastedObjects(engine::MDocObj& scene, int first) {
  // Those the engine clipboard still lists are its to delete.
  const engine::PtrArray& listed = engine::EngGlobalM().objects;
  for (int i = scene.GetChildCount() - 1; i >= first; --i) {
    engine::MObject* object = scene.ChildAt(i);
    scene.RemoveChild(object);
    scene.ForgetAnimatedObject(object);
    bool stillListed = false;
    for (int k = 0; k < listed.count && !stillListed; ++k) stillListed = listed[k] == object;
    if (!stillListed) delete object;
  }
}

}  // namespace detail

// ---- reading ----------------------------------------------------------------------

int KxLibR::ReadSceneFile(const std::string& path, engine::MDocObj& scene, KxLibV& view) {
  detail::ScopedFolder unpacked;
  return detail::GuardedRead([&]() -> int {
    auto file = std::make_unique<engine::QFile>(path, platform::File::Mode::kRead);
    std::int32_t kind = 0;
    file->ReadInt(kind);
    if (file->HasReadPastEnd() || !IsReadableKind(kind)) return kFacadeCannotRead;
    engine::EngContext().formatVersion = kind;
    if (kind <= -100) {
      if (kind < -100)
        imaging::ArcReadThumbnail(path, scene.thumbnailText1, scene.thumbnailText2, scene.thumbnailImage);
      file.reset();
      const std::optional<std::string> member = detail::UnpackMember(path, kSceneMember, unpacked);
      if (!member) return kFacadeCannotRead;
      file = std::make_unique<engine::QFile>(*member, platform::File::Mode::kRead);
      file->ReadInt(kind);
      if (file->HasReadPastEnd() || !IsReadableKind(kind)) return kFacadeCannotRead;
    }
    scene.ReadFrom(*file);
    if (ReadFailed(*file)) return TakeReadFailure();
    if (kind < -1) {
      view.ReadViewList(*file, scene);
      if (ReadFailed(*file)) return TakeReadFailure();
      scene.ReadLayerRecords(*file);
      if (ReadFailed(*file)) return TakeReadFailure();
    }
    TakeReadScene(scene);
    if (EngineFailed()) return TakeReadFailure();
    return kFacadeOk;
  });
}

int KxLibR::Open(const std::string& path) {
  view_->DropTracker();
  scene_.reset();
  try {
    auto fresh = std::make_unique<engine::MDocObj>();
    const int result = ReadSceneFile(path, *fresh, *view_);
    if (result < 0) {
      fresh.reset();
      InstallScene(nullptr);
      return result;
    }
    fresh->SetAllLayerFlags(1, 1);
    InstallScene(std::move(fresh));
    return kFacadeOk;
  } catch (const std::bad_alloc&) {
    engine::EngContext().ClearFailure();
    InstallScene(nullptr);
    return kFacadeFailed;
  }
}

int KxLibR::MergeFile(const std::string& path) {
  if (!scene_) return kFacadeFailed;
  // A failed merge must not change how the scene renders.
  const bool wasTransparent = hasTransparentMaterial_;
  try {
    auto merged = std::make_unique<engine::MDocObj>();
    int result;
    {
      KxLibV readView(*this, KxLibRendererMode());
      result = ReadSceneFile(path, *merged, readView);
    }
    const bool mergedTransparent = hasTransparentMaterial_;
    hasTransparentMaterial_ = wasTransparent;
    if (result < 0) return result;
    if (TakeEngineFailure()) return kFacadeFailed;

    merged->SetAllLayerFlags(1, 1);
    merged->StoreTargetsGlobally();
    if (!EngineFailed()) scene_->PasteMorphTargets(true, merged.get());
    if (!EngineFailed()) {
      merged->SelectAll(true);
      merged->CopySelection(true);
    }
    const int firstPasted = scene_->GetChildCount();
    if (!EngineFailed()) {
      const engine::PointRecord atOrigin{0, 0, 0};
      scene_->PasteObjects(&atOrigin, false, true);
    }
    // A paste that failed part way takes back what it added.
    if (EngineFailed()) detail::RemovePastedObjects(*scene_, firstPasted);
    engine::EngGlobalM().Clear();
    merged.reset();
    if (TakeEngineFailure()) return kFacadeFailed;

    scene_->SetModeBytes(0, 0, 0);
    hasTransparentMaterial_ = mergedTransparent || wasTransparent;
    view_->SetImageValid(false, true);
    return kFacadeOk;
  } catch (const std::bad_alloc&) {
    engine::EngGlobalM().Clear();
    engine::EngContext().ClearFailure();
    hasTransparentMaterial_ = wasTransparent;
    return kFacadeFailed;
  }
}

// ---- writing ------------------------------------------------------------------------

int KxLibR::SaveWithOptions(const std::string& path, int flags, const platform::COLORREF* background,
                            const std::string& sideFileFolder) {
  if (!scene_) return kFacadeCannotWrite;
  const platform::COLORREF kept = view_->GetBackgroundColor();
  if (background != nullptr) view_->SetBackgroundColor(*background);
  const int result = WriteSceneFile(path, flags, *scene_, *view_);
  if (background != nullptr) view_->SetBackgroundColor(kept);
  if (!sideFileFolder.empty() && tempHumanApplied_) WriteMergedListFile(path, sideFileFolder);
  return result;
}

int KxLibR::WriteSceneFile(const std::string& path, int flags, engine::MDocObj& scene, KxLibV& view) {
  scene.SelectAll(false);
  engine::EngContext().formatVersion = kScenePackageKind;
  detail::ScopedFolder staging;
  try {
    if (imaging::ArcCreateTempFolder(staging.path) != imaging::kArcOk) return kFacadeCannotWrite;
    // Without them the package simply has no thumbnail.
    imaging::ArcWriteThumbnailFiles(staging.path, scene.thumbnailText1, scene.thumbnailText2, scene.thumbnailImage);
    {
      const std::string memberPath = platform::JoinPath(staging.path, kSceneMember);
      engine::QFile member(memberPath, platform::File::Mode::kCreateWrite);
      member.filePath = memberPath;
      member.WriteInt(kScenePackageKind);
      scene.WriteTo(member);
      view.WriteViewList(member);
      scene.WriteLayerRecords(member);
      member.FlushAndClose();
    }
    if (TakeEngineFailure()) return kFacadeCannotWrite;
    // The package replaces the target only once it is complete.
    const bool store = (flags & kSaveCompressed) == 0;
    if (imaging::ArcPackFolderToFile(staging.path, path, PackageCallerBytes(kScenePackageKind), store) < 0)
      return kFacadeCannotWrite;
    return kFacadeOk;
  } catch (const std::exception&) {
    engine::EngContext().ClearFailure();
    return kFacadeCannotWrite;
  }
}

int KxLibR::SaveSelectionToFile(const std::string& path, int flags) {
  if (!scene_) return kFacadeFailed;
  try {
    scene_->CopySelection(false);
    if (TakeEngineFailure()) {
      engine::EngGlobalM().Clear();
      return kFacadeFailed;
    }
    auto selection = std::make_unique<engine::MDocObj>();
    const engine::PointRecord atOrigin{0, 0, 0};
    selection->PasteObjects(&atOrigin, false, false);
    // The copied objects' morph targets come with them.
    if (!EngineFailed()) selection->PasteMorphTargets(false, nullptr);
    engine::EngGlobalM().Clear();
    if (TakeEngineFailure()) return kFacadeFailed;
    return WriteSceneFile(path, flags, *selection, *view_);
  } catch (const std::bad_alloc&) {
    engine::EngGlobalM().Clear();
    engine::EngContext().ClearFailure();
    return kFacadeFailed;
  }
}

std::unique_ptr<KxLibR> KxLibR::Duplicate() {
  std::string temporary;
  if (!platform::MakeTempFile("crv", temporary)) return nullptr;
  struct RemoveAtEnd {
    const std::string& path;
    ~RemoveAtEnd() { std::remove(path.c_str()); }
  } removeAtEnd{temporary};
  if (SaveWithOptions(temporary, 0, nullptr, {}) != kFacadeOk) return nullptr;
  try {
    auto copy = std::make_unique<KxLibR>();
    if (copy->Open(temporary) != kFacadeOk) return nullptr;
    return copy;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace facade
