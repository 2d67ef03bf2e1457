// The person composer's model on the sample library's BodyMix parts: the
// defaults and their reference height, fitting the hair and items (size and
// offsets), the proportion presets behind the body ratio, replacing parts
// (a part that cannot be read leaves the old one), a head that brings its
// hair, selection walks and deleting, and saving a composed person that
// opens again and goes onto a page. The previews and the pages are written
// as PNG files beside the test for looking at.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FigureTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibAnim.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "page/SMix.h"
#include "page/SObj.h"
#include "platform/Dc.h"
#include "platform/Hooks.h"
#include "platform/Image.h"
#include "support/PixelCensus.h"
#include "view/QView.h"

namespace bodymixtest {

namespace fs = std::filesystem;
using page::SMix;
using page::SMObj;

const std::string kLibrary = PENNET_SAMPLE_LIBRARY;

std::string Part(const std::string& folder, const std::string& file) {
  return (fs::path(kLibrary) / "BodyMix" / folder / file).string();
}

engine::BoundsRecord BoundsOf(SMix& mix, int part) {
  engine::MDocObj& scene = *mix.Figure().GetScene();
  engine::BoundsRecord box{};
  scene.GetWorldBounds(scene.ChildAt(part + 1), box);
  return box;
}

double CentreY(const engine::BoundsRecord& b) { return (b.minY + b.maxY) / 2; }
double CentreZ(const engine::BoundsRecord& b) { return (b.minZ + b.maxZ) / 2; }

// The joints of the figure of a scene object, in the scene.
std::vector<engine::PointRecord> JointsOf(facade::KxLibR& figure, int object) {
  std::vector<engine::PointRecord> joints;
  engine::MDocObj& scene = *figure.GetScene();
  engine::MBoneObj* bones = engine::FindBoneObj(scene.ChildAt(object));
  if (bones == nullptr) return joints;
  engine::MatrixRecord world;
  scene.GetObjectWorldMatrix(bones, &world, nullptr);
  for (int j = 0;; ++j) {
    engine::MVertex* joint = bones->GetVertexByIndex(j);
    if (joint == nullptr) break;
    engine::PointRecord p;
    engine::MUtilTransformPoint(world, joint->position, p);
    joints.push_back(p);
  }
  return joints;
}

double Farthest(const std::vector<engine::PointRecord>& a, const std::vector<engine::PointRecord>& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double far = 0;
  for (std::size_t i = 0; i < a.size(); ++i) far = std::max(far, engine::MUtilDistance(a[i], b[i]));
  return far;
}

std::vector<std::string> Files(const SMix& mix) {
  std::vector<std::string> files;
  for (const SMObj& part : mix.Parts()) files.push_back(std::to_string(part.kind) + ":" + part.file);
  return files;
}

class BodyMixTest : public pagetest::FigurePageTest {
 protected:
  void SetUp() override {
    FigurePageTest::SetUp();
    beeps_ = 0;
    previousBeep_ = platform::SetBeepHook([this] { ++beeps_; });
    mix_ = std::make_unique<SMix>();
    mix_->Figure().SetLibraryFolder(kLibrary);
    ASSERT_EQ(mix_->LoadDefaults(false), 0);
  }
  void TearDown() override {
    mix_.reset();
    platform::SetBeepHook(previousBeep_);
    FigurePageTest::TearDown();
  }
  // The preview as the dialog draws it.
  platform::Image Preview(SMix& mix, const std::string& name) {
    platform::Image image;
    EXPECT_TRUE(image.Create(240, 320, 32));
    {
      platform::Dc dc(image);
      EXPECT_EQ(mix.DrawPreview(dc, platform::RECT{0, 0, 240, 320}), 0);
    }
    pagetest::Keep(image, name);
    return image;
  }
  int beeps_ = 0;
  platform::BeepHook previousBeep_;
  std::unique_ptr<SMix> mix_;
};

// Each part file holds one object (a head may bring its hair as a second):
// bodies and heads are bound figures, the rest plain props; the presets
// are poses of the same skeleton.
TEST_F(BodyMixTest, EveryPartFileOpensAsTheFigureOrPropItIs) {
  struct Case {
    const char* folder;
    const char* file;
    int objects;
    bool figure;
  };
  const Case cases[] = {
      {"", "DefaultBody.Z4T", 1, true},    {"", "DefaultHead.Z4T", 1, true},       {"", "DefaultHair.Z4T", 1, false},
      {"", "DefaultBone.Z4T", 1, false},   {"Body", "標準の体.z4t", 1, true},     {"Head", "標準の頭.z4t", 1, true},
      {"Head", "茶髪の頭.z4t", 2, true},   {"Hair", "短い髪.z4t", 1, false},      {"Hair", "長い髪.z4t", 1, false},
      {"Item", "眼鏡.z4t", 1, false},      {"Item", "麦わら帽子.z4t", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    facade::KxLibR part;
    ASSERT_EQ(part.Open(Part(c.folder, c.file)), 0);
    EXPECT_EQ(part.GetScene()->GetChildCount(), c.objects + 1);
    EXPECT_EQ(part.IsFigureIndex(1), c.figure);
    EXPECT_FALSE(part.GetScene()->thumbnailText1.empty()) << "the list's title and thumbnail";
  }
  facade::KxLibR body;
  ASSERT_EQ(body.Open(Part("", "DefaultBody.Z4T")), 0);
  for (const char* preset : {"2toshin.Z4W", "5toshin.Z4W", "8toshin.Z4W"}) {
    facade::KxLibAnim pose;
    pose.InitWithNewPose();
    ASSERT_EQ(pose.LoadPoseFile(Part("", preset)), 0) << preset;
    body.SetSelection(1, true, 1);
    EXPECT_EQ(body.ApplyPose(pose), 0) << preset;
  }
}

TEST_F(BodyMixTest, TheDefaultsStandAsBodyHeadAndHairMeasuredByTheBodysHead) {
  const std::vector<SMObj>& parts = mix_->Parts();
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].kind, SMObj::kBody);
  EXPECT_EQ(parts[1].kind, SMObj::kHead);
  EXPECT_EQ(parts[2].kind, SMObj::kHair);
  EXPECT_EQ(mix_->Figure().GetScene()->GetChildCount(), 4) << "the grid and one object per part";
  EXPECT_TRUE(mix_->IsSaved());
  EXPECT_EQ(mix_->SelectedPart(), -1);
  // The reference is the body's head: its top end to the neck below it.
  EXPECT_NEAR(mix_->RefHeight(), 0.20, 1e-6);
  const std::vector<engine::PointRecord> joints = JointsOf(mix_->Figure(), 1);
  ASSERT_FALSE(joints.empty());
  EXPECT_NEAR(mix_->RefPoint()[1], joints[1].y, 1e-9) << "the neck joint";
  // The hair sits on the head: its bottom between the neck and the top.
  const engine::BoundsRecord hair = BoundsOf(*mix_, 2);
  EXPECT_GT(hair.minY, joints[1].y);
  EXPECT_LT(hair.minY, joints[0].y);
  const platform::Image picture = Preview(*mix_, "bodymix_defaults");
  EXPECT_GT(testsupport::CountPixels(picture).other, 2000) << "the person is drawn";
}

