#include "platform/Window.h"

#include "platform/Charset.h"
#include "platform/KeyCodes.h"
#include "platform/MessageLoop.h"
#include "platform/NativeCursor.h"
#include "platform/WindowMessages.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {

namespace detail {
void stampMessageTime();
} // namespace detail

Window* Window::focus = nullptr;
Window* Window::capture = nullptr;

namespace {

// Guards the id registry and every window's pending-paint fields, which other
// threads reach through invalidate().
std::mutex registryMutex;
std::unordered_map<uint32_t, Window*> windowsById;
// Main thread only.
std::unordered_map<uint32_t, Window*> windowsBySdlId;
std::vector<Window*> topLevels;
uint32_t nextId = 1;

std::atomic<Window::FullScreenSwitch> fullScreenSwitch{nullptr};

// What turning SDL's events into messages remembers between events (main thread). It is read
// only while a message is made; whatever the message's handler needs of it travels in the
// message, since a message may be handled after the keyboard changed.
struct InputState {
    // The modifier keys as the last key event left them.
    uint16_t keyMods = 0;
    // The mouse buttons held (mkLeft, mkRight).
    uintptr_t buttons = 0;
    // Keys whose key-down was delivered and whose key-up is still due: a key-up goes out only
    // for these, so a key pressed before Alt still gets its key-up while Alt is held, and Alt
    // itself (whose key-down is the window manager's) gets none.
    std::vector<int32_t> keysDown;
    // Buttons pressed on the letterbox bars: dropped, and so are their releases.
    uintptr_t buttonsDropped = 0;
};
InputState input;

// The mkShift/mkControl bits of the modifier keys held.
uintptr_t modifierBits() {
    uintptr_t bits = 0;
    if (input.keyMods & KMOD_CTRL)
        bits |= msg::mkControl;
    if (input.keyMods & KMOD_SHIFT)
        bits |= msg::mkShift;
    return bits;
}

uintptr_t mouseKeyBits() {
    return input.buttons | modifierBits();
}

bool hasRealPointer() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

Uint32 timerTick(Uint32 interval, void* param) {
    auto packed = reinterpret_cast<uintptr_t>(param);
    postMessage(static_cast<uint32_t>(packed >> 16), msg::timer, packed & 0xFFFF, 0);
    return interval;
}

} // namespace

PixelRect Window::letterbox(int outWidth, int outHeight, int canvasWidth, int canvasHeight) {
    if (outWidth <= 0 || outHeight <= 0 || canvasWidth <= 0 || canvasHeight <= 0)
        return PixelRect{};
    // Whichever side limits the scale fills the output; integer products keep
    // a 1:1 output exact.
    if (int64_t(outWidth) * canvasHeight <= int64_t(outHeight) * canvasWidth) {
        int h = int(int64_t(outWidth) * canvasHeight / canvasWidth);
        return PixelRect{0, (outHeight - h) / 2, outWidth, h};
    }
    int w = int(int64_t(outHeight) * canvasWidth / canvasHeight);
    return PixelRect{(outWidth - w) / 2, 0, w, outHeight};
}

void Window::windowToCanvas(int wx, int wy, int winWidth, int winHeight, int canvasWidth,
                            int canvasHeight, int& cx, int& cy) {
    PixelRect box = letterbox(winWidth, winHeight, canvasWidth, canvasHeight);
    if (box.width <= 0 || box.height <= 0) {
        cx = wx;
        cy = wy;
        return;
    }
    cx = int(std::floor(double(wx - box.x) * canvasWidth / box.width));
    cy = int(std::floor(double(wy - box.y) * canvasHeight / box.height));
}

PixelRect Window::workArea() {
    SDL_Rect r;
    if (isVideoUp() && SDL_GetDisplayUsableBounds(0, &r) == 0 && r.w > 0 && r.h > 0)
        return PixelRect{r.x, r.y, r.w, r.h};
    return PixelRect{0, 0, 800, 600};
}

