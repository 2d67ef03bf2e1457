#pragma once
// The program's string table: user-visible texts keyed by their ids. The
// texts live in resources/strings/strings.txt (UTF-8), which the build
// embeds; a translation replaces the texts and keeps the ids.
#include <map>
#include <string>
#include <string_view>

namespace page {

// Ids of the strings the page editor uses by name.
enum StringId : int {
  kStrFatalPrefix = 171,   // first part of every fatal-error message
  kStrGenericError = 189,  // the message of codes without their own
  // Text shapes and their dialog.
  kStrDefaultTextFace = 218,   // the face listed first in the text dialog
  kStrNoLineStart = 219,       // characters that may not begin a line
  kStrNoLineEnd = 220,         // characters that may not end a line
  kStrTextDlgBoldPicture = 338,  // 338-344: skin pictures of the text dialog's buttons B, I, U, D, L, C, R
  kStrWordChars = 349,         // characters of words kept whole
  // Texts of newer features: ids from 20001 on.
  kStrEnterIntegerRange = 20005,  // "%d" the least, "%d" the largest value
  kStrTextTooLong = 20006,        // "%d" the largest number of bytes
  kStrNotStorableText = 20007,    // text the page file's code page cannot hold; "%s" the character
};

// Parses the table's text form: one entry a line, a decimal id, one tab,
// then the text up to the end of the line (a carriage return before the
// line feed is dropped; nothing else is trimmed). Empty lines and lines
// starting with "#" are skipped. Returns false, with the 1-based line number
// in `badLine`, at the first line that is not of that form or repeats an id.
bool ParseStringTable(std::string_view text, std::map<int, std::string>& out, int* badLine = nullptr);

// The text of a string id from the program's table; empty when the table
// has no such entry.
const std::string& PnLoadString(int id);

// Makes this table the platform's string table (platform::LoadResString),
// which the file dialogs and the windows read. The program calls it once
// at start-up.
void InstallProgramStringTable();

}  // namespace page
