// Feeds arbitrary bytes to every sound loader; whatever loads is played for a
// moment through an engine without a device.
#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/SoundEngine.h"
#include "sound/Stream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static sound::SoundEngine engine;
    static bool ready = engine.init(sound::SoundEngine::outputNone, -1, false);
    if (!ready)
        return 0;
    std::vector<int16_t> out(2 * 2048);
    if (lang::Ref<sound::Sample> s = engine.loadSample(data, size)) {
        engine.setLoopMode(engine.playSample(s.get()), true);
        engine.render(out.data(), 2048);
    }
    if (lang::Ref<sound::Stream> st = engine.openStream(data, size)) {
        engine.setLoopMode(engine.playStream(st.get()), true);
        engine.render(out.data(), 2048);
    }
    if (lang::Ref<sound::Module> m = engine.loadModule(data, size)) {
        engine.playModule(m.get(), true);
        engine.render(out.data(), 2048);
    }
    return 0;
}
