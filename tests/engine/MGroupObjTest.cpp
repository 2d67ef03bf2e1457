// Groups: children and their ownership, boxes, numbering, the group record,
// picking through a group, scale and pivot changes that keep every child in
// its place, mirrored copies, copies and the shadow frame of a group.
#include <gtest/gtest.h>

#include <memory>

#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/ObjectFactory.h"
#include "MathTestSupport.h"
#include "ObjectTestSupport.h"
#include "support/TempDir.h"

namespace {

using namespace engine;
using mathtest::PointNear;
using objecttest::Box;
using objecttest::BoxObject;
using objecttest::Bytes;
using objecttest::Composed;
using objecttest::FakeMesh;
using objecttest::Translation;
using Mode = platform::File::Mode;

class MGroupObjTest : public objecttest::EngineObjectTest {
 protected:
  void TearDown() override {
    RegisterObjectCreator(kObjectMesh, nullptr);
    EngineObjectTest::TearDown();
  }
  std::string WriteFile(MObject& object) {
    const std::string path = dir_.File("group.bin");
    QFile out(path, Mode::kCreateWrite);
    object.WriteTo(out);
    out.FlushAndClose();
    return path;
  }
  testsupport::TempDir dir_;
};

template <class T, class... Args>
T* AddTo(MGroupObj& group, Args&&... args) {
  auto* child = new T(std::forward<Args>(args)...);
  group.AddChild(child);
  return child;
}

// The object's matrix up to the top of its hierarchy.
MatrixRecord WorldMatrix(MObject* object) {
  MatrixRecord world = mathtest::Identity(), m;
  for (MObject* level = object; level != nullptr; level = level->GetParent()) {
    level->GetMatrix(m);
    MUtilMultiply(m, world, world);  // the accumulated transform first, then this level's
  }
  return world;
}

std::vector<PointRecord> WorldVertices(const std::vector<FakeMesh*>& meshes) {
  std::vector<PointRecord> points;
  for (FakeMesh* mesh : meshes) {
    const MatrixRecord world = WorldMatrix(mesh);
    for (const PointRecord& p : mesh->vertices) {
      PointRecord q;
      MUtilTransformPoint(world, p, q);
      points.push_back(q);
    }
  }
  return points;
}

PointRecord ScaleOf(MObject* object) {
  double y, x, z;
  PointRecord scale, translation;
  MUtilDecomposeMatrix(object->matrix, y, x, z, scale, translation);
  return scale;
}

// ---- children, boxes and numbering ----------------------------------------------------

TEST_F(MGroupObjTest, EmptyGroupHasAnEmptyBoxAndARecordWithNoChildren) {
  MGroupObj group;
  BoundsRecord box;
  group.GetLocalBounds(box);
  EXPECT_EQ(box.empty, 1);
  EXPECT_EQ(group.GetEditState(), kEditUnchanged);

  const std::vector<unsigned char> bytes = testsupport::TempDir::ReadAll(WriteFile(group));
  ASSERT_EQ(bytes.size(), 236u + 4 + 4);
  EXPECT_EQ(bytes[3], kObjectGroup);
  // The child count and the empty trailer close the record.
  EXPECT_EQ(std::vector<unsigned char>(bytes.end() - 8, bytes.end()), std::vector<unsigned char>(8, 0));
  EngContext().formatVersion = -4;
  EXPECT_EQ(testsupport::TempDir::ReadAll(WriteFile(group)).size(), 136u + 4);
}

TEST_F(MGroupObjTest, BoxIsTheUnionOfTheChildrenAndFollowsAChildsMove) {
  MGroupObj group;
  AddTo<BoxObject>(group, Box(0, 0, 0, 1, 1, 1));
  BoxObject* moving = AddTo<BoxObject>(group, Box(0, 0, 0, 1, 1, 1));
  moving->SetMatrix(Translation(5, 0, 0));
  AddTo<MObject>(group);  // an empty child adds nothing
  BoundsRecord box;
  group.GetLocalBounds(box);
  EXPECT_EQ(box.empty, 0);
  EXPECT_DOUBLE_EQ(box.maxX, 6);
  EXPECT_FALSE(group.IsBoundsChanged());
  moving->SetMatrix(Translation(-3, 0, 0));
  EXPECT_TRUE(group.IsBoundsChanged());
  EXPECT_TRUE(group.IsWorldBoundsStale());
  group.GetLocalBounds(box);
  EXPECT_DOUBLE_EQ(box.minX, -3);
  EXPECT_DOUBLE_EQ(box.maxX, 1);
}

TEST_F(MGroupObjTest, NumberingRunsDepthFirstAndSetIndexReachesEveryObject) {
  MGroupObj group;
  MObject* a = AddTo<MObject>(group);
  auto* inner = AddTo<MGroupObj>(group);
  MObject* b = AddTo<MObject>(*inner);
  MObject* c = AddTo<MObject>(*inner);
  MObject* d = AddTo<MObject>(group);
  int counter = 0;
  group.AssignIndex(counter);
  EXPECT_EQ(counter, 6);
  EXPECT_EQ(group.GetIndex(), 0);
  EXPECT_EQ(a->GetIndex(), 1);
  EXPECT_EQ(inner->GetIndex(), 2);
  EXPECT_EQ(b->GetIndex(), 3);
  EXPECT_EQ(c->GetIndex(), 4);
  EXPECT_EQ(d->GetIndex(), 5);
  group.SetIndex(0);
  for (MObject* o : {static_cast<MObject*>(&group), a, static_cast<MObject*>(inner), b, c, d})
    EXPECT_EQ(o->GetIndex(), 0);
}

TEST_F(MGroupObjTest, SetLayerReachesEveryChildAndAFailedAddChangesNothing) {
  MGroupObj group;
  MObject* a = AddTo<MObject>(group);
  auto* inner = AddTo<MGroupObj>(group);
  MObject* b = AddTo<MObject>(*inner);
  group.SetLayer(17);
  EXPECT_EQ(a->GetLayer(), 17);
  EXPECT_EQ(b->GetLayer(), 17);
  EXPECT_EQ(b->GetEditState(), kEditTransformSaved);

  // A full list cannot grow: the new child is refused.
  for (int i = 2; i < 10; ++i) AddTo<MObject>(group);
  ASSERT_EQ(group.GetChildCount(), 10);
  MObject extra;
  {
    EngAllocFailureScope failNext(1);
    EXPECT_FALSE(group.AddChild(&extra));
  }
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
  EXPECT_EQ(group.GetChildCount(), 10);
  EXPECT_EQ(extra.GetParent(), nullptr);
}

TEST_F(MGroupObjTest, DrawingProjectionAndOverlaysCarryTheGroupsMatrixToItsChildren) {
  MGroupObj group;
  group.SetMatrix(Translation(10, 0, 0));
  BoxObject* child = AddTo<BoxObject>(group, Box(0, 0, 0, 1, 1, 1));
  child->SetMatrix(Translation(0, 5, 0));
  child->Select(true);

  group.ProjectToScreen(mathtest::Identity(), 1);
  EXPECT_TRUE(PointNear(child->cornerHandles[0], {10, 5, 1}, 1e-12));
  EXPECT_TRUE(PointNear(group.cornerHandles[7], {11, 6, 1}, 1e-12));  // the group's own box handles

  LineSegArray segments;
  group.CollectOverlaySegments(segments, Translation(0, 0, 100), &view_);
  ASSERT_EQ(segments.count, 1);  // the selected child's origin
  EXPECT_TRUE(PointNear(segments[0].from, {10, 5, 100}, 1e-12));

  group.Draw(&view_, DrawRecord{});
  const std::vector<std::string> names = view_.recorder.Names();
  const std::vector<std::string> frame(names.begin(), names.begin() + 6);
  EXPECT_EQ(frame, (std::vector<std::string>{"SetMatrixMode", "PushMatrix", "MultMatrix", "SetMatrixMode", "PushMatrix",
                                             "MultMatrix"}));
  EXPECT_EQ(view_.recorder.Count("PopMatrix"), 2);
  EXPECT_EQ(view_.recorder.Count("DrawLine"), 12);  // the child's selection box only
  EXPECT_EQ(view_.recorder.calls.back().name, "PopMatrix");
}

// ---- the group record -------------------------------------------------------------------

TEST_F(MGroupObjTest, RecordRoundTripKeepsTheHierarchyInOrder) {
  RegisterObjectCreator(kObjectMesh, FakeMesh::Create);
  for (int version : {-101, -4}) {
    SCOPED_TRACE(version);
    EngContext().formatVersion = version;
    MGroupObj group;
    group.SetMatrix(Translation(1, 2, 3));
    AddTo<FakeMesh>(group, std::vector<PointRecord>{{1, 2, 3}, {4, 5, 6}});
    auto* inner = AddTo<MGroupObj>(group);
    inner->layer = 4;
    AddTo<MObject>(*inner)->SetMatrix(Translation(9, 9, 9));
    AddTo<MGridObj>(*inner);

    QFile in(WriteFile(group), Mode::kRead);
    std::unique_ptr<MObject> back(ReadObject(in));
    ASSERT_NE(back, nullptr) << EngContext().failText;
    auto* readGroup = dynamic_cast<MGroupObj*>(back.get());
    ASSERT_NE(readGroup, nullptr);
    ASSERT_EQ(readGroup->GetChildCount(), 2);
    EXPECT_EQ(readGroup->matrix.m[3][2], 3.0);
    auto* mesh = dynamic_cast<FakeMesh*>(readGroup->ChildAt(0));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->vertices.size(), 2u);
    EXPECT_EQ(mesh->GetParent(), readGroup);
    auto* readInner = dynamic_cast<MGroupObj*>(readGroup->ChildAt(1));
    ASSERT_NE(readInner, nullptr);
    ASSERT_EQ(readInner->GetChildCount(), 2);
    EXPECT_EQ(readInner->GetLayer(), 4);
    EXPECT_EQ(readInner->ChildAt(0)->GetType(), kObjectEmpty);
    EXPECT_EQ(readInner->ChildAt(0)->matrix.m[3][0], 9.0);
    EXPECT_EQ(readInner->ChildAt(1)->GetType(), kObjectGrid);
    EXPECT_EQ(in.BytesLeft(), 0);
  }
}

