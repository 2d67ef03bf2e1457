#pragma once
// The state of keys and mouse buttons, asked at any moment (not from an
// input event). The application feeds it from its windows; without a source
// (tests, tools) nothing is pressed and the buttons are not swapped.
#include <functional>

namespace platform {

// Virtual key codes of the keys and buttons the program asks about.
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;  // Alt
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;

// True when the physical key or button is down now, or was pressed since
// the last time it was asked about.
using KeyStateHook = std::function<bool(int virtualKey)>;
// True when the user has swapped the left and right mouse buttons.
using SwappedButtonsHook = std::function<bool()>;

bool IsAsyncKeyDown(int virtualKey);
bool AreMouseButtonsSwapped();

// Installing returns the previous source so a scope can put it back.
KeyStateHook SetKeyStateHook(KeyStateHook hook);
SwappedButtonsHook SetSwappedButtonsHook(SwappedButtonsHook hook);

}  // namespace platform
