#pragma once
// Fixtures for the view's tests: a clean engine context with preferences and
// a throwing fatal hook, a small scene (the floor grid and a shaded box that
// draws through the renderer as meshes do), a frame rendered the way the
// page's figure renderer renders one, and picture comparison with a
// tolerance.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"
#include "platform/Hooks.h"
#include "platform/Image.h"
#include "platform/ImageCodec.h"
#include "view/QView.h"

namespace viewtest {

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::EngGlobalContext& context = engine::EngContext();
    context.ClearFailure();
    context.formatVersion = -101;
    previousPrefs_ = context.prefs;
    context.prefs = &prefs_;
    previousFatal_ = platform::SetFatalHook([](const std::string& text) { throw std::runtime_error(text); });
  }
  void TearDown() override {
    platform::GlContext::ReleaseCurrent();
    engine::EngGlobalContext& context = engine::EngContext();
    context.prefs = previousPrefs_;
    context.ClearFailure();
    context.formatVersion = 0;
    context.renderScale = 1.0;
    context.renderScaleInt = 1;
    platform::SetFatalHook(previousFatal_);
  }
  static int FailState() { return engine::EngContext().failState; }

  engine::CrPrefs prefs_;

 private:
  engine::CrPrefs* previousPrefs_ = nullptr;
  platform::FatalHook previousFatal_;
};

// A box drawn through the view's renderer in the view's draw mode: filled
// and lit with its material (or the view's override material), or as lines
// in draw mode 0.
class ShadedBox : public engine::MObject {
 public:
  ShadedBox(engine::PointRecord centre, double half) : centre_(centre), half_(half) {
    localBounds = {centre.x - half, centre.y - half, centre.z - half, centre.x + half, centre.y + half,
                   centre.z + half, 0};
    material.diffuseColor = {0.8, 0.3, 0.2};
  }
  void GetLocalBounds(engine::BoundsRecord& out) override { out = localBounds; }
  void DrawBody(engine::QView* engineView, const engine::DrawRecord&) override {
    auto* v = dynamic_cast<view::QView*>(engineView);
    engine::QImp* r = engineView->GetRenderer();
    const bool lines = v != nullptr && v->GetDrawMode() == 0;
    engine::MShader* override = v != nullptr ? v->GetOverrideMaterial() : nullptr;
    if (lines) {
      r->SetDrawingMode(engine::kDrawLinesCulled);
      r->SetColor(0.1f, 0.1f, 0.1f);
    } else {
      r->SetDrawingMode(engine::kDrawFilledLit);
      r->SetShadeModel(engine::kShadeFlat);
      r->SetMaterial(override ? override : &material, nullptr, false, nullptr);
    }
    const float c[3] = {static_cast<float>(centre_.x), static_cast<float>(centre_.y), static_cast<float>(centre_.z)};
    const float h = static_cast<float>(half_);
    // Each face: its normal axis, its sign and the two axes across it.
    for (int axis = 0; axis < 3; ++axis) {
      for (int sign = -1; sign <= 1; sign += 2) {
        const int u = (axis + 1) % 3, w = (axis + 2) % 3;
        float n[3] = {0, 0, 0};
        n[axis] = static_cast<float>(sign);
        float p[4][3];
        const float su[4] = {-1, 1, 1, -1}, sw[4] = {-1, -1, 1, 1};
        for (int k = 0; k < 4; ++k) {
          p[k][axis] = c[axis] + sign * h;
          p[k][u] = c[u] + su[k] * h;
          p[k][w] = c[w] + sw[k] * h * sign;
        }
        r->DrawTriangleNormals(p[0], n, p[1], n, p[2], n);
        r->DrawTriangleNormals(p[0], n, p[2], n, p[3], n);
      }
    }
  }
  engine::MShader material;

 private:
  engine::PointRecord centre_;
  double half_;
};

// A scene as the scene document holds one: the floor grid first, then the
// objects.
inline std::unique_ptr<engine::MGroupObj> MakeScene() {
  auto scene = std::make_unique<engine::MGroupObj>();
  scene->AddChild(new engine::MGridObj());
  scene->AddChild(new ShadedBox({0.0, 20.0, 0.0}, 20.0));
  scene->AddChild(new ShadedBox({-30.0, 8.0, 25.0}, 8.0));
  return scene;
}

// A camera that shows the scene whole.
inline void AimAtScene(view::QView& v, int kind = view::kProjectionFieldOfView) {
  v.SetProjectionKind(kind, false);
  v.SetTarget({0.0, 10.0, 0.0});
  v.SetAngles(0.6, -0.45, 0.0);
  v.SetDistance(kind == view::kProjectionParallel ? 110.0 : 200.0);
  v.InvalidateMatrices();
}

