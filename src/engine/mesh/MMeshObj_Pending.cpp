// MMeshObj: the modelling operations still to come. Each records failure
// reason 41 ("not available") and changes nothing, so that a scene command
// that needs one stops cleanly until the modelling part of the engine
// brings it.
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

void NotAvailable() { EngRecordFailure(kEngReasonNotAvailable); }

}  // namespace

void MMeshObj::ClearMirrorPartners(int) { NotAvailable(); }
MFace* MMeshObj::FindSharedFace(MItem*, MItem*) {
  NotAvailable();
  return nullptr;
}
void MMeshObj::CutFacesAlongRefs(PtrArray&, PtrArray&, PointArray&) { NotAvailable(); }
void MMeshObj::RemapLinksToCopies() { NotAvailable(); }

}  // namespace engine
