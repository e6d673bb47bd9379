#include "triggers/patterns.h"

#include "common/unicode.h"
#include "triggers/encoding.h"
#include "triggers/pattern_traits.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>

struct CompiledPattern {
    std::u32string source; // the pattern as written, after "re:"
    PatternRegex anchored; // the pattern, bound to end at the newest character
    int groups = 0;
    MatchLengths lengths;
    // The characters a match can end on, when the pattern says: most keys
    // then cost a pattern one look-up instead of a search.
    std::optional<PatternRegex> last_atom;
    std::array<bool, 256> may_end_latin{};
    // The room of the last search, kept so that a search allocates nothing.
    mutable boost::match_results<const char32_t*> results;

    bool may_end_with(char32_t c) const;
};

namespace {
constexpr auto syntax = boost::regex_constants::perl;

const char* error_words(boost::regex_constants::error_type code) {
    namespace rc = boost::regex_constants;
    switch (code) {
    case rc::error_collate:
        return "an unknown character name";
    case rc::error_ctype:
        return "an unknown character class";
    case rc::error_escape:
        return "a backslash with nothing valid after it";
    case rc::error_backref:
        return "a back-reference to a group the pattern does not have";
    case rc::error_brack:
        return "a \"[\" without its \"]\"";
    case rc::error_paren:
        return "a \"(\" without its \")\", or a \")\" without its \"(\"";
    case rc::error_brace:
        return "a \"{\" without its \"}\"";
    case rc::error_badbrace:
        return "a repeat count in braces that is not valid";
    case rc::error_range:
        return "a range whose end comes before its start";
    case rc::error_badrepeat:
        return "\"*\", \"+\", \"?\" or a count in braces with nothing before it to repeat";
    case rc::error_perl_extension:
        return "an unknown \"(?\" group";
    case rc::error_space:
    case rc::error_size:
    case rc::error_stack:
    case rc::error_complexity:
        return "too large to compile";
    default:
        return "not a valid pattern";
    }
}

// Binds the pattern to the end of the typed text. The suffix must survive
// what the pattern leaves open at its end: a "\Q" quote without "\E", or a
// "#" comment in (?x) mode, which runs to the end of the line. The first
// form that compiles is the one that means the pattern.
PatternRegex anchor_at_end(const std::u32string& source) {
    static const std::u32string_view endings[] = {U")\\z", U"\\E)\\z", U"\n)\\z"};
    for (std::size_t i = 0;; ++i) {
        try {
            return PatternRegex(U"(?:" + source + std::u32string(endings[i]), syntax);
        } catch (const boost::regex_error&) {
            if (i + 1 == std::size(endings)) throw;
        }
    }
}

// Whether the pattern can match an empty stretch: where nothing was typed,
// or (look-arounds, "\b", "x*") where something was.
bool matches_empty(const PatternRegex& anchored, const MatchLengths& lengths) {
    boost::match_results<const char32_t*> results;
    const char32_t* none = U"";
    return (lengths.read && lengths.shortest == 0) ||
           boost::regex_search(none, none, results, anchored);
}

// Whether any "(?...)" turns case-blind matching on.
bool ignores_case(std::u32string_view source) {
    for (std::size_t at = source.find(U"(?"); at != std::u32string_view::npos;
         at = source.find(U"(?", at + 1)) {
        for (std::size_t flag = at + 2; flag < source.size(); ++flag) {
            if (source[flag] == 'i') return true;
            if (source[flag] != 'm' && source[flag] != 's' && source[flag] != 'x') break;
        }
    }
    return false;
}

// The filter on the newest character. Its rules are wider than the
// pattern's ("." takes a line break, case is ignored wherever the pattern
// ignores it anywhere), so that it never turns away a character a match
// could end on.
void build_last_character_filter(CompiledPattern& compiled) {
    std::vector<std::u32string> atoms;
    if (!final_atoms(compiled.source, atoms)) return;
    std::u32string either = ignores_case(compiled.source) ? U"(?si)(?:" : U"(?s)(?:";
    for (std::size_t i = 0; i < atoms.size(); ++i)
        either += (i ? U"|" : U"") + atoms[i];
    either += U")";
    try {
        compiled.last_atom.emplace(either, syntax);
    } catch (const std::exception&) {
        return; // no filter: every key searches
    }
    for (char32_t c = 0; c < 256; ++c) {
        const char32_t* one = &c;
        compiled.may_end_latin[c] =
            boost::regex_match(one, one + 1, compiled.results, *compiled.last_atom);
    }
}

void set_problem(PatternProblem* problem, PatternProblem::Kind kind, int column,
                 std::string words) {
    if (problem) *problem = PatternProblem{kind, column, std::move(words)};
}
} // namespace

bool CompiledPattern::may_end_with(char32_t c) const {
    if (!last_atom) return true;
    if (c < 256) return may_end_latin[c];
    const char32_t* one = &c;
    try {
        return boost::regex_match(one, one + 1, results, *last_atom);
    } catch (const std::exception&) {
        return true;
    }
}

