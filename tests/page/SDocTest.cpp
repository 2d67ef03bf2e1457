#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "page/SDoc.h"
#include "page/SFigRect.h"

namespace {

using page::SDatID;
using page::SDatObj;
using page::SDoc;
using page::SObj;

std::unique_ptr<SObj> NewRect(double x = 0) {
  auto object = std::make_unique<SObj>();
  object->SetFig(std::make_unique<page::SFigRect>(), false);
  object->placement.x = x;
  return object;
}

std::vector<int> IdsOf(const SDoc& doc) {
  std::vector<int> ids;
  for (const auto& object : doc.Objects()) ids.push_back(object->id);
  return ids;
}

// ---- ids ------------------------------------------------------------------

TEST(SDocIds, AddObjectGivesOrKeepsIdsAndMovesNextIdAboveThem) {
  struct Case {
    int startNext, id;
    int expectId, expectNext;
  };
  const std::vector<Case> cases = {
      {1000, -1, 1000, 1001},  // a new page's first object
      {1003, 5000, 5000, 5001},
      {1003, 10, 10, 1003},
      {1003, 1003, 1003, 1004},
      {1003, 1002, 1002, 1003},
  };
  for (const Case& c : cases) {
    SDoc doc;
    doc.nextId = c.startNext;
    EXPECT_EQ(doc.AddObject(NewRect(), -1, c.id), c.expectId);
    EXPECT_EQ(doc.GetObject(0)->id, c.expectId);
    EXPECT_EQ(doc.nextId, c.expectNext) << "id " << c.id;
  }
}

TEST(SDocIds, AddObjectInsertsAtTheIndexOrAppends) {
  SDoc doc;
  doc.AddObject(NewRect(), -1, -1);   // 1000
  doc.AddObject(NewRect(), -1, -1);   // 1001
  doc.AddObject(NewRect(), 1, -1);    // 1002 between
  doc.AddObject(NewRect(), 0, 7);     // first
  doc.AddObject(NewRect(), 99, -1);   // past the end: appended
  EXPECT_EQ(IdsOf(doc), (std::vector<int>{7, 1000, 1002, 1001, 1003}));
  EXPECT_EQ(doc.AddObject(nullptr, -1, -1), -1);
}

TEST(SDocIds, FindObjectByIdAnswersNullForNegativeAndUnknownIds) {
  SDoc doc;
  doc.AddObject(NewRect(), -1, -1);
  EXPECT_NE(doc.FindObjectById(1000), nullptr);
  EXPECT_EQ(doc.FindObjectById(-1), nullptr);
  EXPECT_EQ(doc.FindObjectById(1001), nullptr);
}

TEST(SDoc, NewPageDefaultsAndPageSizeFloor) {
  SDoc doc;
  EXPECT_EQ(doc.GetPageWidth(), 500);
  EXPECT_EQ(doc.GetPageHeight(), 500);
  EXPECT_EQ(doc.resolution, 72);
  EXPECT_EQ(doc.nextId, 1000);
  EXPECT_EQ(doc.grid, page::SGridInfo());
  EXPECT_EQ(doc.Root().fig, nullptr);
  doc.SetPageSize(0, -5);
  EXPECT_EQ(doc.GetPageWidth(), 1);
  EXPECT_EQ(doc.GetPageHeight(), 1);
}

// ---- removing and inserting ---------------------------------------------------

TEST(SDocList, RemovedObjectsGoBackWhereTheyWereWhenInsertedFromTheLast) {
  SDoc doc;
  for (int i = 0; i < 5; ++i) doc.AddObject(NewRect(), -1, -1);  // A B C D E = 1000..1004
  std::vector<SDatObj> removed = {{doc.FindObjectById(1001)}, {doc.FindObjectById(1003)}, {doc.FindObjectById(1004)}};
  doc.RemoveObjects(removed);
  EXPECT_EQ(IdsOf(doc), (std::vector<int>{1000, 1002}));
  // Each record holds the index at the moment its object left.
  EXPECT_EQ(removed[0].index, 1);
  EXPECT_EQ(removed[1].index, 2);
  EXPECT_EQ(removed[2].index, 2);
  doc.InsertObjects(removed, false);
  EXPECT_EQ(IdsOf(doc), (std::vector<int>{1000, 1001, 1002, 1003, 1004}));
}

TEST(SDocList, RemovedObjectsBelongToTheCallerUntilDeleted) {
  SDoc doc;
  doc.AddObject(NewRect(), -1, -1);
  doc.AddObject(NewRect(), -1, -1);
  SObj* taken = doc.RemoveObjectById(1000);
  EXPECT_EQ(doc.GetObjectCount(), 1);
  EXPECT_EQ(taken->id, 1000);
  std::vector<SDatObj> records = {{taken, 0}};
  SDoc::DeleteObjects(records);
  EXPECT_EQ(records[0].object, nullptr);
}

TEST(SDocList, RemovingWhatIsNotInTheListIsABrokenInvariant) {
  pagetest::FatalThrows fatalThrows;
  SDoc doc;
  doc.AddObject(NewRect(), -1, -1);
  EXPECT_THROW(doc.RemoveObjectById(1234), pagetest::FatalThrows::Fatal);
  SObj stray;
  EXPECT_THROW(doc.RemoveObject(&stray), pagetest::FatalThrows::Fatal);
  EXPECT_EQ(doc.GetObjectCount(), 1);
}

// ---- id states ----------------------------------------------------------------

// A page of a panel frame holding two shapes, then a loose shape.
//   1000 frame (container, 0x100)   <- 1001, 1002
//   1003 shape
void FillFramePage(SDoc& doc) {
  for (int i = 0; i < 4; ++i) doc.AddObject(NewRect(i), -1, -1);
  doc.GetObject(0)->SetFlagsAll(page::kObjContainer | page::kObjFrame);
  doc.GetObject(1)->parentId = 1000;
  doc.GetObject(2)->parentId = 1000;
  doc.GetObject(3)->flags = page::kObjSelected;
}

TEST(SDocIdState, SaveThenReorderThenRestoreBringsBackOrderFlagsAndParents) {
  SDoc doc;
  FillFramePage(doc);
  std::vector<SDatID> saved;
  doc.SaveIdState(saved);
  const std::string before = pagetest::DumpPage(doc);
  EXPECT_EQ(saved[0], (SDatID{1000, page::kObjContainer | page::kObjFrame, -1}));

  // What a command might do in between: reorder, ungroup, drop the frame.
  std::vector<SDatID> moved = {{1003, 0, -1}, {1002, page::kObjSelected, -1}, {1000, 0, -1}, {1001, 0x40, -1}};
  doc.RestoreIdState(moved, true);
  EXPECT_EQ(IdsOf(doc), (std::vector<int>{1003, 1002, 1000, 1001}));
  EXPECT_FALSE(doc.FindObjectById(1000)->IsFrame());

  doc.RestoreIdState(saved, true);
  EXPECT_EQ(pagetest::DumpPage(doc), before);
  EXPECT_TRUE(doc.FindObjectById(1000)->IsFrame());
}

TEST(SDocIdState, SavingBringsTheFrameBitInLineWithTheFrameState) {
  SDoc doc;
  FillFramePage(doc);
  doc.GetObject(0)->flags &= ~page::kObjFrame;  // bit lost, state kept
  doc.GetObject(3)->frame.isFrame = true;       // state set, bit missing
  std::vector<SDatID> saved;
  doc.SaveIdState(saved);
  EXPECT_TRUE(saved[0].flags & page::kObjFrame);
  EXPECT_TRUE(saved[3].flags & page::kObjFrame);
}

TEST(SDocIdState, RestoreInPlaceKeepsTheOrderAndSetsFlags) {
  SDoc doc;
  FillFramePage(doc);
  std::vector<SDatID> state;
  doc.SaveIdState(state);
  state[1].flags = page::kObjSelected;
  state[2].parentId = -1;
  doc.RestoreIdState(state, false);
  EXPECT_TRUE(doc.GetObject(1)->IsSelected());
  EXPECT_EQ(doc.GetObject(2)->parentId, -1);
}

TEST(SDocIdState, StatesThatDoNotDescribeTheListAreBrokenInvariants) {
  pagetest::FatalThrows fatalThrows;
  SDoc doc;
  FillFramePage(doc);
  std::vector<SDatID> state;
  doc.SaveIdState(state);
  const std::vector<std::vector<SDatID>> bad = {
      {state[0], state[1], state[2]},                    // too few
      {state[0], state[1], state[2], {4321, 0, -1}},     // unknown id
      {state[0], state[1], state[1], state[3]},          // an id twice
  };
  for (const auto& b : bad) EXPECT_THROW(doc.RestoreIdState(b, true), pagetest::FatalThrows::Fatal);
  std::vector<SDatID> swapped = {state[1], state[0], state[2], state[3]};
  EXPECT_THROW(doc.RestoreIdState(swapped, false), pagetest::FatalThrows::Fatal);
}

TEST(SDoc, ClearTempMarksLeavesOtherFlags) {
  SDoc doc;
  doc.AddObject(NewRect(), -1, -1);
  doc.GetObject(0)->flags = 0x40 | 0x80 | page::kObjSelected | page::kObjHidden;
  doc.ClearTempMarks();
  EXPECT_EQ(doc.GetObject(0)->flags, page::kObjSelected | page::kObjHidden);
}

TEST(SDoc, NewGroupObjectIsAHiddenContainerWithABaseShape) {
  const auto group = SDoc::NewGroupObject();
  EXPECT_EQ(group->flags, page::kObjHidden | page::kObjContainer | page::kObjGroup);
  ASSERT_NE(group->fig, nullptr);
  EXPECT_EQ(group->fig->GetTypeId(), page::kFigBase);
  EXPECT_EQ(group->id, -1);
}

// ---- property values of many objects --------------------------------------------

TEST(SDocProps, SelectionValuesComeFromTheFirstSelectedObjectOrTheRoot) {
  SDoc doc;
  for (int i = 0; i < 3; ++i) doc.AddObject(NewRect(i * 10), -1, -1);
  doc.Root().placement.x = -1;
  page::PropSCVal value;
  doc.TakePropValFromSelection(value);
  EXPECT_EQ(value.x, -1);
  doc.GetObject(2)->SetSelected(true);
  doc.GetObject(1)->SetSelected(true);
  doc.TakePropValFromSelection(value);
  EXPECT_EQ(value.x, 10);
  EXPECT_EQ(value.mask, 0);
}

TEST(SDocProps, CollectedValuesGoBackToTheSelectedObjectsOnly) {
  SDoc doc;
  for (int i = 0; i < 3; ++i) doc.AddObject(NewRect(i * 10), -1, -1);
  std::vector<std::unique_ptr<page::PropVal>> saved;
  doc.CollectPropVals(page::PropSCVal(), saved);
  ASSERT_EQ(saved.size(), 3u);

  doc.GetObject(0)->SetSelected(true);
  doc.GetObject(2)->SetSelected(true);
  page::PropSCVal moveAll;
  moveAll.x = 99;
  moveAll.mask = page::PropSCVal::kCentre;
  doc.ApplyPropValToSelection(moveAll, true);
  doc.GetObject(1)->placement.x = 55;  // an unselected object changed otherwise
  EXPECT_EQ(doc.GetObject(0)->placement.x, 99);

  doc.ApplyPropVals(saved, true);
  EXPECT_EQ(doc.GetObject(0)->placement.x, 0);
  EXPECT_EQ(doc.GetObject(1)->placement.x, 55);
  EXPECT_EQ(doc.GetObject(2)->placement.x, 20);
}

TEST(SDocProps, ReplaceShapeKeepsTheObjectsValues) {
  SDoc doc;
  doc.AddObject(NewRect(), -1, -1);
  doc.GetObject(0)->placement.width = 321;
  auto old = doc.ReplaceShape(1000, std::make_unique<page::SFig>());
  EXPECT_EQ(old->GetTypeId(), page::kFigRect);
  EXPECT_EQ(doc.GetObject(0)->fig->GetTypeId(), page::kFigBase);
  EXPECT_EQ(doc.GetObject(0)->placement.width, 321);
}

}  // namespace
