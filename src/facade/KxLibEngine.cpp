// The engine's process-wide services as the page starts and stops them, the
// renderer switch, and the facade's test of the engine failure state.
#include "facade/KxLibEngine.h"

#include <new>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMeshObj.h"
#include "facade/FacadeResult.h"

namespace facade {
namespace {

int rendererMode = 0;

}  // namespace

bool EngineFailed() { return engine::EngContext().failState == engine::kEngFailFailed; }

bool TakeEngineFailure() {
  if (!EngineFailed()) return false;
  engine::EngContext().ClearFailure();
  return true;
}

int TakeReadFailure() {
  engine::EngGlobalContext& context = engine::EngContext();
  const bool outOfMemory =
      context.failState == engine::kEngFailFailed && context.failReason == engine::kEngReasonOutOfMemory;
  context.ClearFailure();
  return outOfMemory ? kFacadeFailed : kFacadeCannotRead;
}

int KxLibInitEngine() {
  engine::EngGlobalContext& context = engine::EngContext();
  if (context.prefs == nullptr) context.prefs = new (std::nothrow) engine::CrPrefs();
  if (context.reserve == nullptr) context.reserve = new (std::nothrow) engine::EngMemoryReserve();
  // Scene files hold meshes and figures: the reader must know both kinds.
  engine::InstallMeshObjectServices();
  engine::InstallFigureObjectServices();
  return kFacadeOk;
}

void KxLibExitEngine() {
  engine::EngGlobalContext& context = engine::EngContext();
  delete context.prefs;
  context.prefs = nullptr;
  delete context.reserve;
  context.reserve = nullptr;
}

void KxLibSetRendererMode(int) { rendererMode = 0; }

int KxLibRendererMode() { return rendererMode; }

}  // namespace facade
