// Subdivision, support loops, path cuts, extrusion, moving, flattening,
// smoothing and reduction through the undo round trip and the undo of an
// operation that runs out of memory, with the validator after each step.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "engine/ModelingTestSupport.h"
#include "engine/ModelingUndoTable.h"

// A name of its own: test files are compiled together in batches.
namespace mesh_shaping_undo_test {

using namespace engine;
using modelingtest::GridWithQuads;
using meshkit::MeshFixture;
using modelingtest::ModelingCase;

class MeshShapingUndo : public meshkit::MeshTest {};

bool Failed() { return EngContext().failState != kEngFailNone; }

// Two quads side by side: 0-1-4-3 and 1-2-5-4 (a 2 × 1 grid), line 1-4
// between them.
MeshFixture QuadStrip() {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  for (int i = 0; i < 2; ++i) f.Line(i, i + 4)->flags |= kLineHiddenDiagonal;
  return f;
}

std::vector<ModelingCase> Cases() {
  return {
      {"a cube subdivided in two", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) { m.SubdivideAll(2); }},
      {"a grid of quads subdivided in three", [] { return QuadStrip(); },
       [](MeshFixture&, MMeshObj& m) { m.SubdivideAll(3); }},
      {"the selected faces subdivided", [] {
         MeshFixture f = GridWithQuads();
         meshkit::SelectVertices(f, {5, 6, 9, 10});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.SubdivideSelected(2); }},
      {"support loops round a lone selected vertex", [] {
         MeshFixture f = meshkit::MakeGrid(1, 1);
         f.Line(0, 3)->flags |= kLineHiddenDiagonal;
         meshkit::SelectVertices(f, {0});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.AddSupportLoops(0.1); }},
      {"support loops beside the line between two quads", [] {
         MeshFixture f = QuadStrip();
         meshkit::SelectVertices(f, {1, 4});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.AddSupportLoops(0.1); }},
      {"one quad of a grid extruded", [] { return GridWithQuads(); },
       [](MeshFixture& f, MMeshObj& m) { m.ExtrudeFaces(modelingtest::MiddleQuad(f), 1, 1); }},
      {"faces extruded along their normals", [] { return GridWithQuads(); },
       [](MeshFixture& f, MMeshObj& m) { m.ExtrudeFaces(modelingtest::MiddleQuad(f), 2, 0.5); }},
      {"a border line extruded", [] {
         MeshFixture f = GridWithQuads();
         f.Line(0, 1)->flags |= 0x08 | 0x04;
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.ExtrudeStoredOrFlagged(0, 0); }},
      {"every vertex moved along its normal", [] { return meshkit::MakeSphere(8, 5); },
       [](MeshFixture&, MMeshObj& m) { m.MoveVertices(2, 0.25, {0, 0, 0}); }},
      {"every vertex moved by a vector", [] { return meshkit::MakeCube(true); },
       [](MeshFixture&, MMeshObj& m) { m.MoveVertices(0, 0, {1, 2, 3}); }},
      {"a bent quad flattened onto its fitted plane", [] {
         MeshFixture f = meshkit::MakeQuadPair(false);
         f.v[2]->position.z = 0.5;
         f.Line(0, 2)->flags |= kLineSharp;
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.FlattenAll(true, {0, 0, 0}); }},
      {"the selection flattened", [] {
         MeshFixture f = meshkit::MakeSphere(8, 5);
         meshkit::SelectVertices(f, {1, 2, 3, 4});
         return f;
       },
       [](MeshFixture&, MMeshObj& m) { m.FlattenSelected(false, {1, 0, 0}); }},
      {"a sphere smoothed", [] { return meshkit::MakeSphere(8, 5); },
       [](MeshFixture&, MMeshObj& m) {
         m.SaveEditState();
         if (!Failed()) m.SmoothAll(0);
       }},
      {"a sphere reduced to half its lines", [] { return meshkit::MakeSphere(6, 4); },
       [](MeshFixture&, MMeshObj& m) { m.ReduceAll(0.5); }},
      {"a path cut across a strip of quads", modelingtest::ThreeQuadStrip,
       [](MeshFixture& f, MMeshObj&) { modelingtest::CutPathAcrossStrip(f); }},
  };
}

TEST_F(MeshShapingUndo, EveryOperationSurvivesUndoAndRedo) { modelingtest::ExpectEachSurvivesUndoAndRedo(Cases()); }

TEST_F(MeshShapingUndo, AnOperationThatRunsOutOfMemoryIsUndoneToTheMeshBeforeIt) {
  modelingtest::ExpectEachUndoneAfterRunningOutOfMemory(Cases());
}

}  // namespace mesh_shaping_undo_test
