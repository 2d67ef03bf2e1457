// The object base: matrix and its inverse, the undo snapshot, copies,
// selection, boxes, the shadow-only walk, drawing and overlay segments.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/core/MGroupObj.h"
#include "engine/core/QImp.h"
#include "MathTestSupport.h"
#include "ObjectTestSupport.h"

namespace {

using namespace engine;
using mathtest::MatrixNear;
using mathtest::PointNear;
using objecttest::Box;
using objecttest::BoxObject;
using objecttest::Composed;
using objecttest::Translation;

class MObjectTest : public objecttest::EngineObjectTest {};

// ---- matrix -------------------------------------------------------------------

TEST_F(MObjectTest, SetMatrixClearsTheProjectiveColumnAndGetMatrixRepairsM33) {
  MObject object;
  MatrixRecord m = Composed(0.3, 0.2, 0.1, {2, 3, 4}, {5, 6, 7});
  const MatrixRecord affine = m;
  m.m[0][3] = 0.5;
  m.m[1][3] = -1.0;
  m.m[2][3] = 9.0;
  m.m[3][3] = 4.0;
  m.flag = 1;
  object.SetMatrix(m);
  MatrixRecord stored;
  object.GetMatrix(stored);
  EXPECT_TRUE(MatrixNear(stored, affine, 0.0));
  EXPECT_EQ(stored.flag, 1);

  // A matrix written into the member directly (as a reader does) comes back
  // with m33 = 1 and is repaired in place.
  object.matrix.m[3][3] = 0.25;
  object.GetMatrix(stored);
  EXPECT_EQ(stored.m[3][3], 1.0);
  EXPECT_EQ(object.matrix.m[3][3], 1.0);
}

TEST_F(MObjectTest, InverseIsRecomputedAfterEveryMove) {
  MObject object;
  MatrixRecord inverse, product;
  for (const MatrixRecord& m : {Composed(0.4, -0.3, 1.2, {2, 2, 2}, {1, -2, 3}), Translation(10, 0, -4),
                                Composed(-1.0, 0.5, 0.0, {0.5, 1, 3}, {0, 0, 0})}) {
    object.SetMatrix(m);
    object.GetInverseMatrix(inverse);
    MUtilMultiply(inverse, m, product);  // m, then its inverse
    EXPECT_TRUE(MatrixNear(product, mathtest::Identity(), 1e-12));
  }
}

// ---- undo snapshot ----------------------------------------------------------------

TEST_F(MObjectTest, SaveUndoTwiceThenSwapUndoTwice) {
  MObject object;
  object.SetEditState(kEditUnchanged);
  const MatrixRecord first = Translation(1, 2, 3);
  object.SetMatrix(first);
  object.layer = 4;
  object.flags = 1;

  object.SaveUndo();
  EXPECT_EQ(object.GetEditState(), kEditTransformSaved);
  object.SetMatrix(Translation(7, 8, 9));
  object.layer = 5;
  object.flags = 0;
  object.SaveUndo();  // the step's first snapshot stays
  const MatrixRecord last = Composed(0.5, 0, 0, {2, 2, 2}, {-1, -1, -1});
  object.SetMatrix(last);
  object.layer = 6;

  object.SwapUndo();
  EXPECT_TRUE(MatrixNear(object.matrix, first, 0.0));
  EXPECT_EQ(object.layer, 4);
  EXPECT_EQ(object.flags, 1);
  EXPECT_EQ(object.inverseStale, 1);
  EXPECT_EQ(object.worldBoundsStale, 1);
  EXPECT_EQ(object.localBoundsStale, 1);

  object.SwapUndo();
  EXPECT_TRUE(MatrixNear(object.matrix, last, 0.0));
  EXPECT_EQ(object.layer, 6);
  EXPECT_EQ(object.flags, 0);
}

TEST_F(MObjectTest, SaveUndoTakesNoSnapshotOnceTheStepSavedOrStoredAMeshStep) {
  struct Case {
    int state;
    bool snapshot;
    int stateAfter;
  };
  for (const Case& c : {Case{kEditUnchanged, true, kEditTransformSaved}, Case{kEditCreated, true, kEditTransformSaved},
                        Case{kEditTransformSaved, false, kEditTransformSaved},
                        Case{kEditMeshStep, false, kEditMeshStep}}) {
    MObject object;
    object.savedLayer = -7;
    object.layer = 3;
    object.SetEditState(c.state);
    object.SaveUndo();
    EXPECT_EQ(object.savedLayer, c.snapshot ? 3 : -7) << "state " << c.state;
    EXPECT_EQ(object.GetEditState(), c.stateAfter) << "state " << c.state;
  }
}

TEST_F(MObjectTest, MatrixCountsAsUnchangedWithinExactly1e8) {
  struct Case {
    double delta;
    bool unchanged;
  };
  for (const Case& c : {Case{0.0, true}, Case{1e-8, true}, Case{-1e-8, true}, Case{1.5e-8, false},
                        Case{-1e-7, false}}) {
    for (int element = 0; element < 16; ++element) {
      // Elements of 0, so that the differences are exact.
      MObject object;
      object.matrix = MatrixRecord{};
      object.SaveState();
      object.matrix.m[element / 4][element % 4] += c.delta;
      EXPECT_EQ(object.IsMatrixUnchanged(), c.unchanged) << "delta " << c.delta << " at " << element;
    }
  }
}

TEST_F(MObjectTest, SetLayerKeepsTheLayerWhenAFailureIsRecorded) {
  MObject object;
  object.SetLayer(12);
  EXPECT_EQ(object.GetLayer(), 12);
  EngRecordFailure(kEngReasonOutOfMemory);
  object.SetLayer(40);
  EXPECT_EQ(object.GetLayer(), 12);
}

// ---- copies -----------------------------------------------------------------------

TEST_F(MObjectTest, CloneCarriesSettingsButNotIdentityOrScreenState) {
  MGroupObj holder;
  auto* source = new MObject();
  holder.AddChild(source);
  source->SetMatrix(Composed(0.1, 0.2, 0.3, {1, 2, 1}, {4, 5, 6}));
  source->layer = 7;
  source->flags = 1;
  source->index = 33;
  source->excluded = 1;
  source->selected = 1;
  source->extraValue = -5;
  source->shadowInfo.shadowMode = kShadowCasts;
  source->shadowInfo.blurRadius = 9;
  source->shadowInfo.opacity = 0.25;
  source->shadowInfo.centre = {1, 1, 1};
  source->lightInfo.lightDistance = 250.0;
  source->lightInfo.lightColour = 0x123456;
  source->SetProjectedView(&view_);
  source->cornerHandles[0] = {10, 20, 1};

  MObject* clone = source->Clone();
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->GetEditState(), kEditUnchanged);
  EXPECT_EQ(clone->GetParent(), nullptr);
  EXPECT_EQ(clone->GetProjectedView(), nullptr);
  EXPECT_TRUE(MatrixNear(clone->matrix, source->matrix, 0.0));
  EXPECT_EQ(clone->layer, 7);
  EXPECT_EQ(clone->flags, 1);
  EXPECT_EQ(clone->selected, 1);
  EXPECT_EQ(clone->extraValue, -5);
  EXPECT_EQ(clone->shadowInfo.shadowMode, kShadowCasts);
  EXPECT_EQ(clone->shadowInfo.blurRadius, 9);
  EXPECT_EQ(clone->shadowInfo.opacity, 0.25);
  EXPECT_EQ(clone->lightInfo.lightDistance, 250.0);
  EXPECT_EQ(clone->lightInfo.lightColour, 0x123456);
  // Not carried: the file number, the exclusion, the shadow frame and the
  // screen handles.
  EXPECT_EQ(clone->index, 0);
  EXPECT_EQ(clone->excluded, 0);
  EXPECT_TRUE(PointNear(clone->shadowInfo.centre, {0, 0, 0}, 0.0));
  EXPECT_EQ(clone->cornerHandles[0].z, -1.0);
  delete clone;
}

