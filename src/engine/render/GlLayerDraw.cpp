#include <GL/gl.h>
#include <GL/glu.h>

#include "engine/render/GlLayer.h"
#include "engine/render/GlLayerState.h"
#include "platform/GlContext.h"

namespace engine {
namespace {

constexpr GLenum kFormats[] = {GL_COLOR_INDEX, GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA, GL_RGB,
                               GL_RGBA, GL_BGR,  GL_BGRA,  GL_LUMINANCE, GL_LUMINANCE_ALPHA};
constexpr GLenum kTypes[] = {GL_UNSIGNED_BYTE, GL_BYTE, GL_BITMAP, GL_UNSIGNED_SHORT,
                             GL_SHORT,         GL_UNSIGNED_INT, GL_INT, GL_FLOAT};

// A 1 × 1 context of our own for GL questions asked while no context is
// current (texture fitting while a file loads). Made once, kept for the
// process.
platform::GlContext* ScratchContext() {
  static platform::GlContext* scratch = [] {
    auto* context = new platform::GlContext;
    if (!context->Create(1, 1)) {
      delete context;
      return static_cast<platform::GlContext*>(nullptr);
    }
    platform::GlContext::ReleaseCurrent();
    return context;
  }();
  return scratch;
}

// Makes the scratch context current for one call when the thread has none,
// and leaves the thread without one again afterwards.
class AnyContextScope {
 public:
  AnyContextScope() {
    if (platform::GlContext::AnyCurrent()) return;
    platform::GlContext* scratch = ScratchContext();
    borrowed_ = scratch && scratch->MakeCurrent();
  }
  ~AnyContextScope() {
    if (borrowed_) platform::GlContext::ReleaseCurrent();
  }
  AnyContextScope(const AnyContextScope&) = delete;
  AnyContextScope& operator=(const AnyContextScope&) = delete;
  bool HasContext() const { return borrowed_ || platform::GlContext::AnyCurrent(); }

 private:
  bool borrowed_ = false;
};

void Vertex(const GlVec3& p) { glVertex3f(p.x, p.y, p.z); }
void Normal(const GlVec3& n) { glNormal3f(n.x, n.y, n.z); }

// Bytes reach the texture as they are: GL already turns them into 0..1,
// and any scaling or colour maps left on would change every texel.
void ResetPixelTransfer() {
  glPixelTransferf(GL_RED_SCALE, 1.0f);
  glPixelTransferf(GL_GREEN_SCALE, 1.0f);
  glPixelTransferf(GL_BLUE_SCALE, 1.0f);
  glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
  glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
}

void SetTextureParameters(int wrapS, int wrapT, int magFilter, int minFilter, int envMode) {
  auto wrap = [](GLenum which, int code) {
    if (code == 0) glTexParameteri(GL_TEXTURE_2D, which, GL_CLAMP);
    if (code == 1) glTexParameteri(GL_TEXTURE_2D, which, GL_REPEAT);
  };
  wrap(GL_TEXTURE_WRAP_S, wrapS);
  wrap(GL_TEXTURE_WRAP_T, wrapT);
  if (magFilter == 0 || magFilter == 1)
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter == 0 ? GL_NEAREST : GL_LINEAR);
  constexpr GLint kMinFilters[] = {GL_NEAREST,
                                   GL_LINEAR,
                                   GL_NEAREST_MIPMAP_NEAREST,
                                   GL_NEAREST_MIPMAP_LINEAR,
                                   GL_LINEAR_MIPMAP_NEAREST,
                                   GL_LINEAR_MIPMAP_LINEAR};
  if (minFilter >= 0 && minFilter <= 5) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, kMinFilters[minFilter]);
  constexpr GLint kEnvModes[] = {GL_MODULATE, GL_DECAL, GL_BLEND};
  if (envMode >= 0 && envMode <= 2) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, kEnvModes[envMode]);
}

}  // namespace

unsigned GlFormatOf(int code) {
  return code >= 0 && code <= 10 ? kFormats[code] : static_cast<unsigned>(code);
}

unsigned GlTypeOf(int code) { return code >= 0 && code <= 7 ? kTypes[code] : static_cast<unsigned>(code); }

int GlMaxTextureSize() {
  static int cached = 0;
  if (cached == 0) {
    AnyContextScope scope;
    GLint size = 0;
    if (scope.HasContext()) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    cached = size < 64 ? 512 : size;
  }
  return cached;
}

// ---- geometry --------------------------------------------------------------

void GlColor(float r, float g, float b) { glColor3f(r, g, b); }

void GlColorVec(const float rgb[3]) { glColor3fv(rgb); }

void GlPoint(float x, float y, float z) {
  glBegin(GL_POINTS);
  glVertex3f(x, y, z);
  glEnd();
}

void GlWindowPoint(int x, int y) {
  const int height = CurrentLayerState().windowHeight;
  glBegin(GL_POINTS);
  glVertex2s(static_cast<GLshort>(x), static_cast<GLshort>(height - y));
  glEnd();
}

