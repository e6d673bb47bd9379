// The engine's state: one struct per stage, all of it in `engine`.
//
// Each struct belongs to the file named above it; other files read it but
// leave changes to its owner. reset_engine() puts everything back as it is
// at start-up.
#pragma once

#include "common/text.h"
#include "engine/disk_copy.h"
#include "platform/platform.h"
#include "triggers/encoding.h"
#include "triggers/fields.h"
#include "triggers/inserts.h"
#include "triggers/output_script.h"
#include "triggers/patterns.h"
#include "triggers/triggers.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

constexpr int history_length = 32;
using KeyHistory = std::array<char, history_length>; // typed characters, newest first; 0: none

// What pattern triggers are matched against: the characters typed since the
// last break, as code points, newest last. It holds the widest pattern
// window and the character before it, which "\b" and look-behinds see.
struct TypedText {
    std::array<char32_t, max_pattern_window + 1> chars{};
    int count = 0;
    std::u32string_view view() const { return {chars.data(), static_cast<std::size_t>(count)}; }
};

// The trigger file as loaded (engine/load.cpp). Outputs and the search
// window's rows come from this one parse.
struct LoadedFile {
    std::string path;
    std::string text; // the file as the engine reads it (see triggers/encoding.h)
    TriggerTable table;
    std::vector<int> untypeable;                // lines whose trigger the code page cannot type
    TextEncoding encoding = TextEncoding::ansi; // how the file is written; Save keeps it
    // Why the last load left the file alone (`ok`: the table and the editor
    // came from it). While a file is refused the editor is empty and locked,
    // and nothing is saved over that file.
    FileRead refusal = FileRead::ok;
    std::string refusal_words; // for `not_text`, after "it": "holds a zero byte at line 3"
    DiskIdentity on_disk;      // the file as last loaded or saved
    std::string modes_path;    // the file whose markers switched debug or remap mode on
    std::string debug_log;     // where debug mode writes; beside the trigger file
    std::string link_target;   // the file the path leads to, when it is a symbolic link
    bool awaited = false;      // missing, and loaded as soon as it appears (refusal `missing`)
};

// What the watch on the trigger file's folder waits for (engine/disk_copy.cpp).
struct DiskCheck {
    bool pending = false;      // a change came and the file was not looked at since
    uint32_t first_change = 0; // when the first of the pending changes came
    int failed_reads = 0;      // reads of the changed file that failed in a row
};

// What the keyboard did (engine/detect.cpp).
struct KeyMonitor {
    std::array<uint8_t, 256> key_state{}; // 1: down when last polled (the remapped key: see detect)
    KeyHistory history{};
    TypedText typed;                     // the same keys, for pattern triggers
    uint16_t high_surrogate = 0;         // of a Unicode key event, waiting for its low half
    bool new_key_shifted = false;        // Shift was down when the newest key went down
    WindowId front = 0;                  // the window in front when the last key was typed
    bool paused = false;                 // expansions are off: only PAUSE: and SEARCH: hotkeys fire
    std::set<std::string> told_elevated; // programs the tray has named as out of reach
};

// How the letters of an output follow the case the trigger was typed in
// ("Quillomat_CASE: on"): "btw", "Btw", "BTW".
enum class OutputCase : uint8_t { as_written, capitalized, upper };

// A form and the values it was given.
struct FilledForm {
    Form form;
    FormValues values;
};

// A trigger that fired, on its way to the keyboard (engine/prepare.cpp; the
// form's stages and `form`, `last_forms` in engine/form_step.cpp).
struct Preparation {
    enum class Stage : uint8_t {
        idle,
        form_open,             // a form asks for the output's fields: nothing is erased yet
        waiting_for_target,    // the form was filled in: the window it was for comes back in front
        waiting_for_modifiers, // the user's Ctrl, Shift or Alt still down: the keys wait
        copying_selection,     // Ctrl+C sent for {Selection}: the copy is waited for
    } stage = Stage::idle;
    int entry = -1;
    int erase = 0; // Backspaces that take the typed trigger away
    // A pattern trigger's match; none for a pick from the search window.
    PatternMatch pattern;
    OutputCase letters = OutputCase::as_written;
    uint32_t since = 0;    // when the wait began
    int32_t use_count = 0; // outputs prepared since start-up

