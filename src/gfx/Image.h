#pragma once

#include "core/Object.h"
#include "core/String.h"

#include <atomic>
#include <cstdint>

namespace lang {

struct DecodedImage;

// A 32-bit ARGB raster: one uint32 per pixel, alpha in bits 24-31, red 16-23,
// green 8-15, blue 0-7 (in memory blue, green, red, alpha), rows top to bottom,
// stride width * 4 bytes with no padding. Alpha 255 is opaque, 0 transparent.
//
// An image is empty (no pixels, width and height 0), in heap form, or in bitmap
// form. Bitmap form is the drawing-surface form: getDC() moves an image there
// and attaches its drawing context, and it stays there until dispose(). The
// pixel buffer itself is the same in both forms, so getPixels() stays valid
// across getDC(); only dispose() frees it.
class Image : public Object {
    LANG_CLASS(Image, Object);

    // Loads `name`: "+key" from the registered resource files, anything else
    // as a file path (a missing file gives an empty image, no exception).
    // "a|b" loads a and applies b as its mask. The image keeps `name`.
    explicit Image(const String& name);
    explicit Image(const char* name) : Image(String(name)) {}
    // Decodes GIF, PNG or JPEG bytes (recognised by content) that the caller
    // keeps; nothing of `data` is retained.
    Image(const uint8_t* data, int length);
    // A blank image. `fill` 1 clears every pixel to 0 (transparent black);
    // other pixels are unspecified. `withBitmap` creates it in bitmap form.
    // Sizes that are not positive or beyond the raster limits give an empty image.
    Image(int width, int height, int fill, bool withBitmap);
    ~Image() override;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Bytes per row: width * 4.
    virtual int getStride() const;
    // The pixel rows, or null for an empty image.
    virtual uint32_t* getPixels() const;
    virtual const String& getName() const;
    // A new image (the caller's reference) of the same size, form, pixels,
    // hasAlpha and name.
    virtual Ref<Image> copy() const;

    // The drawing context, created on first call by the factory the graphics
    // layer installs (null while none is installed or for an empty image).
    // Moves the image to bitmap form. Thread-safe; the image keeps the context.
    Object* getDC();
    using DCFactory = Ref<Object> (*)(Image& image);
    static void setDCFactory(DCFactory factory);

    // Sets hasAlpha only when the image has pixels. Any thread may set or read
    // the flag: a sprite marks its image while the render thread paints it.
    void setHasAlpha(bool value);
    bool getHasAlpha() const { return hasAlpha.load(std::memory_order_acquire); }
    bool hasPixels() const { return pixels != nullptr; }
    bool isBitmapForm() const { return bitmap; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Sets the pixels of the rectangle, clipped to the image, to 0.
    void clearRect(int x, int y, int w, int h);
    // Tiles `mask` over the image from (0, 0): each covered pixel's alpha
    // becomes 255 minus the mask pixel's blue, colour unchanged; sets hasAlpha.
    // A named image's name becomes "<its own part>|<mask's name>". An empty
    // mask or image changes nothing.
    void applyMask(const Image& mask);
    // Frees the pixels and the drawing context; the image becomes empty.
    void dispose();
    // Loads the pixels again from the image's name ("a|b" applies b as the
    // mask again) after dispose(). An image that still has pixels, or has no
    // name to load from, stays as it is.
    void reload();

private:
    void load(const String& path);
    void decode(const uint8_t* data, int length);
    void adoptDecoded(DecodedImage& decoded);
    void freePixels();

    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    // Whether the pixels' alpha must be blended. Set with release and read with
    // acquire, so whoever sees it set also sees the alpha written before it
    // (a mask, a text layer drawn into a cleared buffer).
    std::atomic<bool> hasAlpha{false};
    bool bitmap = false;
    Ref<Object> dc;
    String name;

    static std::atomic<DCFactory> dcFactory;
};

} // namespace lang
