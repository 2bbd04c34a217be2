#include "platform/MessageLoop.h"

#include "platform/KeyCodes.h"
#include "platform/MessageBox.h"
#include "platform/Time.h"
#include "platform/Window.h"

#include <SDL.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace platform {

namespace {

std::atomic<bool> videoUp{false};
std::thread::id mainThread;
std::atomic<uint32_t> eventBase{0};
std::atomic<bool> quitRequested{false};
std::atomic<int> quitCode{0};
std::atomic<bool> paintWakePending{false};
std::atomic<MessageClock> clock{nullptr};

// Event kinds of our own, offsets from eventBase.
constexpr uint32_t postedMessage = 0;
constexpr uint32_t presentRequest = 1;
constexpr uint32_t paintWake = 2;
constexpr uint32_t pointerWarp = 3;
constexpr uint32_t wakeUp = 4;
constexpr int eventKinds = 5;

bool pushOwn(uint32_t kind, uint32_t windowId, int32_t code, void* data1, void* data2) {
    uint32_t base = eventBase.load();
    if (!videoUp.load() || base == 0)
        return false;
    SDL_Event event{};
    event.type = base + kind;
    event.user.windowID = windowId;
    event.user.code = code;
    event.user.data1 = data1;
    event.user.data2 = data2;
    return SDL_PushEvent(&event) == 1;
}

void handle(const SDL_Event& event) {
    uint32_t base = eventBase.load();
    if (event.type >= base && event.type < base + eventKinds) {
        const SDL_UserEvent& user = event.user;
        switch (event.type - base) {
        case postedMessage:
            if (Window* w = Window::fromId(user.windowID))
                w->send(static_cast<uint32_t>(user.code), reinterpret_cast<uintptr_t>(user.data1),
                        reinterpret_cast<intptr_t>(user.data2));
            break;
        case presentRequest:
            Window::presentWindow(user.windowID, false);
            break;
        case paintWake:
            paintWakePending.store(false);
            break;
        case pointerWarp:
            Window::warpPointer(user.windowID,
                                static_cast<int>(reinterpret_cast<intptr_t>(user.data1)),
                                static_cast<int>(reinterpret_cast<intptr_t>(user.data2)));
            break;
        default:
            break;
        }
        return;
    }
    Window::handleEvent(event);
}

} // namespace

bool initVideo() {
    if (videoUp.load())
        return true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0)
        return false;
    uint32_t base = SDL_RegisterEvents(eventKinds);
    if (base == static_cast<uint32_t>(-1)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS);
        return false;
    }
    eventBase.store(base);
    mainThread = std::this_thread::get_id();
    SDL_StartTextInput();
    videoUp.store(true);
    return true;
}

void quitVideo() {
    if (!videoUp.load() || !isMainThread())
        return;
    Window::destroyAll();
    videoUp.store(false);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS);
    eventBase.store(0);
    mainThread = std::thread::id();
}

void quitPlatform() {
    quitVideo();
    SDL_Quit();
}

bool isVideoUp() {
    return videoUp.load();
}

bool isMainThread() {
    return videoUp.load() && std::this_thread::get_id() == mainThread;
}

bool pumpMessages(int timeoutMs) {
    if (!isMainThread())
        return !quitRequested.load();
    SDL_Event event;
    // Every request from another thread arrives as an event that wakes the
    // wait; the limit is only a safety net, long enough that a still screen
    // costs next to nothing.
    bool have = timeoutMs == 0
                    ? SDL_PollEvent(&event) != 0
                    : SDL_WaitEventTimeout(&event, timeoutMs < 0 ? 1000 : timeoutMs) != 0;
    // Events that arrive while these are handled wait for the next call, so a
    // thread posting without pause cannot keep the loop from painting.
    int budget = 4096;
    while (have && budget-- > 0) {
        handle(event);
        if (quitRequested.load())
            break;
        have = SDL_PollEvent(&event) != 0;
    }
    if (have && !quitRequested.load())
        handle(event);
    showPostedMessageBoxes();
    Window::sendPendingPaints();
    return !quitRequested.load();
}

int runMessageLoop() {
    while (pumpMessages(-1)) {
    }
    return quitCode.load();
}

void postQuitMessage(int code) {
    quitCode.store(code);
    quitRequested.store(true);
    pushOwn(wakeUp, 0, 0, nullptr, nullptr);
}

void resetQuit() {
    quitRequested.store(false);
    quitCode.store(0);
}

bool postMessage(uint32_t windowId, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (windowId == 0)
        return false;
    return pushOwn(postedMessage, windowId, static_cast<int32_t>(message),
                   reinterpret_cast<void*>(wParam), reinterpret_cast<void*>(lParam));
}

bool postPresent(uint32_t windowId) {
    return pushOwn(presentRequest, windowId, 0, nullptr, nullptr);
}

void postPaintWake() {
    if (paintWakePending.exchange(true))
        return;
    if (!pushOwn(paintWake, 0, 0, nullptr, nullptr))
        paintWakePending.store(false);
}

bool postPointerWarp(uint32_t windowId, int x, int y) {
    return pushOwn(pointerWarp, windowId, 0, reinterpret_cast<void*>(static_cast<intptr_t>(x)),
                   reinterpret_cast<void*>(static_cast<intptr_t>(y)));
}

namespace {
std::atomic<uint32_t> currentMessageTime{0};
} // namespace

uint32_t messageTime() {
    return currentMessageTime.load();
}

void setMessageClock(MessageClock c) {
    clock.store(c);
}

uint32_t messageClockNow() {
    MessageClock c = clock.load();
    return c ? c() : tickCount();
}

namespace detail {
void stampMessageTime() {
    currentMessageTime.store(messageClockNow());
}
} // namespace detail

} // namespace platform
