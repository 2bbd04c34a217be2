#include "platform/NativeCursor.h"

#include <SDL.h>

namespace platform {

NativeCursor::NativeCursor(const uint32_t* argb, int width, int height, int hotX, int hotY) {
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !argb || width <= 0 || height <= 0)
        return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(argb), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return;
    handle = SDL_CreateColorCursor(surface, hotX, hotY);
    SDL_FreeSurface(surface);
}

NativeCursor::NativeCursor(System kind) {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
    if (kind == System::wait)
        id = SDL_SYSTEM_CURSOR_WAIT;
    else if (kind == System::hand)
        id = SDL_SYSTEM_CURSOR_HAND;
    handle = SDL_CreateSystemCursor(id);
}

NativeCursor::~NativeCursor() {
    if (handle)
        SDL_FreeCursor(static_cast<SDL_Cursor*>(handle));
}

void NativeCursor::show() const {
    if (!handle) {
        showDefault();
        return;
    }
    if (SDL_GetCursor() != handle)
        SDL_SetCursor(static_cast<SDL_Cursor*>(handle));
}

void NativeCursor::showDefault() {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    SDL_Cursor* arrow = SDL_GetDefaultCursor();
    if (arrow && SDL_GetCursor() != arrow)
        SDL_SetCursor(arrow);
}

} // namespace platform