TEST_F(BodyMixTest, SizeAndOffsetsScaleAndMoveTheSelectedPartByTheReferenceHeight) {
  mix_->SelectNextPart();
  ASSERT_EQ(mix_->SelectedPart(), 2) << "the hair";
  const engine::BoundsRecord rest = BoundsOf(*mix_, 2);
  const double h = mix_->RefHeight();
  struct Case {
    int size, upDown, frontBack;
    double scale, dy, dz;
  };
  const Case cases[] = {
      {0, 50, 50, 0.5, 0, 0},  {50, 50, 50, 1, 0, 0},  {100, 50, 50, 2, 0, 0},   {75, 50, 50, 1.5, 0, 0},
      {50, 0, 50, 1, -h, 0},   {50, 100, 50, 1, h, 0}, {50, 50, 0, 1, 0, -h},    {50, 50, 100, 1, 0, h},
      {100, 100, 0, 2, h, -h},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.upDown << " " << c.frontBack);
    mix_->SetSelectedPartValues(c.size, c.upDown, c.frontBack);
    EXPECT_FALSE(mix_->IsSaved());
    int size = 0, upDown = 0, frontBack = 0;
    mix_->GetSelectedPartValues(size, upDown, frontBack);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(upDown, c.upDown);
    EXPECT_EQ(frontBack, c.frontBack);
    const engine::BoundsRecord now = BoundsOf(*mix_, 2);
    EXPECT_NEAR(now.maxY - now.minY, (rest.maxY - rest.minY) * c.scale, 1e-9);
    EXPECT_NEAR(now.maxX - now.minX, (rest.maxX - rest.minX) * c.scale, 1e-9);
    EXPECT_NEAR(CentreY(now), CentreY(rest) + c.dy, 1e-9);
    EXPECT_NEAR(CentreZ(now), CentreZ(rest) + c.dz, 1e-9);
  }
  // Back at 50 the part is where it was read.
  mix_->SetSelectedPartValues(50, 50, 50);
  const engine::BoundsRecord back = BoundsOf(*mix_, 2);
  EXPECT_NEAR(back.minY, rest.minY, 1e-9);
  EXPECT_NEAR(back.maxZ, rest.maxZ, 1e-9);
  // Without a selection the values read 50 and nothing moves.
  mix_->SelectNextPart();
  ASSERT_EQ(mix_->SelectedPart(), -1);
  mix_->SetSelectedPartValues(0, 0, 0);
  int size = 0, upDown = 0, frontBack = 0;
  mix_->GetSelectedPartValues(size, upDown, frontBack);
  EXPECT_EQ(size + upDown + frontBack, 150);
  EXPECT_NEAR(BoundsOf(*mix_, 2).minY, rest.minY, 1e-9);
}