void Window::setFullScreenSwitch(FullScreenSwitch fs) {
    fullScreenSwitch.store(fs);
}

Window* Window::create(Window* parent, int x, int y, int width, int height, const Options& options,
                       WindowHandler* handler) {
    if (!isMainThread() || (options.child && !parent))
        return nullptr;
    width = std::max(width, 0);
    height = std::max(height, 0);
    Window* w = new Window();
    w->handler = handler;
    w->x = x;
    w->y = y;
    w->width = width;
    w->height = height;
    w->resizable = options.resizable;
    if (options.child) {
        w->parent = parent;
    } else {
        Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
        if (options.resizable)
            flags |= SDL_WINDOW_RESIZABLE;
        if (options.fullScreen)
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        std::string title = ansiToUtf8(options.title ? options.title : "");
        SDL_Window* sdl =
            SDL_CreateWindow(title.c_str(), x, y, std::max(width, 1), std::max(height, 1), flags);
        if (!sdl) {
            delete w;
            return nullptr;
        }
        w->sdlWindow = sdl;
        w->sdlId = SDL_GetWindowID(sdl);
        w->fullScreen = options.fullScreen;
        SDL_Renderer* renderer = SDL_CreateRenderer(sdl, -1, 0);
        if (!renderer)
            renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
        w->renderer = renderer;
        if (renderer && width > 0 && height > 0) {
            w->texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                           SDL_TEXTUREACCESS_STREAMING, width, height);
            if (w->texture)
                SDL_SetTextureBlendMode(static_cast<SDL_Texture*>(w->texture), SDL_BLENDMODE_NONE);
        }
        windowsBySdlId[w->sdlId] = w;
        topLevels.push_back(w);
    }
    {
        std::lock_guard<std::mutex> guard(registryMutex);
        w->id = nextId++;
        if (nextId == 0)
            nextId = 1;
        windowsById[w->id] = w;
    }
    if (w->sdlWindow)
        w->frameBuffer = std::make_shared<FrameBuffer>(width, height, w->id);
    if (parent && options.child)
        parent->children.push_back(w);

    uint32_t id = w->id;
    w->send(msg::ncCreate, 0, 0);
    if (!fromId(id))
        return nullptr;
    if (w->send(msg::create, 0, 0) == -1) {
        w->destroy();
        return nullptr;
    }
    if (!fromId(id))
        return nullptr;
    w->send(msg::size, msg::sizeRestored, intptr_t(width) | (intptr_t(height) << 16));
    if (fromId(id))
        w->send(msg::move, 0, msg::makePoint(x, y));
    return fromId(id);
}

Window* Window::fromId(uint32_t id) {
    if (id == 0)
        return nullptr;
    std::lock_guard<std::mutex> guard(registryMutex);
    auto it = windowsById.find(id);
    return it == windowsById.end() ? nullptr : it->second;
}

Window::~Window() = default;

void Window::destroy() {
    if (destroying)
        return;
    destroyTree();
}

void Window::destroyTree() {
    destroying = true;
    if (capture && contains(capture))
        releaseCapture();
    send(msg::destroy, 0, 0);
    while (!children.empty())
        children.back()->destroyTree();
    if (focus && contains(focus))
        focus = nullptr;
    for (auto& timer : timers)
        SDL_RemoveTimer(timer.second);
    timers.clear();
    send(msg::ncDestroy, 0, 0);
    {
        std::lock_guard<std::mutex> guard(registryMutex);
        windowsById.erase(id);
    }
    if (parent) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        if (visible)
            invalidate(parent->id, true);
    }
    if (sdlWindow) {
        windowsBySdlId.erase(sdlId);
        topLevels.erase(std::remove(topLevels.begin(), topLevels.end(), this), topLevels.end());
        if (frameBuffer)
            frameBuffer->detach();
        if (texture)
            SDL_DestroyTexture(static_cast<SDL_Texture*>(texture));
        if (renderer)
            SDL_DestroyRenderer(static_cast<SDL_Renderer*>(renderer));
        SDL_DestroyWindow(static_cast<SDL_Window*>(sdlWindow));
    }
    delete this;
}