TEST_F(MObjectTest, CloneAnswersNullWhenMemoryRunsOut) {
  MObject object;
  {
    EngAllocFailureScope failNext(1);
    EXPECT_EQ(object.Clone(), nullptr);
  }
  EXPECT_EQ(FailState(), kEngFailFailed);
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
}

// ---- selection --------------------------------------------------------------------

TEST_F(MObjectTest, DeselectingKeepsTheSelectTime) {
  MObject object;
  object.selectTime = 0;
  object.Select(true);
  EXPECT_TRUE(object.IsSelected());
  object.selectTime = 1234;  // as if selected at tick 1234
  object.Select(false);
  EXPECT_FALSE(object.IsSelected());
  EXPECT_EQ(object.GetSelectTime(), 1234u);
}

// ---- boxes ------------------------------------------------------------------------

TEST_F(MObjectTest, WorldBoxFollowsTheMatrixAndAnEmptyBoxStaysEmpty) {
  BoxObject object(Box(-1, -2, -3, 1, 2, 3));
  object.SetMatrix(Composed(0, 0, 0, {2, 1, 1}, {10, 0, 0}));
  BoundsRecord world;
  object.GetWorldBounds(world);
  EXPECT_EQ(world.empty, 0);
  EXPECT_DOUBLE_EQ(world.minX, 8);
  EXPECT_DOUBLE_EQ(world.maxX, 12);
  EXPECT_DOUBLE_EQ(world.minZ, -3);
  // A later move makes the cached box stale again.
  object.SetMatrix(Translation(0, 5, 0));
  object.GetWorldBounds(world);
  EXPECT_DOUBLE_EQ(world.minX, -1);
  EXPECT_DOUBLE_EQ(world.minY, 3);

  MObject empty;
  empty.SetMatrix(Translation(3, 3, 3));
  empty.GetWorldBounds(world);
  EXPECT_EQ(world.empty, 1);
}