TEST_F(BodyMixTest, BodyRatiosZeroHalfAndFullAreTheTwoFiveAndEightHeadPresets) {
  struct Case {
    int ratio;
    const char* preset;
  };
  const Case cases[] = {{0, "2toshin.Z4W"}, {50, "5toshin.Z4W"}, {100, "8toshin.Z4W"}};
  double lastHeight = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset);
    mix_->SetBodyRatio(c.ratio);
    EXPECT_EQ(mix_->Parts()[0].ratio, c.ratio);
    EXPECT_EQ(mix_->Parts()[1].ratio, c.ratio);
    // The same preset applied straight to a freshly read body.
    facade::KxLibR body;
    ASSERT_EQ(body.Open(Part("", "DefaultBody.Z4T")), 0);
    facade::KxLibAnim preset;
    preset.InitWithNewPose();
    ASSERT_EQ(preset.LoadPoseFile(Part("", c.preset)), 0);
    engine::MDocObj& fresh = *body.GetScene();
    engine::BoundsRecord before{}, after{};
    fresh.GetWorldBounds(fresh.ChildAt(1), before);
    body.SetSelection(1, true, 1);
    ASSERT_EQ(body.ApplyPose(preset), 0);
    // The composer keeps the feet where the default body stood.
    fresh.GetWorldBounds(fresh.ChildAt(1), after);
    body.MoveSelection(0, before.minY - after.minY, 0);
    EXPECT_LT(Farthest(JointsOf(mix_->Figure(), 1), JointsOf(body, 1)), 1e-9) << "the body";
    EXPECT_LT(Farthest(JointsOf(mix_->Figure(), 2), JointsOf(body, 1)), 1e-9) << "the head on the same skeleton";
    // Taller presets give taller bodies under the same head.
    const engine::BoundsRecord whole = BoundsOf(*mix_, 0);
    EXPECT_GT(whole.maxY - whole.minY, lastHeight);
    lastHeight = whole.maxY - whole.minY;
    Preview(*mix_, std::string("bodymix_ratio_") + std::to_string(c.ratio));
  }
  // Between presets the bones blend: a quarter is between 2 and 5 heads.
  mix_->SetBodyRatio(25);
  const double quarter = BoundsOf(*mix_, 0).maxY - BoundsOf(*mix_, 0).minY;
  mix_->SetBodyRatio(0);
  const double two = BoundsOf(*mix_, 0).maxY - BoundsOf(*mix_, 0).minY;
  mix_->SetBodyRatio(50);
  const double five = BoundsOf(*mix_, 0).maxY - BoundsOf(*mix_, 0).minY;
  EXPECT_GT(quarter, two);
  EXPECT_LT(quarter, five);
}

