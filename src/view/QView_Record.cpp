// QView: the view record of scene files and the background picture's
// reference in it. Every number is big-endian through QFile.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/image/OsUtilDraw.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"
#include "view/QView.h"

namespace view {
namespace {

// Records of files newer than this version carry the extension.
constexpr int kExtensionVersion = -4;
constexpr int kReferenceFieldSize = 256;
constexpr int kEmptyReferenceSize = 5;
constexpr int kReferenceSize = 5 + kReferenceFieldSize;
// The extension after the picture reference: six colours, then six ints.
constexpr int kExtensionTail = 72;

bool HasExtension() { return engine::EngContext().formatVersion < kExtensionVersion; }

// The stored text of a path record (from byte 1, zero-terminated).
std::string RecordText(const PicturePathRecord& record) {
  const char* text = reinterpret_cast<const char*>(record.bytes + 1);
  return std::string(text, strnlen(text, kPicturePathSize - 1));
}

// A path record of a stored path; false when it does not fit.
bool MakeRecord(const std::string& stored, PicturePathRecord& out) {
  if (stored.size() > kPicturePathSize - 2) return false;
  out = PicturePathRecord{};
  out.bytes[0] = static_cast<unsigned char>(stored.size());
  std::memcpy(out.bytes + 1, stored.data(), stored.size());
  return true;
}

std::string WrittenPath(const engine::QFile& file) {
  return file.filePath.empty() ? file.GetPath() : file.filePath;
}

int ReadColourComponent(std::int32_t stored) {
  const long long value = static_cast<long long>(stored) * 255 / 65535;
  return static_cast<int>(std::clamp<long long>(value, 0, 255));
}

}  // namespace

void QView::WriteRecord(engine::QFile& file) {
  ENG_FATAL_IF(fieldOfView_ < 1 || fieldOfView_ > 255);
  file.WriteInt(drawMode_);
  file.WriteDouble(distance_);
  file.WriteDouble(zoomFactor_);
  file.WriteDouble(cameraSpare_);
  file.WriteInt(projectionKind_);
  file.WriteInt(savedProjectionKind_);
  file.WriteDouble(yaw_);
  file.WriteDouble(pitch_);
  file.WriteDouble(roll_);
  file.WritePoint(target_);
  file.WriteDouble(depthUnit_);

  // Each part of the flag word is held to its bits, so no value spills into
  // its neighbour.
  const unsigned detail = static_cast<unsigned>(std::clamp(detailLevel_, -1, 2) + 1);
  const unsigned high = static_cast<unsigned>(std::clamp(spareBits_, 0, 7)) +
                        8u * static_cast<unsigned>(std::clamp(samplingFactor_, 0, 7)) +
                        64u * static_cast<unsigned>(std::clamp(recordSpare_, 0, 1));
  std::uint32_t flags = optionFlag_ & 1u;
  if (smoothShown_ == 0) flags |= 2u;
  if (cullFaces_ != 0) flags |= 4u;
  if (outlineShown_ != 0) flags |= 8u;
  if (guideMode_ != 0) flags |= 16u;
  flags |= 32u * (detail & 1u) + 64u * (detail >= 2 ? 1u : 0u);
  flags |= static_cast<std::uint32_t>(std::clamp(gridDivisor_, 0, 255)) << 8;
  flags |= static_cast<std::uint32_t>(fieldOfView_) << 16;
  flags |= static_cast<std::uint32_t>(high) << 24;
  file.WriteInt(static_cast<std::int32_t>(flags));

  for (int c : background_) file.WriteInt(std::clamp(c, 0, 255) * 257);
  for (int i = 0; i < 2; ++i) {
    file.WriteDouble(lights_.firstAngles[i]);
    file.WriteDouble(lights_.secondAngles[i]);
    file.WriteDouble(lights_.intensities[i]);
  }
  file.WriteDouble(lights_.ambient);
  if (!HasExtension()) return;
  int kind = 0;
  const int referenceSize = GetBackgroundPictureKind(kind, file);
  file.WriteInt(referenceSize + kExtensionTail);
  WriteBackgroundPictureRef(kind, file);
  for (int i = 0; i < 6; ++i) file.WriteDouble(lights_.colours[i]);
  file.WriteInt(lights_.sceneFixed);
  file.WriteInt(shadingKind);
  file.WriteInt(lineKind);
  file.WriteInt(toneFlag);
  file.WriteInt(thinLines_);
  file.WriteInt(nearDivisor_);
}

void QView::ReadRecord(engine::QFile& file) {
  std::int32_t drawMode = 0, kind = 0, savedKind = 0, flagWord = 0;
  file.ReadInt(drawMode);
  SetDrawMode(drawMode);
  file.ReadDouble(distance_);
  file.ReadDouble(zoomFactor_);
  file.ReadDouble(cameraSpare_);
  file.ReadInt(kind);
  file.ReadInt(savedKind);
  projectionKind_ = kind;
  savedProjectionKind_ = savedKind;
  file.ReadDouble(yaw_);
  file.ReadDouble(pitch_);
  file.ReadDouble(roll_);
  file.ReadPoint(target_);
  file.ReadDouble(depthUnit_);

  file.ReadInt(flagWord);
  const auto flags = static_cast<std::uint32_t>(flagWord);
  optionFlag_ = flags & 1u;
  smoothShown_ = (flags & 2u) ? 0 : 1;
  SetCullFaces((flags & 4u) != 0);
  SetOutlineShown((flags & 8u) != 0);
  SetGuideMode((flags & 16u) ? 1 : 0);
  const int detail = static_cast<int>((flags >> 5) & 3u);
  detailLevel_ = detail == 0 ? 1 : detail - 1;
  const int divisor = static_cast<int>((flags >> 8) & 0xFFu);
  SetGridDivisor(divisor == 0 ? 5 : divisor);
  const int fieldOfView = static_cast<int>((flags >> 16) & 0xFFu);
  fieldOfView_ = fieldOfView == 0 ? kDefaultFieldOfView : fieldOfView;
  spareBits_ = static_cast<int>((flags >> 24) & 7u);
  samplingFactor_ = static_cast<int>((flags >> 27) & 7u);
  recordSpare_ = static_cast<int>((flags >> 30) & 1u);

  std::int32_t stored[3] = {0, 0, 0};
  for (std::int32_t& c : stored) file.ReadInt(c);
  SetBackgroundColor(ReadColourComponent(stored[0]), ReadColourComponent(stored[1]), ReadColourComponent(stored[2]));
  for (int i = 0; i < 2; ++i) {
    file.ReadDouble(lights_.firstAngles[i]);
    file.ReadDouble(lights_.secondAngles[i]);
    file.ReadDouble(lights_.intensities[i]);
  }
  file.ReadDouble(lights_.ambient);

  constexpr double kSnap = 0.0314159265358979;  // pi / 100
  auto nearQuarterTurn = [](double angle) {
    const int turns = static_cast<int>(angle / kHalfPi + (angle > 0 ? 0.5 : -0.5));
    return std::abs(angle - turns * kHalfPi) < kSnap;
  };
  if (projectionKind_ == kProjectionParallel && (nearQuarterTurn(yaw_) || nearQuarterTurn(pitch_)))
    DetectAxisFromAngles();
  if (stored[2] > 0 && drawMode_ == 6) toneFlag = 0;

  if (HasExtension()) {
    std::int32_t left = 0;
    file.ReadInt(left);
    if (left > 0) left -= ReadBackgroundPictureRef(file);
    if (left > 0) {
      for (int i = 0; i < 6; ++i) file.ReadDouble(lights_.colours[i]);
      file.ReadInt(lights_.sceneFixed);
      left -= 52;
    }
    if (left > 0) {
      std::int32_t values[3] = {0, 0, 0};
      for (std::int32_t& v : values) file.ReadInt(v);
      shadingKind = values[0];
      lineKind = values[1];
      toneFlag = values[2];
      left -= 12;
    }
    if (left > 0) {
      std::int32_t thin = 0;
      file.ReadInt(thin);
      thinLines_ = thin;
      left -= 4;
    }
    if (left > 0) {
      std::int32_t divisorValue = 0;
      file.ReadInt(divisorValue);
      // The near plane is divided by it: a damaged value keeps the default.
      if (divisorValue > 0) nearDivisor_ = divisorValue;
      left -= 4;
    }
    if (left > 0) engine::EngSkipRecordBytes(file, left, "view record");
  }
  InvalidateMatrices();
}

void QView::SkipRecord(engine::QFile& file) {
  constexpr int kFixedSize = 164;
  unsigned char fixed[kFixedSize];
  file.Read(fixed, kFixedSize);
  if (!HasExtension()) return;
  std::int32_t left = 0;
  file.ReadInt(left);
  if (left > 0) engine::EngSkipRecordBytes(file, left, "view record");
}

int QView::GetBackgroundPictureKind(int& kind, const engine::QFile& file) const {
  if (!picture_ || !picture_->HasPixels()) {
    kind = 0;
    return kEmptyReferenceSize;
  }
  const std::string stored = RecordText(picturePath_);
  const std::string written = platform::PathToStored(WrittenPath(file));
  kind = engine::OsUtilIsSameFolder(stored, written) ? 1 : 3;
  return kReferenceSize;
}

void QView::WriteBackgroundPictureRef(int kind, engine::QFile& file) const {
  const unsigned char kindByte = static_cast<unsigned char>(kind);
  file.Write(&kindByte, 1);
  if (kind == 0) {
    file.WriteInt(0);
    return;
  }
  file.WriteInt(kReferenceFieldSize);
  unsigned char field[kReferenceFieldSize] = {};
  if (kind == 1) {
    std::string name = RecordText(picturePath_);
    const std::size_t slash = name.find_last_of('\\');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    name.resize(std::min<std::size_t>(name.size(), kReferenceFieldSize - 2));
    field[0] = static_cast<unsigned char>(name.size());
    std::memcpy(field + 1, name.data(), name.size());
  } else {
    std::memcpy(field, picturePath_.bytes, kPicturePathSize);
  }
  file.Write(field, kReferenceFieldSize);
}

int QView::ReadBackgroundPictureRef(engine::QFile& file) {
  unsigned char kind = 0;
  std::int32_t size = 0;
  file.Read(&kind, 1);
  file.ReadInt(size);
  // Only kinds 1 and 3 with their 256-byte field name a picture; whatever
  // else a writer put there is skipped by its stated size, so the rest of
  // the record stays in step.
  if ((kind != 1 && kind != 3) || size != kReferenceFieldSize) {
    engine::EngSkipRecordBytes(file, size, "background picture reference");
    return size + kEmptyReferenceSize;
  }
  unsigned char field[kReferenceFieldSize] = {};
  file.Read(field, kReferenceFieldSize);
  PicturePathRecord record;
  bool fits = true;
  if (kind == 1) {
    const char* name = reinterpret_cast<const char*>(field + 1);
    std::string folder = platform::PathToStored(file.GetPath());
    const std::size_t slash = folder.find_last_of('\\');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    fits = MakeRecord(folder + std::string(name, strnlen(name, kReferenceFieldSize - 1)), record);
  } else {
    std::memcpy(record.bytes, field, kPicturePathSize);
    record.bytes[kPicturePathSize - 1] = 0;
  }
  auto picture = std::make_unique<BackgroundPicture>();
  if (fits) LoadBackgroundPicture(record, *picture);
  if (engine::EngContext().failState == engine::kEngFailFailed) return size + kEmptyReferenceSize;
  if (picture->HasPixels()) {
    FreeBackgroundPicture();
    SetBackgroundPicture(std::move(picture));
    SetBackgroundPicturePath(record);
  } else {
    platform::ShowMessage("Could not open back pict");
  }
  return size + kEmptyReferenceSize;
}

}  // namespace view
