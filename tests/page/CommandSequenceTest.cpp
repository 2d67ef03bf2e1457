// Whole editing sessions: random actions of one to three commands each, on
// objects and selections that earlier actions made, through the page's
// undo stack in the order the view follows: a failing command rolls its
// action back, selections may leave their group open to join the next
// action, and undo may come between actions. At every step the page must
// be that of the last action still done, and at the end undoing every
// action walks back through each earlier page byte for byte and redoing
// them forward again. Commands that are right alone can still break each
// other: a snapshot restored after another command reordered the list, a
// removal record replayed over objects that moved, a selection that
// outlives a deselect.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "page/PageFile.h"
#include "page/SCommands.h"
#include "platform/ImageCodec.h"
#include "support/TempDir.h"

namespace {

using page::SCom;
using page::SDoc;
using page::SPoint;

// Equal pages, or where they part.
::testing::AssertionResult SamePage(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << "the page differs from byte " << at << " (" << actual.size() << " bytes, "
                                       << expected.size() << " expected)";
}

struct Files {
  std::string page;
  std::string picture;
};

class Session {
 public:
  Session(std::uint32_t seed, const Files& files, SDoc& doc) : random_(seed), files_(files), doc_(doc) {
    pages_.push_back(pagetest::PageBytes(doc));
  }

  // One step of the user: an action, or an undo now and then.
  void Step() {
    if (pages_.size() > 1 && Below(8) == 0)
      Undo();
    else
      Act();
  }

  // Undoes every action and redoes them, checking each page on the way.
  void WalkBackAndForth() {
    Close();
    const int groups = static_cast<int>(pages_.size()) - 1;
    for (int g = groups; g > 0; --g) {
      ASSERT_EQ(doc_.Commands().UndoGroup(), 0) << log_;
      ASSERT_TRUE(SamePage(pagetest::PageBytes(doc_), pages_[static_cast<std::size_t>(g) - 1]))
          << "undo to " << g - 1 << ": " << log_;
    }
    for (int g = 1; g <= groups; ++g) {
      ASSERT_EQ(doc_.Commands().RedoGroup(), 0) << log_;
      ASSERT_TRUE(SamePage(pagetest::PageBytes(doc_), pages_[static_cast<std::size_t>(g)])) << "redo of " << g << ": " << log_;
    }
  }

  const std::string& Log() const { return log_; }

 private:
  void Act() {
    const int commands = 1 + Below(3);
    for (int i = 0; i < commands; ++i) {
      std::unique_ptr<SCom> command = MakeCommand();
      log_ += name_ + " ";
      if (doc_.Execute(std::move(command)) < 0) {
        // The whole open group goes, also the selections it had joined.
        ASSERT_EQ(doc_.RollbackOpenGroup(), 0);
        log_ += "(failed) ";
        open_ = false;
        ASSERT_TRUE(SamePage(pagetest::PageBytes(doc_), pages_.back())) << "after a failure: " << log_;
        return;
      }
      open_ = true;
    }
    ASSERT_EQ(pagetest::StructureProblems(doc_), "") << log_;
    // A selection may stay open to join the next action.
    if (!selectionOnly_ || Below(2) == 0) Close();
  }

  void Close() {
    if (!open_) return;
    doc_.CloseCommandGroup();
    log_ += "| ";
    open_ = false;
    pages_.push_back(pagetest::PageBytes(doc_));
  }

  void Undo() {
    // An open group is closed and undone: the page of the last closed one.
    if (!open_) pages_.pop_back();
    open_ = false;
    log_ += "undo ";
    ASSERT_EQ(doc_.Commands().UndoGroup(), 0) << log_;
    ASSERT_TRUE(SamePage(pagetest::PageBytes(doc_), pages_.back())) << log_;
  }

  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
  double Coordinate() { return 10.0 + Below(4800) / 10.0; }
  SPoint Point() { return {Coordinate(), Coordinate()}; }
  int AnyId() { return doc_.GetObject(Below(doc_.GetObjectCount()))->id; }
  int AnyFrameId() {
    std::vector<int> frames;
    for (const auto& object : doc_.Objects())
      if (object->IsFrame()) frames.push_back(object->id);
    if (frames.empty() || Below(3) == 0) return -1;
    return frames[static_cast<std::size_t>(Below(static_cast<int>(frames.size())))];
  }
  std::vector<int> SomeIds() {
    std::vector<int> ids;
    for (const auto& object : doc_.Objects())
      if (Below(3) == 0) ids.push_back(object->id);
    return ids;
  }
  page::Prop2DVal Look() {
    page::Prop2DVal values;
    values.lineWidth = Below(12), values.opacity = 20 + Below(80), values.fillColor = random_() & 0xFFFFFF;
    return values;
  }

