#include "gfx/Component.h"

#include "gfx/Cursor.h"
#include "gfx/Event.h"
#include "gfx/Frame.h"
#include "gfx/Graphics.h"
#include "gfx/Image.h"
#include "gfx/WindowGraphics.h"
#include "platform/Clipboard.h"
#include "platform/KeyCodes.h"
#include "platform/MessageLoop.h"
#include "platform/WindowMessages.h"

namespace lang {

namespace msg = platform::msg;

namespace {

constexpr int32_t leftButton = 1;
constexpr int32_t rightButton = 2;
// Presses this close to a resizable frame's bottom-right corner resize it.
constexpr int sizeGripExtent = 20;

int32_t keyModifiersOf(uintptr_t wParam) {
    int32_t m = 0;
    if (wParam & msg::mkControl)
        m |= Event::controlMask;
    if (wParam & msg::mkShift)
        m |= Event::shiftMask;
    return m;
}

int32_t mappedKey(int virtualKey) {
    switch (virtualKey) {
    case platform::vk::left:
    case platform::vk::up:
    case platform::vk::right:
    case platform::vk::down:
    case platform::vk::f1:
    case platform::vk::f2:
    case platform::vk::f3:
        return 1000 + virtualKey;
    default:
        return 0;
    }
}

} // namespace

int Component::doubleClickTime = 500;
std::atomic<uint32_t> Component::focusWindow{0};

Component::Component() = default;

Component::~Component() = default;

void Component::setSize(int width, int height) {
    if (hwnd)
        hwnd->setSize(width, height);
}

void Component::validate() {}

Dimension& Component::sizeRef() {
    return size;
}

Ref<Dimension> Component::getSize() {
    return adopt(new Dimension(size.width, size.height));
}

Rectangle& Component::boundsRef() {
    return bounds;
}

Rectangle& Component::getBounds() {
    return boundsRef();
}

Component* Component::getParent() {
    return parent;
}

bool Component::mouseDown(Event*, int, int) {
    return false;
}

bool Component::mouseUp(Event*, int, int) {
    return false;
}

bool Component::mouseMove(Event*, int, int) {
    return false;
}

bool Component::mouseDrag(Event*, int, int) {
    return false;
}

bool Component::keyDown(Event*, int) {
    return false;
}

bool Component::keyUp(Event*, int) {
    return false;
}

bool Component::isFocusTraversable() {
    return true;
}

void Component::requestFocus() {
    uint32_t id = windowId.load();
    if (id == 0)
        return;
    focusWindow.store(id);
    if (platform::isMainThread() && hwnd && hwnd->setFocus())
        return;
    platform::postMessage(id, msg::setFocusRequest, 0, 0);
}

bool Component::inside(int x, int y) {
    return bounds.inside(x, y);
}

void Component::paint(Graphics*) {}

void Component::update(Graphics* g) {
    if (!g)
        return;
    g->setColor(background);
    g->fillRect(0, 0, size.width, size.height);
    paint(g);
}

void Component::repaint() {
    platform::Window::invalidate(windowId.load(), true);
}

void Component::eraseBackground(Graphics*) {}

void Component::windowPosChanged() {}

void Component::setVisible(bool visible) {
    if (hwnd)
        hwnd->show(visible);
}

bool Component::isVisible() {
    return hwnd && hwnd->isVisible();
}

void Component::setCursor(Cursor* c) {
    {
        std::lock_guard<std::mutex> guard(cursorLock);
        cursor = c;
    }
    if (platform::isMainThread()) {
        if (c)
            c->show();
        return;
    }
    // The window's own thread sets it, as it would on a pointer move.
    postMessage(msg::setCursor, 0, msg::hitClient | (intptr_t(msg::mouseMove) << 16));
}

Cursor* Component::getCursor() {
    std::lock_guard<std::mutex> guard(cursorLock);
    return cursor.get();
}

void Component::setMousePosition(int x, int y) {
    if (hwnd)
        hwnd->setCursorPos(x, y);
}

Ref<Graphics> Component::getGraphics() {
    Ref<Image> surface;
    std::shared_ptr<platform::FrameBuffer> buffer;
    platform::PixelRect area;
    {
        std::lock_guard<std::mutex> guard(targetLock);
        if (!drawingSurface)
            return nullptr;
        surface = drawingSurface;
        buffer = drawingBuffer;
        area = drawingArea;
    }
    Ref<WindowGraphics> g = adopt(new WindowGraphics(surface.get(), std::move(buffer)));
    g->translate(area.x, area.y);
    // The canvas usually covers the whole surface; it needs no clip region.
    if (area.x != 0 || area.y != 0 || area.width != surface->getWidth() ||
        area.height != surface->getHeight())
        g->clipRect(0, 0, area.width, area.height);
    return g;
}

void Component::updateDrawingTarget() {
    Ref<Image> surface;
    std::shared_ptr<platform::FrameBuffer> buffer;
    platform::PixelRect area;
    Frame* frame = getFrame();
    if (hwnd && frame && frame->getSurface()) {
        surface = frame->getSurface();
        buffer = hwnd->getFrameBuffer();
        hwnd->originInTopLevel(area.x, area.y);
        area.width = hwnd->getWidth();
        area.height = hwnd->getHeight();
    }
    std::lock_guard<std::mutex> guard(targetLock);
    drawingSurface = std::move(surface);
    drawingBuffer = std::move(buffer);
    drawingArea = area;
}

void Component::setBackground(const Color& c) {
    background.value = c.value;
}

void Component::setForeground(const Color& c) {
    foreground.value = c.value;
}

Color& Component::getBackground() {
    return background;
}

Color& Component::getForeground() {
    return foreground;
}

Ref<Point> Component::getMousePosition() {
    int x = 0, y = 0;
    if (hwnd)
        hwnd->getCursorPos(x, y);
    return adopt(new Point(x, y));
}

bool Component::isMouseInside() {
    Ref<Point> p = getMousePosition();
    return p->x >= 0 && p->y >= 0 && p->x < size.width && p->y < size.height;
}

bool Component::create(Component* parentComponent, const Rectangle& r) {
    if (hwnd || !parentComponent || !parentComponent->hwnd)
        return false;
    background.value = parentComponent->background.value;
    parent = parentComponent;
    platform::Window::Options options;
    options.child = true;
    platform::Window::create(parentComponent->hwnd, r.x, r.y, r.width, r.height, options, this);
    if (!hwnd)
        parent = nullptr;
    return hwnd != nullptr;
}

Frame* Component::getFrame() {
    return parent ? parent->getFrame() : nullptr;
}

bool Component::postMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return platform::postMessage(windowId.load(), message, wParam, lParam);
}

