// MObject: the object header record.
//
//   type tag      4    the type code; a figure writes 6 in the newer formats
//   packed word   4    (index << 16) + layer + 2
//   matrix      128    16 doubles, row by row (the flag is not stored)
//   -- newer formats only (formatVersion below -4) --
//   block size    4    bytes that follow in the block; written 96
//   shadow       44    ShadowInfo record
//   flags         4
//   excluded      4    1 when excluded
//   light        40    LightInfo record
//   extra value   4
// A reader steps over the surplus of a longer block of a newer writer.
#include <cstdint>
#include <string>

#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"

namespace engine {
namespace {

constexpr const char* kHeader = "object header";

bool IsNewFormat() { return EngContext().formatVersion < -4; }

// Takes `need` bytes out of what is left of the block; a block too short for
// the field it announces is a load failure.
bool TakeFromBlock(std::int64_t& left, std::int64_t need) {
  if (left < need) {
    EngRecordLoadFailure(std::string(kHeader) + ": the settings block is shorter than its fields");
    return false;
  }
  return true;
}

bool Failed() { return EngContext().failState != kEngFailNone; }

}  // namespace

void MObject::WriteTo(QFile& file) {
  const int tag = IsBoneObject() && IsNewFormat() ? static_cast<int>(kObjectFigure) : typeCode;
  file.WriteInt(tag);
  // A signed 32-bit sum, as stored: wrap instead of overflowing.
  const std::uint32_t packed = static_cast<std::uint32_t>(GetLayer()) + (static_cast<std::uint32_t>(index) << 16) + 2u;
  file.WriteInt(static_cast<std::int32_t>(packed));
  file.WriteMatrix(matrix);
  if (!IsNewFormat()) return;

  int shadowSize = 0, lightSize = 0;
  shadowInfo.WriteTo(nullptr, &shadowSize, 0);
  lightInfo.WriteTo(nullptr, &lightSize, 0);
  file.WriteInt(shadowSize + 8 + lightSize + 4);
  shadowInfo.WriteTo(&file, nullptr, shadowSize);
  file.WriteInt(flags);
  file.WriteInt(excluded != 0 ? 1 : 0);
  lightInfo.WriteTo(&file, nullptr, lightSize);
  file.WriteInt(extraValue);
}

void MObject::ReadFrom(QFile& file) {
  std::int32_t packed = 0;
  file.ReadInt(packed);
  index = packed / 65536;
  int readLayer = packed % 65536 - 2;
  if (readLayer >= kLayerCount) readLayer = kLayerCount - 1;
  if (readLayer < 0) readLayer = 0;
  SetLayer(readLayer);
  file.ReadMatrix(matrix);
  matrix.m[3][3] = 1.0;
  MarkMoved();
  if (!EngCheckNotTruncated(file, kHeader) || Failed() || !IsNewFormat()) return;

  std::int32_t blockSize = 0;
  file.ReadInt(blockSize);
  std::int64_t left = blockSize;
  if (left < 0 || left > file.BytesLeft()) {
    EngRecordLoadFailure(std::string(kHeader) + ": settings block size " + std::to_string(blockSize) +
                         " does not fit the file");
    return;
  }
  // Each field is read only while the block still has bytes; a field the
  // block announces but cannot hold is a load failure.
  const auto intField = [&](int& value) {
    if (left <= 0) return true;
    if (!TakeFromBlock(left, 4)) return false;
    file.ReadInt(value);
    left -= 4;
    return true;
  };
  const auto recordField = [&](auto& record, int fixed) {
    if (left <= 0) return true;
    if (!TakeFromBlock(left, fixed)) return false;
    left -= record.ReadFrom(file, left);
    return !Failed() && TakeFromBlock(left, 0);
  };
  int excludedValue = excluded != 0 ? 1 : 0;  // kept when the block ends before it
  if (!recordField(shadowInfo, ShadowInfo::kRecordSize) || !intField(flags) || !intField(excludedValue)) return;
  excluded = excludedValue == 1 ? 1 : 0;
  if (!recordField(lightInfo, LightInfo::kRecordSize) || !intField(extraValue)) return;
  // What a newer writer added after the fields known here.
  if (EngSkipRecordBytes(file, left, kHeader)) EngCheckNotTruncated(file, kHeader);
}

}  // namespace engine
