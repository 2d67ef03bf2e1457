// Every modelling operation, in one table, through the two undo properties
// of the mesh test kit: the undo and redo round trip (with the validator
// after each step), and the undo of an operation that ran out of memory at
// each of its allocations in turn.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "engine/ModelingUndoTable.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_modeling_undo_test {

using namespace engine;
using meshkit::MeshFixture;

using modelingtest::ModelingCase;

bool Failed() { return EngContext().failState != kEngFailNone; }

class MeshModelingUndo : public meshkit::MeshTest {
 protected:
  void TearDown() override {
    EngContext().textureMode = 1;
    MeshTest::TearDown();
  }
};

MeshFixture TexturedCube() {
  MeshFixture f = meshkit::MakeCube(true);
  meshkit::GiveTexture(f);
  return f;
}

// Two triangles that touch only at v[0]: two fans around one vertex.
MeshFixture Bowtie() {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 0, 0}, {-1, -1, 0}}, {{0, 1, 2}, {0, 3, 4}});
  return f;
}

MeshFixture SquareCorners() {
  MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  return f;
}

std::vector<ModelingCase> Cases() {
  return {
      {"a list of faces selected", [] { return meshkit::MakeCube(true); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         PtrArray faces;
         faces.Add(f->faces.First());
         m.SaveAllForUndo();
         if (!Failed()) m.SelectLists(&faces, nullptr, nullptr);
       }},
      {"the selection inverted and toggled", [] { return meshkit::MakeCube(true); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveAllForUndo();
         if (Failed()) return;
         m.InvertSelection();
         PtrArray lines;
         lines.Add(f.Line(0, 1));
         m.ToggleSelectLists(nullptr, &lines, nullptr);
       }},
      {"crease lines selected by rule", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) {
         m.SaveAllForUndo();
         if (Failed()) return;
         m.SelectCreaseItems();
         m.SelectByThreshold(0.5);
       }},
      {"selected lines grouped",
       [] {
         MeshFixture f = meshkit::MakeCube(true);
         meshkit::SelectVertices(f, {0, 1, 2});
         f.v[0]->group = f->AddGroup();
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         m.SaveAllForUndo();
         if (!Failed()) m.MergeRootGroups();
       }},
      {"selected lines ungrouped",
       [] {
         MeshFixture f = meshkit::MakeCube(true);
         meshkit::SelectVertices(f, {0, 1});
         MGroup* root = f->AddGroup();
         MGroup* child = f->AddGroup();
         child->parent = root;
         f.Line(0, 1)->group = root;
         f.v[5]->group = child;
         f->AddGroup();  // used by nothing
         return f;
       },
       [](MeshFixture&, MMeshObj& m) {
         unsigned char dissolved = 0;
         m.UngroupSelected(dissolved);
       }},
      {"faces of one part turned over", [] { return TexturedCube(); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         m.FlipPartAt(f.v[0]);
       }},
      {"parts oriented towards a viewpoint", [] { return meshkit::MakeCube(); },
       [](MeshFixture&, MMeshObj& m) { m.OrientParts(false, {0.5, 0.5, 0.5}); }},
      {"a part removed", [] { return meshkit::MakeCube(); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         m.RemovePartAt(f.v[3]);
       }},
      {"a line split at a point", [] { return meshkit::MakeQuadPair(false); },
       [](MeshFixture& f, MMeshObj& m) { m.SplitLineAtPoint(f.Line(0, 2), {0.5, 0.5, 0}, nullptr, nullptr); }},
      {"a textured line split at a point", [] { return TexturedCube(); },
       [](MeshFixture& f, MMeshObj& m) { m.SplitLineAtPoint(f.Line(0, 1), {0.25, 0, 0}, nullptr, nullptr); }},
      {"a square loop filled", [] { return SquareCorners(); },
       [](MeshFixture& f, MMeshObj& m) {
         MVertex* loop[4] = {f.v[0], f.v[1], f.v[2], f.v[3]};
         m.FillLoop(4, loop, f.shader, false);
       },
       0},
      {"two fans at one vertex given a vertex each", [] { return Bowtie(); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         m.SplitVertexFans(f.v[0], nullptr);
       }},
      {"a quad's diagonal turned to the other corners", [] { return meshkit::MakeQuadPair(true); },
       [](MeshFixture& f, MMeshObj& m) { m.SwitchQuadDiagonal(f.v[1], f.v[3], false); }},
      {"a quad's diagonal shown", [] { return meshkit::MakeQuadPair(true); },
       [](MeshFixture& f, MMeshObj& m) { m.SwitchQuadDiagonal(f.v[0], f.v[2], false); }},
      {"line colours and widths", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) {
         m.SetLineWidthAll(200);
         m.ScaleLineWidth(2, true);
         m.SetLineColourAll({0.5, 2, -1});
       }},
      {"all faces deleted, their lines kept", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) { m.DeleteAllFaces(); }},
      {"the faces of a material removed", [] { return meshkit::MakeTetra(); },
       [](MeshFixture& f, MMeshObj& m) {
         m.SaveEditState();
         m.RemoveFacesOfShader(f.shader);
       },
       0},
      {"a full ring about the z axis", [] { return SquareCorners(); },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray vs, ls;
         m.MakeFullRing(6, f.v[1], vs, ls);
       },
       0},
      {"a half ring about the z axis", [] { return SquareCorners(); },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray vs, ls;
         m.MakeHalfRing(5, f.v[1], vs, ls);
       },
       0},
      {"a free line collapsed", [] {
         MeshFixture f = meshkit::MakeCubeCorners();
         MLine* a = f->AddLine(f.v[0], f.v[1], nullptr, nullptr, nullptr, nullptr);
         f->AddLine(f.v[1], f.v[2], a, a, nullptr, nullptr);
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.CollapseFreeLine(f.Line(1, 2), f.v[1], nullptr); }, 0},
      {"a line between faces collapsed to its midpoint", [] { return meshkit::MakeGrid(3, 3); },
       [](MeshFixture& f, MMeshObj& m) { m.CollapseLine(f.Line(5, 6), nullptr, nullptr, nullptr, nullptr); }},
      {"a textured line collapsed onto an end", [] {
         MeshFixture f = meshkit::MakeGrid(3, 3);
         meshkit::GiveTexture(f);
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.CollapseLine(f.Line(5, 6), f.v[6], nullptr, nullptr, nullptr); }},
      {"a seam line collapsed with its coincident line", [] { return meshkit::MakeSeamTube(4, 2); },
       [](MeshFixture& f, MMeshObj& m) { m.CollapseLine(f.Line(5, 10), nullptr, nullptr, nullptr, nullptr); }},
      {"a vertex merged into its neighbour", [] { return meshkit::MakeGrid(3, 3); },
       [](MeshFixture& f, MMeshObj& m) { m.MergeVertexInto(f.v[5], f.v[10]); }},
      {"a face removed and its corners tidied", [] { return meshkit::MakeGrid(2, 2); },
       [](MeshFixture& f, MMeshObj& m) { m.RemoveFaceAndTidy(f->faces.First()); }},
      {"coincident border lines zipped", [] { return meshkit::MakeSeamTrianglePair(false); },
       [](MeshFixture& f, MMeshObj& m) { m.MergeCoincidentLinesAt(f.v[0]); }},
      {"coincident border lines zipped after turning a part", [] { return meshkit::MakeSeamTrianglePair(true); },
       [](MeshFixture& f, MMeshObj& m) { m.MergeCoincidentLinesAt(f.v[0]); }},
      {"two border lines bridged and welded", [] {
         MeshFixture f = meshkit::MakeEmptyMesh();
         f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0.01}, {0, 0, 0.01}, {0.5, -1, 0}}, {{0, 1, 2}, {3, 4, 5}});
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.WeldLines(f.Line(0, 1), f.Line(3, 4)); }},
      {"a polyline drawn across a quad's corners and off it", [] { return meshkit::MakeGrid(2, 1); },
       [](MeshFixture& f, MMeshObj& m) {
         ElementRefArray points;
         points.Add({f.v[0]->position, f.v[0], -3, nullptr, 0});
         points.Add({f.v[4]->position, f.v[4], -3, nullptr, 0});
         points.Add({{1.5, 0, 0}, f.Line(1, 2), -4, nullptr, 0});
         points.Add({{3, 3, 0}, nullptr, -1, nullptr, 0});
         m.SaveUndoAroundPoints(points);
         if (!Failed()) m.DrawLines(points);
       }},
      {"a line split with the faces around it cleared", [] { return meshkit::MakeGrid(2, 2); },
       [](MeshFixture& f, MMeshObj& m) {
         MVertex* v = nullptr;
         m.SplitLineAt(f.Line(4, 5), {1.5, 1, 0}, &v);
       },
       0},
      {"a quad made in a loop of free lines", [] {
         MeshFixture f = SquareCorners();
         for (int k = 0; k < 4; ++k) f->AddLineBetween(f.v[k], f.v[(k + 1) % 4]);
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.MakeFacesInLoopsAll(); }},
      {"a face made beside a surface and joined to it", [] {
         MeshFixture f = meshkit::MakeEmptyMesh();
         f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5, -1, 0}}, {{0, 1, 2}});
         f->ReverseAllFaces();
         f->AddLineBetween(f.v[1], f.v[3]);
         f->AddLineBetween(f.v[3], f.v[0]);
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.MakeFacesInLoopsAll(); }, 0},
      {"the mirrored half made real", [] {
         MeshFixture f = meshkit::MakeMirrorHalf();
         meshkit::GiveTexture(f);
         f.v[0]->group = f->AddGroup();
         f.v[4]->group = f->AddGroup();
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.MirrorToFull(f.shader); }},
      {"a vertex split along two lines", [] {
         MeshFixture f = meshkit::MakeGrid(3, 3);
         meshkit::GiveTexture(f);
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.SplitVertexAlongLines(f.v[5], f.Line(5, 6), f.Line(5, 4), nullptr, nullptr); }},
      {"a border vertex split along a border and an inner line", [] { return meshkit::MakeGrid(3, 3); },
       [](MeshFixture& f, MMeshObj& m) { m.SplitVertexAlongLines(f.v[1], f.Line(1, 0), f.Line(1, 5), nullptr, nullptr); }},
      {"faces made in a loop of selected lines", [] {
         MeshFixture f = SquareCorners();
         for (int k = 0; k < 4; ++k) f->AddLineBetween(f.v[k], f.v[(k + 1) % 4]);
         meshkit::SelectVertices(f, {0, 1, 2, 3});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.MakeFacesInLoopsSelected(); }},
      {"faces filled between two line sets", [] {
         MeshFixture f = SquareCorners();
         for (int k = 0; k < 4; ++k) f->AddLineBetween(f.v[k], f.v[(k + 1) % 4]);
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) {
         PtrArray a, b, c;
         a.Add(f.Line(0, 1));
         a.Add(f.Line(2, 3));
         b.Add(f.Line(1, 2));
         b.Add(f.Line(3, 0));
         m.FillBetweenLines(a, b, c, false);
       }},
      {"two border lines bridged by a quad", [] {
         MeshFixture f = meshkit::MakeEmptyMesh();
         f.Add({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {1, -1, 0}, {0, -1, 0}, {0.5, -2, 0}}, {{0, 1, 2}, {3, 4, 5}});
         return f;
       },
       [](MeshFixture& f, MMeshObj& m) { m.BridgeLinesAndCollapse(f.Line(0, 1), f.Line(3, 4), 0); }},
      {"a vertex's shortest line collapsed", [] { return meshkit::MakeGrid(3, 3); },
       [](MeshFixture& f, MMeshObj& m) { m.CollapseShortestLine(f.v[5]); }},
      {"a seam line split with its coincident line", [] { return meshkit::MakeSeamTube(4, 1); },
       [](MeshFixture& f, MMeshObj& m) {
         MLine* seam = f.Line(0, 5);
         const PointRecord a = seam->end0->position, b = seam->end1->position;
         m.SplitCoincidentLinesAtPoint(seam, {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}, nullptr, nullptr);
       }},
      {"selected faces deleted", [] {
         MeshFixture f = meshkit::MakeCube(true);
         meshkit::SelectVertices(f, {0, 1, 2, 3});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.DeleteSelectedFaces(); }},
      {"a grid of drawn lines filled and zipped into one surface", [] {
         MeshFixture f = meshkit::MakeEmptyMesh();
         for (int j = 0; j <= 2; ++j)
           for (int i = 0; i <= 2; ++i) f.Vertex(i, j, 0);
         for (int j = 0; j <= 2; ++j)
           for (int i = 0; i <= 2; ++i) {
             if (i < 2) f->AddLineBetween(f.v[j * 3 + i], f.v[j * 3 + i + 1]);
             if (j < 2) f->AddLineBetween(f.v[j * 3 + i], f.v[j * 3 + i + 3]);
           }
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.MakeFacesInLoopsAll(); }},
      {"unused groups removed", [] {
         MeshFixture f = meshkit::MakeTetra();
         f->AddGroup();
         f.v[0]->group = f->AddGroup();
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.RemoveUnusedGroups(); }},
  };
}

TEST_F(MeshModelingUndo, EveryOperationSurvivesUndoAndRedo) { modelingtest::ExpectEachSurvivesUndoAndRedo(Cases()); }

TEST_F(MeshModelingUndo, AnOperationThatRunsOutOfMemoryIsUndoneToTheMeshBeforeIt) {
  modelingtest::ExpectEachUndoneAfterRunningOutOfMemory(Cases());
}

}  // namespace mesh_modeling_undo_test
