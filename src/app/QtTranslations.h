#pragma once
// Qt's own texts (the buttons of message boxes, the file, print and page
// set-up dialogs, the standard context menus) in Japanese, as the rest of
// the program is.

class QTranslator;

namespace app {

// Loads Qt's Japanese translation ("qtbase_ja.qm", from Qt's translation
// folder, else from "translations" beside the program) into the running
// application, which owns it. Null when it is not found: the dialogs stay
// in English.
QTranslator* InstallQtTranslations();

}  // namespace app