void Window::destroyAll() {
    while (!topLevels.empty())
        topLevels.back()->destroy();
    input.keysDown.clear();
    input.buttonsDropped = 0;
}

intptr_t Window::send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    detail::stampMessageTime();
    if (handler)
        return handler->handleMessage(this, message, wParam, lParam);
    return defaultProc(message, wParam, lParam);
}

intptr_t Window::defaultProc(uint32_t message, uintptr_t, intptr_t) {
    switch (message) {
    case msg::close:
        destroy();
        return 0;
    case msg::paint:
        beginPaint();
        return 0;
    case msg::eraseBackground:
        return 0;
    case msg::setCursor:
        // The program's class cursor is the standard arrow.
        NativeCursor::showDefault();
        return 1;
    case msg::destroyRequest:
        destroy();
        return 0;
    case msg::setFocusRequest:
        setFocus();
        return 0;
    default:
        return 0;
    }
}

uint32_t Window::getSystemId() const {
    const Window* top = this;
    while (top->parent)
        top = top->parent;
    return top->sdlId;
}

Window* Window::getTopLevel() {
    Window* w = this;
    while (w->parent)
        w = w->parent;
    return w;
}

bool Window::contains(const Window* w) const {
    for (; w; w = w->parent)
        if (w == this)
            return true;
    return false;
}

void Window::setBounds(int nx, int ny, int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    bool moved = nx != x || ny != y;
    bool sized = w != width || h != height;
    if (!parent) {
        if (moved)
            setPosition(nx, ny);
        if (sized)
            setSize(w, h);
        return;
    }
    if (!moved && !sized)
        return;
    if (visible)
        invalidate(parent->id, true);
    x = nx;
    y = ny;
    width = w;
    height = h;
    uint32_t self = id;
    send(msg::windowPosChanged, 0, 0);
    if (moved && fromId(self))
        send(msg::move, 0, msg::makePoint(x, y));
    if (sized && fromId(self))
        send(msg::size, msg::sizeRestored, intptr_t(width) | (intptr_t(height) << 16));
    if (fromId(self) && visible)
        invalidate(self, true);
}

void Window::setPosition(int nx, int ny) {
    if (parent) {
        setBounds(nx, ny, width, height);
        return;
    }
    SDL_SetWindowPosition(static_cast<SDL_Window*>(sdlWindow), nx, ny);
    if (nx == x && ny == y)
        return;
    x = nx;
    y = ny;
    uint32_t self = id;
    send(msg::windowPosChanged, 0, 0);
    if (fromId(self))
        send(msg::move, 0, msg::makePoint(x, y));
}

void Window::setSize(int w, int h) {
    if (parent) {
        setBounds(x, y, w, h);
        return;
    }
    // In full screen this only sets the size the window gets back when it leaves.
    if (w > 0 && h > 0)
        SDL_SetWindowSize(static_cast<SDL_Window*>(sdlWindow), w, h);
}

void Window::getOuterSize(int& w, int& h) const {
    const Window* top = this;
    while (top->parent)
        top = top->parent;
    w = top->width;
    h = top->height;
    if (top->sdlWindow)
        SDL_GetWindowSize(static_cast<SDL_Window*>(top->sdlWindow), &w, &h);
}

void Window::originInTopLevel(int& ox, int& oy) const {
    ox = 0;
    oy = 0;
    for (const Window* w = this; w->parent; w = w->parent) {
        ox += w->x;
        oy += w->y;
    }
}

void Window::show(bool on) {
    if (visible == on)
        return;
    visible = on;
    if (sdlWindow) {
        if (on)
            SDL_ShowWindow(static_cast<SDL_Window*>(sdlWindow));
        else
            SDL_HideWindow(static_cast<SDL_Window*>(sdlWindow));
    } else if (parent) {
        invalidate(parent->id, true);
    }
    if (on)
        invalidate(id, true);
}

