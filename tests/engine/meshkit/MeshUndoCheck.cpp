#include "meshkit/MeshUndoCheck.h"

#include <stdexcept>

#include "engine/core/EngAlloc.h"
#include "meshkit/MeshValidator.h"

namespace meshkit {

using namespace engine;

namespace {

// Shading normals are caches that an undo step does not keep.
DumpOptions WithoutCaches() {
  DumpOptions options;
  options.normals = false;
  return options;
}

}  // namespace

MeshSnapshot TakeSnapshot(const MMeshObj& mesh) { return {DumpMesh(mesh, WithoutCaches()), ListOrder(mesh)}; }

std::string DumpInOrderOf(const MMeshObj& mesh, const MeshSnapshot& snapshot) {
  DumpOptions options = WithoutCaches();
  options.order = &snapshot.order;
  return DumpMesh(mesh, options);
}

namespace {

// The first line where the two dumps part, with a few lines of each.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::size_t line = 0, a = 0, b = 0;
  while (a < expected.size() && b < actual.size()) {
    const std::size_t endA = expected.find('\n', a);
    const std::size_t endB = actual.find('\n', b);
    const std::string lineA = expected.substr(a, endA - a);
    const std::string lineB = actual.substr(b, endB - b);
    if (lineA != lineB) return "line " + std::to_string(line) + ":\n  expected " + lineA + "\n  actual   " + lineB;
    if (endA == std::string::npos || endB == std::string::npos) break;
    a = endA + 1;
    b = endB + 1;
    ++line;
  }
  return "the dumps differ in length (" + std::to_string(expected.size()) + " and " + std::to_string(actual.size()) +
         " bytes)";
}

}  // namespace

::testing::AssertionResult UndoRoundTrip(MMeshObj& mesh, const std::function<void(MMeshObj&)>& edit,
                                         int validationMode) {
  auto failed = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
  auto sound = [&](const char* when) -> std::string {
    if (EngContext().failState != kEngFailNone)
      return std::string(when) + ": failure state " + std::to_string(EngContext().failState) + " reason " +
             std::to_string(EngContext().failReason);
    const ::testing::AssertionResult valid = MeshIsValid(mesh, validationMode);
    return valid ? std::string() : std::string(when) + ": " + valid.message();
  };
  auto matches = [&](const MeshSnapshot& expected, const char* when) -> std::string {
    const std::string actual = DumpInOrderOf(mesh, expected);
    return actual == expected.dump ? std::string() : std::string(when) + " " + FirstDifference(expected.dump, actual);
  };

  mesh.Checkpoint(true);
  // A cache left unknown (-1) comes back from an undo and a redo as 1
  // (something may be selected); known caches come back as they were.
  mesh.UpdateSelectionCache();
  const MeshSnapshot before = TakeSnapshot(mesh);
  edit(mesh);
  if (std::string fault = sound("after the edit"); !fault.empty()) return failed(fault);
  if (mesh.GetEditState() != kEditMeshStep) return failed("the edit did not open the mesh's edit step");
  mesh.UpdateSelectionCache();
  const MeshSnapshot after = TakeSnapshot(mesh);
  if (after.dump == before.dump) return failed("the edit changed nothing");
  if (!mesh.CanStep(0) || mesh.CanStep(1)) return failed("after the edit only an undo can run");
  for (int round = 1; round <= 2; ++round) {
    mesh.ExchangeUndoStep(0);
    if (std::string fault = sound("after the undo"); !fault.empty()) return failed(fault);
    if (std::string fault = matches(before, "the undo does not restore the mesh:"); !fault.empty())
      return failed(fault);
    if (!mesh.CanStep(1)) return failed("after the undo a redo cannot run");
    mesh.ExchangeUndoStep(1);
    if (std::string fault = sound("after the redo"); !fault.empty()) return failed(fault);
    if (std::string fault = matches(after, "the redo does not restore the edit:"); !fault.empty())
      return failed(fault);
  }
  mesh.Checkpoint(true);
  if (std::string fault = sound("after the checkpoint"); !fault.empty()) return failed(fault);
  if (std::string fault = matches(after, "the checkpoint changed the mesh:"); !fault.empty()) return failed(fault);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult UndoRestoresAfterAllocationFailures(const std::function<MMeshObj&()>& makeFresh,
                                                               const std::function<void(MMeshObj&)>& edit,
                                                               int validationMode) {
  constexpr int kLimit = 400;
  for (int nth = 1; nth <= kLimit; ++nth) {
    const std::string run = "with allocation " + std::to_string(nth) + " failing: ";
    EngContext().ClearFailure();
    MMeshObj& mesh = makeFresh();
    mesh.Checkpoint(true);
    mesh.UpdateSelectionCache();
    const MeshSnapshot before = TakeSnapshot(mesh);
    try {
      EngAllocFailureScope fail(nth);
      edit(mesh);
    } catch (const std::runtime_error&) {
      EngContext().ClearFailure();
      return ::testing::AssertionFailure() << run << "the edit ended in the fatal exit";
    }
    if (EngContext().failState != kEngFailFailed) return ::testing::AssertionSuccess();
    if (EngContext().failReason != kEngReasonOutOfMemory)
      return ::testing::AssertionFailure() << run << "failure reason " << EngContext().failReason;
    EngContext().ClearFailure();
    // An edit that failed before it opened the step must have changed nothing.
    if (mesh.GetEditState() == kEditMeshStep) {
      try {
        mesh.ExchangeUndoStep(0);
      } catch (const std::runtime_error&) {
        EngContext().ClearFailure();
        return ::testing::AssertionFailure() << run << "the undo ended in the fatal exit";
      }
    }
    if (EngContext().failState != kEngFailNone)
      return ::testing::AssertionFailure() << run << "the undo failed (reason " << EngContext().failReason << ")";
    const ::testing::AssertionResult valid = MeshIsValid(mesh, validationMode);
    if (!valid) return ::testing::AssertionFailure() << run << "after the undo: " << valid.message();
    const std::string actual = DumpInOrderOf(mesh, before);
    if (actual != before.dump)
      return ::testing::AssertionFailure() << run << "the undo does not restore the mesh: "
                                           << FirstDifference(before.dump, actual);
  }
  return ::testing::AssertionFailure() << "the edit still failed with allocation " << kLimit << " failing";
}

}  // namespace meshkit
