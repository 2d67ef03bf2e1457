// Drawing a page into the back buffer: transform, background and grid, the
// objects with the outline pass of panel frames, the border, the area
// outside the page, the selection marks, and the output.
#include "page/SView.h"

#include <algorithm>
#include <cmath>

#include "imaging/PixelOps.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFig2D.h"
#include "page/SFigPic.h"
#include "page/SView_Internal.h"
#include "platform/Blit.h"
#include "platform/Parallel.h"

namespace page {
namespace {

constexpr platform::COLORREF kPageFrameGrey = platform::MakeRgb(150, 150, 150);
constexpr platform::COLORREF kWhite = 0xFFFFFF;

platform::RECT WholeImage(const platform::Image& image) { return {0, 0, image.Width(), image.Height()}; }

// Vertical and horizontal grid lines every step across the whole image, the
// first where the page's origin falls on the grid.
void DrawGrid(platform::Dc& dc, const platform::Image& image, const PageTransform& t, const SGridInfo& grid) {
  const double step = std::max(grid.spacing, 1) * t.scale;
  // Lines closer than 2 pixels would only paint the page grey.
  if (step < 2.0) return;
  const double firstX = t.originX - std::floor(t.originX / step) * step;
  const double firstY = t.originY - std::floor(t.originY / step) * step;
  for (double x = firstX; x < image.Width(); x += step) {
    const int at = static_cast<int>(x);
    dc.FillRect({at, 0, at + 1, image.Height()}, grid.lineColor);
  }
  for (double y = firstY; y < image.Height(); y += step) {
    const int at = static_cast<int>(y);
    dc.FillRect({0, at, image.Width(), at + 1}, grid.lineColor);
  }
}

// Bands of the border colour along the inside of the page's edges.
void DrawBorder(platform::Image& image, const platform::RECT& page, const SGridInfo& grid, double scale) {
  const int width = static_cast<int>(grid.extra2 * scale);
  if (width <= 0) return;
  const platform::COLORREF colour = grid.extra1;
  imaging::PnUtilFillRect32(image, {page.left, page.top, page.left + width, page.bottom}, colour);
  imaging::PnUtilFillRect32(image, {page.right - width, page.top, page.right, page.bottom}, colour);
  imaging::PnUtilFillRect32(image, {page.left + width, page.top, page.right - width, page.top + width}, colour);
  imaging::PnUtilFillRect32(image, {page.left + width, page.bottom - width, page.right - width, page.bottom}, colour);
}

// The four regions of the image around the page, washed out or painted
// white by the page's outside-area setting (0 leaves them).
void ShowOutside(platform::Image& image, platform::Dc& dc, const platform::RECT& page, int setting) {
  const int w = image.Width(), h = image.Height();
  const platform::RECT regions[4] = {{0, 0, w, page.top},
                                     {0, page.bottom, w, h},
                                     {0, page.top, page.left, page.bottom},
                                     {page.right, page.top, w, page.bottom}};
  for (const platform::RECT& r : regions) {
    if (r.IsEmpty()) continue;
    if (setting == 1) imaging::PnUtilWashOutRect(image, r);
    if (setting == 2) dc.FillRect(r, kWhite);
  }
}

}  // namespace

void SView::SetUpTransform(const SDoc& doc, const platform::RECT& target, int mode) {
  const double pw = doc.GetPageWidth(), ph = doc.GetPageHeight();
  const int rw = target.Width(), rh = target.Height();
  transform.mode = mode;
  if (mode == kDrawExport) {
    if (rh / ph < rw / pw) {
      transform.scale = rh / ph;
      transform.originX = (rw - pw * transform.scale) / 2;
      transform.originY = 0;
    } else {
      transform.scale = rw / pw;
      transform.originX = 0;
      transform.originY = (rh - ph * transform.scale) / 2;
    }
  } else if (mode == kDrawPrint) {
    transform.scale = 1;
    transform.originX = transform.originY = 0;
  } else {
    transform.scale = zoom / 100.0;
    const platform::SIZE page = PagePixelSize(&doc);
    transform.originX = page.cx < rw ? (rw - page.cx) / 2 : -target.left;
    transform.originY = page.cy < rh ? (rh - page.cy) / 2 : -target.top;
  }
  transform.scaleX = transform.scaleY = transform.scale;
}

int SView::Draw(platform::Dc* dc, SDoc& doc, const platform::RECT& requested, int mode) {
  const platform::RECT target =
      mode == kDrawPrint ? platform::RECT{0, 0, doc.GetPageWidth(), doc.GetPageHeight()} : requested;
  SetUpTransform(doc, target, mode);
  const bool screen = mode <= 3;  // the window, at the zoom
  const bool transparent = mode == kDrawExport && doc.grid.flag1;
  const int rw = target.Width(), rh = target.Height();

  // The back buffer: kept between screen redraws of the same size, its
  // memory kept for exports of the same size.
  if (image.IsNull() || mode > 3 || image.Width() != rw || image.Height() != rh) {
    if (!image.CreateReusing(rw, rh, 32, transparent)) return kResultNoMemory;
  }
  // Outside the screen an opaque page's background covers the whole image.
  const bool wholeBackground = !transparent && mode != kDrawScreen;
  image.Fill(transparent       ? platform::Bgra{0, 0, 0, 0}
             : wholeBackground ? platform::Bgra::FromColorRef(doc.grid.secondColor)
                               : platform::Bgra::FromColorRef(kWhite));

  const platform::SIZE size = PagePixelSize(&doc);
  const int ox = static_cast<int>(transform.originX), oy = static_cast<int>(transform.originY);
  const platform::RECT page = screen ? platform::RECT{ox, oy, ox + size.cx, oy + size.cy} : WholeImage(image);
  {
    platform::Dc back(image);
    if (!transparent && !wholeBackground)
      back.FillRect({ox, oy, ox + size.cx + 1, oy + size.cy + 1}, doc.grid.secondColor);
    if (screen) {
      if (doc.grid.showGrid) DrawGrid(back, image, transform, doc.grid);
      back.FrameRect({ox - 1, oy - 1, ox + size.cx + 1, oy + size.cy + 1}, kPageFrameGrey);
    }
  }

  // Nothing drawable (every extent empty): background, grid and frame only.
  SPoint largest;
  for (const auto& object : doc.Objects()) {
    const SPoint extent = object->GetDrawMargins(transform);
    largest = SPoint(std::max(largest.x, extent.x), std::max(largest.y, extent.y));
  }
  if (largest.x >= 1e-6 && largest.y >= 1e-6) {
    if (const int rc = DrawObjects(doc); rc < 0) return rc;
    DrawBorder(image, page, doc.grid, transform.scale);
    if (screen) {
      platform::Dc back(image);
      ShowOutside(image, back, page, doc.grid.extra3);
      back.FrameRect({ox - 1, oy - 1, ox + size.cx + 1, oy + size.cy + 1}, kPageFrameGrey);
      for (const auto& object : doc.Objects())
        if (object->IsSelected() && !(object->flags & kObjHidden))
          object->DrawHandles(back, transform, doc.GetSelectionMark(object.get()), settings.tool);
    }
  }

  // Output.
  if (mode == kDrawExport) {
    if (transparent)
      imaging::PnUtilUnpremultiplyAlpha(image);
    else
      imaging::PnUtilSetAlpha(image, 255);
  } else if (dc != nullptr) {
    const platform::SIZE out = mode == kDrawPrint ? PrintedSize(doc, dc->GetLogPixels()) : platform::SIZE{rw, rh};
    dc->StretchBlt({0, 0, out.cx, out.cy}, image, {0, 0, rw, rh});
  }
  return kResultOk;
}

namespace {

// One drawing of an object in page order: the object whole, or the outline
// pass of a panel frame over its members.
struct DrawStep {
  SObj* object = nullptr;
  const STrim* clip = nullptr;
  bool vectorOnly = false;
};

// Vector shapes and pictures draw from their own data into their own work
// pictures, so they may be drawn on any thread; text, figures and kept 3D
// shapes use state shared by the program and draw on the caller's.
bool DrawsOnAnyThread(const SObj& object) {
  return dynamic_cast<const SFig2D*>(object.fig.get()) != nullptr ||
         dynamic_cast<const SFigPic*>(object.fig.get()) != nullptr;
}

}  // namespace

int SView::DrawObjects(SDoc& doc) {
  const std::vector<int> rangeEnds = view_detail::MemberRangeEnds(doc);
  const int count = doc.GetObjectCount();
  std::vector<DrawStep> steps;
  for (int j = 0; j < count; ++j) {
    SObj& object = *doc.GetObject(j);
    steps.push_back({&object, FindCropFrame(doc, object), false});
    // Panel frames whose members end here draw their outline again, over
    // the members, from the nearest container outwards.
    const bool container = (object.flags & kObjContainer) && !(object.flags & kObjGroup);
    SObj* walk = container ? &object : view_detail::ParentOf(doc, object);
    for (int depth = 0; walk != nullptr && depth < count; ++depth, walk = view_detail::ParentOf(doc, *walk)) {
      if (!walk->IsFrame() || rangeEnds[static_cast<std::size_t>(doc.IndexOf(walk))] != j) continue;
      steps.push_back({walk, FindCropFrame(doc, *walk), true});
    }
  }
  const int threads = platform::WorkerThreads();
  if (threads == 1) {
    for (const DrawStep& step : steps)
      if (const int rc = step.object->Draw(&image, transform, step.clip, step.vectorOnly, scratch); rc < 0) return rc;
    return kResultOk;
  }

  // Batches of consecutive steps: their shapes that may be drawn on any
  // thread are drawn side by side into work pictures of their own, then
  // every step is put onto the page in order. A batch ends before an
  // object it holds already and before an object clipped by a frame it
  // holds (whose mask is made when the frame is drawn).
  const std::size_t batchLimit = static_cast<std::size_t>(std::min(2 * threads, 32));
  if (stepScratch.size() < batchLimit) stepScratch.resize(batchLimit);
  std::vector<SObjDrawn> drawn(batchLimit);
  std::vector<int> results(batchLimit);
  std::vector<std::size_t> sideBySide;  // step indices
  std::vector<const SObj*> inBatch;
  for (std::size_t first = 0; first < steps.size();) {
    std::size_t end = first;
    sideBySide.clear();
    inBatch.clear();
    for (; end < steps.size() && sideBySide.size() < batchLimit; ++end) {
      const DrawStep& step = steps[end];
      const auto holds = [&inBatch](const SObj* o) { return std::find(inBatch.begin(), inBatch.end(), o) != inBatch.end(); };
      const bool clippedHere = step.clip != nullptr && std::any_of(inBatch.begin(), inBatch.end(), [&step](const SObj* o) {
                                 return &o->frame == step.clip;
                               });
      if (end > first && (holds(step.object) || clippedHere)) break;
      inBatch.push_back(step.object);
      if (DrawsOnAnyThread(*step.object)) sideBySide.push_back(end);
    }
    platform::ParallelEach(static_cast<int>(sideBySide.size()), [&](int k) {
      const DrawStep& step = steps[sideBySide[static_cast<std::size_t>(k)]];
      SObjDrawn& place = drawn[static_cast<std::size_t>(k)];
      place = SObjDrawn{};
      // The back buffer is only read here (for its size): the pictures are
      // put on it afterwards, in order.
      results[static_cast<std::size_t>(k)] = step.object->Draw(&image, transform, step.clip, step.vectorOnly,
                                                               stepScratch[static_cast<std::size_t>(k)], &place);
    });
    std::size_t k = 0;
    for (std::size_t i = first; i < end; ++i) {
      const DrawStep& step = steps[i];
      if (k < sideBySide.size() && sideBySide[k] == i) {
        if (results[k] < 0) return results[k];
        const SObjDrawn& place = drawn[k];
        if (place.index >= 0) {
          const platform::Image& picture = stepScratch[k].image[place.index];
          platform::AlphaBlendBits(image, place.rect, picture, {0, 0, picture.Width(), picture.Height()}, {255, true});
        }
        ++k;
        continue;
      }
      if (const int rc = step.object->Draw(&image, transform, step.clip, step.vectorOnly, scratch); rc < 0) return rc;
    }
    first = end;
  }
  return kResultOk;
}

platform::SIZE SView::PrintedSize(const SDoc& doc, platform::SIZE dpi) {
  const long long resolution = std::max(doc.resolution, 1);
  return {static_cast<int>(doc.GetPageWidth() * static_cast<long long>(dpi.cx) / resolution),
          static_cast<int>(doc.GetPageHeight() * static_cast<long long>(dpi.cy) / resolution)};
}

}  // namespace page
