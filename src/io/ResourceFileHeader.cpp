#include "io/ResourceFileHeader.h"

#include "io/FileInputStream.h"
#include "io/FileItem.h"

#include <algorithm>
#include <climits>

namespace lang {

ResourceFileHeader::ResourceFileHeader(const String& path)
    : stream(adopt(new FileInputStream(path))) {
    fileLength = std::max<int64_t>(stream->length(), 0);
    readDirectory();
}

ResourceFileHeader::~ResourceFileHeader() {
    delete[] block;
}

bool ResourceFileHeader::readFully(uint8_t* buffer, int length) {
    int done = 0;
    while (done < length) {
        int n = stream->read(buffer, done, length - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool ResourceFileHeader::readUInt32(uint32_t& value) {
    uint8_t b[4];
    if (!readFully(b, 4))
        return false;
    value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}

void ResourceFileHeader::readDirectory() {
    uint32_t declaredBlock = 0;
    if (!readUInt32(tag) || !readUInt32(declaredBlock))
        return;
    // Never allocate more than the file can hold: a damaged length must not
    // cost memory the file does not back.
    int64_t available = std::max<int64_t>(fileLength - 8, 0);
    if (declaredBlock > available)
        return;
    blockLength = static_cast<int>(declaredBlock);
    block = new uint8_t[std::max(blockLength, 1)];
    uint32_t count = 0;
    if (!readFully(block, blockLength) || !readUInt32(count))
        return;
    declaredEntryCount = static_cast<int32_t>(count);
    for (int32_t i = 0; i < declaredEntryCount; ++i) {
        uint8_t nameLength = 0;
        char name[256];
        uint32_t offset = 0;
        uint32_t size = 0;
        if (!readFully(&nameLength, 1) ||
            !readFully(reinterpret_cast<uint8_t*>(name), nameLength) || !readUInt32(offset) ||
            !readUInt32(size))
            return;
        name[nameLength] = 0;
        auto key = adopt(new String(name));
        auto item = adopt(new FileItem(offset, size));
        directory.put(key.get(), item.get());
        entries.push_back({key, item});
    }
    complete = true;
}

bool ResourceFileHeader::isInside(const FileItem& item) const {
    int64_t end = static_cast<int64_t>(item.getOffset()) + item.getStoredSize();
    return item.getStoredSize() <= INT_MAX && item.getOffset() <= INT_MAX && end <= fileLength;
}

Ref<FileItem> ResourceFileHeader::readEntry(const String& name) {
    Synchronized guard(this);
    auto* entry = static_cast<FileItem*>(directory.get(&name));
    if (!entry || !isInside(*entry))
        return nullptr;
    auto result = adopt(new FileItem(entry->getOffset(), entry->getStoredSize()));
    int size = result->getSize();
    auto* bytes = new uint8_t[std::max(size, 1)];
    result->adoptData(bytes);
    // One positioned read instead of rewind, skip and read: the same bytes, and
    // the stream's own position is left alone.
    if (stream->readAt(entry->getOffset(), bytes, size) != size)
        return nullptr;
    return result;
}

} // namespace lang
