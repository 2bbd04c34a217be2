#pragma once

#include <cstdint>
#include <initializer_list>

namespace platform {
class Window;
} // namespace platform

namespace testsupport {

// A key of the keyboard. A printable ASCII character names its own key ('a', '5', ' '; a
// capital names the letter's key); the others have names.
struct Key {
    constexpr Key(char c) : code(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) {}

    static const Key left, right, up, down, escape, enter, backspace, tab, f1, f2, f3;
    static const Key leftControl, leftShift, leftAlt;

    // The system's key code.
    int32_t code;

private:
    struct Raw {};
    constexpr Key(int32_t systemCode, Raw) : code(systemCode) {}
    friend struct KeyNames;
};

// The modifier keys an injected key event reports as held; combine with |.
namespace mods {
constexpr int none = 0;
constexpr int shift = 1;
constexpr int control = 2;
constexpr int alt = 4;
constexpr int capsLock = 8;
} // namespace mods

enum class Button { left, right, middle };

enum class WindowChange { close, focusGained, focusLost, minimized, restored, maximized, leave };

// Feeds a top-level window input as the system delivers it: real events in the system's event
// queue, which the next message pump (main thread) turns into the window's messages, so what is
// tested is the whole way from the keyboard and mouse to the handlers. Points are in the
// window's own pixels (before letterboxing). Each call answers whether the event was queued.
class InputInjector {
public:
    explicit InputInjector(const platform::Window* topLevel);

    bool press(Button button, int x, int y);
    bool release(Button button, int x, int y);
    bool move(int x, int y, std::initializer_list<Button> held = {});
    bool keyDown(Key key, int modifiers = mods::none);
    bool keyUp(Key key, int modifiers = mods::none);
    // Typed text (UTF-8) as the system's text input gives it.
    bool text(const char* utf8);
    bool window(WindowChange change);

private:
    bool button(bool down, Button button, int x, int y);
    bool key(bool down, Key key, int modifiers);

    uint32_t systemId;
};

// Puts UTF-8 text on the clipboard as another program would (video must be up).
bool setClipboardText(const char* utf8);

} // namespace testsupport
