// The keystroke monitor: polls the keys, keeps the newest-first history of
// typed characters and hands the newest key to the matcher.
#include "engine/engine.h"
#include "engine/stages.h"
#include "keys/key_tokens.h"
#include "keys/synthesis.h"
#include "platform/platform.h"
#include "ui/status.h"
#include "ui/ui.h"

#include <cstring>
#include <string>

namespace {
constexpr int vk_backspace = 8;
constexpr uint8_t vk_shift = 16, vk_control = 17, vk_alt = 18;
constexpr int vk_backquote = 192;

char shift_char(int vk) {
    if (vk >= 97 && vk <= 122) return static_cast<char>(vk - 32);
    const char c = static_cast<char>(key_char(vk) & 0xFF);
    if (c == '\0') return '\0';
    const std::size_t at = unshifted_row.find(c);
    return at != std::string_view::npos ? shifted_row[at] : static_cast<char>(vk);
}

char key_to_char(int vk) {
    const bool shift = engine.keys.new_key_shifted;
    const bool caps = caps_lock_on();
    if (vk >= 'A' && vk <= 'Z') {
        if (shift == caps) return static_cast<char>(vk + 32);
        return shift ? shift_char(vk) : static_cast<char>(key_char(vk) & 0xFF);
    }
    if (shift) return shift_char(vk);
    if (vk == 4) return '\x04';
    return static_cast<char>(key_char(vk) & 0xFF);
}

// Remap mode: the backquote key acts as Alt. Its state entry is 0 while it
// is up, 1 while it holds the synthesized Alt down, and 2 while it is still
// down after a match let that Alt go. True when the tick is done.
constexpr uint8_t backquote_alt_released = 2;

bool remap_backquote() {
    uint8_t& held = engine.keys.key_state[vk_backquote];
    const bool down = key_is_down(vk_backquote);
    if (held == 0 && down) {
        held = 1;
        play_key_token(vk_backspace, press_and_release);
        send_key_event(vk_alt, 0, 0); // scan code 0, like a keyboard with no such key
        note_own_input();
        return true;
    }
    if (held != 0 && !down) {
        if (held == 1) send_key_event(vk_alt, 0, key_release);
        held = 0;
        note_own_input();
        return true;
    }
    return false;
}

// A match made with the backquote as Alt: let the synthesized Alt go before
// the output waits for the modifiers, or it would wait the whole second for
// a key that only a later poll releases, and then type with Alt held.
void release_remapped_alt() {
    uint8_t& held = engine.keys.key_state[vk_backquote];
    if (!engine.file.table.remap_mode || held != 1) return;
    send_key_event(vk_alt, 0, key_release);
    held = backquote_alt_released;
}

bool is_modifier_key(int vk) {
    return vk == vk_shift || vk == vk_control || vk == vk_alt || vk == 91 || vk == 92 ||
           (vk >= 160 && vk <= 165);
}

// Whether Shift was down when `vk` went down: as the events saw it at the
// press (`reported`), or as this poll reads it (the keys are read in
// ascending order, so Shift's state is this poll's). A Shift held since
// before the events could see it counts either way.
bool shifted_at_press(int vk, bool reported) {
    const bool polled = engine.keys.key_state[vk_shift] == 1;
    if (!reported) return polled;
    return engine.watch.shift_at_press[vk] != 0 || (polled && !shift_down_by_events());
}

// Takes a key's new state; true when it just went down.
bool took_press(int vk, bool down, uint32_t now, bool reported = false) {
    if (static_cast<uint8_t>(down) == engine.keys.key_state[vk]) return false;
    engine.keys.key_state[vk] = down ? 1 : 0;
    engine.watch.last_activity = now;
    if (down) engine.keys.new_key_shifted = shifted_at_press(vk, reported);
    return down;
}

// The lowest key that went down since the last poll, or -1: every key is read.
int scan_new_key(uint32_t now) {
    for (int vk = 0; vk < 255; ++vk) {
        if (vk == vk_backquote && engine.file.table.remap_mode) continue; // it is the remapped Alt
        bool reported = false;
        const bool down = watched_key_down(vk, now, &reported);
        if (took_press(vk, down, now, reported)) return vk;
    }
    return -1;
}

// The same from what the events make necessary: only the keys held at the
// last poll, the keys the events hold and the modifiers are read; then the
// presses the events reported, in their order. Reading all 255 keys costs
// much under Wine, and this is what every tick of typing does.
int reported_new_key(uint32_t now) {
    const bool remap = engine.file.table.remap_mode;
    for (int vk = 0; vk < 255; ++vk) {
        if ((vk == vk_backquote && remap) || engine.watch.event_pressed[vk]) continue;
        if (!engine.keys.key_state[vk] && !engine.watch.event_down[vk] && !is_modifier_key(vk))
            continue;
        if (took_press(vk, key_is_down(vk) || held_by_event(vk, now), now)) return vk;
    }
    for (int vk = take_reported_press(); vk >= 0; vk = take_reported_press()) {
        if (vk == vk_backquote && remap) continue;
        if (took_press(vk, true, now, true)) return vk; // a key held already only repeats
    }
    return -1;
}

int poll_new_key() {
    const uint32_t now = tick_count();
    return engine.watch.events ? reported_new_key(now) : scan_new_key(now);
}

// Windows drops what a program sends to a window of a program with higher
// rights: a trigger there neither erases nor types, and says why (the tray
// once per program and session).
bool cannot_type_into_front() {
    const FrontProgram front = front_program();
    if (!front.elevated) return false;
    status_printf(" Cannot type into %s: it runs as administrator", front.exe.c_str());
    if (engine.keys.told_elevated.insert(front.exe).second) {
        const std::string note =
            "Quillomat cannot type into " + front.exe + ": it runs as administrator.";
        show_tray_note(note.c_str());
    }
    forget_typed();
    return true;
}

uint8_t held_modifiers() {
    const auto& state = engine.keys.key_state;
    return static_cast<uint8_t>((state[vk_control] == 1 ? 1 : 0) | (state[vk_shift] == 1 ? 2 : 0) |
                                (state[vk_alt] == 1 ? 4 : 0));
}

// A character typed, for pattern triggers; 0 (a key without one) is a break.
void add_typed(char32_t c) {
    TypedText& typed = engine.keys.typed;
    if (c == 0) {
        typed.count = 0;
        return;
    }
    if (typed.count == static_cast<int>(typed.chars.size())) {
        std::memmove(typed.chars.data(), typed.chars.data() + 1,
                     (typed.chars.size() - 1) * sizeof(char32_t));
        --typed.count;
    }
    typed.chars[static_cast<std::size_t>(typed.count++)] = c;
}

// Runs the matcher on the newest key; pattern searches that ran away are
// switched off on the way.
int match_new_key(int vk) {
    const TriggerTable& table = engine.file.table;
    const MatchQuery query{&table,
                           &engine.keys.history,
                           vk,
                           held_modifiers(),
                           engine.keys.paused,
                           front_program,
                           &engine.patterns.compiled,
                           engine.keys.typed.view()};
    PatternFindings found;
    const int entry = find_match(query, &found);
    if (!found.runaway.empty()) switch_off_runaway(found.runaway);
    if (entry < 0) return entry;
    if (!table.entries[entry].always_live && cannot_type_into_front()) return -1;
    release_remapped_alt();
    begin_output(entry, static_cast<uint8_t>(vk),
                 typed_case(table.entries[entry], engine.keys.history), &found.match);
    return entry;
}

// Keys typed into another window do not continue what was typed here.
void note_window_in_front() {
    const WindowId front = foreground_window();
    if (front == engine.keys.front) return;
    forget_typed();
    engine.keys.front = front;
}

// A character typed goes into the histories (`byte` into the key history, 0
// for none), and the matcher hears of it.
void take_character(int vk, char byte, char32_t c) {
    auto& history = engine.keys.history;
    std::memmove(history.data() + 1, history.data(), history_length - 1);
    history[0] = byte;
    add_typed(c);
    if (match_new_key(vk) < 0) return rearm_or_rest();
    if (!output_on_its_way()) output_done();
}

// The newest key goes into the history (or takes a character back out), and
// the matcher hears of it.
void take_key(int vk) {
    auto& history = engine.keys.history;
    note_window_in_front();
    if (vk == 1 || vk == 2) {
        history[0] = '\0'; // a click moves the caret: what came before no longer counts
        engine.keys.typed.count = 0;
        return rearm_or_rest();
    }
    if (vk == vk_backspace) {
        std::memmove(history.data(), history.data() + 1, history_length - 1);
        if (engine.keys.typed.count > 0) --engine.keys.typed.count;
        return rearm_or_rest();
    }
    const char byte = key_to_char(vk);
    // The middle button's "character" only stands for a click in a plain trigger.
    take_character(vk, byte, vk == 4 ? 0 : code_point_of_ansi(static_cast<uint8_t>(byte)));
}
} // namespace

