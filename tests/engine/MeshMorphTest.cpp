// The mesh's morph operations: making morphs from the selection across
// meshes, recording and applying targets with weights, restoring the base
// shape, frames that follow the mesh, morph materials and texture offsets,
// cropping textures, face colours, and the morph list.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/EngMath.h"
#include "meshkit/MeshTestSupport.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;

class MeshMorph : public meshkit::MeshTest {
 protected:
  void TearDown() override {
    EngContext().textureMode = 1;
    MeshTest::TearDown();
  }
};

using meshkit::MakeMorph;

void Select(MeshFixture& f, std::initializer_list<int> members) { meshkit::SelectVertices(f, members); }

void ExpectAt(const MVertex* v, PointRecord p) {
  EXPECT_NEAR(v->position.x, p.x, 1e-12);
  EXPECT_NEAR(v->position.y, p.y, 1e-12);
  EXPECT_NEAR(v->position.z, p.z, 1e-12);
}

TEST_F(MeshMorph, TargetIndicesRunOnAcrossTheMeshesOfOneMorph) {
  MeshFixture a = meshkit::MakeTetra();
  MeshFixture b = meshkit::MakeCube();
  Select(a, {0, 1, 3});
  Select(b, {1, 2, 5, 6});
  int next = 0, request = 0;
  MMorph* first = a->CreateMorphFromSelection("m", next, request, nullptr);
  MMorph* second = b->CreateMorphFromSelection("m", next, request, nullptr);
  EXPECT_EQ(next, 7);
  ASSERT_EQ(first->GetEntryCount(), 3);
  ASSERT_EQ(second->GetEntryCount(), 4);
  int index = -1;
  for (int i = 0; i < 3; ++i) {
    first->GetEntry(i, &index, nullptr, nullptr);
    EXPECT_EQ(index, i);
  }
  for (int i = 0; i < 4; ++i) {
    MVertex* v = nullptr;
    PointRecord base;
    second->GetEntry(i, &index, &v, &base);
    EXPECT_EQ(index, 3 + i);
    EXPECT_EQ(base.x, v->position.x);
    EXPECT_EQ(base.z, v->position.z);
  }
  // The bounds are the box of the base positions: b's 1, 2, 5, 6 span x = 1.
  EXPECT_EQ(second->bounds.empty, 0);
  EXPECT_EQ(second->bounds.minX, 1);
  EXPECT_EQ(second->bounds.maxY, 1);
  EXPECT_EQ(second->bounds.minY, 0);
  // A morph of nothing selected has no entries.
  a->ClearSelection();
  MMorph* none = a->CreateMorphFromSelection("n", next, request, nullptr);
  EXPECT_EQ(none->GetEntryCount(), 0);
}

TEST_F(MeshMorph, AMorphMadeWithAMaterialRequestKeepsTheMainMaterial) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  MShader* red = f->AddShader();
  red->diffuseColor = {1, 0, 0};
  f.Line(1, 5)->forwardFace->SetShader(red);
  // Three faces on the fixture's material, one on red: the main one wins.
  Select(f, {0, 1, 2, 3, 4, 5});
  int next = 0, request = 1;
  MShader* found = nullptr;
  MMorph* morph = f->CreateMorphFromSelection("m", next, request, &found);
  EXPECT_EQ(found, f.shader);
  EXPECT_EQ(request, -2);  // two materials among the selected faces
  ASSERT_NE(morph->GetShader(), nullptr);
  EXPECT_TRUE(morph->GetShader()->IsEqual(*f.shader, false));
}

