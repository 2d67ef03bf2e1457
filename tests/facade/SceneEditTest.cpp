// Scene edits through the facade: selection modes, moves and scales of the
// selection, deleting, the floor grid, one face's colour, statistics.
#include <cmath>

#include "FacadeTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/core/MGridObj.h"
#include "view/QView.h"

namespace {

using engine::BoundsRecord;
using facadetest::FacadeTest;

class SceneEditTest : public FacadeTest {
 protected:
  void SetUp() override {
    FacadeTest::SetUp();
    figure_ = facadetest::CubeShape({0.8, 0.3, 0.2}, 1.0, 80, 80);
    ASSERT_NE(figure_, nullptr);
    // Two more cubes beside it: objects 1, 2 and 3.
    for (double x : {3.0, 6.0}) {
      meshkit::MeshFixture cube = meshkit::MakeCube();
      engine::MatrixRecord m;
      engine::MUtilIdentity(m);
      m.m[3][0] = x;
      cube->SetMatrix(m);
      cube->Checkpoint(false);
      ASSERT_TRUE(standardscene::AddToScene(Scene(), cube.mesh.release()));
    }
    Scene().EndEdit(0);
  }
  engine::MDocObj& Scene() { return *figure_->GetScene(); }
  bool Selected(int i) { return Scene().ChildAt(i)->IsSelected(); }
  BoundsRecord Box(int i) {
    BoundsRecord box;
    Scene().GetWorldBounds(Scene().ChildAt(i), box);
    return box;
  }
  std::unique_ptr<facade::KxLibR> figure_;
};

TEST_F(SceneEditTest, SelectionModes) {
  struct Case {
    int mode;
    bool state;
    int index;
    bool one, two, three;
  } cases[] = {
      {0, true, 3, true, true, true},     // all, the index ignored
      {2, false, 2, true, false, true},   // only object 2
      {1, true, -1, false, false, false}, // all the opposite, nothing more
      {1, true, 2, false, true, false},   // all the opposite, then object 2
      {2, true, 3, false, true, true},
      {1, false, 1, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.state << " " << c.index);
    EXPECT_EQ(figure_->SetSelection(c.mode, c.state, c.index), c.index);
    EXPECT_EQ(Selected(1), c.one);
    EXPECT_EQ(Selected(2), c.two);
    EXPECT_EQ(Selected(3), c.three);
    EXPECT_FALSE(Scene().GetGridObject()->IsSelected());
  }
  figure_->SelectNone();
  EXPECT_FALSE(Scene().HasSelectedObject());
}

TEST_F(SceneEditTest, MovingAndScalingTheSelection) {
  figure_->SetSelection(2, true, 2);
  const BoundsRecord before = Box(2);
  figure_->MoveSelection(0.0, 1.5, 0.0);
  EXPECT_NEAR(Box(2).minY, before.minY + 1.5, 1e-9);
  EXPECT_NEAR(Box(1).minY, 0.0, 1e-9) << "others stay";
  EXPECT_FALSE(figure_->GetView().IsImageValid());

  figure_->ScaleSelection(true, 2.0, 0, 0, 0);
  BoundsRecord box = Box(2);
  EXPECT_NEAR(box.maxX - box.minX, 2.0, 1e-9);
  EXPECT_NEAR((box.maxX + box.minX) / 2, 3.5, 1e-9) << "about its own centre";
  figure_->ScaleSelection(false, 0.5, 0, 0, 0);
  box = Box(2);
  EXPECT_NEAR(box.maxX - box.minX, 1.0, 1e-9);
  EXPECT_NEAR(box.minX, 1.25, 1e-9) << "about the origin";

  figure_->ScaleSelectionToHeight(3.0);
  box = Box(2);
  EXPECT_NEAR(box.maxY - box.minY, 3.0, 1e-9);
}

TEST_F(SceneEditTest, AFlatObjectIsNotScaledToAHeight) {
  meshkit::MeshFixture square = meshkit::MakeQuadPair(false);
  engine::MatrixRecord m;
  engine::MUtilIdentity(m);
  engine::MUtilRotateX(m, view::kHalfPi, m);  // lying in the floor
  square->SetMatrix(m);
  square->Checkpoint(false);
  ASSERT_TRUE(standardscene::AddToScene(Scene(), square.mesh.release()));
  figure_->SetSelection(2, true, 4);
  const BoundsRecord before = Box(4);
  ASSERT_LT(before.maxY - before.minY, 1e-8);
  figure_->ScaleSelectionToHeight(2.0);
  const BoundsRecord after = Box(4);
  EXPECT_EQ(after.maxX - after.minX, before.maxX - before.minX);
  EXPECT_EQ(after.maxZ - after.minZ, before.maxZ - before.minZ);
}

TEST_F(SceneEditTest, DeletingTheSelection) {
  figure_->SetSelection(1, false, 2);  // all but object 2
  figure_->DeleteSelection();
  EXPECT_EQ(facadetest::ObjectCount(*figure_), 1);
  EXPECT_NEAR(Box(1).minX, 3.0, 1e-9) << "object 2 is left";
  EXPECT_FALSE(figure_->GetView().IsImageValid());
}

TEST_F(SceneEditTest, TheGridIsResetAndTheSceneFramed) {
  Scene().SetGrid(0, 7.0, 12, 2, {0.1, 0.2, 0.3}, {0.4, 0.5, 0.6});
  const engine::PointRecord target = figure_->GetView().View().GetTarget();
  figure_->ResetGridAndRender();
  int kind = -1, divisions = 0, subdivisions = 0;
  double extent = 0;
  engine::PointRecord a, b;
  Scene().GetGridParams(kind, extent, divisions, subdivisions, a, b);
  EXPECT_EQ(kind, 0);
  EXPECT_EQ(extent, 100.0);
  EXPECT_EQ(divisions, 12);
  EXPECT_EQ(subdivisions, 2);
  EXPECT_EQ(a.y, 0.2);
  EXPECT_EQ(figure_->GetView().View().GetDrawMode(), 6);
  EXPECT_NE(figure_->GetView().View().GetTarget().x, target.x) << "the camera framed the scene";
  EXPECT_FALSE(figure_->GetView().IsImageValid()) << "the picture shows the new camera";
}

// The bucket tool: the face under a point gets a colour, and the colour it
// had comes back when set again.
TEST_F(SceneEditTest, OneFacesColour) {
  facade::KxLibV& v = figure_->GetView();
  ASSERT_NE(v.GetImage(false), nullptr);
  int mesh = -1, face = -1;
  ASSERT_TRUE(v.PickFace(40, 40, mesh, face));
  EXPECT_EQ(mesh, 0);
  EXPECT_GE(face, 0);
  EXPECT_FALSE(v.PickFace(1, 1, mesh, face));
  EXPECT_EQ(mesh, -1);
  ASSERT_TRUE(v.PickFace(40, 40, mesh, face));
  const int old = figure_->SetElementColor(mesh, face, platform::MakeRgb(0, 0, 255));
  EXPECT_EQ(old, static_cast<int>(platform::MakeRgb(204, 76, 51)));
  const platform::Bgra painted = v.GetImage(false)->GetBgra(40, 40);
  EXPECT_GT(painted.b, painted.r) << "blue now";
  facadetest::SavePicture(*v.GetImage(false), "cube_face_painted");
  EXPECT_EQ(figure_->SetElementColor(mesh, face, static_cast<platform::COLORREF>(old)),
            static_cast<int>(platform::MakeRgb(0, 0, 255)));
  EXPECT_EQ(figure_->SetElementColor(mesh, 100000, 0), facade::kFacadeFailed);
  EXPECT_EQ(figure_->SetElementColor(9, 0, 0), facade::kFacadeFailed);
}

TEST_F(SceneEditTest, SceneStatistics) {
  engine::SelectionInfo info;
  engine::PointRecord counts;
  figure_->SetSelection(2, true, 1);
  ASSERT_TRUE(figure_->GetSceneInfo(info, counts));
  EXPECT_EQ(info.kind, 2) << "one mesh";
  EXPECT_EQ(info.triangles, 12);
  EXPECT_EQ(counts.x, 1);
  figure_->SetSelection(0, true, 0);
  ASSERT_TRUE(figure_->GetSceneInfo(info, counts));
  EXPECT_EQ(info.kind, 1);
  EXPECT_EQ(info.triangles, 36);
  EXPECT_EQ(counts.x, 3);
}

}  // namespace
