#pragma once
// What the fuzz targets share: the entry point libFuzzer calls, and a file
// holding the input for readers that take a path.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzzsupport {

// A folder of this process's own for input files (made once, under the
// temporary folder).
inline const std::string& InputFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pennet-fuzz-XXXXXX";
    return ::mkdtemp(pattern.data()) ? pattern : std::string(".");
  }();
  return folder;
}

// Writes the input to `name` in the input folder and answers its path.
inline std::string WriteInput(const std::uint8_t* data, std::size_t size, const std::string& name) {
  const std::string path = InputFolder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                 static_cast<std::streamsize>(size));
  return path;
}

}  // namespace fuzzsupport
