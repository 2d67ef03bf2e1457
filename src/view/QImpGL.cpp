#include "view/QImpGL.h"

#include <GL/gl.h>

#include <algorithm>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"
#include "platform/Blit.h"
#include "platform/GlContext.h"
#include "view/QView.h"

namespace view {
namespace {

using engine::GlCorner;
using engine::GlVec3;

GlVec3 Vec(const float* p) { return {p[0], p[1], p[2]}; }

GlCorner Corner(const float* p, const float* n, const float* t = nullptr) {
  return {Vec(p), Vec(n), t ? engine::GlVec2{t[0], t[1]} : engine::GlVec2{0.0f, 0.0f}};
}

void Vertex(const float* p) { glVertex3f(p[0], p[1], p[2]); }

bool NamedTextures() {
  const engine::CrPrefs* prefs = engine::EngContext().prefs;
  return prefs != nullptr && prefs->namedTextures != 0;
}

}  // namespace

QView* AsView(engine::QView* view) { return dynamic_cast<QView*>(view); }

void QImpGL::SetCullMode(int mode) { engine::GlSetCullMode(mode); }

void QImpGL::SetMaterial(engine::MShader* material, engine::MShader* previous, bool textured, engine::MShader*) {
  if (material == nullptr) return;
  // The specular colour material goes back to white before the material's
  // own values are set.
  glColorMaterial(GL_FRONT_AND_BACK, GL_SPECULAR);
  glEnable(GL_COLOR_MATERIAL);
  engine::GlColor(1.0f, 1.0f, 1.0f);
  glDisable(GL_COLOR_MATERIAL);

  float diffuse[4] = {static_cast<float>(material->diffuseColor.x), static_cast<float>(material->diffuseColor.y),
                      static_cast<float>(material->diffuseColor.z), static_cast<float>(material->opacity)};
  const float s = static_cast<float>(material->specular);
  float specular[4] = {s, s, s, 1.0f};
  const float emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const bool textureChanged =
      previous == nullptr ||
      (engine::EngContext().textureMode != 0 && material->texture.pixels != previous->texture.pixels);
  if (textured && textureChanged) {
    if (material->sphereMap == 0) {
      diffuse[0] = diffuse[1] = diffuse[2] = 1.0f;
      specular[0] = specular[1] = specular[2] = 1.0f;
    }
    const unsigned recorded = LookupTexture(material);
    const int inUse = material->UploadTexture(static_cast<int>(recorded));
    if (static_cast<unsigned>(inUse) != recorded) RecordTexture(material, static_cast<unsigned>(inUse));
  }
  engine::GlSetMaterial(2, diffuse, diffuse, specular, 50.0f * s, emission);
  if (!textured) engine::GlEnableTexture2D(false);
}

bool QImpGL::CreateContext(engine::QView* view, int, platform::Dc*) {
  QView* v = AsView(view);
  if (v == nullptr) return false;
  v->DestroyContext();
  return v->CreateOffscreenContext(v->GetRequestedRect()) && v->HasContext();
}

void QImpGL::MakeCurrent(engine::QView* view, platform::Dc*, bool current) {
  QView* v = AsView(view);
  ENG_FATAL_IF(v == nullptr || !v->HasContext());
  if (current)
    engine::GlMakeCurrent(*v->GetContext());
  else
    platform::GlContext::ReleaseCurrent();
}

void QImpGL::GetMaxViewport(int* width, int* height) {
  int w = 0, h = 0;
  engine::GlGetMaxViewport(w, h);
  if (width) *width = w;
  if (height) *height = h;
}

void QImpGL::SetPolygonOffset(bool on) {
  if (on) {
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
  } else {
    glDisable(GL_POLYGON_OFFSET_FILL);
  }
}

void QImpGL::CopyTile(const platform::RECT& tile, const platform::RECT& place, int divisor,
                      platform::Image& tileSurface, platform::Image& output) {
  const int d = divisor > 0 ? divisor : 1;
  const int renderWidth = output.Width() * d, renderHeight = output.Height() * d;
  platform::RECT src = tile;
  platform::RECT dst = place;
  // The last column and the top row of tiles reach past the picture: cut
  // source and destination alike.
  if (dst.right > renderWidth) {
    src.right -= dst.right - renderWidth;
    dst.right = renderWidth;
  }
  if (dst.bottom > renderHeight) {
    src.bottom -= dst.bottom - renderHeight;
    dst.bottom = renderHeight;
  }
  if (dst.top < 0) {
    src.top -= dst.top;
    dst.top = 0;
  }
  if (dst.left < 0) {
    src.left -= dst.left;
    dst.left = 0;
  }
  if (src.right <= src.left || src.bottom <= src.top) return;
  const platform::RECT scaled{dst.left / d, dst.top / d, dst.right / d, dst.bottom / d};
  if (scaled.right <= scaled.left || scaled.bottom <= scaled.top) return;
  platform::StretchBits(output, scaled, tileSurface, src, platform::StretchMode::kHalftone);
}

void QImpGL::RenderTiles(engine::MObject* scene, engine::QView* engineView) {
  QView* view = AsView(engineView);
  if (view == nullptr) return;
  platform::Image* output = const_cast<platform::Image*>(view->GetOutputBitmap());
  if (output == nullptr) {
    view->DrawScene(scene, 0, 0, false, true);
    return;
  }
  const platform::RECT tileRect = view->GetTileRect();
  const int w = tileRect.right - tileRect.left, h = tileRect.bottom - tileRect.top;
  const int n = view->GetTileCount();
  const int divisor = view->GetSamplingFactor();
  const int renderHeight = output->Height() * (divisor > 0 ? divisor : 1);
  const platform::RECT outputRect{0, 0, output->Width(), output->Height()};
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      view->InvalidateMatrices();
      view->DrawScene(scene, 0, 0, false, false);
      view->UpdateGridScreenRect(scene);

      engine::GlBeginWindowCoords(w, h);
      engine::GlSetRenderState(engine::kDrawLinesOnTop);
      engine::GlSetXorDrawing(false);
      engine::GlLineWidth(1.0f);
      engine::GlClear();

      // Row 0 is the picture's bottom row of tiles: its top edge lies one
      // tile above the picture's bottom, whatever the last row's overshoot.
      view->InvalidateMatrices();
      const platform::RECT place{tileRect.left + i * w, renderHeight - (j + 1) * h, tileRect.right + i * w,
                                 renderHeight - j * h};
      view->DrawBackgroundPicture(place, scene);
      glFinish();

      view->SetViewport(outputRect, true);
      view->DrawScene(scene, i, j, true, true);
      if (engine::EngContext().failState == engine::kEngFailFailed) return;
      view->FinishRendering();
      CopyTile(tileRect, place, divisor, view->GetContext()->Pixels(), *output);
    }
  }
  view->InvalidateMatrices();
  view->DrawScene(scene, 0, 0, false, false);
}

