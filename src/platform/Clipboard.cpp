#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "platform/detail/QtBridge.h"

namespace platform {
namespace {

const QString kPngMime = QStringLiteral("image/png");

QClipboard* SystemClipboard() {
  detail::EnsureGuiApplication();
  return QGuiApplication::clipboard();
}

const QMimeData* Content() {
  QClipboard* clipboard = SystemClipboard();
  return clipboard ? clipboard->mimeData() : nullptr;
}

}  // namespace

ClipboardFormats ClipboardPictureFormats() {
  ClipboardFormats formats;
  if (const QMimeData* data = Content()) {
    formats.png = data->hasFormat(kPngMime);
    formats.bitmap = data->hasImage();
  }
  return formats;
}

bool SetClipboardPictures(const std::string* pngBytes, const Image* bitmap) {
  if (!pngBytes && (!bitmap || bitmap->IsNull())) return false;
  QClipboard* clipboard = SystemClipboard();
  if (!clipboard) return false;
  auto* data = new QMimeData;
  if (pngBytes) data->setData(kPngMime, QByteArray(pngBytes->data(), static_cast<qsizetype>(pngBytes->size())));
  if (bitmap && !bitmap->IsNull()) data->setImageData(detail::ToQImage(*bitmap));
  clipboard->setMimeData(data);  // the clipboard owns it now
  return true;
}

void ClearClipboard() {
  if (QClipboard* clipboard = SystemClipboard()) clipboard->clear();
}

std::optional<std::string> GetClipboardPng() {
  const QMimeData* data = Content();
  if (!data || !data->hasFormat(kPngMime)) return std::nullopt;
  const QByteArray bytes = data->data(kPngMime);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool GetClipboardBitmap(Image& out) {
  out.Destroy();
  const QMimeData* data = Content();
  if (!data || !data->hasImage()) return false;
  const QImage image = qvariant_cast<QImage>(data->imageData());
  if (image.isNull()) return false;
  return detail::FromQImage(image.depth() == 24 || image.depth() == 32 ? image : image.convertToFormat(QImage::Format_ARGB32),
                            out);
}

}  // namespace platform
