#include <cerrno>
#include <cstring>

#include "imaging/archive/ArcLayout.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Cp932.h"

namespace imaging {
namespace {

void PutLe16(std::uint8_t* out, std::uint16_t v) {
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t GetLe16(const std::uint8_t* in) { return static_cast<std::uint16_t>(in[0] | in[1] << 8); }

std::int32_t GetLe32(const std::uint8_t* in) {
  return static_cast<std::int32_t>(std::uint32_t{in[0]} | std::uint32_t{in[1]} << 8 | std::uint32_t{in[2]} << 16 |
                                   std::uint32_t{in[3]} << 24);
}

// A name that stays inside its folder on any system the package may meet.
bool IsPlainName(const std::string& utf8) {
  if (utf8.empty() || utf8 == "." || utf8 == "..") return false;
  for (unsigned char c : utf8)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  return true;
}

}  // namespace

int ArcErrorFromErrno(int errorNumber) {
  switch (errorNumber) {
    case 0:
      return kArcOk;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kArcDiskFull;
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EMFILE:
    case ENFILE:
    case ETXTBSY:
      return kArcCannotOpen;
    case ENOTEMPTY:
    case EBUSY:
      return kArcCannotRemove;
    default:
      return kArcReadWriteFailed;
  }
}

int ArcErrorFromFileException(const platform::FileError& error) { return ArcErrorFromErrno(error.ErrorNumber()); }

void ArcThrowFileError(int code, const std::string& path) {
  switch (code) {
    case kArcDiskFull:
      throw platform::FileError("disk full writing", path, ENOSPC);
    case kArcCannotOpen:
      throw platform::FileError("cannot find", path, ENOENT);
    case kArcCannotRemove:
      throw platform::FileError("cannot remove", path, EBUSY);
    case kArcReadWriteFailed:
      throw platform::FileError("cannot access", path, EACCES);
    case kArcNoFolder:
    case kArcCodecFailed:
    case kArcNoMemory:
      throw platform::FileError("cannot process", path, EIO);
    default:
      return;
  }
}

std::optional<std::string> ArcStoredMemberName(const std::string& utf8Name) {
  if (!IsPlainName(utf8Name)) return std::nullopt;
  std::optional<std::string> stored = platform::Utf8ToCp932(utf8Name);
  if (!stored || stored->size() >= kPackageNameField) return std::nullopt;
  return stored;
}

std::optional<std::string> ArcMemberNameFromStored(const std::string& stored) {
  if (stored.empty() || stored.size() >= kPackageNameField) return std::nullopt;
  std::optional<std::string> utf8 = platform::Cp932ToUtf8(stored);
  if (!utf8 || !IsPlainName(*utf8)) return std::nullopt;
  return utf8;
}

namespace arc {

void EncodeHeader(const PackageHeader& header, std::uint8_t* out16) {
  std::memcpy(out16, header.callerBytes.data(), header.callerBytes.size());
  PutLe32(out16 + 8, header.count);
  PutLe32(out16 + 12, header.dataOffset);
}

PackageHeader DecodeHeader(const std::uint8_t* in16) {
  PackageHeader header;
  std::memcpy(header.callerBytes.data(), in16, header.callerBytes.size());
  header.count = GetLe32(in16 + 8);
  header.dataOffset = GetLe32(in16 + 12);
  return header;
}

void EncodeEntry(const PackageEntry& entry, const std::string& storedName, std::uint8_t* out48) {
  std::memset(out48, 0, kPackageEntrySize);
  PutLe16(out48, entry.thumbnail);
  PutLe16(out48 + 2, entry.compressed);
  std::memcpy(out48 + 4, storedName.data(), std::min(storedName.size(), kPackageNameField - 1));
  PutLe32(out48 + 36, entry.size);
  PutLe32(out48 + 40, entry.offset);
}

bool DecodeEntry(const std::uint8_t* in48, PackageEntry& out) {
  const char* field = reinterpret_cast<const char*>(in48 + 4);
  const void* nul = std::memchr(field, 0, kPackageNameField);
  if (!nul) return false;
  std::optional<std::string> name =
      ArcMemberNameFromStored(std::string(field, static_cast<const char*>(nul) - field));
  if (!name) return false;
  out.thumbnail = GetLe16(in48);
  out.compressed = GetLe16(in48 + 2);
  out.name = std::move(*name);
  out.size = GetLe32(in48 + 36);
  out.offset = GetLe32(in48 + 40);
  return true;
}

int CodeOfSave(const detail::SaveResult& result) {
  switch (result.outcome) {
    case detail::SaveOutcome::kSaved:
      return kArcOk;
    case detail::SaveOutcome::kCannotCreate:
      return kArcCannotOpen;
    case detail::SaveOutcome::kStopped:
      return kArcReadWriteFailed;
    case detail::SaveOutcome::kFailed:
      break;
  }
  const int code = ArcErrorFromErrno(result.errorNumber);
  return code != kArcOk ? code : kArcReadWriteFailed;
}

}  // namespace arc
}  // namespace imaging