bool Window::isVisible() const {
    if (sdlWindow)
        return (SDL_GetWindowFlags(static_cast<SDL_Window*>(sdlWindow)) & SDL_WINDOW_SHOWN) != 0;
    return visible;
}

void Window::minimize() {
    if (sdlWindow)
        SDL_MinimizeWindow(static_cast<SDL_Window*>(sdlWindow));
}

void Window::restore() {
    if (sdlWindow)
        SDL_RestoreWindow(static_cast<SDL_Window*>(sdlWindow));
}

bool Window::setFullScreen(bool on) {
    if (!sdlWindow)
        return false;
    int wasWidth, wasHeight;
    getOuterSize(wasWidth, wasHeight);
    bool ok;
    if (FullScreenSwitch fs = fullScreenSwitch.load())
        ok = fs(on);
    else
        ok = SDL_SetWindowFullscreen(static_cast<SDL_Window*>(sdlWindow),
                                     on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
    if (ok) {
        fullScreen = on;
        if (frameBuffer)
            frameBuffer->markAllChanged();
        // Until a frame comes, the screen keeps what the full screen showed where the window now
        // is (its letterbox bar and a cut piece of the canvas): show the canvas right away, once
        // the system has the window's new size (else the size change brings the frame).
        int nowWidth, nowHeight;
        getOuterSize(nowWidth, nowHeight);
        if (!on && (nowWidth != wasWidth || nowHeight != wasHeight))
            presentWindow(id, true);
    }
    return ok;
}

void Window::setTitle(const char* title) {
    if (sdlWindow)
        SDL_SetWindowTitle(static_cast<SDL_Window*>(sdlWindow),
                           ansiToUtf8(title ? title : "").c_str());
}

void Window::setIcon(const uint32_t* argb, int w, int h) {
    if (!sdlWindow || !argb || w <= 0 || h <= 0)
        return;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), w, h, 32,
                                                           w * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!icon)
        return;
    SDL_SetWindowIcon(static_cast<SDL_Window*>(sdlWindow), icon);
    SDL_FreeSurface(icon);
}

void Window::setMinimumSize(int w, int h) {
    if (sdlWindow && w > 0 && h > 0)
        SDL_SetWindowMinimumSize(static_cast<SDL_Window*>(sdlWindow), w, h);
}

void Window::invalidate(uint32_t windowId, bool erase) {
    {
        std::lock_guard<std::mutex> guard(registryMutex);
        auto it = windowsById.find(windowId);
        if (it == windowsById.end())
            return;
        it->second->invalid = true;
        it->second->eraseDue = it->second->eraseDue || erase;
    }
    postPaintWake();
}

Window::PaintInfo Window::beginPaint() {
    PaintInfo info;
    std::lock_guard<std::mutex> guard(registryMutex);
    if (invalid)
        info.rect = PixelRect{0, 0, width, height};
    info.erase = invalid && eraseDue;
    invalid = false;
    eraseDue = false;
    return info;
}

bool Window::needsPaint() const {
    std::lock_guard<std::mutex> guard(registryMutex);
    return invalid;
}

void Window::sendPendingPaints() {
    std::vector<uint32_t> tops;
    for (Window* w : topLevels)
        tops.push_back(w->id);
    for (uint32_t id : tops)
        if (Window* w = fromId(id))
            w->paintTree();
}

void Window::paintTree() {
    // A parent paints before its children, which are drawn over it.
    uint32_t self = id;
    if (needsPaint() && !iconic)
        send(msg::paint, 0, 0);
    if (!fromId(self))
        return;
    std::vector<uint32_t> kids;
    for (Window* c : children)
        kids.push_back(c->id);
    for (uint32_t kid : kids)
        if (Window* c = fromId(kid); c && c->parent == this && c->visible)
            c->paintTree();
}

std::shared_ptr<FrameBuffer> Window::getFrameBuffer() const {
    const Window* top = this;
    while (top->parent)
        top = top->parent;
    return top->frameBuffer;
}

