#include "engine/ImagePack.h"

#include "core/Exception.h"
#include "core/Hashtable.h"
#include "core/String.h"
#include "gfx/Image.h"
#include "io/InputStream.h"

#include <algorithm>

namespace engine {

namespace {

// Reads up to `length` bytes; fewer only at the end of the stream.
int readFully(lang::InputStream& in, uint8_t* buffer, int length) {
    int done = 0;
    while (done < length) {
        int n = in.read(buffer, done, length - done);
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

bool readU32(lang::InputStream& in, uint32_t& value) {
    uint8_t b[4];
    if (readFully(in, b, 4) != 4)
        return false;
    value = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    return true;
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

// Reads `length` bytes in growing steps, so a header that lies about a size
// costs no more memory than the stream really holds.
bool readData(lang::InputStream& in, uint32_t length, std::vector<uint8_t>& data) {
    constexpr uint32_t step = 64 * 1024;
    data.clear();
    while (data.size() < length) {
        size_t chunk = std::min<size_t>(step, length - data.size());
        size_t at = data.size();
        data.resize(at + chunk);
        int n = readFully(in, data.data() + at, static_cast<int>(chunk));
        if (static_cast<size_t>(n) != chunk)
            return false;
    }
    return true;
}

int readEntries(lang::InputStream& in, lang::Hashtable& table) {
    uint32_t count = 0;
    uint32_t totalSize = 0;
    if (!readU32(in, count) || !readU32(in, totalSize))
        return 0;
    if (count == 0 || totalSize > ImagePack::maxTotalSize || totalSize < 4ull * count)
        return 0;
    // The running position counts each entry's header one byte short (the
    // name's terminator is not counted); packs in the field are measured that way.
    uint64_t position = 8;
    int stored = 0;
    std::vector<uint8_t> data;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t length = 0;
        uint8_t nameLength = 0;
        if (!readU32(in, length) || readFully(in, &nameLength, 1) != 1)
            break;
        char name[256];
        if (readFully(in, reinterpret_cast<uint8_t*>(name), nameLength) != nameLength)
            break;
        int keyLength = nameLength > 0 ? nameLength - 1 : 0;
        position += 4 + uint64_t{nameLength};
        if (position > totalSize || length > totalSize - position)
            break;
        bool complete = readData(in, length, data);
        position += data.size();
        if (!complete)
            break;
        for (uint8_t& b : data)
            b ^= ImagePack::xorKey;
        auto image = lang::adopt(new lang::Image(data.data(), static_cast<int>(data.size())));
        lang::String key(name, 0, keyLength);
        table.remove(&key);
        table.put(key, image.get());
        ++stored;
    }
    return stored;
}

} // namespace

int ImagePack::read(lang::InputStream& in, lang::Hashtable& table) {
    int stored = 0;
    // A stream that fails part-way is treated as a truncated pack: the images
    // read before the failure stay, the count says how many.
    auto error = lang::tryCatch([&] { stored = readEntries(in, table); });
    (void)error;
    return stored;
}

bool ImagePack::write(const std::vector<Entry>& entries, std::vector<uint8_t>& out) {
    uint64_t total = 8;
    for (const Entry& e : entries) {
        if (e.key.empty() || e.key.size() > maxKeyLength)
            return false;
        total += 4 + 1 + e.key.size() + 1 + e.bytes.size();
    }
    if (entries.empty() || total > maxTotalSize)
        return false;
    std::vector<uint8_t> pack;
    pack.reserve(static_cast<size_t>(total));
    putU32(pack, static_cast<uint32_t>(entries.size()));
    putU32(pack, static_cast<uint32_t>(total));
    for (const Entry& e : entries) {
        putU32(pack, static_cast<uint32_t>(e.bytes.size()));
        pack.push_back(static_cast<uint8_t>(e.key.size() + 1));
        pack.insert(pack.end(), e.key.begin(), e.key.end());
        pack.push_back(0);
        for (uint8_t b : e.bytes)
            pack.push_back(b ^ xorKey);
    }
    out.swap(pack);
    return true;
}

} // namespace engine
