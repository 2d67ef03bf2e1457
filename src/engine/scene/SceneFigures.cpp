#include "engine/scene/SceneFigures.h"

namespace engine {
namespace {

FigureSceneServices& Services() {
  static FigureSceneServices services;
  return services;
}

}  // namespace

void SetFigureSceneServices(const FigureSceneServices& services) { Services() = services; }

bool SceneFigureIsSkinBound(MObject* object) {
  if (object == nullptr || !object->IsBoneObject() || Services().isSkinBound == nullptr) return false;
  return Services().isSkinBound(object);
}

void SceneFigureFollowVertices(MObject* object, MDocObj* scene) {
  if (!SceneFigureIsSkinBound(object) || Services().updateAfterVertexMove == nullptr) return;
  Services().updateAfterVertexMove(object, scene);
}

}  // namespace engine
