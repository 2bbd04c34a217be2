// Feeds arbitrary bytes to the GIF decoder.
#include "DecoderFuzz.h"
#include "gfx/GifDecoder.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Huge logical screens are legal but only cost time here: the unit tests
    // cover them, the fuzzer spends its runs on the parsing instead.
    // Both sides are up to 65535: their product needs more than an int.
    if (size >= 10 && uint64_t(data[6] | data[7] << 8) * uint64_t(data[8] | data[9] << 8) > 1 << 22)
        return 0;
    return fuzzDecoder(lang::GifDecoder::decode, data, size);
}
