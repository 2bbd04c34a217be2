#pragma once

#include "io/Reader.h"

namespace lang {

// Adds a 1,024-byte buffer in front of a reader; destroying it closes the
// reader and drops the reference to it.
class BufferedReader : public Reader {
    LANG_CLASS(BufferedReader, Reader);

    static constexpr int bufferSize = 1024;

    explicit BufferedReader(Reader* reader);
    ~BufferedReader() override;
    BufferedReader(const BufferedReader&) = delete;
    BufferedReader& operator=(const BufferedReader&) = delete;

    void close() override;
    int read(char* buffer, int offset, int length) override;
    int read(ByteArray& a) override;
    int read() override;
    bool ready() override;
    void reset() override;
    int skip(int n) override;

private:
    bool refill();

    Ref<Reader> reader;
    char buffer[bufferSize];
    int count = 0;
    int position = 0;
};

} // namespace lang
