#pragma once
// The scene's figure tests: scenes holding the standard figure (whole, or
// taken apart into its skeleton and body meshes), a dump of a whole scene
// with every figure's own data, and the two undo properties of a scene
// command: its undo and redo give the dumps before and after, and running
// it out of memory at each of its allocations leaves a step whose undo
// gives the scene before.
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "FigureTestSupport.h"
#include "engine/scene/MDocObj.h"

namespace figuretest {

class SceneFigureTest : public FigureTest {
 protected:
  void TearDown() override;

 public:
  // The standard figure's group at (x, 0, 0), added to the scene.
  static engine::MGroupObj* AddStandard(engine::MDocObj& scene, double x = 0);
  // The two-bone chain's group at (x, 0, 0), added to the scene; `small`
  // gives it a tube of 4 sides and 5 rings.
  static engine::MGroupObj* AddChain(engine::MDocObj& scene, double x = 0, bool small = false);
  // The small chain taken apart: its skeleton as a plain mesh (answered)
  // and its tube, both direct children.
  static engine::MMeshObj* AddChainParts(engine::MDocObj& scene);
  // The standard figure taken apart: its skeleton as a plain mesh of lines
  // (answered) followed by its body meshes, each a direct child.
  static engine::MMeshObj* AddStandardParts(engine::MDocObj& scene);
  // A tetrahedron at (x, 0, 0), added to the scene.
  static engine::MMeshObj* AddProp(engine::MDocObj& scene, double x);
  // Selects only the objects, in this order (selection times 1, 2, ...).
  static void SelectInOrder(engine::MDocObj& scene, std::initializer_list<engine::MObject*> objects);
  // Selects every vertex and line of the mesh.
  static void SelectAllElements(engine::MMeshObj& mesh);
};

// The scene's canonical dump (scenetest::DumpScene) followed by each
// figure's own data; element selections are cleared first, since the edit
// step does not keep them.
std::string DumpSceneWithFigures(engine::MDocObj& scene);

// A command's undo round trip on the scene `make` gives (committed, with its
// selection made): the command changes the dump; UndoEdit (0) gives the
// dump before, UndoEdit (1) the dump after, and so once more.
::testing::AssertionResult SceneCommandUndoesAndRedoes(const std::function<std::unique_ptr<engine::MDocObj>()>& make,
                                                       const std::function<void(engine::MDocObj&)>& command);

// The command run out of memory at its nth allocation, n = 1, 2, ...: after
// each failure, UndoEdit (0) must give the dump before and every mesh must
// hold together. `committing` commands take their step back themselves
// and commit it: the scene must equal the one before without an undo (or,
// when only the commit ran out, the one the command makes).
::testing::AssertionResult SceneCommandSurvivesAllocationFailures(
    const std::function<std::unique_ptr<engine::MDocObj>()>& make, const std::function<void(engine::MDocObj&)>& command,
    bool committing = false, int limit = 4000);

}  // namespace figuretest
