// ripple-image [--pack FILE]... NAME OUT.png
//
// Loads NAME exactly as the game does (a path, a "+" key looked up in the
// given containers in the order given, "a|b" for an image with a mask) and
// writes the result as an 8-bit RGBA PNG: colour as stored, alpha as the image
// holds it, or 255 everywhere when the image has no meaningful alpha. Prints
// "WIDTHxHEIGHT alpha=0|1", or "empty" (exit status 1) when nothing loads, with
// the reason on standard error: a file or entry that cannot be read, a format
// that is not GIF, PNG or JPEG, an image beyond the size limits, or damaged data.
// Exit status 2 for usage errors, containers that cannot be opened and
// failures to write OUT.png.
#include "core/Exception.h"
#include "gfx/DecodedImage.h"
#include "gfx/Image.h"
#include "gfx/PngEncoder.h"
#include "io/ResourceFile.h"
#include "io/ResourceItem.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: ripple-image [--pack FILE]... NAME OUT.png\n");
    return 2;
}

uint32_t bigEndian16(const uint8_t* p) {
    return uint32_t(p[0]) << 8 | p[1];
}

// The width and height a JPEG's frame header declares, or false when there is none: the
// markers before it are skipped by their lengths.
bool jpegSize(const std::vector<uint8_t>& b, int64_t& width, int64_t& height) {
    size_t at = 2;
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF)
            return false;
        uint8_t marker = b[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        size_t length = bigEndian16(&b[at + 2]);
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > b.size())
                return false;
            height = bigEndian16(&b[at + 5]);
            width = bigEndian16(&b[at + 7]);
            return true;
        }
        at += 2 + length;
    }
    return false;
}

// Why the image part of NAME (what comes before a '|': a mask that fails to load leaves the
// image as it is) gave no pixels. Looks the bytes up as the game does, then checks the format
// and the declared size before blaming the data itself.
std::string whyEmpty(const std::string& name) {
    const std::string part = name.substr(0, name.find('|'));
    std::vector<uint8_t> bytes;
    if (!part.empty() && part.front() == '+') {
        auto item = lang::findResource(lang::String(part.c_str() + 1));
        if (!item)
            return "no entry " + part.substr(1) + " in the packs given";
        if (item->getSize() > 0 && item->getData())
            bytes.assign(item->getData(), item->getData() + item->getSize());
    } else {
        const std::string path = platform::nativePath(part.c_str());
        std::error_code error;
        auto status = std::filesystem::status(path, error);
        if (error || !std::filesystem::exists(status))
            return "cannot read " + part + ": no such file";
        if (!std::filesystem::is_regular_file(status))
            return "cannot read " + part + ": not a regular file";
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return "cannot read " + part + ": " + std::strerror(errno);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The decoders recognise their formats by these signatures (see Image::decode).
    const bool gif = bytes.size() >= 10 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 ||
                                            std::memcmp(bytes.data(), "GIF89a", 6) == 0);
    const bool png = bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG", 4) == 0;
    const bool jpeg = bytes.size() >= 7 && bytes[0] == 0xFF && bytes[1] == 0xD8;
    if (!gif && !png && !jpeg)
        return bytes.size() < 7 ? "unknown format: too short to be an image"
                                : "unknown format: not a GIF, PNG or JPEG image";
    int64_t width = 0, height = 0;
    bool sized = false;
    if (gif) {
        width = bytes[6] | bytes[7] << 8;
        height = bytes[8] | bytes[9] << 8;
        sized = true;
    } else if (png && bytes.size() >= 24) {
        width = int64_t(bigEndian16(&bytes[16])) << 16 | bigEndian16(&bytes[18]);
        height = int64_t(bigEndian16(&bytes[20])) << 16 | bigEndian16(&bytes[22]);
        sized = true;
    } else if (jpeg) {
        sized = jpegSize(bytes, width, height);
    }
    if (sized && width > 0 && height > 0 && !lang::isAcceptableImageSize(width, height))
        return "too large: " + std::to_string(width) + "x" + std::to_string(height) +
               " pixels, beyond " + std::to_string(lang::maxImageDimension) +
               " a side or 256 MiB of pixels";
    return std::string("damaged data: the ") +
           (gif   ? "GIF"
            : png ? "PNG"
                  : "JPEG") +
           " data cannot be decoded";
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
        std::fflush(stdout);
        std::fprintf(stderr, "ripple-image: %s: %s\n", positional[0],
                     whyEmpty(positional[0]).c_str());
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