TEST_F(MeshMorph, RecordingApplyingAndRestoringMoveTheMorphsVerticesAlone) {
  MeshFixture f = meshkit::MakeTetra();
  std::unique_ptr<MMorphTgt> target = MakeMorph(f, {1, 3});
  f.v[3]->flags |= kVertexOnMirror;  // keeps x = 0
  f->Checkpoint(true);
  f->SaveEditState();
  f.v[1]->SaveUndo();
  f.v[3]->SaveUndo();
  f.v[1]->position = {3, 0, 0};
  f.v[3]->position = {0, 0, 2};
  EXPECT_EQ(f->RecordTarget(target.get(), 0), 0);
  PointRecord d;
  target->GetVector(d, 0);  // the morph's entries follow the vertex list: 3 first
  EXPECT_EQ(d.z, 1);
  f->RestoreBase("m");
  ExpectAt(f.v[1], {1, 0, 0});
  ExpectAt(f.v[3], {0, 0, 1});
  f->ApplyTarget(target.get(), 0.5, 0);
  ExpectAt(f.v[1], {2, 0, 0});
  ExpectAt(f.v[3], {0, 0, 1.5});
  ExpectAt(f.v[0], {0, 0, 0});
  // Added to the present shape.
  f->ApplyTarget(target.get(), 0.5, 1);
  ExpectAt(f.v[1], {3, 0, 0});
  // Weight 0 in absolute mode is the base shape.
  f->ApplyTarget(target.get(), 0, 0);
  ExpectAt(f.v[1], {1, 0, 0});
  EXPECT_EQ(f->vertexSelectionCache, 0);  // the selection is cleared
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshMorph, AfterAPivotMoveTargetsLandOnTheMovedShape) {
  MeshFixture f = meshkit::MakeTetra();
  std::unique_ptr<MMorphTgt> target = MakeMorph(f, {1, 2});
  target->SetVector(0, {0, 1, 0});
  target->SetVector(1, {1, 0, 0});
  f->SetMatrix(objecttest::Composed(0.5, 0.25, 0, {2, 1, 1}, {1, 2, 3}));
  f->ApplyTarget(target.get(), 1, 0);
  MatrixRecord m;
  f->GetMatrix(m);
  PointRecord expected[2];
  MUtilTransformPoint(m, f.v[1]->position, expected[0]);
  MUtilTransformPoint(m, f.v[2]->position, expected[1]);
  f->SetPivot({0.5, 0.5, 0.5});
  f->ApplyScale();
  f->ApplyTarget(target.get(), 1, 0);
  f->GetMatrix(m);
  for (int i = 0; i < 2; ++i) {
    PointRecord world;
    MUtilTransformPoint(m, f.v[1 + i]->position, world);
    EXPECT_NEAR(world.x, expected[i].x, 1e-12);
    EXPECT_NEAR(world.y, expected[i].y, 1e-12);
    EXPECT_NEAR(world.z, expected[i].z, 1e-12);
  }
}

TEST_F(MeshMorph, EntriesATargetCannotServeAreSkipped) {
  // A morph from a damaged file, or a target of another size: the entry's
  // index lies beyond the target's vectors, or its vertex is gone.
  MeshFixture f = meshkit::MakeTetra();
  std::unique_ptr<MMorphTgt> target = MakeMorph(f, {0, 1, 2});
  target->SetVectorCount(2);
  target->SetVector(0, {0, 0, 5});
  target->SetVector(1, {0, 0, 5});
  MMorph* morph = f->FindMorph("m");
  morph->entries[1].vertex = nullptr;
  f->ApplyTarget(target.get(), 1, 0);
  int moved = 0;
  for (const MVertex* v : f->vertices)
    if (v->position.z >= 5) ++moved;
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(f->RecordTarget(target.get(), 0), 0);
  EXPECT_EQ(FailState(), kEngFailNone);
}

TEST_F(MeshMorph, ATargetOfNoMorphOfTheMeshIsFatal) {
  MeshFixture f = meshkit::MakeTetra();
  MMorphTgt target;
  target.SetGroupName("absent");
  EXPECT_TRUE(EndsInFatalExit([&] { f->ApplyTarget(&target, 1, 0); }));
  EXPECT_TRUE(EndsInFatalExit([&] { f->RecordTarget(&target, 0); }));
  EXPECT_TRUE(EndsInFatalExit([&] { f->RestoreBase("absent"); }));
  EXPECT_EQ(f->GetMorphIndex("absent", nullptr), -2);
}