bool is_pattern_trigger(std::string_view trigger) {
    return trigger.substr(0, pattern_prefix.size()) == pattern_prefix;
}

int pattern_window_from(std::string_view value) {
    const std::size_t digits = value.find_first_not_of(" \t");
    int window = 0;
    for (std::size_t at = digits; at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at)
        window = std::min(window * 10 + (value[at] - '0'), max_pattern_window);
    return window > 0 ? window : default_pattern_window;
}

int Pattern::group_count() const {
    return compiled_ ? compiled_->groups : 0;
}

int Pattern::group_named(std::string_view name) const {
    if (!compiled_ || name.empty()) return 0;
    const std::u32string wide(name.begin(), name.end());
    const int number =
        compiled_->anchored.get_named_subs()->get_id(wide.data(), wide.data() + wide.size());
    return number > 0 ? number : 0;
}

int Pattern::shortest_match() const {
    return compiled_ ? compiled_->lengths.shortest : 0;
}

Pattern compile_pattern(std::string_view trigger, PatternProblem* problem) {
    if (is_pattern_trigger(trigger)) trigger.remove_prefix(pattern_prefix.size());
    const int first_column = static_cast<int>(pattern_prefix.size()) + 1;
    auto compiled = std::make_shared<CompiledPattern>();
    compiled->source = engine_text_to_code_points(trigger);
    if (compiled->source.size() > static_cast<std::size_t>(max_pattern_chars)) {
        set_problem(problem, PatternProblem::does_not_compile, first_column + max_pattern_chars,
                    "longer than " + std::to_string(max_pattern_chars) + " characters");
        return Pattern();
    }
    try {
        const PatternRegex bare(compiled->source, syntax);
        compiled->anchored = anchor_at_end(compiled->source);
        compiled->groups = static_cast<int>(bare.mark_count());
        compiled->lengths = match_lengths(compiled->source);
        if (matches_empty(compiled->anchored, compiled->lengths)) {
            set_problem(problem, PatternProblem::matches_empty, 0,
                        "the pattern matches where nothing was typed: it would fire on every key");
            return Pattern();
        }
    } catch (const boost::regex_error& error) {
        const auto at =
            std::min<std::ptrdiff_t>(std::max<std::ptrdiff_t>(error.position(), 0),
                                     static_cast<std::ptrdiff_t>(compiled->source.size()));
        set_problem(problem, PatternProblem::does_not_compile, first_column + static_cast<int>(at),
                    error_words(error.code()));
        return Pattern();
    } catch (const std::exception&) {
        set_problem(problem, PatternProblem::does_not_compile, 0, "too large to compile");
        return Pattern();
    }
    build_last_character_filter(*compiled);
    set_problem(problem, PatternProblem::none, 0, "");
    return Pattern(std::move(compiled));
}

namespace {
// What the search found, as the caller takes it.
PatternMatch matched(const boost::match_results<const char32_t*>& results) {
    PatternMatch match;
    match.outcome = PatternMatch::matched;
    match.length = static_cast<int>(results[0].length());
    match.groups.reserve(results.size());
    for (const auto& group : results)
        match.groups.push_back(
            group.matched ? code_points_to_utf8(std::u32string_view(
                                group.first, static_cast<std::size_t>(group.second - group.first)))
                          : std::string());
    return match;
}
} // namespace

PatternMatch match_pattern(const Pattern& pattern, std::u32string_view typed, int window) {
    const CompiledPattern* compiled = pattern.compiled();
    if (!compiled) return {};
    const std::size_t run_start = typed.rfind(U'\0');
    if (run_start != std::u32string_view::npos) typed.remove_prefix(run_start + 1);
    // A match reaches back no further than the window, nor than the
    // pattern's longest match: the search starts there.
    int reach = std::clamp(window, 1, max_pattern_window);
    if (compiled->lengths.longest > 0) reach = std::min(reach, compiled->lengths.longest);
    const std::size_t span = std::min(typed.size(), static_cast<std::size_t>(reach));
    if (span == 0 || static_cast<int>(span) < compiled->lengths.shortest ||
        !compiled->may_end_with(typed.back()))
        return {};

    const char32_t* base = typed.data();
    const char32_t* last = base + typed.size();
    const char32_t* first = last - span;
    auto flags = boost::regex_constants::match_not_null;
    if (first != base) flags |= boost::regex_constants::match_prev_avail; // for "\b", look-behinds
    try {
        if (!boost::regex_search(first, last, compiled->results, compiled->anchored, flags, base))
            return {};
    } catch (const std::exception&) { // the step bound, or no room for the search
        PatternMatch runaway;
        runaway.outcome = PatternMatch::runaway;
        return runaway;
    }
    return matched(compiled->results);
}

bool match_begins_word(std::u32string_view typed, int length) {
    if (length < 0 || static_cast<std::size_t>(length) >= typed.size()) return true;
    const char32_t before = typed[typed.size() - static_cast<std::size_t>(length) - 1];
    return before == 0 || !is_letter_or_digit(before);
}

std::u32string engine_text_to_code_points(std::string_view text) {
    return utf8_to_code_points(engine_text_to_utf8(text));
}
