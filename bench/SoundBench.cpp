// CPU cost of mixing: our engine against SDL2_mixer doing the same work, both
// through the real device path. The disk driver writes to /dev/null without
// real-time pacing, so each benchmark's time is the process CPU time spent per
// second of audio produced (feeder and audio threads included).
#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/SoundEngine.h"

#include <benchmark/benchmark.h>

#ifdef RIPPLE_HAVE_SDL_MIXER
#include <SDL.h>
#include <SDL_mixer.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace {

constexpr int rate = 22050;
constexpr int sampleVoices = 31;
constexpr double audioSecondsPerIteration = 20;

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}
void putTag(Bytes& b, const char* tag) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

// One second of a mono sine tone as a WAV image.
Bytes toneWav(double hz) {
    Bytes b;
    const uint32_t frames = rate;
    putTag(b, "RIFF");
    put32(b, 36 + 2 * frames);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, 1);
    put32(b, rate);
    put32(b, rate * 2);
    put16(b, 2);
    put16(b, 16);
    putTag(b, "data");
    put32(b, 2 * frames);
    for (uint32_t i = 0; i < frames; ++i)
        put16(b, static_cast<uint16_t>(
                     static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / rate))));
    return b;
}

// A four-channel MOD with a looping note on every channel and a melody that
// changes every row.
Bytes busyMod() {
    Bytes b(1084, 0);
    std::memcpy(b.data(), "bench", 5);
    for (int s = 0; s < 2; ++s) {
        uint8_t* h = b.data() + 20 + 30 * s;
        h[23] = 128; // 256 bytes
        h[25] = 48;
        h[29] = 128; // loop all of it
    }
    b[950] = 1;
    b[951] = 127;
    std::memcpy(b.data() + 1080, "M.K.", 4);
    static const int periods[] = {428, 381, 339, 320, 285, 254, 226, 214};
    for (int row = 0; row < 64; ++row) {
        for (int ch = 0; ch < 4; ++ch) {
            int period = periods[(row + 3 * ch) % 8] * (ch % 2 ? 2 : 1);
            int sample = 1 + ch % 2;
            b.push_back(static_cast<uint8_t>((sample & 0xf0) | (period >> 8)));
            b.push_back(static_cast<uint8_t>(period & 0xff));
            b.push_back(static_cast<uint8_t>((sample & 0x0f) << 4));
            b.push_back(0);
        }
    }
    for (int s = 0; s < 2; ++s)
        for (int i = 0; i < 256; ++i)
            b.push_back(
                static_cast<uint8_t>(s == 0 ? static_cast<int8_t>(100 * std::sin(2 * M_PI * i / 64))
                                            : (i % 32 < 16 ? 90 : -90)));
    return b;
}

void useDiskDevice() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
}

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

// Reports, per iteration, the CPU seconds the process spent per second of
// audio that `frames()` says the device consumed.
template <class Frames>
void measure(benchmark::State& state, Frames frames) {
    const uint64_t wanted = static_cast<uint64_t>(audioSecondsPerIteration * rate);
    double cpuTotal = 0;
    double audioTotal = 0;
    for (auto _ : state) {
        uint64_t f0 = frames();
        double c0 = processCpuSeconds();
        while (frames() - f0 < wanted)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        double c1 = processCpuSeconds();
        uint64_t f1 = frames();
        double audio = static_cast<double>(f1 - f0) / rate;
        state.SetIterationTime((c1 - c0) / audio);
        cpuTotal += c1 - c0;
        audioTotal += audio;
    }
    state.counters["core_percent"] = 100 * cpuTotal / audioTotal;
}

