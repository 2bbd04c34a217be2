#pragma once

#include "io/Reader.h"

namespace lang {

// Forwards every operation to its stream; destroying the reader closes the
// stream and drops the reader's reference to it.
class InputStreamReader : public Reader {
    LANG_CLASS(InputStreamReader, Reader);

    explicit InputStreamReader(InputStream* stream);
    ~InputStreamReader() override;
    InputStreamReader(const InputStreamReader&) = delete;
    InputStreamReader& operator=(const InputStreamReader&) = delete;

    void close() override;
    int read(char* buffer, int offset, int length) override;
    int read(ByteArray& a) override;
    int read() override;
    bool ready() override { return true; }
    void reset() override;
    int skip(int n) override;

private:
    Ref<InputStream> stream;
};

} // namespace lang
