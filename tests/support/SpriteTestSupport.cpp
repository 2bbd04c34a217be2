#include "support/SpriteTestSupport.h"

#include "gfx/GraphicsI.h"

namespace testsupport {

lang::Ref<lang::Image> solidImage(int width, int height, uint32_t argb) {
    auto image = lang::adopt(new lang::Image(width, height, 1, false));
    uint32_t* pixels = image->getPixels();
    for (int i = 0; i < width * height; ++i)
        pixels[i] = argb;
    image->setHasAlpha((argb >> 24) != 0xFF);
    return image;
}

lang::Ref<lang::Graphics> graphicsOn(lang::Image* image) {
    return lang::adopt(static_cast<lang::Graphics*>(new lang::GraphicsI(image)));
}

uint32_t pixelAt(lang::Image& image, int x, int y) {
    return image.getPixels()[y * image.getWidth() + x];
}

void RecordingListener::postEvent(lang::Object* from, const lang::String& name) {
    std::lock_guard<std::mutex> guard(mutex);
    events.emplace_back(name.getChars(), name.getLength());
    source = from;
}

std::vector<std::string> RecordingListener::takeEvents() {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<std::string> result;
    result.swap(events);
    return result;
}

int RecordingListener::count() {
    std::lock_guard<std::mutex> guard(mutex);
    return static_cast<int>(events.size());
}

lang::Object* RecordingListener::lastSource() {
    std::lock_guard<std::mutex> guard(mutex);
    return source;
}

} // namespace testsupport
