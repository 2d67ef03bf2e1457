#include "imaging/DrawPrimitives.h"

#include <span>

namespace imaging {
namespace {

using platform::Brush;
using platform::BrushStyle;
using platform::COLORREF;
using platform::Dc;
using platform::Pen;
using platform::PenStyle;
using platform::POINT;
using platform::RasterOp;
using platform::RECT;

// Selects a pen, a brush and a raster operation for one drawing and puts
// the previous ones back when it goes.
class ScopedDrawing {
 public:
  ScopedDrawing(Dc& dc, const Pen& pen, const Brush& brush, RasterOp op = RasterOp::kCopyPen)
      : dc_(dc), pen_(dc.SelectPen(pen)), brush_(dc.SelectBrush(brush)), op_(dc.SetROP2(op)) {}
  ~ScopedDrawing() {
    dc_.SetROP2(op_);
    dc_.SelectBrush(brush_);
    dc_.SelectPen(pen_);
  }
  ScopedDrawing(const ScopedDrawing&) = delete;
  ScopedDrawing& operator=(const ScopedDrawing&) = delete;

 private:
  Dc& dc_;
  Pen pen_;
  Brush brush_;
  RasterOp op_;
};

const Brush kNoBrush{0, BrushStyle::kNull};

Pen DottedPen(COLORREF color) { return Pen{color, 1, PenStyle::kDot}; }

}  // namespace

void PnUtilDrawEllipse(Dc& dc, const RECT& rect, COLORREF penColor, COLORREF brushColor) {
  ScopedDrawing drawing(dc, Pen{penColor, 1, PenStyle::kSolid}, Brush{brushColor, BrushStyle::kSolid});
  dc.Ellipse(rect);
}

void PnUtilDrawRect(Dc& dc, const RECT& rect, COLORREF frameColor, COLORREF fillColor, int mode) {
  if (mode == 0 || mode == 1) dc.FillRect(rect, fillColor);
  if (mode == 0 || mode == 2) dc.FrameRect(rect, frameColor);
}

void PnUtilFillPolygon(Dc& dc, const POINT* points, int count, COLORREF color) {
  if (points == nullptr || count < 2) return;
  ScopedDrawing drawing(dc, Pen{0, 1, PenStyle::kNull}, Brush{color, BrushStyle::kSolid});
  dc.Polygon(std::span<const POINT>(points, static_cast<std::size_t>(count)));
}

void PnUtilDrawXorRect(Dc& dc, const RECT& rect, COLORREF color) {
  ScopedDrawing drawing(dc, DottedPen(color), kNoBrush, RasterOp::kNotXorPen);
  dc.MoveTo(rect.left, rect.top);
  dc.LineTo(rect.right, rect.top);
  dc.LineTo(rect.right, rect.bottom);
  dc.LineTo(rect.left, rect.bottom);
  dc.LineTo(rect.left, rect.top);
}

void PnUtilDrawXorEllipse(Dc& dc, const RECT& rect, COLORREF color) {
  ScopedDrawing drawing(dc, DottedPen(color), kNoBrush, RasterOp::kNotXorPen);
  const POINT corner{rect.left, rect.top};
  dc.Arc(rect, corner, corner);
}

void PnUtilDrawXorLine(Dc& dc, POINT start, POINT end, int width, COLORREF color, bool dotted) {
  const Pen pen = dotted ? DottedPen(color) : Pen{color, width, PenStyle::kSolid};
  ScopedDrawing drawing(dc, pen, kNoBrush, RasterOp::kNotXorPen);
  dc.MoveTo(start.x, start.y);
  dc.LineTo(end.x, end.y);
}

}  // namespace imaging
