// The skeleton walked as a tree on the standard figure: parent and child
// joints, adjacency, selecting and collecting a bone with what lies below.
#include "FigureTestSupport.h"

namespace figuretest {
namespace {

using namespace engine;
namespace sf = standardfigure;

class BoneTreeTest : public StandardFigureFixture {
 protected:
  void SetUp() override {
    StandardFigureFixture::SetUp();
    f_ = figure_;
  }
  MVertex* J(int i) { return f_->GetVertexByIndex(i); }
  MLine* Bone(int i) { return (*f_->bones)[i].line; }
  MBoneObj* f_ = nullptr;
};

TEST_F(BoneTreeTest, ParentAndChildJoints) {
  EXPECT_EQ(f_->GetParentJoint(J(sf::kPelvis)), nullptr) << "the root";
  EXPECT_EQ(f_->GetParentJoint(J(sf::kKneeR)), J(sf::kHipR));
  EXPECT_EQ(f_->GetChildJoint(J(sf::kKneeR)), J(sf::kAnkleR));
  EXPECT_EQ(f_->GetChildJoint(J(sf::kHandR)), nullptr) << "an end";
  EXPECT_EQ(f_->GetParentJoint(nullptr), nullptr);
}

TEST_F(BoneTreeTest, AdjacentBones) {
  struct Case {
    int a, b;
    bool adjacent;
  };
  const Case cases[] = {
      {5, 6, true},    // hip-knee and knee-ankle meet at a joint of two lines
      {5, 7, true},    // one bone between them
      {2, 4, false},   // spine and hip meet at the root, a joint of three lines
      {9, 13, false},  // the two upper arms
  };
  for (const Case& c : cases) EXPECT_EQ(f_->AreBonesAdjacent(c.a, 0, c.b, 0), c.adjacent) << c.a << " " << c.b;
}

TEST_F(BoneTreeTest, SelectingABoneWithWhatLiesBelowIt) {
  f_->ClearSelection();
  PointRecord at;
  f_->SelectChainFrom(false, Bone(4), &at, true);
  EXPECT_EQ(at.y, J(sf::kPelvis)->position.y);
  EXPECT_EQ(f_->CountSelectedLines(), 4) << "a root's siblings stay out without force";
  f_->ClearSelection();
  f_->SelectChainFrom(true, Bone(4), &at, true);
  EXPECT_EQ(f_->CountSelectedLines(), 20) << "with force every line from the root";
  PtrArray below;
  f_->CollectBonesBelow(false, Bone(9), below, false);
  EXPECT_EQ(below.count, 3) << "upper arm, forearm, hand";
}

TEST_F(BoneTreeTest, ABoneIsAtRestUntilItsJointsMove) {
  EXPECT_TRUE(f_->IsBoneAtRest(Bone(6)));
  EXPECT_TRUE(f_->IsAtRestPose());
  J(sf::kAnkleR)->SetPosition({0.12, 0.09 + 1e-9, 0});
  EXPECT_TRUE(f_->IsBoneAtRest(Bone(6))) << "within 1e-8";
  J(sf::kAnkleR)->SetPosition({0.12, 0.2, 0});
  EXPECT_FALSE(f_->IsBoneAtRest(Bone(6)));
  EXPECT_FALSE(f_->IsAtRestPose());
}

}  // namespace
}  // namespace figuretest
