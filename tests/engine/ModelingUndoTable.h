#pragma once
// A table of modelling operations run through the two undo properties of
// the mesh test kit: the undo and redo round trip (with the validator after
// each step), and the undo of an operation that ran out of memory at each of
// its allocations in turn.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "meshkit/MeshTestSupport.h"
#include "meshkit/MeshUndoCheck.h"

namespace modelingtest {

struct ModelingCase {
  const char* name;
  std::function<meshkit::MeshFixture()> make;
  // The operation as its caller runs it; it opens the step itself.
  std::function<void(meshkit::MeshFixture&, engine::MMeshObj&)> run;
  int validation = 1;
};

inline void ExpectEachSurvivesUndoAndRedo(const std::vector<ModelingCase>& cases) {
  for (const ModelingCase& c : cases) {
    SCOPED_TRACE(c.name);
    meshkit::MeshFixture f = c.make();
    EXPECT_TRUE(meshkit::UndoRoundTrip(*f, [&](engine::MMeshObj& m) { c.run(f, m); }, c.validation));
    EXPECT_EQ(engine::EngContext().failState, engine::kEngFailNone);
  }
}

inline void ExpectEachUndoneAfterRunningOutOfMemory(const std::vector<ModelingCase>& cases) {
  for (const ModelingCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<meshkit::MeshFixture> f;
    EXPECT_TRUE(meshkit::UndoRestoresAfterAllocationFailures(
        [&]() -> engine::MMeshObj& {
          f = std::make_unique<meshkit::MeshFixture>(c.make());
          return **f;
        },
        [&](engine::MMeshObj& m) { c.run(*f, m); }, c.validation));
  }
}

}  // namespace modelingtest
