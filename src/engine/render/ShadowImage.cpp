#include "engine/render/ShadowImage.h"

#include <GL/gl.h>

#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/image/OsUtilImage.h"
#include "engine/render/GlLayer.h"

namespace engine {
namespace {

double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

GlVec3 ToGl(const PointRecord& p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

}  // namespace

platform::COLORREF ShadowKeyColourOf(platform::COLORREF shadowColour) {
  const int green = platform::GetGValue(shadowColour);
  return platform::MakeRgb(platform::GetRValue(shadowColour), green == 0 ? 1 : green - 1,
                           platform::GetBValue(shadowColour));
}

PointRecord ShadowLightDirection(int lightKind, const double angles[2], bool lightsFixed,
                                 const MatrixRecord& inverseView) {
  PointRecord light{0, 0, 1};
  if (lightKind == 0 || lightKind == 1) {
    MatrixRecord turn;
    MUtilIdentity(turn);
    MUtilRotateY(turn, -angles[0], turn);
    MUtilRotateX(turn, -angles[1], turn);
    MUtilTransformVector(turn, light, light);
    if (!lightsFixed) MUtilTransformVector(inverseView, light, light);
  } else if (lightKind == 2) {
    light = {0, -1, 0};
  }
  OsUtilNormalize(light);
  return light;
}

void ShadowAxesAcross(const PointRecord& lightDir, PointRecord& u, PointRecord& v) {
  OsUtilCrossProduct(lightDir, PointRecord{1, 0, 0}, u);
  if (Dot(u, u) < 0.001) OsUtilCrossProduct(lightDir, PointRecord{0, 1, 0}, u);
  OsUtilNormalize(u);
  OsUtilCrossProduct(lightDir, u, v);
  OsUtilNormalize(v);
}

void ShadowCorners(const PointRecord& centre, const PointRecord& u, const PointRecord& v, PointRecord corners[4]) {
  const double su[4] = {-1, -1, 1, 1}, sv[4] = {-1, 1, 1, -1};
  for (int i = 0; i < 4; ++i)
    corners[i] = {centre.x + su[i] * u.x + sv[i] * v.x, centre.y + su[i] * u.y + sv[i] * v.y,
                  centre.z + su[i] * u.z + sv[i] * v.z};
}

bool NewShadowImage(platform::Image& image, platform::COLORREF key) {
  if (!image.Create(kShadowImageSize, kShadowImageSize, 32, true)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  OsUtilFillImage(image, key, 255, nullptr);
  return true;
}

bool MakeShadowTextureFrom(platform::Image& painted, platform::COLORREF key, int blurRadius, RgbaImageRecord& out) {
  OsUtilKeyColorToAlpha(painted, key, nullptr);
  platform::Image blurred;
  if (!blurred.Create(painted.Width(), painted.Height(), 32, true)) {
    painted.Destroy();
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  const int blurResult = OsUtilBoxBlur(painted, blurred, blurRadius, nullptr);
  painted.Destroy();
  if (blurResult != 0) return false;
  return OsUtilImageToRgba(blurred, out, false) > 0;
}

void DrawShadowQuadOnPlane(const PointRecord corners[4], const PointRecord& lightDir, const PointRecord& n,
                           const PointRecord& q, const RgbaImageRecord& texture, const ShadowQuadStyle& style) {
  if (std::fabs(Dot(n, lightDir)) < 0.01 || texture.pixels == nullptr) return;
  PointRecord onPlane[4];
  for (int i = 0; i < 4; ++i) {
    const PointRecord along{corners[i].x + lightDir.x, corners[i].y + lightDir.y, corners[i].z + lightDir.z};
    if (MUtilLinePlaneIntersect(corners[i], along, n, q, onPlane[i]) == -1) return;
  }

  // Blending, culling, texturing and the blend function go back to what
  // they were: the drawing after the shadows relies on the states the GL
  // layer remembers having set.
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
  // Colour material brings the current colour to white, then the material
  // takes over: white, with the shadow's opacity as its alpha.
  glEnable(GL_COLOR_MATERIAL);
  GlColor(1, 1, 1);
  glDisable(GL_COLOR_MATERIAL);
  GlSetCullMode(0);
  const float alpha = static_cast<float>(style.opacity);
  const float white[4] = {1, 1, 1, alpha}, black[4] = {0, 0, 0, alpha};
  GlSetMaterial(2, white, white, black, 0.0f, black);
  // The texture's own alpha shapes the shadow, so it is blended even when
  // the shadow is fully opaque.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  const int filter = style.linearFilter ? 1 : 0;
  GlTexImage(texture.width, texture.height, 4, kGlFormatRgba, kGlTypeUnsignedByte, texture.pixels, 1, 1, filter,
             filter, 0, style.rawUpload);

  const GlVec2 tex[4] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
  GlCorner quad[4];
  for (int i = 0; i < 4; ++i) quad[i] = {ToGl(onPlane[i]), ToGl(n), tex[i]};
  GlBeginQuads();
  GlQuadTexturedCorners(quad);
  GlEnd();
  glDeleteTextures(1, &name);
  glPopAttrib();
}

}  // namespace engine
