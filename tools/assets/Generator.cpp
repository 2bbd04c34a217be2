#include "Generator.h"

#include "Audio.h"
#include "gfx/GlyphAtlas.h"
#include "gfx/PngEncoder.h"
#include "io/ResourceFileWriter.h"
#include "platform/FontFace.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

namespace assets {

namespace {

bool isFontKey(const ImageSpec& spec, bool& table) {
    std::string k = spec.key;
    for (char& c : k)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    table = k.find("glyph") != std::string::npos;
    return table || k.find("font") != std::string::npos;
}

// The largest face whose font image fits the manifest's font image (the
// glyph table must come from the same face, so both ask this).
lang::GlyphAtlas fontAtlas(const Sources& sources) {
    int width = 512, height = 256;
    for (const auto& spec : sources.images) {
        bool table = false;
        if (isFontKey(spec, table) && !table) {
            width = spec.width;
            height = spec.height;
        }
    }
    lang::GlyphAtlas best;
    for (int size = 8; size <= 64; ++size) {
        auto face = platform::FontFace::openFile(Typesetter::displayFontPath().c_str(), size);
        lang::GlyphAtlas atlas;
        if (!face || !atlas.build(*face) ||
            (size > 8 && (atlas.width > width || atlas.height > height)))
            break;
        best = std::move(atlas);
    }
    return best;
}

// The bitmap font placed in an image of exactly the manifest's size, or its
// glyph table.
std::vector<uint32_t> fontPixels(const ImageSpec& spec, bool table, const Sources& sources) {
    const lang::GlyphAtlas best = fontAtlas(sources);
    std::vector<uint32_t> out(static_cast<size_t>(spec.width) * spec.height, 0);
    if (table) {
        for (int y = 0; y < spec.height && y < lang::GlyphAtlas::lastCode - 31; ++y)
            for (int x = 0; x < spec.width && x < lang::GlyphAtlas::fieldsPerGlyph; ++x)
                out[static_cast<size_t>(y) * spec.width + x] = static_cast<uint32_t>(
                    best.table[static_cast<size_t>(y) * lang::GlyphAtlas::fieldsPerGlyph + x]);
        return out;
    }
    for (int y = 0; y < std::min(best.height, spec.height); ++y)
        for (int x = 0; x < std::min(best.width, spec.width); ++x) {
            uint32_t p = best.pixels[static_cast<size_t>(y) * best.width + x];
            // White glyphs with a faint aqua cast at their feet, like the rest of the type.
            float t =
                static_cast<float>(y % (best.lineHeight + 1)) / static_cast<float>(best.lineHeight);
            uint32_t g = static_cast<uint32_t>(255 - 20 * t),
                     rch = static_cast<uint32_t>(255 - 40 * t);
            if (p >> 24)
                p = (p & 0xff000000u) | rch << 16 | g << 8 | 255u;
            out[static_cast<size_t>(y) * spec.width + x] = p;
        }
    return out;
}

} // namespace

Generator::Generator(const Sources& sources) : src(sources), art(sources) {}

Raster Generator::image(const ImageSpec& spec) {
    return paintImage(spec, art);
}

std::vector<uint8_t> Generator::sound(const SoundSpec& spec) {
    return synthesise(spec, src);
}

bool Generator::entries(std::vector<Entry>& out, std::string& error) {
    const size_t imageCount = src.images.size();
    const size_t total = imageCount + src.sounds.size();
    std::vector<Entry> made(total);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    // Each worker has its own type (font faces are not shared between
    // threads); results land in fixed slots, so the order never depends on timing.
    auto work = [&]() {
        ArtContext local(src);
        const bool timing = std::getenv("RIPPLE_ASSETS_TIMING") != nullptr;
        for (size_t i = next++; i < total; i = next++) {
            const auto started = std::chrono::steady_clock::now();
            Entry& e = made[i];
            if (i < imageCount) {
                const ImageSpec& spec = src.images[i];
                e.name = spec.key;
                bool table = false;
                std::vector<uint32_t> argb;
                if (isFontKey(spec, table))
                    argb = fontPixels(spec, table, src);
                else
                    argb = paintImage(spec, local).toArgb();
                e.bytes = lang::PngEncoder::encode(argb.data(), spec.width, spec.height, false);
                if (e.bytes.empty())
                    failed = true;
            } else {
                const SoundSpec& spec = src.sounds[i - imageCount];
                e.name = spec.key;
                e.bytes = synthesise(spec, src);
            }
            if (timing)
                std::fprintf(stderr, "%8.1f ms  %s\n",
                             std::chrono::duration<double, std::milli>(
                                 std::chrono::steady_clock::now() - started)
                                 .count(),
                             e.name.c_str());
        }
    };
    unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < workers; ++t)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();
    if (failed) {
        error = "an image could not be encoded";
        return false;
    }
    out = std::move(made);
    for (const auto& [name, path] : src.scenes) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot read " + path;
            return false;
        }
        Entry e;
        e.name = name;
        e.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        e.text = true;
        out.push_back(std::move(e));
    }
    return true;
}

