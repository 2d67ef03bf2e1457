#pragma once
// Hand-built byte images of engine records, most significant byte first, so
// that a test can pin a layout independently of the writer that produced
// it, and the file helpers to read such an image through QFile.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/QFile.h"
#include "support/TempDir.h"

namespace meshkit {

class RecordBytes {
 public:
  RecordBytes& Int(std::int64_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(u >> shift));
    return *this;
  }
  RecordBytes& Ints(std::initializer_list<std::int64_t> values) {
    for (std::int64_t v : values) Int(v);
    return *this;
  }
  RecordBytes& Double(double value) {
    std::uint64_t u = 0;
    std::memcpy(&u, &value, sizeof u);
    for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(u >> shift));
    return *this;
  }
  RecordBytes& Raw(std::size_t n, unsigned char value) {
    bytes.insert(bytes.end(), n, value);
    return *this;
  }

  std::vector<unsigned char> bytes;
};

// Writes the image to a file of the folder and opens it for reading.
inline std::unique_ptr<engine::QFile> OpenImage(const testsupport::TempDir& dir, const std::string& name,
                                                const RecordBytes& image) {
  return std::make_unique<engine::QFile>(dir.Write(name, image.bytes), platform::File::Mode::kRead);
}

}  // namespace meshkit
