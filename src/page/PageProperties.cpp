#include "page/PageProperties.h"

#include <cstdio>

#include "imaging/PixelOps.h"
#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SView.h"
#include "page/StringTable.h"
#include "platform/Cp932.h"
#include "platform/ImageCodec.h"
#include "platform/TempFiles.h"

namespace page {
namespace {

// A 70 × 70 opaque 32-bit picture holding `source` at its top-left corner.
platform::Image SquareCopy(const platform::Image& source) {
  platform::Image square(kThumbnailSide, kThumbnailSide, 32);
  if (square.IsNull() || source.IsNull()) return square;
  imaging::PnUtilFillImage(square, 0xFFFFFF, 255);
  imaging::PnUtilCopyImageBits(source, square);
  imaging::PnUtilSetAlpha(square, 255);
  return square;
}

std::string TooLong(int bytes) {
  std::string text = PnLoadString(kStrTextTooLong);
  if (const std::size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(bytes));
  return text;
}

}  // namespace

PageProperties TakePageProperties(const SDoc& doc) {
  PageProperties p;
  p.title = doc.thumbText1;
  p.description = doc.thumbText2;
  if (!doc.thumbImage.IsNull()) p.thumbnail = SquareCopy(doc.thumbImage);
  return p;
}

std::string ValidatePageProperties(const PageProperties& p) {
  for (const std::string* text : {&p.title, &p.description})
    if (std::string message = NotStorableTextMessage(*text); !message.empty()) return message;
  const std::string title = platform::Utf8ToCp932(p.title).value_or("");
  const std::string description = platform::Utf8ToCp932(p.description).value_or("");
  if (description.size() > static_cast<std::size_t>(kDescriptionMaxBytes)) return TooLong(kDescriptionMaxBytes);
  if (title.size() > static_cast<std::size_t>(kTitleMaxBytes)) return TooLong(kTitleMaxBytes);
  return {};
}

void StorePageProperties(SDoc& doc, const PageProperties& p) {
  doc.thumbText1 = p.title;
  doc.thumbText2 = p.description;
  if (!p.thumbnail.IsNull()) doc.thumbImage = SquareCopy(p.thumbnail);
}

int MakePageThumbnail(SView& view, SDoc& doc, platform::Image& thumbnail) {
  thumbnail.Destroy();
  std::string reserved;
  if (!platform::PnUtilMakeTempFileName(reserved)) return kResultFileIo;
  // The reserved name with ".jpg" in place of its extension.
  const std::size_t dot = reserved.rfind('.');
  const std::string jpeg = (dot == std::string::npos ? reserved : reserved.substr(0, dot)) + ".jpg";
  int rc = view.ExportPageImage(doc, kThumbnailSide, kThumbnailSide, 72, jpeg);
  if (rc == 0 && !platform::LoadImageFile(jpeg, thumbnail)) rc = kResultDamagedImage;
  std::remove(jpeg.c_str());
  std::remove(reserved.c_str());
  return rc;
}

}  // namespace page
