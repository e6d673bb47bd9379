// Figures for the closing notes; run with scripts/bench.sh. Not a test.
#include "triggers/triggers.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {
// A 1 MiB trigger file: 255 triggers with long outputs full of tokens.
std::string big_trigger_file() {
    std::string text = "; benchmark file\r\n";
    const std::string output_unit =
        "Dear {{dd}}.{{mm}}.{{yyyy}}{Enter}{Tab}%USERNAME% wrote{Delay=10} ";
    const std::size_t per_line = (1u << 20) / 255;
    for (int i = 0; i < 255; ++i) {
        std::string line = "{control}{alt}" + std::to_string(i) + "x{Enter}=";
        while (line.size() < per_line - 2)
            line += output_unit;
        line.resize(per_line - 2);
        text += line + "\r\n";
    }
    return text;
}
} // namespace

static void BM_ParseOneMebibyteFile(benchmark::State& state) {
    const std::string text = big_trigger_file();
    static TriggerTable table;
    for (auto _ : state) {
        table = TriggerTable{};
        apply_markers(text.c_str(), table);
        benchmark::DoNotOptimize(parse_trigger_text(text.data(), text.size(), table, nullptr));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["triggers"] = table.count;
}
BENCHMARK(BM_ParseOneMebibyteFile)->Unit(benchmark::kMillisecond);

static void BM_ReplaceKeyTokensOnBraces(benchmark::State& state) {
    const std::string braces(61, '{');
    char text[64];
    for (auto _ : state) {
        std::memcpy(text, braces.c_str(), braces.size() + 1);
        benchmark::DoNotOptimize(replace_key_tokens(text));
    }
}
BENCHMARK(BM_ReplaceKeyTokensOnBraces);

static void BM_ReplaceKeyTokensOnTokens(benchmark::State& state) {
    const std::string tokens = "{Enter}{Tab}{F1}{End}{Home}{Up}{Down}{Esc"; // 41 chars, 7 tokens
    char text[64];
    for (auto _ : state) {
        std::memcpy(text, tokens.c_str(), tokens.size() + 1);
        benchmark::DoNotOptimize(replace_key_tokens(text));
    }
}
BENCHMARK(BM_ReplaceKeyTokensOnTokens);
