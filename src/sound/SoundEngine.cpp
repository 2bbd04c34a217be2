#include "sound/SoundEngine.h"

#include "sound/Module.h"
#include "sound/Sample.h"
#include "sound/Stream.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace sound {

using lang::Ref;

namespace {
// The feeder wakes this often while a stream or module plays: the ring holds
// far more than that even at high playback rates.
constexpr auto feedPeriod = std::chrono::milliseconds(10);
constexpr auto idlePeriod = std::chrono::milliseconds(200);
// With the device suspended only a play call has anything for the feeder.
constexpr auto suspendedPeriod = std::chrono::milliseconds(1000);
constexpr auto deviceCheckPeriod = std::chrono::milliseconds(250);
constexpr auto reopenPeriod = std::chrono::milliseconds(1000);
// How long a callback waits for the feeder when a stream ran dry.
constexpr auto starvedWait = std::chrono::milliseconds(5);
} // namespace

SoundEngine::SoundEngine() = default;

SoundEngine::~SoundEngine() {
    close();
}

// Never destroyed: clips held in static storage elsewhere may still stop
// their sounds while the program exits. closeAudio() is the shutdown.
SoundEngine& SoundEngine::shared() {
    static SoundEngine* engine = new SoundEngine();
    return *engine;
}

bool SoundEngine::init(int outputKind, int driver, bool option, int bufferFrames) {
    std::lock_guard<std::mutex> guard(controlMutex);
    if (open.load(std::memory_order_relaxed))
        return true;
    mixer.setInterpolation(!option);
    if (outputKind != outputNone) {
        std::lock_guard<std::mutex> device(deviceMutex);
        if (!output.open(outputKind, driver, rate, bufferFrames, &SoundEngine::deviceCallback,
                         this))
            return false;
    }
    deviceSuspended.store(false);
    open.store(true, std::memory_order_release);
    if (outputKind != outputNone)
        startService();
    return true;
}

void SoundEngine::close() {
    std::lock_guard<std::mutex> guard(controlMutex);
    if (!open.load(std::memory_order_relaxed))
        return;
    stopService();
    {
        std::lock_guard<std::mutex> device(deviceMutex);
        output.close();
        deviceSuspended.store(false);
    }
    mixer.stopAll();
    open.store(false, std::memory_order_release);
}

bool SoundEngine::hasDevice() const {
    std::lock_guard<std::mutex> device(deviceMutex);
    return output.isOpen() || output.isSuspended();
}

void SoundEngine::deviceCallback(void* user, int16_t* out, int frames) {
    auto* self = static_cast<SoundEngine*>(user);
    if (self->mixer.needsData(frames))
        self->waitForFeeder();
    self->mixer.render(out, frames);
    self->callbacks.fetch_add(1, std::memory_order_relaxed);
    self->deviceFrames.fetch_add(static_cast<uint64_t>(frames), std::memory_order_relaxed);
}

// The feeder normally stays far ahead of the device; when it has fallen
// behind (a loaded machine, or a device that plays faster than real time) a
// short wait for one feeding round beats a gap in the sound.
void SoundEngine::waitForFeeder() {
    uint64_t seen;
    {
        std::lock_guard<std::mutex> guard(fedMutex);
        seen = fedRounds;
    }
    {
        std::lock_guard<std::mutex> guard(serviceMutex);
        feedRequested = true;
    }
    serviceWake.notify_all();
    std::unique_lock<std::mutex> lock(fedMutex);
    fedWake.wait_for(lock, starvedWait, [&] { return fedRounds != seen; });
}

void SoundEngine::render(int16_t* out, int frames) {
    while (frames > 0) {
        int n = std::min(frames, Mixer::maxChunk);
        fillSources();
        mixer.render(out, n);
        out += 2 * n;
        frames -= n;
    }
}

void SoundEngine::fillSources() {
    std::lock_guard<std::mutex> guard(sourcesMutex);
    for (BufferedSource* s : sources) {
        if (s->attached.load(std::memory_order_relaxed))
            s->fill();
    }
}

void SoundEngine::startService() {
    {
        std::lock_guard<std::mutex> guard(serviceMutex);
        serviceStop = false;
    }
    service = std::thread([this] { serviceLoop(); });
}

void SoundEngine::stopService() {
    if (!service.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(serviceMutex);
        serviceStop = true;
    }
    serviceWake.notify_all();
    service.join();
}

void SoundEngine::serviceLoop() {
    using clock = std::chrono::steady_clock;
    auto nextCheck = clock::now() + deviceCheckPeriod;
    auto silentSince = clock::now();
    bool lost = false;
    for (;;) {
        bool busy;
        {
            std::lock_guard<std::mutex> guard(sourcesMutex);
            busy = std::any_of(sources.begin(), sources.end(), [](BufferedSource* s) {
                return s->attached.load(std::memory_order_relaxed);
            });
        }
        {
            std::unique_lock<std::mutex> lock(serviceMutex);
            auto period = busy ? feedPeriod : deviceSuspended.load() ? suspendedPeriod : idlePeriod;
            serviceWake.wait_for(lock, period, [this] { return serviceStop || deviceWanted; });
            if (serviceStop)
                return;
            deviceWanted = false;
        }
        fillSources();
        serviceDevice(lost, silentSince, nextCheck);
    }
}

