#pragma once

#include "core/Object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lang {
class Hashtable;
class InputStream;
} // namespace lang

namespace engine {

// A pack of images in one file. All integers are 32-bit big-endian:
//   count (> 0), totalSize (>= 4 * count, <= maxTotalSize), then count entries
//   of length, nameLength n (1 byte), n name bytes (the key, then one
//   terminator byte) and `length` image-file bytes, each XORed with xorKey.
class ImagePack {
public:
    static constexpr uint8_t xorKey = 0xA5;
    static constexpr uint32_t maxTotalSize = 10000000;
    // A key is stored with its terminator in a one-byte length.
    static constexpr size_t maxKeyLength = 254;

    struct Entry {
        std::string key;
        std::vector<uint8_t> bytes; // the image file, as it is on disk
    };

    // Reads a pack and stores every complete entry, decoded as an Image, in
    // `table` under its key (replacing an image of that key). A header that
    // fails its checks stores nothing; an entry cut short by the end of the
    // stream, or longer than what the header says remains, ends the pack.
    // Never throws: stream errors end the pack. Returns the number stored.
    static int read(lang::InputStream& in, lang::Hashtable& table);

    // The pack holding `entries` in order; false (and `out` untouched) when a
    // key is empty or too long, or the pack would pass maxTotalSize.
    static bool write(const std::vector<Entry>& entries, std::vector<uint8_t>& out);

    ImagePack() = delete;
};

} // namespace engine
