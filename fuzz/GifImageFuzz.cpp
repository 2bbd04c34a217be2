// Feeds arbitrary bytes to the GIF decoder.
#include "DecoderFuzz.h"
#include "gfx/GifDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Huge logical screens are legal but only cost time here: the unit tests
    // cover them, the fuzzer spends its runs on the parsing instead.
    if (size >= 10 && (data[6] | data[7] << 8) * (data[8] | data[9] << 8) > 1 << 22)
        return 0;
    return fuzzDecoder(lang::GifDecoder::decode, data, size);
}
