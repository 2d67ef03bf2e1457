#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "page/PageFile.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SComs.h"
#include "page/STrackFactory.h"
#include "page/STrackLibDrop.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"
#include "platform/Image.h"
#include "platform/ImageCodec.h"
#include "support/TempDir.h"

namespace {

using page::SPoint;
using platform::POINT;

constexpr int kDrag = page::kToolLibDrag;
constexpr int kOpen = page::kToolLibOpen;
constexpr int kApply = page::kToolLibApply;

// A 3D figure with one person wherever it is hit.
class PersonShape : public pagetest::FakeFigureShape {
 public:
  std::unique_ptr<page::SFig> Clone() const override { return std::make_unique<PersonShape>(*this); }
  int HitTestFigure(SPoint /*point*/) override { return 0; }
};

// A 400 × 300 page at window (10, 20), 100 %; the 3D side is the stand-in,
// the hooks record what the drops ask.
class TrackLibDropTest : public ::testing::Test {
 protected:
  TrackLibDropTest() {
    doc.SetPageSize(400, 300);
    view.transform.originX = 10;
    view.transform.originY = 20;
  }

  // A drop of `T` for the file, released at the window point.
  template <typename T>
  int Drop(const std::string& path, int kind, POINT at, std::vector<POINT> moves = {}) {
    page::PnGlobal::Get().pendingLibPath = path;
    T drop(kind);
    drop.Init(&doc, &view, {0, 0, 600, 400});
    EXPECT_EQ(drop.OnButtonDown(0, 0, 0), 0);
    for (const POINT p : moves) drop.OnMouseMove(0, p.x, p.y);
    return drop.OnButtonUp(0, at.x, at.y);
  }

  page::SObj& AddPerson(double x, double y) {
    page::PropSCVal P;
    P.x = x, P.y = y, P.width = 80, P.height = 120;
    return pagetest::AddShape(doc, std::make_unique<PersonShape>(), -1, P);
  }
  static const PersonShape& Person(const page::SObj& object) { return dynamic_cast<const PersonShape&>(*object.fig); }

  std::string PicturePath() {
    const std::string path = dir / "pic.png";
    platform::Image image;
    image.Create(6, 4, 32, true);
    EXPECT_TRUE(platform::SaveImageFile(image, path));
    return path;
  }

  page::SObj& Last() { return *doc.GetObject(doc.GetObjectCount() - 1); }

