// Pattern trigger figures: a key that no pattern takes, and a pattern that
// backtracks without end. Run with scripts/bench.sh.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/sim/sim.h"
#include "triggers/patterns.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
// Fifty patterns of the kinds users write: units, calls, fractions, fixed
// words, dates, articles.
std::vector<std::string> fifty_pattern_texts() {
    const char* units[] = {"kg", "lb", "km", "mi", "cm", "ft", "oz", "ml", "mph", "kmh"};
    const char* calls[] = {"greet", "bye", "sig", "mail", "ask", "cite", "todo", "tag"};
    const char* typos[] = {"teh",   "adn",     "waht",       "taht",      "recieve", "seperate",
                           "wich",  "becuase", "definately", "occured",   "untill",  "alot",
                           "thier", "truely",  "goverment",  "enviroment"};
    std::vector<std::string> texts;
    for (const char* unit : units)
        texts.push_back(std::string("re:(\\d+(?:[.,]\\d+)?)") + unit + " ");
    for (const char* call : calls)
        texts.push_back(std::string("re::") + call + "\\((\\w+)\\)");
    for (const char* typo : typos)
        texts.push_back(std::string("re:(?i)\\b") + typo + "\\b ");
    const char* others[] = {
        "re:(\\d)/(\\d) ",
        "re:(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})!",
        "re:\\ba ([aeiou]\\w*) ",
        "re:(?<user>[\\w.]+)@@",
        "re:#(\\d+)#",
        "re:(\\w+)\\.\\.\\.",
        "re:\\$(\\d+)k ",
        "re:(?i)\\b(mon|tue|wed|thu|fri)day!",
        "re:([A-Z]{2,5})::",
        "re:(\\d+)x(\\d+)\\x3D",
        "re:;;(\\w+)",
        "re:\\+\\+(\\w+)",
        "re:(\\d+)(st|nd|rd|th)! ",
        "re:<(\\w+)>>",
        "re:(?i)\\bu\\s",
        "re:(\\w+)--",
    };
    for (const char* other : others)
        texts.push_back(other);
    return texts;
}

std::vector<Pattern> fifty_patterns() {
    std::vector<Pattern> patterns;
    for (const std::string& text : fifty_pattern_texts())
        patterns.push_back(compile_pattern(text));
    return patterns;
}

const char32_t* const letter_typed =
    U"Dear Ann, thank you for the 3 boxes; we sent them back on Monda";
const char32_t* const space_typed =
    U"ear Ann, thank you for the 3 boxes; we sent them back on Monday ";

// Loads a trigger file's text into the engine, as a load does, with `typed`
// as what was typed before the next key.
void load_engine(const std::string& text, const std::u32string& typed) {
    reset_engine();
    engine.file.text = text;
    parse_trigger_text(engine.file.text.data(), engine.file.text.size(), engine.file.table,
                       nullptr);
    compile_patterns();
    engine.keys.front = foreground_window();
    for (const char32_t c : typed) {
        std::memmove(engine.keys.history.data() + 1, engine.keys.history.data(),
                     history_length - 1);
        engine.keys.history[0] = static_cast<char>(c);
        engine.keys.typed.chars[static_cast<std::size_t>(engine.keys.typed.count++)] = c;
    }
}

// One polling tick that reads every key, finds `vk` newly down and scans the
// table; what was typed is put back after it, untimed.
void tick_and_put_back(int vk) {
    const KeyHistory history = engine.keys.history;
    const int typed = engine.keys.typed.count;
    engine.keys.key_state[vk] = 0; // seen as a new press again
    polling_tick();
    engine.keys.history = history;
    engine.keys.typed.count = typed;
}
} // namespace

// What loading costs them: each is compiled once.
static void BM_CompileFiftyPatterns(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(fifty_patterns());
}
BENCHMARK(BM_CompileFiftyPatterns)->Unit(benchmark::kMillisecond);

