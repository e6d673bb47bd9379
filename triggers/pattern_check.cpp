#include "triggers/pattern_check.h"

#include "common/text.h"
#include "keys/key_tokens.h"
#include "triggers/patterns.h"

#include <cstdio>

namespace {
int characters_in(std::string_view engine_text) {
    return static_cast<int>(engine_text_to_code_points(engine_text).size());
}

// A name in braces that the output language knows without any group.
bool names_a_command(std::string_view braced) {
    const std::string text(braced);
    uint32_t length = 0;
    if (parse_key_token(text.c_str(), &length, nullptr) != 0 && length == text.size()) return true;
    return starts_with_nocase(text.c_str(), "{Delay") ||
           starts_with_nocase(text.c_str(), "{click") ||
           equal_nocase(text.c_str(), "{mouse_return}", text.size());
}

// "{4}", "{name}", "{name|upper}": a reference the pattern cannot fill.
// "{Enter}" and the other names of the output language are no references
// unless they change case.
bool lacks_group(std::string_view braced, const Pattern& pattern) {
    GroupReference reference;
    if (!read_group_reference(braced, reference)) return false;
    if (reference.number) return reference.number > pattern.group_count();
    if (pattern.group_named(reference.name)) return false;
    return reference.change != GroupReference::Change::none || !names_a_command(braced);
}

void check_groups(int line, std::string_view trigger, std::string_view output,
                  const Pattern& pattern, std::vector<PatternDiagnostic>& found) {
    for (std::size_t at = output.find('{'); at != std::string_view::npos;
         at = output.find('{', at + 1)) {
        if (output.compare(at, 2, "{{") == 0) {
            ++at;
            continue;
        }
        const std::size_t close = output.find('}', at);
        if (close == std::string_view::npos) break;
        const std::string_view braced = output.substr(at, close - at + 1);
        if (!lacks_group(braced, pattern)) continue;
        const int column = characters_in(trigger) + 1 + characters_in(output.substr(0, at)) + 1;
        found.push_back({PatternDiagnostic::unknown_group, line, column,
                         "the output names the group " + std::string(braced) +
                             ", which the pattern does not have"});
    }
}
} // namespace

std::vector<PatternDiagnostic> check_pattern_line(int line, std::string_view trigger,
                                                  std::string_view output, int window) {
    std::vector<PatternDiagnostic> found;
    PatternProblem problem;
    const Pattern pattern = compile_pattern(trigger, &problem);
    char words[160];
    if (problem.kind == PatternProblem::does_not_compile) {
        std::snprintf(words, sizeof words, "the pattern does not compile at column %d: %s",
                      problem.column, problem.words.c_str());
        found.push_back({PatternDiagnostic::does_not_compile, line, problem.column, words});
        return found;
    }
    if (problem.kind == PatternProblem::matches_empty) {
        found.push_back({PatternDiagnostic::matches_empty, line, 0, problem.words});
        return found;
    }
    if (pattern.shortest_match() > window) {
        std::snprintf(words, sizeof words,
                      "the pattern needs at least %d typed characters, more than the pattern "
                      "window of %d: it never fires",
                      pattern.shortest_match(), window);
        found.push_back({PatternDiagnostic::longer_than_window, line, 0, words});
    }
    check_groups(line, trigger, output, pattern, found);
    return found;
}
