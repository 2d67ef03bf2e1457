#pragma once
// Timing a view's frames at 1000 × 1000 against the same geometry drawn by
// a plain immediate-mode loop on the same OSMesa context in the same run:
// frames a second of both and their ratio (1 means the view costs nothing
// extra).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

#include "engine/core/MObject.h"
#include "engine/core/QImp.h"
#include "engine/render/GlLayer.h"
#include "view/QView.h"

namespace viewbench {

constexpr int kSide = 1000;

// The camera matrices a view frame left in GL, for the plain loop.
struct Camera {
  double projection[16];
  double modelview[16];
};

// Loads the camera and clears the frame for the plain loop.
inline void BeginPlainFrame(const Camera& camera) {
  glViewport(0, 0, kSide, kSide);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixd(camera.projection);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixd(camera.modelview);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
}

// Renders frames of the scene through the view (made current, its output
// target set up), each followed by `plain` drawing the same geometry with
// the camera the first frame left; sets the counters.
inline void TimeViewAgainstPlain(benchmark::State& state, view::QView& v, engine::MObject* scene,
                                 const std::function<void(const Camera&)>& plain, int triangles) {
  using Clock = std::chrono::steady_clock;
  double viewSeconds = 0, plainSeconds = 0;
  Camera camera{};
  bool cameraTaken = false;
  for (auto _ : state) {
    // Bound again, so the GL layer forgets what it remembered while the
    // plain loop changed states behind it; not part of a frame.
    v.MakeCurrent(false);
    v.MakeCurrent(true);
    const auto start = Clock::now();
    engine::GlSetRenderState(engine::kDrawLinesOnTop);
    engine::GlClear();
    v.SetViewport(platform::RECT{0, 0, kSide, kSide}, false);
    v.RenderFrame(scene);
    v.FinishRendering();
    const auto middle = Clock::now();
    if (!cameraTaken) {
      glGetDoublev(GL_PROJECTION_MATRIX, camera.projection);
      glGetDoublev(GL_MODELVIEW_MATRIX, camera.modelview);
      cameraTaken = true;
    }
    plain(camera);
    glFinish();
    const auto end = Clock::now();
    viewSeconds += std::chrono::duration<double>(middle - start).count();
    plainSeconds += std::chrono::duration<double>(end - middle).count();
  }
  const auto frames = static_cast<double>(state.iterations());
  state.counters["view_fps"] = frames / viewSeconds;
  state.counters["plain_fps"] = frames / plainSeconds;
  state.counters["ratio"] = plainSeconds / viewSeconds;
  state.counters["triangles"] = triangles;
}

}  // namespace viewbench
