#include "platform/detail/QtBridge.h"

#include <QGuiApplication>
#include <cstring>

namespace platform::detail {
namespace {

QList<QRgb> ColorTableOf(const Image& image) {
  QList<QRgb> table;
  for (const Bgra& entry : image.Palette()) table.push_back(qRgb(entry.r, entry.g, entry.b));
  return table;
}

std::vector<Bgra> PaletteOf(const QImage& image) {
  std::vector<Bgra> palette;
  for (QRgb entry : image.colorTable())
    palette.push_back(Bgra{static_cast<std::uint8_t>(qBlue(entry)), static_cast<std::uint8_t>(qGreen(entry)),
                           static_cast<std::uint8_t>(qRed(entry)), 0});
  return palette;
}

// Copies rows between two bitmaps of the same size and depth whose pitches
// may differ.
void CopyRows(const std::uint8_t* src, qsizetype srcPitch, std::uint8_t* dst, qsizetype dstPitch, int height,
              qsizetype rowBytes) {
  for (int y = 0; y < height; ++y) std::memcpy(dst + y * dstPitch, src + y * srcPitch, rowBytes);
}

// Bytes per row that carry pixels (the rest is padding).
qsizetype UsedRowBytes(int width, int bpp) { return (static_cast<qsizetype>(width) * bpp + 7) / 8; }

}  // namespace

QImage::Format QtFormatOf(const Image& image) {
  if (image.IsNull()) return QImage::Format_Invalid;
  switch (image.Bpp()) {
    case 32: return image.HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    case 24: return QImage::Format_BGR888;
    case 8: return QImage::Format_Indexed8;
    default: return QImage::Format_Mono;
  }
}

QImage WrapImage(Image& image) {
  if (image.IsNull()) return QImage();
  QImage view(image.Bits(), image.Width(), image.Height(), image.Pitch(), QtFormatOf(image));
  if (image.Bpp() <= 8) view.setColorTable(ColorTableOf(image));
  return view;
}

QImage ToQImage(const Image& image) {
  if (image.IsNull()) return QImage();
  QImage copy(image.Width(), image.Height(), QtFormatOf(image));
  if (copy.isNull()) return copy;
  CopyRows(image.Bits(), image.Pitch(), copy.bits(), copy.bytesPerLine(), image.Height(),
           UsedRowBytes(image.Width(), image.Bpp()));
  if (image.Bpp() <= 8) copy.setColorTable(ColorTableOf(image));
  if (image.Bpp() == 32 && !image.HasAlpha()) {
    for (int y = 0; y < copy.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(copy.scanLine(y));
      for (int x = 0; x < copy.width(); ++x) row[x] |= 0xFF000000u;
    }
  }
  return copy;
}

bool FromQImage(const QImage& source, Image& out) {
  out.Destroy();
  if (source.isNull()) return false;

  QImage converted;
  int bpp = 32;
  bool alpha = false;
  switch (source.format()) {
    case QImage::Format_Mono:
      converted = source;
      bpp = 1;
      break;
    case QImage::Format_MonoLSB:
      converted = source.convertToFormat(QImage::Format_Mono);
      bpp = 1;
      break;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:  // keeps the grey ramp palette Create gives
      converted = source;
      bpp = 8;
      break;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
      converted = source.convertToFormat(QImage::Format_BGR888);
      bpp = 24;
      break;
    default:
      alpha = source.hasAlphaChannel();
      converted = source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
      break;
  }
  if (converted.isNull() || !out.Create(converted.width(), converted.height(), bpp, alpha)) return false;
  CopyRows(converted.constBits(), converted.bytesPerLine(), out.Bits(), out.Pitch(), out.Height(),
           UsedRowBytes(out.Width(), bpp));
  if (bpp <= 8) out.SetPalette(PaletteOf(converted));
  return true;
}

void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char arg0[] = "pennet";
  static char* argv[] = {arg0, nullptr};
  // Never destroyed: Qt objects made later may outlive any scope we could
  // give it, and it ends with the process.
  new QGuiApplication(argc, argv);
}

}  // namespace platform::detail
