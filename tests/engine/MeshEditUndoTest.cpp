// Every edit the mesh, its elements, quads and morphs offer, in one table,
// each run through the two undo properties of the test kit: the undo and
// redo round trip, and the undo of an edit that ran out of memory part way
// (every allocation of the edit failing in turn). Each edit saves first what
// it will change, as the modelling operations that call it do.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;

// What a case's preparation leaves for its edit.
struct EditContext {
  MeshFixture f;
  std::unique_ptr<MMorphTgt> target;
  std::unique_ptr<MShader> material;
  std::vector<MLine*> lines;
  MFace* face = nullptr;
  MVertex* mark = nullptr;
};

struct EditCase {
  const char* name;
  // Builds the mesh and prepares it, outside the edit's step.
  std::function<void(EditContext&)> make;
  // The edit, inside one step that it (or the lambda) opens. It must
  // tolerate any failure: the failure property runs it out of memory.
  std::function<void(EditContext&, MMeshObj&)> edit;
  // What the edit must have done (run after an edit that did not fail).
  std::function<void(EditContext&)> check;
  int validation = 1;
};

class MeshEditUndo : public meshkit::MeshTest {
 protected:
  void TearDown() override {
    EngContext().textureMode = 1;
    MeshTest::TearDown();
  }
};

// ---- helpers of the cases ------------------------------------------------------

// Saves what removing or adding faces and lines at these vertices touches.
void SaveStars(MMeshObj& m, std::initializer_list<MVertex*> corners) {
  for (MVertex* v : corners) m.SaveVertexStar(v);
}

void Textured(MeshFixture& f, int size = 2) { meshkit::GiveTexture(f, size, size); }

// A morph "m" of the listed vertices and a target of it whose vectors are
// all `vector`.
void AddMorph(EditContext& c, std::initializer_list<int> members, PointRecord vector) {
  c.target = meshkit::MakeMorph(c.f, members);
  for (int i = 0; i < c.target->GetVectorCount(); ++i) c.target->SetVector(i, vector);
}

MShader* Material(EditContext& c, PointRecord diffuse) {
  c.material = std::make_unique<MShader>();
  c.material->diffuseColor = diffuse;
  return c.material.get();
}

bool Failed() { return EngContext().failState != kEngFailNone; }

// The cube's corners with the free lines 0-1 and 1-2.
void FreeChain(EditContext& c) {
  c.f = meshkit::MakeCubeCorners();
  MLine* first = c.f->AddLine(c.f.v[0], c.f.v[1], nullptr, nullptr, nullptr, nullptr);
  c.f->AddLine(c.f.v[1], c.f.v[2], first, first, nullptr, nullptr);
}

// ---- the edits of the elements --------------------------------------------------

