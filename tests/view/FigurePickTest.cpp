// Element picks on the standard figure as the pose tools classify them:
// joints and bones, the code near a bone's middle, the rotation rings of a
// selected bone, and the colour classes of body elements.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FigureViewTestSupport.h"
#include "engine/mesh/MGroup.h"
#include "platform/Dc.h"
#include "view/QTrackBone.h"

namespace {

using engine::PointRecord;
using view::PackScreenPoint;
using view::QView;

class FigurePickTest : public viewtest::FigureViewTest {
 protected:
  // The screen point of a bone's middle, unrounded.
  PointRecord Middle(engine::MLine* line) {
    const PointRecord& a = line->end0->position;
    const PointRecord& b = line->end1->position;
    PointRecord s;
    view_->ProjectPoint({(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}, s);
    return s;
  }
  // The code and object of a pick of the requested kind.
  int Code(int kind, std::uint32_t at, engine::MObject** object = nullptr, bool* marked = nullptr) {
    int code = kind;
    PointRecord hit;
    engine::MObject* o = view_->PickElement(scene_.get(), at, code, nullptr, hit, marked);
    if (object != nullptr) *object = o;
    return code;
  }
  engine::MLine* Forearm() { return figure_->GetLineEndingAt(Joint(standardfigure::kWristR)); }
};

// On a figure with a bound skin: kind 3 answers 4 within 4 pixels of a
// bone's middle and 0 further along it; kind 2 tells joints (1) from bones
// (2); kind 0 marks the root joint; other kinds see a bone as an open line.
TEST_F(FigurePickTest, BonesAndJointsOfABoundFigure) {
  engine::MLine* forearm = Forearm();
  const PointRecord mid = Middle(forearm);
  // One screen unit along the bone.
  PointRecord a, b;
  view_->ProjectPoint(forearm->end0->position, a);
  view_->ProjectPoint(forearm->end1->position, b);
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  ASSERT_GT(len, 20.0);
  const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
  const auto at = [](double x, double y) {
    return PackScreenPoint(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
  };
  engine::MObject* object = nullptr;
  EXPECT_EQ(Code(3, at(mid.x, mid.y), &object), 4);
  EXPECT_EQ(object, figure_);
  EXPECT_EQ(Code(3, at(mid.x + 7 * ux, mid.y + 7 * uy), &object), 0);
  EXPECT_EQ(object, figure_) << "still on the bone, away from its middle";
  EXPECT_EQ(Code(2, at(mid.x, mid.y)), 2);
  EXPECT_EQ(Code(2, OnScreen(Joint(standardfigure::kElbowR)->position)), 1);
  EXPECT_EQ(Code(1, at(mid.x, mid.y)), 2) << "a bone has no faces";

  bool marked = false;
  EXPECT_EQ(Code(0, OnScreen(Joint(standardfigure::kPelvis)->position), nullptr, &marked), 1);
  EXPECT_TRUE(marked) << "the root joint";
  EXPECT_EQ(Code(0, OnScreen(Joint(standardfigure::kElbowR)->position), nullptr, &marked), 1);
  EXPECT_FALSE(marked);

  // Nothing under the point: none, code 0, whatever was asked.
  for (int kind : {0, 2, 3, 5}) {
    EXPECT_EQ(Code(kind, PackScreenPoint(3, 3), &object), 0) << kind;
    EXPECT_EQ(object, nullptr);
  }
}

// Without a bound skin the bone codes come with kind 2, and kind 3 gives 0.
TEST_F(FigurePickTest, AnUnboundFigureAnswersKindTwo) {
  figure_->SetSkinBound(false);
  const PointRecord mid = Middle(Forearm());
  const std::uint32_t at = PackScreenPoint(static_cast<int>(mid.x), static_cast<int>(mid.y));
  EXPECT_EQ(Code(2, at), 4);
  EXPECT_EQ(Code(3, at), 0);
}

// The rotation rings of the one selected bone are drawn over the picture
// and picked with codes 21 to 23; the rotation tracker pressed on ring r
// turns in mode r about that ring's axis.
TEST_F(FigurePickTest, RotationRingsGiveHandleCodes) {
  engine::MLine* forearm = Forearm();
  figure_->ClearSelection();
  forearm->flags |= engine::kLineSelected;
  figure_->UpdateSelectionCache();
  platform::Image picture = viewtest::RenderPicture(*view_, scene_.get());
  view_->MakeCurrent(true);
  view_->SetViewport(platform::RECT{0, 0, 240, 320}, true);
  view_->SetCollectingOutlines(true);  // as the page's figure view does: bones show only then
  {
    platform::Dc dc(picture);
    view_->DrawOverlays(scene_.get(), dc);
  }
  view_->SetCollectingOutlines(false);
  viewtest::SavePicture(picture, "bone_rings");
  ASSERT_EQ(figure_->handleLine, forearm);

  // For each ring, its point furthest on the screen from the other rings
  // and from the bone.
  PointRecord ring[96];
  for (int i = 0; i < 96; ++i) view_->ProjectPoint(figure_->handleModelPoints[i], ring[i]);
  const PointRecord mid = Middle(forearm);
  for (int r = 0; r < 3; ++r) {
    SCOPED_TRACE(r);
    int best = -1;
    double bestClearance = -1;
    for (int k = 0; k < 32; ++k) {
      const PointRecord& p = ring[32 * r + k];
      double clearance = std::hypot(p.x - mid.x, p.y - mid.y);
      for (int i = 0; i < 96; ++i)
        if (i / 32 != r) clearance = std::min(clearance, std::hypot(p.x - ring[i].x, p.y - ring[i].y));
      if (clearance > bestClearance) best = 32 * r + k, bestClearance = clearance;
    }
    ASSERT_GT(bestClearance, 6.0) << "the rings overlap on the screen";
    const std::uint32_t at = PackScreenPoint(static_cast<int>(std::lround(ring[best].x)),
                                             static_cast<int>(std::lround(ring[best].y)));
    EXPECT_EQ(Code(3, at), 21 + r);
    view::QTrackRotateBone track;
    track.Begin(at, 0, view_.get(), scene_.get());
    ASSERT_EQ(track.GetFigure(), figure_);
    EXPECT_EQ(track.GetRotationMode(), r + 1);
    ASSERT_TRUE(track.End(at, 0));
    // The click selected the bone again: the rings stay for the next ring.
    ASSERT_NE(forearm->flags & engine::kLineSelected, 0u);
  }
}

// Body elements answer their marker colour class: red, magenta and green
// only where the line belongs to a group, blue 1, cyan and yellow 3.
TEST_F(FigurePickTest, BodyColourClasses) {
  auto scene = MakeScene([](engine::MDocObj& s) { Add(s, Place(meshkit::MakeCube(), -0.5, -0.5, -0.5)); });
  scene->GetGridObject()->excluded = 1;
  QView v(platform::RECT{0, 0, 200, 200});
  viewtest::AimAtOrigin(v, view::kProjectionFieldOfView);
  auto* cube = static_cast<engine::MMeshObj*>(scene->ChildAt(1));
  engine::MGroup* group = cube->AddGroup();
  ASSERT_NE(group, nullptr);
  // The corner nearest the eye: every line around it gets the colour.
  engine::MatrixRecord world;
  scene->GetObjectWorldMatrix(cube, &world, nullptr);
  PointRecord eye, corner;
  v.GetEyePosition(eye);
  double nearest = std::numeric_limits<double>::infinity();
  for (engine::MVertex* vertex : cube->GetVertexList()) {
    PointRecord p;
    engine::MUtilTransformPoint(world, vertex->position, p);
    if (viewtest::Distance(p, eye) < nearest) nearest = viewtest::Distance(p, eye), corner = p;
  }
  PointRecord s;
  v.ProjectPoint(corner, s);
  const std::uint32_t at = PackScreenPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
  struct Case {
    unsigned char r, g, b;
    bool grouped;
    int code;
  } cases[] = {
      {255, 0, 0, true, 2},   {255, 0, 0, false, 0},  {255, 0, 255, true, 2}, {0, 255, 0, true, 2},
      {0, 0, 255, false, 1},  {0, 255, 255, false, 3}, {255, 255, 0, true, 3}, {0, 0, 0, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b) << " grouped " << c.grouped);
    for (engine::MLine* line : cube->lines) {
      line->colourR = c.r, line->colourG = c.g, line->colourB = c.b;
      line->group = c.grouped ? group : nullptr;
    }
    int code = 5;
    PointRecord hit;
    EXPECT_EQ(v.PickElement(scene.get(), at, code, nullptr, hit, nullptr), cube);
    EXPECT_EQ(code, c.code);
  }
}

}  // namespace
