#pragma once

#include "core/Object.h"
#include "io/Forward.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lang {

// Builds a container file that ResourceFileHeader reads. Layout, all integers
// 32-bit little-endian: the tag "RPAK", a block length of 0 (no block), the
// entry count, the directory (1-byte name length, name, offset, size) and then
// the entries' bytes in the order they were added. A text entry is stored with
// a terminating zero byte, counted in its size.
class ResourceFileWriter : public Object {
public:
    static constexpr uint8_t tag[4] = {'R', 'P', 'A', 'K'};
    static constexpr int maxNameLength = 255;

    // Adds an entry; false (and nothing added) for a name longer than 255
    // bytes, or when the container would pass 2 GiB, beyond which its offsets
    // cannot be read back.
    bool addEntry(const std::string& name, const uint8_t* data, int size, bool text = false);
    int getEntryCount() const { return static_cast<int>(entries.size()); }

    // The whole container.
    std::vector<uint8_t> toBytes() const;
    // Writes the container to a temporary file beside path and renames it into
    // place, so a failed write never leaves a half-written container. False on
    // any error.
    bool writeTo(const char* path) const;

private:
    struct Entry {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    int64_t totalSize() const;

    std::vector<Entry> entries;
};

} // namespace lang
