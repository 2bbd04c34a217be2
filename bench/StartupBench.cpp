// The parts of the game's start with its full data (the build's ripple.bin),
// each measured on its own; bench/startup-timing.py times the whole start of
// the real program from exec to its first frame.
//
//  - RegisterContainer: ripple.bin opened and its index read.
//  - DecodeSceneImages: every image the scene files name, decoded from the
//    container (the loader decodes them as it creates the sprites).
//  - DecodeSceneSounds: every sound of the main data file decoded.
//  - LoadScene: the main data file read as the loader thread reads it:
//    sounds, numbers, strings and every sprite with its images. Creating the
//    sprites costs this minus the two decoding figures.
#include "core/Hashtable.h"
#include "core/String.h"
#include "core/Vector.h"
#include "engine/DataLoader.h"
#include "gfx/Image.h"
#include "io/ResourceFile.h"
#include "io/ResourceItem.h"
#include "sound/AudioClip.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using lang::adopt;
using lang::Ref;
using lang::String;

namespace {

const std::string dataFolder = RIPPLE_DATA_DIR;
const std::string container = dataFolder + "/ripple.bin";

void registerData() {
    lang::clearResourceFiles();
    lang::registerResourceFile(String(container.c_str()));
}

// The words of the scene files that are image keys of the container.
std::vector<std::string> sceneImageKeys() {
    std::set<std::string> keys;
    for (const auto& entry :
         std::filesystem::directory_iterator(RIPPLE_SOURCE_DATA_DIR "/scenes")) {
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line.substr(0, line.find(';')));
            std::string word;
            while (words >> word) {
                if (keys.count(word))
                    continue;
                Ref<lang::ResourceItem> item = lang::findResource(String(word.c_str()));
                if (!item || item->getSize() < 8)
                    continue;
                const uint8_t* b = item->getData();
                bool png = b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
                bool jpeg = b[0] == 0xFF && b[1] == 0xD8;
                bool gif = b[0] == 'G' && b[1] == 'I' && b[2] == 'F';
                if (png || jpeg || gif)
                    keys.insert(word);
            }
        }
    }
    return {keys.begin(), keys.end()};
}

void BM_RegisterContainer(benchmark::State& state) {
    for (auto _ : state)
        registerData();
    lang::clearResourceFiles();
}
BENCHMARK(BM_RegisterContainer)->Unit(benchmark::kMillisecond);

void BM_DecodeSceneImages(benchmark::State& state) {
    registerData();
    std::vector<std::string> keys = sceneImageKeys();
    int64_t pixels = 0;
    for (auto _ : state) {
        for (const std::string& key : keys) {
            auto image = adopt(new lang::Image(String(("+" + key).c_str())));
            if (!image->hasPixels())
                state.SkipWithError(("image " + key + " did not decode").c_str());
            pixels += int64_t(image->getWidth()) * image->getHeight();
        }
    }
    state.counters["images"] = double(keys.size());
    state.counters["Mpixels"] = double(pixels) / double(state.iterations()) / 1e6;
    lang::clearResourceFiles();
}
BENCHMARK(BM_DecodeSceneImages)->Unit(benchmark::kMillisecond);

// The sound names of the main data file, from one load.
std::vector<std::string> sceneSoundNames() {
    auto loader = adopt(new engine::DataLoader(String(dataFolder.c_str()), nullptr, nullptr));
    std::vector<std::string> names;
    if (!loader->load(String("+datafile")) || !loader->getSounds())
        return names;
    lang::Vector* sounds = loader->getSounds();
    for (int i = 0; i < sounds->size(); ++i)
        if (auto* clip = lang::as<lang::AudioClip>(sounds->elementAt(i)))
            names.push_back(clip->getName().getChars());
    return names;
}

void BM_DecodeSceneSounds(benchmark::State& state) {
    registerData();
    lang::AudioClip::initAudio(lang::AudioClip::outputNone, -1, false);
    std::vector<std::string> names = sceneSoundNames();
    for (auto _ : state) {
        for (const std::string& name : names) {
            auto clip = adopt(new lang::AudioClip());
            if (!clip->load(String(name.c_str()), lang::AudioClip::kindSample))
                state.SkipWithError(("sound " + name + " did not decode").c_str());
        }
    }
    state.counters["sounds"] = double(names.size());
    lang::AudioClip::closeAudio();
    lang::clearResourceFiles();
}
BENCHMARK(BM_DecodeSceneSounds)->Unit(benchmark::kMillisecond);

void BM_LoadScene(benchmark::State& state) {
    registerData();
    lang::AudioClip::initAudio(lang::AudioClip::outputNone, -1, false);
    int sprites = 0;
    for (auto _ : state) {
        auto loader = adopt(new engine::DataLoader(String(dataFolder.c_str()), nullptr, nullptr));
        if (!loader->load(String("+datafile")))
            state.SkipWithError("the data file did not load");
        sprites = loader->getCreated()->size();
    }
    state.counters["sprites"] = sprites;
    lang::AudioClip::closeAudio();
    lang::clearResourceFiles();
}
BENCHMARK(BM_LoadScene)->Unit(benchmark::kMillisecond);

} // namespace
