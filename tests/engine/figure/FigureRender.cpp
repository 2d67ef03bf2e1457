#include "FigureRender.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "engine/GlTestView.h"
#include "engine/core/EngMath.h"
#include "engine/figure/MBoneObj.h"
#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"
#include "support/FakeQView.h"

namespace figuretest {

using namespace engine;

namespace {

// A view for the pictures: the fake view's answers (shaded drawing, bone
// overlays collected) drawing through the GL layer, so the body meshes
// draw through the mesh drawing as a real view has them drawn.
class FigureView : public testsupport::FakeQView {
 public:
  FigureView() {
    gl.view = this;
    renderer = &gl;
  }
  enginetest::GlTestRenderer gl;
};

// Makes the context current and sets up the orthographic view around the
// centre, cleared to the grey level `clear`, with two lights from the
// upper left front.
bool BeginPicture(platform::GlContext& context, int width, int height, const PointRecord& centre, double halfHeight,
                  float clear, std::string* error) {
  if (!context.Create(width, height, error) || !context.MakeCurrent()) return false;
  GlViewport(0, 0, width, height);
  const double aspect = static_cast<double>(width) / height;
  GlOrtho(centre.x - halfHeight * aspect, centre.x + halfHeight * aspect, centre.y - halfHeight,
          centre.y + halfHeight, -10, 10);
  GlMatrixMode(0);
  glLoadIdentity();
  GlClearColor(clear, clear, clear);
  GlClear();
  GlSetRenderState(0);
  const float none[4] = {0, 0, 0, 1}, key[4] = {0.8f, 0.8f, 0.8f, 1}, fill[4] = {0.3f, 0.3f, 0.3f, 1};
  const float ambient[4] = {0.35f, 0.35f, 0.35f, 1};
  const float keyAt[4] = {-0.4f, 0.6f, 0.7f, 0}, fillAt[4] = {0.6f, -0.2f, 0.5f, 0};
  GlSetLightModel(ambient, 0, 0);
  GlSetLight(0, none, key, key, keyAt, nullptr);
  GlSetLight(1, none, fill, none, fillAt, nullptr);
  return true;
}

// The view's frame for a turn of the scene about y: the eye far in front
// of the centre and the eye direction, both in the scene's coordinates.
DrawRecord TurnedFrame(FigureView& view, const PointRecord& centre, double turnDegrees) {
  const double a = turnDegrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  auto unturn = [&](const PointRecord& p) { return PointRecord{p.x * c - p.z * s, p.y, p.x * s + p.z * c}; };
  view.eyeDirection = unturn({0, 0, 1});
  return {unturn({centre.x, centre.y, 100}), unturn(centre), {0, 0, 0}, {0, 0.1, 0}};
}

const PointRecord kWholeFigure{0, 1.0, 0};
constexpr double kWholeHalfHeight = 1.1;

}  // namespace

bool RenderGroup(MGroupObj& group, int width, int height, double turnDegrees, bool withBones, platform::Image& out,
                 std::string* error) {
  return RenderGroupAround(group, width, height, turnDegrees, withBones, kWholeFigure, kWholeHalfHeight, out, error);
}

bool RenderGroupAround(MGroupObj& group, int width, int height, double turnDegrees, bool withBones,
                       const PointRecord& centre, double halfHeight, platform::Image& out, std::string* error) {
  platform::GlContext context;
  if (!BeginPicture(context, width, height, centre, halfHeight, 1.0f, error)) return false;
  glRotated(turnDegrees, 0, 1, 0);
  FigureView view;
  view.gl.SetPolygonOffset(true);  // faces sit behind the lines drawn on them
  // In the group's own frame: a moving group stays in the picture.
  group.DrawBody(&view, TurnedFrame(view, centre, turnDegrees));
  MBoneObj* figure = FindBoneObj(&group);
  if (withBones && figure != nullptr) {
    // The bone overlays as the view draws them over the picture.
    LineSegArray segments;
    MatrixRecord identity;
    MUtilIdentity(identity);
    figure->CollectOverlaySegments(segments, identity, &view);
    GlSetRenderState(kDrawLinesOnTop);
    GlLineWidth(2.0f);
    GlPointSize(5.0f);
    for (int i = 0; i < segments.count; ++i) {
      const LineSegRecord& s = segments[i];
      const bool dot = s.from.x == s.to.x && s.from.y == s.to.y && s.from.z == s.to.z;
      if (s.kind == 2 || s.kind == 21)
        GlColor(0.9f, 0.1f, 0.1f);
      else if (s.kind == 19)
        GlColor(0.1f, 0.1f, 0.9f);
      else
        GlColor(0.1f, 0.1f, 0.1f);
      const GlVec3 a{float(s.from.x), float(s.from.y), float(s.from.z)}, b{float(s.to.x), float(s.to.y), float(s.to.z)};
      if (dot)
        GlPoint(a.x, a.y, a.z);
      else
        GlLine(a, b);
    }
  }
  context.Finish();
  out = context.Pixels();
  return true;
}

bool RenderInfluence(MGroupObj& group, int width, int height, platform::Image& out, std::string* error) {
  platform::GlContext context;
  if (!BeginPicture(context, width, height, kWholeFigure, kWholeHalfHeight, 0.0f, error)) return false;
  FigureView view;
  MBoneObj* figure = FindBoneObj(&group);
  if (figure != nullptr) figure->DrawBones(nullptr, &view);
  context.Finish();
  out = context.Pixels();
  return true;
}

int PixelsOffGolden(const platform::Image& actual, const platform::Image& golden) {
  int off = 0;
  for (int y = 0; y < actual.Height(); ++y)
    for (int x = 0; x < actual.Width(); ++x) {
      const platform::Bgra a = actual.GetBgra(x, y);
      bool matched = false;
      for (int dy = -1; dy <= 1 && !matched; ++dy)
        for (int dx = -1; dx <= 1 && !matched; ++dx) {
          if (!golden.Contains(x + dx, y + dy)) continue;
          const platform::Bgra g = golden.GetBgra(x + dx, y + dy);
          matched = std::abs(a.b - g.b) <= 3 && std::abs(a.g - g.g) <= 3 && std::abs(a.r - g.r) <= 3;
        }
      off += matched ? 0 : 1;
    }
  return off;
}

std::string PictureFolder() {
  const std::string folder = std::string(PENNET_ENGINE_TEST_OUTPUT) + "/figure_pictures";
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace figuretest
