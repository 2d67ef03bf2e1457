// The figure operations of the person composer through the facade: the
// selected figure's height, a figure built from a skeleton and its parts,
// a body carried over between two figures, and a scene split into its
// figures and its props, with their refusals.
#include <filesystem>

#include "FacadeTestSupport.h"
#include "StandardFigure.h"
#include "engine/core/EngMath.h"

namespace figureopstest {

using facadetest::FacadeTest;

class FigureOpsTest : public FacadeTest {
 protected:
  void SetUp() override {
    FacadeTest::SetUp();
    figure_ = facadetest::StandardFigure();
    ASSERT_NE(figure_, nullptr);
  }
  engine::MDocObj& Scene() { return *figure_->GetScene(); }
  // A cube beside the figure: the scene's last object.
  void AddCube() {
    meshkit::MeshFixture cube = meshkit::MakeCube();
    engine::MatrixRecord m;
    engine::MUtilIdentity(m);
    m.m[3][0] = 3.0;
    cube->SetMatrix(m);
    cube->Checkpoint(false);
    ASSERT_TRUE(standardscene::AddToScene(Scene(), cube.mesh.release()));
    Scene().EndEdit(0);
  }
  std::unique_ptr<facade::KxLibR> figure_;
};

TEST_F(FigureOpsTest, TheFigureHeightIsItsHeadMeasuredOnTheSelectedFigureOnly) {
  double h = 0, x = 0, y = 0, z = 0;
  EXPECT_EQ(figure_->GetFigureHeight(h, x, y, z), facade::kFacadeFailed) << "nothing selected";
  EXPECT_EQ(h, -1);
  figure_->SetSelection(1, true, 1);
  ASSERT_EQ(figure_->GetFigureHeight(h, x, y, z), 0);
  // The standard figure's head top stands at 1.70 over its neck at 1.50.
  EXPECT_NEAR(h, 0.20, 1e-9);
  EXPECT_NEAR(y, 1.50, 1e-9);
  AddCube();
  figure_->SetSelection(1, true, 2);
  EXPECT_EQ(figure_->GetFigureHeight(h, x, y, z), facade::kFacadeFailed) << "a plain mesh";
  EXPECT_EQ(FailState(), 0);
}

TEST_F(FigureOpsTest, SplittingWritesTheFiguresAndThePropsApart) {
  std::string figures, props;
  // Only a figure: nothing to split, no file.
  EXPECT_EQ(figure_->SplitFiguresAndProps(figures, props), 0);
  EXPECT_TRUE(figures.empty());
  EXPECT_TRUE(props.empty());
  AddCube();
  ASSERT_EQ(figure_->SplitFiguresAndProps(figures, props), 1);
  struct Case {
    std::string path;
    bool figure;
  };
  for (const Case& c : {Case{figures, true}, Case{props, false}}) {
    SCOPED_TRACE(c.path);
    facade::KxLibR opened;
    ASSERT_EQ(opened.Open(c.path), 0);
    ASSERT_EQ(opened.GetScene()->GetChildCount(), 2);
    EXPECT_EQ(opened.IsFigureIndex(1), c.figure);
    std::filesystem::remove(c.path);
  }
  EXPECT_EQ(Scene().GetChildCount(), 2) << "the scene keeps the props";
  EXPECT_FALSE(figure_->IsFigureIndex(1));
}

TEST_F(FigureOpsTest, ABodyGoesOverBetweenTwoMatchingFiguresOnly) {
  // A second standard figure, selected first: it takes over the first.
  std::unique_ptr<engine::MGroupObj> second = standardfigure::BuildStandardFigure();
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(standardscene::AddToScene(Scene(), second.release()));
  Scene().EndEdit(0);
  AddCube();
  struct Refusal {
    const char* what;
    std::vector<int> objects;
  };
  for (const Refusal& r : {Refusal{"one figure", {1}}, Refusal{"a figure and a cube", {1, 3}},
                           Refusal{"three objects", {1, 2, 3}}}) {
    SCOPED_TRACE(r.what);
    figure_->SetSelection(0, false, 0);
    for (int object : r.objects) figure_->SetSelection(2, true, object);
    EXPECT_EQ(figure_->TransferPose(), facade::kFacadeFailed);
    EXPECT_EQ(Scene().GetChildCount(), 4);
    EXPECT_EQ(FailState(), 0);
  }
  engine::PtrArray before;
  Scene().CollectMeshes(Scene().ChildAt(2), before);
  figure_->SetSelection(1, true, 2);
  Scene().ChildAt(2)->selectTime = 1;
  figure_->SetSelection(2, true, 1);
  Scene().ChildAt(1)->selectTime = 2;
  ASSERT_EQ(figure_->TransferPose(), 0);
  ASSERT_EQ(Scene().GetChildCount(), 3) << "the giver's group is gone";
  engine::PtrArray after;
  Scene().CollectMeshes(Scene().ChildAt(1), after);
  EXPECT_EQ(after.count, 2 * before.count - 1) << "both bodies on one skeleton";
  EXPECT_TRUE(figure_->IsFigureIndex(1));
}

TEST_F(FigureOpsTest, AFigureIsBuiltFromASkeletonAndTheObjectsBesideIt) {
  AddCube();
  figure_->SetSelection(0, true, 0);
  EXPECT_EQ(figure_->BuildFigureFromSelection(), facade::kFacadeFailed) << "a figure is no skeleton";
  EXPECT_EQ(Scene().GetChildCount(), 3);
  // The standard skeleton as a plain mesh of lines, beside the cube.
  auto* skeleton = new engine::MMeshObj();
  engine::FindBoneObj(Scene().ChildAt(1))->engine::MMeshObj::CopyTo(skeleton);
  skeleton->Checkpoint(false);
  ASSERT_TRUE(standardscene::AddToScene(Scene(), skeleton));
  Scene().EndEdit(0);
  const auto selectSkeletonAndCube = [&] {
    figure_->SetSelection(1, true, Scene().GetChildCount() - 1);
    figure_->SetSelection(2, true, Scene().GetChildCount() - 2);
  };
  // The binding takes every mesh of the scene: with the standard figure
  // still there it is refused and the objects stay as they were.
  selectSkeletonAndCube();
  EXPECT_EQ(figure_->BuildFigureFromSelection(), facade::kFacadeFailed);
  ASSERT_EQ(Scene().GetChildCount(), 4);
  EXPECT_FALSE(figure_->IsFigureIndex(3));
  // Undo gives copies back: the plain skeleton mesh with all its joints.
  ASSERT_EQ(Scene().ChildAt(3)->GetType(), engine::kObjectMesh);
  EXPECT_FALSE(Scene().ChildAt(3)->IsBoneObject());
  EXPECT_EQ(static_cast<engine::MMeshObj*>(Scene().ChildAt(3))->GetVertexList().Length(), standardfigure::kJointCount);
  EXPECT_EQ(FailState(), 0);
  // Alone, the skeleton becomes a bound figure holding the cube.
  figure_->SetSelection(1, true, 1);
  figure_->DeleteSelection();
  selectSkeletonAndCube();
  ASSERT_EQ(figure_->BuildFigureFromSelection(), 0);
  ASSERT_EQ(Scene().GetChildCount(), 2);
  EXPECT_TRUE(figure_->IsFigureIndex(1));
  engine::MBoneObj* built = engine::FindBoneObj(Scene().ChildAt(1));
  ASSERT_NE(built, nullptr);
  EXPECT_TRUE(built->IsSkinBound());
  engine::PtrArray meshes;
  Scene().CollectMeshes(Scene().ChildAt(1), meshes);
  EXPECT_EQ(meshes.count, 2) << "the figure and the cube";
  EXPECT_EQ(FailState(), 0);
}

}  // namespace figureopstest
