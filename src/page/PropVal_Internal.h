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

}  // namespace page
