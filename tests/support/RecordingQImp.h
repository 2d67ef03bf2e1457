#pragma once
// A renderer for tests that records every call it receives, in order, with
// its numeric arguments flattened (a point of three floats gives three
// values, a null pointer none, a matrix its 16 values; pointers to objects
// count as 1 when given and 0 when null). Answers are the base renderer's
// unless a test sets them. Add new operations by logging them the same way.
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/QImp.h"

namespace testsupport {

class RecordingQImp : public engine::QImp {
 public:
  struct Call {
    std::string name;
    std::vector<double> values;
  };

  // ---- answers a test may set ----
  int rendererKind = engine::kRendererBase;
  bool createContextAnswer = true;
  bool keepsOverlayLines = false;
  bool indexedOutput = false;
  int nextVertexIndex = 0;
  bool skipsFaces = false;
  bool beginRedrawAnswer = false;
  bool displayListMissing = true;
  bool projectWidthScaleAnswer = true;

  std::vector<Call> calls;

  // ---- reading the log ----
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Call& call : calls) names.push_back(call.name);
    return names;
  }
  int Count(const std::string& name) const {
    int n = 0;
    for (const Call& call : calls) n += call.name == name ? 1 : 0;
    return n;
  }
  // The nth call (0 first) of that name, or null.
  const Call* Find(const std::string& name, int nth = 0) const {
    for (const Call& call : calls)
      if (call.name == name && nth-- == 0) return &call;
    return nullptr;
  }
  std::string ToString() const {
    std::ostringstream out;
    for (const Call& call : calls) {
      out << call.name << "(";
      for (std::size_t i = 0; i < call.values.size(); ++i) out << (i ? "," : "") << call.values[i];
      out << ") ";
    }
    return out.str();
  }
  void Clear() { calls.clear(); }

  // ---- context and frame ----
  int GetRendererKind() override { return Log("GetRendererKind", {}), rendererKind; }
  void SetCullMode(int mode) override { Log("SetCullMode", {double(mode)}); }
  void SetMaterial(engine::MShader* material, engine::MShader* previous, bool textured,
                   engine::MShader* own) override {
    Log("SetMaterial", {Given(material), Given(previous), double(textured), Given(own)});
  }
  bool CreateContext(engine::QView* view, int windowArgument, platform::Dc* dc) override {
    Log("CreateContext", {Given(view), double(windowArgument), Given(dc)});
    return createContextAnswer;
  }
  void MakeCurrent(engine::QView* view, platform::Dc* dc, bool current) override {
    Log("MakeCurrent", {Given(view), Given(dc), double(current)});
  }
  void GetMaxViewport(int*, int*) override { Log("GetMaxViewport", {}); }
  void SetPolygonOffset(bool on) override { Log("SetPolygonOffset", {double(on)}); }
  void RenderTiles(engine::MObject* scene, engine::QView* view) override {
    Log("RenderTiles", {Given(scene), Given(view)});
  }
  void DrawAxes(int value) override { Log("DrawAxes", {double(value)}); }
  bool KeepsOverlayLines() override { return Log("KeepsOverlayLines", {}), keepsOverlayLines; }
  void DropCaches() override { Log("DropCaches", {}); }

  // ---- indexed output ----
  bool IsIndexedOutput() override { return Log("IsIndexedOutput", {}), indexedOutput; }
  void SetVertexCount(int count) override { Log("SetVertexCount", {double(count)}); }
  int NextVertexIndex() override { return Log("NextVertexIndex", {}), nextVertexIndex; }
  int SetFaceCount(int count) override { return Log("SetFaceCount", {double(count)}), 0; }
  void ReservedHookA(int a, int b) override { Log("ReservedHookA", {double(a), double(b)}); }
  void SetFacePass(bool on) override { Log("SetFacePass", {double(on)}); }

  // ---- camera and transforms ----
  void LookAt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
              double uz) override {
    Log("LookAt", {ex, ey, ez, cx, cy, cz, ux, uy, uz});
  }
  void Frustum(double l, double r, double b, double t, double n, double f) override {
    Log("Frustum", {l, r, b, t, n, f});
  }
  void Ortho(double l, double r, double b, double t, double n, double f) override {
    Log("Ortho", {l, r, b, t, n, f});
  }
  void SetViewport(int x, int y, int w, int h) override { Log("SetViewport", {double(x), double(y), double(w), double(h)}); }

  // ---- lights ----
  void EnableLighting(bool on) override { Log("EnableLighting", {double(on)}); }
  void SetLightModel(const float* ambient, float localViewer, float twoSided) override {
    Log("SetLightModel", Join({Floats(ambient, 3), {localViewer, twoSided}}));
  }
  void SetLight(int light, const float* ambient, const float* diffuse, const float* specular,
                const float* position, const float* spot) override {
    Log("SetLight", Join({{double(light)}, Floats(ambient, 4), Floats(diffuse, 4), Floats(specular, 4),
                          Floats(position, 4), Floats(spot, 3)}));
  }
  void GetViewport(int*, int*, int*, int*) override { Log("GetViewport", {}); }

  // ---- state for a pass ----
  void SetDrawingMode(int mode) override { Log("SetDrawingMode", {double(mode)}); }
  void SetClearColor(const float* rgb) override { Log("SetClearColor", Floats(rgb, 3)); }
  void MultMatrix(const double* m) override { Log("MultMatrix", std::vector<double>(m, m + 16)); }
  void SetMatrixMode(int mode) override { Log("SetMatrixMode", {double(mode)}); }
  void GetMatrices(double*) override { Log("GetMatrices", {}); }
  void SetShadeModel(int model) override { Log("SetShadeModel", {double(model)}); }
  void EnableTexture(bool on) override { Log("EnableTexture", {double(on)}); }

  // ---- primitives ----
  void DrawTriangleNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                           const float* n2) override {
    Log("DrawTriangleNormals", Join({Floats(p0, 3), Floats(n0, 3), Floats(p1, 3), Floats(n1, 3), Floats(p2, 3),
                                     Floats(n2, 3)}));
  }
  void DrawTriangleTextured(const float* p0, const float* n0, const float* t0, const float* p1, const float* n1,
                            const float* t1, const float* p2, const float* n2, const float* t2) override {
    Log("DrawTriangleTextured", Join({Floats(p0, 3), Floats(n0, 3), Floats(t0, 2), Floats(p1, 3), Floats(n1, 3),
                                      Floats(t1, 2), Floats(p2, 3), Floats(n2, 3), Floats(t2, 2)}));
  }
  void PushMatrix() override { Log("PushMatrix", {}); }
  void PopMatrix() override { Log("PopMatrix", {}); }
  void FillToneBands(int count, const double* points, const double* normals, bool textured,
                     const float* textureCoords, const float* colour, double ex, double ey, double ez,
                     engine::MShader* material, int* indices) override {
    const int n = count > 0 ? count : 0;
    Log("FillToneBands",
        Join({{double(count)}, points ? std::vector<double>(points, points + 3 * n) : std::vector<double>{},
              normals ? std::vector<double>(normals, normals + 3 * n) : std::vector<double>{},
              {double(textured)}, textured ? Floats(textureCoords, 2 * n) : std::vector<double>{},
              Floats(colour, 4), {ex, ey, ez, Given(material), Given(indices)}}));
  }
  void ReservedHookB(int a) override { Log("ReservedHookB", {double(a)}); }
  void BeginMesh(engine::QView* view) override { Log("BeginMesh", {Given(view)}); }
  void LightingOn() override { Log("LightingOn", {}); }
  void LightingOff() override { Log("LightingOff", {}); }
  void DrawQuadNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                       const float* n2, const float* p3, const float* n3) override {
    Log("DrawQuadNormals", Join({Floats(p0, 3), Floats(n0, 3), Floats(p1, 3), Floats(n1, 3), Floats(p2, 3),
                                 Floats(n2, 3), Floats(p3, 3), Floats(n3, 3)}));
  }
  void DrawQuadTextured(const float* p0, const float* n0, const float* t0, const float* p1, const float* n1,
                        const float* t1, const float* p2, const float* n2, const float* t2, const float* p3,
                        const float* n3, const float* t3) override {
    Log("DrawQuadTextured", Join({Floats(p0, 3), Floats(n0, 3), Floats(t0, 2), Floats(p1, 3), Floats(n1, 3),
                                  Floats(t1, 2), Floats(p2, 3), Floats(n2, 3), Floats(t2, 2), Floats(p3, 3),
                                  Floats(n3, 3), Floats(t3, 2)}));
  }
  void SetLineWidth(float width) override { Log("SetLineWidth", {width}); }
  void SetColor(float r, float g, float b) override { Log("SetColor", {r, g, b}); }
  void SetColorVec(const float* rgb) override { Log("SetColorVec", Floats(rgb, 3)); }
  void SetMarkerColor(float r, float g, float b) override { Log("SetMarkerColor", {r, g, b}); }
  void DrawTriangle(const float* p0, const float* p1, const float* p2) override {
    Log("DrawTriangle", Join({Floats(p0, 3), Floats(p1, 3), Floats(p2, 3)}));
  }
  void DrawQuad(const float* p0, const float* p1, const float* p2, const float* p3) override {
    Log("DrawQuad", Join({Floats(p0, 3), Floats(p1, 3), Floats(p2, 3), Floats(p3, 3)}));
  }
  void DrawLine(const float* p0, const float* p1) override { Log("DrawLine", Join({Floats(p0, 3), Floats(p1, 3)})); }
  void DrawLineStrip(int n, const float* points) override {
    Log("DrawLineStrip", Join({{double(n)}, Floats(points, n > 0 ? 3 * n : 0)}));
  }
  void SetPointSize(float size) override { Log("SetPointSize", {size}); }
  void DrawPoint(float x, float y, float z) override { Log("DrawPoint", {x, y, z}); }
  bool ProjectWidthScale(const engine::MatrixRecord*, const double* segment, const engine::PointRecord*,
                         double*, engine::PointRecord*, engine::QView*) override {
    Log("ProjectWidthScale", segment ? std::vector<double>(segment, segment + 6) : std::vector<double>{});
    return projectWidthScaleAnswer;
  }
  void SetToneParameters(float light, float contrast) override { Log("SetToneParameters", {light, contrast}); }
  void BeginSceneDraw() override { Log("BeginSceneDraw", {}); }
  bool SkipsFaces() override { return Log("SkipsFaces", {}), skipsFaces; }
  bool BeginRedraw() override { return Log("BeginRedraw", {}), beginRedrawAnswer; }

  // ---- display lists and the end of a frame ----
  void BeginDisplayList(engine::QView* view) override { Log("BeginDisplayList", {Given(view)}); }
  void EndDisplayList() override { Log("EndDisplayList", {}); }
  void CallDisplayList(engine::QView* view) override { Log("CallDisplayList", {Given(view)}); }
  void DeleteDisplayList(engine::QView* view) override { Log("DeleteDisplayList", {Given(view)}); }
  bool IsDisplayListMissing(engine::QView* view) override {
    return Log("IsDisplayListMissing", {Given(view)}), displayListMissing;
  }
  void Finish() override { Log("Finish", {}); }
  void DeleteTextures() override { Log("DeleteTextures", {}); }

 private:
  void Log(const char* name, std::vector<double> values) { calls.push_back({name, std::move(values)}); }
  static double Given(const void* pointer) { return pointer != nullptr ? 1.0 : 0.0; }
  static std::vector<double> Floats(const float* values, int n) {
    return values != nullptr ? std::vector<double>(values, values + n) : std::vector<double>{};
  }
  static std::vector<double> Join(std::initializer_list<std::vector<double>> parts) {
    std::vector<double> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }
};

}  // namespace testsupport
