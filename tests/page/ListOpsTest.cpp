#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SComFlagDel.h"

namespace {

using pagetest::IdsOf;
using pagetest::ParentsOf;
using pagetest::SelectedIds;
using Ids = std::vector<int>;

enum : int { A = 1000, G1, G2, a, b, c, F, d, E };

TEST(CutAndPaste, AFrameWithItsMembersComesBackUnderNewIdsWithItsLinks) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {F});  // its member d goes along
  std::vector<page::SDatObj> removed;
  ASSERT_EQ(doc->CutSelection(removed), 0);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, E}));
  ASSERT_EQ(page::PnGlobal::Get().GetCopyBufferCount(), 2);
  std::vector<page::SDatObj> inserted;
  ASSERT_EQ(doc->PasteObjects(inserted, nullptr), 0);
  // nextId was 1009: the smallest copied id (1006) becomes 1010.
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, E, 1010, 1011}));
  EXPECT_EQ(doc->FindObjectById(1011)->parentId, 1010);
  EXPECT_EQ(doc->FindObjectById(1010)->parentId, -1);
  EXPECT_EQ(doc->nextId, 1012);
  EXPECT_EQ(inserted.size(), 2u);
  EXPECT_EQ(inserted[0].index, 7);
  // A second paste gets ids above those.
  inserted.clear();
  ASSERT_EQ(doc->PasteObjects(inserted, nullptr), 0);
  EXPECT_EQ(doc->FindObjectById(1014)->parentId, 1013);
  EXPECT_EQ(pagetest::StructureProblems(*doc), "");
  page::SDoc::DeleteObjects(removed);
}

TEST(CutAndPaste, AMemberCopiedWithoutItsFrameLandsAtTheTop) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {d});
  ASSERT_EQ(doc->CopySelection(), 0);
  std::vector<page::SDatObj> inserted;
  ASSERT_EQ(doc->PasteObjects(inserted, nullptr), 0);
  ASSERT_EQ(inserted.size(), 1u);
  EXPECT_EQ(inserted[0].object->parentId, -1);
  EXPECT_TRUE(inserted[0].object->IsSelected());  // copies keep the selection
}

TEST(CutAndPaste, RemovedObjectsGoBackFromTheLastRemoved) {
  // Taking out B (index 1) and then D (index 2 once B is gone): putting the
  // records back first to last would give A B D C.
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {A, c, E});
  const Ids before = IdsOf(*doc);
  std::vector<page::SDatObj> removed;
  ASSERT_EQ(doc->DeleteSelection(removed), 0);
  ASSERT_EQ(removed.size(), 3u);
  EXPECT_EQ(removed[0].index, 0);
  EXPECT_EQ(removed[1].index, 4);
  EXPECT_EQ(removed[2].index, 6);
  doc->InsertObjects(removed, false);
  EXPECT_EQ(IdsOf(*doc), before);
}

TEST(Duplicate, CopiesLieAboveEverythingSelectedUnderNewIds) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {A, F, d});
  std::vector<page::SDatObj> inserted;
  ASSERT_EQ(doc->DuplicateSelection(inserted), 0);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, d, E, 1010, 1016, 1017}));
  EXPECT_EQ(SelectedIds(*doc), (Ids{1010, 1016, 1017}));
  EXPECT_EQ(doc->FindObjectById(1017)->parentId, 1016);
}

TEST(Grouping, TheGroupTakesThePlaceAfterTheLastSelectedObject) {
  // A, C, B with A and B selected gives C, group, A, B.
  page::SDoc doc(5);
  const int objA = pagetest::AddRect(doc, -1, 0, 0).id;
  const int objC = pagetest::AddRect(doc, -1, 50, 0).id;
  const int objB = pagetest::AddRect(doc, -1, 100, 0).id;
  pagetest::SelectExactly(doc, {objA, objB});
  std::vector<page::SDatObj> removed;
  const page::SObj* group = doc.GroupSelection(removed);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(IdsOf(doc), (Ids{objC, group->id, objA, objB}));
  EXPECT_EQ(ParentsOf(doc), (Ids{-1, -1, group->id, group->id}));
  EXPECT_EQ(SelectedIds(doc), (Ids{group->id, objA, objB}));
  EXPECT_TRUE(removed.empty());
}

TEST(Grouping, InsideAGroupTheNewGroupJoinsIt) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {b, c});  // members of G2 and G1
  std::vector<page::SDatObj> removed;
  const page::SObj* group = doc->GroupSelection(removed);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->parentId, G1);
  // G2 kept only a: it is dissolved and a moves up into G1.
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].object->id, G2);
  EXPECT_EQ(doc->FindObjectById(a)->parentId, G1);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, a, group->id, b, c, F, d, E}));
  EXPECT_EQ(pagetest::StructureProblems(*doc), "");
  page::SDoc::DeleteObjects(removed);
}

