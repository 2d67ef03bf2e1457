#pragma once
// Private to the package archive: the byte layout of headers and directory
// entries, and the codes of whole-file writes.
#include <cstdint>
#include <new>
#include <string>

#include "imaging/archive/SArchiver.h"
#include "imaging/detail/SafeSave.h"

namespace imaging::arc {

constexpr std::size_t kCopyPiece = 1048576;
constexpr std::size_t kCoderBuffer = 131072;
constexpr std::int64_t kMaxMemberSize = 0x7FFFFFFF;

void EncodeHeader(const PackageHeader& header, std::uint8_t* out16);
PackageHeader DecodeHeader(const std::uint8_t* in16);
// `storedName` is the code page 932 form (at most 31 bytes).
void EncodeEntry(const PackageEntry& entry, const std::string& storedName, std::uint8_t* out48);
// False when the name field is not a valid member name.
bool DecodeEntry(const std::uint8_t* in48, PackageEntry& out);

// The archive code of a whole-file write through a temporary.
int CodeOfSave(const detail::SaveResult& result);

// Runs a file operation, turning its exceptions into codes.
template <class Operation>
std::int64_t Guarded(Operation operation) {
  try {
    return operation();
  } catch (const platform::FileError& e) {
    return ArcErrorFromFileException(e);
  } catch (const std::bad_alloc&) {
    return kArcNoMemory;
  }
}

}  // namespace imaging::arc