  testsupport::TempDir dir;
  pagetest::ScopedFigureFacade figures;
  page::SDoc doc{5};
  page::SView view;
  pagetest::ScopedDropHooks hooks;
  std::vector<std::string>& messages = hooks.messages;
  int& layoutQuestions = hooks.layoutQuestions;
  bool& layoutAnswer = hooks.layoutAnswer;
};

// ---- objects ---------------------------------------------------------------------

TEST_F(TrackLibDropTest, AnObjectDropInsertsTheFileByItsExtensionAtThePoint) {
  page::SDoc other(5);
  pagetest::AddRect(other, -1, 50, 50);
  const std::string pagePath = dir / "page.Z4G";
  ASSERT_EQ(page::SaveSDoc(other, pagePath), 0);
  struct Case {
    std::string path;
    int typeId;
  };
  const Case cases[] = {{PicturePath(), page::kFigPicture},
                        {dir.Write("note.TXT", std::string("abc")), page::kFigText},
                        {dir / "scene.z4t", page::kFig3D},
                        {pagePath, page::kFigRect}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_EQ(Drop<page::STrackLibDropObj>(c.path, kDrag, {110, 120}), 1);
    ASSERT_EQ(doc.GetObjectCount(), 1);
    ASSERT_TRUE(Last().fig);
    EXPECT_EQ(Last().fig->GetTypeId(), c.typeId);
    EXPECT_DOUBLE_EQ(Last().placement.x, 100.0);
    EXPECT_DOUBLE_EQ(Last().placement.y, 100.0);
    EXPECT_FALSE(doc.Commands().HasOpenGroup());
    ASSERT_EQ(doc.Commands().UndoGroup(), 0);
    EXPECT_FALSE(doc.Commands().CanUndo()) << "one undo step";
    EXPECT_EQ(doc.GetObjectCount(), 0);
  }
}

TEST_F(TrackLibDropTest, AnObjectDropGoesIntoThePanelFrameUnderItAndNowhereOutsideTheView) {
  const int frame = pagetest::AddFrame(doc, -1, 200, 150, 100, 100).id;
  const std::string picture = PicturePath();
  ASSERT_EQ(Drop<page::STrackLibDropObj>(picture, kDrag, {215, 165}), 1);
  EXPECT_EQ(Last().parentId, frame);
  EXPECT_EQ(pagetest::StructureProblems(doc), "");

  const std::string before = pagetest::PageBytes(doc);
  const int count = doc.Commands().GetCount();
  EXPECT_EQ(Drop<page::STrackLibDropObj>(picture, kDrag, {600, 100}), 1) << "right of the view";
  EXPECT_EQ(Drop<page::STrackLibDropObj>(picture, kDrag, {100, -1}), 1) << "above it";
  EXPECT_EQ(pagetest::PageBytes(doc), before);
  EXPECT_EQ(doc.Commands().GetCount(), count);
}

TEST_F(TrackLibDropTest, AFailedInsertReturnsItsCode) {
  EXPECT_EQ(Drop<page::STrackLibDropObj>(dir / "missing.png", kDrag, {110, 120}), page::kResultCannotOpen);
  EXPECT_EQ(Drop<page::STrackLibDropObj>(dir / "bad.z4t", kDrag, {110, 120}), page::kResultCannotOpen);
  EXPECT_EQ(doc.GetObjectCount(), 0);
}

TEST_F(TrackLibDropTest, WebPathsAreMadeLocalFirstAndTheirFailureStopsTheDrop) {
  const std::string local = PicturePath();
  std::vector<std::string> asked;
  int answer = 0;
  const auto previous = page::SetLibraryLocalHook([&](std::string& path, bool companion) {
    asked.push_back(path);
    EXPECT_TRUE(companion);
    if (answer < 0) return answer;
    path = local;
    return 0;
  });
  EXPECT_EQ(Drop<page::STrackLibDropObj>("http://lib.example/Object/pic.png", kDrag, {110, 120}), 1);
  EXPECT_EQ(doc.GetObjectCount(), 1);
  answer = page::kResultServerError;
  EXPECT_EQ(Drop<page::STrackLibDropObj>("http://lib.example/Object/pic.png", kDrag, {110, 120}),
            page::kResultServerError);
  EXPECT_EQ(doc.GetObjectCount(), 1);
  page::SetLibraryLocalHook(previous);
  EXPECT_EQ(asked, (std::vector<std::string>(2, "http://lib.example/Object/pic.png")));
}

// ---- moving over the page -------------------------------------------------------------

TEST_F(TrackLibDropTest, MovingOutlinesThePanelFrameUnderTheMouseOnceAndErasesItAfter) {
  pagetest::AddFrame(doc, -1, 200, 150, 100, 100);
  page::PnGlobal::Get().pendingLibPath = dir / "x.png";
  page::STrackLibDropObj drop(kDrag);
  drop.Init(&doc, &view, {0, 0, 600, 400});
  struct Step {
    POINT mouse;
    std::size_t lines;  // the outline to erase, then the one to draw
  };
  const Step steps[] = {{{215, 165}, 4}, {{220, 170}, 8}, {{20, 30}, 4}, {{20, 40}, 0}, {{215, 165}, 4}};
  for (const Step& s : steps) {
    EXPECT_EQ(drop.OnMouseMove(0, s.mouse.x, s.mouse.y), 1);
    EXPECT_EQ(drop.GetLines().size(), s.lines) << s.mouse.x << "," << s.mouse.y;
  }
  // The frame's box, page (150, 100) to (250, 200), in window pixels.
  const page::STLine top = drop.GetLines()[0];
  EXPECT_EQ(top.kind, page::STLine::kThickLine);
  EXPECT_EQ((std::vector<int>{top.x1, top.y1, top.x2, top.y2}), (std::vector<int>{160, 120, 260, 120}));

  page::STrackLibDropPose pose(kDrag);
  pose.Init(&doc, &view, {0, 0, 600, 400});
  EXPECT_EQ(pose.OnMouseMove(0, 215, 165), 1);
  EXPECT_EQ(pose.GetLineCount(), 0) << "applying drops outline nothing";

  ASSERT_EQ(drop.OnButtonUp(0, 0, 0), page::kResultCannotOpen);
  EXPECT_EQ(drop.GetLineCount(), 0);
}

TEST_F(TrackLibDropTest, TheCursorSaysWhatADropWouldDo) {
  AddPerson(100, 100);  // window (70, 60) to (150, 180)
  std::vector<int> cursors;
  const auto previous = platform::SetCursorHook([&](int id) { cursors.push_back(id); });
  const POINT onPerson{110, 120}, onPaper{300, 300}, outside{700, 100};
  page::PnGlobal::Get().pendingLibPath = dir / "x";
  page::STrackLibDropObj object(kDrag);
  page::STrackLibDropPose pose(kDrag);
  page::STrackLibDropTool tool(kDrag);
  page::STrackLibDropHuman human(kDrag);
  struct Case {
    page::STrackLibDrop* drop;
    std::vector<int> expected;  // on the person, on the paper, outside the view
  };
  const Case cases[] = {{&object, {469, 469, -1}}, {&pose, {469, -1, -1}}, {&tool, {469, -1, -1}}, {&human, {470, 469, -1}}};
  for (const Case& c : cases) {
    c.drop->Init(&doc, &view, {0, 0, 600, 400});
    cursors.clear();
    std::vector<int> shown;
    for (const POINT p : {onPerson, onPaper, outside}) {
      c.drop->OnMouseMove(0, p.x, p.y);
      shown.push_back(c.drop->GetCursorId());
    }
    EXPECT_EQ(cursors, c.expected);
    EXPECT_EQ(shown, c.expected);
  }
  platform::SetCursorHook(previous);
}

// ---- poses, props and persons ----------------------------------------------------------

TEST_F(TrackLibDropTest, PoseAndPropDropsApplyToThePersonOrTheSelectionOrFail) {
  const std::string posePath = "/lib/Pose/wave.z4e";  // the stand-in sets the pose to the path's length
  const std::string propPath = "/lib/Object/hat.z4i";
  const int posed = static_cast<int>(posePath.size());
  struct Case {
    const char* what;
    int kind;
    bool select;  // the second figure
    POINT at;
    int result;
    bool first, second;  // which figures took it
  };
  const Case cases[] = {
      {"dragged onto the first", kDrag, true, {110, 120}, 1, true, false},
      {"dragged beside both", kDrag, true, {400, 250}, page::kResultDropOffFigure, false, false},
      {"applied to the selection", kApply, true, {400, 250}, 1, false, true},
      {"applied without a selection", kApply, false, {110, 120}, page::kResultNothingSelected, false, false},
  };
  for (const bool isPose : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(isPose ? "pose " : "prop ") + c.what);
      doc.TakeAllObjects();
      page::SObj& first = AddPerson(100, 100);
      page::SObj& second = AddPerson(300, 100);
      second.SetSelected(c.select);
      const int rc = isPose ? Drop<page::STrackLibDropPose>(posePath, c.kind, c.at)
                            : Drop<page::STrackLibDropTool>(propPath, c.kind, c.at);
      EXPECT_EQ(rc, c.result);
      if (isPose) {
        EXPECT_EQ(Person(first).pose, c.first ? posed : 0);
        EXPECT_EQ(Person(second).pose, c.second ? posed : 0);
      } else {
        EXPECT_EQ(Person(first).prop, c.first ? propPath : "none");
        EXPECT_EQ(Person(second).prop, c.second ? propPath : "none");
      }
      if (rc > 0) {
        ASSERT_EQ(doc.Commands().UndoGroup(), 0);
        EXPECT_EQ(Person(first).pose + Person(second).pose, 0);
        EXPECT_EQ(Person(first).prop + Person(second).prop, "nonenone");
      }
    }
  }
}

