#pragma once
// The engine's thin layer over OpenGL 1.1 and GLU. Each function issues a
// short fixed sequence of GL calls on the context current on the calling
// thread (the caller makes it current). A few functions remember the last
// state they set and skip the calls when the same state is asked for again.
//
// Remembered state belongs to one binding of one context: whenever a context
// is bound (a new one, another one or the same one again) or released, the
// layer forgets what it remembered and starts from its initial values. Code
// that changes the same GL state directly, behind the layer, must expect the
// skips to act on what the layer last set.
//
// Window coordinates: after GlBeginWindowCoords points are given with y
// measured from the top of the window; the functions flip it with the stored
// window height.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class GlContext;
}

namespace engine {

struct GlVec3 {
  float x;
  float y;
  float z;
};

struct GlVec2 {
  float u;
  float v;
};

// A corner of a triangle or quad: position, normal and texture coordinate
// (the texture coordinate is unused where a function draws without one).
struct GlCorner {
  GlVec3 point;
  GlVec3 normal;
  GlVec2 tex;
};

// A window point in short integers, y measured from the top.
struct GlShortPoint {
  std::int16_t x;
  std::int16_t y;
};

// Pixel format codes of GlTexImage and GlScaleImage.
enum GlFormatCode : int {
  kGlFormatColorIndex = 0,
  kGlFormatRed = 1,
  kGlFormatGreen = 2,
  kGlFormatBlue = 3,
  kGlFormatAlpha = 4,
  kGlFormatRgb = 5,
  kGlFormatRgba = 6,
  kGlFormatBgr = 7,
  kGlFormatBgra = 8,
  kGlFormatLuminance = 9,
  kGlFormatLuminanceAlpha = 10,
};

// Component type codes of GlTexImage and GlScaleImage.
enum GlTypeCode : int {
  kGlTypeUnsignedByte = 0,
  kGlTypeByte = 1,
  kGlTypeBitmap = 2,
  kGlTypeUnsignedShort = 3,
  kGlTypeShort = 4,
  kGlTypeUnsignedInt = 5,
  kGlTypeInt = 6,
  kGlTypeFloat = 7,
};

// The GL constants of a pixel format code and of a component type code;
// codes outside the tables are passed on unchanged.
unsigned GlFormatOf(int code);
unsigned GlTypeOf(int code);

// ---- contexts: GlLayer.cpp ----------------------------------------------
// Makes a rendering context drawing into a width × height image (32 depth
// bits, or 24 where 32 are not available), makes it current and reads its
// viewport limits. Null, with a reason in `error`, when it cannot be made.
std::unique_ptr<platform::GlContext> GlCreateContext(int width, int height, std::string* error = nullptr);
bool GlMakeCurrent(platform::GlContext& context);
void GlDeleteContext(std::unique_ptr<platform::GlContext>& context);

// GL_MAX_TEXTURE_SIZE, read once. Texture fitting asks for it while files
// load, perhaps with no context current: then a small private context is
// made current for the question. 512 when GL reports less than 64.
int GlMaxTextureSize();

// ---- frame, matrices and viewport: GlLayer.cpp ---------------------------
void GlClear();  // colour and depth buffers
void GlClearColor(float r, float g, float b);
// Only when width and height are both positive.
void GlViewport(int x, int y, int width, int height);
void GlGetViewport(int& x, int& y, int& width, int& height);
void GlGetMaxViewport(int& width, int& height);
// 0 modelview, 1 projection, 2 texture: remembers and selects the mode; any
// other kind selects the remembered mode again.
void GlMatrixMode(int kind);
// The modelview or projection matrix, whichever mode is remembered; leaves
// `out` alone for other modes.
void GlGetCurrentMatrix(double out[16]);
// Multiplies the modelview matrix (selected directly; the remembered mode
// stays).
void GlMultModelview(const double m[16]);
// projection := frustum / ortho, then modelview selected through
// GlMatrixMode; window coordinates end.
void GlFrustum(double left, double right, double bottom, double top, double zNear, double zFar);
void GlOrtho(double left, double right, double bottom, double top, double zNear, double zFar);
// modelview := the look-at transform.
void GlLookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
              double upY, double upZ);
// Pixel coordinates for a width × height window, origin bottom-left (points
// given through the window functions are flipped). Only when window
// coordinates are not already on and both sizes are non-zero; they stay on
// until GlFrustum or GlOrtho.
void GlBeginWindowCoords(int width, int height);
// A viewport as wide as GL allows, centred on the window's origin, so that
// raster positions left of or below the window stay valid. Pop restores
// both matrices and the window's viewport.
void GlPushWideViewport();
void GlPopWideViewport();

