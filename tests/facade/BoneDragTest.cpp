// The pose tools through the figure view: the figure and the bone under a
// page point, drags that one undo takes back, frame-0 keys taken again
// after a drag, page points of a supersampled figure, outline lines.
#include <cmath>
#include <vector>

#include "FacadeTestSupport.h"
#include "StandardAnimations.h"
#include "StandardFigure.h"
#include "engine/core/EngMath.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/scene/AnimList.h"
#include "facade/KxLibAnim.h"
#include "platform/Dc.h"
#include "view/QView.h"

namespace {

using engine::PointRecord;
using facadetest::FacadeTest;
using facadetest::SavePicture;
using standardfigure::Joint;

class BoneDragTest : public FacadeTest {
 protected:
  void SetUp() override {
    FacadeTest::SetUp();
    figure_ = facadetest::StandardFigure(240, 320);
    ASSERT_NE(figure_, nullptr);
    ASSERT_NE(V().GetImage(false), nullptr);
    group_ = static_cast<engine::MGroupObj*>(Scene().ChildAt(1));
    bones_ = standardfigure::FigureOf(*group_);
  }
  facade::KxLibV& V() { return figure_->GetView(); }
  engine::MDocObj& Scene() { return *figure_->GetScene(); }
  engine::MVertex* JointAt(Joint joint) {
    int i = 0;
    for (engine::MVertex* v : bones_->GetVertexList())
      if (i++ == joint) return v;
    return nullptr;
  }
  // The page point of a world point.
  platform::POINT PagePoint(const PointRecord& p) {
    view::QView& v = V().View();
    platform::RECT rendered;
    int factor = 0;
    V().GetRenderRect(rendered, factor);
    v.MakeCurrent(true);
    v.SetViewport(rendered, true);
    PointRecord s;
    v.ProjectPoint(p, s);
    v.MakeCurrent(false);
    return {static_cast<int>(std::lround(s.x * V().GetPixelScaleX())),
            static_cast<int>(std::lround(s.y * V().GetPixelScaleY()))};
  }
  // A point `along` the way from joint a to joint b.
  platform::POINT OnBone(Joint a, Joint b, double along) {
    const PointRecord& p = JointAt(a)->position;
    const PointRecord& q = JointAt(b)->position;
    return PagePoint({p.x + along * (q.x - p.x), p.y + along * (q.y - p.y), p.z + along * (q.z - p.z)});
  }
  // Every point of the figure's meshes, joints and skin.
  std::vector<PointRecord> AllPoints() {
    std::vector<PointRecord> out;
    for (int i = 0; i < group_->GetChildCount(); ++i)
      if (auto* mesh = engine::AsMesh(group_->ChildAt(i)))
        for (engine::MVertex* v : mesh->GetVertexList()) out.push_back(v->position);
    return out;
  }
  std::vector<PointRecord> Joints() {
    std::vector<PointRecord> out;
    for (engine::MVertex* v : bones_->GetVertexList()) out.push_back(v->position);
    return out;
  }
  // The largest distance between points of the same place in two lists.
  static double Farthest(const std::vector<PointRecord>& a, const std::vector<PointRecord>& b) {
    double most = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
      most = std::max(most, std::hypot(a[i].x - b[i].x, a[i].y - b[i].y, a[i].z - b[i].z));
    return most;
  }
  static bool Same(const std::vector<PointRecord>& a, const std::vector<PointRecord>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].z != b[i].z) return false;
    return true;
  }
  // Drags from the point by (dx, dy) page pixels in four steps.
  int Drag(platform::POINT from, int dx, int dy, bool inverseKinematics) {
    const int index = V().BeginBoneDrag(from.x, from.y, inverseKinematics, 1.0);
    for (int step = 1; step <= 4; ++step) V().DragBone(from.x + dx * step / 4, from.y + dy * step / 4);
    EXPECT_EQ(V().EndBoneDrag(from.x + dx, from.y + dy), facade::kFacadeOk);
    return index;
  }

  std::unique_ptr<facade::KxLibR> figure_;
  engine::MGroupObj* group_ = nullptr;
  engine::MBoneObj* bones_ = nullptr;
};

