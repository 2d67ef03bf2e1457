#pragma once
// Values the 3D view shares with its callers: projection kinds, the camera
// record the animation keys carry, the two lights and the view's background
// picture.
#include <cstdint>
#include <vector>

#include "engine/core/EngGeometry.h"

namespace view {

// Projection kinds. 1601 follows the field-of-view value; the other two
// perspective kinds have fixed lenses.
enum ProjectionKind : int {
  kProjectionWide = 1600,
  kProjectionFieldOfView = 1601,
  kProjectionNarrow = 1602,
  kProjectionParallel = 1603,
};

// The program's pi wherever it converts degrees or rounds to quarter turns.
inline constexpr double kPi = 3.14159265358979;
inline constexpr double kHalfPi = 1.570796326794895;

// 2 × atan(0.86) in whole degrees: the lens whose 1601 factor is about 1.
int DefaultFieldOfView();
inline constexpr int kDefaultFieldOfView = 81;

// The axis-view marker of a camera aligned with an axis.
inline constexpr int kAxisViewMarker = 10;

// Overlay line kinds the view's own users add: a drag's guide down to the
// floor (world points) and a rubber band in screen pixels.
inline constexpr int kOverlayFloorGuide = 4;
inline constexpr int kOverlayScreenBand = 10;

// The camera as animation keys and camera records carry it.
struct CameraState {
  double yaw = 0.0;
  double pitch = 0.0;
  double roll = 0.0;
  int projectionKind = kProjectionFieldOfView;
  int fieldOfView = kDefaultFieldOfView;
  engine::PointRecord target{0.0, 0.0, 0.0};
  double distance = 0.0;
  double zoomFactor = 0.0;
};

// The two lights of a view and the ambient light. Angles are radians; the
// intensities and the ambient level run 0..100 on the property bars.
struct LightSettings {
  double firstAngles[2] = {0.0, 0.0};
  double secondAngles[2] = {0.0, 0.0};
  double intensities[2] = {0.0, 0.0};
  double ambient = 0.0;
  double colours[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};  // light 0, light 1, ambient: r, g, b in 0..1
  int sceneFixed = 0;  // 1: the lights turn with the scene, 0: they stay with the camera
};

// A picture drawn behind the scene: RGBA bytes, row 0 the bottom row as GL
// draws them.
struct BackgroundPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  bool HasPixels() const { return width > 0 && height > 0 && !pixels.empty(); }
};

// The stored path of a background picture: byte 0 its length, then the
// characters, zero-terminated.
inline constexpr int kPicturePathSize = 255;
struct PicturePathRecord {
  unsigned char bytes[kPicturePathSize] = {};
};

}  // namespace view
