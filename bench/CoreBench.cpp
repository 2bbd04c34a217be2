// The object core's hot operations beside their standard-library equivalents.
#include "core/Hashtable.h"
#include "core/String.h"
#include "core/Vector.h"

#include <benchmark/benchmark.h>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

using lang::adopt;
using lang::Ref;
using lang::String;

static void BM_AddRefRelease(benchmark::State& state) {
    auto o = adopt(new lang::Object);
    for (auto _ : state) {
        o->addRef();
        o->release();
    }
}
BENCHMARK(BM_AddRefRelease);

static void BM_SharedPtrCopy(benchmark::State& state) {
    auto p = std::make_shared<int>(1);
    for (auto _ : state) {
        std::shared_ptr<int> copy = p;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_SharedPtrCopy);

// Append n elements, then remove them all from the front: a queue.
static void BM_VectorQueue(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto item = adopt(new lang::Object);
    for (auto _ : state) {
        lang::Vector v(10);
        for (int i = 0; i < n; ++i)
            v.addElement(item.get());
        while (v.size() > 0)
            v.removeElementAt(0);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VectorQueue)->Arg(1000);

static void BM_StdDequeOfSharedPtrQueue(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto item = std::make_shared<int>(1);
    for (auto _ : state) {
        std::deque<std::shared_ptr<int>> v;
        for (int i = 0; i < n; ++i)
            v.push_back(item);
        while (!v.empty())
            v.pop_front();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdDequeOfSharedPtrQueue)->Arg(1000);

static void BM_StdVectorEraseFront(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto item = std::make_shared<int>(1);
    for (auto _ : state) {
        std::vector<std::shared_ptr<int>> v;
        for (int i = 0; i < n; ++i)
            v.push_back(item);
        while (!v.empty())
            v.erase(v.begin());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdVectorEraseFront)->Arg(1000);

namespace {
std::vector<std::string> makeKeys(int n) {
    std::vector<std::string> keys;
    for (int i = 0; i < n; ++i)
        keys.push_back("sprite" + std::to_string(i * 7919));
    return keys;
}
} // namespace

// Build a table of n sprite-like names, then look every one up.
static void BM_HashtablePutGet(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto names = makeKeys(n);
    std::vector<Ref<String>> keys;
    for (auto& k : names)
        keys.push_back(adopt(new String(k.c_str())));
    auto value = adopt(new lang::Object);
    for (auto _ : state) {
        lang::Hashtable t;
        for (auto& k : keys)
            t.put(k.get(), value.get());
        for (auto& k : keys)
            benchmark::DoNotOptimize(t.get(k.get()));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_HashtablePutGet)->Arg(1000);

static void BM_StdUnorderedMapPutGet(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto keys = makeKeys(n);
    auto value = std::make_shared<int>(1);
    for (auto _ : state) {
        std::unordered_map<std::string, std::shared_ptr<int>> t;
        for (auto& k : keys)
            t.emplace(k, value);
        for (auto& k : keys)
            benchmark::DoNotOptimize(t.find(k));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdUnorderedMapPutGet)->Arg(1000);

// Lookups alone in a filled table, the data loader's and the game's pattern.
static void BM_HashtableGet(benchmark::State& state) {
    auto names = makeKeys(2000);
    std::vector<Ref<String>> keys;
    lang::Hashtable t;
    auto value = adopt(new lang::Object);
    for (auto& k : names) {
        keys.push_back(adopt(new String(k.c_str())));
        t.put(keys.back().get(), value.get());
    }
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t.get(keys[i].get()));
        i = (i + 1) % keys.size();
    }
}
BENCHMARK(BM_HashtableGet);

static void BM_StdUnorderedMapGet(benchmark::State& state) {
    auto keys = makeKeys(2000);
    std::unordered_map<std::string, int> t;
    for (auto& k : keys)
        t.emplace(k, 1);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t.find(keys[i]));
        i = (i + 1) % keys.size();
    }
}
BENCHMARK(BM_StdUnorderedMapGet);
