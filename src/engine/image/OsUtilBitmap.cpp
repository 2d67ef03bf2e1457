#include "engine/image/OsUtilBitmap.h"

#include "engine/core/EngAlloc.h"
#include "engine/image/OsUtilImage.h"
#include "platform/Blit.h"
#include "platform/Hooks.h"

namespace engine {
namespace {

void ShowError(const char* text) { platform::ShowMessage(text, "Pennet", platform::kMbOk); }

}  // namespace

int OsUtilImageToBitmap(const RgbaImageRecord* image, int width, int height, EngBitmap* bitmap) {
  if (image == nullptr || image->pixels == nullptr || image->width <= 0 || image->height <= 0) return 0;
  if (bitmap == nullptr) return 1;
  if (width <= 0 || height <= 0) return 0;
  // The picture as a 24-bit copy, top row first.
  platform::Image copy;
  if (!copy.Create(image->width, image->height, 24)) return 0;
  for (int y = 0; y < image->height; ++y) {
    const unsigned char* from = image->Pixel(0, image->height - 1 - y);
    std::uint8_t* to = copy.Row(y);
    for (int x = 0; x < image->width; ++x, from += 4, to += 3) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
    }
  }
  platform::Image target;
  if (!target.Create(width, height, 32)) return 0;
  if (!platform::StretchBits(target, {0, 0, width, height}, copy, {0, 0, image->width, image->height},
                             platform::StretchMode::kColorOnColor))
    return 0;
  bitmap->image = std::move(target);
  bitmap->dimension = {width, height};
  return 1;
}

int OsUtilDibToImage(const CDib& dib, RgbaImageRecord& out, int width, int height, EngBitmap* bitmap) {
  if (dib.BitCount() == 16 || dib.BitCount() == 32) {
    ShowError("File Open Error");
    return 0;
  }
  if (!DibToRgba(dib, out)) return 0;
  return OsUtilImageToBitmap(&out, width, height, bitmap);
}

int OsUtilSmoothDib(CDib& dib, int mode) {
  switch (dib.BitCount()) {
    case 24:
      break;
    case 16:
    case 32:
      ShowError("Smooth Bitmap error");
      return 0;
    default:
      ShowError("File Open Error");
      return 0;
  }
  if (dib.IsCompressed()) return 0;
  const int rows = dib.Height() < 0 ? -dib.Height() : dib.Height();
  const int pitch = (dib.Width() * 24 + 31) / 32 * 4;
  OsUtilSmoothPixels(dib.MutableBits(), dib.Width(), rows, pitch, 3, mode);
  return 1;
}

int OsUtilSmoothBitmap(EngBitmap& bitmap, int mode) {
  platform::Image& image = bitmap.image;
  if (image.IsNull() || (image.Bpp() != 24 && image.Bpp() != 32)) return 0;
  // From the bottom row up, with a negative pitch.
  OsUtilSmoothPixels(image.Row(image.Height() - 1), image.Width(), image.Height(), -image.Pitch(), image.Bpp() / 8,
                     mode);
  return 1;
}

platform::RECT OsUtilGetBitmapRect(const EngBitmap& bitmap) {
  return {0, 0, bitmap.dimension.cx, bitmap.dimension.cy};
}

bool OsUtilStretchDcToBitmap(const platform::Image& source, EngBitmap& bitmap, const platform::RECT& sourceRect,
                             const platform::RECT& destinationRect) {
  return platform::StretchBits(bitmap.image, destinationRect, source, sourceRect, platform::StretchMode::kHalftone);
}

}  // namespace engine
