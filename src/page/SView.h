#pragma once
// The page renderer: draws a page document into a 32-bit back buffer and
// from there onto a window, a printer or an image file. Each page view owns
// one. It holds the zoom and the page-to-window transform, and serves the
// mouse trackers with point conversions, hit tests and rubber-band lines.
//
// Drawing modes (PageTransform.h): 0 to 3 the screen at the zoom (1 and 2
// while a resize or rotation drag runs), 4 an image fitted into a target
// rectangle (exports, the page copied as a picture, thumbnails), 5 the
// printer at the page's physical size.
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "page/PageTransform.h"
#include "page/SObj.h"
#include "page/SPoint.h"
#include "platform/Dc.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace page {

class SDoc;

// A rubber-band line of the trackers, drawn by inverting the pixels under
// it (drawing it twice gives the pixels back).
struct STLine {
  enum Kind : int {
    kDottedLine = 0,      // dotted, 1 pixel, black
    kDottedRect = 1,      // dotted rectangle of the two points
    kDottedEllipse = 2,   // dotted green rectangle and the ellipse in it
    kThickLine = 3,       // solid, 3 pixels
    kThinLine = 4,        // solid, 1 pixel
    kSmallSquare = 5,     // dotted 4 × 4 square around (x1, y1)
    kDot = 6,             // dotted 1 × 1 square at (x1, y1)
  };
  int kind = kDottedLine;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // window pixels
};

// What the renderer takes from the program's state when it draws.
struct SViewSettings {
  int tool = 0;  // the current tool: the pose tools (13, 14) show pose handles
};

// Receives what converting objects to pictures makes (the undoable
// commands of the page editor implement it).
class SPictureSink {
 public:
  virtual ~SPictureSink() = default;
  // Kinds 0 and 2: the object becomes a picture of the image (32-bit,
  // straight alpha). 0 or a negative result code.
  virtual int ChangeToPicture(SDoc& doc, int objectId, std::unique_ptr<platform::Image> image) = 0;
  // Kind 1: a new picture from the PNG file, centred and sized in page
  // pixels, put into the selection's container at the selection's place;
  // then the composed (selected) objects are cut. The file is the sink's
  // to delete. 0 or a negative result code.
  virtual int InsertComposite(SDoc& doc, const std::string& pngPath, SPoint centre, SPoint size) = 0;
};

class SView {
 public:
  int zoom = 100;  // per cent
  platform::Image image;  // the back buffer
  SDrawBuffers scratch;   // work pictures handed to the objects
  // Work pictures of the objects drawn side by side on several threads.
  std::vector<SDrawBuffers> stepScratch;
  PageTransform transform;
  SViewSettings settings;

  SView() = default;
  SView(const SView&) = delete;
  SView& operator=(const SView&) = delete;

  // ---- drawing: SView.cpp -------------------------------------------------
  // Draws the page for `target` (width and height of the rectangle; in modes
  // 0 to 3 its top-left is where the scrolled window starts) and ends by
  // copying the back buffer onto `dc` (modes 0 to 3 at (0, 0), mode 5
  // stretched to the page's physical size at the dc's resolution); a null
  // dc leaves the result in `image`. Mode 4 leaves straight alpha in the
  // back buffer. 0, or a negative result code (-1 when an image cannot be
  // made, or a shape's drawing error).
  int Draw(platform::Dc* dc, SDoc& doc, const platform::RECT& target, int mode);
  // The size the back buffer of mode 5 covers on a device of `dpi` dots per
  // inch: the page at its own resolution.
  static platform::SIZE PrintedSize(const SDoc& doc, platform::SIZE dpi);

  // ---- coordinates and hits: SView_Hits.cpp --------------------------------
  SPoint ScreenToPage(platform::POINT point) const;
  platform::POINT PageToScreen(SPoint point) const;
  // The page rectangle of two window points, corners ordered.
  void ScreenRectToPage(platform::POINT p1, platform::POINT p2, SPoint& min, SPoint& max) const;
  // The page's size in window pixels at the zoom; 1 × 1 without a page.
  platform::SIZE PagePixelSize(const SDoc* doc) const;
  // The object under the window point (the front-most; a handle of a
  // selected object wins over a body behind it) and the handle hit (-1 the
  // body). Null when nothing is hit.
  SObj* HitTest(SDoc& doc, platform::POINT point, int& handle);
  // The panel frame under the point, or the one around the object there.
  SObj* HitTestPanelFrame(SDoc& doc, platform::POINT point);
  // The object under the point and the person of its 3D figure there
  // (`person` < 0: none).
  SObj* HitTestFigure(SDoc& doc, platform::POINT point, int& person);
  // The pose handle code under the point of an object in editing mode; 0
  // for none.
  int PoseHitCode(SDoc& doc, platform::POINT point);
  // The window point relative to the object's placement's top-left corner,
  // in the figure's render pixels.
  SPoint PageToFigureLocal(const SObj& object, platform::POINT point) const;
  // Ids of the objects (not hidden, taking hits) whose turned box lies
  // inside the rectangle of the two window points.
  void CollectInRect(const SDoc& doc, platform::POINT p1, platform::POINT p2, std::vector<int>& ids) const;
  // The object's turned box as four thick lines, in window pixels.
  void AddObjectOutline(const SObj& object, std::vector<STLine>& lines) const;
  // Draws the lines by inverting pixels.
  static void DrawTrackLines(platform::Dc& dc, std::span<const STLine> lines);
  // The panel frame that clips the object: that of the nearest container
  // that is a panel frame; none when a container on the way keeps no mask.
  static const STrim* FindCropFrame(const SDoc& doc, const SObj& object);

  // ---- export: SView_Export.cpp --------------------------------------------
  // These draw with transforms of their own and put the window's back when
  // they end, so hit tests keep working until the next redraw.
  // Draws the page fitted into width × height (mode 4) and writes it by the
  // path's extension: "png" with its resolution, "jpg" or "jpeg" (quality
  // 100) with its density, "bmp" with its resolution, "gif" in 256 colours, anything
  // else through the image codec (which must write a file that is not
  // empty). JPEG and BMP get an opaque page background even where the page
  // exports with a transparent one. 0 or a negative result code.
  int ExportPageImage(SDoc& doc, int width, int height, int dpi, const std::string& path);
  // Exports frames 0 to count - 1 of the page's animated shapes as
  // "1000.png", "1001.png", ... at the page's size and 72 dpi into a new
  // temporary folder (`folder`). On failure the folder is removed and the
  // first failure returned.
  int ExportAnimationFrames(SDoc& doc, int count, std::string& folder);
  // Kind 0: each selected object that can become a picture becomes one;
  // kind 2: every selected object does; kind 1: the selected objects become
  // one picture together. `factor` is the picture's pixels per page pixel.
  // Group objects are skipped. 0 or a negative result code.
  int ConvertToPicture(SDoc& doc, double factor, int kind, SPictureSink& sink);

 private:
  void SetUpTransform(const SDoc& doc, const platform::RECT& target, int mode);
  int DrawObjects(SDoc& doc);
};

}  // namespace page
