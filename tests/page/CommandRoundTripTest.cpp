// One property over every command: executed, undone and redone through the
// page's undo stack, a command must give back the page byte for byte (the
// page stream, the page's defaults and nextId). Undo after Do gives the
// bytes from before; Redo after Undo gives the bytes after Do; twice over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "FigureTestSupport.h"
#include "PageTestSupport.h"
#include "page/PageFile.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SCommands.h"
#include "page/SFigPoly.h"
#include "platform/Clipboard.h"
#include "platform/Cp932.h"
#include "platform/ImageCodec.h"
#include "support/FigureFiles.h"
#include "support/TempDir.h"

namespace {

using page::SCom;
using page::SDoc;
using page::SPoint;
using Ids = std::vector<int>;

// MakeNestedPage's ids, then the stand-in figure, a polygon and a picture.
enum : int { A = 1000, G1, G2, a, b, c, F, d, E, FIG, POLY, PIC };

// A small picture whose every pixel differs, so that mirroring shows.
std::unique_ptr<platform::Image> MakeGradient(int width, int height) {
  auto image = std::make_unique<platform::Image>(width, height, 32, true);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image->SetBgra(x, y, platform::Bgra{static_cast<std::uint8_t>(40 * x), static_cast<std::uint8_t>(50 * y), 90, 255});
  return image;
}

testsupport::TempDir& FilesDir() {
  static testsupport::TempDir dir;
  return dir;
}

// A picture file that a command takes with it when it dies: a new one for
// each command.
std::string FreshPictureFile() {
  static int count = 0;
  const std::string path = FilesDir() / ("composed" + std::to_string(++count) + ".png");
  EXPECT_TRUE(platform::SaveImageFile(*MakeGradient(5, 3), path));
  return path;
}

const std::string& PictureFile() {
  static const std::string path = [] {
    const std::string file = FilesDir() / "picture.png";
    EXPECT_TRUE(platform::SaveImageFile(*MakeGradient(6, 4), file));
    return file;
  }();
  return path;
}

const std::string& TextFile() {
  static const std::string path = [] {
    const std::string file = FilesDir() / "words.txt";
    testsupport::WriteText(file, *platform::Utf8ToCp932("台詞\r\nふたつめ"));
    return file;
  }();
  return path;
}

std::unique_ptr<SDoc> MakeRoundTripPage() {
  std::unique_ptr<SDoc> doc = pagetest::MakeNestedPage();
  pagetest::AddFakeFigure(*doc, 200, 420);  // FIG
  auto poly = std::make_unique<page::SFigPoly>();
  const std::vector<SPoint> corners = {{0, 0}, {40, 10}, {35, 60}, {-5, 33.3}};
  poly->SetNormalizedPoints(corners);
  auto object = std::make_unique<page::SObj>();
  object->SetFig(std::move(poly), false);
  page::PropSCVal P;
  P.x = 330.5, P.y = 120.25, P.width = 60.125, P.height = 90.75, P.angle = 0.3;
  object->ApplyPropSC(P, false);
  doc->AddObject(std::move(object), -1, -1);  // POLY
  std::unique_ptr<page::SObj> picture = SDoc::MakePictureObject(MakeGradient(4, 3), false);
  picture->placement.x = 60, picture->placement.y = 380;
  doc->AddObject(std::move(picture), -1, -1);  // PIC
  return doc;
}

struct Row {
  const char* name;
  Ids selected;  // selected before the command (groups as listed, no synchronisation)
  std::function<std::unique_ptr<SCom>(SDoc&)> make;
  std::function<void(SDoc&)> prepare = nullptr;  // more set-up before the bytes are taken
  // Redo makes the state again from what the command kept (a figure's pose
  // from its keys): to the last bit of a coordinate. It must draw as Do
  // drew, and every redo must give the same bytes.
  bool redoRederives = false;
};

template <typename Command, typename... Args>
std::function<std::unique_ptr<SCom>(SDoc&)> Make(Args... args) {
  return [=](SDoc& doc) { return std::make_unique<Command>(&doc, args...); };
}

const std::string& OtherPageFile() {
  static const std::string path = [] {
    const std::string file = FilesDir() / "other.Z4G";
    EXPECT_EQ(page::SaveSDoc(*pagetest::MakeNestedPage(), file), 0);
    return file;
  }();
  return path;
}

std::vector<Row> Rows() {
  page::SGridInfo grid;
  grid.spacing = 0, grid.divisions = -2, grid.showGrid = true, grid.secondColor = 0x102030;
  page::Prop2DVal wide;
  wide.lineWidth = 9, wide.mask = page::Prop2DVal::kLineWidth;
  page::PropSCVal placed;
  placed.x = 77.5, placed.y = 88.25, placed.width = 33, placed.height = 44, placed.angle = 1.25;
  page::Prop2DVal fill;
  fill.fillColor = 0x00FF00, fill.mask = page::Prop2DVal::kFillColor;
  page::Prop2DVal drawn;
  drawn.lineWidth = 4;
  return {
      {"move the selection", {A, d}, Make<page::SComMoveObj>(12.3, -3.7, false)},
      {"move everything", {}, Make<page::SComMoveObj>(-7.1, 4.9, true)},
      {"grid", {}, [=](SDoc& doc) { return std::make_unique<page::SComSetGrid>(&doc, grid); }},
      {"page size", {}, Make<page::SComOrgSize>(640.7, 480.2, 0)},
      {"select all", {A}, Make<page::SComSelectAll>(true)},
      {"deselect", {A, G2, a, b}, Make<page::SComSelectAll>(false)},
      {"select 2D shapes", {FIG}, Make<page::SComSelectType>(3)},
      {"select 3D figures", {A}, Make<page::SComSelectType>(7)},
      {"select frame contents", {F}, Make<page::SComSelectTrim>(1)},
      {"select frames of the selection", {d}, Make<page::SComSelectTrim>(0)},
      {"rubber band", {A}, Make<page::SComSelectTab>(Ids{a, b, c, E}, false)},
      {"click", {}, Make<page::SComSelectObj>(static_cast<int>(a), false, 0)},
      {"hide", {A, E}, Make<page::SComHideObj>()},
      {"show all", {}, Make<page::SComShowAll>(),
       [](SDoc& doc) { doc.FindObjectById(E)->flags |= page::kObjHidden; }},
      {"make panel frames", {A, G2, a, b}, Make<page::SComSetTrim>(true)},
      {"release a panel frame", {F}, Make<page::SComSetTrim>(false)},
      {"frame stops clipping", {F}, Make<page::SComVoidTrim>(true)},
      {"to the front", {A}, Make<page::SComFront>(true)},
      {"to the back", {E, FIG}, Make<page::SComFront>(false)},
      {"edit points", {POLY}, Make<page::SComFlagEditPoints>(static_cast<int>(POLY))},
      {"copy", {F}, Make<page::SComCopy>()},
      {"duplicate", {A, F, d}, Make<page::SComDuplicate>()},
      {"cut", {F}, Make<page::SComCut>(0)},
      {"delete", {a, E, POLY}, Make<page::SComCut>(1)},
      {"group", {A, E, FIG}, Make<page::SComGroup>()},
      {"group inside groups", {b, c}, Make<page::SComGroup>()},
      {"ungroup", {G1, G2, a, b, c}, Make<page::SComUnGroup>()},
      {"put into a panel frame", {F, A, POLY}, Make<page::SComInsertTrim>()},
      {"take out of a panel frame", {d}, Make<page::SComDelFromTrim>()},
      {"paste", {}, Make<page::SComPaste>(),
       [](SDoc& doc) {
         pagetest::SelectExactly(doc, {F, A});
         ASSERT_EQ(doc.CopySelection(), 0);
         pagetest::SelectExactly(doc, {E});
       }},
      {"scale by a corner", {A, E}, Make<page::SComMagObj>(static_cast<int>(A), SPoint{30, 35}, SPoint{70, 65},
                                                           SPoint{91.3, 77.7}, 0)},
      {"stretch by a side", {A, POLY}, Make<page::SComMagObj>(-1, SPoint{30, 50}, SPoint{70, 50}, SPoint{99, 3}, 1)},
      {"rotate with snapping", {A, POLY}, Make<page::SComRotObj>(static_cast<int>(A), SPoint{50, 50}, SPoint{100, 50},
                                                                 SPoint{61, 93}, 1)},
      {"special handle", {POLY}, Make<page::SComSpCtrl>(static_cast<int>(POLY), SPoint{0, 0}, SPoint{0, 0},
                                                        SPoint{377.7, 21.1}, 0, 10)},
      {"align left", {A, G2, a, b, E}, [](SDoc& doc) {
         return std::make_unique<page::SComAlignPosition>(&doc, std::make_unique<page::SAlignL>());
       }},
      {"even centre spacing", {A, c, E, POLY}, [](SDoc& doc) {
         return std::make_unique<page::SComAlignPosition>(&doc, std::make_unique<page::SAlignLRDist>());
       }},
      {"equal heights", {A, POLY, FIG}, [](SDoc& doc) {
         return std::make_unique<page::SComAlignSize>(&doc, std::make_unique<page::SAlignHeight>());
       }},
      {"set a property", {A, POLY, G2, a, b}, [=](SDoc& doc) { return std::make_unique<page::SComSetProp>(&doc, wide); }},
      {"set a placement", {}, [=](SDoc& doc) { return std::make_unique<page::SComSetPropObj>(&doc, placed, A); }},
      {"set the defaults", {}, [=](SDoc& doc) { return std::make_unique<page::SComSetPropBar>(&doc, fill); }},
      {"shape data", {POLY}, [](SDoc& doc) -> std::unique_ptr<SCom> {
         auto before = doc.SaveSpPropOf(POLY);
         const std::vector<SPoint> points = {{0, 0}, {10, 0}, {5, 9}};
         EXPECT_EQ(doc.SetNormalizedPointsOf(POLY, points), 0);
         return std::make_unique<page::SComChangeSpProp>(&doc, POLY, std::move(before), doc.SaveSpPropOf(POLY));
       }},
      {"pose drag", {}, [](SDoc& doc) -> std::unique_ptr<SCom> {
         auto before = doc.SaveAnimStateOf(FIG, 0);
         static_cast<pagetest::FakeFigureShape&>(*doc.FindObjectById(FIG)->fig).pose = 77;
         return std::make_unique<page::SComChangeAnim>(&doc, FIG, 0, std::move(before), doc.SaveAnimStateOf(FIG, 0));
       }},
      {"pose on a figure", {}, Make<page::SComApplyAnim>(std::string("walk.Z4E"), static_cast<int>(FIG), 0)},
      {"pose on the selection", {A, FIG}, Make<page::SComApplyAnim>(std::string("run.Z4E"), -1, -1)},
      {"prop on a figure", {}, Make<page::SComApplyTool>(std::string("hat.Z4I"), static_cast<int>(FIG), 0)},
      {"prop on the selection", {FIG, E}, Make<page::SComApplyTool>(std::string("cap.Z4I"), -1, -1)},
      {"paint a part", {}, Make<page::SComChangeCol>(static_cast<int>(FIG), 0, 3, platform::COLORREF{0x0000FF})},
      {"mirror", {FIG, PIC}, Make<page::SComMirrorPic>()},
      {"convert a turned shape to a picture", {}, [](SDoc& doc) {
         return std::make_unique<page::SComChangeToPic>(&doc, POLY, MakeGradient(7, 5));
       }},
      {"pose mode", {FIG}, Make<page::SComFlagEditPoints>(static_cast<int>(FIG))},
      {"deselecting ends pose mode", {FIG}, Make<page::SComSelectAll>(false),
       [](SDoc& doc) { doc.BeginEditPoints(FIG); }},
      {"draw a rectangle", {A}, [=](SDoc& doc) {
         return std::make_unique<page::SComInput2D>(&doc, page::kInputRect, SPoint{10, 10}, SPoint{60.5, 45},
                                                    0.0, drawn, -1, false);
       }},
      {"draw a polygon into a frame", {A}, [=](SDoc& doc) {
         return std::make_unique<page::SComInput2D>(&doc, page::kInputPoly, SPoint{280, 280}, SPoint{330, 310},
                                                    0.4, drawn, F, true);
       }},
      {"arrow at the end", {}, Make<page::SComAfter2DALine>(static_cast<int>(A))},
      {"panel frame tool", {}, Make<page::SComAfter2DTrim>(static_cast<int>(E))},
      {"cut-out tool", {A}, Make<page::SComAfter2DTrimout>(static_cast<int>(POLY))},
      {"forced shape", {}, Make<page::SComAfter2DForceShape>(static_cast<int>(POLY), 7, 1, 1)},
      {"insert a page file", {A}, [](SDoc& doc) {
         return std::make_unique<page::SComInpPn>(&doc, OtherPageFile(), SPoint{123.5, 77}, -1);
       }},
      {"insert a page file into a frame", {}, [](SDoc& doc) {
         return std::make_unique<page::SComInpPn>(&doc, OtherPageFile(), SPoint{300, 300}, F);
       }},
      {"insert a picture file into a frame", {E}, Make<page::SComInpPic>(PictureFile(), SPoint{290.5, 310},
                                                                       static_cast<int>(F))},
      {"insert a text file", {A, E}, Make<page::SComInpText>(TextFile(), SPoint{20, 480}, -1)},
      {"paste the clipboard's picture", {A}, Make<page::SComInpPaste>(SPoint{250, 30}, -1),
       [](SDoc&) {
         const platform::Image bitmap = *MakeGradient(3, 2);
         ASSERT_TRUE(platform::SetClipboardPictures(nullptr, &bitmap));
       }},
      {"a composed picture into a group", {c}, [](SDoc& doc) {
         return std::make_unique<page::SComInpFukidashi>(&doc, FreshPictureFile(), SPoint{130, 150},
                                                         SPoint{50, 30}, G1, 5);
       }},
      {"insert a 3D figure into a frame", {E}, Make<page::SComInp3D>(std::string("man.Z4H"), SPoint{310, 290},
                                                                     static_cast<int>(F))},
      // Putting objects into a frame dissolves every group left with one
      // member; the insertion keeps them and gives them back on undo.
      {"insert into a frame beside a one-member group", {}, Make<page::SComInp3D>(std::string("man.Z4H"),
                                                                                  SPoint{0, 0}, static_cast<int>(F)),
       [](SDoc& doc) { pagetest::AddRect(doc, pagetest::AddGroup(doc, -1).id, 5, 5); }},
      {"draw into a frame beside a one-member group", {}, [=](SDoc& doc) {
         return std::make_unique<page::SComInput2D>(&doc, page::kInputOval, SPoint{290, 290}, SPoint{300, 310}, 0.0,
                                                    drawn, F, true);
       },
       [](SDoc& doc) { pagetest::AddRect(doc, pagetest::AddGroup(doc, -1).id, 5, 5); }},
  };
}

void CheckRoundTrip(const Row& row, const std::function<std::unique_ptr<SDoc>()>& makePage = MakeRoundTripPage) {
  SCOPED_TRACE(row.name);
  std::unique_ptr<SDoc> doc = makePage();
  pagetest::SelectExactly(*doc, row.selected);
  if (row.prepare) row.prepare(*doc);
  const std::string before = pagetest::PageBytes(*doc);
  ASSERT_EQ(doc->Execute(row.make(*doc)), 0);
  doc->CloseCommandGroup();
  std::string after = pagetest::PageBytes(*doc);
  const platform::Image drawn = row.redoRederives ? pagetest::DrawPage(*doc) : platform::Image();
  EXPECT_FALSE(pagetest::SameBytes(after, before)) << "the command changed nothing";
  for (int cycle = 0; cycle < 2; ++cycle) {
    ASSERT_EQ(doc->Commands().UndoGroup(), 0);
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(*doc), before)) << "undo, cycle " << cycle;
    ASSERT_EQ(doc->Commands().RedoGroup(), 0);
    if (row.redoRederives && cycle == 0) {
      EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(*doc), drawn), 0) << "redo";
      after = pagetest::PageBytes(*doc);
      continue;
    }
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(*doc), after)) << "redo, cycle " << cycle;
  }
  EXPECT_EQ(pagetest::StructureProblems(*doc), "");
}

