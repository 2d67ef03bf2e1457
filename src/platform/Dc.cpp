#include "platform/Dc.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <utility>

#include "platform/detail/QtBridge.h"

namespace platform {
namespace {

constexpr int kScreenDpi = 96;

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

QPen ToQPen(const Pen& pen) {
  if (pen.style == PenStyle::kNull) return QPen(Qt::NoPen);
  QPen qpen(ToQColor(pen.color));
  if (pen.width <= 1) {
    // Cosmetic: one pixel whatever the transform. A flat cap leaves out the
    // end pixel of each line.
    qpen.setWidth(1);
    qpen.setCosmetic(true);
    qpen.setCapStyle(Qt::FlatCap);
    if (pen.style == PenStyle::kDot) qpen.setDashPattern({3.0, 3.0});
  } else {
    qpen.setWidth(pen.width);
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
  }
  return qpen;
}

QBrush ToQBrush(const Brush& brush) {
  if (brush.style == BrushStyle::kNull) return QBrush(Qt::NoBrush);
  return QBrush(ToQColor(brush.color));
}

QFont ToQFont(const Font& font) {
  QFont qfont;
  if (!font.face.empty()) qfont.setFamilies({detail::ToQString(font.face)});
  qfont.setPixelSize(std::max(1, Dc::PointSize10ToPixels(font.pointSize10)));
  qfont.setBold(font.bold);
  qfont.setItalic(font.italic);
  qfont.setStyleStrategy(QFont::NoAntialias);
  return qfont;
}

QPolygon ToQPolygon(std::span<const POINT> points) {
  QPolygon polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const POINT& p : points) polygon.append(QPoint(p.x, p.y));
  return polygon;
}

}  // namespace

struct Dc::Impl {
  QImage view;  // the image's memory, seen by Qt
  QPainter painter;
  Pen pen;
  Brush brush;
  Font font;
  QFont qfont;
  COLORREF textColor = MakeRgb(0, 0, 0);
  POINT position;

  bool Valid() const { return painter.isActive(); }
  // Pixel-sized fonts measure the same on every device.
  QFontMetrics Metrics() const { return QFontMetrics(qfont); }
  void UsePenAndBrush() {
    painter.setPen(ToQPen(pen));
    painter.setBrush(ToQBrush(brush));
  }
};

Dc::Dc(Image& image) : impl_(std::make_unique<Impl>()) {
  detail::EnsureGuiApplication();
  impl_->qfont = ToQFont(impl_->font);
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

Font Dc::SelectFont(const Font& font) {
  impl_->qfont = ToQFont(font);
  return std::exchange(impl_->font, font);
}

COLORREF Dc::SetTextColor(COLORREF color) { return std::exchange(impl_->textColor, color); }

void Dc::FillRect(const RECT& rect, COLORREF color) {
  if (!IsValid() || rect.IsEmpty()) return;
  impl_->painter.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(color));
}

void Dc::MoveTo(int x, int y) { impl_->position = POINT{x, y}; }

void Dc::LineTo(int x, int y) {
  const POINT points[] = {impl_->position, POINT{x, y}};
  Polyline(points);
  impl_->position = POINT{x, y};
}

void Dc::Polyline(std::span<const POINT> points) {
  if (!IsValid() || points.size() < 2) return;
  impl_->painter.setPen(ToQPen(impl_->pen));
  impl_->painter.drawPolyline(ToQPolygon(points));
}

void Dc::Polygon(std::span<const POINT> points) {
  if (!IsValid() || points.size() < 2) return;
  impl_->UsePenAndBrush();
  impl_->painter.drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
}

void Dc::Ellipse(const RECT& rect) {
  if (!IsValid() || rect.IsEmpty()) return;
  impl_->UsePenAndBrush();
  impl_->painter.drawEllipse(QRectF(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1));
}

void Dc::TextOut(int x, int y, std::string_view text) {
  if (!IsValid() || text.empty()) return;
  impl_->painter.setPen(QPen(ToQColor(impl_->textColor)));
  impl_->painter.setFont(impl_->qfont);
  impl_->painter.drawText(QPoint(x, y + impl_->Metrics().ascent()), detail::ToQString(text));
}

SIZE Dc::GetTextExtent(std::string_view text) const {
  QFontMetrics metrics = impl_->Metrics();
  return SIZE{metrics.horizontalAdvance(detail::ToQString(text)), metrics.ascent() + metrics.descent()};
}

TextMetrics Dc::GetTextMetrics() const {
  QFontMetrics metrics = impl_->Metrics();
  return TextMetrics{metrics.ascent() + metrics.descent(), metrics.ascent(), metrics.descent(),
                     metrics.averageCharWidth()};
}

int Dc::PointSize10ToPixels(int pointSize10) {
  // Rounded half away from zero, like the platform's MulDiv.
  const long long scaled = static_cast<long long>(pointSize10) * kScreenDpi;
  const long long half = 360;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / 720 : (scaled - half) / 720);
}

}  // namespace platform
