#pragma once
// The pieces of a projected shadow that do not depend on the object that
// casts it: the light direction and the two axes across it, the image the
// silhouette is painted into, its turn into a blurred texture, and the
// textured rectangle projected along the light onto a plane.
#include "engine/core/EngGeometry.h"
#include "engine/core/RgbaImageRecord.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace engine {

// Sides of the image a silhouette is painted into.
inline constexpr int kShadowImageSize = 128;

// The colour the image starts as: the shadow colour with green lowered by
// one (green 1 where it is 0), so that it never equals the shadow colour.
platform::COLORREF ShadowKeyColourOf(platform::COLORREF shadowColour);

// Where the light comes from for a light kind: 0 and 1 the view's light
// with that angle pair (turned about Y by minus the first angle, then about
// X by minus the second; then by the view's inverse camera matrix unless
// the lights are fixed in the scene), 2 straight down. A unit vector.
PointRecord ShadowLightDirection(int lightKind, const double angles[2], bool lightsFixed,
                                 const MatrixRecord& inverseView);
// Two unit axes across the light: u = light × x (light × y when that is
// nearly zero), v = light × u.
void ShadowAxesAcross(const PointRecord& lightDir, PointRecord& u, PointRecord& v);
// centre - u - v, centre - u + v, centre + u + v, centre + u - v.
void ShadowCorners(const PointRecord& centre, const PointRecord& u, const PointRecord& v, PointRecord corners[4]);

// A 128 × 128 32-bit image filled with the key colour. False (and reason 1
// recorded) when it cannot be made.
bool NewShadowImage(platform::Image& image, platform::COLORREF key);
// Turns a painted image into the shadow texture: pixels of the key colour
// become transparent, the picture is box-blurred by the radius and becomes
// `out` (bottom row first; `out` must hold no pixels). The painted image is
// released. False when memory runs out (recorded).
bool MakeShadowTextureFrom(platform::Image& painted, platform::COLORREF key, int blurRadius, RgbaImageRecord& out);

struct ShadowQuadStyle {
  double opacity = 0.5;
  bool linearFilter = false;  // the engine's textureMode 2
  bool rawUpload = false;     // the preferences' named-texture switch
};

// Draws the texture on the rectangle of `corners` projected along the light
// onto the plane (normal n through point q), blended over what is drawn.
// Nothing when the light runs (almost) parallel to the plane or a corner
// does not reach it. Needs a current GL context.
void DrawShadowQuadOnPlane(const PointRecord corners[4], const PointRecord& lightDir, const PointRecord& n,
                           const PointRecord& q, const RgbaImageRecord& texture, const ShadowQuadStyle& style);

}  // namespace engine
