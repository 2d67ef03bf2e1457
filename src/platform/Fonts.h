#pragma once
// The installed font families, and the family that draws a face named in a
// stored file. Pages keep the face names they were made with (often faces of
// another system); a face that is not installed here is drawn with an
// installed Japanese family of the same kind, while the stored name stays.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The installed families in the system's order, each once. A family that
// can write Japanese is listed a second time with "@" before its name: its
// vertical variant (see Font in platform/Dc.h).
std::vector<std::string> EnumFontFamilies();

// True when a family of exactly that name (case ignored) is installed. A
// leading "@" is ignored.
bool IsFontFamilyInstalled(std::string_view family);

// The kinds of Japanese faces: gothic (sans serif) or mincho (serif), with
// proportional or fixed widths.
struct FontKind {
  bool mincho = false;
  bool proportional = false;
  friend bool operator==(const FontKind&, const FontKind&) = default;
};

// The kind a face name suggests: "明朝" or "Mincho" (or "Serif") make a
// mincho face; a "Ｐ" or a separate "P" before the kind name (as in
// "ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic") a proportional one. Other
// names count as proportional gothic, the face most text is set in.
FontKind GuessFontKind(std::string_view face);

// The installed family that draws `face` (a leading "@" is dropped): the
// face itself when installed, else the first installed Japanese family of
// the same kind (IPA fonts first, then Noto CJK and others), else of any
// kind, else an empty name (the system's default family).
std::string ResolveFontFace(std::string_view face);

}  // namespace platform
