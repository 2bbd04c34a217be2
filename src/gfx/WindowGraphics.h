#pragma once

#include "gfx/GraphicsW.h"

#include <memory>

namespace platform {
class FrameBuffer;
}

namespace lang {

// A GraphicsW on a window: it draws into the frame's surface image and copies
// what each call touched into the window's frame buffer, which asks the main
// thread to upload those rectangles and present. So any thread (the render
// thread above all) can draw on a window without touching the window system.
//
// Every drawing call holds the surface's monitor, so calls from several
// threads (the main thread painting, the render thread presenting) take turns
// on the surface's pixels. The frame buffer is shared: once the window is
// gone, drawing still lands in the surface and simply is not shown.
class WindowGraphics : public GraphicsW {
    LANG_CLASS(WindowGraphics, GraphicsW);

    // Adds a reference to the surface. A frame buffer of another size than
    // the surface is not used (nothing is presented).
    WindowGraphics(Image* surface, std::shared_ptr<platform::FrameBuffer> frameBuffer);
    ~WindowGraphics() override;

    void drawImage(Image* img, int x, int y) override;
    void fillOval(int x, int y, int w, int h) override;
    void fillRect(int x, int y, int w, int h) override;
    void drawChars(const char* chars, int offset, int count, int x, int y) override;
    void fillPolygon(const Point* points, int count) override;
    int drawText(const String& s, Rectangle& r, int flags) override;
    void drawLine(int x1, int y1, int x2, int y2) override;
    void fillCurve(const Point* points, int count, double scale) override;
    Ref<Graphics> create() override;

private:
    // Copies the clip boxes' overlap with `touched` (device coordinates)
    // into the frame buffer and marks them changed. Called with the surface's
    // monitor held.
    void present(Box touched);
    // The box a logical rectangle covers on the surface.
    Box deviceBox(int64_t x, int64_t y, int64_t w, int64_t h) const;

    std::shared_ptr<platform::FrameBuffer> frameBuffer;
};

} // namespace lang
