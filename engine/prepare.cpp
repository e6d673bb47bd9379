// After a match: the modifiers go up first, then the typed trigger is erased
// and the output, taken from the loaded file, is filled in (variables,
// dates, the case it was typed in) and read into steps for the player.
#include "common/text.h"
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "triggers/encoding.h"
#include "ui/status.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
constexpr uint32_t modifier_wait_ms = 1000; // then the output goes out all the same
constexpr uint32_t modifier_check_ms = 10;
// An expansion may not grow the output beyond this; larger ones stay unexpanded.
constexpr std::size_t max_expanded_size = 1u << 20;
constexpr uint8_t vk_backspace = 8;

bool modifiers_down() {
    return key_is_down(16) || key_is_down(17) || key_is_down(18);
}

// Replaces %NAME% references; undefined names stay as written.
void expand_variables(std::string& text) {
    if (text.find('%') == std::string::npos) return;
    std::size_t room = text.size() + 4096;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string expanded(room, '\0');
        const std::size_t needed = expand_environment(text.c_str(), &expanded[0], room);
        if (needed == 0) return;
        if (needed <= room) {
            expanded.resize(std::strlen(expanded.c_str()));
            text = std::move(expanded);
            return;
        }
        if (needed > max_expanded_size) return;
        room = needed + 4096;
    }
}

// Replaces every macro (any case) by its value, which is never longer.
void replace_macro(std::string& text, const char* macro, const char* format, int value) {
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, format, value);
    replace_all_nocase(&text[0], macro, formatted);
    text.resize(std::strlen(text.c_str()));
}

void fill_in_dates(std::string& text) {
    const LocalTime now = local_time();
    replace_macro(text, "{{yyyy}}", "%04d", now.year);
    replace_macro(text, "{{yy}}", "%02d", now.year - 2000);
    replace_macro(text, "{{mm}}", "%02d", now.month);
    replace_macro(text, "{{dd}}", "%02d", now.day);
    replace_macro(text, "{{hh}}", "%02d", now.hour);
    replace_macro(text, "{{uu}}", "%02d", now.minute);
}

uint32_t upper_case_of(uint32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20; // Latin-1
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
        // Latin Extended-A pairs: even upper, odd lower, but for the run that starts odd
        const bool odd_run = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_run ? (c % 2 == 0) : (c % 2 == 1)) return c - 1;
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20; // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;               // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

// A letter of the scripts the code pages hold: a character with a case, or
// one of the letters without one. Symbols above U+00BF (the euro sign, the
// trade mark sign, the multiplication sign) are none.
bool is_letter(uint32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
    if (c >= 0x386 && c <= 0x3FF) return c != 0x387;             // Greek
    if (c >= 0x400 && c <= 0x52F) return c < 0x482 || c > 0x489; // Cyrillic
    if (c >= 0x5D0 && c <= 0x5EA) return true;                   // Hebrew
    if (c >= 0x620 && c <= 0x64A) return true;                   // Arabic
    if (c >= 0xE01 && c <= 0xE2E) return true;                   // Thai
    return c >= 0x1E00 && c <= 0x1EFF;                           // Vietnamese and other Latin
}

// The output's letters in the case the trigger was typed in: all of them, or
// its first. Key tokens, macros, %VARIABLES% and commands with their
// arguments stay as they are.
void apply_case(std::string& text, OutputCase letters) {
    if (letters == OutputCase::as_written) return;
    for (char* at = &text[0]; *at;) {
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
        const auto byte = static_cast<uint8_t>(*at);
        const uint32_t code_point = byte < 0x80 ? byte : code_point_of_ansi(byte);
        if (is_letter(code_point)) {
            const int upper = ansi_byte_of(upper_case_of(code_point));
            if (upper > 0) *at = static_cast<char>(upper);
            if (letters == OutputCase::capitalized) return;
        }
        ++at;
    }
}

// The entry's output as it will play.
OutputScript prepared_output(const TriggerEntry& entry, OutputCase letters) {
    std::string text(entry_output(entry));
    apply_case(text, letters);
    expand_variables(text);
    fill_in_dates(text);
    return compile_output(text);
}

// The modifiers are up (or waited for long enough): the trigger goes, and
// its output starts.
void send_output() {
    Preparation& prepare = engine.prepare;
    const TriggerEntry& entry = engine.file.table.entries[prepare.entry];
    for (int i = 0; i < prepare.erase; ++i)
        play_key_token(vk_backspace, press_and_release);
    engine.keys.history.fill(0);
    OutputScript script = prepared_output(entry, prepare.letters);
    prepare.stage = Preparation::Stage::idle;

    // The trigger as written, for the messages of commands that fail.
    const std::string_view written(entry.lookup_key.data() + 1);
    engine.player.trigger = engine_text_to_utf8(written.substr(0, written.size() - 1));
    ++prepare.use_count;
    status_printf(" Shortcuts Used:  %d", prepare.use_count);
    engine.player.saved_mouse = cursor_position();
    engine.undo.open = false;
    start_playback(std::move(script));
}

// What was typed of a plain trigger, to type it back if the output is undone.
void remember_typed_trigger(const TriggerEntry& entry) {
    engine.undo.trigger.fill(0);
    if (entry.flags != 0) return;
    for (int i = 0; i < entry.match_length && i < 63; ++i)
        engine.undo.trigger[static_cast<std::size_t>(i)] =
            engine.keys.history[static_cast<std::size_t>(entry.match_length - 1 - i)];
}
} // namespace

void begin_output(int entry_index, uint8_t new_key, OutputCase letters) {
    const TriggerEntry& entry = engine.file.table.entries[entry_index];
    remember_typed_trigger(entry);
    if (engine.file.table.debug_mode)
        append_debug_log(std::string("\"") + (entry.lookup_key.data() + 1) + "\"");
    Preparation& prepare = engine.prepare;
    prepare.entry = entry_index;
    prepare.letters = letters;
    // A plain trigger completed by a middle click has nothing typed to erase.
    prepare.erase = entry.flags == 0 && new_key != 4 ? entry.match_length : 0;
    prepare.since = tick_count();
    // The user's modifiers go up first, so that they do not change the keys sent.
    if (!modifiers_down()) return send_output();
    prepare.stage = Preparation::Stage::waiting_for_modifiers;
    set_timer(playback_timer, modifier_check_ms);
}

void prepare_tick() {
    if (modifiers_down() && tick_count() - engine.prepare.since < modifier_wait_ms) {
        set_timer(playback_timer, modifier_check_ms);
        return;
    }
    send_output();
}

void search_window_closed(int entry) {
    engine.player.searching = false;
    engine.undo.trigger.fill(0); // a pick erased nothing: an undo types nothing back
    engine.keys.history.fill(0);
    if (entry < 0 || entry >= engine.file.table.count) return output_done();
    engine.prepare.entry = entry;
    engine.prepare.letters = OutputCase::as_written;
    engine.prepare.erase = 0;
    send_output();
}

void append_debug_log(std::string_view line) {
    const LocalTime now = local_time();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    const std::string stamped = stamp + std::string(line) + "\r\n";
    if (append_to_file(engine.file.debug_log.c_str(), stamped)) return;
    // The trigger file's folder may not take new files: the log goes to the
    // user's own folder instead, and the status bar says where, once.
    const std::string folder = user_data_folder();
    if (folder.empty()) return;
    const std::string fallback = folder + "Quillomat_log.txt";
    if (!append_to_file(fallback.c_str(), stamped)) return;
    status_printf(" The debug log is written to %s", fallback.c_str());
    engine.file.debug_log = fallback;
}
