#pragma once
// Running the independent tools (pngcheck, ImageMagick, djpeg, giftext...)
// that tests check our output files with. scripts/deps.sh --tests installs
// them; a test skips only where one is missing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testsupport {

struct ToolResult {
  int exitCode = -1;
  std::string out;
};

enum class ToolStderr { kDrop, kMerge };

// Runs a shell command and collects its standard output (and its standard
// error too with kMerge).
inline ToolResult RunTool(const std::string& command, ToolStderr err = ToolStderr::kDrop) {
  ToolResult result;
  const std::string redirect = err == ToolStderr::kMerge ? " 2>&1" : " 2>/dev/null";
  FILE* pipe = ::popen((command + redirect).c_str(), "r");
  if (!pipe) return result;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline bool HaveTool(const std::string& name) { return RunTool("command -v " + name).exitCode == 0; }

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace testsupport

#define REQUIRE_TOOL(name)                          \
  if (!::testsupport::HaveTool(name))               \
  GTEST_SKIP() << name << " is not installed (scripts/deps.sh --tests installs it)"
