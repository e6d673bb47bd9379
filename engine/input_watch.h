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
#pragma once

#include <array>
#include <cstdint>

constexpr int watch_timer = 7774;
constexpr uint32_t rest_after_ms = 500;    // quiet, with every key up, before polling rests
constexpr uint32_t health_check_ms = 1000; // how often events are checked against the input time
constexpr uint32_t fallback_check_ms = 10; // how often the input time is read without events
constexpr uint32_t held_event_trust_ms = 1100; // a key held by events alone, past its last press
constexpr int silent_checks_for_fallback = 2;
constexpr uint32_t own_input_window_ms =
    10000; // the reports of our own keys arrive well within this

struct InputWatch {
    bool watching = false;                    // started; until then polling never rests
    bool events_available = false;            // the platform said it reports events
    bool events = false;                      // key events arrive from the platform (trusted)
    bool resting = false;                     // the polling timer is off until input comes
    std::array<uint8_t, 256> event_down{};    // down by the last event for the key
    std::array<uint8_t, 256> event_pressed{}; // pressed since the poll last looked at the key
    std::array<uint32_t, 256> pressed_at{};   // the key's latest press event
    std::array<uint8_t, 64> presses{};        // keys pressed, in the order the events came
    uint8_t press_count = 0;
    uint32_t last_activity = 0;               // the latest key change, polled or reported
    // Events stamped up to `own_input_until` are the program's own output.
    // The mark is dropped a while later: a time kept for weeks would wrap
    // around the millisecond clock and swallow the user's keys.
    bool own_input_pending = false;
    uint32_t own_input_until = 0;
    uint32_t event_count = 0, events_at_check = 0;
    uint32_t input_at_check = 0;
    int silent_checks = 0;
};
extern InputWatch input_watch;

// Starts watching the keyboard: input events where the platform has them,
// the polling timer, and the watch timer.
void start_watching();
// A key (`vk` 1 to 254) or mouse button went down or up at `time` (the
// tick_count clock); vk 0 is input without one (a mouse move).
void engine_input_event(int vk, bool down, uint32_t time);
// The program has just sent keys or mouse events: events up to now are its own.
void note_own_input();

// For the monitor: whether `vk` counts as down at `now`, from the poll and
// the events; takes the key's kept press.
bool watched_key_down(int vk, uint32_t now);
// While events are trusted: the next key whose press they reported, in their
// order (its kept press taken), or -1.
int take_reported_press();
// Whether the events say `vk` is held (its latest event a recent press).
bool held_by_event(int vk, uint32_t now);
// At the end of a polling tick: re-arm the polling timer, or rest.
void rearm_or_rest();
// One watch-timer tick.
void watch_tick();
