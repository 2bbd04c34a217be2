#include "gfx/GifDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace lang {

namespace {

constexpr int maxCodeBits = 12;
constexpr int maxCodes = 1 << maxCodeBits;

// Bounds-checked cursor over the input; every read reports whether the bytes
// were there.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool byte(uint8_t& value) {
        if (pos >= size)
            return false;
        value = data[pos++];
        return true;
    }
    bool u16(int& value) {
        if (size - pos < 2)
            return false;
        value = data[pos] | (data[pos + 1] << 8);
        pos += 2;
        return true;
    }
    bool bytes(uint8_t* out, size_t n) {
        if (size - pos < n)
            return false;
        std::memcpy(out, data + pos, n);
        pos += n;
        return true;
    }
    bool skip(size_t n) {
        if (size - pos < n)
            return false;
        pos += n;
        return true;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

struct ColourTable {
    uint8_t rgb[256 * 3];
    int count = 0;
};

bool readColourTable(ByteReader& in, uint8_t packed, ColourTable& table) {
    table.count = 2 << (packed & 7);
    return in.bytes(table.rgb, size_t(table.count) * 3);
}

// Concatenates the data sub-blocks up to their zero-length terminator. A chain
// that runs off the end of the input is a truncated file.
bool readSubBlocks(ByteReader& in, std::vector<uint8_t>* out) {
    for (;;) {
        uint8_t length;
        if (!in.byte(length))
            return false;
        if (length == 0)
            return true;
        if (out) {
            size_t at = out->size();
            out->resize(at + length);
            if (!in.bytes(out->data() + at, length))
                return false;
        } else if (!in.skip(length)) {
            return false;
        }
    }
}

// Decodes LZW codes (least significant bit first) into indices. Returns the
// number of indices produced; decoding stops at the end code, at a code beyond
// the next free one, at the end of the data or when `out` is full.
size_t decodeLzw(const std::vector<uint8_t>& codes, int minCodeSize, uint8_t* out,
                 size_t capacity) {
    uint16_t prefix[maxCodes];
    uint8_t suffix[maxCodes];
    uint8_t firstOf[maxCodes];
    uint8_t stack[maxCodes + 1];

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    for (int i = 0; i < clearCode; ++i) {
        prefix[i] = 0;
        suffix[i] = uint8_t(i);
        firstOf[i] = uint8_t(i);
    }
    int width = minCodeSize + 1;
    int next = clearCode + 2;
    int previous = -1;

    size_t written = 0;
    size_t bytePos = 0;
    uint32_t bits = 0;
    int bitCount = 0;

    while (written < capacity) {
        while (bitCount < width && bytePos < codes.size()) {
            bits |= uint32_t(codes[bytePos++]) << bitCount;
            bitCount += 8;
        }
        if (bitCount < width)
            break;
        int code = int(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;

        if (code == clearCode) {
            width = minCodeSize + 1;
            next = clearCode + 2;
            previous = -1;
            continue;
        }
        if (code == endCode)
            break;
        if (previous < 0) {
            if (code >= clearCode)
                break;
            out[written++] = uint8_t(code);
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= maxCodes))
            break;

        // Unwind the string of `code` (or of `previous` plus its own first
        // index for the one code not yet in the table) onto the stack.
        int depth = 0;
        int walk = code;
        if (code == next) {
            stack[depth++] = firstOf[previous];
            walk = previous;
        }
        while (walk >= clearCode) {
            stack[depth++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[depth++] = uint8_t(walk);
        uint8_t first = uint8_t(walk);
        while (depth > 0 && written < capacity)
            out[written++] = stack[--depth];

        if (next < maxCodes) {
            prefix[next] = uint16_t(previous);
            suffix[next] = first;
            firstOf[next] = firstOf[previous];
            ++next;
            if (next == (1 << width) && width < maxCodeBits)
                ++width;
        }
        previous = code;
    }
    return written;
}

// Row of the image that the n-th decoded row belongs to.
std::vector<int> rowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    static const int starts[] = {0, 4, 2, 1};
    static const int steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            order.push_back(y);
    return order;
}

} // namespace

bool GifDecoder::decode(const uint8_t* data, int length, DecodedImage& out) {
    if (!data || length < 6)
        return false;
    if (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0)
        return false;
    ByteReader in(data, size_t(length));
    in.skip(6);

    int screenWidth, screenHeight;
    uint8_t screenPacked, background, aspect;
    if (!in.u16(screenWidth) || !in.u16(screenHeight) || !in.byte(screenPacked) ||
        !in.byte(background) || !in.byte(aspect))
        return false;
    ColourTable global;
    if ((screenPacked & 0x80) && !readColourTable(in, screenPacked, global))
        return false;

    int transparent = -1;
    for (;;) {
        uint8_t introducer;
        if (!in.byte(introducer))
            return false;
        if (introducer == 0x00)
            continue;
        if (introducer == 0x21) {
            uint8_t label;
            if (!in.byte(label))
                return false;
            if (label != 0xF9) {
                if (!readSubBlocks(in, nullptr))
                    return false;
                continue;
            }
            std::vector<uint8_t> control;
            if (!readSubBlocks(in, &control))
                return false;
            if (control.size() >= 4 && (control[0] & 1))
                transparent = control[3];
            continue;
        }
        if (introducer != 0x2C)
            return false;
        break;
    }

    int left, top, frameWidth, frameHeight;
    uint8_t framePacked;
    if (!in.u16(left) || !in.u16(top) || !in.u16(frameWidth) || !in.u16(frameHeight) ||
        !in.byte(framePacked))
        return false;
    ColourTable local;
    if ((framePacked & 0x80) && !readColourTable(in, framePacked, local))
        return false;
    const ColourTable* table = local.count ? &local : global.count ? &global : nullptr;
    if (!table)
        return false;

    uint8_t minCodeSize;
    if (!in.byte(minCodeSize) || minCodeSize < 1 || minCodeSize > 8)
        return false;
    std::vector<uint8_t> codes;
    if (!readSubBlocks(in, &codes))
        return false;

    if (!isAcceptableImageSize(screenWidth, screenHeight))
        return false;
    const size_t framePixels = size_t(frameWidth) * size_t(frameHeight);
    if (framePixels && !isAcceptableImageSize(frameWidth, frameHeight))
        return false;

    std::unique_ptr<uint8_t[]> indices(new (std::nothrow) uint8_t[framePixels ? framePixels : 1]);
    if (!indices)
        return false;
    const size_t decoded = decodeLzw(codes, minCodeSize, indices.get(), framePixels);

    uint32_t palette[256];
    for (uint32_t& colour : palette)
        colour = 0xFF000000u;
    for (int i = 0; i < table->count; ++i) {
        const uint8_t* c = table->rgb + i * 3;
        palette[i] = 0xFF000000u | uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2];
    }
    if (transparent >= 0)
        palette[transparent] = 0;

    const size_t screenPixels = size_t(screenWidth) * size_t(screenHeight);
    std::unique_ptr<uint32_t[]> pixels(new (std::nothrow) uint32_t[screenPixels]());
    if (!pixels)
        return false;

    // Only what was actually decoded is placed; a short LZW stream leaves the
    // rest of the frame transparent like the uncovered screen.
    size_t covered = 0;
    const std::vector<int> order = rowOrder(frameHeight, framePacked & 0x40);
    for (int n = 0; n < frameHeight; ++n) {
        const size_t rowStart = size_t(n) * size_t(frameWidth);
        if (rowStart >= decoded)
            break;
        const int y = top + order[size_t(n)];
        if (y >= screenHeight)
            continue;
        const size_t rowDecoded = std::min(size_t(frameWidth), decoded - rowStart);
        const int columns = int(std::min(rowDecoded, size_t(std::max(screenWidth - left, 0))));
        if (columns <= 0)
            continue;
        uint32_t* target = pixels.get() + size_t(y) * size_t(screenWidth) + left;
        const uint8_t* source = indices.get() + rowStart;
        for (int x = 0; x < columns; ++x)
            target[x] = palette[source[x]];
        covered += size_t(columns);
    }

    out.width = screenWidth;
    out.height = screenHeight;
    out.hasAlpha = transparent >= 0 || covered < screenPixels;
    out.pixels = std::move(pixels);
    return true;
}

} // namespace lang
