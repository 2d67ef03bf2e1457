// The page renderer on a busy page: 200 objects of every kind (shapes with
// shadows, text across and in columns, pictures, panel frames with blurred
// edges and members), drawn on screen at 100 % and exported at 600 dpi.
// The export is measured in megapixels a second and against filling an
// image of the same size once (the least any export of it costs), drawn
// only and with its PNG file written. Then redraws of a 1280 × 1024 window
// on two large pages, whose cost must follow the window and not the page:
// four 4000 × 3000 pictures, all selected, and four page-sized rectangles
// on a page 4000 pixels wide, at several zooms.
//
//   build/bench/page_render_bench --benchmark_filter=Export
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "page/SDoc.h"
#include "page/SFigOval.h"
#include "page/SFigPic.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SFigText.h"
#include "page/SView.h"
#include "platform/Image.h"

namespace {

using page::SObj;

constexpr int kPageWidth = 595;  // A4 at 72 dpi
constexpr int kPageHeight = 842;
constexpr int kObjects = 200;

SObj& Add(page::SDoc& doc, std::unique_ptr<page::SFig> fig, double x, double y, double w, double h, int parent = -1) {
  auto object = std::make_unique<SObj>();
  object->SetFig(std::move(fig), true);
  object->placement.x = x, object->placement.y = y, object->placement.width = w, object->placement.height = h;
  object->parentId = parent;
  SObj& added = *object;
  doc.AddObject(std::move(object), -1, -1);
  return added;
}

std::unique_ptr<platform::Image> Picture() {
  auto image = std::make_unique<platform::Image>(64, 64, 32, true);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      image->SetBgra(x, y, platform::Bgra{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4), 128,
                                          static_cast<std::uint8_t>(x + y < 20 ? 0 : 255)});
  return image;
}

std::unique_ptr<page::SDoc> BusyPage() {
  auto doc = std::make_unique<page::SDoc>();
  doc->SetPageSize(kPageWidth, kPageHeight);
  doc->grid.flag1 = false;
  for (int i = 0; i < kObjects; ++i) {
    const double x = 30 + (i % 10) * 56, y = 30 + (i / 10) * 40;
    page::Prop2DVal v;
    v.lineColor = 0x202020;
    v.fillColor = static_cast<platform::COLORREF>(0x3050F0 + i * 0x010203);
    switch (i % 5) {
      case 0: {
        SObj& o = Add(*doc, std::make_unique<page::SFigRect>(), x, y, 48, 32);
        v.effectColorMode = 0, v.effectX = v.effectY = 3, v.effectBlur = 2;
        o.ApplyProp2D(v, false);
        o.placement.angle = 0.2;
        break;
      }
      case 1: {
        auto text = std::make_unique<page::SFigText>();
        page::STextSettings s = text->GetSettings();
        s.text = i % 2 ? "縦書きの文字、ABC" : "横書きの文章です。";
        s.face = "ＭＳ Ｐゴシック";
        s.size = 9;
        s.vertical = i % 2 != 0;
        text->ApplySettings(s);
        Add(*doc, std::move(text), x, y, 50, 36).ApplyProp2D(v, false);
        break;
      }
      case 2: {
        auto picture = std::make_unique<page::SFigPic>();
        picture->SetPicture(Picture(), false, false);
        Add(*doc, std::move(picture), x, y, 40, 34).placement.angle = std::numbers::pi / 12;
        break;
      }
      case 3: {
        SObj& frame = Add(*doc, std::make_unique<page::SFigRect>(), x, y, 50, 34);
        frame.SetFlagsAll(page::kObjContainer | page::kObjFrame);
        v.edgeBlur = 2;
        frame.ApplyProp2D(v, false);
        // The next object is its member (its place is that of the case below).
        SObj& member = Add(*doc, std::make_unique<page::SFigOval>(), x + 10, y + 6, 40, 30, frame.id);
        member.ApplyProp2D(v, false);
        ++i;
        break;
      }
      default: {
        auto poly = std::make_unique<page::SFigPoly>();
        const std::vector<page::SPoint> points = {{0, 30}, {20, 0}, {40, 30}, {20, 20}};
        poly->SetNormalizedPoints(points);
        Add(*doc, std::move(poly), x, y, 40, 30).ApplyProp2D(v, false);
        break;
      }
    }
  }
  return doc;
}

void BM_RenderScreenAt100(benchmark::State& state) {
  auto doc = BusyPage();
  page::SView view;
  const platform::RECT window{-8, -8, kPageWidth + 8, kPageHeight + 8};
  for (auto _ : state) benchmark::DoNotOptimize(view.Draw(nullptr, *doc, window, page::kDrawScreen));
  state.counters["objects"] = doc->GetObjectCount();
}
BENCHMARK(BM_RenderScreenAt100)->Unit(benchmark::kMillisecond);