// ---- render states: GlLayer.cpp -------------------------------------------
// 0 shaded; 1 front faces as lines, back as points; 2 front as points, back
// as lines; 3 lines without depth; 4 hidden-line; 5 lines with depth.
// Repeating the remembered state issues nothing, except that states 3 to 5
// disable lighting again.
void GlSetRenderState(int state);
void GlSetCullMode(int mode);   // 0 off, 1 back faces, 2 front faces
void GlSetShadeModel(int mode);  // 0 flat, 1 smooth; faces filled, normals normalised
// On: lighting and lights 0 and 1. Off: lighting and the depth test off.
void GlSetLighting(bool on);
// GL_LIGHTING alone, nothing else (the tone fill of single patches).
void GlSetLightingOnly(bool on);
// Light 0 when `which` is 0, light 1 otherwise; each value given (not null)
// is set.
void GlSetLight(int which, const float* ambient, const float* diffuse, const float* specular, const float* position,
                const float* spotDirection);
void GlSetLightModel(const float ambient[4], int localViewer, int twoSided);
// Below alpha 1 blending goes on (source alpha, one minus source alpha; it is
// never switched off here); then the diffuse colour of both faces.
void GlSetDiffuse(const float rgba[4]);
// face 0 front, 1 back, 2 both; the diffuse colour always goes to both faces.
void GlSetMaterial(int face, const float* ambient, const float* diffuse, const float* specular, float shininess,
                   const float* emission);
// XOR drawing in white without depth writes. The remembered value starts as
// on: a first request for on only sets the colour.
void GlSetXorDrawing(bool on);
void GlLineWidth(float width);  // below 1 is 1
void GlPointSize(float size);
void GlEnableTexture2D(bool on);
void GlPixelZoom(float x, float y);

// ---- geometry: GlLayerDraw.cpp --------------------------------------------
void GlColor(float r, float g, float b);
void GlColorVec(const float rgb[3]);
void GlPoint(float x, float y, float z);
// One point at (x, window height - y).
void GlWindowPoint(int x, int y);
void GlLine(const GlVec3& p, const GlVec3& q);
void GlColoredLine(const GlVec3& p, const GlVec3& q, const GlVec3& colourP, const GlVec3& colourQ);
void GlPolyline(int n, const GlVec3* points);
// Flips each point's y in place to window height - y (the caller's points
// change), then draws the edges p0-p1, p1-p2, p2-p3, p3-p0.
void GlWindowQuadOutline(GlShortPoint points[4]);
void GlTriangleNormals(const GlCorner corners[3]);
void GlTriangleTextured(const GlCorner corners[3]);
// Begins GL_QUADS; the caller ends the primitive (GlEnd).
void GlBeginQuads();
void GlEnd();
// The four corners with normal and texture coordinate, inside a primitive
// the caller has begun.
void GlQuadTexturedCorners(const GlCorner corners[4]);
// One triangle fan in one colour (r, g, b, a): n points of three doubles,
// each with its texture coordinate (two floats) when they are given.
void GlTriangleFan(int n, const double* points, const float* textureCoords, const float rgba[4]);

// ---- images and textures: GlLayerDraw.cpp ---------------------------------
// Sizes below 64 give 64 (answer 1). Otherwise the size is limited to the
// largest texture GL takes and rounded up to a power of two; the answer is 1
// when no rounding was needed, else 0.
int GlPowerOfTwoSize(int size, int& out);
// gluScaleImage with the same component type in and out; GLU's result.
int GlScaleImage(int formatCode, int widthIn, int heightIn, int typeCode, const void* in, int widthOut,
                 int heightOut, void* out);
// Uploads level 0 of the bound 2D texture and sets its wrapping (0 clamp,
// 1 repeat, else unchanged), filters (magnification 0 nearest, 1 linear;
// minification 0 nearest, 1 linear, 2..5 the mipmap filters) and environment
// (0 modulate, 1 decal, 2 blend); texture coordinate generation off, 2D
// texturing on. Unless `raw`, RGB and RGBA bytes go up without any pixel
// transfer scaling or colour mapping left from elsewhere.
void GlTexImage(int width, int height, int components, int formatCode, int typeCode, const void* pixels, int wrapS,
                int wrapT, int magFilter, int minFilter, int envMode, bool raw);
// Draws unsigned-byte pixels (kind 5 RGB, 6 RGBA, else colour indices) at
// the raster position (x, y) with the depth test off; a negative x or y goes
// through the wide viewport so that the visible part is drawn.
void GlDrawPixels(int kind, int x, int y, int width, int height, const void* pixels);

}  // namespace engine
