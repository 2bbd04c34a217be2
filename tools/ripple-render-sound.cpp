// Renders a sound through the game's mixer without a sound card and writes
// the result as a 16-bit stereo WAV file at the mixer's rate, so sound data
// can be checked on a machine with no audio device.
//
//   ripple-render-sound INPUT OUTPUT.wav [SECONDS] [PITCH] [VOLUME]
//
// INPUT is a WAV or Ogg Vorbis file, or a module (.mod, .s3m, .xm), played
// from its start at PITCH times its rate (1.0) and VOLUME 0-255 (255) for
// SECONDS (10, or until the sound ends).
#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/SoundEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool endsWith(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

void putTag(std::vector<uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

bool writeWav(const char* path, const std::vector<int16_t>& pcm) {
    std::vector<uint8_t> b;
    uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
    const uint32_t rate = sound::SoundEngine::rate;
    putTag(b, "RIFF");
    put32(b, 36 + bytes);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, 2);
    put32(b, rate);
    put32(b, rate * 4);
    put16(b, 4);
    put16(b, 16);
    putTag(b, "data");
    put32(b, bytes);
    for (int16_t v : pcm)
        put16(b, static_cast<uint16_t>(v));
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT.wav [SECONDS] [PITCH] [VOLUME]\n", argv[0]);
        return 2;
    }
    std::string input = argv[1];
    double seconds = argc > 3 ? std::atof(argv[3]) : 10.0;
    double pitch = argc > 4 ? std::atof(argv[4]) : 1.0;
    int volume = argc > 5 ? std::atoi(argv[5]) : 255;
    if (!(seconds > 0 && seconds <= 3600) || !(pitch > 0 && pitch <= 32)) {
        std::fprintf(stderr, "seconds must lie in (0, 3600] and pitch in (0, 32]\n");
        return 2;
    }

    sound::SoundEngine engine;
    engine.init(sound::SoundEngine::outputNone, -1, false);
    lang::Ref<sound::Sample> sample;
    lang::Ref<sound::Module> module;
    int channel = -1;
    if (endsWith(input, ".mod") || endsWith(input, ".s3m") || endsWith(input, ".xm")) {
        module = engine.loadModuleFile(input.c_str());
        if (module && engine.playModule(module.get(), false)) {
            engine.setModuleVolume(module.get(), volume);
            engine.setModulePitch(module.get(), static_cast<float>(pitch));
        }
    } else {
        sample = engine.loadSampleFile(input.c_str());
        if (sample) {
            channel = engine.playSample(sample.get(), true);
            engine.setVolume(channel, volume);
            engine.setFrequency(channel, static_cast<int>(sample->getRate() * pitch + 0.5));
            engine.setPaused(channel, false);
        }
    }
    if (!module && !sample) {
        std::fprintf(stderr, "%s: not a sound this engine can load\n", input.c_str());
        return 1;
    }

    const long chunk = 1024;
    const long limit = std::lround(seconds * sound::SoundEngine::rate);
    std::vector<int16_t> pcm;
    auto playing = [&] {
        return module ? engine.isModulePlaying(module.get()) : engine.isPlaying(channel);
    };
    for (long done = 0; done < limit && playing(); done += chunk) {
        const long frames = std::min(chunk, limit - done);
        size_t at = pcm.size();
        pcm.resize(at + 2 * static_cast<size_t>(frames));
        engine.render(pcm.data() + at, static_cast<int>(frames));
        // A sound that ended inside this chunk left silence after its end: drop it, so the file
        // is as long as the sound and not rounded up to the chunk.
        if (!playing()) {
            while (pcm.size() > at && pcm[pcm.size() - 1] == 0 && pcm[pcm.size() - 2] == 0)
                pcm.resize(pcm.size() - 2);
        }
    }
    if (!writeWav(argv[2], pcm)) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    std::printf("%s: %.2f s\n", argv[2],
                static_cast<double>(pcm.size() / 2) / sound::SoundEngine::rate);
    return 0;
}