bool Window::setFocus() {
    if (!isMainThread())
        return false;
    focus = this;
    return true;
}

void Window::setCapture() {
    if (!isMainThread() || capture == this)
        return;
    Window* old = capture;
    capture = this;
    SDL_CaptureMouse(SDL_TRUE);
    if (old)
        old->send(msg::captureChanged, modifierBits(), id);
}

void Window::releaseCapture() {
    if (!isMainThread() || !capture)
        return;
    Window* old = capture;
    capture = nullptr;
    SDL_CaptureMouse(SDL_FALSE);
    old->send(msg::captureChanged, modifierBits(), 0);
}

void Window::pointerToClient(int topX, int topY, int& cx, int& cy) const {
    int ox, oy;
    originInTopLevel(ox, oy);
    cx = topX - ox;
    cy = topY - oy;
}

void Window::getCursorPos(int& cx, int& cy) const {
    const Window* top = this;
    while (top->parent)
        top = top->parent;
    int px = top->pointerX.load();
    int py = top->pointerY.load();
    if (isMainThread() && top->sdlWindow && hasRealPointer()) {
        int gx, gy, wx, wy, ww, wh;
        SDL_GetGlobalMouseState(&gx, &gy);
        SDL_GetWindowPosition(static_cast<SDL_Window*>(top->sdlWindow), &wx, &wy);
        SDL_GetWindowSize(static_cast<SDL_Window*>(top->sdlWindow), &ww, &wh);
        windowToCanvas(gx - wx, gy - wy, ww, wh, top->width, top->height, px, py);
    }
    if (px == outside || py == outside) {
        cx = px;
        cy = py;
        return;
    }
    pointerToClient(px, py, cx, cy);
}

void Window::setCursorPos(int cx, int cy) {
    int ox, oy;
    originInTopLevel(ox, oy);
    Window* top = getTopLevel();
    if (isMainThread())
        warpPointer(top->id, cx + ox, cy + oy);
    else
        postPointerWarp(top->id, cx + ox, cy + oy);
}

void Window::warpPointer(uint32_t windowId, int cx, int cy) {
    Window* top = fromId(windowId);
    if (!top || !top->sdlWindow)
        return;
    // The pointer belongs to the window with the input focus: a program in
    // the background must not pull it away from what the player is using.
    // Where the system refuses warps the call below changes nothing.
    if (hasRealPointer() &&
        !(SDL_GetWindowFlags(static_cast<SDL_Window*>(top->sdlWindow)) & SDL_WINDOW_INPUT_FOCUS))
        return;
    int ww, wh;
    SDL_GetWindowSize(static_cast<SDL_Window*>(top->sdlWindow), &ww, &wh);
    PixelRect box = letterbox(ww, wh, top->width, top->height);
    int wx = cx, wy = cy;
    if (box.width > 0 && box.height > 0 && top->width > 0 && top->height > 0) {
        wx = box.x + int(std::lround((cx + 0.5) * box.width / top->width - 0.5));
        wy = box.y + int(std::lround((cy + 0.5) * box.height / top->height - 0.5));
    }
    top->pointerX.store(cx);
    top->pointerY.store(cy);
    SDL_WarpMouseInWindow(static_cast<SDL_Window*>(top->sdlWindow), wx, wy);
}

void Window::setTimer(int timerId, int ms) {
    killTimer(timerId);
    if (!isVideoUp() || ms <= 0)
        return;
    auto packed = (uintptr_t(id) << 16) | (uintptr_t(timerId) & 0xFFFF);
    SDL_TimerID t = SDL_AddTimer(Uint32(ms), timerTick, reinterpret_cast<void*>(packed));
    if (t)
        timers.emplace_back(timerId, t);
}

void Window::killTimer(int timerId) {
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->first == timerId) {
            SDL_RemoveTimer(it->second);
            timers.erase(it);
            return;
        }
    }
}

Window* Window::childAt(int cx, int cy) {
    // Later children lie on top.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        Window* c = *it;
        if (c->visible && cx >= c->x && cy >= c->y && cx < c->x + c->width && cy < c->y + c->height)
            return c->childAt(cx - c->x, cy - c->y);
    }
    return this;
}

