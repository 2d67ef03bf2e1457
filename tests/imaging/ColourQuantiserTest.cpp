#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "imaging/gif/ColourQuantiser.h"

namespace {

using imaging::Palette;
using imaging::PaletteColour;
using platform::Bgra;
using platform::Image;

// An image whose pixels cycle through `count` distinct colours (row by
// row); on a 32-bit image every pixel is opaque.
Image CyclingColours(int width, int height, int bpp, int count) {
  Image image(width, height, bpp, bpp == 32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int k = (y * width + x) % count;
      image.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(k * 37 % 256),
                               static_cast<std::uint8_t>((k * 11 + k / 256 * 100) % 256),
                               static_cast<std::uint8_t>(k % 256), 255});
    }
  return image;
}

PaletteColour ColourAt(const Image& image, int x, int y) {
  const Bgra p = image.GetBgra(x, y);
  return {p.r, p.g, p.b};
}

struct ExactCase {
  int colours;
  int bpp;
  unsigned flags;
  int mode;  // 0 diffusion, 1 nearest
};

class QuantizeExact : public testing::TestWithParam<ExactCase> {};

// Every colour of an image that fits into the palette gets its own entry,
// and every pixel maps to exactly its colour, with either mapper.
TEST_P(QuantizeExact, ImagesThatFitThePaletteComeBackExactly) {
  const ExactCase& c = GetParam();
  const Image image = CyclingColours(37, 29, c.bpp, c.colours);
  std::vector<std::uint8_t> indexes(37 * 29, 0);
  Palette palette;
  const int distinct = imaging::QuantizeImage(image, indexes.data(), palette, 256, c.flags, c.mode);
  EXPECT_EQ(distinct, c.colours);
  ASSERT_EQ(palette.size(), 256u);
  for (int y = 0; y < 29; ++y)
    for (int x = 0; x < 37; ++x) {
      const int index = indexes[static_cast<std::size_t>(y * 37 + x)];
      ASSERT_EQ(palette[static_cast<std::size_t>(index)], ColourAt(image, x, y)) << x << "," << y;
      if (c.flags & imaging::kQuantizeReserveLast) {
        ASSERT_NE(index, 255);
      }
    }
}

INSTANTIATE_TEST_SUITE_P(Colours, QuantizeExact,
                         testing::Values(ExactCase{256, 32, 0, 0}, ExactCase{256, 24, 0, 1},
                                         ExactCase{255, 32, imaging::kQuantizeReserveLast, 0},
                                         ExactCase{255, 24, imaging::kQuantizeReserveLast, 1},
                                         ExactCase{2, 32, imaging::kQuantizeReserveLast, 0},
                                         ExactCase{1, 24, 0, 1}));

TEST(MedianCutPalette, FewColoursFillOneEntryEachAndLeaveTheRestBlack) {
  imaging::ColourHistogram histogram;
  ASSERT_EQ(histogram.CountColours(CyclingColours(10, 10, 24, 3)), 3);
  Palette palette;
  EXPECT_EQ(imaging::MedianCutPalette(histogram, palette, 16, imaging::kQuantizeReserveLast), 3);
  ASSERT_EQ(palette.size(), 16u);
  std::set<std::uint32_t> made;
  for (int i = 0; i < 3; ++i) {
    const PaletteColour& p = palette[static_cast<std::size_t>(i)];
    made.insert(std::uint32_t{p.r} << 16 | std::uint32_t{p.g} << 8 | p.b);
  }
  EXPECT_EQ(made, (std::set<std::uint32_t>{0x000000, 0x010B25, 0x02164A}));
  for (int i = 3; i < 15; ++i) EXPECT_EQ(palette[static_cast<std::size_t>(i)], PaletteColour{}) << i;
  EXPECT_EQ(palette[15], (PaletteColour{255, 0, 255}));
}

// Pixels of one colour per column, red only: the cut walks the colours in
// red order until the running count reaches the integer half of the box.
Image RedColumns(const std::vector<std::pair<int, int>>& redAndCount) {
  int width = 0;
  for (const auto& rc : redAndCount) width += rc.second;
  Image image(width, 1, 24);
  int x = 0;
  for (const auto& [red, count] : redAndCount)
    for (int i = 0; i < count; ++i) image.SetBgra(x++, 0, Bgra{0, 0, static_cast<std::uint8_t>(red), 255});
  return image;
}

TEST(MedianCutPalette, SplitsAtTheIntegerHalfAndTakesCountWeightedMeans) {
  struct Case {
    std::vector<std::pair<int, int>> columns;
    int size;
    std::vector<int> reds;  // expected red of each entry
  };
  const Case cases[] = {
      // 3 + 1 reach half of 8 after two colours: mean (0 x 3 + 90) / 4 = 22.
      {{{200, 4}, {0, 3}, {90, 1}}, 2, {22, 200}},
      // Sum 3, half 1: the first colour alone is enough.
      {{{10, 1}, {20, 1}, {30, 1}}, 2, {10, 25}},
      // Three entries: the larger box (sum 2) is cut next.
      {{{10, 1}, {20, 1}, {30, 1}}, 3, {10, 20, 30}},
      // The last colour always goes to the new box: the walk stops one short.
      {{{0, 1}, {255, 9}}, 2, {0, 255}},
  };
  for (const Case& c : cases) {
    imaging::ColourHistogram histogram;
    histogram.CountColours(RedColumns(c.columns));
    Palette palette;
    imaging::MedianCutPalette(histogram, palette, c.size, 0);
    std::vector<int> reds;
    for (const PaletteColour& p : palette) reds.push_back(p.r);
    EXPECT_EQ(reds, c.reds);
  }
}

