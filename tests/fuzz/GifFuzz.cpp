// GIF blocks: the logical screen header, then images and extensions read
// and described one after another up to the trailer.
#include <memory>

#include "FuzzSupport.h"
#include "imaging/gif/CGifFormat.h"

namespace {

using imaging::CGifFormat;

// The extension block of a label; the comment block stands for labels the
// program does not write (its reader takes any sub-blocks).
std::unique_ptr<CGifFormat::ExtensionBlock> ExtensionOf(std::uint8_t label) {
  if (label == CGifFormat::kGraphicControlLabel) return std::make_unique<CGifFormat::GraphicControlBlock>();
  if (label == CGifFormat::kApplicationLabel) return std::make_unique<CGifFormat::ApplicationBlock>();
  return std::make_unique<CGifFormat::CommentBlock>();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  imaging::GifByteReader in(data, size);
  imaging::GifHeader header;
  if (!header.Read(in)) return 0;
  if (header.packed & 0x80) {
    std::uint8_t table[3 * 256];
    if (!in.Bytes(table, 3 * (std::size_t{1} << ((header.packed & 7) + 1)))) return 0;
  }
  while (in.Remaining() > 0) {
    const std::uint8_t signature = data[in.Position()];
    if (signature == CGifFormat::kImageSignature) {
      CGifFormat::ImageBlock image;
      if (!image.Block::Read(in) || !image.Read(in)) break;
      image.Dump();
      image.data.Joined();
    } else if (signature == CGifFormat::kExtensionSignature && in.Remaining() >= 2) {
      auto block = ExtensionOf(data[in.Position() + 1]);
      if (!block->ReadHeader(in) || !block->Read(in)) break;
      block->Dump();
    } else {
      break;
    }
  }
  return 0;
}
