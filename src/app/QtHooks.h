#pragma once

namespace app {

// Replaces the headless user-interface hooks of the platform layer with
// message boxes, the system beep and the override cursor. Needs a
// QApplication.
void InstallQtHooks();

}  // namespace app
