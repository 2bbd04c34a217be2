#pragma once

#include <cstdint>

// The messages a window's handler receives. The numbers are those of the
// classic desktop window protocol the game's window layer was designed
// around, so stored values and private message numbers stay meaningful.
namespace platform::msg {

constexpr uint32_t create = 0x0001;
constexpr uint32_t destroy = 0x0002;
// lParam: client x (low 16 bits, signed) and y (high 16 bits, signed).
constexpr uint32_t move = 0x0003;
// wParam: sizeRestored, sizeMinimized or sizeMaximized; lParam: width | height << 16.
constexpr uint32_t size = 0x0005;
// wParam: activeInactive or activeActive; lParam: the other window's id or 0.
constexpr uint32_t activate = 0x0006;
constexpr uint32_t paint = 0x000F;
constexpr uint32_t close = 0x0010;
constexpr uint32_t eraseBackground = 0x0014;
// lParam: hit-test code (low 16 bits) and the mouse message (high 16 bits).
constexpr uint32_t setCursor = 0x0020;
constexpr uint32_t windowPosChanged = 0x0047;
constexpr uint32_t ncCreate = 0x0081;
constexpr uint32_t ncDestroy = 0x0082;
// wParam: virtual-key code; lParam: repeat count, scan code and transition bits in the low 32
// bits, and above them the key state the message was made with (see makeKeyData).
constexpr uint32_t keyDown = 0x0100;
constexpr uint32_t keyUp = 0x0101;
// wParam: the character in the ANSI code page (1..255); lParam as for keyDown.
constexpr uint32_t character = 0x0102;
constexpr uint32_t sysCommand = 0x0112;
// wParam: the timer id.
constexpr uint32_t timer = 0x0113;
// Mouse messages: wParam the mkLeft/mkRight/mkShift/mkControl bits, lParam the
// client point as for move.
constexpr uint32_t mouseMove = 0x0200;
constexpr uint32_t leftButtonDown = 0x0201;
constexpr uint32_t leftButtonUp = 0x0202;
constexpr uint32_t rightButtonDown = 0x0204;
constexpr uint32_t rightButtonUp = 0x0205;
// Sent to the window that loses the mouse capture; wParam: the mkShift/mkControl bits when it
// was lost; lParam: the new holder's id or 0.
constexpr uint32_t captureChanged = 0x0215;
constexpr uint32_t user = 0x0400;
// Private requests other threads post: give the window the keyboard focus,
// destroy the window.
constexpr uint32_t setFocusRequest = user + 100;
constexpr uint32_t destroyRequest = user + 101;
// Asks a frame to enter (wParam 1) or leave (wParam 0) full screen.
constexpr uint32_t fullScreenRequest = user + 102;

constexpr uintptr_t sizeRestored = 0;
constexpr uintptr_t sizeMinimized = 1;
constexpr uintptr_t sizeMaximized = 2;
constexpr uintptr_t activeInactive = 0;
constexpr uintptr_t activeActive = 1;
constexpr uintptr_t scMaximize = 0xF030;
constexpr intptr_t hitClient = 1;

constexpr uintptr_t mkLeft = 0x0001;
constexpr uintptr_t mkRight = 0x0002;
constexpr uintptr_t mkShift = 0x0004;
constexpr uintptr_t mkControl = 0x0008;

static_assert(sizeof(intptr_t) >= 8, "key messages keep their key state above bit 31");

// A key message's lParam: the classic key data (`low`) with the state of the keyboard when the
// key was handled: the mkShift/mkControl bits of `modifiers` and, for keyDown and keyUp, the
// character the key gives with shift and caps lock but without control (0 for none). A message
// is often handled later, or posted from another thread, so its handler reads the state from
// here and never from the keyboard.
constexpr intptr_t makeKeyData(uint32_t low, uintptr_t modifiers, int character) {
    return static_cast<intptr_t>(uintptr_t(low) | ((modifiers & (mkShift | mkControl)) << 32) |
                                 (uintptr_t(static_cast<uint8_t>(character)) << 40));
}
constexpr uintptr_t keyModifiers(intptr_t lParam) {
    return (static_cast<uintptr_t>(lParam) >> 32) & (mkShift | mkControl);
}
constexpr int keyCharacter(intptr_t lParam) {
    return static_cast<int>((static_cast<uintptr_t>(lParam) >> 40) & 0xFF);
}

constexpr intptr_t makePoint(int x, int y) {
    return static_cast<intptr_t>((static_cast<uint32_t>(x) & 0xFFFF) |
                                 ((static_cast<uint32_t>(y) & 0xFFFF) << 16));
}
constexpr int pointX(intptr_t lParam) {
    return static_cast<int16_t>(static_cast<uint32_t>(lParam) & 0xFFFF);
}
constexpr int pointY(intptr_t lParam) {
    return static_cast<int16_t>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
}

} // namespace platform::msg