TEST_F(BodyMixTest, HairAndItemsFollowTheBodyWhenItsRatioChanges) {
  ASSERT_EQ(mix_->AddPart(SMObj::kItem, Part("Item", "眼鏡.z4t"), true, false), 0);
  EXPECT_EQ(mix_->SelectedPart(), 3) << "an added item is selected";
  mix_->SetSelectedPartValues(60, 55, 52);
  // Where each fitted part sits against the neck of the body's head.
  const auto offsets = [&] {
    std::vector<double> out;
    const std::vector<engine::PointRecord> joints = JointsOf(mix_->Figure(), 1);
    for (int part : {2, 3}) {
      const engine::BoundsRecord b = BoundsOf(*mix_, part);
      out.push_back(b.minY - joints[1].y);
      out.push_back(b.maxY - joints[1].y);
      out.push_back(b.maxZ - joints[1].z);
    }
    return out;
  };
  const std::vector<double> before = offsets();
  for (int ratio : {0, 100, 30}) {
    mix_->SetBodyRatio(ratio);
    const std::vector<double> after = offsets();
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_NEAR(after[i], before[i], 1e-9) << ratio << " " << i;
  }
  EXPECT_EQ(mix_->SelectedPart(), 3) << "the selection stays";
  int size = 0, upDown = 0, frontBack = 0;
  mix_->GetSelectedPartValues(size, upDown, frontBack);
  EXPECT_EQ(size, 60);
  EXPECT_EQ(upDown, 55);
  EXPECT_EQ(frontBack, 52);
  const platform::Image front = Preview(*mix_, "bodymix_glasses_ratio_30");
  // Turned half round, the other side shows; the third turn stays.
  double x = 0, y = 0, z = 0;
  mix_->Figure().GetView().GetCameraAngles(x, y, z);
  mix_->SetViewAngles(x * 180 / M_PI + 180, 10);
  double x2 = 0, y2 = 0, z2 = 0;
  mix_->Figure().GetView().GetCameraAngles(x2, y2, z2);
  EXPECT_NEAR(x2, x + M_PI, 1e-12);
  EXPECT_NEAR(y2, 10 * M_PI / 180, 1e-12);
  EXPECT_EQ(z2, z);
  const platform::Image back = Preview(*mix_, "bodymix_glasses_turned");
  int differ = 0;
  for (int py = 0; py < front.Height(); ++py)
    for (int px = 0; px < front.Width(); ++px) differ += front.GetBgra(px, py).ToColorRef() != back.GetBgra(px, py).ToColorRef();
  EXPECT_GT(differ, 500);
}

TEST_F(BodyMixTest, AFailedReplaceKeepsTheOldPart) {
  const std::string bad = dir_.File("damaged.z4t");
  std::ofstream(bad, std::ios::binary) << "PK not a scene at all";
  const std::string missing = dir_.File("missing.z4t");
  ASSERT_EQ(mix_->AddPart(SMObj::kItem, Part("Item", "眼鏡.z4t"), true, false), 0);
  mix_->SetBodyRatio(20);
  mix_->SelectNextPart();  // past the glasses: none
  mix_->SelectNextPart();  // the hair
  ASSERT_EQ(mix_->SelectedPart(), 2);
  mix_->SetSelectedPartValues(70, 40, 50);
  const std::vector<std::string> files = Files(*mix_);
  for (int kind : {SMObj::kBody, SMObj::kHead, SMObj::kHair, SMObj::kItem}) {
    for (const std::string& file : {bad, missing}) {
      SCOPED_TRACE(testing::Message() << kind << " " << file);
      EXPECT_LT(mix_->SetPartFile(kind, file), 0);
      EXPECT_EQ(Files(*mix_), files);
      EXPECT_EQ(mix_->Figure().GetScene()->GetChildCount(), 5);
      EXPECT_EQ(mix_->Parts()[0].ratio, 20);
      EXPECT_EQ(mix_->Parts()[2].size, 70);
    }
  }
  // A kind that names no part is refused the same way.
  for (int kind : {-1, 4, 13}) {
    EXPECT_LT(mix_->SetPartFile(kind, Part("Item", "眼鏡.z4t")), 0) << kind;
    EXPECT_LT(mix_->AddPart(kind, Part("Item", "眼鏡.z4t"), true, false), 0) << kind;
  }
  EXPECT_EQ(Files(*mix_), files);
  // The composition still saves whole.
  const std::string saved = dir_.File("after_failures.z4h");
  EXPECT_EQ(mix_->SaveComposedFigure(saved), 0);
  EXPECT_TRUE(mix_->IsSaved());
}

