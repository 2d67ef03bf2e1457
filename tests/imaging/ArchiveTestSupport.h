#pragma once
// Helpers of the package tests: folders of files, and package byte images
// built by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ImagingTestSupport.h"
#include "platform/Paths.h"

namespace imaging_test {

using FileMap = std::map<std::string, std::vector<std::uint8_t>>;

inline std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

inline void WriteFiles(const std::string& folder, const FileMap& files) {
  for (const auto& [name, bytes] : files) WriteBytes(platform::JoinPath(folder, name), bytes);
}

// The plain files of a folder with their contents.
inline FileMap ReadFiles(const std::string& folder) {
  FileMap files;
  for (const std::string& name : platform::ListDirectory(folder, platform::ListKind::kFiles))
    files[name] = ReadBytes(platform::JoinPath(folder, name));
  return files;
}

// A package written byte by byte.
class PackageImage {
 public:
  explicit PackageImage(std::vector<std::uint8_t> callerBytes = {6, 0, 0, 0, 1, 0, 0, 0}) : bytes_(callerBytes) {}

  void Le16(std::uint16_t v) { bytes_.insert(bytes_.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
  void Le32(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    bytes_.insert(bytes_.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
  }
  void Raw(const std::vector<std::uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  // A 32-byte name field: the bytes, then zeros.
  void Name(const std::string& stored) {
    std::vector<std::uint8_t> field(32, 0);
    std::copy(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(stored.size(), 32)),
              field.begin());
    Raw(field);
  }
  void Entry(std::uint16_t thumb, std::uint16_t compressed, const std::string& stored, std::int32_t size,
             std::int32_t offset) {
    Le16(thumb);
    Le16(compressed);
    Name(stored);
    Le32(size);
    Le32(offset);
    Le32(0);
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace imaging_test
