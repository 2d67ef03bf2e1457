#pragma once
// Starting and stopping the engine's process-wide services for the page,
// and the renderer choice every figure view is made with.
namespace facade {

// Creates the engine preferences and the emergency memory reserve when
// they do not exist yet and registers the engine's object kinds (meshes,
// figures) with its reader. Answers 0. Called once at start-up, before any
// figure is made; a second call changes nothing.
int KxLibInitEngine();
// Deletes the preferences and the reserve; a second call does nothing.
void KxLibExitEngine();
// The renderer switch handed to every figure view made afterwards. Only the
// OpenGL renderer (0) exists in this program: any other stored preference
// falls back to it, so an old settings file cannot stop the program.
void KxLibSetRendererMode(int mode);
int KxLibRendererMode();

}  // namespace facade