TEST_F(MeshMorph, TextureOffsetsMoveCoordinatesOrTheMaterialsTexture) {
  MeshFixture f = meshkit::MakeGrid(1, 1);
  meshkit::GiveTexture(f);
  MakeMorph(f, {0, 1, 2, 3});
  MMorph* morph = f->FindMorph("m");
  auto uOf = [&](int vertex) {
    double u = 0, v = 0;
    f.v[vertex]->GetAnyFaceUV(u, v);
    return u;
  };
  // Without an own material the coordinates move against the offset, and
  // the morph remembers the sum.
  f->ApplyTextureOffset("m", 0.2, 0, 0);
  EXPECT_NEAR(uOf(1), 1 - 0.2, 1e-12);
  f->ApplyTextureOffset("m", 0.1, 0, 0);  // absolute: the 0.2 is taken back first
  EXPECT_NEAR(morph->textureOffsetU, 0.1, 1e-12);
  EXPECT_NEAR(uOf(1), 1 - 0.1, 1e-12);
  f->ApplyTextureOffset("m", 0.2, 0, 1);
  EXPECT_NEAR(morph->textureOffsetU, 0.3, 1e-12);
  EXPECT_NEAR(uOf(1), 1 - 0.3, 1e-12);
  EXPECT_EQ(f->vertexSelectionCache, 0);
  // With an own material the texture itself moves: a quarter of 64 texels.
  MeshFixture g = meshkit::MakeGrid(1, 1);
  meshkit::GiveTexture(g, 64, 64);
  MakeMorph(g, {0, 1, 2, 3});
  g->FindMorph("m")->CreateOwnShader(g.shader);
  const unsigned char before = g.shader->texture.pixels[4 * 3];  // texel (3, 0)
  g->ApplyTextureOffset("m", 0.25, 0, 0);
  MShader* shown = g->faces.First()->shader;
  EXPECT_EQ(shown->texture.pixels[4 * (3 + 16)], before);
  EXPECT_TRUE(MeshIsValid(*g));
}

TEST_F(MeshMorph, MorphMaterialsFollowTheWeightAndTheMode) {
  MeshFixture f = meshkit::MakeGrid(1, 1);
  std::unique_ptr<MMorphTgt> target = MakeMorph(f, {0, 1, 2, 3});
  f.shader->diffuseColor = {1, 0, 0};
  f->FindMorph("m")->CreateOwnShader(f.shader);  // the base material: red
  MShader blue;
  blue.diffuseColor = {0, 0, 1};
  target->CreateOwnShader(&blue);
  auto shown = [&] { return f->faces.First()->shader->diffuseColor; };
  f->ApplyTarget(target.get(), 0.7, 0);
  EXPECT_EQ(shown().z, 1);
  EXPECT_EQ(f->shaders.Length(), 1);  // the red one, now unused, went
  f->ApplyTarget(target.get(), 0.4, 1);  // additive below one half: no change
  EXPECT_EQ(shown().z, 1);
  f->ApplyTarget(target.get(), 0, 0);
  EXPECT_EQ(shown().x, 1);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshMorph, AnAdditiveTargetBlendsItsTextureOverTheFacesTexture) {
  MeshFixture f = meshkit::MakeGrid(1, 1);
  meshkit::GiveTexture(f, 64, 64);
  std::unique_ptr<MMorphTgt> target = MakeMorph(f, {0, 1, 2, 3});
  f->FindMorph("m")->CreateOwnShader(f.shader);
  MShader painted;
  painted.texture = {64, 64, static_cast<unsigned char*>(EngAlloc(64 * 64 * 4))};
  std::memset(painted.texture.pixels, 0xFF, 64 * 64 * 4);  // opaque white
  target->CreateOwnShader(&painted);
  f->ApplyTarget(target.get(), 0.5, 1);
  const unsigned char* texel = f->faces.First()->shader->texture.pixels + 4 * 5;
  EXPECT_EQ(texel[0], 255);
  EXPECT_EQ(texel[2], 255);
}

