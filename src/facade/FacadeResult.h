#pragma once
// What the facade answers the page, and how it treats the engine's failure
// state: after each engine call that may fail the facade looks at the
// state; a failure is cleared (state, reason and text) and the facade
// answers -1 at once. Nothing the engine or the file layer throws leaves
// the facade: every file error becomes one of these codes.
namespace facade {

enum FacadeResult : int {
  kFacadeOk = 0,
  kFacadeFailed = -1,             // engine failure, out of memory, or does not apply
  kFacadeCannotRead = -9,         // cannot be opened, is no scene file, or is damaged
  kFacadeCannotWrite = -12,       // cannot be written
  kFacadeLibraryFileFailed = -30, // a listed library file cannot be applied again
};

// Whether the engine failure state says failed.
bool EngineFailed();
// When the engine failure state says failed, clears it and answers true.
bool TakeEngineFailure();
// The code of a file read that failed: -1 when memory ran out, else -9.
// The failure state is cleared.
int TakeReadFailure();

}  // namespace facade
