#include "triggers/report.h"

#include "common/text.h"
#include "keys/key_tokens.h"
#include "triggers/encoding.h"
#include "triggers/fields.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {
bool is_plain(const TriggerEntry& entry) {
    return entry.flags == 0;
}

std::string printable(char c, bool as_text = false) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte >= 32 && byte < 127) || (as_text && byte >= 128)) return std::string(1, c);
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "<%02X>", byte);
    return escaped;
}

// The key a hotkey fires on. The matcher takes the key byte as a key code,
// so a character other than a letter or a digit names the key with that
// code ("." is Delete), whether a key token or a character put it there.
std::string key_name(uint8_t vk, bool as_text) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, char(vk));
    for (const KeyToken* row = key_tokens; !row->name.empty(); ++row)
        if (row->vk == vk) return std::string(row->name);
    return printable(static_cast<char>(vk), as_text);
}

const char* reason(LineVerdict verdict) {
    switch (verdict) {
    case LineVerdict::no_equals:
        return "no \"=\"";
    case LineVerdict::starts_with_equals:
        return "starts with \"=\"";
    case LineVerdict::too_long:
        return "62 or more characters before \"=\"";
    case LineVerdict::beyond_limit:
        return "beyond the 255th trigger line";
    case LineVerdict::modifiers_only:
        return "only modifier tokens, no key";
    case LineVerdict::after_nul:
        return "after a zero byte, which ends the file's text";
    case LineVerdict::not_typeable:
        return "the trigger holds a character the keyboard's code page lacks: it cannot be typed";
    default:
        return "";
    }
}
} // namespace

namespace {
// Whether `earlier` may fire wherever `later` may: in every program `later`
// fires in, and in every case `later` matches.
bool fires_wherever(const TriggerEntry& earlier, const TriggerEntry& later) {
    if (earlier.section != 0 && earlier.section != later.section) return false;
    return earlier.any_case || !later.any_case;
}

// How surely a trigger fires where another is typed.
enum class Fires : uint8_t { never, always, at_word_start };

// Whether typing `outer` fires `inner`, whose characters are those of
// `outer` that end `skip` characters before its end: as the matcher sees
// it, with the case rule and the word-start rule of `inner`.
Fires fires_within(const TriggerEntry& inner, const TriggerEntry& outer, int skip) {
    const int length = inner.match_length;
    const int typed = static_cast<int>(std::strlen(outer.match.data()));
    if (skip + length > typed) return Fires::never;
    for (int i = 0; i < length; ++i) {
        const char a = inner.match[static_cast<std::size_t>(i)];
        const char b = outer.match[static_cast<std::size_t>(skip + i)];
        if (inner.any_case ? lower_ascii(a) != lower_ascii(b) : a != b) return Fires::never;
    }
    if (!inner.word_start || length >= max_match_length) return Fires::always;
    // The character typed just before it: inside `outer`, or before `outer`,
    // where only a word-start `outer` says it is no letter or digit.
    const int before = skip + length;
    if (before < typed)
        return is_word_byte(outer.match[static_cast<std::size_t>(before)]) ? Fires::never
                                                                           : Fires::always;
    return outer.word_start ? Fires::always : Fires::at_word_start;
}

// Whether `earlier` fires on what fires `later`: always, or only where
// `later` is typed at the start of a word.
Fires beats(const TriggerEntry& earlier, const TriggerEntry& later) {
    if (earlier.pattern || later.pattern) return Fires::never; // no pattern is compared by its text
    if (earlier.match_length <= 0 || later.match_length <= 0) return Fires::never;
    if (!fires_wherever(earlier, later)) return Fires::never;
    if (is_plain(earlier) && is_plain(later))
        return earlier.match_length <= later.match_length ? fires_within(earlier, later, 0)
                                                          : Fires::never;
    if (!is_plain(earlier) && !is_plain(later) && earlier.match[0] == later.match[0] &&
        (earlier.flags & 15) == (later.flags & 15))
        return Fires::always;
    return Fires::never;
}

// Whether typing `outer` fires `inner` before its own last character.
Fires fires_before_end(const TriggerEntry& inner, const TriggerEntry& outer) {
    if (inner.pattern || outer.pattern) return Fires::never;
    if (!is_plain(inner) || !is_plain(outer) || !fires_wherever(inner, outer)) return Fires::never;
    if (inner.match_length <= 0 || outer.match_length >= max_match_length) return Fires::never;
    Fires found = Fires::never;
    for (int skip = 1; skip + inner.match_length <= outer.match_length; ++skip) {
        const Fires here = fires_within(inner, outer, skip);
        if (here == Fires::always) return here;
        if (here == Fires::at_word_start) found = here;
    }
    return found;
}
} // namespace

