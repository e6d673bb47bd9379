#include "triggers/triggers.h"

#include "common/text.h"
#include "keys/key_tokens.h"
#include "triggers/patterns.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

const std::string_view shifted_row = "~!@#$%^&*()_+{}|:\"<>?";
const std::string_view unshifted_row = "`1234567890-=[]\\;',./";

namespace {
inline bool is_line_end(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}

// Turns the characters of an accepted trigger into a table entry; false when
// nothing is left to match.
bool make_entry(const char* trigger, TriggerEntry& entry) {
    entry = TriggerEntry{};
    std::snprintf(entry.lookup_key.data(), entry.lookup_key.size(), "\n%s=", trigger);
    char* match = entry.match.data();
    copy_bounded(match, entry.match.size(), trigger);
    if (find_nocase(match, "{control}")) entry.flags |= flag_control;
    if (find_nocase(match, "{shift}")) entry.flags |= flag_shift;
    if (find_nocase(match, "{alt}")) entry.flags |= flag_alt;
    replace_all_nocase(match, "{control}", "");
    replace_all_nocase(match, "{shift}", "");
    replace_all_nocase(match, "{alt}", "");
    replace_all_nocase(match, "{4}", std::string_view("\x04", 1));
    if (replace_key_tokens(match) > 0) entry.flags |= flag_key_token;
    // A one-key hotkey names its key by the character: "k" is the key K.
    if (entry.flags >= 1 && entry.flags <= 15) match[0] = unshift_char(match[0]);
    const std::size_t length = std::strlen(match);
    std::reverse(match, match + length);
    entry.match_length = static_cast<int32_t>(std::min<std::size_t>(length, max_match_length));
    return length > 0;
}

// A pattern keeps its text as written (its start, for the messages that
// name it): no tokens are read in it, and only the pattern ever matches.
// Always true: even "re:" alone is an entry, one whose pattern is refused.
bool make_pattern_entry(const char* trigger, TriggerEntry& entry) {
    entry = TriggerEntry{};
    entry.pattern = true;
    std::snprintf(entry.lookup_key.data(), entry.lookup_key.size(), "\n%s=", trigger);
    char* match = entry.match.data();
    copy_bounded(match, entry.match.size(), trigger);
    const std::size_t length = std::strlen(match);
    std::reverse(match, match + length);
    entry.match_length = static_cast<int32_t>(std::min<std::size_t>(length, max_match_length));
    return true;
}
} // namespace

char unshift_char(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
    const std::size_t at = c ? shifted_row.find(c) : std::string_view::npos;
    return at == std::string_view::npos ? c : unshifted_row[at];
}

int replace_key_tokens(char* text) {
    // Which characters follow a "{" in the text: a name whose second
    // character is not among them cannot match, and most names are passed
    // over without a scan. Replacements change the text, so the set is
    // taken again after each one.
    auto fold = [](char c) {
        return static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    };
    std::array<bool, 256> after_brace{};
    auto take_set = [&] {
        after_brace.fill(false);
        for (const char* at = std::strchr(text, '{'); at; at = std::strchr(at + 1, '{'))
            after_brace[fold(at[1])] = true;
    };
    take_set();
    int replaced = 0;
    for (const KeyToken* row = key_tokens; !row->name.empty(); ++row) {
        if (!after_brace[fold(row->name[1])]) continue;
        bool changed = false;
        for (char* at = std::strchr(text, '{'); at; at = std::strchr(at + 1, '{')) {
            if (!starts_with_nocase(at, row->name)) continue;
            const std::size_t rest = std::strlen(at + row->name.size()) + 1;
            *at = static_cast<char>(row->vk);
            std::memmove(at + 1, at + row->name.size(), rest);
            ++replaced;
            changed = true;
        }
        if (changed) take_set();
    }
    return replaced;
}

void apply_markers(const char* text, TriggerTable& table) {
    if (std::strstr(text, "Quillomat_DEBUG")) table.debug_mode = true;
    table.unicode_typing = std::strstr(text, "Quillomat_UNICODE") != nullptr;
    if (table.netbook && std::strstr(text, "REMAP") && std::strstr(text, "TILDE"))
        table.remap_mode = true;
}