void RippleEngine(benchmark::State& state) {
    useDiskDevice();
    sound::SoundEngine engine;
    if (!engine.init(sound::SoundEngine::outputDefault, -1, false, 1024)) {
        state.SkipWithError("no disk audio device");
        return;
    }
    std::vector<lang::Ref<sound::Sample>> samples;
    for (int i = 0; i < 4; ++i) {
        Bytes wav = toneWav(220.0 * (i + 1));
        samples.push_back(engine.loadSample(wav.data(), wav.size()));
    }
    for (int i = 0; i < sampleVoices; ++i) {
        int ch = engine.playSample(samples[i % 4].get(), true);
        engine.setLoopMode(ch, true);
        engine.setVolume(ch, 40 + 7 * i);
        engine.setPan(ch, (i * 8) % 256);
        engine.setFrequency(ch, static_cast<int>(rate * (0.5 + 0.05 * i)));
        engine.setPaused(ch, false);
    }
    Bytes mod = busyMod();
    lang::Ref<sound::Module> music = engine.loadModule(mod.data(), mod.size());
    if (!music || !engine.playModule(music.get(), true)) {
        state.SkipWithError("module did not load");
        return;
    }
    measure(state, [&] { return engine.getDeviceFrames(); });
    state.SetLabel("31 voices at varied pitch + module; ms CPU per s of audio");
    engine.close();
}

// The mixing loop alone, pulled offline on this thread.
void RippleMixOffline(benchmark::State& state) {
    sound::SoundEngine engine;
    engine.init(sound::SoundEngine::outputNone, -1, false);
    std::vector<lang::Ref<sound::Sample>> samples;
    for (int i = 0; i < 4; ++i) {
        Bytes wav = toneWav(220.0 * (i + 1));
        samples.push_back(engine.loadSample(wav.data(), wav.size()));
    }
    for (int i = 0; i < sampleVoices; ++i) {
        int ch = engine.playSample(samples[i % 4].get());
        engine.setLoopMode(ch, true);
        engine.setVolume(ch, 40 + 7 * i);
        engine.setPan(ch, (i * 8) % 256);
        engine.setFrequency(ch, static_cast<int>(rate * (0.5 + 0.05 * i)));
    }
    Bytes mod = busyMod();
    lang::Ref<sound::Module> music = engine.loadModule(mod.data(), mod.size());
    engine.playModule(music.get(), true);
    std::vector<int16_t> out(2 * rate);
    for (auto _ : state) {
        engine.render(out.data(), rate);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel("one second of audio, 31 voices + module, no device");
}

#ifdef RIPPLE_HAVE_SDL_MIXER
std::atomic<uint64_t> mixerFrames{0};

void countFrames(void*, Uint8*, int len) {
    mixerFrames.fetch_add(static_cast<uint64_t>(len / 4));
}

void SdlMixer(benchmark::State& state) {
    useDiskDevice();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        state.SkipWithError("no disk audio device");
        return;
    }
    Mix_Init(MIX_INIT_MOD);
    if (Mix_OpenAudio(rate, AUDIO_S16SYS, 2, 1024) != 0) {
        state.SkipWithError(Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    Mix_AllocateChannels(32);
    std::vector<Mix_Chunk*> chunks;
    for (int i = 0; i < 4; ++i) {
        Bytes wav = toneWav(220.0 * (i + 1));
        chunks.push_back(
            Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1));
    }
    for (int i = 0; i < sampleVoices; ++i) {
        Mix_Volume(i, (40 + 7 * i) / 2);
        int pan = (i * 8) % 256;
        Mix_SetPanning(i, static_cast<Uint8>(255 - pan), static_cast<Uint8>(pan));
        Mix_PlayChannel(i, chunks[i % 4], -1);
    }
    Bytes mod = busyMod();
    Mix_Music* music =
        Mix_LoadMUS_RW(SDL_RWFromConstMem(mod.data(), static_cast<int>(mod.size())), 1);
    if (music == nullptr || Mix_PlayMusic(music, -1) != 0) {
        state.SkipWithError("module did not load");
    } else {
        Mix_SetPostMix(countFrames, nullptr);
        measure(state, [] { return mixerFrames.load(); });
        state.SetLabel("31 channels (no pitch) + module; ms CPU per s of audio");
        Mix_SetPostMix(nullptr, nullptr);
    }
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    if (music)
        Mix_FreeMusic(music);
    for (Mix_Chunk* c : chunks)
        Mix_FreeChunk(c);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
BENCHMARK(SdlMixer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
#endif

} // namespace

BENCHMARK(RippleEngine)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(RippleMixOffline)->Unit(benchmark::kMillisecond);