TEST_F(MeshMorph, CroppingKeepsThePartOfTheTextureTheSelectedFacesUse) {
  struct Case {
    const char* name;
    double u0, u1;  // the faces' u range
    bool cropped;  // false when the whole texture stays
  };
  const Case cases[] = {
      {"2.2 to 2.7: the span 0.2 to 0.7", 2.2, 2.7, true},
      {"0.8 to 1.3 crosses a whole number", 0.8, 1.3, false},
      {"a span of nothing", 0.5, 0.5, false},
      {"the whole repeat 0 to 1", 0, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFixture f = meshkit::MakeGrid(1, 1);
    meshkit::GiveTexture(f, 64, 64);
    for (MFace* face : f->faces)
      for (MFaceUV::Pair& pair : face->uv->corner) pair.u = pair.u == 0 ? c.u0 : c.u1;
    for (MLine* line : f->lines) line->flags |= kLineSelected;
    f->CropTexturesToSelection();
    MShader* shown = f->faces.First()->shader;
    ASSERT_NE(shown, f.shader);
    EXPECT_TRUE(shown->HasTexture());
    double low = 1e9, high = -1e9;
    for (MFace* face : f->faces)
      for (const MFaceUV::Pair& pair : face->uv->corner) {
        low = std::min(low, pair.u);
        high = std::max(high, pair.u);
      }
    if (c.cropped) {
      EXPECT_NEAR(low, 0, 1e-9);
      EXPECT_NEAR(high, 1, 1e-9);
    } else {
      EXPECT_EQ(low, c.u0);  // whole texture: offset 0, scale 1
      EXPECT_EQ(high, c.u1);
    }
    EXPECT_TRUE(MeshIsValid(*f));
  }
}

TEST_F(MeshMorph, AFacesColourIsReadAndSetThroughItsMaterial) {
  MeshFixture f = meshkit::MakeTetra();
  MFace* face = f->faces.First();
  f.shader->diffuseColor = {0.5, 1, 0.25};
  std::uint32_t colour = 0;
  ASSERT_TRUE(MeshGetFaceShaderColour(face, colour));
  EXPECT_EQ(colour, 0x3FFF7Fu);
  ASSERT_TRUE(f->SetFaceShaderColour(face, 0x0000FF));
  EXPECT_EQ(f.shader->diffuseColor.x, 1);
  EXPECT_EQ(f.shader->diffuseColor.y, 0);
  // A texture answers for the material when it is one colour.
  meshkit::GiveTexture(f);
  EXPECT_FALSE(MeshGetFaceShaderColour(face, colour));
  f.shader->FillTexture(0x102030);
  ASSERT_TRUE(MeshGetFaceShaderColour(face, colour));
  EXPECT_EQ(colour, 0x102030u);
  ASSERT_TRUE(f->SetFaceShaderColour(face, 0x405060));
  EXPECT_EQ(f.shader->texture.pixels[4 * 3 + 0], 0x60);
  EXPECT_EQ(f.shader->texture.pixels[4 * 3 + 3], 255);  // alpha kept
}

TEST_F(MeshMorph, TheMorphListFindsRenamesNumbersAndDeletesByName) {
  MeshFixture f = meshkit::MakeTetra();
  MeshFixture other = meshkit::MakeTetra();
  for (const char* name : {"/tamarik/human/face/0001", "brow"}) f->CreateMorph()->SetName(name);
  other->CreateMorph()->SetName("brow");
  other->CreateMorph()->SetName("keep");
  f->SetMorphIndex("brow", 4);
  f->FindMorph("brow")->SetValue(2);
  f->FindMorph("brow")->SetSignFlag(1);
  unsigned char sign = 0;
  EXPECT_EQ(f->GetMorphIndex("brow", &sign), 4);
  EXPECT_EQ(sign, 1);
  // Copies of one figure differ in their four-digit number.
  EXPECT_NE(f->FindMorphByName("/tamarik/human/face/0002"), nullptr);
  EXPECT_EQ(f->FindMorphByName("/tamarik/human/face/002"), nullptr);
  f->RenameMorph("brow", "frown");
  PtrArray names;
  f->CollectMorphNames(names);
  ASSERT_EQ(names.count, 2);
  EXPECT_STREQ(static_cast<const char*>(names[0]), "frown");
  f->RenameMorph("frown", "brow");
  f->DeleteSharedMorphsFrom(other.mesh.get());
  EXPECT_EQ(other->FindMorph("brow"), nullptr);
  EXPECT_NE(other->FindMorph("keep"), nullptr);
  // The scene numbers each morph's own material (none counts too).
  f->FindMorph("brow")->CreateOwnShader(f.shader);
  struct Numbering {
    std::vector<const MShader*> seen;
    void NumberTextureShader(const MShader* shader, PtrArray&) { seen.push_back(shader); }
  } scene;
  PtrArray list;
  f->NumberMorphShaders(scene, list);
  ASSERT_EQ(scene.seen.size(), 2u);
  EXPECT_EQ(scene.seen[0], f->FindMorph("brow")->GetShader());
  EXPECT_EQ(scene.seen[1], nullptr);
  f->DeleteMorph("brow");
  f->DeleteMorph("brow");  // gone already: nothing
  EXPECT_EQ(f->morphs.Length(), 1);
}

TEST_F(MeshMorph, PathsMatchWhenEqualOrWhenFigureCopiesDifferOnlyInTheirNumber) {
  const struct {
    const char* a;
    const char* b;
    int match;
  } cases[] = {
      {"/x/y", "/x/y", 1},
      {"/tamarik/human/a0001", "/tamarik/human/a0002", 2},
      {"/tamarik/human/a001", "/tamarik/human/a002", 0},
      {"/other/a0001", "/other/a0002", 0},
      {"/tamarik/human/a0001", "/tamarik/human/a", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(AnimMatchObjectPath(c.a, c.b), c.match) << c.a << " " << c.b;
}

TEST_F(MeshMorph, TheFaceMorphAnswersForItsFacesOnly) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  Select(f, {0, 1, 3, 4});
  int next = 0, request = 0;
  f->CreateMorphFromSelection("/tamarik/human/face/", next, request, nullptr);
  f->ClearSelection();
  EXPECT_NE(f->FindFaceMorphForFace(f.Line(0, 1)->LeavingFace(f.v[0])), nullptr);
  EXPECT_EQ(f->FindFaceMorphForFace(f.Line(1, 2)->LeavingFace(f.v[1])), nullptr);
  EXPECT_EQ(f->vertexSelectionCache, 0);
}

TEST_F(MeshMorph, CopiesCarryTheirMorphsOntoTheirOwnVertices) {
  MeshFixture f = meshkit::MakeCube();
  MakeMorph(f, {0, 6});
  f->CreateMorph()->SetName("second");
  // A vertex removed in the open step is not copied: its entry gets none.
  MeshFixture corners = meshkit::MakeCubeCorners();
  MakeMorph(corners, {0, 1});
  std::unique_ptr<MObject> earlier(corners->Clone());  // leaves copy links behind
  corners->Checkpoint(true);
  corners->SaveEditState();
  corners.v[1]->Remove();
  std::unique_ptr<MMeshObj> partial(static_cast<MMeshObj*>(corners->Clone()));
  ASSERT_NE(partial, nullptr);
  const MMorph* copied = partial->FindMorph("m");
  EXPECT_TRUE(copied->entries[0].vertex == nullptr || copied->entries[1].vertex == nullptr);
  EXPECT_TRUE(MeshIsValid(*partial, 0));
  f->InvalidateSelectionCache();  // a copy starts with unknown caches
  std::unique_ptr<MMeshObj> copy(static_cast<MMeshObj*>(f->Clone()));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(MeshIsValid(*copy));  // every entry names a vertex of the copy
  EXPECT_EQ(meshkit::DumpMesh(*copy), meshkit::DumpMesh(*f));
  EXPECT_STREQ(copy->morphs.First()->name, "m");  // the list turned round
  EXPECT_NE(copy->FindMorph("m")->entries[0].vertex, f->FindMorph("m")->entries[0].vertex);
}

TEST_F(MeshMorph, TransformedBoundsCoverAllOrTheSelectedVertices) {
  MeshFixture f = meshkit::MakeTetra();
  BoundsRecord box;
  f->GetTransformedBounds(objecttest::Translation(1, 0, 0), false, box);
  EXPECT_EQ(box.empty, 0);
  EXPECT_EQ(box.minX, 1);
  EXPECT_EQ(box.maxX, 2);
  Select(f, {3});
  f->GetTransformedBounds(objecttest::Translation(1, 0, 0), true, box);
  EXPECT_EQ(box.maxX, 1);
  EXPECT_EQ(box.maxZ, 1);
  f->ClearSelection();
  f->GetTransformedBounds(objecttest::Translation(1, 0, 0), true, box);
  EXPECT_EQ(box.empty, 1);
}

}  // namespace
