// Feeds arbitrary bytes to the JPEG decoder.
#include "DecoderFuzz.h"
#include "gfx/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzDecoder(lang::JpegDecoder::decode, data, size);
}
