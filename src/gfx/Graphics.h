#pragma once

#include "core/Object.h"
#include "core/String.h"

#include <cstdint>

namespace lang {

class Color;
class FancyHelper;
class Font;
class Image;
class Point;
class Rectangle;
class Region;

// The drawing interface. Coordinates are moved by the translation first.
// A Graphics is used by one thread at a time.
class Graphics : public Object {
    LANG_CLASS(Graphics, Object);

    static constexpr int modeNormal = 0;
    static constexpr int modeAdditive = 1;

    // drawText layout flags (the platform text-layout values the data uses).
    static constexpr int textLeft = 0x0;
    static constexpr int textCenter = 0x1;
    static constexpr int textRight = 0x2;
    static constexpr int textVCenter = 0x4;
    static constexpr int textBottom = 0x8;
    static constexpr int textWordBreak = 0x10;
    static constexpr int textSingleLine = 0x20;
    static constexpr int textNoClip = 0x100;
    static constexpr int textCalcRect = 0x400;

    virtual void drawImage(Image* img, int x, int y) = 0;
    virtual bool drawShadow(Image* img, int x, int y) = 0;
    virtual void setPixel(int x, int y) = 0;
    virtual void drawPixel(int x, int y, uint32_t argb) = 0;
    virtual uint32_t getPixel(int x, int y) = 0;
    // Returns the previous mode.
    virtual int setMode(int mode) = 0;
    virtual void clipRect(int x, int y, int w, int h) = 0;
    virtual void excludeClipRect(int x, int y, int w, int h) = 0;
    // Null (or a region without a handle) removes the clip region.
    virtual void setClip(const Region* r) = 0;
    // A new region of the current clip, or null when there is none.
    virtual Ref<Region> getClip() = 0;
    // A new rectangle: the box around everything drawing can still reach.
    virtual Ref<Rectangle> getClipBounds() = 0;
    // A new Graphics on the same target with the same origin and clip.
    virtual Ref<Graphics> create() = 0;
    virtual void dispose() = 0;
    virtual void fillOval(int x, int y, int w, int h) = 0;
    virtual void fillRect(int x, int y, int w, int h) = 0;
    virtual void setColor(const Color& c) = 0;
    // Text in the current colour and font, transparent background, baseline at y.
    virtual void drawString(const String& s, int x, int y) = 0;
    virtual void drawChars(const char* chars, int offset, int count, int x, int y) = 0;
    virtual void drawPixelLine(int x1, int y1, int x2, int y2) = 0;
    virtual void drawPolygon(const Point* points, int count) = 0;
    virtual void fillPolygon(const Point* points, int count) = 0;
    // Lays the text out inside r (see the text flags) and returns its height.
    // With textCalcRect nothing is drawn and r's width and height become the
    // laid-out extent.
    virtual int drawText(const String& s, Rectangle& r, int flags) = 0;
    virtual void setFont(Font* f) = 0;
    virtual void drawLine(int x1, int y1, int x2, int y2) = 0;
    virtual void fillCurve(const Point* points, int count, double scale) = 0;
    virtual void getOrigin(int& x, int& y) const = 0;
    virtual void translate(int dx, int dy) = 0;
    // Null where the target does no composition of its own.
    virtual FancyHelper* getFancyHelper() = 0;
    virtual void prepare() = 0;

    // Desktop queries. Colour depth is the bits a pixel occupies (32 for the
    // usual 8-8-8 desktop); font smoothing is always available here, since
    // glyphs are rendered anti-aliased; separators come from the user's locale.
    static int getDesktopColorDepth();
    static bool isFontSmoothingOn();
    static char getDecimalSeparator();
    static char getThousandsSeparator();

    // Parameter steps of fillCurve (a program-wide setting).
    static int curveSteps;

    // The lock held while graphics contexts are disposed or destroyed.
    static Object& graphicsLock();
};

} // namespace lang
