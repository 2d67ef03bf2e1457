// The modelling operations of walking and selecting, deleting and filling,
// creases and hiding, texture projection and editing, repair and clean-up,
// in one table through the undo round trip and the allocation-failure
// property.
#include <gtest/gtest.h>

#include <vector>

#include "engine/ModelingTestSupport.h"
#include "engine/ModelingUndoTable.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_repair_undo_test {

using namespace engine;
using meshkit::MeshFixture;
using modelingtest::ModelingCase;

bool Failed() { return EngContext().failState != kEngFailNone; }

class MeshRepairUndo : public meshkit::MeshTest {
 protected:
  void TearDown() override {
    EngContext().textureMode = 1;
    MeshTest::TearDown();
  }
};

MeshFixture TexturedQuadPair() {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  return f;
}

MeshFixture TexturedCube() {
  MeshFixture f = meshkit::MakeCube(true);
  meshkit::GiveTexture(f);
  return f;
}

// The quad pair with corner 0's two texture corners marked.
MeshFixture MarkedQuadPair() {
  MeshFixture f = TexturedQuadPair();
  for (MFace* face : f->faces) face->SetUVCornerMark(face->CornerIndex(f.v[0]));
  return f;
}

MatrixRecord Identity() {
  MatrixRecord m;
  MUtilIdentity(m);
  return m;
}

