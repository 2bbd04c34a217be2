#pragma once

#include "core/Hashtable.h"
#include "core/String.h"
#include "io/Forward.h"

#include <cstdint>
#include <vector>

namespace lang {

// An open container file: a 4-byte tag, a block of blockLength bytes, an entry
// count and a directory of (name, offset, size) entries, little-endian. The
// directory is read once, when the header is made; the file stays open and
// every entry read takes this object's monitor, so reads are serialised.
//
// A damaged file is read as far as it holds whole fields: a block or directory
// cut short ends the directory there (so a huge entry count or block length
// costs no more memory than the file's own size), and an entry whose bytes lie
// outside the file is kept in the directory but can never be read.
class ResourceFileHeader : public Object {
    LANG_CLASS(ResourceFileHeader, Object);

    // Throws an Exception "Error Opening " + path when the file cannot be opened.
    explicit ResourceFileHeader(const String& path);
    ~ResourceFileHeader() override;
    ResourceFileHeader(const ResourceFileHeader&) = delete;
    ResourceFileHeader& operator=(const ResourceFileHeader&) = delete;

    // A new item owning a copy of the entry's bytes (the last entry of that
    // exact name wins), or null when the name is absent or its bytes do not lie
    // wholly inside the file. The caller owns the reference.
    Ref<FileItem> readEntry(const String& name);

    // Directory entries in file order, duplicates included (borrowed).
    int getEntryCount() const { return static_cast<int>(entries.size()); }
    const String& getEntryName(int i) const { return *entries[i].name; }
    const FileItem& getEntry(int i) const { return *entries[i].item; }
    // True when the entry's bytes lie wholly inside the file.
    bool isInside(const FileItem& item) const;

    uint32_t getTag() const { return tag; }
    const uint8_t* getBlock() const { return block; }
    int getBlockLength() const { return blockLength; }
    // The entry count the header declares (negative counts as none).
    int32_t getDeclaredEntryCount() const { return declaredEntryCount; }
    // False when the header or directory ended before all it declares was read.
    bool isComplete() const { return complete; }
    int64_t getFileLength() const { return fileLength; }

private:
    struct Entry {
        Ref<String> name;
        Ref<FileItem> item;
    };
    void readDirectory();
    bool readFully(uint8_t* buffer, int length);
    bool readUInt32(uint32_t& value);

    Ref<FileInputStream> stream;
    uint8_t* block = nullptr;
    int blockLength = 0;
    Hashtable directory;
    std::vector<Entry> entries;
    uint32_t tag = 0;
    int32_t declaredEntryCount = 0;
    int64_t fileLength = 0;
    bool complete = false;
};

} // namespace lang