TEST(Commands, UndoAndRedoGiveThePageBackByteForByte) {
  pagetest::FatalThrows fatalThrows;
  pagetest::ScopedFigureFacade figures;
  for (const Row& row : Rows()) ASSERT_NO_THROW(CheckRoundTrip(row)) << row.name;
}

// The same property on live 3D shapes: the page's bytes now hold each
// figure's scene (its objects, pose, camera, light and style as saved).
enum : int { FA = 1000, FB, R };

std::unique_ptr<SDoc> MakeFigurePage() {
  auto doc = std::make_unique<SDoc>();
  doc->SetPageSize(600, 420);
  pagetest::AddStandardFigure(*doc, 140, 200);  // FA
  pagetest::AddStandardFigure(*doc, 420, 200);  // FB
  pagetest::AddRect(*doc, -1, 300, 380);        // R
  // As a person sees it before changing it: drawn once.
  pagetest::DrawPage(*doc);
  return doc;
}

// The commands on figures that have animations: keeping a figure's state
// gives it one (its pose as the key of frame 0) where it has none. The
// figures have theirs, and show their frame 0, before the page's bytes
// are taken.
void HaveAnimations(SDoc& doc) {
  for (const int id : {FA, FB}) EXPECT_NE(doc.SaveAnimStateOf(id, 1), nullptr);
  doc.SetAnimFrame(0);
}

