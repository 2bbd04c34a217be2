// Feeds arbitrary bytes to the PNG decoder.
#include "DecoderFuzz.h"
#include "gfx/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzDecoder(lang::PngDecoder::decode, data, size);
}
