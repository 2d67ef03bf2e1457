// Breaking a text shape's paragraphs into lines and placing the lines.
//
// Horizontal text: line k's cell starts (b + h) × k below the box's top
// (h the font's height, b the line spacing); the text runs from the left,
// centred or to the right.  Vertical text: column k starts (b + h) × k left
// of the box's right edge and runs down from the top.
//
//        horizontal                    vertical
//   +-------------------+       +-------------------+
//   | line 0            |       |         c1  c0    |
//   | line 1            |       |         |   |     |
//   | line 2            |       |         v   v     |
//   +-------------------+       +-------------------+
#include <algorithm>
#include <cmath>

#include "page/SFigText.h"

namespace page {

void SFigText::LayoutAll(LayoutContext& context) {
  if (!context.storing) {
    for (const std::u32string& line : lines_) LayoutLine(context, line, true);
    return;
  }
  std::u32string text = Utf8ToUtf32(text_);
  // Paragraphs end at "\n"; a "\r" before it belongs to the line end.
  for (std::size_t at = 0; (at = text.find(U"\r\n", at)) != std::u32string::npos;) text.erase(at, 1);
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(U'\n', start);
    LayoutLine(context, std::u32string_view(text).substr(start, end - start), false);
    if (end == std::u32string::npos) break;
    start = end + 1;
  }
}

void SFigText::LayoutLine(LayoutContext& c, std::u32string_view text, bool whole) {
  const bool vertical = vertical_ != 0;
  const platform::RECT& box = c.box;
  // The rest of a broken paragraph goes round this loop again.
  for (;;) {
    const platform::SIZE extent = c.device.GetTextExtent(text);
    const int cx = extent.cx;
    const int cy = extent.cy;
    const int across = vertical ? box.right - (c.lineSpacing + cy) * c.line : box.top + (c.lineSpacing + cy) * c.line;
    int length = vertical ? box.bottom - box.top : box.right - box.left;
    // Italic glyphs lean past their advance.
    if (italic_) length -= static_cast<int>(cy * 0.09);
    const int slack = static_cast<int>(-1.5 * c.device.GetAveCharWidth());
    const int a = c.letterSpacing;
    // A line that no longer fits across the box is left out, and so is
    // every line after it.
    if (vertical ? across - cy < box.left : across + cy > box.bottom) return;
    const bool fits = length + slack >= cx - a;
    if (text.size() == 1 && !fits) return;
    if (whole || fits) {
      const int room = length + slack + a - cx;
      const int offset = alignment_ == 1 ? room / 2 : alignment_ == 2 ? room : 0;
      const int along = (vertical ? box.top : box.left) + offset;
      SPoint point = vertical ? SPoint(across, along) : SPoint(along, across);
      point.RotateAbout(c.angle, c.centre);
      if (c.draw) c.device.TextOut(static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y)), text);
      if (c.storing && lines_.size() == static_cast<std::size_t>(c.line)) lines_.emplace_back(text);
      ++c.line;
      return;
    }
    // An empty paragraph too narrow for its slack takes no line.
    if (text.empty()) return;
    // The first prefix that no longer fits ends the search; the break goes
    // before its last character.
    std::size_t i = 2;
    for (; i < text.size(); ++i)
      if (length + slack < c.device.GetTextExtent(text.substr(0, i)).cx - a) break;
    std::size_t position = i - 1;
    if (lineRules_) position = ApplyLineRules(text, position, position);
    position = ApplyWordRule(text, position, position);
    std::size_t rest = position;
    while (rest < text.size() && text[rest] == U' ') ++rest;
    LayoutLine(c, text.substr(0, position), false);
    // Spaces that end the paragraph leave an empty line after the break.
    text = text.substr(rest);
    whole = false;
  }
}

std::size_t SFigText::ApplyLineRules(std::u32string_view text, std::size_t position, std::size_t first) const {
  const auto startsBadly = [&](std::size_t p) { return noLineStart_.find(text[p]) != std::u32string::npos; };
  const auto endsBadly = [&](std::size_t p) { return noLineEnd_.find(text[p - 1]) != std::u32string::npos; };
  std::size_t p = position;
  // A character in both sets moves the break until neither rule holds.
  while (p > 0 && p < text.size() && (startsBadly(p) || endsBadly(p))) --p;
  return p == 0 ? first : p;
}

std::size_t SFigText::ApplyWordRule(std::u32string_view text, std::size_t position, std::size_t first) const {
  const auto inWord = [&](std::size_t p) { return wordChars_.find(text[p]) != std::u32string::npos; };
  std::size_t p = position;
  while (p > 0 && p < text.size() && inWord(p - 1) && inWord(p)) --p;
  return p == 0 ? first : p;
}

}  // namespace page
