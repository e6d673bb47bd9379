// How the engine's stages hand over to one another; the shell never calls these.
#pragma once

#include "engine/state.h"

#include <cstdint>

// polling
// Starts polling (the watch does, and tests that poll without it).
void start_polling();
// Arms the polling timer for the next tick, unless polling is paused, has
// not started, or an output is on its way.
void continue_polling();
// An output is over (or none came of a match): polling goes on.
void output_done();
// The user pressed `vk` (a key or a button) while an output was on its way:
// it stops, unless it has not begun to type and the key is a modifier it
// waits for.
void user_pressed_during_output(int vk);

// detect
void polling_tick();
// Lets the modifiers the user holds go up, and forgets every key's state.
void reset_keyboard();
// The program has just sent keys or mouse events: events up to now are its own.
void note_own_input();
// input_watch: at the end of a polling tick, re-arm the polling timer or rest.
void rearm_or_rest();
// An input event as engine_input_event hears it: true when it ends a rest,
// and the polling tick is to run at once.
bool record_input_event(int vk, bool down, uint32_t time);
// One watch-timer tick: true when input came while the poll rests.
bool watch_tick();
// For the monitor: whether `vk` counts as down at `now`, from the poll and
// the events; takes the key's kept press (`reported`: it was one).
bool watched_key_down(int vk, uint32_t now, bool* reported);
// While events are trusted: the next key whose press they reported, in their
// order (its kept press taken), or -1.
int take_reported_press();
// Whether the events say `vk` is held (its latest event a recent press).
bool held_by_event(int vk, uint32_t now);
// Whether the events say either Shift key is down.
bool shift_down_by_events();

// match
struct MatchQuery {
    const TriggerTable* table;
    const KeyHistory* history;
    int vk;                  // the key just pressed
    uint8_t modifiers;       // held with it: 1 Ctrl, 2 Shift, 4 Alt
    bool paused;             // expansions paused: only PAUSE: and SEARCH: hotkeys
    FrontProgram (*front)(); // asked at most once, only when a rule needs it
};
// The first entry, in file order, that the key completes and that may fire
// in the program in front; -1 for none. Where nothing may fire (a
// "Quillomat_NEVER_IN" program), nothing does.
int find_match(const MatchQuery& query);
// The case the trigger was typed in, for "Quillomat_CASE: on".
OutputCase typed_case(const TriggerEntry& entry, const KeyHistory& history);

// prepare
// A trigger fired on the key `new_key`: its output goes out once the
// modifiers are up, after the typed trigger has been erased.
void begin_output(int entry, uint8_t new_key, OutputCase letters);
// The playback timer, while the preparation waits.
void prepare_tick();
// The output waiting for the modifiers is given up: nothing was erased or typed.
void cancel_preparation();

// fill in
// Variables, dates and the typed case in the output's markup pieces.
void fill_in(OutputPieces& pieces, OutputCase letters);

// play
// Starts playing the steps (the first tick 1 ms later).
void start_playback(OutputScript script);
void playback_tick();
// The output stops where it is: at once while it waits, after the step under
// way otherwise. The keys it holds down go up.
void stop_playback();
// Types a run's characters, as written whatever the Caps Lock state.
void type_chars(const OutputStep& step);

// paste
// A long run of text goes in through the clipboard, where the file asks for
// it: true when the paste was sent, and the playback timer armed to see it taken.
bool paste_run(const OutputStep& step);
// While a paste is out: true when the tick must go on waiting (the timer is
// armed); false once it is decided, the run typed instead if need be.
bool waiting_for_paste();

// undo
// After a complete output that put `typed` characters in the window (-1:
// not known, or not only characters): the chance for Backspace to take it back.
void open_undo_chance(int typed);
// The first key after an output: true when it was the Backspace that took it back.
bool undo_if_backspace(int vk);

// disk_copy
// The disk check timer: what changed in the trigger file's folder is looked at.
void check_trigger_file();
