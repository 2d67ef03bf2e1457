#include "platform/Dc.h"

#include <QPolygon>
#include <cmath>

#include "platform/detail/DcImpl.h"
#include "platform/detail/QtBridge.h"

namespace platform {
namespace detail {

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

}  // namespace detail

namespace {

constexpr qreal kMiterLimit = 10;  // mitre length over line width, then a bevel

Qt::PenCapStyle ToQtCap(PenCap cap) {
  switch (cap) {
    case PenCap::kSquare: return Qt::SquareCap;
    case PenCap::kFlat: return Qt::FlatCap;
    default: return Qt::RoundCap;
  }
}

Qt::PenJoinStyle ToQtJoin(PenJoin join) {
  switch (join) {
    // Qt's plain mitre clips long mitres; its SVG mitre falls back to a bevel
    // past the limit, measured as mitre length over line width.
    case PenJoin::kMiter: return Qt::SvgMiterJoin;
    case PenJoin::kBevel: return Qt::BevelJoin;
    default: return Qt::RoundJoin;
  }
}

}  // namespace

QPen detail::ToQPen(const Pen& pen) {
  if (pen.style == PenStyle::kNull) return QPen(Qt::NoPen);
  QPen qpen(ToQColor(pen.color));
  if (pen.width <= 1 && !pen.geometric) {
    // Cosmetic: one pixel whatever the transform. A flat cap leaves out the
    // end pixel of each line.
    qpen.setWidth(1);
    qpen.setCosmetic(true);
    qpen.setCapStyle(Qt::FlatCap);
    if (pen.style == PenStyle::kDot) qpen.setDashPattern({3.0, 3.0});
  } else {
    qpen.setWidth(std::max(1, pen.width));
    qpen.setCapStyle(ToQtCap(pen.cap));
    qpen.setJoinStyle(ToQtJoin(pen.join));
    qpen.setMiterLimit(kMiterLimit);
  }
  return qpen;
}

QBrush detail::ToQBrush(const Brush& brush) {
  if (brush.style == BrushStyle::kNull) return QBrush(Qt::NoBrush);
  return QBrush(ToQColor(brush.color));
}

namespace {

QPolygon ToQPolygon(std::span<const POINT> points) {
  QPolygon polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const POINT& p : points) polygon.append(QPoint(p.x, p.y));
  return polygon;
}

QRect BoundsOf(std::span<const POINT> points) {
  if (points.empty()) return QRect();
  return ToQPolygon(points).boundingRect();
}

QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// The angle (degrees, counter-clockwise on screen) of the radial through p
// on the ellipse of `box`, in the ellipse's own parameter as Qt measures
// arcs.
qreal ArcAngle(const QRectF& box, POINT p) {
  const qreal rx = std::max<qreal>(box.width() / 2, 0.5), ry = std::max<qreal>(box.height() / 2, 0.5);
  const QPointF c = box.center();
  return std::atan2(-(p.y - c.y()) / ry, (p.x - c.x()) / rx) * 180 / M_PI;
}

}  // namespace

Dc::Dc(Image& image) : impl_(std::make_unique<Impl>()) {
  detail::EnsureGuiApplication();
  impl_->UpdateFont();
  impl_->image = &image;
  if (image.Bpp() != 24 && image.Bpp() != 32) return;
  impl_->view = detail::WrapImage(image);
  if (impl_->view.isNull() || !impl_->painter.begin(&impl_->view)) return;
  impl_->painter.setRenderHint(QPainter::Antialiasing, false);
  impl_->painter.setRenderHint(QPainter::TextAntialiasing, false);
}

Dc::~Dc() {
  if (impl_->painter.isActive()) impl_->painter.end();
}

bool Dc::IsValid() const { return impl_->Valid(); }

Pen Dc::SelectPen(const Pen& pen) { return std::exchange(impl_->pen, pen); }

Brush Dc::SelectBrush(const Brush& brush) { return std::exchange(impl_->brush, brush); }

COLORREF Dc::SetTextColor(COLORREF color) { return std::exchange(impl_->textColor, color); }

RasterOp Dc::SetROP2(RasterOp op) { return std::exchange(impl_->rop, op); }

StretchMode Dc::SetStretchBltMode(StretchMode mode) { return std::exchange(impl_->stretchMode, mode); }

void Dc::FillRect(const RECT& rect, COLORREF color) {
  if (!IsValid() || rect.IsEmpty()) return;
  impl_->painter.fillRect(ToQRect(rect), ToQColor(color));
}

