#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encoders that let image tests, benchmarks and fuzz seeds build their own
// input: a small GIF writer with its own LZW encoder, and thin wrappers over
// libpng and libjpeg's writers.
namespace testimages {

using Bytes = std::vector<uint8_t>;

struct GifSpec {
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // Colour indices of the image, rows top to bottom (the writer reorders
    // rows itself when `interlaced` is set).
    std::vector<uint8_t> indices;
    // RGB triples as 0xRRGGBB; an empty table is left out of the stream.
    std::vector<uint32_t> globalTable;
    std::vector<uint32_t> localTable;
    int transparentIndex = -1;
    bool interlaced = false;
    int minCodeSize = 8;
    // When the code table fills, emit a clear code (the usual encoder) or keep
    // going with 12-bit codes and no new entries.
    bool clearWhenFull = true;
    // Extension blocks (application, comment) to put before the image.
    bool extraExtensions = false;
    bool gif87 = false;
};

Bytes writeGif(const GifSpec& spec);
// LZW-compresses indices as a GIF image's data (without sub-block framing).
Bytes lzwEncode(const std::vector<uint8_t>& indices, int minCodeSize, bool clearWhenFull);

struct PngSpec {
    int width = 0;
    int height = 0;
    int colourType = 0; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    // Packed rows in the PNG's own sample layout (big-endian for 16 bits).
    Bytes rows;
    std::vector<uint32_t> palette; // 0xRRGGBB
    Bytes paletteAlpha;            // tRNS for palette images
    int transparentGrey = -1;      // tRNS for grey images
    int transparentRgb = -1;       // tRNS for RGB images, 0xRRGGBB (8-bit samples)
    bool interlaced = false;
};

Bytes writePng(const PngSpec& spec);
// An 8-bit RGBA PNG of ARGB pixels (alpha taken as it is).
Bytes writePngArgb(int width, int height, const std::vector<uint32_t>& argb);

// Baseline JPEG of 1 (grey) or 3 (RGB) components per pixel.
Bytes writeJpeg(int width, int height, int components, const Bytes& samples, int quality = 95,
                bool progressive = false);

// Writes bytes to a file; returns false on failure.
bool writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);

} // namespace testimages