bool Component::postDestroy() {
    return postMessage(msg::destroyRequest, 0, 0);
}

intptr_t Component::defaultWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return hwnd ? hwnd->defaultProc(message, wParam, lParam) : 0;
}

intptr_t Component::handleMessage(platform::Window* window, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) {
    if (!hwnd) {
        if (message != msg::ncCreate)
            return window->defaultProc(message, wParam, lParam);
        hwnd = window;
        windowId.store(window->getId());
        window->userData = this;
        addRef();
    }
    return windowProc(message, wParam, lParam);
}

bool Component::deliverKey(Event* e, int key) {
    for (Component* c = this; c; c = c->getParent())
        if (c->keyDown(e, key))
            return true;
    return false;
}

intptr_t Component::windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case msg::mouseMove:
    case msg::leftButtonDown:
    case msg::leftButtonUp:
    case msg::rightButtonDown:
    case msg::rightButtonUp:
    case msg::captureChanged:
        return mouseMessage(message, wParam, lParam);
    case msg::keyDown:
        return keyDownMessage(wParam, lParam);
    case msg::keyUp:
        return keyUpMessage(wParam, lParam);
    case msg::character:
        return characterMessage(wParam, lParam);
    default:
        return windowMessage(message, wParam, lParam);
    }
}

intptr_t Component::windowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case msg::create:
    case msg::move:
    case msg::size:
    case msg::windowPosChanged:
        return placeMessage(message, wParam, lParam);
    case msg::destroy: {
        uint32_t self = windowId.load();
        focusWindow.compare_exchange_strong(self, 0);
        return 0;
    }
    case msg::ncDestroy:
        windowGone();
        return 0;
    case msg::paint:
        paintWindow();
        return 0;
    case msg::eraseBackground:
        eraseBackground(reinterpret_cast<Graphics*>(wParam));
        return 1;
    case msg::setCursor:
        return cursorMessage(wParam, lParam);
    case msg::setFocusRequest:
        if (hwnd)
            hwnd->setFocus();
        return 0;
    case msg::destroyRequest:
        if (hwnd)
            hwnd->destroy();
        return 0;
    default:
        return defaultWindowProc(message, wParam, lParam);
    }
}

