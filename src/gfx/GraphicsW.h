#pragma once

#include "gfx/Graphics.h"
#include "platform/PixelRegion.h"

#include <optional>
#include <vector>

namespace lang {

// Draws on a device surface: here an Image-backed frame buffer or memory
// context. Images arrive by a plain block copy; text and shapes are drawn
// into the surface's pixels; the per-pixel operations do nothing.
//
// Window hook: the window layer owns the window's frame buffer (an Image in
// bitmap form), creates a GraphicsW on it for painting and presents the
// changed area from it. Nothing here touches the window system.
class GraphicsW : public Graphics {
    LANG_CLASS(GraphicsW, Graphics);

    // Adds a reference to the surface; a null or empty surface draws nothing.
    explicit GraphicsW(Image* surface);
    ~GraphicsW() override;
    GraphicsW(const GraphicsW&) = delete;
    GraphicsW& operator=(const GraphicsW&) = delete;

    void drawImage(Image* img, int x, int y) override;
    bool drawShadow(Image* img, int x, int y) override;
    void setPixel(int x, int y) override;
    void drawPixel(int x, int y, uint32_t argb) override;
    uint32_t getPixel(int x, int y) override;
    int setMode(int mode) override;
    void clipRect(int x, int y, int w, int h) override;
    void excludeClipRect(int x, int y, int w, int h) override;
    void setClip(const Region* r) override;
    Ref<Region> getClip() override;
    Ref<Rectangle> getClipBounds() override;
    Ref<Graphics> create() override;
    void dispose() override;
    void fillOval(int x, int y, int w, int h) override;
    void fillRect(int x, int y, int w, int h) override;
    void setColor(const Color& c) override;
    void drawString(const String& s, int x, int y) override;
    void drawChars(const char* chars, int offset, int count, int x, int y) override;
    void drawPixelLine(int x1, int y1, int x2, int y2) override;
    void drawPolygon(const Point* points, int count) override;
    void fillPolygon(const Point* points, int count) override;
    int drawText(const String& s, Rectangle& r, int flags) override;
    void setFont(Font* f) override;
    void drawLine(int x1, int y1, int x2, int y2) override;
    void fillCurve(const Point* points, int count, double scale) override;
    void getOrigin(int& x, int& y) const override;
    void translate(int dx, int dy) override;
    FancyHelper* getFancyHelper() override { return nullptr; }
    void prepare() override {}

    uint32_t getColor() const { return color; }
    int getMode() const { return mode; }
    Font* getFont() const { return font.get(); }

protected:
    using Box = platform::RegionBox;

    // Device coordinate of a logical one, kept inside the range the drawing
    // code can add sizes to.
    static int toDevice(int v, int origin);
    // A width or height as drawn: negative is none, and a huge one is cut to
    // what a device coordinate can take added.
    static int clampSize(int v);
    // The pixels to read when drawing `img`: its own, or a copy kept in `copy`
    // when it is this context's surface, so that where source and destination
    // overlap no row is read after being written.
    const uint32_t* sourcePixels(const Image& img, std::vector<uint32_t>& copy) const;

    // Copies origin, clip, colour, font and mode into a new context.
    void copyStateTo(GraphicsW& other) const;
    // The boxes (device coordinates) drawing may touch: the surface, the
    // clip region and, where set, the clip rectangle.
    const std::vector<Box>& clipBoxes();
    void invalidateClip() { clipValid = false; }
    bool hasSurface() const;
    Box surfaceBounds() const;
    bool clipContains(int x, int y);

    // Device-coordinate primitives, clipped.
    void fillSpan(int y, int x0, int x1, uint32_t argb);
    void fillBox(int x, int y, int w, int h, uint32_t argb);
    void plot(int x, int y, uint32_t argb);
    void drawGlyphs(const char* chars, int count, int x, int baseline, const Box* limit);
    void fillPolygonDevice(const double* xs, const double* ys, int count, uint32_t argb);
    void lineDevice(int x1, int y1, int x2, int y2, uint32_t argb);

    Ref<Image> target;
    int originX = 0;
    int originY = 0;
    std::optional<platform::PixelRegion> region;
    // A further clip rectangle in device coordinates (GraphicsI keeps one).
    std::optional<Box> clipRectangle;
    uint32_t color = 0xFF000000u;
    Ref<Font> font;
    int mode = modeNormal;

private:
    std::vector<Box> boxes;
    bool clipValid = false;
};

} // namespace lang