// A 200 x 200 view looking at the origin from the front right, a little
// above: a unit-sized object there fills a good part of it.
inline void AimAtOrigin(view::QView& v, int kind) {
  v.MakeCurrent(true);
  v.SetProjectionKind(kind, false);
  v.SetTarget({0, 0, 0});
  v.SetAngles(0.3, -0.25, 0.0);
  v.SetDistance(kind == view::kProjectionParallel ? 4.0 : 8.0);
  v.SetViewport(platform::RECT{0, 0, 200, 200}, true);
  v.InvalidateMatrices();
}

// Readies the view for an off-screen picture of width × height on white in
// the draw mode, its context current.
inline void OpenWhitePicture(view::QView& v, int width, int height, int drawMode) {
  v.MakeCurrent(true);
  v.SetDrawMode(drawMode);
  v.SetBackgroundColor(255, 255, 255);
  v.CreateRenderTarget(platform::RECT{0, 0, width, height}, false);
}

// One frame as the page's figure renderer draws it: window-coordinate
// defaults, clear, the projection for the surface, clear again, the frame.
// Answers a copy of the finished picture.
inline platform::Image RenderPicture(view::QView& v, engine::MObject* scene) {
  v.MakeCurrent(true);
  engine::GlSetRenderState(engine::kDrawLinesOnTop);
  engine::GlSetXorDrawing(false);
  engine::GlLineWidth(1.0f);
  engine::GlClear();
  const platform::Image& surface = v.GetContext()->Pixels();
  v.SetViewport(platform::RECT{0, 0, surface.Width(), surface.Height()}, false);
  engine::GlClear();
  v.RenderFrame(scene);
  v.FinishRendering();
  platform::Image picture = *v.GetFramePicture();
  v.MakeCurrent(false);
  return picture;
}

// Pixels whose colour differs from the other picture's by more than
// `tolerance` in some channel (alpha aside); -1 when the sizes differ.
inline int PixelsOff(const platform::Image& a, const platform::Image& b, int tolerance) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int off = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      const platform::Bgra p = a.GetBgra(x, y), q = b.GetBgra(x, y);
      if (std::abs(p.b - q.b) > tolerance || std::abs(p.g - q.g) > tolerance || std::abs(p.r - q.r) > tolerance) ++off;
    }
  }
  return off;
}

// Where the tests leave their pictures for people to look at.
inline std::string PictureFolder() {
  const std::string folder = (std::filesystem::current_path() / "view_pictures").string();
  std::filesystem::create_directories(folder);
  return folder;
}

inline std::string SavePicture(const platform::Image& picture, const std::string& name) {
  platform::Image copy = picture;
  copy.SetHasAlpha(false);
  const std::string path = PictureFolder() + "/" + name + ".png";
  platform::SaveImageFile(copy, path);
  return path;
}

// The pictures side by side in one, left to right (all of the first one's
// size).
inline platform::Image SideBySide(const std::vector<platform::Image>& pictures) {
  const int w = pictures.front().Width(), h = pictures.front().Height();
  platform::Image out(w * static_cast<int>(pictures.size()), h, 32);
  for (std::size_t i = 0; i < pictures.size(); ++i)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) out.SetBgra(static_cast<int>(i) * w + x, y, pictures[i].GetBgra(x, y));
  return out;
}

// Writes the picture for people to look at and fetches the golden picture
// of that name from tests/view/golden into `golden`. With
// PENNET_UPDATE_GOLDEN set the written picture becomes the golden one
// instead (look at it first) and the answer is false: nothing to compare.
inline bool FetchGoldenPicture(const platform::Image& actual, const std::string& name, platform::Image& golden) {
  const char* source = std::getenv("PENNET_SOURCE_DIR");
  const std::string path =
      std::string(source != nullptr ? source : PENNET_SOURCE_DIR_FALLBACK) + "/tests/view/golden/" + name + ".png";
  const std::string written = SavePicture(actual, name);
  if (std::getenv("PENNET_UPDATE_GOLDEN")) {
    std::filesystem::copy_file(written, path, std::filesystem::copy_options::overwrite_existing);
    return false;
  }
  if (!platform::LoadImageFile(path, golden)) {
    ADD_FAILURE() << "no golden picture " << path;
    return false;
  }
  if (golden.Width() != actual.Width() || golden.Height() != actual.Height()) {
    ADD_FAILURE() << "the golden picture " << path << " has another size";
    return false;
  }
  return true;
}

}  // namespace viewtest
