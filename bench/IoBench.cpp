// Tokenizer throughput on a generated data file, and resource lookups on a
// container of 2,000 entries.

#include "io/ByteArrayInputStream.h"
#include "io/ResourceFile.h"
#include "io/ResourceFileWriter.h"
#include "io/ResourceItem.h"
#include "io/StreamTokenizer.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// About 1 MB in the style of the main data file: section tags, quoted names,
// numbers (decimal, negative, hexadecimal), comments, LF line ends.
const std::string& dataFile() {
    static const std::string text = [] {
        std::string out;
        int line = 0;
        while (out.size() < (1 << 20)) {
            out += "<sprites>\n";
            for (int i = 0; i < 50; ++i, ++line) {
                out += "\"sprite" + std::to_string(line) + "\" AnimateSprite img" +
                       std::to_string(line % 97) + " " + std::to_string(line % 800) + " -" +
                       std::to_string(line % 600) + " 0x" + std::to_string(line % 10) + "F 2.5";
                out += (i % 5 == 0) ? " ; a comment about this sprite\n" : "\n";
            }
            out += "<end>\n";
        }
        return out;
    }();
    return text;
}

void BM_TokenizeDataFile(benchmark::State& state) {
    const std::string& text = dataFile();
    int64_t tokens = 0;
    for (auto _ : state) {
        auto in = lang::adopt(new lang::ByteArrayInputStream(
            reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size())));
        auto tok = lang::adopt(new lang::StreamTokenizer(in.get()));
        tok->commentChar(';');
        tok->quoteChar('"');
        tok->parseNumbers();
        tok->wordChars('<', '<');
        tok->wordChars('>', '>');
        while (tok->nextToken() != lang::StreamTokenizer::TT_EOF)
            ++tokens;
    }
    state.counters["tokens/s"] =
        benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_TokenizeDataFile)->Unit(benchmark::kMillisecond);

// A registered container of 2,000 entries of the given size, removed at exit.
struct Container {
    std::filesystem::path folder;
    std::vector<std::string> names;

    explicit Container(int entrySize) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ripple-iobench-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        lang::ResourceFileWriter writer;
        std::vector<uint8_t> bytes(static_cast<size_t>(entrySize), 0x5A);
        for (int i = 0; i < 2000; ++i) {
            names.push_back("entry/" + std::to_string(i * 7919 % 100000) + ".png");
            writer.addEntry(names.back(), bytes.data(), entrySize);
        }
        std::string path = (folder / "bench.bin").string();
        writer.writeTo(path.c_str());
        lang::clearResourceFiles();
        lang::registerResourceFile(path.c_str());
    }
    ~Container() {
        lang::clearResourceFiles();
        std::filesystem::remove_all(folder);
    }
};

void BM_FindResource(benchmark::State& state) {
    Container container(static_cast<int>(state.range(0)));
    std::vector<lang::Ref<lang::String>> keys;
    for (const std::string& name : container.names)
        keys.push_back(lang::adopt(new lang::String(name.c_str())));
    size_t i = 0;
    for (auto _ : state) {
        auto item = lang::findResource(*keys[i]);
        benchmark::DoNotOptimize(item.get());
        i = (i + 997) % keys.size();
    }
    state.counters["lookups/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindResource)->Arg(64)->Arg(16384);

void BM_FindMissingResource(benchmark::State& state) {
    Container container(64);
    lang::String missing("entry/missing.png");
    for (auto _ : state)
        benchmark::DoNotOptimize(lang::findResource(missing).get());
    state.counters["lookups/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindMissingResource);

} // namespace