TEST(Grouping, NothingChangesWhenTheSelectionCannotBeGrouped) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {G2, a, b});
  const std::string before = pagetest::PageBytes(*doc);
  std::vector<page::SDatObj> removed;
  EXPECT_EQ(doc->GroupSelection(removed), nullptr);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
}

TEST(Ungrouping, OneLevelAtATime) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {G1, G2, a, b, c});
  std::vector<page::SDatObj> removed;
  doc->UngroupSelection(removed);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G2, a, b, c, F, d, E}));
  EXPECT_EQ(doc->FindObjectById(G2)->parentId, -1);
  EXPECT_EQ(doc->FindObjectById(c)->parentId, -1);
  page::SDoc::DeleteObjects(removed);
  // The inner group, drilled into, opens into its outer group.
  doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {G2, a, b});
  removed.clear();
  doc->UngroupSelection(removed);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, a, b, c, F, d, E}));
  EXPECT_EQ(doc->FindObjectById(a)->parentId, G1);
  page::SDoc::DeleteObjects(removed);
}

TEST(DissolveSmallGroups, AGroupWithoutMembersLeavesTheNextObjectAlone) {
  //   G1 { y, G2 { z } }, x      deleting z leaves G2 empty, right before x
  page::SDoc doc(5);
  const int g1 = pagetest::AddGroup(doc, -1).id;
  const int y = pagetest::AddRect(doc, g1, 0, 0).id;
  const int g2 = pagetest::AddGroup(doc, g1).id;
  const int z = pagetest::AddRect(doc, g2, 50, 0).id;
  const int x = pagetest::AddRect(doc, -1, 100, 0).id;
  pagetest::SelectExactly(doc, {z});
  std::vector<page::SDatObj> removed;
  ASSERT_EQ(doc.DeleteSelection(removed), 0);
  EXPECT_EQ(pagetest::StructureProblems(doc), "");
  doc.DissolveSmallGroups(removed);
  // x must not be taken into G1; G1, left with y alone, goes too.
  EXPECT_EQ(IdsOf(doc), (Ids{y, x}));
  EXPECT_EQ(ParentsOf(doc), (Ids{-1, -1}));
  ASSERT_EQ(removed.size(), 3u);
  EXPECT_EQ(removed[1].object->id, g2);
  EXPECT_EQ(removed[2].object->id, g1);
  // Back from the last removed: the page as it was.
  doc.InsertObjects(removed, false);
  EXPECT_EQ(IdsOf(doc), (Ids{g1, y, g2, z, x}));
}

TEST(PanelFrames, AGroupNeverBecomesAPanelFrame) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {G2, a, b, E});
  doc->SetPanelFrame(true);
  const page::SObj& group = *doc->FindObjectById(G2);
  EXPECT_FALSE(group.IsFrame());
  EXPECT_EQ(group.flags & (page::kObjGroup | page::kObjHidden), page::kObjGroup | page::kObjHidden);
  EXPECT_TRUE(doc->FindObjectById(a)->IsFrame());
  EXPECT_TRUE(doc->FindObjectById(E)->IsFrame());
  EXPECT_TRUE(doc->FindObjectById(E)->flags & page::kObjContainer);
  // Off: the frame's members move up to its container.
  pagetest::SelectExactly(*doc, {F});
  doc->SetPanelFrame(false);
  EXPECT_FALSE(doc->FindObjectById(F)->IsFrame());
  EXPECT_FALSE(doc->FindObjectById(F)->flags & page::kObjContainer);
  EXPECT_EQ(doc->FindObjectById(d)->parentId, -1);
}

TEST(PanelFrames, PuttingIntoAFrameAndTakingOut) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {F, E});
  std::vector<page::SDatObj> removed;
  ASSERT_EQ(doc->PutSelectionIntoFrame(removed), 0);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, d, E}));
  EXPECT_EQ(doc->FindObjectById(E)->parentId, F);
  EXPECT_EQ(doc->FindObjectById(d)->parentId, F);
  pagetest::SelectExactly(*doc, {A});
  EXPECT_EQ(doc->PutSelectionIntoFrame(removed), page::kResultNeedFrameAndShape);
  pagetest::SelectExactly(*doc, {d});
  doc->ReleaseSelection(removed);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, E, d}));
  EXPECT_EQ(doc->FindObjectById(d)->parentId, -1);
  EXPECT_TRUE(removed.empty());
  EXPECT_EQ(pagetest::StructureProblems(*doc), "");
}

