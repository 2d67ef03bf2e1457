#include "imaging/clipboard/ClipboardPictures.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "imaging/PixelOps.h"
#include "imaging/detail/TrueColour.h"
#include "platform/Blit.h"
#include "platform/Clipboard.h"
#include "platform/ImageCodec.h"
#include "platform/TempFiles.h"

namespace imaging {
namespace {

constexpr int kOutOfMemory = -1;
constexpr int kNoTempFile = -9;
constexpr int kPngNotSaved = -12;

// Reads a whole file; false when it cannot be opened.
bool ReadWhole(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// The PNG on the clipboard as a 32-bit image; false when it cannot be read.
bool LoadPng(const std::string& bytes, platform::Image& image) {
  std::string temp;
  if (!platform::PnUtilMakeTempFileName(temp)) return false;
  platform::Image loaded;
  const bool ok = WriteWhole(temp, bytes) && platform::LoadImageFile(temp, loaded) &&
                  detail::CopyToTrueColour(loaded, image);
  std::remove(temp.c_str());
  return ok;
}

}  // namespace

bool MakeClipboardBitmap(const platform::Image& premultiplied, platform::COLORREF background, platform::Image& out,
                         int& code) {
  out.Destroy();
  const int w = premultiplied.Width(), h = premultiplied.Height();
  if (premultiplied.IsNull() || !out.Create(w, h, 24)) {
    code = kOutOfMemory;
    return false;
  }
  out.Fill(platform::Bgra::FromColorRef(background));
  platform::BlendFunction blend;
  blend.sourceAlpha = premultiplied.Bpp() == 32;
  const platform::RECT whole{0, 0, w, h};
  if (!platform::AlphaBlendBits(out, whole, premultiplied, whole, blend)) {
    out.Destroy();
    code = kOutOfMemory;
    return false;
  }
  return true;
}

bool MakeClipboardPng(const platform::Image& image, std::string& out, int& code) {
  out.clear();
  std::string temp;
  if (!platform::MakeTempFile("crv", temp)) {
    code = kNoTempFile;
    return false;
  }
  bool ok = platform::SaveImageFile(image, temp, "png");
  if (!ok)
    code = kPngNotSaved;
  else if (!(ok = ReadWhole(temp, out)))
    code = kNoTempFile;
  std::remove(temp.c_str());
  return ok;
}

int CopyImageToClipboard(platform::Image& image, bool premultiplied, unsigned formats,
                         platform::COLORREF background) {
  int code = 0;
  platform::Image bitmap;
  bool haveBitmap = false;
  if (formats & (kClipboardBitmap | kClipboardMetafile)) {
    if (!premultiplied) PnUtilPremultiplyAlpha(image);
    premultiplied = true;
    if (formats & kClipboardBitmap) haveBitmap = MakeClipboardBitmap(image, background, bitmap, code);
    // No metafile can be made here: that format alone makes nothing.
  }
  std::string png;
  bool havePng = false;
  if (formats & kClipboardPng) {
    if (premultiplied) PnUtilUnpremultiplyAlpha(image);
    havePng = MakeClipboardPng(image, png, code);
  }
  if (!haveBitmap && !havePng) return kClipboardNothingMade;
  if (!platform::SetClipboardPictures(havePng ? &png : nullptr, haveBitmap ? &bitmap : nullptr)) return kOutOfMemory;
  return code;
}

bool CanPasteImage() {
  const platform::ClipboardFormats formats = platform::ClipboardPictureFormats();
  return formats.png || formats.bitmap;
}

int PasteImageFromClipboard(platform::Image& image) {
  image.Destroy();
  const platform::ClipboardFormats formats = platform::ClipboardPictureFormats();
  if (formats.png) {
    // A PNG that cannot be read fails the paste; the bitmap is not tried.
    const std::optional<std::string> png = platform::GetClipboardPng();
    return png && LoadPng(*png, image) ? 0 : -1;
  }
  if (!formats.bitmap) return 0;
  platform::Image bitmap;
  if (!platform::GetClipboardBitmap(bitmap) || !detail::CopyToTrueColour(bitmap, image)) {
    image.Destroy();
    return -1;
  }
  // A bitmap has no transparency: every pixel comes out opaque.
  PnUtilSetAlpha(image, 255);
  return 0;
}

}  // namespace imaging
