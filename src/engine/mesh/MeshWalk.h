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

// Answers false when the callback stopped the walk.
template <class F>
bool ForEachLineAround(const MVertex* v, F&& f) {
  MLine* const start = v->firstLine;
  if (start == nullptr) return true;
  MLine* line = start;
  do {
    MLine* const following = line->GetNextAround(v);
    if constexpr (std::is_void_v<decltype(f(line))>) {
      f(line);
    } else {
      if (!f(line)) return false;
    }
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
    if constexpr (std::is_void_v<decltype(f(member))>) {
      f(member);
    } else {
      if (!f(member)) return false;
    }
    member = following;
  } while (member != v);
  return true;
}

}  // namespace engine
