#include "platform/ResStrings.h"

#include <utility>

namespace platform {
namespace {

StringTableHook& TableSlot() {
  static StringTableHook hook;
  return hook;
}

}  // namespace

std::string LoadResString(int id) { return TableSlot() ? TableSlot()(id) : std::string(); }

StringTableHook SetStringTableHook(StringTableHook hook) { return std::exchange(TableSlot(), std::move(hook)); }

}  // namespace platform
