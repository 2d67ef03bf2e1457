#include "platform/InputState.h"

#include <utility>

namespace platform {
namespace {

KeyStateHook& KeySlot() {
  static KeyStateHook hook;
  return hook;
}

SwappedButtonsHook& SwapSlot() {
  static SwappedButtonsHook hook;
  return hook;
}

}  // namespace

bool IsAsyncKeyDown(int virtualKey) { return KeySlot() && KeySlot()(virtualKey); }

bool AreMouseButtonsSwapped() { return SwapSlot() && SwapSlot()(); }

KeyStateHook SetKeyStateHook(KeyStateHook hook) { return std::exchange(KeySlot(), std::move(hook)); }

SwappedButtonsHook SetSwappedButtonsHook(SwappedButtonsHook hook) {
  return std::exchange(SwapSlot(), std::move(hook));
}

}  // namespace platform
