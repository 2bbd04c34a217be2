// Loading by name: the input is "NAME\nDATA". DATA becomes the entries "a"
// and "m" of a registered container and the file "f" in a scratch folder,
// so names such as "+a|+m", "f|+a" or "+a|f|+m" reach every loading path with
// hostile bytes behind them.
#include "ScratchFolder.h"
#include "gfx/Image.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const fuzzsupport::ScratchFolder& folder() {
    static const fuzzsupport::ScratchFolder scratch("ripple-namefuzz");
    return scratch;
}

// The name with every file part ("f" of "f|+a") taken inside the scratch folder. Changing the
// working folder instead would send libFuzzer's own writes (a relative corpus folder, crash
// files) there.
std::string inFolder(const std::string& name) {
    std::string out;
    size_t start = 0;
    while (true) {
        size_t bar = name.find('|', start);
        std::string part = name.substr(start, bar == std::string::npos ? bar : bar - start);
        out += part.empty() || part.front() == '+' ? part : folder().file(part);
        if (bar == std::string::npos)
            return out;
        out += '|';
        start = bar + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
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
    const std::string pack = folder().file("pack.bin");
    if (!writer.writeTo(pack.c_str()))
        std::abort();
    FILE* file = std::fopen(folder().file("f").c_str(), "wb");
    if (!file)
        std::abort();
    std::fwrite(body, 1, size_t(bodySize), file);
    std::fclose(file);

    lang::clearResourceFiles();
    lang::registerResourceFile(lang::String(pack.c_str()));
    {
        auto image = lang::adopt(new lang::Image(inFolder(name).c_str()));
        if (image->hasPixels()) {
            const size_t pixels = size_t(image->getWidth()) * size_t(image->getHeight());
            volatile uint32_t sink = image->getPixels()[0] ^ image->getPixels()[pixels - 1];
            (void)sink;
        }
    }
    lang::clearResourceFiles();
    return 0;
}
