#pragma once
// A small OpenGL renderer and a fixed-camera view for the engine tests
// that render meshes into an OSMesa image: the renderer forwards the render
// interface to the engine's GL layer, the view looks from a fixed eye at a
// fixed target with a perspective camera and answers the world-to-pixel
// matrix that page outlines and picking use. Images are written as PNG to
// the build folder so that they can be looked at.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/core/EngMath.h"
#include "engine/core/MObject.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"
#include "platform/ImageCodec.h"
#include "support/FakeQView.h"

namespace enginetest {

class GlTestRenderer : public engine::QImp {
 public:
  engine::QView* view = nullptr;

  int GetRendererKind() override { return engine::kRendererOpenGL; }
  void SetCullMode(int mode) override { engine::GlSetCullMode(mode); }
  void SetMaterial(engine::MShader* material, engine::MShader*, bool, engine::MShader*) override {
    const float diffuse[4] = {float(material->diffuseColor.x), float(material->diffuseColor.y),
                              float(material->diffuseColor.z), float(material->opacity)};
    const float ambient[4] = {diffuse[0] * 0.3f, diffuse[1] * 0.3f, diffuse[2] * 0.3f, 1.0f};
    const float s = float(material->specular);
    const float specular[4] = {s, s, s, 1.0f}, none[4] = {0, 0, 0, 1};
    engine::GlSetMaterial(2, ambient, diffuse, specular, 50.0f * s, none);
  }
  void SetPolygonOffset(bool on) override {
    if (on) glEnable(GL_POLYGON_OFFSET_FILL);
    else glDisable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
  }
  void SetDrawingMode(int mode) override { engine::GlSetRenderState(mode); }
  void MultMatrix(const double* m) override { engine::GlMultModelview(m); }
  void SetMatrixMode(int mode) override { engine::GlMatrixMode(mode); }
  void SetShadeModel(int model) override { engine::GlSetShadeModel(model); }
  void EnableTexture(bool on) override { engine::GlEnableTexture2D(on); }
  void DrawTriangleNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                           const float* n2) override {
    const engine::GlCorner c[3] = {{V(p0), V(n0), {}}, {V(p1), V(n1), {}}, {V(p2), V(n2), {}}};
    engine::GlTriangleNormals(c);
  }
  void PushMatrix() override { glPushMatrix(); }
  void PopMatrix() override { glPopMatrix(); }
  void LightingOn() override { glEnable(GL_LIGHTING); }
  void LightingOff() override { glDisable(GL_LIGHTING); }
  void DrawQuadNormals(const float* p0, const float* n0, const float* p1, const float* n1, const float* p2,
                       const float* n2, const float* p3, const float* n3) override {
    const engine::GlCorner c[4] = {{V(p0), V(n0), {}}, {V(p1), V(n1), {}}, {V(p2), V(n2), {}}, {V(p3), V(n3), {}}};
    engine::GlBeginQuads();
    engine::GlQuadTexturedCorners(c);
    engine::GlEnd();
  }
  void SetLineWidth(float width) override { engine::GlLineWidth(width); }
  void SetColor(float r, float g, float b) override { engine::GlColor(r, g, b); }
  void SetColorVec(const float* rgb) override { engine::GlColorVec(rgb); }
  void DrawTriangle(const float* p0, const float* p1, const float* p2) override {
    const engine::GlVec3 none{0, 0, 1};
    const engine::GlCorner c[3] = {{V(p0), none, {}}, {V(p1), none, {}}, {V(p2), none, {}}};
    engine::GlTriangleNormals(c);
  }
  void DrawQuad(const float* p0, const float* p1, const float* p2, const float* p3) override {
    const engine::GlVec3 none{0, 0, 1};
    const engine::GlCorner c[4] = {{V(p0), none, {}}, {V(p1), none, {}}, {V(p2), none, {}}, {V(p3), none, {}}};
    engine::GlBeginQuads();
    engine::GlQuadTexturedCorners(c);
    engine::GlEnd();
  }
  void DrawLine(const float* p0, const float* p1) override { engine::GlLine(V(p0), V(p1)); }
  void DrawLineStrip(int n, const float* points) override {
    engine::GlPolyline(n, reinterpret_cast<const engine::GlVec3*>(points));
  }
  void SetPointSize(float size) override { engine::GlPointSize(size); }
  void DrawPoint(float x, float y, float z) override { engine::GlPoint(x, y, z); }
  bool ProjectWidthScale(const engine::MatrixRecord* projection, const double* segment,
                         const engine::PointRecord* offset, double* scales, engine::PointRecord* direction,
                         engine::QView*) override {
    return engine::QImpProjectWidthScale(*projection, segment, *offset, scales, *direction, 0);
  }