TEST_F(MGroupObjTest, ReadingStopsAtAFailedChildAndKeepsTheChildrenReadBefore) {
  EngContext().formatVersion = -4;
  const auto header = [](int tag) { return Bytes().Int(tag).Int(2).Matrix(mathtest::Identity()); };
  const Bytes bytes = Bytes()
                          .Int(2)
                          .Int(2)
                          .Matrix(mathtest::Identity())
                          .Int(3)
                          .Append(header(1))
                          .Append(header(9))  // an unknown type
                          .Append(header(1));
  QFile in(dir_.Write("group.bin", bytes.data), Mode::kRead);
  std::int32_t tag = 0;
  in.ReadInt(tag);
  MGroupObj group;
  group.ReadFrom(in);
  EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
  EXPECT_EQ(group.GetChildCount(), 1);
}

TEST_F(MGroupObjTest, ChildCountsAndTrailersOutsideTheFileAreLoadFailures) {
  const auto group = [](std::int32_t count) {
    return Bytes().Int(2).Int(2).Matrix(mathtest::Identity()).Int(96).Append(Bytes().Int(44).Int(0).Int(0).Int(0).Int(0).Int(4).Int(0).Double(0.5).Double(0.1)).Int(0).Int(0).Append(Bytes().Int(40).Int(0).Int(1).Double(100).Int(40).Int(4).Int(4).Int(0).Int(30)).Int(0).Int(count);
  };
  const Bytes cases[] = {group(-1), group(1000000000), group(0).Int(-8), group(0).Int(4000)};
  for (const Bytes& bytes : cases) {
    EngContext().ClearFailure();
    QFile in(dir_.Write("group.bin", bytes.data), Mode::kRead);
    EXPECT_EQ(ReadObject(in), nullptr);
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
  }
}