bool Generator::writeData(const std::string& outDir, std::string& error) {
    std::vector<Entry> all;
    if (!entries(all, error))
        return false;
    auto writer = lang::adopt(new lang::ResourceFileWriter());
    for (const auto& e : all)
        if (!writer->addEntry(e.name, e.bytes.data(), static_cast<int>(e.bytes.size()), e.text)) {
            error = "cannot pack " + e.name;
            return false;
        }
    std::error_code ec;
    fs::create_directories(outDir, ec);
    const std::string bin = (fs::path(outDir) / "ripple.bin").string();
    if (!writer->writeTo(bin.c_str())) {
        error = "cannot write " + bin;
        return false;
    }
    const fs::path levels = fs::path(src.dataDir) / "levels";
    for (const auto& rel : src.levelFiles) {
        fs::path to = fs::path(outDir) / rel;
        fs::create_directories(to.parent_path(), ec);
        fs::copy_file(levels / rel, to, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            error = "cannot copy " + rel + ": " + ec.message();
            return false;
        }
    }
    return writeDesktopIcons(outDir, error);
}

bool Generator::writeDesktopIcons(const std::string& outDir, std::string& error) {
    // The desktop's icon theme wants the window icon's art at its own sizes,
    // drawn at each size rather than scaled from the small one.
    ArtContext art(src);
    for (int size : {48, 64, 128, 256}) {
        ImageSpec spec{"icon", size, size, 1, 1, "desktop icon"};
        std::vector<uint32_t> argb = paintImage(spec, art).toArgb();
        std::vector<uint8_t> png = lang::PngEncoder::encode(argb.data(), size, size, false);
        const fs::path folder = fs::path(outDir) / "icons" / std::to_string(size);
        std::error_code ec;
        fs::create_directories(folder, ec);
        std::ofstream out(folder / "ripple.png", std::ios::binary);
        out.write(reinterpret_cast<const char*>(png.data()),
                  static_cast<std::streamsize>(png.size()));
        if (png.empty() || !out) {
            error = "cannot write the " + std::to_string(size) + " px desktop icon";
            return false;
        }
    }
    return true;
}

bool Generator::writeSheets(const std::string& docsDir, std::string& error) {
    std::error_code ec;
    const fs::path root(docsDir);
    fs::create_directories(root / "images", ec);
    std::vector<Entry> all;
    if (!entries(all, error))
        return false;
    auto writeFile = [&](const fs::path& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            error = "cannot write " + path.string();
            return false;
        }
        return true;
    };
    // Every image as the game gets it.
    for (size_t i = 0; i < src.images.size(); ++i)
        if (!writeFile(root / "images" / (all[i].name + ".png"), all[i].bytes))
            return false;
    // Overview: every image scaled to fit a tile, on the pond's deep colour.
    const int tile = 160, perRow = 8;
    const int count = static_cast<int>(src.images.size());
    Raster sheet(tile * perRow, (count + perRow - 1) / perRow * (tile + 18));
    sheet.clear(art.colour("waterdeep", "#04202b"));
    for (int i = 0; i < count; ++i) {
        const ImageSpec& spec = src.images[static_cast<size_t>(i)];
        bool table = false;
        if (isFontKey(spec, table) && table)
            continue;
        Raster img = isFontKey(spec, table) ? Raster(spec.width, spec.height) : image(spec);
        if (isFontKey(spec, table)) {
            auto px = fontPixels(spec, false, src);
            for (int y = 0; y < spec.height; ++y)
                for (int x = 0; x < spec.width; ++x) {
                    uint32_t p = px[static_cast<size_t>(y) * spec.width + x];
                    float a = static_cast<float>(p >> 24) / 255.0f;
                    img.blend(x, y, {1, 1, 1, 1}, a);
                }
        }
        int factor = 1;
        while (img.width() / factor > tile - 8 || img.height() / factor > tile - 8)
            ++factor;
        Raster small = factor > 1 ? img.downsample(factor) : img;
        const int tx = i % perRow * tile, ty = i / perRow * (tile + 18);
        sheet.fill(
            [&](float x, float y) {
                return boxDistance(x, y, static_cast<float>(tx + tile / 2),
                                   static_cast<float>(ty + tile / 2), tile / 2.0f - 3,
                                   tile / 2.0f - 3, 6);
            },
            Rgba{0.1f, 0.28f, 0.34f, 1}, tx, ty, tx + tile, ty + tile);
        sheet.draw(small, tx + (tile - small.width()) / 2, ty + (tile - small.height()) / 2);
        TextStyle label;
        label.top = label.bottom = {0.85f, 0.95f, 1, 1};
        art.type.draw(sheet, Face::Plain, 11, spec.key, static_cast<float>(tx + tile / 2),
                      static_cast<float>(ty + tile + 12), 1, label);
    }
    auto px = sheet.toArgb(true);
    if (!writeFile(root / "contact-images.png",
                   lang::PngEncoder::encode(px.data(), sheet.width(), sheet.height(), true)))
        return false;
    return writeStill((root / "still-level.png").string(), error);
}

} // namespace assets
