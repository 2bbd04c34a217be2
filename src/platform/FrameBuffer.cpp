#include "platform/FrameBuffer.h"

#include "platform/MessageLoop.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {
// Beyond this many separate rectangles one covering rectangle uploads faster.
constexpr size_t maxChanges = 16;
} // namespace

bool clipToBounds(PixelRect& r, int width, int height) {
    return clipToRect(r, PixelRect{0, 0, width, height});
}

bool clipToRect(PixelRect& r, const PixelRect& c) {
    int64_t left = std::max<int64_t>(r.x, c.x);
    int64_t top = std::max<int64_t>(r.y, c.y);
    int64_t right = std::min<int64_t>(int64_t(r.x) + r.width, int64_t(c.x) + c.width);
    int64_t bottom = std::min<int64_t>(int64_t(r.y) + r.height, int64_t(c.y) + c.height);
    if (r.width <= 0 || r.height <= 0 || right <= left || bottom <= top) {
        r = PixelRect{};
        return false;
    }
    r = PixelRect{int(left), int(top), int(right - left), int(bottom - top)};
    return true;
}

FrameBuffer::FrameBuffer(int width, int height, uint32_t windowId)
    : width(std::max(width, 0)), height(std::max(height, 0)), windowId(windowId),
      pixels(size_t(std::max(width, 0)) * size_t(std::max(height, 0)), 0xFF000000u) {}

uint32_t* FrameBuffer::lockPixels() {
    mutex.lock();
    return pixels.data();
}

void FrameBuffer::unlockPixels(const PixelRect* changed, int count) {
    for (int i = 0; i < count; ++i)
        addChange(changed[i]);
    bool any = !changes.empty();
    mutex.unlock();
    if (any)
        requestPresent();
}

void FrameBuffer::copyFrom(const uint32_t* src, int srcStride, int srcWidth, int srcHeight, int dx,
                           int dy, const PixelRect* clip) {
    if (!src || srcWidth <= 0 || srcHeight <= 0)
        return;
    PixelRect r{dx, dy, srcWidth, srcHeight};
    if (clip && !clipToRect(r, *clip))
        return;
    if (!clipToBounds(r, width, height))
        return;
    uint32_t* dst = lockPixels();
    for (int row = 0; row < r.height; ++row) {
        const uint32_t* from = src + size_t(r.y - dy + row) * size_t(srcStride) + (r.x - dx);
        std::memcpy(dst + size_t(r.y + row) * size_t(width) + r.x, from,
                    size_t(r.width) * sizeof(uint32_t));
    }
    unlockPixels(&r, 1);
}

void FrameBuffer::fill(const PixelRect& rect, uint32_t argb) {
    PixelRect r = rect;
    if (!clipToBounds(r, width, height))
        return;
    uint32_t* dst = lockPixels();
    for (int row = 0; row < r.height; ++row)
        std::fill_n(dst + size_t(r.y + row) * size_t(width) + r.x, r.width, argb);
    unlockPixels(&r, 1);
}

uint32_t FrameBuffer::pixelAt(int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    std::lock_guard<std::mutex> guard(mutex);
    return pixels[size_t(y) * size_t(width) + x];
}

void FrameBuffer::addChange(const PixelRect& rect) {
    PixelRect r = rect;
    if (!clipToBounds(r, width, height))
        return;
    for (const PixelRect& c : changes) {
        if (r.x >= c.x && r.y >= c.y && r.x + r.width <= c.x + c.width &&
            r.y + r.height <= c.y + c.height)
            return;
    }
    changes.push_back(r);
    if (changes.size() > maxChanges) {
        PixelRect all = changes.front();
        for (const PixelRect& c : changes) {
            int right = std::max(all.x + all.width, c.x + c.width);
            int bottom = std::max(all.y + all.height, c.y + c.height);
            all.x = std::min(all.x, c.x);
            all.y = std::min(all.y, c.y);
            all.width = right - all.x;
            all.height = bottom - all.y;
        }
        changes.assign(1, all);
    }
}

void FrameBuffer::markAllChanged() {
    {
        std::lock_guard<std::mutex> guard(mutex);
        changes.assign(1, PixelRect{0, 0, width, height});
    }
    requestPresent();
}

void FrameBuffer::takeChanges(
    const std::function<void(const uint32_t*, const std::vector<PixelRect>&)>& upload) {
    // Cleared before the changes are taken: a change made after this point
    // asks for a present of its own.
    presentPending.store(false);
    std::lock_guard<std::mutex> guard(mutex);
    if (changes.empty())
        return;
    upload(pixels.data(), changes);
    changes.clear();
}

void FrameBuffer::detach() {
    windowId.store(0);
}

void FrameBuffer::requestPresent() {
    uint32_t id = windowId.load();
    if (id == 0 || presentPending.exchange(true))
        return;
    if (!postPresent(id))
        presentPending.store(false);
}

} // namespace platform