bool fires_inside(const TriggerEntry& inner, const TriggerEntry& outer) {
    return fires_before_end(inner, outer) == Fires::always;
}

bool trigger_shadows(const TriggerEntry& earlier, const TriggerEntry& later) {
    return beats(earlier, later) == Fires::always;
}

std::string describe_trigger(const TriggerEntry& entry, bool as_text) {
    std::string text;
    if (is_plain(entry)) {
        const std::size_t length = std::strlen(entry.match.data());
        for (std::size_t i = length; i-- > 0;)
            text += entry.match[i] == 4 ? std::string("{mouse_middle}")
                                        : printable(entry.match[i], as_text);
        return text;
    }
    if (entry.flags & flag_control) text += "Ctrl+";
    if (entry.flags & flag_shift) text += "Shift+";
    if (entry.flags & flag_alt) text += "Alt+";
    text += key_name(static_cast<uint8_t>(entry.match[0]), as_text);
    return text;
}

namespace {
// Each trigger's fields, and the field tokens its output types as they
// stand, by line and column.
void read_fields(std::string_view text, TriggerReport& report) {
    report.fields.assign(static_cast<std::size_t>(report.table.count), "");
    report.field_problems.clear();
    for (int i = 0; i < report.table.count; ++i) {
        const TriggerEntry& entry = report.table.entries[i];
        const std::size_t at = std::min<std::size_t>(entry.output_at, text.size());
        const std::string_view output = text.substr(at, entry.output_length);
        report.fields[static_cast<std::size_t>(i)] = field_labels(read_form(output));
        std::size_t line_start = at;
        while (line_start > 0 && text[line_start - 1] != '\r' && text[line_start - 1] != '\n')
            --line_start;
        for (const FieldProblem& problem : field_problems(output)) {
            const std::size_t column = at - line_start + static_cast<std::size_t>(problem.column);
            report.field_problems.emplace_back(entry.line, "column " + std::to_string(column) +
                                                               ": " + problem.words);
        }
    }
}
} // namespace

void mark_untypeable(std::vector<LineNote>& notes, const std::vector<int>* untypeable) {
    if (!untypeable) return;
    for (LineNote& note : notes)
        for (const int line : *untypeable)
            if (note.line == line) note.verdict = LineVerdict::not_typeable;
}

namespace {
// For every entry, the first other entry that always fires before it (one
// above it on the same keys, or a shorter one inside it), and one that does
// so only where it is typed at the start of a word.
void find_beaten(TriggerReport& report) {
    const int count = report.table.count;
    const auto& entries = report.table.entries;
    report.shadowed_by.assign(static_cast<std::size_t>(count), -1);
    report.fired_inside_by.assign(static_cast<std::size_t>(count), -1);
    report.beaten_at_word_start_by.assign(static_cast<std::size_t>(count), -1);
    for (int later = 0; later < count; ++later) {
        int& at_word_start = report.beaten_at_word_start_by[static_cast<std::size_t>(later)];
        for (int earlier = 0; earlier < later && report.shadowed_by[later] < 0; ++earlier) {
            const Fires fires = beats(entries[earlier], entries[later]);
            if (fires == Fires::always) report.shadowed_by[later] = earlier;
            if (fires == Fires::at_word_start && at_word_start < 0) at_word_start = earlier;
        }
        for (int inner = 0; inner < count && report.shadowed_by[later] < 0; ++inner) {
            if (inner == later) continue;
            const Fires fires = fires_before_end(entries[inner], entries[later]);
            if (fires == Fires::always) {
                report.fired_inside_by[later] = inner;
                break;
            }
            if (fires == Fires::at_word_start && at_word_start < 0) at_word_start = inner;
        }
        if (report.shadowed_by[later] >= 0 || report.fired_inside_by[later] >= 0)
            at_word_start = -1;
    }
}

// What is said of one line: a directive whose value cannot be read, or a
// trigger line's mistakes and hints.
void find_line_findings(TriggerReport& report, const LineNote& note, std::string_view line) {
    if (note.verdict == LineVerdict::directive) {
        FileRules file;
        TriggerRules trigger;
        std::string problem;
        apply_directive(line.substr(1), file, trigger, &problem);
        const std::vector<int>& unreadable = report.table.unreadable_directives;
        if (std::find(unreadable.begin(), unreadable.end(), note.line) != unreadable.end()) {
            report.findings.push_back({note.line, true, problem});
            ++report.mistake_lines;
        }
        return;
    }
    if (note.verdict != LineVerdict::trigger) return;
    const std::size_t before = report.findings.size();
    check_trigger_line(line, report.table.entries[note.entry], note.line, report.findings,
                       report.table.pattern_window);
    for (std::size_t i = before; i < report.findings.size(); ++i)
        if (report.findings[i].mistake) {
            ++report.mistake_lines;
            break;
        }
    const int beater = report.beaten_at_word_start_by[static_cast<std::size_t>(note.entry)];
    if (beater >= 0)
        report.findings.push_back({note.line, false,
                                   "typed at the start of a word, it fires the trigger on line " +
                                       std::to_string(report.table.entries[beater].line) +
                                       " first: this line fires only after a letter or digit"});
}
} // namespace

