#include "triggers/triggers.h"

#include "common/memory.h"
#include "common/packed_text.h"
#include "common/status.h"
#include "common/text.h"
#include "engine/disk_copy.h"
#include "engine/key_monitor.h"
#include "platform/platform.h"
#include "keys/key_tokens.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

TriggerTable trigger_table;

const std::string_view shifted_row = "~!@#$%^&*()_+{}|:\"<>?";
const std::string_view unshifted_row = "`1234567890-=[]\\;',./";

namespace {
constexpr int default_trigger_text_id = 8002;

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

// Ctrl, Shift and Alt, in that order; Ctrl goes up as the extended key.
void release_modifiers() {
    for (const uint8_t vk : {17, 16, 18})
        if (key_is_down(vk)) send_key(vk, true);
}

void reset_keyboard() {
    clear_keyboard_state();
    // Two rounds of reads flush whatever state the platform kept from before.
    for (int vk = 0; vk < 255; ++vk)
        (void)key_is_down(vk);
    key_monitor.key_state.fill(0);
    for (int vk = 0; vk < 255; ++vk)
        (void)key_is_down(vk);
}

// Writes the built-in default trigger file at `path`; false when the file
// cannot be created.
bool write_default_file(const char* path) {
    const std::string_view packed = builtin_text(default_trigger_text_id);
    std::string_view text;
    HeapText unpacked;
    if (!packed.empty()) {
        int32_t length = static_cast<int32_t>(length_bounded(packed.data(), packed.size()));
        unpacked.reset(unpack_text(packed.data(), &length));
        if (unpacked) text = std::string_view(unpacked.get(), static_cast<std::size_t>(length));
    }
    return replace_file(path, text);
}
} // namespace

namespace {
// What the directive lines above a trigger say about it.
struct DirectiveSettings {
    uint8_t section = 0;
    bool word_start = false, any_case = false;
};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// "keepass.exe, ztw*.exe, title:Remote Desktop, class:ConsoleWindowClass"
ProgramList program_list(std::string_view value) {
    ProgramList rules;
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        std::string_view item = trimmed(value.substr(0, comma));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        ProgramRule rule;
        if (item.size() >= 6 && equal_nocase(item.data(), "title:", 6)) {
            rule.kind = ProgramRule::title;
            item = trimmed(item.substr(6));
        } else if (item.size() >= 6 && equal_nocase(item.data(), "class:", 6)) {
            rule.kind = ProgramRule::window_class;
            item = trimmed(item.substr(6));
        }
        if (item.empty()) continue;
        rule.pattern = std::string(item);
        rules.push_back(std::move(rule));
    }
    return rules;
}

// A comment line (without its ";") that sets something; true when it is one.
bool apply_directive(std::string_view comment, TriggerTable& table, DirectiveSettings& settings) {
    comment = trimmed(comment);
    static const std::string_view names[] = {"Quillomat_NEVER_IN",   "Quillomat_ONLY_IN",
                                             "Quillomat_WORD_START", "Quillomat_CASE",
                                             "Quillomat_PASTE",      "Quillomat_TYPE_IN"};
    for (std::size_t n = 0; n < 6; ++n) {
        const std::string_view name = names[n];
        if (comment.size() <= name.size() || !equal_nocase(comment.data(), name.data(), name.size()))
            continue;
        std::string_view rest = trimmed(comment.substr(name.size()));
        if (rest.empty() || rest.front() != ':') continue;
        const std::string_view value = trimmed(rest.substr(1));
        const bool on = value.size() >= 2 && equal_nocase(value.data(), "on", 2);
        switch (n) {
        case 0: {
            ProgramList rules = program_list(value);
            table.never_in.insert(table.never_in.end(), rules.begin(), rules.end());
            break;
        }
        case 1:
            if (value == "*" || table.sections.size() >= 255) {
                settings.section = 0;
            } else {
                table.sections.push_back(program_list(value));
                settings.section = static_cast<uint8_t>(table.sections.size());
            }
            break;
        case 2:
            settings.word_start = on;
            break;
        case 3:
            settings.any_case = on;
            break;
        case 4: { // the least length of a pasted run; 100 when no number is given
            const int32_t least = parse_decimal(std::string(value).c_str());
            table.paste_at = least > 0 ? least : 100;
            break;
        }
        default: {
            ProgramList rules = program_list(value);
            table.type_in.insert(table.type_in.end(), rules.begin(), rules.end());
            break;
        }
        }
        return true;
    }
    return false;
}

// "ztw*.exe" against "ZTW2.EXE": "*" any run, "?" any one character, case ignored.
bool wildcard_matches(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    auto same = [](char a, char b) { return equal_nocase(&a, &b, 1); };
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], text[t]))) {
            ++p, ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}
} // namespace

