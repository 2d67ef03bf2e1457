// Every fitting edit through the undo round trip of the figure's group,
// and out of memory at each of its allocations in turn.
#include <cmath>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MGroup.h"
#include "support/FakeQView.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace fitting_edit_undo_test {

using namespace engine;

// A figure's group as an edit finds it, with what the edit needs.
struct Scene {
  std::unique_ptr<MGroupObj> group;
  MBoneObj* figure = nullptr;
  MMeshObj* body = nullptr;
  MLine* line = nullptr;
};

Scene FromChain(Chain chain) {
  Scene s;
  s.figure = chain.figure;
  s.body = chain.body;
  s.group = std::move(chain.group);
  return s;
}

Scene WidenedChain() {
  Scene s = FromChain(MakeChain());
  for (MVertex* v : s.body->GetVertexList()) v->position = {v->position.x * 1.5, v->position.y, v->position.z * 1.5};
  return s;
}

Scene ArmWithPoints() {
  MarkedArm arm = MakeMarkedArm();
  SetFeaturePoints(*arm.chain.figure, {{4, {0.3, 0.6, 0}}, {5, {-0.3, 0.6, 0}}, {6, {0, 0.9, 0}},
                                       {7, {-0.05, 0.3, 0}}, {8, {0.05, 0.3, 0}}, {74, {0.4, 1.5, 0}},
                                       {75, {0.6, 1.5, 0}}});
  return FromChain(std::move(arm.chain));
}

Scene StandardWithPoints() {
  Scene s;
  s.group = standardfigure::BuildStandardFigure();
  s.figure = standardfigure::FigureOf(*s.group);
  MBoneObj& f = *s.figure;
  f.FindLandmarks(false);
  f.ResetFeatureSets();
  int code = 0;
  for (int c : {1, 9, 10, 12, 13, 20, 21, 16, 17, 11, 14, 15, 22, 23, 18, 19, 35, 31, 32, 24, 26, 27, 28, 36, 33, 34,
                25, 29, 30}) {
    const int n = f.featureCount[0]++;
    f.featureCodes[0][n] = c;
    f.featureCodeMap[0][c] = n;
    f.featurePoints[0][n] = Add(f.GetLandmark(code++ % MBoneObj::kLandmarkCount)->position, {0.02, -0.03, 0});
  }
  return s;
}

Scene YellowRing() {
  Scene s = FromChain(MakeChain());
  ColourLine(s.figure->GetVertexByIndex(0)->FindLine(s.figure->GetVertexByIndex(1)), kRed);  // the lower bone
  for (MLine* line : s.body->lines)
    if (std::fabs(line->end0->position.y - 0.5) < 1e-9 && std::fabs(line->end1->position.y - 0.5) < 1e-9)
      ColourLine(line, kYellow);
  return s;
}

Scene CyanLine() {
  Scene s = FromChain(MakeChain());
  for (MLine* l : s.body->lines)
    if (l->end0->position.x > 0.19 && l->end1->position.x > 0.19 && std::fabs(l->end0->position.z) < 1e-9 &&
        std::fabs(l->end1->position.z) < 1e-9 && l->end0->position.y > 0.4 && l->end0->position.y < 0.6)
      s.line = l;
  ColourLine(s.line, kCyan);
  return s;
}

Scene FaceWithPoints() {
  FaceFigure face = MakeFaceFigure(true, false);
  SetFeaturePoints(*face.figure, {{1, {0, 1.87, 0}}, {4, {0.15, 1.69, 0}}, {5, {-0.15, 1.69, 0}}, {6, {0, 1.58, 0}},
                                  {7, {-0.06, 1.44, 0}}, {8, {0.06, 1.44, 0}}, {9, {0, 1.33, 0}}});
  Scene s;
  s.figure = face.figure;
  s.body = face.head;
  s.group = std::move(face.group);
  return s;
}

Scene Sheet() {
  SeamSheet sheet = MakeSeamSheet();
  return FromChain(std::move(sheet.chain));
}

Scene ArmWithRedBone() {
  Scene s = ArmWithPoints();
  ColourLine(s.figure->GetVertexByIndex(0)->FindLine(s.figure->GetVertexByIndex(1)), kRed);
  return s;
}

struct Edit {
  const char* name;
  Scene (*make)();
  std::function<void(Scene&)> run;
};