TEST_F(BodyMixTest, AReplacedPartKeepsItsValuesAndTheSelectedItemIsTheOneReplaced) {
  mix_->SetBodyRatio(80);
  mix_->SelectNextPart();
  mix_->SetSelectedPartValues(30, 60, 45);
  ASSERT_EQ(mix_->SetPartFile(SMObj::kHair, Part("Hair", "長い髪.z4t")), 0);
  ASSERT_EQ(mix_->Parts().size(), 3u);
  const SMObj& hair = mix_->Parts()[2];
  EXPECT_EQ(hair.file, Part("Hair", "長い髪.z4t"));
  EXPECT_EQ(hair.size, 30);
  EXPECT_EQ(hair.upDown, 60);
  EXPECT_EQ(hair.frontBack, 45);
  EXPECT_EQ(mix_->SelectedPart(), 2);
  EXPECT_FALSE(mix_->IsSaved());
  ASSERT_EQ(mix_->SetPartFile(SMObj::kBody, Part("Body", "標準の体.z4t")), 0);
  EXPECT_EQ(mix_->Parts()[2].kind, SMObj::kBody) << "the new body comes last";
  EXPECT_EQ(mix_->Parts()[2].ratio, 80);
  // Items: the selected one is replaced, without a selection the first.
  const std::string glasses = Part("Item", "眼鏡.z4t"), hat = Part("Item", "麦わら帽子.z4t");
  ASSERT_EQ(mix_->AddPart(SMObj::kItem, glasses, true, false), 0);
  ASSERT_EQ(mix_->AddPart(SMObj::kItem, glasses, true, false), 0);
  ASSERT_EQ(mix_->SelectedPart(), 4) << "the second glasses";
  ASSERT_EQ(mix_->SetPartFile(SMObj::kItem, hat), 0);
  EXPECT_EQ(Files(*mix_)[3], "3:" + glasses);
  EXPECT_EQ(Files(*mix_)[4], "3:" + hat);
  mix_->SelectNextPart();
  ASSERT_EQ(mix_->SelectedPart(), -1);
  ASSERT_EQ(mix_->SetPartFile(SMObj::kItem, hat), 0);
  EXPECT_EQ(Files(*mix_)[3], "3:" + hat) << "the first glasses went";
  EXPECT_EQ(Files(*mix_)[4], "3:" + hat);
  EXPECT_EQ(mix_->Figure().GetScene()->GetChildCount(), 6);
}

TEST_F(BodyMixTest, AHeadThatCarriesHairReplacesHeadAndHairWithFreshHairValues) {
  mix_->SelectNextPart();
  mix_->SetSelectedPartValues(80, 20, 70);
  ASSERT_EQ(mix_->SetPartFile(SMObj::kHead, Part("Head", "茶髪の頭.z4t")), 0);
  ASSERT_EQ(mix_->Parts().size(), 3u);
  EXPECT_EQ(mix_->Figure().GetScene()->GetChildCount(), 4);
  const SMObj& head = mix_->Parts()[1];
  const SMObj& hair = mix_->Parts()[2];
  EXPECT_EQ(head.kind, SMObj::kHead);
  EXPECT_EQ(hair.kind, SMObj::kHair);
  EXPECT_EQ(hair.size, 50);
  EXPECT_EQ(hair.upDown, 50);
  EXPECT_EQ(hair.frontBack, 50);
  // The split halves are temporary files the mix keeps while it lives.
  const std::string headFile = head.file, hairFile = hair.file;
  EXPECT_TRUE(fs::exists(headFile));
  EXPECT_TRUE(fs::exists(hairFile));
  EXPECT_TRUE(engine::FindBoneObj(mix_->Figure().GetScene()->ChildAt(2)) != nullptr) << "the head is a figure";
  EXPECT_TRUE(engine::FindBoneObj(mix_->Figure().GetScene()->ChildAt(3)) == nullptr) << "the hair is not";
  Preview(*mix_, "bodymix_head_with_hair");
  // A plain head replaces only the head; the split files of the last head
  // go when the next head with hair comes, and with the mix.
  ASSERT_EQ(mix_->SetPartFile(SMObj::kHead, Part("Head", "茶髪の頭.z4t")), 0);
  EXPECT_FALSE(fs::exists(headFile));
  EXPECT_FALSE(fs::exists(hairFile));
  const std::string secondHead = mix_->Parts()[2].file;
  ASSERT_EQ(mix_->SetPartFile(SMObj::kHead, Part("Head", "標準の頭.z4t")), 0);
  EXPECT_EQ(mix_->Parts()[2].file, Part("Head", "標準の頭.z4t"));
  mix_.reset();
  EXPECT_FALSE(fs::exists(secondHead));
}

