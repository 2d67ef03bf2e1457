// BMP files and packed bitmaps: loaded, checked, run-length expanded and
// turned into RGBA as the engine does with a texture.
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "engine/image/CDib.h"

namespace {

void Use(const engine::CDib& dib) {
  if (!dib.IsLoaded()) return;
  if (dib.IsCompressed()) {
    const std::int64_t size = dib.RleExpandedSize();
    if (size > 0 && size <= (1 << 24)) {
      std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size));
      dib.ExpandRle(pixels);
    }
  }
  // Large pictures are only slow.
  if (std::int64_t{dib.Width()} * std::abs(std::int64_t{dib.Height()}) > (1 << 22)) return;
  engine::RgbaImageRecord rgba;
  engine::DibToRgba(dib, rgba);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A file begins with "BM"; anything else is tried as a packed bitmap.
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    const engine::CDib dib(fuzzsupport::WriteInput(data, size, "image.bmp"));
    Use(dib);
    return 0;
  }
  std::vector<std::uint8_t> packed(data, data + size);
  const engine::CDib dib(packed.data(), packed.size());
  Use(dib);
  return 0;
}