// ---- picking through a group ---------------------------------------------------------------

TEST_F(MGroupObjTest, PicksTakeTheNearestChildAndTheEarlierOneOnATie) {
  struct Case {
    bool hitsA, hitsB;
    double tA, tB;
    int winner;  // 0 A, 1 B, -1 none
  };
  const Case cases[] = {{true, true, 0.5, 0.3, 1}, {true, true, 0.3, 0.5, 0}, {true, true, 0.4, 0.4, 0},
                        {false, true, 0.1, 0.9, 1}, {false, false, 0, 0, -1}};
  for (const Case& c : cases) {
    MGroupObj group;
    FakeMesh* a = AddTo<FakeMesh>(group);
    FakeMesh* b = AddTo<FakeMesh>(group);
    a->hits = c.hitsA;
    a->hitT = c.tA;
    b->hits = c.hitsB;
    b->hitT = c.tB;
    FakeMesh* expected = c.winner == 0 ? a : c.winner == 1 ? b : nullptr;
    const double expectedT = c.winner == 0 ? c.tA : c.tB;
    double t = -1;
    EXPECT_EQ(group.PickNearest({}, {0, 0, 0}, {0, 0, 1}, &t, false), expected);
    if (expected != nullptr) {
      EXPECT_EQ(t, expectedT);
    }
    EXPECT_EQ(group.PickElement({}, {}, {0, 0, 0}, {0, 0, 1}, &t, false), expected);
    MVertex* vertex = nullptr;
    MFace* face = nullptr;
    EXPECT_EQ(group.PickFace({}, {0, 0, 0}, {0, 0, 1}, &t, &vertex, nullptr, &face), expected);
    if (expected != nullptr) {
      EXPECT_EQ(face, reinterpret_cast<MFace*>(&expected->faceToken));
    } else {
      EXPECT_EQ(face, nullptr);
      EXPECT_EQ(t, 1.0);  // a face pick without a hit gives back the ray's end
    }
  }
}

