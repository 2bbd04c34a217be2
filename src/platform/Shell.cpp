#include "platform/Shell.h"

#include <SDL.h>

namespace platform {

bool openUrl(const char* address) {
    if (!address || !*address)
        return false;
    return SDL_OpenURL(address) == 0;
}

} // namespace platform