// The forearm of FA turned as the pose tool turns it, its states kept
// before and after as the tool keeps them.
std::unique_ptr<SCom> PoseDrag(SDoc& doc) {
  auto before = doc.SaveAnimStateOf(FA, 1);
  EXPECT_TRUE(pagetest::PoseABone(*doc.FindObjectById(FA), {78, 140}, 30, -40));
  return std::make_unique<page::SComChangeAnim>(&doc, FA, 1, std::move(before), doc.SaveAnimStateOf(FA, 1));
}

std::vector<Row> FigureRows() {
  page::Prop3DVal camera;
  camera.horizontalAngle = 35, camera.verticalAngle = -12, camera.lens = 0, camera.distance = 70;
  camera.mask = page::Prop3DVal::kHorizontalAngle | page::Prop3DVal::kVerticalAngle | page::Prop3DVal::kLens |
                page::Prop3DVal::kDistance;
  page::Prop3DVal panned;
  panned.targetX = 0.25, panned.targetY = 1.125, panned.targetZ = -0.5, panned.mask = page::Prop3DVal::kTarget;
  page::PropLTVal light;
  light.lightHorizontal = -40, light.lightVertical = 25, light.brightness = 80, light.contrast = 10, light.shading = 3;
  light.SetAllMask();
  page::Prop2DVal style;
  style.lineWidth = 2, style.lineColor = 0x0000FF, style.fillColor = 0xC0FFC0, style.edgeQuality = 3;
  style.mask = page::Prop2DVal::kLineWidth | page::Prop2DVal::kLineColor | page::Prop2DVal::kFillColor |
               page::Prop2DVal::kEdgeQuality;
  page::Prop2DVal shadow;
  shadow.effectColorMode = 0, shadow.effectX = 7, shadow.effectY = 4, shadow.effectBlur = 2;
  shadow.mask = page::Prop2DVal::kEffects;
  return {
      {"move a figure", {FA}, Make<page::SComMoveObj>(12.5, -3.25, false)},
      {"turn a figure", {FB}, Make<page::SComRotObj>(static_cast<int>(FB), SPoint{420, 200}, SPoint{420, 40},
                                                     SPoint{500, 60}, 0)},
      {"scale a figure", {FA}, Make<page::SComMagObj>(static_cast<int>(FA), SPoint{20, 40}, SPoint{260, 360},
                                                      SPoint{220, 300}, 0)},
      {"camera", {FA, FB}, [=](SDoc& doc) { return std::make_unique<page::SComSetProp>(&doc, camera); }},
      {"camera target", {FB}, [=](SDoc& doc) { return std::make_unique<page::SComSetProp>(&doc, panned); }},
      {"light", {FA}, [=](SDoc& doc) { return std::make_unique<page::SComSetProp>(&doc, light); }},
      {"drawing style", {FA, R}, [=](SDoc& doc) { return std::make_unique<page::SComSetProp>(&doc, style); }},
      {"shadow", {FB}, [=](SDoc& doc) { return std::make_unique<page::SComSetProp>(&doc, shadow); }},
      {"pose mode", {FA}, Make<page::SComFlagEditPoints>(static_cast<int>(FA))},
      {"duplicate", {FA, R}, Make<page::SComDuplicate>()},
      {"delete", {FB}, Make<page::SComCut>(1)},
      {"paste", {}, Make<page::SComPaste>(),
       [](SDoc& doc) {
         pagetest::SelectExactly(doc, {FB});
         ASSERT_EQ(doc.CopySelection(), 0);
         pagetest::SelectExactly(doc, {});
       }},
      {"to the back", {FB}, Make<page::SComFront>(false)},
      {"insert a figure file", {R}, Make<page::SComInp3D>(testsupport::StandardFigureFile(), SPoint{300, 100}, -1)},
      {"pose drag", {}, PoseDrag, HaveAnimations, true},
      // Keeping the state gives the figure an animation: undo takes it away
      // again with the joints as they stood.
      {"pose drag on a figure without animation", {}, PoseDrag, nullptr, true},
      {"animation on a figure", {}, Make<page::SComApplyAnim>(testsupport::FigureDataFile("anim_walk.z4e"),
                                                              static_cast<int>(FB), 1),
       HaveAnimations},
      {"animation on the selection", {FA, FB, R}, Make<page::SComApplyAnim>(testsupport::FigureDataFile("anim_wave.z4e"),
                                                                            -1, -1),
       HaveAnimations},
  };
}

