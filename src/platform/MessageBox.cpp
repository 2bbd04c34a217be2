#include "platform/MessageBox.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

std::atomic<MessageBoxObserver> observer{nullptr};

bool hasDisplay() {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

} // namespace

void setMessageBoxObserver(MessageBoxObserver o) {
    observer.store(o);
}

void showMessageBox(const char* title, const char* text) {
    if (!title)
        title = "";
    if (!text)
        text = "";
    if (MessageBoxObserver o = observer.load()) {
        o(title, text);
        return;
    }
    if (hasDisplay() && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) == 0)
        return;
    std::fprintf(stderr, "%s: %s\n", title, text);
}

} // namespace platform
