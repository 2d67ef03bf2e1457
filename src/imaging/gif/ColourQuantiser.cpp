#include "imaging/gif/ColourQuantiser.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace imaging {
namespace {

constexpr std::size_t kFirstSlots = 1024;
constexpr int kFixedColourCount = 16;
// 0xRRGGBB
constexpr std::array<std::uint32_t, kFixedColourCount> kFixedColours = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
    0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
constexpr PaletteColour kReservedColour{255, 0, 255};

// Reads the pixels of a 24- or 32-bit image; alpha is 255 unless the image
// carries it.
class PixelReader {
 public:
  explicit PixelReader(const platform::Image& image)
      : image_(image), step_(image.Bpp() / 8), hasAlpha_(image.Bpp() == 32 && image.HasAlpha()) {}
  bool Readable() const { return !image_.IsNull() && (step_ == 3 || step_ == 4); }
  const std::uint8_t* Pixel(int x, int y) const { return image_.Row(y) + static_cast<std::size_t>(x) * step_; }
  int Alpha(const std::uint8_t* p) const { return hasAlpha_ ? p[3] : 255; }
  // Less than half covered: transparent in a GIF.
  bool Transparent(const std::uint8_t* p) const { return Alpha(p) < 128; }
  bool HasAlpha() const { return hasAlpha_; }

 private:
  const platform::Image& image_;
  int step_;
  bool hasAlpha_;
};

std::uint32_t KeyOf(const std::uint8_t* bgr) {
  return (std::uint32_t{bgr[2]} << 16 | std::uint32_t{bgr[1]} << 8 | bgr[0]) + 1;
}

std::size_t SlotOf(std::uint32_t key, std::size_t mask) {
  return static_cast<std::size_t>((key * 2654435761u) >> 8) & mask;
}

int SquaredDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
  const int dr = r1 - r2, dg = g1 - g2, db = b1 - b2;
  return dr * dr + dg * dg + db * db;
}

int CellOf(int r, int g, int b) { return (r >> 3) + 32 * (g >> 3) + 1024 * (b >> 3); }

// One box of the median cut: records [first, first + size) of the list.
struct Box {
  std::size_t first;
  std::size_t size;
  std::int64_t sum;
};

// The box to split next: the largest pixel sum among boxes of more than
// one colour, the first on ties; -1 when every box holds one colour.
int PickBox(const std::vector<Box>& boxes) {
  int best = -1;
  for (std::size_t i = 0; i < boxes.size(); ++i)
    if (boxes[i].size > 1 && (best < 0 || boxes[i].sum > boxes[static_cast<std::size_t>(best)].sum))
      best = static_cast<int>(i);
  return best;
}

// Stable counting sort of records by one channel (0 to 255).
void CountingSort(std::vector<ColourHistogram::Record>::iterator begin, std::vector<ColourHistogram::Record>::iterator end,
                  int ColourHistogram::Record::*channel, std::vector<ColourHistogram::Record>& scratch) {
  std::array<std::size_t, 257> starts{};
  for (auto it = begin; it != end; ++it) ++starts[static_cast<std::size_t>((*it).*channel) + 1];
  for (std::size_t v = 1; v < starts.size(); ++v) starts[v] += starts[v - 1];
  scratch.resize(static_cast<std::size_t>(end - begin));
  for (auto it = begin; it != end; ++it) scratch[starts[static_cast<std::size_t>((*it).*channel)]++] = *it;
  std::copy(scratch.begin(), scratch.end(), begin);
}

