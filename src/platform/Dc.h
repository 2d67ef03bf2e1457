#pragma once
// A drawing context on an Image, in the shape the drawing code expects of
// the desktop platform's device contexts: a selected pen, brush, font and
// text colour, a current position, and integer pixel coordinates (x to the
// right, y down, (0,0) the top-left pixel). Edges are aliased, so shapes
// keep exact colours (the page code finds shapes by key colours).
//
// Works on 24- and 32-bit images; on other images (or a null one) IsValid()
// is false and drawing does nothing. Drawing on a 32-bit image writes 255 to
// the fourth byte. The image must outlive the context and must not be
// recreated while it exists.
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace platform {

enum class PenStyle { kSolid, kDot, kNull };

// Width 0 or 1 is a cosmetic one-pixel pen (solid or dotted: 3 pixels on, 3
// off); wider pens are solid with round ends and joins.
struct Pen {
  COLORREF color = MakeRgb(0, 0, 0);
  int width = 1;
  PenStyle style = PenStyle::kSolid;
};

enum class BrushStyle { kSolid, kNull };

struct Brush {
  COLORREF color = MakeRgb(255, 255, 255);
  BrushStyle style = BrushStyle::kSolid;
};

// Size in tenths of a point at 96 pixels per inch (120 = 12 pt = 16 px).
// An empty face takes the system's default family; faces without a glyph for
// a character fall back to one that has it.
struct Font {
  std::string face;
  int pointSize10 = 100;
  bool bold = false;
  bool italic = false;
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
  // Defaults: black one-pixel pen, white brush, default font, black text.
  Pen SelectPen(const Pen& pen);
  Brush SelectBrush(const Brush& brush);
  Font SelectFont(const Font& font);
  COLORREF SetTextColor(COLORREF color);

  // Fills the pixels from (left, top) up to, not including, (right, bottom).
  void FillRect(const RECT& rect, COLORREF color);

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

  // Horizontal text in the text colour with a transparent background; (x, y)
  // is the top-left of the text's cell. Text is UTF-8.
  void TextOut(int x, int y, std::string_view text);
  // Width (advance) and height of the text's cell in the selected font.
  SIZE GetTextExtent(std::string_view text) const;
  TextMetrics GetTextMetrics() const;

  // Tenths of a point to pixels at the fixed 96 dpi, rounded to nearest.
  static int PointSize10ToPixels(int pointSize10);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
