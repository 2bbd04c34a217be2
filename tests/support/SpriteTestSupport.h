#pragma once

#include "core/Object.h"
#include "core/Ref.h"
#include "core/String.h"
#include "engine/SpriteListener.h"
#include "gfx/Graphics.h"
#include "gfx/Image.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

// A blank image of the given size with every pixel set to `argb`.
lang::Ref<lang::Image> solidImage(int width, int height, uint32_t argb);

// A drawing context on `image` (the caller's reference).
lang::Ref<lang::Graphics> graphicsOn(lang::Image* image);

// The pixel at (x, y) of an image.
uint32_t pixelAt(lang::Image& image, int x, int y);

// Records completion events as "name" strings, in order.
class RecordingListener : public engine::SpriteListener {
public:
    void postEvent(lang::Object* source, const lang::String& name) override;
    std::vector<std::string> takeEvents();
    int count();
    lang::Object* lastSource();

private:
    std::mutex mutex;
    std::vector<std::string> events;
    lang::Object* source = nullptr;
};

} // namespace testsupport
