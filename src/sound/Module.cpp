#include "sound/Module.h"

#include "sound/SoundEngine.h"

#include <xmp.h>

#include <climits>

namespace sound {

using lang::adopt;
using lang::Ref;

namespace {
// Stereo separation in percent: the default puts MOD channels hard left and
// right, which sounds wrong on headphones.
constexpr int stereoSeparation = 60;
} // namespace

Module::Module(SoundEngine* engine, void* context)
    : BufferedSource(engine, SoundEngine::rate), context(context) {}

Module::~Module() {
    unregister();
    auto ctx = static_cast<xmp_context>(context);
    if (started)
        xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
}

Ref<Module> Module::load(SoundEngine* engine, const void* data, size_t size) {
    if (data == nullptr || size == 0 || size > static_cast<size_t>(LONG_MAX))
        return nullptr;
    xmp_context ctx = xmp_create_context();
    if (ctx == nullptr)
        return nullptr;
    if (xmp_load_module_from_memory(ctx, data, static_cast<long>(size)) != 0) {
        xmp_free_context(ctx);
        return nullptr;
    }
    return adopt(new Module(engine, ctx));
}

Ref<Module> Module::loadFile(SoundEngine* engine, const char* path) {
    if (path == nullptr || *path == 0)
        return nullptr;
    xmp_context ctx = xmp_create_context();
    if (ctx == nullptr)
        return nullptr;
    if (xmp_load_module(ctx, path) != 0) {
        xmp_free_context(ctx);
        return nullptr;
    }
    return adopt(new Module(engine, ctx));
}

int Module::decode(int16_t* out, int frames) {
    if (!started && !rewindDecoder())
        return 0;
    auto ctx = static_cast<xmp_context>(context);
    // A loop count of 0 plays for ever; 1 ends after the first pass.
    int loops = looping.load(std::memory_order_relaxed) ? 0 : 1;
    if (xmp_play_buffer(ctx, out, frames * 4, loops) != 0)
        return 0;
    return frames;
}

bool Module::rewindDecoder() {
    auto ctx = static_cast<xmp_context>(context);
    if (started)
        xmp_end_player(ctx);
    started = xmp_start_player(ctx, SoundEngine::rate, 0) == 0;
    if (started)
        xmp_set_player(ctx, XMP_PLAYER_MIX, stereoSeparation);
    return started;
}

} // namespace sound
