#include "imaging/gif/GifWriter.h"

#include <cerrno>
#include <new>
#include <vector>

#include "imaging/detail/SafeSave.h"
#include "imaging/gif/CGifFormat.h"
#include "imaging/gif/CLzwCodec.h"
#include "imaging/gif/GifFile.h"

namespace imaging {
namespace {

constexpr int kPaletteSize = 256;
constexpr int kCodeSize = 8;
constexpr std::uint8_t kTransparentIndex = 255;

}  // namespace

int GifErrorFromErrno(int errorNumber) {
  switch (errorNumber) {
    case 0:
      return kGifOk;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kGifDiskFull;
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EISDIR:
    case EMFILE:
    case ENFILE:
    case ETXTBSY:
    case EBUSY:
      return kGifCannotCreate;
    default:
      return kGifFileError;
  }
}

int GifErrorFromFileException(const platform::FileError& error) { return GifErrorFromErrno(error.ErrorNumber()); }

int WriteGif(const std::string& path, const std::uint8_t* indexes, const Palette& palette, int width, int height) {
  if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) return kGifFileError;
  try {
    GifHeader header;
    header.width = static_cast<std::uint16_t>(width);
    header.height = static_cast<std::uint16_t>(height);
    header.packed = 0xF0;
    header.SetTableSize(kPaletteSize);

    CGifFormat::GifColorTable table;
    table.count = kPaletteSize;
    for (std::size_t i = 0; i < palette.size() && i < table.entries.size(); ++i) table.entries[i] = palette[i];

    CGifFormat::GraphicControlBlock control;
    control.flags = 0x01;
    control.delay = 0;
    control.transparentIndex = kTransparentIndex;

    CGifFormat::ImageBlock image;
    image.width = header.width;
    image.height = header.height;
    image.codeSize = kCodeSize;
    const std::vector<std::uint8_t> codes =
        LzwEncode(indexes, static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kCodeSize);
    image.data.Split(codes.data(), codes.size());

    GifBytes bytes;
    header.Write(bytes);
    table.Write(bytes, kPaletteSize);
    control.Write(bytes);
    image.Write(bytes);
    bytes.push_back(CGifFormat::kTrailer);
    return WriteGifFile(path, [&](platform::File& file) {
      file.Write(bytes.data(), bytes.size());
      return true;
    });
  } catch (const std::bad_alloc&) {
    return kGifFileError;
  }
}

int SaveImageAsGif(const platform::Image& image, const std::string& path) {
  if (image.IsNull() || (image.Bpp() != 24 && image.Bpp() != 32)) return kGifFileError;
  try {
    std::vector<std::uint8_t> indexes(static_cast<std::size_t>(image.Width()) * static_cast<std::size_t>(image.Height()));
    Palette palette;
    QuantizeImage(image, indexes.data(), palette, kPaletteSize, kQuantizeReserveLast, 0);
    return WriteGif(path, indexes.data(), palette, image.Width(), image.Height());
  } catch (const std::bad_alloc&) {
    return kGifFileError;
  }
}

}  // namespace imaging
