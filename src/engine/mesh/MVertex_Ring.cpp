// Vertices: rings of coincident vertices, the mirror partner, the crease
// weight and the attribute copies.
#include <algorithm>

#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

bool Append(PtrArray& out, void* element) {
  if (out.Add(element)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

}  // namespace

void MVertex::SelectRing() {
  ForEachRingMember(this, [](MVertex* member) { member->flags |= kVertexSelected; });
}

MVertex* MVertex::GetRingPrev() const {
  MVertex* member = ringNext;
  while (member->ringNext != this) member = member->ringNext;
  return member;
}

void MVertex::LeaveRing() {
  if (ringNext == this) return;
  GetRingPrev()->ringNext = ringNext;
  ringNext = this;
}

void MVertex::JoinRing(MVertex* other) {
  if (IsInRing(other)) return;
  // Exchanging the successors of one member of each ring splices the two
  // circles into one.
  MVertex* const mine = ringNext;
  ringNext = other->ringNext;
  other->ringNext = mine;
}

bool MVertex::IsInRing(const MVertex* other) const {
  const MVertex* member = this;
  do {
    if (member == other) return true;
    member = member->ringNext;
  } while (member != this);
  return false;
}

int MVertex::CountRing() {
  int members = 0;
  int onMirror = 0;
  ForEachRingMember(this, [&](MVertex* member) {
    ++members;
    if (member->flags & kVertexOnMirror) ++onMirror;
  });
  if (onMirror > 0 && onMirror < members) SpreadMirrorFlag();
  return members;
}

void MVertex::SpreadMirrorFlag() {
  const bool any = !ForEachRingMember(this, [](MVertex* member) { return (member->flags & kVertexOnMirror) == 0; });
  if (!any) return;
  ForEachRingMember(this, [](MVertex* member) { member->flags |= kVertexOnMirror; });
}

void MVertex::SetRingIds(int n) {
  ForEachRingMember(this, [n](MVertex* member) { member->id = n; });
}

void MVertex::CollectRing(PtrArray& out) {
  ForEachRingMember(this, [&](MVertex* member) { return Append(out, member); });
}

void MVertex::CollectRingOnce(int n, PtrArray& out) {
  ForEachRingMember(this, [&](MVertex* member) {
    if (member->id == n) return true;
    member->id = n;
    return Append(out, member);
  });
}

void MVertex::CollectRingMembersWithFaces(PtrArray& out) {
  ForEachRingMember(this, [&](MVertex* member) { return member->GetBoundaryKind() == 1 || Append(out, member); });
}

MVertex* MVertex::FindRingMemberOnFreeLine() {
  MVertex* found = nullptr;
  ForEachRingMember(this, [&](MVertex* member) {
    if (member->IsOnFreeLine()) found = member;
    return found == nullptr;
  });
  return found;
}

MVertex* MVertex::FindFacelessRingMember() {
  MVertex* found = nullptr;
  ForEachRingMember(this, [&](MVertex* member) {
    if (member->GetBoundaryKind() == 1) found = member;
    return found == nullptr;
  });
  return found;
}

namespace {

// For each member of a's ring, for each member of b's ring, both in ring
// order: the first line between two members that pass the filter.
template <class Filter>
MLine* FirstLineBetweenRings(const MVertex* a, const MVertex* b, Filter&& accept) {
  const MVertex* x = a;
  do {
    if (accept(x)) {
      const MVertex* y = b;
      do {
        if (accept(y)) {
          if (MLine* line = x->FindLine(y)) return line;
        }
        y = y->ringNext;
      } while (y != b);
    }
    x = x->ringNext;
  } while (x != a);
  return nullptr;
}

}  // namespace

MLine* MVertex::FindLineBetweenRings(const MVertex* other) const {
  return FirstLineBetweenRings(this, other, [](const MVertex*) { return true; });
}

MLine* MVertex::FindFreeLineBetweenRings(const MVertex* other) const {
  return FirstLineBetweenRings(this, other, [](const MVertex* v) { return v->IsOnFreeLine(); });
}

// ---- mirror partner -------------------------------------------------------

void MVertex::SetMirrorPartner(MVertex* other) {
  auto failed = [] { return EngContext().failState != kEngFailNone; };
  if (mirrorPartner != nullptr) {
    mirrorPartner->SaveUndo();
    if (failed()) return;
    mirrorPartner->mirrorPartner = nullptr;
  }
  if (other != nullptr) {
    if (other->mirrorPartner != nullptr) {
      other->mirrorPartner->SaveUndo();
      if (failed()) return;
      other->mirrorPartner->mirrorPartner = nullptr;
    }
    other->SaveUndo();
    if (failed()) return;
    other->mirrorPartner = this;
  }
  SaveUndo();
  if (failed()) return;
  mirrorPartner = other;
}

// ---- crease weight and attributes -------------------------------------------

void MVertex::SetCreaseWeight(int weight) {
  ENG_FATAL_IF(weight < 0 || weight > 255);
  const std::uint32_t high = static_cast<std::uint32_t>(weight / 16);
  const std::uint32_t low = static_cast<std::uint32_t>(std::min((weight % 16) / 2, 7));
  flags = (flags & ~static_cast<std::uint32_t>(kVertexCreaseMask)) | high << 16 | low << 20;
}

int MVertex::GetCreaseWeight() const {
  if (flags & kVertexFullCrease) return 255;
  return 16 * static_cast<int>((flags >> 16) & 0xF) + 2 * static_cast<int>((flags >> 20) & 0xF);
}

void MVertex::MergeAttributes(MVertex* other) {
  const std::uint32_t both = flags | other->flags;
  flags = both;
  other->flags = both;
  MGroup* const shared = group != nullptr ? group : other->group;
  group = shared;
  other->group = shared;
}

void MVertex::CopyAttributesTo(MVertex* target) const {
  target->flags = flags;
  target->group = group;
  target->faceS = faceS;
  target->faceT = faceT;
}

}  // namespace engine
