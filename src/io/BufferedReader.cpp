#include "io/BufferedReader.h"

#include "core/ByteArray.h"

namespace lang {

BufferedReader::BufferedReader(Reader* reader) : reader(reader) {}

BufferedReader::~BufferedReader() {
    if (reader)
        reader->close();
}

void BufferedReader::close() {
    if (reader)
        reader->close();
}

bool BufferedReader::refill() {
    position = 0;
    count = reader ? reader->read(buffer, 0, bufferSize) : 0;
    if (count <= 0) {
        count = 0;
        return false;
    }
    return true;
}

int BufferedReader::read() {
    if (position >= count && !refill())
        return -1;
    return static_cast<unsigned char>(buffer[position++]);
}

int BufferedReader::read(char* out, int offset, int length) {
    if (!out || offset < 0)
        return 0;
    int copied = 0;
    while (copied < length) {
        if (position >= count && !refill())
            break;
        out[offset + copied++] = buffer[position++];
    }
    return copied;
}

int BufferedReader::read(ByteArray& a) {
    return read(reinterpret_cast<char*>(a.bytes()), 0, a.size());
}

bool BufferedReader::ready() {
    return reader && reader->ready();
}

void BufferedReader::reset() {
    count = position = 0;
    if (reader)
        reader->reset();
}

int BufferedReader::skip(int n) {
    if (n <= 0)
        return 0;
    int remaining = count - position;
    if (remaining < n) {
        count = position = 0;
        return remaining + (reader ? reader->skip(n - remaining) : 0);
    }
    position += n;
    return n;
}

} // namespace lang
