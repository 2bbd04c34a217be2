#include "io/ResourceFileWriter.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace lang {

namespace {

uint8_t* putUInt32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        *out++ = static_cast<uint8_t>(value >> (8 * i));
    return out;
}

uint8_t* putBytes(uint8_t* out, const void* bytes, size_t size) {
    if (size > 0)
        std::memcpy(out, bytes, size);
    return out + size;
}

} // namespace

int64_t ResourceFileWriter::totalSize() const {
    int64_t total = 12;
    for (const Entry& e : entries)
        total += 9 + static_cast<int64_t>(e.name.size()) + static_cast<int64_t>(e.bytes.size());
    return total;
}

bool ResourceFileWriter::addEntry(const std::string& name, const uint8_t* data, int size,
                                  bool text) {
    if (name.size() > maxNameLength || size < 0 || (size > 0 && !data))
        return false;
    int64_t grown = totalSize() + 9 + static_cast<int64_t>(name.size()) + size + (text ? 1 : 0);
    if (grown > INT_MAX)
        return false;
    Entry entry{name, std::vector<uint8_t>(data, data + size)};
    if (text)
        entry.bytes.push_back(0);
    entries.push_back(std::move(entry));
    return true;
}

std::vector<uint8_t> ResourceFileWriter::toBytes() const {
    std::vector<uint8_t> out(static_cast<size_t>(totalSize()));
    uint8_t* cursor = putBytes(out.data(), tag, 4);
    cursor = putUInt32(cursor, 0);
    cursor = putUInt32(cursor, static_cast<uint32_t>(entries.size()));
    uint32_t offset = 12;
    for (const Entry& e : entries)
        offset += 9 + static_cast<uint32_t>(e.name.size());
    for (const Entry& e : entries) {
        *cursor++ = static_cast<uint8_t>(e.name.size());
        cursor = putBytes(cursor, e.name.data(), e.name.size());
        cursor = putUInt32(cursor, offset);
        cursor = putUInt32(cursor, static_cast<uint32_t>(e.bytes.size()));
        offset += static_cast<uint32_t>(e.bytes.size());
    }
    for (const Entry& e : entries)
        cursor = putBytes(cursor, e.bytes.data(), e.bytes.size());
    return out;
}

bool ResourceFileWriter::writeTo(const char* path) const {
    if (!path || !*path)
        return false;
    std::vector<uint8_t> bytes = toBytes();
    std::string temporary = std::string(path) + ".tmp" + std::to_string(getpid());
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = fsync(fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path) == 0)
        return true;
    std::remove(temporary.c_str());
    return false;
}

} // namespace lang
