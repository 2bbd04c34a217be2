// Reads arbitrary bytes as a container file: the directory, every entry, and
// the text conversion of every entry. The bytes live in a memory file so no
// disk is touched.

#include "core/Exception.h"
#include "core/String.h"
#include "io/ByteArrayInputStream.h"
#include "io/FileItem.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileHeader.h"
#include "io/ResourceItem.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int fd = memfd_create("container", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;

    lang::clearResourceFiles();
    auto error = lang::tryCatch([&] { lang::registerResourceFile(path.c_str()); });
    if (error)
        return 0;
    auto header = lang::adopt(new lang::ResourceFileHeader(path.c_str()));
    for (int i = 0; i < header->getEntryCount(); ++i) {
        const lang::String& name = header->getEntryName(i);
        auto item = lang::findResource(name);
        if (item && item->getSize() > 0 && !item->getData())
            __builtin_trap();
        lang::loadText(name);
        lang::ByteArrayInputStream in(name);
        while (in.read() >= 0) {
        }
    }
    lang::clearResourceFiles();
    return 0;
}
