#include "platform/Clipboard.h"

#include "platform/Charset.h"

#include <SDL.h>

#include <cstring>

namespace platform {

std::string clipboardText() {
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_HasClipboardText())
        return std::string();
    char* text = SDL_GetClipboardText();
    if (!text)
        return std::string();
    std::string ansi = utf8ToAnsi(reinterpret_cast<const uint8_t*>(text),
                                  static_cast<int>(std::strlen(text)), '?');
    SDL_free(text);
    return ansi;
}

} // namespace platform
