#include "gfx/Image.h"

#include "core/ByteArray.h"
#include "core/Exception.h"
#include "gfx/DecodedImage.h"
#include "gfx/GifDecoder.h"
#include "gfx/JpegDecoder.h"
#include "gfx/PngDecoder.h"
#include "io/ByteArrayInputStream.h"
#include "io/FileInputStream.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lang {

std::atomic<Image::DCFactory> Image::dcFactory{nullptr};

Image::Image(const String& imageName) : name(imageName) {
    const int bar = imageName.indexOf('|');
    if (bar < 0) {
        load(imageName);
        return;
    }
    load(*imageName.substring(0, bar));
    if (!pixels)
        return;
    auto mask = adopt(new Image(*imageName.substring(bar + 1)));
    applyMask(*mask);
}

Image::Image(const uint8_t* data, int length) {
    decode(data, length);
}

Image::Image(int w, int h, int fill, bool withBitmap) {
    (void)fill; // every blank raster starts cleared; `fill` only promises it
    if (!isAcceptableImageSize(w, h))
        return;
    pixels = new (std::nothrow) uint32_t[size_t(w) * size_t(h)]();
    if (!pixels)
        return;
    width = w;
    height = h;
    bitmap = withBitmap;
}

Image::~Image() {
    freePixels();
}

void Image::load(const String& path) {
    Ref<ByteArray> bytes;
    Ref<Exception> failure = tryCatch([&] {
        if (path.startsWith("+")) {
            auto stream = adopt(new ByteArrayInputStream(path));
            bytes = readAll(*stream);
        } else if (platform::isRegularFile(platform::nativePath(path.getChars()).c_str())) {
            auto stream = adopt(new FileInputStream(path.getChars()));
            bytes = readAll(*stream);
        }
    });
    if (failure || !bytes)
        return;
    decode(bytes->bytes(), bytes->size());
}

void Image::decode(const uint8_t* data, int length) {
    if (!data || length < 7)
        return;
    DecodedImage decoded;
    bool ok;
    if (std::memcmp(data, "GIF89a", 6) == 0 || std::memcmp(data, "GIF87a", 6) == 0)
        ok = GifDecoder::decode(data, length, decoded);
    else if (std::memcmp(data, "\x89PNG", 4) == 0)
        ok = PngDecoder::decode(data, length, decoded);
    else
        ok = JpegDecoder::decode(data, length, decoded);
    if (ok)
        adoptDecoded(decoded);
}

void Image::adoptDecoded(DecodedImage& decoded) {
    pixels = decoded.pixels.release();
    width = decoded.width;
    height = decoded.height;
    hasAlpha.store(decoded.hasAlpha, std::memory_order_release);
}

int Image::getStride() const {
    return width * 4;
}

uint32_t* Image::getPixels() const {
    return pixels;
}

const String& Image::getName() const {
    return name;
}

Ref<Image> Image::copy() const {
    auto result = adopt(new Image(width, height, 0, bitmap));
    if (pixels && result->pixels)
        std::memcpy(result->pixels, pixels, size_t(width) * size_t(height) * 4);
    result->setHasAlpha(getHasAlpha());
    result->name.assign(name);
    return result;
}

Object* Image::getDC() {
    Synchronized guard(this);
    if (!pixels)
        return nullptr;
    bitmap = true;
    if (!dc) {
        if (DCFactory factory = dcFactory.load())
            dc = factory(*this);
    }
    return dc.get();
}

void Image::setDCFactory(DCFactory factory) {
    dcFactory.store(factory);
}

void Image::setHasAlpha(bool value) {
    if (pixels)
        hasAlpha.store(value, std::memory_order_release);
}

void Image::clearRect(int x, int y, int w, int h) {
    if (!pixels)
        return;
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + w, width);
    const int64_t bottom = std::min<int64_t>(int64_t(y) + h, height);
    if (left >= right || top >= bottom)
        return;
    for (int64_t row = top; row < bottom; ++row)
        std::fill(pixels + row * width + left, pixels + row * width + right, 0u);
}

void Image::applyMask(const Image& mask) {
    if (!pixels || !mask.pixels)
        return;
    for (int y = 0; y < height; ++y) {
        uint32_t* row = pixels + size_t(y) * size_t(width);
        const uint32_t* maskRow = mask.pixels + size_t(y % mask.height) * size_t(mask.width);
        for (int x = 0; x < width; ++x) {
            const uint32_t alpha = 255u - (maskRow[x % mask.width] & 0xFFu);
            row[x] = (row[x] & 0x00FFFFFFu) | alpha << 24;
        }
    }
    hasAlpha.store(true, std::memory_order_release);
    if (name.isEmpty())
        return;
    const int bar = name.indexOf('|');
    Ref<String> base = bar < 0 ? adopt(new String(name)) : name.substring(0, bar);
    base->append("|");
    base->append(mask.name);
    name.assign(*base);
}

void Image::reload() {
    Synchronized guard(this);
    if (pixels || name.isEmpty())
        return;
    String source(name);
    const int bar = source.indexOf('|');
    if (bar < 0) {
        load(source);
        return;
    }
    load(*source.substring(0, bar));
    if (!pixels)
        return;
    auto mask = adopt(new Image(*source.substring(bar + 1)));
    applyMask(*mask);
}

void Image::dispose() {
    Synchronized guard(this);
    freePixels();
}

void Image::freePixels() {
    dc = nullptr;
    delete[] pixels;
    pixels = nullptr;
    width = 0;
    height = 0;
    hasAlpha.store(false, std::memory_order_release);
    bitmap = false;
}

} // namespace lang
