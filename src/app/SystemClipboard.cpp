#include "app/SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace app {

void EmptySystemClipboard() { QGuiApplication::clipboard()->clear(QClipboard::Clipboard); }

}  // namespace app
