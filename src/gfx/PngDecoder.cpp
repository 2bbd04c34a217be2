#include "gfx/PngDecoder.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

static_assert(std::endian::native == std::endian::little,
              "pixels are written as blue, green, red, alpha bytes");

namespace lang {

namespace {

// Largest ancillary chunk the reader will hold (text, colour profiles); image data streams.
constexpr png_alloc_size_t maxChunkBytes = 8u * 1024 * 1024;

struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->size - source->position)
        png_error(png, "unexpected end of data");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// State shared with the decoding frame. It lives outside that frame because an
// error leaves libpng by a long jump, which must not skip destructors.
struct PngJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint32_t* pixels = nullptr;
    png_bytep* rows = nullptr;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
};

// Channels the image has after the strip-16 and expand transforms.
int expandedChannels(int colourType, bool hasTransparencyChunk) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
        return hasTransparencyChunk ? 2 : 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_PALETTE:
    case PNG_COLOR_TYPE_RGB:
        return hasTransparencyChunk ? 4 : 3;
    default:
        return 4;
    }
}

// Only trivially destructible objects may live in this frame.
bool runDecode(PngJob* job) {
    png_structp png = job->png;
    png_infop info = job->info;
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!isAcceptableImageSize(width, height))
        return false;
    const int colourType = png_get_color_type(png, info);
    const bool transparencyChunk = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const int channels = expandedChannels(colourType, transparencyChunk);

    png_set_strip_16(png);
    png_set_expand(png);
    png_set_bgr(png);
    // Widening grey to three samples and adding an opaque fourth byte gives the
    // same pixels as converting each channel layout by hand, without a second
    // buffer: rows are read straight into the raster.
    if (channels <= 2)
        png_set_gray_to_rgb(png);
    if (channels == 1 || channels == 3)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4)
        return false;

    job->pixels = new (std::nothrow) uint32_t[size_t(width) * height];
    job->rows = new (std::nothrow) png_bytep[height];
    if (!job->pixels || !job->rows)
        return false;
    for (png_uint_32 y = 0; y < height; ++y)
        job->rows[y] = reinterpret_cast<png_bytep>(job->pixels + size_t(y) * width);
    png_read_image(png, job->rows);

    job->width = int(width);
    job->height = int(height);
    job->hasAlpha = channels == 4;
    return true;
}

bool decodeWith(PngJob& job, DecodedImage& out) {
    const bool ok = runDecode(&job);
    png_destroy_read_struct(&job.png, &job.info, nullptr);
    delete[] job.rows;
    if (!ok) {
        delete[] job.pixels;
        return false;
    }
    out.width = job.width;
    out.height = job.height;
    out.hasAlpha = job.hasAlpha;
    out.pixels.reset(job.pixels);
    return true;
}

bool createReader(PngJob& job) {
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!job.png)
        return false;
    job.info = png_create_info_struct(job.png);
    if (!job.info) {
        png_destroy_read_struct(&job.png, nullptr, nullptr);
        return false;
    }
    png_set_user_limits(job.png, maxImageDimension, maxImageDimension);
    // A damaged length field in a text, profile or unknown chunk would otherwise make the library
    // allocate whatever it claims (up to 2 GiB) before finding the data missing.
    png_set_chunk_malloc_max(job.png, maxChunkBytes);
    return true;
}

// The library allocates a chunk's buffer from its length field before reading it, so a damaged
// length in a palette or text chunk asks for up to 2 GiB. Such a chunk cannot fit in the bytes we
// hold: refuse the file before decoding. Image data is streamed and left to the decoder.
bool chunkLengthsFit(const uint8_t* data, int length) {
    size_t at = 8;
    const size_t size = static_cast<size_t>(length);
    while (at + 8 <= size) {
        const uint32_t chunk = png_get_uint_32(data + at);
        const bool imageData = std::memcmp(data + at + 4, "IDAT", 4) == 0;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
        if (!imageData && chunk > size - at - 8)
            return false;
        at += 12 + static_cast<size_t>(chunk);
    }
    return true;
}

} // namespace

bool PngDecoder::decode(const uint8_t* data, int length, DecodedImage& out) {
    if (!data || length < 8 || png_sig_cmp(data, 0, 8) != 0 || !chunkLengthsFit(data, length))
        return false;
    PngJob job;
    if (!createReader(job))
        return false;
    MemorySource source{data, size_t(length), 0};
    png_set_read_fn(job.png, &source, readFromMemory);
    return decodeWith(job, out);
}

bool PngDecoder::decodeFile(const char* path, DecodedImage& out) {
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return false;
    PngJob job;
    bool ok = createReader(job);
    if (ok) {
        png_init_io(job.png, file);
        ok = decodeWith(job, out);
    }
    std::fclose(file);
    return ok;
}

} // namespace lang