TEST_F(BoneDragTest, TheFigureAndItsBonesUnderPagePoints) {
  const platform::POINT chest = OnBone(standardfigure::kChest, standardfigure::kSpine, 0.5);
  EXPECT_EQ(V().PickFigure(chest.x, chest.y), 1);
  EXPECT_EQ(V().PickFigure(2, 2), -1);
  const platform::POINT forearm = OnBone(standardfigure::kElbowR, standardfigure::kWristR, 0.3);
  EXPECT_EQ(V().HitTestBone(forearm.x, forearm.y, true, 1.0), facade::kBoneHitLine);
  const platform::POINT elbow = PagePoint(JointAt(standardfigure::kElbowR)->position);
  EXPECT_EQ(V().HitTestBone(elbow.x, elbow.y, true, 1.0), facade::kBoneHitJoint);
  const int turning = V().HitTestBone(forearm.x, forearm.y, false, 1.0);
  EXPECT_GE(turning, facade::kBoneHitBone);
  EXPECT_LE(turning, facade::kBoneHitOther);
  EXPECT_EQ(V().HitTestBone(2, 2, true, 1.0), facade::kBoneHitNone);
  EXPECT_EQ(V().HitTestBone(2, 2, false, 1.0), facade::kBoneHitNone);
  EXPECT_EQ(engine::EngContext().pageHitActive, 0) << "picks from the page end";
  EXPECT_EQ(engine::EngContext().pageHitScale, 1.0);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(BoneDragTest, APropHasNoBonesToGrab) {
  auto cube = facadetest::CubeShape({0.8, 0.3, 0.2}, 1.0, 80, 80);
  ASSERT_NE(cube->GetView().GetImage(false), nullptr);
  EXPECT_EQ(cube->GetView().HitTestBone(40, 40, false, 1.0), facade::kBoneHitNone);
  EXPECT_EQ(cube->GetView().HitTestBone(40, 40, true, 1.0), facade::kBoneHitNone);
  EXPECT_EQ(cube->GetView().PickFigure(40, 40), -1);
  EXPECT_EQ(cube->GetView().BeginBoneDrag(40, 40, false, 1.0), -1);
  EXPECT_FALSE(cube->GetView().IsDragging());
}

// A drag of each tool (turning a bone, pulling a bone, moving a joint)
// poses the figure and marks the picture stale; the scene's undo takes the
// whole drag back exactly.
TEST_F(BoneDragTest, ADragPosesTheFigureAndOneUndoTakesItBack) {
  struct Case {
    const char* name;
    bool inverseKinematics;
    double along;  // 0 grabs the elbow joint itself
  } cases[] = {{"turn", false, 0.3}, {"inverse_kinematics", true, 0.3}, {"joint", true, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<PointRecord> before = AllPoints();
    const platform::Image shown = *V().GetImage(false);
    const platform::POINT at = OnBone(standardfigure::kElbowR, standardfigure::kWristR, c.along);
    EXPECT_EQ(Drag(at, 30, -40, c.inverseKinematics), 1);
    EXPECT_FALSE(V().IsDragging());
    EXPECT_FALSE(V().IsImageValid());
    const std::vector<PointRecord> after = AllPoints();
    EXPECT_FALSE(Same(before, after));
    const platform::Image posed = *V().GetImage(false);
    SavePicture(posed, std::string("dragged_") + c.name);
    EXPECT_GT(facadetest::PixelsDiffering(shown, posed), 50);

    Scene().UndoEdit(0);
    EXPECT_TRUE(Same(before, AllPoints()));
    Scene().EndEdit(0);
    EXPECT_EQ(FailState(), 0);
  }
}

// The joints stay where the drag left them (the skin follows them then).
TEST_F(BoneDragTest, FinishingARunningDragKeepsWhereItWas) {
  const std::vector<PointRecord> before = AllPoints();
  const platform::POINT forearm = OnBone(standardfigure::kElbowR, standardfigure::kWristR, 0.3);
  ASSERT_EQ(V().BeginBoneDrag(forearm.x, forearm.y, false, 1.0), 1);
  V().DragBone(forearm.x + 40, forearm.y);
  const std::vector<PointRecord> dragged = Joints();
  EXPECT_EQ(V().FinishTracker(), facade::kFacadeOk);
  EXPECT_FALSE(V().IsDragging());
  EXPECT_TRUE(Same(dragged, Joints()));
  EXPECT_FALSE(Same(before, AllPoints()));
  Scene().UndoEdit(0);
  EXPECT_TRUE(Same(before, AllPoints()));
}

// Supersampled, page points are twice the view's: the same bone is found
// at twice the point.
TEST_F(BoneDragTest, PagePointsOfASupersampledFigure) {
  const platform::POINT forearm = OnBone(standardfigure::kElbowR, standardfigure::kWristR, 0.3);
  V().SetOutputSize(240, 320, 2, 1.0);
  ASSERT_NE(V().GetImage(false), nullptr);
  EXPECT_EQ(V().GetPixelScaleX(), 1.0) << "rendered at the asked size";
  const platform::POINT doubled = OnBone(standardfigure::kElbowR, standardfigure::kWristR, 0.3);
  EXPECT_NEAR(doubled.x, 2 * forearm.x, 2);
  EXPECT_NEAR(doubled.y, 2 * forearm.y, 2);
  EXPECT_EQ(V().HitTestBone(doubled.x, doubled.y, true, 2.0), facade::kBoneHitLine);

  // Held to the 4000-pixel side, the view renders 3 times instead of 4,
  // and page points are scaled down to it.
  V().SetOutputSize(1001, 130, 4, 1.0);
  ASSERT_NE(V().GetImage(false), nullptr);
  EXPECT_EQ(V().GetPixelScaleX(), 4004.0 / 3003.0);
  EXPECT_EQ(V().GetPixelScaleY(), 520.0 / 390.0);
  const platform::POINT held = OnBone(standardfigure::kElbowR, standardfigure::kWristR, 0.3);
  EXPECT_EQ(V().HitTestBone(held.x, held.y, true, 1.0), facade::kBoneHitLine);
  EXPECT_EQ(V().PickFigure(held.x, held.y), 1);
}

// A figure with an animation: the drag at frame 0 is taken into the
// frame-0 keys, so showing the frame again keeps the new pose.
TEST_F(BoneDragTest, ADragTakesTheFrameZeroKeysAgain) {
  ASSERT_TRUE(standardfigure::RecordStandardAnimation(Scene(), *group_, "wave"));
  Scene().SelectAll(false);
  Scene().ShowFrame(0, nullptr);
  Scene().EndEdit(0);
  ASSERT_EQ(FailState(), 0);
  const platform::POINT forearm = OnBone(standardfigure::kElbowR, standardfigure::kWristR, 0.3);
  const std::vector<PointRecord> before = AllPoints();
  ASSERT_EQ(Drag(forearm, 50, 0, false), 1);
  const std::vector<PointRecord> dragged = AllPoints();
  ASSERT_FALSE(Same(before, dragged));
  ASSERT_GT(Farthest(before, dragged), 0.05);
  Scene().ShowFrame(0, nullptr);
  // The pose comes back from the key, within rounding.
  EXPECT_LT(Farthest(dragged, AllPoints()), 1e-6);
  EXPECT_EQ(FailState(), 0);
}

// The pose tools keep the figure's animations before and after a drag, as
// the page's undo step holds them. A figure without one gets one for the
// drag; putting back the state from before takes it away again and gives
// the scene back byte for byte, and the state from after, kept again first
// as the page's redo does, gives the dragged pose back within rounding.
// Kept for the figure alone or for every object alike.
TEST_F(BoneDragTest, TheStatesKeptAroundADragPutAFigureWithoutAnimationBackExactly) {
  const platform::POINT forearm = OnBone(standardfigure::kElbowR, standardfigure::kWristR, 0.3);
  const std::string standing = facadetest::SceneBytes(Scene(), Path("standing.bin"));
  const std::vector<PointRecord> standingPoints = AllPoints();
  for (const int objectIndex : {1, -1}) {
    SCOPED_TRACE(objectIndex);
    ASSERT_EQ(Scene().CurrentAnimations().Count(), 0);
    facade::KxLibAnimArray before, after, again;
    ASSERT_EQ(figure_->SaveAnims(objectIndex, before), facade::kFacadeOk);
    ASSERT_EQ(Drag(forearm, 30, -40, false), 1);
    const std::vector<PointRecord> dragged = AllPoints();
    ASSERT_GT(Farthest(standingPoints, dragged), 0.05);
    ASSERT_EQ(figure_->SaveAnims(objectIndex, after), facade::kFacadeOk);
    EXPECT_EQ(Scene().CurrentAnimations().Count(), 1);

    for (int cycle = 0; cycle < 2; ++cycle) {
      SCOPED_TRACE(cycle);
      ASSERT_EQ(figure_->RestoreAnims(before), 1);
      EXPECT_EQ(Scene().CurrentAnimations().Count(), 0);
      EXPECT_TRUE(Same(standingPoints, AllPoints()));
      EXPECT_EQ(facadetest::FirstDifference(facadetest::SceneBytes(Scene(), Path("undone.bin")), standing), -1);
      ASSERT_EQ(figure_->SaveAnims(objectIndex, again), facade::kFacadeOk);
      ASSERT_EQ(figure_->RestoreAnims(after), 1);
      EXPECT_EQ(Scene().CurrentAnimations().Count(), 1);
      EXPECT_LT(Farthest(dragged, AllPoints()), 1e-6);
    }
    ASSERT_EQ(figure_->RestoreAnims(before), 1);
    EXPECT_FALSE(Scene().HasSelectedObject());
    EXPECT_EQ(FailState(), 0);
  }
}

// An object whose overlay segments are lines of known engine codes.
class Segments : public engine::MObject {
 public:
  void GetLocalBounds(engine::BoundsRecord& out) override { out = {-1, -1, -1, 1, 1, 1, 0}; }
  void CollectOverlaySegments(engine::LineSegArray& out, const engine::MatrixRecord&, engine::QView*) override {
    for (int code : {42, 43, 17, 2, 36}) out.Add(engine::LineSegRecord{{-0.5, 0, 0}, {0.5, 0.2, 0}, code, 0});
  }
};

TEST_F(BoneDragTest, OutlineLinesInPageKindsAndPagePoints) {
  auto cube = facadetest::CubeShape({0.8, 0.3, 0.2}, 1.0, 80, 80);
  ASSERT_TRUE(standardscene::AddToScene(*cube->GetScene(), new Segments()));
  cube->GetView().SetOutputSize(80, 80, 2, 1.0);
  ASSERT_NE(cube->GetView().GetImage(false), nullptr);
  std::vector<platform::POINT> points;
  std::vector<int> kinds;
  EXPECT_EQ(cube->GetView().GetOutlineLines(points, kinds), facade::kFacadeOk);
  EXPECT_EQ(kinds, (std::vector<int>{15, 0, 6, 9}));
  ASSERT_EQ(points.size(), 8u);
  view::QView& v = cube->GetView().View();
  v.MakeCurrent(true);
  v.SetViewport(platform::RECT{0, 0, 160, 160}, true);
  PointRecord s;
  v.ProjectPoint({-0.5, 0, 0}, s);
  v.MakeCurrent(false);
  EXPECT_EQ(points[0].x, static_cast<int>(s.x * cube->GetView().GetPixelScaleX()));
  EXPECT_EQ(points[0].y, static_cast<int>(s.y * cube->GetView().GetPixelScaleY()));

  // The standard figure's lines, drawn over its picture to look at.
  points.clear();
  kinds.clear();
  EXPECT_EQ(V().GetOutlineLines(points, kinds), facade::kFacadeOk);
  ASSERT_EQ(points.size(), 2 * kinds.size());
  platform::Image picture = *V().GetImage(false);
  {
    platform::Dc dc(picture);
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      EXPECT_GE(kinds[i], 0);
      EXPECT_LE(kinds[i], 15);
      dc.MoveTo(points[2 * i].x, points[2 * i].y);
      dc.LineTo(points[2 * i + 1].x, points[2 * i + 1].y);
    }
  }
  SavePicture(picture, "standard_figure_outline_lines");
}

}  // namespace
