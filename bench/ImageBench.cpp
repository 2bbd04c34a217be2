// Decoding an 800 x 600 picture through Image beside a direct libpng/libjpeg
// decode of the same bytes: the difference is our overhead (format detection,
// pixel conversion, Image bookkeeping). GIF has no library reference here; it
// is set beside libpng decoding the same picture as a palette PNG.
#include "gfx/Image.h"
#include "support/ImageEncoders.h"

#include <benchmark/benchmark.h>
#include <png.h>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <cmath>
#include <cstring>

using testimages::Bytes;

namespace {

constexpr int width = 800;
constexpr int height = 600;

// A picture with smooth gradients, hard-edged discs and a little grain, so
// each codec meets something like game art.
uint32_t pictureAt(int x, int y) {
    int r = x * 255 / width, g = y * 255 / height, b = (x + y) * 255 / (width + height);
    for (int disc = 0; disc < 12; ++disc) {
        const int cx = 60 + disc * 61, cy = 100 + (disc * 137) % 400, radius = 30 + disc * 3;
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius) {
            r = (disc * 53) & 255;
            g = (disc * 97) & 255;
            b = (disc * 31) & 255;
        }
    }
    const int grain = int((uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u) % 7u) - 3;
    auto clamp = [](int v) { return uint32_t(std::max(0, std::min(255, v))); };
    return 0xFF000000u | clamp(r + grain) << 16 | clamp(g + grain) << 8 | clamp(b + grain);
}

struct Inputs {
    Bytes png, jpeg, gif, palettePng;
    Inputs() {
        std::vector<uint32_t> argb;
        Bytes rgb;
        testimages::GifSpec gifSpec;
        gifSpec.screenWidth = gifSpec.width = width;
        gifSpec.screenHeight = gifSpec.height = height;
        for (int i = 0; i < 256; ++i)
            gifSpec.globalTable.push_back(uint32_t((i >> 5) * 36) << 16 |
                                          uint32_t(((i >> 2) & 7) * 36) << 8 |
                                          uint32_t((i & 3) * 85));
        testimages::PngSpec paletteSpec;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t p = pictureAt(x, y);
                argb.push_back(p);
                rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
                gifSpec.indices.push_back(uint8_t((((p >> 16) & 0xFF) >> 5) << 5 |
                                                  (((p >> 8) & 0xFF) >> 5) << 2 | (p & 0xFF) >> 6));
            }
        png = testimages::writePngArgb(width, height, argb);
        jpeg = testimages::writeJpeg(width, height, 3, rgb, 90);
        gif = testimages::writeGif(gifSpec);
        paletteSpec.width = width;
        paletteSpec.height = height;
        paletteSpec.colourType = PNG_COLOR_TYPE_PALETTE;
        paletteSpec.palette = gifSpec.globalTable;
        paletteSpec.rows = gifSpec.indices;
        palettePng = testimages::writePng(paletteSpec);
    }
};

const Inputs& inputs() {
    static const Inputs instance;
    return instance;
}

void decodeImage(benchmark::State& state, const Bytes& bytes) {
    for (auto _ : state) {
        lang::Image image(bytes.data(), int(bytes.size()));
        if (!image.hasPixels())
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image.getPixels());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

struct PngInput {
    const Bytes* bytes;
    size_t position;
};

void readPng(png_structp png, png_bytep out, png_size_t count) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    std::memcpy(out, in->bytes->data() + in->position, count);
    in->position += count;
}

// libpng on its own, with the same transforms, into one buffer.
void decodeWithLibpng(benchmark::State& state, const Bytes& bytes) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y)
        rows[size_t(y)] = pixels.data() + size_t(y) * width * 4;
    for (auto _ : state) {
        PngInput input{&bytes, 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &input, readPng);
        png_read_info(png, info);
        png_set_strip_16(png);
        png_set_expand(png);
        png_set_bgr(png);
        if (!(png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) &&
            !png_get_valid(png, info, PNG_INFO_tRNS))
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

void decodeWithLibjpeg(benchmark::State& state, const Bytes& bytes) {
    std::vector<uint8_t> pixels(size_t(width) * height * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + size_t(info.output_scanline) * width * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}

void BM_ImagePng(benchmark::State& state) {
    decodeImage(state, inputs().png);
}
void BM_LibpngPng(benchmark::State& state) {
    decodeWithLibpng(state, inputs().png);
}
void BM_ImageJpeg(benchmark::State& state) {
    decodeImage(state, inputs().jpeg);
}
void BM_LibjpegJpeg(benchmark::State& state) {
    decodeWithLibjpeg(state, inputs().jpeg);
}
void BM_ImageGif(benchmark::State& state) {
    decodeImage(state, inputs().gif);
}
void BM_LibpngPalettePng(benchmark::State& state) {
    decodeWithLibpng(state, inputs().palettePng);
}

} // namespace

BENCHMARK(BM_ImagePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageGif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngPalettePng)->Unit(benchmark::kMillisecond);