// Sorts the box's records along its widest channel (red first on equal
// ranges, then green); the other channels order equal values, so that the
// cut does not depend on the order the histogram held them in.
void SortAlongWidestChannel(std::vector<ColourHistogram::Record>& records, const Box& box,
                            std::vector<ColourHistogram::Record>& scratch) {
  using R = ColourHistogram::Record;
  auto begin = records.begin() + static_cast<std::ptrdiff_t>(box.first);
  auto end = begin + static_cast<std::ptrdiff_t>(box.size);
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  for (auto it = begin; it != end; ++it) {
    const int c[3] = {it->r, it->g, it->b};
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
  }
  const int range[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
  // Least significant key first: each stable pass keeps the order of the
  // passes before it among equal values.
  int R::*keys[3] = {&R::b, &R::g, &R::r};  // by red, then green, then blue
  if (!(range[0] >= range[1] && range[0] >= range[2])) {
    if (range[1] >= range[2])
      keys[0] = &R::b, keys[1] = &R::r, keys[2] = &R::g;  // by green, then red, then blue
    else
      keys[0] = &R::g, keys[1] = &R::r, keys[2] = &R::b;  // by blue, then red, then green
  }
  for (int R::*key : keys) CountingSort(begin, end, key, scratch);
}

// Splits a sorted box where the running count reaches half its pixels,
// leaving at least one record on each side; answers the new box.
Box SplitBox(const std::vector<ColourHistogram::Record>& records, Box& box) {
  const std::int64_t half = box.sum / 2;
  std::int64_t running = records[box.first].count;
  std::size_t walked = 1;
  while (running < half && walked < box.size - 1) running += records[box.first + walked++].count;
  Box rest{box.first + walked, box.size - walked, box.sum - running};
  box.size = walked;
  box.sum = running;
  return rest;
}

// The count-weighted mean colour of a box; 64-bit sums, so that large
// images cannot overflow them.
PaletteColour MeanOf(const std::vector<ColourHistogram::Record>& records, const Box& box) {
  std::int64_t r = 0, g = 0, b = 0, n = 0;
  for (std::size_t i = box.first; i < box.first + box.size; ++i) {
    const auto& rec = records[i];
    r += rec.r * rec.count, g += rec.g * rec.count, b += rec.b * rec.count, n += rec.count;
  }
  if (n <= 0) return {};
  auto channel = [n](std::int64_t sum) { return static_cast<std::uint8_t>(std::min<std::int64_t>(255, sum / n)); };
  return {channel(r), channel(g), channel(b)};
}

// A grid made locally when the caller passes none.
const ColourGrid* GridFor(const Palette& palette, int paletteSize, int transparentIndex, const ColourGrid* grid,
                          std::unique_ptr<ColourGrid>& local) {
  if (grid) return grid;
  local = BuildColourGrid(palette, transparentIndex >= 0 ? paletteSize - 1 : paletteSize);
  return local.get();
}

}  // namespace

// ---- histogram -------------------------------------------------------------

ColourHistogram::ColourHistogram() : keys_(kFirstSlots, 0), counts_(kFirstSlots, 0) {}

void ColourHistogram::Grow() {
  std::vector<std::uint32_t> oldKeys(keys_.size() * 2, 0);
  std::vector<std::int64_t> oldCounts(counts_.size() * 2, 0);
  oldKeys.swap(keys_);
  oldCounts.swap(counts_);
  const std::size_t mask = keys_.size() - 1;
  for (std::size_t i = 0; i < oldKeys.size(); ++i) {
    if (!oldKeys[i]) continue;
    std::size_t slot = SlotOf(oldKeys[i], mask);
    while (keys_[slot]) slot = (slot + 1) & mask;
    keys_[slot] = oldKeys[i];
    counts_[slot] = oldCounts[i];
  }
}

bool ColourHistogram::Insert(std::uint32_t key) {
  const std::size_t mask = keys_.size() - 1;
  std::size_t slot = SlotOf(key, mask);
  while (keys_[slot] && keys_[slot] != key) slot = (slot + 1) & mask;
  ++counts_[slot];
  if (keys_[slot]) return false;
  keys_[slot] = key;
  if (++used_ * 2 > keys_.size()) Grow();
  return true;
}

int ColourHistogram::CountColours(const platform::Image& image, bool limit256, bool skipTransparent) {
  const PixelReader reader(image);
  if (!reader.Readable()) return 0;
  int added = 0;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const std::uint8_t* p = reader.Pixel(x, y);
      if (skipTransparent && reader.Transparent(p)) continue;
      if (!Insert(KeyOf(p))) continue;
      ++added;
      if (limit256 && used_ > 256) return -1;
    }
  }
  return added;
}

std::int64_t ColourHistogram::Flatten(std::vector<Record>& out) const {
  out.clear();
  out.reserve(used_);
  std::int64_t total = 0;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (!keys_[i]) continue;
    const std::uint32_t c = keys_[i] - 1;
    out.push_back({static_cast<int>(c >> 16), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF),
                   counts_[i]});
    total += counts_[i];
  }
  return total;
}

// ---- median cut ------------------------------------------------------------

