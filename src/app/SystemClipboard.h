#pragma once
// The system clipboard as the page view's copy commands need it.

namespace app {

// Empties the system clipboard (it then holds nothing of any program).
void EmptySystemClipboard();

}  // namespace app
