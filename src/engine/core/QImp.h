#pragma once
// The renderer through which every drawing call of the engine goes. Objects
// never call the graphics library themselves: they take the view's renderer
// and call the operations below. Every operation has a working default, so a
// renderer overrides only what it supports; with the defaults the optional
// hooks (indexed output, the export path, tone parameters) are inert.
//
// Conventions: points, normals and colours are three floats (x, y, z or
// r, g, b; colours 0..1), texture coordinates two floats (s, t); matrices are
// the 16 doubles of a MatrixRecord, row by row.
//
// Protocols that renderers other than the OpenGL one may take part in:
// - indexed output (IsIndexedOutput true): before a mesh's faces
//   SetVertexCount and SetFaceCount; per triangle NextVertexIndex for each
//   corner without an index yet; the indices travel in FillToneBands' last
//   argument;
// - the export path (GetRendererKind not 0): BeginMesh, then unless
//   SkipsFaces SetFacePass(true), the faces, SetFacePass(false); then the
//   lines.
#include "engine/core/EngGeometry.h"

namespace platform {
class Dc;
}

namespace engine {

class MObject;
class MShader;
class QView;

// GetRendererKind answers.
enum QImpKind : int { kRendererBase = -1, kRendererOpenGL = 0, kRendererExport = 1 };

// SetDrawingMode codes.
enum QImpDrawingMode : int {
  kDrawFilledLit = 0,      // filled, lit, depth test, both faces, lights 0 and 1
  kDrawFrontLines = 1,     // front faces as lines, back faces as points
  kDrawFrontPoints = 2,    // front faces as points, back faces as lines
  kDrawLinesOnTop = 3,     // lines, no depth test, no lighting, no culling
  kDrawLinesCulled = 4,    // lines with a strict depth test, back faces culled, no lighting
  kDrawLinesDepth = 5,     // as 3 with the depth test on
};

// SetCullMode, SetMatrixMode and SetShadeModel codes.
enum QImpCullMode : int { kCullNone = 0, kCullBack = 1, kCullFront = 2 };
enum QImpMatrixMode : int { kMatrixModelView = 0, kMatrixProjection = 1, kMatrixTexture = 2 };
enum QImpShadeModel : int { kShadeFlat = 0, kShadeSmooth = 1 };

class QImp {
 public:
  virtual ~QImp() = default;

  // ---- context and frame --------------------------------------------------
  virtual int GetRendererKind() { return kRendererBase; }
  virtual void SetCullMode(int /*mode*/) {}
  // Makes `material` current; `previous` is the material current before
  // (null at the start of a pass); `ownMaterial` is the faces' own material
  // when another replaces it.
  virtual void SetMaterial(MShader* /*material*/, MShader* /*previous*/, bool /*textured*/,
                           MShader* /*ownMaterial*/) {}
  // True when the view now has a rendering context.
  virtual bool CreateContext(QView* /*view*/, int /*windowArgument*/, platform::Dc* /*dc*/) { return true; }
  virtual void MakeCurrent(QView* /*view*/, platform::Dc* /*dc*/, bool /*current*/) {}
  virtual void GetMaxViewport(int* /*width*/, int* /*height*/) {}
  virtual void SetPolygonOffset(bool /*on*/) {}
  virtual void RenderTiles(MObject* /*scene*/, QView* /*view*/) {}
  virtual void DrawAxes(int /*ignored*/) {}
  // When true, a clear of the view's overlay lines that is not forced is
  // skipped.
  virtual bool KeepsOverlayLines() { return false; }
  virtual void DropCaches() {}

  // ---- indexed output -----------------------------------------------------
  virtual bool IsIndexedOutput() { return false; }
  virtual void SetVertexCount(int /*count*/) {}
  virtual int NextVertexIndex() { return 0; }
  virtual int SetFaceCount(int /*count*/) { return 0; }
  virtual void ReservedHookA(int /*a*/, int /*b*/) {}
  // Export path: true before a mesh's faces, false after.
  virtual void SetFacePass(bool /*on*/) {}

  // ---- camera and transforms ----------------------------------------------
  virtual void LookAt(double /*eyeX*/, double /*eyeY*/, double /*eyeZ*/, double /*centreX*/,
                      double /*centreY*/, double /*centreZ*/, double /*upX*/, double /*upY*/,
                      double /*upZ*/) {}
  virtual void Frustum(double /*left*/, double /*right*/, double /*bottom*/, double /*top*/,
                       double /*zNear*/, double /*zFar*/) {}
  virtual void Ortho(double /*left*/, double /*right*/, double /*bottom*/, double /*top*/,
                     double /*zNear*/, double /*zFar*/) {}
  virtual void SetViewport(int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}

  // ---- lights -------------------------------------------------------------
  virtual void EnableLighting(bool /*on*/) {}
  virtual void SetLightModel(const float* /*ambient*/, float /*localViewer*/, float /*twoSided*/) {}
  // Light 0 or 1; a null pointer leaves that value as it is.
  virtual void SetLight(int /*light*/, const float* /*ambient*/, const float* /*diffuse*/,
                        const float* /*specular*/, const float* /*position*/,
                        const float* /*spotDirection*/) {}
  virtual void GetViewport(int* /*x*/, int* /*y*/, int* /*width*/, int* /*height*/) {}

