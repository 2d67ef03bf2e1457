#include "engine/render/GlLayer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "engine/render/GlLayerState.h"
#include "platform/GlContext.h"

namespace engine {
namespace {

thread_local GlLayerState layerState;

GLenum FaceOf(int face) {
  switch (face) {
    case 0:
      return GL_FRONT;
    case 1:
      return GL_BACK;
    default:
      return GL_FRONT_AND_BACK;
  }
}

void SetLightingAndLights(bool on) {
  if (on) {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
  } else {
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
  }
}

void ApplyRenderState(int state) {
  switch (state) {
    case 0:
      glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
      glDisable(GL_CULL_FACE);
      glEnable(GL_DEPTH_TEST);
      SetLightingAndLights(true);
      break;
    case 1:
      glPolygonMode(GL_FRONT, GL_LINE);
      glPolygonMode(GL_BACK, GL_POINT);
      break;
    case 2:
      glPolygonMode(GL_FRONT, GL_POINT);
      glPolygonMode(GL_BACK, GL_LINE);
      break;
    case 3:
      glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
      glDisable(GL_CULL_FACE);
      glDisable(GL_DEPTH_TEST);
      SetLightingAndLights(false);
      glDisable(GL_BLEND);
      break;
    case 4:
      glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      glEnable(GL_DEPTH_TEST);
      glDepthFunc(GL_LESS);
      glDisable(GL_LIGHTING);
      glDisable(GL_BLEND);
      break;
    case 5:
      glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
      glDisable(GL_CULL_FACE);
      glEnable(GL_DEPTH_TEST);
      SetLightingAndLights(false);
      glDisable(GL_BLEND);
      break;
    default:
      break;
  }
}

void LoadProjection(void (*load)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble), double left,
                    double right, double bottom, double top, double zNear, double zFar) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  load(left, right, bottom, top, zNear, zFar);
  GlMatrixMode(0);
  CurrentLayerState().windowCoords = false;
}

}  // namespace

GlLayerState& CurrentLayerState() {
  const std::uint64_t binding = platform::GlContext::CurrentBinding();
  if (layerState.binding != binding) {
    // Another context, or the same one bound again: nothing remembered
    // still holds.
    layerState = GlLayerState{};
    layerState.binding = binding;
    if (binding != 0) {
      GLint dims[2] = {0, 0};
      glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
      layerState.maxViewportWidth = dims[0];
      layerState.maxViewportHeight = dims[1];
    }
  }
  return layerState;
}

// ---- contexts --------------------------------------------------------------

std::unique_ptr<platform::GlContext> GlCreateContext(int width, int height, std::string* error) {
  auto context = std::make_unique<platform::GlContext>();
  if (!context->Create(width, height, error)) return nullptr;
  CurrentLayerState();  // reads the viewport limits of the new context
  return context;
}

bool GlMakeCurrent(platform::GlContext& context) { return context.MakeCurrent(); }

void GlDeleteContext(std::unique_ptr<platform::GlContext>& context) { context.reset(); }

// ---- frame, matrices and viewport ------------------------------------------

void GlClear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

void GlClearColor(float r, float g, float b) { glClearColor(r, g, b, 1.0f); }

void GlViewport(int x, int y, int width, int height) {
  if (width > 0 && height > 0) glViewport(x, y, width, height);
}

void GlGetViewport(int& x, int& y, int& width, int& height) {
  GLint v[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, v);
  x = v[0];
  y = v[1];
  width = v[2];
  height = v[3];
}

void GlGetMaxViewport(int& width, int& height) {
  GLint dims[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
  width = dims[0];
  height = dims[1];
}

void GlMatrixMode(int kind) {
  GlLayerState& state = CurrentLayerState();
  switch (kind) {
    case 0:
      state.matrixMode = GL_MODELVIEW;
      break;
    case 1:
      state.matrixMode = GL_PROJECTION;
      break;
    case 2:
      state.matrixMode = GL_TEXTURE;
      break;
    default:
      break;
  }
  if (state.matrixMode != 0) glMatrixMode(state.matrixMode);
}

void GlGetCurrentMatrix(double out[16]) {
  const unsigned mode = CurrentLayerState().matrixMode;
  if (mode == GL_MODELVIEW)
    glGetDoublev(GL_MODELVIEW_MATRIX, out);
  else if (mode == GL_PROJECTION)
    glGetDoublev(GL_PROJECTION_MATRIX, out);
}

void GlMultModelview(const double m[16]) {
  glMatrixMode(GL_MODELVIEW);
  glMultMatrixd(m);
}

void GlFrustum(double left, double right, double bottom, double top, double zNear, double zFar) {
  LoadProjection(glFrustum, left, right, bottom, top, zNear, zFar);
}

void GlOrtho(double left, double right, double bottom, double top, double zNear, double zFar) {
  LoadProjection(glOrtho, left, right, bottom, top, zNear, zFar);
}

void GlLookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
              double upY, double upZ) {
  GlMatrixMode(0);
  glLoadIdentity();
  gluLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}

