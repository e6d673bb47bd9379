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
// Whether `earlier` may fire wherever and however `later` may: in every
// program `later` fires in, at least as often in the case and word rules.
bool fires_wherever(const TriggerEntry& earlier, const TriggerEntry& later, bool words = true) {
    if (earlier.section != 0 && earlier.section != later.section) return false;
    if (words && earlier.word_start && !later.word_start) return false;
    return earlier.any_case || !later.any_case;
}

} // namespace

bool fires_inside(const TriggerEntry& inner, const TriggerEntry& outer) {
    if (inner.pattern || outer.pattern) return false; // no pattern is compared by its text
    // The word rule is checked where `inner` stands inside `outer`, below.
    if (!is_plain(inner) || !is_plain(outer) || !fires_wherever(inner, outer, false)) return false;
    const int inner_length = inner.match_length, outer_length = outer.match_length;
    if (inner_length <= 0 || outer_length >= max_match_length) return false;
    // The matches are reversed: `inner` ends `skip` characters before `outer` does.
    for (int skip = 1; skip + inner_length <= outer_length; ++skip) {
        bool same = true;
        for (int i = 0; i < inner_length && same; ++i) {
            const char a = inner.match[static_cast<std::size_t>(i)];
            const char b = outer.match[static_cast<std::size_t>(skip + i)];
            same = inner.any_case ? lower_ascii(a) == lower_ascii(b) : a == b;
        }
        const int before = skip + inner_length; // the character typed just before it
        if (same && (!inner.word_start || before >= outer_length ||
                     !is_word_byte(outer.match[static_cast<std::size_t>(before)])))
            return true;
    }
    return false;
}

bool trigger_shadows(const TriggerEntry& earlier, const TriggerEntry& later) {
    if (earlier.pattern || later.pattern) return false;
    if (earlier.match_length <= 0 || later.match_length <= 0) return false;
    if (!fires_wherever(earlier, later)) return false;
    if (is_plain(earlier) && is_plain(later)) {
        return earlier.match_length <= later.match_length &&
               std::memcmp(earlier.match.data(), later.match.data(),
                           static_cast<std::size_t>(earlier.match_length)) == 0;
    }
    if (!is_plain(earlier) && !is_plain(later))
        return earlier.match[0] == later.match[0] && (earlier.flags & 15) == (later.flags & 15);
    return false;
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

void build_trigger_report(const char* text, std::size_t size, bool netbook, TriggerReport& report,
                          const std::vector<int>* untypeable) {
    report.table = TriggerTable{};
    report.table.netbook = netbook;
    report.notes.clear();
    apply_markers(text, report.table);
    parse_trigger_text(text, size, report.table, &report.notes);
    report.shadowed_by.assign(static_cast<std::size_t>(report.table.count), -1);
    for (int later = 0; later < report.table.count; ++later) {
        for (int earlier = 0; earlier < later; ++earlier) {
            if (trigger_shadows(report.table.entries[earlier], report.table.entries[later])) {
                report.shadowed_by[later] = earlier;
                break;
            }
        }
    }
    report.fired_inside_by.assign(static_cast<std::size_t>(report.table.count), -1);
    for (int outer = 0; outer < report.table.count; ++outer) {
        if (report.shadowed_by[outer] >= 0) continue;
        for (int inner = 0; inner < report.table.count; ++inner) {
            if (inner != outer &&
                fires_inside(report.table.entries[inner], report.table.entries[outer])) {
                report.fired_inside_by[outer] = inner;
                break;
            }
        }
    }
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
        if (note.verdict == LineVerdict::trigger) {
            const std::size_t before = report.findings.size();
            check_trigger_line(line, report.table.entries[note.entry], note.line, report.findings,
                               report.table.pattern_window);
            for (std::size_t i = before; i < report.findings.size(); ++i)
                if (report.findings[i].mistake) {
                    ++report.mistake_lines;
                    break;
                }
        }
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
