#include "page/SFigText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "page/PnFile.h"
#include "page/PropVal.h"
#include "page/ResultCodes.h"
#include "page/StringTable.h"
#include "platform/Cp932.h"

namespace page {
namespace {

// Replaces each "%d" of the pattern, in order, by the next value.
std::string FormatInts(std::string pattern, std::initializer_list<int> values) {
  std::size_t at = 0;
  for (const int value : values) {
    at = pattern.find("%d", at);
    if (at == std::string::npos) break;
    const std::string digits = std::to_string(value);
    pattern.replace(at, 2, digits);
    at += digits.size();
  }
  return pattern;
}

void WriteStoredString(PnFile& file, const std::string& stored, bool storedValid, const std::string& utf8) {
  if (!storedValid) {
    file.WriteString(utf8);
    return;
  }
  file.WriteInt(static_cast<std::int32_t>(stored.size()));
  file.WriteBytes(stored.data(), stored.size());
}

bool InRange(int value, int least, int largest) { return value >= least && value <= largest; }

// Sizes and spacings beyond what the dialog stores come only from damaged
// files. The layout takes them at the nearest value it can work with, so
// the pixel arithmetic cannot overflow; the shape writes back what it read.
constexpr int kLargestSize10 = 9990;  // 999 pt
constexpr int kLargestSpacing = 999;
int Scaled(int value, int least, int largest, double scale) {
  return static_cast<int>(std::clamp(value, least, largest) * scale);
}

}  // namespace

std::string ValidateTextSettings(const STextSettings& s) {
  const auto range = [](int least, int largest) {
    return FormatInts(PnLoadString(kStrEnterIntegerRange), {least, largest});
  };
  if (!InRange(s.size, 1, 999)) return range(1, 999);
  if (!InRange(s.letterSpacing, 0, 999) || !InRange(s.lineSpacing, 0, 999)) return range(0, 999);
  if (!InRange(s.alignment, 0, 2)) return range(0, 2);
  if (std::string message = NotStorableTextMessage(s.text); !message.empty()) return message;
  return NotStorableTextMessage(s.face);
}

STextFaceLists MakeTextFaceLists(const std::vector<std::string>& families, const std::string& defaultFace,
                                 const std::string& storedFace) {
  STextFaceLists lists;
  if (!defaultFace.empty()) lists.faces.push_back(defaultFace);
  for (const std::string& family : families) {
    std::vector<std::string>& list = !family.empty() && family.front() == '@' ? lists.verticalFaces : lists.faces;
    if (family == defaultFace || (!list.empty() && list.back() == family)) continue;
    list.push_back(family);
  }
  if (!storedFace.empty() && std::find(lists.faces.begin(), lists.faces.end(), storedFace) == lists.faces.end())
    lists.faces.push_back(storedFace);
  return lists;
}

SFigText::SFigText()
    : noLineStart_(Utf8ToUtf32(PnLoadString(kStrNoLineStart))),
      noLineEnd_(Utf8ToUtf32(PnLoadString(kStrNoLineEnd))),
      wordChars_(Utf8ToUtf32(PnLoadString(kStrWordChars))) {}

std::unique_ptr<SFig> SFigText::Clone() const {
  auto copy = std::make_unique<SFigText>();
  copy->text_ = text_;
  copy->fontFace_ = fontFace_;
  copy->size_ = size_;
  copy->letterSpacing_ = letterSpacing_;
  copy->lineSpacing_ = lineSpacing_;
  copy->bold_ = bold_;
  copy->italic_ = italic_;
  copy->underline_ = underline_;
  copy->strikeOut_ = strikeOut_;
  copy->alignment_ = alignment_;
  copy->vertical_ = vertical_;
  copy->storedText_ = storedText_;
  copy->storedFace_ = storedFace_;
  copy->storedTextValid_ = storedTextValid_;
  copy->storedFaceValid_ = storedFaceValid_;
  return copy;
}

void SFigText::Write(PnFile& file, int /*objectId*/) const {
  file.WriteInt(-1);
  WriteStoredString(file, storedText_, storedTextValid_, text_);
  WriteStoredString(file, storedFace_, storedFaceValid_, fontFace_);
  for (const int value : {size_, letterSpacing_, lineSpacing_, bold_, italic_, underline_, strikeOut_, alignment_,
                          vertical_})
    file.WriteInt(value);
  file.WriteEmptyBlock();
}

void SFigText::Read(PnFile& file, int /*objectId*/) {
  file.ReadInt();  // the marker; its value does not matter
  // Bytes that are not Shift-JIS show as U+FFFD; they are written back as
  // they were while the text and face are not changed.
  text_ = file.ReadStoredString(storedText_);
  fontFace_ = file.ReadStoredString(storedFace_);
  storedTextValid_ = storedFaceValid_ = true;
  for (int* value : {&size_, &letterSpacing_, &lineSpacing_, &bold_, &italic_, &underline_, &strikeOut_, &alignment_,
                     &vertical_})
    *value = file.ReadInt();
  file.SkipBlock();
  DropLines();
}

void SFigText::SetText(const std::string& text) {
  text_ = text;
  storedTextValid_ = false;
  DropLines();
}

STextSettings SFigText::GetSettings() const {
  STextSettings s;
  s.text = text_;
  s.face = !fontFace_.empty() && fontFace_.front() == '@' ? fontFace_.substr(1) : fontFace_;
  s.size = size_ / 10;
  s.letterSpacing = letterSpacing_;
  s.lineSpacing = lineSpacing_;
  s.bold = bold_ != 0;
  s.italic = italic_ != 0;
  s.underline = underline_ != 0;
  s.strikeOut = strikeOut_ != 0;
  s.alignment = alignment_;
  s.vertical = vertical_ != 0;
  return s;
}

void SFigText::ApplySettings(const STextSettings& s) {
  const std::string face = s.vertical ? "@" + s.face : s.face;
  if (s.text != text_) storedTextValid_ = false;
  if (face != fontFace_) storedFaceValid_ = false;
  text_ = s.text;
  fontFace_ = face;
  size_ = s.size * 10;
  letterSpacing_ = s.letterSpacing;
  lineSpacing_ = s.lineSpacing;
  bold_ = s.bold;
  italic_ = s.italic;
  underline_ = s.underline;
  strikeOut_ = s.strikeOut;
  alignment_ = s.alignment;
  vertical_ = s.vertical;
  DropLines();
}

void SFigText::DropLines() {
  lines_.clear();
  linesValid_ = false;
}

// ---- drawing -------------------------------------------------------------------

bool SFigText::DrawVector(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly) {
  const SPoint extent = GetDrawExtent({size.width, size.height}, size.angle);
  DrawOnKeyColor(target, V, [&] { DrawText(target, size, V, vectorOnly, extent * 0.5); });
  return true;
}

bool SFigText::DrawText(platform::Image& image, const SDrawSize& size, const Prop2DVal& V, bool /*vectorOnly*/,
                        SPoint centre) {
  if (V.LineOff()) return true;
  const SPoint box(size.width - size.margin * size.scale, size.height - size.margin * size.scale);
  platform::Dc dc(image);
  DcTextDevice device(dc);
  Layout(device, box, centre, size.angle, size.scale, size.scale, V.lineColor, true);
  return true;
}

int SFigText::Layout(STextDevice& device, SPoint boxSize, SPoint centre, double angle, double scaleX,
                     double scaleY, platform::COLORREF colour, bool draw) {
  if (!(scaleX > 0 && scaleY > 0)) return 0;
  // The box in page pixels decides the breaks; zooming leaves it as it is.
  const SPoint pageBox(boxSize.x / scaleX, boxSize.y / scaleY);
  const auto differs = [](double a, double b) { return std::fabs(a - b) > 1e-6 * std::max(1.0, std::fabs(b)); };
  if (!linesValid_ || differs(pageBox.x, layoutSize_.x) || differs(pageBox.y, layoutSize_.y)) {
    DropLines();
    layoutSize_ = pageBox;
    RunLayout(device, pageBox * kLayoutScale, centre, 0.0, kLayoutScale, kLayoutScale, colour, false);
    linesValid_ = true;
  }
  return RunLayout(device, boxSize, centre, angle, scaleX, scaleY, colour, draw);
}

int SFigText::RunLayout(STextDevice& device, SPoint boxSize, SPoint centre, double angle, double scaleX,
                         double scaleY, platform::COLORREF colour, bool draw) {
  STextFont font;
  font.face = fontFace_;
  font.pointSize10 = Scaled(size_, 1, kLargestSize10, scaleY);
  font.bold = bold_ != 0;
  font.italic = italic_ != 0;
  font.underline = underline_ != 0;
  font.strikeOut = strikeOut_ != 0;
  // The page's y axis points down, so a turn by `angle` is a clockwise one.
  font.escapement = static_cast<int>(std::lround(-angle * 1800.0 / std::numbers::pi)) + (vertical_ ? 2700 : 0);
  device.SelectFont(font);
  const int letterSpacing = Scaled(letterSpacing_, -kLargestSpacing, kLargestSpacing, scaleX);
  const int lineSpacing = Scaled(lineSpacing_, -kLargestSpacing, kLargestSpacing, scaleY);
  device.SetCharacterExtra(letterSpacing);
  device.SetTextColor(colour);
  const platform::RECT box{static_cast<int>(centre.x - boxSize.x / 2), static_cast<int>(centre.y - boxSize.y / 2),
                           static_cast<int>(centre.x + boxSize.x / 2), static_cast<int>(centre.y + boxSize.y / 2)};
  LayoutContext context{device,
                        box,
                        letterSpacing,
                        lineSpacing,
                        centre,
                        angle,
                        draw,
                        !linesValid_};
  LayoutAll(context);
  return context.line;
}

SPoint SFigText::FittingBoxSize(STextDevice& device, double widest) {
  const bool vertical = vertical_ != 0;
  const auto box = [vertical](double along, double across) {
    return vertical ? SPoint(across, along) : SPoint(along, across);
  };
  // Room for every line, as far as the lines go.
  const double unbounded = 1e5;
  const auto layOut = [&](SPoint size, double scale) {
    return Layout(device, size * scale, SPoint(0, 0), 0.0, scale, scale, 0, false);
  };
  widest = std::clamp(widest, 1.0, unbounded);
  layOut(box(widest, unbounded), kLayoutScale);
  // The device holds the layout's font now: the longest line sets the
  // length, less the slack and the spacing after the last character.
  const double scale = kLayoutScale;
  const int letterSpacing = Scaled(letterSpacing_, -kLargestSpacing, kLargestSpacing, scale);
  const int slack = static_cast<int>(-1.5 * device.GetAveCharWidth());
  int longest = 0;
  for (const std::u32string& line : lines_) longest = std::max(longest, device.GetTextExtent(line).cx);
  int room = longest - letterSpacing - slack;
  if (italic_) room += static_cast<int>(device.GetTextExtent(U"").cy * 0.09);
  const double along = std::min(widest, std::ceil(std::max(room, 1) / scale) + 1.0);
  const int count = layOut(box(along, unbounded), scale);
  // Then the lines across, at the layout's scale and at the zooms of the
  // view, whose fonts round their heights each their own way: line k lies
  // (spacing + height) × k from the box's edge and must end inside it, and
  // the box's edges are whole pixels (2 more).
  constexpr double kZooms[] = {kLayoutScale, 1.0, 0.25, 0.5, 0.75, 1.5, 2.0, 3.0, 4.0};
  double across = 1.0;
  for (const double zoom : kZooms) {
    layOut(box(along, unbounded), zoom);  // the kept lines, in the zoom's font
    const int lineHeight = device.GetTextExtent(U"").cy;
    const int spacing = Scaled(lineSpacing_, -kLargestSpacing, kLargestSpacing, zoom);
    const double needed = static_cast<double>(spacing + lineHeight) * (count - 1) + lineHeight + 2;
    across = std::max(across, std::ceil(needed / zoom));
  }
  const auto holdsAll = [&](double size) {
    const SPoint fitted = box(along, size);
    if (layOut(fitted, scale) != count || lines_.size() != static_cast<std::size_t>(count)) return false;
    for (const double zoom : kZooms)
      if (layOut(fitted, zoom) != count) return false;
    return true;
  };
  // One pixel more: where the box's centre falls between pixels, its edges
  // round inwards. A font whose lines do not keep their height would need
  // more still: grow. The lines end broken for the box answered.
  across += 1.0;
  for (double step = 1.0; !holdsAll(across) && across < unbounded; step *= 2) across = std::min(unbounded, across + step);
  return box(along, across);
}

}  // namespace page