TEST(PanelFrames, AContainerNeverGoesIntoItsOwnMember) {
  //   F1 { d, F2 { e } }, x      F1 and x selected, into F2
  page::SDoc doc(5);
  const int f1 = pagetest::AddFrame(doc, -1, 300, 300).id;
  const int inF1 = pagetest::AddRect(doc, f1, 280, 290).id;
  const int f2 = pagetest::AddFrame(doc, f1, 320, 320, 50, 50).id;
  const int e = pagetest::AddRect(doc, f2, 320, 320, 10, 10).id;
  const int x = pagetest::AddRect(doc, -1, 10, 400).id;
  ASSERT_EQ(pagetest::StructureProblems(doc), "");
  pagetest::SelectExactly(doc, {f1, x});
  std::vector<page::SDatObj> removed;
  const std::string before = pagetest::PageBytes(doc);
  EXPECT_EQ(doc.PutSelectionIntoFrame(removed, doc.FindObjectById(f2)), page::kResultFrameGrouped);
  EXPECT_EQ(pagetest::PageBytes(doc), before);
  // Without its container the selection goes in.
  pagetest::SelectExactly(doc, {inF1, x});
  ASSERT_EQ(doc.PutSelectionIntoFrame(removed, doc.FindObjectById(f2)), 0);
  EXPECT_EQ(IdsOf(doc), (Ids{f1, f2, e, inF1, x}));
  EXPECT_EQ(ParentsOf(doc), (Ids{-1, f1, f2, f2, f2}));
  EXPECT_EQ(pagetest::StructureProblems(doc), "");
}

TEST(Order, FrontAndBackStayInsideTheCommonContainer) {
  auto doc = pagetest::MakeNestedPage();
  const int d2 = pagetest::AddRect(*doc, -1, 290, 300).id;
  std::vector<page::SDatObj> removed;
  pagetest::SelectExactly(*doc, {F, d2});
  ASSERT_EQ(doc->PutSelectionIntoFrame(removed), 0);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, d, d2, E}));
  // Back inside the frame: right after the frame, still inside it.
  pagetest::SelectExactly(*doc, {d2});
  doc->MoveSelectionInOrder(false);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, d2, d, E}));
  EXPECT_EQ(doc->FindObjectById(d2)->parentId, F);
  doc->MoveSelectionInOrder(true);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, d, d2, E}));
  // At the top level: the ends of the list.
  pagetest::SelectExactly(*doc, {G1, G2, a, b, c});
  doc->MoveSelectionInOrder(true);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, F, d, d2, E, G1, G2, a, b, c}));
  doc->MoveSelectionInOrder(false);
  EXPECT_EQ(IdsOf(*doc), (Ids{G1, G2, a, b, c, A, F, d, d2, E}));
  EXPECT_EQ(pagetest::StructureProblems(*doc), "");
}

TEST(Figures, ApplyingToASelectionWithoutFiguresRecordsNoStates) {
  pagetest::ScopedFigureFacade figures;
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {A, E});
  std::vector<std::unique_ptr<page::SAnimStates>> saved;
  EXPECT_EQ(doc->ApplyAnimationFile("pose.Z4E", -1, -1, saved), page::kResultCannotApply);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0], nullptr);
  EXPECT_EQ(saved[1], nullptr);
  // With a figure among them, that one takes it.
  page::SObj& figure = pagetest::AddFakeFigure(*doc, 200, 200);
  figure.SetSelected(true);
  saved.clear();
  EXPECT_EQ(doc->ApplyAnimationFile("pose.Z4E", -1, -1, saved), 1);
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_NE(saved[2], nullptr);
  EXPECT_EQ(static_cast<pagetest::FakeFigureShape&>(*figure.fig).pose, 8);
  EXPECT_EQ(doc->RestoreAnimations(-1, -1, saved), 1);
  EXPECT_EQ(static_cast<pagetest::FakeFigureShape&>(*figure.fig).pose, 0);
}

TEST(Figures, WithoutTheThreeDSideNothingApplies) {
  page::FigureFacade* kept = page::PnGlobal::Get().figures;
  page::PnGlobal::Get().figures = nullptr;
  page::SDoc doc;
  page::SObj& figure = pagetest::AddFakeFigure(doc, 200, 200);
  std::vector<std::unique_ptr<page::SAnimStates>> saved;
  EXPECT_EQ(doc.ApplyAnimationFile("pose.Z4E", figure.id, 0, saved), page::kResultCannotApply);
  EXPECT_TRUE(saved.empty());
  int result = 0;
  EXPECT_EQ(page::SDoc::MakeFigureObjectFromFile("man.Z4H", {0, 0}, result, false), nullptr);
  EXPECT_EQ(result, page::kResultUnsupportedType);
  page::PnGlobal::Get().figures = kept;
}

TEST(Figures, TheAnimationLengthIsThatOfTheLongestShownAnimation) {
  page::SDoc doc;
  pagetest::AddRect(doc, -1, 0, 0);
  EXPECT_EQ(doc.GetAnimFrameCount(), 1);  // nothing to animate
  page::SObj& walking = pagetest::AddFakeFigure(doc, 0, 0);
  page::SObj& running = pagetest::AddFakeFigure(doc, 0, 0);
  static_cast<pagetest::FakeFigureShape&>(*walking.fig).frames = 12;
  static_cast<pagetest::FakeFigureShape&>(*running.fig).frames = 30;
  EXPECT_EQ(doc.GetAnimFrameCount(), 30);
  running.flags |= page::kObjHidden;
  EXPECT_EQ(doc.GetAnimFrameCount(), 12);
}

}  // namespace
