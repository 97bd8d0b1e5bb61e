// The online list reader against a plain line scan of the same bytes.
#include <cstring>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "PerformerPool.h"
#include "site/MemoryLineSource.h"
#include "site/OnlineListReader.h"

namespace {

const std::string& Script(int performers)
{
    static std::map<int, std::string> cache;
    auto it = cache.find(performers);
    if (it == cache.end()) {
        sitesim::PerformerPool pool(11, performers);
        it = cache.emplace(performers, sitesim::PerformerPool::RenderScript(pool.Performers())).first;
    }
    return it->second;
}

size_t CountLines(const std::string& text)
{
    size_t lines = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
        ++lines;
        ++p;
    }
    return lines;
}

void SetCounters(benchmark::State& state, const std::string& text)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["ns_per_line"] = benchmark::Counter(
        static_cast<double>(state.iterations() * CountLines(text)),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ListReader(benchmark::State& state)
{
    const std::string& text = Script(static_cast<int>(state.range(0)));
    OnlineListReader reader;
    for (auto _ : state) {
        MemoryLineSource source(text);
        UserList list;
        reader.Read(source, list);
        benchmark::DoNotOptimize(list.size());
    }
    SetCounters(state, text);
}

void BM_MemchrLineScan(benchmark::State& state)
{
    const std::string& text = Script(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(CountLines(text));
    SetCounters(state, text);
}

} // namespace

BENCHMARK(BM_ListReader)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrLineScan)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