std::vector<EditCase> ElementEdits() {
  return {
      {"a vertex moved twice: one saved copy, the first contents back",
       [](EditContext& c) { c.f = meshkit::MakeCube(); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         c.f.v[6]->SaveUndo();
         if (Failed()) return;
         c.f.v[6]->position = {2, 2, 2};
         c.f.v[6]->SaveUndo();
         c.f.v[6]->position = {3, 3, 3};
       },
       [](EditContext& c) { EXPECT_EQ(c.f.v[6]->position.x, 3); }},
      {"a ring of coincident vertices moved together, another averaged",
       [](EditContext& c) { c.f = meshkit::MakeSeamTube(4, 1); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         c.f.v[0]->SaveUndoRing();
         if (Failed()) return;
         c.f.v[0]->SetPosition({1.5, 0, 0});
         c.f.v[9]->SaveUndoRing();
         if (Failed()) return;
         c.f.v[9]->position.y = 0.25;
         c.f.v[9]->AverageRingPosition();
       },
       [](EditContext& c) {
         EXPECT_EQ(c.f.v[4]->position.x, 1.5);
         EXPECT_EQ(c.f.v[5]->position.y, 0.125);
       }},
      {"mirror partners paired anew",
       [](EditContext& c) {
         c.f = meshkit::MakeMirrorHalf();
         c.f.v[1]->mirrorPartner = c.f.v[2];
         c.f.v[2]->mirrorPartner = c.f.v[1];
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         c.f.v[1]->SetMirrorPartner(c.f.v[4]);
       },
       [](EditContext& c) {
         EXPECT_EQ(c.f.v[2]->mirrorPartner, nullptr);
         EXPECT_EQ(c.f.v[4]->mirrorPartner, c.f.v[1]);
       }},
      {"a coincident copy of a vertex joins its ring",
       [](EditContext& c) { c.f = meshkit::MakeTetra(); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         c.f.v[3]->SaveUndoRing();
         if (!Failed()) m.AddVertexCopy(c.f.v[3]);
       },
       [](EditContext& c) { EXPECT_EQ(c.f.v[3]->CountRing(), 2); }, 0},
      {"a lone vertex removed with its mirror partner",
       [](EditContext& c) {
         c.f = meshkit::MakeCubeCorners();
         c.f.v[0]->mirrorPartner = c.f.v[1];
         c.f.v[1]->mirrorPartner = c.f.v[0];
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         c.f.v[0]->RemoveWithPartner();
       },
       [](EditContext& c) { EXPECT_EQ(c.f->vertices.Length(), 6); }, 0},
      {"free lines added at lone vertices and beside another line",
       [](EditContext& c) { c.f = meshkit::MakeCubeCorners(); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         for (int k : {0, 1, 2}) c.f.v[k]->SaveUndo();
         if (Failed()) return;
         MLine* first = m.AddLine(c.f.v[0], c.f.v[1], nullptr, nullptr, nullptr, nullptr);
         if (first != nullptr) m.AddLine(c.f.v[1], c.f.v[2], first, first, nullptr, nullptr);
       },
       [](EditContext& c) { EXPECT_EQ(c.f.v[1]->lineCount, 2); }, 0},
      {"a free line split at a new vertex",
       FreeChain,
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MLine* p = c.f.Line(0, 1);
         p->SaveUndo();
         m.SaveVertexStar(c.f.v[1]);
         if (Failed()) return;
         MVertex* q = m.AddVertex({0.5, 0, 0});
         if (q != nullptr) m.SplitLineAtVertex(q, p);
       },
       [](EditContext& c) {
         EXPECT_EQ(c.f.Line(0, 1), nullptr);
         EXPECT_EQ(c.f->lines.Length(), 3);
       },
       0},
      {"a line drawn on a face",
       [](EditContext& c) { c.f = meshkit::MakeTetra(); },
       [](EditContext&, MMeshObj& m) {
         m.SaveEditState();
         MFace* face = m.faces.First();
         face->SaveUndo();
         MVertex* p = m.AddVertex({0.2, 0.2, 0});
         MVertex* q = m.AddVertex({0.3, 0.5, 0});
         if (p == nullptr || q == nullptr) return;
         p->faceS = p->faceT = 0.2;
         q->faceS = 0.5;
         q->faceT = 0.3;
         m.AddLineOnFace(p, q, nullptr, nullptr, nullptr, nullptr, face);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->faces.First()->CountFltabs(), 1); }},
      {"a face with a line drawn on it removed, keeping its corners",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         c.face = c.f->faces.First();
         MVertex* p = c.f.Vertex(0.2, 0.2, 0);
         MVertex* q = c.f.Vertex(0.3, 0.5, 0);
         c.f->AddLineOnFace(p, q, nullptr, nullptr, nullptr, nullptr, c.face);
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MVertex* corners[3];
         c.face->GetVertices(corners);
         c.face->SaveUndo();
         SaveStars(m, {corners[0], corners[1], corners[2]});
         if (!Failed()) c.face->Remove(1);
       },
       [](EditContext& c) {
         EXPECT_EQ(c.f->faces.Length(), 3);
         EXPECT_FALSE(MItemIsLive(c.f.v[4]));
       }},
      {"a face removed with the lines and the corner it leaves alone",
       [](EditContext& c) { c.f = meshkit::MakeGrid(2, 1); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MFace* corner = c.f.Line(1, 2)->LeavingFace(c.f.v[1]);
         SaveStars(m, {c.f.v[1], c.f.v[2], c.f.v[5]});
         if (!Failed()) corner->Remove(0);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->vertices.Length(), 5); }},
      {"a face removed keeping its lines",
       [](EditContext& c) { c.f = meshkit::MakeGrid(1, 1); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MFace* face = c.f.Line(0, 1)->LeavingFace(c.f.v[0]);
         SaveStars(m, {c.f.v[0], c.f.v[1], c.f.v[3]});
         if (!Failed()) face->Remove(2);
       },
       [](EditContext& c) {
         EXPECT_EQ(c.f->faces.Length(), 1);
         EXPECT_EQ(c.f->lines.Length(), 5);
       },
       0},
      {"a face added on a new and two old vertices",
       [](EditContext& c) { c.f = meshkit::MakeGrid(1, 1); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         SaveStars(m, {c.f.v[1], c.f.v[3]});
         MVertex* n = Failed() ? nullptr : m.AddVertex({2, 1, 0});
         if (n != nullptr) m.AddFace(c.f.v[1], n, c.f.v[3], c.f.shader);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->faces.Length(), 3); }},
      {"a face made on three free lines",
       [](EditContext& c) {
         c.f = meshkit::MakeGrid(1, 1);
         MFace* face = c.f.Line(0, 1)->LeavingFace(c.f.v[0]);
         MLine* loop[3];
         face->GetLines(loop);
         c.lines.assign(loop, loop + 3);
         face->Remove(2);
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         for (MLine* line : c.lines) line->SaveUndo();
         MLine* const loop[3] = {c.lines[0], c.lines[1], c.lines[2]};
         if (!Failed()) m.AddFaceFromLines(loop, c.f.shader);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->faces.Length(), 2); }, 0},
      {"a free line changed, then removed",
       FreeChain,
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MLine* line = c.f.Line(1, 2);
         line->SaveUndo();
         for (MVertex* end : {line->end0, line->end1}) end->SaveUndo();
         c.f.Line(0, 1)->SaveUndo();
         if (Failed()) return;
         line->flags |= kLineSharp;
         line->Remove(1);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->lines.Length(), 1); }, 0},
      {"a line reversed",
       [](EditContext& c) {
         c.f = meshkit::MakeCube();
         c.lines = {c.f.Line(0, 2)};
         c.mark = c.lines[0]->end1;
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MLine* line = c.f.Line(0, 2);
         line->SaveUndo();
         if (!Failed()) line->Reverse();
       },
       [](EditContext& c) { EXPECT_EQ(c.lines[0]->end0, c.mark); }},
      {"a parallel line absorbed with the face beyond it",
       [](EditContext& c) {
         // Face 0-1-2 above line 0-1, a parallel line 0-1 below it with
         // face 1-0-3 beyond, the sliver between the two empty.
         c.f = meshkit::MakeEmptyMesh();
         c.f.Add({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}}, {{0, 1, 2}});
         MLine* l1 = c.f.Line(0, 1);
         MLine* l2 = c.f->AddLine(c.f.v[0], c.f.v[1], l1, c.f.Line(0, 2), l1, c.f.Line(1, 2));
         c.f.Face(1, 0, 3);
         c.lines = {l1, l2};
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         SaveStars(m, {c.f.v[0], c.f.v[1]});
         if (!Failed()) c.lines[0]->AbsorbParallel(c.lines[1]);
       },
       [](EditContext& c) {
         EXPECT_FALSE(MItemIsLive(c.lines[1]));
         EXPECT_EQ(c.f->lines.Length(), 5);
       },
       0},
      {"two free lines joined end to end",
       [](EditContext& c) {
         c.f = meshkit::MakeEmptyMesh();
         c.f.Add({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 0, 0}});
         c.lines = {c.f->AddLine(c.f.v[0], c.f.v[1], nullptr, nullptr, nullptr, nullptr),
                    c.f->AddLine(c.f.v[2], c.f.v[3], nullptr, nullptr, nullptr, nullptr)};
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         for (MLine* line : c.lines) line->SaveUndo();
         for (int k : {1, 2}) c.f.v[k]->SaveUndo();
         if (!Failed()) c.lines[0]->ConnectAtVertex(c.f.v[1], c.f.v[2], c.lines[1]);
       },
       [](EditContext& c) {
         EXPECT_FALSE(MItemIsLive(c.f.v[2]));
         EXPECT_EQ(c.lines[1]->end0, c.f.v[1]);
       }},
      {"a vertex shared by two free lines split in two",
       [](EditContext& c) {
         c.f = meshkit::MakeEmptyMesh();
         c.f.Add({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
         MLine* ab = c.f->AddLine(c.f.v[0], c.f.v[1], nullptr, nullptr, nullptr, nullptr);
         c.lines = {ab, c.f->AddLine(c.f.v[1], c.f.v[2], ab, ab, nullptr, nullptr)};
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         for (MLine* line : c.lines) line->SaveUndo();
         c.f.v[1]->SaveUndo();
         if (Failed()) return;
         // The caller links the new vertex into the mesh.
         if (MVertex* split = c.lines[0]->SplitSharedVertex(c.lines[1])) {
           split->holder = &m.removedVertices;
           m.vertices.Add(split);
         }
       },
       [](EditContext& c) {
         EXPECT_NE(c.lines[1]->end0, c.f.v[1]);
         EXPECT_EQ(c.f.v[1]->lineCount, 1);
       }},
      {"line and vertex attributes merged, crease weights set",
       [](EditContext& c) {
         c.f = meshkit::MakeCube(true);
         c.f.Line(4, 5)->flags |= kLineSharp;
         c.f.v[1]->flags |= kVertexSelected;
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         for (MLine* line : {c.f.Line(0, 1), c.f.Line(4, 5)}) line->SaveUndo();
         for (int k : {0, 1}) c.f.v[k]->SaveUndo();
         if (Failed()) return;
         c.f.Line(0, 1)->MergeAttributes(c.f.Line(4, 5));
         c.f.Line(0, 1)->SetCreaseWeight(100);
         c.f.v[0]->MergeAttributes(c.f.v[1]);
         c.f.v[0]->SetCreaseWeight(77);
       },
       [](EditContext& c) {
         EXPECT_EQ(c.f.Line(0, 1)->GetCreaseWeight(), 255);  // sharp by the merge
         EXPECT_EQ(c.f.v[0]->GetCreaseWeight(), 76);
       }},
      {"groups made and re-parented, an element put in one",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         c.f->AddGroup();
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MGroup* old = m.groups.First();
         MGroup* made = m.AddGroup();
         if (made == nullptr) return;
         old->SaveUndo();
         c.f.v[0]->SaveUndo();
         if (Failed()) return;
         old->parent = made;
         c.f.v[0]->group = made;
       },
       [](EditContext& c) { EXPECT_EQ(c.f->groups.Length(), 2); }},
      {"a group removed, its child and its vertex let go of it",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         MGroup* root = c.f->AddGroup();
         c.f->AddGroup()->parent = root;
         c.f.v[0]->group = root;
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MGroup* child = m.groups.First();
         MGroup* root = child->parent;
         child->SaveUndo();
         c.f.v[0]->SaveUndo();
         root->SaveUndo();
         if (Failed()) return;
         child->parent = nullptr;
         c.f.v[0]->group = nullptr;
         root->Remove();
       },
       [](EditContext& c) { EXPECT_EQ(c.f->groups.Length(), 1); }},
  };
}