 private:
  static engine::GlVec3 V(const float* p) { return {p[0], p[1], p[2]}; }
};

// A view with its own OSMesa context of width × height pixels, a camera at
// `eye` looking at `target` (y up) with a 40-degree field of view, two
// lights from the upper left front and a white background.
class GlTestView : public testsupport::FakeQView {
 public:
  GlTestView(int width, int height, const engine::PointRecord& eye, const engine::PointRecord& target)
      : width_(width), height_(height), eye_(eye), target_(target) {
    std::string error;
    context_ = engine::GlCreateContext(width, height, &error);
    EXPECT_NE(context_, nullptr) << error;
    gl.view = this;
    renderer = &gl;
    projectionKind = 1600;
  }
  ~GlTestView() override { engine::GlDeleteContext(context_); }

  bool IsReady() const { return context_ != nullptr; }

  // Clears the frame and sets up camera and lights.
  void BeginFrame() {
    engine::GlMakeCurrent(*context_);
    engine::GlViewport(0, 0, width_, height_);
    engine::GlClearColor(1.0f, 1.0f, 1.0f);
    engine::GlClear();
    const double nearZ = 0.5, farZ = 100.0, half = nearZ * 0.36397;  // tan 20 degrees
    const double aspect = double(width_) / height_;
    engine::GlFrustum(-half * aspect, half * aspect, -half, half, nearZ, farZ);
    engine::GlLookAt(eye_.x, eye_.y, eye_.z, target_.x, target_.y, target_.z, 0, 1, 0);
    engine::GlSetRenderState(0);
    gl.SetPolygonOffset(true);  // faces sit behind the lines drawn on them
    const float none[4] = {0, 0, 0, 1}, key[4] = {0.8f, 0.8f, 0.8f, 1}, fill[4] = {0.3f, 0.3f, 0.3f, 1};
    const float ambient[4] = {0.35f, 0.35f, 0.35f, 1};
    const float keyAt[4] = {-0.4f, 0.6f, 0.7f, 0}, fillAt[4] = {0.6f, -0.2f, 0.5f, 0};
    engine::GlSetLightModel(ambient, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    engine::GlSetLight(0, none, key, key, keyAt, nullptr);
    engine::GlSetLight(1, none, fill, none, fillAt, nullptr);
    glPopMatrix();
    // The world-to-pixel matrix, rows as the engine's points are.
    double modelview[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    engine::MatrixRecord mv, pr, vp, mvp;
    for (int i = 0; i < 16; ++i) {
      mv.m[i / 4][i % 4] = modelview[i];
      pr.m[i / 4][i % 4] = projection[i];
    }
    mv.flag = pr.flag = 0;
    vp = engine::MatrixRecord{{{width_ / 2.0, 0, 0, 0}, {0, -height_ / 2.0, 0, 0}, {0, 0, 1, 0},
                               {width_ / 2.0, height_ / 2.0, 0, 1}}, 0};
    engine::MUtilMultiply(pr, mv, mvp);
    engine::MUtilMultiply(vp, mvp, projectionMatrix);
    engine::PointRecord direction{target_.x - eye_.x, target_.y - eye_.y, target_.z - eye_.z};
    engine::OsUtilNormalize(direction);
    eyeDirection = {-direction.x, -direction.y, -direction.z};
  }

  // The scene's view frame: eye and target, sections along y every 0.1.
  engine::DrawRecord Record() const { return {eye_, target_, {0, 0, 0}, {0, 0.1, 0}}; }

  // Draws the object as the scene would and finishes the frame.
  void Render(engine::MObject& object) {
    BeginFrame();
    object.Draw(this, Record());
    context_->Finish();
  }

  const platform::Image& Pixels() const { return context_->Pixels(); }

  // Writes the frame as <build>/test-images/<name>.png; answers the path.
  std::string WritePng(const std::string& name) const {
    const std::filesystem::path folder = std::filesystem::current_path() / "test-images";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / (name + ".png")).string();
    EXPECT_TRUE(platform::SaveImageFile(context_->Pixels(), path)) << path;
    return path;
  }

  GlTestRenderer gl;

 private:
  int width_, height_;
  engine::PointRecord eye_, target_;
  std::unique_ptr<platform::GlContext> context_;
};

}  // namespace enginetest
