#include "ImageEncoders.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unordered_map>

#include <png.h>
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace testimages {

namespace {

void put16(Bytes& out, int value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

int tableBits(size_t entries) {
    int bits = 1;
    while ((size_t(1) << bits) < entries)
        ++bits;
    return bits;
}

void putTable(Bytes& out, const std::vector<uint32_t>& table) {
    const size_t padded = size_t(1) << tableBits(table.size());
    for (size_t i = 0; i < padded; ++i) {
        const uint32_t c = i < table.size() ? table[i] : 0;
        out.push_back(uint8_t(c >> 16));
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
    }
}

void putSubBlocks(Bytes& out, const Bytes& data) {
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    out.push_back(0);
}

// Emits codes least significant bit first, at the width the decoder will
// expect: the writer mirrors the decoder's table size, which trails the
// encoder's by one entry.
class CodeWriter {
public:
    CodeWriter(Bytes& out, int minCodeSize) : out(out), minCodeSize(minCodeSize) { reset(); }
    void reset() {
        width = minCodeSize + 1;
        decoderNext = (1 << minCodeSize) + 2;
        first = true;
    }
    void put(int code) {
        bits |= uint32_t(code) << count;
        count += width;
        while (count >= 8) {
            out.push_back(uint8_t(bits));
            bits >>= 8;
            count -= 8;
        }
    }
    void putData(int code) {
        put(code);
        if (!first && decoderNext < 4096) {
            ++decoderNext;
            if (decoderNext == (1 << width) && width < 12)
                ++width;
        }
        first = false;
    }
    void flush() {
        if (count > 0)
            out.push_back(uint8_t(bits));
        bits = 0;
        count = 0;
    }

private:
    Bytes& out;
    int minCodeSize;
    int width = 0;
    int decoderNext = 0;
    bool first = true;
    uint32_t bits = 0;
    int count = 0;
};

} // namespace

Bytes lzwEncode(const std::vector<uint8_t>& indices, int minCodeSize, bool clearWhenFull) {
    Bytes out;
    const int clearCode = 1 << minCodeSize;
    CodeWriter writer(out, minCodeSize);
    std::unordered_map<uint32_t, int> table;
    int next = clearCode + 2;
    writer.put(clearCode);
    int current = -1;
    for (uint8_t index : indices) {
        if (current < 0) {
            current = index;
            continue;
        }
        const uint32_t key = uint32_t(current) << 8 | index;
        auto found = table.find(key);
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        writer.putData(current);
        if (next < 4096) {
            table[key] = next++;
        }
        if (next == 4096 && clearWhenFull) {
            writer.put(clearCode);
            writer.reset();
            table.clear();
            next = clearCode + 2;
        }
        current = index;
    }
    if (current >= 0)
        writer.putData(current);
    writer.put(clearCode + 1);
    writer.flush();
    return out;
}

Bytes writeGif(const GifSpec& spec) {
    const char* magic = spec.gif87 ? "GIF87a" : "GIF89a";
    Bytes out(magic, magic + 6);
    put16(out, spec.screenWidth);
    put16(out, spec.screenHeight);
    uint8_t packed = 0;
    if (!spec.globalTable.empty())
        packed = uint8_t(0x80 | (tableBits(spec.globalTable.size()) - 1));
    out.push_back(packed);
    out.push_back(0);
    out.push_back(0);
    if (!spec.globalTable.empty())
        putTable(out, spec.globalTable);
    if (spec.extraExtensions) {
        const char app[] = "NETSCAPE2.0";
        out.push_back(0x21);
        out.push_back(0xFF);
        out.push_back(11);
        out.insert(out.end(), app, app + 11);
        out.insert(out.end(), {3, 1, 0, 0, 0});
        out.push_back(0x21);
        out.push_back(0xFE);
        putSubBlocks(out, Bytes{'h', 'e', 'l', 'l', 'o'});
    }
    if (spec.transparentIndex >= 0) {
        out.insert(out.end(), {0x21, 0xF9, 4, 1, 0, 0, uint8_t(spec.transparentIndex), 0});
    }
    out.push_back(0x2C);
    put16(out, spec.left);
    put16(out, spec.top);
    put16(out, spec.width);
    put16(out, spec.height);
    packed = 0;
    if (!spec.localTable.empty())
        packed = uint8_t(0x80 | (tableBits(spec.localTable.size()) - 1));
    if (spec.interlaced)
        packed |= 0x40;
    out.push_back(packed);
    if (!spec.localTable.empty())
        putTable(out, spec.localTable);

    std::vector<uint8_t> ordered;
    if (spec.interlaced) {
        static const int starts[] = {0, 4, 2, 1};
        static const int steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = starts[pass]; y < spec.height; y += steps[pass])
                ordered.insert(ordered.end(), spec.indices.begin() + long(y) * spec.width,
                               spec.indices.begin() + long(y + 1) * spec.width);
    } else {
        ordered = spec.indices;
    }
    out.push_back(uint8_t(spec.minCodeSize));
    putSubBlocks(out, lzwEncode(ordered, spec.minCodeSize, spec.clearWhenFull));
    out.push_back(0x3B);
    return out;
}

namespace {

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

} // namespace

Bytes writePng(const PngSpec& spec) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png encoding failed");
    }
    png_set_write_fn(png, &out, appendToBytes, noFlush);
    png_set_IHDR(png, info, png_uint_32(spec.width), png_uint_32(spec.height), spec.bitDepth,
                 spec.colourType, spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (uint32_t c : spec.palette)
        palette.push_back(png_color{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_color_16 trans{};
    if (!spec.paletteAlpha.empty()) {
        png_set_tRNS(png, info, spec.paletteAlpha.data(), int(spec.paletteAlpha.size()), nullptr);
    } else if (spec.transparentGrey >= 0) {
        trans.gray = png_uint_16(spec.transparentGrey);
        png_set_tRNS(png, info, nullptr, 0, &trans);
    } else if (spec.transparentRgb >= 0) {
        trans.red = png_uint_16((spec.transparentRgb >> 16) & 0xFF);
        trans.green = png_uint_16((spec.transparentRgb >> 8) & 0xFF);
        trans.blue = png_uint_16(spec.transparentRgb & 0xFF);
        png_set_tRNS(png, info, nullptr, 0, &trans);
    }
    png_write_info(png, info);
    const size_t rowBytes = spec.rows.size() / size_t(spec.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < spec.height; ++y)
        rows.push_back(const_cast<png_bytep>(spec.rows.data()) + size_t(y) * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes writePngArgb(int width, int height, const std::vector<uint32_t>& argb) {
    PngSpec spec;
    spec.width = width;
    spec.height = height;
    spec.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (uint32_t p : argb) {
        spec.rows.push_back(uint8_t(p >> 16));
        spec.rows.push_back(uint8_t(p >> 8));
        spec.rows.push_back(uint8_t(p));
        spec.rows.push_back(uint8_t(p >> 24));
    }
    return writePng(spec);
}

Bytes writeJpeg(int width, int height, int components, const Bytes& samples, int quality,
                bool progressive) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data()) +
                       size_t(info.next_scanline) * size_t(width) * size_t(components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

Bytes readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace testimages