void GlBeginWindowCoords(int width, int height) {
  GlLayerState& state = CurrentLayerState();
  if (state.windowCoords || width == 0 || height == 0) return;
  state.windowCoords = true;
  state.windowWidth = width;
  state.windowHeight = height;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void GlPushWideViewport() {
  GlLayerState& state = CurrentLayerState();
  GLint v[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, v);
  state.windowWidth = v[2];
  state.windowHeight = v[3];
  if ((v[2] & 0xFFFF) == 0 || (v[3] & 0xFFFF) == 0) return;
  state.wideViewport = true;
  const int w = state.maxViewportWidth, h = state.maxViewportHeight;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(-w / 2, w / 2, -h / 2, h / 2);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(-w / 2, -h / 2, w, h);
}

void GlPopWideViewport() {
  GlLayerState& state = CurrentLayerState();
  if (!state.wideViewport) return;
  state.wideViewport = false;
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glViewport(0, 0, state.windowWidth, state.windowHeight);
}

// ---- render states ---------------------------------------------------------

void GlSetRenderState(int state) {
  GlLayerState& layer = CurrentLayerState();
  if (state != layer.renderState) {
    ApplyRenderState(state);
    layer.renderState = state;
  } else if (state > 2) {
    glDisable(GL_LIGHTING);
  }
}

void GlSetCullMode(int mode) {
  switch (mode) {
    case 0:
      glDisable(GL_CULL_FACE);
      break;
    case 1:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      break;
    case 2:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      break;
    default:
      break;
  }
}

void GlSetShadeModel(int mode) {
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_NORMALIZE);
  if (mode == 0)
    glShadeModel(GL_FLAT);
  else if (mode == 1)
    glShadeModel(GL_SMOOTH);
}

void GlSetLightingOnly(bool on) {
  if (on) glEnable(GL_LIGHTING);
  else glDisable(GL_LIGHTING);
}

void GlSetLighting(bool on) {
  if (on) {
    SetLightingAndLights(true);
  } else {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
  }
}

void GlSetLight(int which, const float* ambient, const float* diffuse, const float* specular, const float* position,
                const float* spotDirection) {
  const GLenum light = which == 0 ? GL_LIGHT0 : GL_LIGHT1;
  if (ambient) glLightfv(light, GL_AMBIENT, ambient);
  if (diffuse) glLightfv(light, GL_DIFFUSE, diffuse);
  if (specular) glLightfv(light, GL_SPECULAR, specular);
  if (position) glLightfv(light, GL_POSITION, position);
  if (spotDirection) glLightfv(light, GL_SPOT_DIRECTION, spotDirection);
}

void GlSetLightModel(const float ambient[4], int localViewer, int twoSided) {
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, localViewer);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, twoSided);
}

void GlSetDiffuse(const float rgba[4]) {
  if (rgba[3] < 1.0f) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, rgba);
}

void GlSetMaterial(int face, const float* ambient, const float* diffuse, const float* specular, float shininess,
                   const float* emission) {
  const GLenum f = FaceOf(face);
  if (ambient) glMaterialfv(f, GL_AMBIENT, ambient);
  if (diffuse) GlSetDiffuse(diffuse);
  if (specular) glMaterialfv(f, GL_SPECULAR, specular);
  glMaterialf(f, GL_SHININESS, shininess);
  if (emission) glMaterialfv(f, GL_EMISSION, emission);
}

void GlSetXorDrawing(bool on) {
  GlLayerState& state = CurrentLayerState();
  if (on != state.xorDrawing) {
    state.xorDrawing = on;
    if (on) {
      glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
      glDepthMask(GL_FALSE);
      glEnable(GL_COLOR_LOGIC_OP);
      glLogicOp(GL_XOR);
    } else {
      glDepthMask(GL_TRUE);
      glDisable(GL_COLOR_LOGIC_OP);
    }
  } else if (on) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }
}

void GlLineWidth(float width) { glLineWidth(width < 1.0f ? 1.0f : width); }

void GlPointSize(float size) { glPointSize(size); }

void GlEnableTexture2D(bool on) {
  if (on)
    glEnable(GL_TEXTURE_2D);
  else
    glDisable(GL_TEXTURE_2D);
}

void GlPixelZoom(float x, float y) { glPixelZoom(x, y); }

}  // namespace engine
