#pragma once
// Private helpers of the modelling operations: failure tests, the soft
// refusal, appending to element lists, and the explicit stack the walks
// over a whole mesh use instead of the call stack.
#include "engine/core/EngArrays.h"
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MItem.h"
#include "engine/mesh/MLine.h"

namespace engine::modeling {

// Working marks of the modelling operations, never kept past the operation
// that sets them (except 0x04 and 0x08, which a split's follow-up clears).
constexpr std::uint32_t kLineCutMark = 0x04;     // made along a cut
constexpr std::uint32_t kLineCurveMark = 0x08;   // a line lying on a face being split
constexpr std::uint32_t kLineWorkMark = 0x200;
constexpr std::uint32_t kVertexPlaneHalf = 0x20;  // a former plane vertex of a mirrored half
constexpr std::uint32_t kVertexWorkMark = 0x200;

// Clears the bits on every live line, without saving: they are marks of
// the running operation only.
template <class Lines>
void ClearLineBits(Lines& lines, std::uint32_t bits) {
  for (MLine* line : lines) line->flags &= ~bits;
}

// A hard failure (state 2) is recorded.
inline bool Failed() { return EngContext().failState == kEngFailFailed; }
// Any failure, soft or hard, is recorded.
inline bool AnyFailure() { return EngContext().failState != kEngFailNone; }

// The soft refusal: state 1, reason 6, unless a failure is already recorded.
inline void Refuse() {
  if (EngContext().failState != kEngFailNone) return;
  EngContext().failState = kEngFailDeclined;
  EngContext().failReason = kEngReasonDeclined;
}

// Appends to the list (a null list takes nothing); out of memory is
// recorded and answered false.
inline bool Append(PtrArray* out, void* element) {
  if (out == nullptr || out->Add(element)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}
inline bool Append(PtrArray& out, void* element) { return Append(&out, element); }

// Removed in this step (state 2 or 6).
inline bool IsRemoved(const MItem* item) {
  return item->state == kItemRemoved || item->state == kItemCreatedRemoved;
}

// The line and every line joining the same two rings (a line alone in its
// rings lists only itself).
// Appended to what the list already holds.
inline bool CollectLineAndCoincident(MLine* line, PtrArray& out) {
  const int before = out.count;
  line->CollectCoincidentLines(out);
  if (Failed()) return false;
  return out.count > before || Append(out, line);
}

template <class T>
T* At(const PtrArray& list, int i) {
  return static_cast<T*>(list[i]);
}

// A stack of work items kept on the heap; a failed push records out of
// memory.
template <class T>
class WorkStack {
 public:
  bool Push(const T& item) {
    if (items_.Add(item)) return true;
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }
  bool Empty() const { return items_.count == 0; }
  T& Top() { return items_[items_.count - 1]; }
  void Pop() { --items_.count; }

 private:
  EngArray<T> items_;
};

}  // namespace engine::modeling
