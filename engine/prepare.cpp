// After a match: erase the typed trigger, fetch the trigger's output line
// from the file on disk, fill in environment variables and dates, and start
// the playback.
#include "common/status.h"
#include "triggers/encoding.h"
#include "engine/engine.h"
#include "engine/input_watch.h"
#include "engine/key_monitor.h"
#include "triggers/triggers.h"
#include "platform/platform.h"
#include "keys/key_tokens.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

EngineFiles engine_files;
OutputState output_state;
UndoChance undo_chance;

namespace {
constexpr uint32_t modifier_wait_ms = 1000;
// An expansion may not grow the output beyond this; larger ones stay unexpanded.
constexpr std::size_t max_expanded_size = 1u << 20;

void resume_polling() {
    // Events still on their way (the Backspaces that erased the trigger, keys
    // typed into the search window) are not the user's typing.
    note_own_input();
    set_timer(polling_timer, polling_period_ms);
}

void log_match(const TriggerEntry& entry) {
    append_debug_log(std::string("\"") + (entry.lookup_key.data() + 1) + "\"");
}

// Lets the user's modifiers go up first, so they do not change the keys we send.
void wait_for_modifiers() {
    const uint32_t start = tick_count();
    while (tick_count() - start < modifier_wait_ms) {
        if (!key_is_down(16) && !key_is_down(17) && !key_is_down(18)) return;
        sleep_ms(10);
    }
}

void erase_trigger(int count) {
    for (int i = 0; i < count; ++i)
        play_key_token(8, press_and_release);
}

// The file's text after a newline, so that every line, the first one too,
// begins with "\n"; nullptr when no buffer can be had.
HeapText read_trigger_file(std::size_t& capacity) {
    HeapText text;
    std::size_t size = 0;
    if (read_engine_text(engine_files.trigger_file, text, size, nullptr, nullptr) != FileRead::ok) {
        capacity = file_buffer_size(0);
        HeapText empty = alloc_text(capacity);
        if (empty) empty.get()[0] = '\n';
        return empty;
    }
    capacity = file_buffer_size(size);
    std::memmove(text.get() + 1, text.get(), size + 1); // the block has 4096 bytes to spare
    text.get()[0] = '\n';
    return text;
}

// The first line that starts with the trigger as written and "=". A line
// starts after LF, and also after a lone CR, so that files with CR-only line
// ends find every output, as the loader finds every trigger. With `line`
// (1-based), that line, when it still starts so.
char* find_output_line(char* text, const char* lookup_key, int line) {
    const char* key = lookup_key + 1; // without its "\n"
    if (line > 0) {
        // Lines are counted as the loader counts them: every LF ends one, and
        // so does a CR that no LF follows. text[0] is the "\n" put in front.
        char* at = text + 1;
        for (int n = 1; n < line && *at; ++at)
            if (*at == '\n' || (*at == '\r' && at[1] != '\n')) ++n;
        if (std::strncmp(at, key, std::strlen(key)) == 0) return at - 1;
    }
    for (char* at = std::strstr(text + 1, key); at; at = std::strstr(at + 1, key)) {
        if (at[-1] == '\n' || at[-1] == '\r') return at - 1;
    }
    return nullptr;
}

// Replaces %NAME% references. The expansion gets whatever room it needs, up
// to a bound; the output buffer is replaced by a larger one when it grows.
void expand_variables(HeapText& text, std::size_t& capacity) {
    if (!std::strchr(text.get(), '%')) return;
    std::size_t room = capacity;
    for (int attempt = 0; attempt < 2; ++attempt) {
        HeapText expanded = alloc_text(room);
        if (!expanded) return;
        const std::size_t needed = expand_environment(text.get(), expanded.get(), room);
        if (needed == 0) return;
        if (needed <= room) {
            text.swap(expanded);
            capacity = room;
            return;
        }
        if (needed > max_expanded_size) return;
        room = needed + 4096;
    }
}

// Replaces every macro (any case) by its value, which is never longer.
void replace_macro(char* text, const char* macro, const char* format, int value) {
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, format, value);
    replace_all_nocase(text, macro, formatted);
}