TEST_F(TrackLibDropTest, ADropOntoAPersonWithASelectionMakesTheReplacementHintDue) {
  page::AppPrefs& prefs = *page::PnGlobal::Get().prefs;
  AddPerson(100, 100);
  prefs.mApplyWarn = 0;
  ASSERT_EQ(Drop<page::STrackLibDropPose>("/p.z4e", kDrag, {110, 120}), 1);
  EXPECT_EQ(prefs.mApplyWarn, 0) << "nothing selected";
  pagetest::AddRect(doc, -1, 300, 200).SetSelected(true);
  ASSERT_EQ(Drop<page::STrackLibDropTool>("/p.z4i", kDrag, {110, 120}), 1);
  EXPECT_EQ(prefs.mApplyWarn, 1);
  prefs.mApplyWarn = 2;
  ASSERT_EQ(Drop<page::STrackLibDropHuman>("/p.z4h", kDrag, {110, 120}), 1);
  EXPECT_EQ(prefs.mApplyWarn, 2) << "shown once only";
}

TEST_F(TrackLibDropTest, APersonOnThePaperIsPlacedOnlyWhenTheLayoutQuestionIsAnsweredYes) {
  const std::string person = dir / "girl.z4h";
  layoutAnswer = false;
  EXPECT_EQ(Drop<page::STrackLibDropHuman>(person, kDrag, {110, 120}), 0);
  EXPECT_EQ(layoutQuestions, 1);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  EXPECT_EQ(doc.Commands().GetCount(), 0);

  layoutAnswer = true;
  EXPECT_EQ(Drop<page::STrackLibDropHuman>(person, kDrag, {110, 120}), 1);
  EXPECT_EQ(layoutQuestions, 2);
  ASSERT_EQ(doc.GetObjectCount(), 1);
  EXPECT_EQ(Last().fig->GetTypeId(), page::kFig3D);
  EXPECT_DOUBLE_EQ(Last().placement.x, 100.0);

  // Onto a person: it is replaced, without a question.
  doc.TakeAllObjects();
  const page::SObj& there = AddPerson(100, 100);
  EXPECT_EQ(Drop<page::STrackLibDropHuman>(person, kDrag, {110, 120}), 1);
  EXPECT_EQ(layoutQuestions, 2);
  EXPECT_EQ(Person(there).prop, person);
  EXPECT_EQ(Drop<page::STrackLibDropHuman>(person, kApply, {110, 120}), page::kResultNothingSelected);
}

