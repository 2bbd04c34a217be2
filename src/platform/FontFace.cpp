#include "platform/FontFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace platform {

namespace {

// FreeType's library object and fontconfig's matching are shared by every
// face; both are guarded by this lock. A face itself is used by one thread at
// a time (its owner's lock).
std::mutex& libraryLock() {
    static std::mutex lock;
    return lock;
}

FT_Library library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0)
            return static_cast<FT_Library>(nullptr);
        return l;
    }();
    return lib;
}

struct Match {
    std::string file;
    int index = 0;
    // The matched face really has the style; otherwise it is synthesised.
    bool bold = false;
    bool italic = false;
};

// Fontconfig matching is slow; remember each request's answer.
bool findFace(const std::string& family, bool bold, bool italic, Match& out) {
    static std::map<std::tuple<std::string, bool, bool>, Match> cache;
    auto key = std::make_tuple(family, bold, italic);
    auto it = cache.find(key);
    if (it != cache.end()) {
        out = it->second;
        return !out.file.empty();
    }
    Match m;
    if (FcInit()) {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* found = FcFontMatch(nullptr, pattern, &result);
        if (found) {
            FcChar8* file = nullptr;
            int index = 0, weight = 0, slant = 0;
            if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) {
                m.file = reinterpret_cast<const char*>(file);
                if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch)
                    m.index = index;
                if (FcPatternGetInteger(found, FC_WEIGHT, 0, &weight) == FcResultMatch)
                    m.bold = weight >= FC_WEIGHT_DEMIBOLD;
                if (FcPatternGetInteger(found, FC_SLANT, 0, &slant) == FcResultMatch)
                    m.italic = slant != FC_SLANT_ROMAN;
            }
            FcPatternDestroy(found);
        }
        FcPatternDestroy(pattern);
    }
    cache[key] = m;
    out = m;
    return !m.file.empty();
}

int roundedPixels(FT_Pos v) {
    return static_cast<int>((v + 32) >> 6);
}

} // namespace

struct FontFace::Impl {
    FT_Face face = nullptr;
    bool emboldenSynthetic = false;
    bool obliqueSynthetic = false;
};

std::unique_ptr<FontFace> FontFace::open(const char* family, int pixelSize, bool bold,
                                         bool italic) {
    if (pixelSize <= 0 || pixelSize > 2048)
        return nullptr;
    std::lock_guard<std::mutex> guard(libraryLock());
    FT_Library lib = library();
    Match m;
    if (!lib || !findFace(family && *family ? family : "sans-serif", bold, italic, m))
        return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, m.file.c_str(), m.index, &face) != 0)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->face = face;
    impl->emboldenSynthetic = bold && !m.bold;
    impl->obliqueSynthetic = italic && !m.italic;
    return adoptFace(std::move(impl), pixelSize);
}

std::unique_ptr<FontFace> FontFace::openFile(const char* path, int pixelSize) {
    if (!path || pixelSize <= 0 || pixelSize > 2048)
        return nullptr;
    std::lock_guard<std::mutex> guard(libraryLock());
    FT_Library lib = library();
    FT_Face face = nullptr;
    if (!lib || FT_New_Face(lib, path, 0, &face) != 0)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->face = face;
    return adoptFace(std::move(impl), pixelSize);
}

std::unique_ptr<FontFace> FontFace::adoptFace(std::unique_ptr<Impl> impl, int pixelSize) {
    FT_Face face = impl->face;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    std::unique_ptr<FontFace> f(new FontFace);
    f->impl = std::move(impl);
    const FT_Size_Metrics& sm = face->size->metrics;
    f->ascentPx = static_cast<int>(sm.ascender >> 6);
    f->descentPx = static_cast<int>((-sm.descender) >> 6);
    if (FT_IS_SCALABLE(face)) {
        int pos = roundedPixels(-FT_MulFix(face->underline_position, sm.y_scale));
        int thick = roundedPixels(FT_MulFix(face->underline_thickness, sm.y_scale));
        f->underlinePos = std::max(1, pos);
        f->underlineSize = std::max(1, thick);
    }
    return f;
}

FontFace::~FontFace() {
    // FreeType's faces share one library object, so closing one takes its lock.
    if (impl) {
        std::lock_guard<std::mutex> guard(libraryLock());
        FT_Done_Face(impl->face);
    }
}

bool FontFace::render(uint32_t codepoint, GlyphImage& out) {
    FT_Face face = impl->face;
    FT_UInt index = FT_Get_Char_Index(face, codepoint);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        return false;
    FT_GlyphSlot slot = face->glyph;
    if (impl->emboldenSynthetic)
        FT_GlyphSlot_Embolden(slot);
    if (impl->obliqueSynthetic)
        FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return false;
    const FT_Bitmap& bm = slot->bitmap;
    out.width = static_cast<int>(bm.width);
    out.height = static_cast<int>(bm.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.advance = roundedPixels(slot->advance.x);
    out.coverage.assign(static_cast<size_t>(out.width) * out.height, 0);
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) {
        out.width = out.height = 0;
        out.coverage.clear();
        return true;
    }
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        std::copy(row, row + out.width,
                  out.coverage.begin() + static_cast<ptrdiff_t>(y) * out.width);
    }
    return true;
}

} // namespace platform
