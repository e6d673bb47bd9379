// Controls and records of the simulated platform, for tests.
//
// The simulated desktop runs on a virtual clock: a test scripts key presses
// at given times, runs the clock, and the armed timers fire in order through
// engine_on_timer. Everything the program does to the desktop is written to
// one log, a line per event, so a test states its whole effect at once.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

struct SimKeyEvent {
    uint8_t vk;
    uint8_t scan_code;
    uint32_t flags;
};

// Puts the simulated desktop back to its starting state: time 0, no key down,
// Caps Lock off, no timers, empty logs, no windows, no locked files, the
// built-in texts of the build, a 1024x768 screen, the clock at 2026-12-07 09:05:00.
void sim_reset();

// ---- time ----
uint32_t sim_now();
// Runs the virtual clock for `ms` milliseconds, firing timers as they fall due.
void sim_run_for(uint32_t ms);
// Runs until no timer is armed but the polling and watch timers, or `limit_ms` passed.
void sim_run_until_idle(uint32_t limit_ms = 60000);
bool sim_timer_armed(int id);
// Moves the clock to the timer that falls due next and fires it; false when none is armed.
bool sim_fire_next_timer();

// ---- keyboard and mouse ----
void sim_set_key(int vk, bool down);
// Key `vk` goes down at `at_ms` (virtual time) and up `hold_ms` later.
void sim_press_at(uint32_t at_ms, int vk, uint32_t hold_ms);
// Key `vk` goes down or up at `at_ms` (virtual time).
void sim_key_at(uint32_t at_ms, int vk, bool down);
// Another program sends one UTF-16 unit as a Unicode key event pair at
// `at_ms`: no key goes down, only its report arrives.
void sim_unicode_at(uint32_t at_ms, uint16_t unit);
// Types letters, digits and spaces from now on: each key held `hold_ms`,
// the next one pressed `gap_ms` after the previous release.
void sim_type(const std::string& keys, uint32_t hold_ms = 40, uint32_t gap_ms = 40);
void sim_set_caps_lock(bool on);
// The user moves the pointer (the program's own moves are logged as "cursor").
void sim_move_mouse(int32_t x, int32_t y);
void sim_set_screen(int32_t width, int32_t height);
void sim_set_double_click_time(uint32_t ms);

// Key events as one line: "+10 +41 -41 -10", an "e" after an extended event.
// (Unicode key events appear in the log's "keys" lines as "+U20AC -U20AC".)
const std::vector<SimKeyEvent>& sim_key_events();
void sim_clear_key_events();
std::string sim_key_transcript();

// Runs an input script, then the clock until the program is idle. Words,
// separated by blanks:
//   d:KEY  u:KEY   KEY goes down, goes up
//   t:MS           MS milliseconds pass
//   type:TEXT      each character pressed 40 ms and released, 40 ms apart ("_" a space)
//   text:TEXT      the same for any character of the US layout: ":greet(Ann)",
//                  Shift held around the key (10 ms before, 10 ms after) where it needs it
//   unicode:TEXT   each character of the UTF-8 text sent as a Unicode key event, 80 ms apart
//   caps:on        Caps Lock toggled on (caps:off)
//   front:NAME     the window titled NAME ("_" a space) comes to the front, or else a
//                  window of program NAME, opened the first time (see sim_front_program)
//   mouse:X,Y      the user moves the pointer to X,Y
//   fill:LABEL=VALUE  a field of the open form gets a value ("_" a space, "~" a new line)
//   form:ok        the open form is submitted (form:cancel: cancelled)
//   close:TITLE    the window of that title closes
// KEY is a letter or digit, a name (click rclick mid bs tab enter shift ctrl
// alt esc space pgup pgdn end home left up right down del f1 f5 f9 lshift
// backquote) or a hexadecimal key code ("#BA"). Throws on a word it cannot read.
void sim_script(const std::string& script);

// ---- input events ----
// Whether the platform can report input events (as raw input does), and
// whether, having said so, it then really does. Both on after a reset.
// Reported events, the program's own keys and clicks too, reach
// engine_input_event when the clock next moves.
void sim_set_input_events(bool available, bool delivered = true);
// Models a key-state cache like Wine's: a key last read as up reads up until
// the cache, refreshed by any other read, is `ms` old. 0 (no cache) after a reset.
void sim_set_key_state_cache(uint32_t ms);
// How often a timer has fired since the reset.
int sim_timer_fires(int id);
// How many times a key's state was read since the reset.
long sim_key_reads();

// ---- windows ----
// Adds a top-level window below the existing ones; returns its id. A window
// that does not answer never gives its title.
WindowId sim_add_window(const std::string& title, ScreenRect rect = {100, 100, 500, 400},
                        bool answers = true, bool minimized = false);
