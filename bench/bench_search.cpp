// The search window's work per keystroke: filtering and ranking every trigger
// of a 1 MiB file. Figures for the closing notes; not a test.
#include "engine/search.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {
// 255 triggers with labels and long outputs, 1 MiB in all.
std::string labelled_file() {
    std::string text;
    const std::size_t per_trigger = (1u << 20) / 255;
    for (int i = 0; i < 255; ++i) {
        std::string block = "; Customer letter number " + std::to_string(i) +
                            " for the weekly report\r\n" + "qq" + std::to_string(i) + "=";
        while (block.size() < per_trigger - 2)
            block += "Dear {{dd}} team, please find the summary below{Enter}{Tab} ";
        block.resize(per_trigger - 2);
        text += block + "\r\n";
    }
    return text;
}
} // namespace

static void BM_RankAllTriggersForATenLetterQuery(benchmark::State& state) {
    const std::string text = labelled_file();
    const std::vector<SearchItem> items = search_items(text.data(), text.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(search_rank(items, "weeklyrept"));
    state.counters["items"] = static_cast<double>(items.size());
}
BENCHMARK(BM_RankAllTriggersForATenLetterQuery)->Unit(benchmark::kMicrosecond);

static void BM_ReadTheItemsOfAOneMebibyteFile(benchmark::State& state) {
    const std::string text = labelled_file();
    for (auto _ : state)
        benchmark::DoNotOptimize(search_items(text.data(), text.size()));
}
BENCHMARK(BM_ReadTheItemsOfAOneMebibyteFile)->Unit(benchmark::kMillisecond);