void QImpGL::DrawAxes(int) {
  engine::GlSetShadeModel(engine::kShadeFlat);
  glDisable(GL_LIGHTING);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);
  auto triangle = [](const float colour[3], const float normal[3], const float corners[3][3]) {
    engine::GlColorVec(colour);
    glBegin(GL_TRIANGLES);
    glNormal3fv(normal);
    for (int i = 0; i < 3; ++i) Vertex(corners[i]);
    glEnd();
  };
  const float red[3] = {1.0f, 0.1f, 0.1f}, redNormal[3] = {0, 0, 1};
  const float redCorners[3][3] = {{50, 50, 0}, {50, -50, 0}, {-50, -50, 0}};
  const float blue[3] = {0.1f, 0.1f, 1.0f}, blueNormal[3] = {1, 0, 0};
  const float blueCorners[3][3] = {{0, 50, 50}, {0, -50, 50}, {0, -50, -50}};
  triangle(red, redNormal, redCorners);
  triangle(blue, blueNormal, blueCorners);
  glDisable(GL_COLOR_MATERIAL);
}

void QImpGL::LookAt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
                    double uz) {
  engine::GlLookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz);
}

void QImpGL::Frustum(double l, double r, double b, double t, double n, double f) { engine::GlFrustum(l, r, b, t, n, f); }

