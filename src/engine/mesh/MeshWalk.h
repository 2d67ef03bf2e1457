#pragma once
// Walks around a vertex in cycle order (MLine::GetNextAround from the
// vertex's firstLine until it is back). The callback takes the line and
// returns void, or bool where false stops the walk. The walks trust the
// links: run them on meshes whose links hold (every loaded mesh is checked
// before anything walks it).
#include <type_traits>

#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"

namespace engine {

// Calls the callback on one step of a walk; false when it asks to stop.
template <class F, class E>
bool WalkStep(F& f, E* element) {
  if constexpr (std::is_void_v<decltype(f(element))>) {
    f(element);
    return true;
  } else {
    return f(element);
  }
}

// Answers false when the callback stopped the walk.
template <class F>
bool ForEachLineAround(const MVertex* v, F&& f) {
  MLine* const start = v->firstLine;
  if (start == nullptr) return true;
  MLine* line = start;
  do {
    MLine* const following = line->GetNextAround(v);
    if (!WalkStep(f, line)) return false;
    line = following;
  } while (line != start);
  return true;
}

// Calls f(member) for every member of v's ring of coincident vertices,
// starting with v; false from the callback stops the walk.
template <class F>
bool ForEachRingMember(MVertex* v, F&& f) {
  MVertex* member = v;
  do {
    MVertex* const following = member->ringNext;
    if (!WalkStep(f, member)) return false;
    member = following;
  } while (member != v);
  return true;
}

}  // namespace engine