TEST_F(BodyMixTest, SelectionWalksHairAndItemsAndDeleteNeverTakesTheHair) {
  ASSERT_EQ(mix_->AddPart(SMObj::kItem, Part("Item", "眼鏡.z4t"), true, false), 0);
  ASSERT_EQ(mix_->AddPart(SMObj::kItem, Part("Item", "麦わら帽子.z4t"), true, false), 0);
  std::vector<int> walk;
  for (int i = 0; i < 5; ++i) {
    mix_->SelectNextPart();
    walk.push_back(mix_->SelectedPart());
  }
  EXPECT_EQ(walk, (std::vector<int>{-1, 2, 3, 4, -1})) << "from the hat just added";
  // Only the selected part is selected in the scene.
  mix_->SelectNextPart();
  engine::MDocObj& scene = *mix_->Figure().GetScene();
  for (int i = 1; i < scene.GetChildCount(); ++i) EXPECT_EQ(scene.ChildAt(i)->IsSelected(), i == 3) << i;
  mix_->DeleteSelectedPart();
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(mix_->Parts().size(), 5u);
  mix_->SelectNextPart();
  mix_->DeleteSelectedPart();
  EXPECT_EQ(beeps_, 1);
  ASSERT_EQ(mix_->Parts().size(), 4u);
  EXPECT_EQ(mix_->Parts()[3].file, Part("Item", "麦わら帽子.z4t"));
  EXPECT_EQ(mix_->Figure().GetScene()->GetChildCount(), 5);
  EXPECT_EQ(mix_->SelectedPart(), -1);
  mix_->DeleteSelectedPart();
  EXPECT_EQ(mix_->Parts().size(), 4u) << "nothing selected, nothing deleted";
}

// A saved person opens as one bound figure holding every part, stands at
// the chosen height and goes onto a page.
TEST_F(BodyMixTest, AComposedPersonSavesOpensAgainAndGoesOntoAPage) {
  struct Case {
    int ratio;
    bool withItems;
    int height;
  };
  const Case cases[] = {{0, true, 120}, {50, false, 170}, {100, true, 185}};
  double lastHeadsTall = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    SMix mix;
    mix.Figure().SetLibraryFolder(kLibrary);
    ASSERT_EQ(mix.LoadDefaults(false), 0);
    int meshes = 9;  // seven body tubes, the head and the hair
    if (c.withItems) {
      ASSERT_EQ(mix.AddPart(SMObj::kItem, Part("Item", "眼鏡.z4t"), true, false), 0);
      ASSERT_EQ(mix.AddPart(SMObj::kItem, Part("Item", "麦わら帽子.z4t"), true, false), 0);
      mix.SetSelectedPartValues(60, 52, 50);
      meshes += 8;  // five pieces of glasses, three of the hat
    }
    mix.SetBodyRatio(c.ratio);
    mix.targetHeight = c.height;
    const std::string path = dir_.File("person_" + std::to_string(c.ratio) + ".z4h");
    ASSERT_EQ(mix.SaveComposedFigure(path), 0);
    EXPECT_TRUE(mix.IsSaved());
    EXPECT_EQ(mix.Parts().size(), c.withItems ? 5u : 3u) << "the composition stays as it was";

    facade::KxLibR opened;
    ASSERT_EQ(opened.Open(path), 0);
    engine::MDocObj& scene = *opened.GetScene();
    ASSERT_EQ(scene.GetChildCount(), 2) << "the grid and one figure";
    ASSERT_TRUE(opened.IsFigureIndex(1));
    engine::MBoneObj* figure = engine::FindBoneObj(scene.ChildAt(1));
    ASSERT_NE(figure, nullptr);
    EXPECT_TRUE(figure->IsSkinBound());
    engine::PtrArray all;
    scene.CollectMeshes(scene.ChildAt(1), all);
    EXPECT_EQ(all.count, meshes + 1) << "every part's meshes and the skeleton";
    engine::BoundsRecord box{};
    scene.GetWorldBounds(scene.ChildAt(1), box);
    EXPECT_NEAR(box.maxY - box.minY, c.height, c.height * 1e-6);
    EXPECT_NEAR(box.minY, 0.0, c.height * 1e-6) << "the person stands on the floor";
    // The proportions were kept: more heads tall for a higher ratio.
    opened.SetSelection(1, true, 1);
    double head = 0, x = 0, y = 0, z = 0;
    ASSERT_EQ(opened.GetFigureHeight(head, x, y, z), 0);
    const double headsTall = (box.maxY - box.minY) / head;
    EXPECT_GT(headsTall, lastHeadsTall + 1);
    lastHeadsTall = headsTall;

    page::SDoc doc;
    int result = -1;
    std::unique_ptr<page::SObj> object =
        page::SDoc::MakeFigureObjectFromFile(path, {doc.GetPageWidth() / 2.0, doc.GetPageHeight() / 2.0}, result, false);
    ASSERT_EQ(result, 0);
    ASSERT_NE(object, nullptr);
    doc.AddObject(std::move(object), -1, -1);
    const platform::Image page = pagetest::DrawPage(doc);
    pagetest::Keep(page, "bodymix_page_" + std::to_string(c.ratio));
    // An empty page is all white.
    EXPECT_GT(testsupport::CountPixels(page).other, 500) << "the person is on the page";
  }
}

