#pragma once

#include "core/Object.h"
#include "gfx/Color.h"
#include "gfx/Dimension.h"
#include "gfx/Point.h"
#include "gfx/Rectangle.h"
#include "platform/Window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace lang {

class Cursor;
class Event;
class Frame;
class Graphics;
class Image;

// A window of the program with its library object: a top-level Frame or an
// area inside one. The window procedure turns the window's messages into
// Event objects and the virtual calls below, and keeps `size` and `bounds`
// current. Messages arrive on the main thread; setCursor, repaint,
// requestFocus, postDestroy and getGraphics may be called from any thread,
// everything else belongs to the main thread.
//
// The window holds one reference to its component from creation to its
// final destruction; a child never holds its parent.
class Component : public Object, private platform::WindowHandler {
    LANG_CLASS(Component, Object);

    // The double-click interval in milliseconds, read once at start.
    static int doubleClickTime;

    Component();
    ~Component() override;

    virtual void setSize(int width, int height);
    virtual void validate();
    virtual Dimension& sizeRef();
    // A new copy of the client size, owned by the caller.
    virtual Ref<Dimension> getSize();
    virtual Rectangle& boundsRef();
    virtual Rectangle& getBounds();
    virtual Component* getParent();
    virtual bool mouseDown(Event* e, int x, int y);
    virtual bool mouseUp(Event* e, int x, int y);
    virtual bool mouseMove(Event* e, int x, int y);
    virtual bool mouseDrag(Event* e, int x, int y);
    virtual bool keyDown(Event* e, int key);
    virtual bool keyUp(Event* e, int key);
    virtual bool isFocusTraversable();
    virtual void requestFocus();
    virtual bool inside(int x, int y);
    virtual void paint(Graphics* g);
    virtual void update(Graphics* g);
    virtual void repaint();
    virtual void eraseBackground(Graphics* g);
    virtual void windowPosChanged();
    virtual void setVisible(bool visible);
    virtual bool isVisible();
    virtual void setCursor(Cursor* c);
    virtual void setMousePosition(int x, int y);
    // Any thread: a new graphics drawing on the window (the caller's
    // reference), or null without a window. Its origin is the window's
    // top-left corner and it cannot draw outside the window; what it draws
    // is shown by the main thread.
    virtual Ref<Graphics> getGraphics();
    virtual void setBackground(const Color& c);
    virtual void setForeground(const Color& c);
    virtual Color& getBackground();
    virtual Color& getForeground();
    // A new point (the caller's reference): the pointer in client coordinates.
    virtual Ref<Point> getMousePosition();
    virtual bool isMouseInside();
    // Child windows: creates the window as an area of the parent's window at r.
    virtual bool create(Component* parent, const Rectangle& r);
    virtual intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
    virtual Frame* getFrame();

    platform::Window* getWindow() const { return hwnd; }
    // The window's id for posting from other threads; 0 without a window.
    uint32_t getWindowId() const { return windowId.load(); }
    // Any thread: queues a message for the window.
    bool postMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Any thread: has the window destroyed on the main thread.
    bool postDestroy();
    // The cursor shown over the client area, or null (no reference added).
    Cursor* getCursor();

    // The window that last asked for the keyboard focus (its id), 0 for none.
    static uint32_t getFocusWindow() { return focusWindow.load(); }

protected:
    intptr_t defaultWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // What a new window of this component reports its messages to.
    platform::WindowHandler* windowHandler() { return this; }
    // Sends a key event to this component and, while unhandled, its parents.
    bool deliverKey(Event* e, int key);

    platform::Window* hwnd = nullptr;
    Component* parent = nullptr;
    Dimension size;
    Rectangle bounds;
    Color background;
    Color foreground;
    uint32_t lastClickTime = 0;
    int32_t clickCount = 0;
    int32_t buttonsDown = 0;

    static std::atomic<uint32_t> focusWindow;

private:
    intptr_t handleMessage(platform::Window* window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) override;
    // windowProc's handlers, one per kind of message.
    intptr_t windowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    intptr_t placeMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    intptr_t cursorMessage(uintptr_t wParam, intptr_t lParam);
    void windowGone();
    intptr_t keyDownMessage(uintptr_t wParam, intptr_t lParam);
    intptr_t keyUpMessage(uintptr_t wParam, intptr_t lParam);
    intptr_t characterMessage(uintptr_t wParam, intptr_t lParam);
    intptr_t mouseMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    void moveMessage(uintptr_t wParam, intptr_t lParam);
    intptr_t mouseButtonDown(uintptr_t wParam, intptr_t lParam, int button);
    intptr_t mouseButtonUp(uintptr_t wParam, intptr_t lParam, int button);
    // Reports the ups of the buttons still held, left first.
    void captureLost(int32_t modifiers);
    void paintWindow();
    bool inSizeGrip(int x, int y);
    // Main thread: takes where this window draws from the window as it is
    // now, for getGraphics on any thread; forgets it without a window.
    void updateDrawingTarget();

    std::atomic<uint32_t> windowId{0};
    std::mutex cursorLock;
    Ref<Cursor> cursor;
    // Guards the drawing target: the frame's surface, the window's frame
    // buffer and this window's area in them.
    std::mutex targetLock;
    Ref<Image> drawingSurface;
    std::shared_ptr<platform::FrameBuffer> drawingBuffer;
    platform::PixelRect drawingArea;
};

} // namespace lang