// ---- opening at the centre --------------------------------------------------------------

TEST_F(TrackLibDropTest, OpeningReplacesTheOneObjectAndCentresTheMaterial) {
  const int old = pagetest::AddRect(doc, -1, 30, 40).id;
  const std::string before = pagetest::PageBytes(doc);
  ASSERT_EQ(Drop<page::STrackLibDropObj>(PicturePath(), kOpen, {110, 120}), 1);
  ASSERT_EQ(doc.GetObjectCount(), 1);
  EXPECT_EQ(doc.FindObjectById(old), nullptr);
  EXPECT_EQ(Last().fig->GetTypeId(), page::kFigPicture);
  EXPECT_DOUBLE_EQ(Last().placement.x, 200.0);
  EXPECT_DOUBLE_EQ(Last().placement.y, 150.0);
  ASSERT_EQ(doc.Commands().UndoGroup(), 0);
  EXPECT_FALSE(doc.Commands().CanUndo()) << "one undo step";
  EXPECT_EQ(pagetest::PageBytes(doc), before);
  EXPECT_TRUE(messages.empty());

  // An empty page just takes it.
  doc.TakeAllObjects();
  ASSERT_EQ(Drop<page::STrackLibDropObj>(PicturePath(), kOpen, {0, 0}), 1);
  EXPECT_DOUBLE_EQ(Last().placement.x, 200.0);
}

TEST_F(TrackLibDropTest, OpeningOntoSeveralObjectsOnlyExplains) {
  pagetest::AddRect(doc, -1, 30, 40);
  pagetest::AddRect(doc, -1, 130, 40);
  const std::string before = pagetest::PageBytes(doc);
  EXPECT_EQ(Drop<page::STrackLibDropObj>(PicturePath(), kOpen, {110, 120}), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], page::PnLoadString(324));
  EXPECT_FALSE(messages[0].empty());
  EXPECT_EQ(pagetest::PageBytes(doc), before);
  EXPECT_EQ(doc.Commands().GetCount(), 0);
}

TEST_F(TrackLibDropTest, OpeningWhatCannotBeOpenedLeavesThePageAlone) {
  AddPerson(100, 100);
  const std::string before = pagetest::PageBytes(doc);
  // A pose has no person to go to; a person whose layout question is
  // cancelled is not placed, and the object stays.
  EXPECT_EQ(Drop<page::STrackLibDropPose>("/p.z4e", kOpen, {110, 120}), page::kResultDropOffFigure);
  layoutAnswer = false;
  EXPECT_EQ(Drop<page::STrackLibDropHuman>(dir / "girl.z4h", kOpen, {110, 120}), 0);
  EXPECT_EQ(layoutQuestions, 1);
  EXPECT_EQ(pagetest::PageBytes(doc), before);
  EXPECT_EQ(doc.Commands().GetCount(), 0);
}

}  // namespace
