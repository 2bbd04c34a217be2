// Feeds arbitrary bytes to the GIF decoder: it must fail cleanly or produce a
// raster of the size it reports, never read or write out of bounds or leak.
#include "gfx/GifDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24))
        return 0;
    // Huge logical screens are legal but only cost time here: the unit tests
    // cover them, the fuzzer spends its runs on the parsing instead.
    if (size >= 10 && (data[6] | data[7] << 8) * (data[8] | data[9] << 8) > 1 << 22)
        return 0;
    lang::DecodedImage image;
    if (lang::GifDecoder::decode(data, int(size), image)) {
        const size_t pixels = size_t(image.width) * size_t(image.height);
        if (pixels == 0 || !image.pixels)
            __builtin_trap();
        // Touch the first and last pixel so a short allocation shows.
        volatile uint32_t sink = image.pixels[0] ^ image.pixels[pixels - 1];
        (void)sink;
    }
    return 0;
}