TEST_F(BodyMixTest, AFailedSaveIsAnsweredAndLeavesTheMixUnsaved) {
  mix_->SetBodyRatio(40);
  ASSERT_FALSE(mix_->IsSaved());
  const std::string nowhere = dir_.File("no/such/folder/person.z4h");
  EXPECT_LT(mix_->SaveComposedFigure(nowhere), 0);
  EXPECT_FALSE(mix_->IsSaved());
  EXPECT_FALSE(fs::exists(nowhere));
  // The preview mix is untouched and saves where it can.
  EXPECT_EQ(mix_->Parts().size(), 3u);
  EXPECT_EQ(mix_->SaveComposedFigure(dir_.File("person.z4h")), 0);
  EXPECT_TRUE(mix_->IsSaved());
}

TEST_F(BodyMixTest, AMissingLibraryIsAnsweredByLoadDefaults) {
  SMix mix;
  mix.Figure().SetLibraryFolder(dir_.Path());
  EXPECT_LT(mix.LoadDefaults(false), 0);
  EXPECT_TRUE(mix.Parts().empty());
  SMix bones;
  bones.Figure().SetLibraryFolder(dir_.Path());
  EXPECT_LT(bones.LoadDefaults(true), 0);
}

}  // namespace bodymixtest

namespace bodymixtest {

// The boxes of the scene object's meshes, heights and depths as fractions
// of the height of `frame` measured from its bottom and its back.
std::vector<engine::BoundsRecord> MeshBoxesIn(engine::MDocObj& scene, engine::MObject* object,
                                              const engine::BoundsRecord& frame) {
  engine::PtrArray meshes;
  scene.CollectMeshes(object, meshes);
  const double height = frame.maxY - frame.minY;
  std::vector<engine::BoundsRecord> boxes;
  for (int i = 0; i < meshes.count; ++i) {
    engine::BoundsRecord b{};
    scene.GetWorldBounds(static_cast<engine::MObject*>(meshes[i]), b);
    b.minY = (b.minY - frame.minY) / height;
    b.maxY = (b.maxY - frame.minY) / height;
    b.minZ = (b.minZ - frame.minZ) / height;
    b.maxZ = (b.maxZ - frame.minZ) / height;
    boxes.push_back(b);
  }
  return boxes;
}

bool Near(const engine::BoundsRecord& a, const engine::BoundsRecord& b, double tolerance) {
  return std::fabs(a.minY - b.minY) < tolerance && std::fabs(a.maxY - b.maxY) < tolerance &&
         std::fabs(a.minZ - b.minZ) < tolerance && std::fabs(a.maxZ - b.maxZ) < tolerance;
}

// Rows of the picture holding anything but white.
std::vector<int> InkedRows(const platform::Image& image) {
  std::vector<int> rows;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const platform::Bgra p = image.GetBgra(x, y);
      if (p.r < 240 || p.g < 240 || p.b < 240) {
        rows.push_back(y);
        break;
      }
    }
  return rows;
}