// Scenes stored as they are: deflating them for every comparison would
// take most of the test's time.
class FigureCommands : public pagetest::FigurePageTest {
 protected:
  void SetUp() override {
    FigurePageTest::SetUp();
    page::PnGlobal::Get().prefs->mZ4Compress = 0;
  }
  void TearDown() override {
    page::PnGlobal::Get().prefs->mZ4Compress = 1;
    FigurePageTest::TearDown();
  }
};

TEST_F(FigureCommands, UndoAndRedoGiveThePageAndItsScenesBackByteForByte) {
  for (const Row& row : FigureRows()) ASSERT_NO_THROW(CheckRoundTrip(row, MakeFigurePage)) << row.name;
}

// A drag or a slider changes its last command in place: however many
// steps, one undo gives the page from before, and the page equals that of
// one command with the last values.
TEST(Commands, MergedChangesUndoAsOne) {
  const auto fresh = [] {
    std::unique_ptr<SDoc> doc = MakeRoundTripPage();
    pagetest::SelectExactly(*doc, {A, POLY});
    return doc;
  };
  page::Prop2DVal opacity;
  opacity.mask = page::Prop2DVal::kOpacity;
  std::unique_ptr<SDoc> doc = fresh();
  const std::string before = pagetest::PageBytes(*doc);
  opacity.opacity = 80;
  auto slider = std::make_unique<page::SComSetProp>(doc.get(), opacity);
  page::SComSetProp* kept = slider.get();
  ASSERT_EQ(doc->Execute(std::move(slider)), 0);
  doc->CloseCommandGroup();
  for (const int step : {60, 40, 25}) {
    ASSERT_EQ(doc->LastGroupCommand(), kept);
    opacity.opacity = step;
    kept->ReplaceValue(opacity);
  }
  std::unique_ptr<SDoc> once = fresh();
  ASSERT_EQ(once->Execute(std::make_unique<page::SComSetProp>(once.get(), opacity)), 0);
  EXPECT_EQ(pagetest::PageBytes(*doc), pagetest::PageBytes(*once));

  auto drag = std::make_unique<page::SComMagObj>(doc.get(), A, SPoint{30, 35}, SPoint{70, 65}, SPoint{75, 70}, 0);
  page::SComMagObj* dragged = drag.get();
  ASSERT_EQ(doc->Execute(std::move(drag)), 0);
  for (const SPoint point : {SPoint{90, 71}, SPoint{31, 36}, SPoint{120.5, 99}}) dragged->UpdateDrag(point);
  doc->CloseCommandGroup();
  ASSERT_EQ(once->Execute(std::make_unique<page::SComMagObj>(once.get(), A, SPoint{30, 35}, SPoint{70, 65},
                                                              SPoint{120.5, 99}, 0)),
            0);
  EXPECT_EQ(pagetest::PageBytes(*doc), pagetest::PageBytes(*once));
  ASSERT_EQ(doc->Commands().UndoGroup(), 0);
  ASSERT_EQ(doc->Commands().UndoGroup(), 0);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
  EXPECT_EQ(doc->LastGroupCommand(), nullptr);
}

