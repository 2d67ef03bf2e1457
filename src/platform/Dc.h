#pragma once
// A drawing context on an Image, in the shape the drawing code expects of
// the desktop platform's device contexts: a selected pen, brush, font and
// text colour, a current position, a raster operation, a path bracket, and
// integer pixel coordinates (x to the right, y down, (0,0) the top-left
// pixel). Edges are aliased, so shapes keep exact colours (the page code
// finds shapes by key colours).
//
// Works on 24- and 32-bit images; on other images (or a null one) IsValid()
// is false and drawing does nothing. Drawing on a 32-bit image with the copy
// raster operation writes 255 to the fourth byte; the XOR operations change
// only the three colour bytes. The image must outlive the context and must
// not be recreated while it exists.
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/Blit.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace platform {

enum class PenStyle { kSolid, kDot, kNull };
enum class PenCap { kRound, kSquare, kFlat };
enum class PenJoin { kRound, kBevel, kMiter };

// Width 0 or 1 is a cosmetic one-pixel pen (solid or dotted: 3 pixels on, 3
// off) unless `geometric` is set; wider pens (and geometric ones) are solid,
// `width` pixels across, with the given ends and joins. Mitred joins turn
// into bevels where the mitre would be longer than 10 times the width.
struct Pen {
  COLORREF color = MakeRgb(0, 0, 0);
  int width = 1;
  PenStyle style = PenStyle::kSolid;
  PenCap cap = PenCap::kRound;
  PenJoin join = PenJoin::kRound;
  bool geometric = false;
};

enum class BrushStyle { kSolid, kNull };

struct Brush {
  COLORREF color = MakeRgb(255, 255, 255);
  BrushStyle style = BrushStyle::kSolid;
};

// Size in tenths of a point at 96 pixels per inch (120 = 12 pt = 16 px).
// An empty face takes the system's default family; a face that is not
// installed is drawn with an installed one of the same kind (ResolveFontFace
// in platform/Fonts.h); faces without a glyph for a character fall back to
// one that has it.
//
// A face written "@face" is the face's vertical variant: the text runs at
// the escapement as usual (270 degrees makes a column from top to bottom),
// but full-width characters stand upright in it, in their vertical forms
// (brackets and punctuation turned and moved as vertical writing wants),
// while Latin letters, digits and half-width kana lie along the column.
struct Font {
  std::string face;
  int pointSize10 = 100;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  // The direction the text runs in, tenths of a degree counter-clockwise
  // from the x axis; the characters turn with it.
  int escapement = 0;
};

// How lines and shape outlines combine with the pixels under them. Fills of
// rectangles (FillRect, FrameRect) always copy.
enum class RasterOp {
  kCopyPen,    // the pen or brush colour replaces the pixel
  kXorPen,     // pixel XOR colour
  kNotXorPen,  // NOT (pixel XOR colour): drawing twice gives back the pixels
};

struct TextMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int aveCharWidth = 0;
};

class Dc {
 public:
  explicit Dc(Image& image);
  ~Dc();
  Dc(const Dc&) = delete;
  Dc& operator=(const Dc&) = delete;

  bool IsValid() const;

  // Selecting returns the previous object so a caller can put it back.
  // Defaults: black one-pixel pen, white brush, default font, black text,
  // the copy raster operation, nearest-pixel stretching.
  Pen SelectPen(const Pen& pen);
  Brush SelectBrush(const Brush& brush);
  Font SelectFont(const Font& font);
  COLORREF SetTextColor(COLORREF color);
  RasterOp SetROP2(RasterOp op);
  StretchMode SetStretchBltMode(StretchMode mode);

  // Fills the pixels from (left, top) up to, not including, (right, bottom).
  void FillRect(const RECT& rect, COLORREF color);
  // A one-pixel frame just inside the rectangle.
  void FrameRect(const RECT& rect, COLORREF color);

  // Lines with the pen from the current position; the end pixel is not
  // drawn (so joined lines do not draw their shared pixel twice).
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // Connected lines through the points; the current position is unchanged.
  void Polyline(std::span<const POINT> points);

  // Closed shapes: filled with the brush (polygons by the alternate rule:
  // regions crossed an odd number of times), outlined with the pen.
  void Polygon(std::span<const POINT> points);
  // The ellipse that fits the rectangle (right and bottom excluded).
  void Ellipse(const RECT& rect);
  // The counter-clockwise part of the rectangle's ellipse from the radial
  // through `start` to the radial through `end`; the whole ellipse when the
  // two radials are the same.
  void Arc(const RECT& rect, POINT start, POINT end);

  // Path bracket: between BeginPath and EndPath, MoveTo, LineTo, Polyline,
  // Polygon, Ellipse and Arc add figures to the path instead of drawing.
  // StrokePath then strokes the whole path at once with the pen (so the
  // joins of a figure follow the pen's join style) and forgets it.
  void BeginPath();
  void EndPath();
  void AbortPath();
  void StrokePath();

  // Block transfers from another image (see platform/Blit.h); false when the
  // images or rectangles do not fit. StretchBlt uses the stretch mode
  // (nearest pixel unless set to halftone).
  bool StretchBlt(const RECT& dst, const Image& src, const RECT& srcRect);
  bool AlphaBlend(const RECT& dst, const Image& src, const RECT& srcRect, BlendFunction blend);

  // Logical pixels per inch of the device: 96 for images; a context that
  // stands for a printer is given the printer's resolution.
  SIZE GetLogPixels() const;
  void SetLogPixels(SIZE dpi);

  // Text (UTF-8) in the text colour with a transparent background. (x, y)
  // is the top-left corner of the text's cell, taken before the turn by the
  // font's escapement: the text turns about it.
  void TextOut(int x, int y, std::string_view text);
  // The cell of the text in the selected font: its length along the text
  // (each character's advance plus the character extra) and its height
  // (ascent + descent, whatever the text).
  SIZE GetTextExtent(std::string_view text) const;
  TextMetrics GetTextMetrics() const;
  // Pixels added after every character of text; answers the previous value.
  int SetTextCharacterExtra(int extra);
  int GetTextCharacterExtra() const;

  // Tenths of a point to pixels at the fixed 96 dpi, rounded to nearest.
  static int PointSize10ToPixels(int pointSize10);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
