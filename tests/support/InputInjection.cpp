#include "support/InputInjection.h"

#include "platform/Window.h"

#include <SDL.h>

#include <cstring>

namespace testsupport {

struct KeyNames {
    static constexpr Key named(SDL_Keycode code) { return Key(int32_t(code), Key::Raw{}); }
};

const Key Key::left = KeyNames::named(SDLK_LEFT);
const Key Key::right = KeyNames::named(SDLK_RIGHT);
const Key Key::up = KeyNames::named(SDLK_UP);
const Key Key::down = KeyNames::named(SDLK_DOWN);
const Key Key::escape = KeyNames::named(SDLK_ESCAPE);
const Key Key::enter = KeyNames::named(SDLK_RETURN);
const Key Key::backspace = KeyNames::named(SDLK_BACKSPACE);
const Key Key::tab = KeyNames::named(SDLK_TAB);
const Key Key::f1 = KeyNames::named(SDLK_F1);
const Key Key::f2 = KeyNames::named(SDLK_F2);
const Key Key::f3 = KeyNames::named(SDLK_F3);
const Key Key::leftControl = KeyNames::named(SDLK_LCTRL);
const Key Key::leftShift = KeyNames::named(SDLK_LSHIFT);
const Key Key::leftAlt = KeyNames::named(SDLK_LALT);

namespace {

bool push(SDL_Event& e) {
    return SDL_PushEvent(&e) == 1;
}

Uint8 buttonOf(Button b) {
    switch (b) {
    case Button::left:
        return SDL_BUTTON_LEFT;
    case Button::right:
        return SDL_BUTTON_RIGHT;
    default:
        return SDL_BUTTON_MIDDLE;
    }
}

uint16_t keyModsOf(int modifiers) {
    uint16_t m = KMOD_NONE;
    if (modifiers & mods::shift)
        m |= KMOD_LSHIFT;
    if (modifiers & mods::control)
        m |= KMOD_LCTRL;
    if (modifiers & mods::alt)
        m |= KMOD_LALT;
    if (modifiers & mods::capsLock)
        m |= KMOD_CAPS;
    return m;
}

Uint8 windowEventOf(WindowChange change) {
    switch (change) {
    case WindowChange::close:
        return SDL_WINDOWEVENT_CLOSE;
    case WindowChange::focusGained:
        return SDL_WINDOWEVENT_FOCUS_GAINED;
    case WindowChange::focusLost:
        return SDL_WINDOWEVENT_FOCUS_LOST;
    case WindowChange::minimized:
        return SDL_WINDOWEVENT_MINIMIZED;
    case WindowChange::restored:
        return SDL_WINDOWEVENT_RESTORED;
    case WindowChange::maximized:
        return SDL_WINDOWEVENT_MAXIMIZED;
    default:
        return SDL_WINDOWEVENT_LEAVE;
    }
}

} // namespace

InputInjector::InputInjector(const platform::Window* topLevel)
    : systemId(topLevel ? topLevel->getSystemId() : 0) {}

bool InputInjector::button(bool down, Button b, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = systemId;
    e.button.button = buttonOf(b);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    return push(e);
}

bool InputInjector::press(Button b, int x, int y) {
    return button(true, b, x, y);
}

bool InputInjector::release(Button b, int x, int y) {
    return button(false, b, x, y);
}

bool InputInjector::move(int x, int y, std::initializer_list<Button> held) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = systemId;
    e.motion.x = x;
    e.motion.y = y;
    for (Button b : held)
        e.motion.state |= SDL_BUTTON(buttonOf(b));
    return push(e);
}

bool InputInjector::key(bool down, Key k, int modifiers) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = systemId;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = k.code;
    e.key.keysym.mod = keyModsOf(modifiers);
    return push(e);
}

bool InputInjector::keyDown(Key k, int modifiers) {
    return key(true, k, modifiers);
}

bool InputInjector::keyUp(Key k, int modifiers) {
    return key(false, k, modifiers);
}

bool InputInjector::text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = systemId;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return push(e);
}

bool InputInjector::window(WindowChange change) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = systemId;
    e.window.event = windowEventOf(change);
    return push(e);
}

bool setClipboardText(const char* utf8) {
    return SDL_SetClipboardText(utf8) == 0;
}

} // namespace testsupport
