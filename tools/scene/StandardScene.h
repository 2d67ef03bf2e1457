#pragma once
// The standard figure as a 3D shape of the page holds it: a figure facade
// whose scene holds the standard figure (the floor grid is kept out of the
// picture), drawn in the page's toned style, with a camera in front of the
// figure, a little to its left and above, showing it whole.
//
// The build writes it as a figure file of the material library; the tests
// make it in memory.
#include <memory>

#include "engine/scene/MDocObj.h"
#include "facade/KxLibR.h"
#include "platform/Image.h"

namespace standardscene {

// A facade holding the scene, with a picture of width × height in the
// page's style and the camera showing `shown` (an object of the scene)
// whole. The floor grid stays out of the picture. Null when the engine ran
// out of memory. The engine must be started (KxLibInitEngine).
std::unique_ptr<facade::KxLibR> MakeFigureShape(std::unique_ptr<engine::MDocObj> scene, engine::MObject* shown,
                                                int width, int height);

// The standard figure's shape.
std::unique_ptr<facade::KxLibR> MakeStandardFigureShape(int width, int height);

// Adds the object to the scene as a committed part of it.
bool AddToScene(engine::MDocObj& scene, engine::MObject* object);

// The library's thumbnail of a figure: a side × side render on white, the
// camera kept. False when it cannot be rendered.
bool MakeFigureThumbnail(facade::KxLibR& figure, int side, platform::Image& thumbnail);

}  // namespace standardscene
