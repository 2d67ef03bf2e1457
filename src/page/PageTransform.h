#pragma once
// What a shape is told when it draws: the renderer's page transform and the
// size record of one object's drawing.

namespace page {

// Drawing modes of the page renderer, also read by the shapes.
enum DrawMode : int {
  kDrawScreen = 0,
  kDrawScreenResizing = 1,  // a resize drag runs: 3D shapes reuse their last image
  kDrawScreenRotating = 2,  // a rotation drag runs: 3D shapes draw a silhouette
  kDrawExport = 4,          // image export and picture copy
  kDrawPrint = 5,
};

// Page to window: window = page × scale + origin.
struct PageTransform {
  double originX = 0.0;
  double originY = 0.0;
  double scale = 1.0;
  double scaleX = 1.0;  // equal to scale in every mode
  double scaleY = 1.0;
  int mode = kDrawScreen;

  void Reset() {
    scale = scaleX = scaleY = 1.0;
    mode = kDrawScreen;
  }
};

// One object's drawing: its box at the drawing scale, the scale itself (the
// zoom times the supersampling factor), and the box's angle (radians) and
// margin (page pixels).
struct SDrawSize {
  double width = 0.0;
  double height = 0.0;
  double angle = 0.0;
  double margin = 0.0;
  double scale = 1.0;
  double zoom = 1.0;
  int mode = kDrawScreen;
  // Where the work picture starts in the whole picture, in work pixels: a
  // shape that draws parts (SFig::DrawsParts) draws only what falls inside
  // the work picture from there.
  int cutX = 0;
  int cutY = 0;
  bool isPart = false;  // the work picture may be smaller than the whole
};

}  // namespace page