// ---- shadow-only walk -------------------------------------------------------------

TEST_F(MObjectTest, ShadowOnlyIsDecidedByTheOutermostDecidingLevel) {
  struct Level {
    int mode;
    int shadowOnly;
  };
  struct Case {
    Level object, group, outer;
    bool shadowOnly;
  };
  const Case cases[] = {
      {{0, 0}, {0, 0}, {0, 0}, false},  // nobody decides
      {{2, 1}, {0, 0}, {0, 0}, true},   // the object casts only its shadow
      {{3, 1}, {0, 0}, {0, 0}, true},   // receiving decides as well
      {{2, 1}, {1, 0}, {0, 0}, false},  // a group without shadow overrules
      {{2, 0}, {2, 1}, {0, 0}, true},   // the group's shadow-only flag wins
      {{2, 1}, {3, 0}, {0, 0}, false},
      {{0, 0}, {1, 1}, {2, 1}, true},   // the outermost level decides last
      {{2, 1}, {2, 1}, {1, 0}, false},
  };
  for (const Case& c : cases) {
    MGroupObj outer;
    auto* group = new MGroupObj();
    auto* object = new MObject();
    outer.AddChild(group);
    group->AddChild(object);
    object->shadowInfo.shadowMode = c.object.mode;
    object->shadowInfo.shadowOnly = c.object.shadowOnly;
    group->shadowInfo.shadowMode = c.group.mode;
    group->shadowInfo.shadowOnly = c.group.shadowOnly;
    outer.shadowInfo.shadowMode = c.outer.mode;
    outer.shadowInfo.shadowOnly = c.outer.shadowOnly;
    EXPECT_EQ(object->IsShadowOnly(), c.shadowOnly)
        << c.object.mode << "/" << c.group.mode << "/" << c.outer.mode;
  }
}

