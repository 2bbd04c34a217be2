#pragma once

#include "gfx/GraphicsW.h"

namespace lang {

// Draws into an Image's pixels, composing images itself: alpha and additive
// blending, tint, opacity level and drop shadow as set in its FancyHelper.
// Keeps its own clip rectangle (the whole image at first) beside the clip
// region; images are composed once per rectangle of their intersection.
class GraphicsI : public GraphicsW {
    LANG_CLASS(GraphicsI, GraphicsW);

    // Adds a reference to the image.
    explicit GraphicsI(Image* image);

    void drawImage(Image* img, int x, int y) override;
    bool drawShadow(Image* img, int x, int y) override;
    void setPixel(int x, int y) override;
    void drawPixel(int x, int y, uint32_t argb) override;
    uint32_t getPixel(int x, int y) override;
    void clipRect(int x, int y, int w, int h) override;
    Ref<Graphics> create() override;
    void fillRect(int x, int y, int w, int h) override;
    FancyHelper* getFancyHelper() override;

    Image* getImage() const { return target.get(); }

private:
    void composeAt(Image* img, int dx, int dy, bool shadowOnly);

    Ref<FancyHelper> fancy;
};

} // namespace lang