TEST_F(MGroupObjTest, FigureIsPickedBeforeTheObjectsBesideIt) {
  MGroupObj group;
  FakeMesh* prop = AddTo<FakeMesh>(group);
  FakeMesh* figure = AddTo<FakeMesh>(group);
  figure->figure = true;
  prop->hits = figure->hits = true;
  prop->hitT = 0.2;
  figure->hitT = 0.6;
  double t = 0;
  EXPECT_EQ(group.PickElement({}, {}, {}, {0, 0, 1}, &t, false), figure);
  EXPECT_EQ(group.PickFace({}, {}, {0, 0, 1}, &t, nullptr, nullptr, nullptr), figure);
  EXPECT_EQ(group.PickNearest({}, {}, {0, 0, 1}, &t, false), prop);
  // During a material-face pick the group does not count its figures.
  EngContext().facePickActive = 1;
  EXPECT_EQ(group.PickFace({}, {}, {0, 0, 1}, &t, nullptr, nullptr, nullptr), prop);
  EXPECT_TRUE(group.HasBoneChild(true));
}

TEST_F(MGroupObjTest, PickCarriesTheRayIntoTheGroupsCoordinates) {
  MGroupObj group;
  group.SetMatrix(Composed(0, 0, 0, {2, 2, 2}, {10, 0, 0}));
  FakeMesh* child = AddTo<FakeMesh>(group);
  double t = 0;
  group.PickNearest({}, {10, 0, 0}, {12, 4, 6}, &t, false);
  EXPECT_TRUE(PointNear(child->lastRayStart, {0, 0, 0}, 1e-12));
  EXPECT_TRUE(PointNear(child->lastRayEnd, {1, 2, 3}, 1e-12));
}

// ---- scale and pivot ----------------------------------------------------------------------