// ---- drawing ----------------------------------------------------------------------

// Records the draw record that reaches DrawBody and where in the renderer's
// log the body ran.
class BodyRecorder : public BoxObject {
 public:
  using BoxObject::BoxObject;
  void DrawBody(QView* view, const DrawRecord& ownRecord) override {
    record = ownRecord;
    eyeAtBody = view->GetEyeDirection();
    callsBeforeBody = static_cast<int>(static_cast<testsupport::RecordingQImp*>(view->GetRenderer())->calls.size());
    ++bodies;
  }
  DrawRecord record{};
  PointRecord eyeAtBody{};
  int callsBeforeBody = -1;
  int bodies = 0;
};

TEST_F(MObjectTest, DrawRunsTheBodyInsideTheObjectsCoordinates) {
  BodyRecorder object(Box(0, 0, 0, 1, 1, 1));
  const MatrixRecord m = Composed(M_PI / 2, 0, 0, {2, 2, 2}, {10, 0, 0});
  object.SetMatrix(m);
  const DrawRecord parent{{10, 0, 8}, {10, 0, 0}, {12, 0, 0}, {10, 4, 0}};
  view_.eyeDirection = {0, 0, 3};

  object.Draw(&view_, parent);
  ASSERT_EQ(object.bodies, 1);
  // Each point of the record is carried into object coordinates: carried
  // back by the matrix it is the parent's point again.
  const PointRecord* own = &object.record.eye;
  const PointRecord* given = &parent.eye;
  for (int i = 0; i < 4; ++i) {
    PointRecord back;
    MUtilTransformPoint(m, own[i], back);
    EXPECT_TRUE(PointNear(back, given[i], 1e-12)) << "point " << i;
  }
  // The eye direction is turned into the object and normalised for the
  // body, and put back afterwards.
  PointRecord expectedEye;
  MatrixRecord inverse;
  object.GetInverseMatrix(inverse);
  MUtilTransformVector(inverse, PointRecord{0, 0, 3}, expectedEye);
  OsUtilNormalize(expectedEye);
  EXPECT_TRUE(PointNear(object.eyeAtBody, expectedEye, 1e-12));
  EXPECT_TRUE(PointNear(view_.eyeDirection, {0, 0, 3}, 0.0));

  const auto& log = view_.recorder;
  EXPECT_EQ(log.Names(), (std::vector<std::string>{"SetMatrixMode", "PushMatrix", "MultMatrix", "PopMatrix"}));
  EXPECT_EQ(log.calls[0].values, std::vector<double>{kMatrixModelView});
  EXPECT_EQ(log.calls[2].values, std::vector<double>(&m.m[0][0], &m.m[0][0] + 16));
  EXPECT_EQ(object.callsBeforeBody, 3);
}

TEST_F(MObjectTest, SelectionBoxIsDrawnForSelectedObjectsOutsideTheMirrorPass) {
  struct Case {
    bool selected;
    int mirrorPass;
    bool box;
  };
  for (const Case& c : {Case{false, 0, false}, Case{true, 0, true}, Case{true, 1, false}}) {
    BodyRecorder object(Box(-1, -2, -3, 1, 2, 3));
    object.Select(c.selected);
    prefs_.mirrorPass = c.mirrorPass;
    view_.recorder.Clear();
    view_.markers.clear();
    object.Draw(&view_, DrawRecord{});
    const auto& log = view_.recorder;
    EXPECT_EQ(log.Count("DrawLine"), c.box ? 12 : 0);
    EXPECT_EQ(view_.markers.size(), c.box ? 8u : 0u);
    if (!c.box) continue;
    EXPECT_EQ(log.Find("SetDrawingMode")->values, std::vector<double>{kDrawLinesCulled});
    const std::vector<double> red = log.Find("SetColorVec")->values;
    EXPECT_NEAR(red[0], 0.9, 1e-6);
    EXPECT_NEAR(red[1], 0.1, 1e-6);
    EXPECT_NEAR(red[2], 0.1, 1e-6);
    // Every edge joins two corners that differ along one axis only, and all
    // twelve differ.
    std::vector<std::vector<double>> edges;
    for (int i = 0; i < 12; ++i) {
      const std::vector<double>& v = log.Find("DrawLine", i)->values;
      int differing = 0;
      for (int axis = 0; axis < 3; ++axis) differing += v[axis] != v[3 + axis] ? 1 : 0;
      EXPECT_EQ(differing, 1);
      edges.push_back(v);
    }
    std::sort(edges.begin(), edges.end());
    EXPECT_EQ(std::unique(edges.begin(), edges.end()), edges.end());
    for (const auto& marker : view_.markers) {
      EXPECT_EQ(marker.size, 0.0);
      EXPECT_EQ(std::fabs(marker.point.x), 1.0);
      EXPECT_EQ(std::fabs(marker.point.z), 3.0);
    }
    EXPECT_EQ(log.calls.back().name, "PopMatrix");
  }
}