void sim_set_foreground(WindowId window);
// Brings forward the window titled `name`, or else the topmost window of
// program `name`, opening one (titled and run by `name`) when there is none;
// returns it.
WindowId sim_front_program(const std::string& name);
// The window goes away; when it was in front, no window is.
void sim_close_window(WindowId window);
// Which program a window belongs to ("program.exe" and class "Window" unless
// set), and whether it runs with higher rights than the program.
void sim_set_window_program(WindowId window, const std::string& exe,
                            const std::string& window_class, bool elevated = false);

// ---- programs, environment, time of day ----
void sim_set_env(const std::string& name, const std::string& value);
void sim_set_local_time(const LocalTime& time);
// Programs that start; any other program fails. "*" lets everything start.
void sim_allow_program(const std::string& program);
std::string sim_current_directory();

// ---- files and texts ----
// Makes reads of `path` fail as if the file were locked by another program.
void sim_lock_file(const std::string& path);
// Makes every whole-file read fail for want of a buffer.
void sim_fail_file_buffers(bool fail);
// Makes every replace_file fail (a full disk, a folder without the right to create files).
void sim_fail_file_writes(bool fail);
// Reads and writes of a file locked with sim_lock_file work again.
void sim_unlock_file(const std::string& path);
// Makes writes of every file whose path starts with `path` (a file, a
// folder and its separator, or the start of names in a folder) fail for `why`.
void sim_deny_writes(const std::string& path, WriteProblem why = WriteProblem::denied);
// Where user_data_folder() points ("" after a reset: there is none); its
// subfolders are made on the real disk.
void sim_set_user_data_folder(const std::string& path);
// Replaces a built-in text for the next reads (empty: the program has none).
void sim_set_builtin_text(int id, const std::string& packed);

// ---- the program's own windows ----
const std::string& sim_editor_text(); // UTF-8, as the core last showed it
std::string sim_status_text();        // the latest, "" when none was written
// The user typed into the editor (or saved, or a load showed the file: false).
void sim_set_unsaved_edits(bool unsaved);
// The user changed the editor's text to `utf8`: it holds unsaved edits.
void sim_edit_editor(const std::string& utf8);

// The fill-in form the program opened, as the log shows it ("" when none
// is open): "Letter | Name=Ann | Size=M | PS=[x] | for 256".
std::string sim_open_form();
// Makes the next forms fail to open (or open again).
void sim_refuse_forms(bool refuse);
// Gives a field of the open form a value: its text, or for a box "on" or "off".
// Throws when no form is open or it has no such field.
void sim_fill_form(const std::string& label, const std::string& value);
// The user submits (or cancels) the open form, with the values it holds.
// The simulated form never changes which window is in front: a test says
// where the keyboard went back to. Throws when no form is open.
void sim_answer_form(bool submitted);

// ---- the clipboard ----
// What the user has on the clipboard, and whether another program holds it open.
void sim_set_clipboard(const std::string& text, bool busy = false);
const std::string& sim_clipboard();
// When a paste key reaches the window in front, the user copies `text` at that moment.
void sim_copy_when_pasted(const std::string& text);
// The clipboard holds no text (a picture).
void sim_set_clipboard_picture();
// What is selected in the window in front ("" nothing): Ctrl+C or
// Ctrl+Insert puts it on the clipboard `copy_delay_ms` later.
void sim_set_selection(const std::string& text, uint32_t copy_delay_ms = 0);
// The window in front takes a paste `ms` after its paste key (0, after a
// reset: at once), reading the clipboard as it is then; sim_paste_never: it
// ignores the key.
constexpr uint32_t sim_paste_never = UINT32_MAX;
void sim_set_paste_delay(uint32_t ms);

// ---- the log ----
// One line per event, with its virtual time:
//   "12 keys +08 -08 +08 -08"      consecutive key events in one line
//   "12 status  Shortcuts Used:  1"
//   "12 timer 7772 1"              a timer armed with its period
//   "12 mouse +left"  "12 cursor 110,150"  "12 mouse move 8191,8191 absolute"
//   "12 launch notepad |args|"   "12 launch failed x |"
//   "12 message Window not found~~Trigger: qw~Command: WINDOW: Untitled |Quillomat| 52030"
//   "12 activate Untitled - Notepad restore"   "12 list a;;b"   "12 directory C:\Tools"
//   "12 editor read-only"  "12 editor editable"   (only when it changes)
//   "12 paused on"  "12 paused off"   "12 note <a tray balloon's text>"
//   "12 form Letter | Name=Ann | for 256"  "12 form ok | Name=Bob"  "12 form cancel | Name=Bob"
//   "12 clipboard put <text>"  "12 clipboard restored"  "12 clipboard left alone"
//   "12 clipboard busy"  "12 clipboard given back"  "12 clipboard emptied"
//   "12 pasted <text>" (the window in front read the clipboard for a paste)
// Kinds not wanted can be left out by naming those that are.
std::string sim_log(const std::vector<std::string>& kinds = {});
void sim_clear_log();
