// Feeds arbitrary bytes to the data loader. The first byte picks what they
// are: a data file loaded with an owner that creates a sprite for every entry,
// a data file only counted, or an image pack read straight from memory.

#include "ScratchFolder.h"
#include "core/Hashtable.h"
#include "core/IntArray.h"
#include "core/ObjectArray.h"
#include "engine/DataLoader.h"
#include "engine/DataLoaderOwner.h"
#include "engine/ImagePack.h"
#include "io/ByteArrayInputStream.h"
#include "platform/MessageBox.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

class Owner : public lang::Object, public engine::DataLoaderOwner {
public:
    int addRef() const override { return lang::Object::addRef(); }
    int release() const override { return lang::Object::release(); }
    lang::Ref<lang::Object> createSprite(const lang::String& type, lang::IntArray* ints,
                                         lang::ObjectArray* objects, engine::DataLoader*) override {
        // Containers with a children file are left to the loader: the count
        // includes their children's steps, which only the loader's own
        // creation reports.
        if (type.indexOf(':') >= 0)
            return nullptr;
        // Touch every argument, as a sprite's configure would.
        long sum = 0;
        for (int i = 0; i < ints->size(); ++i)
            sum += ints->get(i);
        for (int i = 0; i < objects->size(); ++i)
            sum += objects->get(i) ? 1 : 0;
        return sum % 3 ? lang::adopt(new lang::Object()) : nullptr;
    }
};

void quiet(const std::string&, const std::string&) {}

const std::string& folder() {
    static const fuzzsupport::ScratchFolder scratch("dataloaderfuzz");
    static const std::string path = [] {
        platform::setMessageBoxObserver(quiet);
        return scratch.file();
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t mode = data[0] % 3;
    ++data;
    --size;
    if (mode == 2) {
        auto in = lang::adopt(new lang::ByteArrayInputStream(data, static_cast<int>(size)));
        auto table = lang::adopt(new lang::Hashtable());
        engine::ImagePack::read(*in, *table);
        return 0;
    }
    const std::string file = folder() + "/main.txt";
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        std::abort();
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    auto owner = lang::adopt(new Owner());
    auto loader =
        lang::adopt(new engine::DataLoader(lang::String(folder().c_str()), owner.get(), nullptr));
    if (mode == 1) {
        loader->countItems("main.txt");
    } else {
        int expected = loader->countItems("main.txt");
        if (loader->load("main.txt") && owner->getProgress() != expected)
            __builtin_trap();
    }
    return 0;
}
