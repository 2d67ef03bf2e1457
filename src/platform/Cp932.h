#pragma once
// Text conversion between the program's UTF-8 strings and the Shift-JIS
// (code page 932) bytes that stored files and data folders hold. The
// conversion is exact: a character that code page 932 cannot hold is refused,
// never replaced or dropped, and so is a byte sequence that is not valid
// input.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Where and why a conversion stopped.
struct Cp932Error {
  std::size_t offset = 0;  // byte offset into the input of the first bad character
  bool truncated = false;  // the input ends inside a multi-byte character
};

// UTF-8 to code page 932. Returns nothing when the input is not valid UTF-8
// or holds a character code page 932 has no code for; `error` (optional)
// then tells where. A character whose nearest code reads back as another
// character ("¥" as "\\", "〜" as "～", "−" as "－") has no code: text must
// read back as it was written.
std::optional<std::string> Utf8ToCp932(std::string_view utf8, Cp932Error* error = nullptr);

// Code page 932 to UTF-8. Returns nothing for bytes that are not valid code
// page 932 (an unused lead byte, a bad trail byte, a lead byte at the end).
std::optional<std::string> Cp932ToUtf8(std::string_view cp932, Cp932Error* error = nullptr);

// Code page 932 to UTF-8 for stored text that must open even when damaged:
// each byte that does not begin a valid character becomes U+FFFD "�".
std::string Cp932ToUtf8Replacing(std::string_view cp932);

// The first character of the UTF-8 text that code page 932 cannot hold (as
// UTF-8); empty when the whole text can be stored.
std::string FirstNonCp932Character(std::string_view utf8);

// True when the UTF-8 text can be stored as code page 932: the check made
// before accepting text a user typed for a field that is stored in it.
bool IsCp932Representable(std::string_view utf8);

}  // namespace platform
