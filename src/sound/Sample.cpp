#include "sound/Sample.h"

#include "sound/SoundEngine.h"
#include "sound/SoundFile.h"

namespace sound {

using lang::adopt;
using lang::Ref;

Sample::~Sample() {
    if (engine)
        engine->forget(this);
}

Ref<Sample> Sample::load(SoundEngine* engine, const void* data, size_t size) {
    auto file = SoundFile::openMemory(data, size);
    return file ? decode(engine, file.get()) : nullptr;
}

Ref<Sample> Sample::loadFile(SoundEngine* engine, const char* path) {
    auto file = SoundFile::openFile(path);
    return file ? decode(engine, file.get()) : nullptr;
}

Ref<Sample> Sample::decode(SoundEngine* engine, SoundFile* file) {
    Ref<Sample> sample = adopt(new Sample(engine));
    const int ch = file->getOutputChannels();
    // Headers may lie about the length, so grow with what really decodes.
    constexpr int chunk = 16384;
    int total = 0;
    for (;;) {
        if (total >= maxFrames)
            return nullptr;
        sample->pcm.resize(static_cast<size_t>(total + chunk) * ch);
        int n = file->read(sample->pcm.data() + static_cast<size_t>(total) * ch, chunk);
        total += n;
        if (n < chunk)
            break;
    }
    if (total == 0)
        return nullptr;
    // One silent guard frame past the end keeps interpolation inside the data.
    sample->pcm.resize(static_cast<size_t>(total + 1) * ch);
    for (int c = 0; c < ch; ++c)
        sample->pcm[static_cast<size_t>(total) * ch + c] = 0;
    sample->pcm.shrink_to_fit();
    sample->rate = file->getRate();
    sample->channels = ch;
    sample->frames = total;
    return sample;
}

} // namespace sound