intptr_t Component::placeMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case msg::create:
        if (hwnd) {
            bounds.setBounds(hwnd->getX(), hwnd->getY(), hwnd->getWidth(), hwnd->getHeight());
            size.width = hwnd->getWidth();
            size.height = hwnd->getHeight();
        }
        updateDrawingTarget();
        return 0;
    case msg::move:
        bounds.x = msg::pointX(lParam);
        bounds.y = msg::pointY(lParam);
        updateDrawingTarget();
        return 0;
    case msg::size:
        if (wParam != msg::sizeMinimized) {
            size.width = int32_t(lParam & 0xFFFF);
            size.height = int32_t((lParam >> 16) & 0xFFFF);
            bounds.width = size.width;
            bounds.height = size.height;
        }
        updateDrawingTarget();
        validate();
        return 0;
    default: // windowPosChanged
        updateDrawingTarget();
        windowPosChanged();
        return defaultWindowProc(message, wParam, lParam);
    }
}

intptr_t Component::cursorMessage(uintptr_t wParam, intptr_t lParam) {
    Ref<Cursor> c;
    {
        std::lock_guard<std::mutex> guard(cursorLock);
        c = cursor;
    }
    if (c && (lParam & 0xFFFF) == msg::hitClient) {
        c->show();
        return 1;
    }
    return defaultWindowProc(msg::setCursor, wParam, lParam);
}

void Component::windowGone() {
    hwnd->userData = nullptr;
    hwnd = nullptr;
    windowId.store(0);
    updateDrawingTarget();
    // The window's reference; this may be the last one.
    release();
}

// Key messages carry the modifiers and the key's character they were made with: the keyboard
// may have changed since, and the message may come from another thread.
intptr_t Component::keyDownMessage(uintptr_t wParam, intptr_t lParam) {
    int vkey = int(wParam);
    int32_t modifiers = keyModifiersOf(msg::keyModifiers(lParam));
    int32_t key = mappedKey(vkey);
    if (key == 0) {
        int c = msg::keyCharacter(lParam);
        if (modifiers & Event::controlMask)
            key = c != 0 ? c : vkey;
        else if (c != 0)
            return defaultWindowProc(msg::keyDown, wParam, lParam); // it arrives as text
        else
            key = vkey;
    }
    Ref<Event> e = adopt(new Event(this, Event::keyPress, vkey, int32_t(lParam), modifiers));
    e->key = key;
    // A paste reads the clipboard here, on the thread that owns the
    // window; the text travels with the event to whoever takes the key.
    if ((modifiers & Event::controlMask) && (key == 'v' || key == 'V' || vkey == 'V'))
        e->arg = adopt(new String(platform::clipboardText().c_str()));
    deliverKey(e.get(), key);
    return 0;
}

intptr_t Component::keyUpMessage(uintptr_t wParam, intptr_t lParam) {
    int vkey = int(wParam);
    int32_t key = mappedKey(vkey);
    if (key == 0)
        key = vkey;
    int32_t modifiers = keyModifiersOf(msg::keyModifiers(lParam));
    Ref<Event> e = adopt(new Event(this, Event::keyRelease, vkey, int32_t(lParam), modifiers));
    e->key = key;
    keyUp(e.get(), key);
    return 0;
}

intptr_t Component::characterMessage(uintptr_t wParam, intptr_t lParam) {
    int32_t modifiers = keyModifiersOf(msg::keyModifiers(lParam));
    Ref<Event> e = adopt(new Event(this, Event::keyPress, 0, int32_t(lParam), modifiers));
    e->key = int32_t(wParam);
    deliverKey(e.get(), e->key);
    return 0;
}

intptr_t Component::mouseMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case msg::mouseMove:
        moveMessage(wParam, lParam);
        return 0;
    case msg::leftButtonDown:
        if (inSizeGrip(msg::pointX(lParam), msg::pointY(lParam))) {
            validate();
            return 0;
        }
        return mouseButtonDown(wParam, lParam, leftButton);
    case msg::rightButtonDown:
        return mouseButtonDown(wParam, lParam, rightButton);
    case msg::leftButtonUp:
        return mouseButtonUp(wParam, lParam, leftButton);
    case msg::rightButtonUp:
        return mouseButtonUp(wParam, lParam, rightButton);
    default: // captureChanged
        captureLost(keyModifiersOf(wParam));
        return 0;
    }
}