TEST(MedianCutPalette, MeansStayExactOnImagesOfManyMillionPixels) {
  // 8.7 million white pixels and one black: the weighted red sum passes
  // 2^31, and the mean must still come out as 254 (truncated).
  Image image(3000, 2900, 24);
  image.Fill(Bgra{255, 255, 255, 255});
  image.SetBgra(0, 0, Bgra{0, 0, 0, 255});
  imaging::ColourHistogram histogram;
  histogram.CountColours(image);
  Palette palette;
  imaging::MedianCutPalette(histogram, palette, 1, 0);
  EXPECT_EQ(palette[0], (PaletteColour{254, 254, 254}));
}

TEST(MedianCutPalette, SystemColoursComeFirst) {
  imaging::ColourHistogram histogram;
  histogram.CountColours(CyclingColours(4, 4, 24, 5));
  Palette palette;
  imaging::MedianCutPalette(histogram, palette, 32, imaging::kQuantizeSystemColours);
  EXPECT_EQ(palette[1], (PaletteColour{0x80, 0, 0}));
  EXPECT_EQ(palette[8], (PaletteColour{0xC0, 0xC0, 0xC0}));
  EXPECT_EQ(palette[15], (PaletteColour{255, 255, 255}));
  // The cut's five colours follow.
  std::set<std::uint32_t> cut;
  for (int i = 16; i < 21; ++i) {
    const PaletteColour& p = palette[static_cast<std::size_t>(i)];
    cut.insert(std::uint32_t{p.r} << 16 | std::uint32_t{p.g} << 8 | p.b);
  }
  EXPECT_EQ(cut, (std::set<std::uint32_t>{0x000000, 0x010B25, 0x02164A, 0x03216F, 0x042C94}));
  // A palette of 16 entries or fewer has no room for them.
  imaging::MedianCutPalette(histogram, palette, 16, imaging::kQuantizeSystemColours);
  EXPECT_NE(palette[1], (PaletteColour{0x80, 0, 0}));
}

TEST(ColourHistogram, LimitStopsPastTwoHundredFiftySixColours) {
  imaging::ColourHistogram small, large;
  EXPECT_EQ(small.CountColours(CyclingColours(16, 16, 32, 256), true), 256);
  EXPECT_EQ(large.CountColours(CyclingColours(16, 17, 32, 257), true), -1);
  EXPECT_EQ(large.CountColours(CyclingColours(16, 17, 32, 257)), 0);  // all known already
}

// A 32-bit image with alpha: a left half of a colour close to the
// reserved (255, 0, 255), a right half fully transparent.
Image HalfTransparent() {
  Image image(8, 4, 32, true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) image.SetBgra(x, y, x < 4 ? Bgra{250, 0, 250, 255} : Bgra{0, 0, 0, 0});
  return image;
}

TEST(QuantizeImage, TransparentPixelsTakeTheLastIndexAndOpaqueOnesNever) {
  for (int mode : {0, 1}) {
    const Image image = HalfTransparent();
    std::vector<std::uint8_t> indexes(32, 0);
    Palette palette;
    imaging::QuantizeImage(image, indexes.data(), palette, 16, imaging::kQuantizeReserveLast, mode);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) {
        const int index = indexes[static_cast<std::size_t>(y * 8 + x)];
        if (x < 4)
          EXPECT_NE(index, 15) << "mode " << mode;
        else
          EXPECT_EQ(index, 15) << "mode " << mode;
      }
  }
}

TEST(QuantizeImage, ImagesWithoutAlphaHaveNoTransparentPixels) {
  Image image(4, 4, 32, false);  // the fourth byte is padding, here 0
  image.Fill(Bgra{10, 20, 30, 0});
  std::vector<std::uint8_t> indexes(16, 99);
  Palette palette;
  imaging::QuantizeImage(image, indexes.data(), palette, 4, imaging::kQuantizeReserveLast, 1);
  for (std::uint8_t index : indexes) EXPECT_EQ(palette[index], (PaletteColour{30, 20, 10}));
}

TEST(MapDiffused, CarriesTheErrorThatPlainMappingDrops) {
  // A flat grey of 100 between black and white: the nearest colour is
  // black everywhere, while the diffused error brings white pixels in.
  Image image(32, 32, 24);
  image.Fill(Bgra{100, 100, 100, 255});
  const Palette palette = {{0, 0, 0}, {255, 255, 255}};
  std::vector<std::uint8_t> plain(32 * 32), diffused(32 * 32);
  imaging::MapNearest(image, plain.data(), palette, 2, -1);
  imaging::MapDiffused(image, diffused.data(), palette, 2, -1);
  EXPECT_EQ(std::count(plain.begin(), plain.end(), 1), 0);
  EXPECT_GT(std::count(diffused.begin(), diffused.end(), 1), 0);
  EXPECT_EQ(diffused[0], 0);  // the first pixel has no error to carry yet
}

