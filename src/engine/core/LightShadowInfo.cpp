#include "engine/core/LightShadowInfo.h"

#include <string>

#include "engine/core/EngAlloc.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {
namespace {

struct FieldWriter {
  QFile& file;
  void Int(int value) { file.WriteInt(value); }
  void Double(double value) { file.WriteDouble(value); }
};

struct FieldReader {
  QFile& file;
  void Int(int& value) { file.ReadInt(value); }
  void Double(double& value) { file.ReadDouble(value); }
};

// Writes a settings record: the size, then its fields; in size mode only
// reports the size.
template <class Record>
void WriteRecord(const Record& record, QFile* file, int* sizeOut, int size, int fixed) {
  if (sizeOut != nullptr) {
    *sizeOut = fixed;
    return;
  }
  file->WriteInt(size);
  FieldWriter writer{*file};
  Record::Fields(record, writer);
}

// Reads a settings record and answers its stored size. A size below the
// fixed part, or one reaching beyond `limit` bytes (negative: the rest of
// the file), is a load failure; the surplus of a longer record is skipped.
template <class Record>
int ReadRecord(Record& record, QFile& file, std::int64_t limit, int fixed, const char* what) {
  std::int32_t size = 0;
  file.ReadInt(size);
  FieldReader reader{file};
  Record::Fields(record, reader);
  if (!EngCheckNotTruncated(file, what)) return size;
  if (size < fixed) {
    EngRecordLoadFailure(std::string(what) + ": stored size " + std::to_string(size) + " is below " +
                         std::to_string(fixed));
    return size;
  }
  const std::int64_t room = limit >= 0 ? limit - fixed : file.BytesLeft();
  if (size - fixed > room) {
    EngRecordLoadFailure(std::string(what) + ": stored size " + std::to_string(size) + " reaches beyond its block");
    return size;
  }
  EngSkipRecordBytes(file, size - fixed, what);
  return size;
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
  WriteRecord(*this, file, sizeOut, size, kRecordSize);
}

int ShadowInfo::ReadFrom(QFile& file, std::int64_t limit) {
  return ReadRecord(*this, file, limit, kRecordSize, "shadow settings record");
}

void LightInfo::WriteTo(QFile* file, int* sizeOut, int size) const {
  WriteRecord(*this, file, sizeOut, size, kRecordSize);
}

int LightInfo::ReadFrom(QFile& file, std::int64_t limit) {
  return ReadRecord(*this, file, limit, kRecordSize, "light values record");
}

}  // namespace engine