bool program_matches(const ProgramList& rules, const FrontProgram& front) {
    for (const ProgramRule& rule : rules) {
        const std::string& field = rule.kind == ProgramRule::exe     ? front.exe
                                   : rule.kind == ProgramRule::title ? front.title
                                                                     : front.window_class;
        const bool hit = rule.kind == ProgramRule::title
                             ? find_nocase(field.c_str(), rule.pattern.c_str()) != nullptr
                             : wildcard_matches(rule.pattern, field);
        if (hit) return true;
    }
    return false;
}

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
    DirectiveSettings settings;
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
            const bool directive =
                apply_directive(std::string_view(text + line_start + 1, pos - line_start - 1), table,
                                settings);
            note(line, directive ? LineVerdict::directive : LineVerdict::comment, -1);
            continue;
        }
        if (count >= max_triggers && !notes) break;
        char trigger[max_trigger_chars + 1];
        std::size_t copied = 0;
        while (copied < max_trigger_chars && pos < end && text[pos] != '=' &&
               !is_line_end(text[pos]))
            trigger[copied++] = text[pos++];
        trigger[copied] = '\0';
        const bool accepted = copied > 0 && pos < end && text[pos] == '=';
        if (accepted) {
            if (count >= max_triggers) {
                note(line, LineVerdict::beyond_limit, -1);
            } else if (make_entry(trigger, table.entries[count])) {
                TriggerEntry& entry = table.entries[count];
                entry.line = line;
                entry.section = settings.section;
                entry.word_start = settings.word_start;
                entry.any_case = settings.any_case;
                const char* output = text + pos + 1;
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

namespace {
// Leaves the file alone and shows nothing of it: the editor must never hold
// text that Save could write over a file it did not come from.
void refuse_file(const char* path, FileRead why, const TextProblem& problem = {}) {
    trigger_table.refusal = why;
    set_editor_text("", false);
    set_editor_read_only(true);
    switch (why) {
    case FileRead::not_text: {
        const std::string words = describe_text_problem(problem);
        copy_bounded(trigger_table.refusal_words.data(), trigger_table.refusal_words.size(), words);
        status_printf(" Trigger file not loaded, it %s: %s", words.c_str(), path ? path : "");
        break;
    }
    case FileRead::too_large:
        status_printf(" Trigger file too large to load: %s", path ? path : "");
        break;
    case FileRead::no_memory:
        status_printf(" Triggers Loaded: 0 ");
        break;
    case FileRead::missing:
        status_printf(" Unable to create the trigger file: %s", path ? path : "");
        break;
    default:
        status_printf(" Unable to read the trigger file: %s", path ? path : "");
        break;
    }
}
} // namespace

void load_triggers(const char* path) {
    release_modifiers();
    reset_keyboard();
    // The modes a file switched on stay on while that file is reloaded, and
    // end when another file is loaded.
    static std::string loaded_path;
    const bool same_file = path && loaded_path == path;
    loaded_path = path ? path : "";
    const bool debug_mode = same_file && trigger_table.debug_mode,
               remap_mode = same_file && trigger_table.remap_mode, netbook = trigger_table.netbook;
    trigger_table = TriggerTable{};
    trigger_table.debug_mode = debug_mode;
    trigger_table.remap_mode = remap_mode;
    trigger_table.netbook = netbook;
    key_monitor.history.fill(0);

    char* raw = nullptr;
    std::size_t size = 0;
    FileRead result = read_whole_file(path, max_trigger_file_size, &raw, &size);
    HeapText text(raw);
    // Only a file that is not there at all gets the examples: one the user
    // saved, however short, is theirs.
    if (result == FileRead::missing) {
        text.reset();
        if (!write_default_file(path)) return refuse_file(path, FileRead::missing);
        result = read_whole_file(path, max_trigger_file_size, &raw, &size);
        text.reset(raw);
    }
    remember_trigger_file(path, result == FileRead::ok ? text.get() : nullptr, size);
    // A file that exists but could not be read is the user's, and it may
    // only be locked for a moment: it is never replaced.
    if (result != FileRead::ok || !text) return refuse_file(path, result);
    const TextEncoding encoding = detect_encoding(text.get(), size);
    const TextProblem problem = check_text(text.get(), size, encoding);
    if (problem.kind != TextProblem::none) return refuse_file(path, FileRead::not_text, problem);
    if (!utf16_to_utf8(text, size, encoding)) return refuse_file(path, FileRead::no_memory);
    set_editor_read_only(false);
    set_editor_text(text.get(), encoding != TextEncoding::ansi);
    std::vector<int> untypeable;
    if (!to_engine_text(text, size, is_utf16(encoding) ? TextEncoding::utf8 : encoding,
                        &untypeable))
        return refuse_file(path, FileRead::no_memory);
    trigger_table.encoding = encoding;
    apply_markers(text.get(), trigger_table);
    const int count = parse_trigger_text(text.get(), size, trigger_table, nullptr);
    const char* debug = trigger_table.debug_mode ? " * * * DEBUG ON * * *" : "";
    if (!untypeable.empty())
        status_printf(" Triggers Loaded: %d, %d cannot be typed %s", count,
                      static_cast<int>(untypeable.size()), debug);
    else
        status_printf(" Triggers Loaded: %d %s", count, debug);
}
