#include "platform/Display.h"

#include <SDL.h>

namespace platform {

int desktopColourDepth() {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return 32;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return 32;
    int bytes = SDL_BYTESPERPIXEL(mode.format);
    if (bytes == 4)
        return 32;
    if (bytes == 3)
        return 24;
    int bits = SDL_BITSPERPIXEL(mode.format);
    return bits > 0 ? bits : 32;
}

} // namespace platform