void build_trigger_report(const char* text, std::size_t size, bool netbook, TriggerReport& report,
                          const std::vector<int>* untypeable) {
    report.table = TriggerTable{};
    report.table.netbook = netbook;
    report.notes.clear();
    apply_markers(text, report.table);
    parse_trigger_text(text, size, report.table, &report.notes);
    find_beaten(report);
    mark_untypeable(report.notes, untypeable);
    read_fields(std::string_view(text, length_bounded(text, size)), report);
    report.patterns.assign(static_cast<std::size_t>(report.table.count), std::string());
    for (int i = 0; i < report.table.count; ++i)
        if (report.table.entries[i].pattern)
            report.patterns[i] = engine_text_to_utf8(written_trigger(
                std::string_view(text, length_bounded(text, size)), report.table.entries[i]));
    report.directives.clear();
    report.findings.clear();
    report.dead_lines = 0;
    report.mistake_lines = 0;
    report.remap_words = std::strstr(text, "REMAP") && std::strstr(text, "TILDE");
    for (const LineNote& note : report.notes) {
        const std::string_view rest(text + note.offset, length_bounded(text, size) - note.offset);
        const std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
        if (note.verdict == LineVerdict::directive)
            report.directives.emplace_back(note.line, std::string(line));
        find_line_findings(report, note, line);
        if (note.verdict == LineVerdict::comment || note.verdict == LineVerdict::directive)
            continue;
        if (note.verdict != LineVerdict::trigger || report.shadowed_by[note.entry] >= 0 ||
            report.fired_inside_by[note.entry] >= 0)
            ++report.dead_lines;
    }
    report.inserts = report_inserts(std::string_view(text, length_bounded(text, size)), report);
}

namespace {
// Every marker the program reads, with what it switches on.
std::string markers_line(const TriggerReport& report) {
    const TriggerTable& table = report.table;
    std::string markers;
    auto add = [&](const char* words) {
        markers += (markers.empty() ? " " : ", ") + std::string(words);
    };
    if (table.debug_mode) add("debug mode (Quillomat_DEBUG)");
    if (table.unicode_typing) add("Unicode typing (Quillomat_UNICODE)");
    if (table.remap_mode) add("remap mode (REMAP, TILDE)");
    if (markers.empty()) markers = " none";
    if (report.remap_words && !table.remap_mode)
        markers += "; REMAP and TILDE switch remap mode on only on a computer named NETBOOK "
                   "(--netbook checks as there)";
    return "Markers:" + markers + "\n";
}

int mistake_count(const TriggerReport& report) {
    int count = 0;
    for (const LineFinding& finding : report.findings)
        count += finding.mistake ? 1 : 0;
    return count;
}

// "Likely mistakes:" (always, "none" when there are none) or "Hints:" (only when there are some).
std::string findings_section(const TriggerReport& report, bool mistakes) {
    std::string out = mistakes ? "Likely mistakes:\n" : "Hints:\n";
    bool any = false;
    for (const LineFinding& finding : report.findings) {
        if (finding.mistake != mistakes) continue;
        out += "  line " + std::to_string(finding.line) + ": " + finding.words + "\n";
        any = true;
    }
    if (!any) return mistakes ? out + "  none\n" : "";
    return out;
}
} // namespace

