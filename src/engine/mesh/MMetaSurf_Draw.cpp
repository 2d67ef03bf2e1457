// MMetaSurf: drawing the built surface.
#include "engine/mesh/MMetaSurf.h"

namespace engine {

void MMetaSurf::DrawFaces(QView*, const DrawRecord&, bool) {}
void MMetaSurf::DrawSectionLines(QView*, const DrawRecord&) {}
void MMetaSurf::DrawPageOutlines(QView*, const DrawRecord&) {}

}  // namespace engine
