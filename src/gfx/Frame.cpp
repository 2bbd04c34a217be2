#include "gfx/Frame.h"

#include "platform/Display.h"
#include "platform/MessageBox.h"
#include "platform/MessageLoop.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <cstdlib>

namespace lang {

namespace msg = platform::msg;

Frame::Frame() = default;

void Frame::setFullScreen(bool on, bool force) {
    if (on == fullScreen)
        return;
    int width = size.width > 0 ? size.width : frameWidth;
    int height = size.height > 0 ? size.height : frameHeight;
    if (!hwnd) {
        // Remembered for create().
        if (on || restoreMode || force)
            fullScreen = on;
        return;
    }
    if (on) {
        if (hwnd->setFullScreen(true)) {
            fullScreen = true;
        } else {
            platform::showMessageBox(errorTitle, fullScreenFailedText);
            placeWindowed(width, height);
        }
    } else if (restoreMode || force) {
        // The windowed place and size are given while still full screen, where they are only
        // remembered for the way back. Moving the window after leaving would wait for a move that
        // a window manager which restores the window itself never makes.
        placeWindowed(width, height);
        if (hwnd->setFullScreen(false))
            fullScreen = false;
    }
}

void Frame::placeWindowed(int width, int height) {
    platform::PixelRect area = platform::Window::workArea();
    int left = std::max(area.x + area.width / 2 - width / 2, 0);
    int top = std::max(area.y + area.height / 2 - height / 2, 0);
    hwnd->setSize(width, height);
    hwnd->setPosition(left, top);
}

void Frame::loadingFinished() {}

void Frame::onDestroy() {}

void Frame::onClose() {}

void Frame::onActivate(bool) {}

void Frame::setLocation(int x, int y) {
    if (hwnd)
        hwnd->setPosition(x, y);
}

bool Frame::create(Component*, const Rectangle& r) {
    if (hwnd || !platform::initVideo())
        return false;
    int width = std::abs(r.width);
    int height = std::abs(r.height);
    platform::PixelRect area = platform::Window::workArea();
    if (r.width < 0) {
        width = std::min(width, area.width - (frameWidth < area.width ? 4 : 0));
        height = std::min(height, area.height - (frameHeight < area.height ? 4 : 0));
    }
    int left = 0, top = 0;
    if (!fullScreen) {
        left = area.x + area.width / 2 - width / 2;
        top = area.y + area.height / 2 - height / 2;
    }
    int depth = platform::desktopColourDepth();
    if (depth != 16 && depth != 24 && depth != 32)
        restoreMode = false;
    platform::Window::Options options;
    options.resizable = resizable;
    options.fullScreen = fullScreen;
    options.title = title.getChars();
    platform::Window::create(nullptr, left, top, width, height, options, windowHandler());
    if (hwnd && resizable)
        hwnd->setMinimumSize(frameWidth, frameHeight);
    return hwnd != nullptr;
}

void Frame::createSurface() {
    auto buffer = hwnd ? hwnd->getFrameBuffer() : nullptr;
    if (!buffer)
        return;
    // A frame whose window is made again keeps its surface: the canvas size
    // does not change.
    if (surface && surface->getWidth() == buffer->getWidth() &&
        surface->getHeight() == buffer->getHeight())
        return;
    surface = adopt(new Image(buffer->getWidth(), buffer->getHeight(), 0, true));
    if (!surface->hasPixels()) {
        surface = nullptr;
        return;
    }
    // Opaque black, as a fresh frame buffer shows.
    uint32_t* px = surface->getPixels();
    std::fill(px, px + size_t(surface->getWidth()) * size_t(surface->getHeight()), 0xFF000000u);
}

intptr_t Frame::windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case msg::create:
        createSurface();
        return Component::windowProc(message, wParam, lParam);
    case msg::destroy:
        Component::windowProc(message, wParam, lParam);
        onDestroy();
        return 0;
    case msg::close:
        onClose();
        return 0;
    case msg::activate:
        // Losing activation counts only in favour of no window or another
        // program's; a window of ours taking over is not a deactivation.
        if (wParam != msg::activeInactive)
            onActivate(true);
        else if (lParam == 0 || !platform::Window::fromId(uint32_t(lParam)))
            onActivate(false);
        return defaultWindowProc(message, wParam, lParam);
    case msg::fullScreenRequest:
        setFullScreen(wParam != 0, wParam == 0);
        return 0;
    case msg::sysCommand:
        if ((wParam & 0xFFF0) == msg::scMaximize && !resizable) {
            setFullScreen(true, false);
            return 0;
        }
        return defaultWindowProc(message, wParam, lParam);
    default:
        return Component::windowProc(message, wParam, lParam);
    }
}

Frame* Frame::getFrame() {
    return this;
}

bool Frame::restoreFocus(bool active) {
    uint32_t focusId = focusWindow.load();
    if (!active || focusId == 0 || !hwnd)
        return false;
    platform::Window* w = platform::Window::fromId(focusId);
    if (!w || w == hwnd || !hwnd->contains(w))
        return false;
    return platform::postMessage(focusId, msg::setFocusRequest, 0, 0);
}

void Frame::setTitle(const String& text) {
    title.assign(text);
    if (hwnd)
        hwnd->setTitle(title.getChars());
}

void Frame::minimize() {
    if (hwnd)
        hwnd->minimize();
}

} // namespace lang