int MedianCutPalette(const ColourHistogram& histogram, Palette& palette, int paletteSize, unsigned flags) {
  paletteSize = std::clamp(paletteSize, 1, 256);
  palette.assign(static_cast<std::size_t>(paletteSize), PaletteColour{});
  int firstFree = 0;
  int endFree = paletteSize;
  if ((flags & kQuantizeSystemColours) && paletteSize > kFixedColourCount) {
    for (int i = 0; i < kFixedColourCount; ++i) {
      const std::uint32_t c = kFixedColours[static_cast<std::size_t>(i)];
      palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                              static_cast<std::uint8_t>(c)};
    }
    firstFree = kFixedColourCount;
  }
  // The reserved entry is kept out of the cut, so it never takes a colour.
  if (flags & kQuantizeReserveLast) endFree = paletteSize - 1;
  const std::size_t colourSlots = static_cast<std::size_t>(std::max(0, endFree - firstFree));

  std::vector<ColourHistogram::Record> records;
  const std::int64_t total = histogram.Flatten(records);
  std::vector<Box> boxes;
  std::vector<ColourHistogram::Record> scratch;
  if (!records.empty() && colourSlots > 0) boxes.push_back({0, records.size(), total});
  while (boxes.size() < colourSlots) {
    const int pick = PickBox(boxes);
    if (pick < 0) break;
    Box& box = boxes[static_cast<std::size_t>(pick)];
    SortAlongWidestChannel(records, box, scratch);
    const Box rest = SplitBox(records, box);
    boxes.push_back(rest);
  }
  for (std::size_t i = 0; i < boxes.size(); ++i)
    palette[static_cast<std::size_t>(firstFree) + i] = MeanOf(records, boxes[i]);
  if (flags & kQuantizeReserveLast) palette[static_cast<std::size_t>(paletteSize - 1)] = kReservedColour;
  return static_cast<int>(records.size());
}

// ---- nearest colour --------------------------------------------------------

int PaletteNearest(int r, int g, int b, const Palette& palette, int count) {
  count = std::min(count, static_cast<int>(palette.size()));
  int best = 0;
  int bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    const PaletteColour& p = palette[static_cast<std::size_t>(i)];
    const int d = SquaredDistance(r, g, b, p.r, p.g, p.b);
    if (bestDistance < 0 || d < bestDistance) best = i, bestDistance = d;
  }
  return best;
}

std::unique_ptr<ColourGrid> BuildColourGrid(const Palette& palette, int count) {
  count = std::clamp(count, 0, static_cast<int>(palette.size()));
  std::vector<std::vector<ColourGrid::Node>> cells(ColourGrid::kCells);
  for (int i = 0; i < count; ++i) {
    const PaletteColour& p = palette[static_cast<std::size_t>(i)];
    auto& cell = cells[static_cast<std::size_t>(CellOf(p.r, p.g, p.b))];
    const bool known = std::any_of(cell.begin(), cell.end(), [&](const ColourGrid::Node& n) {
      return n.r == p.r && n.g == p.g && n.b == p.b;
    });
    if (!known) cell.push_back({p.r, p.g, p.b, i});
  }
  auto grid = std::make_unique<ColourGrid>();
  grid->cellStart_.reserve(ColourGrid::kCells + 1);
  for (int d = 0; d < ColourGrid::kCells; ++d) {
    auto& cell = cells[static_cast<std::size_t>(d)];
    if (cell.empty()) {
      const int r = (d & 31) * 8 + 4, g = ((d >> 5) & 31) * 8 + 4, b = (d >> 10) * 8 + 4;
      cell.push_back({r, g, b, PaletteNearest(r, g, b, palette, count)});
    }
    grid->cellStart_.push_back(static_cast<std::int32_t>(grid->nodes_.size()));
    grid->nodes_.insert(grid->nodes_.end(), cell.begin(), cell.end());
  }
  grid->cellStart_.push_back(static_cast<std::int32_t>(grid->nodes_.size()));
  return grid;
}

int ColourGrid::GridNearest(int r, int g, int b) const {
  const int d = CellOf(r, g, b);
  const int candidates[7] = {d, d - 1, d + 1, d - 32, d + 32, d - 1024, d + 1024};
  int best = 0;
  int bestDistance = -1;
  for (int cell : candidates) {
    if (cell < 0 || cell >= kCells) continue;
    const auto end = static_cast<std::size_t>(cellStart_[static_cast<std::size_t>(cell) + 1]);
    for (auto i = static_cast<std::size_t>(cellStart_[static_cast<std::size_t>(cell)]); i < end; ++i) {
      const Node& n = nodes_[i];
      const int dist = SquaredDistance(r, g, b, n.r, n.g, n.b);
      if (bestDistance < 0 || dist < bestDistance) best = n.index, bestDistance = dist;
    }
  }
  return best;
}

