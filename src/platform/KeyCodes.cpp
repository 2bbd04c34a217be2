#include "platform/KeyCodes.h"

#include <SDL.h>

namespace platform {

int virtualKeyOf(int32_t key) {
    if (key >= 'a' && key <= 'z')
        return key - 'a' + 'A';
    if (key >= '0' && key <= '9')
        return key;
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return vk::f1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return 97 + (key - SDLK_KP_1);
    switch (key) {
    case SDLK_BACKSPACE:
        return vk::back;
    case SDLK_TAB:
        return vk::tab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return vk::enter;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return vk::shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return vk::control;
    case SDLK_LALT:
    case SDLK_RALT:
        return vk::menu;
    case SDLK_PAUSE:
        return 19;
    case SDLK_CAPSLOCK:
        return 20;
    case SDLK_ESCAPE:
        return vk::escape;
    case SDLK_SPACE:
        return vk::space;
    case SDLK_PAGEUP:
        return 33;
    case SDLK_PAGEDOWN:
        return 34;
    case SDLK_END:
        return 35;
    case SDLK_HOME:
        return 36;
    case SDLK_LEFT:
        return vk::left;
    case SDLK_UP:
        return vk::up;
    case SDLK_RIGHT:
        return vk::right;
    case SDLK_DOWN:
        return vk::down;
    case SDLK_PRINTSCREEN:
        return 44;
    case SDLK_INSERT:
        return 45;
    case SDLK_DELETE:
        return 46;
    case SDLK_LGUI:
        return 91;
    case SDLK_RGUI:
        return 92;
    case SDLK_APPLICATION:
        return 93;
    case SDLK_KP_0:
        return 96;
    case SDLK_KP_MULTIPLY:
        return 106;
    case SDLK_KP_PLUS:
        return 107;
    case SDLK_KP_MINUS:
        return 109;
    case SDLK_KP_PERIOD:
        return 110;
    case SDLK_KP_DIVIDE:
        return 111;
    case SDLK_NUMLOCKCLEAR:
        return 144;
    case SDLK_SCROLLLOCK:
        return 145;
    case SDLK_SEMICOLON:
        return 186;
    case SDLK_EQUALS:
        return 187;
    case SDLK_COMMA:
        return 188;
    case SDLK_MINUS:
        return 189;
    case SDLK_PERIOD:
        return 190;
    case SDLK_SLASH:
        return 191;
    case SDLK_BACKQUOTE:
        return 192;
    case SDLK_LEFTBRACKET:
        return 219;
    case SDLK_BACKSLASH:
        return 220;
    case SDLK_RIGHTBRACKET:
        return 221;
    case SDLK_QUOTE:
        return 222;
    default:
        return 0;
    }
}

bool isTextKey(int32_t key) {
    if (key >= 32 && key < 127)
        return true;
    if (key >= SDLK_KP_1 && key <= SDLK_KP_0)
        return true;
    switch (key) {
    case SDLK_KP_MULTIPLY:
    case SDLK_KP_PLUS:
    case SDLK_KP_MINUS:
    case SDLK_KP_PERIOD:
    case SDLK_KP_DIVIDE:
        return true;
    default:
        return false;
    }
}

int characterOf(int32_t key, bool shift, bool capsLock) {
    switch (key) {
    case SDLK_BACKSPACE:
        return vk::back;
    case SDLK_TAB:
        return vk::tab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return vk::enter;
    case SDLK_ESCAPE:
        return vk::escape;
    case SDLK_KP_0:
        return '0';
    case SDLK_KP_MULTIPLY:
        return '*';
    case SDLK_KP_PLUS:
        return '+';
    case SDLK_KP_MINUS:
        return '-';
    case SDLK_KP_PERIOD:
        return '.';
    case SDLK_KP_DIVIDE:
        return '/';
    default:
        break;
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return '1' + (key - SDLK_KP_1);
    if (key >= 'a' && key <= 'z')
        return shift != capsLock ? key - 'a' + 'A' : key;
    if (key >= 32 && key < 127)
        return key;
    return 0;
}

} // namespace platform