// ---- the edits of the mesh object and its quads ------------------------------------

std::vector<EditCase> MeshEdits() {
  auto withMatrix = [](EditContext& c) {
    c.f = meshkit::MakeTetra();
    AddMorph(c, {0, 1}, {0, 1, 0});
    c.f->SetMatrix(objecttest::Composed(0.5, 0.25, 0, {2, 2, 2}, {1, 0, 0}));
  };
  return {
      {"the step values and a scale moved into the vertices, with a morph's frame", withMatrix,
       [](EditContext&, MMeshObj& m) {
         m.SaveEditState();
         m.SetMirrorMode(1);
         m.SetSmoothDisplay(1);
         m.SetPageLineStyle(3);
         m.ApplyScale();
       },
       [](EditContext& c) { EXPECT_NEAR(c.f.v[1]->position.x, 2, 1e-12); }},
      {"the pivot moved, with a morph's frame", withMatrix,
       [](EditContext&, MMeshObj& m) { m.SetPivot({0.5, 0.5, 0}); },
       [](EditContext& c) { EXPECT_EQ(c.f->matrix.m[3][0], 0.5); }},
      {"the pivot reset", withMatrix, [](EditContext&, MMeshObj& m) { m.ResetPivot(); },
       [](EditContext& c) { EXPECT_EQ(c.f->matrix.m[3][0], 0); }},
      {"the matrix moved into the vertices", withMatrix,
       [](EditContext&, MMeshObj& m) { m.ApplyMatrixToVertices(); },
       [](EditContext& c) { EXPECT_EQ(c.f->matrix.m[3][0], 0); }},
      {"every textured face turned over",
       [](EditContext& c) {
         c.f = meshkit::MakeCube();
         Textured(c.f);
       },
       [](EditContext&, MMeshObj& m) {
         m.SaveEditState();
         m.ReverseAllFaces();
       },
       [](EditContext& c) {
         // The faces of the cube now face its centre.
         for (MFace* face : c.f->faces) {
           MVertex* corners[3];
           face->GetVertices(corners);
           const PointRecord n = face->GetNormal();
           const PointRecord& p = corners[0]->position;
           EXPECT_LT(n.x * (p.x - 0.5) + n.y * (p.y - 0.5) + n.z * (p.z - 0.5), 0);
         }
       }},
      {"the selected vertices remembered",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         meshkit::SelectVertices(c.f, {0, 1});
       },
       [](EditContext&, MMeshObj& m) { m.MarkSelectedVertices(true); },
       [](EditContext& c) { EXPECT_TRUE(c.f.v[1]->flags & kVertexMarked); }},
      {"the remembered selection forgotten",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         c.f.v[0]->flags |= kVertexMarked;
         c.f.v[2]->flags |= kVertexMarked;
         meshkit::SelectVertices(c.f, {0, 1});
       },
       [](EditContext&, MMeshObj& m) { m.MarkSelectedVertices(false); },
       [](EditContext& c) { EXPECT_FALSE(c.f.v[0]->flags & kVertexMarked); }},
      {"two triangles joined into a quad, the second taking the first's material",
       [](EditContext& c) {
         c.f = meshkit::MakeQuadPair(false);
         MShader* other = c.f->AddShader();
         other->diffuseColor = {1, 0, 0};
         MLine* diagonal = c.f.Line(0, 2);
         diagonal->flags |= kLineSharp | 0x0F000000;
         diagonal->backwardFace->SetShader(other);
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         m.JoinToQuad(c.f.Line(0, 2));
       },
       [](EditContext& c) {
         MLine* diagonal = c.f.Line(0, 2);
         EXPECT_EQ(diagonal->flags & (kLineHiddenDiagonal | kLineSharp), kLineHiddenDiagonal);
         EXPECT_EQ(diagonal->forwardFace->shader, diagonal->backwardFace->shader);
       }},
      {"a hidden diagonal exposed", [](EditContext& c) { c.f = meshkit::MakeQuadPair(true); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         m.ExposeDiagonal(c.f.v[2], c.f.v[0]);
       },
       [](EditContext& c) { EXPECT_FALSE(c.f.Line(0, 2)->flags & kLineHiddenDiagonal); }},
      {"the other diagonal exposed by turning the shared line", [](EditContext& c) { c.f = meshkit::MakeGrid(2, 2); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         // Cell (0, 0) is split along 0-4; its other diagonal joins 1 and 3.
         m.ExposeDiagonal(c.f.v[1], c.f.v[3]);
       },
       [](EditContext& c) {
         EXPECT_NE(c.f.Line(1, 3), nullptr);
         EXPECT_EQ(c.f.Line(0, 4), nullptr);
       }},
      {"a line between textured faces turned",
       [](EditContext& c) {
         c.f = meshkit::MakeGrid(1, 1);
         Textured(c.f);
       },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         MLine* line = c.f.Line(0, 3);
         m.SaveLineEndsStar(line);
         if (!Failed()) m.FlipLine(line);
       },
       [](EditContext& c) { EXPECT_NE(c.f.Line(1, 2), nullptr); }},
      {"faces given another material, the unused one removed",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         c.f->AddShader()->diffuseColor = {1, 0, 0};
       },
       [](EditContext&, MMeshObj& m) {
         PtrArray list;
         m.GatherAll(&list, nullptr, nullptr);
         if (Failed()) return;
         m.AssignShader(list, m.shaders.First());
         if (!Failed()) m.CleanUpShaders(false);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->shaders.Length(), 1); }},
      {"equal materials merged",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         MShader* twin = c.f->AddShader();
         for (MFace* face : c.f->faces) {
           face->SetShader(twin);
           break;
         }
       },
       [](EditContext&, MMeshObj& m) { m.CleanUpShaders(true); },
       [](EditContext& c) { EXPECT_EQ(c.f->shaders.Length(), 1); }},
      {"texture coordinates of a selected vertex moved",
       [](EditContext& c) {
         c.f = meshkit::MakeGrid(2, 2);
         Textured(c.f);
         c.f.v[4]->flags |= kVertexSelected;
         c.f->InvalidateSelectionCache();
       },
       [](EditContext&, MMeshObj& m) { m.MoveSelectedVertexUVs(0.25, -0.5); },
       [](EditContext& c) {
         double u = 0, v = 0;
         c.f.v[4]->GetAnyFaceUV(u, v);
         EXPECT_EQ(u, 0.75);
       }},
      {"a vertex created and removed in the step, beside a move", [](EditContext& c) { c.f = meshkit::MakeTetra(); },
       [](EditContext& c, MMeshObj& m) {
         m.SaveEditState();
         if (MVertex* passing = m.AddVertex({5, 5, 5})) passing->Remove();
         c.f.v[0]->SaveUndo();
         if (!Failed()) c.f.v[0]->position.x = -1;
       },
       [](EditContext& c) { EXPECT_EQ(c.f->vertices.Length(), 4); }},
  };
}

