#pragma once
// What the scene asks of figures beyond the object base. Figures live in
// their own part of the engine, which installs these services at engine
// start-up (and creates figures through the object factory's tag 6); until
// it does, no figure is skin-bound and nothing is re-deformed.
#include "engine/core/MObject.h"

namespace engine {

class MDocObj;

struct FigureSceneServices {
  // Whether the figure's skin is bound to its skeleton.
  bool (*isSkinBound)(MObject* figure) = nullptr;
  // After the figure's vertices moved: the bone matrices are computed again
  // and the skin and bound objects deformed again.
  void (*updateAfterVertexMove)(MObject* figure, MDocObj* scene) = nullptr;
};

// Installs the services (a default-constructed record takes them away).
void SetFigureSceneServices(const FigureSceneServices& services);

// Whether the object is a figure whose skin is bound.
bool SceneFigureIsSkinBound(MObject* object);
// For a skin-bound figure: bones and skin follow its moved vertices.
void SceneFigureFollowVertices(MObject* object, MDocObj* scene);

}  // namespace engine
