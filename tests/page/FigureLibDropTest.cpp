// Library drops of figure materials through the real figure facade: the
// standard figure dragged onto the paper and an animation dragged onto a
// figure, each one undoable step that gives the
// page back byte for byte. The trackers are made by the library file's
// extension, as the library bar's drags make them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "EditTestSupport.h"
#include "FigureTestSupport.h"
#include "facade/KxLibR.h"
#include "page/FigureService.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SComs.h"
#include "page/SFig3D.h"
#include "page/STrackFactory.h"
#include "page/STrackLibDrop.h"
#include "platform/GlContext.h"
#include "platform/Hooks.h"
#include "support/FigureFiles.h"
#include "support/TempDir.h"

namespace figurelibdroptest {

using platform::POINT;

class FigureLibDrop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pagetest::StartFigures(); }
  static void TearDownTestSuite() { pagetest::StopFigures(); }

  FigureLibDrop() { doc.SetPageSize(500, 500); }

  // The library drag of the file released at the page point, with the
  // tracker its extension gives.
  int Drag(const std::string& path, double x, double y, int kind = page::kToolLibDrag) {
    page::PnGlobal::Get().pendingLibPath = path;
    bool resetTool = false;
    std::unique_ptr<page::STrack> drop = page::MakeTracker(kind, doc, view, {0, 0}, nullptr, resetTool);
    if (!drop) return -1000;
    EXPECT_EQ(drop->Init(&doc, &view, {0, 0, 600, 600}), 0);
    EXPECT_EQ(drop->OnButtonDown(0, 0, 0), 0);
    const POINT at = view.PageToScreen(page::SPoint(x, y));
    drop->OnMouseMove(0, at.x, at.y);
    return drop->OnButtonUp(0, at.x, at.y);
  }

  page::SDoc doc{20};
  page::SView view;
  pagetest::ScopedDropHooks hooks;
  std::vector<std::string>& messages = hooks.messages;
  int& layoutQuestions = hooks.layoutQuestions;
};

TEST_F(FigureLibDrop, TheStandardFigureDraggedOntoThePaperIsPlacedLiveAtThePoint) {
  const std::string empty = pagetest::PageBytes(doc);
  ASSERT_EQ(Drag(testsupport::StandardFigureFile(), 150, 260), 1);
  EXPECT_EQ(layoutQuestions, 1);
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(doc.GetObjectCount(), 1);
  page::SObj& placed = *doc.GetObject(0);
  const auto* shape = dynamic_cast<const page::SFig3D*>(placed.fig.get());
  ASSERT_NE(shape, nullptr);
  EXPECT_TRUE(shape->HasPosableFigure());
  EXPECT_NEAR(placed.placement.x, 150, 1);
  EXPECT_NEAR(placed.placement.y, 260, 1);
  const platform::Image drawn = pagetest::DrawPage(doc);
  pagetest::Keep(drawn, "library-dropped-figure");
  EXPECT_GT(drawn.GetBgra(150, 230).a, 0) << "the figure is drawn where it was dropped";
  EXPECT_EQ(drawn.GetBgra(400, 100).a, 0);

  ASSERT_EQ(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(doc.GetObjectCount(), 0);
  EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), empty));
  ASSERT_EQ(doc.Commands().RedoGroup(), 0);
  ASSERT_EQ(doc.GetObjectCount(), 1);
  EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), drawn), 0);
}

// An animation onto the figure poses it; beside it nothing happens. Each
// applied drop undoes to the same bytes.
TEST_F(FigureLibDrop, AnimationsDroppedOntoAFigureApplyToItAndUndo) {
  page::SObj& figure = pagetest::AddStandardFigure(doc, 250, 250);
  // A figure with an animation (keeping its state gives it one).
  ASSERT_NE(doc.SaveAnimStateOf(figure.id, 1), nullptr);
  doc.SetAnimFrame(0);
  const platform::Image still = pagetest::DrawPage(doc);
  const double onBody = 250 - figure.placement.height * 0.15;  // the chest
  struct Case {
    const char* what;
    std::string path;
    double x, y;
    int kind;
    bool select;
    int result;
  };
  const Case cases[] = {
      {"walk onto the figure", testsupport::FigureDataFile("anim_walk.z4e"), 250, onBody, page::kToolLibDrag, false, 1},
      {"wave applied to the selection", testsupport::FigureDataFile("anim_wave.z4e"), 20, 20, page::kToolLibApply, true,
       1},
      {"walk beside the figure", testsupport::FigureDataFile("anim_walk.z4e"), 20, 20, page::kToolLibDrag, false,
       page::kResultDropOffFigure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    figure.SetSelected(c.select);
    const std::string before = pagetest::PageBytes(doc);
    const int commands = doc.Commands().GetCount();
    EXPECT_EQ(Drag(c.path, c.x, c.y, c.kind), c.result);
    EXPECT_EQ(layoutQuestions, 0);
    ASSERT_EQ(doc.GetObjectCount(), 1) << "applied, not placed";
    if (c.result != 1) {
      EXPECT_EQ(doc.Commands().GetCount(), commands);
      EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
      continue;
    }
    // The animation's first frame is not the rest pose.
    const platform::Image posed = pagetest::DrawPage(doc);
    pagetest::Keep(posed, std::string("library-dropped-") + (c.select ? "wave" : "walk"));
    EXPECT_GT(pagetest::PixelsDiffering(still, posed), 100);
    // The skin follows the bones when drawn, as the view draws after
    // every undo: drawn first, then its bytes are those of before.
    ASSERT_EQ(doc.Commands().UndoGroup(), 0);
    EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), still), 0);
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
  }
  figure.SetSelected(false);
}

