// Loading by name: the input is "NAME\nDATA". DATA becomes the entries "a"
// and "m" of a registered container and the file "f" in the working folder,
// so names such as "+a|+m", "f|+a" or "+a|f|+m" reach every loading path with
// hostile bytes behind them.
#include "gfx/Image.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string folder;

void prepareFolder() {
    if (!folder.empty())
        return;
    char pattern[] = "/tmp/ripple-namefuzz-XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    folder = pattern;
    if (chdir(folder.c_str()) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    prepareFolder();
    size_t split = 0;
    while (split < size && data[split] != '\n')
        ++split;
    if (split > 200)
        return 0;
    // Only names inside the scratch folder: no absolute paths or parent steps.
    std::string name(reinterpret_cast<const char*>(data), split);
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
        name.find('\0') != std::string::npos || name.find("..") != std::string::npos)
        return 0;
    const uint8_t* body = split < size ? data + split + 1 : data + size;
    const int bodySize = int(data + size - body);

    lang::ResourceFileWriter writer;
    writer.addEntry("a", body, bodySize);
    writer.addEntry("m", body, bodySize);
    if (!writer.writeTo("pack.bin"))
        std::abort();
    FILE* file = std::fopen("f", "wb");
    if (!file)
        std::abort();
    std::fwrite(body, 1, size_t(bodySize), file);
    std::fclose(file);

    lang::clearResourceFiles();
    lang::registerResourceFile(lang::String("pack.bin"));
    {
        auto image = lang::adopt(new lang::Image(name.c_str()));
        if (image->hasPixels()) {
            const size_t pixels = size_t(image->getWidth()) * size_t(image->getHeight());
            volatile uint32_t sink = image->getPixels()[0] ^ image->getPixels()[pixels - 1];
            (void)sink;
        }
    }
    lang::clearResourceFiles();
    return 0;
}
