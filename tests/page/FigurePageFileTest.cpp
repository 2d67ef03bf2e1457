// Pages holding 3D shapes on disk: posed figures saved and opened again
// draw the same, a damaged scene member opens with the damaged-data message
// and is saved back unchanged, a scene exported in the 3D program's format
// opens as a figure file, and a copied figure draws like its original.
#include <gtest/gtest.h>

#include <filesystem>

#include "EditTestSupport.h"
#include "FigureTestSupport.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "imaging/archive/SArchiver.h"
#include "page/PageFile.h"
#include "page/PageMembers.h"
#include "page/ResultCodes.h"
#include "page/SCommands.h"
#include "page/SObj.h"

namespace figurepagefiletest {

using page::SDoc;
using page::SObj;
using pagetest::AddStandardFigure;
using pagetest::DrawPage;
using pagetest::FigurePageTest;
using pagetest::Keep;

// Two figures side by side, the right one turned on the page and drawn
// with a shadow; posed, each has a bone turned.
std::unique_ptr<SDoc> TwoFigures(bool posed) {
  auto doc = std::make_unique<SDoc>();
  doc->SetPageSize(560, 400);
  SObj& left = AddStandardFigure(*doc, 140, 200);
  SObj& right = AddStandardFigure(*doc, 410, 200);
  if (posed) {
    EXPECT_TRUE(pagetest::PoseABone(left, {78, 140}, 30, -40)) << "the left figure's right forearm";
    EXPECT_TRUE(pagetest::PoseABone(right, {108, 218}, 40, 0)) << "the right figure's right shin";
  }
  page::PropSCVal turned = right.placement;
  turned.angle = 0.2;
  right.ApplyPropSC(turned, false);
  page::Prop2DVal shadow = right.props2D;
  shadow.effectColorMode = 0, shadow.effectX = 5, shadow.effectY = 5;
  right.ApplyProp2D(shadow, false);
  return doc;
}

// Pixels that differ between the pictures inside the rectangle.
int DifferingIn(const platform::Image& a, const platform::Image& b, const platform::RECT& r) {
  int differing = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) differing += a.GetBgra(x, y) == b.GetBgra(x, y) ? 0 : 1;
  return differing;
}

TEST_F(FigurePageTest, TwoPosedFiguresSavedAndOpenedAgainDrawTheSame) {
  std::unique_ptr<SDoc> doc = TwoFigures(true);
  const platform::Image drawn = DrawPage(*doc);
  Keep(drawn, "figures-posed");
  const platform::Image unposed = DrawPage(*TwoFigures(false));
  Keep(unposed, "figures-unposed");
  EXPECT_GT(DifferingIn(drawn, unposed, {0, 0, 280, 400}), 200) << "the left figure's pose";
  EXPECT_GT(DifferingIn(drawn, unposed, {280, 0, 560, 400}), 200) << "the right figure's pose";

  const std::string path = dir_.File("posed.Z4G");
  ASSERT_EQ(page::SaveSDoc(*doc, path), 0);
  SDoc back;
  std::string notice = "unset";
  ASSERT_EQ(page::LoadSDoc(back, path, &notice), 0);
  EXPECT_EQ(notice, "");
  ASSERT_EQ(back.GetObjectCount(), 2);
  EXPECT_EQ(back.GetObject(1)->placement.angle, 0.2);
  const platform::Image reopened = DrawPage(back);
  Keep(reopened, "figures-posed-reopened");
  EXPECT_EQ(pagetest::PixelsDiffering(drawn, reopened), 0);
  // Saved again, the page holds the same stream.
  const std::string again = dir_.File("again.Z4G");
  ASSERT_EQ(page::SaveSDoc(back, again), 0);
  SDoc third;
  ASSERT_EQ(page::LoadSDoc(third, again), 0);
  EXPECT_EQ(pagetest::PixelsDiffering(drawn, DrawPage(third)), 0);
}