std::string format_trigger_report(const TriggerReport& report) {
    std::string out;
    char line[256];
    const TriggerTable& table = report.table;
    std::vector<int> entry_line(static_cast<std::size_t>(table.count), 0);
    for (const LineNote& note : report.notes)
        if (note.verdict == LineVerdict::trigger) entry_line[note.entry] = note.line;

    out += markers_line(report);
    if (!report.directives.empty()) {
        out += "Directives:\n";
        for (const auto& [number, directive] : report.directives) {
            std::snprintf(line, sizeof line, "  line %-5d ", number);
            out += line + directive + "\n";
        }
    }

    out += "Triggers:\n";
    for (int i = 0; i < table.count; ++i) {
        const TriggerEntry& entry = table.entries[i];
        std::snprintf(line, sizeof line, "  %3d  line %-5d %-6s  ", i, entry_line[i],
                      is_plain(entry) ? "plain" : "hotkey");
        out += line;
        // What is typed is shown in quotes, so that a space at either end shows.
        out += entry.pattern     ? "\"" + report.patterns[i] + "\""
               : is_plain(entry) ? "\"" + engine_text_to_utf8(describe_trigger(entry, true)) + "\""
                                 : describe_trigger(entry);
        if (entry.section != 0) {
            out += "  [only in:";
            for (const ProgramRule& rule : table.sections[entry.section - 1u])
                out += std::string(" ") +
                       (rule.kind == ProgramRule::title          ? "title:"
                        : rule.kind == ProgramRule::window_class ? "class:"
                                                                 : "") +
                       rule.pattern;
            out += "]";
        }
        if (entry.word_start) out += "  [word start]";
        if (entry.any_case) out += "  [any case]";
        if (!report.fields[static_cast<std::size_t>(i)].empty())
            out += "  [fields: " + report.fields[static_cast<std::size_t>(i)] + "]";
        if (static_cast<std::size_t>(i) < report.inserts.tags.size()) out += report.inserts.tags[i];
        if (entry.pattern) out += "  [pattern]";
        out += '\n';
    }

    out += "Lines that never fire:\n";
    int shown = 0;
    for (const LineNote& note : report.notes) {
        if (note.verdict == LineVerdict::comment || note.verdict == LineVerdict::directive)
            continue;
        if (note.verdict == LineVerdict::trigger) {
            const int earlier = report.shadowed_by[note.entry];
            const int inner = report.fired_inside_by[note.entry];
            if (earlier < 0 && inner < 0) continue;
            if (earlier >= 0)
                std::snprintf(
                    line, sizeof line,
                    "  line %d: shadowed by the trigger on line %d, which always fires first\n",
                    note.line, entry_line[earlier]);
            else
                std::snprintf(line, sizeof line,
                              "  line %d: typing it fires the shorter trigger on line %d inside "
                              "it first\n",
                              note.line, entry_line[inner]);
        } else {
            std::snprintf(line, sizeof line, "  line %d: %s\n", note.line, reason(note.verdict));
        }
        out += line;
        ++shown;
    }
    if (shown == 0) out += "  none\n";
    out += findings_section(report, true);
    out += findings_section(report, false);
    if (!report.inserts.notes.empty()) out += "Output tokens:\n";
    for (const auto& [number, words] : report.inserts.notes)
        out += "  line " + std::to_string(number) + ": " + words + "\n";
    if (!report.field_problems.empty()) out += "Field tokens typed as they stand:\n";
    for (const auto& [number, problem] : report.field_problems)
        out += "  line " + std::to_string(number) + ", " + problem + "\n";
    const int hints = static_cast<int>(report.findings.size()) - mistake_count(report);
    std::snprintf(line, sizeof line,
                  "%d triggers loaded, %d lines never fire, %d lines with likely mistakes",
                  table.count, report.dead_lines, report.mistake_lines);
    out += line;
    if (hints > 0) out += ", " + std::to_string(hints) + (hints == 1 ? " hint" : " hints");
    out += "\n";
    return out;
}
