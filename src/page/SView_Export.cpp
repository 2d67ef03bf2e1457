// The page as image files, animation frames and pictures made of objects.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "imaging/ImageFiles.h"
#include "imaging/PixelOps.h"
#include "imaging/Utilities.h"
#include "imaging/archive/SArchiver.h"
#include "imaging/gif/AnimGifWriter.h"
#include "imaging/gif/GifWriter.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SView.h"
#include "platform/ImageCodec.h"

namespace page {
namespace {

// Puts a value back when the scope ends: the page's transparent background
// after an export that clears it, and the window's transform after drawings
// with their own (so hit tests keep working until the next redraw).
template <typename Value>
class KeepValue {
 public:
  explicit KeepValue(Value& value) : value_(value), kept_(value) {}
  ~KeepValue() { value_ = kept_; }
  KeepValue(const KeepValue&) = delete;
  KeepValue& operator=(const KeepValue&) = delete;

 private:
  Value& value_;
  Value kept_;
};

bool IsNonEmptyFile(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return !error && size > 0;
}

}  // namespace

int SView::ExportPageImage(SDoc& doc, int width, int height, int dpi, const std::string& path) {
  std::string extension;
  imaging::PnUtilGetExtension(path, extension);
  // The other common name of JPEG files: through the codec's own writer
  // the transparent background came out black.
  if (extension == "jpeg") extension = "jpg";
  KeepValue keepTransparency(doc.grid.flag1);
  KeepValue keepTransform(transform);
  // These formats hold no alpha: the page's background shows instead.
  if (extension == "jpg" || extension == "bmp") doc.grid.flag1 = false;
  if (const int rc = Draw(nullptr, doc, {0, 0, width, height}, kDrawExport); rc != 0) return rc;
  if (extension == "jpg") return imaging::SaveJpegWithResolution(image, dpi, path, 100);
  if (extension == "png") return imaging::SavePngWithResolution(image, dpi, path);
  if (extension == "bmp") return imaging::SaveBmpWithResolution(image, dpi, path);
  if (extension == "gif") return imaging::SaveImageAsGif(image, path);
  return platform::SaveImageFile(image, path) && IsNonEmptyFile(path) ? kResultOk : kResultFileIo;
}

int SView::ExportAnimationFrames(SDoc& doc, int count, std::string& folder) {
  folder.clear();
  if (!imaging::PnUtilMakeTempFolder(folder)) return kResultFileIo;
  for (int i = 0; i < count; ++i) {
    doc.SetAnimFrame(i);
    const int rc = ExportPageImage(doc, doc.GetPageWidth(), doc.GetPageHeight(), 72, imaging::AnimGifFramePath(folder, i));
    if (rc < 0) {
      // A failed export leaves no half-filled frame folder behind.
      imaging::ArcRemoveFolderFiles(folder);
      folder.clear();
      return rc;
    }
  }
  return kResultOk;
}

int SView::ConvertToPicture(SDoc& doc, double factor, int kind, SPictureSink& sink) {
  std::vector<SObj*> chosen;
  for (const auto& object : doc.Objects()) {
    if (!object->IsSelected() || (object->flags & (kObjGroup | kObjHidden))) continue;
    if (kind == 0 && !object->CanConvertToPicture()) continue;
    chosen.push_back(object.get());
  }
  if (!(factor > 0) || !std::isfinite(factor)) return kResultNoMemory;  // no picture can be made at it
  KeepValue keep(transform);
  transform.mode = kDrawExport;
  transform.scale = transform.scaleX = transform.scaleY = factor;
  transform.originX = transform.originY = 0;

  // The pictures' union, with the turns taken off the boxes.
  SPoint min(1e300, 1e300), max(-1e300, -1e300), largest;
  for (SObj* object : chosen) {
    PropSCVal p = object->placement;
    doc.ResetObjectRotation(object->id, p);
    min = SPoint(std::min(min.x, p.x - p.width / 2), std::min(min.y, p.y - p.height / 2));
    max = SPoint(std::max(max.x, p.x + p.width / 2), std::max(max.y, p.y + p.height / 2));
    const SPoint extent = object->GetDrawMargins(transform);
    largest = SPoint(std::max(largest.x, extent.x), std::max(largest.y, extent.y));
  }
  if (largest.x < 1e-6 || largest.y < 1e-6) return kResultOk;

  platform::Image composite;
  if (kind == 1 && !composite.Create(static_cast<int>(std::ceil(factor * (max.x - min.x))),
                                     static_cast<int>(std::ceil(factor * (max.y - min.y))), 32, true))
    return kResultNoMemory;
  const platform::POINT origin{static_cast<int>(std::floor(min.x * factor)),
                               static_cast<int>(std::floor(min.y * factor))};
  for (SObj* object : chosen) {
    SObjDrawn drawn;
    if (const int rc = object->Draw(nullptr, transform, nullptr, false, scratch, &drawn); rc < 0) return rc;
    if (drawn.index < 0) continue;
    const platform::Image& picture = scratch.image[drawn.index];
    const platform::SIZE used{drawn.rect.Width(), drawn.rect.Height()};
    if (kind == 1) {
      imaging::PnUtilCompositeLighter(picture, used, {drawn.rect.left - origin.x, drawn.rect.top - origin.y}, composite);
      continue;
    }
    auto own = std::make_unique<platform::Image>();
    if (!own->Create(used.cx, used.cy, 32, true)) return kResultNoMemory;
    imaging::PnUtilCopyImageBits(picture, *own);
    imaging::PnUtilUnpremultiplyAlpha(*own);
    if (const int rc = sink.ChangeToPicture(doc, object->id, std::move(own)); rc < 0) return rc;
  }
  if (kind != 1) return kResultOk;

  // The composite goes through a PNG file, as an inserted picture would; a
  // file holds straight alpha.
  std::string temp;
  if (!imaging::PnUtilMakeTempFileName(temp)) return kResultFileIo;
  std::remove(temp.c_str());
  const std::string png = temp + ".png";
  imaging::PnUtilUnpremultiplyAlpha(composite);
  if (const int rc = imaging::SavePngWithResolution(composite, 72, png); rc < 0) return rc;
  composite.Destroy();
  return sink.InsertComposite(doc, png, (min + max) * 0.5, max - min);
}

}  // namespace page
