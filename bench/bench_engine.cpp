// Engine figures: the polling tick and the playback, on the simulated desktop.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {
void load_table(bool same_first_byte) {
    reset_engine();
    std::string text;
    for (int i = 0; i < 255; ++i) {
        // Triggers all ending in "q" agree with a typed "q" on the first byte compared.
        text += (same_first_byte ? "zz" + std::to_string(i) + "q" : "t" + std::to_string(i) + "x") +
                "=out\r\n";
    }
    engine.file.text = text;
    parse_trigger_text(engine.file.text.data(), engine.file.text.size(), engine.file.table,
                       nullptr);
}

// One tick that finds a new key and scans the whole table without a match.
void tick_with_new_key(benchmark::State& state, int vk) {
    sim_set_key(vk, true);
    for (auto _ : state) {
        engine.keys.key_state[vk] = 0; // seen as a new press again
        polling_tick();
    }
}
} // namespace

static void BM_PollingTickNoMatch(benchmark::State& state) {
    sim_reset();
    load_table(false);
    tick_with_new_key(state, 'Q');
}
BENCHMARK(BM_PollingTickNoMatch);

static void BM_PollingTickEveryEntryAgreesOnFirstByte(benchmark::State& state) {
    sim_reset();
    load_table(true);
    tick_with_new_key(state, 'Q');
}
BENCHMARK(BM_PollingTickEveryEntryAgreesOnFirstByte);

// What the tick spends in the simulated seam alone: 255 key reads and the timer calls.
static void BM_PollingTickSeamCalls(benchmark::State& state) {
    sim_reset();
    for (auto _ : state) {
        kill_timer(polling_timer);
        for (int vk = 0; vk < 255; ++vk)
            benchmark::DoNotOptimize(key_is_down(vk));
        set_timer(polling_timer, 10);
    }
}
BENCHMARK(BM_PollingTickSeamCalls);

static void BM_PlaybackOf4KiB(benchmark::State& state) {
    std::string output;
    while (output.size() < 4096)
        output += "Dear Sir or Madam, {Enter}thank you for your letter of 7 May. ";
    output.resize(4096);
    std::size_t events = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sim_reset();
        state.ResumeTiming();
        // The preparation reads the text into steps; the first tick plays them.
        start_playback(compile_output(output));
        playback_tick();
        events += sim_key_events().size();
    }
    state.counters["key_events_per_s"] =
        benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlaybackOf4KiB)->Unit(benchmark::kMicrosecond);

// Composing a fired output whose snips double at every line: the worst a
// trigger file can ask of a firing, cut off by the bound on snips.
static void BM_ComposeDoublingSnips(benchmark::State& state) {
    sim_reset();
    reset_engine();
    std::string text;
    for (int i = 0; i < 254; ++i)
        text += "q" + std::to_string(i) + "={Snip:q" + std::to_string(i + 1) + "}{Snip:q" +
                std::to_string(i + 1) + "}x{Cursor}y\r\n";
    text += "q254=end\r\n";
    engine.file.text = text;
    parse_trigger_text(engine.file.text.data(), engine.file.text.size(), engine.file.table,
                       nullptr);
    for (auto _ : state) {
        compose_fired_output(0);
        benchmark::DoNotOptimize(engine.prepare.markup.size());
    }
}
BENCHMARK(BM_ComposeDoublingSnips);
