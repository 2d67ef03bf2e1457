#pragma once
// Reduces 24- and 32-bit images to palette indexes for GIF output: a colour
// histogram, a median-cut palette, a 32 x 32 x 32 grid of candidate lists
// that keeps nearest-colour lookup short, and two mappers (plain nearest
// colour, and error diffusion).
//
// Pixels are read as B, G, R(, A) bytes, alpha straight. A GIF pixel is
// either transparent or opaque: on a 32-bit image with alpha, a pixel less
// than half covered (alpha below 128) is transparent and the others are
// opaque in their own colour, so shapes and text keep the weight they have
// over a background. Images without alpha have no transparent pixels.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Image.h"

namespace imaging {

struct PaletteColour {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const PaletteColour&, const PaletteColour&) = default;
};
using Palette = std::vector<PaletteColour>;

// MedianCutPalette / QuantizeImage flags.
enum QuantizeFlags : unsigned {
  // The first 16 entries are the fixed system colours (palettes of more
  // than 16 entries only).
  kQuantizeSystemColours = 1,
  // The last entry is reserved, set to (255, 0, 255), for transparency.
  kQuantizeReserveLast = 2,
};

// The distinct colours of one or more images with their pixel counts.
class ColourHistogram {
 public:
  // One distinct colour for the median cut.
  struct Record {
    int r = 0;
    int g = 0;
    int b = 0;
    std::int64_t count = 0;
  };

  ColourHistogram();

  // Adds every pixel of a 24- or 32-bit image (alpha is not looked at,
  // except that `skipTransparent` leaves out the pixels a GIF shows as
  // transparent). Answers the number of distinct colours this call added;
  // -1 when `limit256` is set and more than 256 distinct colours were met
  // (the histogram then holds what was counted up to that point).
  int CountColours(const platform::Image& image, bool limit256 = false, bool skipTransparent = false);
  int CountDistinct() const { return static_cast<int>(used_); }
  // The distinct colours; answers the total pixel count.
  std::int64_t Flatten(std::vector<Record>& out) const;

 private:
  void Grow();
  bool Insert(std::uint32_t key);  // true when the colour is new

  std::vector<std::uint32_t> keys_;  // 0 = empty slot, else colour + 1
  std::vector<std::int64_t> counts_;
  std::size_t used_ = 0;
};

// Fills `palette` (resized to `paletteSize`, 1 to 256 entries) from the
// histogram's colours by median cut; entries no box fills stay black.
// Answers the number of distinct colours in the histogram.
int MedianCutPalette(const ColourHistogram& histogram, Palette& palette, int paletteSize, unsigned flags);

// Index of the palette entry (among the first `count`) nearest to the
// colour by squared distance; the first on ties.
int PaletteNearest(int r, int g, int b, const Palette& palette, int count);

// One candidate list per 15-bit colour cell, cell (R/8) + 32 (G/8) +
// 1024 (B/8). A cell holds the palette entries whose colour falls in it; a
// cell that holds none gets its centre colour with the index of the entry
// nearest to that centre, so every cell has at least one candidate.
class ColourGrid {
 public:
  static constexpr int kCells = 32768;

  // Looks through the cell of the colour and its six neighbours by index
  // (d +- 1, d +- 32, d +- 1024, those inside the grid): the candidate of
  // the smallest squared distance, the first found on ties; 0 when there
  // are none.
  int GridNearest(int r, int g, int b) const;

 private:
  friend std::unique_ptr<ColourGrid> BuildColourGrid(const Palette& palette, int count);
  struct Node {
    int r, g, b, index;
  };
  // cells_ [cellStart_[d], cellStart_[d + 1]) are the nodes of cell d.
  std::vector<Node> nodes_;
  std::vector<std::int32_t> cellStart_;
};

// A grid over the first `count` palette entries.
std::unique_ptr<ColourGrid> BuildColourGrid(const Palette& palette, int count);

// Map an image to indexes (width x height bytes, rows from the top). With a
// transparent index (>= 0) transparent pixels (alpha below 128) get it and
// the others their nearest colour; with -1 every pixel gets its nearest
// colour. Without a
// grid one is built over the palette's first `paletteSize` entries, less
// the last when a transparent index is given.
void MapNearest(const platform::Image& image, std::uint8_t* indexes, const Palette& palette, int paletteSize,
                int transparentIndex, const ColourGrid* grid = nullptr);
// The same with the error diffused: half of each pixel's error goes on, 7/16
// of it to the right, 3/16 below left, 5/16 below and 1/16 below right.
// Transparent pixels have no colour to miss: they pass no error on.
void MapDiffused(const platform::Image& image, std::uint8_t* indexes, const Palette& palette, int paletteSize,
                 int transparentIndex, const ColourGrid* grid = nullptr);

// The whole chain for one image: histogram, median cut, mapping (dithering
// mode 0 or 16 diffuses the error, any other maps plainly). The transparent
// index is paletteSize - 1 with kQuantizeReserveLast, else there is none.
// `indexes` must hold width x height bytes. Answers the number of distinct
// colours in the image.
int QuantizeImage(const platform::Image& image, std::uint8_t* indexes, Palette& palette, int paletteSize,
                  unsigned flags, int ditheringMode);

}  // namespace imaging
