// How the engine's stages hand over to one another; the shell never calls these.
#pragma once

#include "engine/state.h"

#include <cstdint>
#include <string_view>
#include <vector>

// polling
// Starts polling (the watch does, and tests that poll without it).
void start_polling();
// Arms the polling timer for the next tick, unless polling is paused, has
// not started, or an output is on its way.
void continue_polling();
// An output is over (or none came of a match): polling goes on.
void output_done();
// The output's next step (a wait before typing, a pause, a click taking
// effect, a paste being read) comes `ms` later, on the playback timer.
void next_output_step_in(uint32_t ms);

// detect
void polling_tick();
// Lets the modifiers the user holds go up, and forgets every key's state.
void reset_keyboard();
// The program has just sent keys or mouse events: events up to now are its own.
void note_own_input();
// input_watch: at the end of a polling tick, re-arm the polling timer or rest.
void rearm_or_rest();
// An input event as engine_input_event hears it: true when it ends a rest,
// and the polling tick is to run at once. `during_output`: a key the user
// pressed while an output was on its way (not a held key repeating).
bool record_input_event(int vk, bool down, uint32_t time, bool* during_output = nullptr);
// A Unicode key event: true when it is the user's, to be taken as typed.
bool record_character_event(bool down, uint32_t time);
// detect: a character of a Unicode key event, one UTF-16 unit at a time.
void take_typed_unit(uint16_t unit);
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
    // Pattern triggers, compiled by table entry (none: no pattern fires),
    // and the typed text they are matched against.
    const std::vector<Pattern>* patterns = nullptr;
    std::u32string_view typed;
};
// What the pattern triggers of a scan came to.
struct PatternFindings {
    PatternMatch match;       // of the entry found, when it is a pattern trigger
    std::vector<int> runaway; // entries whose search ran away
};
// The first entry, in file order, that the key completes and that may fire
// in the program in front; -1 for none. Where nothing may fire (a
// "Quillomat_NEVER_IN" program), nothing does. After a pattern's search ran
// away, the patterns further down wait for the next key.
int find_match(const MatchQuery& query, PatternFindings* found = nullptr);
// The case the trigger was typed in, for "Quillomat_CASE: on".
OutputCase typed_case(const TriggerEntry& entry, const KeyHistory& history);

// pattern_match
// Whether the pattern trigger `entry` takes the end of the typed text (and,
// under "Quillomat_WORD_START", a stretch that begins a word). Pure, as the
// matcher is; `found` gets the match, or the entry when its search ran away.
bool pattern_matches(const MatchQuery& query, int entry, PatternFindings* found);
// Compiles the pattern triggers of the table just loaded.
void compile_patterns();
// Patterns whose search ran away are off until the file is loaded again;
// the status bar names the line.
void switch_off_runaway(const std::vector<int>& entries);
// The output of the pattern trigger `entry` with the groups of `match` in
// it as typed text (every group empty when nothing matched: a pick).
OutputPieces pattern_output(int entry, std::string_view output, const PatternMatch& match);

// prepare
// A trigger fired on the key `new_key`: its output goes out once the
// modifiers are up, after the typed trigger (for a pattern trigger, the
// stretch it matched) has been erased.
void begin_output(int entry, uint8_t new_key, OutputCase letters,
                  const PatternMatch* pattern = nullptr);
// The playback timer, while the preparation waits.
void prepare_tick();
// Goes on with the next thing the output needs before it goes out: the
// selection copied, the form asked, the modifiers up; then it is sent.
void go_on_preparing();

// form step
// When the output that fired has fields: opens its form for `target` (the
// window the output is to go to) and returns true; nothing is erased yet.
bool ask_for_fields(WindowId target);
// The form's answer: the values are kept for the next time; true when it was
// submitted, and the output now waits for its window to come back in front.
bool keep_form_answer(bool submitted, const FormValues& values);
// While the output waits for its window: true once the window is in front;
// else the wait goes on (the playback timer is armed), or it was given up.
bool form_target_in_front();

// The output waiting for the modifiers is given up: nothing was erased or typed.
void cancel_preparation();

// fill in
// Variables, dates and the typed case in the output's markup pieces.
void fill_in(OutputPieces& pieces, OutputCase letters);

// compose
// As a trigger fires: its output with snips and random choices in place
// (prepare.markup), and the clipboard's text when it takes it.
void compose_fired_output(int entry);
// {Clipboard}, {Selection} and {Cursor} in the markup pieces, as pieces.
void set_in_inserted_text(OutputPieces& pieces);
// The status bar says what a token found nothing to insert for; after the use count.
void tell_what_was_not_inserted();
// Text from the clipboard or the selection, cut to a length that can be typed.
std::string cut_inserted_text(std::string text);

// selection
// Whether the output takes the selection, and nothing typed is to be erased.
bool selection_wanted();
// Saves the clipboard and sends the copy keys; false when the clipboard
// could not be saved (nothing is copied then).
bool start_selection_copy();
// The playback timer while the copy is waited for: true once the selection
// is in prepare.inserted (or nothing came in time); otherwise it re-arms.
bool selection_copied();

// play
// Console windows take Shift+Insert and Ctrl+Insert instead of Ctrl+V and Ctrl+C.
bool is_console_window(const FrontProgram& front);
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
