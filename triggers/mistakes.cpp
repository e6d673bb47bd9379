#include "triggers/mistakes.h"

#include "triggers/inserts.h"
#include "triggers/output_script.h"

#include "common/text.h"
#include "keys/key_tokens.h"
#include "triggers/encoding.h"
#include "triggers/pattern_check.h"
#include "triggers/patterns.h"
#include "triggers/report.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace {
struct Sink {
    std::vector<LineFinding>& findings;
    int line;
    void mistake(std::string words) { findings.push_back({line, true, std::move(words)}); }
    void hint(std::string words) { findings.push_back({line, false, std::move(words)}); }
};

bool is_alnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// A piece of the file in quotes, as the characters it stands for, cut to a
// length that reads on one line.
std::string quoted(std::string_view text) {
    constexpr std::size_t longest = 40;
    const bool cut = text.size() > longest;
    return "\"" + engine_text_to_utf8(text.substr(0, cut ? longest - 3 : longest)) +
           (cut ? "...\"" : "\"");
}

const char* blank_name(char c) {
    return c == '\t' ? "a tab" : "a space";
}

// A word in braces that starts at `at` and is closed on the line: "{Entr}",
// "{Enter 3}". Its length with both braces; 0 when none starts there.
std::size_t brace_word_length(const char* at) {
    if (at[0] != '{' || !is_alnum(at[1])) return 0;
    for (std::size_t n = 2; at[n] && at[n] != '{'; ++n)
        if (at[n] == '}') return n + 1;
    return 0;
}

// How a fired hotkey is pressed, for the words: "Ctrl+Enter".
std::string pressed(const TriggerEntry& entry) {
    std::string words;
    for (const char c : describe_trigger(entry))
        if (c != '{' && c != '}') words += c;
    return words;
}

// "Ctrl+Alt": the modifiers of a hotkey, for words.
std::string modifiers(uint8_t flags) {
    std::string words;
    for (const auto& [flag, name] : {std::pair{flag_control, "Ctrl"},
                                     std::pair{flag_shift, "Shift"}, std::pair{flag_alt, "Alt"}})
        if (flags & flag) words += (words.empty() ? "" : "+") + std::string(name);
    return words;
}

bool has_token_for(uint8_t vk) {
    for (const KeyToken* row = key_tokens; !row->name.empty(); ++row)
        if (row->vk == vk) return true;
    return false;
}

// One piece of a hotkey trigger as written.
struct Unit {
    enum Kind : uint8_t { character, key, unknown_name } kind;
    std::string_view text;
};

// The pieces of a hotkey trigger, modifier tokens left out: key tokens (and
// "{4}"), brace words that name no key, and single characters.
std::vector<Unit> hotkey_units(const std::string& written) {
    std::vector<Unit> units;
    for (std::size_t at = 0; at < written.size();) {
        const char* here = written.c_str() + at;
        std::size_t length = 0;
        for (const std::string_view modifier : {"{control}", "{shift}", "{alt}"})
            if (starts_with_nocase(here, modifier)) length = modifier.size();
        if (length > 0) {
            at += length;
            continue;
        }
        uint32_t token = starts_with_nocase(here, "{4}") ? 3 : 0;
        if (!token) parse_key_token(here, &token, nullptr);
        const std::size_t word = token ? token : brace_word_length(here);
        const Unit::Kind kind = token ? Unit::key : word ? Unit::unknown_name : Unit::character;
        length = word ? word : 1;
        units.push_back({kind, std::string_view(here, length)});
        at += length;
    }
    return units;
}

// A hotkey fires on one key with its modifiers: whatever else is written
// in it is dropped without a word, and a name that is no key leaves its
// braces and letters behind as characters.
void check_hotkey(const std::string& written, const TriggerEntry& entry, Sink& sink) {
    const std::vector<Unit> units = hotkey_units(written);
    if (units.empty()) return;
    std::string unknown, dropped;
    int unknown_count = 0;
    bool dropped_key = false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i].kind == Unit::unknown_name) {
            unknown += (unknown.empty() ? "" : ", ") + quoted(units[i].text);
            ++unknown_count;
        } else if (i + 1 < units.size()) {
            dropped += units[i].text;
            dropped_key = dropped_key || units[i].kind == Unit::key;
        }
    }
    if (unknown_count > 0) {
        sink.mistake(unknown + (unknown_count > 1 ? " are no key names" : " is no key name") +
                     ": this line fires on " + pressed(entry) + " instead");
    } else if (!dropped.empty()) {
        sink.mistake(std::string(dropped_key ? "keys before the last one in a hotkey are ignored"
                                             : "characters before a key in a trigger are ignored") +
                     ": this line fires on " + pressed(entry) + " alone (" + quoted(dropped) +
                     " is dropped)");
    } else if (units.back().kind == Unit::character) {
        // A character stands for the key whose code it is: only letters,
        // digits and the space are the keys they look like.
        const uint8_t vk = static_cast<uint8_t>(entry.match[0]);
        const bool own_key = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || vk == ' ';
        if (own_key) return;
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", vk);
        sink.mistake(quoted(units.back().text) + " is no key of its own in a hotkey: " +
                     (has_token_for(vk)
                          ? "this line fires on " + pressed(entry)
                          : "this line fires on " + modifiers(entry.flags) +
                                " and the key of code " + code + ", which few keyboards have"));
    }
}

