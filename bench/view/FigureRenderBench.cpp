// Frames of the standard figure (walking, in a scene document, no floor
// grid) through a 3D view at 1000 × 1000, in the shaded and the line style,
// against the same geometry drawn by a plain immediate-mode loop: in the
// shaded style the body's triangles lit with their materials' colours and
// then its lines, in the line style its lines alone, as the mesh drawing
// draws them.
//
//   build/bench/view_render_bench --benchmark_filter=Figure
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "StandardFigure.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MShader.h"
#include "engine/mesh/MVertex.h"
#include "engine/scene/MDocObj.h"
#include "view/QView.h"
#include "view/ViewBenchSupport.h"

namespace {

using viewbench::kSide;

// The body's faces (corner positions and normals, one colour per mesh) and
// lines, in scene coordinates.
struct FigureGeometry {
  struct Part {
    float colour[4];
    std::vector<float> points;
    std::vector<float> normals;
  };
  std::vector<Part> parts;
  std::vector<float> lines;
  int triangles = 0;

  explicit FigureGeometry(engine::MGroupObj& group) {
    for (int i = 0; i < group.GetChildCount(); ++i) {
      auto* mesh = dynamic_cast<engine::MMeshObj*>(group.ChildAt(i));
      if (mesh == nullptr || mesh->IsBoneObject()) continue;
      engine::MatrixRecord m;
      mesh->GetMatrix(m);
      Part part{};
      for (engine::MFace* face : mesh->GetFaceList()) {
        engine::MVertex* c[3];
        face->GetVertices(c);
        const engine::PointRecord& colour = face->shader->diffuseColor;
        part.colour[0] = float(colour.x), part.colour[1] = float(colour.y), part.colour[2] = float(colour.z);
        part.colour[3] = 1.0f;
        for (engine::MVertex* v : c) {
          Push(part.points, m, v->position, false);
          Push(part.normals, m, v->normal, true);
        }
        ++triangles;
      }
      parts.push_back(std::move(part));
      for (engine::MLine* line : mesh->lines) {
        if ((line->flags & (engine::kLineHidden | engine::kLineHiddenDiagonal)) != 0 || line->GetWidth() == 0)
          continue;
        Push(lines, m, line->end0->position, false);
        Push(lines, m, line->end1->position, false);
      }
    }
  }
  static void Push(std::vector<float>& out, const engine::MatrixRecord& m, const engine::PointRecord& p,
                   bool vector) {
    engine::PointRecord q;
    if (vector)
      engine::MUtilTransformVector(m, p, q);
    else
      engine::MUtilTransformPoint(m, p, q);
    out.push_back(float(q.x));
    out.push_back(float(q.y));
    out.push_back(float(q.z));
  }
};

void DrawPlainFigure(const FigureGeometry& g, bool lines, const viewbench::Camera& camera) {
  viewbench::BeginPlainFrame(camera);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  if (!lines) {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    for (const FigureGeometry::Part& part : g.parts) {
      glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, part.colour);
      glBegin(GL_TRIANGLES);
      for (std::size_t i = 0; i < part.points.size(); i += 3) {
        glNormal3fv(&part.normals[i]);
        glVertex3fv(&part.points[i]);
      }
      glEnd();
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
  }
  glDisable(GL_LIGHTING);
  glColor3f(0.0f, 0.0f, 0.0f);
  glBegin(GL_LINES);
  for (std::size_t i = 0; i < g.lines.size(); i += 3) glVertex3fv(&g.lines[i]);
  glEnd();
}

void FigureAgainstPlainLoop(benchmark::State& state) {
  const bool lines = state.range(0) == 0;
  engine::CrPrefs prefs;
  prefs.vertexDisplayMode = 1;
  engine::EngContext().prefs = &prefs;
  {
    auto group = standardfigure::BuildStandardFigure();
    engine::MBoneObj* figure = standardfigure::FigureOf(*group);
    engine::MPose pose;
    standardfigure::MakeStandardPose(*figure, "walking", pose);
    const FigureGeometry geometry(*group);
    engine::MDocObj scene;
    scene.AddChild(group.release());

    view::QView v(platform::RECT{0, 0, kSide, kSide});
    v.MakeCurrent(true);
    v.SetDrawMode(lines ? 0 : 2);
    v.SetGridShown(false);
    v.CreateRenderTarget(platform::RECT{0, 0, kSide, kSide}, false);
    v.SetTarget({0, 0.95, 0});
    v.SetAngles(-0.6, -0.15, 0.0);
    v.SetDistance(3.0);
    viewbench::TimeViewAgainstPlain(
        state, v, &scene,
        [&geometry, lines](const viewbench::Camera& camera) { DrawPlainFigure(geometry, lines, camera); },
        geometry.triangles);
    state.counters["lines"] = static_cast<double>(geometry.lines.size() / 6);
    v.MakeCurrent(false);
  }
  engine::EngContext().prefs = nullptr;
}

BENCHMARK(FigureAgainstPlainLoop)->Arg(1)->ArgName("shaded")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FigureAgainstPlainLoop)->Arg(0)->ArgName("lines")->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
