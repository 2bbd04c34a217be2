#include "support/IoTestSupport.h"

namespace iotest {

Bytes& Bytes::u8(uint8_t v) {
    data.push_back(v);
    return *this;
}

Bytes& Bytes::u32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
}

Bytes& Bytes::text(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
}

Bytes& Bytes::entry(const std::string& name, uint32_t offset, uint32_t size) {
    u8(static_cast<uint8_t>(name.size()));
    text(name);
    u32(offset);
    return u32(size);
}

} // namespace iotest
