#include "imaging/Utilities.h"

#include "platform/Hooks.h"
#include "platform/InputState.h"

namespace imaging {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// ASCII only: the C library's classes follow the locale, which the GUI sets.
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the UTF-8 sequence that starts with `lead`, 0 for a byte that
// cannot start one.
int Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = Utf8SequenceLength(lead);
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) return false;
    for (int k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
    if (length == 3) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)) return false;  // overlong, surrogate
    } else if (length == 4) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) return false;  // overlong, too big
    }
    i += static_cast<std::size_t>(length);
  }
  return true;
}

bool PnUtilIsKeyDown(int virtualKey) {
  if (platform::AreMouseButtonsSwapped()) {
    if (virtualKey == platform::VK_LBUTTON)
      virtualKey = platform::VK_RBUTTON;
    else if (virtualKey == platform::VK_RBUTTON)
      virtualKey = platform::VK_LBUTTON;
  }
  return platform::IsAsyncKeyDown(virtualKey);
}

void SetAppCursor(int cursorCode) {
  if (cursorCode == platform::kCursorWait || cursorCode == platform::kCursorSizeAll || cursorCode >= 0)
    platform::SetCursor(cursorCode);
  else
    platform::SetCursor(platform::kCursorArrow);
}

std::pair<int, int> PnUtilGetDeviceDpi(const platform::Dc& dc) {
  const platform::SIZE dpi = dc.GetLogPixels();
  return {dpi.cx, dpi.cy};
}

bool PnUtilHasBackslash(std::string_view path) {
  for (char c : path)
    if (IsSeparator(c)) return true;
  return false;
}

bool PnUtilIsHttpUrl(std::string_view text) { return text.substr(0, 5) == "http:"; }

void PnUtilGetFolder(std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) {
      path.resize(i - 1);
      return;
    }
  }
  const bool drive = path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
  path.resize(drive ? 2 : 0);
}

void PnUtilRemoveExtension(std::string_view path, std::string& out) {
  out = std::string(path.substr(0, path.rfind('.')));
}

void PnUtilGetUrlFolder(std::string& url) {
  const std::size_t slash = url.rfind('/');
  if (slash != std::string::npos) url.resize(slash + 1);
}

void PnUtilGetExtension(std::string_view path, std::string& out) {
  const std::size_t dot = path.rfind('.');
  out.clear();
  if (dot == std::string_view::npos) return;
  for (char c : path.substr(dot + 1)) out += AsciiLower(c);
}

bool PnUtilToUtf8(std::string& text) { return !text.empty() && IsValidUtf8(text); }

void PnUtilUrlEncode(std::string_view text, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.clear();
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
}

}  // namespace imaging
