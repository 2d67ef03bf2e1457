#pragma once
// What the GL layer remembers about the binding in use; private to the
// layer's .cpp files.
#include <cstdint>

namespace engine {

struct GlLayerState {
  std::uint64_t binding = 0;  // platform::GlContext::CurrentBinding() it describes
  int renderState = -1;       // none yet
  bool xorDrawing = true;     // the first request for off is carried out
  unsigned matrixMode = 0;    // none yet
  int windowWidth = 0;
  int windowHeight = 0;  // flips y for window points
  bool windowCoords = false;
  bool wideViewport = false;
  int maxViewportWidth = 0;
  int maxViewportHeight = 0;
};

// The remembered state of the current binding; starts afresh when the
// binding changed since the last call.
GlLayerState& CurrentLayerState();

}  // namespace engine
