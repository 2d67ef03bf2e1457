// QView: the picture drawn behind the scene: placing and drawing it, loading
// it from its stored path, and holding it.
#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/image/CDib.h"
#include "engine/image/OsUtilBitmap.h"
#include "engine/image/OsUtilImage.h"
#include "engine/render/GlLayer.h"
#include "platform/Paths.h"
#include "view/QImpGL.h"
#include "view/QView.h"

namespace view {
namespace {

constexpr int kThumbnailWidth = 58;
constexpr int kThumbnailHeight = 54;

// The path of a stored path record, with the platform's separators.
std::string PathOfRecord(const PicturePathRecord& record) {
  const char* text = reinterpret_cast<const char*>(record.bytes + 1);
  const std::size_t length = strnlen(text, kPicturePathSize - 1);
  return platform::StoredToPath(std::string(text, length));
}

bool TakeRgba(engine::RgbaImageRecord& record, BackgroundPicture& out) {
  if (record.pixels == nullptr || record.ByteSize() == 0) return false;
  out.width = record.width;
  out.height = record.height;
  out.pixels.assign(record.pixels, record.pixels + record.ByteSize());
  engine::OsUtilFreeImage(record);
  return true;
}

}  // namespace

void QView::SetBackgroundPicture(std::unique_ptr<BackgroundPicture> picture) {
  picture_ = std::move(picture);
  if (picture_) UpdateAxisViewFlag();
}

void QView::FreeBackgroundPicture() { picture_.reset(); }

bool QView::GetBackgroundImage(engine::RgbaImageRecord& out) {
  if (picture_ == nullptr || !picture_->HasPixels()) return false;
  out = engine::RgbaImageRecord{picture_->width, picture_->height, picture_->pixels.data()};
  return true;
}

bool QView::LoadBackgroundPicture(const PicturePathRecord& pathRecord, BackgroundPicture& out) {
  out = BackgroundPicture{};
  const std::string path = PathOfRecord(pathRecord);
  std::string ending = path.size() >= 3 ? path.substr(path.size() - 3) : path;
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  engine::RgbaImageRecord record;
  engine::EngBitmap thumbnail;
  bool loaded = false;
  if (ending == "jpg") {
    std::uint8_t* pixels = nullptr;
    int width = 0, height = 0;
    if (engine::OsUtilLoadImageFile(path, width, height, pixels) != 0) {
      record.width = width;
      record.height = height;
      record.pixels = pixels;
      loaded = engine::OsUtilImageToBitmap(&record, kThumbnailWidth, kThumbnailHeight, &thumbnail) != 0;
    }
  } else {
    engine::CDib dib(path);
    loaded = dib.IsLoaded() && engine::OsUtilDibToImage(dib, record, kThumbnailWidth, kThumbnailHeight, &thumbnail) != 0;
  }
  if (!loaded || !TakeRgba(record, out)) {
    engine::OsUtilFreeImage(record);
    out = BackgroundPicture{};
    return false;
  }
  thumbnail_ = std::move(thumbnail);
  thumbnailValid_ = true;
  return true;
}

void QView::DrawBackgroundPicture(const platform::RECT& tileRect, engine::MObject* scene) {
  if (!picture_ || !picture_->HasPixels()) return;
  const bool output = !outputBitmap_.IsNull();
  const int pw = picture_->width, ph = picture_->height;
  if (!output) {
    SetViewport(tileRect, true);
    UpdateGridScreenRect(scene);
    engine::GlBeginWindowCoords(tileRect.right - tileRect.left, tileRect.bottom - tileRect.top);
  }
  // The frame the picture is placed in, in the picture's pixels (y down).
  const platform::RECT target = output ? viewRect_ : tileRect;
  platform::RECT placed{0, 0, 0, 0};
  const bool gridFit = axisViewFlag_ && GetAxisViewCode() != -1;
  if (axisViewFlag_ && !gridFit) return;
  if (gridFit) {
    int x0 = gridScreenRect_[0], y0 = gridScreenRect_[1], x1 = gridScreenRect_[2], y1 = gridScreenRect_[3];
    if (gdiOffset_ != 0 && !output) {
      y0 += 30;
      y1 += 30;
    }
    const double t = static_cast<double>(y1 - y0) / ph, u = static_cast<double>(x1 - x0) / pw;
    if (t > u) {
      const int half = static_cast<int>(u * ph * 0.5), middle = (y0 + y1) / 2;
      placed = {x0, middle - half, x1, middle + half};
    } else {
      const int half = static_cast<int>(pw * t * 0.5), middle = (x0 + x1) / 2;
      placed = {middle - half, y0, middle + half, y1};
    }
  } else {
    const int scale = output && samplingFactor_ != 0 ? samplingFactor_ : 1;
    const int w = pw * scale, h = ph * scale;
    const int left = target.left + ((target.right - target.left) - w) / 2;
    const int top = target.top + ((target.bottom - target.top) - h) / 2;
    placed = {left, top, left + w, top + h};
  }

  float zoomX = 1.0f, zoomY = 1.0f;
  const int placedWidth = placed.right - placed.left, placedHeight = placed.bottom - placed.top;
  if (axisViewFlag_ && (placedWidth != pw || placedHeight != ph)) {
    zoomX = static_cast<float>(placedWidth) / pw;
    zoomY = static_cast<float>(placedHeight) / ph;
  } else if (samplingFactor_ != 0) {
    zoomX = zoomY = static_cast<float>(samplingFactor_);
  }
  if (zoomX <= 0.0f || zoomY <= 0.0f) return;

  // Window coordinates of the frame being drawn: a tile's place is cut out
  // of the whole picture on both axes; rows count from the bottom.
  const platform::RECT frame = output ? tileRect : target;
  int x = placed.left - frame.left;
  int y = frame.bottom - placed.bottom;
  int width = pw, height = ph;
  int skipPixels = 0, skipRows = 0;
  if (x < 0) {
    skipPixels = static_cast<int>(-x / zoomX);
    width -= skipPixels;
    x = 0;
  }
  if (y < 0) {
    skipRows = static_cast<int>(-y / zoomY);
    height -= skipRows;
    y = 0;
  }
  if (width > 0 && height > 0) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pw);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    engine::GlPixelZoom(zoomX, zoomY);
    engine::GlDrawPixels(6, x, y, width, height, picture_->pixels.data());
    engine::GlPixelZoom(1.0f, 1.0f);
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

}  // namespace view
