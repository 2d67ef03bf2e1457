#include "engine/core/LightShadowInfo.h"

#include <string>

#include "engine/core/EngAlloc.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {
namespace {

// Checks a settings record's stored size against its fixed part and the
// bytes it may take, then skips its surplus. False after a load failure.
bool AcceptRecordSize(QFile& file, int stored, int fixed, std::int64_t limit, const char* what) {
  if (stored < fixed) {
    EngRecordLoadFailure(std::string(what) + ": stored size " + std::to_string(stored) + " is below " +
                         std::to_string(fixed));
    return false;
  }
  // The fixed part has been read already; what remains must fit.
  const std::int64_t room = limit >= 0 ? limit - fixed : file.BytesLeft();
  if (stored - fixed > room) {
    EngRecordLoadFailure(std::string(what) + ": stored size " + std::to_string(stored) +
                         " reaches beyond its block");
    return false;
  }
  return EngSkipRecordBytes(file, stored - fixed, what);
}

}  // namespace

ShadowInfo::~ShadowInfo() { FreeImage(); }

void ShadowInfo::FreeImage() {
  EngFree(image.pixels);
  image.pixels = nullptr;
}

void ShadowInfo::CopySettingsTo(ShadowInfo& target) const {
  target.shadowMode = shadowMode;
  target.lightKind = lightKind;
  target.shadowOnly = shadowOnly;
  target.projectOnObjects = projectOnObjects;
  target.blurRadius = blurRadius;
  target.shadowColour = shadowColour;
  target.opacity = opacity;
  target.shadowValue = shadowValue;
}

void ShadowInfo::CopyProjectionTo(ShadowInfo& target) const {
  target.lightDir = lightDir;
  target.axisU = axisU;
  target.axisV = axisV;
  target.centre = centre;
}

void ShadowInfo::WriteTo(QFile* file, int* sizeOut, int size) const {
  if (sizeOut != nullptr) {
    *sizeOut = kRecordSize;
    return;
  }
  file->WriteInt(size);
  file->WriteInt(shadowMode);
  file->WriteInt(lightKind);
  file->WriteInt(shadowOnly);
  file->WriteInt(projectOnObjects);
  file->WriteInt(blurRadius);
  file->WriteInt(shadowColour);
  file->WriteDouble(opacity);
  file->WriteDouble(shadowValue);
}

int ShadowInfo::ReadFrom(QFile& file, std::int64_t limit) {
  std::int32_t size = 0;
  file.ReadInt(size);
  file.ReadInt(shadowMode);
  file.ReadInt(lightKind);
  file.ReadInt(shadowOnly);
  file.ReadInt(projectOnObjects);
  file.ReadInt(blurRadius);
  file.ReadInt(shadowColour);
  file.ReadDouble(opacity);
  file.ReadDouble(shadowValue);
  if (EngCheckNotTruncated(file, "shadow settings record"))
    AcceptRecordSize(file, size, kRecordSize, limit, "shadow settings record");
  return size;
}

void LightInfo::WriteTo(QFile* file, int* sizeOut, int size) const {
  if (sizeOut != nullptr) {
    *sizeOut = kRecordSize;
    return;
  }
  file->WriteInt(size);
  file->WriteInt(lightValueA);
  file->WriteInt(lightValueB);
  file->WriteDouble(lightDistance);
  file->WriteInt(lightValueC);
  file->WriteInt(lightValueD);
  file->WriteInt(lightValueE);
  file->WriteInt(lightColour);
  file->WriteInt(lightValueF);
}

int LightInfo::ReadFrom(QFile& file, std::int64_t limit) {
  std::int32_t size = 0;
  file.ReadInt(size);
  file.ReadInt(lightValueA);
  file.ReadInt(lightValueB);
  file.ReadDouble(lightDistance);
  file.ReadInt(lightValueC);
  file.ReadInt(lightValueD);
  file.ReadInt(lightValueE);
  file.ReadInt(lightColour);
  file.ReadInt(lightValueF);
  if (EngCheckNotTruncated(file, "light values record"))
    AcceptRecordSize(file, size, kRecordSize, limit, "light values record");
  return size;
}

}  // namespace engine