void check_plain(const std::string& written, Sink& sink) {
    for (std::size_t at = written.find('{'); at != std::string::npos;
         at = written.find('{', at + 1)) {
        if (starts_with_nocase(written.c_str() + at, "{4}")) continue; // the middle button
        if (const std::size_t word = brace_word_length(written.c_str() + at))
            sink.hint(quoted(std::string_view(written).substr(at, word)) +
                      " is no key name: the trigger is typed as these characters");
    }
    const std::string shown = quoted(written);
    std::string_view rest = written;
    while (!rest.empty() && is_blank(rest.front()))
        rest.remove_prefix(1);
    while (!rest.empty() && is_blank(rest.back()))
        rest.remove_suffix(1);
    if (is_blank(written.front()))
        sink.hint("the trigger " + shown + " begins with " + blank_name(written.front()) +
                  ": it fires only when " + blank_name(written.front()) + " comes before " +
                  quoted(rest));
    if (is_blank(written.back()))
        sink.hint("the trigger " + shown + " ends with " + blank_name(written.back()) +
                  ": it fires only when " + quoted(rest) + " is followed by " +
                  blank_name(written.back()));
}

// The end of a brace that opens at `at`: the position of its "}", or npos
// when the line ends, or another "{" comes, first.
std::size_t closing_brace(const std::string& output, std::size_t at) {
    const std::size_t close = output.find('}', at + 1);
    const std::size_t open = output.find('{', at + 1);
    return open < close ? std::string::npos : close;
}

