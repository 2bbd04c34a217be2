#include "gfx/PngEncoder.h"

#include "gfx/DecodedImage.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>

namespace lang {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

struct EncodeJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t* row = nullptr;
    std::vector<uint8_t>* out = nullptr;
};

// Only trivially destructible objects may live in this frame: libpng leaves
// by a long jump on errors.
bool runEncode(EncodeJob* job, const uint32_t* pixels, int width, int height, bool opaque) {
    png_structp png = job->png;
    png_infop info = job->info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, job->out, appendBytes, noFlush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* source = pixels + size_t(y) * size_t(width);
        uint8_t* target = job->row;
        for (int x = 0; x < width; ++x, target += 4) {
            const uint32_t p = source[x];
            target[0] = uint8_t(p >> 16);
            target[1] = uint8_t(p >> 8);
            target[2] = uint8_t(p);
            target[3] = opaque ? 0xFF : uint8_t(p >> 24);
        }
        png_write_row(png, job->row);
    }
    png_write_end(png, info);
    return true;
}

} // namespace

std::vector<uint8_t> PngEncoder::encode(const uint32_t* pixels, int width, int height,
                                        bool opaque) {
    std::vector<uint8_t> out;
    if (!pixels || !isAcceptableImageSize(width, height))
        return out;
    EncodeJob job;
    job.out = &out;
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!job.png)
        return out;
    job.info = png_create_info_struct(job.png);
    job.row = new uint8_t[size_t(width) * 4];
    const bool ok = job.info && runEncode(&job, pixels, width, height, opaque);
    png_destroy_write_struct(&job.png, &job.info);
    delete[] job.row;
    if (!ok)
        out.clear();
    return out;
}

bool PngEncoder::writeFile(const char* path, const uint32_t* pixels, int width, int height,
                           bool opaque) {
    const std::vector<uint8_t> bytes = encode(pixels, width, height, opaque);
    if (bytes.empty() || !path)
        return false;
    const std::string temporary = std::string(path) + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (ok)
        ok = std::rename(temporary.c_str(), path) == 0;
    if (!ok)
        std::remove(temporary.c_str());
    return ok;
}

} // namespace lang
