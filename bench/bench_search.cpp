// The search window's work per keystroke: filtering and ranking every trigger
// of a 1 MiB file. Figures for the closing notes; not a test.
#include "engine/search.h"
#include "triggers/triggers.h"

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

// The file as the loader leaves it.
const LoadedFile& loaded(const std::string& text) {
    static LoadedFile file;
    file = LoadedFile{};
    file.text = text;
    parse_trigger_text(file.text.data(), file.text.size(), file.table, nullptr);
    return file;
}
} // namespace

static void BM_RankAllTriggersForATenLetterQuery(benchmark::State& state) {
    const std::string text = labelled_file();
    const std::vector<SearchItem> items = search_items(loaded(text));
    for (auto _ : state)
        benchmark::DoNotOptimize(search_rank(items, "weeklyrept"));
    state.counters["items"] = static_cast<double>(items.size());
}
BENCHMARK(BM_RankAllTriggersForATenLetterQuery)->Unit(benchmark::kMicrosecond);

static void BM_ReadTheItemsOfAOneMebibyteFile(benchmark::State& state) {
    const LoadedFile& file = loaded(labelled_file());
    for (auto _ : state)
        benchmark::DoNotOptimize(search_items(file));
}
BENCHMARK(BM_ReadTheItemsOfAOneMebibyteFile)->Unit(benchmark::kMillisecond);