TEST_F(MObjectTest, ExcludedObjectIsDrawnOnlyWhileTheViewShowsExcludedObjects) {
  BodyRecorder object(Box(0, 0, 0, 1, 1, 1));
  object.excluded = 1;
  object.Draw(&view_, DrawRecord{});
  EXPECT_EQ(object.bodies, 0);
  EXPECT_TRUE(view_.recorder.calls.empty());
  view_.excludedShown = true;
  object.Draw(&view_, DrawRecord{});
  EXPECT_EQ(object.bodies, 1);
}

// ---- overlay segments -------------------------------------------------------------

TEST_F(MObjectTest, OverlaySegmentsMarkTheOriginOfSelectedObjects) {
  MObject object;
  object.SetMatrix(Translation(1, 2, 3));
  const MatrixRecord parentMatrix = Composed(0, 0, 0, {2, 2, 2}, {0, 0, 10});
  LineSegArray segments;
  object.CollectOverlaySegments(segments, parentMatrix, &view_);
  EXPECT_EQ(segments.count, 0);
  object.Select(true);
  object.CollectOverlaySegments(segments, parentMatrix, &view_);
  ASSERT_EQ(segments.count, 1);
  EXPECT_EQ(segments[0].kind, 7);
  EXPECT_TRUE(PointNear(segments[0].from, {2, 4, 16}, 1e-12));
  EXPECT_TRUE(PointNear(segments[0].to, {2, 4, 16}, 1e-12));
}

TEST_F(MObjectTest, BoxSegmentsAreTheTwelveEdgesCarriedToTheParent) {
  BoxObject object(Box(0, 0, 0, 1, 2, 3));
  object.SetMatrix(Translation(10, 0, 0));
  LineSegArray segments;
  object.CollectBoxSegments(segments, mathtest::Identity(), &view_);
  ASSERT_EQ(segments.count, 12);
  double length = 0.0;
  for (int i = 0; i < segments.count; ++i) {
    EXPECT_EQ(segments[i].kind, 6);
    EXPECT_GE(segments[i].from.x, 10.0);
    length += MUtilDistance(segments[i].from, segments[i].to);
  }
  EXPECT_DOUBLE_EQ(length, 4 * (1 + 2 + 3));

  MObject empty;
  LineSegArray none;
  empty.CollectBoxSegments(none, mathtest::Identity(), &view_);
  EXPECT_EQ(none.count, 0);
}

TEST_F(MObjectTest, SegmentCollectionStopsWithOutOfMemoryRecorded) {
  BoxObject object(Box(0, 0, 0, 1, 1, 1));
  LineSegArray segments;
  {
    EngAllocFailureScope failNext(1);
    object.CollectBoxSegments(segments, mathtest::Identity(), &view_);
  }
  EXPECT_EQ(segments.count, 0);
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
}

}  // namespace