// The time of filling an image of the size once, best of three.
double FillSeconds(int width, int height) {
  double best = 1e300;
  for (int k = 0; k < 3; ++k) {
    const auto start = std::chrono::steady_clock::now();
    platform::Image image(width, height, 32);
    image.Fill(platform::Bgra{255, 255, 255, 255});
    benchmark::DoNotOptimize(image.Bits());
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

// Times one export of the busy page at 600 dpi, against one fill of an image
// of its size.
template <typename Export>
void TimeExportAt600Dpi(benchmark::State& state, Export exportPage) {
  auto doc = BusyPage();
  page::SView view;
  const int width = kPageWidth * 600 / 72, height = kPageHeight * 600 / 72;
  const double megapixels = width * static_cast<double>(height) / 1e6;
  const double fill = FillSeconds(width, height);
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (exportPage(view, *doc, width, height) != 0) state.SkipWithError("the export failed");
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double each = total / static_cast<double>(state.iterations());
  state.counters["megapixels"] = megapixels;
  state.counters["MP/s"] = megapixels / each;
  state.counters["fill MP/s"] = megapixels / fill;
  state.counters["times a fill"] = each / fill;
}

void BM_ExportAt600Dpi(benchmark::State& state) {
  TimeExportAt600Dpi(state, [](page::SView& view, page::SDoc& doc, int width, int height) {
    return view.Draw(nullptr, doc, {0, 0, width, height}, page::kDrawExport);
  });
}
BENCHMARK(BM_ExportAt600Dpi)->Unit(benchmark::kMillisecond)->Iterations(2);

// The whole export command: drawing, then writing the PNG file with its
// resolution.
void BM_ExportPngFileAt600Dpi(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "pennet-render-bench.png").string();
  TimeExportAt600Dpi(state, [&path](page::SView& view, page::SDoc& doc, int width, int height) {
    return view.ExportPageImage(doc, width, height, 600, path);
  });
  std::filesystem::remove(path);
}
BENCHMARK(BM_ExportPngFileAt600Dpi)->Unit(benchmark::kMillisecond)->Iterations(2);

// A window of the program: 1280 × 1024, scrolled to the middle of the page.
constexpr int kWindowWidth = 1280, kWindowHeight = 1024;

double ResidentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * 4096 / 1e6;
}

// Times redraws of the window after a first one (which makes what is kept
// for the zoom), and reports that first one and the memory held after.
void TimeWindowRedraws(benchmark::State& state, page::SDoc& doc) {
  page::SView view;
  view.zoom = static_cast<int>(state.range(0));
  const platform::SIZE size = view.PagePixelSize(&doc);
  const int left = std::max(0, (size.cx - kWindowWidth) / 2), top = std::max(0, (size.cy - kWindowHeight) / 2);
  const platform::RECT window{left, top, left + kWindowWidth, top + kWindowHeight};
  const auto start = std::chrono::steady_clock::now();
  if (view.Draw(nullptr, doc, window, page::kDrawScreen) != 0) state.SkipWithError("the redraw failed");
  const double first = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (auto _ : state)
    if (view.Draw(nullptr, doc, window, page::kDrawScreen) != 0) state.SkipWithError("the redraw failed");
  state.counters["first_redraw_ms"] = first * 1e3;
  state.counters["resident_MB"] = ResidentMegabytes();
}

// Four 4000 × 3000 photo-like pictures at their own size on a page of
// 8000 × 6000, all selected.
void BM_RedrawFourLargePictures(benchmark::State& state) {
  page::SDoc doc;
  doc.SetPageSize(8000, 6000);
  doc.grid.flag1 = false;
  for (int k = 0; k < 4; ++k) {
    auto image = std::make_unique<platform::Image>(4000, 3000, 32, true);
    for (int y = 0; y < 3000; ++y) {
      std::uint8_t* p = image->Row(y);
      for (int x = 0; x < 4000; ++x, p += 4)
        p[0] = static_cast<std::uint8_t>(x * 7 + k), p[1] = static_cast<std::uint8_t>(y * 5), p[2] = static_cast<std::uint8_t>(x ^ y), p[3] = 255;
    }
    auto picture = std::make_unique<page::SFigPic>();
    picture->SetPicture(std::move(image), false, true);
    Add(doc, std::move(picture), 2000 + (k % 2) * 4000, 1500 + (k / 2) * 3000, 4000, 3000);
  }
  doc.SelectAll(true);
  TimeWindowRedraws(state, doc);
}
BENCHMARK(BM_RedrawFourLargePictures)->Arg(25)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

// Four rectangles the size of a page 4000 pixels wide, over each other.
void BM_RedrawFourPageSizedRectangles(benchmark::State& state) {
  page::SDoc doc;
  doc.SetPageSize(4000, 5657);
  doc.grid.flag1 = false;
  for (int k = 0; k < 4; ++k) {
    SObj& rect = Add(doc, std::make_unique<page::SFigRect>(), 2000 + k * 10, 2828 + k * 10, 4000, 5657);
    page::Prop2DVal v;
    v.lineColor = 0x202020;
    v.fillColor = static_cast<platform::COLORREF>(0x3050F0 + k * 0x102030);
    v.opacity = 70;
    rect.ApplyProp2D(v, false);
  }
  TimeWindowRedraws(state, doc);
}
BENCHMARK(BM_RedrawFourPageSizedRectangles)->Arg(25)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