// One typed key against all fifty, on a full 64-character history. A letter
// ends few patterns; a space ends most of them, so most search.
static void BM_FiftyPatternsKeyThatMatchesNone(benchmark::State& state, const char32_t* typed) {
    const std::vector<Pattern> patterns = fifty_patterns();
    const std::u32string history = typed;
    int usable = 0;
    for (const Pattern& pattern : patterns)
        usable += pattern.usable();
    for (auto _ : state) {
        int fired = 0;
        for (const Pattern& pattern : patterns)
            fired += match_pattern(pattern, history, default_pattern_window).outcome;
        if (fired) state.SkipWithError("a pattern fired");
    }
    state.counters["patterns"] = usable;
    state.counters["history"] = static_cast<double>(history.size());
}
BENCHMARK_CAPTURE(BM_FiftyPatternsKeyThatMatchesNone, letter, letter_typed)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FiftyPatternsKeyThatMatchesNone, space, space_typed)
    ->Unit(benchmark::kMicrosecond);

// The whole polling tick on the simulated desktop: 205 plain triggers and
// the fifty patterns fill the table's 255 lines, and the key completes none
// of them. A letter ends few patterns; a space most.
static void BM_PollingTickPlainTriggersAndPatterns(benchmark::State& state, int vk,
                                                   const char32_t* before) {
    sim_reset();
    std::string text;
    for (int i = 0; i < 205; ++i)
        text += "t" + std::to_string(i) + "x=out\r\n";
    for (const std::string& pattern : fifty_pattern_texts())
        text += pattern + "=out\r\n";
    std::u32string typed = before;
    typed.pop_back(); // the key adds it
    load_engine(text, typed);
    sim_set_key(vk, true);
    for (auto _ : state)
        tick_and_put_back(vk);
    if (engine.prepare.use_count != 0) state.SkipWithError("a trigger fired");
}
BENCHMARK_CAPTURE(BM_PollingTickPlainTriggersAndPatterns, letter, 'Y', letter_typed)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_PollingTickPlainTriggersAndPatterns, space, ' ', space_typed)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Runaway patterns against 255 typed "a" and a "b". "(a+)+$" cannot end on
// "b", so no search starts; the others search, and give up on the step
// bound, which grows with the square of the pattern's length.
static void BM_RunawayPattern(benchmark::State& state, const char* trigger, bool gives_up) {
    const Pattern pattern = compile_pattern(trigger);
    const std::u32string typed = std::u32string(255, U'a') + U"b";
    for (auto _ : state) {
        const PatternMatch match = match_pattern(pattern, typed, max_pattern_window);
        if ((match.outcome == PatternMatch::runaway) != gives_up)
            state.SkipWithError("the search did not end as expected");
    }
}
BENCHMARK_CAPTURE(BM_RunawayPattern, cannot_end_on_b, "re:(a+)+$", false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunawayPattern, gives_up, "re:(a+)+c?$", true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(BM_RunawayPattern, gives_up_61_characters,
                  "re:(a+)+(?:c|d|e|f|g|h|i|j|k|l|m|n|o|p|q|r|s|t|u|v|w|x|y|z)?$", true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The same through the engine: 255 typed "a" and then the polling tick of
// "b", whose search runs away once and switches the pattern off; the tick
// after it. "\\b" between two letters never holds, so no "a" fires it
// first. The longest pattern (100 characters) gives the bound.
static void BM_RunawayPollingTick(benchmark::State& state, const char* trigger, bool switched_off) {
    sim_reset();
    load_engine("; Quillomat_PATTERN_WINDOW: 255\r\n" + std::string(trigger) + "=x\r\n",
                std::u32string(255, U'a'));
    const Pattern pattern = engine.patterns.compiled[0];
    sim_set_key('B', true);
    for (auto _ : state) {
        state.PauseTiming();
        engine.patterns.compiled[0] = switched_off ? Pattern() : pattern;
        state.ResumeTiming();
        tick_and_put_back('B');
    }
    if (engine.patterns.compiled[0].usable()) state.SkipWithError("not switched off");
}
const char* const runaway_100_characters =
    "re:(a+)+(?:c|d|e|f|g|h|i|j|k|l|m|n|o|p|q|r|s|t|u|v|w|x|y|z|cc|dd|ee|ff|gg|hh|ii|jj|kk|"
    "ll|mm|nn|oo)?\\bb";
BENCHMARK_CAPTURE(BM_RunawayPollingTick, first, "re:(a+)+\\bb", false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(BM_RunawayPollingTick, first_100_characters, runaway_100_characters, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(BM_RunawayPollingTick, after, "re:(a+)+\\bb", true)
    ->Unit(benchmark::kMicrosecond);
