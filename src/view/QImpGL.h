#pragma once
// The OpenGL renderer of a view. Almost every operation is one step of the
// engine's GL layer; the renderer's own decisions are the material set-up
// with its table of texture names, the tiled render into the view's output
// picture, the constant-width line scale and the view's display list.
//
// The GL layer remembers some states to skip repeated calls (drawing mode,
// XOR drawing, matrix mode, window coordinates); everything here goes
// through the layer, so what it remembers stays true.
#include <vector>

#include "engine/core/QImp.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace view {

class QView;

class QImpGL : public engine::QImp {
 public:
  QImpGL() = default;
  ~QImpGL() override = default;  // texture objects go only through DeleteTextures

  int GetRendererKind() override { return engine::kRendererOpenGL; }
  void SetCullMode(int mode) override;
  void SetMaterial(engine::MShader* material, engine::MShader* previous, bool textured,
                   engine::MShader* ownMaterial) override;
  bool CreateContext(engine::QView* view, int windowArgument, platform::Dc* dc) override;
  void MakeCurrent(engine::QView* view, platform::Dc* dc, bool current) override;
  void GetMaxViewport(int* width, int* height) override;
  void SetPolygonOffset(bool on) override;
  void RenderTiles(engine::MObject* scene, engine::QView* view) override;
  void DrawAxes(int ignored) override;
  bool BeginRedraw() override { return true; }

  void LookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
              double upY, double upZ) override;
  void Frustum(double left, double right, double bottom, double top, double zNear, double zFar) override;
  void Ortho(double left, double right, double bottom, double top, double zNear, double zFar) override;
  void SetViewport(int x, int y, int width, int height) override;
  void EnableLighting(bool on) override;
  void SetLightModel(const float* ambient, float localViewer, float twoSided) override;
  void SetLight(int light, const float* ambient, const float* diffuse, const float* specular, const float* position,
                const float* spotDirection) override;
  void GetViewport(int* x, int* y, int* width, int* height) override;
  void SetDrawingMode(int mode) override;
  void SetClearColor(const float* rgb) override;
  void MultMatrix(const double* m) override;
  void SetMatrixMode(int mode) override;
  void GetMatrices(double* out) override;
  void SetShadeModel(int model) override;
  void EnableTexture(bool on) override;

  void DrawTriangleNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                           const float* n2) override;
  void DrawTriangleTextured(const float* p0, const float* n0, const float* t0, const float* p1, const float* n1,
                            const float* t1, const float* p2, const float* n2, const float* t2) override;
  void PushMatrix() override;
  void PopMatrix() override;
  void LightingOn() override;
  void LightingOff() override;
  void DrawQuadNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                       const float* n2, const float* p3, const float* n3) override;
  void DrawQuadTextured(const float* p0, const float* n0, const float* t0, const float* p1, const float* n1,
                        const float* t1, const float* p2, const float* n2, const float* t2, const float* p3,
                        const float* n3, const float* t3) override;
  void SetLineWidth(float width) override;
  void SetColor(float r, float g, float b) override;
  void DrawTriangle(const float* p0, const float* p1, const float* p2) override;
  void DrawQuad(const float* p0, const float* p1, const float* p2, const float* p3) override;
  void DrawLine(const float* p0, const float* p1) override;
  void DrawLineStrip(int n, const float* points) override;
  void SetPointSize(float size) override;
  void DrawPoint(float x, float y, float z) override;
  bool ProjectWidthScale(const engine::MatrixRecord* projection, const double* segment,
                         const engine::PointRecord* offsetDirection, double* scales,
                         engine::PointRecord* screenDirection, engine::QView* view) override;

  void BeginDisplayList(engine::QView* view) override;
  void EndDisplayList() override;
  void CallDisplayList(engine::QView* view) override;
  void DeleteDisplayList(engine::QView* view) override;
  bool IsDisplayListMissing(engine::QView* view) override;
  void Finish() override;
  void DeleteTextures() override;

  // The texture name recorded for a material (0 when none, and always 0
  // unless the preferences keep named texture objects).
  unsigned LookupTexture(const engine::MShader* material) const;
  void RecordTexture(const engine::MShader* material, unsigned name);
  std::size_t TextureCount() const { return textures_.size(); }

  // Copies one rendered tile into the output picture: `place` is the tile's
  // place in the render-size picture (y down), `divisor` the supersampling
  // factor (0 none). Parts past the picture's right or bottom edge are cut
  // off.
  static void CopyTile(const platform::RECT& tile, const platform::RECT& place, int divisor,
                       platform::Image& tileSurface, platform::Image& output);

 private:
  struct BindTexInfo {
    const engine::MShader* material;
    unsigned name;
  };
  std::vector<BindTexInfo> textures_;
};

// The view behind an engine view the renderer is handed; null for views of
// other kinds.
QView* AsView(engine::QView* view);

}  // namespace view