TEST_F(MGroupObjTest, ApplyScaleKeepsEveryWorldVertexInPlace) {
  MGroupObj top;
  top.SetEditState(kEditUnchanged);
  top.SetMatrix(Composed(0.7, -0.4, 0.2, {2, 2, 2}, {5, -1, 3}));
  FakeMesh* direct = AddTo<FakeMesh>(top, std::vector<PointRecord>{{1, 0, 0}, {0, 2, 0}, {0, 0, 3}});
  direct->SetMatrix(Composed(0.3, 0, 0, {1, 1, 1}, {1, 1, 1}));
  auto* inner = AddTo<MGroupObj>(top);
  inner->SetMatrix(Composed(-1.1, 0.5, 0, {1, 1, 1}, {0, 4, 0}));
  FakeMesh* deep = AddTo<FakeMesh>(*inner, std::vector<PointRecord>{{-1, -1, -1}, {2, 0, 1}});
  deep->SetMatrix(Translation(0, 0, 2));
  const std::vector<FakeMesh*> meshes{direct, deep};
  const std::vector<PointRecord> before = WorldVertices(meshes);

  top.ApplyScale();
  const std::vector<PointRecord> after = WorldVertices(meshes);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(PointNear(after[i], before[i], 1e-9)) << i;
  for (MObject* object : {static_cast<MObject*>(&top), static_cast<MObject*>(inner)})
    EXPECT_TRUE(PointNear(ScaleOf(object), {1, 1, 1}, 1e-12));
  EXPECT_TRUE(PointNear(direct->vertices[2], {0, 0, 6}, 1e-12));
  EXPECT_TRUE(PointNear(deep->vertices[0], {-2, -2, -2}, 1e-12));
  EXPECT_EQ(top.GetEditState(), kEditTransformSaved);
  EXPECT_EQ(direct->GetEditState(), kEditTransformSaved);
}

TEST_F(MGroupObjTest, ApplyScaleOfANewGroupMarksItsChildrenNewAndAFigureKeepsItsGroupsScale) {
  MGroupObj created;  // edit state 1: created in this step
  created.SetEditState(kEditCreated);
  created.SetMatrix(Composed(0, 0, 0, {3, 3, 3}, {0, 0, 0}));
  FakeMesh* mesh = AddTo<FakeMesh>(created, std::vector<PointRecord>{{1, 1, 1}});
  mesh->SetEditState(kEditUnchanged);
  created.ApplyScale();
  EXPECT_EQ(created.GetEditState(), kEditCreated);
  EXPECT_EQ(mesh->GetEditState(), kEditCreated);
  EXPECT_TRUE(PointNear(mesh->vertices[0], {3, 3, 3}, 1e-12));

  MGroupObj holder;
  holder.SetMatrix(Composed(0, 0, 0, {2, 2, 2}, {0, 0, 0}));
  FakeMesh* figure = AddTo<FakeMesh>(holder, std::vector<PointRecord>{{1, 1, 1}});
  figure->figure = true;
  const MatrixRecord kept = holder.matrix;
  holder.ApplyScale();
  EXPECT_TRUE(mathtest::MatrixNear(holder.matrix, kept, 0.0));
  EXPECT_TRUE(PointNear(figure->vertices[0], {1, 1, 1}, 0.0));
}

TEST_F(MGroupObjTest, PivotChangesMoveTheOriginWhileChildrenStayInPlace) {
  MGroupObj group;
  group.SetMatrix(Composed(0.4, 0.1, -0.3, {1, 2, 1}, {3, 3, 3}));
  FakeMesh* mesh = AddTo<FakeMesh>(group, std::vector<PointRecord>{{1, 2, 3}, {-4, 0, 2}});
  mesh->SetMatrix(Translation(1, 0, 0));
  const std::vector<PointRecord> before = WorldVertices({mesh});

  group.SetPivot({7, 8, 9});
  EXPECT_TRUE(PointNear({group.matrix.m[3][0], group.matrix.m[3][1], group.matrix.m[3][2]}, {7, 8, 9}, 1e-12));
  std::vector<PointRecord> after = WorldVertices({mesh});
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(PointNear(after[i], before[i], 1e-9));

  group.ResetPivot();
  MatrixRecord plain;
  MUtilComposeMatrix(0, 0, 0, ScaleOf(&group), {0, 0, 0}, nullptr, plain);
  EXPECT_TRUE(mathtest::MatrixNear(group.matrix, plain, 1e-9));
  after = WorldVertices({mesh});
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(PointNear(after[i], before[i], 1e-9));
}

