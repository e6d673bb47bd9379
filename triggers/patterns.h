// Pattern triggers: a trigger that begins with "re:" is a regular expression
// (Perl syntax) for a whole family of triggers. It fires when it matches a
// stretch of the typed text that ends at the newest character; the stretch is
// erased, and the output may name the pattern's groups:
//
//     re::greet\((\w+)\)=Hello, {1}!
//
// Patterns see characters, not bytes: Unicode code points. A pattern comes
// from the trigger file as the engine's 8-bit text ("{U+XXXX}" for what the
// code page lacks) and means the same characters whether the file was ANSI
// or UTF-8. Letters, digits and case are Unicode's, the same in every build
// and on every system language: "(\w+)" takes "Иван" as it takes "Ann".
//
// Patterns are compiled once, when the file is loaded; matching costs at most
// one search per typed character, bound to the end of the typed text and no
// longer than the pattern window, and none when the newest character cannot
// end a match. A pattern that backtracks without end is stopped by a bound
// on its steps (milliseconds; tens of them for the longest patterns) and
// reported, never left to hold the keyboard.
#pragma once

#include "triggers/pieces.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr std::string_view pattern_prefix = "re:";
constexpr int default_pattern_window = 64;
constexpr int max_pattern_window = 255;
// Longer patterns are refused: the step bound of a search grows with the
// square of the pattern's length, and this keeps a runaway search short.
constexpr int max_pattern_chars = 100;
constexpr std::string_view pattern_window_directive = "Quillomat_PATTERN_WINDOW";

// The trigger begins with "re:".
bool is_pattern_trigger(std::string_view trigger);

// How many typed characters a pattern may span, from the value of
// "; Quillomat_PATTERN_WINDOW: N": N, at most 255; the default (64) for a
// value that is no positive number.
int pattern_window_from(std::string_view value);

// Why a pattern cannot be used.
struct PatternProblem {
    enum Kind : uint8_t {
        none,
        does_not_compile,
        matches_empty, // it would fire on every key
    } kind = none;
    int column = 0;    // 1-based in the trigger ("re:" is 1 to 3); 0: the whole pattern
    std::string words; // what is wrong: "a \"(\" without its \")\""
};

struct CompiledPattern; // the compiled expression

// A compiled pattern; copies share it. An empty one (not compiled, or
// refused) never matches.
class Pattern {
  public:
    Pattern() = default;
    explicit Pattern(std::shared_ptr<const CompiledPattern> compiled)
        : compiled_(std::move(compiled)) {}

    bool usable() const { return compiled_ != nullptr; }
    // The numbered groups the pattern has.
    int group_count() const;
    // The number of the group written "(?<name>...)"; 0 when there is none.
    int group_named(std::string_view name) const;
    // At least this many characters make a match (a lower bound, exact for
    // patterns without back-references).
    int shortest_match() const;

    const CompiledPattern* compiled() const { return compiled_.get(); }

  private:
    std::shared_ptr<const CompiledPattern> compiled_;
};

// Compiles the pattern of a trigger (engine text, with or without "re:").
// A pattern that does not compile, or that can match the empty string, gives
// an empty Pattern and says why in `problem` (when given).
Pattern compile_pattern(std::string_view trigger, PatternProblem* problem = nullptr);

struct PatternMatch {
    enum Outcome : uint8_t {
        none,
        matched,
        runaway, // the search gave up on its step bound: switch the pattern off
    } outcome = none;
    int length = 0; // characters in the matched stretch, the newest ones: erase as many
    // UTF-8: [0] the matched stretch, [n] group n ("" for a group that took
    // no part in the match). Empty unless matched.
    std::vector<std::string> groups;
};

// Matches the end of the typed text. `typed` is what was typed since the last
// break (a click, a key without a character, another window, a match), as
// code points, oldest first and newest last; a 0 in it counts as a break too.
// Only the last `window` characters can be matched; the one before them is
// still seen by "\b" and look-behinds. A match must end at the newest
// character and holds at least one. Single-threaded: a pattern keeps the
// room of its last search.
PatternMatch match_pattern(const Pattern& pattern, std::u32string_view typed, int window);

// Whether the stretch of the last `length` characters of `typed` begins a
// word: no letter or digit stands before it. For "Quillomat_WORD_START".
bool match_begins_word(std::u32string_view typed, int length);

// The engine's 8-bit text as code points: code-page bytes and "{U+XXXX}"
// tokens become the characters they stand for.
std::u32string engine_text_to_code_points(std::string_view text);

// A group named in an output: "{1}" to "{9}" or "{name}", with "|upper",
// "|lower" or "|title" (any case) before the "}".
struct GroupReference {
    enum class Change : uint8_t { none, upper, lower, title } change = Change::none;
    std::size_t length = 0; // braces included
    int number = 0;         // 1 to 9; 0 for a name
    std::string_view name;  // ASCII letters, digits and "_", not starting with a digit
};
// The reference at the start of `text`; false when none starts there.
bool read_group_reference(std::string_view text, GroupReference& reference);

// The output of a pattern trigger, with its groups filled in: "{1}" to "{9}"
// the numbered groups, "{name}" a named one, "{1|upper}", "{1|lower}" and
// "{1|title}" with their case changed. Captured text becomes text pieces,
// typed as the characters it holds; the rest stays markup. A group that
// took no part, and every group when there is no match (a pick from the
// search window), inserts nothing. "{name}" that names no group of the
// pattern is markup as ever ("{Enter}"), as is "{0}" and "{{dd}}".
OutputPieces render_pattern_output(std::string_view output, const Pattern& pattern,
                                   const PatternMatch* match);

// How many characters a match of `pattern` (code points, as written after
// "re:") consumes, as far as its text says. Valid only for a pattern that
// compiles.
struct MatchLengths {
    int shortest = 0; // look-arounds, anchors and back-references count 0
    int longest = -1; // -1: no bound (a repeat without one, a back-reference)
    bool read = true; // false in (?x) mode, whose spaces and comments this does not read
};
MatchLengths match_lengths(std::u32string_view pattern);
// The atoms (as written) one of which takes the last character of every
// match: "\)" for ":greet\((\w+)\)". False when the pattern does not
// say (its end is optional, a back-reference, or in (?x) mode).
bool final_atoms(std::u32string_view pattern, std::vector<std::u32string>& atoms);
