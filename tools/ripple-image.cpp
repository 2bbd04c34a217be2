// ripple-image [--pack FILE]... NAME OUT.png
//
// Loads NAME exactly as the game does (a path, a "+" key looked up in the
// given containers in the order given, "a|b" for an image with a mask) and
// writes the result as an 8-bit RGBA PNG: colour as stored, alpha as the image
// holds it, or 255 everywhere when the image has no meaningful alpha. Prints
// "WIDTHxHEIGHT alpha=0|1", or "empty" (exit status 1) when nothing loads.
// Exit status 2 for usage errors, containers that cannot be opened and
// failures to write OUT.png.
#include "core/Exception.h"
#include "gfx/Image.h"
#include "gfx/PngEncoder.h"
#include "io/ResourceFile.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: ripple-image [--pack FILE]... NAME OUT.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<const char*> packs;
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pack") == 0) {
            if (i + 1 >= argc)
                return usage();
            packs.push_back(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            usage();
            return 0;
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.size() != 2)
        return usage();

    for (const char* pack : packs) {
        auto failure = lang::tryCatch([&] { lang::registerResourceFile(lang::String(pack)); });
        if (failure) {
            std::fprintf(stderr, "ripple-image: %s\n", failure->messageText().getChars());
            return 2;
        }
    }

    auto image = lang::adopt(new lang::Image(positional[0]));
    if (!image->hasPixels()) {
        std::printf("empty\n");
        return 1;
    }
    if (!lang::PngEncoder::writeFile(positional[1], image->getPixels(), image->getWidth(),
                                     image->getHeight(), !image->getHasAlpha())) {
        std::fprintf(stderr, "ripple-image: cannot write %s\n", positional[1]);
        return 2;
    }
    std::printf("%dx%d alpha=%d\n", image->getWidth(), image->getHeight(),
                image->getHasAlpha() ? 1 : 0);
    return 0;
}