// ---- mirrored copies -------------------------------------------------------------------------

TEST_F(MGroupObjTest, MirroredCopiesDropSymmetricMeshesAndEmptiedGroups) {
  {
    MGroupObj group;
    AddTo<FakeMesh>(group)->symmetric = true;
    EXPECT_TRUE(group.FinishMirroredCopies(nullptr));
    EXPECT_EQ(group.GetChildCount(), 0);
  }
  {
    MGroupObj group;
    FakeMesh* plain = AddTo<FakeMesh>(group);
    MObject* empty = AddTo<MObject>(group);
    MObject* grid = AddTo<MGridObj>(group);
    auto* inner = AddTo<MGroupObj>(group);
    AddTo<FakeMesh>(*inner)->symmetric = true;
    AddTo<FakeMesh>(group)->symmetric = true;
    EXPECT_FALSE(group.FinishMirroredCopies(nullptr));
    // The plain mesh turns its faces; the empty object and the grid stay.
    ASSERT_EQ(group.GetChildCount(), 3);
    EXPECT_EQ(group.ChildAt(0), plain);
    EXPECT_EQ(group.ChildAt(1), empty);
    EXPECT_EQ(group.ChildAt(2), grid);
    EXPECT_EQ(plain->reversals, 1);
  }
}

TEST_F(MGroupObjTest, MirroredCopiesOfAGivenListLeaveTheOtherChildrenAlone) {
  MGroupObj scene;
  FakeMesh* a = AddTo<FakeMesh>(scene);
  FakeMesh* b = AddTo<FakeMesh>(scene);
  FakeMesh* c = AddTo<FakeMesh>(scene);
  a->symmetric = c->symmetric = true;
  PtrArray copies;
  copies.Add(a);
  copies.Add(b);
  EXPECT_FALSE(scene.FinishMirroredCopies(&copies));
  ASSERT_EQ(copies.count, 1);
  EXPECT_EQ(copies[0], b);
  ASSERT_EQ(scene.GetChildCount(), 2);
  EXPECT_EQ(scene.ChildAt(0), b);
  EXPECT_EQ(scene.ChildAt(1), c);
  EXPECT_EQ(b->reversals, 1);
  EXPECT_EQ(c->reversals, 0);
}

// ---- copies --------------------------------------------------------------------------------

TEST_F(MGroupObjTest, CloneCopiesEveryChildAndAFailedChildLeavesNoHalfCopy) {
  MGroupObj group;
  AddTo<FakeMesh>(group, std::vector<PointRecord>{{1, 1, 1}});
  auto* inner = AddTo<MGroupObj>(group);
  AddTo<MObject>(*inner)->layer = 8;
  std::unique_ptr<MObject> clone(group.Clone());
  ASSERT_NE(clone, nullptr);
  auto* copy = static_cast<MGroupObj*>(clone.get());
  ASSERT_EQ(copy->GetChildCount(), 2);
  EXPECT_NE(copy->ChildAt(0), group.ChildAt(0));
  EXPECT_EQ(copy->ChildAt(0)->GetParent(), copy);
  EXPECT_EQ(static_cast<FakeMesh*>(copy->ChildAt(0))->vertices.size(), 1u);
  EXPECT_EQ(static_cast<MGroupObj*>(copy->ChildAt(1))->ChildAt(0)->layer, 8);
  EXPECT_EQ(copy->ChildAt(1)->GetEditState(), kEditUnchanged);

  int failures = 0;
  for (long nth = 1; nth <= 6; ++nth) {
    EngContext().ClearFailure();
    const EngAllocStats before = EngAllocationStats();
    MObject* failed;
    {
      EngAllocFailureScope fail(nth);
      failed = group.Clone();
    }
    const EngAllocStats after = EngAllocationStats();
    if (failed != nullptr) {  // the failure fell after the copy was complete
      delete failed;
      continue;
    }
    ++failures;
    EXPECT_EQ(FailReason(), kEngReasonOutOfMemory) << nth;
    // Every block of the half copy was given back (one allocation failed).
    EXPECT_EQ(after.allocations - before.allocations - 1, after.frees - before.frees) << nth;
  }
  EXPECT_GE(failures, 4);  // the group, its list, the mesh, the inner group...
}

