// Frames of a 3D view at 1000 × 1000 through OSMesa: a scene of the floor
// grid and a smooth sphere of about 51 000 triangles (the size of a posed
// figure) drawn through the view and its renderer, in the shaded and the
// line style, against the same triangles drawn in a plain immediate-mode
// loop on the same context in the same run. The counters give frames a
// second of both and their ratio (1 means the view costs nothing extra).
//
//   build/bench/view_render_bench
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/SphereGrid.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"
#include "view/QView.h"
#include "view/ViewBenchSupport.h"

namespace {

using viewbench::kSide;
constexpr float kRadius = 40.0f;

// The sphere's corners as the renderer takes them: per triangle three
// points and three normals.
struct SphereTriangles {
  std::vector<float> points;
  std::vector<float> normals;
  int count = 0;
  SphereTriangles() {
    const bench::SphereGrid grid(160, 160);
    for (const auto& t : grid.triangles) {
      for (int corner : t) {
        const auto& p = grid.points[static_cast<std::size_t>(corner)];
        const float n[3] = {static_cast<float>(p.x), static_cast<float>(p.z), static_cast<float>(p.y)};
        for (int k = 0; k < 3; ++k) {
          normals.push_back(n[k]);
          points.push_back(n[k] * kRadius + (k == 1 ? kRadius : 0.0f));
        }
      }
      ++count;
    }
  }
};

const SphereTriangles& Sphere() {
  static const SphereTriangles sphere;
  return sphere;
}

// The sphere as a scene object: filled and lit with its material, or as
// lines in draw mode 0, the way mesh drawing chooses.
class SphereObject : public engine::MObject {
 public:
  SphereObject() {
    localBounds = {-kRadius, 0, -kRadius, kRadius, 2 * kRadius, kRadius, 0};
    material.diffuseColor = {0.8, 0.6, 0.5};
  }
  void GetLocalBounds(engine::BoundsRecord& out) override { out = localBounds; }
  void DrawBody(engine::QView* v, const engine::DrawRecord&) override {
    engine::QImp* r = v->GetRenderer();
    if (static_cast<view::QView*>(v)->GetDrawMode() == 0) {
      r->SetDrawingMode(engine::kDrawLinesCulled);
      r->SetColor(0.1f, 0.1f, 0.1f);
    } else {
      r->SetDrawingMode(engine::kDrawFilledLit);
      r->SetShadeModel(engine::kShadeSmooth);
      r->SetMaterial(&material, nullptr, false, nullptr);
    }
    const SphereTriangles& s = Sphere();
    const float* p = s.points.data();
    const float* n = s.normals.data();
    for (int i = 0; i < s.count; ++i, p += 9, n += 9) r->DrawTriangleNormals(p, n, p + 3, n + 3, p + 6, n + 6);
  }
  engine::MShader material;
};

// The same triangles without the view, through the same camera: one light,
// one glBegin for all of them.
void DrawPlainFrame(bool lines, const viewbench::Camera& camera) {
  viewbench::BeginPlainFrame(camera);
  if (lines) {
    glDisable(GL_LIGHTING);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_CULL_FACE);
    glColor3f(0.1f, 0.1f, 0.1f);
  } else {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
  }
  const SphereTriangles& s = Sphere();
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < 3 * s.count; ++i) {
    glNormal3fv(&s.normals[static_cast<std::size_t>(3 * i)]);
    glVertex3fv(&s.points[static_cast<std::size_t>(3 * i)]);
  }
  glEnd();
}

void ViewAgainstPlainLoop(benchmark::State& state) {
  const bool lines = state.range(0) == 0;
  engine::CrPrefs prefs;
  engine::EngContext().prefs = &prefs;
  auto scene = std::make_unique<engine::MGroupObj>();
  scene->AddChild(new engine::MGridObj());
  scene->AddChild(new SphereObject());
  view::QView v(platform::RECT{0, 0, kSide, kSide});
  v.MakeCurrent(true);
  v.SetDrawMode(lines ? 0 : 2);
  v.CreateRenderTarget(platform::RECT{0, 0, kSide, kSide}, false);
  v.SetTarget({0, 20, 0});
  v.SetAngles(0.6, -0.4, 0.0);
  v.SetDistance(200.0);

  viewbench::TimeViewAgainstPlain(
      state, v, scene.get(), [lines](const viewbench::Camera& camera) { DrawPlainFrame(lines, camera); },
      Sphere().count);
  v.MakeCurrent(false);
  engine::EngContext().prefs = nullptr;
}

BENCHMARK(ViewAgainstPlainLoop)->Arg(1)->ArgName("shaded")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ViewAgainstPlainLoop)->Arg(0)->ArgName("lines")->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