  std::unique_ptr<page::SAlignRect> AnyAligner() {
    switch (Below(12)) {
      case 0: return std::make_unique<page::SAlignUp>();
      case 1: return std::make_unique<page::SAlignUD>();
      case 2: return std::make_unique<page::SAlignDown>();
      case 3: return std::make_unique<page::SAlignR>();
      case 4: return std::make_unique<page::SAlignLR>();
      case 5: return std::make_unique<page::SAlignL>();
      case 6: return std::make_unique<page::SAlignUDDist>();
      case 7: return std::make_unique<page::SAlignLRDist>();
      case 8: return std::make_unique<page::SAlignUDGap>();
      case 9: return std::make_unique<page::SAlignLRGap>();
      case 10: return std::make_unique<page::SAlignHeight>();
      default: return std::make_unique<page::SAlignWidth>();
    }
  }

  std::unique_ptr<SCom> MakeCommand() {
    selectionOnly_ = false;
    // Only drawing and inserting need no object to name.
    const int kind = doc_.GetObjectCount() == 0 ? Below(3) : Below(40);
    switch (kind) {
      case 0:
        name_ = "draw";
        return std::make_unique<page::SComInput2D>(&doc_, Below(5), Point(), Point(), Below(7) / 10.0, Look(),
                                                   AnyFrameId(), Below(2) == 0);
      case 1: name_ = "page"; return std::make_unique<page::SComInpPn>(&doc_, files_.page, Point(), AnyFrameId());
      case 2: name_ = "picture"; return std::make_unique<page::SComInpPic>(&doc_, files_.picture, Point(), AnyFrameId());
      case 3: case 4: case 5: case 6: return MakeSelection();
      case 7: name_ = "hide"; return std::make_unique<page::SComHideObj>(&doc_);
      case 8: name_ = "show"; return std::make_unique<page::SComShowAll>(&doc_);
      case 9: name_ = "frame"; return std::make_unique<page::SComSetTrim>(&doc_, Below(3) != 0);
      case 10: name_ = "noclip"; return std::make_unique<page::SComVoidTrim>(&doc_, Below(2) == 0);
      case 11: name_ = "order"; return std::make_unique<page::SComFront>(&doc_, Below(2) == 0);
      case 12: name_ = "copy"; return std::make_unique<page::SComCopy>(&doc_);
      case 13: name_ = "paste"; return std::make_unique<page::SComPaste>(&doc_);
      case 14: name_ = "cut"; return std::make_unique<page::SComCut>(&doc_, Below(2));
      case 15: name_ = "dup"; return std::make_unique<page::SComDuplicate>(&doc_);
      case 16: name_ = "group"; return std::make_unique<page::SComGroup>(&doc_);
      case 17: name_ = "ungroup"; return std::make_unique<page::SComUnGroup>(&doc_);
      case 18: name_ = "into"; return std::make_unique<page::SComInsertTrim>(&doc_);
      case 19: name_ = "out"; return std::make_unique<page::SComDelFromTrim>(&doc_);
      case 20:
        name_ = "move";
        return std::make_unique<page::SComMoveObj>(&doc_, Below(41) - 20.5, Below(41) - 20.25, Below(5) == 0);
      case 21: name_ = "scale"; return std::make_unique<page::SComMagObj>(&doc_, -1, Point(), Point(), Point(), Below(3));
      case 22: name_ = "turn"; return std::make_unique<page::SComRotObj>(&doc_, -1, Point(), Point(), Point(), Below(2));
      case 23: name_ = "align"; return std::make_unique<page::SComAlignPosition>(&doc_, AnyAligner());
      case 24: name_ = "size"; return std::make_unique<page::SComAlignSize>(&doc_, AnyAligner());
      case 25: {
        name_ = "prop";
        page::Prop2DVal value = Look();
        value.mask = Below(2) == 0 ? page::Prop2DVal::kLineWidth : page::Prop2DVal::kOpacity;
        return std::make_unique<page::SComSetProp>(&doc_, value);
      }
      case 26: {
        name_ = "place";
        page::PropSCVal P;
        P.x = Coordinate(), P.y = Coordinate(), P.width = 5 + Below(90), P.height = 5 + Below(90), P.angle = Below(6);
        return std::make_unique<page::SComSetPropObj>(&doc_, P, AnyId());
      }
      case 27: name_ = "defaults"; return std::make_unique<page::SComSetPropBar>(&doc_, Look());
      case 28: name_ = "mirror"; return std::make_unique<page::SComMirrorPic>(&doc_);
      case 29: {
        name_ = "edit";
        const int id = AnyId();
        // Only a shape that can edit its points starts to (the menu's test).
        if (doc_.CanEditPointsOf(id)) return std::make_unique<page::SComFlagEditPoints>(&doc_, id);
        return std::make_unique<page::SComSelectAll>(&doc_, true);
      }
      case 30: {
        // The tools adjust the shape they have just drawn: the last object.
        name_ = "after";
        const page::SObj& last = *doc_.GetObject(doc_.GetObjectCount() - 1);
        if (last.parentId != -1 || (last.flags & page::kObjContainer) || !last.IsKind(page::kFig2D)) return MakeSelection();
        const int id = last.id;
        switch (Below(4)) {
          case 0: return std::make_unique<page::SComAfter2DALine>(&doc_, id);
          case 1: return std::make_unique<page::SComAfter2DTrim>(&doc_, id);
          case 2: return std::make_unique<page::SComAfter2DTrimout>(&doc_, id);
          default: return std::make_unique<page::SComAfter2DForceShape>(&doc_, id, Below(8) - 1, Below(3) - 1, Below(3) - 1);
        }
      }
      case 31: {
        name_ = "topicture";
        const int id = AnyId();
        if (!doc_.FindObjectById(id)->CanConvertToPicture()) return MakeSelection();
        auto picture = std::make_unique<platform::Image>(2 + Below(6), 2 + Below(6), 32, true);
        picture->Fill(platform::Bgra{static_cast<std::uint8_t>(Below(256)), 10, 20, 255});
        return std::make_unique<page::SComChangeToPic>(&doc_, id, std::move(picture));
      }
      case 32: name_ = "pagesize"; return std::make_unique<page::SComOrgSize>(&doc_, 100.0 + Below(900), 100.0 + Below(900), 72 + Below(300));
      case 33: {
        name_ = "grid";
        page::SGridInfo grid;
        grid.spacing = Below(40), grid.divisions = Below(5), grid.showGrid = Below(2) == 0;
        return std::make_unique<page::SComSetGrid>(&doc_, grid);
      }
      case 34: name_ = "figure"; return std::make_unique<page::SComInp3D>(&doc_, "man.Z4H", Point(), AnyFrameId());
      case 35:
        // On the selection's figures: nothing to apply to fails the action.
        name_ = "pose";
        return std::make_unique<page::SComApplyAnim>(&doc_, std::string(static_cast<std::size_t>(1 + Below(9)), 'p'), -1, -1);
      case 36: name_ = "tool"; return std::make_unique<page::SComApplyTool>(&doc_, "hat.Z4I", -1, -1);
      case 37: {
        name_ = "paint";
        const int id = AnyId();
        if (!doc_.FindObjectById(id)->HasPosableFigure()) return MakeSelection();
        return std::make_unique<page::SComChangeCol>(&doc_, id, 0, Below(4), platform::COLORREF(random_() & 0xFFFFFF));
      }
      default: return MakeSelection();
    }
  }