void Window::presentWindow(uint32_t windowId, bool all) {
    Window* w = fromId(windowId);
    if (!w || !w->sdlWindow || !w->frameBuffer)
        return;
    if (all)
        w->frameBuffer->markAllChanged();
    bool changed = false;
    auto* texture = static_cast<SDL_Texture*>(w->texture);
    w->frameBuffer->takeChanges([&](const uint32_t* pixels, const std::vector<PixelRect>& rects) {
        changed = true;
        if (!texture)
            return;
        int stride = w->frameBuffer->getWidth();
        for (const PixelRect& r : rects) {
            SDL_Rect area{r.x, r.y, r.width, r.height};
            SDL_UpdateTexture(texture, &area, pixels + size_t(r.y) * size_t(stride) + r.x,
                              stride * 4);
        }
    });
    auto* renderer = static_cast<SDL_Renderer*>(w->renderer);
    if (!changed || !renderer || !texture || w->iconic)
        return;
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(renderer, &ow, &oh);
    PixelRect box = letterbox(ow, oh, w->width, w->height);
    SDL_Rect dst{box.x, box.y, box.width, box.height};
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &dst);
    SDL_RenderPresent(renderer);
}

namespace {

Window* topOf(uint32_t sdlId) {
    auto it = windowsBySdlId.find(sdlId);
    return it == windowsBySdlId.end() ? nullptr : it->second;
}

Window* keyTarget(Window* top) {
    Window* f = Window::getFocus();
    return f && top->contains(f) ? f : top;
}

uint32_t keyData(const SDL_KeyboardEvent& key, bool up) {
    uint32_t data = 1 | (uint32_t(key.keysym.scancode & 0xFF) << 16);
    if (key.repeat || up)
        data |= uint32_t(1) << 30;
    if (up)
        data |= uint32_t(1) << 31;
    return data;
}

// Whether a key event goes out as a message: key-ups only for delivered key-downs, whatever Alt
// does meanwhile; a key-down with left Alt (and without control) is a system key for the window
// manager, not input.
bool pairKey(int32_t key, bool up) {
    auto down = std::find(input.keysDown.begin(), input.keysDown.end(), key);
    if (up) {
        if (down == input.keysDown.end())
            return false;
        input.keysDown.erase(down);
        return true;
    }
    if ((input.keyMods & KMOD_LALT) && !(input.keyMods & KMOD_CTRL))
        return false;
    if (down == input.keysDown.end())
        input.keysDown.push_back(key);
    return true;
}

// A press on a letterbox bar is no press on the canvas: it is dropped with its release. A
// release there of a press the canvas had goes on (and lands on the canvas's edge).
bool droppedOnLetterbox(const Window& top, bool down, uintptr_t bit, int px, int py) {
    bool onCanvas = px >= 0 && py >= 0 && px < top.getWidth() && py < top.getHeight();
    if (down && !onCanvas) {
        input.buttonsDropped |= bit;
        return true;
    }
    if (!down && (input.buttonsDropped & bit)) {
        input.buttonsDropped &= ~bit;
        return true;
    }
    return false;
}

uintptr_t buttonBit(uint8_t button) {
    return button == SDL_BUTTON_LEFT ? msg::mkLeft : button == SDL_BUTTON_RIGHT ? msg::mkRight : 0;
}

} // namespace

