#pragma once
// Shared by the property value sources only.
#include "page/PnFatal.h"
#include "page/PropVal.h"

namespace page {

// `value` as class T (const or not). A value of another class where the
// caller needs T is a broken invariant: the check's line names the caller.
template <typename T, typename V>
T& SameClass(V& value, int checkLine) {
  T* typed = dynamic_cast<T*>(&value);
  PN_FATAL_IF(typed == nullptr, "PnGlobal", checkLine);
  return *typed;
}

// The start of every CopyMaskedTo: the target as T; a full copy is done at
// once (every field, mask all bits) and answers null, a masked one answers
// the target for the caller to copy the marked fields into.
template <typename T>
T* MaskedTarget(const T& from, PropVal& target, bool masked, int checkLine) {
  T& to = SameClass<T>(target, checkLine);
  if (masked) return &to;
  to = from;
  to.mask = -1;
  return nullptr;
}

}  // namespace page