  std::unique_ptr<SCom> MakeSelection() {
    selectionOnly_ = true;
    switch (Below(5)) {
      case 0: name_ = "click"; return std::make_unique<page::SComSelectObj>(&doc_, AnyId(), Below(2) == 0, 0);
      case 1: name_ = "band"; return std::make_unique<page::SComSelectTab>(&doc_, SomeIds(), Below(2) == 0);
      case 2: name_ = "all"; return std::make_unique<page::SComSelectAll>(&doc_, Below(3) != 0);
      case 3: name_ = "kind"; return std::make_unique<page::SComSelectType>(&doc_, Below(2) == 0 ? 3 : 1);
      default: name_ = "frames"; return std::make_unique<page::SComSelectTrim>(&doc_, Below(2));
    }
  }

  std::mt19937 random_;
  const Files& files_;
  SDoc& doc_;
  std::vector<std::string> pages_;  // the page after each closed action still done
  bool open_ = false;               // commands wait after the last marker
  bool selectionOnly_ = false;      // the last command made changed only the selection
  std::string name_;
  std::string log_;
};

TEST(CommandSequences, EveryActionUndoesAndRedoesToItsOwnPage) {
  pagetest::FatalThrows fatalThrows;
  pagetest::ScopedFigureFacade figures;
  testsupport::TempDir dir;
  Files files{dir / "other.Z4G", dir / "picture.png"};
  ASSERT_EQ(page::SaveSDoc(*pagetest::MakeNestedPage(), files.page), 0);
  platform::Image picture(5, 3, 32, true);
  picture.Fill(platform::Bgra{30, 60, 90, 200});
  ASSERT_TRUE(platform::SaveImageFile(picture, files.picture));
  constexpr int kSteps = 16;  // fewer actions than the stack's depth of 20
  // PENNET_EDIT_SESSIONS=n runs n sessions instead (a longer search).
  const char* sessions = std::getenv("PENNET_EDIT_SESSIONS");
  const std::uint32_t lastSeed = sessions != nullptr ? static_cast<std::uint32_t>(std::atoi(sessions)) : 30;
  for (std::uint32_t seed = 1; seed <= lastSeed; ++seed) {
    std::unique_ptr<SDoc> doc = pagetest::MakeNestedPage();
    Session session(seed, files, *doc);
    for (int i = 0; i < kSteps; ++i)
      ASSERT_NO_FATAL_FAILURE(ASSERT_NO_THROW(session.Step()) << "seed " << seed << ": " << session.Log());
    ASSERT_NO_FATAL_FAILURE(ASSERT_NO_THROW(session.WalkBackAndForth()) << "seed " << seed << ": " << session.Log());
    EXPECT_EQ(pagetest::StructureProblems(*doc), "") << "seed " << seed << ": " << session.Log();
  }
}

}  // namespace
