#pragma once

namespace app {

// Replaces the headless user-interface hooks of the platform layer with
// message boxes, the system beep, the override cursor, file dialogs and the
// key state. Needs a QApplication.
void InstallQtHooks();

}  // namespace app
