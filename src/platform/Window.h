#pragma once

#include "platform/FrameBuffer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

union SDL_Event;

namespace platform {

class Window;

// Receives a window's messages (platform/WindowMessages.h) on the main thread.
class WindowHandler {
public:
    virtual intptr_t handleMessage(Window* window, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam) = 0;

protected:
    ~WindowHandler() = default;
};

// A window of the program. A top-level window is an SDL window whose client
// area is a fixed logical canvas (width x height) scaled to the window with
// its aspect kept; what it shows is its FrameBuffer. A child window is an area
// of its parent (no SDL window of its own): mouse messages go to the deepest
// visible child under the pointer (or the capture holder), key messages to the
// focus window. Coordinates in messages are client coordinates of the window
// that receives them, in logical canvas pixels.
//
// Everything here runs on the main thread unless a comment says otherwise.
// Other threads use the window's id with postMessage, invalidate and the
// frame buffer.
class Window {
public:
    struct Options {
        bool child = false;
        bool resizable = false;
        bool fullScreen = false;
        const char* title = "";
    };

    // Creates a window and sends it ncCreate, create, size and move before
    // returning. Top-level: (x, y) is the client's screen position. Null on
    // failure (no video, no SDL window, a child without parent).
    static Window* create(Window* parent, int x, int y, int width, int height,
                          const Options& options, WindowHandler* handler);
    // The window with that id, or null.
    static Window* fromId(uint32_t id);
    // Sends destroy, destroys the children, sends ncDestroy, frees the window.
    void destroy();

    intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // What a window does with a message its handler does not take.
    intptr_t defaultProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

    uint32_t getId() const { return id; }
    // The SDL window id of the top-level window (events name windows by it).
    uint32_t getSystemId() const;
    Window* getParent() const { return parent; }
    Window* getTopLevel();
    bool isChild() const { return parent != nullptr; }
    bool isResizable() const { return resizable; }
    // True when `w` is this window or one of its descendants.
    bool contains(const Window* w) const;

    int getX() const { return x; }
    int getY() const { return y; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // Children: moves and resizes within the parent. Top-level: moves the
    // window; a new size resizes the window on screen (the logical canvas
    // keeps its size and is scaled).
    void setBounds(int nx, int ny, int w, int h);
    void setPosition(int nx, int ny);
    void setSize(int w, int h);
    // The top-level window's size on screen in desktop points.
    void getOuterSize(int& w, int& h) const;
    // This window's top-left corner in its top-level window's client area.
    void originInTopLevel(int& ox, int& oy) const;

    void show(bool visible);
    bool isVisible() const;
    bool isIconic() const { return iconic; }
    void minimize();
    void restore();
    // Desktop full screen on or off; false when the system refuses.
    bool setFullScreen(bool on);
    bool isFullScreen() const { return fullScreen; }
    void setTitle(const char* title);
    // The window's icon from ARGB pixels (main thread); nothing without pixels.
    void setIcon(const uint32_t* argb, int w, int h);
    // Keeps a resizable top-level window at least this big on screen.
    void setMinimumSize(int w, int h);

    // Any thread: marks the window's client area for painting.
    static void invalidate(uint32_t windowId, bool erase);
    struct PaintInfo {
        PixelRect rect;
        bool erase = false;
    };
    // During paint: the area to paint (client coordinates) and whether it is
    // to be erased first; the window counts as painted afterwards.
    PaintInfo beginPaint();
    bool needsPaint() const;

    // The pixels shown by this window's top-level window (any thread may draw
    // into them; the main thread presents them). Null without an SDL window.
    std::shared_ptr<FrameBuffer> getFrameBuffer() const;

    bool setFocus();
    static Window* getFocus() { return focus; }
    void setCapture();
    static void releaseCapture();
    static Window* getCapture() { return capture; }

    // Any thread: the pointer in this window's client coordinates (the last
    // position seen when the system cannot be asked; far outside once the
    // pointer left the window).
    void getCursorPos(int& cx, int& cy) const;
    // Any thread: moves the pointer to a client point.
    void setCursorPos(int cx, int cy);

    // Any thread: a timer that posts msg::timer with `timerId` every `ms`.
    void setTimer(int timerId, int ms);
    void killTimer(int timerId);

    void* userData = nullptr;

    // Letterboxing of a canvas on an output of the given size: the area the
    // canvas covers, aspect kept, centred.
    static PixelRect letterbox(int outWidth, int outHeight, int canvasWidth, int canvasHeight);
    // A point of a window of the given size in canvas coordinates (may lie
    // outside the canvas).
    static void windowToCanvas(int wx, int wy, int winWidth, int winHeight, int canvasWidth,
                               int canvasHeight, int& cx, int& cy);

    // The usable desktop area (top-level client positions), or 800 x 600 at
    // (0, 0) without video.
    static PixelRect workArea();

    // Tests: stands in for the system's full-screen switch. Null restores it.
    using FullScreenSwitch = bool (*)(bool on);
    static void setFullScreenSwitch(FullScreenSwitch fs);

    // Message loop internals.
    static void handleEvent(const SDL_Event& event);
    static void presentWindow(uint32_t windowId, bool all);
    static void sendPendingPaints();
    static void destroyAll();
    static void warpPointer(uint32_t windowId, int cx, int cy);

private:
    Window() = default;
    ~Window();
    Window* childAt(int cx, int cy);
    void destroyTree();
    void paintTree();
    void pointerToClient(int topX, int topY, int& cx, int& cy) const;

    uint32_t id = 0;
    uint32_t sdlId = 0;
    void* sdlWindow = nullptr;
    void* renderer = nullptr;
    void* texture = nullptr;
    Window* parent = nullptr;
    std::vector<Window*> children;
    WindowHandler* handler = nullptr;
    std::shared_ptr<FrameBuffer> frameBuffer;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool visible = false;
    bool resizable = false;
    bool iconic = false;
    bool fullScreen = false;
    bool destroying = false;
    // Guarded by the registry lock: the pending paint.
    bool invalid = false;
    bool eraseDue = false;
    std::vector<std::pair<int, int>> timers;
    // Top-level: the last pointer position seen, in canvas coordinates.
    std::atomic<int> pointerX{outside};
    std::atomic<int> pointerY{outside};
    static constexpr int outside = -32768;

    static Window* focus;
    static Window* capture;

    friend class EventTranslator;
};

} // namespace platform