std::vector<ModelingCase> Cases() {
  return {
      // ---- walks and selections
      {"the selection inverted", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) {
         m.SaveAllForUndo();
         if (!Failed()) m.InvertSelectionAll();
       }},
      {"edge loops grown from a line", [] { return meshkit::MakeSphere(6, 4); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveAllForUndo();
         if (Failed()) return;
         f.Line(1, 2)->flags |= kLineSelected;
         m.ExtendLineSelection(10);
       }},
      {"a line net turned into a tree", [] { return modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}}); },
       [](MeshFixture&, MMeshObj& m) { m.OrientLineTrees(); }, 0},
      {"bent diagonals shown", [] {
         MeshFixture f = meshkit::MakeQuadPair(true);
         f.v[3]->position = {-1, 0.01, 0};
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.UnhideBentDiagonalsAll(); }},
      {"a diagonal across the mirror plane turned", [] {
         // A quad 0-1-2-3 whose diagonal 0-2 lies on the plane with 0, 1, 2:
         // one half wholly on the plane, the other reaching off it.
         MeshFixture f = meshkit::MakeEmptyMesh();
         f.Add({{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {-1, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
         for (int k : {0, 1, 2}) f.v[k]->flags |= kVertexOnMirror;
         f.Line(0, 2)->flags |= kLineHiddenDiagonal;
         f->SetMirrorMode(1);
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.FlipMirrorPlaneDiagonals(); }},
      // ---- deleting, filling, creases, hiding
      {"the selected faces removed", [] {
         MeshFixture f = meshkit::MakeCube(true);
         meshkit::SelectVertices(f, {4, 5, 6, 7});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.SaveEditState();
         m.RemoveSelectedFaces();
       }},
      {"listed faces deleted", [] { return TexturedCube(); },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray faces;
         faces.Add(f->faces.First());
         m.DeleteLists(&faces, nullptr, nullptr);
       }},
      {"a listed line deleted with the quads beside it", [] { return meshkit::MakeCube(true); },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray lines;
         lines.Add(f.Line(0, 1));
         m.DeleteLists(nullptr, &lines, nullptr);
       },
       0},
      {"a vertex between two free lines dissolved",
       [] { return modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}}); },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray vertices;
         vertices.Add(f.v[1]);
         m.DeleteLists(nullptr, nullptr, &vertices);
       },
       0},
      {"a loop of selected free lines filled", [] {
         MeshFixture f = modelingtest::FreeLoop({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
         meshkit::SelectVertices(f, {0, 1, 2, 3});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.FillSelectedLoops(); }},
      {"creases cleared and set", [] {
         MeshFixture f = meshkit::MakeCube(true);
         f.Line(0, 1)->flags |= kLineSharp;
         f.Line(0, 1)->SetCreaseWeight(64);
         f.v[0]->SetCreaseWeight(32);
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.ClearUnpairedCreaseBits();
         if (!Failed()) m.SetCreaseBitAll();
       }},
      {"selected creases cleared and set", [] {
         MeshFixture f = meshkit::MakeCube(true);
         meshkit::SelectVertices(f, {0, 1, 2});
         f.Line(0, 1)->flags |= kLineSharp;
         f.Line(0, 1)->SetCreaseWeight(64);
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.ClearUnpairedCreaseBitsSelected();
         if (!Failed()) m.SetCreaseBitSelected();
       }},
      {"the selection hidden, the rest hidden, all shown", [] {
         MeshFixture f = meshkit::MakeCube(true);
         meshkit::SelectVertices(f, {0, 1, 2, 3});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.SetHideFlagSelected(0);
         if (!Failed()) m.SetHideFlagSelected(2);
         if (!Failed()) m.ClearHideFlagAll();
         if (!Failed()) m.SetHideFlagSelected(1);
       }},
      {"everything hidden", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) { m.SetHideFlagAll(false); }},
      // ---- materials and texture coordinates
      {"coordinates projected flat with another material", [] {
         MeshFixture f = TexturedCube();
         MShader* other = f->AddShader();
         f.shader->CopyTo(other);
         other->specular = 0.9;
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.ProjectUVsSimple(nullptr, f->shaders.First(), Identity(), 1, 1, 2, 3); }},
      {"a plain material given to two faces, then unused materials removed", [] {
         MeshFixture f = TexturedCube();
         f->AddShader()->specular = 0.5;
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray two;
         for (MFace* face : f->faces)
           if (two.count < 2) two.Add(face);
         MShader* plain = nullptr;
         for (MShader* shader : f->shaders)
           if (shader != f.shader) plain = shader;
         m.AssignShader(two, plain);
         if (!Failed()) m.CleanUpShaders(true);
       }},
      {"coordinates projected round a cylinder into a range", [] { return TexturedCube(); },
       [](MeshFixture&, MMeshObj& m) {
         const PointRecord start{0.25, 0.25, 0}, end{0.75, 0.75, 0};
         m.ProjectUVs(nullptr, nullptr, Identity(), 2, 0, 1, 1, nullptr, &start, &end);
       }},
      {"marked corners moved, turned, scaled and split", [] { return MarkedQuadPair(); },
       [](MeshFixture& f, MMeshObj& m) {
         m.MoveUVOfShader(0.1, 0.2, f.shader);
         if (!Failed()) m.RotateUV(0.5, 0.5, 1, f.shader);
         if (!Failed()) m.ScaleUV(0.5, 0.5, 2, 0.5, f.shader);
         if (!Failed()) m.MirrorMarkedUV(1, f.shader, 0.5, 0.5);
         if (!Failed()) m.SplitMarkedUVCorners(f.shader);
       }},
      {"marks from the selection, expanded and some cleared", [] {
         MeshFixture f = TexturedQuadPair();
         meshkit::SelectVertices(f, {0, 1});
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) {
         m.UVMarksFromSelection(f.shader);
         if (!Failed()) m.ExpandUVEdgeMarks();
         if (!Failed()) m.MarkUVInRect(-1, -1, 0.5, 0.5, f.shader, false, nullptr);
       }},
      {"a picked corner moved and the quad's halves synchronised", [] { return TexturedQuadPair(); },
       [](MeshFixture& f, MMeshObj& m) {
         TripleArray picked;
         double d;
         if (!m.PickUV(1, 0, 0.1, f.shader, picked, d)) return;
         m.MoveUVOfList(0.3, 0.3, picked);
         if (!Failed()) m.SetUVCornerMarks(picked, true);
         if (!Failed()) m.SyncQuadUVs();
       }},
      // ---- crease weights and the smooth surface
      {"crease weights of everything", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) {
         m.SetLineCreaseWeightAll(0.5);
         if (!Failed()) m.SetVertexCreaseWeightAll(1);
       }},
      {"crease weights of the selection", [] {
         MeshFixture f = meshkit::MakeCube(true);
         meshkit::SelectVertices(f, {0, 1, 2});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.SetLineCreaseWeightSelected(1);
         if (!Failed()) m.SetVertexCreaseWeightSelected(0.3);
       }},
      {"the smooth surface rebuilt into the mesh", [] {
         MeshFixture f = meshkit::MakeCube(true);
         f->SetSmoothDisplay(1);
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.RefreshSmoothSurface(1); }},
      {"free lines removed and seams merged", [] {
         MeshFixture f = meshkit::MakeSeamTube(4, 1);
         MVertex* a = f->AddVertex({5, 5, 5});
         f->AddLineBetween(a, f->AddVertex({6, 5, 5}));
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.SaveEditState();
         m.MergeAllCoincidentLines(nullptr);
         if (!Failed()) m.RemoveFreeLines();
       }},
      // ---- repair and clean-up
      {"a short line and a sliver repaired", [] {
         MeshFixture f = meshkit::MakeGrid(3, 3);
         f.v[5]->position = {2 - 1e-5, 1, 0};
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.RepairDegenerateFaces(); }},
      {"a sliver split and collapsed", [] {
         MeshFixture f = meshkit::MakeEmptyMesh();
         f.Add({{0, 0, 0}, {2, 0, 0}, {1, 1e-6, 0}, {1, -1, 0}}, {{0, 1, 2}, {0, 3, 1}});
         meshkit::GiveTexture(f);
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         for (MFace* face : f->faces)
           if (face->CornerIndex(f.v[2]) >= 0) {
             m.FixThinFace(face, nullptr);
             return;
           }
       }},
      {"straight vertices removed and flat diagonals hidden", [] {
         MeshFixture f = meshkit::MakeGrid(2, 1);
         f.Line(0, 1)->flags |= 0x04;
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         int count = 0;
         m.RemoveStraightVertices(count, -1, false);
         if (!Failed()) m.HideFlatDiagonalLines();
       }},
      {"marked vertices repaired", [] { return meshkit::MakeGrid(2, 1); },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray marked;
         for (int k : {0, 1, 2}) marked.Add(f.v[k]);
         m.RepairMarkedVertices(marked);
       }},
      {"loose vertices removed and sharp lines marked by angle", [] {
         MeshFixture f = meshkit::MakeCube(false);
         f->AddVertex({4, 4, 4});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.RemoveLooseVertices();
         if (!Failed()) m.MarkSharpLinesByAngle(1.0);
         if (!Failed()) m.MergeParallelLines();
       },
       0},
      {"the stored faces' region repaired", [] {
         MeshFixture f = meshkit::MakeGrid(3, 3);
         f.v[5]->position = {2 - 1e-5, 1, 0};
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.PrepareLineSplit();
         if (Failed()) return;
         m.SaveEditState();
         for (MFace* face : m.faces) {
           face->id = m.GetStoredFaceTag();
           m.workList->Add(face);
           break;
         }
         m.RepairStoredFaceRegion();
         m.FreeStoredFaceList();
       }},
      {"faces of one class removed", [] {
         MeshFixture f = meshkit::MakeCube(true);
         f->faces.First()->workMark = 2;
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.RemoveFacesWithMark(2); }, 0},
  };
}

TEST_F(MeshRepairUndo, EveryOperationSurvivesUndoAndRedo) { modelingtest::ExpectEachSurvivesUndoAndRedo(Cases()); }

TEST_F(MeshRepairUndo, AnOperationThatRunsOutOfMemoryIsUndoneToTheMeshBeforeIt) {
  modelingtest::ExpectEachUndoneAfterRunningOutOfMemory(Cases());
}

}  // namespace mesh_repair_undo_test
