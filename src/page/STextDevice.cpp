#include "page/STextDevice.h"

namespace page {

DcTextDevice::DcTextDevice(platform::Dc& dc)
    : dc_(dc),
      savedFont_(dc.SelectFont(platform::Font{})),
      savedExtra_(dc.GetTextCharacterExtra()),
      savedColour_(dc.SetTextColor(0)) {
  dc_.SelectFont(savedFont_);
  dc_.SetTextColor(savedColour_);
}

DcTextDevice::~DcTextDevice() {
  dc_.SelectFont(savedFont_);
  dc_.SetTextCharacterExtra(savedExtra_);
  dc_.SetTextColor(savedColour_);
}

void DcTextDevice::SelectFont(const STextFont& font) {
  platform::Font f;
  f.face = font.face;
  f.pointSize10 = font.pointSize10;
  f.bold = font.bold;
  f.italic = font.italic;
  f.underline = font.underline;
  f.strikeOut = font.strikeOut;
  f.escapement = font.escapement;
  dc_.SelectFont(f);
}

void DcTextDevice::SetCharacterExtra(int extra) { dc_.SetTextCharacterExtra(extra); }

void DcTextDevice::SetTextColor(platform::COLORREF colour) { dc_.SetTextColor(colour); }

platform::SIZE DcTextDevice::GetTextExtent(std::u32string_view text) {
  return dc_.GetTextExtent(Utf32ToUtf8(text));
}

int DcTextDevice::GetAveCharWidth() { return dc_.GetTextMetrics().aveCharWidth; }

void DcTextDevice::TextOut(int x, int y, std::u32string_view text) { dc_.TextOut(x, y, Utf32ToUtf8(text)); }

std::u32string Utf8ToUtf32(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    int length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
    for (int k = 1; ok && k < length; ++k) {
      const auto t = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      ok = (t >> 6) == 0x2;
      c = (c << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past the range are not UTF-8.
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && c >= kLeast[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    out.push_back(ok ? c : U'\uFFFD');
    i += ok ? static_cast<std::size_t>(length) : 1;
  }
  return out;
}

std::string Utf32ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = U'\uFFFD';
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace page
