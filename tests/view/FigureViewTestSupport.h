#pragma once
// The standard figure in a scene, seen whole from the front by a 240 x 320
// view: the fixture of the pick and tracker tests that work on a figure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "SceneTestSupport.h"
#include "StandardFigure.h"
#include "ViewTestSupport.h"
#include "engine/figure/MBoneObj.h"
#include "platform/GlContext.h"
#include "view/QTrack.h"
#include "view/QView.h"

namespace viewtest {

inline double Distance(const engine::PointRecord& a, const engine::PointRecord& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

class FigureViewTest : public scenetest::SceneTest {
 protected:
  using PointRecord = engine::PointRecord;

  void SetUp() override {
    SceneTest::SetUp();
    engine::InstallFigureObjectServices();
    auto group = standardfigure::BuildStandardFigure();
    ASSERT_NE(group, nullptr);
    figure_ = standardfigure::FigureOf(*group);
    scene_ = MakeScene([&](engine::MDocObj& s) { Add(s, group.release()); });
    scene_->GetGridObject()->excluded = 1;
    ASSERT_TRUE(figure_->IsSkinBound());
    view_ = std::make_unique<view::QView>(platform::RECT{0, 0, 240, 320});
    view_->MakeCurrent(true);
    view_->SetAngles(0.0, 0.0, 0.0);
    view_->SetViewport(platform::RECT{0, 0, 240, 320}, true);
    view_->FitToBounds(figure_);
    view_->SetViewport(platform::RECT{0, 0, 240, 320}, true);
  }
  void TearDown() override {
    platform::GlContext::ReleaseCurrent();
    SceneTest::TearDown();
  }
  // Every point of the scene's meshes (the skeleton and the body), in order.
  std::vector<PointRecord> AllPoints() {
    std::vector<PointRecord> out;
    auto* group = static_cast<engine::MGroupObj*>(scene_->ChildAt(1));
    for (int i = 0; i < group->GetChildCount(); ++i) {
      auto* mesh = dynamic_cast<engine::MMeshObj*>(group->ChildAt(i));
      if (mesh == nullptr) continue;
      for (engine::MVertex* v : mesh->GetVertexList()) out.push_back(v->position);
    }
    return out;
  }
  static bool Same(const std::vector<PointRecord>& a, const std::vector<PointRecord>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].z != b[i].z) return false;
    return true;
  }
  // The packed screen point of a point of the figure (its coordinates are
  // the scene's).
  std::uint32_t OnScreen(const PointRecord& p) {
    PointRecord s;
    view_->ProjectPoint(p, s);
    return view::PackScreenPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
  }
  // A point on the screen part of the way along the bone.
  std::uint32_t OnBone(engine::MLine* line, double along = 0.3) {
    const PointRecord& a = line->end0->position;
    const PointRecord& b = line->end1->position;
    return OnScreen({a.x + along * (b.x - a.x), a.y + along * (b.y - a.y), a.z + along * (b.z - a.z)});
  }
  engine::MVertex* Joint(int index) { return figure_->GetVertexByIndex(index); }
  // The bone ending at the figure's joint furthest to the side: the end of
  // an arm.
  engine::MLine* ArmBone() {
    engine::MVertex* side = nullptr;
    for (engine::MVertex* v : figure_->GetVertexList())
      if (side == nullptr || v->position.x > side->position.x) side = v;
    return figure_->GetLineEndingAt(side);
  }
  // The forearm (the bone above the arm's end), pressed on a fifth of the
  // way along: the tracker begins there; sx, sy receive the press point.
  engine::MLine* BeginOnForearm(view::QTrack& track, int& sx, int& sy) {
    engine::MLine* forearm = figure_->GetLineEndingAt(ArmBone()->end0);
    if (forearm == nullptr) return nullptr;
    const std::uint32_t start = OnBone(forearm, 0.2);
    view::UnpackScreenPoint(start, sx, sy);
    track.Begin(start, 0, view_.get(), scene_.get());
    return forearm;
  }
  engine::MBoneObj* figure_ = nullptr;
  std::unique_ptr<engine::MDocObj> scene_;
  std::unique_ptr<view::QView> view_;
};

}  // namespace viewtest