void Dc::FrameRect(const RECT& rect, COLORREF color) {
  if (rect.IsEmpty()) return;
  FillRect(RECT{rect.left, rect.top, rect.right, rect.top + 1}, color);
  FillRect(RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
  FillRect(RECT{rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1}, color);
  FillRect(RECT{rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1}, color);
}

void Dc::MoveTo(int x, int y) {
  impl_->position = POINT{x, y};
  if (impl_->inPath) impl_->path.moveTo(x, y);
}

void Dc::LineTo(int x, int y) {
  if (impl_->inPath) {
    if (impl_->path.elementCount() == 0) impl_->path.moveTo(impl_->position.x, impl_->position.y);
    impl_->path.lineTo(x, y);
  } else {
    const POINT points[] = {impl_->position, POINT{x, y}};
    Polyline(points);
  }
  impl_->position = POINT{x, y};
}

void Dc::Polyline(std::span<const POINT> points) {
  if (points.size() < 2) return;
  if (impl_->inPath) {
    impl_->path.moveTo(points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i) impl_->path.lineTo(points[i].x, points[i].y);
    return;
  }
  if (!IsValid()) return;
  const QPolygon polygon = ToQPolygon(points);
  const Brush brush = std::exchange(impl_->brush, Brush{0, BrushStyle::kNull});
  impl_->Draw(polygon.boundingRect(), [&](QPainter& p) { p.drawPolyline(polygon); });
  impl_->brush = brush;
}

void Dc::Polygon(std::span<const POINT> points) {
  if (points.size() < 2) return;
  const QPolygon polygon = ToQPolygon(points);
  if (impl_->inPath) {
    impl_->path.addPolygon(polygon);
    impl_->path.closeSubpath();
    return;
  }
  if (!IsValid()) return;
  impl_->Draw(BoundsOf(points), [&](QPainter& p) { p.drawPolygon(polygon, Qt::OddEvenFill); });
}

void Dc::Ellipse(const RECT& rect) {
  if (rect.IsEmpty()) return;
  const QRectF box(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1);
  if (impl_->inPath) {
    impl_->path.addEllipse(box);
    return;
  }
  if (!IsValid()) return;
  impl_->Draw(ToQRect(rect), [&](QPainter& p) { p.drawEllipse(box); });
}

void Dc::Arc(const RECT& rect, POINT start, POINT end) {
  if (rect.IsEmpty()) return;
  const QRectF box(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1);
  const qreal from = ArcAngle(box, start);
  qreal span = ArcAngle(box, end) - from;
  while (span <= 0) span += 360;
  if (impl_->inPath) {
    impl_->path.arcMoveTo(box, from);
    impl_->path.arcTo(box, from, span);
    return;
  }
  if (!IsValid()) return;
  const Brush brush = std::exchange(impl_->brush, Brush{0, BrushStyle::kNull});
  impl_->Draw(ToQRect(rect), [&](QPainter& p) {
    if (span >= 360)
      p.drawEllipse(box);
    else
      p.drawArc(box, qRound(from * 16), qRound(span * 16));
  });
  impl_->brush = brush;
}

void Dc::BeginPath() {
  impl_->path = QPainterPath();
  impl_->inPath = true;
}

void Dc::EndPath() { impl_->inPath = false; }

void Dc::AbortPath() {
  impl_->inPath = false;
  impl_->path = QPainterPath();
}

void Dc::StrokePath() {
  impl_->inPath = false;
  const QPainterPath path = std::exchange(impl_->path, QPainterPath());
  if (!IsValid() || path.isEmpty()) return;
  const Brush brush = std::exchange(impl_->brush, Brush{0, BrushStyle::kNull});
  impl_->Draw(path.boundingRect().toAlignedRect(), [&](QPainter& p) { p.drawPath(path); });
  impl_->brush = brush;
}

bool Dc::StretchBlt(const RECT& dst, const Image& src, const RECT& srcRect) {
  return IsValid() && StretchBits(*impl_->image, dst, src, srcRect, impl_->stretchMode);
}

bool Dc::AlphaBlend(const RECT& dst, const Image& src, const RECT& srcRect, BlendFunction blend) {
  return IsValid() && AlphaBlendBits(*impl_->image, dst, src, srcRect, blend);
}

SIZE Dc::GetLogPixels() const { return impl_->logPixels; }

void Dc::SetLogPixels(SIZE dpi) { impl_->logPixels = dpi; }

}  // namespace platform
