#include "io/ByteArrayInputStream.h"

#include "io/ResourceFile.h"
#include "io/ResourceItem.h"

#include <algorithm>
#include <cstring>

namespace lang {

ByteArrayInputStream::ByteArrayInputStream(const uint8_t* data, int size)
    : data(data), size(data ? std::max(size, 0) : 0) {}

ByteArrayInputStream::ByteArrayInputStream(const String& key) {
    const char* name = key.getChars();
    if (*name == '+')
        ++name;
    Ref<ResourceItem> found = findResource(name);
    if (!found)
        return;
    item = found.leak();
    data = item->getData();
    size = data ? std::max(item->getSize(), 0) : 0;
}

ByteArrayInputStream::~ByteArrayInputStream() {
    releaseRef(item);
}

int ByteArrayInputStream::read(uint8_t* buffer, int offset, int length) {
    if (!buffer || offset < 0 || length <= 0)
        return 0;
    int n = std::min(length, size - position);
    if (n <= 0)
        return 0;
    std::memcpy(buffer + offset, data + position, static_cast<size_t>(n));
    position += n;
    return n;
}

int ByteArrayInputStream::read() {
    return position < size ? data[position++] : -1;
}

int ByteArrayInputStream::skip(int n) {
    int moved = std::clamp(n, 0, size - position);
    position += moved;
    return moved;
}

} // namespace lang
