#pragma once

namespace app {

// Replaces the headless user-interface hooks of the platform layer with
// message boxes, the system beep, the override cursor, file dialogs and the
// key state. Needs a QApplication. On the screenless "offscreen" platform
// messages, file dialogs and the fatal exit keep their headless hooks (the
// error output, default answers, cancelled dialogs).
void InstallQtHooks();
// The application runs on the screenless "offscreen" platform.
bool IsScreenless();

}  // namespace app