    // The trigger as written (UTF-8), and its output as it fired
    // (engine/compose.cpp): its snips and random choices in place, and the
    // texts it takes from the clipboard and the selection
    // (engine/selection.cpp). A form may stay open across a save of the file.
    std::string trigger, markup;
    InsertedTexts inserted;
    // What {Clipboard} found; the status bar says when it was no text.
    ClipboardText clipboard_read = ClipboardText::text;
    uint32_t copy_sequence = 0; // the clipboard's before the selection was copied
    uint32_t copy_sent_at = 0;
    bool selection_taken = false; // {Selection}'s copy is done (or there is none)
    std::mt19937 choices;         // {Random:}, seeded once per start
    FrontProgram front;           // the program in front, once a {Snip:} asked for it
    bool front_known = false;
    FilledForm form;            // the output's fields and their values; empty: it has none
    bool form_answered = false; // the form was filled in (or there is none)
    WindowId form_for = 0;      // the window the form's output goes to
    // Per trigger as written: the values its form was last given. Kept only
    // while the program runs, never on disk: a field may hold something private.
    std::map<std::string, FilledForm> last_forms;
};

// The output being played (engine/play.cpp).
struct Player {
    OutputScript script;  // empty when nothing plays
    std::size_t next = 0; // the step the next tick starts with
    bool active = false;
    bool in_tick = false;          // a playback tick is under way (a message box may be up)
    bool stop_asked = false;       // the user pressed a key: the output ends where it is
    std::bitset<256> held;         // keys the output pressed and has not released
    bool works_caps_lock = false;  // the output presses Caps Lock itself: it is left to it
    bool searching = false;        // the search window is open: nothing typed is matched
    bool message_up = false;       // a warning of the output is on screen, with the keyboard
    bool second_click_due = false; // a double click waits for its second half
    bool pasting = false;          // a paste was sent: the clipboard goes back once it is taken
    uint32_t paste_sent_at = 0;
    WindowId paste_window = 0;     // the window in front when the paste keys went out
    std::size_t paste_step = 0;    // the run being pasted
    bool typed_unknown = false;    // a paste went nobody knows where: no count of what was typed
    ScreenPoint saved_mouse{0, 0}; // the pointer when the trigger fired
    std::string trigger;           // the trigger as written (UTF-8), for messages
    WindowId before_search = 0; // in front when the search window opened: a pick's form is for it
};

// "Backspace Undoes Expansion": right after an output made only of
// characters, Enter and Tab, a plain Backspace takes it back and types the
// trigger again. Any other key, a modifier, a click or another window in
// front ends the chance (engine/undo.cpp).
struct UndoChance {
    bool enabled = false; // the option
    bool open = false;    // the next key may take the output back
    int typed = 0;        // characters the output put in the window; -1: final
    // The trigger's characters as they were typed: a pattern's may fill its window.
    std::array<char, max_pattern_window + 1> trigger{};
    WindowId window = 0; // the window it was typed into
};

// Whether the keyboard is watched, and how (engine/input_watch.cpp).
struct InputWatch {
    bool polling = false; // polling was started: the timer runs unless paused or resting
    int pauses = 0;       // pause_polling calls not resumed yet
    bool watching =
        false; // started with events and the watch timer; until then polling never rests
    bool events_available = false;             // the platform said it reports events
    bool events = false;                       // key events arrive from the platform (trusted)
    bool resting = false;                      // the polling timer is off until input comes
    std::array<uint8_t, 256> event_down{};     // down by the last event for the key
    std::array<uint8_t, 256> event_pressed{};  // pressed since the poll last looked at the key
    std::array<uint32_t, 256> pressed_at{};    // the key's latest press event
    std::array<uint8_t, 256> shift_at_press{}; // Shift was down by the events at that press
    std::array<uint8_t, 64> presses{};         // keys pressed, in the order the events came
    uint8_t press_count = 0;
    uint32_t last_activity = 0; // the latest key change, polled or reported
    // Events stamped up to `own_input_until` are the program's own output.
    // The mark is dropped a while later: a time kept for weeks would wrap
    // around the millisecond clock and swallow the user's keys.
    bool own_input_pending = false;
    uint32_t own_input_until = 0;
    uint32_t event_count = 0, events_at_check = 0;
    uint32_t input_at_check = 0;
    int silent_checks = 0;
};

// The loaded file's pattern triggers, each compiled once
// (engine/pattern_match.cpp).
struct PatternTriggers {
    std::vector<Pattern> compiled; // by table entry; empty: no pattern, refused or switched off
};

struct Engine {
    LoadedFile file;
    PatternTriggers patterns;
    KeyMonitor keys;
    InputWatch watch;
    Preparation prepare;
    Player player;
    UndoChance undo;
    DiskCheck disk;
};
extern Engine engine;

// Everything as at start-up; the netbook flag, a fact of the computer, stays.
void reset_engine();
// What was typed no longer counts (a match, a load, another window): the
// key history and the typed text start afresh.
void forget_typed();
