#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace platform {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The pixels a top-level window shows: width x height ARGB values (row stride
// = width) that any thread may draw into under the buffer's lock. Unlocking
// with the changed rectangles asks the main thread to upload those to the
// screen; requests coalesce until the main thread has taken them.
// Shared between the window and the graphics drawing on it, so a drawing
// thread never writes into freed memory when the window goes away first.
class FrameBuffer {
public:
    FrameBuffer(int width, int height, uint32_t windowId);
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Takes the lock and returns the pixel rows.
    uint32_t* lockPixels();
    // Releases the lock; the rectangles (clipped to the buffer) are shown on
    // the next present.
    void unlockPixels(const PixelRect* changed, int count);

    // Copies a source rectangle, clipped to the buffer and to `clip` (null:
    // no clip), with its top-left corner at (dx, dy); schedules the present.
    void copyFrom(const uint32_t* src, int srcStride, int srcWidth, int srcHeight, int dx, int dy,
                  const PixelRect* clip);
    // Fills the rectangle (clipped) with one value; schedules the present.
    void fill(const PixelRect& rect, uint32_t argb);
    // The value at (x, y), 0 outside.
    uint32_t pixelAt(int x, int y);

    // Main thread: calls `upload` under the lock with the pixels (row stride
    // = width) and the rectangles changed since the last call, and forgets them.
    void
    takeChanges(const std::function<void(const uint32_t*, const std::vector<PixelRect>&)>& upload);
    // Marks everything changed (after a new texture, say).
    void markAllChanged();
    uint32_t getWindowId() const { return windowId; }
    // Forgets the window (it was destroyed): later changes are not presented.
    void detach();

private:
    void addChange(const PixelRect& r);
    void requestPresent();

    std::mutex mutex;
    const int width;
    const int height;
    std::atomic<uint32_t> windowId;
    std::vector<uint32_t> pixels;
    std::vector<PixelRect> changes;
    std::atomic<bool> presentPending{false};
};

// Clips r to the rectangle (0, 0, width, height); false when nothing is left.
bool clipToBounds(PixelRect& r, int width, int height);
// Clips r to c; false when nothing is left.
bool clipToRect(PixelRect& r, const PixelRect& c);

} // namespace platform
