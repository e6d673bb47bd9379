// Pattern trigger figures: a key that no pattern takes, and a pattern that
// backtracks without end. Run with scripts/bench.sh.
#include "triggers/patterns.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {
// Fifty patterns of the kinds users write: units, calls, fractions, fixed
// words, dates, articles.
std::vector<Pattern> fifty_patterns() {
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
        "re:(\\d+)x(\\d+)=",
        "re:;;(\\w+)",
        "re:\\+\\+(\\w+)",
        "re:(\\d+)(st|nd|rd|th)! ",
        "re:<(\\w+)>>",
        "re:(?i)\\bu\\s",
        "re:(\\w+)--",
    };
    for (const char* other : others)
        texts.push_back(other);
    std::vector<Pattern> patterns;
    for (const std::string& text : texts)
        patterns.push_back(compile_pattern(text));
    return patterns;
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
BENCHMARK_CAPTURE(BM_FiftyPatternsKeyThatMatchesNone, letter,
                  U"Dear Ann, thank you for the 3 boxes; we sent them back on Monda")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FiftyPatternsKeyThatMatchesNone, space,
                  U"ear Ann, thank you for the 3 boxes; we sent them back on Monday ")
    ->Unit(benchmark::kMicrosecond);

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