void QImpGL::Ortho(double l, double r, double b, double t, double n, double f) { engine::GlOrtho(l, r, b, t, n, f); }

void QImpGL::SetViewport(int x, int y, int width, int height) { engine::GlViewport(x, y, width, height); }

void QImpGL::EnableLighting(bool on) { engine::GlSetLighting(on); }

void QImpGL::SetLightModel(const float* ambient, float localViewer, float twoSided) {
  const float rgba[4] = {ambient[0], ambient[1], ambient[2], 1.0f};
  engine::GlSetLightModel(rgba, static_cast<int>(localViewer), static_cast<int>(twoSided));
}

void QImpGL::SetLight(int light, const float* ambient, const float* diffuse, const float* specular,
                      const float* position, const float* spotDirection) {
  engine::GlSetLight(light, ambient, diffuse, specular, position, spotDirection);
}

void QImpGL::GetViewport(int* x, int* y, int* width, int* height) {
  int vx = 0, vy = 0, vw = 0, vh = 0;
  engine::GlGetViewport(vx, vy, vw, vh);
  if (x) *x = vx;
  if (y) *y = vy;
  if (width) *width = vw;
  if (height) *height = vh;
}

void QImpGL::SetDrawingMode(int mode) { engine::GlSetRenderState(mode); }

void QImpGL::SetClearColor(const float* rgb) { engine::GlClearColor(rgb[0], rgb[1], rgb[2]); }

void QImpGL::MultMatrix(const double* m) { engine::GlMultModelview(m); }

void QImpGL::SetMatrixMode(int mode) { engine::GlMatrixMode(mode); }

void QImpGL::GetMatrices(double* out) { engine::GlGetCurrentMatrix(out); }

void QImpGL::SetShadeModel(int model) { engine::GlSetShadeModel(model); }

void QImpGL::EnableTexture(bool on) { engine::GlEnableTexture2D(on); }

void QImpGL::DrawTriangleNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                                 const float* n2) {
  const GlCorner corners[3] = {Corner(p0, n0), Corner(p1, n1), Corner(p2, n2)};
  engine::GlTriangleNormals(corners);
}

void QImpGL::DrawTriangleTextured(const float* p0, const float* n0, const float* t0, const float* p1,
                                  const float* n1, const float* t1, const float* p2, const float* n2,
                                  const float* t2) {
  const GlCorner corners[3] = {Corner(p0, n0, t0), Corner(p1, n1, t1), Corner(p2, n2, t2)};
  engine::GlTriangleTextured(corners);
}

void QImpGL::PushMatrix() { glPushMatrix(); }

void QImpGL::PopMatrix() { glPopMatrix(); }

void QImpGL::LightingOn() { glEnable(GL_LIGHTING); }

void QImpGL::LightingOff() { glDisable(GL_LIGHTING); }

void QImpGL::DrawQuadNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                             const float* n2, const float* p3, const float* n3) {
  glBegin(GL_QUADS);
  const float* points[4] = {p0, p1, p2, p3};
  const float* normals[4] = {n0, n1, n2, n3};
  for (int i = 0; i < 4; ++i) {
    glNormal3f(normals[i][0], normals[i][1], normals[i][2]);
    Vertex(points[i]);
  }
  glEnd();
}