void SoundEngine::serviceDevice(bool& lost, std::chrono::steady_clock::time_point& silentSince,
                                std::chrono::steady_clock::time_point& nextCheck) {
    using clock = std::chrono::steady_clock;
    auto now = clock::now();
    std::lock_guard<std::mutex> device(deviceMutex);
    bool playing = mixer.countPlaying() > 0;
    if (deviceSuspended.load()) {
        // A failed open is tried again on the next round.
        if (playing && output.resume())
            deviceSuspended.store(false);
        silentSince = now;
        nextCheck = now + deviceCheckPeriod;
        return;
    }
    int after = suspendAfter.load();
    if (playing || lost || after < 0)
        silentSince = now;
    else if (now - silentSince >= std::chrono::milliseconds(after) && output.isOpen()) {
        output.suspend();
        deviceSuspended.store(true);
        // A sound started just before the flag was set found the device
        // awake and asked for nothing: it is seen here.
        if (mixer.countPlaying() > 0 && output.resume())
            deviceSuspended.store(false);
        return;
    }
    if (now < nextCheck)
        return;
    if (lost || output.isLost())
        lost = !output.reopen();
    nextCheck = now + (lost ? reopenPeriod : deviceCheckPeriod);
}

void SoundEngine::wakeDevice() {
    if (!deviceSuspended.load())
        return;
    {
        std::lock_guard<std::mutex> guard(serviceMutex);
        deviceWanted = true;
    }
    serviceWake.notify_all();
}

bool SoundEngine::recoverDevice() {
    std::lock_guard<std::mutex> device(deviceMutex);
    bool opened = output.reopen();
    deviceSuspended.store(false);
    return opened;
}

void SoundEngine::enlist(BufferedSource* source) {
    std::lock_guard<std::mutex> guard(sourcesMutex);
    sources.push_back(source);
}

void SoundEngine::forget(const Sample* sample) {
    mixer.detach(sample);
}

void SoundEngine::forget(BufferedSource* source) {
    mixer.detach(source);
    std::lock_guard<std::mutex> guard(sourcesMutex);
    sources.erase(std::remove(sources.begin(), sources.end(), source), sources.end());
}

Ref<Sample> SoundEngine::loadSample(const void* data, size_t size) {
    return Sample::load(this, data, size);
}

Ref<Sample> SoundEngine::loadSampleFile(const char* path) {
    return Sample::loadFile(this, path);
}

Ref<Stream> SoundEngine::openStream(const void* data, size_t size) {
    return Stream::open(this, data, size);
}

Ref<Stream> SoundEngine::openStreamFile(const char* path) {
    return Stream::openFile(this, path);
}

Ref<Module> SoundEngine::loadModule(const void* data, size_t size) {
    return Module::load(this, data, size);
}

Ref<Module> SoundEngine::loadModuleFile(const char* path) {
    return Module::loadFile(this, path);
}

int SoundEngine::playSample(Sample* sample, bool paused) {
    if (!isOpen() || sample == nullptr)
        return -1;
    int channel = mixer.playSample(sample, paused);
    if (channel >= 0)
        wakeDevice();
    return channel;
}

int SoundEngine::playStream(Stream* stream, bool paused) {
    if (!isOpen() || stream == nullptr)
        return -1;
    std::lock_guard<std::mutex> guard(controlMutex);
    mixer.detach(stream);
    stream->looping.store(false, std::memory_order_relaxed);
    stream->restart();
    int channel = mixer.playSource(stream, false, paused);
    serviceWake.notify_all();
    if (channel >= 0)
        wakeDevice();
    return channel;
}

bool SoundEngine::stop(int channel) {
    return mixer.stop(channel);
}

bool SoundEngine::setPaused(int channel, bool paused) {
    return mixer.setPaused(channel, paused);
}

bool SoundEngine::setLoopMode(int channel, bool loop) {
    bool done = mixer.setLoopMode(channel, loop);
    if (done && loop)
        serviceWake.notify_all();
    return done;
}

bool SoundEngine::setVolume(int channel, int volume) {
    return mixer.setVolume(channel, volume);
}

bool SoundEngine::setPan(int channel, int pan) {
    return mixer.setPan(channel, pan);
}

bool SoundEngine::setFrequency(int channel, int hz) {
    return mixer.setFrequency(channel, hz);
}

bool SoundEngine::playModule(Module* module, bool loop) {
    if (!isOpen() || module == nullptr)
        return false;
    std::lock_guard<std::mutex> guard(controlMutex);
    mixer.detach(module);
    module->looping.store(loop, std::memory_order_relaxed);
    module->restart();
    int voice = mixer.playSource(module, true, false);
    module->voice.store(voice, std::memory_order_relaxed);
    if (voice < 0)
        return false;
    mixer.setLoopMode(voice, loop);
    serviceWake.notify_all();
    wakeDevice();
    return true;
}

bool SoundEngine::stopModule(Module* module) {
    return module && mixer.stop(module->voice.load(std::memory_order_relaxed));
}

bool SoundEngine::setModulePaused(Module* module, bool paused) {
    return module && mixer.setPaused(module->voice.load(std::memory_order_relaxed), paused);
}

bool SoundEngine::isModulePlaying(Module* module) {
    return module && mixer.isPlaying(module->voice.load(std::memory_order_relaxed));
}

bool SoundEngine::isModulePaused(Module* module) {
    return module && mixer.isPaused(module->voice.load(std::memory_order_relaxed));
}

bool SoundEngine::setModuleVolume(Module* module, int volume) {
    return module && mixer.setVolume(module->voice.load(std::memory_order_relaxed), volume);
}

bool SoundEngine::setModulePitch(Module* module, float pitch) {
    if (module == nullptr || !(pitch > 0.0f))
        return false;
    double hz = std::min(static_cast<double>(Mixer::maxFrequency), double(rate) * pitch);
    return mixer.setFrequency(module->voice.load(std::memory_order_relaxed),
                              static_cast<int>(std::lround(hz)));
}

} // namespace sound
