#include "page/StringTable.h"

#include <charconv>
#include <cstdlib>

#include "platform/Hooks.h"
#include "platform/ResStrings.h"

namespace page {

// Defined by the source the build makes from resources/strings/strings.txt.
std::string_view EmbeddedStringTable();

namespace {

bool ParseLine(std::string_view line, int& id, std::string_view& text) {
  const std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos || tab == 0) return false;
  const char* first = line.data();
  const char* last = line.data() + tab;
  const auto [end, error] = std::from_chars(first, last, id);
  if (error != std::errc() || end != last) return false;
  text = line.substr(tab + 1);
  return true;
}

const std::map<int, std::string>& ProgramTable() {
  static const std::map<int, std::string> table = [] {
    std::map<int, std::string> parsed;
    int badLine = 0;
    // The table is part of the program: a broken one is a build mistake,
    // so it ends the program at once instead of showing empty messages.
    if (!ParseStringTable(EmbeddedStringTable(), parsed, &badLine))
      platform::FatalExit("String table: bad line " + std::to_string(badLine));
    return parsed;
  }();
  return table;
}

}  // namespace

bool ParseStringTable(std::string_view text, std::map<int, std::string>& out, int* badLine) {
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    int id = 0;
    std::string_view entry;
    if (!ParseLine(line, id, entry) || !out.emplace(id, std::string(entry)).second) {
      if (badLine) *badLine = lineNumber;
      return false;
    }
  }
  return true;
}

const std::string& PnLoadString(int id) {
  static const std::string empty;
  const auto& table = ProgramTable();
  const auto found = table.find(id);
  return found == table.end() ? empty : found->second;
}

void InstallProgramStringTable() {
  platform::SetStringTableHook([](int id) { return PnLoadString(id); });
}

}  // namespace page