  // ---- state for a pass ---------------------------------------------------
  // Drawing-mode codes of QImpDrawingMode. Setting the mode in force changes
  // nothing, except that a repeated 3, 4 or 5 switches lighting off again.
  virtual void SetDrawingMode(int /*mode*/) {}
  virtual void SetClearColor(const float* /*rgb*/) {}
  virtual void MultMatrix(const double* /*m*/) {}
  // A code outside 0 to 2 keeps the current mode.
  virtual void SetMatrixMode(int /*mode*/) {}
  // The 16 values of the current matrix of the current mode.
  virtual void GetMatrices(double* /*out*/) {}
  virtual void SetShadeModel(int /*model*/) {}
  virtual void EnableTexture(bool /*on*/) {}

  // ---- primitives ---------------------------------------------------------
  virtual void DrawTriangleNormals(const float* /*p0*/, const float* /*n0*/, const float* /*p1*/,
                                   const float* /*n1*/, const float* /*p2*/, const float* /*n2*/) {}
  virtual void DrawTriangleTextured(const float* /*p0*/, const float* /*n0*/, const float* /*t0*/,
                                    const float* /*p1*/, const float* /*n1*/, const float* /*t1*/,
                                    const float* /*p2*/, const float* /*n2*/, const float* /*t2*/) {}
  virtual void PushMatrix() {}
  virtual void PopMatrix() {}
  // Software tone fill of one triangle or quadrilateral in the page drawing
  // style: `count` corners with a point and a normal each, texture
  // coordinates when textured, the fill colour (r, g, b, a), the eye
  // direction, the material and the corner indices of indexed output.
  // The default cuts the polygon into tone bands and fills them through
  // OpenGL on the current context (the mesh's tone fill).
  virtual void FillToneBands(int count, const double* points, const double* normals, bool textured,
                             const float* textureCoords, const float* colour, double eyeX, double eyeY,
                             double eyeZ, MShader* material, int* indices);
  virtual void ReservedHookB(int /*a*/) {}
  // Export path: the first call for each mesh drawn.
  virtual void BeginMesh(QView* /*view*/) {}
  virtual void LightingOn() {}
  virtual void LightingOff() {}
  virtual void DrawQuadNormals(const float* /*p0*/, const float* /*n0*/, const float* /*p1*/,
                               const float* /*n1*/, const float* /*p2*/, const float* /*n2*/,
                               const float* /*p3*/, const float* /*n3*/) {}
  virtual void DrawQuadTextured(const float* /*p0*/, const float* /*n0*/, const float* /*t0*/,
                                const float* /*p1*/, const float* /*n1*/, const float* /*t1*/,
                                const float* /*p2*/, const float* /*n2*/, const float* /*t2*/,
                                const float* /*p3*/, const float* /*n3*/, const float* /*t3*/) {}
  virtual void SetLineWidth(float /*width*/) {}
  virtual void SetColor(float /*r*/, float /*g*/, float /*b*/) {}
  virtual void SetColorVec(const float* rgb) { SetColor(rgb[0], rgb[1], rgb[2]); }
  virtual void SetMarkerColor(float r, float g, float b) { SetColor(r, g, b); }
  virtual void DrawTriangle(const float* /*p0*/, const float* /*p1*/, const float* /*p2*/) {}
  virtual void DrawQuad(const float* /*p0*/, const float* /*p1*/, const float* /*p2*/, const float* /*p3*/) {}
  virtual void DrawLine(const float* /*p0*/, const float* /*p1*/) {}
  // A connected line through n points of three floats each.
  virtual void DrawLineStrip(int /*n*/, const float* /*points*/) {}
  virtual void SetPointSize(float /*size*/) {}
  virtual void DrawPoint(float /*x*/, float /*y*/, float /*z*/) {}
  // For lines of constant screen width: the world length of one pixel
  // across the segment at each end (`scales`, two values) and the unit
  // screen direction of the segment. False when the segment is too short on
  // screen to draw. The OpenGL renderer answers with
  // QImpProjectWidthScale; this default answers true with zero scales and
  // the direction (0, 0, 1), so lines drawn through it have no width.
  virtual bool ProjectWidthScale(const MatrixRecord* projection, const double* segment,
                                 const PointRecord* offsetDirection, double* scales,
                                 PointRecord* screenDirection, QView* view);
  virtual void SetToneParameters(float /*lightValue*/, float /*contrastValue*/) {}
  // Called by the view before each object is drawn into a frame.
  virtual void BeginSceneDraw() {}
  // Export path: when true, a mesh's faces are not emitted, only its lines.
  virtual bool SkipsFaces() { return false; }
  // Called before the view drops its display list and redraws an object.
  virtual bool BeginRedraw() { return false; }

  // ---- display lists and the end of a frame -------------------------------
  virtual void BeginDisplayList(QView* /*view*/) {}
  virtual void EndDisplayList() {}
  virtual void CallDisplayList(QView* /*view*/) {}
  virtual void DeleteDisplayList(QView* /*view*/) {}
  virtual bool IsDisplayListMissing(QView* /*view*/) { return true; }
  virtual void Finish() {}
  virtual void DeleteTextures() {}
};

// The constant-width projection of a segment (two points of three doubles)
// through a world-to-screen matrix, as renderers that draw page outlines
// compute it:
// - per end, the scale is 1e-7 divided by the screen distance between the
//   end and the end moved 1e-7 along the offset direction: the world length
//   of one pixel across the line; 0 when either point is behind the eye or
//   the distance is below 1e-16; both scales are multiplied by the tile
//   count when the view renders in tiles (tileCount >= 1);
// - the screen direction is the difference of the projected ends, z = 0,
//   normalised; false when it is shorter than a tenth of a pixel.
bool QImpProjectWidthScale(const MatrixRecord& projection, const double* segment,
                           const PointRecord& offsetDirection, double* scales, PointRecord& screenDirection,
                           int tileCount);

}  // namespace engine
