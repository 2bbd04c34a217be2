#include "support/SoundData.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace testsound {

namespace {

void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

void putTag(Bytes& b, const char* tag) {
    b.insert(b.end(), tag, tag + 4);
}

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

Bytes makeWav(const std::vector<int16_t>& pcm, int channels, int rate) {
    Bytes b;
    uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    putTag(b, "RIFF");
    put32(b, 36 + dataBytes);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, static_cast<uint32_t>(channels));
    put32(b, static_cast<uint32_t>(rate));
    put32(b, static_cast<uint32_t>(rate * channels * 2));
    put16(b, static_cast<uint32_t>(channels * 2));
    put16(b, 16);
    putTag(b, "data");
    put32(b, dataBytes);
    for (int16_t v : pcm)
        put16(b, static_cast<uint16_t>(v));
    return b;
}

Bytes makeOgg(int frames, int channels, int rate, double hz) {
    return makeSine(SF_FORMAT_OGG | SF_FORMAT_VORBIS, frames, channels, rate, hz, 0.5);
}

Bytes makeSine(int format, int frames, int channels, int rate, double hz, double amplitude) {
    std::string path = writeTemp({}, ".snd");
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr)
        return {};
    std::vector<float> pcm(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<size_t>(i) * channels + c] =
                static_cast<float>(amplitude * std::sin(2 * M_PI * hz * i / rate));
    sf_writef_float(f, pcm.data(), frames);
    sf_close(f);
    Bytes bytes = readAll(path);
    std::remove(path.c_str());
    return bytes;
}

Bytes makeMod() {
    Bytes b(1084, 0);
    std::memcpy(b.data(), "square test", 11);
    // Sample 1: 32 words of square wave, full volume, looping over all of it.
    uint8_t* s = b.data() + 20;
    std::memcpy(s, "square", 6);
    s[22] = 0;
    s[23] = 32;
    s[24] = 0;
    s[25] = 64;
    s[26] = 0;
    s[27] = 0;
    s[28] = 0;
    s[29] = 32;
    b[950] = 1;   // song length
    b[951] = 127; // restart position
    b[952] = 0;   // the one pattern
    std::memcpy(b.data() + 1080, "M.K.", 4);
    Bytes pattern(64 * 4 * 4, 0);
    // Row 0, channel 0: sample 1 at period 428.
    pattern[0] = 0x01;
    pattern[1] = 0xac;
    pattern[2] = 0x10;
    b.insert(b.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < 64; ++i)
        b.push_back(static_cast<uint8_t>(i < 32 ? 100 : -100));
    return b;
}

std::vector<int16_t> constant(int frames, int16_t value) {
    return std::vector<int16_t>(static_cast<size_t>(frames), value);
}

std::string writeTemp(const Bytes& bytes, const char* suffix) {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/ripple-sound-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    int fd = mkstemps(name.data(), static_cast<int>(std::strlen(suffix)));
    if (fd < 0)
        return {};
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    ::close(fd);
    return std::string(name.data());
}

int peak(const std::vector<int16_t>& pcm) {
    int p = 0;
    for (int16_t v : pcm)
        p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

double rms(const std::vector<int16_t>& pcm) {
    if (pcm.empty())
        return 0;
    double sum = 0;
    for (int16_t v : pcm)
        sum += double(v) * v;
    return std::sqrt(sum / pcm.size());
}

} // namespace testsound
