#pragma once
// The engine's process-wide services: the context record, the failure state
// that every engine operation sets instead of throwing, the fatal exit for
// violated invariants, the emergency memory reserve and the cursor pair.
//
// Failure discipline: an operation that fails records a reason with
// EngRecordFailure and returns its failure result; callers test `failState`
// after each call that can fail. The first recorded failure wins. The edge
// of the engine (the page facade) reports it and clears it.
#include <string>

#include "engine/core/EngArrays.h"

namespace engine {

class CrPrefs;

// failState values.
enum EngFailState : int {
  kEngFailNone = 0,
  kEngFailDeclined = 1,  // the operation declined (an interactive drag, a modelling step)
  kEngFailFailed = 2,
};

// failReason values recorded by the engine core, meshes and figures; the
// scene, view and modelling code add their own, unique across the engine.
enum EngFailReason : int {
  kEngReasonOutOfMemory = 1,
  kEngReasonFatal = 5,
  kEngReasonDeclined = 6,
  kEngReasonDegenerateIntersection = 7,  // an end point lies on the other segment
  kEngReasonTopologyConflict = 8,        // lines and faces around a new element do not fit
  kEngReasonRigRefusedWithMorphs = 24,
  kEngReasonPoseTransferRefused = 25,
  // Our own: a stored record is corrupt or truncated (a load failure; the
  // text goes to failText).
  kEngReasonCorruptFile = 40,
  // Our own: the operation is not part of this build yet.
  kEngReasonNotAvailable = 41,
};

// The failure state: (failState, failReason).
struct EngFailureState {
  int failState = kEngFailNone;
  int failReason = 0;
};

// The emergency block given back when memory runs out, so that the failure
// can still be shown. Taken once; once released it stays released.
class EngMemoryReserve {
 public:
  static constexpr int kReserveSize = 400000;
  static constexpr int kProbeSize = 200000;
  static constexpr int kStep = 10000;

  EngMemoryReserve();  // takes the reserve at once
  ~EngMemoryReserve();
  EngMemoryReserve(const EngMemoryReserve&) = delete;
  EngMemoryReserve& operator=(const EngMemoryReserve&) = delete;

  // Takes the largest block from 400000 bytes down to 10000 in steps of
  // 10000, while a 200000-byte probe is held so that at least that much
  // stays free beside it. Beeps when nothing could be taken.
  void Reserve();
  void Release();

  void* block = nullptr;
  int size = kReserveSize;  // requested size
};

// The arrow and wait cursors.
class EngCursorSet {
 public:
  EngCursorSet();
  void SetWaitCursor() const;
  void SetArrowCursor() const;

  int arrowCursor;
  int waitCursor;
};

// The one context record of the engine, reached through EngContext().
class EngGlobalContext : public EngFailureState {
 public:
  EngGlobalContext();
  ~EngGlobalContext() = default;
  EngGlobalContext(const EngGlobalContext&) = delete;
  EngGlobalContext& operator=(const EngGlobalContext&) = delete;

  // What the facade does after reporting a failure.
  void ClearFailure() {
    failState = kEngFailNone;
    failReason = 0;
    failText.clear();
  }

  EngMemoryReserve* reserve = nullptr;  // created and deleted by the engine start-up and shut-down
  CrPrefs* prefs = nullptr;             // likewise
  int formatVersion = 0;                // of the engine file being read or written; negative
  std::string fatalText;                // what the failing check writes before EngFatalError
  std::string failText;                 // what a failed load says about the file (kEngReasonCorruptFile)
  EngCursorSet cursors;
  int textureMode = 1;  // 0 off, 1 on, 2 on with linear filtering
  double pickScale = 1.0;
  // Beyond the first thousand, an overlay list is thinned to about this
  // many lines (times the view's overlay step).
  int overlayThinLimit = 200;
  double pageHitScale = 1.0;
  unsigned char pageHitActive = 0;
  unsigned char facePickActive = 0;
  double renderScale = 1.0;
  int renderScaleInt = 1;
  int rendererMode = 0;
  int undoDepth = 1;
  int textureFileCount = 0;
  EngArray<int> textureFileTable{5};  // by texture index: texture file number, -1 until written
  void* mainWindow = nullptr;
};

// The process's context. Inline: record readers and element factories ask
// for it once per element.
inline EngGlobalContext& EngContext() {
  static EngGlobalContext context;
  return context;
}

// Records a failure unless one is already recorded (the first wins); an
// out-of-memory failure gives the reserve back.
void EngRecordFailure(int reason);
// When the recorded failure is out of memory, frees the reserve block (once).
void EngReleaseReserveIfOutOfMemory();

// Ends the program after an internal check failed, showing
// "Sorry, Error Quit. \n" and `fatalText`. Records reason 5 first, whatever
// was recorded before. Never returns (a test's fatal hook may throw).
[[noreturn]] void EngFatalError();
// Writes the failing check's source path and line into `fatalText`, then
// ends through EngFatalError.
[[noreturn]] void EngFatalAt(const char* file, int line);

}  // namespace engine

// A violated invariant of data in memory: ends the program with the place of
// the check. Corrupt input from a file is a load failure, never this.
#define ENG_FATAL() ::engine::EngFatalAt(__FILE__, __LINE__)
#define ENG_FATAL_IF(condition)                              \
  do {                                                       \
    if (condition) ::engine::EngFatalAt(__FILE__, __LINE__); \
  } while (0)
