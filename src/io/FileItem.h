#pragma once

#include "io/ResourceItem.h"

namespace lang {

// An entry of a container file. The directory holds items without data (only
// where the bytes are); a lookup hands out an item that owns a copy of them.
class FileItem : public ResourceItem {
    LANG_CLASS(FileItem, ResourceItem);

    FileItem(uint32_t offset, uint32_t size) : size(size), offset(offset) {}
    ~FileItem() override;
    FileItem(const FileItem&) = delete;
    FileItem& operator=(const FileItem&) = delete;

    const uint8_t* getData() const override { return data; }
    int getSize() const override { return static_cast<int>(size); }
    uint32_t getOffset() const { return offset; }
    uint32_t getStoredSize() const { return size; }

    // Takes over a buffer made with new[] holding the entry's bytes.
    void adoptData(uint8_t* bytes);

private:
    uint8_t* data = nullptr;
    uint32_t size;
    uint32_t offset;
};

} // namespace lang
