// The keystroke monitor: polls every key, keeps the newest-first history of
// typed characters and finds the trigger the last key completes.
#include "common/status.h"
#include "common/text.h"
#include "engine/engine.h"
#include "engine/input_watch.h"
#include "engine/key_monitor.h"
#include "triggers/triggers.h"
#include "platform/platform.h"
#include "keys/key_tokens.h"
#include "keys/synthesis.h"

#include <cstring>
#include <set>
#include <string>

namespace {
constexpr int vk_backspace = 8;
constexpr int vk_shift = 16, vk_control = 17, vk_alt = 18;
constexpr int vk_backquote = 192;

char shift_char(int vk) {
    if (vk >= 97 && vk <= 122) return static_cast<char>(vk - 32);
    const char c = static_cast<char>(key_char(vk) & 0xFF);
    if (c == '\0') return '\0';
    const std::size_t at = unshifted_row.find(c);
    return at != std::string_view::npos ? shifted_row[at] : static_cast<char>(vk);
}

char key_to_char(int vk) {
    const bool shift = key_monitor.key_state[vk_shift] == 1;
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
    uint8_t& held = key_monitor.key_state[vk_backquote];
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
    uint8_t& held = key_monitor.key_state[vk_backquote];
    if (!trigger_table.remap_mode || held != 1) return;
    send_key_event(vk_alt, 0, key_release);
    held = backquote_alt_released;
}

bool is_modifier_key(int vk) {
    return vk == vk_shift || vk == vk_control || vk == vk_alt || vk == 91 || vk == 92 ||
           (vk >= 160 && vk <= 165);
}

// Takes a key's new state; true when it just went down.
bool took_press(int vk, bool down, uint32_t now) {
    if (static_cast<uint8_t>(down) == key_monitor.key_state[vk]) return false;
    key_monitor.key_state[vk] = down ? 1 : 0;
    input_watch.last_activity = now;
    return down;
}

// The lowest key that went down since the last poll, or -1: every key is read.
int scan_new_key(uint32_t now) {
    for (int vk = 0; vk < 255; ++vk) {
        if (vk == vk_backquote && trigger_table.remap_mode) continue; // it is the remapped Alt
        if (took_press(vk, watched_key_down(vk, now), now)) return vk;
    }
    return -1;
}

// The same from what the events make necessary: only the keys held at the
// last poll, the keys the events hold and the modifiers are read; then the
// presses the events reported, in their order. Reading all 255 keys costs
// much under Wine, and this is what every tick of typing does.
int reported_new_key(uint32_t now) {
    const bool remap = trigger_table.remap_mode;
    for (int vk = 0; vk < 255; ++vk) {
        if ((vk == vk_backquote && remap) || input_watch.event_pressed[vk]) continue;
        if (!key_monitor.key_state[vk] && !input_watch.event_down[vk] && !is_modifier_key(vk))
            continue;
        if (took_press(vk, key_is_down(vk) || held_by_event(vk, now), now)) return vk;
    }
    for (int vk = take_reported_press(); vk >= 0; vk = take_reported_press()) {
        if (vk == vk_backquote && remap) continue;
        if (took_press(vk, true, now)) return vk; // a key held already only repeats
    }
    return -1;
}

int poll_new_key() {
    const uint32_t now = tick_count();
    return input_watch.events ? reported_new_key(now) : scan_new_key(now);
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A plain trigger spelled by the newest characters of the history: exactly,
// or in any case for "Quillomat_CASE: on"; and for "Quillomat_WORD_START: on"
// only where no letter or digit comes before it.
bool plain_match(const TriggerEntry& entry) {
    const auto& history = key_monitor.history;
    const std::size_t length = static_cast<std::size_t>(entry.match_length);
    if (entry.any_case) {
        for (std::size_t i = 0; i < length; ++i)
            if (lower_ascii(entry.match[i]) != lower_ascii(history[i])) return false;
    } else if (entry.match[0] != history[0] ||
               std::memcmp(entry.match.data(), history.data(), length) != 0) {
        return false;
    }
    return !entry.word_start || length >= history_length || !is_word_byte(history[length]);
}

// The case the trigger was typed in: every letter upper case, the first one, or neither.
OutputCase typed_case(const TriggerEntry& entry) {
    if (!entry.any_case) return OutputCase::as_written;
    bool first = true, any_letter = false, all_upper = true, first_upper = false;
    for (int i = entry.match_length - 1; i >= 0; --i) { // oldest character first
        const char c = key_monitor.history[static_cast<std::size_t>(i)];
        if (!is_letter(c)) continue;
        const bool upper = c >= 'A' && c <= 'Z';
        if (first) first_upper = upper;
        first = false;
        any_letter = true;
        all_upper = all_upper && upper;
    }
    if (any_letter && all_upper) return OutputCase::upper;
    return first_upper ? OutputCase::capitalized : OutputCase::as_written;
}

// The first entry, in file order, that the last key completes and that may
// fire in the program in front; -1 for none. Where nothing may fire (a
// "Quillomat_NEVER_IN" program), nothing does, and nothing is erased.
int find_match(int vk) {
    const uint8_t mask = static_cast<uint8_t>((key_monitor.key_state[vk_control] == 1 ? 1 : 0) |
                                              (key_monitor.key_state[vk_shift] == 1 ? 2 : 0) |
                                              (key_monitor.key_state[vk_alt] == 1 ? 4 : 0));
    // Which program is in front is asked only once a trigger matches.
    FrontProgram front;
    bool front_known = false;
    auto program = [&]() -> const FrontProgram& {
        if (!front_known) front = front_program();
        front_known = true;
        return front;
    };
    for (int i = 0; i < trigger_capacity; ++i) {
        const TriggerEntry& entry = trigger_table.entries[i];
        if (entry.match[0] == '\0') break;
        const bool hit = entry.flags == 0 ? plain_match(entry)
                                          : static_cast<uint8_t>(entry.match[0]) == vk &&
                                                (entry.flags & 15) == mask;
        if (!hit) continue;
        if (entry.section != 0 &&
            !program_matches(trigger_table.sections[entry.section - 1u], program()))
            continue; // for other programs: the search goes on down the file
        if (entry.always_live) return i;
        if (key_monitor.paused) continue;
        if (!trigger_table.never_in.empty() && program_matches(trigger_table.never_in, program()))
            return -1;
        return i;
    }
    return -1;
}
// The user's Backspace took the output's last character; the rest goes the
// same way, and the trigger is typed back. It does not fire again at once:
// the history starts afresh.
void undo_output() {
    for (int i = 1; i < undo_chance.typed; ++i)
        play_key_token(vk_backspace, press_and_release);
    for (const char c : undo_chance.trigger) {
        if (!c) break;
        type_char(c);
    }
    note_own_input();
    key_monitor.history.fill(0);
}

// Windows drops what a program sends to a window of a program with higher
// rights: a trigger there neither erases nor types, and says why (the tray
// once per program and session).
bool cannot_type_into_front() {
    const FrontProgram front = front_program();
    if (!front.elevated) return false;
    status_printf(" Cannot type into %s: it runs as administrator", front.exe.c_str());
    static std::set<std::string> told;
    if (told.insert(front.exe).second) {
        const std::string note =
            "Quillomat cannot type into " + front.exe + ": it runs as administrator.";
        show_tray_note(note.c_str());
    }
    key_monitor.history.fill(0);
    return true;
}
} // namespace

void polling_tick() {
    kill_timer(polling_timer);
    input_watch.resting = false;
    if (trigger_table.remap_mode && remap_backquote()) return rearm_or_rest();
    const int vk = poll_new_key();
    if (vk < 0) return rearm_or_rest();

    auto& history = key_monitor.history;
    // The key right after an output: a plain Backspace takes it back; any
    // other key (a modifier and a click too) ends the chance.
    if (undo_chance.open) {
        undo_chance.open = false;
        if (vk == vk_backspace && !key_monitor.key_state[vk_shift] &&
            !key_monitor.key_state[vk_control] && !key_monitor.key_state[vk_alt] &&
            foreground_window() == undo_chance.window) {
            undo_output();
            return rearm_or_rest();
        }
    }
    if (vk == vk_shift || vk == vk_control || vk == vk_alt || (vk >= 160 && vk <= 165))
        return rearm_or_rest();
    // Keys typed into another window do not continue what was typed here.
    const WindowId front = foreground_window();
    if (front != key_monitor.front) {
        history.fill(0);
        key_monitor.front = front;
    }
    if (vk == 1 || vk == 2) {
        history[0] = '\0'; // a click moves the caret: what came before no longer counts
        return rearm_or_rest();
    }
    if (vk == vk_backspace) {
        std::memmove(history.data(), history.data() + 1, history_length - 1);
        return rearm_or_rest();
    }
    std::memmove(history.data() + 1, history.data(), history_length - 1);
    history[0] = key_to_char(vk);

    const int entry = find_match(vk);
    if (entry < 0) return rearm_or_rest();
    if (!trigger_table.entries[entry].always_live && cannot_type_into_front())
        return rearm_or_rest();
    release_remapped_alt();
    prepare_output(entry, static_cast<uint8_t>(vk), typed_case(trigger_table.entries[entry]));
}

void set_expansions_paused(bool paused) {
    key_monitor.paused = paused;
    key_monitor.history.fill(0);
    show_paused(paused);
}

bool engine_on_timer(int id) {
    if (id == polling_timer) {
        polling_tick();
        return true;
    }
    if (id == playback_timer) {
        playback_tick();
        return true;
    }
    if (id == watch_timer) {
        watch_tick();
        return true;
    }
    return false;
}
