#include "io/FileItem.h"

namespace lang {

FileItem::~FileItem() {
    delete[] data;
}

void FileItem::adoptData(uint8_t* bytes) {
    delete[] data;
    data = bytes;
}

} // namespace lang
