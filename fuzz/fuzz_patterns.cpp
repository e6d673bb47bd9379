// Any pattern against any typed text: compiling, matching, filling an output
// and checking must end and stay in their bounds; the shortcuts of the
// search (the character a match must end on, the furthest a match reaches)
// must never hide a match that a plain search finds. Input: one byte for the
// window, the pattern (engine text) up to a line feed, then the typed text
// in UTF-8.
#include "common/unicode.h"
#include "triggers/pattern_check.h"
#include "triggers/patterns.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {
// The same pattern with an end that tells the search nothing: no character
// it must end on, no furthest reach.
Pattern without_shortcuts(std::string_view pattern) {
    if (pattern.find("\\Q") != std::string_view::npos ||
        pattern.find('#') != std::string_view::npos)
        return Pattern(); // an open quote or comment would swallow the end
    return compile_pattern("re:(?:" + std::string(pattern) + ")(?:\\b\\B.*)?");
}

void check_match(const PatternMatch& match, std::u32string_view typed, int window) {
    if (match.outcome != PatternMatch::matched) return;
    const auto length = static_cast<std::size_t>(match.length);
    if (match.length < 1 || match.length > window || length > typed.size()) std::abort();
    if (match.groups.empty() ||
        match.groups[0] != code_points_to_utf8(typed.substr(typed.size() - length)))
        std::abort();
}

bool same(const PatternMatch& a, const PatternMatch& b) {
    return a.outcome == b.outcome && a.length == b.length && a.groups == b.groups;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int window = data[0] == 0 ? default_pattern_window : data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string_view pattern = rest.substr(0, rest.find('\n'));
    const std::u32string typed =
        utf8_to_code_points(rest.size() > pattern.size() ? rest.substr(pattern.size() + 1) : "");

    const std::string trigger = "re:" + std::string(pattern);
    (void)check_pattern_line(1, trigger, "{1}{2|upper}{name|title}{{dd}}", window);
    const Pattern compiled = compile_pattern(trigger);
    if (!compiled.usable()) return 0;
    const PatternMatch match = match_pattern(compiled, typed, window);
    check_match(match, typed.substr(typed.rfind(U'\0') + 1), window);
    (void)render_pattern_output("<{1}{2|upper}{9|title}{name|lower}>", compiled, &match);

    const Pattern plain = without_shortcuts(pattern);
    if (!plain.usable() || plain.group_count() != compiled.group_count()) return 0;
    const PatternMatch reference = match_pattern(plain, typed, window);
    if (match.outcome != PatternMatch::runaway && reference.outcome != PatternMatch::runaway &&
        !same(match, reference))
        std::abort();
    return 0;
}