// ---- mapping ---------------------------------------------------------------

void MapNearest(const platform::Image& image, std::uint8_t* indexes, const Palette& palette, int paletteSize,
                int transparentIndex, const ColourGrid* grid) {
  const PixelReader reader(image);
  if (!reader.Readable()) return;
  std::unique_ptr<ColourGrid> local;
  grid = GridFor(palette, paletteSize, transparentIndex, grid, local);
  std::uint8_t* out = indexes;
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const std::uint8_t* p = reader.Pixel(x, y);
      const bool transparent = transparentIndex >= 0 && reader.Transparent(p);
      *out++ = static_cast<std::uint8_t>(transparent ? transparentIndex : grid->GridNearest(p[2], p[1], p[0]));
    }
  }
}

namespace {

struct DiffusedPixel {
  double r, g, b;
  bool transparent;
};

void LoadRow(const PixelReader& reader, int y, int width, bool withTransparency, std::vector<DiffusedPixel>& row) {
  for (int x = 0; x < width; ++x) {
    const std::uint8_t* p = reader.Pixel(x, y);
    row[static_cast<std::size_t>(x)] = {double(p[2]), double(p[1]), double(p[0]),
                                        withTransparency && reader.Transparent(p)};
  }
}

int RoundChannel(double v) { return static_cast<int>(std::clamp(std::round(v), 0.0, 255.0)); }

void Spread(DiffusedPixel& to, double er, double eg, double eb, double weight) {
  to.r += er * weight, to.g += eg * weight, to.b += eb * weight;
}

}  // namespace

void MapDiffused(const platform::Image& image, std::uint8_t* indexes, const Palette& palette, int paletteSize,
                 int transparentIndex, const ColourGrid* grid) {
  const PixelReader reader(image);
  if (!reader.Readable()) return;
  std::unique_ptr<ColourGrid> local;
  grid = GridFor(palette, paletteSize, transparentIndex, grid, local);
  const int width = image.Width(), height = image.Height();
  const bool withTransparency = transparentIndex >= 0;
  std::vector<DiffusedPixel> current(static_cast<std::size_t>(width)), next(static_cast<std::size_t>(width));
  LoadRow(reader, 0, width, withTransparency, current);
  std::uint8_t* out = indexes;
  for (int y = 0; y < height; ++y) {
    const bool hasNext = y + 1 < height;
    if (hasNext) LoadRow(reader, y + 1, width, withTransparency, next);
    for (int x = 0; x < width; ++x) {
      DiffusedPixel& px = current[static_cast<std::size_t>(x)];
      const int index =
          px.transparent ? transparentIndex : grid->GridNearest(RoundChannel(px.r), RoundChannel(px.g), RoundChannel(px.b));
      *out++ = static_cast<std::uint8_t>(index);
      if (px.transparent) continue;
      const PaletteColour& chosen = palette[static_cast<std::size_t>(index)];
      const double er = (px.r - chosen.r) / 2, eg = (px.g - chosen.g) / 2, eb = (px.b - chosen.b) / 2;
      const auto ux = static_cast<std::size_t>(x);
      if (x + 1 < width) Spread(current[ux + 1], er, eg, eb, 7.0 / 16);
      if (!hasNext) continue;
      if (x > 0) Spread(next[ux - 1], er, eg, eb, 3.0 / 16);
      Spread(next[ux], er, eg, eb, 5.0 / 16);
      if (x + 1 < width) Spread(next[ux + 1], er, eg, eb, 1.0 / 16);
    }
    current.swap(next);
  }
}

int QuantizeImage(const platform::Image& image, std::uint8_t* indexes, Palette& palette, int paletteSize,
                  unsigned flags, int ditheringMode) {
  int distinct = 0;
  {
    ColourHistogram histogram;
    histogram.CountColours(image, false, (flags & kQuantizeReserveLast) != 0);
    distinct = MedianCutPalette(histogram, palette, paletteSize, flags);
  }
  const int size = static_cast<int>(palette.size());
  const int transparentIndex = (flags & kQuantizeReserveLast) ? size - 1 : -1;
  if (ditheringMode == 0 || ditheringMode == 16)
    MapDiffused(image, indexes, palette, size, transparentIndex);
  else
    MapNearest(image, indexes, palette, size, transparentIndex);
  return distinct;
}

}  // namespace imaging
