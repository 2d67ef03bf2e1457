#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "page/ResultCodes.h"

// A name of its own: test files are compiled together in batches.
namespace selection_test {

using pagetest::MakeNestedPage;
using pagetest::SelectedIds;
using Ids = std::vector<int>;

// Ids of MakeNestedPage.
enum : int { A = 1000, G1, G2, a, b, c, F, d, E };

TEST(SelectObject, ClicksDrillIntoGroupsAndKeepTheLevel) {
  struct Click {
    int id;
    bool add;
    int keep;
    Ids selected;
    const char* what;
  };
  const std::vector<Click> clicks = {
      {a, false, 0, {G1, G2, a, b, c}, "a first click takes the outermost group"},
      {a, false, 0, {G2, a, b}, "the second goes one level in"},
      {a, false, 0, {a}, "the third reaches the object"},
      {a, false, 0, {a}, "then nothing changes"},
      {c, false, 0, {c}, "another object of the outer group: the drilled level stays"},
      {b, false, 0, {G2, a, b}, "at that level b's unit is the inner group"},
      {c, true, 0, {G1, G2, a, b, c}, "Shift adds c; all of G1 is selected, so G1 is too"},
      {a, true, 0, {}, "Shift on a selected member drops the outermost selected group"},
      {E, false, 1, {E}, "a press that may start a drag selects like a click"},
      {E, false, 1, {E}, "and keeps a selected object as it is"},
      {A, true, 0, {A, E}, "Shift adds a loose object"},
      {d, false, 0, {d}, "panel frames are not groups: a member is taken alone"},
  };
  auto doc = MakeNestedPage();
  for (const Click& click : clicks) {
    SCOPED_TRACE(click.what);
    doc->SelectObject(click.id, click.add, click.keep);
    EXPECT_EQ(SelectedIds(*doc), click.selected);
    EXPECT_EQ(pagetest::StructureProblems(*doc), "");
  }
}

TEST(SelectIds, TheBandTakesOnlyWholeGroups) {
  struct Case {
    Ids inBand;
    bool toggle;
    Ids before;
    Ids after;
    const char* what;
  };
  const std::vector<Case> cases = {
      {{a, b}, false, {}, {}, "an inner group whole but not its outer group: nothing of it"},
      {{a, b, c}, false, {}, {G1, G2, a, b, c}, "every member of the outer group"},
      {{A, d}, false, {}, {A, d}, "loose objects and frame members"},
      {{A, E}, true, {A}, {E}, "toggling flips each object in the band"},
      {{a, b, c, E}, true, {E}, {G1, G2, a, b, c}, "toggling a whole group on"},
  };
  for (const Case& c0 : cases) {
    SCOPED_TRACE(c0.what);
    auto doc = MakeNestedPage();
    pagetest::SelectExactly(*doc, c0.before);
    doc->SelectIds(c0.inBand, c0.toggle);
    EXPECT_EQ(SelectedIds(*doc), c0.after);
    EXPECT_EQ(pagetest::StructureProblems(*doc), "");
  }
}

TEST(Selection, SelectAllSkipsHiddenObjectsButSelectingByKindTakesThem) {
  auto doc = MakeNestedPage();
  pagetest::SelectExactly(*doc, {E});
  doc->HideSelection();
  EXPECT_TRUE(doc->FindObjectById(E)->flags & page::kObjHidden);
  EXPECT_EQ(SelectedIds(*doc), Ids{});
  doc->SelectAll(true);
  EXPECT_EQ(SelectedIds(*doc), (Ids{A, G1, G2, a, b, c, F, d}));
  doc->SelectKind(page::kFig2D);
  EXPECT_EQ(SelectedIds(*doc), (Ids{A, G1, G2, a, b, c, F, d, E}));
  doc->ShowAll();
  EXPECT_FALSE(doc->FindObjectById(E)->flags & page::kObjHidden);
  EXPECT_TRUE(doc->FindObjectById(G1)->flags & page::kObjHidden);  // groups stay hidden
}

TEST(Selection, PanelFramesOfTheSelectionAndTheirContents) {
  auto doc = MakeNestedPage();
  pagetest::SelectExactly(*doc, {d, A});
  doc->SelectFramesOfSelection();
  EXPECT_EQ(SelectedIds(*doc), (Ids{A, F, d}));
  pagetest::SelectExactly(*doc, {F});
  doc->SelectFrameContents();
  EXPECT_EQ(SelectedIds(*doc), (Ids{F, d}));
}

TEST(Selection, MarksTellWhetherTheOutermostGroupIsSelected) {
  auto doc = MakeNestedPage();
  pagetest::SelectExactly(*doc, {A, G2, a, b});
  EXPECT_EQ(doc->GetSelectionMark(doc->FindObjectById(A)), 1);
  EXPECT_EQ(doc->GetSelectionMark(doc->FindObjectById(a)), 3);  // G1 not selected
  EXPECT_EQ(doc->GetSelectionMark(doc->FindObjectById(c)), 0);
  doc->SelectObject(c, true, 0);
  EXPECT_EQ(doc->GetSelectionMark(doc->FindObjectById(a)), 2);
}

TEST(Selection, StructureQueriesOverNestedContainers) {
  auto doc = MakeNestedPage();
  const auto at = [&](int id) { return doc->FindObjectById(id); };
  EXPECT_EQ(doc->GetMemberRange(at(G1)), std::make_pair(1, 5));
  EXPECT_EQ(doc->GetMemberRange(at(F)), std::make_pair(6, 7));
  EXPECT_EQ(doc->GetMemberRange(at(a)), std::make_pair(3, 3));
  EXPECT_EQ(doc->GetMemberRange(nullptr), std::make_pair(0, 8));
  EXPECT_TRUE(doc->IsInside(at(G1), at(a)));
  EXPECT_FALSE(doc->IsInside(at(G2), at(c)));
  EXPECT_FALSE(doc->IsInside(at(a), at(a)));
  EXPECT_EQ(doc->FindInnermostGroup(at(a)), at(G2));
  EXPECT_EQ(doc->FindOutermostGroup(at(a), false), at(G1));
  EXPECT_EQ(doc->FindGroupBelow(at(G1), at(a)), at(G2));
  EXPECT_EQ(doc->FindGroupBelow(at(G1), at(c)), nullptr);  // a direct member
  EXPECT_EQ(doc->FindPanelFrameOf(at(d)), at(F));
  EXPECT_EQ(doc->FindPanelFrameOf(at(a)), nullptr);
  pagetest::SelectExactly(*doc, {a, c});
  EXPECT_EQ(doc->FindCommonContainer(true, false), at(G1));
  pagetest::SelectExactly(*doc, {G2, a, b});
  EXPECT_EQ(doc->FindCommonContainer(true, false), at(G1));  // the selected inner group is skipped
  EXPECT_EQ(doc->FindCommonContainer(true, true), at(G2));
  EXPECT_FALSE(doc->CanGroupSelection());  // it is one group already
  pagetest::SelectExactly(*doc, {A, E});
  EXPECT_EQ(doc->FindCommonContainer(false, false), nullptr);
  EXPECT_TRUE(doc->CanGroupSelection());
  pagetest::SelectExactly(*doc, {A});
  EXPECT_FALSE(doc->CanGroupSelection());
}

TEST(Selection, TargetFrameCodes) {
  struct Case {
    Ids selected;
    int code;
    int frame;
  };
  auto doc = MakeNestedPage();
  // A second frame inside a group, to be selected with the group.
  const int g3 = pagetest::AddGroup(*doc, -1).id;
  const int inner = pagetest::AddFrame(*doc, g3, 50, 400).id;
  const int beside = pagetest::AddRect(*doc, g3, 90, 400).id;
  const std::vector<Case> cases = {
      {{F, E}, page::kResultOk, F},
      {{A, F, d}, page::kResultOk, F},
      {{F}, page::kResultNeedFrameAndShape, -1},
      {{A, E}, page::kResultNeedFrameAndShape, -1},
      {{g3, inner, beside, E}, page::kResultFrameGrouped, -1},
  };
  for (const Case& c0 : cases) {
    pagetest::SelectExactly(*doc, c0.selected);
    int code = 99;
    const page::SObj* frame = doc->FindTargetFrame(code);
    EXPECT_EQ(code, c0.code);
    EXPECT_EQ(frame ? frame->id : -1, c0.frame);
  }
}

TEST(Selection, EnableTestsOfTheMenus) {
  auto doc = MakeNestedPage();
  pagetest::SelectExactly(*doc, {a});
  EXPECT_TRUE(doc->HasSelectedWithUnselectedParent());
  EXPECT_FALSE(doc->HasSelectedGroup());
  EXPECT_EQ(doc->GetSelectedId(true), a);
  EXPECT_FALSE(doc->QueryFrames(1));
  EXPECT_TRUE(doc->QueryFrames(2));
  pagetest::SelectExactly(*doc, {F, d, E});
  EXPECT_EQ(doc->GetSelectedId(true), -1);
  EXPECT_EQ(doc->GetSelectedId(false), F);
  EXPECT_TRUE(doc->QueryFrames(0));
  EXPECT_TRUE(doc->QueryFrames(1));
  pagetest::SelectExactly(*doc, {F});
  EXPECT_FALSE(doc->QueryFrames(2));
  doc->FindObjectById(F)->flags |= page::kObjFrameNoClip;
  EXPECT_TRUE(doc->QueryFrames(2));
  pagetest::SelectExactly(*doc, {G2, a, b});
  EXPECT_TRUE(doc->HasSelectedGroup());
}

}  // namespace selection_test
