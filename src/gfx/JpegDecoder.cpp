#include "gfx/JpegDecoder.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <new>

namespace lang {

namespace {

// Enough for the coefficient buffers of the largest progressive image the
// size limits admit; beyond it libjpeg fails instead of allocating.
constexpr long maxDecoderMemory = long(maxImagePixelBytes) * 2;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
    longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings stay quiet, except that the file source's "premature end of file"
// counts as the failure it is: libjpeg would otherwise pad the picture with grey.
void onMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (level < 0 && errors->pub.msg_code == JWRN_JPEG_EOF)
        longjmp(errors->jump, 1);
}

void initSource(j_decompress_ptr) {}

// The whole image is in the buffer, so asking for more means the data ended
// before the end marker.
boolean fillInputBuffer(j_decompress_ptr info) {
    ERREXIT(info, JERR_INPUT_EOF);
    return FALSE;
}

void skipInputData(j_decompress_ptr info, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr* source = info->src;
    if (size_t(count) > source->bytes_in_buffer)
        fillInputBuffer(info);
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

// State shared with the decoding frame, kept outside it because errors leave
// libjpeg by a long jump, which must not skip destructors.
struct JpegJob {
    jpeg_decompress_struct info;
    ErrorManager errors;
    jpeg_source_mgr source;
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// Only trivially destructible objects may live in this frame.
bool runDecode(JpegJob* job, const uint8_t* data, size_t size, FILE* file) {
    jpeg_decompress_struct* info = &job->info;
    info->err = jpeg_std_error(&job->errors.pub);
    job->errors.pub.error_exit = onError;
    job->errors.pub.emit_message = onMessage;
    if (setjmp(job->errors.jump))
        return false;

    jpeg_create_decompress(info);
    info->mem->max_memory_to_use = maxDecoderMemory;
    if (file) {
        jpeg_stdio_src(info, file);
    } else {
        job->source.init_source = initSource;
        job->source.fill_input_buffer = fillInputBuffer;
        job->source.skip_input_data = skipInputData;
        job->source.resync_to_restart = jpeg_resync_to_restart;
        job->source.term_source = termSource;
        job->source.next_input_byte = data;
        job->source.bytes_in_buffer = size;
        info->src = &job->source;
    }

    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (!isAcceptableImageSize(info->image_width, info->image_height))
        return false;
    switch (info->jpeg_color_space) {
    case JCS_GRAYSCALE:
        info->out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_RGB:
    case JCS_YCbCr:
#ifdef JCS_EXTENSIONS
        // Blue, green, red and an opaque fourth byte: the pixel format itself,
        // so scanlines land in the raster without a conversion pass.
        info->out_color_space = JCS_EXT_BGRA;
#else
        info->out_color_space = JCS_RGB;
#endif
        break;
    default:
        return false;
    }

    jpeg_start_decompress(info);
    const JDIMENSION width = info->output_width;
    const JDIMENSION height = info->output_height;
    const int components = info->output_components;
    if (!isAcceptableImageSize(width, height) ||
        (components != 1 && components != 3 && components != 4))
        return false;

    job->pixels = new (std::nothrow) uint32_t[size_t(width) * height];
    if (!job->pixels)
        return false;
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                width * JDIMENSION(components), 1);
    while (info->output_scanline < height) {
        uint32_t* target = job->pixels + size_t(info->output_scanline) * width;
        if (components == 4) {
            JSAMPROW direct = reinterpret_cast<JSAMPROW>(target);
            if (jpeg_read_scanlines(info, &direct, 1) != 1)
                return false;
            continue;
        }
        if (jpeg_read_scanlines(info, row, 1) != 1)
            return false;
        const JSAMPLE* sample = row[0];
        if (components == 3) {
            for (JDIMENSION x = 0; x < width; ++x, sample += 3)
                target[x] =
                    0xFF000000u | uint32_t(sample[0]) << 16 | uint32_t(sample[1]) << 8 | sample[2];
        } else {
            for (JDIMENSION x = 0; x < width; ++x)
                target[x] = 0xFF000000u | uint32_t(sample[x]) * 0x010101u;
        }
    }
    jpeg_finish_decompress(info);
    job->width = int(width);
    job->height = int(height);
    return true;
}

bool decodeWith(const uint8_t* data, size_t size, FILE* file, DecodedImage& out) {
    auto* job = new (std::nothrow) JpegJob();
    if (!job)
        return false;
    const bool ok = runDecode(job, data, size, file);
    jpeg_destroy_decompress(&job->info);
    if (ok) {
        out.width = job->width;
        out.height = job->height;
        out.hasAlpha = false;
        out.pixels.reset(job->pixels);
    } else {
        delete[] job->pixels;
    }
    delete job;
    return ok;
}

} // namespace

bool JpegDecoder::decode(const uint8_t* data, int length, DecodedImage& out) {
    if (!data || length <= 0)
        return false;
    return decodeWith(data, size_t(length), nullptr, out);
}

bool JpegDecoder::decodeFile(const char* path, DecodedImage& out) {
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return false;
    const bool ok = decodeWith(nullptr, 0, file, out);
    std::fclose(file);
    return ok;
}

} // namespace lang
