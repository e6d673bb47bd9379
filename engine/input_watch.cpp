#include "engine/input_watch.h"

#include "engine/engine.h"
#include "engine/key_monitor.h"
#include "triggers/triggers.h"
#include "platform/platform.h"

InputWatch input_watch;

namespace {
// Whether time `a` is at or before `b` on the wrapping millisecond clock.
bool not_after(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) <= 0;
}

bool any_key_down(uint32_t now) {
    for (int vk = 0; vk < 255; ++vk)
        if (key_monitor.key_state[vk] != 0 || input_watch.event_pressed[vk] ||
            held_by_event(vk, now))
            return true;
    return false;
}

void wake() {
    input_watch.resting = false;
    polling_tick();
}
} // namespace

bool held_by_event(int vk, uint32_t now) {
    return input_watch.event_down[vk] && now - input_watch.pressed_at[vk] < held_event_trust_ms;
}

int take_reported_press() {
    InputWatch& w = input_watch;
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
    input_watch = InputWatch{};
    input_watch.watching = true;
    input_watch.events = input_watch.events_available = start_input_events();
    input_watch.last_activity = tick_count();
    input_watch.input_at_check = last_input_time();
    set_timer(polling_timer, polling_period_ms);
    set_timer(watch_timer, input_watch.events ? health_check_ms : fallback_check_ms);
}

void engine_input_event(int vk, bool down, uint32_t time) {
    ++input_watch.event_count;
    if (input_watch.events_available && !input_watch.events) {
        // Events come again after a spell without them (a locked screen, a
        // prompt of the system): they are trusted again, and the idle
        // program goes back to resting without the short timer.
        input_watch.events = true;
        input_watch.silent_checks = 0;
        set_timer(watch_timer, health_check_ms);
    }
    if (vk <= 0 || vk > 254) return;
    if (!down) {
        input_watch.event_down[vk] = 0;
        return;
    }
    // While an output plays, or the search window is open, nothing typed is
    // seen, as with polling; and the program's own keys are not the user's.
    if (output_state.text || output_state.searching) return;
    if (input_watch.own_input_pending && not_after(time, input_watch.own_input_until)) return;
    input_watch.event_down[vk] = 1;
    if (!input_watch.event_pressed[vk] && input_watch.press_count < input_watch.presses.size())
        input_watch.presses[input_watch.press_count++] = static_cast<uint8_t>(vk);
    input_watch.event_pressed[vk] = 1;
    input_watch.pressed_at[vk] = time;
    input_watch.last_activity = tick_count();
    if (input_watch.resting) wake();
}

void note_own_input() {
    input_watch.own_input_pending = true;
    input_watch.own_input_until = tick_count();
}

bool watched_key_down(int vk, uint32_t now) {
    if (input_watch.event_pressed[vk]) {
        input_watch.event_pressed[vk] = 0;
        (void)key_is_down(vk); // read all the same: the poll reads every key, every tick
        return true;
    }
    return key_is_down(vk) || held_by_event(vk, now);
}

void rearm_or_rest() {
    if (input_watch.watching) {
        const uint32_t now = tick_count();
        // Polling goes on while any key is down, and until it has been quiet a while.
        if (now - input_watch.last_activity >= rest_after_ms && any_key_down(now))
            input_watch.last_activity = now;
        if (now - input_watch.last_activity >= rest_after_ms) {
            input_watch.resting = true;
            return;
        }
    }
    set_timer(polling_timer, polling_period_ms);
}

void watch_tick() {
    if (input_watch.own_input_pending &&
        tick_count() - input_watch.own_input_until >= own_input_window_ms)
        input_watch.own_input_pending = false;
    const uint32_t input = last_input_time();
    const bool input_moved = input != input_watch.input_at_check;
    if (input_watch.events) {
        // The platform said it would report events; if the input time moves
        // again and again with none reported, it does not, and the input
        // time is watched instead.
        const bool reported = input_watch.event_count != input_watch.events_at_check;
        input_watch.silent_checks = input_moved && !reported ? input_watch.silent_checks + 1 : 0;
        if (input_watch.silent_checks >= silent_checks_for_fallback) {
            input_watch.events = false;
            set_timer(watch_timer, fallback_check_ms);
        }
    }
    input_watch.input_at_check = input;
    input_watch.events_at_check = input_watch.event_count;
    if (!input_watch.events && input_moved && input_watch.resting) wake();
}
