#pragma once
// The text shape: a block of Japanese or Latin text laid out in the object's
// box, written across (lines from the top down) or in vertical columns
// (from the right to the left, in the face's vertical variant). Paragraphs
// are wrapped to the box by the Japanese line-breaking rules (kinsoku: no
// closing bracket or stop begins a line, no opening bracket ends one) and
// Latin words are kept whole where they fit.
//
// Line breaks are worked out at eight times the page's size and kept with
// the shape, so the text breaks the same way at every zoom; they are worked
// out anew when the box changes size or the settings change.
#include <memory>
#include <string>
#include <vector>

#include "page/SFig.h"
#include "page/SFig2D.h"
#include "page/STextDevice.h"

namespace page {

// What the text dialog shows and edits.
struct STextSettings {
  std::string text;  // UTF-8, lines ending in "\r\n" or "\n"
  std::string face;  // without the "@" of vertical writing
  int size = 14;     // points, 1 to 999
  int letterSpacing = 0;  // pixels at 100 %, 0 to 999
  int lineSpacing = 0;    // pixels at 100 %, 0 to 999
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int alignment = 0;  // 0 left (top), 1 centre, 2 right (bottom)
  bool vertical = false;
  friend bool operator==(const STextSettings&, const STextSettings&) = default;
};

// The dialog's checks before it stores: sizes and spacings in range, an
// alignment of 0 to 2, and text and face that the page file's code page can
// hold. Empty when the settings may be stored, else the message to show.
std::string ValidateTextSettings(const STextSettings& settings);

// The text dialog's face lists, from the installed families in the order
// the system lists them: each face once (a family equal to the one just
// before is skipped), the vertical "@" faces apart. The default face comes
// first, and a stored face that is not installed is added at the end, so
// the dialog can show the name the shape keeps.
struct STextFaceLists {
  std::vector<std::string> faces;
  std::vector<std::string> verticalFaces;
};
STextFaceLists MakeTextFaceLists(const std::vector<std::string>& families, const std::string& defaultFace,
                                 const std::string& storedFace);

class SFigText : public SFigPreAlias {
 public:
  static constexpr double kLayoutScale = 8.0;  // breaks are worked out at this scale

  SFigText();

  int GetTypeId() const override { return kFigText; }
  // Copies the text, the face and the nine values; the copy lays out anew.
  std::unique_ptr<SFig> Clone() const override;
  // The text record (marker, text, face, nine int32 values, block). Text and
  // face read from a file are written back with their stored bytes while
  // they are unchanged.
  void Write(PnFile& file, int objectId) const override;
  void Read(PnFile& file, int objectId) override;
  bool HasEditDialog() const override { return true; }
  int GetDrawKind() const override { return kDrawKindVector; }
  bool IsVectorShape() const override { return true; }
  // The text on a key colour made transparent, in V's line colour; nothing
  // when V's line is off.
  bool DrawVector(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly) override;

  // Draws the text into a picture as large as the turned box's extent, the
  // box (scaled, less the scaled margin) centred on `centre`.
  bool DrawText(platform::Image& image, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly, SPoint centre);
  // Lays the text out in a box of `boxSize` device pixels centred on
  // `centre`, turned by `angle`, at `scaleX`, `scaleY` device pixels per page
  // pixel, drawing it in `colour` when `draw` is set. Works out the line
  // breaks first when the box (in page pixels) differs from the one they
  // were made for.
  // Answers the number of lines laid out.
  int Layout(STextDevice& device, SPoint boxSize, SPoint centre, double angle, double scaleX, double scaleY,
             platform::COLORREF colour, bool draw);
  // The smallest box, in page pixels, that holds the whole text as laid out
  // at every zoom: each paragraph on a line of its own where it is at most
  // `widest` page pixels long (along the text), else wrapped to that
  // length. Leaves the lines broken for that box.
  SPoint FittingBoxSize(STextDevice& device, double widest);

  // ---- data ---------------------------------------------------------------
  const std::string& GetText() const { return text_; }
  void SetText(const std::string& text);
  const std::string& GetFontFace() const { return fontFace_; }
  int GetSize() const { return size_; }
  bool IsVertical() const { return vertical_ != 0; }
  // The lines as last broken; empty until the first layout.
  const std::vector<std::u32string>& GetLines() const { return lines_; }
  STextSettings GetSettings() const;
  // Stores settings the dialog checked (see ValidateTextSettings); the
  // line breaks are worked out anew.
  void ApplySettings(const STextSettings& settings);

 private:
  // The lines of the current layout, each laid out at the counter's place.
  struct LayoutContext {
    STextDevice& device;
    platform::RECT box;
    int letterSpacing;
    int lineSpacing;
    SPoint centre;
    double angle;
    bool draw;
    bool storing;  // wrap paragraphs and keep the lines, instead of laying out the kept ones
    int line = 0;  // counter of lines laid out
  };
  int RunLayout(STextDevice& device, SPoint boxSize, SPoint centre, double angle, double scaleX, double scaleY,
                platform::COLORREF colour, bool draw);
  // SFigText_Layout.cpp
  void LayoutAll(LayoutContext& context);
  void LayoutLine(LayoutContext& context, std::u32string_view text, bool whole);
  // Moves a break so that no line starts with a character of noLineStart_
  // nor ends with one of noLineEnd_; back to `first` when that would leave
  // nothing on the line.
  std::size_t ApplyLineRules(std::u32string_view text, std::size_t position, std::size_t first) const;
  // Moves a break out of a word; back to `first` when the word fills the
  // whole line.
  std::size_t ApplyWordRule(std::u32string_view text, std::size_t position, std::size_t first) const;
  void DropLines();

  std::string text_;
  std::string fontFace_;
  int size_ = 140;  // tenths of a point
  int bold_ = 0;
  int italic_ = 0;
  int underline_ = 0;
  int strikeOut_ = 0;
  int alignment_ = 0;
  int vertical_ = 0;
  int letterSpacing_ = 0;
  int lineSpacing_ = 0;
  bool lineRules_ = true;
  std::u32string noLineStart_;
  std::u32string noLineEnd_;
  std::u32string wordChars_;

  std::vector<std::u32string> lines_;
  bool linesValid_ = false;
  SPoint layoutSize_;  // the box, in page pixels, the lines were broken for

  // Text and face as read from a file, written back while unchanged (the
  // code page has characters that convert to the same UTF-8).
  std::string storedText_;
  std::string storedFace_;
  bool storedTextValid_ = false;
  bool storedFaceValid_ = false;
};

}  // namespace page
