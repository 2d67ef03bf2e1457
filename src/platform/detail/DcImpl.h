#pragma once
// Private to src/platform: the state behind a Dc, shared by its drawing
// (Dc.cpp) and its text (DcText.cpp).
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/Dc.h"

namespace platform {
namespace detail {

inline constexpr int kScreenDpi = 96;

QColor ToQColor(COLORREF color);
QPen ToQPen(const Pen& pen);
QBrush ToQBrush(const Brush& brush);

}  // namespace detail

using detail::kScreenDpi;
using detail::ToQBrush;
using detail::ToQColor;
using detail::ToQPen;

struct Dc::Impl {
  Image* image = nullptr;
  QImage view;  // the image's memory, seen by Qt
  QPainter painter;
  Pen pen;
  Brush brush;
  Font font;
  QFont qfont;       // the selected font as Qt draws it (character extra included)
  bool vertical = false;  // the face starts with "@"
  int charExtra = 0;
  COLORREF textColor = MakeRgb(0, 0, 0);
  POINT position;
  RasterOp rop = RasterOp::kCopyPen;
  StretchMode stretchMode = StretchMode::kColorOnColor;
  SIZE logPixels{kScreenDpi, kScreenDpi};
  bool inPath = false;
  QPainterPath path;
  QImage layer;  // shapes drawn with a XOR operation go here first

  bool Valid() const { return painter.isActive(); }
  // Pixel-sized fonts measure the same on every device.
  QFontMetrics Metrics() const { return QFontMetrics(qfont); }
  // Makes qfont from font and charExtra (DcText.cpp).
  void UpdateFont();
  void UsePenAndBrush(QPainter& target) const {
    target.setPen(ToQPen(pen));
    target.setBrush(ToQBrush(brush));
  }

  // Draws a shape with the pen and brush through the raster operation.
  // `bounds` holds every pixel of the shape's geometry; the pen's width is
  // added here.
  template <class DrawFn>
  void Draw(QRect bounds, DrawFn draw) {
    if (rop == RasterOp::kCopyPen) {
      UsePenAndBrush(painter);
      draw(painter);
      return;
    }
    // Room for the pen's width, ends and mitres (at most 10 widths long).
    const int margin = 5 * std::max(1, pen.width) + 2;
    bounds = bounds.adjusted(-margin, -margin, margin, margin).intersected(view.rect());
    if (bounds.isEmpty()) return;
    if (layer.size() != view.size()) {
      layer = QImage(view.size(), QImage::Format_ARGB32_Premultiplied);
      layer.fill(Qt::transparent);
    }
    {
      QPainter layerPainter(&layer);
      layerPainter.setRenderHint(QPainter::Antialiasing, false);
      layerPainter.setClipRect(bounds);
      UsePenAndBrush(layerPainter);
      draw(layerPainter);
    }
    CombineLayer(bounds);
  }

  // Each pixel the shape covered combines its colour with the image's; the
  // layer is left transparent again for the next shape.
  void CombineLayer(const QRect& bounds) {
    const int bytes = image->Bpp() / 8;
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
      auto* shape = reinterpret_cast<QRgb*>(layer.scanLine(y));
      std::uint8_t* row = image->Row(y);
      for (int x = bounds.left(); x <= bounds.right(); ++x) {
        const QRgb c = std::exchange(shape[x], 0u);
        if (qAlpha(c) == 0) continue;
        std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * bytes;
        const std::uint8_t colour[3] = {static_cast<std::uint8_t>(qBlue(c)), static_cast<std::uint8_t>(qGreen(c)),
                                        static_cast<std::uint8_t>(qRed(c))};
        for (int i = 0; i < 3; ++i) {
          const auto mixed = static_cast<std::uint8_t>(p[i] ^ colour[i]);
          p[i] = rop == RasterOp::kXorPen ? mixed : static_cast<std::uint8_t>(~mixed);
        }
      }
    }
  }
};

}  // namespace platform