void Component::moveMessage(uintptr_t wParam, intptr_t lParam) {
    int x = msg::pointX(lParam), y = msg::pointY(lParam);
    if (wParam & msg::mkLeft) {
        Ref<Event> e = adopt(new Event(this, Event::mouseDrag, x, y, keyModifiersOf(wParam)));
        mouseDrag(e.get(), x, y);
    } else if (wParam & msg::mkRight) {
        Ref<Event> e = adopt(new Event(this, Event::mouseDrag, x, y, Event::rightButtonModifiers));
        mouseDrag(e.get(), x, y);
    } else {
        Ref<Event> e = adopt(new Event(this, Event::mouseMove, x, y, keyModifiersOf(wParam)));
        mouseMove(e.get(), x, y);
    }
}

intptr_t Component::mouseButtonDown(uintptr_t wParam, intptr_t lParam, int button) {
    // Coordinates stay signed: in a letterboxed full screen a press on the
    // bars lies left of or above the canvas.
    int x = msg::pointX(lParam), y = msg::pointY(lParam);
    int32_t modifiers =
        button == rightButton ? Event::rightButtonModifiers : keyModifiersOf(wParam);
    Ref<Event> e = adopt(new Event(this, Event::mouseDown, x, y, modifiers));
    if (e->when - lastClickTime < uint32_t(doubleClickTime))
        ++clickCount;
    else
        clickCount = 1;
    e->clickCount = clickCount;
    lastClickTime = e->when;
    if (hwnd && platform::Window::getCapture() != hwnd)
        hwnd->setCapture();
    buttonsDown |= button;
    mouseDown(e.get(), x, y);
    return 0;
}

intptr_t Component::mouseButtonUp(uintptr_t wParam, intptr_t lParam, int button) {
    int x = msg::pointX(lParam), y = msg::pointY(lParam);
    int32_t modifiers =
        button == rightButton ? Event::rightButtonModifiers : keyModifiersOf(wParam);
    Ref<Event> e = adopt(new Event(this, Event::mouseUp, x, y, modifiers));
    buttonsDown &= ~button;
    mouseUp(e.get(), x, y);
    if (hwnd && platform::Window::getCapture() == hwnd && buttonsDown == 0)
        platform::Window::releaseCapture();
    return 0;
}

void Component::captureLost(int32_t modifiers) {
    if (buttonsDown == 0)
        return;
    // The ups the holder is owed are reported where the pointer is, in client
    // coordinates like every other mouse event.
    int x = 0, y = 0;
    if (hwnd)
        hwnd->getCursorPos(x, y);
    int32_t held = buttonsDown;
    if (held & leftButton) {
        Ref<Event> e = adopt(new Event(this, Event::mouseUp, x, y, modifiers));
        mouseUp(e.get(), x, y);
    }
    if (held & rightButton) {
        Ref<Event> e = adopt(new Event(this, Event::mouseUp, x, y, Event::rightButtonModifiers));
        mouseUp(e.get(), x, y);
    }
    buttonsDown = 0;
}

bool Component::inSizeGrip(int x, int y) {
    Frame* frame = getFrame();
    if (!frame || !frame->resizable || !hwnd)
        return false;
    int ox, oy;
    hwnd->originInTopLevel(ox, oy);
    Dimension& client = frame->sizeRef();
    return x + ox > client.width - sizeGripExtent && y + oy > client.height - sizeGripExtent;
}

void Component::paintWindow() {
    if (!hwnd)
        return;
    platform::Window::PaintInfo info = hwnd->beginPaint();
    if (info.rect.width <= 0 || info.rect.height <= 0)
        return;
    Ref<Graphics> g = getGraphics();
    if (!g)
        return;
    g->clipRect(info.rect.x, info.rect.y, info.rect.width, info.rect.height);
    if (info.erase)
        windowProc(msg::eraseBackground, reinterpret_cast<uintptr_t>(g.get()), 0);
    update(g.get());
    g->dispose();
}

} // namespace lang
