#pragma once

#include <cstdint>

namespace platform {

// Virtual-key numbers of the keys the game and its dialogs test by number.
namespace vk {
constexpr int back = 8;
constexpr int tab = 9;
constexpr int enter = 13;
constexpr int shift = 16;
constexpr int control = 17;
constexpr int menu = 18;
constexpr int escape = 27;
constexpr int space = 32;
constexpr int left = 37;
constexpr int up = 38;
constexpr int right = 39;
constexpr int down = 40;
constexpr int f1 = 112;
constexpr int f2 = 113;
constexpr int f3 = 114;
} // namespace vk

// The virtual-key number of an SDL key code (SDL_Keycode), 0 for keys that
// have none.
int virtualKeyOf(int32_t sdlKey);

// The ANSI character a key gives with the given shift and caps-lock state and
// without control, or 0 when it gives none. Enter, Backspace, Tab and Escape
// give their control characters, as a desktop keyboard translation does.
int characterOf(int32_t sdlKey, bool shift, bool capsLock);

// True for the keys whose character arrives as SDL text input rather than
// from the key itself: the printable keys.
bool isTextKey(int32_t sdlKey);

} // namespace platform