// Turns SDL's events into the messages of the windows they concern, one handler per kind of
// event (main thread).
class EventTranslator {
public:
    static void windowEvent(const SDL_WindowEvent& event);
    static void mouseMotion(const SDL_MouseMotionEvent& motion);
    static void mouseButton(const SDL_MouseButtonEvent& button);
    static void key(const SDL_KeyboardEvent& key);
    static void text(const SDL_TextInputEvent& text);

private:
    static void focusLost(Window& top);
    static void restored(Window& top);
    static void maximized(Window& top);
    static void moved(Window& top, int x, int y);
    static void pointerLeft(Window& top);
    // The top-level window of a mouse event, with the event's point in its canvas (kept as
    // the last pointer position); null for a window not ours.
    static Window* trackPointer(uint32_t sdlId, int wx, int wy, int& px, int& py);
    // The window a mouse message for canvas point (px, py) goes to (the capture holder or the
    // deepest child there), with the point in its client coordinates.
    static Window* mouseTarget(Window& top, int px, int py, int& cx, int& cy);
};

void Window::handleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_WINDOWEVENT:
        EventTranslator::windowEvent(event.window);
        break;
    case SDL_MOUSEMOTION:
        EventTranslator::mouseMotion(event.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        EventTranslator::mouseButton(event.button);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        EventTranslator::key(event.key);
        break;
    case SDL_TEXTINPUT:
        EventTranslator::text(event.text);
        break;
    default:
        break;
    }
}

