#include "Text.h"

#include "platform/Charset.h"
#include "platform/FontFace.h"

#include <algorithm>
#include <map>
#include <sys/stat.h>

namespace assets {

namespace {

bool exists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

} // namespace

struct Typesetter::Cache {
    std::map<std::pair<int, int>, std::unique_ptr<platform::FontFace>> faces;
};

Typesetter::Typesetter() : cache(std::make_unique<Cache>()) {}
Typesetter::~Typesetter() = default;

std::string Typesetter::plainFontPath() {
    return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
}

std::string Typesetter::displayFontPath() {
    const char* rounded = "/usr/share/fonts/truetype/comfortaa/Comfortaa-Bold.ttf";
    return exists(rounded) ? rounded : plainFontPath();
}

platform::FontFace& Typesetter::face(Face f, int size) {
    auto key = std::make_pair(static_cast<int>(f), size);
    auto it = cache->faces.find(key);
    if (it != cache->faces.end())
        return *it->second;
    std::string path = f == Face::Display ? displayFontPath() : plainFontPath();
    auto opened = platform::FontFace::openFile(path.c_str(), size);
    if (!opened)
        opened = platform::FontFace::open("DejaVu Sans", size, true, false);
    auto& slot = cache->faces[key];
    slot = std::move(opened);
    return *slot;
}

int Typesetter::ascent(Face f, int size) {
    return face(f, size).ascent();
}

int Typesetter::measure(Face f, int size, const std::string& text) {
    auto& ff = face(f, size);
    int width = 0;
    platform::GlyphImage g;
    for (unsigned char c : text)
        if (ff.render(platform::ansiToUnicode(c), g))
            width += g.advance;
    return width;
}

Raster Typesetter::mask(Face f, int size, const std::string& text, int baseline, int height) {
    auto& ff = face(f, size);
    int width = measure(f, size, text) + size;
    Raster out(width, height);
    int pen = size / 4;
    platform::GlyphImage g;
    for (unsigned char c : text) {
        if (!ff.render(platform::ansiToUnicode(c), g))
            continue;
        for (int row = 0; row < g.height; ++row)
            for (int col = 0; col < g.width; ++col) {
                float a = g.coverage[static_cast<size_t>(row) * g.width + col] / 255.0f;
                int x = pen + g.left + col, y = baseline - g.top + row;
                if (a > 0 && x >= 0 && y >= 0 && x < width && y < height) {
                    auto& p = out.at(x, y);
                    float v = std::max(p.a, a);
                    p = {v, v, v, v};
                }
            }
        pen += g.advance;
    }
    return out;
}

void Typesetter::draw(Raster& target, Face f, int size, const std::string& text, float x, float y,
                      int align, const TextStyle& style) {
    const int pad = static_cast<int>(style.outlineWidth + style.shadowBlur * 2) + 4;
    const int asc = face(f, size).ascent();
    const int height = asc + face(f, size).descent() + 2 * pad + 2;
    const int baseline = asc + pad;
    Raster m = mask(f, size, text, baseline, height);
    // Grow the mask by `pad` on each side so outlines and shadows fit.
    Raster grown(m.width() + 2 * pad, m.height());
    grown.draw(m, pad, 0);
    const int textWidth = measure(f, size, text);
    float left = x - static_cast<float>(size / 4 + pad);
    if (align == 1)
        left -= static_cast<float>(textWidth) / 2;
    else if (align == 2)
        left -= static_cast<float>(textWidth);
    int ox = static_cast<int>(std::lround(left)), oy = static_cast<int>(std::lround(y)) - baseline;

    Raster outline;
    if (style.outlineWidth > 0) {
        outline = Raster(grown.width(), grown.height());
        const int r = static_cast<int>(std::ceil(style.outlineWidth));
        for (int yy = 0; yy < grown.height(); ++yy)
            for (int xx = 0; xx < grown.width(); ++xx) {
                float best = 0;
                for (int j = -r; j <= r; ++j)
                    for (int i = -r; i <= r; ++i) {
                        int sx = xx + i, sy = yy + j;
                        if (sx < 0 || sy < 0 || sx >= grown.width() || sy >= grown.height())
                            continue;
                        float d = std::hypot(static_cast<float>(i), static_cast<float>(j));
                        float k = clamp01(style.outlineWidth + 0.5f - d);
                        best = std::max(best, grown.at(sx, sy).a * k);
                    }
                if (best > 0)
                    outline.blend(xx, yy, style.outline, best);
            }
    }
    if (style.shadow.a > 0) {
        Raster shadow = (style.outlineWidth > 0 ? outline : grown).silhouette(style.shadow);
        shadow.blur(style.shadowBlur);
        target.draw(shadow, ox, oy + style.shadowDy);
    }
    if (style.outlineWidth > 0)
        target.draw(outline, ox, oy);
    Raster fillLayer(grown.width(), grown.height());
    const float top = static_cast<float>(baseline - asc), span = static_cast<float>(asc);
    for (int yy = 0; yy < grown.height(); ++yy) {
        Rgba c = mix(style.top, style.bottom, clamp01((static_cast<float>(yy) - top) / span));
        for (int xx = 0; xx < grown.width(); ++xx)
            fillLayer.blend(xx, yy, c, grown.at(xx, yy).a);
    }
    target.draw(fillLayer, ox, oy);
}

} // namespace assets