// ---- the edits of morphs ------------------------------------------------------------------

std::vector<EditCase> MorphEdits() {
  auto gridMorph = [](int textureSize) {
    return [textureSize](EditContext& c) {
      c.f = meshkit::MakeGrid(1, 1);
      if (textureSize > 0) Textured(c.f, textureSize);
      AddMorph(c, {0, 1, 2, 3}, {0, 0, 0});
    };
  };
  return {
      {"a morph target applied",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         AddMorph(c, {1, 2}, {0, 0, 1});
       },
       [](EditContext& c, MMeshObj& m) { m.ApplyTarget(c.target.get(), 0.5, 0); },
       [](EditContext& c) { EXPECT_EQ(c.f.v[1]->position.z, 0.5); }},
      {"a morph's base shape restored",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         AddMorph(c, {1, 2}, {0, 0, 1});
         c.f->ApplyTarget(c.target.get(), 1, 0);
       },
       [](EditContext&, MMeshObj& m) { m.RestoreBase("m"); },
       [](EditContext& c) { EXPECT_EQ(c.f.v[1]->position.z, 0); }},
      {"a texture-offset morph applied: the coordinates and the morph's offset", gridMorph(2),
       [](EditContext& c, MMeshObj& m) {
         c.target->SetTextureOffsetMode(1);
         c.target->SetTextureOffset(0.5, 0.25);
         m.ApplyTarget(c.target.get(), 1, 0);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->morphs.First()->textureOffsetU, 0.5); }},
      {"a target recorded in texture-offset mode moves the coordinates", gridMorph(2),
       [](EditContext& c, MMeshObj& m) {
         c.target->SetTextureOffsetMode(1);
         c.target->SetTextureOffset(0.125, 0);
         m.RecordTarget(c.target.get(), 0);
       },
       [](EditContext& c) { EXPECT_EQ(c.f->morphs.First()->textureOffsetU, 0.125); }},
      {"a texture-offset morph with its own material: the texture shifted",
       [gridMorph](EditContext& c) {
         gridMorph(8)(c);
         c.f->FindMorph("m")->CreateOwnShader(c.f.shader);
       },
       [](EditContext&, MMeshObj& m) { m.ApplyTextureOffset("m", 0.25, 0, 0); },
       [](EditContext& c) { EXPECT_EQ(c.f->faces.First()->shader->texture.pixels[4 * 2], 0); }},
      {"a morph's faces given another material",
       [gridMorph](EditContext& c) {
         gridMorph(0)(c);
         Material(c, {0, 0, 1});
       },
       [](EditContext& c, MMeshObj& m) { m.ApplyShaderToMorphFaces("m", c.material.get()); },
       [](EditContext& c) {
         EXPECT_EQ(c.f->faces.First()->shader->diffuseColor.z, 1);
         EXPECT_EQ(c.f->shaders.Length(), 1);
       }},
      {"morph materials chosen by the weight",
       [gridMorph](EditContext& c) {
         gridMorph(0)(c);
         c.f.shader->diffuseColor = {1, 0, 0};
         c.f->FindMorph("m")->CreateOwnShader(c.f.shader);
         c.target->CreateOwnShader(Material(c, {0, 0, 1}));
       },
       [](EditContext& c, MMeshObj& m) { m.ApplyTarget(c.target.get(), 0.7, 0); },
       [](EditContext& c) { EXPECT_EQ(c.f->faces.First()->shader->diffuseColor.z, 1); }},
      {"an additive target blending its texture over the faces'",
       [gridMorph](EditContext& c) {
         // Textures of a size the texture rules keep as it is.
         gridMorph(64)(c);
         c.f->FindMorph("m")->CreateOwnShader(c.f.shader);
         MShader* painted = Material(c, {1, 1, 1});
         painted->texture = {64, 64, static_cast<unsigned char*>(EngAlloc(64 * 64 * 4))};
         std::memset(painted->texture.pixels, 0xFF, 64 * 64 * 4);
         c.target->CreateOwnShader(painted);
       },
       [](EditContext& c, MMeshObj& m) { m.ApplyTarget(c.target.get(), 0.5, 1); },
       [](EditContext& c) { EXPECT_EQ(c.f->faces.First()->shader->texture.pixels[4 * 5], 255); }},
      {"textures cropped to the selected faces",
       [](EditContext& c) {
         c.f = meshkit::MakeGrid(1, 1);
         Textured(c.f, 8);
         for (MFace* face : c.f->faces)
           for (MFaceUV::Pair& pair : face->uv->corner) pair.u = pair.u == 0 ? 2.25 : 2.75;
         for (MLine* line : c.f->lines) line->flags |= kLineSelected;
       },
       [](EditContext&, MMeshObj& m) { m.CropTexturesToSelection(); },
       [](EditContext& c) { EXPECT_NE(c.f->faces.First()->shader, c.f.shader); }},
      {"a face's colour set through its material",
       [](EditContext& c) { c.f = meshkit::MakeTetra(); },
       [](EditContext&, MMeshObj& m) { m.SetFaceShaderColour(m.faces.First(), 0x0000FF); },
       [](EditContext& c) { EXPECT_EQ(c.f.shader->diffuseColor.x, 1); }},
      {"a face's colour set through its uniform texture",
       [](EditContext& c) {
         c.f = meshkit::MakeTetra();
         Textured(c.f);
         c.f.shader->FillTexture(0x102030);
       },
       [](EditContext&, MMeshObj& m) { m.SetFaceShaderColour(m.faces.First(), 0x405060); },
       [](EditContext& c) { EXPECT_EQ(c.f.shader->texture.pixels[0], 0x60); }},
  };
}

std::vector<EditCase> EveryEdit() {
  std::vector<EditCase> all = ElementEdits();
  for (auto* more : {&MeshEdits, &MorphEdits})
    for (EditCase& c : more()) all.push_back(std::move(c));
  return all;
}

TEST_F(MeshEditUndo, EveryEditSurvivesUndoAndRedo) {
  for (const EditCase& c : EveryEdit()) {
    SCOPED_TRACE(c.name);
    EditContext context;
    c.make(context);
    EXPECT_TRUE(meshkit::UndoRoundTrip(
        *context.f,
        [&](MMeshObj& m) {
          c.edit(context, m);
          if (c.check) c.check(context);
        },
        c.validation));
  }
}

TEST_F(MeshEditUndo, AnEditThatRunsOutOfMemoryIsUndoneToTheMeshBeforeIt) {
  for (const EditCase& c : EveryEdit()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<EditContext> context;
    EXPECT_TRUE(meshkit::UndoRestoresAfterAllocationFailures(
        [&]() -> MMeshObj& {
          context = std::make_unique<EditContext>();
          c.make(*context);
          return *context->f;
        },
        [&](MMeshObj& m) { c.edit(*context, m); }, c.validation));
  }
}

}  // namespace
