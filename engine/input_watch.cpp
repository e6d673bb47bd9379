// When the keyboard poll has work to do.
//
// Polling every key costs little on Windows but much under Wine, so the
// monitor rests while nothing happens and wakes on input. The platform
// reports each key and mouse-button event as it happens (raw input, not a
// hook); the first one after a rest runs a polling tick at once, and polling
// then goes on as always until the keyboard has been quiet for a while with
// every key up. Where the platform cannot report events, or reports none
// while the last-input time moves, a short timer watches that time instead.
//
// Events also close a gap in polling: a key pressed and released between two
// polls, or hidden by a key-state cache, is still seen, because its press is
// kept until the next poll takes it.
#include "engine/engine.h"
#include "engine/stages.h"
#include "platform/platform.h"

namespace {
constexpr uint32_t rest_after_ms = 500;    // quiet, with every key up, before polling rests
constexpr uint32_t health_check_ms = 1000; // how often events are checked against the input time
constexpr uint32_t fallback_check_ms = 10; // how often the input time is read without events
constexpr uint32_t held_event_trust_ms = 1100; // a key held by events alone, past its last press
constexpr int silent_checks_for_fallback = 2;
constexpr uint32_t own_input_window_ms =
    10000; // the reports of our own keys arrive well within this

InputWatch& watch = engine.watch;

// Whether time `a` is at or before `b` on the wrapping millisecond clock.
bool not_after(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) <= 0;
}

bool any_key_down(uint32_t now) {
    for (int vk = 0; vk < 255; ++vk)
        if (engine.keys.key_state[vk] != 0 || watch.event_pressed[vk] || held_by_event(vk, now))
            return true;
    return false;
}

} // namespace

bool shift_down_by_events() {
    return watch.event_down[16] || watch.event_down[160] || watch.event_down[161];
}

bool held_by_event(int vk, uint32_t now) {
    return watch.event_down[vk] && now - watch.pressed_at[vk] < held_event_trust_ms;
}

int take_reported_press() {
    InputWatch& w = watch;
    while (w.press_count > 0) {
        const int vk = w.presses[0];
        --w.press_count;
        for (int i = 0; i < w.press_count; ++i)
            w.presses[static_cast<std::size_t>(i)] = w.presses[static_cast<std::size_t>(i) + 1];
        if (!w.event_pressed[vk]) continue; // taken already
        w.event_pressed[vk] = 0;
        return vk;
    }
    return -1;
}

void start_watching() {
    watch = InputWatch{};
    watch.watching = true;
    watch.events = watch.events_available = start_input_events();
    watch.last_activity = tick_count();
    watch.input_at_check = last_input_time();
    set_timer(watch_timer, watch.events ? health_check_ms : fallback_check_ms);
    start_polling();
}

bool record_input_event(int vk, bool down, uint32_t time, bool* during_output) {
    ++watch.event_count;
    if (watch.events_available && !watch.events) {
        // Events come again after a spell without them (a locked screen, a
        // prompt of the system): they are trusted again, and the idle
        // program goes back to resting without the short timer.
        watch.events = true;
        watch.silent_checks = 0;
        set_timer(watch_timer, health_check_ms);
    }
    if (vk <= 0 || vk > 254) return false;
    if (!down) {
        watch.event_down[vk] = 0;
        return false;
    }
    // Keys typed into the search window or an output's warning are theirs;
    // the program's own keys are not the user's.
    if (engine.player.searching || engine.player.message_up) return false;
    if (watch.own_input_pending && not_after(time, watch.own_input_until)) return false;
    const bool repeat = watch.event_down[vk] != 0; // a held key repeating
    watch.event_down[vk] = 1;
    if (!watch.event_pressed[vk] && watch.press_count < watch.presses.size())
        watch.presses[watch.press_count++] = static_cast<uint8_t>(vk);
    watch.event_pressed[vk] = 1;
    watch.pressed_at[vk] = time;
    // The poll may come after a quick Shift has gone up again: the case of
    // a letter is the one it had when it went down.
    watch.shift_at_press[vk] = shift_down_by_events();
    // The key is in the window in front already: the output must not go on
    // around it. The press is kept for the poll that comes after.
    if (output_on_its_way()) {
        if (!repeat && during_output) *during_output = true;
        return false;
    }
    watch.last_activity = tick_count();
    const bool wake = watch.resting;
    watch.resting = false;
    return wake;
}

bool record_character_event(bool down, uint32_t time) {
    ++watch.event_count;
    if (!down || output_on_its_way()) return false;
    if (watch.own_input_pending && not_after(time, watch.own_input_until)) return false;
    watch.last_activity = tick_count();
    return true;
}

bool watched_key_down(int vk, uint32_t now, bool* reported) {
    *reported = watch.event_pressed[vk] != 0;
    if (watch.event_pressed[vk]) {
        watch.event_pressed[vk] = 0;
        (void)key_is_down(vk); // read all the same: the poll reads every key, every tick
        return true;
    }
    return key_is_down(vk) || held_by_event(vk, now);
}

void rearm_or_rest() {
    if (watch.watching) {
        const uint32_t now = tick_count();
        // Polling goes on while any key is down, and until it has been quiet a while.
        if (now - watch.last_activity >= rest_after_ms && any_key_down(now))
            watch.last_activity = now;
        if (now - watch.last_activity >= rest_after_ms) {
            watch.resting = true;
            return;
        }
    }
    continue_polling();
}

bool watch_tick() {
    if (watch.own_input_pending && tick_count() - watch.own_input_until >= own_input_window_ms)
        watch.own_input_pending = false;
    const uint32_t input = last_input_time();
    const bool input_moved = input != watch.input_at_check;
    if (watch.events) {
        // The platform said it would report events; if the input time moves
        // again and again with none reported, it does not, and the input
        // time is watched instead.
        const bool reported = watch.event_count != watch.events_at_check;
        watch.silent_checks = input_moved && !reported ? watch.silent_checks + 1 : 0;
        if (watch.silent_checks >= silent_checks_for_fallback) {
            watch.events = false;
            set_timer(watch_timer, fallback_check_ms);
        }
    }
    watch.input_at_check = input;
    watch.events_at_check = watch.event_count;
    const bool wake = !watch.events && input_moved && watch.resting;
    if (wake) watch.resting = false;
    return wake;
}