// The scene as the edit finds it, its bound vertices numbered: the numbers
// are working values the fittings write again each time, outside undo.
Scene Prepared(const Edit& edit) {
  Scene s = edit.make();
  s.figure->NumberBodyVertices(nullptr);
  return s;
}

testsupport::FakeQView* View() {
  static testsupport::FakeQView view;
  return &view;
}

const Edit kEdits[] = {
    {"bind a widened body", WidenedChain, [](Scene& s) { s.figure->BindBody(View(), nullptr); }},
    {"inflate", [] { return FromChain(MakeChain()); },
     [](Scene& s) {
       s.figure->NumberBodyVertices(nullptr);
       s.figure->InflateBody(View(), nullptr, 1.5);
     }},
    {"place the joints on the feature points", StandardWithPoints,
     [](Scene& s) { s.figure->PlaceJointsOnFeatures(); }},
    {"fit the marked regions", ArmWithPoints, [](Scene& s) {
       s.figure->CaptureRegionShapes(nullptr);
       s.figure->FitMarkedRegions(nullptr);
     }},
    {"fit the paired regions", ArmWithPoints, [](Scene& s) { s.figure->FitPairedRegions(nullptr); }},
    {"rebind with the marked bones excluded", ArmWithRedBone,
     [](Scene& s) { s.figure->RebindWithMarkedExclusions(nullptr); }},
    {"spread a listed move", [] { return FromChain(MakeChain()); },
     [](Scene& s) {
       PtrArray list;
       s.body->SaveEditState();
       for (MVertex* v : s.body->GetVertexList()) {
         if (std::fabs(v->position.y - 1.0) > 1e-9) continue;
         v->SaveUndo();
         if (EngContext().failState != kEngFailNone) return;
         v->position.x *= 1.5;
         list.Add(v);
       }
       s.figure->PropagateDisplacement(nullptr, s.body, nullptr, IdentityMatrix(), &list, 1);
     }},
    {"rebuild the rig after an edit", [] { return FromChain(MakeChain()); },
     [](Scene& s) {
       s.body->SaveEditState();
       MVertex* v = s.body->GetVertexList().First();
       v->SaveUndo();
       if (EngContext().failState != kEngFailNone) return;
       v->SetPosition({0.3, 1.7, 0});
       s.figure->RebuildRigFromObjects(nullptr, true);
     }},
    {"fit yellow lines behind faces", YellowRing, [](Scene& s) { s.figure->FitYellowLinesToFaces(nullptr); }},
    {"fit a cyan line to a sketch", CyanLine,
     [](Scene& s) {
       PointArray sketch;
       sketch.Add({0.5, -1, 0});
       sketch.Add({0.5, 3, 0});
       s.figure->FitMarkedLineToSketch(View(), nullptr, s.body, s.line, sketch);
     }},
    {"fit the face to its feature points", FaceWithPoints,
     [](Scene& s) { s.figure->FitToSceneObjects(nullptr); }},
    {"texture coordinates from a seam", Sheet, [](Scene& s) { s.figure->GenerateBodyUVs(nullptr); }},
    {"push marked vertices through marked faces", [] { return FromChain(MakeLimbPlate()); }, [](Scene& s) { s.figure->RunLimbFitPasses(nullptr); }},
};

class FittingEditUndoTest : public FigureTest, public ::testing::WithParamInterface<int> {};

TEST_P(FittingEditUndoTest, UndoesAndRedoes) {
  const Edit& edit = kEdits[GetParam()];
  Scene scene = Prepared(edit);
  EXPECT_TRUE(GroupUndoRoundTrip(*scene.group, [&] { edit.run(scene); })) << edit.name;
  EXPECT_TRUE(AllFinite(*scene.group)) << edit.name;
}

TEST_P(FittingEditUndoTest, UndoesToTheGroupBeforeAfterRunningOutOfMemory) {
  const Edit& edit = kEdits[GetParam()];
  Scene scene;
  EXPECT_TRUE(GroupUndoRestoresAfterAllocationFailures(
      [&]() -> MGroupObj& {
        scene = Prepared(edit);
        return *scene.group;
      },
      [&](MGroupObj&) { edit.run(scene); }))
      << edit.name;
}

INSTANTIATE_TEST_SUITE_P(Edits, FittingEditUndoTest, ::testing::Range(0, static_cast<int>(std::size(kEdits))));

}  // namespace fitting_edit_undo_test
}  // namespace figuretest