void GlLine(const GlVec3& p, const GlVec3& q) {
  glBegin(GL_LINES);
  Vertex(p);
  Vertex(q);
  glEnd();
}

void GlColoredLine(const GlVec3& p, const GlVec3& q, const GlVec3& colourP, const GlVec3& colourQ) {
  glBegin(GL_LINES);
  glColor3f(colourP.x, colourP.y, colourP.z);
  Vertex(p);
  glColor3f(colourQ.x, colourQ.y, colourQ.z);
  Vertex(q);
  glEnd();
}

void GlPolyline(int n, const GlVec3* points) {
  glBegin(GL_LINE_STRIP);
  for (int i = 0; i < n; ++i) Vertex(points[i]);
  glEnd();
}

void GlWindowQuadOutline(GlShortPoint points[4]) {
  const int height = CurrentLayerState().windowHeight;
  for (int i = 0; i < 4; ++i) points[i].y = static_cast<std::int16_t>(height - points[i].y);
  glBegin(GL_LINES);
  for (int i = 0; i < 4; ++i) {
    const GlShortPoint& a = points[i];
    const GlShortPoint& b = points[(i + 1) % 4];
    glVertex2s(a.x, a.y);
    glVertex2s(b.x, b.y);
  }
  glEnd();
}

void GlTriangleNormals(const GlCorner corners[3]) {
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < 3; ++i) {
    Normal(corners[i].normal);
    Vertex(corners[i].point);
  }
  glEnd();
}

void GlTriangleTextured(const GlCorner corners[3]) {
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < 3; ++i) {
    Normal(corners[i].normal);
    glTexCoord2f(corners[i].tex.u, corners[i].tex.v);
    Vertex(corners[i].point);
  }
  glEnd();
}

void GlBeginQuads() { glBegin(GL_QUADS); }

void GlEnd() { glEnd(); }

void GlQuadTexturedCorners(const GlCorner corners[4]) {
  for (int i = 0; i < 4; ++i) {
    Normal(corners[i].normal);
    glTexCoord2f(corners[i].tex.u, corners[i].tex.v);
    Vertex(corners[i].point);
  }
}

// ---- images and textures ---------------------------------------------------

int GlPowerOfTwoSize(int size, int& out) {
  if (size < 64) {
    out = 64;
    return 1;
  }
  const int limit = GlMaxTextureSize();
  if (size > limit) size = limit;
  long long p = 2;
  while (p < size) p *= 2;
  out = static_cast<int>(p);
  return p == size ? 1 : 0;
}

int GlScaleImage(int formatCode, int widthIn, int heightIn, int typeCode, const void* in, int widthOut,
                 int heightOut, void* out) {
  AnyContextScope scope;  // GLU reads the pixel-store state of a context
  if (!scope.HasContext()) return GLU_INVALID_OPERATION;
  const GLenum type = GlTypeOf(typeCode);
  return gluScaleImage(GlFormatOf(formatCode), widthIn, heightIn, type, in, widthOut, heightOut, type, out);
}

void GlTexImage(int width, int height, int components, int formatCode, int typeCode, const void* pixels, int wrapS,
                int wrapT, int magFilter, int minFilter, int envMode, bool raw) {
  const GLenum format = GlFormatOf(formatCode);
  if (!raw && (format == GL_RGB || format == GL_RGBA)) ResetPixelTransfer();
  glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GlTypeOf(typeCode), pixels);
  SetTextureParameters(wrapS, wrapT, magFilter, minFilter, envMode);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_2D);
}

void GlDrawPixels(int kind, int x, int y, int width, int height, const void* pixels) {
  glDisable(GL_DEPTH_TEST);
  const bool wide = (x & 0x8000) != 0 || (y & 0x8000) != 0;
  if (wide) GlPushWideViewport();
  glRasterPos2i(x, y);
  ResetPixelTransfer();
  glDisable(GL_TEXTURE_2D);
  const GLenum format = kind == 5 ? GL_RGB : kind == 6 ? GL_RGBA : GL_COLOR_INDEX;
  glDrawPixels(width, height, format, GL_UNSIGNED_BYTE, pixels);
  if (wide) GlPopWideViewport();
  glEnable(GL_DEPTH_TEST);
}

}  // namespace engine

namespace engine {

void GlTriangleFan(int n, const double* points, const float* textureCoords, const float rgba[4]) {
  glColor4fv(rgba);
  glBegin(GL_TRIANGLE_FAN);
  for (int i = 0; i < n; ++i) {
    if (textureCoords != nullptr) glTexCoord2fv(textureCoords + 2 * i);
    glVertex3f(static_cast<float>(points[3 * i]), static_cast<float>(points[3 * i + 1]),
               static_cast<float>(points[3 * i + 2]));
  }
  glEnd();
}

}  // namespace engine