// A person of the library dropped onto a figure takes its place, pose and
// animation in one undoable step: undo gives the page back byte for byte
// and the same picture, redo the new person again. Dropped onto a shape
// without figures, or with a file that is no figure file, nothing changes.
TEST_F(FigureLibDrop, APersonDroppedOntoAFigureReplacesItAndUndoes) {
  const std::string library = PENNET_SAMPLE_LIBRARY;
  const std::string person = library + "/Human/基本人物/標準人物r.z4h";
  page::SObj& figure = pagetest::AddStandardFigure(doc, 250, 250);
  ASSERT_EQ(Drag(testsupport::FigureDataFile("anim_walk.z4e"), 250, 250 - figure.placement.height * 0.15), 1);
  const platform::Image walking = pagetest::DrawPage(doc);
  pagetest::Keep(walking, "library-person-before");
  const std::string before = pagetest::PageBytes(doc);
  const int commands = doc.Commands().GetCount();

  ASSERT_EQ(Drag(person, 250, 250 - figure.placement.height * 0.15), 1);
  EXPECT_EQ(layoutQuestions, 0) << "applied, not placed";
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(doc.GetObjectCount(), 1);
  EXPECT_GT(doc.Commands().GetCount(), commands);
  const platform::Image replaced = pagetest::DrawPage(doc);
  pagetest::Keep(replaced, "library-person-applied");
  // Another person's colours over the same outline.
  int recoloured = 0, outlineMoved = 0;
  for (int y = 0; y < walking.Height(); ++y)
    for (int x = 0; x < walking.Width(); ++x) {
      const platform::Bgra a = walking.GetBgra(x, y), b = replaced.GetBgra(x, y);
      outlineMoved += (a.a == 0) != (b.a == 0) ? 1 : 0;
      recoloured += a.a != 0 && b.a != 0 && a != b ? 1 : 0;
    }
  EXPECT_GT(recoloured, 200);
  EXPECT_LT(outlineMoved, 40);
  EXPECT_FALSE(pagetest::SameBytes(pagetest::PageBytes(doc), before));

  ASSERT_EQ(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), walking), 0);
  EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
  ASSERT_EQ(doc.Commands().RedoGroup(), 0);
  EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), replaced), 0);
  ASSERT_EQ(doc.Commands().UndoGroup(), 0);
  EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));

  // No figure file: refused, the page as it was.
  const int kept = doc.Commands().GetCount();
  EXPECT_EQ(Drag(library + "/Human/基本人物/indexsozai.txt.z4h", 250, 250 - figure.placement.height * 0.15),
            page::kResultCannotApply);
  EXPECT_EQ(doc.Commands().GetCount(), kept);
  EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before));
  EXPECT_EQ(pagetest::PixelsDiffering(pagetest::DrawPage(doc), walking), 0);
}

// A figure file with a side file naming the person of its object 1 (as the
// program writes it for a composed person): inserted, the person is applied
// again, in the current person style; a person that is not in the library
// refuses the file with the person-file message; a plain insert ignores
// the list.
TEST_F(FigureLibDrop, APersonListedBesideAFigureFileIsAppliedAgainOnInsert) {
  page::PnGlobal& global = page::PnGlobal::Get();
  const std::filesystem::path library = PENNET_SAMPLE_LIBRARY;
  const int keptStyle = global.prefs->mHumanAtm;
  global.SetInstallRecord(library.parent_path().string(), "2024-01-02");
  global.prefs->mHumanAtm = 2;
  testsupport::TempDir dir;
  const std::string scenePath = dir / "dressed.z4h";
  {
    int rc = 0;
    std::unique_ptr<page::SFig> made = page::FigureService().MakeFigureShape(testsupport::StandardFigureFile(), true, rc);
    ASSERT_NE(made, nullptr) << rc;
    facade::KxLibR& scene = *static_cast<page::SFig3D&>(*made).GetScene();
    std::string saved;
    const std::string person = (library / "Human/基本人物/標準人物r.z4h").string();
    ASSERT_EQ(scene.ApplyLibraryFile(person, 1, saved, false), 0);
    ASSERT_EQ(scene.SaveWithOptions(scenePath, 0, nullptr, {}), 0);
    ASSERT_EQ(scene.WriteMergedListFile(scenePath, "Kordex_Lib"), 0);
  }
  struct Case {
    const char* what;
    bool plain;
    std::string listed;  // what the side file names, relative to the library
    int result;
    std::string applied;  // what object 1 then records
  };
  const std::string styled = (library / "Human/基本人物/標準人物t.z4h").string();
  const Case cases[] = {
      {"as saved", false, "", 0, styled},
      {"a plain insert", true, "", 0, ""},
      {"a person the library lacks", false, "Human\\Nobody\\nobodyr.z4h", page::kResultPersonFile, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.listed.empty())
      testsupport::WriteText(facade::KxLibR::MergedListPath(scenePath), "\r\n" + c.listed + "\r\n");
    int rc = 1;
    std::unique_ptr<page::SFig> shape = page::FigureService().MakeFigureShape(scenePath, c.plain, rc);
    EXPECT_EQ(rc, c.result);
    if (c.result < 0) {
      EXPECT_EQ(shape, nullptr);
      continue;
    }
    ASSERT_NE(shape, nullptr);
    const auto& paths = static_cast<page::SFig3D&>(*shape).GetScene()->GetMergedLibraryPaths();
    EXPECT_EQ(paths.size() >= 2 ? paths[1] : std::string(), c.applied);
  }
  global.prefs->mHumanAtm = keptStyle;
  global.SetInstallRecord("", "");
}

}  // namespace figurelibdroptest
