#include "platform/MessageBox.h"

#include "platform/MessageLoop.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace platform {

namespace {

std::atomic<MessageBoxObserver> observer{nullptr};

std::mutex postedLock;
std::vector<std::pair<std::string, std::string>> posted;

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

void postMessageBox(const char* title, const char* text) {
    if (observer.load() || !isVideoUp() || isMainThread()) {
        showMessageBox(title, text);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(postedLock);
        posted.emplace_back(title ? title : "", text ? text : "");
    }
    postPaintWake();
}

void showPostedMessageBoxes() {
    std::vector<std::pair<std::string, std::string>> boxes;
    {
        std::lock_guard<std::mutex> guard(postedLock);
        boxes.swap(posted);
    }
    for (const auto& box : boxes)
        showMessageBox(box.first.c_str(), box.second.c_str());
}

} // namespace platform
