// Time to load the shipped English layout: from the file (as the main window does) and
// from memory (the XML and conversion work alone).

#include "layout/LayoutLoader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const CLayoutLoader& Loader()
{
    static const CLayoutLoader loader([] { return std::wstring(L"/home/user/.local/share"); });
    return loader;
}

void ParseEnglishLayoutFile(benchmark::State& state)
{
    const std::filesystem::path path(TRAVELKIN_ENGLISH_LAYOUT);
    const std::wstring layout = path.wstring();
    DialogLayoutInfo info;
    for (auto _ : state) {
        Loader().ParseLayout(layout, 201, L"Standard", info);
        benchmark::DoNotOptimize(info.mapCtrlInfo.size());
    }
    if (info.mapCtrlInfo.size() != 9)
        state.SkipWithError("the English layout did not load");
}
BENCHMARK(ParseEnglishLayoutFile)->Unit(benchmark::kMicrosecond);

void ParseEnglishLayoutInMemory(benchmark::State& state)
{
    std::ifstream file(TRAVELKIN_ENGLISH_LAYOUT, std::ios::binary);
    const std::string document{std::istreambuf_iterator<char>(file), {}};
    DialogLayoutInfo info;
    for (auto _ : state) {
        Loader().ParseLayoutBuffer(document, 201, L"Standard", info);
        benchmark::DoNotOptimize(info.mapCtrlInfo.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document.size()));
}
BENCHMARK(ParseEnglishLayoutInMemory)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
