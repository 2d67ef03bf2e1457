#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "EditTestSupport.h"
#include "page/PageFile.h"
#include "page/ResultCodes.h"
#include "page/SComInp.h"
#include "page/SComInput2D.h"
#include "support/TempDir.h"

// A name of its own: test files are compiled together in batches.
namespace insert_test {

using pagetest::IdsOf;
using pagetest::SelectedIds;
using Ids = std::vector<int>;

enum : int { A = 1000, G1, G2, a, b, c, F, d, E };

// The middle of the box around the centres of the objects.
page::SPoint MiddleOf(const page::SDoc& doc, const Ids& ids) {
  page::SPoint min{1e9, 1e9}, max{-1e9, -1e9};
  for (const int id : ids) page::ExtendBounds(min, max, {doc.FindObjectById(id)->placement.x, doc.FindObjectById(id)->placement.y});
  return (min + max) * 0.5;
}

TEST(InsertPageFile, EachCopyGetsNewIdsAboveAllAndLandsSelectedOnTheDropPoint) {
  testsupport::TempDir dir;
  const std::string path = dir / "other.Z4G";
  ASSERT_EQ(page::SaveSDoc(*pagetest::MakeNestedPage(), path), 0);

  page::SDoc doc(5);
  pagetest::AddRect(doc, -1, 10, 10).SetSelected(true);  // 1000
  for (const page::SPoint drop : {page::SPoint{250, 125}, page::SPoint{-40.5, 300}}) {
    const int highest = doc.nextId - 1;
    page::SComInpPn insert(&doc, path, drop, -1);
    ASSERT_EQ(insert.Do(), 0);
    const Ids made = insert.GetCreatedIds();
    ASSERT_EQ(made.size(), 9u);
    for (const int id : made) EXPECT_GT(id, highest);
    EXPECT_EQ(SelectedIds(doc), made);
    // Group members and frame contents keep their containers.
    EXPECT_EQ(doc.FindObjectById(made[3])->parentId, made[2]);
    EXPECT_EQ(doc.FindObjectById(made[7])->parentId, made[6]);
    const Ids drawn = {made[0], made[3], made[4], made[5], made[6], made[7], made[8]};
    const page::SPoint middle = MiddleOf(doc, drawn);
    EXPECT_NEAR(middle.x, drop.x, 1e-9);
    EXPECT_NEAR(middle.y, drop.y, 1e-9);
    EXPECT_EQ(pagetest::StructureProblems(doc), "");
  }
  EXPECT_EQ(doc.GetObjectCount(), 19);
}

TEST(InsertPageFile, IntoAPanelFrameAndBackOut) {
  testsupport::TempDir dir;
  const std::string path = dir / "other.Z4G";
  page::SDoc other(5);
  pagetest::AddRect(other, -1, 0, 0);
  pagetest::AddRect(other, -1, 30, 0);
  ASSERT_EQ(page::SaveSDoc(other, path), 0);

  auto doc = pagetest::MakeNestedPage();
  const std::string before = pagetest::PageBytes(*doc);
  page::SComInpPn insert(doc.get(), path, {300, 300}, F);
  ASSERT_EQ(insert.Do(), 0);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, d, 1010, 1011, E}));
  EXPECT_EQ(doc->FindObjectById(1010)->parentId, F);
  EXPECT_EQ(SelectedIds(*doc), (Ids{1010, 1011}));
  ASSERT_EQ(insert.Undo(), 0);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
}

TEST(InsertPageFile, AFileThatIsNoPageChangesNothing) {
  testsupport::TempDir dir;
  const std::string path = dir.Write("broken.Z4G", std::string("not a package"));
  auto doc = pagetest::MakeNestedPage();
  const std::string before = pagetest::PageBytes(*doc);
  page::SComInpPn insert(doc.get(), path, {0, 0}, -1);
  EXPECT_LT(insert.Do(), 0);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
}

// Selecting by kind takes hidden objects, and deselecting all leaves them
// selected: an insertion must still place, move and frame only what it
// inserts.
TEST(InsertPageFile, HiddenObjectsSelectedByKindStayWhereTheyAre) {
  testsupport::TempDir dir;
  const std::string path = dir / "other.Z4G";
  ASSERT_EQ(page::SaveSDoc(*pagetest::MakeNestedPage(), path), 0);
  for (const int frame : {-1, static_cast<int>(F)}) {
    SCOPED_TRACE(frame);
    auto doc = pagetest::MakeNestedPage();
    pagetest::SelectExactly(*doc, {E, G1, G2, a, b, c});
    doc->HideSelection();
    doc->SelectKind(page::kFig2D);
    ASSERT_TRUE(doc->FindObjectById(E)->IsSelected());
    const std::string before = pagetest::PageBytes(*doc);
    const page::PropSCVal hidden = doc->FindObjectById(E)->placement;
    page::SComInpPn insert(doc.get(), path, {20, 480}, frame);
    ASSERT_EQ(insert.Do(), 0);
    EXPECT_EQ(SelectedIds(*doc), insert.GetCreatedIds());
    EXPECT_EQ(doc->FindObjectById(E)->parentId, -1);
    EXPECT_EQ(doc->FindObjectById(G1)->parentId, -1);
    EXPECT_EQ(doc->FindObjectById(E)->placement.x, hidden.x);
    EXPECT_EQ(doc->FindObjectById(E)->placement.y, hidden.y);
    EXPECT_EQ(pagetest::StructureProblems(*doc), "");
    ASSERT_EQ(insert.Undo(), 0);
    EXPECT_EQ(pagetest::PageBytes(*doc), before);
  }
}