TEST_F(FigurePageTest, ADamagedSceneMemberOpensWithTheDamagedDataMessageAndIsSavedBackUnchanged) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  AddStandardFigure(doc, 200, 200);
  pagetest::AddRect(doc, -1, 40, 40);
  const std::string folder = dir_.File("page");
  std::filesystem::create_directories(folder);
  page::WritePageFolder(doc, folder);
  const std::string member = folder + "/" + page::SceneMemberName(doc.GetObject(0)->id);
  std::string damaged = testsupport::ReadText(member);
  damaged.resize(damaged.size() / 2);  // cut off half way
  testsupport::WriteText(member, damaged);
  const std::string stream = testsupport::ReadText(folder + "/" + page::kPageStreamName);
  const std::string path = dir_.File("damaged.Z4G");
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, page::kPageCallerBytes, false), 0);

  SDoc back;
  std::string notice;
  ASSERT_EQ(page::LoadSDoc(back, path, &notice), 0);
  EXPECT_EQ(notice, page::ErrorMessageOfCode(page::kResultDamagedData));
  ASSERT_EQ(back.GetObjectCount(), 2);
  const auto& kept = pagetest::Figure3DOf(*back.GetObject(0));
  EXPECT_TRUE(kept.IsKeptAsStored());
  EXPECT_FALSE(back.GetObject(0)->HasPosableFigure());
  Keep(DrawPage(back), "figure-damaged-stand-in");

  const std::string again = dir_.File("again.Z4G");
  ASSERT_EQ(page::SaveSDoc(back, again), 0);
  std::string unpacked;
  ASSERT_EQ(imaging::ArcUnpackFile(again, unpacked), 0);
  EXPECT_EQ(testsupport::ReadText(unpacked + "/" + page::kPageStreamName), stream);
  EXPECT_EQ(testsupport::ReadText(unpacked + "/" + page::SceneMemberName(back.GetObject(0)->id)), damaged);
  imaging::ArcDeleteFolder(unpacked);
}

TEST_F(FigurePageTest, AnExportedSceneOpensAsAFigureFileOnWhite) {
  SDoc doc;
  doc.SetPageSize(400, 400);
  SObj& object = AddStandardFigure(doc, 200, 200);
  EXPECT_TRUE(doc.CanExportSceneOf(object.id));
  const std::string path = dir_.File("exported.Z4T");
  ASSERT_EQ(doc.ExportSceneOf(object.id, path), 0);
  facade::KxLibR opened;
  ASSERT_EQ(opened.Open(path), 0);
  EXPECT_EQ(opened.GetView().GetBackgroundColor(), 0xFFFFFFu);
  // Without a path the program asks for one; no answer writes nothing.
  EXPECT_EQ(doc.ExportSceneOf(object.id, std::string()), 0);
}

TEST_F(FigurePageTest, ADuplicatedFigureIsACopyOfItsScene) {
  SDoc doc;
  doc.SetPageSize(560, 400);
  SObj& original = AddStandardFigure(doc, 140, 200);
  ASSERT_TRUE(pagetest::PoseABone(original, {78, 140}, 30, -40));
  doc.SetSelectedById(original.id, true);
  ASSERT_EQ(doc.Execute(std::make_unique<page::SComDuplicate>(&doc)), 0);
  ASSERT_EQ(doc.GetObjectCount(), 2);
  SObj& copy = *doc.GetObject(1);
  EXPECT_NE(pagetest::Figure3DOf(copy).GetScene(), pagetest::Figure3DOf(original).GetScene());
  EXPECT_EQ(copy.placement.width, original.placement.width);
  // Moved beside it, the copy draws what the original draws.
  ASSERT_EQ(doc.Execute(std::make_unique<page::SComMoveObj>(&doc, 270.0, 0.0, false)), 0);
  const platform::Image page = DrawPage(doc);
  Keep(page, "figure-duplicated");
  const int w = static_cast<int>(original.placement.width), h = static_cast<int>(original.placement.height);
  const platform::RECT a{140 - w / 2, 200 - h / 2, 140 + w / 2, 200 + h / 2};
  int differing = 0;
  for (int y = a.top; y < a.bottom; ++y)
    for (int x = a.left; x < a.right; ++x) differing += page.GetBgra(x, y) == page.GetBgra(x + 270, y) ? 0 : 1;
  EXPECT_EQ(differing, 0);
}

}  // namespace figurepagefiletest