void QImpGL::DrawQuadTextured(const float* p0, const float* n0, const float* t0, const float* p1, const float* n1,
                              const float* t1, const float* p2, const float* n2, const float* t2, const float* p3,
                              const float* n3, const float* t3) {
  const GlCorner corners[4] = {Corner(p0, n0, t0), Corner(p1, n1, t1), Corner(p2, n2, t2), Corner(p3, n3, t3)};
  engine::GlBeginQuads();
  engine::GlQuadTexturedCorners(corners);
  engine::GlEnd();
}

void QImpGL::SetLineWidth(float width) { engine::GlLineWidth(width); }

void QImpGL::SetColor(float r, float g, float b) { engine::GlColor(r, g, b); }

void QImpGL::DrawTriangle(const float* p0, const float* p1, const float* p2) {
  glBegin(GL_POLYGON);
  Vertex(p0);
  Vertex(p1);
  Vertex(p2);
  glEnd();
}

void QImpGL::DrawQuad(const float* p0, const float* p1, const float* p2, const float* p3) {
  glBegin(GL_QUADS);
  Vertex(p0);
  Vertex(p1);
  Vertex(p2);
  Vertex(p3);
  glEnd();
}

void QImpGL::DrawLine(const float* p0, const float* p1) { engine::GlLine(Vec(p0), Vec(p1)); }

void QImpGL::DrawLineStrip(int n, const float* points) {
  if (n <= 0 || points == nullptr) return;
  std::vector<GlVec3> strip(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) strip[static_cast<std::size_t>(i)] = Vec(points + 3 * i);
  engine::GlPolyline(n, strip.data());
}

void QImpGL::SetPointSize(float size) { engine::GlPointSize(size); }

void QImpGL::DrawPoint(float x, float y, float z) { engine::GlPoint(x, y, z); }

bool QImpGL::ProjectWidthScale(const engine::MatrixRecord* projection, const double* segment,
                               const engine::PointRecord* offsetDirection, double* scales,
                               engine::PointRecord* screenDirection, engine::QView* view) {
  const int tiles = view != nullptr ? view->GetTileCount() : 0;
  return engine::QImpProjectWidthScale(*projection, segment, *offsetDirection, scales, *screenDirection, tiles);
}

void QImpGL::BeginDisplayList(engine::QView* engineView) {
  QView* view = AsView(engineView);
  if (view == nullptr) return;
  DeleteDisplayList(view);
  const unsigned list = glGenLists(1);
  view->SetDisplayList(list);
  glNewList(list, GL_COMPILE);
}

void QImpGL::EndDisplayList() { glEndList(); }

void QImpGL::CallDisplayList(engine::QView* engineView) {
  if (QView* view = AsView(engineView)) glCallList(view->GetDisplayList());
}

void QImpGL::DeleteDisplayList(engine::QView* engineView) {
  QView* view = AsView(engineView);
  if (view == nullptr || !platform::GlContext::AnyCurrent()) return;
  if (glIsList(view->GetDisplayList())) glDeleteLists(view->GetDisplayList(), 1);
}

bool QImpGL::IsDisplayListMissing(engine::QView* engineView) {
  QView* view = AsView(engineView);
  return view == nullptr || !platform::GlContext::AnyCurrent() || !glIsList(view->GetDisplayList());
}

void QImpGL::Finish() { glFinish(); }

void QImpGL::DeleteTextures() {
  if (platform::GlContext::AnyCurrent()) {
    for (const BindTexInfo& entry : textures_) {
      const GLuint name = entry.name;
      if (glIsTexture(name)) glDeleteTextures(1, &name);
    }
  }
  textures_.clear();
}

unsigned QImpGL::LookupTexture(const engine::MShader* material) const {
  if (!NamedTextures()) return 0;
  for (const BindTexInfo& entry : textures_)
    if (entry.material == material) return entry.name;
  return 0;
}

void QImpGL::RecordTexture(const engine::MShader* material, unsigned name) { textures_.push_back({material, name}); }

}  // namespace view
