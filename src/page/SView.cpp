// Drawing a page into the back buffer: transform, background and grid, the
// objects with the outline pass of panel frames, the border, the area
// outside the page, the selection marks, and the output.
#include "page/SView.h"

#include <algorithm>
#include <cmath>

#include "imaging/PixelOps.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SView_Internal.h"

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

int SView::DrawObjects(SDoc& doc) {
  const std::vector<int> rangeEnds = view_detail::MemberRangeEnds(doc);
  const int count = doc.GetObjectCount();
  for (int j = 0; j < count; ++j) {
    SObj& object = *doc.GetObject(j);
    if (const int rc = object.Draw(&image, transform, FindCropFrame(doc, object), false, scratch); rc < 0) return rc;
    // Panel frames whose members end here draw their outline again, over
    // the members, from the nearest container outwards.
    const bool container = (object.flags & kObjContainer) && !(object.flags & kObjGroup);
    SObj* walk = container ? &object : view_detail::ParentOf(doc, object);
    for (int depth = 0; walk != nullptr && depth < count; ++depth, walk = view_detail::ParentOf(doc, *walk)) {
      if (!walk->IsFrame() || rangeEnds[static_cast<std::size_t>(doc.IndexOf(walk))] != j) continue;
      if (const int rc = walk->Draw(&image, transform, FindCropFrame(doc, *walk), true, scratch); rc < 0) return rc;
    }
  }
  return kResultOk;
}

platform::SIZE SView::PrintedSize(const SDoc& doc, platform::SIZE dpi) {
  const long long resolution = std::max(doc.resolution, 1);
  return {static_cast<int>(doc.GetPageWidth() * static_cast<long long>(dpi.cx) / resolution),
          static_cast<int>(doc.GetPageHeight() * static_cast<long long>(dpi.cy) / resolution)};
}

}  // namespace page
