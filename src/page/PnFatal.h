#pragma once
// The page editor's fatal exit, kept for invariants of a page already in
// memory that no longer hold (a command's object gone from the list, record
// counts that do not match). Bad input never comes here: readers fail with a
// result code instead.

namespace page {

// Shows "<prefix> <source> <line>" (the prefix is the fatal-error text of
// the string table) and ends the program with a non-zero exit code, so a
// launcher or test harness can tell. `source` and `line` name the check.
[[noreturn]] void PnFatalCheck(const char* source, int line);

}  // namespace page

// Ends the program through PnFatalCheck when the condition holds.
#define PN_FATAL_IF(condition, source, line) \
  do {                                       \
    if (condition) ::page::PnFatalCheck(source, line); \
  } while (false)
