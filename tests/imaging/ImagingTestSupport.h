#pragma once
// Helpers shared by the imaging tests: running the independent decoders,
// reading files whole, and the scoped limit on the size of written files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ExternalTools.h"
#include "support/FileSizeLimit.h"

namespace imaging_test {

using testsupport::HaveTool;
using testsupport::Quoted;
using testsupport::RunTool;
using testsupport::ToolResult;

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

using testsupport::ScopedFileSizeLimit;

}  // namespace imaging_test
