// Feeds arbitrary bytes to the tokenizer in the configurations the game uses.
// The first byte picks the options; the rest is the stream.

#include "core/Exception.h"
#include "io/ByteArrayInputStream.h"
#include "io/StreamTokenizer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t options = data[0];
    auto stream = lang::adopt(new lang::ByteArrayInputStream(data + 1, static_cast<int>(size - 1)));
    auto tok = lang::adopt(new lang::StreamTokenizer(stream.get()));
    if (options & 1) {
        tok->commentChar(';');
        tok->quoteChar('"');
        tok->wordChars('<', '<');
        tok->wordChars('>', '>');
    }
    if (options & 2)
        tok->parseNumbers();
    if (options & 4)
        tok->eolIsSignificant(true);
    if (options & 8)
        tok->encoding = lang::StreamTokenizer::encodingUtf8;
    if (options & 16)
        tok->ordinaryChar(',');
    if (options & 32)
        tok->commentChar('\n');
    // Every token consumes input or ends the stream, so this loop is bounded by
    // the data; the cap is only a guard against a regression turning it into a
    // hang.
    const size_t limit = 4 * size + 16;
    size_t count = 0;
    auto error = lang::tryCatch([&] {
        while (tok->nextToken() != lang::StreamTokenizer::TT_EOF && ++count < limit) {
            if (count % 7 == 0)
                tok->pushBack();
            tok->toString();
        }
    });
    if (count >= limit)
        __builtin_trap();
    (void)error;
    return 0;
}
