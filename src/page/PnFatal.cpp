#include "page/PnFatal.h"

#include <string>

#include "page/StringTable.h"
#include "platform/Hooks.h"

namespace page {

void PnFatalCheck(const char* source, int line) {
  platform::FatalExit(PnLoadString(kStrFatalPrefix) + " " + source + " " + std::to_string(line));
}

}  // namespace page
