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

void MMeshObj::ApplyToSelectedLines(int) { NotAvailable(); }

}  // namespace engine