// "-500", " 500 ": an optional minus sign and digits, blanks around them.
bool is_number(std::string_view text) {
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// What follows "{click" and one character: "100,50", "right 100,50".
bool is_click_place(std::string_view text) {
    for (const std::string_view button : {"right", "mid", "dbl", "left"}) {
        if (text.size() < button.size() || !equal_nocase(text.data(), button.data(), button.size()))
            continue;
        std::size_t word = 0; // the player reads only the start: "middle" is "mid"
        while (word < text.size() && is_alnum(text[word]) &&
               !(text[word] >= '0' && text[word] <= '9'))
            ++word;
        text.remove_prefix(word);
        break;
    }
    const std::size_t comma = text.find(',');
    return comma != std::string_view::npos && is_number(text.substr(0, comma)) &&
           is_number(text.substr(comma + 1));
}

// "{Delay" and "{click" skip one character, then read their numbers up to
// the closing brace; an open one makes the player pass over everything up
// to the next "}" there is. Returns where the scan goes on.
std::size_t check_timed(const std::string& output, std::size_t at, Sink& sink) {
    const bool delay = starts_with_nocase(output.c_str() + at, "{Delay");
    const std::size_t close = closing_brace(output, at);
    if (close == std::string::npos) {
        const std::size_t stop = output.find('{', at + 1);
        sink.mistake("unclosed brace: what follows " + quoted(output.substr(at, stop - at)) +
                     ", up to the next \"}\", is not typed");
        return at + 1;
    }
    const std::string_view whole = std::string_view(output).substr(at, close + 1 - at);
    const char separator = whole.size() > 7 ? whole[6] : '}';
    const std::string_view inside = whole.substr(7, whole.size() - 8);
    const bool readable = separator != '}' && !(separator >= '0' && separator <= '9') &&
                          (delay ? is_number(inside) : is_click_place(inside));
    if (!readable)
        sink.mistake(delay
                         ? "malformed pause " + quoted(whole) + ": write {Delay=500} (milliseconds)"
                         : "malformed click " + quoted(whole) +
                               ": write {click 100,50} (or right, mid or dbl before the "
                               "numbers)");
    return close + 1;
}

// The argument of RUN:, WINDOW: and LIST: runs to the line end or to a "{"
// that starts no {U+XXXX} character; SEARCH: and PAUSE: end the output.
std::size_t skip_command(const std::string& output, std::size_t at, bool& ends) {
    ends = starts_with_nocase(output.c_str() + at, "SEARCH:") ||
           starts_with_nocase(output.c_str() + at, "PAUSE:");
    const std::size_t keyword = ends ? 0 : output_command_at(output.c_str() + at);
    if (keyword == 0) return at;
    at += keyword;
    while (at < output.size()) {
        uint32_t length = 0;
        if (output[at] == '{' && !parse_unicode_token(output.c_str() + at, &length)) break;
        at += length ? length : 1;
    }
    return at;
}

std::size_t check_date_macro(const std::string& output, std::size_t at, Sink& sink) {
    static const std::string_view macros[] = {"{{yyyy}}", "{{yy}}", "{{mm}}",
                                              "{{dd}}",   "{{hh}}", "{{uu}}"};
    for (const std::string_view macro : macros)
        if (starts_with_nocase(output.c_str() + at, macro)) return at + macro.size();
    const std::size_t word = brace_word_length(output.c_str() + at + 1);
    if (word > 0 && output.compare(at + word, 2, "}}") == 0) {
        sink.hint(quoted(output.substr(at, word + 2)) + " is no date macro: it is typed as text");
        return at + word + 2;
    }
    return at + 1; // the first "{" is a character; the second may start a token
}

std::size_t check_brace(const std::string& output, std::size_t at, Sink& sink) {
    const char* here = output.c_str() + at;
    if (here[1] == '{') return check_date_macro(output, at, sink);
    if (starts_with_nocase(here, "{Delay") || starts_with_nocase(here, "{click"))
        return check_timed(output, at, sink);
    if (starts_with_nocase(here, "{mouse_return}")) return at + 14;
    // Outputs built from other text, and forms, have their own checks.
    if (const InsertToken insert = insert_token_at(output, at); insert.kind != InsertKind::none)
        return at + insert.length;
    for (const char* field : {"{Input:", "{Choose:", "{Check:"}) {
        if (!starts_with_nocase(here, field)) continue;
        const std::size_t close = output.find('}', at); // an unclosed one the form's check names
        return close == std::string::npos ? at + 1 : close + 1;
    }
    uint32_t length = 0;
    if (parse_unicode_token(here, &length) || parse_key_token(here, &length, nullptr))
        return at + length;
    if (!is_alnum(here[1])) return at + 1; // a brace of the text: "{ x }", "{}"
    if (const std::size_t word = brace_word_length(here)) {
        sink.hint(quoted(output.substr(at, word)) + " is no key name: it is typed as text");
        return at + word;
    }
    std::size_t stop = at + 1;
    while (stop < output.size() && !is_blank(output[stop]) && output[stop] != '{')
        ++stop;
    sink.mistake("unclosed brace: " + quoted(output.substr(at, stop - at)) + " is typed as text");
    return stop;
}

void check_output(const std::string& output, Sink& sink) {
    if (!output.empty() && is_blank(output.front()))
        sink.hint("the output " + quoted(output.substr(0, 24)) + " begins with " +
                  blank_name(output.front()) + ", which is typed too");
    for (std::size_t at = 0; at < output.size();) {
        bool ends = false;
        const std::size_t after = skip_command(output, at, ends);
        if (ends) return;
        if (after != at) {
            at = after;
        } else if (output[at] == '{') {
            at = check_brace(output, at, sink);
        } else {
            ++at;
        }
    }
}
// A pattern that cannot fire, or whose output names a group it lacks; then
// the output as for any trigger, each group it fills in standing as a letter.
void check_pattern(const std::string& written, const std::string& output, int window, Sink& sink) {
    for (const PatternDiagnostic& found : check_pattern_line(sink.line, written, output, window)) {
        const bool placed = found.column > 0 && found.kind != PatternDiagnostic::does_not_compile;
        sink.mistake((placed ? "at column " + std::to_string(found.column) + ", " : "") +
                     found.words);
    }
    const Pattern pattern = compile_pattern(written);
    PatternMatch letters;
    letters.outcome = PatternMatch::matched;
    letters.groups.assign(static_cast<std::size_t>(pattern.group_count()) + 1, "x");
    std::string markup;
    for (const OutputPiece& piece : render_pattern_output(output, pattern, &letters))
        markup += piece.content;
    check_output(markup, sink);
}
} // namespace

void check_trigger_line(std::string_view text, const TriggerEntry& entry, int line,
                        std::vector<LineFinding>& findings, int pattern_window) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) return;
    const std::string written(text.substr(0, equals));
    const std::string output(text.substr(equals + 1));
    Sink sink{findings, line};
    if (entry.pattern) return check_pattern(written, output, pattern_window, sink);
    if (entry.flags != 0)
        check_hotkey(written, entry, sink);
    else
        check_plain(written, sink);
    check_output(output, sink);
}

int count_likely_mistakes(const char* text, std::size_t size, const TriggerTable& table) {
    const std::size_t end = length_bounded(text, size);
    std::vector<LineFinding> findings;
    int lines = 0, next = 0, line = 1;
    // Lines are counted as the parser counts them: a CR LF, a lone CR and a
    // lone LF each end one.
    for (std::size_t start = 0; next < table.count;) {
        std::size_t stop = start;
        while (stop < end && text[stop] != '\r' && text[stop] != '\n')
            ++stop;
        for (; next < table.count && table.entries[next].line == line; ++next) {
            findings.clear();
            check_trigger_line(std::string_view(text + start, stop - start), table.entries[next],
                               line, findings, table.pattern_window);
            for (const LineFinding& finding : findings)
                if (finding.mistake) {
                    ++lines;
                    break;
                }
        }
        if (stop >= end) break;
        if (text[stop] == '\r' && stop + 1 < end && text[stop + 1] == '\n') ++stop;
        start = stop + 1;
        ++line;
    }
    return lines + static_cast<int>(table.unreadable_directives.size());
}
