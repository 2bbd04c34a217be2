#include "io/FileItem.h"

namespace lang {

FileItem::~FileItem() {
    delete[] data;
}

void FileItem::adoptData(uint8_t* bytes) {
    delete[] data;
    data = bytes;
}

bool FileItem::instanceOf(const char* className) const {
    return ansiEqualsIgnoreCase(className, "FileItem") || ResourceItem::instanceOf(className);
}

} // namespace lang