TEST(Commands, PageSettingsThatDivideStayAboveZero) {
  SDoc doc;
  page::SGridInfo grid;
  grid.spacing = 0, grid.divisions = 0;
  ASSERT_EQ(doc.Execute(std::make_unique<page::SComSetGrid>(&doc, grid)), 0);
  EXPECT_EQ(doc.grid.spacing, 1);
  EXPECT_EQ(doc.grid.divisions, 1);
  grid.spacing = 3, grid.divisions = 8;  // more steps than pixels
  ASSERT_EQ(doc.Execute(std::make_unique<page::SComSetGrid>(&doc, grid)), 0);
  EXPECT_EQ(doc.grid.SnapStep(), 1);
  ASSERT_EQ(doc.Execute(std::make_unique<page::SComOrgSize>(&doc, -5.0, 0.9, -72)), 0);
  EXPECT_EQ(doc.GetPageWidth(), 1);
  EXPECT_EQ(doc.GetPageHeight(), 1);
  EXPECT_EQ(doc.resolution, 1);
  doc.CloseCommandGroup();
  ASSERT_EQ(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(doc.GetPageWidth(), 500);
  EXPECT_EQ(doc.resolution, 72);
}

TEST(Commands, PastingAClipboardWithoutAPictureInsertsNothing) {
  platform::ClearClipboard();
  std::unique_ptr<SDoc> doc = MakeRoundTripPage();
  const std::string before = pagetest::PageBytes(*doc);
  EXPECT_EQ(doc->Execute(std::make_unique<page::SComInpPaste>(doc.get(), SPoint{10, 10}, -1)),
            page::kResultClipboard);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
  EXPECT_EQ(doc->Commands().GetCount(), 0);
}

TEST(Commands, StructureCommandsThatCannotWorkFailAndChangeNothing) {
  struct Case {
    const char* what;
    Ids selected;
    std::function<std::unique_ptr<SCom>(SDoc&)> make;
    int code;
  };
  const Case cases[] = {
      {"grouping what is one group already", {G2, a, b}, Make<page::SComGroup>(), -1},
      {"grouping one object", {E}, Make<page::SComGroup>(), -1},
      {"putting into a frame without a frame", {A, d}, Make<page::SComInsertTrim>(),
       page::kResultNeedFrameAndShape},
      {"putting a frame into itself alone", {F, d}, Make<page::SComInsertTrim>(), 0},
      {"scaling with nothing selected", {}, Make<page::SComMagObj>(-1, SPoint{0, 0}, SPoint{1, 1}, SPoint{2, 2}, 0),
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<SDoc> doc = MakeRoundTripPage();
    pagetest::SelectExactly(*doc, c.selected);
    const std::string before = pagetest::PageBytes(*doc);
    EXPECT_EQ(doc->Execute(c.make(*doc)), c.code);
    EXPECT_EQ(pagetest::PageBytes(*doc), before);
    EXPECT_EQ(doc->Commands().GetCount(), c.code < 0 ? 0 : 1);
  }
}

// An adjustment whose object is gone is a broken stack: Do and Undo stop
// the program, each naming its own check.
TEST(Commands, AnAdjustmentWithoutItsObjectStopsNamingItsCheck) {
  pagetest::FatalThrows fatalThrows;
  std::unique_ptr<SDoc> doc = MakeRoundTripPage();
  const auto fatalText = [](const std::function<void()>& run) {
    try {
      run();
    } catch (const pagetest::FatalThrows::Fatal& fatal) {
      return std::string(fatal.what());
    }
    return std::string("no fatal stop");
  };
  page::SComAfter2DALine missing(doc.get(), 99999);
  EXPECT_THAT(fatalText([&] { missing.Do(); }), ::testing::EndsWith(" SCom2 301"));
  page::SComAfter2DALine adjust(doc.get(), static_cast<int>(A));
  ASSERT_EQ(adjust.Do(), 0);
  SDoc::DeleteObject(doc->RemoveObjectById(static_cast<int>(A)));
  EXPECT_THAT(fatalText([&] { adjust.Undo(); }), ::testing::EndsWith(" SCom2 312"));
}

}  // namespace
