#pragma once

#include "core/String.h"
#include "io/InputStream.h"

namespace lang {

// A stream over bytes in memory: either memory the caller keeps alive, or the
// bytes of a resource entry, which the stream keeps until it is destroyed.
class ByteArrayInputStream : public InputStream {
    LANG_CLASS(ByteArrayInputStream, InputStream);

    // A negative size counts as 0.
    ByteArrayInputStream(const uint8_t* data, int size);
    // The entry named by key in the registered resource files, after one
    // leading '+' is stripped ("+logo" and "logo" find the same entry). Empty
    // when there is no such entry.
    explicit ByteArrayInputStream(const String& key);
    explicit ByteArrayInputStream(const char* key) : ByteArrayInputStream(String(key)) {}
    ~ByteArrayInputStream() override;
    ByteArrayInputStream(const ByteArrayInputStream&) = delete;
    ByteArrayInputStream& operator=(const ByteArrayInputStream&) = delete;

    int read(uint8_t* buffer, int offset, int length) override;
    int read() override;
    void close() override {}
    void reset() override { position = 0; }
    int skip(int n) override;

    const uint8_t* getData() const { return data; }
    int getSize() const { return size; }
    int getPosition() const { return position; }
    // The resource entry behind the stream, or null (borrowed).
    ResourceItem* getItem() const { return item; }

private:
    const uint8_t* data = nullptr;
    int size = 0;
    int position = 0;
    ResourceItem* item = nullptr;
};

} // namespace lang