// ---- shadow pass ---------------------------------------------------------------------------

// A child that covers a given extent around a given centre when it fits
// its shadow frame.
class ShadowChild : public MObject {
 public:
  ShadowChild(PointRecord centre, double halfU, double halfV) : centre_(centre), halfU_(halfU), halfV_(halfV) {}
  void PrepareShadowImage(MDocObj*) override {
    receivedU = shadowInfo.axisU;
    shadowInfo.centre = centre_;
    const PointRecord u = shadowInfo.axisU, v = shadowInfo.axisV;
    shadowInfo.axisU = {u.x * halfU_, u.y * halfU_, u.z * halfU_};
    shadowInfo.axisV = {v.x * halfV_, v.y * halfV_, v.z * halfV_};
  }
  void PaintShadowSilhouette(MDocObj*, platform::Image*, int colour) override {
    paintedCentre = shadowInfo.centre;
    paintedColour = colour;
  }
  PointRecord receivedU{}, paintedCentre{};
  int paintedColour = -1;

 private:
  PointRecord centre_;
  double halfU_, halfV_;
};

TEST_F(MGroupObjTest, GroupShadowFrameCoversEveryChild) {
  MGroupObj group;
  ShadowChild* a = AddTo<ShadowChild>(group, PointRecord{0, 0, 0}, 1.0, 1.0);
  ShadowChild* b = AddTo<ShadowChild>(group, PointRecord{4, 2, 6}, 1.0, 2.0);
  group.shadowInfo.lightDir = {0, 0, 1};
  group.shadowInfo.axisU = {1, 0, 0};
  group.shadowInfo.axisV = {0, 1, 0};
  group.PrepareShadowImage(nullptr);
  EXPECT_TRUE(PointNear(a->receivedU, {1, 0, 0}, 0.0));
  EXPECT_TRUE(PointNear(b->receivedU, {1, 0, 0}, 0.0));
  // U covers [-1, 5] and V [-1, 4]; the centre sits on the plane through
  // the children's average centre across the light.
  EXPECT_TRUE(PointNear(group.shadowInfo.centre, {2, 1.5, 3}, 1e-12));
  EXPECT_TRUE(PointNear(group.shadowInfo.axisU, {3.3, 0, 0}, 1e-12));
  EXPECT_TRUE(PointNear(group.shadowInfo.axisV, {0, 2.75, 0}, 1e-12));

  group.PaintShadowSilhouette(nullptr, nullptr, 0x123);
  EXPECT_TRUE(PointNear(a->paintedCentre, {2, 1.5, 3}, 1e-12));
  EXPECT_EQ(b->paintedColour, 0x123);
}

TEST_F(MGroupObjTest, ShadowModeCollectionSkipsAGroupWithoutShadow) {
  MGroupObj group;
  FakeMesh* receiver = AddTo<FakeMesh>(group);
  receiver->shadowInfo.shadowMode = kShadowReceives;
  AddTo<FakeMesh>(group)->shadowInfo.shadowMode = kShadowCasts;
  PtrArray found;
  group.CollectByShadowMode(kShadowReceives, &found);
  ASSERT_EQ(found.count, 1);
  EXPECT_EQ(found[0], receiver);
  group.shadowInfo.shadowMode = kShadowNone;
  PtrArray none;
  group.CollectByShadowMode(kShadowReceives, &none);
  EXPECT_EQ(none.count, 0);
}

TEST_F(MGroupObjTest, ExcludedPartIsTheGroupOrADirectChild) {
  MGroupObj group;
  auto* inner = AddTo<MGroupObj>(group);
  MObject* deep = AddTo<MObject>(*inner);
  deep->excluded = 1;
  EXPECT_FALSE(group.HasExcludedPart());
  inner->excluded = 1;
  EXPECT_TRUE(group.HasExcludedPart());
  inner->excluded = 0;
  group.excluded = 1;
  EXPECT_TRUE(group.HasExcludedPart());
}

}  // namespace
