#include "platform/ImageCodec.h"

#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>

#include "platform/Paths.h"
#include "platform/detail/QtBridge.h"

namespace platform {
namespace {

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

bool LoadImageFile(const std::string& path, Image& out, std::string* error) {
  out.Destroy();
  QImageReader reader(detail::ToQString(path));
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(false);
  const QImage image = reader.read();
  if (image.isNull()) {
    SetError(error, "Cannot read the picture " + path + ": " + reader.errorString().toStdString());
    return false;
  }
  if (!detail::FromQImage(image, out)) {
    SetError(error, "Not enough memory for the picture " + path + ".");
    return false;
  }
  return true;
}

bool SaveImageFile(const Image& image, const std::string& path, std::string_view format, std::string* error) {
  if (image.IsNull()) {
    SetError(error, "There is no picture to save.");
    return false;
  }
  const std::string name = format.empty() ? ExtensionOf(path) : std::string(format);
  const QByteArray qformat = QByteArray::fromStdString(name).toLower();
  if (qformat.isEmpty() || !QImageWriter::supportedImageFormats().contains(qformat)) {
    SetError(error, "Unknown picture format \"" + name + "\" for " + path + ".");
    return false;
  }
  const QImage copy = detail::ToQImage(image);
  if (copy.isNull()) {
    SetError(error, "Not enough memory to save " + path + ".");
    return false;
  }
  QImageWriter writer(detail::ToQString(path), qformat);
  if (!writer.write(copy)) {
    SetError(error, "Cannot write " + path + ": " + writer.errorString().toStdString());
    return false;
  }
  return true;
}

}  // namespace platform
