#pragma once

#include "support/TempFolder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace iotest {

using TempDir = testsupport::TempFolder;

// Little-endian byte building for hand-made (and deliberately damaged)
// containers.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& u8(uint8_t v);
    Bytes& u32(uint32_t v);
    Bytes& text(const std::string& s);
    Bytes& entry(const std::string& name, uint32_t offset, uint32_t size);
};

} // namespace iotest