// A GIF pixel is transparent or opaque: less than half covered is
// transparent, the rest opaque in its colour, by both mappers; transparent
// pixels pass no error to their neighbours and take no palette entry.
TEST(QuantizeImage, PixelsLessThanHalfCoveredAreTransparentAndPassNoError) {
  // A row of red at falling alpha, then transparent black around a grey
  // pixel that sits exactly on a palette colour.
  Image image(8, 1, 32, true);
  const std::uint8_t alphas[5] = {255, 128, 127, 1, 0};
  for (int x = 0; x < 5; ++x) image.SetBgra(x, 0, Bgra{0, 0, 200, alphas[x]});
  image.SetBgra(5, 0, Bgra{0, 0, 0, 0});
  image.SetBgra(6, 0, Bgra{128, 128, 128, 255});
  image.SetBgra(7, 0, Bgra{0, 0, 0, 0});
  const Palette palette = {{200, 0, 0}, {128, 128, 128}, {0, 255, 0}, {255, 0, 255}};
  for (const bool diffused : {false, true}) {
    std::vector<std::uint8_t> indexes(8, 99);
    if (diffused)
      imaging::MapDiffused(image, indexes.data(), palette, 4, 3);
    else
      imaging::MapNearest(image, indexes.data(), palette, 4, 3);
    EXPECT_EQ(indexes, (std::vector<std::uint8_t>{0, 0, 3, 3, 3, 3, 1, 3})) << "diffused " << diffused;
  }
  std::vector<std::uint8_t> indexes(8);
  Palette made;
  EXPECT_EQ(imaging::QuantizeImage(image, indexes.data(), made, 4, imaging::kQuantizeReserveLast, 0), 2)
      << "red and grey: the transparent pixels' colours are not counted";
  EXPECT_EQ(made[indexes[0]], (PaletteColour{200, 0, 0}));
  EXPECT_EQ(made[indexes[6]], (PaletteColour{128, 128, 128}));
}

TEST(QuantizeImage, ModesZeroAndSixteenDiffuseAndOthersMapPlainly) {
  // A noisy gradient, so that the two mappers disagree somewhere.
  Image image(40, 20, 24);
  std::mt19937 random(5);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      const auto v = static_cast<std::uint8_t>(x * 6 + static_cast<int>(random() % 7));
      image.SetBgra(x, y, Bgra{v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(y * 12), 255});
    }
  std::vector<std::vector<std::uint8_t>> out(4, std::vector<std::uint8_t>(40 * 20));
  std::vector<Palette> palettes(4);
  const int modes[4] = {0, 16, 1, 3};
  for (int i = 0; i < 4; ++i) imaging::QuantizeImage(image, out[i].data(), palettes[i], 8, 0, modes[i]);
  EXPECT_EQ(palettes[0], palettes[1]);
  EXPECT_EQ(out[0], out[1]);
  EXPECT_EQ(out[2], out[3]);
  EXPECT_NE(out[0], out[2]);
  std::vector<std::uint8_t> plain(40 * 20);
  imaging::MapNearest(image, plain.data(), palettes[2], 8, -1);
  EXPECT_EQ(out[2], plain);
}

TEST(PaletteNearest, TakesTheSmallestDistanceAndTheFirstOnTies) {
  const Palette palette = {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {0, 10, 0}};
  EXPECT_EQ(imaging::PaletteNearest(9, 0, 0, palette, 4), 1);
  EXPECT_EQ(imaging::PaletteNearest(10, 0, 0, palette, 4), 1);  // 1 and 2 are the same colour
  EXPECT_EQ(imaging::PaletteNearest(5, 5, 0, palette, 4), 0);   // 0, 1 and 3 tie at 50
  EXPECT_EQ(imaging::PaletteNearest(5, 0, 0, palette, 4), 0);  // 0 and 1 tie at 25
  EXPECT_EQ(imaging::PaletteNearest(0, 9, 0, palette, 3), 0);  // entry 3 is not looked at
}

TEST(ColourGrid, EveryColourFindsAPaletteEntry) {
  // A random palette; every colour of a coarse sweep of the cube finds an
  // entry within the palette, and colours on an entry find that entry.
  std::mt19937 random(3);
  Palette palette(40);
  for (auto& p : palette)
    p = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
  const auto grid = imaging::BuildColourGrid(palette, 40);
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) {
        const int index = grid->GridNearest(r, g, b);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, 40);
      }
  for (int i = 0; i < 40; ++i) {
    const PaletteColour& p = palette[static_cast<std::size_t>(i)];
    EXPECT_EQ(palette[static_cast<std::size_t>(grid->GridNearest(p.r, p.g, p.b))], p);
  }
}

}  // namespace