uint32_t upper_case_of(uint32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20; // Latin-1
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20; // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;              // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

// The output's letters in the case the trigger was typed in: all of them, or
// its first. Key tokens, macros, %VARIABLES% and commands with their
// arguments stay as they are.
void apply_case(char* text, OutputCase letters) {
    if (letters == OutputCase::as_written) return;
    for (char* at = text; *at;) {
        if (*at == '{' || *at == '%') {
            const char* close = std::strchr(at + 1, *at == '{' ? '}' : '%');
            // A variable's name holds no blank: "50% off and 20%" is text.
            const bool name = *at == '{' || (close && std::memchr(at, ' ', close - at) == nullptr);
            if (close && name) {
                at = const_cast<char*>(close) + 1;
                continue;
            }
        }
        // A command and its argument (a name) stay as written.
        if (const std::size_t keyword = output_command_at(at)) {
            at += keyword;
            while (*at && *at != '\r' && *at != '\n' && *at != '{')
                ++at;
            continue;
        }
        const uint8_t byte = static_cast<uint8_t>(*at);
        const uint32_t code_point = byte < 0x80 ? byte : code_point_of_ansi(byte);
        const bool letter = upper_case_of(code_point) != code_point ||
                            (code_point >= 'A' && code_point <= 'Z') ||
                            (code_point >= 0xC0 && code_point != 0xD7);
        if (letter) {
            const int upper = ansi_byte_of(upper_case_of(code_point));
            if (upper > 0) *at = static_cast<char>(upper);
            if (letters == OutputCase::capitalized) return;
        }
        ++at;
    }
}

void fill_in_dates(char* text) {
    const LocalTime now = local_time();
    replace_macro(text, "{{yyyy}}", "%04d", now.year);
    replace_macro(text, "{{yy}}", "%02d", now.year - 2000);
    replace_macro(text, "{{mm}}", "%02d", now.month);
    replace_macro(text, "{{dd}}", "%02d", now.day);
    replace_macro(text, "{{hh}}", "%02d", now.hour);
    replace_macro(text, "{{uu}}", "%02d", now.minute);
}
} // namespace

namespace {
// Reads the entry's output from the file on disk, fills it in, counts it and
// starts its playback; polling resumes when the output is missing.
void fetch_and_play(const TriggerEntry& entry, int line_number = 0,
                    OutputCase letters = OutputCase::as_written) {
    output_state.text.reset();
    std::size_t capacity = 0;
    HeapText text = read_trigger_file(capacity);
    if (!text) return resume_polling();
    // Its own line: the same trigger may stand on other lines, for other programs.
    char* line = find_output_line(text.get(), entry.lookup_key.data(),
                                  line_number > 0 ? line_number : entry.line);
    if (!line) {
        status_printf(" * * * WARNING: No output listed!");
        return resume_polling();
    }
    const char* output = line + std::strlen(entry.lookup_key.data());
    const std::size_t output_length = std::strcspn(output, "\r\n");
    std::memmove(text.get(), output, output_length);
    text.get()[output_length] = '\0';

    apply_case(text.get(), letters);
    expand_variables(text, capacity);
    fill_in_dates(text.get());

    // The trigger as written, for the messages of commands that fail.
    const std::string_view written(entry.lookup_key.data() + 1);
    copy_bounded(output_state.trigger.data(), output_state.trigger.size(),
                 engine_text_to_utf8(written.substr(0, written.size() - 1)));
    ++output_state.use_count;
    status_printf(" Shortcuts Used:  %d", output_state.use_count);
    const ScreenPoint mouse = cursor_position();
    output_state.saved_x = mouse.x;
    output_state.saved_y = mouse.y;
    undo_chance.typed = undoable_length(text.get());
    undo_chance.open = false;
    output_state.text = std::move(text);
    output_state.cursor = 0;
    set_timer(playback_timer, 1);
}
} // namespace

std::size_t output_command_at(const char* at) {
    for (const std::string_view keyword : {"RUN: ", "WINDOW: ", "LIST: ", "SEARCH:", "PAUSE:"})
        if (starts_with_nocase(at, keyword)) return keyword.size();
    return 0;
}

void append_debug_log(std::string_view line) {
    const LocalTime now = local_time();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    (void)append_to_file(engine_files.debug_log, stamp + std::string(line) + "\r\n");
}

int undoable_length(const char* output) {
    int count = 0;
    for (const char* at = output; *at; ++at, ++count) {
        if (output_command_at(at)) return -1;
        if (*at != '{') continue;
        uint32_t length = 0;
        int mode = 0;
        if (parse_unicode_token(at, &length)) {
            at += length - 1;
            continue;
        }
        const uint8_t vk = parse_key_token(at, &length, &mode);
        if ((vk != 13 && vk != 9) || mode != press_and_release) return -1;
        at += length - 1;
    }
    return count;
}

void prepare_output(int entry_index, uint8_t new_key, OutputCase letters) {
    const TriggerEntry& entry = trigger_table.entries[entry_index];
    // What was typed of a plain trigger, to type it back if the output is undone.
    undo_chance.trigger.fill(0);
    if (entry.flags == 0)
        for (int i = 0; i < entry.match_length && i < 63; ++i)
            undo_chance.trigger[static_cast<std::size_t>(i)] =
                key_monitor.history[static_cast<std::size_t>(entry.match_length - 1 - i)];
    if (trigger_table.debug_mode) log_match(entry);
    wait_for_modifiers();
    if (entry.flags == 0 && entry.match_length > 0 && new_key != 4)
        erase_trigger(entry.match_length);
    key_monitor.history.fill(0);
    fetch_and_play(entry, 0, letters);
}

void search_window_closed(int entry_index, int line) {
    output_state.searching = false;
    undo_chance.trigger.fill(0); // a pick erased nothing: an undo types nothing back
    key_monitor.history.fill(0);
    // Polling resumes when the output has played (or at once), ignoring the
    // keys typed into the window on the way.
    if (entry_index < 0 || entry_index >= trigger_table.count) return resume_polling();
    fetch_and_play(trigger_table.entries[entry_index], line);
}
