#pragma once

#include "sound/BufferedSource.h"

#include <atomic>
#include <cstddef>

namespace sound {

// A tracker module (.mod, .s3m, .xm) rendered at the mixer's rate into the
// ring, so it plays through the mixer as one more voice with its own volume
// and playback rate.
class Module : public BufferedSource {
    LANG_CLASS(Module, lang::Object);

    ~Module() override;

    // Null when the data is not a module the renderer understands. The memory
    // is only read during the call.
    static lang::Ref<Module> load(SoundEngine* engine, const void* data, size_t size);
    static lang::Ref<Module> loadFile(SoundEngine* engine, const char* path);

    // The mixer voice that plays the module, -1 when none.
    std::atomic<int> voice{-1};

protected:
    int decode(int16_t* out, int frames) override;
    bool rewindDecoder() override;

private:
    Module(SoundEngine* engine, void* context);

    void* context;
    bool started = false;
};

} // namespace sound
