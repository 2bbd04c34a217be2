#include "io/InputStreamReader.h"

#include "core/ByteArray.h"
#include "io/InputStream.h"

namespace lang {

InputStreamReader::InputStreamReader(InputStream* stream) : stream(stream) {}

InputStreamReader::~InputStreamReader() {
    if (stream)
        stream->close();
}

void InputStreamReader::close() {
    if (stream)
        stream->close();
}

int InputStreamReader::read(char* buffer, int offset, int length) {
    return stream ? stream->read(reinterpret_cast<uint8_t*>(buffer), offset, length) : 0;
}

int InputStreamReader::read(ByteArray& a) {
    return stream ? stream->read(a.bytes(), 0, a.size()) : 0;
}

int InputStreamReader::read() {
    return stream ? stream->read() : -1;
}

void InputStreamReader::reset() {
    if (stream)
        stream->reset();
}

int InputStreamReader::skip(int n) {
    return stream ? stream->skip(n) : 0;
}

} // namespace lang