TEST(InsertFile, TheCommandFollowsTheExtensionInAnyCase) {
  struct Case {
    const char* path;
    const std::type_info* type;
  };
  const Case cases[] = {
      {"a/b.txt", &typeid(page::SComInpText)},  {"a/b.TXT", &typeid(page::SComInpText)},
      {"b.png", &typeid(page::SComInpPic)},     {"b.BMP", &typeid(page::SComInpPic)},
      {"b.jpg", &typeid(page::SComInpPic)},     {"b.JPEG", &typeid(page::SComInpPic)},
      {"b.jpeg", &typeid(page::SComInpPic)},    {"b.gif", &typeid(page::SComInpPic)},
      {"b.Z4T", &typeid(page::SComInp3D)},      {"b.z4h", &typeid(page::SComInp3D)},
      {"dir.z4g/b.Z4G", &typeid(page::SComInpPn)},
      {"b.doc", nullptr},                       {"b.z4e", nullptr},
      {"dir.png/README", nullptr},              {"b.", nullptr},
  };
  page::SDoc doc;
  for (const Case& c0 : cases) {
    std::unique_ptr<page::SCom> command;
    const int rc = page::MakeInsertFileCommand(doc, c0.path, {0, 0}, -1, command);
    if (c0.type == nullptr) {
      EXPECT_EQ(rc, page::kResultUnsupportedType) << c0.path;
      EXPECT_EQ(command, nullptr) << c0.path;
    } else {
      EXPECT_EQ(rc, 0) << c0.path;
      ASSERT_NE(command, nullptr) << c0.path;
      EXPECT_EQ(typeid(*command), *c0.type) << c0.path;
    }
  }
}

TEST(Insert3D, AFigureFromTheThreeDSideLandsSelectedAtThePoint) {
  pagetest::ScopedFigureFacade figures;
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {A});
  page::SComInp3D insert(doc.get(), "Kordex_Lib/man.Z4H", {222, 111}, -1);
  ASSERT_EQ(insert.Do(), 0);
  const page::SObj* figure = doc->FindObjectById(1009);
  ASSERT_NE(figure, nullptr);
  EXPECT_EQ(figure->fig->GetTypeId(), page::kFig3D);
  EXPECT_EQ(figure->placement.x, 222);
  EXPECT_EQ(figure->placement.y, 111);
  EXPECT_EQ(SelectedIds(*doc), Ids{1009});
  // A file the 3D side cannot open: its code, nothing added.
  const std::string before = pagetest::PageBytes(*doc);
  page::SComInp3D bad(doc.get(), "bad.Z4T", {0, 0}, -1);
  EXPECT_EQ(bad.Do(), page::kResultCannotOpen);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
}

TEST(MakeInputObject, KindsCornersAndMargin) {
  struct Case {
    int kind;
    int type;
  };
  const Case cases[] = {{page::kInputRect, page::kFigRect},
                        {page::kInputOval, page::kFigOval},
                        {page::kInputLine, page::kFigLine},
                        {page::kInputPoly, page::kFigPoly}};
  page::Prop2DVal values;
  values.lineWidth = 6;
  for (const Case& c : cases) {
    std::unique_ptr<page::SObj> object = page::SDoc::MakeInputObject(c.kind, {120, 80}, {20, 30}, 0.25, values);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->fig->GetTypeId(), c.type);
    const page::PropSCVal& P = object->placement;
    EXPECT_EQ(P.x, 70);
    EXPECT_EQ(P.y, 55);
    EXPECT_EQ(P.angle, 0.25);
    EXPECT_GT(P.margin, 0);
    // The box grew by the margin the stroke needs.
    EXPECT_DOUBLE_EQ(P.width, 100 + P.margin);
    EXPECT_DOUBLE_EQ(P.height, 50 + P.margin);
    EXPECT_EQ(object->props2D.lineWidth, 6);
  }
  EXPECT_EQ(page::SDoc::MakeInputObject(99, {0, 0}, {1, 1}, 0, values), nullptr);
}

TEST(SComInput2D, AJoinedShapeGoesIntoItsPanelFrameAlone) {
  auto doc = pagetest::MakeNestedPage();
  pagetest::SelectExactly(*doc, {A, E});
  const std::string before = pagetest::PageBytes(*doc);
  page::SComInput2D input(doc.get(), page::kInputOval, {280, 280}, {320, 330}, 0, page::Prop2DVal(), F, true);
  ASSERT_EQ(input.Do(), 0);
  EXPECT_EQ(input.GetCreatedId(), 1009);
  EXPECT_EQ(IdsOf(*doc), (Ids{A, G1, G2, a, b, c, F, d, 1009, E}));
  EXPECT_EQ(doc->FindObjectById(1009)->parentId, F);
  EXPECT_EQ(SelectedIds(*doc), Ids{1009});
  ASSERT_EQ(input.Undo(), 0);
  EXPECT_EQ(pagetest::PageBytes(*doc), before);
  ASSERT_EQ(input.Redo(), 0);
  EXPECT_EQ(input.GetCreatedId(), 1009);  // the same id again
}

}  // namespace insert_test