int parse_trigger_text(const char* text, std::size_t size, TriggerTable& table,
                       std::vector<LineNote>* notes) {
    TriggerRules settings;
    const std::size_t end = length_bounded(text, size);
    std::size_t line_start = 0;
    auto note = [&](int line, LineVerdict verdict, int entry) {
        if (notes) notes->push_back(LineNote{line, verdict, entry, line_start});
    };
    int count = 0;
    int line = 1;
    std::size_t pos = 0;
    while (pos < end) {
        // Any run of CR and LF separates lines; CR LF counts as one line end.
        while (pos < end && (text[pos] == '\r' || text[pos] == '\n')) {
            if (text[pos] == '\n' || pos + 1 >= end || text[pos + 1] != '\n') ++line;
            ++pos;
        }
        if (pos >= end) break;
        line_start = pos;
        auto skip_line = [&] {
            while (pos < end && !is_line_end(text[pos]))
                ++pos;
        };
        if (text[pos] == ';') {
            skip_line();
            std::string problem;
            const bool directive =
                apply_directive(std::string_view(text + line_start + 1, pos - line_start - 1),
                                table, settings, &problem);
            // Past the last trigger the loader reads, a directive sets nothing.
            if (!problem.empty() && count < max_triggers)
                table.unreadable_directives.push_back(line);
            note(line, directive ? LineVerdict::directive : LineVerdict::comment, -1);
            continue;
        }
        if (count >= max_triggers && !notes) break;
        char trigger[max_trigger_chars + 1];
        std::size_t copied = 0;
        const bool pattern = is_pattern_trigger(std::string_view(text + pos, end - pos));
        while (copied < max_trigger_chars && pos < end && text[pos] != '=' &&
               !is_line_end(text[pos]))
            trigger[copied++] = text[pos++];
        trigger[copied] = '\0';
        while (pattern && pos < end && text[pos] != '=' && !is_line_end(text[pos]))
            ++pos;
        const bool accepted = copied > 0 && pos < end && text[pos] == '=';
        if (accepted) {
            if (count >= max_triggers) {
                note(line, LineVerdict::beyond_limit, -1);
            } else if (pattern ? make_pattern_entry(trigger, table.entries[count])
                               : make_entry(trigger, table.entries[count])) {
                TriggerEntry& entry = table.entries[count];
                entry.line = line;
                entry.trigger_at = static_cast<uint32_t>(line_start);
                entry.section = settings.section;
                entry.word_start = settings.word_start;
                // A pattern's case is its own: (?i) and the case changes of its groups.
                entry.any_case = settings.any_case && !pattern;
                const char* output = text + pos + 1;
                entry.output_at = static_cast<uint32_t>(pos + 1);
                std::size_t output_end = pos + 1;
                while (output_end < end && !is_line_end(text[output_end]))
                    ++output_end;
                entry.output_length = static_cast<uint32_t>(output_end - pos - 1);
                entry.always_live = entry.flags != 0 && (starts_with_nocase(output, "PAUSE:") ||
                                                         starts_with_nocase(output, "SEARCH:"));
                note(line, LineVerdict::trigger, count);
                ++count;
            } else {
                table.entries[count] = TriggerEntry{};
                note(line, LineVerdict::modifiers_only, -1);
            }
        } else if (copied == 0 && pos < end && text[pos] == '=') {
            note(line, LineVerdict::starts_with_equals, -1);
        } else {
            skip_line();
            const bool has_equals =
                std::memchr(text + line_start, '=', pos - line_start) != nullptr;
            note(line, has_equals ? LineVerdict::too_long : LineVerdict::no_equals, -1);
        }
        skip_line();
    }
    if (end < size && notes) {
        line_start = end;
        for (std::size_t i = end; i < size; ++i) {
            if (text[i] != '\0' && text[i] != '\r' && text[i] != '\n' && text[i] != ' ') {
                note(line, LineVerdict::after_nul, -1);
                break;
            }
        }
    }
    table.count = count;
    return count;
}
