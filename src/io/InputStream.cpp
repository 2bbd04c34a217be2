#include "io/InputStream.h"

#include "core/ByteArray.h"

namespace lang {

Ref<ByteArray> readAll(InputStream& in) {
    auto buffer = adopt(new ByteArray(8192));
    int used = 0;
    for (;;) {
        if (used == buffer->size()) {
            if (buffer->size() >= maxReadAllBytes)
                return nullptr;
            buffer->setSize(buffer->size() * 2);
        }
        int n = in.read(buffer->bytes(), used, buffer->size() - used);
        if (n < 1)
            break;
        used += n;
    }
    buffer->setSize(used);
    return buffer;
}

} // namespace lang