void EventTranslator::windowEvent(const SDL_WindowEvent& event) {
    Window* top = topOf(event.windowID);
    if (!top)
        return;
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        top->send(msg::close, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        top->send(msg::activate, msg::activeActive, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        focusLost(*top);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        top->iconic = true;
        top->send(msg::size, msg::sizeMinimized, 0);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        restored(*top);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        maximized(*top);
        break;
    case SDL_WINDOWEVENT_MOVED:
        moved(*top, event.data1, event.data2);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        Window::presentWindow(top->id, true);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        pointerLeft(*top);
        break;
    default:
        break;
    }
}

void EventTranslator::focusLost(Window& top) {
    uint32_t topId = top.id;
    // Keys and buttons released while another window has the focus never reach us.
    input.keyMods = 0;
    if (Window::capture && top.contains(Window::capture))
        Window::releaseCapture();
    input.buttons = 0;
    if (Window::fromId(topId))
        top.send(msg::activate, msg::activeInactive, 0);
}

void EventTranslator::restored(Window& top) {
    uint32_t topId = top.id;
    top.iconic = false;
    top.send(msg::size, msg::sizeRestored, intptr_t(top.width) | (intptr_t(top.height) << 16));
    if (Window::fromId(topId))
        Window::presentWindow(topId, true);
}

void EventTranslator::maximized(Window& top) {
    if (top.resizable) {
        top.send(msg::size, msg::sizeMaximized, intptr_t(top.width) | (intptr_t(top.height) << 16));
        return;
    }
    // A window of fixed size is not maximised; the command is the frame's to answer (it may go
    // full screen).
    SDL_RestoreWindow(static_cast<SDL_Window*>(top.sdlWindow));
    top.send(msg::sysCommand, msg::scMaximize, 0);
}

void EventTranslator::moved(Window& top, int x, int y) {
    uint32_t topId = top.id;
    top.x = x;
    top.y = y;
    top.send(msg::windowPosChanged, 0, 0);
    if (Window::fromId(topId))
        top.send(msg::move, 0, msg::makePoint(top.x, top.y));
}

void EventTranslator::pointerLeft(Window& top) {
    // While a window of ours holds the capture the pointer still counts as seen.
    if (Window::capture && top.contains(Window::capture))
        return;
    top.pointerX.store(Window::outside);
    top.pointerY.store(Window::outside);
}

Window* EventTranslator::trackPointer(uint32_t sdlId, int wx, int wy, int& px, int& py) {
    Window* top = topOf(sdlId);
    if (!top)
        return nullptr;
    int ww, wh;
    top->getOuterSize(ww, wh);
    Window::windowToCanvas(wx, wy, ww, wh, top->width, top->height, px, py);
    top->pointerX.store(px);
    top->pointerY.store(py);
    return top;
}

Window* EventTranslator::mouseTarget(Window& top, int px, int py, int& cx, int& cy) {
    Window* capture = Window::capture;
    Window* target = capture && top.contains(capture) ? capture : top.childAt(px, py);
    target->pointerToClient(px, py, cx, cy);
    return target;
}

void EventTranslator::mouseMotion(const SDL_MouseMotionEvent& motion) {
    int px, py, cx, cy;
    Window* top = trackPointer(motion.windowID, motion.x, motion.y, px, py);
    if (!top)
        return;
    Window* target = mouseTarget(*top, px, py, cx, cy);
    uint32_t targetId = target->id;
    input.buttons = 0;
    if (motion.state & SDL_BUTTON_LMASK)
        input.buttons |= msg::mkLeft;
    if (motion.state & SDL_BUTTON_RMASK)
        input.buttons |= msg::mkRight;
    target->send(msg::setCursor, 0, msg::hitClient | (intptr_t(msg::mouseMove) << 16));
    if (Window* t = Window::fromId(targetId))
        t->send(msg::mouseMove, mouseKeyBits(), msg::makePoint(cx, cy));
}

void EventTranslator::mouseButton(const SDL_MouseButtonEvent& button) {
    int px, py, cx, cy;
    Window* top = trackPointer(button.windowID, button.x, button.y, px, py);
    if (!top)
        return;
    bool down = button.type == SDL_MOUSEBUTTONDOWN;
    uintptr_t bit = buttonBit(button.button);
    if (bit == 0 || droppedOnLetterbox(*top, down, bit, px, py))
        return;
    px = std::clamp(px, 0, std::max(top->width - 1, 0));
    py = std::clamp(py, 0, std::max(top->height - 1, 0));
    Window* target = mouseTarget(*top, px, py, cx, cy);
    uint32_t message = bit == msg::mkLeft ? (down ? msg::leftButtonDown : msg::leftButtonUp)
                                          : (down ? msg::rightButtonDown : msg::rightButtonUp);
    if (down)
        input.buttons |= bit;
    else
        input.buttons &= ~bit;
    target->send(message, mouseKeyBits(), msg::makePoint(cx, cy));
}

void EventTranslator::key(const SDL_KeyboardEvent& key) {
    Window* top = topOf(key.windowID);
    input.keyMods = key.keysym.mod;
    if (!top)
        return;
    bool up = key.type == SDL_KEYUP;
    int32_t sym = key.keysym.sym;
    int code = virtualKeyOf(sym);
    if (code == 0 || !pairKey(sym, up))
        return;
    uintptr_t modifiers = modifierBits();
    int character =
        characterOf(sym, (input.keyMods & KMOD_SHIFT) != 0, (input.keyMods & KMOD_CAPS) != 0);
    Window* target = keyTarget(top);
    uint32_t targetId = target->id;
    target->send(up ? msg::keyUp : msg::keyDown, uintptr_t(code),
                 msg::makeKeyData(keyData(key, up), modifiers, character));
    // Keys whose character is a control character give it right after the key, as text input
    // does for the printable ones.
    if (up || (input.keyMods & KMOD_CTRL) || isTextKey(sym))
        return;
    int control = characterOf(sym, false, false);
    Window* t = Window::fromId(targetId);
    if (control != 0 && t)
        t->send(msg::character, uintptr_t(control),
                msg::makeKeyData(keyData(key, false), modifiers, 0));
}

void EventTranslator::text(const SDL_TextInputEvent& text) {
    Window* top = topOf(text.windowID);
    if (!top)
        return;
    // With control the key itself was the input; text that a system delivers as well would be
    // the same key a second time.
    if ((input.keyMods & (KMOD_CTRL | KMOD_LALT)) != 0)
        return;
    std::string ansi =
        utf8ToAnsi(reinterpret_cast<const uint8_t*>(text.text), int(sizeof(text.text)));
    intptr_t data = msg::makeKeyData(1, modifierBits(), 0);
    uint32_t targetId = keyTarget(top)->id;
    for (char ch : ansi) {
        Window* t = Window::fromId(targetId);
        if (!t || ch == 0)
            break;
        t->send(msg::character, uintptr_t(static_cast<unsigned char>(ch)), data);
    }
}

} // namespace platform