// What is saved is the person the preview showed, scaled: every mesh of
// the preview (hair and glasses included) sits at the same height and
// depth of the saved figure, so the hair stays on the head and the person
// faces the way the preview showed it.
TEST_F(BodyMixTest, TheSavedPersonIsThePreviewedOneScaled) {
  for (const int ratio : {0, 50, 100}) {
    SCOPED_TRACE(ratio);
    SMix mix;
    mix.Figure().SetLibraryFolder(kLibrary);
    ASSERT_EQ(mix.LoadDefaults(false), 0);
    ASSERT_EQ(mix.AddPart(SMObj::kItem, Part("Item", "眼鏡.z4t"), true, false), 0);
    mix.SetBodyRatio(ratio);
    engine::MDocObj& shown = *mix.Figure().GetScene();
    engine::BoundsRecord frame{};
    for (int part = 0; part < static_cast<int>(mix.Parts().size()); ++part) {
      engine::BoundsRecord b = BoundsOf(mix, part);
      if (part == 0) frame = b;
      frame.minY = std::min(frame.minY, b.minY), frame.maxY = std::max(frame.maxY, b.maxY);
      frame.minZ = std::min(frame.minZ, b.minZ), frame.maxZ = std::max(frame.maxZ, b.maxZ);
    }
    std::vector<engine::BoundsRecord> previewed;
    for (int part = 0; part < static_cast<int>(mix.Parts().size()); ++part) {
      const std::vector<engine::BoundsRecord> boxes = MeshBoxesIn(shown, shown.ChildAt(part + 1), frame);
      previewed.insert(previewed.end(), boxes.begin(), boxes.end());
    }
    Preview(mix, "bodymix_saved_from_" + std::to_string(ratio));

    const std::string path = dir_.File("saved_" + std::to_string(ratio) + ".z4h");
    ASSERT_EQ(mix.SaveComposedFigure(path), 0);
    facade::KxLibR opened;
    ASSERT_EQ(opened.Open(path), 0);
    engine::MDocObj& scene = *opened.GetScene();
    engine::BoundsRecord whole{};
    scene.GetWorldBounds(scene.ChildAt(1), whole);
    const std::vector<engine::BoundsRecord> saved = MeshBoxesIn(scene, scene.ChildAt(1), whole);
    for (std::size_t i = 0; i < previewed.size(); ++i) {
      bool found = false;
      for (const engine::BoundsRecord& b : saved) found = found || Near(previewed[i], b, 0.01);
      EXPECT_TRUE(found) << "previewed mesh " << i << " at heights " << previewed[i].minY << ".."
                         << previewed[i].maxY << " is not where it was shown";
    }
    opened.GetView().SetOutputSize(240, 320, 0, 1.0);
    const platform::Image* picture = opened.GetView().GetImage(false);
    ASSERT_NE(picture, nullptr);
    pagetest::Keep(*picture, "bodymix_saved_" + std::to_string(ratio));
  }
}

// The presets change the bones' lengths about the hips; the feet stay on
// the floor the default body stood on, the head stays on the body and the
// hair on the head.
TEST_F(BodyMixTest, EveryBodyRatioStandsOnTheDefaultFloor) {
  const double floor = BoundsOf(*mix_, 0).minY;
  const double hairOverHead = BoundsOf(*mix_, 2).maxY - BoundsOf(*mix_, 1).maxY;
  for (const int ratio : {0, 25, 50, 75, 100, 0}) {
    SCOPED_TRACE(ratio);
    mix_->SetBodyRatio(ratio);
    const engine::BoundsRecord body = BoundsOf(*mix_, 0), head = BoundsOf(*mix_, 1), hair = BoundsOf(*mix_, 2);
    EXPECT_NEAR(body.minY, floor, 1e-6);
    EXPECT_LT(head.minY, body.maxY) << "the head sits on the body";
    EXPECT_GT(head.maxY, body.maxY) << "the head sits on the body";
    // The head keeps its size in every preset.
    EXPECT_NEAR(hair.maxY - head.maxY, hairOverHead, 1e-6) << "the hair stays on the head";
  }
  // The mended figure on a page-sized preview, for looking at.
  mix_->SetBodyRatio(0);
  Preview(*mix_, "bodymix_floor_0");
}

// The preview's camera follows the person's size: a tall or short person
// is shown whole, neither cut at an edge nor lost in the middle.
TEST_F(BodyMixTest, ThePreviewShowsTheWholePersonAtEveryRatio) {
  struct Case {
    int ratio;
    double horizontal;
  };
  const Case cases[] = {{100, 0}, {0, 0}, {100, 30}, {50, -60}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    mix_->SetBodyRatio(c.ratio);
    mix_->SetViewAngles(c.horizontal, 0);
    const platform::Image image =
        Preview(*mix_, "bodymix_preview_" + std::to_string(c.ratio) + "_" + std::to_string(static_cast<int>(c.horizontal)));
    const std::vector<int> rows = InkedRows(image);
    ASSERT_FALSE(rows.empty());
    EXPECT_GT(rows.front(), 0) << "cut at the top";
    EXPECT_LT(rows.back(), image.Height() - 1) << "cut at the bottom";
    EXPECT_GT(rows.back() - rows.front(), image.Height() / 2) << "the person fills the preview";
  }
}

}  // namespace bodymixtest