void polling_tick() {
    engine.watch.resting = false;
    if (engine.file.table.remap_mode && remap_backquote()) return rearm_or_rest();
    const int vk = poll_new_key();
    if (vk < 0) return rearm_or_rest();
    // The key right after an output: a plain Backspace takes it back; any
    // other key (a modifier and a click too) ends the chance.
    if (undo_if_backspace(vk)) return rearm_or_rest();
    if (vk == vk_shift || vk == vk_control || vk == vk_alt || (vk >= 160 && vk <= 165))
        return rearm_or_rest();
    if (vk == vk_packet) return rearm_or_rest(); // its character came with its event
    take_key(vk);
}

void take_typed_unit(uint16_t unit) {
    uint16_t& high = engine.keys.high_surrogate;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        high = unit;
        return;
    }
    char32_t c = unit;
    if (unit >= 0xDC00 && unit <= 0xDFFF)
        c = high ? 0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00) : 0;
    high = 0;
    (void)undo_if_backspace(vk_packet); // any key but Backspace ends the chance
    note_window_in_front();
    // A character the code page lacks breaks plain triggers; patterns see it.
    const int byte = c ? ansi_byte_of(c) : -1;
    take_character(vk_packet, byte > 0 ? static_cast<char>(byte) : '\0', c);
}

// Ctrl, Shift and Alt, in that order; Ctrl goes up as the extended key.
void reset_keyboard() {
    for (const uint8_t vk : {vk_control, vk_shift, vk_alt})
        if (key_is_down(vk)) send_key(vk, true);
    clear_keyboard_state();
    // Two rounds of reads flush whatever state the platform kept from before.
    for (int vk = 0; vk < 255; ++vk)
        (void)key_is_down(vk);
    engine.keys.key_state.fill(0);
    for (int vk = 0; vk < 255; ++vk)
        (void)key_is_down(vk);
}
